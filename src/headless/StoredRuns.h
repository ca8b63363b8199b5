// The stored runs from the command line: `tarvex runs` lists them and
// `tarvex export` writes one of them as a file; `tarvex run` writes its own
// run the same way. No window, no display; the main thread.
#pragma once

#include "store/RunRecord.h"

#include <QList>
#include <QString>

namespace tarvex {

class ReadingStore;

// A run's readings as CSV (RFC 4180: UTF-8, CR LF, a header line):
// ID, TakenAt (UTC, ISO 8601 with milliseconds), ElapsedMs (since Load ON),
// Volts, Amps, Watts - one line per reading, in ID order. Written through
// QSaveFile: the file is whole or, on failure, left as it was. Raises Error
// naming the file and the reason.
void writeRunCsv(const QList<RunReading>& readings, const QString& path);

// The runs as `tarvex runs` shows them: a table with a header line, or one
// JSON object per line (json).
QString runsListing(const QList<RunRecord>& runs, bool json);

// The commands. dataDirectory: where the reading table is kept (the alias is
// made to point there, as at every start). Each returns the exit status: 0
// done, 1 the table or the file failed (the reason is on the error output).
int listRuns(const QString& dataDirectory, bool json);
int exportRun(const QString& dataDirectory, qint64 runId, const QString& csvFile,
              const QString& bdfFile);

// Writes run from store into csvFile and/or bdfFile (empty: not written);
// false when one failed, with the reason on the error output.
bool writeRunFiles(ReadingStore& store, const RunRecord& run, const QString& csvFile,
                   const QString& bdfFile);

} // namespace tarvex
