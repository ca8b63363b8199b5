// `tarvex run` on benches that log into one PostgreSQL server (a private
// one): two runners on two simulated benches, each into its own schema, each
// run stored whole with its figures; and a server that goes away during a
// run, which goes on and at its end says how many readings could not be
// stored.
#include "RunnerFixture.h"

#include "loadsim/LoadSimulator.h"
#include "store/ReadingStore.h"
#include "support/PostgresServer.h"

#include <QTest>

#include <csignal>
#include <memory>

using namespace tarvex;
using loadsim::LoadSimulator;

namespace {

loadsim::SimulatorOptions fastDischarge() {
    loadsim::SimulatorOptions options;
    options.model.speed = 300;
    return options;
}

QStringList runLine(const LoadSimulator& sim, const QStringList& more) {
    return QStringList{QStringLiteral("run"), QStringLiteral("--port"),
                       QString::fromStdString(sim.terminalPath()), QStringLiteral("--interval"),
                       QStringLiteral("150")} +
           more;
}

} // namespace

class TestHeadlessRunServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;

    qint64 count(const QString& sql) {
        ServerDb db(*m_server);
        const QList<QVariantList> rows = db.rows(sql);
        return rows.isEmpty() ? -1 : rows.first().value(0).toLongLong();
    }

private slots:
    void initTestCase() {
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void cleanupTestCase() { m_server.reset(); }
    void init() { QVERIFY(m_server->start()); }

    void twoBenchesIntoOneServer() {
        LoadSimulator firstLoad(fastDischarge());
        LoadSimulator secondLoad(fastDischarge());
        Bench first;
        Bench second;
        first.setAlias(m_server->aliasText(QString::fromLatin1(ReadingStore::kAlias),
                                           QStringLiteral("bench1")));
        second.setAlias(m_server->aliasText(QString::fromLatin1(ReadingStore::kAlias),
                                            QStringLiteral("bench2")));
        Runner a(first, runLine(firstLoad, {"--minimum", "12.3", "--json", "--label", "A"}));
        Runner b(second, runLine(secondLoad, {"--minimum", "12.3", "--json", "--label", "B"}));
        int bench = 0;
        for (Runner* runner : {&a, &b}) {
            ++bench;
            QVERIFY(runner->waitForEnd());
            QVERIFY2(runner->exitStatus() == 0, qPrintable(runner->output() + runner->errors()));
            const QJsonObject summary = runner->jsonLines().last();
            QCOMPARE(summary.value(QStringLiteral("stored")).toBool(), true);
            const QJsonObject run = summary.value(QStringLiteral("run")).toObject();
            QCOMPARE(run.value(QStringLiteral("readings")).toInt(), runner->jsonLines().size() - 1);
            // Each bench's readings in its own schema, the run with them.
            const QString schema = QStringLiteral("bench%1").arg(bench);
            QCOMPARE(count(QStringLiteral("SELECT count(*) FROM \"%1\".\"Tarvex\"").arg(schema)),
                     qint64(run.value(QStringLiteral("readings")).toInt()));
            QCOMPARE(
                count(QStringLiteral("SELECT count(*) FROM \"%1\".\"Runs\" WHERE \"Label\" = "
                                     "'%2'")
                          .arg(schema, bench == 1 ? QStringLiteral("A") : QStringLiteral("B"))),
                qint64(1));
            QVERIFY(endsSwitchedOff(bench == 1 ? firstLoad : secondLoad));
        }
        Runner listing(first, {"runs", "--json"});
        QVERIFY(listing.waitForEnd());
        QCOMPARE(listing.jsonLines(),
                 QList<QJsonObject>{a.jsonLines().last().value(QStringLiteral("run")).toObject()});
    }

    // The server away: the run goes on; its end waits a bounded time and says
    // how many readings are left for the next start.
    void serverAwayDoesNotStopTheRun() {
        loadsim::SimulatorOptions options;
        LoadSimulator load(options);
        Bench bench;
        bench.setAlias(m_server->aliasText(QString::fromLatin1(ReadingStore::kAlias),
                                           QStringLiteral("bench3")));
        Runner runner(bench, runLine(load, {"--minimum", "1"}));
        QVERIFY(load.waitForAnswers(3, kRunnerWaitMs));
        QVERIFY(m_server->stop());
        const std::size_t answers = load.sentAnswers().size();
        QVERIFY(load.waitForAnswers(answers + 10, kRunnerWaitMs));
        QVERIFY(load.state().inputOn);
        ::kill(pid_t(runner.pid()), SIGTERM);
        QVERIFY(runner.waitForEnd());
        QVERIFY2(runner.exitStatus() == 143, qPrintable(runner.output() + runner.errors()));
        QVERIFY(endsSwitchedOff(load));
        QVERIFY2(runner.errors().contains(QStringLiteral("Readings cannot be stored now")),
                 qPrintable(runner.errors()));
        QVERIFY2(runner.output().contains(QStringLiteral(
                     " readings could not be stored; they are kept for the next start")),
                 qPrintable(runner.output()));
    }
};

QTEST_GUILESS_MAIN(TestHeadlessRunServer)
#include "tst_headlessrun_server.moc"
