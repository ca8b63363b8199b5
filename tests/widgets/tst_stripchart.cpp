#include "widgets/ChartScale.h"
#include "widgets/RunChart.h"
#include "widgets/StripChart.h"

#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace tarvex;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);

bool isRed(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & 0xFFFFFF) == (kRed & 0xFFFFFF);
}

// Rows of the red pixels in one column of the image.
std::vector<int> redRows(const QImage& image, int x) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (isRed(image, x, y))
            rows.push_back(y);
    return rows;
}

QImage render(StripChart& chart) {
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The left axis of the chart as drawn, and the bottom axis of its points
// (the zoomed view's when zoomed).
VerticalScale rowsOf(const StripChart& chart) {
    const QRect plot = chart.plotRect();
    const auto [low, high] = chart.leftRange();
    return VerticalScale(plot.top(), plot.height(), low, high, chart.leftAxis().startPosition,
                         chart.leftAxis().endPosition);
}
IndexColumns columnsOf(const StripChart& chart) {
    const QRect plot = chart.plotRect();
    const auto count = std::int64_t(chart.series().count());
    if (const auto view = chart.zoomedView())
        return IndexColumns(count, plot.left(), plot.right(), view->first, view->last);
    return IndexColumns(count, plot.left(), plot.right());
}

// What drawing the line through every single point shows: the reference for
// the chart's reduced drawing. Painted here, pixel by pixel, from the spans.
QImage drawEveryPoint(const StripChart& chart, const std::vector<float>& values) {
    const VerticalScale rows = rowsOf(chart);
    const IndexColumns columns = columnsOf(chart);
    const QRect plot = chart.plotRect();
    LineSpans spans(plot.left(), plot.right());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!std::isnan(values[i]))
            spans.lineTo(columns.column(std::int64_t(i)), rows.row(values[i]));
    }
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = plot.left(); x <= plot.right(); ++x) {
        const LineSpans::Span& span = spans.at(x);
        for (int y = std::max(span.top, plot.top()); y <= std::min(span.bottom, plot.bottom()); ++y)
            image.setPixel(x, y, kRed);
    }
    return image;
}

// Compares, column by column across the plot, the red pixels of the chart as
// it draws itself with those of drawing every point; returns where they first
// differ, or an empty text. litColumns tells how many columns show the line.
QString differenceFromEveryPoint(StripChart& chart, const std::vector<float>& values,
                                 int* litColumns = nullptr) {
    const QImage reduced = render(chart);
    const QImage naive = drawEveryPoint(chart, values);
    const QRect plot = chart.plotRect();
    int lit = 0;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        const std::vector<int> expected = redRows(naive, x);
        const std::vector<int> actual = redRows(reduced, x);
        lit += !expected.empty();
        if (actual != expected) {
            auto describe = [](const std::vector<int>& rows) {
                return rows.empty() ? QStringLiteral("none")
                                    : QStringLiteral("%1 rows %2..%3")
                                          .arg(rows.size())
                                          .arg(rows.front())
                                          .arg(rows.back());
            };
            return QStringLiteral("%1 points, column %2: every point lights %3, the chart %4")
                .arg(values.size())
                .arg(x)
                .arg(describe(expected), describe(actual));
        }
    }
    if (litColumns)
        *litColumns = lit;
    return {};
}

// A series of readings on a 0..4 axis, made of pieces: random walks, steps,
// constant runs, lone spikes far outside the axis, fast oscillation, and a
// rare NaN.
std::vector<float> mixedSeries(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> level(-0.3f, 4.3f);
    std::uniform_int_distribution<int> kind(0, 5);
    std::vector<float> values;
    values.reserve(count);
    float current = level(random);
    while (values.size() < count) {
        const std::size_t run = std::uniform_int_distribution<std::size_t>(
            1, std::max<std::size_t>(count / 20, 2))(random);
        const int what = kind(random);
        for (std::size_t k = 0; k < run && values.size() < count; ++k) {
            switch (what) {
            case 0: // random walk
                current += std::normal_distribution<float>(0, 0.05f)(random);
                values.push_back(current);
                break;
            case 1: // constant run
                values.push_back(current);
                break;
            case 2: // step, then flat
                if (k == 0)
                    current = level(random);
                values.push_back(current);
                break;
            case 3: // spike every so often
                values.push_back(k % 97 == 13 ? (random() % 2 ? 1e6f : -50.f) : current);
                break;
            case 4: // oscillation over the whole axis
                values.push_back(k % 2 ? 0.1f : 3.9f);
                break;
            default: // NaN now and then
                values.push_back(k % 211 == 5 ? std::numeric_limits<float>::quiet_NaN() : current);
                break;
            }
        }
    }
    return values;
}

// The current run chart, shown, with count points of a slow ramp from 0.5 to
// 3.5 A.
void showRamp(StripChart& chart, int count) {
    configureRunChart(chart, RunChart::Current);
    for (int i = 0; i < count; ++i)
        chart.series().append(0.5 + 3.0 * i / count);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
}

void drag(StripChart& chart, Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(&chart, button, {}, from);
    QTest::mouseMove(&chart, (from + to) / 2);
    QTest::mouseMove(&chart, to);
    QTest::mouseRelease(&chart, button, {}, to);
}

void turnWheel(StripChart& chart, QPoint at, int eighthsOfADegree) {
    QWheelEvent event(QPointF(at), QPointF(chart.mapToGlobal(at)), QPoint(),
                      QPoint(0, eighthsOfADegree), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&chart, &event);
}

std::pair<double, double> bottomRange(const StripChart& chart) {
    return {chart.bottomAxis().minimum, chart.bottomAxis().maximum};
}

// Indices per pixel column and values per pixel row of the chart as shown.
double indicesPerColumn(const StripChart& chart) {
    return (chart.bottomAxis().maximum - chart.bottomAxis().minimum) /
           (chart.plotRect().width() - 1);
}
double valuesPerRow(const StripChart& chart) {
    const auto [low, high] = chart.leftRange();
    const ChartAxis& left = chart.leftAxis();
    return (high - low) /
           (chart.plotRect().height() * (left.endPosition - left.startPosition) / 100);
}

// Zooms with the mouse into the points first..last and the values low..high.
void zoomWithTheMouse(StripChart& chart, int first, int last, double low, double high) {
    const IndexColumns columns = columnsOf(chart);
    const VerticalScale rows = rowsOf(chart);
    drag(chart, Qt::LeftButton, QPoint(columns.column(first), rows.row(high)),
         QPoint(columns.column(last), rows.row(low)));
}

QMenu* openMenu(StripChart& chart) {
    QTest::mouseClick(&chart, Qt::RightButton, {}, chart.plotRect().center());
    auto* menu = chart.findChild<QMenu*>(QStringLiteral("chartMenu"));
    return menu && menu->isVisible() ? menu : nullptr;
}

