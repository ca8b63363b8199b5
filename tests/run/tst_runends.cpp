// Runs end to end: the run on its own thread against the simulated load on a
// pseudo-terminal, storing into a real table file. Every way a run ends is
// recorded with its reason; each limit ends the run at the first reading
// that reaches it, with the same confirmed stop as the minimum voltage; the
// figures the run tells at its end are those the table keeps.
#include "support/StoreFixture.h"

#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "support/QueuedSpy.h"

#include <QLocale>
#include <QTest>
#include <QThread>

#include <future>
#include <memory>

using namespace tarvex;
using loadsim::LoadSimulator;

Q_DECLARE_METATYPE(tarvex::RunEnd)
Q_DECLARE_METATYPE(tarvex::RunLimits)

namespace {

constexpr int kWaitMs = 15000;
constexpr int kIntervalMs = 150;

QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}
QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

// A run on its own thread, as the program has it.
class RunOnThread {
public:
    RunOnThread() : m_run(std::make_unique<LoadRun>()) {
        m_run->moveToThread(&m_thread);
        m_thread.start();
    }
    ~RunOnThread() {
        std::promise<void> ended;
        callAndWait(m_run.get(), [this, &ended] {
            m_run->finish();
            QObject::connect(
                &m_thread, &QThread::finished, &m_thread, [&ended] { ended.set_value(); },
                Qt::DirectConnection);
        });
        m_thread.quit();
        ended.get_future().wait();
        m_thread.wait();
    }
    LoadRun* get() const { return m_run.get(); }
    template <class F> void call(F f) { post(m_run.get(), std::move(f)); }

private:
    QThread m_thread;
    std::unique_ptr<LoadRun> m_run;
};

// The test's own trapezoid over a run's readings, the last k left out.
double reckonAmpHours(const QList<RunReading>& r, qsizetype leaveOut, int intervalMs) {
    double ah = 0;
    for (qsizetype i = 1; i < r.size() - leaveOut; ++i) {
        const qint64 step = r[i].elapsedMs - r[i - 1].elapsedMs;
        if (step <= 3 * intervalMs)
            ah += (r[i].amps + r[i - 1].amps) / 2 * step / 3.6e6;
    }
    return ah;
}
double reckonWattHours(const QList<RunReading>& r, qsizetype leaveOut, int intervalMs) {
    double wh = 0;
    for (qsizetype i = 1; i < r.size() - leaveOut; ++i) {
        const qint64 step = r[i].elapsedMs - r[i - 1].elapsedMs;
        if (step <= 3 * intervalMs)
            wh += (r[i].watts + r[i - 1].watts) / 2 * step / 3.6e6;
    }
    return wh;
}

} // namespace

