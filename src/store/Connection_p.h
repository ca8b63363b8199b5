// Not part of the library's public interface.
//
// Inside the table engine: one connection to where an alias keeps its tables
// (the SQLite table file of its directory, or its schema on a PostgreSQL
// server), what differs between the two, and the engine's configuration as
// the data sets need it.
#pragma once

#include "store/TableEngine.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>
#include <optional>

class QSqlError;

namespace tarvex {

// The name of the table file in every alias directory.
inline constexpr char kTableFileName[] = "tables.db";

// Where an alias keeps its tables: a directory, or a schema on a server.
struct AliasPlace {
    QString alias;     // as stored
    QString directory; // for an alias of a directory
    std::optional<ServerAlias> server;
};

// Starts the engine if need be and says where the alias keeps its tables.
// Raises for an unknown alias, a directory alias without a PATH, one whose
// default driver (for TableType::Default) is neither that of the table file
// nor PostgreSQL, and a server alias that TableEngine::serverAlias refuses.
AliasPlace aliasPlace(const QString& alias, TableType type = TableType::Default);
// The directory of an alias of a directory; raises for any other.
QString aliasDirectory(const QString& alias, TableType type = TableType::Default);

// The Qt SQL driver the engine loads for table files.
QString engineDriverName();
// The error raised when a Qt SQL driver cannot be loaded.
DatabaseError driverMissing(const QString& driver);

// Quotes an SQL identifier.
QString quoteName(const QString& name);

// A connection of its own (every table and query has one), used on the thread
// that opened it. The data sets speak plain SQL through it; what the two
// kinds of storage do differently is asked of it.
class Connection {
public:
    // Opens where the alias keeps its tables. Without create, a directory
    // without a table file, or a server without the alias's schema, gives a
    // null pointer instead of being created.
    static std::unique_ptr<Connection> open(const QString& alias, bool create,
                                            TableType type = TableType::Default);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Where the tables are, as messages name it: the table file's directory,
    // or "schema bench1 of database lab on host db, port 5432".
    QString place() const { return m_place; }

    // A forward-only query, prepared with sql. Raises on failure, with the
    // context given (by default one that quotes the statement).
    QSqlQuery prepare(const QString& sql, const QString& context = QString()) const;
    // Runs a prepared query; raises with context on failure.
    void exec(QSqlQuery& query, const QString& context) const;
    // Runs and finishes a statement that returns nothing (also one that
    // cannot be prepared: BEGIN, SET, CREATE SCHEMA, LOCK TABLE).
    virtual void run(const QString& sql, const QString& context) const;

    // The error raised for a failed call.
    virtual DatabaseError error(const QSqlError& error, const QString& context) const = 0;

    // Table names, system tables left out.
    virtual QStringList tables() const = 0;
    // The stored name of a table matched without regard to case; raises when
    // there is none.
    QString resolveTable(const QString& name) const;

    struct Column {
        QString name;
        QString declaredType;
        int primaryKeyPosition = 0; // 1, 2, ... for the primary key's columns
        bool notNull = false;
    };
    virtual QList<Column> columns(const QString& storedTable) const = 0;
    // The declared type of a column of a new table.
    virtual QString declaredType(FieldType type, int size) const;
    // The name of a new table's primary key constraint: the index's name in
    // a table file; where names are the schema's, not the table's, one that
    // takes the table's name in.
    virtual QString primaryKeyName(const QString& table, const QString& index) const {
        Q_UNUSED(table);
        return index;
    }

    // Every row has an identity of the storage's own, read as a column of
    // this name (SQLite's rowid, PostgreSQL's ctid), as a number for
    // bookmarks (rowIdOf) and back as a value a statement takes (rowIdValue).
    // It stays as long as the row is not changed.
    virtual QString rowIdColumn() const = 0;
    virtual qint64 rowIdOf(const QVariant& stored) const = 0;
    virtual QVariant rowIdValue(qint64 rowId) const = 0;
    // What an INSERT statement ends with, so that insertedRowId reads the
    // identity of the row it stored (right after exec).
    virtual QString returningRowId() const = 0;
    virtual qint64 insertedRowId(QSqlQuery& insert) const = 0;

    // Starts a write transaction. With storedTable, one that keeps every
    // other connection from changing that table until it ends (readers go
    // on); a table file locks all its tables either way.
    virtual void beginWrite(const QString& storedTable, const QString& context) const = 0;

    // Claims the alias's tables for this connection for as long as it lives
    // (a schema on a server: a PostgreSQL advisory lock of the session keyed
    // on the schema's name). False when another connection holds the claim;
    // a table file has nothing to claim. Raises when the server cannot be
    // asked.
    virtual bool tryClaim();
    // The connection itself is gone (a server that went away): nothing on it
    // works again; a new connection is needed.
    virtual bool isLost() const;
    // A connection that only reads may map up to `bytes` of a table file
    // into memory, so that far rows cost no system calls; a server has
    // nothing to map.
    virtual void mapForReading(qint64 bytes, const QString& context) const;

protected:
    explicit Connection(QString place);
    // A fresh Qt SQL connection of the driver, of a name of its own.
    QSqlDatabase addDatabase(const QString& driver);

    QSqlDatabase m_db;

private:
    QString m_name;
    QString m_place;
};

// Field type and size from a column's declared type.
FieldType fieldTypeOf(const QString& declaredType, int* size);
// A value as the driver gave it, turned into what Field::value() gives.
QVariant fromStorage(FieldType type, const QVariant& stored);
// A value as Field::value() gives it, turned into what is stored.
QVariant toStorage(FieldType type, const QVariant& value);

// The two kinds of storage (Connection_sqlite.cpp, Connection_postgres.cpp).
std::unique_ptr<Connection> openTableFile(const AliasPlace& place, bool create);
std::unique_ptr<Connection> openServer(const AliasPlace& place, bool create);

} // namespace tarvex
