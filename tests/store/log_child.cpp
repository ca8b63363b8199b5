// Helper for the store's tests and benchmark: a program of its own that logs
// into the reading table until it is killed.
//
// Usage: tarvex_log_child <configuration file> <data directory> [rows]
//   Sets the store up and stores readings as fast as it can (rows of them,
//   or until it is killed), reporting each committed row on standard output
//   as "<ID> <VolVal>". A set-up that finds the table in use ends it with
//   status 3 and the warning on standard error.
//
// Usage: tarvex_log_child <configuration file> <data directory> run
//   Sets the store up, begins a run (port "/dev/child", polled every 200 ms)
//   and says "run <RunID>"; then stores readings of that run as fast as it
//   can, as above, each 200 ms after the one before, and every 50th 1 s
//   after it (a gap the charge does not bridge), until it is killed.
//
// Usage: tarvex_log_child <configuration file> <data directory> hold
//   Sets the store up (claiming the table), says "ready" and then only waits
//   to be killed.

#include "store/ReadingStore.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace tarvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <config file> <data directory> [rows | hold]\n", argv[0]);
        return 2;
    }
    const QByteArray mode = argc > 3 ? QByteArray(argv[3]) : QByteArray();
    const long rows = mode.isEmpty() || mode == "hold" || mode == "run" ? -1 : std::atol(argv[3]);
    ReadingStore::setConfigFile(QString::fromLocal8Bit(argv[1]));
    try {
        QString warning;
        if (ReadingStore::setUp(QString::fromLocal8Bit(argv[2]), &warning) !=
            ReadingStore::SetupResult::Ready) {
            std::fprintf(stderr, "%s\n", qPrintable(warning));
            return 3;
        }
        if (mode == "hold") {
            // On a server the claim is held by the connection that took it.
            ReadingStore holder;
            holder.claim();
            std::printf("ready\n");
            std::fflush(stdout);
            for (;;)
                ::pause();
        }
        ReadingStore store;
        RunStamp run;
        if (mode == "run") {
            RunStart start;
            start.startedAt = QDateTime::currentDateTimeUtc();
            start.minimumVolts = 10.5;
            start.pollIntervalMs = 200;
            start.port = QStringLiteral("/dev/child");
            start.label = QStringLiteral("killed cell");
            run.runId = store.beginRun(start);
            std::printf("run %lld\n", run.runId);
            std::fflush(stdout);
        }
        for (long k = 0; rows < 0 || k < rows; ++k) {
            // A reading of 10000 + k mV, 1500 mA and 185 tenths of a watt.
            DeviceFrame answer{};
            const auto mv = static_cast<std::uint32_t>(10000 + k % 1000000);
            answer[3] = 0xDC;
            answer[4] = 0x05;
            for (int i = 0; i < 4; ++i)
                answer[5 + i] = static_cast<std::uint8_t>(mv >> (8 * i));
            answer[9] = 0xB9;
            if (run.runId > 0 && k > 0) {
                run.elapsedMs += k % 50 == 0 ? 1000 : 200;
                answer[3] = static_cast<std::uint8_t>(k % 200); // a current that changes
            }
            const LoadReading reading = decodeStatusAnswer(answer);
            const qint64 id = store.append(reading, QDateTime::currentDateTime(), run);
            const QByteArray line =
                QByteArray::number(id) + ' ' + reading.voltsText.toUtf8() + '\n';
            if (::write(STDOUT_FILENO, line.constData(), static_cast<size_t>(line.size())) !=
                line.size())
                return 4;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
