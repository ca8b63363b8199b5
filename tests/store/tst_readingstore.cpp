// The reading table on a table file: the set-up of the data directory, the
// alias and the table at start, the operators' configuration file, the
// reading log that appends one row per reading, reading and deleting rows,
// the claim of one program, and what a kill leaves.
#include "support/StoreFixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <memory>

#include <sys/stat.h>

using namespace tarvex;

namespace {

const QString kMarker = QStringLiteral("; left here by the test\n");

// The worked example: 12345 mV, 1500 mA, 185 tenths of a watt.
LoadReading workedReading() {
    return reading(12345, 1500, 185);
}

// The alias's parameters as the configuration file holds them now.
QStringList aliasLines(const QString& configFile) {
    QStringList lines;
    bool inAlias = false;
    for (const QString& line : QString::fromUtf8(fileBytes(configFile)).split(u'\n')) {
        if (line.startsWith(u'['))
            inAlias = line.compare(QStringLiteral("[RoruvEde]"), Qt::CaseInsensitive) == 0;
        else if (inAlias && line.contains(u'='))
            lines << line;
    }
    return lines;
}

// A program of its own that logs into the table (see log_child.cpp).
std::unique_ptr<QProcess> startLogChild(const ScratchStore& scratch, const QString& directory,
                                        const QString& mode = QString()) {
    auto child = std::make_unique<QProcess>();
    child->setProgram(QStringLiteral(TARVEX_LOG_CHILD));
    QStringList arguments{scratch.configFile(), directory};
    if (!mode.isEmpty())
        arguments << mode;
    child->setArguments(arguments);
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->start();
    return child;
}

} // namespace

