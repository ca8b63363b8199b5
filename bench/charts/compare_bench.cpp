// Cost of the overlay chart that compares runs: twenty runs of 50,000
// readings each (discharges of the load simulator's model, each cell with its
// own capacity and resistance), in a chart of 900 x 560 pixels.
//   first picture - the chart made, the runs added (their pyramids built),
//                   shown and painted once: what opening Compare costs once
//                   the readings are read;
//   repaint       - one repaint of the chart as it is (the median), against
//                   charge and against time, whole and zoomed;
//   scroll, zoom  - one repaint after the view moved by 3 pixels, or after
//                   one wheel notch in or out.
// Prints the medians in milliseconds.
//
// Usage: compare_bench [--quick] [--runs N] [--readings N]
//        compare_bench --picture FILE [--time] [--runs N]
// --picture saves a picture of five discharges (at 2x, for print) against the
// charge drawn, or against the time with --time, and prints nothing else;
// with --runs N, N discharges (the five and more cells made up).
#include "PaintCounter.h"
#include "StepTimer.h"
#include "loadsim/LoadSimulator.h"
#include "widgets/OverlayChart.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <vector>

using namespace tarvex;

namespace {

constexpr double kPollSeconds = 0.2;
constexpr double kCutOffVolts = 10.0; // the minimum voltage that ends each run

// A cell under test: the simulator's source with its own capacity and
// resistance, drawn at a constant current; perhaps with a time without
// readings (the link lost) from gapAt for gapSeconds.
struct Cell {
    QString label;
    double capacityAh = 2;
    double internalOhms = 0.05;
    double amps = 1;
    double gapAt = -1;
    double gapSeconds = 0;

    loadsim::LoadModel model() const {
        loadsim::LoadModel model;
        model.capacityAh = capacityAh;
        model.internalOhms = internalOhms;
        model.currentAmps = amps;
        return model;
    }
    // The voltage at the load's terminals after drawing chargeAh.
    double volts(double chargeAh) const {
        return loadsim::openCircuitVolts(model(), chargeAh) - amps * internalOhms;
    }
    // When the voltage reaches the cut-off, found by halving.
    double secondsToCutOff() const {
        double low = 0, high = 2 * capacityAh;
        for (int k = 0; k < 60; ++k) {
            const double middle = (low + high) / 2;
            (volts(middle) > kCutOffVolts ? low : high) = middle;
        }
        return high / amps * 3600;
    }
};

// A run of the cell until the voltage falls to the cut-off, one reading a
// poll: the voltage in millivolts as the load reports it, with a little
// noise. Readings stop during the cell's gap while the charge goes on being
// drawn; one NaN reading marks the gap.
OverlaySeries dischargeRun(const Cell& cell, double pollSeconds, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 0.002);
    OverlaySeries run;
    run.label = cell.label;
    bool gapMarked = false;
    for (std::int64_t k = 0;; ++k) {
        const double t = double(k) * pollSeconds;
        const double charge = cell.amps * t / 3600;
        if (cell.gapAt >= 0 && t >= cell.gapAt && t < cell.gapAt + cell.gapSeconds) {
            if (!gapMarked) {
                run.chargeAh.push_back(charge);
                run.elapsedSeconds.push_back(t);
                run.volts.push_back(std::numeric_limits<float>::quiet_NaN());
                gapMarked = true;
            }
            continue;
        }
        const double reported = std::round((cell.volts(charge) + noise(random)) * 1000) / 1000;
        run.chargeAh.push_back(charge);
        run.elapsedSeconds.push_back(t);
        run.volts.push_back(float(reported));
        if (reported <= kCutOffVolts)
            break;
    }
    run.ampHours = run.chargeAh.back();
    return run;
}

// count runs of about `readings` readings each (polled as often as that
// takes), cells of 1.7 to 2.3 Ah and 0.04 to 0.3 ohm.
std::vector<OverlaySeries> makeRuns(int count, std::size_t readings) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> capacity(1.7, 2.3);
    std::uniform_real_distribution<double> ohms(0.04, 0.30);
    std::vector<OverlaySeries> runs;
    for (int k = 0; k < count; ++k) {
        Cell cell;
        cell.label = QStringLiteral("cell %1").arg(k + 1);
        cell.capacityAh = capacity(random);
        cell.internalOhms = ohms(random);
        runs.push_back(
            dischargeRun(cell, cell.secondsToCutOff() / double(readings - 1), unsigned(k)));
    }
    return runs;
}

double medianMs(const std::function<void()>& step, bool quick) {
    return bench::timeStep(step, quick ? 15 : 101, quick ? 1 : 4).medianMs;
}

