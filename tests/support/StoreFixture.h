// Helpers shared by the store tests: a scratch engine configuration and data
// directory per test, a table of the reading table's shape under an alias of
// the tests' own, and a plain SQLite connection that looks at a table file
// from outside the engine.
#pragma once

#include "store/Query.h"
#include "store/ReadingTable.h"
#include "store/Table.h"
#include "store/TableEngine.h"
#include "support/RawConnection.h"

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

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A fresh configuration file and data directory; restores the engine's
// defaults when it goes.
class ScratchEngine {
public:
    ScratchEngine() {
        QStandardPaths::setTestModeEnabled(true);
        TableEngine::setDriverName(QStringLiteral("QSQLITE"));
        TableEngine::setConfigFile(configFile());
        QDir().mkpath(dataDir());
    }
    ~ScratchEngine() {
        TableEngine::setConfigFile(QString());
        TableEngine::setDriverName(QStringLiteral("QSQLITE"));
    }
    ScratchEngine(const ScratchEngine&) = delete;
    ScratchEngine& operator=(const ScratchEngine&) = delete;

    QString root() const { return m_dir.path(); }
    QString configFile() const {
        return m_dir.filePath(QStringLiteral("config/table-engine.conf"));
    }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("Table")); }
    QString tableFile() const { return dataDir() + QStringLiteral("/tables.db"); }

    // The ways breakAliasSetUp can break the set-up, as the rows of a test's
    // data table with the column "how".
    static void aliasFailureRows() {
        QTest::addColumn<QString>("how");
        QTest::newRow("engine missing") << QStringLiteral("driver");
        QTest::newRow("configuration not writable") << QStringLiteral("config");
        QTest::newRow("alias without parameters") << QStringLiteral("empty alias");
    }

    // Makes the alias steps of the reading table's set-up fail: "driver" (the
    // engine's driver is missing), "config" (its configuration file cannot be
    // written) or "empty alias" (the alias has no parameters).
    void breakAliasSetUp(const QString& how) {
        if (how == QStringLiteral("driver")) {
            TableEngine::setDriverName(QStringLiteral("QSQLITE_MISSING"));
        } else if (how == QStringLiteral("config")) {
            writeFile(root() + QStringLiteral("/file"), "a file, not a folder");
            TableEngine::setConfigFile(root() + QStringLiteral("/file/table-engine.conf"));
        } else {
            QCOMPARE(how, QStringLiteral("empty alias"));
            writeFile(configFile(), "[RoruvEde]\n");
            TableEngine::shutdown(); // read afresh at the next use
        }
    }

private:
    QTemporaryDir m_dir;
};

// A table of the reading table's shape, reached through an alias of the
// tests' own ("Bench") that the test adds to the scratch engine.
inline const QString kTestAlias = QStringLiteral("Bench");

inline void addTestAlias(const ScratchEngine& scratch) {
    TableEngine::addPathAlias(kTestAlias, scratch.dataDir(), QStringLiteral("Paradox"));
}

inline void createTestTable(const QString& name = QStringLiteral("Tarvex")) {
    TableEngine::createTable(kTestAlias, name, TableType::LocalFile, ReadingTable::fields(),
                             ReadingTable::indexes());
}

inline void openTestTable(Table& t, const QString& name = QStringLiteral("Tarvex")) {
    t.setAlias(kTestAlias);
    t.setTableName(name);
    t.setTableType(TableType::LocalFile);
    t.open();
}

inline void appendTestRow(Table& t, int id, const QString& vol = QStringLiteral(" 12.35"),
                          QDate date = QDate(2024, 5, 1)) {
    t.append();
    t.fieldByName(QStringLiteral("ID")).setValue(id);
    t.fieldByName(QStringLiteral("VolVal")).setValue(vol);
    t.fieldByName(QStringLiteral("CurVal")).setValue(QStringLiteral("1.50"));
    t.fieldByName(QStringLiteral("PowVal")).setValue(QStringLiteral(" 18.50"));
    t.fieldByName(QStringLiteral("TestDate")).setValue(date);
    t.post();
}

// Rows with IDs first .. first + count - 1, in one transaction.
inline void addTestRows(int first, int count) {
    Table t;
    openTestTable(t);
    t.lockTable(LockType::Write);
    for (int i = first; i < first + count; ++i)
        appendTestRow(t, i, QStringLiteral("%1").arg(i, 6));
    t.unlockTable(LockType::Write);
}

inline void openTestQuery(Query& q, const QString& sql = QStringLiteral("select * from Tarvex")) {
    q.setAlias(kTestAlias);
    q.setSql({sql});
    q.open();
}

// Runs f and returns the engine's message, or a marker when nothing raised.
template <typename F> QString engineError(F&& f) {
    try {
        f();
    } catch (const DatabaseError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

// What opening the test table (of that name) raises; see engineError.
inline QString openTestTableError(const QString& name = QStringLiteral("Tarvex")) {
    return engineError([&name] {
        Table t;
        openTestTable(t, name);
    });
}

// What opening a query of the test alias raises; see engineError.
inline QString openTestQueryError() {
    return engineError([] {
        Query q;
        openTestQuery(q);
    });
}

// A plain SQLite connection to a table file, outside the engine.
class RawDb : public RawConnection {
public:
    explicit RawDb(const QString& file)
        : RawConnection(QStringLiteral("QSQLITE"),
                        [&file](QSqlDatabase& db) { db.setDatabaseName(file); }) {}
};

} // namespace tarvex
