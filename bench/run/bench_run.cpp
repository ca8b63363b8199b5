// The run on its own thread against the simulated load, in-process.
//
//   bench_run [--runs N (600)] [--lock S (30)] [--chunks N (1000000)] [--only I]
//             [--log FILE]
//
// --only I replays the I-th randomized run alone (the others are drawn but
// not run); --log FILE appends what its simulated load received and sent to
// FILE.
//
// 1. Randomized runs, each with its own source (voltage, capacity, current,
//    speed), minimum voltage and poll interval, of six kinds: the usual
//    faults (split, joined and junk answers, a load silent for a while, a
//    table locked by another connection, a busy window thread); a load that
//    stops answering for good; answers that never come whole (junk behind
//    every one, or every one split); an interval shorter than the line can
//    carry; a load that misses the first load-offs; and a run in a process
//    of its own, killed with SIGKILL.
//    Every run must end with the load off, and how is judged from the line
//    alone - what the simulated load received and sent, with its times:
//    - the stop, on the first answer at or below the minimum that came
//      whole (time: that answer's last byte to the load-off on the line);
//    - the silence fail-safe, within the silence limit plus one poll interval
//      of the last answer that came whole, or of Load ON (time: from that to
//      the load-off);
//    - the guard, within 100 ms of the run's process being killed (time:
//      SIGKILL to the load-off);
//    - or Load ON refused: no load-on request at all.
//    The stop's requests must read load-off, status, [load-off, status]...,
//    front panel. Anything else is a fault and is listed. Runs that cannot
//    be judged (a source that did not reach the minimum in time, a process
//    that did not start) are counted apart, with the reason.
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
#include "store/ReadingStore.h"

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
#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
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
const QByteArray kSelf = bytesOf(makeControlFrame(ControlMode::FrontPanel));
const QByteArray kQuery = bytesOf(makeStatusQuery());

// The silence limit of the randomized runs: longer than the pauses of the
// usual faults, short enough for hundreds of runs.
constexpr int kSilenceLimitMs = 2000;
// The guard's bound from the death to the load-off on the line.
constexpr double kGuardBoundMs = 100;
// A run that has not ended by then is given up (and not judged).
constexpr int kRunCapMs = 20000;
// The link ends a chunk after 60 ms without a byte. An answer that went out
// alone with pauses of more than kApartMs before and after it surely reaches
// the run as a chunk of its own; with a pause below kJoinedMs surely not;
// between the two it depends on when the run's thread gets to the bytes.
constexpr double kJoinedMs = 45;
constexpr double kApartMs = 100;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// The longest this thread went without getting back to its events since
// the last reset: a machine that stalls the benchmark stalls the run too,
// which the faults then say.
qint64 longestStallMs = 0;

template <class Pred> bool pumpUntil(Pred done, int ms) {
    QElapsedTimer t;
    t.start();
    qint64 last = 0;
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const qint64 now = t.elapsed();
        longestStallMs = std::max(longestStallMs, now - last);
        last = now;
    }
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

    // Opens the port, then PC Control and Load ON; false when the port did
    // not open.
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

    std::vector<int> readings;     // millivolts of every reading, in order
    std::vector<int> stoppedAfter; // reading counts at each minimum-voltage stop
    bool silenceStop = false;      // the silence fail-safe stopped the load
    bool refused = false;          // Load ON was refused
    int stopsEnded = 0;            // stops whose front-panel request went out

private:
    QThread m_thread;
    std::unique_ptr<LoadRun> m_run;
};

// What a randomized run is, besides its source and faults.
enum class RunKind {
    Usual,          // the usual faults
    Silent,         // the load stops answering for good
    NoWholeAnswer,  // junk behind every answer, or every answer split
    ShortInterval,  // an interval shorter than the line can carry
    IgnoredLoadOff, // the first one or two of the stop's load-offs are lost
    Killed,         // the run's process dies by SIGKILL
};
constexpr int kKinds = 6;
const char* const kKindNames[kKinds] = {"usual faults",      "silent load",
                                        "no whole answer",   "interval too short",
                                        "load-offs ignored", "process killed"};

// How a run ended, judged from the line.
enum class Ending { Stop, FailSafe, Guard, Refused, Fault, NotJudged };
constexpr int kEndings = 6;
const char* const kEndingNames[kEndings] = {"stop",    "fail-safe", "guard",
                                            "refused", "FAULT",     "not judged"};

