// Export benchmark: the "Excel" button over 45 and 10,000 rows of readings into
// a real LibreOffice Calc. For each run: the time from the button to the
// visible workbook, the share of starting the office, and the time per
// 20-row block (the text formats and the values of one block, with the walk
// over its rows). Every office is closed again after its run.
//
// Needs a display: run it as  xvfb-run -a bench_export [runs (3)] [screenshot.png]
// With a file name, the screen after the first 45-row export is saved there.

#include "review/LibreOfficeAutomation.h"
#include "review/SpreadsheetExport.h"
#include "review/libreoffice/OfficeProcess.h"
#include "support/FakeExportSource.h"
#include "support/OfficeReader.h"
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

// Times the calls that pass through to the real automation.
struct Clock {
    QElapsedTimer sinceButton;
    double newInstanceMs = 0;
    std::vector<double> blockEndsMs; // when each block's values had been set
};

class TimedRange : public SpreadsheetRange {
public:
    TimedRange(Clock& clock, std::unique_ptr<SpreadsheetRange> inner)
        : m_clock(clock), m_inner(std::move(inner)) {}
    void setValue(const QString& v) override { m_inner->setValue(v); }
    void setValues(const QList<QStringList>& b) override {
        m_inner->setValues(b);
        m_clock.blockEndsMs.push_back(m_clock.sinceButton.nsecsElapsed() / 1e6);
    }
    void setNumberFormat(const QString& f) override { m_inner->setNumberFormat(f); }
    void setFont(const SpreadsheetFont& f) override { m_inner->setFont(f); }
    void setAlignment(const SpreadsheetAlignment& a) override { m_inner->setAlignment(a); }

private:
    Clock& m_clock;
    std::unique_ptr<SpreadsheetRange> m_inner;
};

class TimedWorksheet : public SpreadsheetWorksheet {
public:
    TimedWorksheet(Clock& clock, std::unique_ptr<SpreadsheetWorksheet> inner)
        : m_clock(clock), m_inner(std::move(inner)) {}
    void setName(const QString& n) override { m_inner->setName(n); }
    std::unique_ptr<SpreadsheetRange> range(const QString& from, const QString& to) override {
        return std::make_unique<TimedRange>(m_clock, m_inner->range(from, to));
    }

private:
    Clock& m_clock;
    std::unique_ptr<SpreadsheetWorksheet> m_inner;
};

class TimedWorkbook : public SpreadsheetWorkbook {
public:
    TimedWorkbook(Clock& clock, std::unique_ptr<SpreadsheetWorkbook> inner)
        : m_clock(clock), m_inner(std::move(inner)) {}
    std::unique_ptr<SpreadsheetWorksheet> worksheet(int n) override {
        return std::make_unique<TimedWorksheet>(m_clock, m_inner->worksheet(n));
    }

private:
    Clock& m_clock;
    std::unique_ptr<SpreadsheetWorkbook> m_inner;
};

class TimedApplication : public SpreadsheetApplication {
public:
    TimedApplication(Clock& clock, std::unique_ptr<SpreadsheetApplication> inner)
        : m_clock(clock), m_inner(std::move(inner)) {}
    std::unique_ptr<SpreadsheetWorkbook> addWorkbook(int kind, int locale) override {
        return std::make_unique<TimedWorkbook>(m_clock, m_inner->addWorkbook(kind, locale));
    }
    void setScreenUpdating(bool on) override { m_inner->setScreenUpdating(on); }
    void setVisible(bool v) override { m_inner->setVisible(v); }

private:
    Clock& m_clock;
    std::unique_ptr<SpreadsheetApplication> m_inner;
};

class TimedAutomation : public SpreadsheetAutomation {
public:
    TimedAutomation(Clock& clock, SpreadsheetAutomation& inner) : m_clock(clock), m_inner(inner) {}
    std::unique_ptr<SpreadsheetApplication> newInstance() override {
        auto app = m_inner.newInstance();
        m_clock.newInstanceMs = m_clock.sinceButton.nsecsElapsed() / 1e6;
        return std::make_unique<TimedApplication>(m_clock, std::move(app));
    }

private:
    Clock& m_clock;
    SpreadsheetAutomation& m_inner;
};

struct Run {
    double buttonToVisibleMs;
    double startOfficeMs;
    double perBlockMs; // mean over the full blocks after the first
    int blocks;
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

    std::printf("Export into LibreOffice Calc, %d runs each (median; blocks of 20 rows)\n", runs);
    std::printf("%8s %20s %14s %8s %16s\n", "rows", "button->visible ms", "office start ms",
                "blocks", "ms per block");
    for (int rows : {45, 10000}) {
        std::vector<Run> results;
        for (int run = 0; run < runs; ++run) {
            FakeExportSource source = FakeExportSource::readings(rows);
            Clock clock;
            TimedAutomation timed(clock, *office);
            SpreadsheetExport component(timed);
            clock.sinceButton.start();
            const bool done = exportQueryToSpreadsheet(component, source);
            const double total = clock.sinceButton.nsecsElapsed() / 1e6;
            if (!done) {
                std::fprintf(stderr, "the export of %d rows failed\n", rows);
                return 1;
            }
            const auto& ends = clock.blockEndsMs;
            double perBlock = 0;
            // Blocks 2.. up to the last full one: each interval is one block.
            const int full = rows / 20;
            if (full >= 2)
                perBlock = (ends[full - 1] - ends[0]) / (full - 1);
            else if (!ends.empty())
                perBlock = ends[0] - clock.newInstanceMs; // includes the title row
            results.push_back({total, clock.newInstanceMs, perBlock, int(ends.size())});

            if (!screenshot.isEmpty() && rows == 45 && run == 0) {
                QThread::msleep(1500); // let the window finish drawing
                QGuiApplication::primaryScreen()->grabWindow(0).save(screenshot);
            }
            OfficeReader(instance.pipeName).terminate();
            for (int i = 0; i < 300 && office::isGroupRunning(instance.pid); ++i)
                QThread::msleep(100);
            office::killGroup(instance.pid);
        }
        std::vector<double> total, start, block;
        for (const Run& r : results) {
            total.push_back(r.buttonToVisibleMs);
            start.push_back(r.startOfficeMs);
            block.push_back(r.perBlockMs);
        }
        std::printf("%8d %20.0f %14.0f %8d %16.2f\n", rows, Median(total), Median(start),
                    results.front().blocks, Median(block));
    }
    office::removeStaleProfiles(profiles.path());
    return 0;
}
