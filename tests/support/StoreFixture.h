// Helpers shared by the tests of everything that stores readings: a scratch
// configuration file and data directory per test, readings stored as the
// reading log stores them, and a plain SQLite connection that looks at a
// table file from outside the program.
#pragma once

#include "store/ReadingStore.h"
#include "support/RawConnection.h"

#include "protocol/DeviceFrame.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// A fresh configuration file and data directory; the store forgets its
// set-up and gets its defaults back when it goes.
class ScratchStore {
public:
    ScratchStore() {
        QStandardPaths::setTestModeEnabled(true);
        ReadingStore::forgetSetUp();
        ReadingStore::setSqliteDriver(QStringLiteral("QSQLITE"));
        ReadingStore::setConfigFile(configFile());
        QDir().mkpath(dataDir());
    }
    ~ScratchStore() {
        ReadingStore::forgetSetUp();
        ReadingStore::setConfigFile(QString());
        ReadingStore::setSqliteDriver(QStringLiteral("QSQLITE"));
    }
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;

    QString root() const { return m_dir.path(); }
    QString configFile() const {
        return m_dir.filePath(QStringLiteral("config/table-engine.conf"));
    }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("Table")); }
    QString tableFile() const { return dataDir() + QStringLiteral("/tables.db"); }

    // The ways breakAliasSetUp can break the set-up, as the rows of a test's
    // data table with the columns "how" and "reason" (a part of the second
    // line of the warning).
    static void aliasFailureRows() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::newRow("driver missing")
            << QStringLiteral("driver")
            << QStringLiteral("The SQLite driver (Qt SQL plugin QSQLITE_MISSING) cannot be loaded");
        QTest::newRow("configuration not writable")
            << QStringLiteral("config") << QStringLiteral("cannot be read (Not a directory)");
        QTest::newRow("alias without parameters")
            << QStringLiteral("empty alias") << QStringLiteral("Alias RoruvEde in ");
        QTest::newRow("configuration damaged")
            << QStringLiteral("damaged")
            << QStringLiteral("is damaged (line 2: not a NAME=VALUE line)");
    }

    // Makes the alias steps of the set-up fail: "driver" (the SQLite driver
    // is missing), "config" (the configuration file cannot be written),
    // "empty alias" (the alias has no parameters) or "damaged" (a line of
    // the file makes no sense).
    void breakAliasSetUp(const QString& how) {
        if (how == QStringLiteral("driver")) {
            ReadingStore::setSqliteDriver(QStringLiteral("QSQLITE_MISSING"));
        } else if (how == QStringLiteral("config")) {
            writeFile(root() + QStringLiteral("/file"), "a file, not a folder");
            ReadingStore::setConfigFile(root() + QStringLiteral("/file/table-engine.conf"));
        } else if (how == QStringLiteral("empty alias")) {
            writeFile(configFile(), "[RoruvEde]\n");
        } else {
            QCOMPARE(how, QStringLiteral("damaged"));
            writeFile(configFile(), "[RoruvEde]\nthis line has no equals sign\n");
        }
    }

private:
    QTemporaryDir m_dir;
};

// A reading as the load reports it: millivolts, milliamperes, tenths of a watt.
inline LoadReading reading(std::int32_t milliVolts, std::uint16_t milliAmps,
                           std::uint16_t tenthWatts) {
    return decodeStatusAnswer(makeStatusAnswer(milliAmps, milliVolts, tenthWatts));
}

// The i-th reading of a test run: every one has texts of its own.
inline LoadReading nthReading(int i) {
    return reading(12000 + 10 * i, static_cast<std::uint16_t>(1000 + 10 * i),
                   static_cast<std::uint16_t>(100 + i));
}

// The day the i-th reading of a test run is stored on.
inline QDate nthDay(int i) {
    return QDate(2026, 1, 1).addDays(i);
}

// Runs f and returns the message it raised, or a marker when nothing raised.
template <typename F> QString storeError(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

// A plain SQLite connection to a table file, outside the program.
class RawDb : public RawConnection {
public:
    explicit RawDb(const QString& file)
        : RawConnection(QStringLiteral("QSQLITE"),
                        [&file](QSqlDatabase& db) { db.setDatabaseName(file); }) {}
};

// A plain SQLite connection that holds the table file's write lock.
class LockHolder {
public:
    explicit LockHolder(const QString& file) : m_raw(file) {
        QString error;
        m_raw.rows(QStringLiteral("BEGIN IMMEDIATE"), &error);
        m_held = m_raw.isOpen() && error.isEmpty();
    }
    ~LockHolder() { release(); }
    bool held() const { return m_held; }
    void release() {
        if (std::exchange(m_held, false))
            m_raw.rows(QStringLiteral("COMMIT"));
    }

private:
    RawDb m_raw;
    bool m_held = false;
};

} // namespace tarvex
