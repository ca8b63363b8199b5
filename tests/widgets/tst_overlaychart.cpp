#include "widgets/ChartScale.h"
#include "widgets/OverlayChart.h"

#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <vector>

using namespace tarvex;

namespace {

constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

// --- colours -------------------------------------------------------------------

struct Lab {
    double l, a, b;
};

double linear(double channel) {
    channel /= 255;
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// Relative luminance as the contrast ratios of WCAG define it.
double luminance(QColor color) {
    return 0.2126 * linear(color.red()) + 0.7152 * linear(color.green()) +
           0.0722 * linear(color.blue());
}

double contrastWithWhite(QColor color) {
    return 1.05 / (luminance(color) + 0.05);
}

Lab toLab(QColor color) {
    const double r = linear(color.red()), g = linear(color.green()), b = linear(color.blue());
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) {
        return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
    };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

// The CIEDE2000 colour difference (Sharma, Wu and Dalal's formulation).
double colorDifference(QColor first, QColor second) {
    const Lab p = toLab(first), q = toLab(second);
    const double pi = std::acos(-1.0);
    auto radians = [&](double degrees) { return degrees * pi / 180; };
    auto degrees = [&](double angle) {
        const double d = angle * 180 / pi;
        return d < 0 ? d + 360 : d;
    };
    const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    const double cMean7 = std::pow((c1 + c2) / 2, 7);
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
    const double c1p = std::hypot(a1, p.b), c2p = std::hypot(a2, q.b);
    const double h1 = c1p == 0 ? 0 : degrees(std::atan2(p.b, a1));
    const double h2 = c2p == 0 ? 0 : degrees(std::atan2(q.b, a2));
    const double dL = q.l - p.l, dC = c2p - c1p;
    double dh = 0;
    if (c1p * c2p != 0) {
        dh = h2 - h1;
        if (dh > 180)
            dh -= 360;
        else if (dh < -180)
            dh += 360;
    }
    const double dH = 2 * std::sqrt(c1p * c2p) * std::sin(radians(dh / 2));
    const double lMean = (p.l + q.l) / 2, cMean = (c1p + c2p) / 2;
    double hMean = h1 + h2;
    if (c1p * c2p != 0) {
        if (std::abs(h1 - h2) <= 180)
            hMean = (h1 + h2) / 2;
        else
            hMean = h1 + h2 < 360 ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(radians(hMean - 30)) +
                     0.24 * std::cos(radians(2 * hMean)) + 0.32 * std::cos(radians(3 * hMean + 6)) -
                     0.20 * std::cos(radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cMeanP7 = std::pow(cMean, 7);
    const double rC = 2 * std::sqrt(cMeanP7 / (cMeanP7 + std::pow(25.0, 7)));
    const double sL = 1 + 0.015 * std::pow(lMean - 50, 2) / std::sqrt(20 + std::pow(lMean - 50, 2));
    const double sC = 1 + 0.045 * cMean;
    const double sH = 1 + 0.015 * cMean * t;
    const double rT = -std::sin(radians(2 * dTheta)) * rC;
    return std::sqrt(std::pow(dL / sL, 2) + std::pow(dC / sC, 2) + std::pow(dH / sH, 2) +
                     rT * (dC / sC) * (dH / sH));
}

// --- runs ----------------------------------------------------------------------

struct Run {
    std::vector<double> chargeAh;
    std::vector<double> elapsedSeconds;
    std::vector<float> volts;
};

OverlaySeries toSeries(const Run& run, const QString& label) {
    OverlaySeries series;
    series.label = label;
    series.chargeAh = run.chargeAh;
    series.elapsedSeconds = run.elapsedSeconds;
    series.volts = run.volts;
    return series;
}

// A run of count readings, in pieces: steady readings, readings at the same
// charge and time (repeated x), a jump in charge and time (readings missed),
// a gap of one to three NaN readings, a step, fast oscillation and a spike.
Run randomRun(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> kind(0, 6);
    std::uniform_real_distribution<double> unit(0, 1);
    const double capacity = 1.5 + unit(random);
    const double step = capacity / double(std::max<std::size_t>(count, 1));
    Run run;
    double charge = 0, elapsed = unit(random) * 0.2;
    float volts = 12.6f;
    while (run.volts.size() < count) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(
            1, std::max<std::size_t>(count / 25, 2))(random);
        const int what = kind(random);
        for (std::size_t k = 0; k < length && run.volts.size() < count; ++k) {
            float value = volts;
            switch (what) {
            case 0: // steady discharge
                charge += step * (0.5 + unit(random));
                elapsed += 0.2;
                volts -= float(0.5 * step + std::normal_distribution<double>(0, 0.003)(random));
                value = volts;
                break;
            case 1: // the same x again
                value = volts + float(unit(random) * 0.2 - 0.1);
                break;
            case 2: // readings missed: a jump in x
                if (k == 0) {
                    charge += step * 40 * unit(random);
                    elapsed += 30 * unit(random);
                }
                charge += step;
                elapsed += 0.2;
                break;
            case 3: // a gap
                charge += step;
                elapsed += 0.2;
                value = k % 17 < 1 + random() % 3 ? kGap : volts;
                break;
            case 4: // a step
                if (k == 0)
                    volts += float(unit(random) - 0.5);
                charge += step;
                elapsed += 0.2;
                value = volts;
                break;
            case 5: // oscillation
                charge += step;
                elapsed += 0.2;
                value = volts + (k % 2 ? 0.4f : -0.4f);
                break;
            default: // now and then a spike
                charge += step;
                elapsed += 0.2;
                value = k % 53 == 7 ? volts + (random() % 2 ? 3.0f : -4.0f) : volts;
                break;
            }
            run.chargeAh.push_back(charge);
            run.elapsedSeconds.push_back(elapsed);
            run.volts.push_back(value);
        }
    }
    return run;
}

// A discharge of count readings over capacity Ah at 1 A, from 12.6 V down.
Run discharge(std::size_t count, double capacity) {
    Run run;
    for (std::size_t i = 0; i < count; ++i) {
        const double drawn = capacity * double(i) / double(std::max<std::size_t>(count - 1, 1));
        run.chargeAh.push_back(drawn);
        run.elapsedSeconds.push_back(drawn * 3600);
        run.volts.push_back(float(12.6 - 2.1 * drawn / capacity));
    }
    return run;
}

// --- the chart as drawn --------------------------------------------------------

QImage render(OverlayChart& chart) {
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

VerticalScale rowsOf(const OverlayChart& chart) {
    const QRect plot = chart.plotRect();
    const auto [low, high] = chart.leftRange();
    return VerticalScale(plot.top(), plot.height(), low, high, chart.leftAxis().startPosition,
                         chart.leftAxis().endPosition);
}

HorizontalScale columnsOf(const OverlayChart& chart) {
    const QRect plot = chart.plotRect();
    return HorizontalScale(plot.left(), plot.right(), chart.bottomAxis().minimum,
                           chart.bottomAxis().maximum);
}

double xFactor(const OverlayChart& chart) {
    return chart.xAxis() == OverlayAxis::Charge ? 1 : 1 / chart.timeUnit().seconds;
}

// What drawing the lines through every single reading shows, run after run
// (later ones over earlier ones), each line lineWidth pixels wide, broken at
// every NaN: the reference for the chart's drawing.
QImage drawEveryPoint(const OverlayChart& chart, const std::vector<Run>& runs) {
    const VerticalScale rows = rowsOf(chart);
    const HorizontalScale columns = columnsOf(chart);
    const double factor = xFactor(chart);
    const QRect plot = chart.plotRect();
    const int width = chart.lineWidth();
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const Run& run = runs[k];
        const std::vector<double>& x =
            chart.xAxis() == OverlayAxis::Charge ? run.chargeAh : run.elapsedSeconds;
        LineSpans spans(plot.left(), plot.right());
        for (std::size_t i = 0; i < run.volts.size(); ++i) {
            if (std::isnan(run.volts[i]))
                spans.breakLine();
            else
                spans.lineTo(columns.column(x[i] * factor), rows.row(run.volts[i]));
        }
        const QRgb color = overlayColor(int(k)).rgb();
        for (int column = plot.left(); column <= plot.right(); ++column) {
            const LineSpans::Span& span = spans.at(column);
            if (span.isEmpty())
                continue;
            const int offset = (width - 1) / 2;
            for (int px = std::max(column - offset, plot.left());
                 px <= std::min(column - offset + width - 1, plot.right()); ++px)
                for (int y = std::max(span.top - offset, plot.top());
                     y <= std::min(span.bottom - offset + width - 1, plot.bottom()); ++y)
                    image.setPixel(px, y, color);
        }
    }
    return image;
}

// The pixels of one column of the plot that show a run's colour, as
// "row:run" texts.
QStringList runPixels(const QImage& image, const QRect& plot, int column, int runs) {
    std::map<QRgb, int> colors;
    for (int k = 0; k < runs; ++k)
        colors.emplace(overlayColor(k).rgb() | 0xFF000000, k);
    QStringList pixels;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        const auto found = colors.find(image.pixel(column, y) | 0xFF000000);
        if (found != colors.end())
            pixels << QStringLiteral("%1:%2").arg(y).arg(found->second);
    }
    return pixels;
}

// Compares, column by column across the plot, the runs' pixels of the chart
// as it draws itself with those of drawing every reading; returns where they
// first differ, or an empty text. litColumns tells how many columns show a
// line.
QString differenceFromEveryPoint(OverlayChart& chart, const std::vector<Run>& runs,
                                 int* litColumns = nullptr) {
    const QImage drawn = render(chart);
    const QImage naive = drawEveryPoint(chart, runs);
    const QRect plot = chart.plotRect();
    int lit = 0;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        const QStringList expected = runPixels(naive, plot, x, int(runs.size()));
        const QStringList actual = runPixels(drawn, plot, x, int(runs.size()));
        lit += !expected.isEmpty();
        if (actual != expected) {
            return QStringLiteral("column %1: every reading lights %2 pixels (%3 ...), the "
                                  "chart %4 (%5 ...)")
                .arg(x)
                .arg(expected.size())
                .arg(expected.mid(0, 4).join(QLatin1Char(' ')))
                .arg(actual.size())
                .arg(actual.mid(0, 4).join(QLatin1Char(' ')));
        }
    }
    if (litColumns)
        *litColumns = lit;
    return {};
}

// --- the mouse -----------------------------------------------------------------

void drag(QWidget& chart, Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(&chart, button, {}, from);
    QTest::mouseMove(&chart, (from + to) / 2);
    QTest::mouseMove(&chart, to);
    QTest::mouseRelease(&chart, button, {}, to);
}

void turnWheel(QWidget& chart, QPoint at, int eighthsOfADegree) {
    QWheelEvent event(QPointF(at), QPointF(chart.mapToGlobal(at)), QPoint(),
                      QPoint(0, eighthsOfADegree), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&chart, &event);
}

std::pair<double, double> bottomRange(const OverlayChart& chart) {
    return {chart.bottomAxis().minimum, chart.bottomAxis().maximum};
}

double valuesPerColumn(const OverlayChart& chart) {
    return (chart.bottomAxis().maximum - chart.bottomAxis().minimum) /
           (chart.plotRect().width() - 1);
}

double valuesPerRow(const OverlayChart& chart) {
    const auto [low, high] = chart.leftRange();
    return (high - low) / chart.plotRect().height();
}

// Drags a rectangle over x first..last and volts low..high.
void zoomWithTheMouse(OverlayChart& chart, double first, double last, double low, double high) {
    const HorizontalScale columns = columnsOf(chart);
    const VerticalScale rows = rowsOf(chart);
    drag(chart, Qt::LeftButton, QPoint(columns.column(first), rows.row(high)),
         QPoint(columns.column(last), rows.row(low)));
}

QMenu* chartMenu(QWidget& chart) {
    auto* menu = chart.findChild<QMenu*>(QStringLiteral("chartMenu"));
    return menu && menu->isVisible() ? menu : nullptr;
}

QMenu* openMenu(OverlayChart& chart) {
    QTest::mouseClick(&chart, Qt::RightButton, {}, chart.plotRect().center());
    return chartMenu(chart);
}

void chooseFromMenu(OverlayChart& chart, const QString& actionName) {
    QMenu* menu = openMenu(chart);
    QVERIFY(menu);
    auto* action = menu->findChild<QAction*>(actionName);
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    menu->close();
    action->trigger();
}

// Five discharges of 1001 readings from 1.6 to kLongest Ah.
constexpr double kLongest = 1.6 + 0.2 * 4;
void addDischarges(OverlayChart& chart) {
    chart.setTitle(QStringLiteral("Compare runs"));
    for (int k = 0; k < 5; ++k)
        chart.addSeries(
            toSeries(discharge(1001, 1.6 + 0.2 * k), QStringLiteral("cell %1").arg(k + 1)));
}

// A chart of the five discharges, 800 x 500, shown.
void showDischarges(OverlayChart& chart) {
    addDischarges(chart);
    chart.resize(800, 500);
    chart.show();
    // Active, so that the focus (and its frame) no longer changes.
    QVERIFY(QTest::qWaitForWindowActive(&chart));
}

std::vector<double> parseNumbers(const QString& text) {
    std::vector<double> numbers;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        numbers.push_back(word.toDouble());
    return numbers;
}

} // namespace