class TestReadingStore : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> m_scratch;
    QString m_dir; // the data directory beside a program file in <root>/bin

    QString tableFile() const { return m_dir + QStringLiteral("/tables.db"); }

    QString configText() const { return QString::fromUtf8(fileBytes(m_scratch->configFile())); }

    // Puts the marker on top of the configuration file; it stays only as long
    // as the set-up does not save.
    void markConfig() {
        writeFile(m_scratch->configFile(), kMarker.toUtf8() + fileBytes(m_scratch->configFile()));
    }
    bool configSaved() const { return !configText().contains(kMarker); }

    // A new run of the program: the set-up finds everything in place.
    void start() {
        ReadingStore::forgetSetUp();
        QString warning;
        QCOMPARE(ReadingStore::setUp(m_dir, &warning), ReadingStore::SetupResult::Ready);
        QVERIFY(warning.isEmpty());
    }

    // The stored rows as "ID|VolVal|CurVal|PowVal|TestDate", read from outside.
    QStringList storedRows() {
        RawDb raw(tableFile());
        QStringList rows;
        for (const QVariantList& r : raw.rows(QStringLiteral(
                 "SELECT ID, VolVal, CurVal, PowVal, TestDate FROM Tarvex ORDER BY ID"))) {
            QStringList cells;
            for (const QVariant& v : r)
                cells << v.toString();
            rows << cells.join(u'|');
        }
        return rows;
    }

    // Rows 0 .. n - 1 with the texts of the n-th readings, from outside.
    void fill(int n) {
        RawDb raw(tableFile());
        raw.rows(QStringLiteral("BEGIN"));
        for (int i = 0; i < n; ++i)
            raw.rows(QStringLiteral("INSERT INTO Tarvex VALUES (%1, '%2', '%3', '%4', '%5')")
                         .arg(i)
                         .arg(nthReading(i).voltsText, nthReading(i).ampsText,
                              nthReading(i).wattsText, nthDay(i).toString(Qt::ISODate)));
        raw.rows(QStringLiteral("COMMIT"));
    }

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchStore>();
        m_dir = m_scratch->root() + QStringLiteral("/bin/Table");
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    // ---- Set-up ---------------------------------------------------------------

    void firstStartCreatesDirectoryAliasAndEmptyTable() {
        QVERIFY(!QFile::exists(m_dir));
        QVERIFY(!QFile::exists(m_scratch->configFile()));
        start();
        QVERIFY(QFileInfo(m_dir).isDir());
        QCOMPARE(configText(), QStringLiteral("; Table engine configuration: one [alias] "
                                              "section per alias,\n; followed by its NAME=VALUE "
                                              "parameters.\n\n[RoruvEde]\nPATH=%1\nDEFAULT "
                                              "DRIVER=PARADOX\n")
                                   .arg(m_dir));

        RawDb raw(tableFile());
        QCOMPARE(raw.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Tarvex'"))
                     .toString(),
                 QStringLiteral("CREATE TABLE \"Tarvex\" (\"ID\" INTEGER, \"VolVal\" VARCHAR(10), "
                                "\"CurVal\" VARCHAR(10), \"PowVal\" VARCHAR(10), \"TestDate\" "
                                "DATE, CONSTRAINT \"IndexID\" PRIMARY KEY (\"ID\"))"));
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM Tarvex")), QVariant(0));
        QCOMPARE(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(),
                 QStringLiteral("wal"));
        QCOMPARE(ReadingStore().count().rows, 0);
    }

    // The alias's parameters keep their order and their escapes; the path
    // is written as it is given, whatever it holds.
    void aliasPathIsWrittenAndReadBackAsGiven_data() {
        QTest::addColumn<QString>("directory"); // under the scratch root
        QTest::newRow("plain") << QStringLiteral("bench/Table");
        QTest::newRow("equals sign, trailing blank") << QStringLiteral("a=b/Table ");
        QTest::newRow("backslashes") << QStringLiteral("C:\\Bench\\n\\Table\\");
        QTest::newRow("chinese") << QStringLiteral("数据/Table");
    }
    void aliasPathIsWrittenAndReadBackAsGiven() {
        QFETCH(QString, directory);
        const QString dir = m_scratch->root() + u'/' + directory;
        QCOMPARE(ReadingStore::setUp(dir), ReadingStore::SetupResult::Ready);
        markConfig();
        // A second start reads the path back unchanged: nothing is saved.
        ReadingStore::forgetSetUp();
        QCOMPARE(ReadingStore::setUp(dir), ReadingStore::SetupResult::Ready);
        QVERIFY(!configSaved());
        QVERIFY(QFile::exists(dir + QStringLiteral("/tables.db")));
    }

    void outOfDateAliasIsCorrected_data() {
        QTest::addColumn<QString>("params"); // %1 is the data directory
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("savedAtEveryStart");
        QTest::newRow("program moved") << "PATH=/old/place/Table\nDEFAULT DRIVER=PARADOX\n"
                                       << QStringList{"PATH=%1", "DEFAULT DRIVER=PARADOX"} << false;
        QTest::newRow("path differs in letter case only")
            << "PATH=%2\nDEFAULT DRIVER=PARADOX\nENABLE BCD=FALSE\n"
            << QStringList{"PATH=%1", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"} << false;
        QTest::newRow("first line is not the path")
            << "DEFAULT DRIVER=PARADOX\nPATH=%1\n"
            << QStringList{"DEFAULT DRIVER=PARADOX", "PATH=%1"} << true;
        QTest::newRow("a line with escapes") << "PATH=/old\nNOTE=two\\nlines\n"
                                             << QStringList{"PATH=%1", "NOTE=two\\nlines"} << false;
    }
    void outOfDateAliasIsCorrected() {
        QFETCH(QString, params);
        QFETCH(QStringList, expected);
        QFETCH(bool, savedAtEveryStart);
        const QString upper = m_dir.left(m_dir.size() - 5) + QStringLiteral("TABLE");
        writeFile(m_scratch->configFile(),
                  (kMarker + QStringLiteral("[roruvede]\n") +
                   params.replace(QStringLiteral("%1"), m_dir).replace(QStringLiteral("%2"), upper))
                      .toUtf8());
        for (QString& line : expected)
            line.replace(QStringLiteral("%1"), m_dir);

        start();
        QVERIFY(configSaved());
        QCOMPARE(aliasLines(m_scratch->configFile()), expected);
        QVERIFY(configText().contains(QStringLiteral("[roruvede]")));

        markConfig();
        start();
        QCOMPARE(configSaved(), savedAtEveryStart);
        QCOMPARE(aliasLines(m_scratch->configFile()), expected);
    }

    void movedProgramLeavesOldRowsBehind() {
        const QString oldDir = m_scratch->root() + QStringLiteral("/old/Table");
        QCOMPARE(ReadingStore::setUp(oldDir), ReadingStore::SetupResult::Ready);
        ReadingStore().append(workedReading(), QDateTime::currentDateTime());
        const QByteArray oldTable = fileBytes(oldDir + QStringLiteral("/tables.db"));

        start();
        QCOMPARE(ReadingStore().append(workedReading(), QDateTime::currentDateTime()), 0);
        QCOMPARE(fileBytes(oldDir + QStringLiteral("/tables.db")), oldTable);
    }

    void secondStartChangesAndSavesNothing() {
        start();
        ReadingStore().append(workedReading(), QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
        markConfig();
        const QByteArray config = fileBytes(m_scratch->configFile());
        const QDateTime modified = QFileInfo(m_scratch->configFile()).lastModified();
        const QStringList rows = storedRows();

        start();
        QCOMPARE(fileBytes(m_scratch->configFile()), config);
        QCOMPARE(QFileInfo(m_scratch->configFile()).lastModified(), modified);
        QCOMPARE(storedRows(), rows);
    }

    void tableInAnyLetterCaseIsUsedUnchanged() {
        QDir().mkpath(m_dir);
        RawDb(tableFile()).rows(QStringLiteral("CREATE TABLE TARVEX (Note VARCHAR(40))"));
        start();
        RawDb raw(tableFile());
        // No second reading table; the runs' tables are made beside it.
        QCOMPARE(raw.value(QStringLiteral("SELECT group_concat(name) FROM sqlite_master WHERE "
                                          "type = 'table'")),
                 QVariant(QStringLiteral("TARVEX,Runs,ReadingTimes")));
        QCOMPARE(raw.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'TARVEX'"))
                     .toString(),
                 QStringLiteral("CREATE TABLE TARVEX (Note VARCHAR(40))"));
    }

    // The operator is told by the program's start: the set-up gives the
    // warning that the alias failed, with the reason on a second line, and
    // skips the table.
    void aliasFailureIsToldWithItsReasonAndSkipsTheTable_data() {
        ScratchStore::aliasFailureRows();
    }
    void aliasFailureIsToldWithItsReasonAndSkipsTheTable() {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        m_scratch->breakAliasSetUp(how);
        QString warning;
        QCOMPARE(ReadingStore::setUp(m_dir, &warning), ReadingStore::SetupResult::AliasFailed);
        const QStringList lines = warning.split(u'\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("Have no install BDE ,Please insatll !"));
        QVERIFY2(lines[1].contains(reason), qPrintable(warning));
        QVERIFY(QFileInfo(m_dir).isDir());
        QVERIFY(!QFile::exists(tableFile())); // the table step did not run

        // Readings then fail to be stored.
        QVERIFY(storeError([] {
                    ReadingStore().append(workedReading(), QDateTime::currentDateTime());
                }) != QStringLiteral("<no error>"));
        QVERIFY(!QFile::exists(tableFile()));
    }

    // The configuration file is read with a bound: a file far too large, a
    // FIFO (which would wait for a writer for ever) or a directory in its
    // place is refused at once with a message that says so.
    void configurationFileIsReadWithABound_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("huge file") << "huge"
                                   << "is larger than 1024 KiB: it is no alias file";
        QTest::newRow("FIFO") << "fifo"
                              << "is not a regular file";
        QTest::newRow("directory") << "directory"
                                   << "is not a regular file";
    }
    void configurationFileIsReadWithABound() {
        QFETCH(QString, what);
        QFETCH(QString, reason);
        const QString file = m_scratch->configFile();
        QDir().mkpath(QFileInfo(file).path());
        if (what == QStringLiteral("huge")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(64) << 20)); // 64 MiB of nothing, sparse
        } else if (what == QStringLiteral("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0644), 0);
        } else {
            QVERIFY(QDir().mkpath(file));
        }
        QString warning;
        QCOMPARE(ReadingStore::setUp(m_dir, &warning), ReadingStore::SetupResult::AliasFailed);
        QVERIFY2(warning.endsWith(QStringLiteral("The configuration file %1 %2.")
                                      .arg(QDir::toNativeSeparators(file), reason)),
                 qPrintable(warning));
        QVERIFY(!QFile::exists(tableFile()));
    }

    // An alias names a server by its driver alone; its parameters are read
    // as written, and what would be a mistake on a server is refused before
    // any connection is tried (the set-up tells it as a server it cannot use).
    void serverAliasIsReadFromItsParameters_data() {
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<QString>("expected"); // host|port|database|user|schema, or the error
        QTest::newRow("all parameters")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nHOST=db.lab\nPORT=5433\nDATABASE=lab\n"
                          "USER=bench\nSCHEMA=Bench 7\n")
            << "db.lab|5433|lab|bench|Bench 7";
        QTest::newRow("socket directory, libpq's defaults, any letter case")
            << QByteArray("default driver=PostgreSQL\nhost=/run/postgresql\nschema=b1\n")
            << "/run/postgresql|-1|||b1";
        QTest::newRow("no schema") << QByteArray("DEFAULT DRIVER=POSTGRESQL\nHOST=db\n")
                                   << "Alias RoruvEde has no SCHEMA parameter";
        QTest::newRow("port not a number")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nPORT=54x\nSCHEMA=b1\n")
            << "Alias RoruvEde: PORT=54x is not a port number";
        QTest::newRow("port out of range")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nPORT=70000\nSCHEMA=b1\n")
            << "Alias RoruvEde: PORT=70000 is not a port number";
        QTest::newRow("password in the file")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nSCHEMA=b1\nPASSWORD=secret\n")
            << "Alias RoruvEde holds a PASSWORD";
        QTest::newRow("schema longer than a server takes")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nSCHEMA=" + QByteArray(64, 'x') + "\n")
            << "Alias RoruvEde: SCHEMA=" + QString(64, u'x') +
                   " is longer than the 63 bytes a server takes for a name";
    }
    void serverAliasIsReadFromItsParameters() {
        QFETCH(QByteArray, params);
        QFETCH(QString, expected);
        const QByteArray config = "[RoruvEde]\n" + params;
        writeFile(m_scratch->configFile(), config);
        QString got;
        try {
            const std::optional<ServerAlias> server = ReadingStore::serverAlias();
            QVERIFY(server.has_value());
            got = QStringList{server->host, QString::number(server->port), server->database,
                              server->user, server->schema}
                      .join(u'|');
        } catch (const DatabaseError& e) {
            got = e.message();
        }
        QVERIFY2(got.startsWith(expected), qPrintable(got));
        if (expected.startsWith(QStringLiteral("Alias"))) {
            QString warning;
            QCOMPARE(ReadingStore::setUp(m_dir, &warning),
                     ReadingStore::SetupResult::ServerUnreachable);
            QVERIFY2(warning.contains(expected), qPrintable(warning));
        }
        // A server alias has no table file; no directory is made for it, and
        // the alias is left as written.
        QVERIFY(!QFile::exists(m_dir));
        QCOMPARE(fileBytes(m_scratch->configFile()), config);
    }

    void serverIsDescribedByWhatLibpqWillUse_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("description");
        QTest::newRow("host") << "db.lab" << 5432 << "lab"
                              << "database lab on host db.lab, port 5432";
        QTest::newRow("socket directory") << "/run/postgresql" << 6543 << "lab"
                                          << "database lab on socket directory /run/postgresql, "
                                             "port 6543";
        QTest::newRow("defaults") << "" << -1 << ""
                                  << "database (the default) on the default host, port (the "
                                     "default)";
    }
    void serverIsDescribedByWhatLibpqWillUse() {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, database);
        QFETCH(QString, description);
        ServerAlias server;
        server.host = host;
        server.port = port;
        server.database = database;
        server.schema = QStringLiteral("b1");
        QCOMPARE(server.description(), description);
    }

    void directoryThatCannotBeCreatedRaises() {
        writeFile(m_scratch->root() + QStringLiteral("/bin"), "a file where the folder goes");
        QCOMPARE(storeError([&] { static_cast<void>(ReadingStore::setUp(m_dir)); }),
                 QStringLiteral("Cannot create ") + m_dir);
        QVERIFY(!QFile::exists(m_scratch->configFile())); // the alias was not looked at
    }

    void damagedTableFileRaisesAndIsKept_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("a few bytes") << "short";
        QTest::newRow("database with a damaged first page") << "damaged";
    }
    void damagedTableFileRaisesAndIsKept() {
        QFETCH(QString, kind);
        if (kind == QStringLiteral("damaged")) {
            start();
            fill(300);
            RawDb(tableFile()).rows(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            ReadingStore::forgetSetUp();
            QByteArray bytes = fileBytes(tableFile());
            QVERIFY(bytes.size() > 8192);
            for (qsizetype i = 100; i < 4096; ++i)
                bytes[i] = char(0xA5);
            writeFile(tableFile(), bytes);
        } else {
            QDir().mkpath(m_dir);
            QByteArray junk;
            for (int i = 0; i < 100; ++i)
                junk += "Readings of the old logger, kept by hand.\n";
            writeFile(tableFile(), kind == QStringLiteral("text") ? junk : QByteArray("SQLite"));
        }
        const QByteArray before = fileBytes(tableFile());
        const QString error = storeError([&] { static_cast<void>(ReadingStore::setUp(m_dir)); });
        QVERIFY2(error.startsWith(QStringLiteral("The table file ") +
                                  QDir::toNativeSeparators(tableFile())),
                 qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("not a database")), qPrintable(error));
        QCOMPARE(fileBytes(tableFile()), before);
    }

    // ---- Reading log --------------------------------------------------------

    void readingsAreNumberedAndStoredAsTheirTexts() {
        start();
        ReadingStore store;
        for (int i = 0; i < 4; ++i)
            QCOMPARE(store.append(workedReading(), QDateTime(QDate(2024, 5, 1), QTime(13, 45, 30))),
                     i);
        const QString row = QStringLiteral("| 12.35|1.50| 18.50|2024-05-01");
        QCOMPARE(storedRows(), (QStringList{"0" + row, "1" + row, "2" + row, "3" + row}));
    }

    void dateIsTheDayOfTheReading_data() {
        QTest::addColumn<QDateTime>("first");
        QTest::addColumn<QDateTime>("second");
        QTest::addColumn<QStringList>("dates");
        QTest::newRow("either side of midnight")
            << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999))
            << QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0, 0))
            << QStringList{"2024-02-29", "2024-03-01"};
        QTest::newRow("one day, any time") << QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0, 0))
                                           << QDateTime(QDate(2024, 3, 1), QTime(23, 59, 59, 999))
                                           << QStringList{"2024-03-01", "2024-03-01"};
    }
    void dateIsTheDayOfTheReading() {
        QFETCH(QDateTime, first);
        QFETCH(QDateTime, second);
        QFETCH(QStringList, dates);
        start();
        ReadingStore store;
        store.append(workedReading(), first);
        store.append(workedReading(), second);
        RawDb raw(tableFile());
        QStringList stored;
        for (const QVariantList& r : raw.rows(QStringLiteral("SELECT TestDate FROM Tarvex")))
            stored << r[0].toString();
        QCOMPARE(stored, dates);
    }

    void numberingAfterAClear_data() {
        QTest::addColumn<int>("deleted"); // of 5 rows, from the first; -1: all
        QTest::addColumn<int>("nextId");
        QTest::newRow("full clear") << -1 << 0;
        // Rows 2, 3, 4 are left: counting them would give 3, an ID still stored.
        QTest::newRow("clear that failed part of the way") << 2 << 5;
        QTest::newRow("nothing cleared") << 0 << 5;
    }
    void numberingAfterAClear() {
        QFETCH(int, deleted);
        QFETCH(int, nextId);
        start();
        ReadingStore log;
        for (int i = 0; i < 5; ++i)
            log.append(workedReading(), QDateTime::currentDateTime());
        const int left = deleted < 0 ? 0 : 5 - deleted;
        QCOMPARE(ReadingStore().removeFirst(deleted < 0 ? 1000 : deleted), 5 - left);
        QCOMPARE(log.append(workedReading(), QDateTime::currentDateTime()), nextId);
        QCOMPARE(log.count().rows, left + 1);
        QCOMPARE(storedRows().size(), left + 1);
    }

    // Another program holds the table's write lock: the reading is refused
    // (after the store's wait) and not stored; the next one is stored.
    void lockedTableRefusesAReadingAndTheNextIsStored() {
        start();
        ReadingStore log;
        log.append(workedReading(), QDateTime::currentDateTime());
        {
            LockHolder other(tableFile());
            QVERIFY(other.held());
            const QString refused =
                storeError([&] { log.append(workedReading(), QDateTime::currentDateTime()); });
            QVERIFY2(
                refused.startsWith(QStringLiteral("The table file %1 is locked by another user")
                                       .arg(QDir::toNativeSeparators(tableFile()))),
                qPrintable(refused));
        }
        QCOMPARE(log.append(workedReading(), QDateTime::currentDateTime()), 1);
        QCOMPARE(storedRows().size(), 2);
    }

    // A deadline shortens the wait for a locked table.
    void deadlineShortensTheWaitForALock() {
        start();
        ReadingStore log;
        log.append(workedReading(), QDateTime::currentDateTime());
        LockHolder other(tableFile());
        log.setDeadline(QDeadlineTimer(0));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(storeError([&] {
                    log.append(workedReading(), QDateTime::currentDateTime());
                }).contains(QStringLiteral("locked")));
        QVERIFY2(clock.elapsed() < ReadingStore::kBusyMs,
                 qPrintable(QString::number(clock.elapsed())));
    }

    // A retry of a reading whose commit may have gone through looks for its
    // row first: the reading is stored once, under the ID it went in with;
    // when the row is not there (or holds another reading), it is stored.
    void retryOfAReadingThatMayBeStoredStoresItOnce_data() {
        QTest::addColumn<bool>("stored"); // whether the first attempt went through
        QTest::newRow("the commit went through") << true;
        QTest::newRow("it did not") << false;
    }
    void retryOfAReadingThatMayBeStoredStoresItOnce() {
        QFETCH(bool, stored);
        start();
        ReadingStore log;
        const QDateTime at(QDate(2024, 5, 1), QTime(9, 0));
        for (int i = 0; i < 3; ++i)
            log.append(nthReading(i), at);
        if (stored)
            QCOMPARE(log.append(nthReading(3), at), 3);
        // The same reading again, as after a commit whose answer never came
        // with ID 3.
        QCOMPARE(log.append(nthReading(3), at, 3), 3);
        QCOMPARE(storedRows().size(), 4);
        // The reading before, offered as having ID 3 (it has 2): not the
        // same row, so it goes in.
        QCOMPARE(log.append(nthReading(2), at, 3), 4);
        QCOMPARE(storedRows().size(), 5);
    }

    // The hook before the commit sees the ID the row is about to get; a
    // failure there leaves nothing stored.
    void beforeCommitSeesTheIdAndCanStopTheCommit() {
        start();
        ReadingStore log;
        qint64 seen = -1;
        QCOMPARE(log.append(workedReading(), QDateTime::currentDateTime(), std::nullopt,
                            [&](qint64 id) { seen = id; }),
                 0);
        QCOMPARE(seen, 0);
        QVERIFY(storeError([&] {
                    log.append(workedReading(), QDateTime::currentDateTime(), std::nullopt,
                               [](qint64) { throw DatabaseError("stopped"); });
                }) == QStringLiteral("stopped"));
        QCOMPARE(storedRows().size(), 1);
        QCOMPARE(log.append(workedReading(), QDateTime::currentDateTime()), 1);
    }

    void rowNumbersRunOutAtTheLargest32BitNumber() {
        start();
        RawDb(tableFile())
            .rows(QStringLiteral(
                "INSERT INTO Tarvex VALUES (2147483647, '1', '2', '3', '2024-05-01')"));
        QCOMPARE(storeError(
                     [] { ReadingStore().append(workedReading(), QDateTime::currentDateTime()); }),
                 QStringLiteral("Table Tarvex has no row number left after 2147483647"));
        QCOMPARE(storedRows().size(), 1);
    }

    // ---- Reading and deleting rows -----------------------------------------

    // Blocks of rows in ID order, from the start and (in the second half)
    // from the end alike; rows stored after the count are left out of the
    // counted rows, a walk after an ID goes on where the rows go on.
    void rowsAreReadInBlocksOfTheCountedRows() {
        start();
        fill(1000);
        RawDb(tableFile()).rows(QStringLiteral("DELETE FROM Tarvex WHERE ID < 10")); // a clear
        ReadingStore store;
        const ReadingStore::Count counted = store.count();
        QCOMPARE(counted.rows, 990);
        QCOMPARE(counted.lastId, 999);
        // Stored later: not among the counted rows.
        store.append(nthReading(5000), QDateTime::currentDateTime());

        const auto ids = [](const QList<StoredReading>& rows) {
            QList<qint64> list;
            for (const StoredReading& r : rows)
                list << r.id;
            return list;
        };
        QCOMPARE(ids(store.read(0, 3, counted)), (QList<qint64>{10, 11, 12}));
        QCOMPARE(ids(store.read(600, 3, counted)), (QList<qint64>{610, 611, 612}));
        QCOMPARE(ids(store.read(988, 5, counted)), (QList<qint64>{998, 999}));
        QVERIFY(store.read(990, 5, counted).isEmpty());
        QCOMPARE(store.read(0, 1000, counted).size(), 990);
        QCOMPARE(ids(store.readAfter(997, 5)), (QList<qint64>{998, 999, 1000}));
        QCOMPARE(ids(store.readAfter(997, 5, counted.lastId)), (QList<qint64>{998, 999}));

        const StoredReading r = store.read(600, 1, counted).first();
        QCOMPARE(r.volts, nthReading(610).voltsText);
        QCOMPARE(r.amps, nthReading(610).ampsText);
        QCOMPARE(r.watts, nthReading(610).wattsText);
        QCOMPARE(r.date, nthDay(610));
        QVERIFY(r.dateText.isEmpty());
    }

    // Values another program stored come back as they are: empty fields as
    // null texts, a date that is none as its text.
    void foreignValuesComeBackAsTheyAre() {
        start();
        RawDb(tableFile())
            .rows(QStringLiteral("INSERT INTO Tarvex VALUES (0, NULL, '', ' 1,50', "
                                 "'31.12.2024'), (1, 'x', 'y', 'z', NULL)"));
        ReadingStore store;
        const QList<StoredReading> rows = store.read(0, 2, store.count());
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows[0].volts.isNull());
        QVERIFY(!rows[0].amps.isNull() && rows[0].amps.isEmpty());
        QCOMPARE(rows[0].watts, QStringLiteral(" 1,50"));
        QVERIFY(!rows[0].date.isValid());
        QCOMPARE(rows[0].dateText, QStringLiteral("31.12.2024"));
        QVERIFY(!rows[1].date.isValid());
        QVERIFY(rows[1].dateText.isEmpty());
    }

    // A row that refuses to go (a trigger of another program's) stops the
    // deletion there: the rows before it are gone, it and those after stay,
    // and the refusal is raised.
    void deletionStopsAtARowThatRefuses() {
        start();
        fill(10);
        RawDb(tableFile())
            .rows(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON Tarvex WHEN "
                                 "old.ID = 4 BEGIN SELECT RAISE(ABORT, 'refused'); "
                                 "END"));
        ReadingStore store;
        QVERIFY(storeError([&] { store.removeFirst(8); }).contains(QStringLiteral("refused")));
        QCOMPARE(store.count().rows, 6);
        QCOMPARE(store.read(0, 1, store.count()).first().id, 4);
    }

    // ---- One program per table file -----------------------------------------

    // A second program on a table file another program logs into is told at
    // its start, writes nothing and deletes nothing; once the first has
    // ended (here: killed), it takes the table over.
    void secondProgramOnATableFileIsToldAndWritesNothing() {
        start();
        ReadingStore::forgetSetUp();
        std::unique_ptr<QProcess> first = startLogChild(*m_scratch, m_dir, QStringLiteral("hold"));
        QVERIFY2(first->waitForReadyRead(60000), first->readAllStandardError().constData());
        QCOMPARE(first->readAllStandardOutput(), QByteArray("ready\n"));
        fill(3);

        QString warning;
        QCOMPARE(ReadingStore::setUp(m_dir, &warning), ReadingStore::SetupResult::InUse);
        const QString told = QStringLiteral("Another program is already storing its readings in "
                                            "the table file %1: two programs must not log into "
                                            "one table file")
                                 .arg(QDir::toNativeSeparators(tableFile()));
        QVERIFY2(warning.startsWith(told + QStringLiteral(".\n")), qPrintable(warning));
        ReadingStore store;
        QCOMPARE(storeError([&] { store.append(workedReading(), QDateTime::currentDateTime()); }),
                 told);
        QCOMPARE(storeError([&] { store.removeFirst(3); }), told);
        QCOMPARE(storeError([&] { store.claim(); }), told);
        QCOMPARE(storedRows().size(), 3);
        QCOMPARE(store.count().rows, 3); // reading goes on

        first->kill();
        QVERIFY(first->waitForFinished(30000));
        QCOMPARE(store.append(workedReading(), QDateTime::currentDateTime()), 3);
        // And now the other way round: this program holds it.
        std::unique_ptr<QProcess> second = startLogChild(*m_scratch, m_dir, QStringLiteral("1"));
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 3);
        QVERIFY(QString::fromUtf8(second->readAllStandardError())
                    .startsWith(QStringLiteral("Another program")));
        QCOMPARE(storedRows().size(), 4);
    }

    // ---- Crash safety -------------------------------------------------------

    // A child stores readings and reports each committed ID; it is killed at
    // random moments. Every reported row must be there, the numbering without
    // a gap, and the file sound.
    void storedRowsSurviveSigkill() {
        start();
        ReadingStore::forgetSetUp(); // the child claims the table
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("kill delays seeded with %u", seed);
        QRandomGenerator random(seed);
        QMap<int, QString> reported;
        for (int trial = 0; trial < 5; ++trial) {
            std::unique_ptr<QProcess> child = startLogChild(*m_scratch, m_dir);
            QVERIFY(child->waitForStarted(30000));
            QVERIFY2(child->waitForReadyRead(60000), child->readAllStandardError().constData());
            QThread::msleep(random.bounded(200));
            child->kill(); // SIGKILL
            QVERIFY(child->waitForFinished(30000));
            QCOMPARE(child->exitStatus(), QProcess::CrashExit);

            const QList<QByteArray> lines = child->readAllStandardOutput().split('\n');
            int whole = 0;
            for (qsizetype i = 0; i + 1 < lines.size(); ++i) { // the last piece may be cut
                const QByteArray& line = lines[i];
                const qsizetype space = line.indexOf(' ');
                QVERIFY(space > 0);
                reported.insert(line.left(space).toInt(), QString::fromUtf8(line.mid(space + 1)));
                ++whole;
            }
            QVERIFY(whole > 0);

            RawDb raw(tableFile());
            QCOMPARE(raw.value(QStringLiteral("PRAGMA integrity_check")).toString(),
                     QStringLiteral("ok"));
            QMap<int, QString> stored;
            for (const QVariantList& r : raw.rows(QStringLiteral("SELECT ID, VolVal FROM Tarvex")))
                stored.insert(r[0].toInt(), r[1].toString());
            for (auto it = reported.cbegin(); it != reported.cend(); ++it) {
                QVERIFY2(stored.contains(it.key()), qPrintable(QString::number(it.key())));
                QCOMPARE(stored.value(it.key()), it.value());
            }
            QCOMPARE(stored.firstKey(), 0);
            QCOMPARE(stored.lastKey(), int(stored.size()) - 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestReadingStore)
#include "tst_readingstore.moc"
