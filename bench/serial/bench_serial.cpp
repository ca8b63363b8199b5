// Serial link against the load simulator on a pseudo-terminal, 9600 bit/s
// pacing: answer latency (last byte leaving the simulator -> chunkReceived),
// window-thread time per chunk, sendBytes time, the processor time of the
// two worker threads while the port is open and idle, waitUntilSent after one
// frame, and the end of a link whose port never drains (the bounded wait,
// the close after it, the processor time of the wait).
//
// bench_serial [answers (default 250)] [idle seconds (default 10)]
#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "serial/SerialLink.h"
#include "serial/SerialLinkThreads_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

using namespace tarvex;

using Clock = std::chrono::steady_clock;

namespace {

// Times the delivery of every chunk on the window thread: the relay's event
// handling, the signal with its receiver and the release of the block.
class TimedApp : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    std::vector<double> chunkMicros;

    bool notify(QObject* receiver, QEvent* event) override {
        if (event->type() != LinkEvent::typeOf(LinkMessage::Data))
            return QCoreApplication::notify(receiver, event);
        const auto start = Clock::now();
        const bool done = QCoreApplication::notify(receiver, event);
        chunkMicros.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        return done;
    }
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Processor time (user + system) of the threads with the given names, in ms.
std::map<QString, double> threadCpuMs(const QStringList& names) {
    std::map<QString, double> result;
    const double tick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const QString& tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + tid + "/comm");
        QFile stat("/proc/self/task/" + tid + "/stat");
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromLatin1(comm.readAll()).trimmed();
        if (!names.contains(name))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        const QStringList fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // Fields 14 and 15 of stat (utime, stime) are 11 and 12 after the name.
        result[name] += (fields.value(11).toDouble() + fields.value(12).toDouble()) * tick;
    }
    return result;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A port whose output never leaves the driver (flow control held, a stuck
// driver): writes land in a socket, the driver always says 26 bytes are
// still to go.
class NeverDrainingPort final : public SerialPort {
public:
    NeverDrainingPort(int fd, int peer) : m_fd(fd), m_peer(peer) {}
    ~NeverDrainingPort() override {
        ::close(m_fd);
        ::close(m_peer);
    }
    int fd() const override { return m_fd; }
    bool isSerialDevice() override { return true; }
    void applyLineSettings(const LineSettings&) override {}
    ssize_t read(void* buffer, std::size_t count) override { return ::read(m_fd, buffer, count); }
    ssize_t write(const void* data, std::size_t count) override {
        return ::write(m_fd, data, count);
    }
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        return ::poll(fds, count, timeoutMs);
    }
    bool lineErrorCounts(LineErrorCounts&) override { return false; }
    void purge(Direction) override {}
    int outputPending() override { return 26; }

private:
    int m_fd;
    int m_peer;
};

void benchNeverDrainingPort() {
    SerialLink link;
    link.setPortOpener([](const std::string&) -> std::unique_ptr<SerialPort> {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
            return nullptr;
        return std::make_unique<NeverDrainingPort>(fds[0], fds[1]);
    });
    link.open();
    const DeviceFrame off = makeControlFrame(ControlMode::ComputerLoadOff);
    const DeviceFrame panel = makeControlFrame(ControlMode::FrontPanel);
    link.sendBytes(off.data(), 26);
    link.sendBytes(panel.data(), 26);
    const QStringList transmit = {QStringLiteral("TransmitThread")};
    // The thread takes its name once it runs.
    for (int i = 0; i < 1000 && !threadCpuMs(transmit).count(transmit[0]); ++i)
        usleep(1000);
    const auto cpuBefore = threadCpuMs(transmit);
    auto start = Clock::now();
    const bool sent = link.waitUntilSent(2000);
    const double waitMs = msSince(start);
    const auto cpuAfter = threadCpuMs(transmit);
    start = Clock::now();
    link.close();
    const double closeMs = msSince(start);
    std::printf("a port that never drains, the last two frames at the end:\n");
    std::printf("  waitUntilSent(2000) %s after %.1f ms; close() after it %.2f ms; transmit "
                "thread processor time while waiting %.1f ms\n",
                sent ? "true (wrong)" : "false", waitMs, closeMs,
                cpuAfter.count(transmit[0]) && cpuBefore.count(transmit[0])
                    ? cpuAfter.at(transmit[0]) - cpuBefore.at(transmit[0])
                    : -1.0);
}

} // namespace

