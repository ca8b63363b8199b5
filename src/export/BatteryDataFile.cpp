#include "export/BatteryDataFile.h"

#include "errors/Errors.h"
#include "store/RunFigures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace tarvex {

namespace {

// Readings between two progress calls.
constexpr qsizetype kProgressReadings = 4096;

const char kLineEnd[] = "\r\n";

// A number in the shortest fixed form that reads back as the same double
// ("12.34", "-1", "100000", "0"); never "-0" or an exponent.
void appendShortest(QByteArray& out, double value) {
    if (value == 0 || !std::isfinite(value)) {
        out += std::isfinite(value) ? "0" : "";
        return;
    }
    char text[352]; // room for any double in fixed form
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    out.append(text, ec == std::errc() ? end - text : 0);
}

// value with exactly decimals decimals ("0.0012500"); never "-0.000".
void appendFixed(QByteArray& out, double value, int decimals) {
    if (!std::isfinite(value))
        return;
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return;
    const char* begin = text;
    if (*begin == '-' && std::all_of(begin + 1, static_cast<const char*>(end),
                                     [](char c) { return c == '0' || c == '.'; }))
        ++begin;
    out.append(begin, end - begin);
}

// Milliseconds as seconds with three decimals ("12.345", "-0.005"), exactly.
void appendMilliseconds(QByteArray& out, qint64 ms) {
    if (ms < 0) {
        out += '-';
        ms = -ms;
    }
    out += QByteArray::number(ms / 1000);
    const int fraction = int(ms % 1000);
    const char digits[] = {'.', char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                           char('0' + fraction % 10)};
    out.append(digits, sizeof digits);
}

QJsonValue optionalNumber(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString isoTime(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QJsonDocument metadata(const RunRecord& run, const BdfEquipment& equipment, const QString& csvPath,
                       qsizetype rows) {
    QJsonObject equipmentObject{
        {"program", equipment.program},
        {"version", equipment.version},
        {"port", equipment.port.isEmpty() ? run.port : equipment.port},
        {"poll_interval_ms",
         equipment.pollIntervalMs > 0 ? equipment.pollIntervalMs : run.pollIntervalMs},
    };
    QJsonObject limits{
        {"minimum_voltage_volt", run.minimumVolts},
        {"test_time_second", run.limits.maxElapsedMs
                                 ? QJsonValue(double(*run.limits.maxElapsedMs) / 1000)
                                 : QJsonValue(QJsonValue::Null)},
        {"discharging_capacity_ah", optionalNumber(run.limits.maxAmpHours)},
        {"discharging_energy_wh", optionalNumber(run.limits.maxWattHours)},
    };
    QJsonObject signs{
        {"current_ampere", "negative while the cell discharges"},
        {"power_watt", "negative while the cell discharges (voltage times current)"},
        {"discharging_capacity_ah", "positive, counting up from 0 at Load ON"},
        {"discharging_energy_wh", "positive, counting up from 0 at Load ON"},
    };
    QJsonObject figures{
        {"run_id", double(run.id)},
        {"readings", run.readings},
        {"discharging_capacity_ah", run.ampHours},
        {"discharging_energy_wh", run.wattHours},
        {"start_voltage_volt", run.startVolts},
        {"end_voltage_volt", run.endVolts},
        {"lowest_voltage_volt", run.lowestVolts},
        {"uncounted_time_second", double(run.uncountedMs) / 1000},
        {"readings_cleared", run.readingsCleared},
    };
    QJsonObject root{
        {"format", "Battery Data Format"},
        {"data_file", QFileInfo(csvPath).fileName()},
        {"columns", QJsonArray::fromStringList(bdfColumns())},
        {"data_rows", double(rows)},
        {"label", run.label},
        {"start_time", isoTime(run.startedAt)},
        {"end_time",
         run.endedAt.isValid() ? QJsonValue(isoTime(run.endedAt)) : QJsonValue(QJsonValue::Null)},
        {"stop_reason", runEndKey(run.end)},
        {"equipment", equipmentObject},
        {"limits", limits},
        {"sign_convention", signs},
        {"run", figures},
    };
    return QJsonDocument(root);
}

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw ExportError(
        QCoreApplication::translate("BatteryDataFile", "The file %1 could not be written: %2")
            .arg(QDir::toNativeSeparators(path), reason));
}

void openOrFail(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly))
        fail(file.fileName(), file.errorString());
}

