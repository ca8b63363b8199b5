// The table engine: its configuration of aliases, its start, and the
// table files it lists, creates and refuses to touch.
#include "StoreTest.h"

using namespace tarvex;

class TestTableEngine : public StoreTest {
    Q_OBJECT

private slots:
    // ---- Configuration ----------------------------------------------------

    void configurationLivesUnderTheUsersConfigDirectory() {
        TableEngine::setConfigFile(QString());
        const QString base =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(base.contains(QStringLiteral(".qttest"))); // test mode: never the real one
        QVERIFY(TableEngine::configFile().startsWith(base + u'/'));
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
        QVERIFY(TableEngine::aliases().isEmpty());
        TableEngine::addPathAlias(QStringLiteral("RoruvEde"), path, QStringLiteral("Paradox"));
        const QStringList expected{QStringLiteral("PATH=") + path,
                                   QStringLiteral("DEFAULT DRIVER=PARADOX")};
        QCOMPARE(TableEngine::aliases(), QStringList{QStringLiteral("RoruvEde")});
        QCOMPARE(TableEngine::aliasParams(QStringLiteral("roruvEDE")), expected);

        TableEngine::shutdown(); // not saved: gone with the run
        QVERIFY(TableEngine::aliases().isEmpty());
        QVERIFY(!QFile::exists(m_scratch->configFile()));

        TableEngine::addPathAlias(QStringLiteral("RoruvEde"), path, QStringLiteral("Paradox"));
        TableEngine::saveConfig();
        TableEngine::shutdown();
        QCOMPARE(TableEngine::aliases(), QStringList{QStringLiteral("RoruvEde")});
        QCOMPARE(TableEngine::aliasParams(QStringLiteral("RoruvEde")), expected);
    }

    void changingParametersKeepsTheOthers() {
        writeFile(m_scratch->configFile(), "[RoruvEde]\n"
                                           "DEFAULT DRIVER=PARADOX\n"
                                           "PATH=/old/Table\n"
                                           "ENABLE BCD=FALSE\n");
        TableEngine::changeAliasParams(
            QStringLiteral("RORUVEDE"),
            {QStringLiteral("path=/new/Table"), QStringLiteral("LANGDRIVER=ascii")});
        QCOMPARE(TableEngine::aliasParams(QStringLiteral("RoruvEde")),
                 (QStringList{QStringLiteral("DEFAULT DRIVER=PARADOX"),
                              QStringLiteral("PATH=/new/Table"), QStringLiteral("ENABLE BCD=FALSE"),
                              QStringLiteral("LANGDRIVER=ascii")}));
    }

    void aliasMistakesRaise() {
        addTestAlias(*m_scratch);
        QVERIFY(engineError([] {
                    TableEngine::addPathAlias(kTestAlias.toUpper(), QStringLiteral("/x"),
                                              QStringLiteral("Paradox"));
                }).contains(QStringLiteral("Duplicate alias")));
        QVERIFY(engineError([] {
                    TableEngine::aliasParams(QStringLiteral("Nowhere"));
                }).contains(QStringLiteral("Unknown alias: Nowhere")));
        QVERIFY(engineError([] {
                    TableEngine::changeAliasParams(QStringLiteral("Nowhere"),
                                                   {QStringLiteral("PATH=/x")});
                }).contains(QStringLiteral("Unknown alias")));
        QVERIFY(engineError([] {
                    TableEngine::changeAliasParams(kTestAlias, {QStringLiteral("no equals")});
                }).contains(QStringLiteral("Invalid alias parameter")));
        QVERIFY(engineError([] {
                    TableEngine::addPathAlias(QStringLiteral("Other"), QStringLiteral("/x"),
                                              QStringLiteral("dBASE"));
                }).contains(QStringLiteral("Driver not known: dBASE")));
        QCOMPARE(TableEngine::aliases(), QStringList{kTestAlias});
    }

