// The reading store as the control window uses it: at start the data
// directory, the alias RoruvEde and the reading table Tarvex are made to
// exist; every accepted reading is then appended as one row.
#pragma once

#include "errors/Errors.h"
#include "protocol/LoadReading.h"
#include "store/ReadingTable.h"
#include "store/TableEngine.h"

#include <QDateTime>
#include <QString>

#include <stdexcept>

namespace tarvex {

// The directory of the program file followed by "/Table".
QString DefaultDataDirectory();

// Makes the data directory, the alias and the reading table exist, creating
// or correcting what is missing or out of date; an existing table is used
// unchanged.
// - The directory cannot be created: raises StoreSetupError
//   "Cannot create " + directory, before the alias is looked at.
// - Any failure in the alias steps (engine missing or failing to start,
//   configuration not writable, alias without parameters): shows the warning
//   "Have no install BDE ,Please insatll !" and returns; the table is not
//   looked at.
// - A failure while listing or creating the table (for instance a damaged
//   table file) raises the engine's DatabaseError.
void PrepareStore(const QString& dataDirectory = DefaultDataDirectory());

// Creates the reading table unless a table of that name (in any letter case)
// exists. Raises the engine's DatabaseError on failure.
void CreateTableIfMissing();

// Appends reading as one committed row of table (opening it first if need
// be): ID one more than the largest ID stored (read through the primary
// index; 0 for an empty table), the three texts as they are, and the date of
// now. Raises when the engine fails; the row is then not stored and the table
// is left ready for the next reading.
void LogReading(TTable& table, const LoadReading& reading,
                const QDateTime& now = QDateTime::currentDateTime());

} // namespace tarvex