struct RunResult {
    RunKind kind = RunKind::Usual;
    Ending ending = Ending::NotJudged;
    double ms = -1;          // the ending's time (see the top of the file)
    bool maybeWhole = false; // the stop came on an answer with pauses near 60 ms
    int loadOffs = 0;        // load-off requests of the stop
    std::string why;         // for a fault or a run not judged
};

// What a randomized run is made of, drawn before it starts, so that the
// runs of a seed can be replayed one by one (--only I).
struct RunPlan {
    loadsim::SimulatorOptions options;
    double minimum = 0;
    int interval = 0;
    int fault = 3; // the usual faults: 0 silent for faultMs, 1 locked table, 2 busy window
    int faultMs = 0;
    RunKind kind = RunKind::Usual;
    int silentAfterMs = 0;
    int killAfterMs = 0;
};

RunPlan planRun(QRandomGenerator& random) {
    RunPlan plan;
    loadsim::SimulatorOptions& options = plan.options;
    loadsim::LoadModel& model = options.model;
    options.baudRate = random.bounded(2) ? 0 : 9600;
    model.openCircuitVolts = 12.0 + random.bounded(10) / 10.0;
    model.endVolts = 10.0 + random.bounded(10) / 10.0;
    model.capacityAh = 0.002 + random.bounded(8) / 1000.0;
    model.currentAmps = 0.5 + random.bounded(25) / 10.0;
    model.speed = 200 + random.bounded(400);
    loadsim::Misbehaviour usual;
    if (random.bounded(3) == 0)
        usual.splitEvery = 2 + random.bounded(5);
    if (random.bounded(3) == 0)
        usual.joinEvery = 2 + random.bounded(5);
    if (random.bounded(3) == 0)
        usual.junkEvery = 2 + random.bounded(5);
    plan.minimum = model.endVolts +
                   random.bounded(int((model.openCircuitVolts - model.endVolts) * 80)) / 100.0;
    plan.interval = minimumPollIntervalMs(9600) + random.bounded(60);
    const int fault = random.bounded(4);
    const int faultMs = fault == 0 ? 200 + random.bounded(600) : 200 + random.bounded(800);

    const int pick = random.bounded(20);
    plan.kind = pick < 10   ? RunKind::Usual
                : pick < 12 ? RunKind::Silent
                : pick < 14 ? RunKind::NoWholeAnswer
                : pick < 15 ? RunKind::ShortInterval
                : pick < 17 ? RunKind::IgnoredLoadOff
                            : RunKind::Killed;
    const int detail = random.bounded(1000);
    // A source that lasts: it still gives current seconds after Load ON, so
    // that a load left on shows on the line.
    const auto lasting = [&] {
        model.capacityAh = 0.02 + detail % 8 / 100.0;
        model.speed = 10 + detail % 30;
    };
    switch (plan.kind) {
    case RunKind::Usual:
        // The source runs down within a second or so.
        options.misbehaviour = usual;
        plan.fault = fault;
        plan.faultMs = faultMs;
        break;
    case RunKind::Silent:
        lasting();
        plan.silentAfterMs = 200 + detail;
        break;
    case RunKind::NoWholeAnswer:
        lasting();
        if (detail % 2) {
            options.misbehaviour.junkEvery = 1;
            options.misbehaviour.junkBytes = 1 + detail % 3;
        } else {
            // Every answer split; at a poll interval that keeps each answer's
            // end (100 ms late) apart from the next one's start, so that no
            // 26 bytes of two answers make a chunk.
            options.misbehaviour.splitEvery = 1;
            plan.interval += 150;
        }
        break;
    case RunKind::ShortInterval:
        plan.interval = detail % minimumPollIntervalMs(9600);
        break;
    case RunKind::IgnoredLoadOff:
        // PC Control's request is the same frame and is lost first; then
        // one or two of the stop's. A minimum just below the voltage at Load
        // ON: crossed within a second, with the source good for seconds more.
        lasting();
        options.ignoredLoadOffs = 2 + detail % 2;
        plan.minimum = model.openCircuitVolts - model.currentAmps * model.internalOhms -
                       0.01 * (1 + detail % 4);
        break;
    case RunKind::Killed:
        plan.killAfterMs = 300 + detail;
        model.speed = 1; // still drawing current when it is killed
        break;
    }
    return plan;
}

