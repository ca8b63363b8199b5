// The run on its own thread against the simulated load on a pseudo-terminal
// and a real table file: the stop never waits for the window thread, readings
// survive a locked table, silence is told, a lost link comes back by itself.
#include "support/StoreFixture.h"

#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/ReadingRecorder.h"
#include "support/QueuedSpy.h"
#include "support/SerialTestSupport.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>

using namespace tarvex;
using loadsim::LoadSimulator;

namespace {

constexpr int kWaitMs = 15000;

QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}
QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

const QByteArray kOff = bytesOf(makeControlFrame(ControlMode::ComputerLoadOff));
const QByteArray kOn = bytesOf(makeControlFrame(ControlMode::ComputerLoadOn));
const QByteArray kSelf = bytesOf(makeControlFrame(ControlMode::FrontPanel));
const QByteArray kQuery = bytesOf(makeStatusQuery());

// The frames a load received from its first load-off after Load ON on (PC
// Control sends the same frame before).
QList<QByteArray> fromFirstOff(const LoadSimulator& sim) {
    QList<QByteArray> frames;
    bool on = false;
    for (const auto& f : sim.receivedFrames()) {
        const QByteArray bytes = bytesOf(f.bytes);
        on = on || bytes == kOn;
        if (!frames.isEmpty() || (on && bytes == kOff))
            frames << bytes;
    }
    return frames;
}

// The longest pause between two status requests the load received.
qint64 longestPollGapMs(const LoadSimulator& sim) {
    qint64 longest = 0;
    std::optional<loadsim::Clock::time_point> last;
    for (const auto& f : sim.receivedFrames()) {
        if (bytesOf(f.bytes) != kQuery)
            continue;
        if (last)
            longest = std::max<qint64>(
                longest, std::chrono::duration_cast<std::chrono::milliseconds>(f.receivedAt - *last)
                             .count());
        last = f.receivedAt;
    }
    return longest;
}

// A run on its own thread, as the program has it.
class RunOnThread {
public:
    RunOnThread() : m_run(std::make_unique<LoadRun>()) {
        m_run->moveToThread(&m_thread);
        m_thread.start();
    }
    ~RunOnThread() {
        // Chunks posted before the close may still be handled on the run's
        // thread. Its last word, after its event loop, tells this thread so
        // in a way ThreadSanitizer sees (QThread::wait() happens inside Qt):
        // the run is destroyed here only after that.
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
    LoadRun* operator->() const { return m_run.get(); }
    LoadRun* get() const { return m_run.get(); }

    // A slot of the run, on its thread, without waiting.
    template <class F> void call(F f) { post(m_run.get(), std::move(f)); }

private:
    QThread m_thread;
    std::unique_ptr<LoadRun> m_run;
};

} // namespace

