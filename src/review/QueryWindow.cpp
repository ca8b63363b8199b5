#include "review/QueryWindow.h"

#include "export/CsvWriter.h"
#include "export/LibreOfficeAutomation.h"
#include "export/SpreadsheetExport.h"
#include "readings/ReadingModel.h"
#include "readings/RunTexts.h"
#include "report/ReadingReport.h"
#include "report/ReportPreviewDialog.h"
#include "review/DataGrid.h"
#include "review/RunFiles.h"
#include "review/RunsWindow.h"
#include "store/ReadingStore.h"
#include "ui/Application.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationProgress.h"
#include "ui/Pictures.h"

#include <QAbstractListModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSaveFile>
#include <QStandardPaths>
#include <QToolButton>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

// Clear: the first block, the largest, and the time a block should take.
constexpr int kFirstClearBlock = 2000;
constexpr int kMaxClearBlock = 200000;
constexpr qint64 kClearBlockMs = 60;
// Clear shows its progress once it has taken this long.
constexpr int kClearProgressDelayMs = 500;
// So does "Save as CSV…".
constexpr int kCsvProgressDelayMs = 500;

QToolButton* makeToolButton(QWidget* parent, const QString& name, const QString& caption,
                            const QIcon& picture, int pictureSize, const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setAccessibleName(caption);
    button->setIcon(picture);
    button->setIconSize(QSize(pictureSize, pictureSize));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFont(QFont(QStringLiteral("MS Serif"), 10));
    button->setGeometry(geometry);
    return button;
}

// Shows the busy cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

// The run chooser's entries: "All readings", then the runs newest first. An
// entry's text is made when it is shown.
class RunChoices : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setRuns(QList<RunRecord> runs) {
        beginResetModel();
        m_runs = std::move(runs);
        endResetModel();
    }
    const QList<RunRecord>& runs() const { return m_runs; }
    // The run of a row (from 1); nothing for All readings.
    std::optional<RunRecord> runAt(int row) const {
        if (row < 1 || row > m_runs.size())
            return std::nullopt;
        return m_runs[m_runs.size() - row];
    }
    int rowOf(qint64 runId) const {
        for (qsizetype i = 0; i < m_runs.size(); ++i)
            if (m_runs[i].id == runId)
                return int(m_runs.size() - i);
        return 0;
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(m_runs.size()) + 1;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        if (index.row() == 0)
            return QueryWindow::tr("All readings");
        const std::optional<RunRecord> run = runAt(index.row());
        return run ? runChoiceText(*run) : QVariant();
    }

private:
    QList<RunRecord> m_runs; // by RunID
};

