// A run as the windows and the report tell it: why it ended in the
// operator's words, its times, duration, figures and limits, the entry the
// query window's run chooser shows, and which stored rows are its readings.
// Numbers are in QLocale()'s form; times are local.
#pragma once

#include "store/RunRecord.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace tarvex {

// Why a run ended: "Load OFF", "minimum voltage", "time limit", "charge
// limit", "energy limit", "no answer from the load", "link lost",
// "program closed", "port changed", "ended unexpectedly", "running".
QString runEndText(RunEnd end);

// A time of day as the windows show it: "2026-12-11 09:30:05" in local time;
// empty for an invalid time.
QString runTimeText(const QDateTime& time);

// An elapsed time as hours, minutes and seconds: "0:00:05", "26:03:04".
QString durationText(qint64 ms);

// How long the run took: from its start to its end (or to its last reading
// when it has not ended); 0 when neither is known.
qint64 runDurationMs(const RunRecord& run);

// "1.234 Ah", "14.20 Wh", "12.34 V".
QString ampHoursText(double ampHours);
QString wattHoursText(double wattHours);
QString voltsText(double volts);

// The limits of the run: "minimum 10.50 V" followed by those armed, ", time
// 1:30:00", ", charge 1.800 Ah", ", energy 20.00 Wh".
QString runLimitsText(const RunRecord& run);

// The run chooser's entry: "2026-12-11 09:30:05  cell A  1.234 Ah  14.20 Wh
// minimum voltage" (two blanks between the parts; no label part without a
// label).
QString runChoiceText(const RunRecord& run);

// The lines of a run's summary, each a caption and its value: Run, Label,
// Started, Ended, Duration, Readings, Charge, Energy, Start voltage, End
// voltage, Lowest voltage, Limits, Ended by.
QList<std::pair<QString, QString>> runSummaryLines(const RunRecord& run);

// The stored rows that are a run's readings, by ID, both ends included.
struct IdRange {
    qint64 first = 0;
    qint64 last = -1; // below first: no rows
    bool isEmpty() const { return last < first; }
    friend bool operator==(const IdRange&, const IdRange&) = default;
};

// The IDs of run's readings among runs (all runs of the table): FirstID to
// LastID, or none when the run stored no reading, or when a later run's
// readings begin at or before its LastID (a Clear of every row began the
// numbering again, so those IDs are another run's now).
IdRange runReadingIds(const RunRecord& run, const QList<RunRecord>& runs);

} // namespace tarvex
