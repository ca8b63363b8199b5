// Cost of writing a run as a Battery Data Format file: a run of 100,000
// readings (one every 200 ms, about 5.6 hours) written into name.bdf.csv and
// name.bdf.metadata.json in a temporary directory, the readings already in
// memory as the store hands them over.
//   write        - writeBatteryDataFile() from its call until both files are
//                  in place (median and max of the trials), with the size of
//                  the data file and the rate in readings per second.
//
// Usage: bench_bdf [readings] [trials]
#include "BenchSupport.h"
#include "export/BatteryDataFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace tarvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const int trials = argc > 2 ? std::atoi(argv[2]) : 7;

    RunRecord run;
    run.id = 1;
    run.startedAt = QDateTime::currentDateTimeUtc();
    run.endedAt = run.startedAt.addMSecs(qint64(count) * 200);
    run.readings = count;
    run.end = RunEnd::MinimumVoltage;
    run.pollIntervalMs = 200;
    run.port = QStringLiteral("/dev/ttyUSB0");
    run.label = QStringLiteral("bench cell");
    QList<RunReading> readings;
    readings.reserve(count);
    for (int i = 0; i < count; ++i) {
        RunReading r;
        r.id = i;
        r.elapsedMs = qint64(i) * 200 + (i % 7);
        r.takenAtMs = run.startedAt.toMSecsSinceEpoch() + r.elapsedMs;
        r.volts = std::round((12.6 - 2.5 * i / count) * 100) / 100;
        r.amps = 1.5 + (i % 3) * 0.01;
        r.watts = std::round(r.volts * r.amps * 100) / 100;
        readings << r;
    }
    const BdfEquipment equipment{QStringLiteral("Tarvex"), QStringLiteral("bench"), {}, 0};

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("bench.bdf.csv"));
    std::vector<double> times;
    for (int t = 0; t < trials; ++t) {
        QElapsedTimer timer;
        timer.start();
        writeBatteryDataFile(run, readings, equipment, csv, [](qint64, qint64) { return true; });
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double median = bench::Median(times);
    std::printf("BDF of a %d-reading run (%d trials)\n", count, trials);
    std::printf("  write: median %.1f ms, max %.1f ms; %.2f M readings/s; data file %.1f MiB\n",
                median, bench::Percentile(times, 1.0), count / median / 1000,
                double(QFileInfo(csv).size()) / (1 << 20));
    return 0;
}
