#include "readings/RunTexts.h"

#include <QLocale>

namespace tarvex {

QString runEndText(RunEnd end) {
    switch (end) {
    case RunEnd::Running:
        return QStringLiteral("running");
    case RunEnd::LoadOff:
        return QStringLiteral("Load OFF");
    case RunEnd::MinimumVoltage:
        return QStringLiteral("minimum voltage");
    case RunEnd::TimeLimit:
        return QStringLiteral("time limit");
    case RunEnd::ChargeLimit:
        return QStringLiteral("charge limit");
    case RunEnd::EnergyLimit:
        return QStringLiteral("energy limit");
    case RunEnd::Silence:
        return QStringLiteral("no answer from the load");
    case RunEnd::LinkLost:
        return QStringLiteral("link lost");
    case RunEnd::Closed:
        return QStringLiteral("program closed");
    case RunEnd::PortChanged:
        return QStringLiteral("port changed");
    case RunEnd::Unexpected:
        return QStringLiteral("ended unexpectedly");
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
    return QLocale().toString(ampHours, 'f', 3) + QStringLiteral(" Ah");
}

QString wattHoursText(double wattHours) {
    return QLocale().toString(wattHours, 'f', 2) + QStringLiteral(" Wh");
}

QString voltsText(double volts) {
    return QLocale().toString(volts, 'f', 2) + QStringLiteral(" V");
}

QString runLimitsText(const RunRecord& run) {
    QString text = QStringLiteral("minimum ") + voltsText(run.minimumVolts);
    if (run.limits.maxElapsedMs)
        text += QStringLiteral(", time ") + durationText(*run.limits.maxElapsedMs);
    if (run.limits.maxAmpHours)
        text += QStringLiteral(", charge ") + ampHoursText(*run.limits.maxAmpHours);
    if (run.limits.maxWattHours)
        text += QStringLiteral(", energy ") + wattHoursText(*run.limits.maxWattHours);
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
        readings += QStringLiteral(" (cleared from the table)");
    QString charge = ampHoursText(run.ampHours);
    if (run.uncountedMs > 0)
        charge +=
            QStringLiteral(" (%1 without readings not counted)").arg(durationText(run.uncountedMs));
    return {
        {QStringLiteral("Run"), QString::number(run.id)},
        {QStringLiteral("Label"), run.label},
        {QStringLiteral("Started"), runTimeText(run.startedAt)},
        {QStringLiteral("Ended"),
         run.endedAt.isValid() ? runTimeText(run.endedAt) : QStringLiteral("not ended")},
        {QStringLiteral("Duration"), durationText(runDurationMs(run))},
        {QStringLiteral("Readings"), readings},
        {QStringLiteral("Charge"), charge},
        {QStringLiteral("Energy"), wattHoursText(run.wattHours)},
        {QStringLiteral("Start voltage"), voltsText(run.startVolts)},
        {QStringLiteral("End voltage"), voltsText(run.endVolts)},
        {QStringLiteral("Lowest voltage"), voltsText(run.lowestVolts)},
        {QStringLiteral("Limits"), runLimitsText(run)},
        {QStringLiteral("Ended by"), runEndText(run.end)},
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
