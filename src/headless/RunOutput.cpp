#include "headless/RunOutput.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QStringList>

namespace tarvex {

namespace {

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QJsonValue timeJson(const QDateTime& time) {
    return time.isValid() ? QJsonValue(time.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

QJsonValue optionalJson(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

QString elapsedText(qint64 ms) {
    const qint64 seconds = std::max<qint64>(ms, 0) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString limitsText(const RunLimits& limits) {
    QStringList parts;
    if (limits.maxElapsedMs)
        parts << QCoreApplication::translate("RunOutput", "time %1")
                     .arg(elapsedText(*limits.maxElapsedMs));
    if (limits.maxAmpHours)
        parts << QCoreApplication::translate("RunOutput", "charge %1 Ah")
                     .arg(number(*limits.maxAmpHours, 3));
    if (limits.maxWattHours)
        parts << QCoreApplication::translate("RunOutput", "energy %1 Wh")
                     .arg(number(*limits.maxWattHours, 2));
    return parts.isEmpty() ? QCoreApplication::translate("RunOutput", "none")
                           : parts.join(QCoreApplication::translate("RunOutput", ", "));
}

QString statusLineText(const RunProgress& p) {
    return QCoreApplication::translate(
               "RunOutput", "%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 readings  limits: %8")
        .arg(elapsedText(p.elapsedMs), number(p.volts, 3), number(p.amps, 3), number(p.watts, 2),
             number(p.ampHours, 4), number(p.wattHours, 3))
        .arg(p.readings)
        .arg(limitsText(p.limits));
}

QByteArray readingJson(const RunProgress& p) {
    const QJsonObject object{
        {QStringLiteral("type"), QStringLiteral("reading")},
        {QStringLiteral("reading"), p.readings},
        {QStringLiteral("elapsedMs"), p.elapsedMs},
        {QStringLiteral("takenAt"), timeJson(QDateTime::fromMSecsSinceEpoch(p.takenAtMs, Qt::UTC))},
        {QStringLiteral("volts"), p.volts},
        {QStringLiteral("amps"), p.amps},
        {QStringLiteral("watts"), p.watts},
        {QStringLiteral("ampHours"), p.ampHours},
        {QStringLiteral("wattHours"), p.wattHours},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject runJson(const RunRecord& run) {
    return QJsonObject{
        {QStringLiteral("runId"), run.id},
        {QStringLiteral("label"), run.label},
        {QStringLiteral("port"), run.port},
        {QStringLiteral("startedAt"), timeJson(run.startedAt)},
        {QStringLiteral("endedAt"), timeJson(run.endedAt)},
        {QStringLiteral("end"), runEndKey(run.end)},
        {QStringLiteral("readings"), run.readings},
        {QStringLiteral("firstId"), run.firstId},
        {QStringLiteral("lastId"), run.lastId},
        {QStringLiteral("ampHours"), run.ampHours},
        {QStringLiteral("wattHours"), run.wattHours},
        {QStringLiteral("startVolts"), run.startVolts},
        {QStringLiteral("endVolts"), run.endVolts},
        {QStringLiteral("lowestVolts"), run.lowestVolts},
        {QStringLiteral("minimumVolts"), run.minimumVolts},
        {QStringLiteral("pollIntervalMs"), run.pollIntervalMs},
        {QStringLiteral("maxElapsedMs"),
         run.limits.maxElapsedMs ? QJsonValue(*run.limits.maxElapsedMs) : QJsonValue()},
        {QStringLiteral("maxAmpHours"), optionalJson(run.limits.maxAmpHours)},
        {QStringLiteral("maxWattHours"), optionalJson(run.limits.maxWattHours)},
        {QStringLiteral("uncountedMs"), run.uncountedMs},
        {QStringLiteral("readingsCleared"), run.readingsCleared},
    };
}

QString summaryText(const RunSummary& s) {
    const RunRecord& r = s.run;
    const qint64 duration =
        r.startedAt.isValid() && r.endedAt.isValid() ? r.startedAt.msecsTo(r.endedAt) : 0;
    QString text = QCoreApplication::translate("RunOutput", "Run ended: %1 (exit status %2)\n")
                       .arg(s.reason)
                       .arg(s.exitStatus);
    if (s.stored)
        text += QCoreApplication::translate("RunOutput", "Run %1%2 stored\n")
                    .arg(r.id)
                    .arg(r.label.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(r.label));
    text += QCoreApplication::translate("RunOutput", "Duration %1, %2 readings, %3 Ah, %4 Wh\n")
                .arg(elapsedText(duration))
                .arg(r.readings)
                .arg(number(r.ampHours, 4), number(r.wattHours, 3));
    if (r.readings > 0)
        text += QCoreApplication::translate(
                    "RunOutput", "Voltage: start %1 V, end %2 V, lowest %3 V (minimum %4 V)\n")
                    .arg(number(r.startVolts, 3), number(r.endVolts, 3), number(r.lowestVolts, 3),
                         number(r.minimumVolts, 3));
    if (s.unstoredReadings > 0)
        text += QCoreApplication::translate(
                    "RunOutput", "%1 readings could not be stored; they are kept for the next "
                                 "start of the program\n")
                    .arg(s.unstoredReadings);
    if (s.loadMayStillBeOn)
        text += QCoreApplication::translate(
                    "RunOutput", "THE LOAD ON %1 MAY STILL BE ON: switch it off at the load\n")
                    .arg(r.port);
    return text;
}

QByteArray summaryJson(const RunSummary& s) {
    const QJsonObject object{
        {QStringLiteral("type"), QStringLiteral("summary")},
        {QStringLiteral("exitStatus"), s.exitStatus},
        {QStringLiteral("reason"), s.reason},
        {QStringLiteral("stored"), s.stored},
        {QStringLiteral("unstoredReadings"), s.unstoredReadings},
        {QStringLiteral("loadMayStillBeOn"), s.loadMayStillBeOn},
        {QStringLiteral("run"), runJson(s.run)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace tarvex
