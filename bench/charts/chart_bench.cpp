// Cost of one reading on the control window's three strip charts: append one
// point to each of three 384 x 155 charts and repaint them, with 1 k, 10 k,
// 100 k and 1 M points already in each series. Measured for our StripChart and,
// in the same run, for Qt Charts (QLineSeries) and, where it is installed,
// QCustomPlot. Prints the median time per reading, the ratios and the heap
// bytes per point.
//
// Usage: chart_bench [--quick] [--only LIBRARY] [--points N]
//   --quick   fewer samples, for a smoke run
//   --only    measure one library ("StripChart", "Qt Charts", "QCustomPlot")
//   --points  measure with N points per series only
// (--only and --points are for looking at one case under a profiler.)
#include "StepTimer.h"
#include "widgets/RunChart.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#ifdef TARVEX_HAVE_QCUSTOMPLOT
#include <algorithm>
#include <qcustomplot.h>
#endif

#include <malloc.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace tarvex;

namespace {

constexpr int kCharts = 3;
constexpr double kMaxima[kCharts] = {360, 4, 200};
constexpr QPoint kPlaces[kCharts] = {{5, 3}, {5, 159}, {5, 315}};

std::size_t heapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Readings of a discharge: a slow sag with noise, scaled to each chart.
class Readings {
public:
    double next(int chart) {
        const double t = double(m_index[chart]++);
        return kMaxima[chart] * (0.6 - 0.2 * (t / 1e6) + m_noise(m_random));
    }

private:
    std::mt19937 m_random{42};
    std::normal_distribution<double> m_noise{0, 0.02};
    std::array<std::int64_t, kCharts> m_index{};
};

// One charting library holding three charts in a window like the control
// window's middle panel.
class Contender {
public:
    virtual ~Contender() = default;
    // Puts count points into each series before the window is shown.
    virtual void fill(int count, Readings& readings) = 0;
    // One reading: one point appended to each chart, each chart repainted.
    virtual void reading(Readings& readings) = 0;
    QWidget& window() { return m_window; }

protected:
    Contender() { m_window.resize(394, 475); }
    QWidget m_window;
};

class Ours : public Contender {
public:
    Ours() {
        for (int k = 0; k < kCharts; ++k) {
            m_charts[k] = new StripChart(&m_window);
            m_series[k] = &configureRunChart(*m_charts[k], RunChart(k));
            m_charts[k]->move(kPlaces[k]);
        }
    }
    void fill(int count, Readings& readings) override {
        for (int k = 0; k < kCharts; ++k)
            for (int i = 0; i < count; ++i)
                m_series[k]->append(readings.next(k));
    }
    void reading(Readings& readings) override {
        for (int k = 0; k < kCharts; ++k)
            m_series[k]->append(readings.next(k));
        for (StripChart* chart : m_charts)
            chart->repaint();
    }
    std::size_t seriesBytes() const {
        std::size_t bytes = 0;
        for (const LineSeries* series : m_series)
            bytes += series->memoryBytes();
        return bytes;
    }

private:
    std::array<StripChart*, kCharts> m_charts{};
    std::array<LineSeries*, kCharts> m_series{};
};

class QtCharts : public Contender {
public:
    QtCharts() {
        const char* titles[kCharts] = {"Vol-Run chart", "Cur-Run Chart", "Pow-Run Chart"};
        for (int k = 0; k < kCharts; ++k) {
            auto* chart = new QChart;
            chart->setTitle(QString::fromLatin1(titles[k]));
            chart->legend()->hide();
            chart->setAnimationOptions(QChart::NoAnimation);
            m_series[k] = new QLineSeries;
            m_series[k]->setColor(Qt::red);
            chart->addSeries(m_series[k]);
            m_x[k] = new QValueAxis;
            auto* y = new QValueAxis;
            y->setRange(0, kMaxima[k]);
            chart->addAxis(m_x[k], Qt::AlignBottom);
            chart->addAxis(y, Qt::AlignLeft);
            m_series[k]->attachAxis(m_x[k]);
            m_series[k]->attachAxis(y);
            m_views[k] = new QChartView(chart, &m_window);
            m_views[k]->setGeometry(QRect(kPlaces[k], QSize(384, 155)));
        }
    }
    void fill(int count, Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            QList<QPointF> points;
            points.reserve(count);
            for (int i = 0; i < count; ++i)
                points.append(QPointF(i, readings.next(k)));
            m_series[k]->replace(points);
            m_x[k]->setRange(0, std::max(count - 1, 1));
        }
    }
    void reading(Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            const int n = m_series[k]->count();
            m_series[k]->append(n, readings.next(k));
            m_x[k]->setRange(0, n);
        }
        QCoreApplication::processEvents();
        for (QChartView* view : m_views)
            view->repaint();
    }

