// The table engine on a PostgreSQL server: a schema per alias, tables and
// queries that behave as on a table file, the claim of a schema, and a
// connection that breaks when the server goes away.
#include "support/PostgresServer.h"
#include "support/StoreFixture.h"

#include <QLocale>

#include <memory>

using namespace tarvex;

class TestTableServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchEngine> m_scratch;
    QString m_schema; // the test alias's schema, new for every test

    // Points the test alias "Bench" (and more aliases) at schemas of the
    // server.
    void configure(const QList<QPair<QString, QString>>& aliases) {
        QByteArray config;
        for (const auto& [alias, schema] : aliases)
            config += m_server->aliasText(alias, schema) + '\n';
        writeFile(m_scratch->configFile(), config);
        TableEngine::shutdown();
    }

    QList<int> ids(Table& t) {
        QList<int> ids;
        for (t.first(); !t.atEnd(); t.next())
            ids << t.fieldByName(QStringLiteral("ID")).toInt();
        return ids;
    }

private slots:
    void initTestCase() {
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void cleanupTestCase() { m_server.reset(); }
    void init() {
        QVERIFY(m_server->start());
        m_scratch = std::make_unique<ScratchEngine>();
        QLocale::setDefault(QLocale::c());
        static int n = 0;
        m_schema = QStringLiteral("Bench %1").arg(++n); // mixed case and a blank: quoted
        configure({{kTestAlias, m_schema}});
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    // Listing looks without creating; the first table makes the schema.
    void schemaIsMadeWithTheFirstTable() {
        ServerDb db(*m_server);
        QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
        const QString exists =
            QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = '%1'").arg(m_schema);
        QCOMPARE(TableEngine::tables(kTestAlias), QStringList());
        QCOMPARE(db.value(exists).toInt(), 0);
        QCOMPARE(openTestTableError(), QStringLiteral("Table Tarvex does not exist (alias Bench)"));

        createTestTable();
        createTestTable(QStringLiteral("Other"));
        QCOMPARE(db.value(exists).toInt(), 1);
        QCOMPARE(TableEngine::tables(kTestAlias),
                 (QStringList{QStringLiteral("Tarvex"), QStringLiteral("Other")}));
        QVERIFY(engineError([] {
                    createTestTable(QStringLiteral("TARVEX"));
                }).contains(QStringLiteral("a table of that name exists")));
        // The table is the schema's own, with the reading table's fields.
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE "
                                         "table_schema = '%1' AND table_name = 'Tarvex'")
                              .arg(m_schema))
                     .toInt(),
                 5);
        Table t;
        openTestTable(t, QStringLiteral("tarvex"));
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
        QCOMPARE(db.value(QStringLiteral("SELECT conname FROM pg_constraint c JOIN pg_namespace n "
                                         "ON n.oid = c.connamespace WHERE n.nspname = '%1' AND "
                                         "contype = 'p' AND conrelid::regclass::text LIKE "
                                         "'%Tarvex%'")
                              .arg(m_schema))
                     .toString(),
                 QStringLiteral("Tarvex$IndexID"));
    }

    // Rows in the order of the primary index whatever the order of posting;
    // values come back as they went in; removing moves on; bookmarks find
    // their rows.
    void tableMovesThroughRowsAsOnATableFile() {
        createTestTable();
        Table t;
        openTestTable(t);
        QVERIFY(t.isEmpty());
        for (int id : {5, 1, 3, 9, 7})
            appendTestRow(t, id, QStringLiteral("%1").arg(id, 6), QDate(2024, 2, id));
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 7); // the posted row is current
        QCOMPARE(t.rowCount(), 5);
        QCOMPARE(ids(t), (QList<int>{1, 3, 5, 7, 9}));
        t.last();
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 9);
        QCOMPARE(t.fieldByName(QStringLiteral("VolVal")).value(),
                 QVariant(QStringLiteral("     9")));
        QCOMPARE(t.fieldByName(QStringLiteral("TestDate")).toDate(), QDate(2024, 2, 9));

        t.first();
        t.next(); // 3
        const Bookmark three = t.bookmark();
        QVERIFY(three.has_value());
        t.next(); // 5
        t.remove();
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 7);
        t.last();
        t.remove(); // the last row: the one before becomes current
        QVERIFY(t.atEnd());
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 7);
        t.gotoBookmark(three);
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 3);
        QCOMPARE(ids(t), (QList<int>{1, 3, 7}));

        // A duplicate key is refused, and the table goes on.
        QVERIFY(!engineError([&] { appendTestRow(t, 3); }).isEmpty());
        t.cancel();
        appendTestRow(t, 4);
        QCOMPARE(ids(t), (QList<int>{1, 3, 4, 7}));
    }

    // A lock keeps other writers out (told as a locked table after the
    // engine's wait) while readers go on; its rows are committed together.
    // (On a server a table is opened before the lock: opening prepares its
    // statements, and preparing a write waits for the lock too.)
    void lockKeepsOtherWritersOutAndReadersIn() {
        createTestTable();
        Table holder, other;
        openTestTable(holder);
        openTestTable(other);
        holder.lockTable(LockType::Write);
        appendTestRow(holder, 0);
        appendTestRow(holder, 1);

        const QString refused = engineError([&] { appendTestRow(other, 2); });
        QVERIFY2(refused.contains(QStringLiteral("locked by another user")), qPrintable(refused));
        other.cancel();
        Query reader;
        const QString all = QStringLiteral("select * from \"Tarvex\"");
        openTestQuery(reader, all);
        QCOMPARE(reader.rowCount(), 0); // not yet committed
        reader.close();

        holder.unlockTable(LockType::Write);
        openTestQuery(reader, all);
        QCOMPARE(reader.rowCount(), 2);
        appendTestRow(other, 2);
        QCOMPARE(ids(holder), (QList<int>{0, 1, 2}));
    }

    // A query reads its statement's rows in blocks, with the fields typed as
    // on a table file.
    void queryReadsBlocksWithTypedFields() {
        createTestTable();
        {
            Table t;
            openTestTable(t);
            t.lockTable(LockType::Write);
            for (int i = 0; i < 700; ++i)
                appendTestRow(t, i, QStringLiteral("%1").arg(i, 6), QDate(2024, 1, 1).addDays(i));
            t.unlockTable(LockType::Write);
        }
        Query q;
        openTestQuery(q, QStringLiteral("select * from \"Tarvex\" order by \"ID\" desc;"));
        QCOMPARE(q.fieldCount(), 5);
        QCOMPARE(q.field(1).dataType(), FieldType::String);
        QCOMPARE(q.field(1).size(), 10);
        QCOMPARE(q.field(4).dataType(), FieldType::Date);
        QCOMPARE(q.field(0).dataType(), FieldType::Integer);
        QCOMPARE(q.fieldByName(QStringLiteral("ID")).toInt(), 699);
        QCOMPARE(q.rowCount(), 700);
        QCOMPARE(q.valueAt(650, 0), QVariant(49));
        QCOMPARE(q.displayTextAt(650, 1), QStringLiteral("    49"));
        QCOMPARE(q.valueAt(650, 4), QVariant(QDate(2024, 1, 1).addDays(49)));
        q.last();
        QCOMPARE(q.fieldByName(QStringLiteral("ID")).toInt(), 0);
        int walked = 0;
        for (q.first(); !q.atEnd(); q.next())
            QCOMPARE(q.fieldByName(QStringLiteral("ID")).toInt(), 699 - walked++);
        QCOMPARE(walked, 700);
        QVERIFY(!q.valueAt(700, 0).isValid());
    }

    // Two aliases on two schemas of one server each see their own tables.
    void schemasKeepTheirTablesApart() {
        const QString otherSchema = m_schema + QStringLiteral(" other");
        configure({{kTestAlias, m_schema}, {QStringLiteral("Other"), otherSchema}});
        createTestTable();
        TableEngine::createTable(QStringLiteral("Other"), QStringLiteral("Tarvex"),
                                 TableType::Default, ReadingTable::fields(),
                                 ReadingTable::indexes());
        addTestRows(0, 3);
        Table other;
        other.setAlias(QStringLiteral("Other"));
        other.setTableName(QStringLiteral("Tarvex"));
        other.open();
        QVERIFY(other.isEmpty());
        appendTestRow(other, 0);
        QCOMPARE(other.rowCount(), 1);
        Query q;
        openTestQuery(q, QStringLiteral("select * from \"Tarvex\""));
        QCOMPARE(q.rowCount(), 3);
    }

    // One claim per schema at a time, across connections; it goes with the
    // table that held it.
    void schemaIsClaimedByOneTableAtATime() {
        const QString otherSchema = m_schema + QStringLiteral(" other");
        configure({{kTestAlias, m_schema}, {QStringLiteral("Other"), otherSchema}});
        createTestTable();
        TableEngine::createTable(QStringLiteral("Other"), QStringLiteral("Tarvex"),
                                 TableType::Default, ReadingTable::fields(),
                                 ReadingTable::indexes());
        Table first, second, elsewhere;
        openTestTable(first);
        openTestTable(second);
        elsewhere.setAlias(QStringLiteral("Other"));
        elsewhere.setTableName(QStringLiteral("Tarvex"));
        elsewhere.open();
        QVERIFY(first.tryClaim());
        QVERIFY(first.tryClaim()); // held already
        QVERIFY(!second.tryClaim());
        QVERIFY(elsewhere.tryClaim());
        first.close();
        QVERIFY(second.tryClaim());
    }

    // The server goes away: the open table raises a lost connection and says
    // so; closed and opened again once the server is back, it works.
    void lostConnectionIsToldAndAReopenedTableWorks() {
        createTestTable();
        Table t;
        openTestTable(t);
        appendTestRow(t, 0);
        QVERIFY(!t.isConnectionLost());
        QVERIFY2(m_server->stop(), qPrintable(m_server->errorString()));
        const QString lost = engineError([&] { appendTestRow(t, 1); });
        QVERIFY2(lost.startsWith(QStringLiteral("The connection to database lab on socket "
                                                "directory %1, port %2 was lost")
                                     .arg(m_server->socketDirectory())
                                     .arg(m_server->port())),
                 qPrintable(lost));
        QVERIFY(t.isConnectionLost());
        t.cancel();
        t.close();
        const QString refused = openTestTableError();
        QVERIFY2(refused.startsWith(QStringLiteral("Cannot connect to database lab on socket "
                                                   "directory %1, port %2 (alias Bench): ")
                                        .arg(m_server->socketDirectory())
                                        .arg(m_server->port())),
                 qPrintable(refused));

        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        openTestTable(t);
        QVERIFY(!t.isConnectionLost());
        appendTestRow(t, 1);
        QCOMPARE(ids(t), (QList<int>{0, 1}));
    }
};

QTEST_GUILESS_MAIN(TestTableServer)
#include "tst_table_server.moc"
