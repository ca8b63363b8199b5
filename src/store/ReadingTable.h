// The reading table as every part of the program reaches it: the alias
// RoruvEde, the table Tarvex in its directory (or in the bench's schema on a
// PostgreSQL server, when the alias names one) with the table's fields and
// sizes, and the statement that lists its rows. At start the data directory,
// the alias and the table are made to exist; the reading log then appends
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
        Ready,       // directory (or schema), alias and table exist
        AliasFailed, // the alias could not be read or made; the table was not looked at
        // The alias names a server that could not be reached, or that
        // refused the schema or the table; the warning says which and why.
        ServerUnreachable,
        // The alias's schema on the server is claimed by another program's
        // reading log (two benches configured on one schema).
        SchemaInUse,
    };

    // Makes the data directory, the alias and the table exist, creating or
    // correcting what is missing or out of date; an existing table is used
    // unchanged.
    // - An alias that names a PostgreSQL server is used exactly as
    //   configured: there is no data directory to make and no PATH to
    //   correct, and the configuration file is neither changed nor saved. The
    //   schema and the table are made on the server if missing. Nothing is
    //   raised: a server that cannot be reached or used gives
    //   SetupResult::ServerUnreachable, a schema another program's reading
    //   log holds gives SetupResult::SchemaInUse, and warning (when given)
    //   receives the text that tells the operator, naming the server's host,
    //   port and database. Readings logged meanwhile wait (appendReading
    //   raises) until the server takes them.
    // - The directory cannot be created: raises StoreSetupError
    //   "Cannot create " + directory, before the alias is looked at.
    // - Any failure in the alias steps (engine missing or failing to start,
    //   configuration not writable, alias without parameters): returns
    //   SetupResult::AliasFailed at once; the table is not looked at. The
    //   caller tells the operator.
    // - A failure while listing or creating the table (for instance a damaged
    //   table file) raises the engine's DatabaseError.
    [[nodiscard]] static SetupResult setUp(const QString& dataDirectory = defaultDataDirectory(),
                                           QString* warning = nullptr);

    // Creates the table unless a table of that name (in any letter case)
    // exists. Raises the engine's DatabaseError on failure.
    static void createIfMissing();

    // Closes table and points it at the reading table of the alias.
    static void attach(Table& table);
    // Attaches the reading log's table. For an alias of a server it also
    // connects at once and claims the bench's schema for it (see
    // appendReading), so that a program started later on the same schema is
    // told so at its start; a server out of reach, or a claim held
    // elsewhere, is left for the first reading to find.
    static void attachLog(Table& table);

    // The statement that lists the rows: "select * from Tarvex". On a server,
    // which folds unquoted names to lower case and keeps rows in no order of
    // their own, the table's name is quoted and the rows ordered by ID.
    static QString statement();

    // Closes query, points it at the alias with the single statement above
    // and opens it on its first row. Raises the engine's DatabaseError when
    // the query cannot be opened; it is then closed.
    static void openQuery(Query& query);

    // Appends reading as one committed row of table (opening it first if need
    // be): ID one more than the largest ID stored (read through the primary
    // index; 0 for an empty table), the three texts as they are, and the date
    // of now. Raises when the engine fails; the row is then not stored and the
    // table is left ready for the next reading.
    // On a server, opening the table first makes the schema and the table
    // exist, then claims the schema for the table (Table::tryClaim) for as
    // long as it stays open: while another program's log holds the claim,
    // every reading raises, telling so, and nothing is written beside that
    // program's rows. A connection that broke is closed, so that the next
    // reading connects anew.
    static void appendReading(Table& table, const LoadReading& reading,
                              const QDateTime& now = QDateTime::currentDateTime());
};

} // namespace tarvex
