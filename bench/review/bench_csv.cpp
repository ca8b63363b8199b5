// CSV benchmark: the rows of the reading table written as CSV, by the writer
// alone (a query on the table into a file replaced at the end) and by the
// query window's "Save as CSV…" (the file name given through the dialog's
// seam, the progress dialog as the operator sees it). Prints the seconds,
// the rows per second, the file's size and the peak resident memory of the
// process during the write (VmHWM, reset before each write).
//
// Usage: bench_csv [rows (1000000)] [runs (3)]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "export/CsvWriter.h"
#include "readings/ReadingModel.h"
#include "review/QueryWindow.h"
#include "store/ReadingStore.h"
#include "ui/FileDialogs.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;

namespace {

// A line of /proc/self/status in KiB ("VmHWM", "VmRSS"); -1 when missing.
long statusKiB(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Lets the peak resident memory (VmHWM) start again from the memory in use.
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double mib(long kib) {
    return kib / 1024.0;
}

double maxOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

struct Figures {
    std::vector<double> seconds;
    std::vector<double> peakMiB;
    std::vector<double> growthMiB; // peak during the write less the memory before it
    // Right after the write: the process's own memory, and the pages of the
    // table file it has mapped (shared with the file cache).
    double anonMiB = 0;
    double fileMiB = 0;
    qint64 bytes = 0;
    bool allRows = true;
};

// The lines of a CSV file (each ended by CR LF).
qint64 lineCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 lines = 0;
    QByteArray block;
    while (!(block = file.read(1 << 20)).isEmpty())
        lines += block.count('\n');
    return lines;
}

void measure(Figures& figures, const QString& path, int rows, const std::function<bool()>& run) {
    QFile::remove(path);
    resetPeakMemory();
    const long before = statusKiB("VmRSS");
    QElapsedTimer clock;
    clock.start();
    const bool ok = run();
    figures.seconds.push_back(clock.nsecsElapsed() / 1e9);
    const long peak = statusKiB("VmHWM");
    figures.anonMiB = std::max(figures.anonMiB, mib(statusKiB("RssAnon")));
    figures.fileMiB = std::max(figures.fileMiB, mib(statusKiB("RssFile")));
    figures.peakMiB.push_back(mib(peak));
    figures.growthMiB.push_back(mib(peak - before));
    figures.bytes = QFileInfo(path).size();
    figures.allRows = figures.allRows && ok && lineCount(path) == rows + 1;
}

void print(const char* what, const Figures& figures, int rows) {
    const double median = Median(figures.seconds);
    std::printf("  %s: median %.2f s, max %.2f s (%.0f rows/s), %.1f MiB file%s\n", what, median,
                maxOf(figures.seconds), rows / median, figures.bytes / (1024.0 * 1024.0),
                figures.allRows ? "" : "  ROWS MISSING!");
    std::printf("    peak resident memory of the process while writing (VmHWM): %.0f MiB, "
                "%.1f MiB above the memory in use before\n",
                maxOf(figures.peakMiB), maxOf(figures.growthMiB));
    std::printf("    resident right after: %.0f MiB of the process's own, %.0f MiB of mapped files "
                "(the table file among them)\n",
                figures.anonMiB, figures.fileMiB);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    ReviewStore store;
    QElapsedTimer clock;
    clock.start();
    if (!fillReadings(store.tableFile(), rows)) {
        std::printf("filling %d rows failed\n", rows);
        return 1;
    }
    std::printf("CSV of %d rows (filled in %.1f s; resident memory %.0f MiB)\n", rows,
                clock.elapsed() / 1000.0, mib(statusKiB("VmRSS")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("readings.csv"));

    // The writer alone.
    Figures writer;
    for (int run = 0; run < runs; ++run) {
        ReadingModel readings;
        readings.open();
        measure(writer, path, rows, [&] {
            QSaveFile file(path);
            CsvWriter csv;
            return file.open(QIODevice::WriteOnly) &&
                   csv.write(readings, file) == CsvWriter::Result::Written && file.commit();
        });
    }
    print("writer into a file", writer, rows);

    // The window's command, as Ctrl+S starts it.
    const SaveFileNameAsker previous =
        setSaveFileNameAsker([&path](const SaveFileRequest&) { return path; });
    Figures window;
    {
        QueryWindow queryWindow;
        QAction* save = child<QAction>(&queryWindow, "saveCsvAction");
        for (int run = 0; run < runs; ++run) {
            queryWindow.openReadings();
            queryWindow.show();
            measure(window, path, rows, [&] {
                save->trigger();
                return store.messages().isEmpty();
            });
            queryWindow.done(QDialog::Rejected);
        }
    }
    setSaveFileNameAsker(previous);
    print("\"Save as CSV…\" in the query window", window, rows);
    return 0;
}