QueryWindow::QueryWindow(ReadingReport* report, QWidget* parent)
    : QDialog(parent), m_report(report) {
    setObjectName(QStringLiteral("queryWindow"));
    setWindowTitle(tr("Query"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The window's outer size is 568 x 431; the frame takes 8 x 30 of it.
    resize(560, 401);
    move(174, 112);

    m_model = new ReadingModel(this);
    m_model->setObjectName(QStringLiteral("model"));

    auto* toolBar = new QFrame(this);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setGeometry(0, 0, 560, 41);
    // Outer bevel lowered, inner bevel raised: an etched edge.
    toolBar->setFrameStyle(QFrame::Box | QFrame::Sunken);
    toolBar->setLineWidth(1);
    toolBar->setMidLineWidth(0);

    QToolButton* reportButton =
        makeToolButton(toolBar, QStringLiteral("reportButton"), tr("Report"), reportButtonPicture(),
                       26, {10, 5, 87, 32});
    QToolButton* exportButton = makeToolButton(toolBar, QStringLiteral("exportButton"), tr("Excel"),
                                               exportButtonPicture(), 16, {116, 5, 87, 32});
    QToolButton* clearButton = makeToolButton(toolBar, QStringLiteral("clearButton"), tr("Clear"),
                                              clearButtonPicture(), 16, {222, 5, 87, 32});

    auto* runLabel = new QLabel(tr("&Run:"), toolBar);
    runLabel->setObjectName(QStringLiteral("runLabel"));
    runLabel->setGeometry(318, 12, 30, 18);
    m_runChoices = new RunChoices(this);
    m_runChooser = new QComboBox(toolBar);
    m_runChooser->setObjectName(QStringLiteral("runChooser"));
    m_runChooser->setAccessibleName(tr("Run"));
    m_runChooser->setGeometry(350, 9, 138, 24);
    m_runChooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_runChooser->setModel(m_runChoices);
    // A list below the box with a scroll bar, as high as 20 entries: a list
    // laid over the box would be measured entry by entry before it shows.
    m_runChooser->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_runChooser->setMaxVisibleItems(20);
    // The list is as wide as its entries need, whatever the box's width.
    auto* choices = new QListView(m_runChooser);
    choices->setUniformItemSizes(true);
    choices->setMinimumWidth(440);
    m_runChooser->setView(choices);
    runLabel->setBuddy(m_runChooser);
    connect(m_runChooser, &QComboBox::activated, this,
            [this] { guarded([this] { applyChoice(); }); });
    auto* runsButton = new QToolButton(toolBar);
    runsButton->setObjectName(QStringLiteral("runsButton"));
    runsButton->setText(tr("R&uns…"));
    runsButton->setAccessibleName(tr("Runs…"));
    runsButton->setAutoRaise(true);
    runsButton->setFocusPolicy(Qt::StrongFocus);
    runsButton->setGeometry(494, 8, 60, 26);
    connect(runsButton, &QToolButton::clicked, this, [this] { guarded([this] { showRuns(); }); });

    auto* grid = new DataGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setAccessibleName(tr("Readings"));
    grid->setGeometry(0, 42, 559, 359);
    grid->setTitleFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    grid->setReadingModel(m_model);

    connect(reportButton, &QToolButton::clicked, this,
            [this] { guarded([this] { showReport(); }); });
    connect(exportButton, &QToolButton::clicked, this,
            [this] { guarded([this] { exportToSpreadsheet(); }); });
    connect(clearButton, &QToolButton::clicked, this,
            [this] { guarded([this] { clearAllReadings(); }); });

    m_saveCsvAction = new QAction(tr("Save as CSV…"), this);
    m_saveCsvAction->setObjectName(QStringLiteral("saveCsvAction"));
    m_saveCsvAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_saveCsvAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_saveCsvAction);
    connect(m_saveCsvAction, &QAction::triggered, this,
            [this] { guarded([this] { saveAsCsv(); }); });

    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("gridMenu"));
    m_gridMenu->addAction(m_saveCsvAction);

    m_saveBdfAction = new QAction(tr("Save as BDF…"), this);
    m_saveBdfAction->setObjectName(QStringLiteral("saveBdfAction"));
    m_saveBdfAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    m_saveBdfAction->setShortcutContext(Qt::WindowShortcut);
    m_saveBdfAction->setEnabled(false);
    addAction(m_saveBdfAction);
    connect(m_saveBdfAction, &QAction::triggered, this,
            [this] { guarded([this] { saveAsBdf(); }); });
    m_gridMenu->addAction(m_saveBdfAction);
    // Asked for by a right click on the rows, the Menu key or Shift+F10; the
    // position is the viewport's.
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
        m_gridMenu->popup(grid->viewport()->mapToGlobal(at));
    });

    setTabOrder(reportButton, exportButton);
    setTabOrder(exportButton, clearButton);
    setTabOrder(clearButton, m_runChooser);
    setTabOrder(m_runChooser, runsButton);
    setTabOrder(runsButton, grid);
}

QueryWindow::~QueryWindow() = default;

void QueryWindow::done(int result) {
    guarded([this] { closeReadings(); });
    QDialog::done(result);
}

void QueryWindow::openReadings() {
    loadRuns();
    applyChoice();
}

void QueryWindow::loadRuns() {
    const std::optional<RunRecord> chosen = chosenRun();
    ReadingStore store;
    m_runChoices->setRuns(store.runs());
    m_runChooser->setCurrentIndex(chosen ? m_runChoices->rowOf(chosen->id) : 0);
}

std::optional<RunRecord> QueryWindow::chosenRun() const {
    return m_runChoices->runAt(m_runChooser->currentIndex());
}

void QueryWindow::applyChoice() {
    const std::optional<RunRecord> run = chosenRun();
    m_model->setIdRange(run ? std::optional<IdRange>(runReadingIds(*run, m_runChoices->runs()))
                            : std::nullopt);
    m_saveBdfAction->setEnabled(run.has_value());
    m_model->open();
}

void QueryWindow::openRun(std::optional<qint64> runId) {
    loadRuns();
    m_runChooser->setCurrentIndex(runId ? m_runChoices->rowOf(*runId) : 0);
    applyChoice();
}

void QueryWindow::showRuns() {
    if (!m_runsWindow) {
        m_runsWindow = new RunsWindow(this);
        connect(m_runsWindow, &RunsWindow::openRequested, this,
                [this](qint64 runId) { guarded([this, runId] { openRun(runId); }); });
    }
    m_runsWindow->openRuns();
    if (const std::optional<RunRecord> run = chosenRun())
        m_runsWindow->selectRun(run->id);
    m_runsWindow->exec();
}

void QueryWindow::saveAsBdf() {
    if (const std::optional<RunRecord> run = chosenRun())
        saveRunAsBdf(this, *run, m_bdfDirectory);
}

void QueryWindow::closeReadings() {
    m_model->close();
}

