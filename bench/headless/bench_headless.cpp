// `tarvex run` as a rig runs it, against the load simulator on a
// pseudo-terminal (9600 bit/s pacing unless said).
//
//   bench_headless [runs] [seconds]
//
// 1. Start-up: from the command (the process started) to the first request
//    on the line; and the stop: from the last byte of the answer at or below
//    the minimum to the load-off on the line; p50/p99/max over `runs` runs
//    (20) of `tarvex run --minimum 12.3` on a fast discharge.
// 2. Processor time per reading (user + system, all threads) of `tarvex run`
//    and of the window program (Program with its windows, offscreen) while
//    the load is on, over `seconds` (20) after 3 s, at 5 readings/s (200 ms,
//    9600 bit/s) and at the fastest the line allows (100 ms, 38400 bit/s).
#include "BenchSupport.h"
#include "headless/RunnerFixture.h"
#include "loadsim/LoadSimulator.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace tarvex;
using loadsim::LoadSimulator;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The process's processor time so far, in seconds (all its threads).
double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of stat(5), counted from the state (field 3).
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ::sysconf(_SC_CLK_TCK);
}

void startupAndStop(int runs) {
    std::vector<double> startup, stop;
    const QByteArray off = bytesOf(makeControlFrame(ControlMode::ComputerLoadOff));
    for (int i = 0; i < runs; ++i) {
        loadsim::SimulatorOptions options;
        options.model.speed = 600;
        LoadSimulator sim(options);
        Bench bench;
        const auto started = Clock::now();
        Runner runner(bench, {"run", "--port", QString::fromStdString(sim.terminalPath()),
                              "--minimum", "12.3", "--interval", "150", "--quiet"});
        if (!runner.waitForEnd() || runner.exitStatus() != 0) {
            std::fprintf(stderr, "run %d ended with %d: %s\n", i, runner.exitStatus(),
                         qPrintable(runner.errors()));
            continue;
        }
        const auto frames = sim.receivedFrames();
        if (!frames.empty())
            startup.push_back(ms(frames.front().receivedAt - started));
        // The first load-off after the load-on is the stop's; the answer
        // that crossed is the last one whose last byte left before it.
        for (const auto& f : frames) {
            if (bytesOf(f.bytes) != off || f.receivedAt == frames.front().receivedAt)
                continue;
            const loadsim::SentAnswer* crossing = nullptr;
            for (const auto& a : sim.sentAnswers())
                if (a.lastByteAt < f.receivedAt)
                    crossing = &a;
            if (crossing)
                stop.push_back(ms(f.receivedAt - crossing->lastByteAt));
            break;
        }
    }
    std::printf("tarvex run, %zu runs:\n", startup.size());
    std::printf("  command -> first request on the line: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                bench::Percentile(startup, 0.5), bench::Percentile(startup, 0.99),
                bench::Percentile(startup, 1.0));
    std::printf("  crossing answer's last byte -> load-off on the line: p50 %.1f ms, p99 %.1f ms, "
                "max %.1f ms\n",
                bench::Percentile(stop, 0.5), bench::Percentile(stop, 0.99),
                bench::Percentile(stop, 1.0));
}

// Processor time per reading of one program while the load is on.
double cpuPerReading(bool window, int intervalMs, unsigned baud, int seconds) {
    loadsim::SimulatorOptions options;
    options.baudRate = baud;
    LoadSimulator sim(options);
    const QString port = QString::fromStdString(sim.terminalPath());
    Bench bench;
    QProcess windowProgram;
    std::unique_ptr<Runner> runner;
    qint64 pid = 0;
    if (window) {
        // The window program (the tests' helper: Program with its windows,
        // driven through Setting -> OK, PC Control, Load ON).
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), bench.path(QStringLiteral("config")));
        windowProgram.setProcessEnvironment(environment);
        windowProgram.start(QStringLiteral(TARVEX_PROGRAM_CHILD),
                            {"--port", port, "--data", bench.tableDirectory(), "--interval",
                             QString::number(intervalMs), "--baud", QString::number(baud)});
        windowProgram.waitForStarted();
        pid = windowProgram.processId();
    } else {
        runner = std::make_unique<Runner>(
            bench, QStringList{"run", "--port", port, "--minimum", "1", "--interval",
                               QString::number(intervalMs), "--baud", QString::number(baud),
                               "--silence-limit", "0", "--quiet"});
        pid = runner->pid();
    }
    sim.waitForAnswers(3, 30000);
    QThread::sleep(3);
    const std::size_t answers0 = sim.sentAnswers().size();
    const double cpu0 = cpuSeconds(pid);
    QThread::sleep(seconds);
    const std::size_t answers1 = sim.sentAnswers().size();
    const double cpu1 = cpuSeconds(pid);
    ::kill(pid_t(pid), SIGTERM);
    if (window)
        windowProgram.waitForFinished(30000);
    else
        runner->waitForEnd();
    const std::size_t readings = answers1 - answers0;
    return readings > 0 ? (cpu1 - cpu0) * 1e6 / double(readings) : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qputenv("TARVEX_TEST_BINARY_DIR", TARVEX_BUILD_DIR);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    startupAndStop(runs);
    std::printf("processor time per reading (user + system, all threads), %d s each:\n", seconds);
    for (const auto& [interval, baud] : {std::pair{200, 9600u}, std::pair{100, 38400u}}) {
        const double headless = cpuPerReading(false, interval, baud, seconds);
        const double windows = cpuPerReading(true, interval, baud, seconds);
        std::printf("  every %d ms (%u bit/s): tarvex run %.0f us, window program %.0f us "
                    "(%.2fx)\n",
                    interval, baud, headless, windows, windows / headless);
    }
    return 0;
}
