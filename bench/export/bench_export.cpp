// Export benchmark: the "Excel" button over 45, 10,000 and 100,000 rows of
// readings into a real LibreOffice Calc. For each run: the time from the
// button to the visible workbook, the share of starting the office (until it
// accepts the connection), and the rows per second from there to the visible
// workbook (the workbook made, titles, values, formats and showing). Every
// office is closed again after its run.
//
// Needs a display: run it as  xvfb-run -a bench_export [runs (3)] [screenshot.png]
// With a file name, the screen after the first 45-row export is saved there.

#include "export/LibreOfficeAutomation.h"
#include "export/SpreadsheetExport.h"
#include "export/libreoffice/OfficeProcess.h"
#include "support/OfficeReader.h"
#include "support/ReviewFixture.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;

namespace {

// Notes when the new instance is there; everything else passes through.
struct Clock {
    QElapsedTimer sinceButton;
    double newInstanceMs = 0;
};

class TimedAutomation : public SpreadsheetAutomation {
public:
    TimedAutomation(Clock& clock, SpreadsheetAutomation& inner) : m_clock(clock), m_inner(inner) {}
    std::unique_ptr<SpreadsheetApplication> newInstance() override {
        auto app = m_inner.newInstance();
        m_clock.newInstanceMs = m_clock.sinceButton.nsecsElapsed() / 1e6;
        return app;
    }

private:
    Clock& m_clock;
    SpreadsheetAutomation& m_inner;
};

struct Run {
    double buttonToVisibleMs;
    double startOfficeMs;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString screenshot = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    setMessageHandler([](const MessageRequest& r) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(r.text));
        return QMessageBox::Yes;
    });

    QTemporaryDir profiles;
    LibreOfficeInstance instance;
    LibreOfficeSettings settings;
    settings.profileParent = profiles.path();
    settings.startedInstance = &instance;
    auto office = loadLibreOfficeAutomation(QStringLiteral(TARVEX_LIBREOFFICE_PLUGIN), settings);

    std::printf("Export into LibreOffice Calc (median of %d runs; 100,000 rows: one run)\n", runs);
    std::printf("%8s %20s %16s %16s\n", "rows", "button->visible ms", "office start ms",
                "rows/s after");
    for (int rows : {45, 10000, 100000}) {
        std::vector<Run> results;
        for (int run = 0; run < (rows > 10000 ? 1 : runs); ++run) {
            StoredRows stored(readingRows(rows));
            Clock clock;
            TimedAutomation timed(clock, *office);
            SpreadsheetExport component(timed);
            clock.sinceButton.start();
            const bool done = exportReadingsToSpreadsheet(component, stored.model());
            const double total = clock.sinceButton.nsecsElapsed() / 1e6;
            if (!done) {
                std::fprintf(stderr, "the export of %d rows failed\n", rows);
                return 1;
            }
            results.push_back({total, clock.newInstanceMs});

            if (!screenshot.isEmpty() && rows == 45 && run == 0) {
                QThread::msleep(1500); // let the window finish drawing
                QGuiApplication::primaryScreen()->grabWindow(0).save(screenshot);
            }
            OfficeReader(instance.pipeName).terminate();
            for (int i = 0; i < 300 && office::isGroupRunning(instance.pid); ++i)
                QThread::msleep(100);
            office::killGroup(instance.pid);
        }
        std::vector<double> total, start;
        for (const Run& r : results) {
            total.push_back(r.buttonToVisibleMs);
            start.push_back(r.startOfficeMs);
        }
        std::printf("%8d %20.0f %16.0f %16.0f\n", rows, Median(total), Median(start),
                    rows / ((Median(total) - Median(start)) / 1000.0));
    }
    office::removeStaleProfiles(profiles.path());
    return 0;
}
