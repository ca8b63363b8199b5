// Helpers shared by the store tests: a scratch engine configuration and data
// directory per test, and a plain SQLite connection that looks at a table
// file from outside the engine.
#pragma once

#include "store/TableEngine.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace tarvex {

// A fresh configuration file and data directory; restores the engine's
// defaults when it goes.
class ScratchEngine {
public:
    ScratchEngine() {
        QStandardPaths::setTestModeEnabled(true);
        SetEngineDriverName(QStringLiteral("QSQLITE"));
        SetEngineConfigFile(ConfigFile());
        QDir().mkpath(DataDir());
    }
    ~ScratchEngine() {
        SetEngineConfigFile(QString());
        SetEngineDriverName(QStringLiteral("QSQLITE"));
    }
    ScratchEngine(const ScratchEngine&) = delete;
    ScratchEngine& operator=(const ScratchEngine&) = delete;

    QString Root() const { return m_dir.path(); }
    QString ConfigFile() const {
        return m_dir.filePath(QStringLiteral("config/table-engine.conf"));
    }
    QString DataDir() const { return m_dir.filePath(QStringLiteral("Table")); }
    QString TableFile() const { return DataDir() + QStringLiteral("/tables.db"); }

private:
    QTemporaryDir m_dir;
};

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A plain SQLite connection to a table file, outside the engine.
class RawDb {
public:
    explicit RawDb(const QString& file) : m_name(QStringLiteral("raw-%1").arg(++Counter())) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        m_open = db.open();
    }
    ~RawDb() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    bool IsOpen() const { return m_open; }

    // All rows of a statement; an empty list and the error text on failure.
    QList<QVariantList> Rows(const QString& sql, QString* error = nullptr) {
        QList<QVariantList> rows;
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(sql)) {
            if (error)
                *error = q.lastError().text();
            return rows;
        }
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << row;
        }
        return rows;
    }
    QVariant Value(const QString& sql) {
        const auto rows = Rows(sql);
        return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
    }

private:
    static int& Counter() {
        static int n = 0;
        return n;
    }
    QString m_name;
    bool m_open = false;
};

// Runs f and returns the engine's message, or a marker when nothing raised.
template <typename F> QString EngineError(F&& f) {
    try {
        f();
    } catch (const DatabaseError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace tarvex