class TestOverlayChart : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    // --- pure functions ----------------------------------------------------------

    void readingsOfAColumn_data() {
        QTest::addColumn<QString>("x");
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("first"); // the view, over columns 10..19
        QTest::addColumn<double>("last");
        QTest::addColumn<QString>("ranges"); // [begin, end) of columns 9..20
        // One column per unit: column 10 holds 0 (from -0.5 up to 0.5), ...
        QTest::newRow("one reading a column")
            << "0 1 2 3 4 5 6 7 8 9" << 1.0 << 0.0 << 9.0
            << "0-0 0-1 1-2 2-3 3-4 4-5 5-6 6-7 7-8 8-9 9-10 10-10";
        QTest::newRow("repeated x values stay together")
            << "0 0 1 1 1 2 5 5 9" << 1.0 << 0.0 << 9.0
            << "0-0 0-2 2-5 5-6 6-6 6-6 6-8 8-8 8-8 8-8 8-9 9-9";
        QTest::newRow("all at one x")
            << "4 4 4 4" << 1.0 << 0.0 << 9.0 << "0-0 0-0 0-0 0-0 0-0 0-4 4-4 4-4 4-4 4-4 4-4 4-4";
        QTest::newRow("halves round up") << "0.49 0.5 1.49 1.5 8.5 8.51" << 1.0 << 0.0 << 9.0
                                         << "0-0 0-1 1-3 3-4 4-4 4-4 4-4 4-4 4-4 4-4 4-6 6-6";
        QTest::newRow("a zoomed view: readings beyond both ends")
            << "0 10 20 30 40 50 60 70 80 90 100 110 120" << 1.0 << 30.0 << 75.0
            << "3-3 3-4 4-4 4-5 5-5 5-6 6-6 6-7 7-7 7-8 8-8 8-9";
        QTest::newRow("seconds on a minute axis")
            << "0 20 59 60 100 140 600" << 1.0 / 60 << 0.0 << 9.0
            << "0-0 0-2 2-4 4-6 6-6 6-6 6-6 6-6 6-6 6-6 6-6 6-7";
        QTest::newRow("a view without width: all in the middle column")
            << "0 1 2" << 1.0 << 1.0 << 1.0 << "0-0 0-0 0-0 0-0 0-0 0-3 3-3 3-3 3-3 3-3 3-3 3-3";
        QTest::newRow("no readings")
            << "" << 1.0 << 0.0 << 9.0 << "0-0 0-0 0-0 0-0 0-0 0-0 0-0 0-0 0-0 0-0 0-0 0-0";
    }
    void readingsOfAColumn() {
        QFETCH(QString, x);
        QFETCH(double, factor);
        QFETCH(double, first);
        QFETCH(double, last);
        QFETCH(QString, ranges);
        const std::vector<double> values = parseNumbers(x);
        const SortedColumns columns(values.data(), std::int64_t(values.size()), factor,
                                    HorizontalScale(10, 19, first, last));
        QStringList found;
        for (int c = 9; c <= 20; ++c)
            found << QStringLiteral("%1-%2")
                         .arg(columns.firstIndex(c))
                         .arg(columns.firstIndex(c + 1));
        QCOMPARE(found.join(QLatin1Char(' ')), ranges);
        // Every reading lies in the column whose range holds it.
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int c = columns.column(std::int64_t(i));
            QVERIFY(columns.firstIndex(c) <= std::int64_t(i));
            QVERIFY(columns.firstIndex(c + 1) > std::int64_t(i));
        }
    }

    void readingsOfAColumnMatchAScan() {
        // Random runs of x values, with many repeats and long jumps, over
        // random views: the searches find what counting finds.
        std::mt19937_64 random(5);
        for (int round = 0; round < 400; ++round) {
            std::vector<double> x;
            double value = std::uniform_real_distribution<double>(-5, 5)(random);
            const auto count = std::size_t(random() % 3000);
            for (std::size_t i = 0; i < count; ++i) {
                const auto kind = random() % 10;
                if (kind < 3)
                    value += 0; // repeated
                else if (kind == 3)
                    value += std::uniform_real_distribution<double>(0, 50)(random);
                else
                    value += std::uniform_real_distribution<double>(0, 0.05)(random);
                x.push_back(value);
            }
            const double lowest = x.empty() ? 0 : x.front();
            const double highest = x.empty() ? 1 : x.back();
            const double first =
                std::uniform_real_distribution<double>(lowest - 1, highest)(random);
            const double last =
                first + std::uniform_real_distribution<double>(0.001, highest - first + 2)(random);
            const int firstColumn = int(random() % 100) - 50;
            const int lastColumn = firstColumn + int(random() % 1500);
            const double factor = random() % 2 ? 1.0 : 1.0 / 60;
            const HorizontalScale scale(firstColumn, lastColumn, first * factor, last * factor);
            const SortedColumns columns(x.data(), std::int64_t(x.size()), factor, scale);
            for (int c = firstColumn - 2; c <= lastColumn + 2; c += 1 + int(random() % 7)) {
                const auto counted = std::count_if(
                    x.begin(), x.end(), [&](double v) { return scale.column(v * factor) < c; });
                QCOMPARE(columns.firstIndex(c), std::int64_t(counted));
                // Galloping from any point at or before the answer finds it.
                const auto from = std::int64_t(random() % std::uint64_t(counted + 1));
                QCOMPARE(columns.firstIndexFrom(c, from), std::int64_t(counted));
            }
        }
    }

    void valuesOfAColumn() {
        // value() goes back from a column to the value at its centre.
        const HorizontalScale scale(20, 119, 1.5, 2.5);
        QCOMPARE(scale.column(1.5), 20);
        QCOMPARE(scale.column(2.5), 119);
        QCOMPARE(scale.value(20), 1.5);
        QCOMPARE(scale.value(119), 2.5);
        for (double v : {1.0, 1.73, 2.0, 2.49, 3.7})
            QVERIFY(std::abs(scale.value(scale.column(v)) - v) <= 0.5 / 99 + 1e-12);
        // Far outside the view, columns stay within reach.
        QVERIFY(scale.column(1e300) <= 20 + HorizontalScale::kColumnLimit);
        QVERIFY(scale.column(-1e300) >= 20 - HorizontalScale::kColumnLimit);
        QCOMPARE(HorizontalScale(0, 10, 3, 3).value(7), 3.0); // no width
    }

    void legendText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("label");
        QTest::addColumn<double>("ampHours");
        QTest::addColumn<QString>("text");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("label and charge") << english << "cell A" << 2.0344 << "cell A — 2.034 Ah";
        QTest::newRow("rounded to three decimals")
            << english << "cell A" << 2.03451 << "cell A — 2.035 Ah";
        QTest::newRow("three decimals always") << english << "B" << 2.0 << "B — 2.000 Ah";
        QTest::newRow("rounded to a whole") << english << "B" << 1.99951 << "B — 2.000 Ah";
        QTest::newRow("nothing drawn") << english << "B" << -0.0001 << "B — 0.000 Ah";
        QTest::newRow("thousands grouped") << english << "bank" << 1234.5 << "bank — 1,234.500 Ah";
        QTest::newRow("the locale's comma")
            << german << "Zelle 1" << 2.0344 << "Zelle 1 — 2,034 Ah";
        QTest::newRow("no label") << english << "" << 0.5 << "0.500 Ah";
        QTest::newRow("no charge") << english << "cell A" << nan << "cell A";
        QTest::newRow("infinite charge")
            << english << "cell A" << std::numeric_limits<double>::infinity() << "cell A";
        QTest::newRow("unicode label") << english << "电池 №3" << 1.25 << "电池 №3 — 1.250 Ah";
    }
    void legendText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, label);
        QFETCH(double, ampHours);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(overlayLegendText(label, ampHours), text);
    }

    void timeUnit_data() {
        QTest::addColumn<double>("longest");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("nothing yet") << 0.0 << 1.0 << "s";
        QTest::newRow("ten minutes") << 600.0 << 1.0 << "s";
        QTest::newRow("just over") << 600.5 << 60.0 << "min";
        QTest::newRow("ten hours") << 36000.0 << 60.0 << "min";
        QTest::newRow("a day") << 86400.0 << 3600.0 << "h";
    }
    void timeUnit() {
        QFETCH(double, longest);
        QFETCH(double, seconds);
        QFETCH(QString, symbol);
        const TimeUnit unit = timeAxisUnit(longest);
        QCOMPARE(unit.seconds, seconds);
        QCOMPARE(unit.symbol, symbol);
    }

    void paletteColorsAreApart_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("smallestDifference");
        // Two to seven runs are the usual comparison: their colours are the
        // most distinct.
        QTest::newRow("the first seven") << 0 << 7 << 19.0;
        QTest::newRow("all twenty") << 0 << kOverlayColorCount << 17.0;
    }
    void paletteColorsAreApart() {
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(double, smallestDifference);
        for (int i = first; i < first + count; ++i) {
            for (int j = first; j < i; ++j) {
                const double difference = colorDifference(overlayColor(i), overlayColor(j));
                QVERIFY2(difference >= smallestDifference,
                         qPrintable(QStringLiteral("%1 and %2: %3")
                                        .arg(overlayColor(i).name(), overlayColor(j).name())
                                        .arg(difference)));
            }
        }
    }

    void paletteReadsOnWhiteAndApartFromTheGrid() {
        for (int i = 0; i < kOverlayColorCount; ++i) {
            const QColor color = overlayColor(i);
            QVERIFY2(contrastWithWhite(color) >= 3.0, qPrintable(color.name()));
            QVERIFY2(colorDifference(color, Qt::gray) >= 17, qPrintable(color.name()));
            QVERIFY2(colorDifference(color, Qt::white) >= 30, qPrintable(color.name()));
        }
        // Indices beyond the palette go round it.
        QCOMPARE(overlayColor(kOverlayColorCount), overlayColor(0));
        QCOMPARE(overlayColor(-1), overlayColor(kOverlayColorCount - 1));
    }

    // --- the chart's contents -----------------------------------------------------

    void holdsUpToTwentyRuns() {
        OverlayChart chart;
        for (int k = 0; k < kOverlayColorCount; ++k) {
            QCOMPARE(chart.addSeries(
                         toSeries(discharge(10, 1 + k * 0.1), QStringLiteral("run %1").arg(k))),
                     k);
            QCOMPARE(chart.seriesColor(k), overlayColor(k));
        }
        QCOMPARE(chart.addSeries(toSeries(discharge(10, 5), QStringLiteral("one more"))), -1);
        QCOMPARE(chart.seriesCount(), kOverlayColorCount);
        QCOMPARE(chart.seriesLabel(19), QStringLiteral("run 19"));
        chart.clearSeries();
        QCOMPARE(chart.seriesCount(), 0);
        QCOMPARE(chart.addSeries(toSeries(discharge(10, 5), QStringLiteral("again"))), 0);
    }

    void xValuesAreTakenAsNonDecreasing_data() {
        QTest::addColumn<QString>("charge");
        QTest::addColumn<int>("readings");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<double>("legendCharge");
        QTest::newRow("as given") << "0 0.5 1 2" << 4 << 0.0 << 2.0 << 2.0;
        QTest::newRow("a value below the one before") << "0 0.5 0.2 0.7" << 4 << 0.0 << 0.7 << 0.7;
        QTest::newRow("NaN first: the first finite value")
            << "nan 0.3 0.4 0.5" << 4 << 0.3 << 0.5 << 0.5;
        QTest::newRow("NaN later: the value before") << "0.1 nan 0.4 nan" << 4 << 0.1 << 0.4 << 0.4;
        QTest::newRow("short: continued") << "0 1" << 4 << 0.0 << 1.0 << 1.0;
        QTest::newRow("long: cut") << "0 1 2 3 4 5" << 4 << 0.0 << 3.0 << 3.0;
    }
    void xValuesAreTakenAsNonDecreasing() {
        QFETCH(QString, charge);
        QFETCH(int, readings);
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(double, legendCharge);
        OverlaySeries series;
        series.label = QStringLiteral("cell");
        for (const QString& word : charge.split(QLatin1Char(' ')))
            series.chargeAh.push_back(word == QLatin1String("nan")
                                          ? std::numeric_limits<double>::quiet_NaN()
                                          : word.toDouble());
        series.elapsedSeconds = series.chargeAh;
        series.volts.assign(std::size_t(readings), 12.0f);
        OverlayChart chart;
        chart.addSeries(series);
        QCOMPARE(bottomRange(chart), std::make_pair(lowest, highest));
        QCOMPARE(chart.seriesAmpHours(0), legendCharge); // none given: the last charge
    }

    void legendAndAxisTitles() {
        OverlayChart chart;
        chart.setTitle(QStringLiteral("Compare runs"));
        QCOMPARE(chart.accessibleName(), QStringLiteral("Compare runs"));
        QCOMPARE(chart.focusPolicy(), Qt::StrongFocus);
        QCOMPARE(chart.leftAxis().title, QStringLiteral("Voltage / V"));
        QCOMPARE(chart.bottomAxis().title, QStringLiteral("Charge drawn / Ah"));
        chart.resize(800, 500);
        const int plotWithoutLegend = chart.plotRect().width();
        OverlaySeries a = toSeries(discharge(100, 2.0), QStringLiteral("cell A"));
        a.ampHours = 2.0344;
        chart.addSeries(a);
        chart.addSeries(toSeries(discharge(100, 1.5), QStringLiteral("cell B")));
        QCOMPARE(chart.accessibleDescription(),
                 QStringLiteral("cell A — 2.034 Ah\ncell B — 1.500 Ah"));
        // The legend takes room right of the plot, and shows each run's colour.
        QVERIFY(chart.plotRect().width() < plotWithoutLegend - 100);
        const QImage image = render(chart);
        const QRect plot = chart.plotRect();
        for (int k = 0; k < 2; ++k) {
            bool shown = false;
            for (int y = plot.top(); y <= plot.bottom() && !shown; ++y)
                for (int x = plot.right() + 2; x < image.width() && !shown; ++x)
                    shown = image.pixel(x, y) == overlayColor(k).rgb();
            QVERIFY2(shown, qPrintable(QString::number(k)));
        }
        // Time: the unit follows the longest run (2 h here, in minutes).
        chart.setXAxis(OverlayAxis::Time);
        QCOMPARE(chart.bottomAxis().title, QStringLiteral("Elapsed time / min"));
        QCOMPARE(chart.bottomAxis().minimum, 0.0);
        QCOMPARE(chart.bottomAxis().maximum, 120.0);
        // Twelve hours: in hours.
        chart.clearSeries();
        chart.addSeries(toSeries(discharge(100, 12.0), QStringLiteral("long")));
        QCOMPARE(chart.bottomAxis().title, QStringLiteral("Elapsed time / h"));
        QCOMPARE(chart.bottomAxis().maximum, 12.0);
    }

    // --- the drawing against drawing every reading ------------------------------

    void drawingEqualsEveryReading_data() {
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("readings");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("time");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("one run, few readings") << 1 << 12 << QSize(800, 500) << false << 1u;
        QTest::newRow("three runs, about one reading a column")
            << 3 << 600 << QSize(800, 500) << false << 2u;
        QTest::newRow("five runs of 20,000, by time")
            << 5 << 20000 << QSize(800, 500) << true << 3u;
        QTest::newRow("twenty runs of 5,000") << 20 << 5000 << QSize(900, 600) << false << 4u;
        QTest::newRow("twenty runs, small chart, by time")
            << 20 << 3000 << QSize(420, 260) << true << 5u;
        QTest::newRow("two runs of 200,000") << 2 << 200000 << QSize(1000, 400) << false << 6u;
    }
    void drawingEqualsEveryReading() {
        QFETCH(int, runs);
        QFETCH(int, readings);
        QFETCH(QSize, size);
        QFETCH(bool, time);
        QFETCH(unsigned, seed);
        OverlayChart chart;
        chart.setTitle(QStringLiteral("Compare runs"));
        chart.resize(size);
        std::vector<Run> all;
        std::mt19937 random(seed);
        for (int k = 0; k < runs; ++k) {
            // Runs of different lengths.
            const auto count = std::size_t(readings / 2 + int(random() % unsigned(readings)));
            all.push_back(randomRun(count, seed * 100 + unsigned(k)));
            chart.addSeries(toSeries(all.back(), QStringLiteral("run %1").arg(k)));
        }
        chart.setXAxis(time ? OverlayAxis::Time : OverlayAxis::Charge);
        int lit = 0;
        const QString difference = differenceFromEveryPoint(chart, all, &lit);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(lit >= std::min(readings / 2, chart.plotRect().width()) / 2);

        // Zoomed into a part, scrolled a little (the columns slide) and far
        // (they start afresh), then the other axis.
        const auto [first, last] = bottomRange(chart);
        const auto [low, high] = chart.leftRange();
        const double width = (last - first) / 7;
        for (double start : {first + width, first + width * 1.01, first + width * 1.2,
                             first + width * 0.9, last - width}) {
            chart.zoomTo({start, start + width, low + (high - low) / 3, high - (high - low) / 5});
            QVERIFY(chart.isZoomed());
            const QString zoomed = differenceFromEveryPoint(chart, all);
            QVERIFY2(zoomed.isEmpty(),
                     qPrintable(QStringLiteral("view from %1: %2").arg(start).arg(zoomed)));
        }
        chart.setXAxis(time ? OverlayAxis::Charge : OverlayAxis::Time);
        QVERIFY(!chart.isZoomed());
        const QString other = differenceFromEveryPoint(chart, all);
        QVERIFY2(other.isEmpty(), qPrintable(other));
    }

    void gapsAreNotBridged() {
        // Two readings far apart with a gap between: the columns between them
        // stay empty. Without the gap they are joined.
        OverlayChart chart;
        chart.resize(600, 400);
        Run run;
        run.chargeAh = {0, 0.1, 0.5, 0.9, 1.0};
        run.elapsedSeconds = {0, 1, 2, 3, 4};
        run.volts = {12, 12, kGap, 11, 11};
        chart.addSeries(toSeries(run, QStringLiteral("gap")));
        const HorizontalScale columns = columnsOf(chart);
        const QRect plot = chart.plotRect();
        auto lit = [&](const QImage& image, int column) {
            return !runPixels(image, plot, column, 1).isEmpty();
        };
        QImage image = render(chart);
        QVERIFY(lit(image, columns.column(0.05)));
        QVERIFY(lit(image, columns.column(0.95)));
        for (int c = columns.column(0.1) + 2; c < columns.column(0.9) - 1; ++c)
            QVERIFY2(!lit(image, c), qPrintable(QString::number(c)));

        chart.clearSeries();
        run.volts[2] = 11.5f;
        chart.addSeries(toSeries(run, QStringLiteral("no gap")));
        image = render(chart);
        for (int c = columns.column(0.1); c <= columns.column(0.9); ++c)
            QVERIFY2(lit(image, c), qPrintable(QString::number(c)));
    }

    void emptyChartDrawsItsFrame() {
        OverlayChart chart;
        chart.setTitle(QStringLiteral("Compare runs"));
        chart.resize(500, 300);
        const QImage image = render(chart);
        QCOMPARE(image.size(), QSize(500, 300));
        chart.zoomTo({0, 1, 0, 1}); // nothing to zoom into
        QVERIFY(!chart.isZoomed());
        turnWheel(chart, chart.plotRect().center(), 120);
        QVERIFY(!chart.isZoomed());
        // A single reading: nothing to zoom into either, and it is drawn.
        Run one;
        one.chargeAh = {0};
        one.elapsedSeconds = {0};
        one.volts = {12};
        chart.addSeries(toSeries(one, QStringLiteral("one")));
        chart.zoomTo({0, 1, 0, 20});
        QVERIFY(!chart.isZoomed());
        const QString difference = differenceFromEveryPoint(chart, {one});
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(!runPixels(render(chart), chart.plotRect(), chart.plotRect().center().x(), 1)
                     .isEmpty());
    }

    // --- zoom and scroll with the mouse -----------------------------------------

    void leftDragDownRightZoomsIntoTheRectangle() {
        OverlayChart chart;
        showDischarges(chart);
        const double perColumn = valuesPerColumn(chart);
        const double perRow = valuesPerRow(chart);
        zoomWithTheMouse(chart, 0.5, 1.5, 11.0, 12.0);
        QVERIFY(chart.isZoomed());
        QVERIFY2(std::abs(chart.bottomAxis().minimum - 0.5) <= perColumn,
                 qPrintable(QString::number(chart.bottomAxis().minimum)));
        QVERIFY2(std::abs(chart.bottomAxis().maximum - 1.5) <= perColumn,
                 qPrintable(QString::number(chart.bottomAxis().maximum)));
        const auto [low, high] = chart.leftRange();
        QVERIFY2(std::abs(low - 11.0) <= perRow, qPrintable(QString::number(low)));
        QVERIFY2(std::abs(high - 12.0) <= perRow, qPrintable(QString::number(high)));
        QCOMPARE(chart.accessibleName(), QStringLiteral("Compare runs"));
    }

    void gesturesShowAllAgain_data() {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("drag up-left") << "drag up-left";
        QTest::newRow("double click") << "double click";
        QTest::newRow("menu") << "menu";
    }
    void gesturesShowAllAgain() {
        QFETCH(QString, gesture);
        OverlayChart chart;
        showDischarges(chart);
        const QImage whole = render(chart);
        const auto wholeBottom = bottomRange(chart);
        const auto wholeLeft = chart.leftRange();
        zoomWithTheMouse(chart, 0.2, 1.2, 11.0, 12.5);
        QVERIFY(chart.isZoomed());
        zoomWithTheMouse(chart, 0.4, 0.6, 11.5, 12.0);
        QVERIFY(chart.bottomAxis().maximum - chart.bottomAxis().minimum < 0.25);
        const QPoint centre = chart.plotRect().center();
        if (gesture == QLatin1String("drag up-left"))
            drag(chart, Qt::LeftButton, centre, centre - QPoint(60, 40));
        else if (gesture == QLatin1String("double click"))
            QTest::mouseDClick(&chart, Qt::LeftButton, {}, centre);
        else
            chooseFromMenu(chart, QStringLiteral("showAllAction"));
        QVERIFY(!chart.isZoomed());
        QCOMPARE(bottomRange(chart), wholeBottom);
        QCOMPARE(chart.leftRange(), wholeLeft);
        QVERIFY(render(chart) == whole);
    }

    void rightDragScrollsTheZoomedView() {
        OverlayChart chart;
        showDischarges(chart);
        const QPoint centre = chart.plotRect().center();
        // Unzoomed there is nothing to scroll.
        drag(chart, Qt::RightButton, centre, centre + QPoint(50, 20));
        QVERIFY(!chart.isZoomed());
        QVERIFY(!chartMenu(chart));

        chart.zoomTo({0.8, 1.2, 11.0, 12.0});
        const double perColumn = valuesPerColumn(chart);
        const double perRow = valuesPerRow(chart);
        const double under = columnsOf(chart).value(centre.x());
        const double valueUnder = rowsOf(chart).value(centre.y() + 0.5);
        const QPoint to = centre + QPoint(50, 20);
        drag(chart, Qt::RightButton, centre, to);
        QVERIFY(!chartMenu(chart));
        // What was under the pointer moved with it; the view kept its size.
        const auto view = chart.zoomedView();
        QVERIFY(view);
        QVERIFY(std::abs(view->last - view->first - 0.4) < 1e-9);
        QVERIFY(std::abs(view->high - view->low - 1.0) < 1e-9);
        QVERIFY2(std::abs(columnsOf(chart).value(to.x()) - under) <= perColumn,
                 qPrintable(QString::number(view->first)));
        QVERIFY2(std::abs(rowsOf(chart).value(to.y() + 0.5) - valueUnder) <= perRow,
                 qPrintable(QString::number(view->low)));
        // Scrolling stops at the ends of the runs.
        chart.zoomTo({0.1, 0.5, 11.0, 12.0});
        drag(chart, Qt::RightButton, QPoint(chart.plotRect().left() + 2, centre.y()),
             QPoint(chart.plotRect().right(), centre.y()));
        QCOMPARE(chart.zoomedView()->first, 0.0);
        QVERIFY(std::abs(chart.zoomedView()->last - 0.4) < 1e-9);
        chart.zoomTo({2.0, 2.4, 11.0, 12.0});
        drag(chart, Qt::RightButton, QPoint(chart.plotRect().right() - 2, centre.y()),
             QPoint(chart.plotRect().left(), centre.y()));
        QVERIFY(std::abs(chart.zoomedView()->last - 2.4) < 1e-9);
    }

    void wheelZoomsTheBottomAxisAroundThePointer() {
        OverlayChart chart;
        showDischarges(chart);
        const auto left = chart.leftRange();
        const QPoint pointer(columnsOf(chart).column(1.8), chart.plotRect().center().y());
        const double under = columnsOf(chart).value(pointer.x());
        turnWheel(chart, pointer, 120);
        QVERIFY(chart.isZoomed());
        QVERIFY(std::abs(chart.bottomAxis().maximum - chart.bottomAxis().minimum - 2.4 / 1.25) <
                1e-9);
        QCOMPARE(chart.leftRange(), left);
        QVERIFY(std::abs(columnsOf(chart).value(pointer.x()) - under) < 1e-9);
        // In as far as it goes: the labels' three decimals still part.
        for (int notch = 0; notch < 60; ++notch)
            turnWheel(chart, pointer, 120);
        QVERIFY(std::abs(chart.bottomAxis().maximum - chart.bottomAxis().minimum - 0.002) < 1e-9);
        QVERIFY(std::abs(columnsOf(chart).value(pointer.x()) - under) < 1e-6);
        for (int notch = 0; notch < 200 && chart.isZoomed(); ++notch)
            turnWheel(chart, pointer, -60);
        QVERIFY(!chart.isZoomed());
        QCOMPARE(bottomRange(chart), std::make_pair(0.0, kLongest));
    }

    void switchingTheAxisShowsAll() {
        OverlayChart chart;
        showDischarges(chart);
        chart.zoomTo({0.5, 1.0, 11, 12});
        QVERIFY(chart.isZoomed());
        chart.setXAxis(OverlayAxis::Time);
        QVERIFY(!chart.isZoomed());
        QCOMPARE(chart.xAxis(), OverlayAxis::Time);
        QCOMPARE(chart.bottomAxis().minimum, 0.0);
        QCOMPARE(chart.bottomAxis().maximum, kLongest * 60); // minutes
        chart.setXAxis(OverlayAxis::Charge);
        QCOMPARE(bottomRange(chart), std::make_pair(0.0, kLongest));
    }

    // --- the keyboard and the menu -------------------------------------------------

    void keyboardOpensTheMenu_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Menu key") << "Menu key";
        QTest::newRow("Shift+F10") << "Shift+F10";
    }
    void keyboardOpensTheMenu() {
        QFETCH(QString, how);
        QWidget window;
        auto* before = new QWidget(&window);
        before->setFocusPolicy(Qt::StrongFocus);
        auto* chart = new OverlayChart(&window);
        chart->setGeometry(0, 30, 600, 400);
        chart->addSeries(toSeries(discharge(100, 2), QStringLiteral("cell")));
        window.resize(600, 430);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab); // the chart takes the focus from Tab
        QTRY_VERIFY(chart->hasFocus());
        if (how == QLatin1String("Menu key")) {
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(),
                                      chart->mapToGlobal(QPoint()));
            QApplication::sendEvent(chart, &menuKey);
        } else {
            QTest::keyClick(chart, Qt::Key_F10, Qt::ShiftModifier);
        }
        QMenu* menu = chartMenu(*chart);
        QVERIFY(menu);
        QCOMPARE(menu->pos(), chart->mapToGlobal(chart->plotRect().center()));
        QStringList texts;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        QCOMPARE(texts, (QStringList{QStringLiteral("Copy picture"),
                                     QStringLiteral("Copy picture at 2\u00d7"),
                                     QStringLiteral("Save picture as PNG\u2026"),
                                     QStringLiteral("Save picture at 2\u00d7 as PNG\u2026"),
                                     QStringLiteral("Show all")}));
        menu->close();
        // F10 alone is not the menu.
        QTest::keyClick(chart, Qt::Key_F10);
        QVERIFY(!chartMenu(*chart));
    }

    void copiedPictureIsTheChartWithoutTheFocusFrame_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("scale");
        QTest::newRow("real size") << "copyPictureAction" << 1;
        QTest::newRow("2x for print") << "copyPrintPictureAction" << 2;
    }
    void copiedPictureIsTheChartWithoutTheFocusFrame() {
        QFETCH(QString, action);
        QFETCH(int, scale);
        QWidget window;
        auto* before = new QWidget(&window);
        before->setFocusPolicy(Qt::StrongFocus);
        auto* chart = new OverlayChart(&window);
        addDischarges(*chart);
        chart->setGeometry(0, 30, 800, 500);
        window.resize(800, 530);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        chart->zoomTo({0.5, 1.5, 11, 12.5});
        before->setFocus();
        const QImage unfocused = render(*chart);
        // Reached with Tab, the chart shows its focus.
        QTest::keyClick(before, Qt::Key_Tab);
        QTRY_VERIFY(chart->hasFocus());
        QVERIFY(render(*chart) != unfocused);
        QGuiApplication::clipboard()->clear();
        chooseFromMenu(*chart, action);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(800, 500) * scale);
        QCOMPARE(copied.dotsPerMeterX(), int(std::lround(96.0 * scale / 0.0254)));
        if (scale == 1)
            QVERIFY(copied.convertToFormat(QImage::Format_RGB32) == unfocused);
    }

    void savedPictureIsAValidPng_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("proposedName");
        QTest::addColumn<QSize>("size");
        QTest::newRow("real size") << "savePictureAction"
                                   << "compareChart.png" << QSize(800, 500);
        QTest::newRow("2x for print") << "savePrintPictureAction"
                                      << "compareChart@2x.png" << QSize(1600, 1000);
    }
    void savedPictureIsAValidPng() {
        QFETCH(QString, action);
        QFETCH(QString, proposedName);
        QFETCH(QSize, size);
        QTemporaryDir dir;
        OverlayChart chart;
        chart.setObjectName(QStringLiteral("compareChart"));
        showDischarges(chart);
        QStringList asked;
        QString answer = dir.filePath(QStringLiteral("five cells"));
        const SaveFileNameAsker previousAsker =
            setSaveFileNameAsker([&](const SaveFileRequest& request) {
                asked << request.caption << QFileInfo(request.proposedPath).fileName();
                [&] {
                    QCOMPARE(request.parent, static_cast<QWidget*>(&chart));
                    QVERIFY(!request.options.testFlag(QFileDialog::DontConfirmOverwrite));
                }();
                return answer;
            });
        const auto restoreAsker = qScopeGuard([&] { setSaveFileNameAsker(previousAsker); });
        chooseFromMenu(chart, action);
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked[0].startsWith(QStringLiteral("Save picture")));
        QCOMPARE(asked[1], proposedName);
        const QString file = answer + QStringLiteral(".png");
        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), size);
        const QImage saved = reader.read();
        QVERIFY(saved.convertToFormat(QImage::Format_RGB32) ==
                chart.picture(size.width() / 800.0).convertToFormat(QImage::Format_RGB32));

        // Cancelled, nothing more is written; unwritable, the operator is told.
        answer.clear();
        chooseFromMenu(chart, action);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});
        QList<MessageRequest> boxes;
        const MessageHandler previous = setMessageHandler([&](const MessageRequest& request) {
            boxes << request;
            return QMessageBox::Ok;
        });
        const auto restoreHandler = qScopeGuard([&] { setMessageHandler(previous); });
        answer = dir.filePath(QStringLiteral("missing/folder.png"));
        chooseFromMenu(chart, action);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].icon, QMessageBox::Warning);
        QVERIFY2(boxes[0].text.contains(QStringLiteral("folder.png")), qPrintable(boxes[0].text));
    }
};

QTEST_MAIN(TestOverlayChart)
#include "tst_overlaychart.moc"
