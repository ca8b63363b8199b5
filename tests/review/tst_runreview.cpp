// Review by run through the windows, on a real table file with runs stored
// as the run stores them: the query window's run chooser narrowing the grid,
// the report (with the run's summary in its PDF), Save as CSV and Excel to a
// run's readings; Clear keeping the runs; the runs list (sorting, Open,
// Compare, Save as BDF read back by a reader of the test's own).

#include "support/BdfReader.h"
#include "support/CsvParser.h"
#include "support/RecordingAutomation.h"
#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "export/BatteryDataFile.h"
#include "readings/ReadingModel.h"
#include "report/ReadingReport.h"
#include "report/ReportPreviewDialog.h"
#include "review/CompareWindow.h"
#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "review/RunsModel.h"
#include "review/RunsWindow.h"
#include "store/ReadingStore.h"
#include "ui/FileDialogs.h"
#include "ui/OperationProgress.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tarvex;

namespace {

// 2026-12-11 08:00:00 UTC.
constexpr qint64 kT0 = 1'796'976'000'000;

// A run as stored: its readings (IDs from the table), its record.
struct StoredRun {
    qint64 id = 0;
    QList<qint64> rowIds;
    QList<int> readingIndexes; // nthReading(i) of each
};

// Stores a run of count readings, one every 200 ms from nthReading(from),
// with label and end, as the run stores them.
StoredRun storeRun(const QString& label, int from, int count, RunEnd end, qint64 startMs) {
    ReadingStore store;
    RunStart start;
    start.startedAt = QDateTime::fromMSecsSinceEpoch(startMs, Qt::UTC);
    start.minimumVolts = 10.5;
    start.pollIntervalMs = 200;
    start.port = QStringLiteral("/dev/ttyUSB0");
    start.label = label;
    StoredRun run;
    run.id = store.beginRun(start);
    for (int i = 0; i < count; ++i) {
        const qint64 elapsed = qint64(i) * 200;
        run.rowIds << store.append(nthReading(from + i), start.startedAt.addMSecs(elapsed),
                                   RunStamp{run.id, elapsed});
        run.readingIndexes << from + i;
    }
    store.endRun(run.id, end, start.startedAt.addMSecs(qint64(count) * 200));
    return run;
}

// The ID and the texts the grid shows for a row holding nthReading(i).
QStringList gridRowOf(qint64 id, int i) {
    const LoadReading r = nthReading(i);
    return {QString::number(id), r.voltsText, r.ampsText, r.wattsText};
}

QStringList gridRow(const ReadingModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < ReadingModel::DateColumn; ++column)
        cells << model.index(row, column).data().toString();
    return cells;
}

// The IDs of the report's detail lines and its text, from pdftotext.
QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
QList<qint64> reportIds(const QString& text) {
    QList<qint64> ids;
    for (const QString& line : text.split(u'\n')) {
        const QStringList words =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        bool number = false;
        const qint64 id = words.value(0).toLongLong(&number);
        if (number && words.size() == 5)
            ids << id;
    }
    return ids;
}

class SaveAnswer {
public:
    explicit SaveAnswer(QString path)
        : m_previous(setSaveFileNameAsker([path, this](const SaveFileRequest& r) {
              requests << r;
              return path;
          })) {}
    ~SaveAnswer() { setSaveFileNameAsker(m_previous); }
    QList<SaveFileRequest> requests;

private:
    SaveFileNameAsker m_previous;
};

} // namespace

class TestRunReview : public QObject {
    Q_OBJECT

    std::unique_ptr<ReviewStore> m_store;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<StoredRun> m_runs;
    int m_loose = 0; // readings of no run stored before the runs

