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
#include "support/FakeDataSource.h"
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

class TimedRange : public TSpreadsheetRange {
public:
    TimedRange(Clock& c, std::unique_ptr<TSpreadsheetRange> inner)
        : c_(c), inner_(std::move(inner)) {}
    void SetValue(const QString& v) override { inner_->SetValue(v); }
    void SetValues(const QList<QStringList>& b) override {
        inner_->SetValues(b);
        c_.blockEndsMs.push_back(c_.sinceButton.nsecsElapsed() / 1e6);
    }
    void SetNumberFormat(const QString& f) override { inner_->SetNumberFormat(f); }
    void SetFont(const SpreadsheetFont& f) override { inner_->SetFont(f); }
    void SetAlignment(const SpreadsheetAlignment& a) override { inner_->SetAlignment(a); }

private:
    Clock& c_;
    std::unique_ptr<TSpreadsheetRange> inner_;
};

class TimedWorksheet : public TSpreadsheetWorksheet {
public:
    TimedWorksheet(Clock& c, std::unique_ptr<TSpreadsheetWorksheet> inner)
        : c_(c), inner_(std::move(inner)) {}
    void SetName(const QString& n) override { inner_->SetName(n); }
    std::unique_ptr<TSpreadsheetRange> Range(const QString& from, const QString& to) override {
        return std::make_unique<TimedRange>(c_, inner_->Range(from, to));
    }

private:
    Clock& c_;
    std::unique_ptr<TSpreadsheetWorksheet> inner_;
};

class TimedWorkbook : public TSpreadsheetWorkbook {
public:
    TimedWorkbook(Clock& c, std::unique_ptr<TSpreadsheetWorkbook> inner)
        : c_(c), inner_(std::move(inner)) {}
    std::unique_ptr<TSpreadsheetWorksheet> Worksheet(int n) override {
        return std::make_unique<TimedWorksheet>(c_, inner_->Worksheet(n));
    }

private:
    Clock& c_;
    std::unique_ptr<TSpreadsheetWorkbook> inner_;
};

class TimedApplication : public TSpreadsheetApplication {
public:
    TimedApplication(Clock& c, std::unique_ptr<TSpreadsheetApplication> inner)
        : c_(c), inner_(std::move(inner)) {}
    std::unique_ptr<TSpreadsheetWorkbook> AddWorkbook(int t, int l) override {
        return std::make_unique<TimedWorkbook>(c_, inner_->AddWorkbook(t, l));
    }
    void SetScreenUpdating(bool on) override { inner_->SetScreenUpdating(on); }
    void SetVisible(bool v) override { inner_->SetVisible(v); }

private:
    Clock& c_;
    std::unique_ptr<TSpreadsheetApplication> inner_;
};

class TimedAutomation : public TSpreadsheetAutomation {
public:
    TimedAutomation(Clock& c, TSpreadsheetAutomation& inner) : c_(c), inner_(inner) {}
    std::unique_ptr<TSpreadsheetApplication> NewInstance() override {
        auto app = inner_.NewInstance();
        c_.newInstanceMs = c_.sinceButton.nsecsElapsed() / 1e6;
        return std::make_unique<TimedApplication>(c_, std::move(app));
    }

private:
    Clock& c_;
    TSpreadsheetAutomation& inner_;
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
    settings.instanceStarted = [&](const LibreOfficeInstance& i) { instance = i; };
    auto office = LoadLibreOfficeAutomation(QStringLiteral(TARVEX_LIBREOFFICE_PLUGIN), settings);

    std::printf("Export into LibreOffice Calc, %d runs each (median; blocks of 20 rows)\n", runs);
    std::printf("%8s %20s %14s %8s %16s\n", "rows", "button->visible ms", "office start ms",
                "blocks", "ms per block");
    for (int rows : {45, 10000}) {
        std::vector<Run> results;
        for (int run = 0; run < runs; ++run) {
            FakeDataSource source = FakeDataSource::Readings(rows);
            Clock clock;
            TimedAutomation timed(clock, *office);
            TSpreadsheetExport component(timed);
            clock.sinceButton.start();
            const bool done = ExportQueryToSpreadsheet(component, source);
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
            OfficeReader(instance.pipeName).Terminate();
            for (int i = 0; i < 300 && office::GroupRunning(instance.pid); ++i)
                QThread::msleep(100);
            office::KillGroup(instance.pid);
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
    office::RemoveStaleProfiles(profiles.path());
    return 0;
}
