// The reading table on a PostgreSQL server: the set-up leaves the alias as
// configured and makes the schema and the table; benches in schemas of their
// own log side by side; a second program on one schema is told and writes
// nothing; a server out of reach is told at start; a connection that broke
// is replaced; a server that stops answering is given up within a bound; a
// commit whose answer never came is looked for before it is stored again.
#include "support/PostgresServer.h"
#include "support/StoreFixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <memory>

using namespace tarvex;

namespace {

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

// A backend process of the server stopped with SIGSTOP while it lives.
class StoppedBackend {
public:
    explicit StoppedBackend(qint64 pid) : m_pid(pid) {
        m_stopped = m_pid > 0 && ::kill(static_cast<pid_t>(m_pid), SIGSTOP) == 0;
    }
    ~StoppedBackend() { resume(); }
    StoppedBackend(const StoppedBackend&) = delete;
    StoppedBackend& operator=(const StoppedBackend&) = delete;
    bool stopped() const { return m_stopped; }
    void resume() {
        if (std::exchange(m_stopped, false))
            ::kill(static_cast<pid_t>(m_pid), SIGCONT);
    }

private:
    qint64 m_pid;
    bool m_stopped = false;
};

} // namespace

class TestReadingStoreServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchStore> m_scratch;
    QString m_schema; // new for every test
    QString m_dir;    // the data directory a table file would need

    QByteArray config(const QString& schema) const {
        return "; a bench of the lab\n" +
               m_server->aliasText(QString::fromLatin1(ReadingStore::kAlias), schema);
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

    // The process ID of the one session of this program on the server.
    qint64 backendPid() {
        ServerDb db(*m_server);
        const QList<QVariantList> pids = db.rows(
            QStringLiteral("SELECT pid FROM pg_stat_activity WHERE application_name = 'tarvex'"));
        return pids.size() == 1 ? pids.first().first().toLongLong() : -1;
    }

    // A log child (a program of its own) on the server alias of schema.
    std::unique_ptr<QProcess> startLogChild(const QString& schema, int rows,
                                            const QString& mode = QString()) {
        const QString file = m_scratch->root() + QStringLiteral("/%1.conf").arg(schema);
        writeFile(file, config(schema));
        auto child = std::make_unique<QProcess>();
        child->setProgram(QStringLiteral(TARVEX_LOG_CHILD));
        QStringList arguments{file, m_dir};
        if (rows > 0)
            arguments << QString::number(rows);
        else if (!mode.isEmpty())
            arguments << mode;
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
        m_scratch = std::make_unique<ScratchStore>();
        m_dir = m_scratch->root() + QStringLiteral("/bin/Table");
        static int n = 0;
        m_schema = QStringLiteral("Bench %1").arg(++n); // mixed case and a blank: quoted
        writeFile(m_scratch->configFile(), config(m_schema));
    }
    void cleanup() { m_scratch.reset(); }

    // The first start makes the schema and the table; the alias stays as
    // configured (no PATH, no saving, no data directory), at every start.
    void firstStartMakesSchemaAndTableAndLeavesTheAlias() {
        const QByteArray configured = fileBytes(m_scratch->configFile());
        const QDateTime modified = QFileInfo(m_scratch->configFile()).lastModified();
        for (int start = 0; start < 2; ++start) {
            ReadingStore::forgetSetUp();
            QString warning;
            QCOMPARE(ReadingStore::setUp(m_dir, &warning), ReadingStore::SetupResult::Ready);
            QVERIFY2(warning.isEmpty(), qPrintable(warning));
            QCOMPARE(fileBytes(m_scratch->configFile()), configured);
            QCOMPARE(QFileInfo(m_scratch->configFile()).lastModified(), modified);
            QVERIFY(!QFile::exists(m_dir));
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
        QCOMPARE(db.value(QStringLiteral("SELECT conname FROM pg_constraint c JOIN pg_namespace n "
                                         "ON n.oid = c.connamespace WHERE n.nspname = '%1' AND "
                                         "contype = 'p'")
                              .arg(m_schema)),
                 QVariant(QStringLiteral("Tarvex$IndexID")));
        QCOMPARE(ReadingStore().count().rows, 0);
    }

    // Runs on a server as on a table file: the tables made at set-up, a run
    // with its readings and figures, one left open by a killed program
    // ended at the next start with the figures of its stored readings (as
    // they stood, reading by reading), and Clear keeping the runs.
    void runsAreKeptOnAServer() {
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        qint64 ended = 0;
        {
            ReadingStore store;
            RunStart start;
            start.startedAt = QDateTime::fromMSecsSinceEpoch(1'765'400'000'123, Qt::UTC);
            start.pollIntervalMs = 200;
            start.port = QStringLiteral("/dev/ttyUSB0");
            start.limits.maxAmpHours = 1.5;
            ended = store.beginRun(start);
            QCOMPARE(store.beginRun(start), ended);
            const QDateTime at = QDateTime::currentDateTime();
            for (int i = 0; i < 4; ++i)
                store.append(nthReading(i), at, RunStamp{ended, i == 3 ? 1400 : 200 * i});
            store.endRun(ended, RunEnd::ChargeLimit, at);
            const RunRecord r = *store.run(ended);
            QCOMPARE(r.end, RunEnd::ChargeLimit);
            QCOMPARE(r.readings, 4);
            QCOMPARE(r.uncountedMs, 1000);
            QCOMPARE(r.limits.maxAmpHours, 1.5);
            QVERIFY(!r.limits.maxWattHours);
            QVERIFY(r.ampHours > 0);
            QCOMPARE(store.runReadings(ended, 1, 2).size(), 2);
            QCOMPARE(store.runReadings(ended).last().elapsedMs, 1400);
        }
        ReadingStore::forgetSetUp(); // the child claims the schema
        std::unique_ptr<QProcess> child = startLogChild(m_schema, 0, QStringLiteral("run"));
        QVERIFY(child->waitForReadyRead(60000));
        const QByteArray first = child->readLine();
        QVERIFY2(first.startsWith("run "), first.constData());
        const qint64 id = first.mid(4).trimmed().toLongLong();
        while (child->bytesAvailable() < 1500 && child->state() == QProcess::Running)
            child->waitForReadyRead(30000);
        child->kill();
        QVERIFY(child->waitForFinished(30000));
        QList<QVariantList> asStored;
        {
            ServerDb db(*m_server);
            asStored = db.rows(QStringLiteral("SELECT \"Readings\", \"AmpHours\", \"WattHours\", "
                                              "\"UncountedMs\", \"EndedAt\" IS NULL FROM "
                                              "\"%1\".\"Runs\" WHERE \"RunID\" = %2")
                                   .arg(m_schema)
                                   .arg(id));
        }
        QCOMPARE(asStored.size(), 1);
        QVERIFY(asStored[0][4].toBool());
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        ReadingStore store;
        const RunRecord r = *store.run(id);
        QCOMPARE(r.end, RunEnd::Unexpected);
        QVERIFY(r.readings > 50);
        // Recomputed from the stored readings, the figures are those each
        // commit left: the child was killed between commits.
        QCOMPARE(r.readings, asStored[0][0].toInt());
        QCOMPARE(r.ampHours, asStored[0][1].toDouble());
        QCOMPARE(r.wattHours, asStored[0][2].toDouble());
        QCOMPARE(r.uncountedMs, asStored[0][3].toLongLong());
        QCOMPARE(r.endedAt.toMSecsSinceEpoch(), store.runReadings(id).last().takenAtMs);

        QCOMPARE(store.removeFirst(4), 4);
        QCOMPARE(store.runs().size(), 2);
        QVERIFY(store.run(ended)->readingsCleared);
        QVERIFY(!store.run(id)->readingsCleared);
        QCOMPARE(store.run(ended)->end, RunEnd::ChargeLimit);
    }

    // Numbering by the largest ID stored, as on a table file: a clear that
    // stopped part of the way never hands out an ID still stored. Rows come
    // back in blocks from either end, the day as a date.
    void readingsAreNumberedAndReadAsOnATableFile() {
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        ReadingStore log;
        for (int i = 0; i < 5; ++i)
            QCOMPARE(log.append(nthReading(i), QDateTime(nthDay(i), QTime(23, 59))), i);
        QCOMPARE(storedRows(m_schema).first(),
                 QStringLiteral("0|%1|%2|%3|%4")
                     .arg(nthReading(0).voltsText, nthReading(0).ampsText, nthReading(0).wattsText,
                          nthDay(0).toString(Qt::ISODate)));
        ReadingStore reader;
        QCOMPARE(reader.removeFirst(2), 2);
        QCOMPARE(log.append(nthReading(5), QDateTime(nthDay(5), QTime(1, 0))), 5);
        const ReadingStore::Count counted = reader.count();
        QCOMPARE(counted.rows, 4);
        QCOMPARE(counted.lastId, 5);
        const QList<StoredReading> head = reader.read(0, 2, counted);
        const QList<StoredReading> tail = reader.read(3, 2, counted);
        QCOMPARE(head.size(), 2);
        QCOMPARE(head[0].id, 2);
        QCOMPARE(head[1].id, 3);
        QCOMPARE(tail.size(), 1);
        QCOMPARE(tail[0].id, 5);
        QCOMPARE(tail[0].volts, nthReading(5).voltsText);
        QCOMPARE(tail[0].date, nthDay(5));
        QCOMPARE(reader.readAfter(3, 10).size(), 2);
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
        // The store of a bench reads its own rows.
        writeFile(m_scratch->configFile(), config(schemas[1]));
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        QCOMPARE(ReadingStore().count().rows, rows);
    }

    // A second program configured on a schema another program logs into is
    // told at its start and when it logs, and writes or deletes nothing; once
    // the other program has ended (here: killed), its readings go in after
    // the other's.
    void secondProgramOnTheSameSchemaIsToldAndWritesNothing() {
        std::unique_ptr<QProcess> first = startLogChild(m_schema, 0);
        QVERIFY(first->waitForReadyRead(60000)); // it logs: the schema is claimed

        QString warning;
        QCOMPARE(ReadingStore::setUp(m_dir, &warning), ReadingStore::SetupResult::InUse);
        const QString told = QStringLiteral("Another program is already storing its readings in "
                                            "schema %1 of database lab on socket directory %2, "
                                            "port %3: two benches must not log into one schema")
                                 .arg(m_schema, m_server->socketDirectory())
                                 .arg(m_server->port());
        QVERIFY2(warning.startsWith(told + QStringLiteral(".\n")), qPrintable(warning));
        QVERIFY(warning.contains(m_scratch->configFile()));
        ReadingStore log;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(
                storeError([&] { log.append(nthReading(900 + i), QDateTime::currentDateTime()); }),
                told);
        QCOMPARE(storeError([&] { log.removeFirst(1); }), told);

        first->kill();
        QVERIFY(first->waitForFinished(30000));
        const QList<QPair<int, QString>> reported = reportedRows(first->readAllStandardOutput());
        QVERIFY(!reported.isEmpty());
        // The server notices the end of the other program's session at once
        // or within moments; the log then takes the schema.
        QString failure;
        qint64 next = -1;
        for (int attempt = 0; attempt < 100; ++attempt) {
            failure = storeError(
                [&] { next = log.append(nthReading(900), QDateTime::currentDateTime()); });
            if (failure == QStringLiteral("<no error>"))
                break;
            QTest::qWait(100);
        }
        QCOMPARE(failure, QStringLiteral("<no error>"));
        const QStringList stored = storedRows(m_schema);
        QCOMPARE(next, stored.size() - 1); // IDs 0 .. next without a gap
        QVERIFY(stored.last().startsWith(QString::number(next) + u'|' + nthReading(900).voltsText));
        for (const auto& [id, volts] : reported)
            QVERIFY(stored[id].startsWith(QString::number(id) + u'|' + volts));
    }

    // A server out of reach at start: told (host, port, database) and nothing
    // is raised or made; once it is back, the log makes schema and table.
    void unreachableServerAtStartIsToldAndTheLogCatchesUp() {
        QVERIFY2(m_server->stop(), qPrintable(m_server->errorString()));
        QString warning;
        QCOMPARE(ReadingStore::setUp(m_dir, &warning),
                 ReadingStore::SetupResult::ServerUnreachable);
        for (const QString& part :
             {QStringLiteral("database lab"),
              QStringLiteral("socket directory ") + m_server->socketDirectory(),
              QStringLiteral("port %1").arg(m_server->port()),
              QStringLiteral("schema ") + m_schema})
            QVERIFY2(warning.contains(part), qPrintable(warning));
        QVERIFY(!QFile::exists(m_dir));
        ReadingStore log;
        QVERIFY(storeError([&] { log.append(nthReading(0), QDateTime::currentDateTime()); }) !=
                QStringLiteral("<no error>"));

        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QCOMPARE(log.append(nthReading(1), QDateTime::currentDateTime()), 0);
        QCOMPARE(storedRows(m_schema).size(), 1);
    }

    // The server restarts under an open log: the reading that meets the
    // broken connection is refused, the next one connects anew and claims
    // the schema again.
    void brokenConnectionIsReplacedAtTheNextReading() {
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        ReadingStore log;
        log.append(nthReading(0), QDateTime::currentDateTime());
        QVERIFY(m_server->stop());
        QVERIFY(m_server->start());
        const QString lost =
            storeError([&] { log.append(nthReading(1), QDateTime::currentDateTime()); });
        QVERIFY2(lost.contains(QStringLiteral("was lost")), qPrintable(lost));
        QVERIFY(!log.isOpen());
        log.append(nthReading(1), QDateTime::currentDateTime());
        QCOMPARE(log.append(nthReading(2), QDateTime::currentDateTime()), 2);
        ServerDb db(*m_server);
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM pg_locks l JOIN pg_stat_activity a "
                                         "ON a.pid = l.pid WHERE l.locktype = 'advisory' AND "
                                         "l.granted AND a.application_name = 'tarvex'")),
                 QVariant(1));
    }

    // A schema name longer than the server takes is refused as it stands,
    // not cut short (two benches could end up in one schema).
    void schemaNameTooLongForTheServerIsRefused_data() {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<bool>("taken");
        QTest::newRow("63 bytes") << QString(63, u'a') << true;
        QTest::newRow("64 bytes") << QString(64, u'b') << false;
        QTest::newRow("22 Chinese characters, 66 bytes") << QString(22, QChar(0x7535)) << false;
    }
    void schemaNameTooLongForTheServerIsRefused() {
        QFETCH(QString, schema);
        QFETCH(bool, taken);
        writeFile(m_scratch->configFile(), config(schema));
        QString warning;
        const ReadingStore::SetupResult result = ReadingStore::setUp(m_dir, &warning);
        if (taken) {
            QCOMPARE(result, ReadingStore::SetupResult::Ready);
            return;
        }
        QCOMPARE(result, ReadingStore::SetupResult::ServerUnreachable);
        QVERIFY2(warning.contains(QStringLiteral("SCHEMA=%1 is longer than the 63 bytes a server "
                                                 "takes for a name")
                                      .arg(schema)),
                 qPrintable(warning));
        ServerDb db(*m_server);
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname LIKE "
                                         "'bbb%' OR nspname LIKE '电%'")),
                 QVariant(0));
    }

    // The server's process stops answering in the middle of a statement
    // (stopped, as by a cut network that the system does not notice): the
    // statement is broken off after the store's bound, or at its deadline,
    // instead of waiting for ever, and the connection counts as lost.
    void serverThatStopsAnsweringIsGivenUpWithinTheBound_data() {
        QTest::addColumn<int>("deadlineMs"); // -1: none
        QTest::newRow("the statement bound") << -1;
        QTest::newRow("a deadline") << 500;
    }
    void serverThatStopsAnsweringIsGivenUpWithinTheBound() {
        QFETCH(int, deadlineMs);
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        ReadingStore log;
        log.append(nthReading(0), QDateTime::currentDateTime());
        StoppedBackend stopped(backendPid());
        QVERIFY(stopped.stopped());
        if (deadlineMs >= 0)
            log.setDeadline(QDeadlineTimer(deadlineMs));
        QElapsedTimer clock;
        clock.start();
        const QString lost =
            storeError([&] { log.append(nthReading(1), QDateTime::currentDateTime()); });
        qInfo("broken off after %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY2(lost.contains(QStringLiteral("was lost")), qPrintable(lost));
        QVERIFY(!log.isOpen());
        stopped.resume();
    }

    // The end of the program has come: a store without a connection does
    // not begin one (a server out of reach would hold the end up for the
    // whole connect_timeout), and says why; without the deadline it connects.
    void noConnectionIsBegunAfterTheDeadline() {
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        ReadingStore log;
        log.setDeadline(QDeadlineTimer(0));
        const QString refused =
            storeError([&] { log.append(nthReading(0), QDateTime::currentDateTime()); });
        QVERIFY2(refused.contains(QStringLiteral("no time is left before the end of the program")),
                 qPrintable(refused));
        QVERIFY(!log.isOpen());
        QVERIFY(storedRows(m_schema).isEmpty());
        log.setDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
        QCOMPARE(log.append(nthReading(0), QDateTime::currentDateTime()), 0);
    }

    // The server ends the session while a commit waits for its answer (here
    // the commit waits for a standby that never comes, and the session is
    // ended meanwhile, as by a crash after the commit): the outcome is
    // unknown, and the ID the row would have is told. Retried with it, the
    // reading is found and not stored again.
    void lostCommitReplyNeverStoresAReadingTwice() {
        QCOMPARE(ReadingStore::setUp(m_dir), ReadingStore::SetupResult::Ready);
        ReadingStore().append(nthReading(0), QDateTime::currentDateTime());
        ServerDb admin(*m_server);
        admin.rows(QStringLiteral("ALTER SYSTEM SET synchronous_standby_names = 'ghost'"));
        admin.rows(QStringLiteral("SELECT pg_reload_conf()"));

        // The server takes the new setting in a moment: until it does,
        // readings are stored as ever.
        std::optional<qint64> inDoubt;
        QString failure;
        QVariant waiting;
        int next = 1;
        for (; next < 50 && !waiting.isValid(); ++next) {
            QThread* writer = QThread::create([&, next] {
                ReadingStore log;
                failure = storeError([&] {
                    log.append(nthReading(next), QDateTime::currentDateTime(), std::nullopt, {},
                               &inDoubt);
                });
            });
            writer->start();
            // The commit is on the disk and waits for the standby: end its
            // session.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    waiting = admin.value(QStringLiteral("SELECT pid FROM pg_stat_activity "
                                                         "WHERE wait_event = 'SyncRep'"));
                    return waiting.isValid() || writer->isFinished();
                },
                30000));
            if (waiting.isValid())
                admin.rows(
                    QStringLiteral("SELECT pg_terminate_backend(%1)").arg(waiting.toLongLong()));
            QVERIFY(writer->wait(30000));
            delete writer;
        }
        admin.rows(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
        admin.rows(QStringLiteral("SELECT pg_reload_conf()"));
        --next; // the reading whose commit was cut off

        QVERIFY2(failure.contains(QStringLiteral("was lost")), qPrintable(failure));
        QCOMPARE(inDoubt, std::optional<qint64>(next));
        ReadingStore retry;
        QCOMPARE(retry.append(nthReading(next), QDateTime::currentDateTime(), inDoubt), next);
        QCOMPARE(storedRows(m_schema).size(), next + 1);
        QCOMPARE(retry.append(nthReading(next + 1), QDateTime::currentDateTime()), next + 1);
    }
};

QTEST_GUILESS_MAIN(TestReadingStoreServer)
#include "tst_readingstore_server.moc"
