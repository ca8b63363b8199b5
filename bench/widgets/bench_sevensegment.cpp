// Repaint cost of one value readout, and how many repaints setting the value
// it already shows causes. Runs offscreen unless QT_QPA_PLATFORM says
// otherwise. Prints its figures; asserts nothing.
#include "support/SevenSegmentTestSupport.h"
#include "widgets/SevenSegmentReadout.h"

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
void setUpAsVoltage(SevenSegmentReadout& r) {
    r.setShowSign(false);
    r.setDigitCount(6);
    r.setPrecision(2);
    r.setSegmentColor(QColor(0, 255, 0));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median microseconds of one synchronous repaint after a new value.
double repaintMicroseconds(QSize size, int rounds) {
    SevenSegmentReadout r;
    setUpAsVoltage(r);
    r.setAutoSize(false);
    r.resize(size);
    r.show();
    if (!QTest::qWaitForWindowExposed(&r))
        std::fprintf(stderr, "window not exposed\n");
    std::vector<double> times;
    times.reserve(rounds);
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        r.setValue(1000 + (i % 9000) * 0.01);
        timer.start();
        r.repaint();
        times.push_back(timer.nsecsElapsed() / 1000.0);
    }
    return median(times);
}

// Paint events after setting the value the readout already has, repeatedly.
int repaintsForSameValue(int repeats) {
    SevenSegmentReadout r;
    setUpAsVoltage(r);
    r.setValue(12.34);
    PaintCounter counter;
    r.installEventFilter(&counter);
    r.show();
    if (!QTest::qWaitForWindowExposed(&r))
        std::fprintf(stderr, "window not exposed\n");
    QTest::qWait(100);
    const int before = counter.paints();
    for (int i = 0; i < repeats; ++i) {
        r.setValue(12.34);
        QCoreApplication::processEvents();
    }
    QTest::qWait(100);
    const int same = counter.paints() - before;

    // For comparison: the same number of real changes.
    const int beforeChanges = counter.paints();
    for (int i = 0; i < repeats; ++i) {
        r.setValue(12.35 + i * 0.01);
        QCoreApplication::processEvents();
    }
    QTest::qWait(100);
    std::printf("  repaints after %d changed values:             %d\n", repeats,
                counter.paints() - beforeChanges);
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
                repaintMicroseconds({100, 28}, rounds));
    std::printf("  repaint, 1000 x 280:   median %8.1f us\n",
                repaintMicroseconds({1000, 280}, rounds));
    const int same = repaintsForSameValue(1000);
    std::printf("  repaints after setting the same value 1000 times: %d\n", same);
    return 0;
}
