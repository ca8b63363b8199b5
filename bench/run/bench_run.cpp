// The run on its own thread against the simulated load, in-process.
//
//   bench_run [--runs N (1000)] [--lock S (30)] [--chunks N (1000000)] [--only I]
//             [--log FILE]
//
// --only I replays the I-th randomized run alone; --log FILE appends what its
// simulated load received and sent to FILE.
//
// 1. Randomized runs: each with its own source (voltage, capacity, current,
//    speed), minimum voltage and faults (split, joined and junk answers, a
//    load silent for a while, a table locked by another connection, a busy
//    window thread), at a poll interval the line can carry; and mixed in:
//    loads that stop answering, answers that never come whole (junk behind
//    every one, or every one split), intervals too short to poll at, loads
//    that ignore the first load-offs, and runs in a process of their own
//    that is killed with SIGKILL. Every run must end with the load off: by
//    the stop on the first whole answer at or below the minimum (the time
//    from that answer's last byte to the load-off request on the line), by
//    the silence fail-safe within the silence limit plus one poll interval
//    (from the last whole answer, or Load ON, to the load-off), by the guard
//    process within 100 ms of the death (SIGKILL to the load-off), or by Load
//    ON refused (no load-on request at all). Counts and p50/p99/max of each.
// 2. Readings lost while another connection holds the table's write lock for
//    S seconds in the middle of a run.
// 3. Random chunks through the receive path: chunks per second.
#include "BenchSupport.h"
#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/PollInterval.h"
#include "run/ReadingRecorder.h"
#include "store/ReadingTable.h"
#include "store/TableEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace tarvex;
using Clock = std::chrono::steady_clock;

namespace {

QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}

QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), int(f.size()));
}

const QByteArray kOff = bytesOf(makeControlFrame(ControlMode::ComputerLoadOff));
const QByteArray kOn = bytesOf(makeControlFrame(ControlMode::ComputerLoadOn));

// The silence limit of the randomized runs: longer than the pauses of the
// usual faults, short enough for a thousand runs.
constexpr int kSilenceLimitMs = 2000;
// The guard's bound from the death to the load-off on the line.
constexpr double kGuardBoundMs = 100;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