enum class Whole { No, Maybe, Yes };

// Which answers the run could take as a whole answer, from the line: one
// that went out alone, with the pauses around its burst. Bursts from cut on
// count as none: they answer what the run sent at cut, after it had taken
// the chunks before.
std::vector<Whole> wholeOnTheLine(const std::vector<loadsim::SentAnswer>& answers,
                                  Clock::time_point cut) {
    std::vector<Whole> whole(answers.size(), Whole::No);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        if (!answers[i].alone)
            continue;
        const double before =
            i == 0 ? 1e9 : msBetween(answers[i - 1].lastByteAt, answers[i].firstByteAt);
        const double after = i + 1 == answers.size() || answers[i + 1].firstByteAt >= cut
                                 ? 1e9
                                 : msBetween(answers[i].lastByteAt, answers[i + 1].firstByteAt);
        const double pause = std::min(before, after);
        whole[i] = pause > kApartMs ? Whole::Yes : pause >= kJoinedMs ? Whole::Maybe : Whole::No;
    }
    return whole;
}

int milliVoltsOf(const loadsim::SentAnswer& answer) {
    return decodeStatusAnswer(answer.bytes.data()).milliVolts;
}

using Frames = std::vector<loadsim::ReceivedFrame>;

// The first frame equal to bytes received after from; frames.end() when none.
Frames::const_iterator firstAfter(const Frames& frames, Clock::time_point from,
                                  const QByteArray& bytes) {
    return std::find_if(frames.begin(), frames.end(), [&](const loadsim::ReceivedFrame& f) {
        return f.receivedAt > from && bytesOf(f.bytes) == bytes;
    });
}

// The stop's requests from its first load-off on must read: load-off,
// status, [load-off, status]..., front panel, and nothing after. Returns the
// number of load-offs, or -1 when they read otherwise.
int stopLoadOffs(Frames::const_iterator f, Frames::const_iterator end) {
    int offs = 0;
    while (f != end && bytesOf(f->bytes) == kOff) {
        ++offs;
        if (++f == end || bytesOf(f->bytes) != kQuery)
            return -1;
        ++f;
    }
    if (offs == 0 || offs > LoadRun::kMaxStopLoadOffs || f == end || bytesOf(f->bytes) != kSelf)
        return -1;
    return ++f == end ? offs : -1;
}

std::string frameNames(Frames::const_iterator f, Frames::const_iterator end) {
    std::string names;
    for (; f != end; ++f) {
        const QByteArray b = bytesOf(f->bytes);
        names += b == kOff ? " off" : b == kQuery ? " status" : b == kSelf ? " panel" : " other";
    }
    return names;
}

