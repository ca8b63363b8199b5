// The run on its own thread against the simulated load, in-process.
//
//   bench_run [--runs N (1000)] [--lock S (30)] [--chunks N (1000000)] [--only I]
//
// 1. Randomized runs: each with its own source (voltage, capacity, current,
//    speed), minimum voltage and faults (split, joined and junk answers, a
//    silent load, a table locked by another connection, a busy window
//    thread), at a short poll interval. Counts the runs whose stop came on
//    the first whole answer at or below the minimum, and the time from that
//    answer's last byte to the load-off request on the line (p50/p99/max).
// 2. Readings lost while another connection holds the table's write lock for
//    S seconds in the middle of a run.
// 3. Random chunks through the receive path: chunks per second.
#include "BenchSupport.h"
#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/ReadingRecorder.h"
#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tarvex;
using Clock = std::chrono::steady_clock;

namespace {

QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}

const QByteArray kOff = [] {
    const DeviceFrame f = makeControlFrame(ControlMode::ComputerLoadOff);
    return QByteArray(reinterpret_cast<const char*>(f.data()), int(f.size()));
}();

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
        call([run = run()] { run->handToComputer(); });
        call([run = run()] { run->switchLoadOn(); });
        return ok;
    }

    std::vector<int> readings;     // millivolts of every whole answer, in order
    std::vector<int> stoppedAfter; // reading counts at each stop
    bool toldNoAnswer = false;     // "No answer from the load" was shown

private:
    QThread m_thread;
    std::unique_ptr<LoadRun> m_run;
};

struct RandomRunResult {
    bool firstWholeCrossingStopped = false;
    // The line never brought a whole answer at or below the minimum (every
    // one came split or joined to another), the run did not stop, and the
    // operator was told that the load does not answer.
    bool noWholeCrossingTold = false;
    double latencyMs = -1;
};

// What a randomized run is made of, drawn before it starts, so that the
// runs of a seed can be replayed one by one (--only N).
struct RunPlan {
    loadsim::SimulatorOptions options;
    double minimum = 0;
    int interval = 0;
    int fault = 0;
    int faultMs = 0;
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
    plan.interval = 100 + random.bounded(60);
    plan.fault = random.bounded(4);
    if (plan.fault == 0)
        plan.faultMs = 200 + random.bounded(600);
    if (plan.fault == 2)
        plan.faultMs = 200 + random.bounded(800);
    return plan;
}

RandomRunResult randomRun(const RunPlan& plan, const QString& tableFile, bool verbose) {
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

    const bool stopped = pumpUntil([&] { return !bench.stoppedAfter.empty(); }, 60000);
    pump(150); // requests already on their way
    if (fault == 1) {
        {
            QSqlDatabase db = QSqlDatabase::database(lockName, false);
            QSqlQuery(db).exec(QStringLiteral("COMMIT"));
            db.close();
        }
        QSqlDatabase::removeDatabase(lockName);
    }

    RandomRunResult result;
    if (!stopped) {
        const bool crossed = std::any_of(bench.readings.begin(), bench.readings.end(),
                                         [minimum](int mv) { return mv <= minimum * 1000.0; });
        result.noWholeCrossingTold = !crossed && bench.toldNoAnswer;
        if (verbose && !result.noWholeCrossingTold)
            std::printf("    no stop within 60 s: %zu readings, the last %d mV, minimum %.3f V\n",
                        bench.readings.size(), bench.readings.empty() ? -1 : bench.readings.back(),
                        minimum);
        if (verbose && !result.noWholeCrossingTold)
            std::printf("    plan: %u bd, split every %d, join every %d, junk every %d, poll "
                        "%d ms, fault %d (%d ms), speed %.0f\n",
                        plan.options.baudRate, plan.options.misbehaviour.splitEvery,
                        plan.options.misbehaviour.joinEvery, plan.options.misbehaviour.junkEvery,
                        plan.interval, plan.fault, plan.faultMs, plan.options.model.speed);
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

    // From the crossing answer's last byte to the load-off request.
    const int crossingMv = bench.readings[std::size_t(firstCrossing)];
    const auto answers = sim.sentAnswers();
    const auto frames = sim.receivedFrames();
    for (auto f = frames.rbegin(); f != frames.rend(); ++f) {
        if (bytesOf(f->bytes) != kOff)
            continue;
        for (auto a = answers.rbegin(); a != answers.rend(); ++a)
            if (a->lastByteAt < f->receivedAt &&
                decodeStatusAnswer(a->bytes.data()).milliVolts == crossingMv) {
                result.latencyMs =
                    std::chrono::duration<double, std::milli>(f->receivedAt - a->lastByteAt)
                        .count();
                break;
            }
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
    }

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench_run-XXXXXX"));
    ReadingStore::setConfigFile(dir.filePath(QStringLiteral("engine.conf")));
    const QString data = dir.filePath(QStringLiteral("Table"));
    if (ReadingStore::setUp(data) != ReadingStore::SetupResult::Ready) {
        std::fprintf(stderr, "the reading table cannot be set up under %s\n", qPrintable(data));
        return 1;
    }
    const QString tableFile = data + QStringLiteral("/tables.db");

    if (chunks > 0)
        fuzz(chunks);

    if (lockSeconds > 0)
        lockedTable(lockSeconds, tableFile);

    if (runs > 0) {
        QRandomGenerator random(20261210);
        int good = 0, ran = 0, noWholeCrossing = 0;
        std::vector<double> latency;
        const auto start = Clock::now();
        for (int i = 0; i < runs; ++i) {
            const RunPlan plan = planRun(random);
            if (only >= 0 && i != only)
                continue;
            const RandomRunResult r = randomRun(plan, tableFile, true);
            ++ran;
            good += r.firstWholeCrossingStopped;
            noWholeCrossing += r.noWholeCrossingTold;
            if (r.latencyMs >= 0)
                latency.push_back(r.latencyMs);
            if (!r.firstWholeCrossingStopped && !r.noWholeCrossingTold)
                std::printf("  run %d: the stop did not come on the first whole crossing\n", i);
        }
        std::printf("randomized runs: %d of %d runs with a whole answer at or below the minimum "
                    "stopped on the first one (target all), in %.0f s\n",
                    good, ran - noWholeCrossing,
                    std::chrono::duration<double>(Clock::now() - start).count());
        std::printf("  and %d runs whose line never brought a whole answer at or below the "
                    "minimum (each split or joined): no stop, \"No answer from the load\" shown\n",
                    noWholeCrossing);
        std::printf("crossing answer's last byte -> load-off request on the line, %zu runs: "
                    "p50 %.1f ms  p99 %.1f ms  max %.1f ms (target p99 <= 100 ms)\n",
                    latency.size(), bench::Percentile(latency, 0.5),
                    bench::Percentile(latency, 0.99), bench::Percentile(latency, 1.0));
    }
    return 0;
}
