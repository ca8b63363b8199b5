// The reading table on a PostgreSQL server: the set-up leaves the alias as
// configured and makes the schema and the table; benches in schemas of their
// own log side by side; a second program on one schema is told and writes
// nothing; a server out of reach is told at start, and the log connects anew
// when a connection broke.
#include "support/PostgresServer.h"
#include "support/StoreFixture.h"

#include <QFileInfo>
#include <QProcess>

#include <memory>

using namespace tarvex;

namespace {

// The i-th reading of a test: every one has a voltage of its own.
LoadReading nthReading(int i) {
    return decodeStatusAnswer(makeStatusAnswer(1500, 10000 + 10 * i, 185));
}

// Reads "<ID> <VolVal>" lines a log child wrote (the last piece may be cut).
QList<QPair<int, QString>> reportedRows(const QByteArray& output) {
    QList<QPair<int, QString>> rows;
    const QList<QByteArray> lines = output.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const qsizetype space = lines[i].indexOf(' ');
        rows.append({lines[i].left(space).toInt(), QString::fromUtf8(lines[i].mid(space + 1))});
    }
    return rows;
}

} // namespace

class TestReadingTableServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchEngine> m_scratch;
    QString m_schema; // new for every test
    QString m_dir;    // the data directory a table file would need

    QByteArray config(const QString& schema) const {
        return "; a bench of the lab\n" +
               m_server->aliasText(QString::fromLatin1(ReadingTable::kAlias), schema);
    }

    // The stored rows of a schema as "ID|VolVal|CurVal|PowVal|TestDate".
    QStringList storedRows(const QString& schema) {
        ServerDb db(*m_server);
        QStringList rows;
        for (const QVariantList& r :
             db.rows(QStringLiteral("SELECT \"ID\", \"VolVal\", \"CurVal\", \"PowVal\", "
                                    "\"TestDate\" FROM \"%1\".\"Tarvex\" ORDER BY \"ID\"")
                         .arg(schema))) {
            QStringList cells;
            for (const QVariant& v : r)
                cells << v.toString();
            rows << cells.join(u'|');
        }
        return rows;
    }

    // A log child (a program of its own) on the server alias of schema.
    std::unique_ptr<QProcess> startLogChild(const QString& schema, int rows) {
        const QString file = m_scratch->root() + QStringLiteral("/%1.conf").arg(schema);
        writeFile(file, config(schema));
        auto child = std::make_unique<QProcess>();
        child->setProgram(QStringLiteral(TARVEX_LOG_CHILD));
        QStringList arguments{file, m_dir};
        if (rows > 0)
            arguments << QString::number(rows);
        child->setArguments(arguments);
        child->start();
        return child;
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
        m_dir = m_scratch->root() + QStringLiteral("/bin/Table");
        static int n = 0;
        m_schema = QStringLiteral("bench%1").arg(++n);
        writeFile(m_scratch->configFile(), config(m_schema));
        TableEngine::shutdown();
    }
    void cleanup() { m_scratch.reset(); }

    // The first start makes the schema and the table; the alias stays as
    // configured (no PATH, no saving, no data directory), at every start.
    void firstStartMakesSchemaAndTableAndLeavesTheAlias() {
        const QByteArray configured = fileBytes(m_scratch->configFile());
        const QDateTime modified = QFileInfo(m_scratch->configFile()).lastModified();
        for (int start = 0; start < 2; ++start) {
            TableEngine::shutdown();
            QString warning;
            QCOMPARE(ReadingTable::setUp(m_dir, &warning), ReadingTable::SetupResult::Ready);
            QVERIFY(warning.isEmpty());
            QCOMPARE(fileBytes(m_scratch->configFile()), configured);
            QCOMPARE(QFileInfo(m_scratch->configFile()).lastModified(), modified);
            QVERIFY(!QFile::exists(m_dir));
            QCOMPARE(TableEngine::tables(QString::fromLatin1(ReadingTable::kAlias)),
                     QStringList{QStringLiteral("Tarvex")});
        }
        ServerDb db(*m_server);
        QCOMPARE(db.rows(QStringLiteral("SELECT column_name, data_type, "
                                        "coalesce(character_maximum_length, 0) FROM "
                                        "information_schema.columns WHERE table_schema = '%1' "
                                        "AND table_name = 'Tarvex' ORDER BY ordinal_position")
                             .arg(m_schema)),
                 (QList<QVariantList>{{"ID", "integer", 0},
                                      {"VolVal", "character varying", 10},
                                      {"CurVal", "character varying", 10},
                                      {"PowVal", "character varying", 10},
                                      {"TestDate", "date", 0}}));
        // The statement of the query window, the report and the export.
        Query q;
        ReadingTable::openQuery(q);
        QCOMPARE(q.sql(), QStringList{QStringLiteral("select * from \"Tarvex\" order by \"ID\"")});
        QVERIFY(q.isEmpty());
    }

    // Numbering by the largest ID stored, as on a table file: a clear that
    // stopped part of the way never hands out an ID still stored.
    void readingsAreNumberedByTheLargestIdStored() {
        QCOMPARE(ReadingTable::setUp(m_dir), ReadingTable::SetupResult::Ready);
        Table log;
        ReadingTable::attachLog(log);
        for (int i = 0; i < 5; ++i)
            ReadingTable::appendReading(log, nthReading(i),
                                        QDateTime(QDate(2024, 5, 1 + i), QTime(23, 59)));
        QCOMPARE(storedRows(m_schema).first(), QStringLiteral("0|") + nthReading(0).voltsText +
                                                   QStringLiteral("|1.50| 18.50|") +
                                                   QStringLiteral("2024-05-01"));
        {
            Table clear; // deletes the first two rows, as a clear that failed
            ReadingTable::attach(clear);
            clear.open();
            clear.remove();
            clear.remove();
        }
        ReadingTable::appendReading(log, nthReading(5));
        QCOMPARE(log.fieldByName(QStringLiteral("ID")).toInt(), 5);
        QCOMPARE(storedRows(m_schema).size(), 4);
    }

    // Two benches, each a program of its own in a schema of its own, log at
    // the same time: each schema holds its bench's rows only, numbered from 0.
    void twoBenchesInTwoSchemasLogAtTheSameTime() {
        const int rows = 300;
        const QStringList schemas{m_schema + QStringLiteral("a"), m_schema + QStringLiteral("b")};
        std::vector<std::unique_ptr<QProcess>> benches;
        for (const QString& schema : schemas)
            benches.push_back(startLogChild(schema, rows));
        for (const auto& bench : benches) {
            QVERIFY(bench->waitForFinished(120000));
            QVERIFY2(bench->exitCode() == 0, bench->readAllStandardError().constData());
        }
        for (std::size_t b = 0; b < benches.size(); ++b) {
            const QList<QPair<int, QString>> reported =
                reportedRows(benches[b]->readAllStandardOutput());
            QCOMPARE(reported.size(), rows);
            const QStringList stored = storedRows(schemas[int(b)]);
            QCOMPARE(stored.size(), rows);
            for (int i = 0; i < rows; ++i) {
                QCOMPARE(reported[i].first, i);
                QVERIFY2(
                    stored[i].startsWith(QStringLiteral("%1|%2|").arg(i).arg(reported[i].second)),
                    qPrintable(stored[i]));
            }
        }
        // The query of a bench shows its own rows.
        writeFile(m_scratch->configFile(), config(schemas[1]));
        TableEngine::shutdown();
        Query q;
        ReadingTable::openQuery(q);
        QCOMPARE(q.rowCount(), rows);
    }

    // A second program configured on a schema another program logs into is
    // told at its start and when it logs, and writes nothing; once the other
    // program has ended (here: killed), its readings go in after the other's.
    void secondProgramOnTheSameSchemaIsToldAndWritesNothing() {
        std::unique_ptr<QProcess> first = startLogChild(m_schema, 0);
        QVERIFY(first->waitForReadyRead(60000)); // it logs: the schema is claimed

        QString warning;
        QCOMPARE(ReadingTable::setUp(m_dir, &warning), ReadingTable::SetupResult::SchemaInUse);
        QVERIFY2(warning.startsWith(QStringLiteral("Another program is already storing its "
                                                   "readings in schema %1 of database lab on "
                                                   "socket directory %2, port %3")
                                        .arg(m_schema, m_server->socketDirectory())
                                        .arg(m_server->port())),
                 qPrintable(warning));
        QVERIFY(warning.contains(m_scratch->configFile()));
        Table log;
        ReadingTable::attachLog(log);
        for (int i = 0; i < 3; ++i) {
            const QString refused =
                engineError([&] { ReadingTable::appendReading(log, nthReading(900 + i)); });
            QVERIFY2(refused.startsWith(QStringLiteral("Another program is already storing")),
                     qPrintable(refused));
        }

        first->kill();
        QVERIFY(first->waitForFinished(30000));
        const QList<QPair<int, QString>> reported = reportedRows(first->readAllStandardOutput());
        QVERIFY(!reported.isEmpty());
        // The server notices the end of the other program's session at once
        // or within moments; the log then takes the schema.
        QString failure;
        for (int attempt = 0; attempt < 100; ++attempt) {
            failure = engineError([&] { ReadingTable::appendReading(log, nthReading(900)); });
            if (failure == QStringLiteral("<no error>"))
                break;
            QTest::qWait(100);
        }
        QCOMPARE(failure, QStringLiteral("<no error>"));
        const QStringList stored = storedRows(m_schema);
        const int next = log.fieldByName(QStringLiteral("ID")).toInt();
        QCOMPARE(next, stored.size() - 1); // IDs 0 .. next without a gap
        QVERIFY(stored.last().startsWith(QString::number(next) + u'|' + nthReading(900).voltsText));
        for (const auto& [id, volts] : reported)
            QVERIFY(stored[id].startsWith(QString::number(id) + u'|' + volts));
        QVERIFY(next >= reported.last().first + 1);
    }

    // A server out of reach at start: told (host, port, database) and nothing
    // is raised or made; once it is back, the log makes schema and table.
    void unreachableServerAtStartIsToldAndTheLogCatchesUp() {
        QVERIFY2(m_server->stop(), qPrintable(m_server->errorString()));
        QString warning;
        QCOMPARE(ReadingTable::setUp(m_dir, &warning),
                 ReadingTable::SetupResult::ServerUnreachable);
        for (const QString& part :
             {QStringLiteral("database lab"),
              QStringLiteral("socket directory ") + m_server->socketDirectory(),
              QStringLiteral("port %1").arg(m_server->port()),
              QStringLiteral("schema ") + m_schema})
            QVERIFY2(warning.contains(part), qPrintable(warning));
        QVERIFY(!QFile::exists(m_dir));
        Table log;
        ReadingTable::attachLog(log); // raises nothing
        QVERIFY(!engineError([&] {
                     ReadingTable::appendReading(log, nthReading(0));
                 }).startsWith(QStringLiteral("<no error>")));

        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        ReadingTable::appendReading(log, nthReading(1));
        QCOMPARE(log.fieldByName(QStringLiteral("ID")).toInt(), 0);
        QCOMPARE(storedRows(m_schema).size(), 1);
    }

    // The server restarts under an open log: the reading that meets the
    // broken connection is refused, the next one connects anew.
    void brokenConnectionIsReplacedAtTheNextReading() {
        QCOMPARE(ReadingTable::setUp(m_dir), ReadingTable::SetupResult::Ready);
        Table log;
        ReadingTable::attachLog(log);
        ReadingTable::appendReading(log, nthReading(0));
        QVERIFY(m_server->stop());
        QVERIFY(m_server->start());
        const QString lost = engineError([&] { ReadingTable::appendReading(log, nthReading(1)); });
        QVERIFY2(lost.contains(QStringLiteral("was lost")), qPrintable(lost));
        QVERIFY(!log.isActive());
        ReadingTable::appendReading(log, nthReading(1));
        ReadingTable::appendReading(log, nthReading(2));
        QCOMPARE(log.fieldByName(QStringLiteral("ID")).toInt(), 2);
        // The log holds the schema again.
        QCOMPARE(ReadingTable::setUp(m_dir), ReadingTable::SetupResult::SchemaInUse);
    }
};

QTEST_GUILESS_MAIN(TestReadingTableServer)
#include "tst_readingtable_server.moc"
