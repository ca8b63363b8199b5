// Repaint cost of one value readout, and how many repaints setting the value
// it already shows causes. Runs offscreen unless QT_QPA_PLATFORM says
// otherwise. Prints its figures; asserts nothing.
#include "support/SevenSegmentTestSupport.h"
#include "widgets/iSevenSegmentAnalog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tarvex;

namespace {

// A readout as the control window sets it up.
void SetUpAsVoltage(TiSevenSegmentAnalog& r) {
    r.SetShowSign(false);
    r.SetDigitCount(6);
    r.SetPrecision(2);
    r.SetSegmentColor(QColor(0, 255, 0));
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median microseconds of one synchronous repaint after a new value.
double RepaintMicroseconds(QSize size, int rounds) {
    TiSevenSegmentAnalog r;
    SetUpAsVoltage(r);
    r.SetAutoSize(false);
    r.resize(size);
    r.show();
    if (!QTest::qWaitForWindowExposed(&r))
        std::fprintf(stderr, "window not exposed\n");
    std::vector<double> times;
    times.reserve(rounds);
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        r.SetValue(1000 + (i % 9000) * 0.01);
        timer.start();
        r.repaint();
        times.push_back(timer.nsecsElapsed() / 1000.0);
    }
    return Median(times);
}

// Paint events after setting the value the readout already has, repeatedly.
int RepaintsForSameValue(int repeats) {
    TiSevenSegmentAnalog r;
    SetUpAsVoltage(r);
    r.SetValue(12.34);
    PaintCounter counter;
    r.installEventFilter(&counter);
    r.show();
    if (!QTest::qWaitForWindowExposed(&r))
        std::fprintf(stderr, "window not exposed\n");
    QTest::qWait(100);
    const int before = counter.paints;
    for (int i = 0; i < repeats; ++i) {
        r.SetValue(12.34);
        QCoreApplication::processEvents();
    }
    QTest::qWait(100);
    const int same = counter.paints - before;

    // For comparison: the same number of real changes.
    const int beforeChanges = counter.paints;
    for (int i = 0; i < repeats; ++i) {
        r.SetValue(12.35 + i * 0.01);
        QCoreApplication::processEvents();
    }
    QTest::qWait(100);
    std::printf("  repaints after %d changed values:             %d\n", repeats,
                counter.paints - beforeChanges);
    return same;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = 2000;
    std::printf("Seven-segment readout (6 digits, 2 decimals), %d repaints each\n", rounds);
    std::printf("  repaint, 100 x 28:     median %8.1f us\n",
                RepaintMicroseconds({100, 28}, rounds));
    std::printf("  repaint, 1000 x 280:   median %8.1f us\n",
                RepaintMicroseconds({1000, 280}, rounds));
    const int same = RepaintsForSameValue(1000);
    std::printf("  repaints after setting the same value 1000 times: %d\n", same);
    return 0;
}
