// Helper for the recorder's tests: a program of its own whose reading log
// takes a reading every few milliseconds until it is killed.
//
// Usage: tarvex_recorder_child <configuration file> <data directory> [interval ms (20)]
//
// Reports on standard output "taken <VolVal>" for every reading handed to
// the log (the texts of 10000 + k mV, k = 0, 1, ...), "delayed" when storing
// is delayed and "stored <N>" when a backlog has been written.

#include "protocol/DeviceFrame.h"
#include "run/CrossThread.h"
#include "run/ReadingRecorder.h"
#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace tarvex;

namespace {

void say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <config file> <data directory> [interval ms]\n", argv[0]);
        return 2;
    }
    const int interval = argc > 3 ? std::atoi(argv[3]) : 20;
    ReadingStore::setConfigFile(QString::fromLocal8Bit(argv[1]));
    QString warning;
    if (ReadingStore::setUp(QString::fromLocal8Bit(argv[2]), &warning) !=
        ReadingStore::SetupResult::Ready)
        std::fprintf(stderr, "%s\n", qPrintable(warning));

    QThread storing;
    auto* recorder = new ReadingRecorder;
    recorder->moveToThread(&storing);
    QObject::connect(recorder, &ReadingRecorder::storingDelayed, &app,
                     [](const QString&) { say("delayed"); });
    QObject::connect(recorder, &ReadingRecorder::backlogWritten, &app,
                     [](int count) { say("stored " + QByteArray::number(count)); });
    storing.start();
    post(recorder, [recorder] { recorder->attachReadingTable(); });

    int k = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const LoadReading reading =
            decodeStatusAnswer(makeStatusAnswer(1500, static_cast<std::int32_t>(10000 + k++), 185));
        recorder->record(reading, QDateTime::currentDateTime());
        say("taken " + reading.voltsText.toUtf8());
    });
    tick.start(interval);
    return app.exec();
}