int main(int argc, char** argv) {
    TimedApp app(argc, argv);
    const int wanted = argc > 1 ? std::max(200, atoi(argv[1])) : 250;
    const int idleSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 10;

    loadsim::SimulatorOptions options;
    options.baudRate = 9600;
    loadsim::LoadSimulator sim(options);

    SerialLink link;
    link.setCommPort(QString::fromStdString(sim.terminalPath()));
    link.setBaudRate(9600);
    std::vector<Clock::time_point> received;
    std::vector<int> sizes;
    QObject::connect(&link, &SerialLink::chunkReceived, [&](const QByteArray& chunk) {
        received.push_back(Clock::now());
        sizes.push_back(static_cast<int>(chunk.size()));
    });
    link.open();

    // Poll every 150 ms (an answer needs about 27 ms on the line plus the
    // 60 ms that end the read), as the control window does at its interval.
    std::vector<double> sendMicros;
    const DeviceFrame query = makeStatusQuery();
    QTimer poll;
    poll.setInterval(150);
    int sent = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (sent == wanted) {
            poll.stop();
            return;
        }
        const auto start = Clock::now();
        link.sendBytes(query.data(), 26);
        sendMicros.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        ++sent;
    });
    poll.start();
    QTimer check;
    check.setInterval(50);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (static_cast<int>(received.size()) >= wanted ||
            (sent == wanted && !poll.isActive() && sim.sentAnswers().size() == received.size()))
            app.quit();
    });
    check.start();
    QTimer::singleShot(wanted * 150 + 20000, &app, &QCoreApplication::quit);
    app.exec();
    check.stop();

    const auto answers = sim.sentAnswers();
    // Each whole chunk belongs to the last answer sent before it arrived (a
    // chunk that holds two answers must not shift the pairs after it).
    std::vector<double> latencyMs;
    int whole = 0;
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (sizes[i] != 26)
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
    std::printf("serial link against the load simulator, 9600 bit/s pacing, poll every 150 ms\n");
    std::printf("  answers sent %zu, chunks received %zu, of them 26 bytes long %d\n",
                answers.size(), received.size(), whole);
    std::printf("  latency last byte -> chunkReceived: p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "(60 ms interval time-out is the floor)\n",
                percentile(latencyMs, 50), percentile(latencyMs, 99), percentile(latencyMs, 100));
    std::printf("  window-thread time per chunk: p50 %.1f us, p99 %.1f us\n",
                percentile(app.chunkMicros, 50), percentile(app.chunkMicros, 99));
    std::printf("  sendBytes: p50 %.1f us, p99 %.1f us\n", percentile(sendMicros, 50),
                percentile(sendMicros, 99));

    // Idle: port open, nothing sent or received.
    const QStringList workers = {QStringLiteral("ReceiveThread"), QStringLiteral("TransmitThread")};
    const auto before = threadCpuMs(workers);
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const auto after = threadCpuMs(workers);
    for (const QString& name : workers)
        std::printf("  %s processor time over %d s idle: %.1f ms\n", qPrintable(name), idleSeconds,
                    after.count(name) && before.count(name) ? after.at(name) - before.at(name)
                                                            : -1.0);

    // The wait for a frame to leave the port, as at the end of a run.
    std::vector<double> waitMs;
    for (int i = 0; i < 50; ++i) {
        const auto start = Clock::now();
        link.sendBytes(query.data(), 26);
        link.waitUntilSent(2000);
        waitMs.push_back(msSince(start));
    }
    std::printf("  sendBytes + waitUntilSent of one frame: p50 %.2f ms, p99 %.2f ms\n",
                percentile(waitMs, 50), percentile(waitMs, 99));
    link.close();

    benchNeverDrainingPort();
    return 0;
}