template <class Pred> bool pumpUntil(Pred done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void pump(int ms) {
    pumpUntil([] { return false; }, ms);
}

// A run on its own thread, with what it tells recorded on this thread.
class Bench : public QObject {
public:
    Bench() : m_run(std::make_unique<LoadRun>()) {
        m_run->moveToThread(&m_thread);
        m_thread.start(QThread::TimeCriticalPriority);
        connect(m_run.get(), &LoadRun::readingTaken, this,
                [this](const LoadReading& r, qint64) { readings.push_back(r.milliVolts); });
        connect(m_run.get(), &LoadRun::stoppedAtMinimumVoltage, this,
                [this] { stoppedAfter.push_back(int(readings.size())); });
        connect(m_run.get(), &LoadRun::silenceChanged, this, [this](bool silent) {
            if (silent)
                toldNoAnswer = true;
        });
        connect(m_run.get(), &LoadRun::stoppedForSilence, this, [this] { silenceStop = true; });
        connect(m_run.get(), &LoadRun::loadOnRefused, this, [this] { refused = true; });
        connect(m_run.get(), &LoadRun::stopEnded, this, [this] { ++stopsEnded; });
        post(m_run.get(), [run = m_run.get()] { run->attachReadingTable(); });
    }
    ~Bench() override {
        callAndWait(m_run.get(), [run = m_run.get()] { run->finish(); });
        m_thread.quit();
        m_thread.wait();
    }
    template <class F> void call(F f) { post(m_run.get(), std::move(f)); }
    LoadRun* run() const { return m_run.get(); }

    bool start(const QString& port, int intervalMs, double minimumVolts) {
        bool opened = false;
        QMetaObject::Connection c =
            connect(m_run.get(), &LoadRun::portOpened, this, [&opened] { opened = true; });
        LinkSettings settings;
        settings.portName = port;
        settings.pollIntervalMs = intervalMs;
        call([run = run(), settings] { run->applySettings(settings); });
        const bool ok = pumpUntil([&] { return opened; }, 10000);
        disconnect(c);
        call([run = run(), minimumVolts] { run->setMinimumVoltage(minimumVolts); });
        call([run = run()] { run->setSilenceLimit(kSilenceLimitMs); });
        call([run = run()] { run->handToComputer(); });
        call([run = run()] { run->switchLoadOn(); });
        return ok;
    }

    std::vector<int> readings;     // millivolts of every whole answer, in order
    std::vector<int> stoppedAfter; // reading counts at each stop
    bool toldNoAnswer = false;     // "No answer from the load" was shown
    bool silenceStop = false;      // the silence fail-safe stopped the load
    bool refused = false;          // Load ON was refused
    int stopsEnded = 0;            // stops whose front-panel request went out

private:
    QThread m_thread;
    std::unique_ptr<LoadRun> m_run;
};

// What a randomized run is, besides its source and faults.
enum class RunKind {
    Usual,          // the usual faults; the stop on the first crossing answer
    Silent,         // the load stops answering for good
    NoWholeAnswer,  // junk behind every answer, or every answer split
    ShortInterval,  // an interval shorter than the line can carry: refused
    IgnoredLoadOff, // the first one or two load-offs are lost
    Killed,         // the run's process dies by SIGKILL
};
constexpr int kKinds = 6;
const char* const kKindNames[kKinds] = {"usual faults",      "silent load",
                                        "no whole answer",   "interval too short",
                                        "load-offs ignored", "process killed"};

struct RandomRunResult {
    RunKind kind = RunKind::Usual;
    bool firstWholeCrossingStopped = false;
    double latencyMs = -1; // crossing answer -> load-off
    bool failSafe = false;
    double failSafeMs = -1; // last whole answer (or Load ON) -> load-off
    bool failSafeInTime = false;
    bool guard = false;
    double guardMs = -1; // SIGKILL -> load-off
    bool refused = false;
    bool endedOff = false; // the load's input was off at the end
    int loadOffs = 0;      // load-off requests the stop sent
};

// What a randomized run is made of, drawn before it starts, so that the
// runs of a seed can be replayed one by one (--only N).
struct RunPlan {
    loadsim::SimulatorOptions options;
    double minimum = 0;
    int interval = 0;
    int fault = 0;
    int faultMs = 0;
    RunKind kind = RunKind::Usual;
    int silentAfterMs = 0;
    int killAfterMs = 0;
};

RunPlan planRun(QRandomGenerator& random) {
    RunPlan plan;
    loadsim::SimulatorOptions& options = plan.options;
    options.baudRate = random.bounded(2) ? 0 : 9600;
    options.model.openCircuitVolts = 12.0 + random.bounded(10) / 10.0;
    options.model.endVolts = 10.0 + random.bounded(10) / 10.0;
    options.model.capacityAh = 0.002 + random.bounded(8) / 1000.0;
    options.model.currentAmps = 0.5 + random.bounded(25) / 10.0;
    options.model.speed = 200 + random.bounded(400);
    if (random.bounded(3) == 0)
        options.misbehaviour.splitEvery = 2 + random.bounded(5);
    if (random.bounded(3) == 0)
        options.misbehaviour.joinEvery = 2 + random.bounded(5);
    if (random.bounded(3) == 0)
        options.misbehaviour.junkEvery = 2 + random.bounded(5);
    plan.minimum =
        options.model.endVolts +
        random.bounded(int((options.model.openCircuitVolts - options.model.endVolts) * 80)) / 100.0;
    plan.interval = minimumPollIntervalMs(9600) + random.bounded(60);
    plan.fault = random.bounded(4);
    if (plan.fault == 0)
        plan.faultMs = 200 + random.bounded(600);
    if (plan.fault == 2)
        plan.faultMs = 200 + random.bounded(800);

    const int pick = random.bounded(20);
    plan.kind = pick < 12   ? RunKind::Usual
                : pick < 14 ? RunKind::Silent
                : pick < 16 ? RunKind::NoWholeAnswer
                : pick < 17 ? RunKind::ShortInterval
                : pick < 19 ? RunKind::IgnoredLoadOff
                            : RunKind::Killed;
    const int detail = random.bounded(1000);
    if (plan.kind != RunKind::Usual) {
        // The mix's own fault alone, so that what happened can be told.
        options.misbehaviour = loadsim::Misbehaviour{};
        plan.fault = 3;
    }
    switch (plan.kind) {
    case RunKind::Usual:
        break;
    case RunKind::Silent:
        plan.silentAfterMs = 200 + detail;
        // A source that lasts into the silence.
        options.model.capacityAh *= 10;
        options.model.speed = 10 + detail % 30;
        break;
    case RunKind::NoWholeAnswer:
        if (detail % 2)
            options.misbehaviour.junkEvery = 1, options.misbehaviour.junkBytes = 1 + detail % 3;
        else
            // Every answer split, at an interval that keeps its end (100 ms
            // late) apart from the next one's start: 26 bytes of both would
            // be taken as an answer by the reading path, as any 26 bytes are.
            options.misbehaviour.splitEvery = 1, plan.interval += 150;
        break;
    case RunKind::ShortInterval:
        plan.interval = detail % minimumPollIntervalMs(9600);
        break;
    case RunKind::IgnoredLoadOff:
        // PC Control's request is the same frame and is lost first; then
        // one or two of the stop's. A source that still gives current when
        // the voltage crosses the minimum, so that the lost load-off shows.
        options.ignoredLoadOffs = 2 + detail % 2;
        options.model.capacityAh *= 10;
        options.model.speed = 10 + detail % 30;
        break;
    case RunKind::Killed:
        plan.killAfterMs = 300 + detail;
        options.model.speed = 1; // still drawing current when it is killed
        break;
    }
    return plan;
}

// The first load-off the load received after from; frames.end() when none.
std::vector<loadsim::ReceivedFrame>::const_iterator
firstLoadOffAfter(const std::vector<loadsim::ReceivedFrame>& frames, Clock::time_point from) {
    return std::find_if(frames.begin(), frames.end(), [from](const loadsim::ReceivedFrame& f) {
        return f.receivedAt > from && bytesOf(f.bytes) == kOff;
    });
}

// A run in a process of its own (bench_run_child), killed once the load is
// on and guarded.
RandomRunResult killedRun(const RunPlan& plan, bool verbose) {
    RandomRunResult result;
    result.kind = plan.kind;
    loadsim::LoadSimulator sim(plan.options);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_run_child"),
                {QString::fromStdString(sim.terminalPath()), QString::number(plan.interval)});
    const bool on = pumpUntil([&] { return child.canReadLine(); }, 20000);
    if (!on) {
        if (verbose)
            std::printf("    the run's process did not switch the load on\n");
        child.kill();
        child.waitForFinished();
        return result;
    }
    pump(plan.killAfterMs);
    const Clock::time_point killedAt = Clock::now();
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished();
    pumpUntil([&] { return !sim.state().inputOn; }, 3000);
    pump(50);
    const auto frames = sim.receivedFrames();
    const auto off = firstLoadOffAfter(frames, killedAt);
    result.endedOff = !sim.state().inputOn;
    if (off != frames.end()) {
        result.guard = true;
        result.guardMs = msBetween(killedAt, off->receivedAt);
    }
    return result;
}