    // An alias names a server by its driver alone; its parameters are read as
    // written, and what would be a mistake on a server is refused before any
    // connection is tried.
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
                                   << "Alias Bench has no SCHEMA parameter";
        QTest::newRow("port not a number")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nPORT=54x\nSCHEMA=b1\n")
            << "Alias Bench: PORT=54x is not a port number";
        QTest::newRow("port out of range")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nPORT=70000\nSCHEMA=b1\n")
            << "Alias Bench: PORT=70000 is not a port number";
        QTest::newRow("password in the file")
            << QByteArray("DEFAULT DRIVER=POSTGRESQL\nSCHEMA=b1\nPASSWORD=secret\n")
            << "Alias Bench holds a PASSWORD";
    }
    void serverAliasIsReadFromItsParameters() {
        QFETCH(QByteArray, params);
        QFETCH(QString, expected);
        const QByteArray config = "[Bench]\n" + params;
        writeFile(m_scratch->configFile(), config);
        QVERIFY(TableEngine::isServerAlias(kTestAlias));
        QString got;
        try {
            const std::optional<ServerAlias> server = TableEngine::serverAlias(kTestAlias);
            QVERIFY(server.has_value());
            got = QStringList{server->host, QString::number(server->port), server->database,
                              server->user, server->schema}
                      .join(u'|');
        } catch (const DatabaseError& e) {
            got = e.message();
        }
        QVERIFY2(got.startsWith(expected), qPrintable(got));
        // A server alias has no table file; no directory is made for it.
        QVERIFY(engineError([] {
                    TableEngine::tableFilePath(kTestAlias);
                }).startsWith(QStringLiteral("Alias Bench")));
        QCOMPARE(fileBytes(m_scratch->configFile()), config);
    }

    void onlyTheServerDriverNamesAServer() {
        writeFile(m_scratch->configFile(), "[Files]\nPATH=/x\nDEFAULT DRIVER=PARADOX\n"
                                           "[Plain]\nPATH=/y\n"
                                           "[Server]\nDEFAULT DRIVER=POSTGRESQL\nSCHEMA=b\n");
        QVERIFY(!TableEngine::isServerAlias(QStringLiteral("Files")));
        QVERIFY(!TableEngine::isServerAlias(QStringLiteral("Plain")));
        QVERIFY(!TableEngine::isServerAlias(QStringLiteral("Nowhere")));
        QVERIFY(TableEngine::isServerAlias(QStringLiteral("SERVER")));
        QVERIFY(!TableEngine::serverAlias(QStringLiteral("Files")).has_value());
        QVERIFY(engineError([] {
                    TableEngine::serverAlias(QStringLiteral("Nowhere"));
                }).contains(QStringLiteral("Unknown alias: Nowhere")));
        // Broken engine: no alias is a server, and asking raises nothing.
        TableEngine::setDriverName(QStringLiteral("QSQLITE_MISSING"));
        QVERIFY(!TableEngine::isServerAlias(QStringLiteral("Server")));
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
        addTestAlias(*m_scratch);
        createTestTable();
        TableEngine::saveConfig();
        TableEngine::shutdown();
        QByteArray config = fileBytes(m_scratch->configFile());
        if (how == QStringLiteral("driver")) {
            TableEngine::setDriverName(QStringLiteral("QSQLITE_MISSING"));
        } else if (how == QStringLiteral("folder")) {
            writeFile(m_scratch->root() + QStringLiteral("/file"), "not a folder");
            TableEngine::setConfigFile(m_scratch->root() + QStringLiteral("/file/engine.conf"));
        } else {
            config = "[Bench]\nthis line has no equals sign\n";
            writeFile(m_scratch->configFile(), config);
        }

        const auto checks = {
            engineError([] { TableEngine::aliases(); }),
            engineError([] {
                TableEngine::addPathAlias(QStringLiteral("X"), QStringLiteral("/x"),
                                          QStringLiteral("Paradox"));
            }),
            engineError([] { TableEngine::saveConfig(); }),
            engineError([] { TableEngine::tables(kTestAlias); }),
            openTestTableError(),
            openTestQueryError(),
        };
        for (const QString& error : checks) {
            QVERIFY2(error.startsWith(QStringLiteral("The table engine cannot start")),
                     qPrintable(error));
            QVERIFY2(error.contains(message), qPrintable(error));
        }
        QCOMPARE(fileBytes(m_scratch->configFile()), config);

        // Mended, it starts at the next use.
        TableEngine::setDriverName(QStringLiteral("QSQLITE"));
        TableEngine::setConfigFile(m_scratch->configFile());
        if (how == QStringLiteral("damaged"))
            writeFile(m_scratch->configFile(), "[Bench]\nPATH=" + m_scratch->dataDir().toUtf8());
        Table t;
        openTestTable(t);
        QVERIFY(t.isActive());
    }

    // ---- Tables ---------------------------------------------------------------

    void listingTablesLeavesOutSystemTablesAndCreatesNoFile() {
        addTestAlias(*m_scratch);
        QVERIFY(TableEngine::tables(kTestAlias).isEmpty());
        QVERIFY(!QFile::exists(m_scratch->tableFile()));
        createTestTable();
        {
            RawDb raw(m_scratch->tableFile());
            raw.rows(QStringLiteral("CREATE TABLE Other (n INTEGER PRIMARY KEY AUTOINCREMENT)"));
            raw.rows(QStringLiteral("INSERT INTO Other DEFAULT VALUES"));
            QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                              "'sqlite_sequence'")),
                     QVariant(1));
        }
        QCOMPARE(TableEngine::tables(kTestAlias),
                 (QStringList{QStringLiteral("Tarvex"), QStringLiteral("Other")}));
    }

    void createdTableHasTheSchemaAndTheLog() {
        addTestAlias(*m_scratch);
        createTestTable();
        RawDb raw(m_scratch->tableFile());
        QStringList columns;
        for (const QVariantList& row : raw.rows(QStringLiteral("PRAGMA table_info(Tarvex)")))
            columns << row[1].toString() + u' ' + row[2].toString() + u' ' + row[3].toString() +
                           u' ' + row[5].toString();
        QCOMPARE(columns,
                 (QStringList{"ID INTEGER 0 1", "VolVal VARCHAR(10) 0 0", "CurVal VARCHAR(10) 0 0",
                              "PowVal VARCHAR(10) 0 0", "TestDate DATE 0 0"}));
        QVERIFY(raw.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Tarvex'"))
                    .toString()
                    .contains(QStringLiteral("CONSTRAINT \"IndexID\" PRIMARY KEY (\"ID\")")));
        QCOMPARE(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(),
                 QStringLiteral("wal"));

        Table t;
        openTestTable(t);
        QCOMPARE(t.fieldCount(), 5);
        QCOMPARE(t.field(1).dataType(), FieldType::String);
        QCOMPARE(t.field(1).size(), 10);
        QCOMPARE(t.field(4).dataType(), FieldType::Date);
    }

    void creatingTablesRefusesMistakes() {
        addTestAlias(*m_scratch);
        createTestTable();
        QVERIFY(engineError([] {
                    createTestTable(QStringLiteral("TARVEX"));
                }).contains(QStringLiteral("exists")));
        QVERIFY(!engineError([] {
                     TableEngine::createTable(kTestAlias, QStringLiteral("A"), TableType::LocalFile,
                                              {{QStringLiteral("S"), FieldType::String, 0, false}},
                                              {});
                 }).isEmpty());
        QVERIFY(engineError([] {
                    TableEngine::createTable(
                        kTestAlias, QStringLiteral("B"), TableType::LocalFile,
                        ReadingTable::fields(),
                        {{QStringLiteral("X"), {QStringLiteral("Nope")}, IndexOption::Unique}});
                }).contains(QStringLiteral("unknown field Nope")));
        QVERIFY(engineError([] {
                    TableEngine::createTable(
                        kTestAlias, QStringLiteral("C"), TableType::LocalFile,
                        ReadingTable::fields(),
                        {{QStringLiteral("P1"), {QStringLiteral("ID")}, IndexOption::Primary},
                         {QStringLiteral("P2"), {QStringLiteral("VolVal")}, IndexOption::Primary}});
                }).contains(QStringLiteral("more than one primary")));
        QCOMPARE(TableEngine::tables(kTestAlias), QStringList{QStringLiteral("Tarvex")});
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
        addTestAlias(*m_scratch);
        if (kind == QStringLiteral("damaged")) {
            createTestTable();
            addTestRows(0, 300);
            QByteArray bytes = fileBytes(m_scratch->tableFile());
            QVERIFY(bytes.size() > 8192);
            for (qsizetype i = 100; i < 4096; ++i)
                bytes[i] = char(0xA5);
            writeFile(m_scratch->tableFile(), bytes);
        } else if (kind == QStringLiteral("text")) {
            QByteArray text;
            for (int i = 0; i < 200; ++i)
                text += "Operator notes: battery 7 discharged at 2 A.\n";
            writeFile(m_scratch->tableFile(), text);
        } else {
            writeFile(m_scratch->tableFile(), "SQLite");
        }
        const QByteArray before = fileBytes(m_scratch->tableFile());

        const QString file = QDir::toNativeSeparators(m_scratch->tableFile());
        const auto errors = {
            engineError([] { TableEngine::tables(kTestAlias); }),
            engineError([] { createTestTable(); }),
            openTestTableError(),
            openTestQueryError(),
        };
        for (const QString& error : errors) {
            QVERIFY2(error.startsWith(QStringLiteral("The table file ") + file), qPrintable(error));
            QVERIFY2(error.contains(QStringLiteral("not a database")), qPrintable(error));
        }
        QCOMPARE(fileBytes(m_scratch->tableFile()), before);
    }
};

QTEST_GUILESS_MAIN(TestTableEngine)
#include "tst_tableengine.moc"
