// The reading table as every part of the program reaches it: the alias
// RoruvEde, the table Tarvex in its directory with the table's fields and
// sizes, and the statement that lists its rows. At start the data directory,
// the alias and the table are made to exist; the control window then appends
// every accepted reading as one row through a table attached here, and the
// query window, the report and the export read the rows through a query
// opened here.
#pragma once

#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "store/Query.h"
#include "store/Table.h"
#include "store/TableEngine.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace tarvex {

class ReadingTable {
public:
    ReadingTable() = delete;

    static constexpr char kAlias[] = "RoruvEde";
    static constexpr char kTableName[] = "Tarvex";
    static constexpr char kStatement[] = "select * from Tarvex";

    // The table's fields in stored order: ID (integer), VolVal, CurVal and
    // PowVal (texts of 10 characters) and TestDate (date).
    static QList<FieldDef> fields();
    // Its one index: IndexID, primary and unique, on ID.
    static QList<IndexDef> indexes();

    // Where the reading table is kept: "Table" in the program's directory
    // when this user may write there (a program run from its build tree or
    // copied to a directory of its own keeps its table beside it), otherwise
    // "Table" in the user's data directory (QStandardPaths::AppDataLocation,
    // e.g. ~/.local/share/TarvexVol/Table), as for a program installed under
    // /usr/bin. The program's directory counts as writable when its file
    // system and its permission bits let this user write to it (a
    // superuser's right to write anywhere does not count, its ownership
    // does). programDirectory empty: the directory of the program file.
    static QString defaultDataDirectory(const QString& programDirectory = {});

    enum class SetupResult {
        Ready,       // directory, alias and table exist
        AliasFailed, // the alias could not be read or made; the table was not looked at
    };

    // Makes the data directory, the alias and the table exist, creating or
    // correcting what is missing or out of date; an existing table is used
    // unchanged.
    // - The directory cannot be created: raises StoreSetupError
    //   "Cannot create " + directory, before the alias is looked at.
    // - Any failure in the alias steps (engine missing or failing to start,
    //   configuration not writable, alias without parameters): returns
    //   SetupResult::AliasFailed at once; the table is not looked at. The
    //   caller tells the operator.
    // - A failure while listing or creating the table (for instance a damaged
    //   table file) raises the engine's DatabaseError.
    [[nodiscard]] static SetupResult setUp(const QString& dataDirectory = defaultDataDirectory());

    // Creates the table unless a table of that name (in any letter case)
    // exists. Raises the engine's DatabaseError on failure.
    static void createIfMissing();

    // Closes table and points it at the reading table of the alias.
    static void attach(Table& table);

    // Closes query, points it at the alias with the single statement
    // "select * from Tarvex" and opens it on its first row. Raises the
    // engine's DatabaseError when the query cannot be opened; it is then
    // closed.
    static void openQuery(Query& query);

    // Appends reading as one committed row of table (opening it first if need
    // be): ID one more than the largest ID stored (read through the primary
    // index; 0 for an empty table), the three texts as they are, and the date
    // of now. Raises when the engine fails; the row is then not stored and the
    // table is left ready for the next reading.
    static void appendReading(Table& table, const LoadReading& reading,
                              const QDateTime& now = QDateTime::currentDateTime());
};

} // namespace tarvex