// How an in-process run ended, from what its load received and sent.
RunResult judge(const RunPlan& plan, const Bench& bench, const loadsim::LoadSimulator& sim) {
    RunResult result;
    result.kind = plan.kind;
    const auto fault = [&result](std::string why) {
        result.ending = Ending::Fault;
        result.why = std::move(why);
        return result;
    };
    const Frames frames = sim.receivedFrames();
    const std::vector<loadsim::SentAnswer> answers = sim.sentAnswers();
    const bool endedOff = !sim.state().inputOn;
    const auto loadOn = std::find_if(frames.begin(), frames.end(),
                                     [](const auto& f) { return bytesOf(f.bytes) == kOn; });
    const bool canWatch = pollingCanWatch(plan.interval, 9600);
    if (bench.refused) {
        if (loadOn != frames.end())
            return fault("Load ON was refused, but a load-on request went out");
        if (canWatch)
            return fault(format("Load ON was refused at %d ms", plan.interval));
        result.ending = Ending::Refused;
        return result;
    }
    if (!canWatch)
        return fault(format("Load ON was not refused at %d ms", plan.interval));
    if (loadOn == frames.end())
        return fault("no load-on request went out");

    const auto off = firstAfter(frames, loadOn->receivedAt, kOff);
    const std::vector<Whole> whole =
        wholeOnTheLine(answers, off == frames.end() ? Clock::time_point::max() : off->receivedAt);
    const double minimumMv = plan.minimum * 1000.0;
    const auto crossing = [&](std::size_t i) { return milliVoltsOf(answers[i]) <= minimumMv; };
    std::size_t firstSure = answers.size(); // the first whole answer at or below the minimum
    for (std::size_t i = 0; i < answers.size() && firstSure == answers.size(); ++i)
        if (whole[i] == Whole::Yes && crossing(i))
            firstSure = i;

    if (off == frames.end()) {
        if (firstSure < answers.size())
            return fault("no stop after a whole answer at or below the minimum");
        if (!bench.stoppedAfter.empty() || bench.silenceStop)
            return fault("a stop was told, but no load-off reached the load");
        // Nothing was due, unless the fail-safe: no answer that may have come
        // whole for longer than the limit allows.
        Clock::time_point last = loadOn->receivedAt;
        double longest = 0;
        for (std::size_t i = 0; i < answers.size(); ++i)
            if (whole[i] != Whole::No && answers[i].lastByteAt > last) {
                longest = std::max(longest, msBetween(last, answers[i].lastByteAt));
                last = answers[i].lastByteAt;
            }
        longest = std::max(longest, msBetween(last, Clock::now()));
        if (longest > kSilenceLimitMs + plan.interval + kApartMs)
            return fault(format("no fail-safe after %.0f ms without a whole answer", longest));
        result.why = format("the source did not reach the minimum within %d s", kRunCapMs / 1000);
        return result;
    }
    const Clock::time_point t = off->receivedAt;
    result.loadOffs = stopLoadOffs(off, frames.end());
    if (result.loadOffs < 0)
        return fault("the stop's requests read" + frameNames(off, frames.end()));
    if (!endedOff)
        return fault("THE LOAD WAS STILL ON after the stop");

    if (!bench.stoppedAfter.empty()) {
        // The answer it stopped on: the last one before the load-off that may
        // have come whole.
        std::size_t on = answers.size();
        for (std::size_t i = 0; i < answers.size() && answers[i].lastByteAt < t; ++i)
            if (whole[i] != Whole::No)
                on = i;
        if (on == answers.size() || !crossing(on))
            return fault("stopped on no whole answer at or below the minimum");
        if (firstSure < on)
            return fault(format("stopped late: the first whole answer at or below the minimum came "
                                "%.0f ms before the one it stopped on",
                                msBetween(answers[firstSure].lastByteAt, answers[on].lastByteAt)));
        result.ending = Ending::Stop;
        result.ms = msBetween(answers[on].lastByteAt, t);
        result.maybeWhole = whole[on] == Whole::Maybe;
        return result;
    }
    if (!bench.silenceStop)
        return fault("a load-off went out without a stop");
    if (firstSure < answers.size() && msBetween(answers[firstSure].lastByteAt, t) > kApartMs)
        return fault("the fail-safe came, but the stop should have come on a whole answer at or "
                     "below the minimum");
    // From the last answer that may have come whole (the run may have taken
    // it), or from Load ON. Not sooner than the limit after one that surely
    // came whole (the run's clock starts a little before Load ON reaches
    // the load: no bound from there).
    Clock::time_point from = loadOn->receivedAt;
    std::optional<Clock::time_point> lastSure;
    for (std::size_t i = 0; i < answers.size() && answers[i].lastByteAt < t; ++i) {
        if (answers[i].lastByteAt < from)
            continue;
        if (whole[i] != Whole::No)
            from = answers[i].lastByteAt;
        if (whole[i] == Whole::Yes)
            lastSure = answers[i].lastByteAt;
    }
    result.ms = msBetween(from, t);
    if (lastSure && msBetween(*lastSure, t) < kSilenceLimitMs)
        return fault(
            format("the fail-safe came %.0f ms after a whole answer", msBetween(*lastSure, t)));
    if (result.ms > kSilenceLimitMs + plan.interval)
        return fault(format("the fail-safe came %.0f ms after the last whole answer (limit %d ms, "
                            "interval %d ms)",
                            result.ms, kSilenceLimitMs, plan.interval));
    result.ending = Ending::FailSafe;
    return result;
}

