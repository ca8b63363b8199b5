#include "readings/RunTexts.h"

#include <QCoreApplication>
#include <QLocale>

namespace tarvex {

QString runEndText(RunEnd end) {
    switch (end) {
    case RunEnd::Running:
        return QCoreApplication::translate("RunTexts", "running");
    case RunEnd::LoadOff:
        return QCoreApplication::translate("RunTexts", "Load OFF");
    case RunEnd::MinimumVoltage:
        return QCoreApplication::translate("RunTexts", "minimum voltage");
    case RunEnd::TimeLimit:
        return QCoreApplication::translate("RunTexts", "time limit");
    case RunEnd::ChargeLimit:
        return QCoreApplication::translate("RunTexts", "charge limit");
    case RunEnd::EnergyLimit:
        return QCoreApplication::translate("RunTexts", "energy limit");
    case RunEnd::Silence:
        return QCoreApplication::translate("RunTexts", "no answer from the load");
    case RunEnd::LinkLost:
        return QCoreApplication::translate("RunTexts", "link lost");
    case RunEnd::Closed:
        return QCoreApplication::translate("RunTexts", "program closed");
    case RunEnd::PortChanged:
        return QCoreApplication::translate("RunTexts", "port changed");
    case RunEnd::Unexpected:
        return QCoreApplication::translate("RunTexts", "ended unexpectedly");
    }
    return {};
}

QString runTimeText(const QDateTime& time) {
    if (!time.isValid())
        return {};
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString durationText(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

qint64 runDurationMs(const RunRecord& run) {
    if (!run.startedAt.isValid() || !run.endedAt.isValid())
        return 0;
    return std::max<qint64>(0, run.startedAt.msecsTo(run.endedAt));
}

QString ampHoursText(double ampHours) {
    return QLocale().toString(ampHours, 'f', 3) + QCoreApplication::translate("RunTexts", " Ah");
}

QString wattHoursText(double wattHours) {
    return QLocale().toString(wattHours, 'f', 2) + QCoreApplication::translate("RunTexts", " Wh");
}

QString voltsText(double volts) {
    return QLocale().toString(volts, 'f', 2) + QCoreApplication::translate("RunTexts", " V");
}

QString runLimitsText(const RunRecord& run) {
    QString text =
        QCoreApplication::translate("RunTexts", "minimum ") + voltsText(run.minimumVolts);
    if (run.limits.maxElapsedMs)
        text += QCoreApplication::translate("RunTexts", ", time ") +
                durationText(*run.limits.maxElapsedMs);
    if (run.limits.maxAmpHours)
        text += QCoreApplication::translate("RunTexts", ", charge ") +
                ampHoursText(*run.limits.maxAmpHours);
    if (run.limits.maxWattHours)
        text += QCoreApplication::translate("RunTexts", ", energy ") +
                wattHoursText(*run.limits.maxWattHours);
    return text;
}

QString runChoiceText(const RunRecord& run) {
    QStringList parts{runTimeText(run.startedAt)};
    if (!run.label.trimmed().isEmpty())
        parts << run.label.simplified();
    parts << ampHoursText(run.ampHours) << wattHoursText(run.wattHours) << runEndText(run.end);
    return parts.join(QStringLiteral("  "));
}

QList<std::pair<QString, QString>> runSummaryLines(const RunRecord& run) {
    QString readings = QLocale().toString(run.readings);
    if (run.readingsCleared)
        readings += QCoreApplication::translate("RunTexts", " (cleared from the table)");
    QString charge = ampHoursText(run.ampHours);
    if (run.uncountedMs > 0)
        charge += QCoreApplication::translate("RunTexts", " (%1 without readings not counted)")
                      .arg(durationText(run.uncountedMs));
    return {
        {QCoreApplication::translate("RunTexts", "Run"), QString::number(run.id)},
        {QCoreApplication::translate("RunTexts", "Label"), run.label},
        {QCoreApplication::translate("RunTexts", "Started"), runTimeText(run.startedAt)},
        {QCoreApplication::translate("RunTexts", "Ended"),
         run.endedAt.isValid() ? runTimeText(run.endedAt)
                               : QCoreApplication::translate("RunTexts", "not ended")},
        {QCoreApplication::translate("RunTexts", "Duration"), durationText(runDurationMs(run))},
        {QCoreApplication::translate("RunTexts", "Readings"), readings},
        {QCoreApplication::translate("RunTexts", "Charge"), charge},
        {QCoreApplication::translate("RunTexts", "Energy"), wattHoursText(run.wattHours)},
        {QCoreApplication::translate("RunTexts", "Start voltage"), voltsText(run.startVolts)},
        {QCoreApplication::translate("RunTexts", "End voltage"), voltsText(run.endVolts)},
        {QCoreApplication::translate("RunTexts", "Lowest voltage"), voltsText(run.lowestVolts)},
        {QCoreApplication::translate("RunTexts", "Limits"), runLimitsText(run)},
        {QCoreApplication::translate("RunTexts", "Ended by"), runEndText(run.end)},
    };
}

IdRange runReadingIds(const RunRecord& run, const QList<RunRecord>& runs) {
    if (run.firstId < 0 || run.lastId < run.firstId)
        return {};
    for (const RunRecord& later : runs)
        if (later.id > run.id && later.firstId >= 0 && later.firstId <= run.lastId)
            return {};
    return {run.firstId, run.lastId};
}

} // namespace tarvex
