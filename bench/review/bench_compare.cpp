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
#include "BenchSupport.h"
#include "PaintCounter.h"
#include "StepTimer.h"
#include "review/CompareWindow.h"

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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
