// Not part of the library's public interface.
//
// Inside the table engine: one SQLite connection to the table file of an
// alias directory, and the engine's configuration as the data sets need it.
#pragma once

#include "store/TableEngine.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>

class QSqlError;

namespace tarvex {

// The name of the table file in every alias directory.
inline constexpr char kTableFileName[] = "tables.db";

// Starts the engine if need be and returns the directory of the alias.
// Raises for an unknown alias, one without a PATH, or (for
// TableType::Default) one whose default driver is not that of the table file.
QString aliasDirectory(const QString& alias, TableType type = TableType::Default);

// The Qt SQL driver the engine loads.
QString engineDriverName();
// The error raised when that driver cannot be loaded.
DatabaseError driverMissing(const QString& driver);

// Quotes an SQL identifier.
QString quoteName(const QString& name);

class Connection {
public:
    // Opens the table file of the alias. Without createFile, a missing file
    // gives a null pointer instead of being created.
    static std::unique_ptr<Connection> open(const QString& alias, bool createFile,
                                            TableType type = TableType::Default);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QString fileName() const { return m_file; }

    // A forward-only query, prepared with sql. Raises on failure, with the
    // context given (by default one that quotes the statement).
    QSqlQuery prepare(const QString& sql, const QString& context = QString()) const;
    // Runs a prepared query; raises with context on failure.
    void exec(QSqlQuery& query, const QString& context) const;
    // Prepares, runs and finishes a statement that returns nothing.
    void run(const QString& sql, const QString& context) const;

    // The error raised for a failed SQLite call.
    DatabaseError error(const QSqlError& error, const QString& context) const;

    // Table names, system tables left out.
    QStringList tables() const;
    // The stored name of a table matched without regard to case; raises when
    // there is none.
    QString resolveTable(const QString& name) const;

    struct Column {
        QString name;
        QString declaredType;
        int primaryKeyPosition = 0; // 1, 2, ... for the primary key's columns
        bool notNull = false;
    };
    QList<Column> columns(const QString& storedTable) const;

private:
    Connection(QString name, QString file);
    QString m_name;
    QString m_file;
    QSqlDatabase m_db;
};

// Field type and size from a column's declared type.
FieldType fieldTypeOf(const QString& declaredType, int* size);
// A value as SQLite gave it, turned into what Field::value() gives.
QVariant fromStorage(FieldType type, const QVariant& stored);
// A value as Field::value() gives it, turned into what is stored.
QVariant toStorage(FieldType type, const QVariant& value);

} // namespace tarvex
