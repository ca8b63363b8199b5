// The reading log's writer on a PostgreSQL server whose process stops
// answering mid-statement, and on one that loses the answer to a commit.
#include "support/PostgresServer.h"
#include "support/QueuedSpy.h"
#include "support/StoreFixture.h"

#include "run/CrossThread.h"
#include "run/ReadingRecorder.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

using namespace tarvex;

namespace {

constexpr int kWaitMs = 60000;

} // namespace

class TestReadingRecorderServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchStore> m_store;
    QString m_schema;
    QThread m_thread;
    ReadingRecorder* m_recorder = nullptr;

    void startRecorder() {
        m_recorder = new ReadingRecorder;
        m_recorder->moveToThread(&m_thread);
        m_thread.start();
        callAndWait(m_recorder, [r = m_recorder] { r->attachReadingTable(); });
    }
    // The end of the program: the last attempt ends at the deadline.
    int endRecorder(int deadlineMs) {
        int left = -1;
        const QDeadlineTimer deadline(deadlineMs);
        m_recorder->finishBy(deadline);
        callAndWait(m_recorder, [&, r = m_recorder] {
            left = r->flush(deadline);
            delete r;
        });
        m_recorder = nullptr;
        m_thread.quit();
        m_thread.wait();
        return left;
    }

    QList<QVariantList> rows() {
        ServerDb db(*m_server);
        return db.rows(QStringLiteral("SELECT \"ID\", \"VolVal\" FROM \"%1\".\"Tarvex\" ORDER BY "
                                      "\"ID\"")
                           .arg(m_schema));
    }
    qint64 recorderBackend() {
        ServerDb db(*m_server);
        return db
            .value(QStringLiteral("SELECT pid FROM pg_stat_activity WHERE application_name = "
                                  "'tarvex'"))
            .toLongLong();
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void cleanupTestCase() { m_server.reset(); }
    void init() {
        m_store = std::make_unique<ScratchStore>();
        static int n = 0;
        m_schema = QStringLiteral("bench%1").arg(++n);
        writeFile(m_store->configFile(),
                  m_server->aliasText(QString::fromLatin1(ReadingStore::kAlias), m_schema));
        QCOMPARE(ReadingStore::setUp(m_store->dataDir()), ReadingStore::SetupResult::Ready);
        startRecorder();
    }
    void cleanup() {
        if (m_recorder)
            endRecorder(0);
        m_store.reset();
    }

    // The server's process stops in the middle of a statement: storing is
    // told delayed once the statement has been broken off, the readings wait
    // in the journal, the end of the program keeps its deadline and says how
    // many are left, and the next start stores them once the server answers
    // again.
    void serverStoppedMidStatement() {
        QueuedSpy delayed(m_recorder, &ReadingRecorder::storingDelayed);
        m_recorder->record(nthReading(0), QDateTime::currentDateTime());
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 1, kWaitMs);
        const qint64 backend = recorderBackend();
        QVERIFY(backend > 0);
        QCOMPARE(::kill(static_cast<pid_t>(backend), SIGSTOP), 0);
        for (int i = 1; i <= 3; ++i)
            m_recorder->record(nthReading(i), QDateTime::currentDateTime());
        QVERIFY(delayed.wait(kWaitMs));
        QVERIFY2(delayed.first().first().toString().contains(QStringLiteral("was lost")),
                 qPrintable(delayed.first().first().toString()));

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^3 reading\\(s\\) could not be "
                                                               "stored before the end; they are "
                                                               "kept in .*")));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(endRecorder(1000), 3);
        qInfo("the end took %lld ms", static_cast<long long>(clock.elapsed()));
        QCOMPARE(::kill(static_cast<pid_t>(backend), SIGCONT), 0);

        startRecorder();
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 4, kWaitMs);
        const QList<QVariantList> stored = rows();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), nthReading(i).voltsText);
        }
    }

    // The server ends the session while the commit of a reading waits for
    // its answer (it waits for a standby that never comes; the commit is on
    // the disk already): the writer does not know whether the reading went
    // in, and when it tries again it finds the row and does not store the
    // reading a second time.
    void lostCommitReplyStoresTheReadingOnce() {
        QueuedSpy delayed(m_recorder, &ReadingRecorder::storingDelayed);
        QueuedSpy written(m_recorder, &ReadingRecorder::backlogWritten);
        m_recorder->record(nthReading(0), QDateTime::currentDateTime());
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 1, kWaitMs);
        ServerDb admin(*m_server);
        admin.rows(QStringLiteral("ALTER SYSTEM SET synchronous_standby_names = 'ghost'"));
        admin.rows(QStringLiteral("SELECT pg_reload_conf()"));

        // The server takes the new setting in a moment: until it does,
        // readings are stored as ever.
        QVariant waiting;
        int next = 1;
        for (; next < 50 && !waiting.isValid(); ++next) {
            const qsizetype before = rows().size();
            m_recorder->record(nthReading(next), QDateTime::currentDateTime());
            QTRY_VERIFY_WITH_TIMEOUT(
                (waiting = admin.value(QStringLiteral("SELECT pid FROM pg_stat_activity WHERE "
                                                      "wait_event = 'SyncRep'")))
                        .isValid() ||
                    rows().size() > before,
                kWaitMs);
        }
        QVERIFY(waiting.isValid());
        admin.rows(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(waiting.toLongLong()));
        QVERIFY(delayed.wait(kWaitMs));
        admin.rows(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
        admin.rows(QStringLiteral("SELECT pg_reload_conf()"));

        QVERIFY(written.wait(kWaitMs));
        QCOMPARE(written.first().first().toInt(), 1);
        m_recorder->record(nthReading(next), QDateTime::currentDateTime());
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), next + 1, kWaitMs);
        const QList<QVariantList> stored = rows();
        for (int i = 0; i <= next; ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), nthReading(i).voltsText);
        }
    }
};

QTEST_MAIN(TestReadingRecorderServer)
#include "tst_readingrecorder_server.moc"
