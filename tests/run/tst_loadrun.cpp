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
#include <QTest>
#include <QThread>

#include <unistd.h>

#include <chrono>
#include <memory>

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
const QByteArray kSelf = bytesOf(makeControlFrame(ControlMode::FrontPanel));

// A run on its own thread, as the program has it.
class RunOnThread {
public:
    RunOnThread() : m_run(std::make_unique<LoadRun>()) {
        m_run->moveToThread(&m_thread);
        m_thread.start();
    }
    ~RunOnThread() {
        callAndWait(m_run.get(), [run = m_run.get()] { run->finish(); });
        m_thread.quit();
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

    std::unique_ptr<ScratchEngine> m_engine;
    std::unique_ptr<LoadSimulator> m_sim;
    std::unique_ptr<RunOnThread> m_run;

    LinkSettings settingsFor(const QString& port, int intervalMs = 100) {
        LinkSettings settings;
        settings.portName = port;
        settings.pollIntervalMs = intervalMs;
        return settings;
    }
    void openAndSwitchOn(const QString& port, double minimumVolts = 0.01, int intervalMs = 100) {
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
        m_engine = std::make_unique<ScratchEngine>();
        QCOMPARE(ReadingTable::setUp(m_engine->dataDir()), ReadingTable::SetupResult::Ready);
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
        QCOMPARE(bytesOf(std::next(off)->bytes), kSelf);
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
        // At 100 ms a poll, some 50 readings come in meanwhile; a run that
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
        QTest::qWait(1500); // absent for a while: tries fail
        QCOMPARE(back.count(), 0);

        // Plugged back: a new terminal at the same link.
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        auto replugged = std::make_unique<LoadSimulator>(options);
        QVERIFY(::unlink(link.toLocal8Bit().constData()) == 0);
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