    static QComboBox* chooser(const QueryWindow& w) { return child<QComboBox>(&w, "runChooser"); }
    static ReadingModel& grid(const QueryWindow& w) {
        return *child<DataGrid>(&w, "grid")->readingModel();
    }
    static void choose(QueryWindow& w, int entry) {
        QComboBox* box = chooser(w);
        box->setCurrentIndex(entry);
        emit box->activated(entry);
    }
    // The chooser's entry of run k (of m_runs): newest first after "All readings".
    int entryOf(int k) const { return int(m_runs.size()) - k; }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_store = std::make_unique<ReviewStore>();
        m_dir = std::make_unique<QTemporaryDir>();
        // Readings of no run first, then three runs.
        m_loose = 5;
        m_store->log(m_loose, 1000);
        m_runs = {
            storeRun(QStringLiteral("cell A"), 0, 30, RunEnd::MinimumVoltage, kT0),
            storeRun(QString(), 100, 7, RunEnd::LoadOff, kT0 + 3'600'000),
            storeRun(QStringLiteral("cell C"), 200, 300, RunEnd::ChargeLimit, kT0 + 7'200'000)};
    }
    void cleanup() {
        m_store.reset();
        m_dir.reset();
        m_runs.clear();
    }

    // "All readings", then each run newest first with its start, label, Ah,
    // Wh and why it ended.
    void chooserListsTheRuns() {
        QueryWindow window;
        window.openReadings();
        QComboBox* box = chooser(window);
        QCOMPARE(box->count(), 4);
        QCOMPARE(box->itemText(0), QStringLiteral("All readings"));
        QCOMPARE(box->currentIndex(), 0);
        ReadingStore store;
        const QList<RunRecord> runs = store.runs();
        QCOMPARE(runs.size(), 3);
        const QRegularExpression entry(
            QStringLiteral("^2026-12-11 \\d\\d:00:00  (?:(.+?)  )?[0-9.]+ Ah  [0-9.]+ Wh  (.+)$"));
        const QStringList labels{QStringLiteral("cell A"), QString(), QStringLiteral("cell C")};
        const QStringList ends{QStringLiteral("minimum voltage"), QStringLiteral("Load OFF"),
                               QStringLiteral("charge limit")};
        for (int k = 0; k < 3; ++k) {
            const QString text = box->itemText(entryOf(k));
            const QRegularExpressionMatch m = entry.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            QCOMPARE(m.captured(1), labels[k]);
            QCOMPARE(m.captured(2), ends[k]);
            QVERIFY(text.contains(QLocale().toString(runs[k].ampHours, 'f', 3) + " Ah"));
        }
        QCOMPARE(grid(window).rowCount(), m_loose + 30 + 7 + 300);
    }

    // A run chosen: the grid holds its readings only, in order; "All
    // readings" brings every row back; the choice survives a new showing.
    void chooserNarrowsTheGrid_data() {
        QTest::addColumn<int>("run");
        QTest::newRow("cell A") << 0;
        QTest::newRow("no label") << 1;
        QTest::newRow("cell C, two blocks and more") << 2;
    }
    void chooserNarrowsTheGrid() {
        QFETCH(int, run);
        QueryWindow window;
        window.openReadings();
        choose(window, entryOf(run));
        const StoredRun& r = m_runs[run];
        ReadingModel& model = grid(window);
        QCOMPARE(model.rowCount(), r.rowIds.size());
        for (int i : {0, int(r.rowIds.size()) / 2, int(r.rowIds.size()) - 1})
            QCOMPARE(gridRow(model, i), gridRowOf(r.rowIds[i], r.readingIndexes[i]));
        QVERIFY(child<QAction>(&window, "saveBdfAction")->isEnabled());
        window.done(QDialog::Rejected);
        window.openReadings();
        QCOMPARE(chooser(window)->currentIndex(), entryOf(run));
        QCOMPARE(grid(window).rowCount(), r.rowIds.size());
        choose(window, 0);
        QCOMPARE(grid(window).rowCount(), m_loose + 30 + 7 + 300);
        QVERIFY(!child<QAction>(&window, "saveBdfAction")->isEnabled());
    }

    // Save as CSV and Excel take the chosen run's rows only.
    void csvAndExcelTakeTheRun() {
        QueryWindow window;
        window.openReadings();
        choose(window, entryOf(2));
        const QString file = m_dir->filePath(QStringLiteral("run.csv"));
        {
            SaveAnswer answer(file);
            child<QAction>(&window, "saveCsvAction")->trigger();
        }
        const auto records = parseCsv(readWholeFile(file));
        QVERIFY(records);
        QCOMPARE(records->size(), 1 + 300);
        for (int i = 0; i < 300; ++i)
            QCOMPARE(records->at(1 + i).first(), QString::number(m_runs[2].rowIds[i]));

        Recording recording;
        window.setSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        child<QToolButton>(&window, "exportButton")->click();
        QList<QVariantList> exported;
        for (const RecordedBlock& block : recording.blocks)
            exported += block.values;
        QCOMPARE(exported.size(), 300);
        QCOMPARE(exported.first().first().toLongLong(), m_runs[2].rowIds.first());
        QCOMPARE(exported.last().first().toLongLong(), m_runs[2].rowIds.last());
    }

    // Report with a run chosen prints its rows and its summary; with All
    // readings every row and no summary.
    void reportOfTheChosenRun() {
        ReadingReport report;
        QueryWindow window(&report);
        window.openReadings();
        choose(window, entryOf(0));
        const QString pdf = m_dir->filePath(QStringLiteral("run.pdf"));
        whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
            report.printToPdf(pdf);
            preview.reject();
        });
        child<QToolButton>(&window, "reportButton")->click();
        QString text = pdfText(pdf);
        QCOMPARE(reportIds(text), m_runs[0].rowIds);
        QVERIFY(text.contains(QStringLiteral("RUN SUMMARY")));
        QVERIFY(text.contains(QStringLiteral("cell A")));
        QVERIFY(QRegularExpression(QStringLiteral("Ended by\\s+minimum voltage"))
                    .match(text)
                    .hasMatch());
        QVERIFY(QRegularExpression(QStringLiteral("Readings\\s+30")).match(text).hasMatch());

        // The closing of the report's readings queued at the end of the
        // preview is carried out before the operator chooses again.
        QCoreApplication::processEvents();
        choose(window, 0);
        whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
            report.printToPdf(pdf);
            preview.reject();
        });
        child<QToolButton>(&window, "reportButton")->click();
        text = pdfText(pdf);
        QCOMPARE(reportIds(text).size(), m_loose + 30 + 7 + 300);
        QVERIFY(!text.contains(QStringLiteral("SUMMARY")));
    }

    // Clear deletes every reading and keeps the runs, which say so; a run
    // whose IDs a later run took after the numbering began again shows none.
    void clearKeepsTheRuns() {
        QueryWindow window;
        window.openReadings();
        child<QToolButton>(&window, "clearButton")->click();
        window.openReadings();
        QCOMPARE(chooser(window)->count(), 4);
        QCOMPARE(grid(window).rowCount(), 0);
        const StoredRun later =
            storeRun(QStringLiteral("cell D"), 400, 12, RunEnd::LoadOff, kT0 + 9'000'000);
        QCOMPARE(later.rowIds.first(), 0); // the numbering began again
        window.openReadings();
        QCOMPARE(chooser(window)->count(), 5);
        choose(window, 4); // cell A, the oldest: IDs 5..34 are cell D's now
        QCOMPARE(grid(window).rowCount(), 0);
        choose(window, 1); // cell D
        QCOMPARE(grid(window).rowCount(), 12);
        QCOMPARE(grid(window).reading(0).id, 0);
        RunsWindow runs;
        runs.openRuns();
        const QModelIndex cleared =
            runs.model()->index(runs.model()->rowOf(m_runs[0].id), RunsModel::ReadingsColumn);
        QCOMPARE(cleared.data().toString(), QStringLiteral("30 (cleared)"));
    }

    // The runs list: every run with its figures, newest first, sorted by a
    // column's title; Open chooses the run in the query window.
    void runsListOpensARun() {
        QueryWindow window;
        window.openReadings();
        whenShown<RunsWindow>([&](RunsWindow& runs) {
            auto* table = child<QTableView>(&runs, "runsTable");
            QCOMPARE(table->model()->rowCount(), 3);
            QCOMPARE(table->model()->index(0, RunsModel::LabelColumn).data().toString(),
                     QStringLiteral("cell C"));
            // By charge, smallest first: the 7-reading run.
            table->sortByColumn(RunsModel::AmpHoursColumn, Qt::AscendingOrder);
            QCOMPARE(table->model()->index(0, RunsModel::RunColumn).data().toString(),
                     QString::number(m_runs[1].id));
            table->setCurrentIndex(table->model()->index(0, 0));
            child<QPushButton>(&runs, "openButton")->click();
        });
        child<QToolButton>(&window, "runsButton")->click();
        QCOMPARE(chooser(window)->currentIndex(), entryOf(1));
        QCOMPARE(grid(window).rowCount(), 7);
    }

    // The runs list by keyboard: Tab goes from the table through Open,
    // Compare, Save as BDF and Close and back, each button under its
    // caption; in the table the arrows choose a run and Enter opens it.
    void runsListByKeyboard() {
        RunsWindow runs;
        runs.openRuns();
        QSignalSpy opened(&runs, &RunsWindow::openRequested);
        runs.show();
        runs.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&runs));
        auto* table = child<QTableView>(&runs, "runsTable");
        table->setFocus(Qt::TabFocusReason);
        QStringList walk;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            walk << focused->objectName() + QLatin1Char('=') + focused->accessibleName();
        }
        QCOMPARE(
            walk,
            (QStringList{QStringLiteral("openButton=Open"), QStringLiteral("compareButton=Compare"),
                         QStringLiteral("saveBdfButton=Save as BDF\u2026"),
                         QStringLiteral("closeButton=Close"), QStringLiteral("runsTable=Runs")}));
        // Newest first: the second row down is the run before the newest.
        QTest::keyClick(table, Qt::Key_Down);
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.first().first().toLongLong(), m_runs[1].id);
        QVERIFY(!runs.isVisible());
    }

    // Compare of the selected runs shows them in its chart.
    void runsListCompares() {
        RunsWindow runs;
        runs.openRuns();
        runs.show();
        auto* table = child<QTableView>(&runs, "runsTable");
        table->selectAll();
        int shown = -1;
        QStringList labels;
        whenShown<CompareWindow>([&](CompareWindow& compare) {
            shown = compare.chart()->seriesCount();
            for (int k = 0; k < shown; ++k)
                labels << compare.chart()->seriesLabel(k);
            compare.reject();
        });
        child<QPushButton>(&runs, "compareButton")->click();
        QCOMPARE(shown, 3);
        QCOMPARE(labels,
                 (QStringList{"cell C", QStringLiteral("run %1").arg(m_runs[1].id), "cell A"}));
    }

    // Save as BDF from the runs list and from the query window: the run's
    // readings with their times, read back.
    void saveAsBdf_data() {
        QTest::addColumn<bool>("fromRunsList");
        QTest::newRow("runs list") << true;
        QTest::newRow("query window") << false;
    }
    void saveAsBdf() {
        QFETCH(bool, fromRunsList);
        const QString file = m_dir->filePath(QStringLiteral("cell.bdf.csv"));
        SaveAnswer answer(file);
        if (fromRunsList) {
            RunsWindow runs;
            runs.openRuns();
            runs.selectRun(m_runs[2].id);
            child<QPushButton>(&runs, "saveBdfButton")->click();
        } else {
            QueryWindow window;
            window.openReadings();
            choose(window, entryOf(2));
            child<QAction>(&window, "saveBdfAction")->trigger();
        }
        QCOMPARE(answer.requests.size(), 1);
        QVERIFY(answer.requests[0].proposedPath.endsWith(
            QStringLiteral("run %1 cell C.bdf.csv").arg(m_runs[2].id)));
        QString error;
        const auto data = readBdf(file, bdfMetadataPath(file), &error);
        QVERIFY2(data, qPrintable(error));
        QCOMPARE(data->rows.size(), 300);
        const QList<double> time = data->values(QStringLiteral("Test Time / s"));
        const QList<double> current = data->values(QStringLiteral("Current / A"));
        for (int i = 0; i < 300; ++i) {
            QCOMPARE(time[i], i * 0.2);
            QCOMPARE(current[i], -nthReading(200 + i).amps);
        }
        QCOMPARE(data->metadata["label"].toString(), QStringLiteral("cell C"));
        QCOMPARE(data->metadata["stop_reason"].toString(), QStringLiteral("charge limit"));
        QCOMPARE(data->metadata["equipment"].toObject()["port"].toString(),
                 QStringLiteral("/dev/ttyUSB0"));
    }

    // Cancel in the progress of Save as BDF, while the run is read or when
    // both files are written but not yet in place: neither file appears and
    // nothing is left beside them; the next save writes both.
    void cancelledBdfSaveLeavesNothing_data() {
        QTest::addColumn<bool>("whileWriting");
        QTest::newRow("while reading") << false;
        QTest::newRow("with both files written") << true;
    }
    void cancelledBdfSaveLeavesNothing() {
        QFETCH(bool, whileWriting);
        const StoredRun& run = m_runs[2];
        const int readings = int(run.rowIds.size());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("cell.bdf.csv"));
        SaveAnswer answer(file);
        RunsWindow runs;
        runs.openRuns();
        runs.selectRun(run.id);
        int cancelledAt = -1;
        OperationProgress::setDelayOverride(0);
        {
            ProgressWatch watch([&](QProgressDialog& progress) {
                if (!whileWriting) {
                    QMetaObject::invokeMethod(&progress, &QProgressDialog::cancel,
                                              Qt::QueuedConnection);
                    return;
                }
                // Reading fills the first half of the bar, writing the second.
                auto* bar = progress.findChild<QProgressBar*>();
                QVERIFY(bar);
                connect(bar, &QProgressBar::valueChanged, &progress, [&, bar](int value) {
                    if (value == 2 * readings && cancelledAt < 0) {
                        cancelledAt = value;
                        progress.cancel();
                    }
                });
            });
            child<QPushButton>(&runs, "saveBdfButton")->click();
            OperationProgress::setDelayOverride(std::nullopt);
            QVERIFY(watch.shown);
            QCOMPARE(watch.maximum, 2 * readings);
            QVERIFY(watch.cancelOffered);
        }
        if (whileWriting)
            QCOMPARE(cancelledAt, 2 * readings);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(m_store->messages().isEmpty());

        child<QPushButton>(&runs, "saveBdfButton")->click();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("cell.bdf.csv"),
                              QStringLiteral("cell.bdf.metadata.json")}));
        QString error;
        const auto data = readBdf(file, bdfMetadataPath(file), &error);
        QVERIFY2(data, qPrintable(error));
        QCOMPARE(data->rows.size(), readings);
    }
};

QTEST_MAIN(TestRunReview)
#include "tst_runreview.moc"