RandomRunResult randomRun(const RunPlan& plan, const QString& tableFile, bool verbose) {
    if (plan.kind == RunKind::Killed)
        return killedRun(plan, verbose);
    loadsim::LoadSimulator sim(plan.options);
    const double minimum = plan.minimum;
    Bench bench;
    bench.start(QString::fromStdString(sim.terminalPath()), plan.interval, minimum);

    // Faults from outside while the run goes on.
    std::unique_ptr<QSqlDatabase> locker;
    const QString lockName = QStringLiteral("bench-lock");
    const int fault = plan.fault;
    if (fault == 0)
        sim.staySilentFor(plan.faultMs);
    if (fault == 1) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), lockName);
        db.setDatabaseName(tableFile);
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    if (fault == 2)
        QThread::msleep(plan.faultMs); // the window thread is busy
    if (plan.kind == RunKind::Silent) {
        pump(plan.silentAfterMs);
        sim.staySilentFor(3600 * 1000);
    }

    const bool stopped = pumpUntil(
        [&] { return !bench.stoppedAfter.empty() || bench.silenceStop || bench.refused; }, 60000);
    // The stop's confirmation, then requests already on their way.
    pumpUntil([&] { return bench.stopsEnded > 0 || bench.refused; }, 5000);
    pump(150);
    if (fault == 1) {
        {
            QSqlDatabase db = QSqlDatabase::database(lockName, false);
            QSqlQuery(db).exec(QStringLiteral("COMMIT"));
            db.close();
        }
        QSqlDatabase::removeDatabase(lockName);
    }

    RandomRunResult result;
    result.kind = plan.kind;
    result.endedOff = !sim.state().inputOn;
    const auto frames = sim.receivedFrames();
    const auto answers = sim.sentAnswers();
    const auto loadOn = std::find_if(frames.begin(), frames.end(),
                                     [](const auto& f) { return bytesOf(f.bytes) == kOn; });
    result.refused = bench.refused && loadOn == frames.end();
    if (result.refused || !stopped)
        return result;
    const auto firstOff =
        loadOn == frames.end() ? frames.end() : firstLoadOffAfter(frames, loadOn->receivedAt);
    result.loadOffs = int(std::count_if(firstOff, frames.end(),
                                        [](const auto& f) { return bytesOf(f.bytes) == kOff; }));

    if (bench.silenceStop) {
        result.failSafe = true;
        if (firstOff == frames.end())
            return result;
        // From the last whole answer the run took (or from Load ON when none
        // came) to the load-off.
        Clock::time_point from = loadOn->receivedAt;
        if (!bench.readings.empty()) {
            const int lastMv = bench.readings.back();
            for (auto a = answers.rbegin(); a != answers.rend(); ++a)
                if (a->lastByteAt < firstOff->receivedAt &&
                    decodeStatusAnswer(a->bytes.data()).milliVolts == lastMv) {
                    from = a->lastByteAt;
                    break;
                }
        }
        result.failSafeMs = msBetween(from, firstOff->receivedAt);
        result.failSafeInTime = result.failSafeMs <= kSilenceLimitMs + plan.interval;
        if (verbose && !result.failSafeInTime)
            std::printf("    fail-safe after %.1f ms (limit %d ms, interval %d ms)\n",
                        result.failSafeMs, kSilenceLimitMs, plan.interval);
        return result;
    }

    // The first whole answer at or below the minimum is the one the stop
    // came on, and none came before it.
    int firstCrossing = -1;
    for (int i = 0; i < int(bench.readings.size()); ++i)
        if (bench.readings[std::size_t(i)] <= minimum * 1000.0) {
            firstCrossing = i;
            break;
        }
    result.firstWholeCrossingStopped =
        firstCrossing >= 0 && bench.stoppedAfter.front() == firstCrossing + 1;
    if (!result.firstWholeCrossingStopped) {
        if (verbose) {
            std::printf("    minimum %.6f V, first crossing at reading %d, stopped after %d; "
                        "readings around it (mV):",
                        minimum, firstCrossing, bench.stoppedAfter.front());
            const int around = std::max(firstCrossing, bench.stoppedAfter.front() - 1);
            for (int i = std::max(0, around - 5);
                 i < std::min(int(bench.readings.size()), around + 3); ++i)
                std::printf(" %d", bench.readings[std::size_t(i)]);
            std::printf("\n");
        }
        return result;
    }

    // From the crossing answer's last byte to the stop's first load-off.
    const int crossingMv = bench.readings[std::size_t(firstCrossing)];
    if (firstOff != frames.end())
        for (auto a = answers.rbegin(); a != answers.rend(); ++a)
            if (a->lastByteAt < firstOff->receivedAt &&
                decodeStatusAnswer(a->bytes.data()).milliVolts == crossingMv) {
                result.latencyMs = msBetween(a->lastByteAt, firstOff->receivedAt);
                break;
            }
    return result;
}

