// A run written out in the Battery Data Format of the Battery Data Alliance,
// which analysis tools read: a CSV file "name.bdf.csv" with one line per
// reading, and beside it "name.bdf.metadata.json" telling what the file holds.
//
// The CSV file: UTF-8, a header line, lines ended by CR LF, numbers in their
// plain form whatever the locale (a point for decimals), columns
//   Test Time / s               time since Load ON, to the millisecond
//   Unix Time / s               when the reading was taken (UTC), to the ms
//   Voltage / V                 as the load reported it
//   Current / A                 negative while the cell discharges
//   Power / W                   negative while the cell discharges (V x I)
//   Step Count / 1              1: the run is one discharge step
//   Discharging Capacity / Ah   charge drawn since Load ON, counting up (7 decimals)
//   Discharging Energy / Wh     energy drawn since Load ON, counting up (7 decimals)
// The charge and energy integrate the readings by the trapezoid rule over
// their times since Load ON; two readings more than three poll intervals
// apart (the load silent, the link lost) are not joined: RunFigures counts
// them, as it counts the run's own figures.
//
// The metadata file (JSON, UTF-8): the file's format, columns and number of
// data rows, the run's label, start and end (UTC, ISO 8601; end null while
// the run has not ended), why it ended (the stored stop reason), the
// equipment (program, version, port, poll interval), the limits (the minimum
// voltage; null for a limit not armed), the run's figures as stored and the
// sign convention.
#pragma once

#include "store/RunRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tarvex {

// What took the readings.
struct BdfEquipment {
    QString program;
    QString version;
    QString port;           // empty: the run's port
    int pollIntervalMs = 0; // 0: the run's poll interval
};

// The column titles of the CSV file, in order.
QStringList bdfColumns();

// Writes csvPath (…/name.bdf.csv) and beside it bdfMetadataPath(csvPath),
// each through QSaveFile: a file already there is replaced only once its
// successor is whole. readings are the run's readings in ID order.
// progress(done, total) is called now and then (every few thousand readings
// and at the end) with readings done of readings.size(); returning false
// cancels: nothing is left behind and existing files stay as they were.
// Returns true when both files are written, false when cancelled. Raises
// ExportError naming the file and the reason when one cannot be written;
// existing files are then left as they were, but for one case: when the
// metadata file cannot take its place at the very end, the new data file is
// removed (no data file stays without its description). Any thread; blocks
// until done.
bool writeBatteryDataFile(const RunRecord& run, const QList<RunReading>& readings,
                          const BdfEquipment& equipment, const QString& csvPath,
                          const std::function<bool(qint64 done, qint64 total)>& progress = {});

// The metadata file beside a data file: name.bdf.csv -> name.bdf.metadata.json
// (a name ending in ".csv" alone, or in neither, gets ".bdf.metadata.json"
// in place of ".csv" or added).
QString bdfMetadataPath(const QString& csvPath);

// A file name proposed for a run's data file: "run 12 cell A.bdf.csv", the
// label left out when there is none; characters a file name cannot hold
// ('/', NUL) and other control characters become '_'.
QString bdfFileName(const RunRecord& run);

} // namespace tarvex