private:
    std::array<QLineSeries*, kCharts> m_series{};
    std::array<QValueAxis*, kCharts> m_x{};
    std::array<QChartView*, kCharts> m_views{};
};

#ifdef TARVEX_HAVE_QCUSTOMPLOT
class CustomPlot : public Contender {
public:
    CustomPlot() {
        const char* titles[kCharts] = {"Vol-Run chart", "Cur-Run Chart", "Pow-Run Chart"};
        for (int k = 0; k < kCharts; ++k) {
            m_plots[k] = new QCustomPlot(&m_window);
            m_plots[k]->setGeometry(QRect(kPlaces[k], QSize(384, 155)));
            m_plots[k]->plotLayout()->insertRow(0);
            m_plots[k]->plotLayout()->addElement(
                0, 0, new QCPTextElement(m_plots[k], QString::fromLatin1(titles[k])));
            m_graphs[k] = m_plots[k]->addGraph();
            m_graphs[k]->setPen(QPen(Qt::red));
            m_plots[k]->yAxis->setRange(0, kMaxima[k]);
        }
    }
    void fill(int count, Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            QVector<QCPGraphData> data;
            data.reserve(count);
            for (int i = 0; i < count; ++i)
                data.append(QCPGraphData(i, readings.next(k)));
            m_graphs[k]->data()->add(data, true);
            m_plots[k]->xAxis->setRange(0, std::max(count - 1, 1));
        }
    }
    void reading(Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            const int n = m_graphs[k]->dataCount();
            m_graphs[k]->addData(n, readings.next(k));
            m_plots[k]->xAxis->setRange(0, n);
        }
        for (QCustomPlot* plot : m_plots)
            plot->replot(QCustomPlot::rpImmediateRefresh);
    }

private:
    std::array<QCustomPlot*, kCharts> m_plots{};
    std::array<QCPGraph*, kCharts> m_graphs{};
};
#endif

struct Result {
    double medianMs = 0;
    int samples = 0;
    double heapBytesPerPoint = 0;
    double ownBytesPerPoint = 0; // ours only: what the series account for
};

// Builds a contender with count points per series, shows it, and times
// readings until enough samples or enough time has gone by.
Result measure(const std::function<std::unique_ptr<Contender>()>& make, int count, bool quick) {
    Readings readings;
    const std::size_t heapBefore = heapBytes();
    std::unique_ptr<Contender> contender = make();
    contender->window().show();
    contender->window().repaint();
    QCoreApplication::processEvents();
    const std::size_t heapEmpty = heapBytes();
    contender->window().hide();
    contender->fill(count, readings);
    contender->window().show();
    contender->window().repaint();
    QCoreApplication::processEvents();
    const std::size_t heapFull = heapBytes();

    Result result;
    result.heapBytesPerPoint = (double(heapFull) - double(heapEmpty)) / (double(count) * kCharts);
    if (auto* ours = dynamic_cast<Ours*>(contender.get()))
        result.ownBytesPerPoint = double(ours->seriesBytes()) / (double(count) * kCharts);
    (void)heapBefore;

    // The first calls warm caches, fonts and glyphs up.
    const bench::StepTiming timing = bench::timeStep(
        [&contender, &readings] { contender->reading(readings); }, quick ? 15 : 201, quick ? 1 : 6);
    result.samples = timing.samples;
    result.medianMs = timing.medianMs;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool quick = false;
    const char* only = nullptr;
    int points = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--points") == 0 && i + 1 < argc) {
            points = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: chart_bench [--quick] [--only LIBRARY] [--points N]\n");
            return 2;
        }
    }

    struct Library {
        const char* name;
        std::function<std::unique_ptr<Contender>()> make;
    };
    std::vector<Library> libraries = {
        {"StripChart", [] { return std::make_unique<Ours>(); }},
        {"Qt Charts", [] { return std::make_unique<QtCharts>(); }},
    };
