#include "support/StoreFixture.h"

#include "control/ReadingStore.h"
#include "ui/MessageBoxes.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <memory>

using namespace tarvex;

namespace {

const QString kWarning = QStringLiteral("Have no install BDE ,Please insatll !");
const QString kMarker = QStringLiteral("; left here by the test\n");

// The worked example: 12345 mV, 1500 mA, 185 tenths of a watt.
LoadReading WorkedReading() {
    DeviceFrame answer{};
    const std::uint8_t bytes[] = {0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), answer.begin() + 3);
    return decodeStatusAnswer(answer);
}

// Deletes rows from the first on, as the query window's clear does; stops
// after count rows (-1: all).
void ClearRows(int count) {
    TTable t;
    t.SetDatabaseName(QString::fromLatin1(kStoreAlias));
    t.SetTableName(QString::fromLatin1(kReadingTable));
    t.SetTableType(TTableType::ttParadox);
    t.Open();
    t.LockTable(TLockType::ltWriteLock);
    for (int deleted = 0; !t.Eof() && deleted != count; ++deleted)
        t.Delete();
    t.UnlockTable(TLockType::ltWriteLock);
}

} // namespace

class TestReadingStore : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchEngine> m_scratch;
    QList<MessageRequest> m_messages;
    QString m_dir; // the data directory beside a program file in <root>/bin

    QString TableFile() const { return m_dir + QStringLiteral("/tables.db"); }

    QString ConfigText() const { return QString::fromUtf8(FileBytes(m_scratch->ConfigFile())); }

    // Puts the marker on top of the configuration file; it stays only as long
    // as the engine does not save.
    void MarkConfig() {
        WriteFile(m_scratch->ConfigFile(), kMarker.toUtf8() + FileBytes(m_scratch->ConfigFile()));
    }
    bool ConfigSaved() const { return !ConfigText().contains(kMarker); }

    // A new run of the program: the engine reads its configuration afresh.
    void Start() {
        ShutdownEngine();
        PrepareStore(m_dir);
    }

    // The stored rows as "ID|VolVal|CurVal|PowVal|TestDate", read from outside.
    QStringList StoredRows() {
        RawDb raw(TableFile());
        QStringList rows;
        for (const QVariantList& r : raw.Rows(QStringLiteral(
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
        m_dir = m_scratch->Root() + QStringLiteral("/bin/Table");
        m_messages.clear();
        setMessageHandler([this](const MessageRequest& r) {
            m_messages << r;
            return QMessageBox::Yes;
        });
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() {
        setMessageHandler({});
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    void dataDirectoryIsBesideTheProgram() {
        QCOMPARE(DefaultDataDirectory(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Table"));
    }

    // ---- Set-up -------------------------------------------------------------

    void firstStartCreatesDirectoryAliasAndEmptyTable() {
        QVERIFY(!QFile::exists(m_dir));
        QVERIFY(!QFile::exists(m_scratch->ConfigFile()));
        Start();
        QVERIFY(m_messages.isEmpty());
        QVERIFY(QFileInfo(m_dir).isDir());

        ShutdownEngine(); // what was saved
        QCOMPARE(ReadAliasParams(QStringLiteral("RoruvEde")),
                 (QStringList{QStringLiteral("PATH=") + m_dir,
                              QStringLiteral("DEFAULT DRIVER=PARADOX")}));
        QCOMPARE(ListTables(QStringLiteral("RoruvEde")), QStringList{QStringLiteral("Tarvex")});

        TTable t;
        SetUpReadingTable(t);
        t.Open();
        QVERIFY(t.IsEmpty());
        QStringList fields;
        for (int i = 0; i < t.FieldCount(); ++i)
            fields << QStringLiteral("%1:%2:%3")
                          .arg(t.Fields(i).FieldName())
                          .arg(int(t.Fields(i).DataType()))
                          .arg(t.Fields(i).Size());
        QCOMPARE(fields,
                 (QStringList{QStringLiteral("ID:%1:0").arg(int(TFieldType::ftInteger)),
                              QStringLiteral("VolVal:%1:10").arg(int(TFieldType::ftString)),
                              QStringLiteral("CurVal:%1:10").arg(int(TFieldType::ftString)),
                              QStringLiteral("PowVal:%1:10").arg(int(TFieldType::ftString)),
                              QStringLiteral("TestDate:%1:0").arg(int(TFieldType::ftDate))}));
        RawDb raw(TableFile());
        QVERIFY(raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Tarvex'"))
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
        WriteFile(m_scratch->ConfigFile(),
                  (kMarker + QStringLiteral("[roruvede]\n") +
                   params.replace(QStringLiteral("%1"), m_dir).replace(QStringLiteral("%2"), upper))
                      .toUtf8());
        for (QString& line : expected)
            line.replace(QStringLiteral("%1"), m_dir);

        Start();
        QVERIFY(ConfigSaved());
        ShutdownEngine();
        QCOMPARE(ReadAliasParams(QStringLiteral("RoruvEde")), expected);
        QCOMPARE(ListTables(QStringLiteral("RoruvEde")), QStringList{QStringLiteral("Tarvex")});

        MarkConfig();
        Start();
        QCOMPARE(ConfigSaved(), savedAtEveryStart);
        QCOMPARE(ReadAliasParams(QStringLiteral("RoruvEde")), expected);
        QVERIFY(m_messages.isEmpty());
    }

    void movedProgramLeavesOldRowsBehind() {
        const QString oldDir = m_scratch->Root() + QStringLiteral("/old/Table");
        PrepareStore(oldDir);
        TTable t;
        SetUpReadingTable(t);
        LogReading(t, WorkedReading());
        t.Close();
        const QByteArray oldTable = FileBytes(oldDir + QStringLiteral("/tables.db"));

        Start();
        LogReading(t, WorkedReading());
        QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 0); // a new, empty table
        t.Close();
        QCOMPARE(FileBytes(oldDir + QStringLiteral("/tables.db")), oldTable);
    }

    void secondStartChangesAndSavesNothing() {
        Start();
        TTable t;
        SetUpReadingTable(t);
        LogReading(t, WorkedReading(), QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
        t.Close();
        MarkConfig();
        const QByteArray config = FileBytes(m_scratch->ConfigFile());
        const QDateTime modified = QFileInfo(m_scratch->ConfigFile()).lastModified();
        const QStringList rows = StoredRows();

        Start();
        QCOMPARE(FileBytes(m_scratch->ConfigFile()), config);
        QCOMPARE(QFileInfo(m_scratch->ConfigFile()).lastModified(), modified);
        QCOMPARE(StoredRows(), rows);
        QVERIFY(m_messages.isEmpty());
    }

    void tableInAnyLetterCaseIsUsedUnchanged() {
        QDir().mkpath(m_dir);
        AddPathAlias(QStringLiteral("RoruvEde"), m_dir, QStringLiteral("Paradox"));
        CreateTableFrom(QStringLiteral("RoruvEde"), QStringLiteral("TARVEX"), TTableType::ttParadox,
                        {{QStringLiteral("Note"), TFieldType::ftString, 40, false}}, {});
        Start();
        QCOMPARE(ListTables(QStringLiteral("RoruvEde")), QStringList{QStringLiteral("TARVEX")});
        TTable t;
        SetUpReadingTable(t);
        t.Open();
        QCOMPARE(t.FieldCount(), 1);
        QCOMPARE(t.Fields(0).FieldName(), QStringLiteral("Note"));
    }

    void aliasFailureWarnsAndSkipsTheTable_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("engine missing") << "driver";
        QTest::newRow("configuration not writable") << "config";
        QTest::newRow("alias without parameters") << "empty alias";
    }
    void aliasFailureWarnsAndSkipsTheTable() {
        QFETCH(QString, how);
        if (how == QStringLiteral("driver")) {
            SetEngineDriverName(QStringLiteral("QSQLITE_MISSING"));
        } else if (how == QStringLiteral("config")) {
            WriteFile(m_scratch->Root() + QStringLiteral("/file"), "a file, not a folder");
            SetEngineConfigFile(m_scratch->Root() + QStringLiteral("/file/table-engine.conf"));
        } else {
            WriteFile(m_scratch->ConfigFile(), "[RoruvEde]\n");
        }
        PrepareStore(m_dir); // raises nothing
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, kWarning);
        QCOMPARE(m_messages[0].icon, QMessageBox::Warning);
        QCOMPARE(m_messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QVERIFY(QFileInfo(m_dir).isDir());
        QVERIFY(!QFile::exists(TableFile())); // the table step did not run

        // Readings then fail to be stored, with the engine's message.
        TTable t;
        SetUpReadingTable(t);
        QVERIFY(!EngineError([&] { LogReading(t, WorkedReading()); }).isEmpty());
        QVERIFY(!QFile::exists(TableFile()));
    }

    void directoryThatCannotBeCreatedRaises() {
        WriteFile(m_scratch->Root() + QStringLiteral("/bin"), "a file where the folder goes");
        QString message;
        try {
            PrepareStore(m_dir);
        } catch (const StoreSetupError& e) {
            message = QString::fromUtf8(e.what());
        }
        QCOMPARE(message, QStringLiteral("Cannot create ") + m_dir);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!QFile::exists(m_scratch->ConfigFile())); // the alias was not looked at
    }

    void damagedTableFileRaisesAndIsKept() {
        QDir().mkpath(m_dir);
        QByteArray junk;
        for (int i = 0; i < 100; ++i)
            junk += "Readings of the old logger, kept by hand.\n";
        WriteFile(TableFile(), junk);
        const QString error = EngineError([&] { PrepareStore(m_dir); });
        QVERIFY2(error.contains(QDir::toNativeSeparators(TableFile())), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("not a database")), qPrintable(error));
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(FileBytes(TableFile()), junk);
    }

    // ---- Reading log --------------------------------------------------------

    void readingsAreNumberedAndStoredAsTheirTexts() {
        Start();
        TTable t;
        SetUpReadingTable(t);
        const LoadReading r = WorkedReading();
        for (int i = 0; i < 4; ++i) {
            LogReading(t, r, QDateTime(QDate(2024, 5, 1), QTime(13, 45, 30)));
            QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), i);
        }
        const QString row = QStringLiteral("| 12.35|1.50| 18.50|2024-05-01");
        QCOMPARE(StoredRows(), (QStringList{"0" + row, "1" + row, "2" + row, "3" + row}));
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
        Start();
        TTable t;
        SetUpReadingTable(t);
        LogReading(t, WorkedReading(), first);
        LogReading(t, WorkedReading(), second);
        RawDb raw(TableFile());
        QStringList stored;
        for (const QVariantList& r : raw.Rows(QStringLiteral("SELECT TestDate FROM Tarvex")))
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
        Start();
        TTable t;
        SetUpReadingTable(t);
        for (int i = 0; i < 5; ++i)
            LogReading(t, WorkedReading());
        const int left = deleted < 0 ? 0 : 5 - deleted;
        ClearRows(deleted);
        LogReading(t, WorkedReading());
        QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), nextId);
        QCOMPARE(t.CountRows(), left + 1);
        QCOMPARE(StoredRows().size(), left + 1);
    }

    void failedReadingIsDroppedAndTheNextIsStored() {
        Start();
        TTable logTable;
        SetUpReadingTable(logTable);
        LogReading(logTable, WorkedReading());

        TTable other; // another user holds the table
        SetUpReadingTable(other);
        other.Open();
        other.LockTable(TLockType::ltWriteLock);
        QVERIFY(EngineError([&] {
                    LogReading(logTable, WorkedReading());
                }).contains(QStringLiteral("locked")));
        QCOMPARE(logTable.State(), TDataSetState::dsBrowse);
        other.UnlockTable(TLockType::ltWriteLock);

        LogReading(logTable, WorkedReading());
        QCOMPARE(logTable.FieldByName(QStringLiteral("ID")).AsInteger(), 1);
        QCOMPARE(StoredRows().size(), 2);
    }

    void readingWithoutATableRaises() {
        TTable t; // FormCreate did not point it anywhere
        QVERIFY(EngineError([&] {
                    LogReading(t, WorkedReading());
                }).contains(QStringLiteral("no alias")));
    }

    // ---- Crash safety -------------------------------------------------------

    // A child stores readings and reports each committed ID; it is killed at
    // random moments. Every reported row must be there, the numbering without
    // a gap, and the file sound.
    void postedRowsSurviveSigkill() {
        Start();
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("kill delays seeded with %u", seed);
        QRandomGenerator random(seed);
        QMap<int, QString> reported;
        for (int trial = 0; trial < 5; ++trial) {
            QProcess child;
            child.setProgram(QStringLiteral(TARVEX_LOG_CHILD));
            child.setArguments({m_scratch->ConfigFile(), m_dir});
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

            RawDb raw(TableFile());
            QCOMPARE(raw.Value(QStringLiteral("PRAGMA integrity_check")).toString(),
                     QStringLiteral("ok"));
            QMap<int, QString> stored;
            for (const QVariantList& r : raw.Rows(QStringLiteral("SELECT ID, VolVal FROM Tarvex")))
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
