#include "review/DataGrid.h"

#include "readings/ReadingModel.h"
#include "ui/Application.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>

namespace tarvex {

namespace {

// The data grid's indicator column is 11 pixels wide plus its grid line.
constexpr int kIndicatorWidth = 12;

} // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    QHeaderView* titles = horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setHighlightSections(false);
    titles->setSectionsClickable(false);

    // The row indicator: no row numbers, an arrow at the current row. Rows
    // keep one height, so the grid never measures a row to lay it out.
    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultAlignment(Qt::AlignCenter);
    indicator->setHighlightSections(false);
    indicator->setFixedWidth(kIndicatorWidth);
    indicator->setMinimumSectionSize(1);
    indicator->setDefaultSectionSize(fontMetrics().height() + 4);
}

void DataGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        sizeColumns();
    }
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_F10 || event->modifiers() != Qt::ShiftModifier) {
        QTableView::keyPressEvent(event);
        return;
    }
    // The event the Menu key brings: at the current cell (in the viewport's
    // coordinates, as for a click on the rows), or amid the rows without one.
    const QRect cell = visualRect(currentIndex());
    const QPoint at = cell.isValid() ? cell.center() : viewport()->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at),
                           event->modifiers());
    QCoreApplication::sendEvent(this, &menu);
    event->accept();
}

void DataGrid::setReadingModel(ReadingModel* model) {
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    if (!model)
        return;
    connect(model, &ReadingModel::currentRowChanged, this, &DataGrid::followCurrentRow);
    connect(model, &QAbstractItemModel::modelReset, this, &DataGrid::sizeColumns);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_following || !current.isValid() || !m_model)
                    return;
                guarded([&] { m_model->setCurrentRow(current.row()); });
            });
    sizeColumns();
    followCurrentRow(model->currentRow());
}

QFont DataGrid::titleFont() const {
    return horizontalHeader()->font();
}

void DataGrid::setTitleFont(const QFont& font) {
    horizontalHeader()->setFont(font);
    sizeColumns();
}

// Puts the grid's current cell on row, in the column it was in.
void DataGrid::followCurrentRow(int row) {
    QItemSelectionModel* selection = selectionModel();
    if (!selection || !m_model)
        return;
    m_following = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
    } else {
        const int column = std::max(0, currentIndex().column());
        const QModelIndex cell = m_model->index(row, column);
        selection->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
        scrollTo(cell);
    }
    m_following = false;
}

// Each column as wide as its field's display width in digits of the grid's
// font, or as its title when that is wider.
void DataGrid::sizeColumns() {
    if (!m_model || !m_model->isOpen())
        return;
    const QFontMetrics cells(font());
    const QFontMetrics titles(titleFont());
    const int digit = cells.horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < m_model->columnCount(); ++i) {
        const QString title = m_model->headerData(i, Qt::Horizontal).toString();
        setColumnWidth(
            i,
            std::max(ReadingModel::displayWidth(i) * digit, titles.horizontalAdvance(title)) + 8);
    }
}

} // namespace tarvex
