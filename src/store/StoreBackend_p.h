// Not part of the library's public interface.
//
// One connection to where the reading table lives, and what differs between
// a table file and a schema on a server: how a write transaction starts, the
// table's name in statements, the words of the errors, the claim and the
// time bounds. The statements themselves are the reading store's.
#pragma once

#include "store/ReadingStore.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <atomic>
#include <limits>
#include <memory>
#include <optional>

class QSqlError;

namespace tarvex {

// The bound every call of one ReadingStore keeps; set from any thread.
struct StoreDeadline {
    // QDeadlineTimer::deadline() of the bound (milliseconds of the monotonic
    // clock); the largest number for none.
    std::atomic<qint64> atMs{std::numeric_limits<qint64>::max()};

    // Milliseconds left until the bound, at most capMs (never below 0).
    int remainingMs(int capMs) const;
};

// Where the reading table lives, as the alias gives it.
struct StorePlace {
    QString directory;                 // an alias of a directory: its table file is here
    std::optional<ServerAlias> server; // an alias of a server
};

class StoreBackend {
public:
    virtual ~StoreBackend();
    StoreBackend(const StoreBackend&) = delete;
    StoreBackend& operator=(const StoreBackend&) = delete;

    // Where the table is, as messages name it: "the table file
    // /x/Table/tables.db", "schema b1 of database lab on host db, port 5432".
    const QString& place() const { return m_place; }
    // The table's name for statements: as stored, quoted, and on a server
    // qualified by its schema.
    const QString& table() const { return m_table; }
    // The tables beside it, quoted and qualified as table() is: the runs
    // and the time of each stored reading.
    const QString& runsTable() const { return m_runsTable; }
    const QString& timesTable() const { return m_timesTable; }

    // A statement prepared once for this connection and kept (forward only).
    QSqlQuery& prepared(const QString& sql, const QString& context);
    // Runs a prepared query within the time bound; raises with context.
    void exec(QSqlQuery& query, const QString& context);
    // Runs a statement that returns nothing and need not be prepared
    // (BEGIN, COMMIT, SAVEPOINT).
    void run(const QString& sql, const QString& context);

    // Starts a write transaction that keeps every other writer out.
    virtual void beginWrite(const QString& context) = 0;
    // The error raised for a failed call.
    virtual DatabaseError error(const QSqlError& error, const QString& context) const = 0;
    // The connection itself is gone (a server that went away or stopped
    // answering): nothing on it works again.
    virtual bool isLost() const { return false; }
    // Whether this program holds the table's claim, taking it (through this
    // connection) when nobody does; false when another program holds it.
    // Raises when the server cannot be asked.
    virtual bool claim() = 0;
    // The text that tells the operator that another program holds it.
    virtual QString claimedElsewhere() const = 0;

protected:
    StoreBackend(QString place, std::shared_ptr<StoreDeadline> deadline);
    // A fresh Qt SQL connection of the driver, of a name of its own.
    QSqlDatabase addDatabase(const QString& driver);
    // Finds the table (its name matched without regard to case) and keeps its
    // name; with create, makes it when it is missing, and the tables Runs
    // and ReadingTimes too.
    void findTable(bool create);
    // The names of the tables there, and the statement that makes the table.
    virtual QStringList tableNames() = 0;
    virtual QString createTableSql() const = 0;
    virtual QString qualified(const QString& storedName) const = 0;
    // Called around each statement: the time bound for it is set and lifted.
    virtual void statementStarts() {}
    virtual void statementEnded() {}

    QSqlDatabase m_db;
    std::shared_ptr<StoreDeadline> m_deadline;

private:
    QString m_place;
    QString m_table;
    QString m_runsTable;
    QString m_timesTable;
    QString m_name;
    QHash<QString, QSqlQuery> m_prepared;
};

// Quotes an SQL identifier.
QString quoteName(const QString& name);

// Opens the table file of directory (creating file and table with create).
// driver: the Qt SQL driver of table files.
std::unique_ptr<StoreBackend> openTableFile(const QString& directory, const QString& driver,
                                            bool create, std::shared_ptr<StoreDeadline> deadline);
// Connects to the server's schema (creating schema and table with create).
std::unique_ptr<StoreBackend> openServer(const ServerAlias& server, bool create,
                                         std::shared_ptr<StoreDeadline> deadline);
// Lets go of every claim of a table file this program holds.
void releaseTableFileClaims();
// A store's deadline moved: the watchdog of server statements looks again.
void wakeStatementWatchdog();
// Whether the driver can be loaded.
bool driverLoads(const QString& driver);

} // namespace tarvex
