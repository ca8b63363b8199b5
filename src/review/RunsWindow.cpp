#include "review/RunsWindow.h"

#include "review/CompareWindow.h"
#include "review/RunFiles.h"
#include "review/RunsModel.h"
#include "store/ReadingStore.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationProgress.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <algorithm>

namespace tarvex {

namespace {

// Compare shows its progress once reading the runs has taken this long.
constexpr int kCompareProgressDelayMs = 500;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& accessibleName) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    return button;
}

// A table whose Enter opens the current run.
class RunsTable : public QTableView {
public:
    using QTableView::QTableView;
    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter) {
            onEnter();
            event->accept();
            return;
        }
        QTableView::keyPressEvent(event);
    }
};

} // namespace

RunsWindow::RunsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("runsWindow"));
    setWindowTitle(tr("Runs"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    m_model = new RunsModel(this);
    m_model->setObjectName(QStringLiteral("runsModel"));
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(Qt::UserRole);

    auto* table = new RunsTable(this);
    m_table = table;
    m_table->setObjectName(QStringLiteral("runsTable"));
    m_table->setAccessibleName(tr("Runs"));
    m_table->setModel(m_sorted);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(RunsModel::RunColumn, Qt::DescendingOrder);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[RunsModel::ColumnCount] = {7, 20, 20, 10, 16, 13, 9, 9, 8, 8, 9, 44, 18};
    for (int c = 0; c < RunsModel::ColumnCount; ++c)
        m_table->setColumnWidth(c, widths[c] * digit);
    table->onEnter = [this] { guarded([this] { openCurrent(); }); };
    connect(m_table, &QTableView::doubleClicked, this,
            [this] { guarded([this] { openCurrent(); }); });

    m_open = makeButton(this, "openButton", tr("&Open"), tr("Open"));
    m_compareButton = makeButton(this, "compareButton", tr("&Compare"), tr("Compare"));
    m_saveBdf = makeButton(this, "saveBdfButton", tr("Save as &BDF…"), tr("Save as BDF…"));
    auto* close = makeButton(this, "closeButton", tr("Close"), tr("Close"));
    connect(m_open, &QPushButton::clicked, this, [this] { guarded([this] { openCurrent(); }); });
    connect(m_compareButton, &QPushButton::clicked, this,
            [this] { guarded([this] { compareSelected(); }); });
    connect(m_saveBdf, &QPushButton::clicked, this,
            [this] { guarded([this] { saveCurrentAsBdf(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RunsWindow::updateButtons);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &RunsWindow::updateButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_compareButton);
    buttons->addWidget(m_saveBdf);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    setTabOrder(m_table, m_open);
    setTabOrder(m_open, m_compareButton);
    setTabOrder(m_compareButton, m_saveBdf);
    setTabOrder(m_saveBdf, close);
    resize(980, 480);
    updateButtons();
}

RunsWindow::~RunsWindow() = default;

void RunsWindow::openRuns() {
    ReadingStore store;
    m_model->setRuns(store.runs());
    if (m_sorted->rowCount() > 0)
        m_table->setCurrentIndex(m_sorted->index(0, 0));
    updateButtons();
}

QList<RunRecord> RunsWindow::selectedRuns() const {
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<RunRecord> runs;
    for (const int row : rows)
        runs << m_model->run(m_sorted->mapToSource(m_sorted->index(row, 0)).row());
    return runs;
}

const RunRecord* RunsWindow::currentRun() const {
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return nullptr;
    return &m_model->run(m_sorted->mapToSource(current).row());
}

void RunsWindow::selectRun(qint64 runId) {
    const int row = m_model->rowOf(runId);
    if (row < 0)
        return;
    const QModelIndex index = m_sorted->mapFromSource(m_model->index(row, 0));
    m_table->setCurrentIndex(index);
    m_table->scrollTo(index);
}

void RunsWindow::updateButtons() {
    const bool current = currentRun() != nullptr;
    m_open->setEnabled(current);
    m_saveBdf->setEnabled(current);
    m_compareButton->setEnabled(!m_table->selectionModel()->selectedRows().isEmpty());
}

void RunsWindow::openCurrent() {
    const RunRecord* run = currentRun();
    if (!run)
        return;
    const qint64 id = run->id;
    accept();
    emit openRequested(id);
}

void RunsWindow::saveCurrentAsBdf() {
    if (const RunRecord* run = currentRun())
        saveRunAsBdf(this, *run, m_bdfDirectory);
}

void RunsWindow::compareSelected() {
    QList<RunRecord> runs = selectedRuns();
    if (runs.isEmpty())
        return;
    if (runs.size() > kOverlayColorCount) {
        showMessageBox(tr("Compare shows %1 runs at most: the first %1 of the %2 "
                          "selected are shown.")
                           .arg(kOverlayColorCount)
                           .arg(runs.size()),
                       QMessageBox::Information, QMessageBox::Ok);
        runs = runs.mid(0, kOverlayColorCount);
    }
    int total = 0;
    for (const RunRecord& run : runs)
        total += std::max(1, run.readings);
    QList<CompareRun> compared;
    {
        OperationProgress progress(this, tr("Reading the runs..."), total, kCompareProgressDelayMs,
                                   OperationProgress::Cancel::Offered);
        ReadingStore store;
        int done = 0;
        for (const RunRecord& run : runs) {
            compared << CompareRun{run, store.runReadings(run.id)};
            done += std::max(1, run.readings);
            if (!progress.advance(done))
                return;
        }
    }
    if (!m_compareWindow)
        m_compareWindow = new CompareWindow(this);
    m_compareWindow->setRuns(compared);
    m_compareWindow->exec();
}

} // namespace tarvex
