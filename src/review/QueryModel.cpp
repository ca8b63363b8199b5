#include "review/QueryModel.h"

#include <QPainter>
#include <QPixmap>
#include <QtDebug>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

// The black arrow that points at the current row.
QIcon indicatorIcon() {
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

QueryModel::QueryModel(QObject* parent) : QAbstractTableModel(parent) {
    m_indicator = indicatorIcon();
}

void QueryModel::setQuery(Query* query) {
    if (m_query == query)
        return;
    if (m_query)
        disconnect(m_query, nullptr, this, nullptr);
    m_query = query;
    if (m_query) {
        connect(m_query, &Query::dataSetChanged, this, &QueryModel::reload);
        connect(m_query, &Query::scrolled, this, &QueryModel::followQuery);
    }
    reload();
}

void QueryModel::setCurrentRow(int row) {
    if (!m_query || !m_query->isActive() || row < 0 || row == m_current)
        return;
    // The query tells where it went through scrolled() (it may stop short of
    // row when rows went away since they were counted).
    m_query->moveTo(row);
}

// The query opened, closed or changed its rows: counted afresh.
void QueryModel::reload() {
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
    emit currentRowChanged(m_current);
}

// The query moved to another row.
void QueryModel::followQuery() {
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
    emit currentRowChanged(row);
}

int QueryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int QueryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
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

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
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

Qt::ItemFlags QueryModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace tarvex
