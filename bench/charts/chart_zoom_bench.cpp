// Cost of repainting the control window's three strip charts when zoomed,
// against the unzoomed charts, with a million points in each series. Three
// kinds of repaint:
//   reading - one point appended to each chart, each chart repainted (what
//             the run does at every reading; a zoomed view stays put);
//   scroll  - the zoomed view moved by a few pixels, as a right-button drag
//             does, each chart repainted;
//   zoom    - the zoomed view narrowed or widened by one wheel notch around
//             the middle, each chart repainted.
// Prints the median time per repaint of the three charts for each view width.
//
// Usage: chart_zoom_bench [--quick] [--points N]
#include "StepTimer.h"
#include "widgets/RunChart.h"
#include "widgets/StripChart.h"

#include <QApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <vector>

using namespace tarvex;

namespace {

constexpr int kCharts = 3;
constexpr double kMaxima[kCharts] = {360, 4, 200};
constexpr QPoint kPlaces[kCharts] = {{5, 3}, {5, 159}, {5, 315}};

// Three run charts in a window like the control window's middle panel,
// filled with a discharge: a slow sag with noise, scaled to each chart.
class Charts {
public:
    explicit Charts(int count) {
        m_window.resize(394, 475);
        for (int k = 0; k < kCharts; ++k) {
            m_charts[k] = new StripChart(&m_window);
            configureRunChart(*m_charts[k], RunChart(k));
            m_charts[k]->move(kPlaces[k]);
            for (int i = 0; i < count; ++i)
                append(k);
        }
        m_window.show();
        repaint();
        QCoreApplication::processEvents();
    }
    void append(int k) {
        const double t = double(m_charts[k]->series().count());
        m_charts[k]->series().append(kMaxima[k] * (0.6 - 0.2 * (t / 1e6) + m_noise(m_random)));
    }
    void repaint() {
        for (StripChart* chart : m_charts)
            chart->repaint();
    }
    // The view of the first count points, first to last, shown on every chart
    // over the upper half of its axis; no view shows everything.
    void zoomTo(std::optional<std::pair<double, double>> points) {
        for (int k = 0; k < kCharts; ++k) {
            if (points)
                m_charts[k]->zoomTo({points->first, points->second, kMaxima[k] / 2, kMaxima[k]});
            else
                m_charts[k]->showAll();
        }
    }
    StripChart& chart(int k) { return *m_charts[k]; }

private:
    QWidget m_window;
    std::array<StripChart*, kCharts> m_charts{};
    std::mt19937 m_random{42};
    std::normal_distribution<double> m_noise{0, 0.02};
};

double medianMs(const std::function<void()>& step, bool quick) {
    return bench::timeStep(step, quick ? 15 : 201, quick ? 1 : 4).medianMs;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool quick = false;
    int points = 1'000'000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--points") == 0 && i + 1 < argc) {
            points = std::max(std::atoi(argv[++i]), 100);
        } else {
            std::fprintf(stderr, "usage: chart_zoom_bench [--quick] [--points N]\n");
            return 2;
        }
    }

    Charts charts(points);
    const QRect plot = charts.chart(0).plotRect();
    std::printf("Three 384x155 charts with %d points each; median per repaint of the three.\n",
                points);
    std::printf("Plot %d columns wide; scroll moves 3 pixels a step.\n\n", plot.width());
    std::printf("%-26s %12s %12s %12s\n", "view", "reading ms", "scroll ms", "zoom ms");

    struct Row {
        const char* name;
        double width; // points across the view; 0: unzoomed
        bool atEnd;   // the view reaches the newest point
    };
    const Row rows[] = {
        {"unzoomed", 0, false},
        {"half the points", points / 2.0, false},
        {"a tenth", points / 10.0, false},
        {"10,000 points", 10000, false},
        {"1,000 points", 1000, false},
        {"100 points", 100, false},
        {"10 points", 10, false},
        {"a tenth, up to the newest", points / 10.0, true},
    };
    double unzoomedReading = 0;
    double worst = 0;
    for (const Row& row : rows) {
        const double whole = double(points - 1);
        const double middle = whole / 2;
        auto view = [&](double centre, double width) -> std::optional<std::pair<double, double>> {
            if (width <= 0)
                return std::nullopt;
            const double first = std::clamp(centre - width / 2, 0.0, whole - width);
            return std::make_pair(first, first + width);
        };
        const double centre = row.atEnd ? whole - row.width / 2 : middle;
        charts.zoomTo(view(centre, row.width));
        charts.repaint();

        const double reading = medianMs(
            [&] {
                for (int k = 0; k < kCharts; ++k)
                    charts.append(k);
                charts.repaint();
            },
            quick);

        double scroll = 0;
        double zoom = 0;
        if (row.width > 0) {
            const double perColumn = row.width / (plot.width() - 1);
            double shift = 0;
            double direction = -1;
            scroll = medianMs(
                [&] {
                    // Back and forth over a stretch of 60 pixels.
                    if (std::abs(shift) >= 60 * perColumn)
                        direction = -direction;
                    shift += direction * 3 * perColumn;
                    charts.zoomTo(view(centre + shift, row.width));
                    charts.repaint();
                },
                quick);
            int notch = 0;
            zoom = medianMs(
                [&] {
                    const double factor = (notch++ % 2) ? 1.25 : 1 / 1.25;
                    charts.zoomTo(view(centre, std::max(row.width * factor, 1.0)));
                    charts.repaint();
                },
                quick);
        }
        if (row.width <= 0)
            unzoomedReading = reading;
        worst = std::max({worst, reading, scroll, zoom});
        std::printf("%-26s %12.3f", row.name, reading);
        if (row.width > 0)
            std::printf(" %12.3f %12.3f", scroll, zoom);
        else
            std::printf(" %12s %12s", "-", "-");
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("\nSlowest zoomed repaint / unzoomed reading: %.2fx\n", worst / unzoomedReading);
    return 0;
}