void writeOrFail(QSaveFile& file, const QByteArray& bytes) {
    if (file.write(bytes) != bytes.size())
        fail(file.fileName(), file.errorString());
}

} // namespace

QStringList bdfColumns() {
    return {QStringLiteral("Test Time / s"),
            QStringLiteral("Unix Time / s"),
            QStringLiteral("Voltage / V"),
            QStringLiteral("Current / A"),
            QStringLiteral("Power / W"),
            QStringLiteral("Step Count / 1"),
            QStringLiteral("Discharging Capacity / Ah"),
            QStringLiteral("Discharging Energy / Wh")};
}

bool writeBatteryDataFile(const RunRecord& run, const QList<RunReading>& readings,
                          const BdfEquipment& equipment, const QString& csvPath,
                          const std::function<bool(qint64 done, qint64 total)>& progress) {
    const qint64 total = readings.size();
    RunFigures tally(equipment.pollIntervalMs > 0 ? equipment.pollIntervalMs : run.pollIntervalMs);

    QSaveFile csv(csvPath);
    openOrFail(csv);
    QByteArray buffer = bdfColumns().join(QLatin1Char(',')).toUtf8() + kLineEnd;
    buffer.reserve(kProgressReadings * 96);
    for (qsizetype i = 0; i < readings.size(); ++i) {
        const RunReading& r = readings[i];
        tally.add(r.id, r.elapsedMs, r.volts, r.amps, r.watts);
        appendMilliseconds(buffer, r.elapsedMs);
        buffer += ',';
        appendMilliseconds(buffer, r.takenAtMs);
        buffer += ',';
        appendShortest(buffer, r.volts);
        buffer += ',';
        appendShortest(buffer, -r.amps);
        buffer += ',';
        appendShortest(buffer, -r.watts);
        buffer += ",1,";
        appendFixed(buffer, tally.ampHours(), 7);
        buffer += ',';
        appendFixed(buffer, tally.wattHours(), 7);
        buffer += kLineEnd;
        if ((i + 1) % kProgressReadings == 0) {
            writeOrFail(csv, buffer);
            buffer.resize(0);
            if (progress && !progress(i + 1, total)) {
                csv.cancelWriting();
                return false;
            }
        }
    }
    writeOrFail(csv, buffer);

    QSaveFile json(bdfMetadataPath(csvPath));
    openOrFail(json);
    writeOrFail(json, metadata(run, equipment, csvPath, total).toJson(QJsonDocument::Indented));
    if (progress && !progress(total, total)) {
        csv.cancelWriting();
        json.cancelWriting();
        return false;
    }
    // The data first, then its description; a description that cannot take
    // its place takes the new data file with it.
    if (!csv.commit())
        fail(csvPath, csv.errorString());
    if (!json.commit()) {
        QFile::remove(csvPath);
        fail(json.fileName(), json.errorString());
    }
    return true;
}

QString bdfMetadataPath(const QString& csvPath) {
    QString base = csvPath;
    if (base.endsWith(QLatin1String(".bdf.csv"), Qt::CaseInsensitive))
        base.chop(8);
    else if (base.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".bdf.metadata.json");
}

QString bdfFileName(const RunRecord& run) {
    QString name = QStringLiteral("run %1").arg(run.id);
    const QString label = run.label.simplified();
    if (!label.isEmpty())
        name += QLatin1Char(' ') + label;
    for (QChar& c : name)
        if (c == u'/' || c.category() == QChar::Other_Control)
            c = u'_';
    return name + QStringLiteral(".bdf.csv");
}

} // namespace tarvex
