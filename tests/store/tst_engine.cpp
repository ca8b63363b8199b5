#include "support/StoreFixture.h"

#include <QLocale>
#include <QSignalSpy>

#include <memory>

using namespace tarvex;

namespace {

const QString kAlias = QStringLiteral("Bench");

QList<TFieldDef> ReadingFields() {
    return {{QStringLiteral("ID"), TFieldType::ftInteger, 0, false},
            {QStringLiteral("VolVal"), TFieldType::ftString, 10, false},
            {QStringLiteral("CurVal"), TFieldType::ftString, 10, false},
            {QStringLiteral("PowVal"), TFieldType::ftString, 10, false},
            {QStringLiteral("TestDate"), TFieldType::ftDate, 0, false}};
}

QList<TIndexDef> ReadingIndexes() {
    return {{QStringLiteral("IndexID"), {QStringLiteral("ID")}, ixPrimary | ixUnique}};
}

void CreateReadingTable(const QString& name = QStringLiteral("Tarvex")) {
    CreateTableFrom(kAlias, name, TTableType::ttParadox, ReadingFields(), ReadingIndexes());
}

void OpenTable(TTable& t, const QString& name = QStringLiteral("Tarvex")) {
    t.SetDatabaseName(kAlias);
    t.SetTableName(name);
    t.SetTableType(TTableType::ttParadox);
    t.Open();
}

void AppendRow(TTable& t, int id, const QString& vol = QStringLiteral(" 12.35"),
               QDate date = QDate(2024, 5, 1)) {
    t.Append();
    t.FieldByName(QStringLiteral("ID")).SetAsInteger(id);
    t.FieldByName(QStringLiteral("VolVal")).SetAsString(vol);
    t.FieldByName(QStringLiteral("CurVal")).SetAsString(QStringLiteral("1.50"));
    t.FieldByName(QStringLiteral("PowVal")).SetAsString(QStringLiteral(" 18.50"));
    t.FieldByName(QStringLiteral("TestDate")).SetAsDate(date);
    t.Post();
}

// Rows with IDs first .. first + count - 1, in one transaction.
void AddRows(int first, int count) {
    TTable t;
    OpenTable(t);
    t.LockTable(TLockType::ltWriteLock);
    for (int i = first; i < first + count; ++i)
        AppendRow(t, i, QStringLiteral("%1").arg(i, 6));
    t.UnlockTable(TLockType::ltWriteLock);
}

void OpenQuery(TQuery& q, const QString& sql = QStringLiteral("select * from Tarvex")) {
    q.SetDatabaseName(kAlias);
    q.SetSQL({sql});
    q.Open();
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchEngine> m_scratch;

    void AddAlias() { AddPathAlias(kAlias, m_scratch->DataDir(), QStringLiteral("Paradox")); }

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchEngine>();
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    // ---- Configuration ----------------------------------------------------

    void configurationLivesUnderTheUsersConfigDirectory() {
        SetEngineConfigFile(QString());
        const QString base =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(base.contains(QStringLiteral(".qttest"))); // test mode: never the real one
        QVERIFY(EngineConfigFile().startsWith(base + u'/'));
    }

    void aliasParametersLastOnlyWhenSaved_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << QStringLiteral("/opt/bench/Table");
        QTest::newRow("equals sign, trailing blank") << QStringLiteral("/opt/a=b/Table ");
        QTest::newRow("backslashes") << QStringLiteral("C:\\Bench\\n\\Table\\");
        QTest::newRow("line break") << QStringLiteral("/opt/two\nlines\r/Table");
        QTest::newRow("chinese") << QStringLiteral("/opt/数据/Table");
    }
    void aliasParametersLastOnlyWhenSaved() {
        QFETCH(QString, path);
        QVERIFY(ListAliases().isEmpty());
        AddPathAlias(QStringLiteral("RoruvEde"), path, QStringLiteral("Paradox"));
        const QStringList expected{QStringLiteral("PATH=") + path,
                                   QStringLiteral("DEFAULT DRIVER=PARADOX")};
        QCOMPARE(ListAliases(), QStringList{QStringLiteral("RoruvEde")});
        QCOMPARE(ReadAliasParams(QStringLiteral("roruvEDE")), expected);

        ShutdownEngine(); // not saved: gone with the run
        QVERIFY(ListAliases().isEmpty());
        QVERIFY(!QFile::exists(m_scratch->ConfigFile()));

        AddPathAlias(QStringLiteral("RoruvEde"), path, QStringLiteral("Paradox"));
        SaveEngineConfig();
        ShutdownEngine();
        QCOMPARE(ListAliases(), QStringList{QStringLiteral("RoruvEde")});
        QCOMPARE(ReadAliasParams(QStringLiteral("RoruvEde")), expected);
    }

