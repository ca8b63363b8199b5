// The run on its own thread logging into a PostgreSQL server that goes away
// in the middle of a run: no reading waits for the network and none is lost.
#include "support/PostgresServer.h"
#include "support/StoreFixture.h"

#include "loadsim/LoadSimulator.h"
#include "protocol/LoadReading.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "support/QueuedSpy.h"
#include "support/SerialTestSupport.h"

#include <QLocale>
#include <QTest>
#include <QThread>

#include <memory>

using namespace tarvex;
using loadsim::LoadSimulator;

namespace {

constexpr int kWaitMs = 30000;

} // namespace

class TestLoadRunServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchStore> m_engine;
    std::unique_ptr<LoadSimulator> m_sim;
    QThread m_thread;
    std::unique_ptr<LoadRun> m_run;

    template <class F> void call(F f) { post(m_run.get(), std::move(f)); }

    QList<QVariantList> rows() {
        ServerDb db(*m_server);
        return db.rows(
            QStringLiteral("SELECT \"ID\", \"VolVal\" FROM bench.\"Tarvex\" ORDER BY \"ID\""));
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        m_engine = std::make_unique<ScratchStore>();
        writeFile(m_engine->configFile(),
                  m_server->aliasText(QStringLiteral("RoruvEde"), QStringLiteral("bench")));
        QCOMPARE(ReadingStore::setUp(m_engine->dataDir()), ReadingStore::SetupResult::Ready);
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        m_sim = std::make_unique<LoadSimulator>(options);
        m_run = std::make_unique<LoadRun>();
        m_run->moveToThread(&m_thread);
        m_thread.start();
        call([run = m_run.get()] { run->attachReadingTable(); });
    }
    void cleanupTestCase() {
        if (m_run) {
            callAndWait(m_run.get(), [run = m_run.get()] { run->finish(); });
            m_thread.quit();
            m_thread.wait();
            m_run.reset();
        }
        m_sim.reset();
        m_engine.reset();
        m_server.reset();
    }

    // The server is stopped for 10 s in the middle of a run and started
    // again: polling goes on at its pace, every reading is stored once and in
    // order when the server is back, and the operator is told once each way.
    void serverStoppedForTenSecondsLosesNoReading() {
        QueuedSpy opened(m_run.get(), &LoadRun::portOpened);
        QueuedSpy taken(m_run.get(), &LoadRun::readingTaken);
        QueuedSpy delayed(m_run.get(), &LoadRun::storingDelayed);
        QueuedSpy written(m_run.get(), &LoadRun::waitingReadingsWritten);
        LinkSettings settings;
        settings.portName = QString::fromStdString(m_sim->terminalPath());
        // The shortest interval Load ON takes at 9600 bit/s.
        settings.pollIntervalMs = 150;
        call([run = m_run.get(), settings] { run->applySettings(settings); });
        QVERIFY(opened.wait(kWaitMs));
        call([run = m_run.get()] { run->handToComputer(); });
        call([run = m_run.get()] { run->switchLoadOn(); });
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 5, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(rows().size() >= 5, kWaitMs);

        QVERIFY2(m_server->stop(), qPrintable(m_server->errorString()));
        const int takenAtStop = int(taken.count());
        QTest::qWait(10000);
        // At 150 ms a poll, about 66 readings come in meanwhile.
        QVERIFY2(taken.count() - takenAtStop >= 50,
                 qPrintable(QString::number(taken.count() - takenAtStop)));
        QCOMPARE(delayed.count(), 1);
        QVERIFY2(delayed.first().first().toString().contains(QStringLiteral("database lab")),
                 qPrintable(delayed.first().first().toString()));
        QCOMPARE(written.count(), 0);

        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, kWaitMs);
        call([run = m_run.get()] { run->switchLoadOff(); });
        QTest::qWait(500);

        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), int(taken.count()), kWaitMs);
        const QList<QVariantList> stored = rows();
        for (int i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), taken.at(i).at(0).value<LoadReading>().voltsText);
        }
        QCOMPARE(delayed.count(), 1);
        QCOMPARE(written.count(), 1);
        QVERIFY(written.first().first().toInt() >= 50);
    }
};

QTEST_MAIN(TestLoadRunServer)
#include "tst_loadrun_server.moc"