// A run in a process of its own (bench_run_child), killed once the load is
// on and guarded.
RunResult killedRun(const RunPlan& plan) {
    RunResult result;
    result.kind = plan.kind;
    loadsim::LoadSimulator sim(plan.options);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_run_child"),
                {QString::fromStdString(sim.terminalPath()), QString::number(plan.interval)});
    if (!pumpUntil([&] { return child.canReadLine(); }, kRunCapMs)) {
        child.kill();
        child.waitForFinished();
        result.why = "the run's process did not switch the load on";
        return result;
    }
    pump(plan.killAfterMs);
    const Clock::time_point killedAt = Clock::now();
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished();
    pumpUntil([&] { return !sim.state().inputOn; }, 3000);
    pump(50);
    const Frames frames = sim.receivedFrames();
    const auto loadOn = std::find_if(frames.begin(), frames.end(),
                                     [](const auto& f) { return bytesOf(f.bytes) == kOn; });
    const auto off =
        loadOn == frames.end() ? frames.end() : firstAfter(frames, loadOn->receivedAt, kOff);
    if (off == frames.end() || sim.state().inputOn) {
        result.ending = Ending::Fault;
        result.why = "THE LOAD WAS STILL ON after the run's process was killed";
        return result;
    }
    // The guard's two requests and nothing else (a status request already
    // on its way may come first).
    std::string line;
    for (auto f = frames.begin(); f != frames.end(); ++f)
        if (f->receivedAt > killedAt && bytesOf(f->bytes) != kQuery)
            line += frameNames(f, std::next(f));
    result.ms = msBetween(killedAt, off->receivedAt);
    result.ending = Ending::Fault;
    if (off->receivedAt < killedAt)
        result.why = "the load was switched off before the run's process was killed";
    else if (line != " off panel")
        result.why = "after the death the load received" + line;
    else if (result.ms > kGuardBoundMs)
        result.why = format("the guard switched the load off %.1f ms after the death", result.ms);
    else
        result.ending = Ending::Guard;
    return result;
}

RunResult randomRun(const RunPlan& plan, const QString& tableFile) {
    if (plan.kind == RunKind::Killed)
        return killedRun(plan);
    loadsim::LoadSimulator sim(plan.options);
    Bench bench;
    if (!bench.start(QString::fromStdString(sim.terminalPath()), plan.interval, plan.minimum)) {
        RunResult result;
        result.kind = plan.kind;
        result.why = "the port did not open";
        return result;
    }

    // Faults from outside while the run goes on.
    const QString lockName = QStringLiteral("bench-lock");
    if (plan.fault == 0)
        sim.staySilentFor(plan.faultMs);
    if (plan.fault == 1) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), lockName);
        db.setDatabaseName(tableFile);
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    if (plan.fault == 2)
        QThread::msleep(plan.faultMs); // the window thread is busy
    if (plan.kind == RunKind::Silent) {
        pump(plan.silentAfterMs);
        sim.staySilentFor(3600 * 1000);
    }

    pumpUntil([&] { return !bench.stoppedAfter.empty() || bench.silenceStop || bench.refused; },
              kRunCapMs);
    // The stop's confirmation, then requests already on their way.
    pumpUntil([&] { return bench.stopsEnded > 0 || bench.refused; }, 5000);
    pump(150);
    if (plan.fault == 1) {
        {
            QSqlDatabase db = QSqlDatabase::database(lockName, false);
            QSqlQuery(db).exec(QStringLiteral("COMMIT"));
            db.close();
        }
        QSqlDatabase::removeDatabase(lockName);
    }
    const RunResult result = judge(plan, bench, sim);
    // A run given up: its load goes off before the next one.
    if (result.ending == Ending::NotJudged) {
        bench.call([run = bench.run()] { run->switchLoadOff(); });
        pumpUntil([&] { return !sim.state().inputOn; }, 3000);
    }
    return result;
}

// Times of one ending, with the run each came from.
struct Times {
    std::vector<double> ms;
    std::vector<int> runs;
    void add(double value, int run) {
        ms.push_back(value);
        runs.push_back(run);
    }
    void print(const char* what) const {
        const auto longest = std::max_element(ms.begin(), ms.end());
        std::printf("  %s, %zu runs: p50 %.1f ms  p99 %.1f ms  max %.1f ms", what, ms.size(),
                    bench::Percentile(ms, 0.5), bench::Percentile(ms, 0.99),
                    bench::Percentile(ms, 1.0));
        if (longest != ms.end())
            std::printf(" (run %d)", runs[std::size_t(longest - ms.begin())]);
        std::printf("\n");
    }
};

