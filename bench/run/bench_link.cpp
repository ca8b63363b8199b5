// The serial link against the load simulator on a pseudo-terminal, 9600 bit/s
// pacing, a poll every 150 ms:
//   - latency from an answer's last byte leaving the simulator to
//     chunkReceived (the 60 ms that end a chunk are its floor), and from
//     there to a request sent in reply arriving at the simulator;
//   - time on the link's thread per readyRead (bytes taken, the chunk timer
//     restarted) and per chunk (the timer's end of the chunk and the signal
//     with its receiver), and its processor time per answer;
//   - sendBytes; sendBytes + waitUntilSent of one frame;
//   - the processor time of the link's thread while the port is open and
//     idle;
//   - the end of a link whose line does not move (output held): the bounded
//     waitUntilSent, the close after it, the processor time while waiting.
//
// bench_link [answers (250)] [idle seconds (10)]
#include "BenchSupport.h"
#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "run/SerialLink.h"

#include <QCoreApplication>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace tarvex;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time of the calling thread, in ms.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times the events the link handles on its thread: the port's notifier
// (readyRead) and the chunk timer (the end of a chunk).
class TimedApp : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    const QObject* port = nullptr;
    const QObject* chunkTimer = nullptr;
    std::vector<double> readMicros;
    std::vector<double> chunkMicros;

    bool notify(QObject* receiver, QEvent* event) override {
        std::vector<double>* into = nullptr;
        if (receiver == chunkTimer && event->type() == QEvent::Timer)
            into = &chunkMicros;
        else if (port && receiver->parent() == port && event->type() == QEvent::SockAct)
            into = &readMicros;
        if (!into)
            return QCoreApplication::notify(receiver, event);
        const auto start = Clock::now();
        const bool done = QCoreApplication::notify(receiver, event);
        into->push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        return done;
    }
};

QByteArray bytesOf(const DeviceFrame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
}

// A pseudo-terminal whose output is held (as by XOFF): the link's frames
// never leave it.
void benchLineThatDoesNotMove() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return;
    const QString path = QString::fromLocal8Bit(ptsname(master));
    const int device = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    SerialLink link;
    link.setPortName(path);
    if (!link.open()) {
        std::printf("  (the pseudo-terminal does not open)\n");
        return;
    }
    tcflow(device, TCOOFF);
    link.sendBytes(bytesOf(makeControlFrame(ControlMode::ComputerLoadOff)));
    link.sendBytes(bytesOf(makeControlFrame(ControlMode::FrontPanel)));
    const double cpuBefore = threadCpuMs();
    auto start = Clock::now();
    const bool sent = link.waitUntilSent(2000);
    const double waitMs = msSince(start);
    const double cpuMs = threadCpuMs() - cpuBefore;
    start = Clock::now();
    link.close(0);
    const double closeMs = msSince(start);
    std::printf("a line that does not move, the last two frames at the end:\n");
    std::printf("  waitUntilSent(2000) %s after %.1f ms (processor time %.1f ms); close(0) "
                "after it %.2f ms\n",
                sent ? "true (wrong)" : "false", waitMs, cpuMs, closeMs);
    ::close(device);
    ::close(master);
}

} // namespace

