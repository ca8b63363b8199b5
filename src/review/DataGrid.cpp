#include "review/DataGrid.h"

#include "store/Query.h"
#include "ui/Application.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QtDebug>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

// The data grid's indicator column is 11 pixels wide plus its grid line.
constexpr int kIndicatorWidth = 12;

// The black arrow that points at the current row.
QIcon IndicatorIcon() {
    QPixmap pixmap(6, 9);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPoint arrow[] = {{1, 0}, {5, 4}, {1, 8}};
    painter.drawPolygon(arrow, 3);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

// ---- TDataSource ------------------------------------------------------------

TDataSource::TDataSource(QObject* parent) : QAbstractTableModel(parent) {
    m_indicator = IndicatorIcon();
}

void TDataSource::SetDataSet(Query* query) {
    if (m_query == query)
        return;
    if (m_query)
        disconnect(m_query, nullptr, this, nullptr);
    m_query = query;
    if (m_query) {
        connect(m_query, &Query::dataSetChanged, this, &TDataSource::DataSetChanged);
        connect(m_query, &Query::scrolled, this, &TDataSource::Scrolled);
    }
    DataSetChanged();
}

void TDataSource::SetCurrentRow(int row) {
    if (!m_query || !m_query->isActive() || row < 0 || row == m_current)
        return;
    // The query tells where it went through Scrolled (it may stop short of
    // row when rows went away since they were counted).
    m_query->moveTo(row);
}

void TDataSource::DataSetChanged() {
    beginResetModel();
    m_rows = 0;
    m_columns = 0;
    m_current = -1;
    if (m_query && m_query->isActive()) {
        m_columns = m_query->fieldCount();
        try {
            m_rows = std::max(0, m_query->rowCount());
        } catch (const std::exception& error) {
            // Only the rows around the current one can be shown then.
            qWarning("Cannot count the rows of the query: %s", error.what());
        }
        m_current = m_query->rowNumber();
        m_rows = std::max(m_rows, m_current + 1);
    }
    endResetModel();
    emit CurrentRowChanged(m_current);
}

void TDataSource::Scrolled() {
    const int row = m_query && m_query->isActive() ? m_query->rowNumber() : -1;
    if (row >= m_rows) {
        // A walk went past the rows counted at opening: rows appended since.
        beginInsertRows(QModelIndex(), m_rows, row);
        m_rows = row + 1;
        endInsertRows();
    }
    const int old = m_current;
    if (row == old)
        return;
    m_current = row;
    if (old >= 0 && old < m_rows)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
    emit CurrentRowChanged(row);
}

int TDataSource::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int TDataSource::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant TDataSource::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_query || !m_query->isActive() || index.column() >= m_columns)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        try {
            return m_query->displayTextAt(index.row(), index.column());
        } catch (const std::exception& error) {
            qWarning("Cannot read row %d of the query: %s", index.row(), error.what());
            return QVariant();
        }
    case Qt::TextAlignmentRole: {
        const FieldType type = m_query->field(index.column()).dataType();
        const bool number = type == FieldType::Integer || type == FieldType::Float;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    default:
        return QVariant();
    }
}

QVariant TDataSource::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && m_query && m_query->isActive() && section >= 0 &&
            section < m_columns)
            return m_query->field(section).displayLabel();
        return QVariant();
    }
    if (role == Qt::DecorationRole && section == m_current)
        return m_indicator;
    return QVariant();
}

Qt::ItemFlags TDataSource::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// ---- TDBGrid ----------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
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

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        SizeColumns();
    }
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    setModel(source);
    if (!source)
        return;
    connect(source, &TDataSource::CurrentRowChanged, this, &TDBGrid::FollowDataSet);
    connect(source, &QAbstractItemModel::modelReset, this, &TDBGrid::SizeColumns);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_following || !current.isValid() || !m_source)
                    return;
                guarded([&] { m_source->SetCurrentRow(current.row()); });
            });
    SizeColumns();
    FollowDataSet(source->CurrentRow());
}

QFont TDBGrid::TitleFont() const {
    return horizontalHeader()->font();
}

void TDBGrid::SetTitleFont(const QFont& font) {
    horizontalHeader()->setFont(font);
    SizeColumns();
}

// Puts the grid's current cell on row, in the column it was in.
void TDBGrid::FollowDataSet(int row) {
    QItemSelectionModel* selection = selectionModel();
    if (!selection || !m_source)
        return;
    m_following = true;
    if (row < 0 || row >= m_source->rowCount()) {
        selection->clear();
    } else {
        const int column = std::max(0, currentIndex().column());
        const QModelIndex cell = m_source->index(row, column);
        selection->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
        scrollTo(cell);
    }
    m_following = false;
}

// Each column as wide as its field's display width in digits of the grid's
// font, or as its title when that is wider.
void TDBGrid::SizeColumns() {
    if (!m_source || !m_source->DataSet() || !m_source->DataSet()->isActive())
        return;
    Query& query = *m_source->DataSet();
    const QFontMetrics cells(font());
    const QFontMetrics titles(TitleFont());
    const int digit = cells.horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < m_source->columnCount(); ++i) {
        const Field& field = query.field(i);
        setColumnWidth(i, std::max(field.displayWidth() * digit,
                                   titles.horizontalAdvance(field.displayLabel())) +
                              8);
    }
}

} // namespace tarvex
