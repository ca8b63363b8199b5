// Serial link against the load simulator on a pseudo-terminal, 9600 bit/s
// pacing: answer latency (last byte leaving the simulator -> chunkReceived),
// window-thread time per chunk, sendBytes time, and the processor time of the
// two worker threads while the port is open and idle.
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
    std::vector<double> latencyMs;
    int whole = 0;
    for (std::size_t i = 0; i < received.size() && i < answers.size(); ++i) {
        if (sizes[i] != 26)
            continue;
        ++whole;
        latencyMs.push_back(
            std::chrono::duration<double, std::milli>(received[i] - answers[i].lastByteAt).count());
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
                    after.count(name) ? after.at(name) - before.at(name) : -1.0);
    link.close();
    return 0;
}
