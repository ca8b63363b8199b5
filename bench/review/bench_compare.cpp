// Cost of the "Compare runs" window with twenty runs of 50,000 readings each
// (a reading every 200 ms, each run a discharge of its own capacity), the
// readings already read from the store:
//   first picture - the window made, the runs handed over (their charge
//                   counted, their pyramids built), shown and its chart
//                   painted once (median of the rounds);
//   repaint       - one repaint of the chart as it is, against charge and
//                   against time (median).
// Run it under Xvfb (xvfb-run -a).
//
// Usage: bench_compare [runs] [readings]
//        bench_compare --picture FILE [--time]
// --picture saves a picture of the window with five discharges of the load
// simulator's model (cells of their own capacity and resistance at 1 A, a
// reading every 200 ms to 10 V; cell B lost its link for a minute), against
// the charge drawn, or against the time with --time, and prints nothing.
#include "BenchSupport.h"
#include "PaintCounter.h"
#include "StepTimer.h"
#include "loadsim/LoadSimulator.h"
#include "review/CompareWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace tarvex;

namespace {

QList<CompareRun> makeRuns(int runs, int readings) {
    QList<CompareRun> out;
    for (int k = 0; k < runs; ++k) {
        CompareRun run;
        run.run.id = k + 1;
        run.run.label = QStringLiteral("cell %1").arg(k + 1);
        run.run.pollIntervalMs = 200;
        const double amps = 1 + 0.05 * k;
        run.readings.reserve(readings);
        for (int i = 0; i < readings; ++i) {
            RunReading r;
            r.id = qint64(k) * readings + i;
            r.elapsedMs = qint64(i) * 200;
            r.takenAtMs = 1'796'977'800'000 + r.elapsedMs;
            const double x = double(i) / readings;
            r.volts = std::round((12.6 - (1.2 + 0.02 * k) * x - 0.8 * std::pow(x, 8) +
                                  0.01 * std::sin(i * 0.37)) *
                                 100) /
                      100;
            r.amps = amps;
            r.watts = std::round(r.volts * amps * 100) / 100;
            run.readings << r;
        }
        run.run.ampHours = amps * readings * 0.2 / 3600;
        out << run;
    }
    return out;
}

// A discharge of the simulator's model at 1 A down to 10 V, as the store
// hands it over; readings stop for gapSeconds from gapAt.
CompareRun simulatedRun(qint64 id, const QString& label, double capacityAh, double ohms,
                        double gapAt = -1, double gapSeconds = 0) {
    loadsim::LoadModel model;
    model.capacityAh = capacityAh;
    model.internalOhms = ohms;
    model.currentAmps = 1;
    CompareRun run;
    run.run.id = id;
    run.run.label = label;
    run.run.pollIntervalMs = 200;
    for (qint64 k = 0;; ++k) {
        const qint64 ms = k * 200;
        const double charge = double(ms) / 3'600'000;
        if (gapAt >= 0 && ms >= gapAt * 1000 && ms < (gapAt + gapSeconds) * 1000)
            continue;
        RunReading r;
        r.id = k;
        r.elapsedMs = ms;
        r.takenAtMs = 1'796'976'000'000 + ms;
        r.volts = std::round((loadsim::openCircuitVolts(model, charge) - ohms) * 100) / 100;
        r.amps = 1;
        r.watts = r.volts;
        run.readings << r;
        run.run.ampHours = charge;
        if (r.volts <= 10.0)
            break;
    }
    return run;
}

int savePicture(const QString& file, bool time) {
    CompareWindow window;
    window.setRuns({simulatedRun(1, QStringLiteral("cell A"), 2.05, 0.06),
                    simulatedRun(2, QStringLiteral("cell B"), 1.95, 0.11, 2400, 60),
                    simulatedRun(3, QStringLiteral("cell C"), 2.20, 0.08),
                    simulatedRun(4, QStringLiteral("cell D"), 1.80, 0.22),
                    simulatedRun(5, QStringLiteral("cell E"), 2.12, 0.15)});
    if (time)
        window.findChild<QAbstractButton*>(QStringLiteral("timeAxisButton"))->click();
    window.show();
    bench::PaintCounter counter(window.chart());
    bench::waitForPaint(counter, 0);
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--picture")
        return savePicture(QString::fromLocal8Bit(argv[2]),
                           argc > 3 && QByteArray(argv[3]) == "--time");
    const int runCount = argc > 1 ? std::atoi(argv[1]) : 20;
    const int readings = argc > 2 ? std::atoi(argv[2]) : 50'000;
    const QList<CompareRun> runs = makeRuns(runCount, readings);
    std::printf("Compare runs: %d runs x %d readings, window 920x640\n", runCount, readings);

    std::vector<double> firsts;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<CompareWindow>();
        window->setRuns(runs);
        bench::PaintCounter counter(window->chart());
        window->show();
        bench::waitForPaint(counter, 0);
        firsts.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("  first picture: median %.1f ms, max %.1f ms (7 rounds)\n", bench::Median(firsts),
                bench::Percentile(firsts, 1.0));

    CompareWindow window;
    window.setRuns(runs);
    window.show();
    bench::PaintCounter counter(window.chart());
    bench::waitForPaint(counter, 0);
    for (const OverlayAxis axis : {OverlayAxis::Charge, OverlayAxis::Time}) {
        window.chart()->setXAxis(axis);
        const bench::StepTiming t = bench::timeStep([&] { window.chart()->repaint(); }, 50, 5);
        std::printf("  repaint against %s: median %.2f ms (%d samples)\n",
                    axis == OverlayAxis::Charge ? "charge" : "time", t.medianMs, t.samples);
    }
    return 0;
}
