// What `tarvex run` writes while and after it runs: the status line, one JSON
// object per reading, and the summary (in words and as JSON). Pure
// functions, any thread; numbers in the C locale whatever the system's.
#pragma once

#include "store/RunRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace tarvex {

// The run as it stands after a reading.
struct RunProgress {
    qint64 elapsedMs = 0; // since Load ON
    qint64 takenAtMs = 0; // UTC, milliseconds since the epoch
    double volts = 0;
    double amps = 0;
    double watts = 0;
    double ampHours = 0; // drawn since Load ON
    double wattHours = 0;
    int readings = 0; // taken since Load ON
    RunLimits limits;
};

// How the run ended, as the program ends.
struct RunSummary {
    int exitStatus = 0;
    // Why it ended, in words: "minimum voltage 11.500 V reached", ...
    QString reason;
    RunRecord run;            // the stored run (its figures), or as taken when it is not stored
    bool stored = false;      // run holds the stored run's record
    int unstoredReadings = 0; // left waiting when the program ended
    bool loadMayStillBeOn = false;
};

// "12:03:45" (hours, minutes, seconds; hours past 99 as they come).
QString elapsedText(qint64 ms);
// "time 2:00:00, charge 1.500 Ah, energy 20.00 Wh"; "none" when no limit is armed.
QString limitsText(const RunLimits& limits);
// One line: elapsed, V, A, W, Ah, Wh, readings, the limits armed.
QString statusLineText(const RunProgress& progress);
// {"type":"reading",...} on one line, without its line end.
QByteArray readingJson(const RunProgress& progress);
// The summary as lines of text (each ended by a line end).
QString summaryText(const RunSummary& summary);
// {"type":"summary",...} on one line, without its line end.
QByteArray summaryJson(const RunSummary& summary);
// A run's figures as a JSON object (also `tarvex runs --json`).
QJsonObject runJson(const RunRecord& run);

} // namespace tarvex