int savePicture(const QString& file, bool time, int runCount) {
    // Five cells at 1 A, polled every 200 ms; cell B lost its link for a
    // minute (the gap is not bridged).
    auto cell = [](const QString& label, double capacity, double ohms) {
        Cell c;
        c.label = label;
        c.capacityAh = capacity;
        c.internalOhms = ohms;
        return c;
    };
    Cell cells[] = {
        cell(QStringLiteral("cell A"), 2.05, 0.06), cell(QStringLiteral("cell B"), 1.95, 0.11),
        cell(QStringLiteral("cell C"), 2.20, 0.08), cell(QStringLiteral("cell D"), 1.80, 0.22),
        cell(QStringLiteral("cell E"), 2.12, 0.15)};
    cells[1].gapAt = 2400;
    cells[1].gapSeconds = 60;
    OverlayChart chart;
    chart.setObjectName(QStringLiteral("compareChart"));
    chart.setTitle(QStringLiteral("Compare runs"));
    chart.resize(900, 560);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> capacity(1.7, 2.3);
    std::uniform_real_distribution<double> ohms(0.04, 0.30);
    for (int k = 0; k < runCount; ++k) {
        const Cell c = k < 5 ? cells[k]
                             : cell(QStringLiteral("cell %1").arg(QChar(u'A' + k)),
                                    capacity(random), ohms(random));
        chart.addSeries(dischargeRun(c, kPollSeconds, unsigned(k + 1)));
    }
    chart.setXAxis(time ? OverlayAxis::Time : OverlayAxis::Charge);
    QString error;
    if (!chart.savePicture(file, 2, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file), qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool quick = false;
    bool time = false;
    std::optional<int> wantedRuns;
    int readings = 50000;
    QString picture;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--time") == 0) {
            time = true;
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            wantedRuns = std::clamp(std::atoi(argv[++i]), 1, kOverlayColorCount);
        } else if (std::strcmp(argv[i], "--readings") == 0 && i + 1 < argc) {
            readings = std::max(std::atoi(argv[++i]), 10);
        } else if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc) {
            picture = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: compare_bench [--quick] [--runs N] [--readings N]\n"
                                 "       compare_bench --picture FILE [--time] [--runs N]\n");
            return 2;
        }
    }
    if (!picture.isEmpty())
        return savePicture(picture, time, wantedRuns.value_or(5));
    const int runCount = wantedRuns.value_or(kOverlayColorCount);

    const std::vector<OverlaySeries> runs = makeRuns(runCount, std::size_t(readings));
    std::size_t total = 0;
    for (const OverlaySeries& run : runs)
        total += run.volts.size();
    std::printf("%d runs, %zu readings in all; chart 900x560.\n\n", runCount, total);

    // The first picture, several times over, each with a new chart; the
    // runs' arrays are copied before the clock starts, as the window would
    // hand over what it read.
    std::vector<double> firstPictures, adds, firstPaints;
    for (int round = 0; round < (quick ? 3 : 9); ++round) {
        std::vector<OverlaySeries> copies = runs;
        QElapsedTimer clock;
        clock.start();
        auto chart = std::make_unique<OverlayChart>();
        chart->setTitle(QStringLiteral("Compare runs"));
        chart->resize(900, 560);
        for (OverlaySeries& run : copies)
            chart->addSeries(std::move(run));
        const qint64 added = clock.nsecsElapsed();
        bench::PaintCounter counter(chart.get());
        chart->show();
        bench::waitForPaint(counter, 0);
        const qint64 shown = clock.nsecsElapsed();
        firstPictures.push_back(double(shown) / 1e6);
        adds.push_back(double(added) / 1e6);
        firstPaints.push_back(double(shown - added) / 1e6);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("first picture: %.1f ms (runs added %.1f ms, shown and painted %.1f ms), median "
                "of %zu\n\n",
                median(firstPictures), median(adds), median(firstPaints), firstPictures.size());

    OverlayChart chart;
    chart.setTitle(QStringLiteral("Compare runs"));
    chart.resize(900, 560);
    for (const OverlaySeries& run : runs)
        chart.addSeries(run);
    chart.show();
    chart.repaint();
    QCoreApplication::processEvents();

    std::printf("%-10s %-28s %12s %12s %12s\n", "axis", "view", "repaint ms", "scroll ms",
                "zoom ms");
    struct Row {
        const char* name;
        double share; // of the whole bottom range; 1: unzoomed
    };
    const Row rows[] = {
        {"unzoomed", 1},       {"a third", 1.0 / 3}, {"a tenth", 0.1},
        {"a hundredth", 0.01}, {"narrowest", 0},
    };
    double worstRepaint = 0;
    for (OverlayAxis axis : {OverlayAxis::Charge, OverlayAxis::Time}) {
        chart.setXAxis(axis);
        chart.showAll();
        const double whole = chart.bottomAxis().maximum - chart.bottomAxis().minimum;
        const double start = chart.bottomAxis().minimum;
        const auto [low, high] = chart.leftRange();
        for (const Row& row : rows) {
            const double width = row.share > 0 ? whole * row.share : 0.002;
            const double centre = start + whole * 0.45;
            auto view = [&](double middle, double span) {
                chart.zoomTo({middle - span / 2, middle + span / 2, low + (high - low) / 4, high});
            };
            if (row.share >= 1)
                chart.showAll();
            else
                view(centre, width);
            chart.repaint();
            const double repaint = medianMs([&] { chart.repaint(); }, quick);
            worstRepaint = std::max(worstRepaint, repaint);
            double scroll = 0, zoom = 0;
            if (row.share < 1) {
                const double perColumn = width / (chart.plotRect().width() - 1);
                double shift = 0, direction = 1;
                scroll = medianMs(
                    [&] {
                        if (std::abs(shift) >= 60 * perColumn)
                            direction = -direction;
                        shift += direction * 3 * perColumn;
                        view(centre + shift, width);
                        chart.repaint();
                    },
                    quick);
                int notch = 0;
                zoom = medianMs(
                    [&] {
                        view(centre, (notch++ % 2) ? width : width * 1.25);
                        chart.repaint();
                    },
                    quick);
            }
            std::printf("%-10s %-28s %12.2f", axis == OverlayAxis::Charge ? "charge" : "time",
                        row.name, repaint);
            if (row.share < 1)
                std::printf(" %12.2f %12.2f\n", scroll, zoom);
            else
                std::printf(" %12s %12s\n", "-", "-");
            std::fflush(stdout);
        }
    }
    std::printf("\nslowest repaint: %.2f ms\n", worstRepaint);
    return 0;
}