class TestRunEnds : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> m_engine;
    std::unique_ptr<LoadSimulator> m_sim;
    std::unique_ptr<RunOnThread> m_run;

    QString port() const { return QString::fromStdString(m_sim->terminalPath()); }

    void open(const QString& portName) {
        QueuedSpy opened(m_run->get(), &LoadRun::portOpened);
        LinkSettings settings;
        settings.portName = portName;
        settings.pollIntervalMs = kIntervalMs;
        m_run->call([run = m_run->get(), settings] { run->applySettings(settings); });
        QVERIFY(opened.wait(kWaitMs));
    }
    void switchOn(double minimumVolts = 0.01, RunLimits limits = {},
                  const QString& label = QString()) {
        m_run->call([run = m_run->get(), minimumVolts, limits, label] {
            run->setMinimumVoltage(minimumVolts);
            run->setRunLimits(limits);
            run->setRunLabel(label);
            run->handToComputer();
            run->switchLoadOn();
        });
    }

    // The run of runId once the table says it ended.
    std::optional<RunRecord> endedRun(qint64 runId) {
        ReadingStore store;
        std::optional<RunRecord> r;
        const bool ended = QTest::qWaitFor(
            [&] {
                r = store.run(runId);
                return r && r->end != RunEnd::Running;
            },
            kWaitMs);
        return ended ? r : std::nullopt;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init() {
        m_engine = std::make_unique<ScratchStore>();
        QCOMPARE(ReadingStore::setUp(m_engine->dataDir()), ReadingStore::SetupResult::Ready);
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        m_sim = std::make_unique<LoadSimulator>(options);
        m_run = std::make_unique<RunOnThread>();
        m_run->call([run = m_run->get()] { run->attachReadingTable(); });
    }
    void cleanup() {
        m_run.reset();
        m_sim.reset();
        m_engine.reset();
    }

    // Each way a run ends is told (runEnded) and stored with its key; the
    // figures told are those the table keeps for the run's readings.
    void everyEndIsRecordedWithItsReason_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<RunEnd>("end");
        QTest::newRow("Load OFF") << "load off" << RunEnd::LoadOff;
        QTest::newRow("PC Control") << "pc control" << RunEnd::LoadOff;
        QTest::newRow("Load ON again") << "load on" << RunEnd::LoadOff;
        QTest::newRow("minimum voltage") << "minimum" << RunEnd::MinimumVoltage;
        QTest::newRow("silence") << "silence" << RunEnd::Silence;
        QTest::newRow("closed") << "close" << RunEnd::Closed;
        QTest::newRow("link lost, then closed") << "hang up" << RunEnd::LinkLost;
        QTest::newRow("another port") << "port" << RunEnd::PortChanged;
    }
    void everyEndIsRecordedWithItsReason() {
        QFETCH(QString, how);
        QFETCH(RunEnd, end);
        QueuedSpy started(m_run->get(), &LoadRun::runStarted);
        QueuedSpy ended(m_run->get(), &LoadRun::runEnded);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        m_run->call([run = m_run->get()] { run->setSilenceLimit(1000); });
        open(port());
        switchOn(0.01, {}, QStringLiteral("cell 3"));
        // Load ON tells the run at once (0), then its RunID from the table.
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 2, kWaitMs);
        QCOMPARE(started.at(0).at(0).toLongLong(), 0);
        const qint64 id = started.at(1).at(0).toLongLong();
        QVERIFY(id > 0);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 4, kWaitMs);

        if (how == QLatin1String("load off")) {
            m_run->call([run = m_run->get()] { run->switchLoadOff(); });
        } else if (how == QLatin1String("pc control")) {
            m_run->call([run = m_run->get()] { run->handToComputer(); });
        } else if (how == QLatin1String("load on")) {
            m_run->call([run = m_run->get()] { run->switchLoadOn(); });
        } else if (how == QLatin1String("minimum")) {
            m_run->call([run = m_run->get()] { run->setMinimumVoltage(13.0); });
        } else if (how == QLatin1String("silence")) {
            m_sim->staySilentFor(3000);
        } else if (how == QLatin1String("close")) {
            m_run->call([run = m_run->get()] { run->shutDown(); });
        } else if (how == QLatin1String("hang up")) {
            QueuedSpy lost(m_run->get(), &LoadRun::linkLost);
            m_sim->hangUp();
            QVERIFY(lost.wait(kWaitMs));
            m_run->call([run = m_run->get()] { run->shutDown(); });
        } else {
            QCOMPARE(how, QStringLiteral("port"));
            LinkSettings other;
            other.portName = m_engine->root() + QStringLiteral("/no-such-port");
            other.pollIntervalMs = kIntervalMs;
            m_run->call([run = m_run->get(), other] { run->applySettings(other); });
        }
        QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 1, kWaitMs);
        const auto told = ended.first().at(0).value<RunRecord>();
        QCOMPARE(told.end, end);
        QCOMPARE(told.id, id);
        QCOMPARE(told.label, QStringLiteral("cell 3"));
        QCOMPARE(told.port, port());

        const std::optional<RunRecord> stored = endedRun(id);
        QVERIFY(stored);
        QCOMPARE(stored->end, end);
        // The minimum in force at the end: the one that stopped the run.
        const double minimum = how == QLatin1String("minimum") ? 13.0 : 0.01;
        QCOMPARE(told.minimumVolts, minimum);
        QCOMPARE(stored->minimumVolts, minimum);
        QCOMPARE(stored->label, QStringLiteral("cell 3"));
        QCOMPARE(stored->pollIntervalMs, kIntervalMs);
        QCOMPARE(stored->endedAt, told.endedAt);
        // Once its readings are in, the table's figures are the run's.
        ReadingStore store;
        QTRY_COMPARE_WITH_TIMEOUT(store.run(id)->readings, told.readings, kWaitMs);
        const RunRecord r = *store.run(id);
        QVERIFY(r.readings >= 4);
        QCOMPARE(r.ampHours, told.ampHours);
        QCOMPARE(r.wattHours, told.wattHours);
        QCOMPARE(r.lowestVolts, told.lowestVolts);
        QCOMPARE(r.uncountedMs, told.uncountedMs);
        if (how == QLatin1String("load on")) // the next run goes on
            QTRY_COMPARE_WITH_TIMEOUT(started.count(), 4, kWaitMs);
    }

    // Each limit ends the run at the first reading that reaches it: the
    // readings before it had not, and the load is stopped as at the minimum
    // voltage (load-off, status, front panel), and the run says which limit.
    void limitEndsTheRunAtTheRightReading_data() {
        QTest::addColumn<RunLimits>("limits");
        QTest::addColumn<RunEnd>("end");
        RunLimits time;
        time.maxElapsedMs = 1200;
        RunLimits charge;
        charge.maxAmpHours = 0.0004; // about 1.4 s at 1 A
        RunLimits energy;
        energy.maxWattHours = 0.0045; // about 1.3 s at 12.5 W
        RunLimits all = charge;
        all.maxElapsedMs = 600'000;
        all.maxWattHours = 10;
        QTest::newRow("time") << time << RunEnd::TimeLimit;
        QTest::newRow("charge") << charge << RunEnd::ChargeLimit;
        QTest::newRow("energy") << energy << RunEnd::EnergyLimit;
        QTest::newRow("charge first of three") << all << RunEnd::ChargeLimit;
    }
    void limitEndsTheRunAtTheRightReading() {
        QFETCH(RunLimits, limits);
        QFETCH(RunEnd, end);
        QueuedSpy started(m_run->get(), &LoadRun::runStarted);
        QueuedSpy reached(m_run->get(), &LoadRun::limitReached);
        QueuedSpy ended(m_run->get(), &LoadRun::runEnded);
        QueuedSpy stopEnded(m_run->get(), &LoadRun::stopEnded);
        open(port());
        switchOn(0.01, limits);
        QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, kWaitMs);
        QCOMPARE(reached.first().at(0).value<RunEnd>(), end);
        QTRY_COMPARE_WITH_TIMEOUT(stopEnded.count(), 1, kWaitMs);
        QCOMPARE(stopEnded.first().at(0).toBool(), true);
        QVERIFY(!m_sim->state().inputOn);
        QVERIFY(!m_sim->state().computerControl);
        // The stop's requests, after the last poll: load-off, status, front
        // panel.
        QList<QByteArray> frames;
        for (const auto& f : m_sim->receivedFrames())
            frames << bytesOf(f.bytes);
        const qsizetype off =
            frames.lastIndexOf(bytesOf(makeControlFrame(ControlMode::ComputerLoadOff)));
        QCOMPARE(frames.mid(off),
                 (QList<QByteArray>{bytesOf(makeControlFrame(ControlMode::ComputerLoadOff)),
                                    bytesOf(makeStatusQuery()),
                                    bytesOf(makeControlFrame(ControlMode::FrontPanel))}));

        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 2, kWaitMs);
        const qint64 id = started.at(1).at(0).toLongLong();
        const std::optional<RunRecord> stored = endedRun(id);
        QVERIFY(stored);
        QCOMPARE(stored->end, end);
        QCOMPARE(stored->limits, limits);
        const auto told = ended.first().at(0).value<RunRecord>();
        ReadingStore store;
        QTRY_COMPARE_WITH_TIMEOUT(store.run(id)->readings, told.readings, kWaitMs);
        const QList<RunReading> readings = store.runReadings(id);
        QVERIFY(readings.size() >= 3);
        const auto reachedWith = [&](qsizetype leaveOut) {
            switch (end) {
            case RunEnd::TimeLimit:
                return readings[readings.size() - 1 - leaveOut].elapsedMs >= *limits.maxElapsedMs;
            case RunEnd::ChargeLimit:
                return reckonAmpHours(readings, leaveOut, kIntervalMs) >= *limits.maxAmpHours;
            default:
                return reckonWattHours(readings, leaveOut, kIntervalMs) >= *limits.maxWattHours;
            }
        };
        QVERIFY(reachedWith(0));
        QVERIFY(!reachedWith(1));
        QCOMPARE(store.run(id)->ampHours, told.ampHours);
    }

    // A new Load ON after a limit stop starts a new run with the limits set
    // meanwhile; the runs are numbered in order.
    void nextRunTakesTheLimitsSetBeforeItsLoadOn() {
        QueuedSpy started(m_run->get(), &LoadRun::runStarted);
        QueuedSpy reached(m_run->get(), &LoadRun::limitReached);
        open(port());
        RunLimits first;
        first.maxElapsedMs = 500;
        switchOn(0.01, first);
        QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->get()->isStopping(), kWaitMs);
        switchOn(0.01, {}, QStringLiteral("second"));
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 4, kWaitMs);
        QTest::qWait(1000);
        QCOMPARE(reached.count(), 1); // no limit armed: it goes on
        m_run->call([run = m_run->get()] { run->switchLoadOff(); });
        const std::optional<RunRecord> second = endedRun(started.at(3).at(0).toLongLong());
        QVERIFY(second);
        QCOMPARE(second->id, started.at(1).at(0).toLongLong() + 1);
        QVERIFY(!second->limits.any());
        QCOMPARE(second->label, QStringLiteral("second"));
        QCOMPARE(second->end, RunEnd::LoadOff);
    }
};

QTEST_GUILESS_MAIN(TestRunEnds)
#include "tst_runends.moc"
