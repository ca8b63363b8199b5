// Inside the table engine: one SQLite connection to the table file of an
// alias directory, and the engine's configuration as the data sets need it.
#pragma once

#include "store/TableEngine.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace tarvex {

// Starts the engine if need be and returns the directory of the alias.
// Raises for an unknown alias, one without a PATH, or one whose driver is not
// Paradox (for ttDefault) or a table type other than Paradox.
QString AliasDirectory(const QString& alias, TTableType type = TTableType::ttDefault);

// Quotes an SQL identifier.
QString QuoteName(const QString& name);

class TConnection {
public:
    // Opens the table file of the alias. Without createFile, a missing file
    // gives a null pointer instead of being created.
    static std::unique_ptr<TConnection> Open(const QString& alias, bool createFile,
                                             TTableType type = TTableType::ttDefault);
    ~TConnection();
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    QString FileName() const { return m_file; }

    // A forward-only query, prepared with sql. Raises on failure, with the
    // context given (by default one that quotes the statement).
    QSqlQuery Prepare(const QString& sql, const QString& context = QString()) const;
    // Runs a prepared query; raises with context on failure.
    void Exec(QSqlQuery& query, const QString& context) const;
    // Prepares, runs and finishes a statement that returns nothing.
    void Run(const QString& sql, const QString& context) const;

    // The error raised for a failed SQLite call.
    DatabaseError Error(const class QSqlError& error, const QString& context) const;

    // Table names, system tables left out.
    QStringList Tables() const;
    // The stored name of a table matched without regard to case; raises when
    // there is none.
    QString ResolveTable(const QString& name) const;

    struct Column {
        QString name;
        QString declaredType;
        int primaryKeyPosition = 0; // 1, 2, ... for the primary key's columns
        bool notNull = false;
    };
    QList<Column> Columns(const QString& storedTable) const;

private:
    TConnection(QString name, QString file);
    QString m_name;
    QString m_file;
    QSqlDatabase m_db;
};

// Field type and size from a column's declared type.
TFieldType FieldTypeOf(const QString& declaredType, int* size);
// A value as SQLite gave it, turned into what TField::Value gives.
QVariant FromStorage(TFieldType type, const QVariant& stored);
// A value as TField::Value gives it, turned into what is stored.
QVariant ToStorage(TFieldType type, const QVariant& value);

} // namespace tarvex