    void changingParametersKeepsTheOthers() {
        WriteFile(m_scratch->ConfigFile(), "[RoruvEde]\n"
                                           "DEFAULT DRIVER=PARADOX\n"
                                           "PATH=/old/Table\n"
                                           "ENABLE BCD=FALSE\n");
        ChangeAliasParams(QStringLiteral("RORUVEDE"),
                          {QStringLiteral("path=/new/Table"), QStringLiteral("LANGDRIVER=ascii")});
        QCOMPARE(ReadAliasParams(QStringLiteral("RoruvEde")),
                 (QStringList{QStringLiteral("DEFAULT DRIVER=PARADOX"),
                              QStringLiteral("PATH=/new/Table"), QStringLiteral("ENABLE BCD=FALSE"),
                              QStringLiteral("LANGDRIVER=ascii")}));
    }

    void aliasMistakesRaise() {
        AddAlias();
        QVERIFY(EngineError([] {
                    AddPathAlias(kAlias.toUpper(), QStringLiteral("/x"), QStringLiteral("Paradox"));
                }).contains(QStringLiteral("Duplicate alias")));
        QVERIFY(EngineError([] {
                    ReadAliasParams(QStringLiteral("Nowhere"));
                }).contains(QStringLiteral("Unknown alias: Nowhere")));
        QVERIFY(EngineError([] {
                    ChangeAliasParams(QStringLiteral("Nowhere"), {QStringLiteral("PATH=/x")});
                }).contains(QStringLiteral("Unknown alias")));
        QVERIFY(EngineError([] {
                    ChangeAliasParams(kAlias, {QStringLiteral("no equals")});
                }).contains(QStringLiteral("Invalid alias parameter")));
        QVERIFY(EngineError([] {
                    AddPathAlias(QStringLiteral("Other"), QStringLiteral("/x"),
                                 QStringLiteral("dBASE"));
                }).contains(QStringLiteral("Driver not known: dBASE")));
        QCOMPARE(ListAliases(), QStringList{kAlias});
    }

