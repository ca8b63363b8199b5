// Cost of one reading on the control window's three strip charts: append one
// point to each of three 384 x 155 charts and repaint them, with 1 k, 10 k,
// 100 k and 1 M points already in each series. Measured for our TChart and,
// in the same run, for Qt Charts (QLineSeries) and, where it is installed,
// QCustomPlot. Prints the median time per reading, the ratios and the heap
// bytes per point.
//
// Usage: chart_bench [--quick] [--only LIBRARY] [--points N]
//   --quick   fewer samples, for a smoke run
//   --only    measure one library ("TChart", "Qt Charts", "QCustomPlot")
//   --points  measure with N points per series only
// (--only and --points are for looking at one case under a profiler.)
#include "widgets/Chart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#ifdef TARVEX_HAVE_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

#include <malloc.h>

#include <algorithm>
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

std::size_t HeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Readings of a discharge: a slow sag with noise, scaled to each chart.
class Readings {
public:
    double Next(int chart) {
        const double t = double(index_[chart]++);
        return kMaxima[chart] * (0.6 - 0.2 * (t / 1e6) + noise_(random_));
    }

private:
    std::mt19937 random_{42};
    std::normal_distribution<double> noise_{0, 0.02};
    std::array<std::int64_t, kCharts> index_{};
};

// One charting library holding three charts in a window like the control
// window's middle panel.
class Contender {
public:
    virtual ~Contender() = default;
    // Puts count points into each series before the window is shown.
    virtual void Fill(int count, Readings& readings) = 0;
    // One reading: one point appended to each chart, each chart repainted.
    virtual void Reading(Readings& readings) = 0;
    QWidget& Window() { return window_; }

protected:
    Contender() { window_.resize(394, 475); }
    QWidget window_;
};

class Ours : public Contender {
public:
    Ours() {
        for (int k = 0; k < kCharts; ++k) {
            charts_[k] = new TChart(&window_);
            series_[k] = &ConfigureRunChart(*charts_[k], TRunChart(k));
            charts_[k]->move(kPlaces[k]);
        }
    }
    void Fill(int count, Readings& readings) override {
        for (int k = 0; k < kCharts; ++k)
            for (int i = 0; i < count; ++i)
                series_[k]->Add(readings.Next(k));
    }
    void Reading(Readings& readings) override {
        for (int k = 0; k < kCharts; ++k)
            series_[k]->Add(readings.Next(k));
        for (TChart* chart : charts_)
            chart->repaint();
    }
    std::size_t SeriesBytes() const {
        std::size_t bytes = 0;
        for (const TLineSeries* series : series_)
            bytes += series->MemoryBytes();
        return bytes;
    }

private:
    std::array<TChart*, kCharts> charts_{};
    std::array<TLineSeries*, kCharts> series_{};
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
            series_[k] = new QLineSeries;
            series_[k]->setColor(Qt::red);
            chart->addSeries(series_[k]);
            x_[k] = new QValueAxis;
            auto* y = new QValueAxis;
            y->setRange(0, kMaxima[k]);
            chart->addAxis(x_[k], Qt::AlignBottom);
            chart->addAxis(y, Qt::AlignLeft);
            series_[k]->attachAxis(x_[k]);
            series_[k]->attachAxis(y);
            views_[k] = new QChartView(chart, &window_);
            views_[k]->setGeometry(QRect(kPlaces[k], QSize(384, 155)));
        }
    }
    void Fill(int count, Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            QList<QPointF> points;
            points.reserve(count);
            for (int i = 0; i < count; ++i)
                points.append(QPointF(i, readings.Next(k)));
            series_[k]->replace(points);
            x_[k]->setRange(0, std::max(count - 1, 1));
        }
    }
    void Reading(Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            const int n = series_[k]->count();
            series_[k]->append(n, readings.Next(k));
            x_[k]->setRange(0, n);
        }
        QCoreApplication::processEvents();
        for (QChartView* view : views_)
            view->repaint();
    }

private:
    std::array<QLineSeries*, kCharts> series_{};
    std::array<QValueAxis*, kCharts> x_{};
    std::array<QChartView*, kCharts> views_{};
};

