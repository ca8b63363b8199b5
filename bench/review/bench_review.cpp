// Review benchmark: the query window opened on a million stored rows (time
// until the grid shows its first rows, time to jump to the last row and to
// rows in between, peak memory), and the report preview of 10 k rows (time
// until the preview window shows all its pages).
//
// Usage: bench_review [rows for the query window (1000000)] [rows for the report (10000)]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "review/DataGrid.h"
#include "review/QueryModel.h"
#include "review/QueryWindow.h"
#include "review/ReadingReport.h"
#include "store/ReadingTable.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRandomGenerator>
#include <QToolButton>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;

namespace {

double maxOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

long peakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Counts the paintings of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints() const { return m_paints; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    int m_paints = 0;
};

// Processes events until the widget has painted once more than before.
void waitForPaint(const PaintCounter& counter, int before) {
    while (counter.paints() <= before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(widget, &release);
}

void benchQueryWindow(int rows) {
    ReviewStore store;
    QElapsedTimer clock;
    clock.start();
    if (!fillReadings(store.tableFile(), rows)) {
        std::printf("query window: filling %d rows failed\n", rows);
        return;
    }
    std::printf("query window on %d rows (filled in %.1f s, peak memory before opening %ld MiB)\n",
                rows, clock.elapsed() / 1000.0, peakMemoryMiB());

    QueryWindow window;
    DataGrid& grid = *child<DataGrid>(&window, "grid");
    const QueryModel& model = *grid.queryModel();
    Query& query = *child<Query>(&window, "query");
    PaintCounter painted(grid.viewport());
    std::vector<double> open, firstRows, last, random, pageDown;
    QRandomGenerator random64(42);
    for (int run = 0; run < 7; ++run) {
        // Open the query and show the window, as the Query button does.
        const int before = painted.paints();
        clock.restart();
        window.openReadings();
        open.push_back(clock.nsecsElapsed() / 1e6);
        window.show();
        waitForPaint(painted, before);
        firstRows.push_back(clock.nsecsElapsed() / 1e6);
        if (grid.indexAt(QPoint(2, 2)).row() != 0 ||
            model.index(0, 0).data().toString() != QStringLiteral("0"))
            std::printf("  the grid does not show the first row!\n");
        grid.setFocus();

        // Ctrl+End: the last row, shown.
        int mark = painted.paints();
        clock.restart();
        pressKey(&grid, Qt::Key_End, Qt::ControlModifier);
        grid.viewport()->repaint();
        last.push_back(clock.nsecsElapsed() / 1e6);
        if (query.rowNumber() != rows - 1 || painted.paints() <= mark)
            std::printf("  the grid did not reach the last row!\n");

        // Rows anywhere, as the scroll bar's thumb is dragged.
        for (int jump = 0; jump < 5; ++jump) {
            const int row = static_cast<int>(random64.bounded(rows));
            clock.restart();
            grid.scrollTo(model.index(row, 0), QAbstractItemView::PositionAtTop);
            grid.viewport()->repaint();
            random.push_back(clock.nsecsElapsed() / 1e6);
        }
        // Page Down in the middle.
        grid.setCurrentIndex(model.index(rows / 2, 0));
        for (int page = 0; page < 10; ++page) {
            clock.restart();
            pressKey(&grid, Qt::Key_PageDown);
            grid.viewport()->repaint();
            pageDown.push_back(clock.nsecsElapsed() / 1e6);
        }
        window.done(QDialog::Rejected);
    }
    std::printf("  open the query (statement, count, first block): median %.1f ms, max %.1f ms\n",
                Median(open), maxOf(open));
    std::printf("  until the grid shows its first rows:            median %.1f ms, max %.1f ms\n",
                Median(firstRows), maxOf(firstRows));
    std::printf("  Ctrl+End to the last row, painted:              median %.1f ms, max %.1f ms\n",
                Median(last), maxOf(last));
    std::printf("  jump to a random row, painted:                  median %.1f ms, max %.1f ms\n",
                Median(random), maxOf(random));
    std::printf("  Page Down in the middle, painted:               median %.1f ms, max %.1f ms\n",
                Median(pageDown), maxOf(pageDown));
    std::printf("  peak memory of the process: %ld MiB\n", peakMemoryMiB());

    // Clear with Yes: every row deleted one by one under the write lock.
    window.openReadings();
    clock.restart();
    child<QToolButton>(&window, "clearButton")->click();
    std::printf("  Clear, answered Yes, deleting all %d rows:     %.1f s (%d rows left)\n", rows,
                clock.elapsed() / 1000.0, static_cast<int>(store.storedIds().size()));
}

void benchReportPreview(int rows) {
    ReviewStore store;
    if (!fillReadings(store.tableFile(), rows)) {
        std::printf("report preview: filling %d rows failed\n", rows);
        return;
    }
    ReadingReport report;
    QueryWindow window(&report);
    QToolButton* const reportButton = child<QToolButton>(&window, "reportButton");
    std::vector<double> shown;
    int pages = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        double until = 0;
        whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
            until = clock.nsecsElapsed() / 1e6;
            pages = preview.findChild<QPrintPreviewWidget*>()->pageCount();
            preview.reject();
        });
        clock.start();
        reportButton->click();
        shown.push_back(until);
        QCoreApplication::processEvents();
    }
    std::printf("report preview of %d rows (%d pages)\n", rows, pages);
    std::printf("  Report pressed until the preview shows:         median %.0f ms, max %.0f ms\n",
                Median(shown), maxOf(shown));
    std::printf("  peak memory of the process: %ld MiB\n", peakMemoryMiB());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int queryRows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int reportRows = argc > 2 ? std::atoi(argv[2]) : 10000;
    benchQueryWindow(queryRows);
    benchReportPreview(reportRows);
    return 0;
}