void QueryWindow::showReport() {
    if (!m_report) {
        m_ownReport = std::make_unique<ReadingReport>();
        m_report = m_ownReport.get();
    }
    const std::optional<RunRecord> run = chosenRun();
    m_report->setRun(run, run ? runReadingIds(*run, m_runChoices->runs()) : IdRange{});
    m_report->openReadings();
    ReportPreviewDialog::preview(*m_report, this);
}

void QueryWindow::setSpreadsheetAutomation(std::unique_ptr<SpreadsheetAutomation> automation) {
    m_export.reset();
    m_automation = std::move(automation);
}

void QueryWindow::exportToSpreadsheet() {
    if (!m_automation)
        m_automation = loadLibreOfficeAutomation();
    if (!m_export)
        m_export = std::make_unique<SpreadsheetExport>(*m_automation);
    exportReadingsToSpreadsheet(*m_export, *m_model, this);
}

void QueryWindow::clearAllReadings() {
    m_model->close();
    if (showMessageBox(tr("Clear All Record,Yes or No?"), QMessageBox::Question,
                       QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    bool failed = false;
    {
        const BusyCursor busy;
        ReadingStore store;
        // A table that cannot be read, or that another program logs into,
        // reaches the default exception display; nothing has been deleted
        // then.
        store.claim();
        const int total = store.count().rows;
        try {
            deleteReadings(store, total);
        } catch (...) {
            failed = true;
        }
        // Every block was committed on its own: rows deleted before a failure
        // stay deleted, and no lock is left for the readings stored meanwhile.
    }
    if (failed)
        showPlainMessageBox(tr("Failed to Clear Data from Table!"), applicationTitle());
}

// Deletes the rows stored when the operator confirmed: the first ones in ID
// order, as many as there were then. Readings stored while it runs get larger
// IDs and stay. The rows go in blocks, each its own transaction of about
// kClearBlockMs, so that the reading log waits at most that long for the table
// and the window thread serves what arrives between blocks.
void QueryWindow::deleteReadings(ReadingStore& store, int total) {
    OperationProgress progress(this, tr("Clearing records..."), total, kClearProgressDelayMs,
                               OperationProgress::Cancel::NotOffered);
    int deleted = 0;
    int block = kFirstClearBlock;
    QElapsedTimer clock;
    while (deleted < total) {
        clock.start();
        const int gone = store.removeFirst(std::min(block, total - deleted));
        if (gone == 0)
            break; // rows went away by other hands meanwhile
        deleted += gone;
        const qint64 took = std::max<qint64>(1, clock.elapsed());
        block = static_cast<int>(
            std::clamp<qint64>(gone * kClearBlockMs / took, kFirstClearBlock, kMaxClearBlock));
        progress.advance(deleted);
    }
}

void QueryWindow::saveAsCsv() {
    // Readings that cannot be read are reported before any file is asked for.
    if (!m_model->isOpen())
        m_model->open();
    if (m_csvDirectory.isEmpty()) {
        m_csvDirectory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(m_csvDirectory).isDir())
            m_csvDirectory = QDir::homePath();
    }
    SaveFileRequest request;
    request.parent = this;
    request.caption = tr("Save as CSV");
    request.proposedPath = QDir(m_csvDirectory).filePath(QStringLiteral("Tarvex.csv"));
    request.filter = tr("CSV files (*.csv);;All files (*)");
    request.defaultSuffix = QStringLiteral("csv");
    const QString fileName = askSaveFileName(request);
    if (fileName.isEmpty())
        return;
    m_csvDirectory = QFileInfo(fileName).absolutePath();

    QString error;
    if (!writeCsvFile(fileName, error))
        showMessageBox(tr("The CSV file %1 could not be written: %2")
                           .arg(QDir::toNativeSeparators(fileName), error),
                       QMessageBox::Warning, QMessageBox::Ok);
}

bool QueryWindow::writeCsvFile(const QString& fileName, QString& error) {
    // The rows go to a temporary file beside fileName, which takes its name
    // only at commit().
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const BusyCursor busy;
    OperationProgress progress(this, tr("Saving records..."), m_model->rowCount(),
                               kCsvProgressDelayMs, OperationProgress::Cancel::Offered);
    CsvWriter writer;
    connect(&writer, &CsvWriter::progressed, &writer, [&progress, &writer](int rows) {
        if (!progress.advance(rows))
            writer.cancel();
    });
    CsvWriter::Result result = CsvWriter::Result::Failed;
    try {
        result = writer.write(*m_model, file);
    } catch (const std::exception& e) {
        file.cancelWriting();
        error = QString::fromUtf8(e.what());
        return false;
    }
    switch (result) {
    case CsvWriter::Result::Written:
        if (file.commit())
            return true;
        error = file.errorString();
        return false;
    case CsvWriter::Result::Cancelled:
        file.cancelWriting();
        return true;
    case CsvWriter::Result::Failed:
        break;
    }
    file.cancelWriting();
    error = writer.errorString();
    return false;
}

} // namespace tarvex