#ifdef TARVEX_HAVE_QCUSTOMPLOT
class CustomPlot : public Contender {
public:
    CustomPlot() {
        const char* titles[kCharts] = {"Vol-Run chart", "Cur-Run Chart", "Pow-Run Chart"};
        for (int k = 0; k < kCharts; ++k) {
            plots_[k] = new QCustomPlot(&window_);
            plots_[k]->setGeometry(QRect(kPlaces[k], QSize(384, 155)));
            plots_[k]->plotLayout()->insertRow(0);
            plots_[k]->plotLayout()->addElement(
                0, 0, new QCPTextElement(plots_[k], QString::fromLatin1(titles[k])));
            graphs_[k] = plots_[k]->addGraph();
            graphs_[k]->setPen(QPen(Qt::red));
            plots_[k]->yAxis->setRange(0, kMaxima[k]);
        }
    }
    void Fill(int count, Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            QVector<QCPGraphData> data;
            data.reserve(count);
            for (int i = 0; i < count; ++i)
                data.append(QCPGraphData(i, readings.Next(k)));
            graphs_[k]->data()->add(data, true);
            plots_[k]->xAxis->setRange(0, std::max(count - 1, 1));
        }
    }
    void Reading(Readings& readings) override {
        for (int k = 0; k < kCharts; ++k) {
            const int n = graphs_[k]->dataCount();
            graphs_[k]->addData(n, readings.Next(k));
            plots_[k]->xAxis->setRange(0, n);
        }
        for (QCustomPlot* plot : plots_)
            plot->replot(QCustomPlot::rpImmediateRefresh);
    }

private:
    std::array<QCustomPlot*, kCharts> plots_{};
    std::array<QCPGraph*, kCharts> graphs_{};
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
Result Measure(const std::function<std::unique_ptr<Contender>()>& make, int count, bool quick) {
    Readings readings;
    const std::size_t heapBefore = HeapBytes();
    std::unique_ptr<Contender> contender = make();
    contender->Window().show();
    contender->Window().repaint();
    QCoreApplication::processEvents();
    const std::size_t heapEmpty = HeapBytes();
    contender->Window().hide();
    contender->Fill(count, readings);
    contender->Window().show();
    contender->Window().repaint();
    QCoreApplication::processEvents();
    const std::size_t heapFull = HeapBytes();

    Result result;
    result.heapBytesPerPoint = (double(heapFull) - double(heapEmpty)) / (double(count) * kCharts);
    if (auto* ours = dynamic_cast<Ours*>(contender.get()))
        result.ownBytesPerPoint = double(ours->SeriesBytes()) / (double(count) * kCharts);
    (void)heapBefore;

    for (int i = 0; i < 3; ++i) // warm up caches, fonts, glyphs
        contender->Reading(readings);
    const int wanted = quick ? 15 : 201;
    const qint64 budgetNs = (quick ? 1 : 6) * 1'000'000'000LL;
    std::vector<qint64> times;
    QElapsedTimer total;
    total.start();
    while (int(times.size()) < wanted && (times.size() < 3 || total.nsecsElapsed() < budgetNs)) {
        QElapsedTimer timer;
        timer.start();
        contender->Reading(readings);
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    result.samples = int(times.size());
    result.medianMs = double(times[times.size() / 2]) / 1e6;
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
        {"TChart", [] { return std::make_unique<Ours>(); }},
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
        Measure(library.make, 1000, true);

    std::vector<std::vector<Result>> results(libraries.size());
    std::printf("Append one point to each of three 384x155 charts and repaint them; median per "
                "reading.\n\n");
    std::printf("%-12s %10s %10s %8s %12s %12s\n", "library", "points", "ms/reading", "samples",
                "heap B/pt", "series B/pt");
    for (int count : counts) {
        for (std::size_t l = 0; l < libraries.size(); ++l) {
            const Result r = Measure(libraries[l].make, count, quick);
            results[l].push_back(r);
            std::printf("%-12s %10d %10.3f %8d %12.1f", libraries[l].name, count, r.medianMs,
                        r.samples, r.heapBytesPerPoint);
            if (r.ownBytesPerPoint > 0)
                std::printf(" %12.2f", r.ownBytesPerPoint);
            std::printf("\n");
            std::fflush(stdout);
        }
    }

    if (libraries.size() < 2 || std::strcmp(libraries[0].name, "TChart") != 0 || counts.size() < 2)
        return 0;
    std::printf("\nRatios (time of the other library / time of TChart):\n");
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
    std::printf("\nTChart at 1 M / TChart at 1 k: %.2fx (target <= 1.5x)\n", growth);
    for (std::size_t l = 1; l < libraries.size(); ++l) {
        const bool qtCharts = std::strcmp(libraries[l].name, "Qt Charts") == 0;
        std::printf("%s / TChart at 1 M: %.0fx (target >= %dx)\n", libraries[l].name,
                    results[l].back().medianMs / results[0].back().medianMs, qtCharts ? 100 : 10);
    }
    std::printf("TChart series bytes per point at 1 M: %.2f (target <= 12)\n",
                results[0].back().ownBytesPerPoint);
    return 0;
}
