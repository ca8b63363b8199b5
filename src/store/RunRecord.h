// A run: what one discharge delivered and why it ended, as the table Runs
// keeps it beside the reading table. Each Load ON starts one; its readings are
// the rows FirstID..LastID of the reading table (one program logs into a
// table at a time, so a run's rows follow each other), and ReadingTimes holds
// each of those rows' time of day and time since Load ON.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace tarvex {

// How a run ended. Stored as a stable English key (runEndKey()), never as a
// number or a translated text, so that other programs and later versions read
// the same.
enum class RunEnd {
    Running,          // not ended (yet): the run is going on, or was cut off
    LoadOff,          // the operator's Load OFF
    MinimumVoltage,   // a reading at or below the minimum voltage
    TimeLimit,        // the elapsed-time limit
    ChargeLimit,      // the charge (Ah) limit
    EnergyLimit,      // the energy (Wh) limit
    Silence,          // the load stopped answering (the silence fail-safe)
    LinkLost,         // the link was lost and the run ended without it
    Closed,           // the program was closed (Close, SIGTERM, SIGINT, SIGHUP)
    PortChanged,      // Setting -> OK changed the port while the load was on
    Unexpected,       // found unended at the next start (kill -9, power cut)
};

// "running", "load off", "minimum voltage", "time limit", "charge limit",
// "energy limit", "silence", "link lost", "closed", "port changed",
// "ended unexpectedly".
QString runEndKey(RunEnd end);
// The key back; nothing for a text that is no key.
std::optional<RunEnd> runEndFromKey(const QString& key);

// The optional limits of a run, beside the minimum voltage.
struct RunLimits {
    std::optional<qint64> maxElapsedMs;
    std::optional<double> maxAmpHours;
    std::optional<double> maxWattHours;

    bool any() const { return maxElapsedMs || maxAmpHours || maxWattHours; }
    friend bool operator==(const RunLimits&, const RunLimits&) = default;
};

// What is known when a run begins (Load ON).
struct RunStart {
    QDateTime startedAt; // UTC
    double minimumVolts = 0;
    int pollIntervalMs = 0;
    QString port;
    QString label;
    RunLimits limits;
};

// One run as stored.
struct RunRecord {
    qint64 id = 0;
    QDateTime startedAt; // UTC, milliseconds
    QDateTime endedAt;   // invalid while the run has not ended
    qint64 firstId = -1; // -1 while no reading is stored
    qint64 lastId = -1;
    int readings = 0;
    RunEnd end = RunEnd::Running;
    double ampHours = 0;
    double wattHours = 0;
    double startVolts = 0;
    double endVolts = 0;
    double lowestVolts = 0;
    double minimumVolts = 0;
    int pollIntervalMs = 0;
    QString port;
    QString label;
    RunLimits limits;
    qint64 uncountedMs = 0;       // time in gaps the charge did not bridge
    bool readingsCleared = false; // Clear deleted its readings
};

// One reading of a run as read back for a chart or a file: numbers, with the
// reading's times.
struct RunReading {
    qint64 id = 0;
    qint64 takenAtMs = 0; // UTC, milliseconds since the epoch
    qint64 elapsedMs = 0; // since Load ON
    double volts = 0;
    double amps = 0;
    double watts = 0;
};

} // namespace tarvex