int lockedTable(int seconds, const QString& tableFile) {
    loadsim::SimulatorOptions options;
    options.baudRate = 9600;
    loadsim::LoadSimulator sim(options);
    Bench bench;
    bench.start(QString::fromStdString(sim.terminalPath()), 200, 0.01);
    pump(1000);
    const QString name = QStringLiteral("bench-lock");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(tableFile);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
        pump(seconds * 1000);
        QSqlQuery(db).exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    bench.call([run = bench.run()] { run->switchLoadOff(); });
    pump(3000);
    int stored = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(tableFile);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT COUNT(*) FROM Tarvex"));
        stored = q.next() ? q.value(0).toInt() : -1;
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    std::printf("table locked for %d s during a run: %zu readings taken, %d stored, %zd lost "
                "(target 0)\n",
                seconds, bench.readings.size(), stored,
                static_cast<std::ptrdiff_t>(bench.readings.size()) - stored);
    return int(bench.readings.size()) - stored;
}

void fuzz(long chunks) {
    LoadRun run; // on this thread: chunks go straight in
    run.setMinimumVoltage(-1e9);
    long readings = 0;
    QObject::connect(&run, &LoadRun::readingTaken, [&readings] { ++readings; });
    // The run hands readings to its writer: unattached, it keeps them (and
    // drops the oldest), which costs nothing here.
    QRandomGenerator random(7);
    std::vector<QByteArray> pool;
    for (int i = 0; i < 4096; ++i) {
        const int pick = random.bounded(8);
        const int length = pick == 0 ? 26 : pick == 1 ? 0 : 1 + random.bounded(2048);
        QByteArray chunk(length, Qt::Uninitialized);
        for (char& byte : chunk)
            byte = char(random.bounded(256));
        pool.push_back(chunk);
    }
    long whole = 0;
    const auto start = Clock::now();
    for (long i = 0; i < chunks; ++i) {
        const QByteArray& chunk = pool[std::size_t(i) % pool.size()];
        whole += chunk.size() == 26;
        run.takeChunk(chunk);
        if ((i & 1023) == 0)
            QCoreApplication::processEvents();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("receive path: %ld random chunks in %.2f s, %.0f chunks/s; %ld readings from "
                "%ld whole answers\n",
                chunks, seconds, double(chunks) / seconds, readings, whole);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The link's threads say when they end; a thousand runs need not.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    int runs = 1000;
    int lockSeconds = 30;
    long chunks = 1'000'000;
    int only = -1; // replays this randomized run alone, with the others' draws
    std::string logFile;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray arg = argv[i];
        if (arg == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (arg == "--lock")
            lockSeconds = std::atoi(argv[i + 1]);
        else if (arg == "--only")
            only = std::atoi(argv[i + 1]);
        else if (arg == "--chunks")
            chunks = std::atol(argv[i + 1]);
        else if (arg == "--log")
            logFile = argv[i + 1];
    }

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench_run-XXXXXX"));
    TableEngine::setConfigFile(dir.filePath(QStringLiteral("engine.conf")));
    const QString data = dir.filePath(QStringLiteral("Table"));
    if (ReadingTable::setUp(data) != ReadingTable::SetupResult::Ready) {
        std::fprintf(stderr, "the reading table cannot be set up under %s\n", qPrintable(data));
        return 1;
    }
    const QString tableFile = TableEngine::tableFilePath(QString::fromLatin1(ReadingTable::kAlias));

    if (chunks > 0)
        fuzz(chunks);

    if (lockSeconds > 0)
        lockedTable(lockSeconds, tableFile);

    if (runs > 0) {
        QRandomGenerator random(20261210);
        int ran = 0, crossingStops = 0, failSafes = 0, failSafesInTime = 0, guards = 0,
            guardsInTime = 0, refusals = 0, endedOff = 0;
        std::array<int, kKinds> perKind{}, offPerKind{};
        std::vector<double> latency, failSafe, guard;
        std::vector<int> stopLoadOffs(LoadRun::kMaxStopLoadOffs + 2, 0);
        const auto start = Clock::now();
        for (int i = 0; i < runs; ++i) {
            RunPlan plan = planRun(random);
            if (only >= 0 && i != only)
                continue;
            plan.options.logFile = logFile;
            const RandomRunResult r = randomRun(plan, tableFile, true);
            ++ran;
            const auto kind = std::size_t(r.kind);
            ++perKind[kind];
            offPerKind[kind] += r.endedOff;
            endedOff += r.endedOff;
            crossingStops += r.firstWholeCrossingStopped;
            refusals += r.refused;
            if (r.latencyMs >= 0)
                latency.push_back(r.latencyMs);
            if (r.failSafe) {
                ++failSafes;
                failSafesInTime += r.failSafeInTime;
                if (r.failSafeMs >= 0)
                    failSafe.push_back(r.failSafeMs);
            }
            if (r.guard) {
                ++guards;
                guardsInTime += r.guardMs <= kGuardBoundMs;
                guard.push_back(r.guardMs);
            }
            if (r.loadOffs > 0)
                ++stopLoadOffs[std::size_t(std::min(r.loadOffs, LoadRun::kMaxStopLoadOffs + 1))];
            const bool accounted = r.firstWholeCrossingStopped ||
                                   (r.failSafe && r.failSafeInTime) ||
                                   (r.guard && r.guardMs <= kGuardBoundMs) || r.refused;
            if (!accounted || !r.endedOff)
                std::printf("  run %d (%s): %s\n", i, kKindNames[kind],
                            r.endedOff ? "ended off, but not as it should have"
                                       : "THE LOAD WAS STILL ON AT THE END");
        }
        std::printf("randomized runs: %d, in %.0f s; the load was off at the end of %d "
                    "(target all)\n",
                    ran, std::chrono::duration<double>(Clock::now() - start).count(), endedOff);
        for (int k = 0; k < kKinds; ++k)
            std::printf("  %-20s %4d runs, load off at the end of %d\n", kKindNames[k],
                        perKind[std::size_t(k)], offPerKind[std::size_t(k)]);
        std::printf("stopped on the first whole answer at or below the minimum: %d runs\n",
                    crossingStops);
        std::printf("  crossing answer's last byte -> load-off on the line, %zu runs: p50 %.1f ms  "
                    "p99 %.1f ms  max %.1f ms (target p99 <= 100 ms)\n",
                    latency.size(), bench::Percentile(latency, 0.5),
                    bench::Percentile(latency, 0.99), bench::Percentile(latency, 1.0));
        std::printf("  load-offs the stop sent: 1 in %d runs, 2 in %d, 3 in %d\n", stopLoadOffs[1],
                    stopLoadOffs[2], stopLoadOffs[3]);
        std::printf("stopped by the silence fail-safe (limit %d ms): %d runs, %d within the limit "
                    "+ one poll interval (target all)\n",
                    kSilenceLimitMs, failSafes, failSafesInTime);
        std::printf("  last whole answer (or Load ON) -> load-off, %zu runs: p50 %.1f ms  p99 %.1f "
                    "ms  max %.1f ms\n",
                    failSafe.size(), bench::Percentile(failSafe, 0.5),
                    bench::Percentile(failSafe, 0.99), bench::Percentile(failSafe, 1.0));
        std::printf("switched off by the guard after SIGKILL: %d runs, %d within %.0f ms (target "
                    "all)\n",
                    guards, guardsInTime, kGuardBoundMs);
        std::printf("  SIGKILL -> load-off on the line, %zu runs: p50 %.1f ms  p99 %.1f ms  max "
                    "%.1f ms\n",
                    guard.size(), bench::Percentile(guard, 0.5), bench::Percentile(guard, 0.99),
                    bench::Percentile(guard, 1.0));
        std::printf("Load ON refused (interval too short): %d runs, no load-on request sent\n",
                    refusals);
    }
    return 0;
}