#ifdef TARVEX_HAVE_QCUSTOMPLOT
    libraries.push_back({"QCustomPlot", [] { return std::make_unique<CustomPlot>(); }});
#else
    std::printf("QCustomPlot: not installed, left out\n");
#endif

    if (only) {
        std::erase_if(libraries, [only](const Library& l) { return std::strcmp(l.name, only); });
        if (libraries.empty()) {
            std::fprintf(stderr, "chart_bench: no library named %s\n", only);
            return 2;
        }
    }

    std::vector<int> counts = {1000, 10000, 100000, 1000000};
    if (points > 0)
        counts = {points};
    // One untimed round first, so that the first figures do not pay for
    // loading fonts, plugins and glyph caches.
    for (const Library& library : libraries)
        measure(library.make, 1000, true);

    std::vector<std::vector<Result>> results(libraries.size());
    std::printf("Append one point to each of three 384x155 charts and repaint them; median per "
                "reading.\n\n");
    std::printf("%-12s %10s %10s %8s %12s %12s\n", "library", "points", "ms/reading", "samples",
                "heap B/pt", "series B/pt");
    for (int count : counts) {
        for (std::size_t l = 0; l < libraries.size(); ++l) {
            const Result r = measure(libraries[l].make, count, quick);
            results[l].push_back(r);
            std::printf("%-12s %10d %10.3f %8d %12.1f", libraries[l].name, count, r.medianMs,
                        r.samples, r.heapBytesPerPoint);
            if (r.ownBytesPerPoint > 0)
                std::printf(" %12.2f", r.ownBytesPerPoint);
            std::printf("\n");
            std::fflush(stdout);
        }
    }

    if (libraries.size() < 2 || std::strcmp(libraries[0].name, "StripChart") != 0 ||
        counts.size() < 2)
        return 0;
    std::printf("\nRatios (time of the other library / time of StripChart):\n");
    std::printf("%10s", "points");
    for (std::size_t l = 1; l < libraries.size(); ++l)
        std::printf(" %14s", libraries[l].name);
    std::printf("\n");
    for (std::size_t c = 0; c < counts.size(); ++c) {
        std::printf("%10d", counts[c]);
        for (std::size_t l = 1; l < libraries.size(); ++l)
            std::printf(" %13.1fx", results[l][c].medianMs / results[0][c].medianMs);
        std::printf("\n");
    }
    const double growth = results[0].back().medianMs / results[0].front().medianMs;
    std::printf("\nStripChart at 1 M / StripChart at 1 k: %.2fx (target <= 1.5x)\n", growth);
    for (std::size_t l = 1; l < libraries.size(); ++l) {
        const bool qtCharts = std::strcmp(libraries[l].name, "Qt Charts") == 0;
        std::printf("%s / StripChart at 1 M: %.0fx (target >= %dx)\n", libraries[l].name,
                    results[l].back().medianMs / results[0].back().medianMs, qtCharts ? 100 : 10);
    }
    std::printf("StripChart series bytes per point at 1 M: %.2f (target <= 12)\n",
                results[0].back().ownBytesPerPoint);
    return 0;
}