class TestLoadRun : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> m_engine;
    std::unique_ptr<LoadSimulator> m_sim;
    std::unique_ptr<RunOnThread> m_run;

    LinkSettings settingsFor(const QString& port, int intervalMs = 150) {
        LinkSettings settings;
        settings.portName = port;
        settings.pollIntervalMs = intervalMs;
        return settings;
    }
    void openAndSwitchOn(const QString& port, double minimumVolts = 0.01, int intervalMs = 150) {
        QueuedSpy opened(m_run->get(), &LoadRun::portOpened);
        const LinkSettings settings = settingsFor(port, intervalMs);
        m_run->call([run = m_run->get(), settings] { run->applySettings(settings); });
        QVERIFY(opened.wait(kWaitMs));
        m_run->call([run = m_run->get(), minimumVolts] { run->setMinimumVoltage(minimumVolts); });
        m_run->call([run = m_run->get()] { run->handToComputer(); });
        m_run->call([run = m_run->get()] { run->switchLoadOn(); });
    }
    QList<QByteArray> framesReceived() const {
        QList<QByteArray> frames;
        for (const auto& f : m_sim->receivedFrames())
            frames << bytesOf(f.bytes);
        return frames;
    }
    QList<QVariantList> rows() {
        RawDb db(m_engine->tableFile());
        return db.rows(QStringLiteral("select ID, VolVal from Tarvex order by ID"));
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

    // The window thread is held busy for 3 s from the moment polling starts;
    // the first answer below the minimum switches the load off all the same,
    // before the load has given a further answer.
    void stopDoesNotWaitForABusyWindowThread() {
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()), 13.0);
        const auto busyFrom = std::chrono::steady_clock::now();
        QThread::msleep(3000); // the window thread handles nothing meanwhile
        const auto busyUntil = std::chrono::steady_clock::now();

        const auto frames = m_sim->receivedFrames();
        const auto answers = m_sim->sentAnswers();
        QVERIFY(!answers.empty());
        const auto crossing = answers.front(); // 12.6 V < 13 V: the first one trips
        auto off = frames.end();
        for (auto it = frames.begin(); it != frames.end(); ++it)
            if (bytesOf(it->bytes) == kOff && it->receivedAt > crossing.lastByteAt) {
                off = it;
                break;
            }
        QVERIFY2(off != frames.end(), "no load-off request after the crossing answer");
        QVERIFY(off->receivedAt < busyUntil);
        QVERIFY(off->receivedAt > busyFrom);
        // Within one answer: the load answered nothing more before it.
        for (const auto& answer : answers)
            QVERIFY(answer.firstByteAt <= crossing.firstByteAt ||
                    answer.firstByteAt > off->receivedAt);
        // The stop asks whether it took, then hands the load to its panel.
        QCOMPARE(bytesOf(std::next(off)->bytes), kQuery);
        QTRY_COMPARE_WITH_TIMEOUT(fromFirstOff(*m_sim), (QList<QByteArray>{kOff, kQuery, kSelf}),
                                  kWaitMs);
        QVERIFY(!m_sim->state().inputOn);
        QVERIFY(!m_sim->state().computerControl);
        QVERIFY(!m_run->get()->isPolling());
    }

    // Another program holds the table's write lock for 5 s in the middle of
    // a run: polling goes on at its pace, no reading is lost, the rows keep
    // their order, and the operator is told once each way.
    void lockedTableLosesNoReading() {
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        QueuedSpy delayed(m_run->get(), &LoadRun::storingDelayed);
        QueuedSpy written(m_run->get(), &LoadRun::waitingReadingsWritten);
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()));
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 3, kWaitMs);

        const int takenBeforeLock = int(taken.count());
        {
            RawDb other(m_engine->tableFile());
            QString error;
            other.rows(QStringLiteral("BEGIN IMMEDIATE"), &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QTest::qWait(5000);
            other.rows(QStringLiteral("COMMIT"));
        }
        // At 150 ms a poll, some 33 readings come in meanwhile; a run that
        // waited for the table would take one in two seconds.
        QVERIFY2(taken.count() - takenBeforeLock >= 20,
                 qPrintable(QString::number(taken.count() - takenBeforeLock)));
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, kWaitMs);
        m_run->call([run = m_run->get()] { run->switchLoadOff(); });
        QTest::qWait(500);

        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), int(taken.count()), kWaitMs);
        const QList<QVariantList> stored = rows();
        for (int i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            const auto reading = taken.at(i).at(0).value<LoadReading>();
            QCOMPARE(stored[i][1].toString(), reading.voltsText);
        }
        QCOMPARE(delayed.count(), 1);
        QCOMPARE(written.count(), 1);
        QCOMPARE(written.first().first().toInt() > 0, true);
    }

    // Three polls without a whole answer: the run says so until one comes.
    void silenceIsToldUntilAnAnswerComes() {
        QueuedSpy silence(m_run->get(), &LoadRun::silenceChanged);
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()));
        QTest::qWait(500);
        QCOMPARE(silence.count(), 0); // answers come: nothing to tell
        m_sim->staySilentFor(1500);
        QTRY_COMPARE_WITH_TIMEOUT(silence.count(), 1, kWaitMs);
        QCOMPARE(silence.at(0).at(0).toBool(), true);
        QTRY_COMPARE_WITH_TIMEOUT(silence.count(), 2, kWaitMs);
        QCOMPARE(silence.at(1).at(0).toBool(), false);
    }

    // The load's terminal goes away and comes back at the same link: the run
    // reopens it by itself, polling and the protection resume.
    void lostLinkComesBackByItself() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(::symlink(m_sim->terminalPath().c_str(), link.toLocal8Bit().constData()) == 0);
        QueuedSpy lost(m_run->get(), &LoadRun::linkLost);
        QueuedSpy back(m_run->get(), &LoadRun::linkBack);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        openAndSwitchOn(link);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 2, kWaitMs);

        m_sim->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, kWaitMs);
        QCOMPARE(lost.first().first().toString(), link);
        QVERIFY(m_run->get()->isLinkLost());
        // Unplugged, the adapter's link goes (as udev's by-id links do): the
        // terminal's number may be another test's soon.
        QVERIFY(::unlink(link.toLocal8Bit().constData()) == 0);
        QTest::qWait(1500); // absent for a while: tries fail
        QCOMPARE(back.count(), 0);

        // Plugged back: a new terminal at the same link.
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        auto replugged = std::make_unique<LoadSimulator>(options);
        QVERIFY(::symlink(replugged->terminalPath().c_str(), link.toLocal8Bit().constData()) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, kWaitMs);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!m_run->get()->isLinkLost());
        QVERIFY(replugged->waitForAnswers(2, kWaitMs)); // polling goes on by itself
        const int before = int(taken.count());
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() > before, kWaitMs);

        // The protection acts on the new port.
        m_run->call([run = m_run->get()] { run->setMinimumVoltage(13.0); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->get()->isPolling(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(replugged->receivedFrames().size() >= 2, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(bytesOf(replugged->receivedFrames().back().bytes), kSelf,
                                  kWaitMs);
        m_run.reset();
    }

    // The stop asks for a status after its load-off; while the answer shows
    // current, load-off again, three at most, then front panel. The
    // confirmations are no readings. A load that ignores every load-off is
    // told loudly and stays guarded.
    void stopIsConfirmed_data() {
        QTest::addColumn<int>("ignored");
        QTest::addColumn<QList<QByteArray>>("line");
        QTest::addColumn<bool>("loadOff");
        QTest::newRow("the first load-off takes")
            << 0 << QList<QByteArray>{kOff, kQuery, kSelf} << true;
        QTest::newRow("the first is lost: a second")
            << 1 << QList<QByteArray>{kOff, kQuery, kOff, kQuery, kSelf} << true;
        QTest::newRow("two are lost: a third")
            << 2 << QList<QByteArray>{kOff, kQuery, kOff, kQuery, kOff, kQuery, kSelf} << true;
        QTest::newRow("all are lost: three, then the warning")
            << -1 << QList<QByteArray>{kOff, kQuery, kOff, kQuery, kOff, kQuery, kSelf} << false;
    }
    void stopIsConfirmed() {
        QFETCH(int, ignored);
        QFETCH(QList<QByteArray>, line);
        QFETCH(bool, loadOff);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        QueuedSpy stopped(m_run->get(), &LoadRun::stoppedAtMinimumVoltage);
        QueuedSpy ended(m_run->get(), &LoadRun::stopEnded);
        QueuedSpy stillOn(m_run->get(), &LoadRun::loadStillOn);
        // Polls far apart: on a busy machine the next poll could otherwise
        // leave before the answer that trips the stop is taken, and its late
        // answer would count as the stop's.
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()), 0.01, 400);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 1, kWaitMs);
        QVERIFY(m_run->get()->guardProcessId() > 0);
        m_sim->ignoreLoadOffs(ignored);
        m_run->call([run = m_run->get()] { run->setMinimumVoltage(13.0); });
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, kWaitMs);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(ended.first().first().toBool(), loadOff);
        QTRY_COMPARE_WITH_TIMEOUT(fromFirstOff(*m_sim), line, kWaitMs);
        // Only the answer that tripped the stop was a reading after it.
        const auto readings = taken.count();
        QTest::qWait(300);
        QCOMPARE(taken.count(), readings);
        QCOMPARE(m_sim->sentAnswers().size() - std::size_t(readings),
                 std::size_t(line.count(kQuery)));
        QVERIFY(!m_run->get()->isPolling());
        QCOMPARE(m_sim->state().inputOn, !loadOff);
        QVERIFY(!m_sim->state().computerControl);
        QCOMPARE(stillOn.count(), loadOff ? 0 : 1);
        QCOMPARE(m_run->get()->loadMayBeOn(), !loadOff);
        QCOMPARE(m_run->get()->guardProcessId() > 0, !loadOff);
        if (!loadOff) {
            QCOMPARE(stillOn.first().at(0).toString(),
                     QString::fromStdString(m_sim->terminalPath()));
            QVERIFY(stillOn.first().at(1).toDouble() >= LoadRun::kFlowingAmps);
        }
    }

    // The run tallies the charge from Load ON: (0, 0) first, then one figure
    // per reading, the current and power integrated over the readings'
    // arrival; after Load OFF nothing more is added.
    void chargeIsTalliedFromLoadOn() {
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        QueuedSpy charge(m_run->get(), &LoadRun::chargeDrawn);
        m_sim->setCurrent(2.0);
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()));
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 6, kWaitMs);
        m_run->call([run = m_run->get()] { run->switchLoadOff(); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->get()->loadMayBeOn(), kWaitMs);
        QTest::qWait(500); // a late answer would add nothing
        QCOMPARE(charge.first().at(0).toDouble(), 0.0);
        QCOMPARE(charge.first().at(1).toDouble(), 0.0);
        // Every reading before Load OFF counts; an answer to a poll sent
        // before it may still come, and is not counted.
        const qsizetype tallied = charge.count() - 1;
        QVERIFY2(tallied >= 6 && tallied <= taken.count() && tallied >= taken.count() - 1,
                 qPrintable(QStringLiteral("%1 of %2").arg(tallied).arg(taken.count())));
        const qint64 spanMs =
            taken.at(tallied - 1).at(1).toLongLong() - taken.first().at(1).toLongLong();
        QVERIFY(spanMs > 0);
        double lowestWatts = 1e9, highestWatts = 0;
        for (qsizetype i = 0; i < tallied; ++i) {
            const auto r = taken.at(i).at(0).value<LoadReading>();
            QCOMPARE(r.amps, 2.0);
            lowestWatts = std::min(lowestWatts, r.watts);
            highestWatts = std::max(highestWatts, r.watts);
        }
        const double hours = double(spanMs) / 3'600'000.0;
        QVERIFY(qFuzzyCompare(charge.last().at(0).toDouble(), 2.0 * hours));
        const double wattHours = charge.last().at(1).toDouble();
        QVERIFY2(wattHours >= lowestWatts * hours * 0.999999 &&
                     wattHours <= highestWatts * hours * 1.000001,
                 qPrintable(QString::number(wattHours)));
    }

    // While the load is on, no whole answer for the silence limit stops it:
    // load-off (asked for its status), front panel, polling ends, told once.
    // A lost link is not silence; a pause shorter than the limit is nothing.
    void silenceStopsTheLoad_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<bool>("stops");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("never answers") << "silent" << 1000 << true << 150;
        QTest::newRow("a junk byte behind every answer") << "junk" << 1000 << true << 150;
        // A poll interval that keeps each answer's end (100 ms late) apart
        // from the next one's start: 26 bytes of both would be taken as an
        // answer by the reading path, as any 26 bytes are.
        QTest::newRow("every answer split with a pause") << "split" << 1000 << true << 300;
        QTest::newRow("every answer joined to the next") << "join" << 1000 << true << 150;
        QTest::newRow("a pause shorter than the limit") << "pause" << 1500 << false << 150;
        QTest::newRow("limit 0: never") << "silent" << 0 << false << 150;
    }
    void silenceStopsTheLoad() {
        QFETCH(QString, how);
        QFETCH(int, limitMs);
        QFETCH(bool, stops);
        QFETCH(int, intervalMs);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        QueuedSpy silence(m_run->get(), &LoadRun::stoppedForSilence);
        QueuedSpy ended(m_run->get(), &LoadRun::stopEnded);
        // A limit of 0 replaces one that would stop the load.
        m_run->call([run = m_run->get()] { run->setSilenceLimit(1000); });
        m_run->call([run = m_run->get(), limitMs] { run->setSilenceLimit(limitMs); });
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()), 0.01, intervalMs);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 2, kWaitMs);
        loadsim::Misbehaviour misbehaviour;
        if (how == QLatin1String("silent"))
            m_sim->staySilentFor(60000);
        else if (how == QLatin1String("pause"))
            m_sim->staySilentFor(limitMs / 2);
        else if (how == QLatin1String("junk"))
            misbehaviour.junkEvery = 1, misbehaviour.junkBytes = 1;
        else if (how == QLatin1String("split"))
            misbehaviour.splitEvery = 1;
        else
            misbehaviour.joinEvery = 1;
        m_sim->setMisbehaviour(misbehaviour);
        const auto sentAt = std::chrono::steady_clock::now();

        if (!stops) {
            QTest::qWait(3000);
            QCOMPARE(silence.count(), 0);
            QVERIFY(m_run->get()->isPolling());
            QVERIFY(m_sim->state().inputOn);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(silence.count(), 1, kWaitMs);
        // The last whole answer came a little before the fault began.
        QVERIFY(std::chrono::steady_clock::now() - sentAt >=
                std::chrono::milliseconds(limitMs - 250));
        QCOMPARE(silence.first().at(0).toString(), QString::fromStdString(m_sim->terminalPath()));
        QCOMPARE(silence.first().at(1).toInt(), limitMs);
        QVERIFY(!m_run->get()->isPolling());
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, kWaitMs);
        const QList<QByteArray> line = fromFirstOff(*m_sim);
        QCOMPARE(line.first(), kOff);
        QCOMPARE(line.last(), kSelf);
        QVERIFY(!line.contains(kOn));
        QVERIFY(!m_sim->state().inputOn);
        QVERIFY(!m_sim->state().computerControl);
        // Once: nothing more goes out, nothing more is told.
        const auto frames = m_sim->receivedFrames().size();
        QTest::qWait(limitMs + 500);
        QCOMPARE(silence.count(), 1);
        QCOMPARE(m_sim->receivedFrames().size(), frames);
    }

    // A hang-up pauses the silence limit; back again, polling and the
    // protection go on, and the limit counts afresh.
    void lostLinkIsNotSilence() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(::symlink(m_sim->terminalPath().c_str(), link.toLocal8Bit().constData()) == 0);
        QueuedSpy silence(m_run->get(), &LoadRun::stoppedForSilence);
        QueuedSpy back(m_run->get(), &LoadRun::linkBack);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        m_run->call([run = m_run->get()] { run->setSilenceLimit(1000); });
        openAndSwitchOn(link);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 2, kWaitMs);
        const qint64 firstGuard = m_run->get()->guardProcessId();
        QVERIFY(firstGuard > 0);
        m_sim->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(m_run->get()->isLinkLost(), kWaitMs);
        // The unplugged adapter's link goes with it.
        QVERIFY(::unlink(link.toLocal8Bit().constData()) == 0);
        // The guard's port went with ours.
        QTRY_COMPARE_WITH_TIMEOUT(m_run->get()->guardProcessId(), qint64(0), kWaitMs);
        QTest::qWait(2500); // longer than the limit: lost, not silent
        QCOMPARE(silence.count(), 0);

        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        LoadSimulator replugged(options);
        QVERIFY(::symlink(replugged.terminalPath().c_str(), link.toLocal8Bit().constData()) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, kWaitMs);
        QVERIFY(m_run->get()->guardProcessId() > 0); // armed with the new port
        QVERIFY(replugged.waitForAnswers(3, kWaitMs));
        QCOMPARE(silence.count(), 0);
        // The limit still watches the new port.
        replugged.staySilentFor(60000);
        QTRY_COMPARE_WITH_TIMEOUT(silence.count(), 1, kWaitMs);
        m_run.reset();
    }

    // Load ON while polling cannot watch the load: no request, no polling,
    // and the reason.
    void loadOnRefusedWhilePollingCannotWatch_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("refused");
        QTest::newRow("0 ms") << 0 << true;
        QTest::newRow("10 ms") << 10 << true;
        QTest::newRow("80 ms") << 80 << true;
        QTest::newRow("150 ms") << 150 << false;
    }
    void loadOnRefusedWhilePollingCannotWatch() {
        QFETCH(int, interval);
        QFETCH(bool, refused);
        QueuedSpy refusals(m_run->get(), &LoadRun::loadOnRefused);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()), 0.01, interval);
        if (refused) {
            QTRY_COMPARE_WITH_TIMEOUT(refusals.count(), 1, kWaitMs);
            QVERIFY(refusals.first().first().toString().contains(QStringLiteral("150 ms")));
            QTest::qWait(500);
            QVERIFY(!m_run->get()->isPolling());
            QVERIFY(!framesReceived().contains(kOn));
            QVERIFY(!m_sim->state().inputOn);
            QCOMPARE(m_run->get()->guardProcessId(), qint64(0));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 3, kWaitMs);
            QCOMPARE(refusals.count(), 0);
        }
    }

    // Setting -> OK while the load is on. The same line: the port stays open
    // (the same guard), the new interval at once, no gap. Another port or
    // other line settings: load-off and front panel on the old port first,
    // polling stops, nothing is switched on at the new one.
    void settingsWhileTheLoadIsOn_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("staysOn");
        QTest::newRow("unchanged") << "none" << true;
        QTest::newRow("interval only") << "interval" << true;
        QTest::newRow("another port") << "port" << false;
        QTest::newRow("other line settings") << "baud" << false;
        QTest::newRow("a port that cannot be opened") << "bad port" << false;
    }
    void settingsWhileTheLoadIsOn() {
        QFETCH(QString, change);
        QFETCH(bool, staysOn);
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        LoadSimulator other(options);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        QueuedSpy opened(m_run->get(), &LoadRun::portOpened);
        QueuedSpy failed(m_run->get(), &LoadRun::portOpenFailed);
        QueuedSpy switchedOff(m_run->get(), &LoadRun::loadSwitchedOffForPortChange);
        const QString port = QString::fromStdString(m_sim->terminalPath());
        openAndSwitchOn(port, 0.01, 200);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 3, kWaitMs);
        const qint64 guard = m_run->get()->guardProcessId();
        QVERIFY(guard > 0);

        LinkSettings settings = settingsFor(port, 200);
        if (change == QLatin1String("interval"))
            settings.pollIntervalMs = 150;
        if (change == QLatin1String("port"))
            settings.portName = QString::fromStdString(other.terminalPath());
        if (change == QLatin1String("baud"))
            settings.baudRate = 19200;
        if (change == QLatin1String("bad port"))
            settings.portName = QStringLiteral("/nonexistent/tty");
        const auto openedBefore = opened.count();
        m_run->call([run = m_run->get(), settings] { run->applySettings(settings); });
        QTRY_COMPARE_WITH_TIMEOUT(opened.count() + failed.count(), openedBefore + 1, kWaitMs);
        QCOMPARE(failed.count(), change == QLatin1String("bad port") ? 1 : 0);

        if (staysOn) {
            QCOMPARE(m_run->get()->guardProcessId(), guard); // never closed
            QCOMPARE(m_run->get()->pollInterval(), settings.pollIntervalMs);
            const auto count = taken.count();
            QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= count + 5, kWaitMs);
            QVERIFY(m_sim->state().inputOn);
            QCOMPARE(switchedOff.count(), 0);
            // No gap: never much longer than the longer interval.
            QVERIFY2(longestPollGapMs(*m_sim) < 2 * 200 + 100,
                     qPrintable(QString::number(longestPollGapMs(*m_sim))));
            return;
        }
        QCOMPARE(switchedOff.count(), 1);
        QCOMPARE(switchedOff.first().at(0).toString(), port);
        QCOMPARE(switchedOff.first().at(1).toString(), settings.portName);
        QVERIFY(!m_run->get()->isPolling());
        QCOMPARE(m_run->get()->guardProcessId(), qint64(0));
        QVERIFY(!m_run->get()->loadMayBeOn());
        // The old load's last frames: load-off, front panel.
        const QList<QByteArray> old = framesReceived();
        QCOMPARE(old.mid(old.size() - 2), (QList<QByteArray>{kOff, kSelf}));
        QVERIFY(!m_sim->state().inputOn && !m_sim->state().computerControl);
        // The new port is opened, polled by nobody, switched on by nobody.
        QTest::qWait(500);
        if (change == QLatin1String("port")) {
            QVERIFY(m_run->get()->isPortOpen());
            QCOMPARE(other.receivedFrames().size(), std::size_t(0));
        }
        if (change == QLatin1String("baud")) {
            QVERIFY(m_run->get()->isPortOpen());
            QCOMPARE(framesReceived().mid(old.size()), QList<QByteArray>{});
        }
    }

    // The end with the link lost: one more attempt to open the port; a load
    // plugged back in gets its two requests, one that cannot be had makes
    // shutDown() say that the load may still be on.
    void exitWithTheLinkLost_data() {
        QTest::addColumn<bool>("pluggedBack");
        QTest::newRow("plugged back") << true;
        QTest::newRow("gone") << false;
    }
    void exitWithTheLinkLost() {
        QFETCH(bool, pluggedBack);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(::symlink(m_sim->terminalPath().c_str(), link.toLocal8Bit().constData()) == 0);
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        QueuedSpy lost(m_run->get(), &LoadRun::linkLost);
        openAndSwitchOn(link);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 2, kWaitMs);
        m_sim->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, kWaitMs);
        // The unplugged adapter's link goes with it.
        QVERIFY(::unlink(link.toLocal8Bit().constData()) == 0);
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        std::unique_ptr<LoadSimulator> replugged;
        if (pluggedBack) {
            replugged = std::make_unique<LoadSimulator>(options);
            QVERIFY(::symlink(replugged->terminalPath().c_str(), link.toLocal8Bit().constData()) ==
                    0);
        }
        bool safe = false;
        callAndWait(m_run->get(), [&] { safe = m_run->get()->shutDown(); });
        QCOMPARE(safe, pluggedBack);
        if (pluggedBack) {
            const auto frames = [&] {
                QList<QByteArray> frames;
                for (const auto& f : replugged->receivedFrames())
                    frames << bytesOf(f.bytes);
                return frames;
            };
            QTRY_VERIFY_WITH_TIMEOUT(frames().size() >= 2, kWaitMs);
            QCOMPARE(frames().mid(frames().size() - 2), (QList<QByteArray>{kOff, kSelf}));
        }
        // Nothing more is switched on after the end.
        m_run->call([run = m_run->get()] { run->switchLoadOn(); });
        QTest::qWait(300);
        QVERIFY(!m_run->get()->isPolling());
        m_run.reset();
    }

    // The run ends without its exit requests (the program did not shut it
    // down): the guard still armed gets its turn and switches the load off.
    void finishWithTheLoadOnLetsTheGuardSwitchItOff() {
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()));
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 2, kWaitMs);
        const qint64 guard = m_run->get()->guardProcessId();
        QVERIFY(guard > 0);
        m_run.reset(); // finish() without shutDown()
        QTRY_VERIFY_WITH_TIMEOUT(!m_sim->state().inputOn, kWaitMs);
        const QList<QByteArray> frames = framesReceived();
        QCOMPARE(frames.mid(frames.size() - 2), (QList<QByteArray>{kOff, kSelf}));
        QVERIFY(::kill(pid_t(guard), 0) != 0);
    }

    // Load OFF (and PC Control, which is computer control with the input
    // off) make the load known off once the request has left the port: the
    // guard goes; Load ON brings it back.
    void guardFollowsTheLoad() {
        QueuedSpy taken(m_run->get(), &LoadRun::readingTaken);
        openAndSwitchOn(QString::fromStdString(m_sim->terminalPath()));
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= 1, kWaitMs);
        QVERIFY(m_run->get()->loadMayBeOn());
        const qint64 first = m_run->get()->guardProcessId();
        QVERIFY(first > 0);
        m_run->call([run = m_run->get()] { run->switchLoadOff(); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->get()->loadMayBeOn(), kWaitMs);
        QCOMPARE(m_run->get()->guardProcessId(), qint64(0));
        QVERIFY(::kill(pid_t(first), 0) != 0);
        m_run->call([run = m_run->get()] { run->switchLoadOn(); });
        QTRY_VERIFY_WITH_TIMEOUT(m_run->get()->guardProcessId() > 0, kWaitMs);
        m_run->call([run = m_run->get()] { run->handToComputer(); });
        QTRY_COMPARE_WITH_TIMEOUT(m_run->get()->guardProcessId(), qint64(0), kWaitMs);
        QVERIFY(!m_run->get()->loadMayBeOn());
    }

    // The end of the run waits for its last two requests at most its bound:
    // a line that does not move (its output held, as by XOFF) does not hold
    // up the exit, and the requests still go out once it moves again.
    void exitWaitsForTheLastRequestsAtMostItsBound() {
        PtyPair line;
        QVERIFY(line.isOpen());
        QueuedSpy opened(m_run->get(), &LoadRun::portOpened);
        const LinkSettings settings = settingsFor(line.slavePath(), 0); // no polls
        m_run->call([run = m_run->get(), settings] { run->applySettings(settings); });
        QVERIFY(opened.wait(kWaitMs));
        QCOMPARE(tcflow(line.slaveFd(), TCOOFF), 0);
        {
            Watchdog watchdog(60, "the end of the run on a line that does not move");
            callAndWait(m_run->get(), [run = m_run->get()] { run->shutDown(); });
        }
        QCOMPARE(line.readNow(), QByteArray());
        QCOMPARE(tcflow(line.slaveFd(), TCOON), 0);
        QCOMPARE(line.read(qsizetype(2 * kFrameSize), kWaitMs), kOff + kSelf);
    }

    // Random chunks through the receive path: split, joined, junk, empty,
    // every byte value. Only whole 26-byte chunks make readings; nothing
    // crashes (also under the sanitizers).
    void randomChunksMakeReadingsOnlyFromWholeAnswers() {
        LoadRun run; // on this thread: the chunks go straight in
        QSignalSpy taken(&run, &LoadRun::readingTaken);
        QSignalSpy stopped(&run, &LoadRun::stoppedAtMinimumVoltage);
        run.setMinimumVoltage(-1e9); // no stop: every answer is a reading only
        QRandomGenerator random(20261210);
        int whole = 0;
        for (int i = 0; i < 20000; ++i) {
            const int pick = random.bounded(8);
            const int length = pick == 0 ? 26 : pick == 1 ? 0 : 1 + random.bounded(2048);
            QByteArray chunk(length, Qt::Uninitialized);
            for (char& byte : chunk)
                byte = char(random.bounded(256));
            if (length == 26)
                ++whole;
            run.takeChunk(chunk);
        }
        QCOMPARE(int(taken.count()), whole);
        QCOMPARE(stopped.count(), 0);
    }
};

QTEST_MAIN(TestLoadRun)
#include "tst_loadrun.moc"