    void engineThatCannotStartRaisesEverywhere_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("driver missing") << "driver"
                                        << "QSQLITE_MISSING";
        QTest::newRow("configuration folder is a file") << "folder"
                                                        << "cannot be created";
        QTest::newRow("damaged configuration") << "damaged"
                                               << "is damaged (line 2";
    }
    void engineThatCannotStartRaisesEverywhere() {
        QFETCH(QString, how);
        QFETCH(QString, message);
        AddAlias();
        CreateReadingTable();
        SaveEngineConfig();
        ShutdownEngine();
        QByteArray config = FileBytes(m_scratch->ConfigFile());
        if (how == QStringLiteral("driver")) {
            SetEngineDriverName(QStringLiteral("QSQLITE_MISSING"));
        } else if (how == QStringLiteral("folder")) {
            WriteFile(m_scratch->Root() + QStringLiteral("/file"), "not a folder");
            SetEngineConfigFile(m_scratch->Root() + QStringLiteral("/file/engine.conf"));
        } else {
            config = "[Bench]\nthis line has no equals sign\n";
            WriteFile(m_scratch->ConfigFile(), config);
        }

        const auto checks = {
            EngineError([] { ListAliases(); }),
            EngineError([] {
                AddPathAlias(QStringLiteral("X"), QStringLiteral("/x"), QStringLiteral("Paradox"));
            }),
            EngineError([] { SaveEngineConfig(); }),
            EngineError([] { ListTables(kAlias); }),
            EngineError([] {
                TTable t;
                OpenTable(t);
            }),
            EngineError([] {
                TQuery q;
                OpenQuery(q);
            }),
        };
        for (const QString& error : checks) {
            QVERIFY2(error.startsWith(QStringLiteral("The table engine cannot start")),
                     qPrintable(error));
            QVERIFY2(error.contains(message), qPrintable(error));
        }
        QCOMPARE(FileBytes(m_scratch->ConfigFile()), config);

        // Mended, it starts at the next use.
        SetEngineDriverName(QStringLiteral("QSQLITE"));
        SetEngineConfigFile(m_scratch->ConfigFile());
        if (how == QStringLiteral("damaged"))
            WriteFile(m_scratch->ConfigFile(), "[Bench]\nPATH=" + m_scratch->DataDir().toUtf8());
        TTable t;
        OpenTable(t);
        QVERIFY(t.Active());
    }

    // ---- Tables ---------------------------------------------------------------

    void listingTablesLeavesOutSystemTablesAndCreatesNoFile() {
        AddAlias();
        QVERIFY(ListTables(kAlias).isEmpty());
        QVERIFY(!QFile::exists(m_scratch->TableFile()));
        CreateReadingTable();
        {
            RawDb raw(m_scratch->TableFile());
            raw.Rows(QStringLiteral("CREATE TABLE Other (n INTEGER PRIMARY KEY AUTOINCREMENT)"));
            raw.Rows(QStringLiteral("INSERT INTO Other DEFAULT VALUES"));
            QCOMPARE(raw.Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                              "'sqlite_sequence'")),
                     QVariant(1));
        }
        QCOMPARE(ListTables(kAlias),
                 (QStringList{QStringLiteral("Tarvex"), QStringLiteral("Other")}));
    }

    void createdTableHasTheSchemaAndTheLog() {
        AddAlias();
        CreateReadingTable();
        RawDb raw(m_scratch->TableFile());
        QStringList columns;
        for (const QVariantList& row : raw.Rows(QStringLiteral("PRAGMA table_info(Tarvex)")))
            columns << row[1].toString() + u' ' + row[2].toString() + u' ' + row[3].toString() +
                           u' ' + row[5].toString();
        QCOMPARE(columns,
                 (QStringList{"ID INTEGER 0 1", "VolVal VARCHAR(10) 0 0", "CurVal VARCHAR(10) 0 0",
                              "PowVal VARCHAR(10) 0 0", "TestDate DATE 0 0"}));
        QVERIFY(raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Tarvex'"))
                    .toString()
                    .contains(QStringLiteral("CONSTRAINT \"IndexID\" PRIMARY KEY (\"ID\")")));
        QCOMPARE(raw.Value(QStringLiteral("PRAGMA journal_mode")).toString(),
                 QStringLiteral("wal"));

        TTable t;
        OpenTable(t);
        QCOMPARE(t.FieldCount(), 5);
        QCOMPARE(t.Fields(1).DataType(), TFieldType::ftString);
        QCOMPARE(t.Fields(1).Size(), 10);
        QCOMPARE(t.Fields(4).DataType(), TFieldType::ftDate);
    }

    void creatingTablesRefusesMistakes() {
        AddAlias();
        CreateReadingTable();
        QVERIFY(EngineError([] {
                    CreateReadingTable(QStringLiteral("TARVEX"));
                }).contains(QStringLiteral("exists")));
        QVERIFY(!EngineError([] {
                     CreateTableFrom(kAlias, QStringLiteral("A"), TTableType::ttParadox,
                                     {{QStringLiteral("S"), TFieldType::ftString, 0, false}}, {});
                 }).isEmpty());
        QVERIFY(EngineError([] {
                    CreateTableFrom(kAlias, QStringLiteral("B"), TTableType::ttParadox,
                                    ReadingFields(),
                                    {{QStringLiteral("X"), {QStringLiteral("Nope")}, ixUnique}});
                }).contains(QStringLiteral("unknown field Nope")));
        QVERIFY(EngineError([] {
                    CreateTableFrom(
                        kAlias, QStringLiteral("C"), TTableType::ttParadox, ReadingFields(),
                        {{QStringLiteral("P1"), {QStringLiteral("ID")}, ixPrimary},
                         {QStringLiteral("P2"), {QStringLiteral("VolVal")}, ixPrimary}});
                }).contains(QStringLiteral("more than one primary")));
        QCOMPARE(ListTables(kAlias), QStringList{QStringLiteral("Tarvex")});
    }

    void tableNamesMatchWithoutCase() {
        AddAlias();
        CreateReadingTable();
        TTable t;
        OpenTable(t, QStringLiteral("TARVEX"));
        AppendRow(t, 7);
        QCOMPARE(t.CountRows(), 1);
        QCOMPARE(t.TableName(), QStringLiteral("TARVEX"));
    }

    void openingWhatIsNotThereRaises() {
        QVERIFY(EngineError([] {
                    TTable t;
                    OpenTable(t);
                }).contains(QStringLiteral("Unknown alias: Bench")));
        AddAlias();
        QVERIFY(EngineError([] {
                    TTable t;
                    OpenTable(t);
                }).contains(QStringLiteral("Table Tarvex does not exist")));
        CreateReadingTable();
        QVERIFY(EngineError([] {
                    TTable t;
                    OpenTable(t, QStringLiteral("Nope"));
                }).contains(QStringLiteral("Table Nope does not exist")));
        QVERIFY(QDir(m_scratch->DataDir()).removeRecursively());
        QVERIFY(EngineError([] {
                    TTable t;
                    OpenTable(t);
                }).contains(QStringLiteral("does not exist")));
    }

    void appendedRowsAreStoredAndKeptInKeyOrder() {
        AddAlias();
        CreateReadingTable();
        TTable t;
        OpenTable(t);
        QVERIFY(t.IsEmpty());
        t.Last();
        QVERIFY(t.IsEmpty() && t.Eof() && t.Bof());

        for (const int id : {5, 2, 9}) {
            t.Append();
            QCOMPARE(t.State(), TDataSetState::dsInsert);
            t.FieldByName(QStringLiteral("id")).SetAsInteger(id);
            t.FieldByName(QStringLiteral("VolVal")).SetAsString(QStringLiteral("  7.00"));
            // The date of a date-time, the time of day dropped.
            t.FieldByName(QStringLiteral("TestDate"))
                .SetAsDateTime(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59)));
            t.Post();
            QCOMPARE(t.State(), TDataSetState::dsBrowse);
            QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), id); // posted row is current
        }
        t.Append();
        QCOMPARE(t.CountRows(), 3); // the row being appended is not counted
        t.Cancel();

        t.Last();
        QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 9);
        QVERIFY(t.Eof());
        QList<int> order;
        for (t.First(); !t.Eof(); t.Next())
            order << t.FieldByName(QStringLiteral("ID")).AsInteger();
        QCOMPARE(order, (QList<int>{2, 5, 9}));
        QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 9); // Next past the end stays

        QCOMPARE(t.FieldByName(QStringLiteral("VolVal")).AsString(), QStringLiteral("  7.00"));
        QCOMPARE(t.FieldByName(QStringLiteral("CurVal")).IsNull(), true);
        QCOMPARE(t.FieldByName(QStringLiteral("TestDate")).AsDate(), QDate(2024, 5, 1));
        RawDb raw(m_scratch->TableFile());
        QCOMPARE(raw.Value(QStringLiteral("SELECT group_concat(DISTINCT TestDate) FROM Tarvex")),
                 QVariant(QStringLiteral("2024-05-01")));
    }

    void singleRowIsNotEmptyAfterWalkingPastIt() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 1);
        TTable t;
        OpenTable(t);
        TQuery q;
        OpenQuery(q);
        for (TDataSet* d : {static_cast<TDataSet*>(&t), static_cast<TDataSet*>(&q)}) {
            d->First();
            QVERIFY(d->Bof() && !d->Eof());
            d->Next();
            QVERIFY(d->Eof() && !d->Bof());
            QVERIFY(!d->IsEmpty());
            QCOMPARE(d->FieldByName(QStringLiteral("ID")).AsInteger(), 0);
            d->Last();
            QVERIFY(!d->IsEmpty());
        }
        q.Prior();
        QVERIFY(q.Bof() && !q.Eof());
        t.Delete();
        QVERIFY(t.IsEmpty());
    }

    void primaryIndexRefusesADuplicateAndTheTableGoesOn() {
        AddAlias();
        CreateReadingTable();
        TTable t;
        OpenTable(t);
        AppendRow(t, 1, QStringLiteral("first"));
        t.Append();
        t.FieldByName(QStringLiteral("ID")).SetAsInteger(1);
        t.FieldByName(QStringLiteral("VolVal")).SetAsString(QStringLiteral("second"));
        QVERIFY(EngineError([&] { t.Post(); }).contains(QStringLiteral("UNIQUE")));
        QCOMPARE(t.State(), TDataSetState::dsInsert); // still unposted
        t.Cancel();
        AppendRow(t, 2, QStringLiteral("third"));
        TQuery q;
        OpenQuery(q, QStringLiteral("select VolVal from Tarvex"));
        QStringList stored;
        for (; !q.Eof(); q.Next())
            stored << q.Fields(0).AsString();
        QCOMPARE(stored, (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
    }

    void badFieldValuesRaise_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("text into ID") << "ID" << QVariant(QStringLiteral("twelve"));
        QTest::newRow("beyond 32 bits") << "ID" << QVariant(qint64(1) << 31);
        QTest::newRow("fraction into ID") << "ID" << QVariant(1.5);
        QTest::newRow("not a date") << "TestDate" << QVariant(QStringLiteral("yesterday"));
    }
    void badFieldValuesRaise() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        AddAlias();
        CreateReadingTable();
        TTable t;
        OpenTable(t);
        QVERIFY(EngineError([&] {
                    t.FieldByName(field).SetValue(value);
                }).contains(QStringLiteral("Call Append"), Qt::CaseInsensitive));
        t.Append();
        QVERIFY(EngineError([&] {
                    t.FieldByName(field).SetValue(value);
                }).contains(QStringLiteral("is not a valid value for field ") + field));
    }

    void deletingFromTheFirstRowEmptiesTheTable() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 5);
        TTable t;
        OpenTable(t);
        t.LockTable(TLockType::ltWriteLock);
        int deleted = 0;
        while (!t.Eof()) {
            QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), deleted);
            t.Delete();
            ++deleted;
        }
        t.UnlockTable(TLockType::ltWriteLock);
        QCOMPARE(deleted, 5);
        QVERIFY(t.IsEmpty());
        QCOMPARE(t.CountRows(), 0);
        t.UnlockTable(TLockType::ltWriteLock); // without a lock: nothing happens
        t.First();
        QVERIFY(t.Eof());
    }

    void deletingTheLastRowLandsOnTheOneBefore() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 3);
        TTable t;
        OpenTable(t);
        t.Last();
        t.Delete();
        QVERIFY(t.Eof());
        QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 1);
        t.First();
        t.Delete();
        QVERIFY(!t.Eof());
        QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 1);
        QCOMPARE(t.CountRows(), 1);
    }

    void writeLockKeepsOtherWritersOutUntilReleased() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 3);
        TTable clearer;
        OpenTable(clearer);
        TTable logger;
        OpenTable(logger);

        clearer.LockTable(TLockType::ltWriteLock);
        clearer.Delete();
        logger.Append();
        logger.FieldByName(QStringLiteral("ID")).SetAsInteger(100);
        QVERIFY(EngineError([&] { logger.Post(); }).contains(QStringLiteral("locked")));
        {
            TQuery q; // readers go on and see nothing uncommitted
            OpenQuery(q);
            QCOMPARE(q.CountRows(), 3);
        }
        clearer.UnlockTable(TLockType::ltWriteLock);

        logger.Post(); // the same row posts once the lock is gone
        TQuery q;
        OpenQuery(q, QStringLiteral("select ID from Tarvex"));
        QList<int> ids;
        for (; !q.Eof(); q.Next())
            ids << q.Fields(0).AsInteger();
        QCOMPARE(ids, (QList<int>{1, 2, 100}));
    }

    void closingALockedTableCommitsItsDeletions() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 3);
        {
            TTable t;
            OpenTable(t);
            t.LockTable(TLockType::ltWriteLock);
            t.Delete();
            t.Close();
        }
        TTable t;
        OpenTable(t);
        QCOMPARE(t.CountRows(), 2);
        t.LockTable(TLockType::ltWriteLock); // and the lock is gone
        t.UnlockTable(TLockType::ltWriteLock);
    }

    void postedRowIsCommittedAtOnce() {
        AddAlias();
        CreateReadingTable();
        TTable t;
        OpenTable(t);
        AppendRow(t, 0);
        RawDb raw(m_scratch->TableFile()); // another connection, table still open
        QCOMPARE(raw.Value(QStringLiteral("SELECT count(*) FROM Tarvex")), QVariant(1));
    }

    // ---- Damaged table files ------------------------------------------------

    void damagedTableFileRaisesAndStaysUntouched_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("a few bytes") << "short";
        QTest::newRow("database with a damaged first page") << "damaged";
    }
    void damagedTableFileRaisesAndStaysUntouched() {
        QFETCH(QString, kind);
        AddAlias();
        if (kind == QStringLiteral("damaged")) {
            CreateReadingTable();
            AddRows(0, 300);
            QByteArray bytes = FileBytes(m_scratch->TableFile());
            QVERIFY(bytes.size() > 8192);
            for (qsizetype i = 100; i < 4096; ++i)
                bytes[i] = char(0xA5);
            WriteFile(m_scratch->TableFile(), bytes);
        } else if (kind == QStringLiteral("text")) {
            QByteArray text;
            for (int i = 0; i < 200; ++i)
                text += "Operator notes: battery 7 discharged at 2 A.\n";
            WriteFile(m_scratch->TableFile(), text);
        } else {
            WriteFile(m_scratch->TableFile(), "SQLite");
        }
        const QByteArray before = FileBytes(m_scratch->TableFile());

        const QString file = QDir::toNativeSeparators(m_scratch->TableFile());
        const auto errors = {
            EngineError([] { ListTables(kAlias); }),
            EngineError([] { CreateReadingTable(); }),
            EngineError([] {
                TTable t;
                OpenTable(t);
            }),
            EngineError([] {
                TQuery q;
                OpenQuery(q);
            }),
        };
        for (const QString& error : errors) {
            QVERIFY2(error.startsWith(QStringLiteral("The table file ") + file), qPrintable(error));
            QVERIFY2(error.contains(QStringLiteral("not a database")), qPrintable(error));
        }
        QCOMPARE(FileBytes(m_scratch->TableFile()), before);
    }

    // ---- Queries ----------------------------------------------------------

    void queryFieldsShowNameWidthAndText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "5/1/24";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "01.05.24";
        QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << "2024/5/1";
    }
    void queryFieldsShowNameWidthAndText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        AddAlias();
        CreateReadingTable();
        {
            TTable t;
            OpenTable(t);
            AppendRow(t, 1234567, QStringLiteral(" 12.35"));
            t.Append();
            t.FieldByName(QStringLiteral("ID")).SetAsInteger(-3);
            t.Post();
        }
        QLocale::setDefault(locale);
        TQuery q;
        OpenQuery(q);
        QStringList names;
        QList<int> widths;
        for (int i = 0; i < q.FieldCount(); ++i) {
            names << q.Fields(i).FieldName();
            widths << q.Fields(i).DisplayWidth();
        }
        QCOMPARE(names, (QStringList{"ID", "VolVal", "CurVal", "PowVal", "TestDate"}));
        QCOMPARE(widths, (QList<int>{11, 10, 10, 10, 10}));

        // Rows come in ID order: -3 first, with empty texts.
        QStringList texts;
        for (int i = 0; i < q.FieldCount(); ++i)
            texts << q.Fields(i).DisplayText();
        QCOMPARE(texts, (QStringList{"-3", "", "", "", ""}));
        q.Next();
        texts.clear();
        for (int i = 0; i < q.FieldCount(); ++i)
            texts << q.Fields(i).DisplayText();
        QCOMPARE(texts, (QStringList{"1234567", " 12.35", "1.50", " 18.50", date}));
        QCOMPARE(q.RowDisplayText(1, 4), date);
        QCOMPARE(q.Fields(4).AsDate(), QDate(2024, 5, 1));
    }

    void queryWalksAndJumpsOverManyRows() {
        AddAlias();
        CreateReadingTable();
        const int n = 5000;
        AddRows(0, n);
        TQuery q;
        OpenQuery(q);
        QSignalSpy scrolled(&q, &TDataSet::Scrolled);
        QSignalSpy changed(&q, &TDataSet::DataSetChanged);

        // Random access does not move the cursor.
        for (const int row : {4999, 0, 2600, 255, 256, 4095, 1})
            QCOMPARE(q.RowValue(row, 0), QVariant(row));
        QVERIFY(q.RowValue(n, 0).isNull());
        QCOMPARE(q.RowDisplayText(n, 1), QString());
        QCOMPARE(q.RowNumber(), 0);
        QCOMPARE(scrolled.count(), 0);
        QCOMPARE(q.CountRows(), n);

        q.MoveTo(3000);
        const TBookmark mark = q.GetBookmark();
        q.DisableControls();
        q.DisableControls();
        int expected = 0;
        for (q.First(); !q.Eof(); q.Next()) {
            QCOMPARE(q.FieldByName(QStringLiteral("ID")).AsInteger(), expected);
            QCOMPARE(q.FieldByName(QStringLiteral("VolVal")).AsString(),
                     QStringLiteral("%1").arg(expected, 6));
            ++expected;
        }
        QCOMPARE(expected, n);
        QCOMPARE(q.RowNumber(), n - 1);
        q.GotoBookmark(mark);
        q.EnableControls();
        QCOMPARE(scrolled.count(), 1); // the MoveTo before
        q.EnableControls();
        QCOMPARE(scrolled.count(), 2); // once for the whole walk
        QCOMPARE(changed.count(), 0);
        QCOMPARE(q.RowNumber(), 3000);
        QCOMPARE(q.Fields(0).AsInteger(), 3000);

        q.Last();
        QVERIFY(q.Eof());
        QCOMPARE(q.Fields(0).AsInteger(), n - 1);
        q.Prior();
        QCOMPARE(q.Fields(0).AsInteger(), n - 2);
        q.MoveTo(n + 10); // clamped
        QCOMPARE(q.RowNumber(), n - 1);

        q.Close();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(q.FieldCount(), 0);
        QVERIFY(q.RowValue(0, 0).isNull());
    }

    void emptyResultIsBothEnds() {
        AddAlias();
        CreateReadingTable();
        TQuery q;
        OpenQuery(q);
        QCOMPARE(q.FieldCount(), 5);
        QVERIFY(q.IsEmpty());
        QCOMPARE(q.RowNumber(), -1);
        QCOMPARE(q.CountRows(), 0);
        q.Last();
        q.Next();
        QVERIFY(q.Eof() && q.Bof());
        QVERIFY(q.Fields(0).IsNull());
    }

    void queryRunsOnlyOneSelect_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("delete") << "delete from Tarvex"
                                << "syntax error";
        QTest::newRow("update") << "update Tarvex set VolVal = 'x'"
                                << "syntax error";
        QTest::newRow("drop") << "drop table Tarvex"
                              << "syntax error";
        QTest::newRow("two statements") << "select 1; delete from Tarvex"
                                        << "syntax error";
        QTest::newRow("unknown table") << "select * from Nope"
                                       << "no such table: Nope";
    }
    void queryRunsOnlyOneSelect() {
        QFETCH(QString, sql);
        QFETCH(QString, message);
        AddAlias();
        CreateReadingTable();
        AddRows(0, 3);
        TQuery q;
        const QString error = EngineError([&] { OpenQuery(q, sql); });
        QVERIFY2(error.startsWith(QStringLiteral("Cannot run the query \"") + sql),
                 qPrintable(error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!q.Active());
        TTable t;
        OpenTable(t);
        QCOMPARE(t.CountRows(), 3);
        t.First();
        QCOMPARE(t.FieldByName(QStringLiteral("VolVal")).AsString(), QStringLiteral("     0"));
    }

    void queryTakesTrailingSemicolonsAndComments() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 2);
        TQuery q;
        q.SetDatabaseName(kAlias);
        q.SetSQL({QStringLiteral("select *"), QStringLiteral("from Tarvex -- every row"),
                  QStringLiteral(";")});
        q.Open();
        QCOMPARE(q.CountRows(), 2);
        q.SetSQL({QStringLiteral("select count(*) as N, max(ID) from Tarvex;")});
        QVERIFY(!q.Active()); // a new statement closes the query
        q.Open();
        QCOMPARE(q.Fields(0).FieldName(), QStringLiteral("N"));
        QCOMPARE(q.Fields(0).AsInteger(), 2);
        QCOMPARE(q.Fields(1).AsInteger(), 1);
        QVERIFY(EngineError([&] {
                    q.SetDatabaseName(QStringLiteral("Other"));
                }).contains(QStringLiteral("open data set")));
    }

    // An open query must not hold a read transaction: that would keep the log
    // from being checkpointed, and it would grow for as long as the query
    // window stays open while readings are stored.
    void openQueryLetsTheLogBeCheckpointed() {
        AddAlias();
        CreateReadingTable();
        AddRows(0, 1000);
        TQuery q;
        OpenQuery(q);
        q.Next();
        q.MoveTo(700);
        QCOMPARE(q.RowValue(900, 0), QVariant(900));
        TTable t;
        OpenTable(t);
        for (int i = 1000; i < 1010; ++i)
            AppendRow(t, i);
        RawDb raw(m_scratch->TableFile());
        const auto result = raw.Rows(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QCOMPARE(result.size(), 1);
        QCOMPARE(result.first().value(0), QVariant(0)); // not blocked by a reader
        QCOMPARE(QFileInfo(m_scratch->TableFile() + QStringLiteral("-wal")).size(), 0);
        QCOMPARE(q.Fields(0).AsInteger(), 700);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
