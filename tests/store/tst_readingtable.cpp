// The reading table: the set-up of the data directory, the alias and the
// table at start, and the reading log that appends one row per reading.
#include "support/StoreFixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <memory>

using namespace tarvex;

namespace {

const QString kMarker = QStringLiteral("; left here by the test\n");

// The worked example: 12345 mV, 1500 mA, 185 tenths of a watt.
LoadReading workedReading() {
    DeviceFrame answer{};
    const std::uint8_t bytes[] = {0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), answer.begin() + 3);
    return decodeStatusAnswer(answer);
}

// Deletes rows from the first on, as the query window's clear does; stops
// after count rows (-1: all).
void clearRows(int count) {
    Table t;
    ReadingTable::attach(t);
    t.setTableType(TableType::LocalFile);
    t.open();
    t.lockTable(LockType::Write);
    for (int deleted = 0; !t.atEnd() && deleted != count; ++deleted)
        t.remove();
    t.unlockTable(LockType::Write);
}

} // namespace

class TestReadingTable : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchEngine> m_scratch;
    QString m_dir; // the data directory beside a program file in <root>/bin

    QString tableFile() const { return m_dir + QStringLiteral("/tables.db"); }

    QString configText() const { return QString::fromUtf8(fileBytes(m_scratch->configFile())); }

    // Puts the marker on top of the configuration file; it stays only as long
    // as the engine does not save.
    void markConfig() {
        writeFile(m_scratch->configFile(), kMarker.toUtf8() + fileBytes(m_scratch->configFile()));
    }
    bool configSaved() const { return !configText().contains(kMarker); }

    // A new run of the program: the engine reads its configuration afresh,
    // and the set-up finds the alias usable.
    void start() {
        TableEngine::shutdown();
        QCOMPARE(ReadingTable::setUp(m_dir), ReadingTable::SetupResult::Ready);
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

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchEngine>();
        m_dir = m_scratch->root() + QStringLiteral("/bin/Table");
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    // ---- Set-up -------------------------------------------------------------

    void firstStartCreatesDirectoryAliasAndEmptyTable() {
        QVERIFY(!QFile::exists(m_dir));
        QVERIFY(!QFile::exists(m_scratch->configFile()));
        start();
        QVERIFY(QFileInfo(m_dir).isDir());

        TableEngine::shutdown(); // what was saved
        QCOMPARE(TableEngine::aliasParams(QStringLiteral("RoruvEde")),
                 (QStringList{QStringLiteral("PATH=") + m_dir,
                              QStringLiteral("DEFAULT DRIVER=PARADOX")}));
        QCOMPARE(TableEngine::tables(QStringLiteral("RoruvEde")),
                 QStringList{QStringLiteral("Tarvex")});

        Table t;
        ReadingTable::attach(t);
        t.open();
        QVERIFY(t.isEmpty());
        QStringList fields;
        for (int i = 0; i < t.fieldCount(); ++i)
            fields << QStringLiteral("%1:%2:%3")
                          .arg(t.field(i).name())
                          .arg(int(t.field(i).dataType()))
                          .arg(t.field(i).size());
        QCOMPARE(fields, (QStringList{QStringLiteral("ID:%1:0").arg(int(FieldType::Integer)),
                                      QStringLiteral("VolVal:%1:10").arg(int(FieldType::String)),
                                      QStringLiteral("CurVal:%1:10").arg(int(FieldType::String)),
                                      QStringLiteral("PowVal:%1:10").arg(int(FieldType::String)),
                                      QStringLiteral("TestDate:%1:0").arg(int(FieldType::Date))}));
        RawDb raw(tableFile());
        QVERIFY(raw.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Tarvex'"))
                    .toString()
                    .contains(QStringLiteral("CONSTRAINT \"IndexID\" PRIMARY KEY (\"ID\")")));
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
        TableEngine::shutdown();
        QCOMPARE(TableEngine::aliasParams(QStringLiteral("RoruvEde")), expected);
        QCOMPARE(TableEngine::tables(QStringLiteral("RoruvEde")),
                 QStringList{QStringLiteral("Tarvex")});

        markConfig();
        start();
        QCOMPARE(configSaved(), savedAtEveryStart);
        QCOMPARE(TableEngine::aliasParams(QStringLiteral("RoruvEde")), expected);
    }

    void movedProgramLeavesOldRowsBehind() {
        const QString oldDir = m_scratch->root() + QStringLiteral("/old/Table");
        QCOMPARE(ReadingTable::setUp(oldDir), ReadingTable::SetupResult::Ready);
        Table t;
        ReadingTable::attach(t);
        ReadingTable::appendReading(t, workedReading());
        t.close();
        const QByteArray oldTable = fileBytes(oldDir + QStringLiteral("/tables.db"));

        start();
        ReadingTable::appendReading(t, workedReading());
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 0); // a new, empty table
        t.close();
        QCOMPARE(fileBytes(oldDir + QStringLiteral("/tables.db")), oldTable);
    }

    void secondStartChangesAndSavesNothing() {
        start();
        Table t;
        ReadingTable::attach(t);
        ReadingTable::appendReading(t, workedReading(), QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
        t.close();
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
        TableEngine::addPathAlias(QStringLiteral("RoruvEde"), m_dir, QStringLiteral("Paradox"));
        TableEngine::createTable(QStringLiteral("RoruvEde"), QStringLiteral("TARVEX"),
                                 TableType::LocalFile,
                                 {{QStringLiteral("Note"), FieldType::String, 40, false}}, {});
        start();
        QCOMPARE(TableEngine::tables(QStringLiteral("RoruvEde")),
                 QStringList{QStringLiteral("TARVEX")});
        Table t;
        ReadingTable::attach(t);
        t.open();
        QCOMPARE(t.fieldCount(), 1);
        QCOMPARE(t.field(0).name(), QStringLiteral("Note"));
    }

    // The operator is told by the program's start (see the control window's
    // tests); the set-up only reports the failure.
    void aliasFailureIsReportedAndSkipsTheTable_data() { ScratchEngine::aliasFailureRows(); }
    void aliasFailureIsReportedAndSkipsTheTable() {
        QFETCH(QString, how);
        m_scratch->breakAliasSetUp(how);
        // Raises nothing.
        QCOMPARE(ReadingTable::setUp(m_dir), ReadingTable::SetupResult::AliasFailed);
        QVERIFY(QFileInfo(m_dir).isDir());
        QVERIFY(!QFile::exists(tableFile())); // the table step did not run

        // Readings then fail to be stored, with the engine's message.
        Table t;
        ReadingTable::attach(t);
        QVERIFY(!engineError([&] { ReadingTable::appendReading(t, workedReading()); }).isEmpty());
        QVERIFY(!QFile::exists(tableFile()));
    }

    void directoryThatCannotBeCreatedRaises() {
        writeFile(m_scratch->root() + QStringLiteral("/bin"), "a file where the folder goes");
        QString message;
        try {
            static_cast<void>(ReadingTable::setUp(m_dir));
        } catch (const StoreSetupError& e) {
            message = QString::fromUtf8(e.what());
        }
        QCOMPARE(message, QStringLiteral("Cannot create ") + m_dir);
        QVERIFY(!QFile::exists(m_scratch->configFile())); // the alias was not looked at
    }

    void damagedTableFileRaisesAndIsKept() {
        QDir().mkpath(m_dir);
        QByteArray junk;
        for (int i = 0; i < 100; ++i)
            junk += "Readings of the old logger, kept by hand.\n";
        writeFile(tableFile(), junk);
        const QString error = engineError([&] { static_cast<void>(ReadingTable::setUp(m_dir)); });
        QVERIFY2(error.contains(QDir::toNativeSeparators(tableFile())), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("not a database")), qPrintable(error));
        QCOMPARE(fileBytes(tableFile()), junk);
    }

    // ---- Reading log --------------------------------------------------------

    void readingsAreNumberedAndStoredAsTheirTexts() {
        start();
        Table t;
        ReadingTable::attach(t);
        const LoadReading r = workedReading();
        for (int i = 0; i < 4; ++i) {
            ReadingTable::appendReading(t, r, QDateTime(QDate(2024, 5, 1), QTime(13, 45, 30)));
            QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), i);
        }
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
        Table t;
        ReadingTable::attach(t);
        ReadingTable::appendReading(t, workedReading(), first);
        ReadingTable::appendReading(t, workedReading(), second);
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
        Table t;
        ReadingTable::attach(t);
        for (int i = 0; i < 5; ++i)
            ReadingTable::appendReading(t, workedReading());
        const int left = deleted < 0 ? 0 : 5 - deleted;
        clearRows(deleted);
        ReadingTable::appendReading(t, workedReading());
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), nextId);
        QCOMPARE(t.rowCount(), left + 1);
        QCOMPARE(storedRows().size(), left + 1);
    }

    void failedReadingIsDroppedAndTheNextIsStored() {
        start();
        Table logTable;
        ReadingTable::attach(logTable);
        ReadingTable::appendReading(logTable, workedReading());

        Table other; // another user holds the table
        ReadingTable::attach(other);
        other.open();
        other.lockTable(LockType::Write);
        QVERIFY(engineError([&] {
                    ReadingTable::appendReading(logTable, workedReading());
                }).contains(QStringLiteral("locked")));
        QCOMPARE(logTable.state(), DataSetState::Browse);
        other.unlockTable(LockType::Write);

        ReadingTable::appendReading(logTable, workedReading());
        QCOMPARE(logTable.fieldByName(QStringLiteral("ID")).toInt(), 1);
        QCOMPARE(storedRows().size(), 2);
    }

    void readingWithoutATableRaises() {
        Table t; // never attached to the reading table
        QVERIFY(engineError([&] {
                    ReadingTable::appendReading(t, workedReading());
                }).contains(QStringLiteral("no alias")));
    }

    // ---- Crash safety -------------------------------------------------------

    // A child stores readings and reports each committed ID; it is killed at
    // random moments. Every reported row must be there, the numbering without
    // a gap, and the file sound.
    void postedRowsSurviveSigkill() {
        start();
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("kill delays seeded with %u", seed);
        QRandomGenerator random(seed);
        QMap<int, QString> reported;
        for (int trial = 0; trial < 5; ++trial) {
            QProcess child;
            child.setProgram(QStringLiteral(TARVEX_LOG_CHILD));
            child.setArguments({m_scratch->configFile(), m_dir});
            child.setProcessChannelMode(QProcess::SeparateChannels);
            child.start();
            QVERIFY(child.waitForStarted(30000));
            QVERIFY2(child.waitForReadyRead(60000), child.readAllStandardError().constData());
            QThread::msleep(random.bounded(200));
            child.kill(); // SIGKILL
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
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

QTEST_GUILESS_MAIN(TestReadingTable)
#include "tst_readingtable.moc"