// The randomized runs with their summary; the number of faults.
int randomizedRuns(int runs, int only, const std::string& logFile, const QString& tableFile) {
    constexpr quint32 kSeed = 20261210;
    QRandomGenerator random(kSeed);
    std::array<std::array<int, kEndings>, kKinds> table{};
    std::array<std::array<int, LoadRun::kMaxStopLoadOffs + 1>, kKinds> loadOffs{};
    Times stopMs, failSafeMs, guardMs;
    int maybeWhole = 0, ran = 0;
    std::map<std::string, int> notJudged;
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        RunPlan plan = planRun(random);
        if (only >= 0 && i != only)
            continue;
        plan.options.logFile = logFile;
        longestStallMs = 0;
        RunResult r = randomRun(plan, tableFile);
        if (r.ending == Ending::Fault && longestStallMs > 100)
            r.why += format(" (this benchmark's thread stalled for up to %lld ms in the run)",
                            static_cast<long long>(longestStallMs));
        ++ran;
        const auto kind = std::size_t(r.kind);
        ++table[kind][std::size_t(r.ending)];
        if (r.loadOffs > 0)
            ++loadOffs[kind][std::size_t(r.loadOffs)];
        switch (r.ending) {
        case Ending::Stop:
            stopMs.add(r.ms, i);
            maybeWhole += r.maybeWhole;
            break;
        case Ending::FailSafe:
            failSafeMs.add(r.ms, i);
            break;
        case Ending::Guard:
            guardMs.add(r.ms, i);
            break;
        case Ending::Refused:
            break;
        case Ending::Fault:
            std::printf("  run %d (%s): FAULT: %s\n", i, kKindNames[kind], r.why.c_str());
            break;
        case Ending::NotJudged:
            ++notJudged[r.why];
            std::printf("  run %d (%s): not judged: %s\n", i, kKindNames[kind], r.why.c_str());
            break;
        }
        std::fflush(stdout);
    }
    int faults = 0, judged = ran;
    for (const auto& row : table)
        faults += row[std::size_t(Ending::Fault)];
    for (const auto& [why, count] : notJudged)
        judged -= count;

    std::printf("randomized runs (seed %u): %d in %.0f s; %d judged, %d of them ended as they "
                "must (target all), %d not judged\n",
                kSeed, ran, std::chrono::duration<double>(Clock::now() - start).count(), judged,
                judged - faults, ran - judged);
    std::printf("  %-20s %5s", "kind", "runs");
    for (const char* name : kEndingNames)
        std::printf(" %10s", name);
    std::printf("   load-offs of the stop: 1 2 3\n");
    for (int k = 0; k < kKinds; ++k) {
        int total = 0;
        for (int n : table[std::size_t(k)])
            total += n;
        std::printf("  %-20s %5d", kKindNames[k], total);
        for (int n : table[std::size_t(k)])
            std::printf(" %10d", n);
        std::printf("   %21d %d %d\n", loadOffs[std::size_t(k)][1], loadOffs[std::size_t(k)][2],
                    loadOffs[std::size_t(k)][3]);
    }
    std::printf("stopped on the first whole answer at or below the minimum: %zu runs (%d on an "
                "answer with pauses of %.0f to %.0f ms around it)\n",
                stopMs.ms.size(), maybeWhole, kJoinedMs, kApartMs);
    stopMs.print("that answer's last byte -> load-off on the line");
    std::printf("stopped by the silence fail-safe within the limit (%d ms) + one poll interval: "
                "%zu runs\n",
                kSilenceLimitMs, failSafeMs.ms.size());
    failSafeMs.print("last whole answer (or Load ON) -> load-off on the line");
    std::printf("switched off by the guard within %.0f ms of SIGKILL: %zu runs\n", kGuardBoundMs,
                guardMs.ms.size());
    guardMs.print("SIGKILL -> load-off on the line");
    std::printf("Load ON refused (interval too short), no load-on request on the line: %d runs\n",
                table[std::size_t(RunKind::ShortInterval)][std::size_t(Ending::Refused)]);
    std::printf("faults: %d (target 0)\n", faults);
    for (const auto& [why, count] : notJudged)
        std::printf("not judged, %s: %d runs\n", why.c_str(), count);
    return faults;
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
    // The link's threads say when they end; hundreds of runs need not.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    int runs = 600;
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
    const int faults = runs > 0 ? randomizedRuns(runs, only, logFile, tableFile) : 0;
    return faults > 0 ? 1 : 0;
}