int main(int argc, char** argv) {
    TimedApp app(argc, argv);
    const int wanted = argc > 1 ? std::max(50, atoi(argv[1])) : 250;
    const int idleSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 10;

    loadsim::SimulatorOptions options;
    options.baudRate = 9600;
    loadsim::LoadSimulator sim(options);

    SerialLink link;
    link.setPortName(QString::fromStdString(sim.terminalPath()));
    app.port = link.findChild<QObject*>(QStringLiteral("port"));
    app.chunkTimer = link.findChild<QObject*>(QStringLiteral("chunkTimer"));
    std::vector<Clock::time_point> received;
    std::vector<int> sizes;
    // Every whole answer is answered with a front-panel request (to which
    // the load does not answer), as the stop answers the crossing one.
    const QByteArray reply = bytesOf(makeControlFrame(ControlMode::FrontPanel));
    std::vector<Clock::time_point> replied;
    QObject::connect(&link, &SerialLink::chunkReceived, [&](const QByteArray& chunk) {
        received.push_back(Clock::now());
        sizes.push_back(int(chunk.size()));
        if (chunk.size() == qsizetype(kFrameSize)) {
            replied.push_back(Clock::now());
            link.sendBytes(reply);
        }
    });
    if (!link.open()) {
        std::fprintf(stderr, "the simulator's terminal does not open: %s\n",
                     qPrintable(link.lastOpenErrorText()));
        return 1;
    }

    // Poll every 150 ms (an answer needs about 27 ms on the line plus the
    // 60 ms that end its chunk), as the run does at that interval.
    std::vector<double> sendMicros;
    const QByteArray query = bytesOf(makeStatusQuery());
    QTimer poll;
    poll.setInterval(150);
    int sent = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (sent == wanted) {
            poll.stop();
            return;
        }
        const auto start = Clock::now();
        link.sendBytes(query);
        sendMicros.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        ++sent;
    });
    QTimer check;
    check.setInterval(50);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (int(received.size()) >= wanted ||
            (sent == wanted && !poll.isActive() && sim.sentAnswers().size() == received.size()))
            app.quit();
    });
    const double cpuBefore = threadCpuMs();
    poll.start();
    check.start();
    QTimer::singleShot(wanted * 150 + 20000, &app, &QCoreApplication::quit);
    app.exec();
    check.stop();
    const double cpuPerAnswerUs = (threadCpuMs() - cpuBefore) * 1000.0 / std::max(sent, 1);

    const auto answers = sim.sentAnswers();
    // Each whole chunk belongs to the last answer sent before it arrived.
    std::vector<double> latencyMs;
    int whole = 0;
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (sizes[i] != int(kFrameSize))
            continue;
        ++whole;
        const auto answer = std::find_if(answers.rbegin(), answers.rend(), [&](const auto& a) {
            return a.lastByteAt <= received[i];
        });
        if (answer != answers.rend())
            latencyMs.push_back(
                std::chrono::duration<double, std::milli>(received[i] - answer->lastByteAt)
                    .count());
    }
    std::vector<double> replyMs;
    std::size_t next = 0;
    for (const auto& frame : sim.receivedFrames()) {
        if (QByteArray(reinterpret_cast<const char*>(frame.bytes.data()),
                       qsizetype(frame.bytes.size())) != reply ||
            next == replied.size())
            continue;
        replyMs.push_back(
            std::chrono::duration<double, std::milli>(frame.receivedAt - replied[next++]).count());
    }
    using bench::Percentile;
    std::printf("serial link against the load simulator, 9600 bit/s pacing, poll every 150 ms\n");
    std::printf("  answers sent %zu, chunks received %zu, of them 26 bytes long %d\n",
                answers.size(), received.size(), whole);
    std::printf("  latency last byte -> chunkReceived: p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "(the 60 ms that end a chunk are the floor)\n",
                Percentile(latencyMs, 0.5), Percentile(latencyMs, 0.99),
                Percentile(latencyMs, 1.0));
    std::printf("  chunkReceived -> a request sent in reply read by the simulator: p50 %.2f ms, "
                "p99 %.2f ms (%zu requests)\n",
                Percentile(replyMs, 0.5), Percentile(replyMs, 0.99), replyMs.size());
    std::printf("  link's thread per readyRead: p50 %.1f us, p99 %.1f us (%zu of them); per "
                "chunk: p50 %.1f us, p99 %.1f us\n",
                Percentile(app.readMicros, 0.5), Percentile(app.readMicros, 0.99),
                app.readMicros.size(), Percentile(app.chunkMicros, 0.5),
                Percentile(app.chunkMicros, 0.99));
    std::printf("  link's thread processor time per answer (poll sent, answer taken): %.1f us\n",
                cpuPerAnswerUs);
    std::printf("  sendBytes: p50 %.1f us, p99 %.1f us\n", Percentile(sendMicros, 0.5),
                Percentile(sendMicros, 0.99));

    // Idle: port open, nothing sent or received.
    const double idleBefore = threadCpuMs();
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("  link's thread processor time over %d s idle: %.1f ms\n", idleSeconds,
                threadCpuMs() - idleBefore);

    // The wait for a frame to leave the port, as at the end of a run.
    std::vector<double> waitMs;
    for (int i = 0; i < 50; ++i) {
        const auto start = Clock::now();
        link.sendBytes(query);
        link.waitUntilSent(2000);
        waitMs.push_back(msSince(start));
    }
    std::printf("  sendBytes + waitUntilSent of one frame: p50 %.2f ms, p99 %.2f ms\n",
                Percentile(waitMs, 0.5), Percentile(waitMs, 0.99));
    link.close();

    benchLineThatDoesNotMove();
    return 0;
}
