// Review benchmark: the query window opened on a million stored rows (time
// until the grid shows its first rows, time to jump to the last row and to
// rows in between, peak memory, Clear of all rows), the report preview of a
// million rows (time until page 1 shows, time per further page, peak memory
// while paging) and the PDF of all its pages (pages per second, memory as
// the pages are written).
//
// Usage: bench_review [rows for the query window (1000000)] [rows for the report (1000000)]
//                     [rows for the PDF (1000000; 0 leaves it out)]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "readings/ReadingModel.h"
#include "report/ReadingReport.h"
#include "report/ReportPreviewDialog.h"
#include "report/ReportPreviewView.h"
#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "store/ReadingStore.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "PaintCounter.h"

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

using bench::PaintCounter;
using bench::waitForPaint;

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
    const ReadingModel& model = *grid.readingModel();
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
        if (model.currentRow() != rows - 1 || painted.paints() <= mark)
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

// Processor time used by the process so far, in seconds.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The resident memory of the process now, in MiB.
double residentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Notes when the first page of a preview has been drawn: connects to the
// preview's view at the first painting of its pages.
class FirstPageWatch : public QObject {
public:
    explicit FirstPageWatch(const QElapsedTimer& clock) : m_clock(clock) {
        qApp->installEventFilter(this);
    }
    ~FirstPageWatch() override { qApp->removeEventFilter(this); }
    double firstPageMs() const { return m_firstPageMs; }
    void reset() {
        m_firstPageMs = -1;
        m_view = nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_view) {
            if (auto* view = qobject_cast<ReportPreviewView*>(watched->parent())) {
                m_view = view;
                connect(view, &ReportPreviewView::pageDrawn, this, [this](int page) {
                    if (page == 1 && m_firstPageMs < 0)
                        m_firstPageMs = m_clock.nsecsElapsed() / 1e6;
                });
            }
        }
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    QPointer<ReportPreviewView> m_view;
    double m_firstPageMs = -1;
};

// Report pressed until the first page shows, then paging: the next page, a
// page anywhere, the last page, each shown; peak memory while paging.
void benchReportPreview(int rows) {
    ReviewStore store;
    QElapsedTimer clock;
    clock.start();
    if (!fillReadings(store.tableFile(), rows)) {
        std::printf("report preview: filling %d rows failed\n", rows);
        return;
    }
    std::printf("report preview of %d rows (filled in %.1f s, peak memory before %ld MiB)\n", rows,
                clock.elapsed() / 1000.0, peakMemoryMiB());
    ReadingReport report;
    QueryWindow window(&report);
    QToolButton* const reportButton = child<QToolButton>(&window, "reportButton");
    std::vector<double> firstPage, nextPage, anyPage, lastPage;
    int pages = 0;
    int drawn = 0;
    QRandomGenerator random(7);
    FirstPageWatch watch(clock);
    for (int run = 0; run < 5; ++run) {
        watch.reset();
        whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
            ReportPreviewView& view = *preview.view();
            while (watch.firstPageMs() < 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            firstPage.push_back(watch.firstPageMs());
            pages = preview.pageCount();
            QObject::connect(&view, &ReportPreviewView::pageDrawn, [&] { ++drawn; });
            QAction* next = preview.findChild<QAction*>(QStringLiteral("nextPageAction"));
            QElapsedTimer step;
            // Through the first pages one by one (on the first run many).
            for (int i = 0; i < (run == 0 ? 2000 : 100); ++i) {
                step.start();
                next->trigger();
                view.viewport()->repaint();
                nextPage.push_back(step.nsecsElapsed() / 1e6);
            }
            for (int i = 0; i < 50; ++i) {
                step.start();
                view.setCurrentPage(1 + int(random.bounded(pages)));
                view.viewport()->repaint();
                anyPage.push_back(step.nsecsElapsed() / 1e6);
            }
            step.start();
            preview.findChild<QAction*>(QStringLiteral("lastPageAction"))->trigger();
            view.viewport()->repaint();
            lastPage.push_back(step.nsecsElapsed() / 1e6);
            preview.reject();
        });
        clock.start();
        reportButton->click();
        QCoreApplication::processEvents();
    }
    std::printf("  %d pages; pages drawn while paging: %d\n", pages, drawn);
    std::printf("  Report pressed until page 1 shows:              median %.0f ms, max %.0f ms\n",
                Median(firstPage), maxOf(firstPage));
    std::printf("  next page, shown:                               median %.1f ms, max %.1f ms\n",
                Median(nextPage), maxOf(nextPage));
    std::printf("  a page anywhere, shown:                         median %.1f ms, max %.1f ms\n",
                Median(anyPage), maxOf(anyPage));
    std::printf("  the last page, shown:                           median %.1f ms, max %.1f ms\n",
                Median(lastPage), maxOf(lastPage));
    std::printf("  peak memory of the process: %ld MiB\n", peakMemoryMiB());
}

// Every page of the report into a PDF file: pages per second, and the
// resident memory as the run goes on.
void benchReportPdf(int rows) {
    ReviewStore store;
    if (!fillReadings(store.tableFile(), rows)) {
        std::printf("report PDF: filling %d rows failed\n", rows);
        return;
    }
    QTemporaryDir dir;
    ReadingReport report;
    report.openReadings();
    QPrinter printer(QPrinter::HighResolution);
    report.setUpPrinter(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("report.pdf")));
    const int pages = report.pages(printer).pageCount();
    // The memory in use, sampled while the pages are printed (the run serves
    // timers between pages).
    std::vector<double> resident;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] { resident.push_back(residentMiB()); });
    sample.start(1000);
    QWidget parent;
    const double before = residentMiB();
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    const int printed = report.print(printer, 1, &parent);
    const double seconds = clock.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;
    sample.stop();
    std::printf("report PDF of %d rows: %d of %d pages in %.1f s, %.0f pages/s (%.0f pages per "
                "second of processor time), %.0f MiB file\n",
                rows, printed, pages, seconds, printed / seconds, printed / cpu,
                QFileInfo(printer.outputFileName()).size() / (1024.0 * 1024.0));
    std::printf("  resident memory: %.0f MiB before,", before);
    for (std::size_t i = 0; i < resident.size(); i += std::max<std::size_t>(1, resident.size() / 6))
        std::printf(" %.0f", resident[i]);
    std::printf(" MiB during (every %zu s), %.0f MiB after\n",
                std::max<std::size_t>(1, resident.size() / 6), residentMiB());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int queryRows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int reportRows = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const int pdfRows = argc > 3 ? std::atoi(argv[3]) : 1000000;
    benchQueryWindow(queryRows);
    benchReportPreview(reportRows);
    if (pdfRows > 0)
        benchReportPdf(pdfRows);
    return 0;
}