void chooseFromMenu(StripChart& chart, const QString& actionName) {
    QMenu* menu = openMenu(chart);
    QVERIFY(menu);
    auto* action = menu->findChild<QAction*>(actionName);
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    menu->close();
    action->trigger();
}

} // namespace

class TestStripChart : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    // --- labels and ticks ---------------------------------------------------

    void labelText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("thousands") << us << 1000.0 << "1,000";
        QTest::newRow("half") << us << 0.5 << "0.5";
        QTest::newRow("two decimals") << us << 2.25 << "2.25";
        QTest::newRow("zero") << us << 0.0 << "0";
        QTest::newRow("millions, three decimals") << us << 1234567.891 << "1,234,567.891";
        QTest::newRow("rounded to three decimals") << us << 2.0004 << "2";
        QTest::newRow("sum with binary error") << us << 0.1 + 0.2 << "0.3";
        QTest::newRow("tiny negative is zero") << us << -0.0001 << "0";
        QTest::newRow("negative") << us << -1500.5 << "-1,500.5";
        QTest::newRow("C locale groups too") << QLocale::c() << 12000.0 << "12,000";
        QTest::newRow("German thousands") << de << 1000.0 << "1.000";
        QTest::newRow("German decimals") << de << 2.25 << "2,25";
    }
    void labelText() {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(formatAxisLabel(value), text);
    }

    void labelPlacement_data() {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("spacing");
        QTest::addColumn<double>("minStep");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("minorTicks");
        // The three run charts' left axes (about 105 px long, labels 24 px apart).
        QTest::newRow("voltage") << 0.0 << 360.0 << 105.0 << 24.0 << 0.0
                                 << QStringList{"0", "100", "200", "300"} << 11;
        QTest::newRow("current") << 0.0 << 4.0 << 105.0 << 24.0 << 0.0
                                 << QStringList{"0", "1", "2", "3", "4"} << 12;
        QTest::newRow("power") << 0.0 << 200.0 << 105.0 << 24.0 << 0.0
                               << QStringList{"0", "50", "100", "150", "200"} << 12;
        QTest::newRow("half steps")
            << 0.0 << 4.0 << 200.0 << 24.0 << 0.0
            << QStringList{"0", "0.5", "1", "1.5", "2", "2.5", "3", "3.5", "4"} << 24;
        // Bottom axis after three readings: point numbers step by at least 1.
        QTest::newRow("three points")
            << 0.0 << 2.0 << 330.0 << 16.0 << 1.0 << QStringList{"0", "1", "2"} << 6;
        QTest::newRow("a million points")
            << 0.0 << 999999.0 << 330.0 << 60.0 << 1.0
            << QStringList{"0", "200,000", "400,000", "600,000", "800,000"} << 15;
        QTest::newRow("range off zero")
            << 2.3 << 7.9 << 150.0 << 20.0 << 0.0 << QStringList{"3", "4", "5", "6", "7"} << 17;
        QTest::newRow("no length") << 0.0 << 0.0 << 330.0 << 16.0 << 1.0 << QStringList{"0"} << 0;
    }
    void labelPlacement() {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, length);
        QFETCH(double, spacing);
        QFETCH(double, minStep);
        QFETCH(QStringList, labels);
        QFETCH(int, minorTicks);
        const double step = axisLabelStep(min, max, length, spacing, minStep);
        QStringList texts;
        for (double value : axisLabelValues(min, max, step))
            texts << formatAxisLabel(value);
        QCOMPARE(texts, labels);
        if (labels.size() > 1)
            QVERIFY(step / (max - min) * length >= spacing);
        const std::vector<double> minor = axisMinorTickValues(min, max, step, 3);
        QCOMPARE(int(minor.size()), minorTicks);
        for (double value : minor)
            QVERIFY(value >= min && value <= max);
    }

    void minorTicksLieBetweenLabels() {
        // 0..360 by 100 with 3 minor ticks: quarters, also beyond the last label.
        const std::vector<double> minor = axisMinorTickValues(0, 360, 100, 3);
        const std::vector<double> expected{25, 50, 75, 125, 150, 175, 225, 250, 275, 325, 350};
        QCOMPARE(minor.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(minor[i], expected[i]);
    }

    // --- mapping of points to pixels ----------------------------------------

    void columnsOfIndices() {
        // Every point count against every plot width, and some large counts:
        // the ends land on the first and last column, columns never go back,
        // and FirstIndex is exactly the inverse that the reduction relies on.
        std::mt19937_64 random(5);
        auto check = [](std::int64_t count, int first, int last) {
            const IndexColumns columns(count, first, last);
            if (count >= 2) {
                QCOMPARE(columns.column(0), first);
                QCOMPARE(columns.column(count - 1), last);
            }
            for (int c = first - 1; c <= last + 1; ++c) {
                const std::int64_t i = columns.firstIndex(c);
                QVERIFY2(i >= 0 && i <= count, qPrintable(QString::number(c)));
                if (i < count)
                    QVERIFY(columns.column(i) >= c);
                if (i > 0)
                    QVERIFY2(columns.column(i - 1) < c,
                             qPrintable(QStringLiteral("count %1 first %2 last %3 column %4")
                                            .arg(count)
                                            .arg(first)
                                            .arg(last)
                                            .arg(c)));
            }
        };
        for (std::int64_t count = 1; count <= 70; ++count)
            for (int width = 1; width <= 40; ++width)
                check(count, 7, 7 + width - 1);
        for (int k = 0; k < 200; ++k) {
            const auto count = std::int64_t(random() % 2'000'000'000) + 1;
            const int width = int(random() % 4000) + 1;
            check(count, 30, 30 + width - 1);
        }
    }

    void rowsOfValues() {
        // 0..4 with EndPosition 98 on a plot 100 rows high from row 20.
        const VerticalScale rows(20, 100, 0, 4, 0, 98);
        QCOMPARE(rows.row(4), 20);      // maximum on the top row
        QCOMPARE(rows.row(0), 20 + 98); // zero 2 % above the bottom edge (row 120)
        QCOMPARE(rows.row(2), 20 + 49);
        QVERIFY(rows.row(4.01) < 20); // above the maximum: above the plot
        QVERIFY(rows.row(-1) >= 120); // below zero: possibly below the plot
        QCOMPARE(rows.row(std::numeric_limits<double>::infinity()), -1'000'000);
        int previous = rows.row(-10);
        for (double v = -10; v <= 10; v += 0.001) {
            const int row = rows.row(v);
            QVERIFY(row <= previous);
            previous = row;
        }
    }

    void segmentPixels_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("spans"); // "top-bottom" per column from the left
        QTest::newRow("steep up") << QPoint(0, 10) << QPoint(1, 0) << "5-10 0-5";
        QTest::newRow("steep down") << QPoint(0, 0) << QPoint(1, 10) << "0-5 5-10";
        QTest::newRow("middle between rows") << QPoint(0, 0) << QPoint(1, 3) << "0-1 2-3";
        QTest::newRow("middle between rows, up") << QPoint(0, 3) << QPoint(1, 0) << "2-3 0-1";
        QTest::newRow("flat") << QPoint(0, 4) << QPoint(3, 4) << "4-4 4-4 4-4 4-4";
        QTest::newRow("shallow") << QPoint(0, 0) << QPoint(4, 2) << "0-0 1-1 1-1 2-2 2-2";
        QTest::newRow("one row over ten columns")
            << QPoint(0, 0) << QPoint(10, 1) << "0-0 0-0 0-0 0-0 0-0 1-1 1-1 1-1 1-1 1-1 1-1";
        QTest::newRow("steep over three columns") << QPoint(0, 0) << QPoint(2, 9) << "0-2 3-6 7-9";
        QTest::newRow("same column") << QPoint(1, 7) << QPoint(1, 2) << "- 2-7";
    }
    void segmentPixels() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QString, spans);
        // Traced either way, the segment lights the same pixels.
        for (bool reverse : {false, true}) {
            LineSpans line(0, int(spans.split(' ').size()) - 1);
            const QPoint a = reverse ? to : from;
            const QPoint b = reverse ? from : to;
            line.lineTo(a.x(), a.y());
            line.lineTo(b.x(), b.y());
            QStringList lit;
            for (int x = line.firstColumn(); x <= line.lastColumn(); ++x) {
                const LineSpans::Span& span = line.at(x);
                lit << (span.isEmpty() ? QStringLiteral("-")
                                       : QStringLiteral("%1-%2").arg(span.top).arg(span.bottom));
            }
            QCOMPARE(lit.join(' '), spans);
        }
    }

    void segmentsAreUnbrokenLines() {
        // Random segments: the ends are lit, nothing beyond their rows, and
        // neighbouring columns meet, so the line has no gaps.
        std::mt19937 random(3);
        for (int k = 0; k < 3000; ++k) {
            const int length = int(random() % 40) + 1;
            const int r1 = int(random() % 400) - 200;
            const int r2 = int(random() % 400) - 200;
            LineSpans line(10, 10 + length);
            line.lineTo(10, r1);
            line.lineTo(10 + length, r2);
            QVERIFY(line.at(10).top <= r1 && r1 <= line.at(10).bottom);
            QVERIFY(line.at(10 + length).top <= r2 && r2 <= line.at(10 + length).bottom);
            for (int x = 10; x <= 10 + length; ++x) {
                const LineSpans::Span& span = line.at(x);
                QVERIFY(!span.isEmpty());
                QVERIFY(span.top >= std::min(r1, r2) && span.bottom <= std::max(r1, r2));
                if (x > 10) {
                    const LineSpans::Span& left = line.at(x - 1);
                    QVERIFY2(span.top <= left.bottom + 1 && left.top <= span.bottom + 1,
                             qPrintable(QStringLiteral("%1 to %2 over %3, column %4")
                                            .arg(r1)
                                            .arg(r2)
                                            .arg(length)
                                            .arg(x)));
                }
            }
        }
    }

    // --- the series' storage ------------------------------------------------

    void extentMatchesScan() {
        // Ranges of every alignment over pyramids of awkward sizes.
        std::mt19937 random(11);
        for (std::size_t count : {1u, 15u, 16u, 17u, 64u, 65u, 1000u, 65536u + 300u, 300000u}) {
            const std::vector<float> values = mixedSeries(count, unsigned(count));
            MinMaxPyramid pyramid;
            for (float v : values)
                pyramid.append(v);
            QCOMPARE(pyramid.count(), count);
            for (int k = 0; k < 300; ++k) {
                std::size_t a = random() % count;
                std::size_t b = random() % count;
                if (a > b)
                    std::swap(a, b);
                ++b;
                MinMax scan;
                for (std::size_t i = a; i < b; ++i)
                    scan.add(values[i]);
                const MinMax extent = pyramid.extent(a, b);
                if (scan.isEmpty()) {
                    QVERIFY(extent.isEmpty());
                    continue;
                }
                QCOMPARE(extent.min, scan.min);
                QCOMPARE(extent.max, scan.max);
            }
            for (std::size_t i = 0; i < count; i += 997)
                QCOMPARE(pyramid.value(i), values[i]);
        }
    }

    void memoryPerPoint_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("1 k") << 1000;
        QTest::newRow("10 k") << 10000;
        QTest::newRow("1 M") << 1000000;
        QTest::newRow("2.1 M") << 2100000;
    }
    void memoryPerPoint() {
        QFETCH(int, count);
        StripChart chart;
        for (int i = 0; i < count; ++i)
            chart.series().append(i % 7);
        const double perPoint = double(chart.series().memoryBytes()) / count;
        QVERIFY2(perPoint <= 12, qPrintable(QString::number(perPoint)));
    }

    // --- the control window's charts ----------------------------------------

    void runChartSetup_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("seriesTitle");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("tickLength");
        QTest::addColumn<int>("minorCount");
        QTest::addColumn<int>("minorLength");
        QTest::newRow("voltage") << int(RunChart::Voltage) << "voltageChart"
                                 << "Vol-Run chart"
                                 << "VolChart" << 360.0 << 0 << 0 << 0;
        QTest::newRow("current") << int(RunChart::Current) << "currentChart"
                                 << "Cur-Run Chart"
                                 << "CurChart" << 4.0 << 4 << 3 << 2;
        QTest::newRow("power") << int(RunChart::Power) << "powerChart"
                               << "Pow-Run Chart"
                               << "PowChart" << 200.0 << 4 << 3 << 2;
    }
    void runChartSetup() {
        QFETCH(int, which);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, seriesTitle);
        QFETCH(double, maximum);
        QFETCH(int, tickLength);
        QFETCH(int, minorCount);
        QFETCH(int, minorLength);
        StripChart chart;
        LineSeries& series = configureRunChart(chart, RunChart(which));
        QCOMPARE(&series, &chart.series());
        QCOMPARE(chart.objectName(), name);
        QCOMPARE(chart.size(), QSize(384, 155));
        QCOMPARE(chart.title(), title);
        QCOMPARE(chart.accessibleName(), title);
        QCOMPARE(chart.titleFont().family(), QStringLiteral("MS Serif"));
        QCOMPARE(chart.titleFont().pixelSize(), 11);
        QCOMPARE(chart.titleFont().weight(), QFont::Normal);
        QVERIFY(!chart.titleFont().italic());
        QCOMPARE(chart.titleColor(), QColor(0, 0, 255));
        const ChartAxis& left = chart.leftAxis();
        QVERIFY(!left.automatic);
        QCOMPARE(left.minimum, 0.0);
        QCOMPARE(left.maximum, maximum);
        QCOMPARE(left.endPosition, 98.0);
        QCOMPARE(left.tickLength, tickLength);
        QCOMPARE(left.minorTickCount, minorCount);
        QCOMPARE(left.minorTickLength, minorLength);
        QVERIFY(left.gridVisible);
        QVERIFY(chart.bottomAxis().automatic);
        QVERIFY(chart.bottomAxis().gridVisible);
        QCOMPARE(series.title(), seriesTitle);
        QCOMPARE(series.color(), QColor(255, 0, 0));
        QCOMPARE(series.count(), std::size_t(0));

        // The left axis stays put whatever is added.
        series.append(maximum * 3);
        series.append(-maximum);
        QCOMPARE(chart.leftRange(), std::make_pair(0.0, maximum));
    }

    void appendNumbersPoints() {
        StripChart chart;
        LineSeries& series = configureRunChart(chart, RunChart::Voltage);
        QCOMPARE(series.append(12.5), std::size_t(0));
        QCOMPARE(chart.bottomAxis().minimum, 0.0);
        QCOMPARE(chart.bottomAxis().maximum, 0.0);
        QCOMPARE(series.append(12.25), std::size_t(1));
        QCOMPARE(series.append(11.75), std::size_t(2));
        QCOMPARE(series.count(), std::size_t(3));
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(series.xValue(i), double(i));
        QCOMPARE(series.yValue(0), 12.5);
        QCOMPARE(series.yValue(1), 12.25);
        QCOMPARE(series.yValue(2), 11.75);
        QCOMPARE(chart.bottomAxis().minimum, 0.0);
        QCOMPARE(chart.bottomAxis().maximum, 2.0);
        // A pause in polling changes nothing: the next point simply follows.
        QCOMPARE(series.append(11.5), std::size_t(3));
        QCOMPARE(chart.bottomAxis().maximum, 3.0);

        // Drawn: the first point on the plot's first column, the last on its
        // last, each at its value's row.
        const QImage image = render(chart);
        const QRect plot = chart.plotRect();
        const VerticalScale rows = rowsOf(chart);
        QVERIFY(isRed(image, plot.left(), rows.row(12.5)));
        QVERIFY(isRed(image, plot.right(), rows.row(11.5)));
    }

    void valueAboveMaximumIsClippedAtTheTop() {
        StripChart chart;
        LineSeries& series = configureRunChart(chart, RunChart::Current);
        series.append(0);
        series.append(9.5); // far above 4 A
        series.append(4);   // exactly the maximum
        series.append(0);
        const QImage image = render(chart);
        const QRect plot = chart.plotRect();
        // Zero lies 2 % of the plot height above its bottom edge.
        const int zeroRow = plot.top() + int(std::floor(plot.height() * 0.98));
        QVERIFY(isRed(image, plot.left(), zeroRow));
        QVERIFY(isRed(image, plot.right(), zeroRow));
        // The line to the spike leaves through the top row; the maximum lies
        // on it...
        const IndexColumns columns = columnsOf(chart);
        int leaves = 0;
        for (int x = columns.column(0); x <= columns.column(1); ++x)
            leaves += isRed(image, x, plot.top());
        QVERIFY(leaves >= 1);
        QVERIFY(isRed(image, columns.column(2), plot.top()));
        // ...and nothing red lies outside the plot.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!plot.contains(x, y))
                    QVERIFY2(!isRed(image, x, y),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // --- the reduced drawing against drawing every point ---------------------

    void reducedDrawingEqualsEveryPoint_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<unsigned>("seed");
        const int counts[] = {10, 100, 383, 1000, 12345, 100000, 1000000};
        const QSize sizes[] = {{384, 155}, {97, 80}, {1013, 300}};
        unsigned seed = 1;
        for (int count : counts) {
            for (const QSize& size : sizes) {
                QTest::addRow("%d points, %dx%d", count, size.width(), size.height())
                    << count << size.width() << size.height() << seed++;
            }
        }
    }
    void reducedDrawingEqualsEveryPoint() {
        QFETCH(int, count);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(unsigned, seed);
        StripChart chart;
        configureRunChart(chart, RunChart::Current);
        chart.setFixedSize(width, height);
        const std::vector<float> values = mixedSeries(std::size_t(count), seed);
        for (float v : values)
            chart.series().append(v);

        int litColumns = 0;
        const QString difference = differenceFromEveryPoint(chart, values, &litColumns);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        const QRect plot = chart.plotRect();
        // Guard against comparing two empty pictures.
        QVERIFY(litColumns >= std::min(count, plot.width()) / 2);
    }

    void drawingStaysExactAsPointsArrive_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("batches");
        QTest::addColumn<int>("largestBatch");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("first readings, one at a time") << 0 << 400 << 1 << 21u;
        QTest::newRow("a few thousand, one to three at a time") << 5000 << 150 << 3 << 22u;
        QTest::newRow("many, in uneven batches") << 200000 << 60 << 500 << 23u;
    }
    void drawingStaysExactAsPointsArrive() {
        // The chart keeps each column's extent from one repaint to the next;
        // after every batch of readings it must still draw every point.
        QFETCH(int, start);
        QFETCH(int, batches);
        QFETCH(int, largestBatch);
        QFETCH(unsigned, seed);
        const std::vector<float> all =
            mixedSeries(std::size_t(start + batches * largestBatch), seed);
        std::mt19937 random(seed);
        StripChart chart;
        configureRunChart(chart, RunChart::Current);
        std::vector<float> shown(all.begin(), all.begin() + start);
        for (float v : shown)
            chart.series().append(v);
        for (int b = 0; b < batches; ++b) {
            const int size = int(random() % unsigned(largestBatch)) + 1;
            for (int k = 0; k < size; ++k) {
                shown.push_back(all[shown.size()]);
                chart.series().append(shown.back());
            }
            if (b == batches / 2)
                chart.setFixedSize(300, 120); // a new layout starts afresh
            const QString difference = differenceFromEveryPoint(chart, shown);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
    }
    // --- zoom and scroll: the layout ------------------------------------------

    void columnsOfAView() {
        // A view's ends land on the plot's ends, the points beyond lie beyond
        // them, FirstIndex stays the inverse of Column, and IndexAt goes back
        // from a column to the index that lies there.
        std::mt19937_64 random(8);
        for (int k = 0; k < 3000; ++k) {
            const auto count = std::int64_t(random() % (k < 2000 ? 200 : 2'000'000'000)) + 2;
            // Whole or fractional ends, at least one point apart.
            std::uniform_real_distribution<double> fraction(0, 1);
            double first = double(random() % std::uint64_t(count - 1));
            double last =
                first + 1 + double(random() % std::uint64_t(count - 1 - std::int64_t(first)));
            if (k % 2) {
                first += fraction(random) * 0.999;
                last = std::max(first + 1, last - fraction(random) * 0.999);
            }
            const int width = int(random() % 2000) + 1;
            const IndexColumns columns(count, 50, 50 + width - 1, first, last);
            const QString where = QStringLiteral("count %1 view %2..%3 width %4")
                                      .arg(count)
                                      .arg(first)
                                      .arg(last)
                                      .arg(width);
            const auto firstWhole = std::int64_t(std::ceil(first));
            const auto lastWhole = std::int64_t(std::floor(last));
            if (first == double(firstWhole))
                QCOMPARE(columns.column(firstWhole), 50);
            if (last == double(lastWhole))
                QCOMPARE(columns.column(lastWhole), 50 + width - 1);
            QVERIFY2(columns.column(firstWhole) >= 50, qPrintable(where));
            QVERIFY2(columns.column(lastWhole) <= 50 + width - 1, qPrintable(where));
            if (firstWhole > 0)
                QVERIFY2(columns.column(firstWhole - 1) <= 50, qPrintable(where));
            if (lastWhole + 1 < count)
                QVERIFY2(columns.column(lastWhole + 1) >= 50 + width - 1, qPrintable(where));
            for (int c = 47; c <= 50 + width + 2; c += std::max(1, width / 50)) {
                const std::int64_t i = columns.firstIndex(c);
                QVERIFY2(i >= 0 && i <= count, qPrintable(where));
                if (i < count)
                    QVERIFY2(columns.column(i) >= c, qPrintable(where));
                if (i > 0)
                    QVERIFY2(columns.column(i - 1) < c, qPrintable(where));
            }
            const std::int64_t inside =
                firstWhole + std::int64_t(random() % std::uint64_t(lastWhole - firstWhole + 1));
            const double perColumn = (last - first) / std::max(width - 1, 1);
            QVERIFY2(width == 1 || std::abs(columns.indexAt(columns.column(inside)) -
                                            double(inside)) <= perColumn / 2 + 1e-6,
                     qPrintable(where));
        }
        // The view of the whole series is the whole series.
        for (std::int64_t count : {2, 3, 383, 384, 385, 1'000'000}) {
            const IndexColumns whole(count, 10, 392);
            const IndexColumns view(count, 10, 392, 0, count - 1);
            for (std::int64_t i = 0; i < count; i += 1 + count / 997)
                QCOMPARE(view.column(i), whole.column(i));
            for (int c = 8; c <= 394; ++c)
                QCOMPARE(view.firstIndex(c), whole.firstIndex(c));
        }
    }

    void rowsBackToValues() {
        const VerticalScale rows(20, 100, 0, 4, 0, 98);
        QCOMPARE(rows.value(20), 4.0);
        QCOMPARE(rows.value(20 + 98), 0.0);
        for (double v : {-1.0, 0.3, 2.0, 3.999, 7.5})
            QVERIFY(std::abs(rows.value(rows.row(v)) - v) <= 4 / 98.0);
        QCOMPARE(VerticalScale(0, 50, 2, 2).value(10), 2.0); // no range
    }

    void wheelRange_data() {
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::addColumn<double>("anchor");
        QTest::addColumn<double>("factor");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<double>("newFirst");
        QTest::addColumn<double>("newLast");
        QTest::newRow("in, middle") << 0.0 << 1000.0 << 500.0 << 0.8 << 1001LL << 100.0 << 900.0;
        QTest::newRow("in, left end") << 0.0 << 1000.0 << 0.0 << 0.5 << 1001LL << 0.0 << 500.0;
        QTest::newRow("in, right end")
            << 0.0 << 1000.0 << 1000.0 << 0.5 << 1001LL << 500.0 << 1000.0;
        QTest::newRow("in, a third across")
            << 300.0 << 600.0 << 400.0 << 0.5 << 1001LL << 350.0 << 500.0;
        QTest::newRow("in, between points")
            << 10.0 << 14.0 << 11.0 << 0.5 << 1001LL << 10.5 << 12.5;
        QTest::newRow("out past the whole")
            << 100.0 << 900.0 << 500.0 << 2.0 << 1001LL << 0.0 << 1000.0;
        QTest::newRow("out, held at the start")
            << 0.0 << 100.0 << 10.0 << 2.0 << 1001LL << 0.0 << 200.0;
        QTest::newRow("out, held at the end")
            << 900.0 << 1000.0 << 990.0 << 2.0 << 1001LL << 800.0 << 1000.0;
        QTest::newRow("in, no closer than a point")
            << 10.0 << 11.5 << 10.75 << 0.5 << 1001LL << 10.25 << 11.25;
        QTest::newRow("two points") << 0.0 << 1.0 << 0.0 << 0.5 << 2LL << 0.0 << 1.0;
    }
    void wheelRange() {
        QFETCH(double, first);
        QFETCH(double, last);
        QFETCH(double, anchor);
        QFETCH(double, factor);
        QFETCH(qint64, count);
        QFETCH(double, newFirst);
        QFETCH(double, newLast);
        const auto range = scaledIndexRange(first, last, anchor, factor, count, 1);
        QCOMPARE(range.first, newFirst);
        QCOMPARE(range.second, newLast);
    }

    void zoomedDrawingEqualsEveryPoint_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("10 of 1000, middle") << 1000 << 495.0 << 505.0 << 0.0 << 4.0 << 31u;
        QTest::newRow("one point apart") << 1000 << 17.0 << 18.0 << 0.0 << 4.0 << 32u;
        QTest::newRow("between points") << 1000 << 17.3 << 18.6 << 0.0 << 4.0 << 38u;
        QTest::newRow("start of the history") << 100000 << 0.0 << 2000.0 << 1.0 << 3.0 << 33u;
        QTest::newRow("end of the history") << 100000 << 97000.25 << 99999.0 << -1.0 << 5.0 << 34u;
        QTest::newRow("about one point per column")
            << 100000 << 5000.0 << 5383.0 << 0.0 << 4.0 << 35u;
        QTest::newRow("a tenth of a million")
            << 1000000 << 450000.5 << 550000.0 << 0.5 << 3.5 << 36u;
        QTest::newRow("a narrow band of values")
            << 100000 << 20000.0 << 20100.0 << 1.9 << 2.1 << 37u;
    }
    void zoomedDrawingEqualsEveryPoint() {
        QFETCH(int, count);
        QFETCH(double, first);
        QFETCH(double, last);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(unsigned, seed);
        StripChart chart;
        configureRunChart(chart, RunChart::Current);
        const std::vector<float> values = mixedSeries(std::size_t(count), seed);
        for (float v : values)
            chart.series().append(v);
        chart.zoomTo({first, last, low, high});
        QVERIFY(chart.isZoomed());
        QCOMPARE(bottomRange(chart), std::make_pair(first, last));
        QCOMPARE(chart.leftRange(), std::make_pair(low, high));
        const QString difference = differenceFromEveryPoint(chart, values);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));

        // Scrolled a little (the columns slide) and far (they start afresh).
        for (double shift : {1.0, 7.0, -3.0, 0.4, 5000.0}) {
            const double width = last - first;
            first = std::clamp(first + shift, 0.0, count - 1 - width);
            last = first + width;
            chart.zoomTo({first, last, low, high});
            const QString scrolled = differenceFromEveryPoint(chart, values);
            QVERIFY2(scrolled.isEmpty(), qPrintable(scrolled));
        }
    }

    // --- zoom and scroll: the mouse -------------------------------------------

    void leftDragDownRightZoomsIntoTheRectangle() {
        StripChart chart;
        showRamp(chart, 1001);
        const QImage whole = render(chart);
        const double perColumn = indicesPerColumn(chart);
        const double perRow = valuesPerRow(chart);
        zoomWithTheMouse(chart, 250, 750, 1.0, 3.0);

        QVERIFY(chart.isZoomed());
        QVERIFY2(std::abs(chart.bottomAxis().minimum - 250) <= perColumn,
                 qPrintable(QString::number(chart.bottomAxis().minimum)));
        QVERIFY2(std::abs(chart.bottomAxis().maximum - 750) <= perColumn,
                 qPrintable(QString::number(chart.bottomAxis().maximum)));
        const auto [low, high] = chart.leftRange();
        QVERIFY2(std::abs(low - 1.0) <= perRow, qPrintable(QString::number(low)));
        QVERIFY2(std::abs(high - 3.0) <= perRow, qPrintable(QString::number(high)));

        // The title tells it; the names stay.
        QCOMPARE(chart.title(), QStringLiteral("Cur-Run Chart"));
        QCOMPARE(chart.accessibleName(), QStringLiteral("Cur-Run Chart"));
        const QImage zoomed = render(chart);
        const QRect titleBand(0, 0, chart.width(), chart.plotRect().top() - 1);
        QVERIFY(zoomed.copy(titleBand) != whole.copy(titleBand));
        // The line as drawn in the view.
        std::vector<float> values;
        for (int i = 0; i < 1001; ++i)
            values.push_back(0.5f + 3.0f * float(i) / 1001);
        const QString difference = differenceFromEveryPoint(chart, values);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void gesturesShowAllAgain_data() {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("drag up-left") << "drag up-left";
        QTest::newRow("double click") << "double click";
        QTest::newRow("menu") << "menu";
    }
    void gesturesShowAllAgain() {
        QFETCH(QString, gesture);
        StripChart chart;
        showRamp(chart, 1001);
        const QImage whole = render(chart);
        const auto wholeBottom = bottomRange(chart);
        const auto wholeLeft = chart.leftRange();
        zoomWithTheMouse(chart, 100, 300, 0.5, 2.0);
        QVERIFY(chart.isZoomed());
        // Zooming further into the zoomed view still comes back to the whole.
        zoomWithTheMouse(chart, 150, 250, 1.0, 1.5);
        QVERIFY(chart.bottomAxis().maximum - chart.bottomAxis().minimum < 120);

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
        // And the bottom axis follows the points again.
        chart.series().append(2);
        QCOMPARE(chart.bottomAxis().maximum, 1001.0);
    }

    void otherDragsLeaveTheViewAlone_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("move");
        QTest::newRow("left, down-left") << Qt::LeftButton << QPoint(-60, 40);
        QTest::newRow("left, up-right") << Qt::LeftButton << QPoint(60, -40);
        QTest::newRow("left, only across") << Qt::LeftButton << QPoint(60, 0);
        QTest::newRow("left, too short") << Qt::LeftButton << QPoint(3, 3);
        QTest::newRow("middle") << Qt::MiddleButton << QPoint(60, 40);
    }
    void otherDragsLeaveTheViewAlone() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, move);
        StripChart chart;
        showRamp(chart, 1001);
        const QPoint centre = chart.plotRect().center();
        // Unzoomed, nothing zooms...
        drag(chart, button, centre, centre + move);
        QVERIFY(!chart.isZoomed());
        // ...and zoomed, nothing moves.
        chart.zoomTo({100, 600, 1, 3});
        const auto view = chart.zoomedView();
        drag(chart, button, centre, centre + move);
        QCOMPARE(chart.zoomedView(), view);
    }

    void dragThatLostItsReleaseDoesNotStick() {
        // A modal box took the mouse during a drag: the release went to
        // another widget.
        QWidget window;
        QWidget other(&window);
        auto* chart = new StripChart(&window);
        configureRunChart(*chart, RunChart::Current);
        for (int i = 0; i < 1001; ++i)
            chart->series().append(0.5 + 3.0 * i / 1001);
        other.setGeometry(0, 160, 100, 100);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mousePress(chart, Qt::LeftButton, {}, chart->plotRect().topLeft());
        QTest::mouseMove(chart, chart->plotRect().center());
        QTest::mouseRelease(&other, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!chart->isZoomed());
        // The next drag zooms as it should, from where it starts.
        zoomWithTheMouse(*chart, 500, 900, 1.0, 3.0);
        QVERIFY(chart->isZoomed());
        QVERIFY2(std::abs(chart->bottomAxis().minimum - 500) <= 3,
                 qPrintable(QString::number(chart->bottomAxis().minimum)));
        QVERIFY2(std::abs(chart->bottomAxis().maximum - 900) <= 3,
                 qPrintable(QString::number(chart->bottomAxis().maximum)));
    }

    void appendedPointsLeaveAZoomedViewStill_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("earlier points") << 100 << 400;
        QTest::newRow("up to the newest point") << 600 << 1000;
    }
    void appendedPointsLeaveAZoomedViewStill() {
        QFETCH(int, first);
        QFETCH(int, last);
        StripChart chart;
        showRamp(chart, 1001);
        zoomWithTheMouse(chart, first, last, 0.5, 3.5);
        QVERIFY(chart.isZoomed());
        const auto bottom = bottomRange(chart);
        const auto left = chart.leftRange();
        const QImage before = render(chart);
        for (int i = 0; i < 2000; ++i)
            chart.series().append(3.9 - i * 0.001);
        QCOMPARE(bottomRange(chart), bottom);
        QCOMPARE(chart.leftRange(), left);
        const QImage after = render(chart);
        // Only the line may go on to the new points, past the right edge.
        const int edge = chart.plotRect().right();
        QCOMPARE(after.copy(0, 0, edge - 1, after.height()),
                 before.copy(0, 0, edge - 1, before.height()));
        chart.showAll();
        QCOMPARE(chart.bottomAxis().maximum, 3000.0);
    }

    void rightDragScrollsTheZoomedView() {
        StripChart chart;
        showRamp(chart, 1001);
        // Unzoomed there is nothing to scroll, and a drag opens no menu.
        const QPoint centre = chart.plotRect().center();
        drag(chart, Qt::RightButton, centre, centre + QPoint(50, 20));
        QVERIFY(!chart.isZoomed());
        QVERIFY(!chart.findChild<QMenu*>(QStringLiteral("chartMenu")));

        chart.zoomTo({400, 600, 1.0, 2.0});
        const double perColumn = indicesPerColumn(chart);
        const double perRow = valuesPerRow(chart);
        const IndexColumns columns = columnsOf(chart);
        const VerticalScale rows = rowsOf(chart);
        const QPoint from = centre;
        const QPoint to = centre + QPoint(50, 20);
        const double indexUnder = columns.indexAt(from.x());
        const double valueUnder = rows.value(from.y() + 0.5);
        drag(chart, Qt::RightButton, from, to);
        QVERIFY(!chart.findChild<QMenu*>(QStringLiteral("chartMenu")));

        // What was under the pointer moved with it; the view kept its size.
        const auto view = chart.zoomedView();
        QVERIFY(view);
        QCOMPARE(view->last - view->first, 200.0);
        QVERIFY(std::abs(view->high - view->low - 1.0) < 1e-9);
        QVERIFY2(std::abs(columnsOf(chart).indexAt(to.x()) - indexUnder) <= perColumn,
                 qPrintable(QString::number(view->first)));
        QVERIFY2(std::abs(rowsOf(chart).value(to.y() + 0.5) - valueUnder) <= perRow,
                 qPrintable(QString::number(view->low)));

        // Scrolling stops at the start of the history.
        chart.zoomTo({100, 300, 1.0, 2.0});
        drag(chart, Qt::RightButton, QPoint(chart.plotRect().left() + 2, centre.y()),
             QPoint(chart.plotRect().right(), centre.y()));
        QCOMPARE(chart.zoomedView()->first, 0.0);
        QCOMPARE(chart.zoomedView()->last, 200.0);
    }

    void wheelZoomsTheBottomAxisAroundThePointer() {
        StripChart chart;
        showRamp(chart, 1001);
        const auto left = chart.leftRange();
        const QPoint pointer(columnsOf(chart).column(800), chart.plotRect().center().y());
        const double under = columnsOf(chart).indexAt(pointer.x());
        auto underPointer = [&] { return columnsOf(chart).indexAt(pointer.x()); };

        turnWheel(chart, pointer, 120); // one notch away from the operator: closer
        QVERIFY(chart.isZoomed());
        QCOMPARE(chart.bottomAxis().maximum - chart.bottomAxis().minimum, 800.0);
        QCOMPARE(chart.leftRange(), left);
        QVERIFY(std::abs(underPointer() - under) < 1e-6);

        for (int notch = 0; notch < 40; ++notch)
            turnWheel(chart, pointer, 120);
        QCOMPARE(chart.bottomAxis().maximum - chart.bottomAxis().minimum, 1.0);
        QVERIFY(std::abs(underPointer() - under) < 1e-6);

        // Out again, by half notches of a fine wheel, to the whole history.
        for (int notch = 0; notch < 200 && chart.isZoomed(); ++notch)
            turnWheel(chart, pointer, -60);
        QVERIFY(!chart.isZoomed());
        QCOMPARE(bottomRange(chart), std::make_pair(0.0, 1000.0));
    }

    // The keyboard's zoom and scroll, on a chart that has the focus: + and -
    // as a notch of the wheel amid the plot, the arrows move the view by a
    // tenth of its width or height, Home shows all again. Keys with Ctrl or Alt are left to others.
    void keyboardZoomsAndScrolls_data() {
        QTest::addColumn<bool>("zoomed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expect");
        const int none = Qt::NoModifier;
        QTest::newRow("+ zooms in")
            << false << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << "narrower";
        QTest::newRow("= (the + key unshifted)")
            << false << int(Qt::Key_Equal) << none << "narrower";
        QTest::newRow("+ on the keypad")
            << false << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << "narrower";
        QTest::newRow("- zooms out") << true << int(Qt::Key_Minus) << none << "wider";
        QTest::newRow("Left shows earlier points")
            << true << int(Qt::Key_Left) << none << "earlier";
        QTest::newRow("Right shows later points") << true << int(Qt::Key_Right) << none << "later";
        QTest::newRow("Up shows higher values") << true << int(Qt::Key_Up) << none << "higher";
        QTest::newRow("Down shows lower values") << true << int(Qt::Key_Down) << none << "lower";
        QTest::newRow("Home shows all") << true << int(Qt::Key_Home) << none << "whole";
        QTest::newRow("arrows do nothing unzoomed")
            << false << int(Qt::Key_Left) << none << "unchanged";
        QTest::newRow("Ctrl++ is not the chart's")
            << false << int(Qt::Key_Plus) << int(Qt::ControlModifier) << "unchanged";
    }
    void keyboardZoomsAndScrolls() {
        QFETCH(bool, zoomed);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expect);
        StripChart chart;
        showRamp(chart, 1001);
        QCOMPARE(chart.focusPolicy(), Qt::StrongFocus);
        if (zoomed)
            chart.zoomTo({400, 600, 1.0, 2.0});
        const ChartView before = chart.zoomedView().value_or(
            ChartView{0, 1000, chart.leftRange().first, chart.leftRange().second});
        const double columnShift = (before.last - before.first) / 10;
        const double rowShift = (before.high - before.low) / 10;
        const double centre = columnsOf(chart).indexAt(chart.plotRect().center().x());
        QTest::keyClick(&chart, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const ChartView after = chart.zoomedView().value_or(
            ChartView{0, 1000, chart.leftRange().first, chart.leftRange().second});
        const double width = before.last - before.first;
        const auto near = [](double a, double b, double within) {
            return std::abs(a - b) <= within;
        };
        if (expect == QLatin1String("narrower")) {
            QVERIFY(chart.isZoomed());
            QCOMPARE(after.last - after.first, width / 1.25);
            // Around the middle of the plot, as the wheel is around the pointer.
            QVERIFY2(near(columnsOf(chart).indexAt(chart.plotRect().center().x()), centre, 1e-6),
                     qPrintable(QString::number(after.first)));
        } else if (expect == QLatin1String("wider")) {
            QCOMPARE(after.last - after.first, width * 1.25);
        } else if (expect == QLatin1String("earlier") || expect == QLatin1String("later")) {
            const double sign = expect == QLatin1String("earlier") ? -1 : 1;
            QVERIFY2(near(after.first - before.first, sign * columnShift, 1e-6),
                     qPrintable(QString::number(after.first)));
            QCOMPARE(after.last - after.first, width);
            QCOMPARE(after.low, before.low);
        } else if (expect == QLatin1String("higher") || expect == QLatin1String("lower")) {
            const double sign = expect == QLatin1String("higher") ? 1 : -1;
            QVERIFY2(near(after.low - before.low, sign * rowShift, 1e-9),
                     qPrintable(QString::number(after.low)));
            QVERIFY(near(after.high - after.low, before.high - before.low, 1e-9));
            QCOMPARE(after.first, before.first);
        } else if (expect == QLatin1String("whole")) {
            QVERIFY(!chart.isZoomed());
            QCOMPARE(bottomRange(chart), std::make_pair(0.0, 1000.0));
        } else {
            QCOMPARE(chart.isZoomed(), zoomed);
            QCOMPARE(after, before);
        }
    }

    // Tab gives the chart the focus; Shift+F10 then opens its menu amid the
    // plot.
    void tabAndShiftF10OpenTheMenu() {
        QWidget window;
        auto* before = new QWidget(&window);
        before->setFocusPolicy(Qt::StrongFocus);
        auto* chart = new StripChart(&window);
        configureRunChart(*chart, RunChart::Voltage);
        for (int i = 0; i < 100; ++i)
            chart->series().append(12.0 - i / 100.0);
        chart->move(0, 30);
        window.resize(400, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
        QTRY_VERIFY(chart->hasFocus());
        QTest::keyClick(chart, Qt::Key_F10, Qt::ShiftModifier);
        auto* menu = chart->findChild<QMenu*>(QStringLiteral("chartMenu"));
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->pos(), chart->mapToGlobal(chart->plotRect().center()));
        menu->close();
    }

    // --- the menu and pictures ------------------------------------------------

    void rightClickOpensTheMenu() {
        StripChart chart;
        showRamp(chart, 1001);
        QMenu* menu = openMenu(chart);
        QVERIFY(menu);
        QStringList texts;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        QCOMPARE(texts, (QStringList{QStringLiteral("Copy picture"),
                                     QStringLiteral("Copy picture at 2\u00d7"),
                                     QStringLiteral("Save picture as PNG\u2026"),
                                     QStringLiteral("Save picture at 2\u00d7 as PNG\u2026"),
                                     QStringLiteral("Show all")}));
        auto* showAll = menu->findChild<QAction*>(QStringLiteral("showAllAction"));
        QVERIFY(!showAll->isEnabled()); // nothing to show
        menu->close();
        chart.zoomTo({10, 20, 1, 2});
        menu = openMenu(chart);
        QVERIFY(menu);
        QVERIFY(showAll->isEnabled());
        menu->close();
        QVERIFY(chart.isZoomed()); // opening the menu changed nothing
    }

    void copiedPictureIsTheChartAsShown_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("scale");
        QTest::newRow("real size") << "copyPictureAction" << 1;
        QTest::newRow("2x for print") << "copyPrintPictureAction" << 2;
    }
    void copiedPictureIsTheChartAsShown() {
        QFETCH(QString, action);
        QFETCH(int, scale);
        StripChart chart;
        showRamp(chart, 1001);
        chart.setObjectName(QStringLiteral("voltageChart"));
        chart.zoomTo({100, 300, 0.5, 2.5});
        QGuiApplication::clipboard()->clear();
        chooseFromMenu(chart, action);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(384, 155) * scale);
        if (scale == 1)
            QVERIFY(copied.convertToFormat(QImage::Format_RGB32) == render(chart));
        // Drawn at the finer pixels, not enlarged: the line is one fine pixel
        // thick where it runs flat.
        const QImage fine = chart.picture(scale).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(fine.size(), copied.size());
        QCOMPARE(fine.dotsPerMeterX(), int(std::lround(96.0 * scale / 0.0254)));
        int red = 0;
        for (int y = 0; y < fine.height(); ++y)
            for (int x = 0; x < fine.width(); ++x)
                red += isRed(fine, x, y);
        QVERIFY2(red >= chart.plotRect().width() * scale &&
                     red < chart.plotRect().width() * scale * 3,
                 qPrintable(QString::number(red)));
    }

    void savedPictureIsAValidPng_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("proposedName");
        QTest::addColumn<QSize>("size");
        QTest::newRow("real size") << "savePictureAction"
                                   << "currentChart.png" << QSize(384, 155);
        QTest::newRow("2x for print") << "savePrintPictureAction"
                                      << "currentChart@2x.png" << QSize(768, 310);
    }
    void savedPictureIsAValidPng() {
        QFETCH(QString, action);
        QFETCH(QString, proposedName);
        QFETCH(QSize, size);
        QTemporaryDir dir;
        StripChart chart;
        showRamp(chart, 1001);
        chart.zoomTo({100, 300, 0.5, 2.5});
        QStringList asked;
        QString answer = dir.filePath(QStringLiteral("run-12"));
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
        // The name given without a suffix gets ".png".
        const QString file = answer + QStringLiteral(".png");
        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), size);
        const QImage saved = reader.read();
        QVERIFY(!saved.isNull());
        QVERIFY(saved.convertToFormat(QImage::Format_RGB32) ==
                chart.picture(size.width() / 384.0).convertToFormat(QImage::Format_RGB32));

        // Cancelled, nothing is written; unwritable, the operator is told and
        // the earlier file stays as it was.
        const QByteArray earlier = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        answer.clear();
        chooseFromMenu(chart, action);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});
        QList<MessageRequest> boxes;
        const MessageHandler previous = setMessageHandler([&](const MessageRequest& request) {
            boxes << request;
            return QMessageBox::Ok;
        });
        answer = dir.filePath(QStringLiteral("missing/folder.png"));
        chooseFromMenu(chart, action);
        setMessageHandler(previous);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].icon, QMessageBox::Warning);
        QVERIFY2(boxes[0].text.contains(QStringLiteral("folder.png")), qPrintable(boxes[0].text));
        QFile again(file);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), earlier);
    }
};

QTEST_MAIN(TestStripChart)
#include "tst_stripchart.moc"
