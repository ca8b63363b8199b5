#include "readings/ReadingModel.h"

#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QtDebug>

#include <algorithm>
#include <exception>
#include <limits>

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

ReadingModel::ReadingModel(QObject* parent) : QAbstractTableModel(parent) {
    m_indicator = indicatorIcon();
}

ReadingModel::~ReadingModel() = default;

void ReadingModel::open() {
    beginResetModel();
    m_blocks.clear();
    m_open = false;
    m_counted = {};
    m_current = -1;
    try {
        m_counted = m_range ? countRange() : m_store.count();
        m_open = true;
        m_current = m_counted.rows > 0 ? 0 : -1;
        if (m_counted.rows > 0)
            blockOf(0);
    } catch (...) {
        m_open = false;
        m_counted = {};
        m_current = -1;
        m_store.close();
        endResetModel();
        emit currentRowChanged(-1);
        throw;
    }
    endResetModel();
    emit currentRowChanged(m_current);
}

ReadingStore::Count ReadingModel::countRange() {
    if (m_range->isEmpty())
        return {};
    const ReadingStore::Count all = m_store.count();
    const qint64 last = std::min(m_range->last, all.lastId);
    const QList<StoredReading> first = m_store.readAfter(m_range->first - 1, 1, last);
    if (first.isEmpty())
        return {};
    m_firstId = first.first().id;
    return {int(last - m_firstId + 1), last};
}

void ReadingModel::close() {
    m_store.close();
    if (!m_open)
        return;
    beginResetModel();
    m_open = false;
    m_counted = {};
    m_current = -1;
    m_blocks.clear();
    endResetModel();
    emit currentRowChanged(-1);
}

void ReadingModel::setCurrentRow(int row) {
    if (!m_open || m_counted.rows == 0)
        return;
    row = std::clamp(row, 0, m_counted.rows - 1);
    const int old = std::exchange(m_current, row);
    if (old == row)
        return;
    if (old >= 0)
        emit headerDataChanged(Qt::Vertical, old, old);
    emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(row);
}

const QList<StoredReading>& ReadingModel::blockOf(int row) const {
    const int key = row / kBlockRows;
    if (QList<StoredReading>* cached = m_blocks.object(key))
        return *cached;
    auto* block = new QList<StoredReading>(
        m_range ? m_store.readAfter(m_firstId + qint64(key) * kBlockRows - 1, kBlockRows,
                                    m_counted.lastId)
                : m_store.read(key * kBlockRows, kBlockRows, m_counted));
    const qsizetype cost = std::max<qsizetype>(1, block->size());
    m_blocks.insert(key, block, cost);
    return *m_blocks.object(key);
}

StoredReading ReadingModel::reading(int row) {
    if (!m_open || row < 0 || row >= m_counted.rows)
        return {};
    const QList<StoredReading>& block = blockOf(row);
    return block.value(row % kBlockRows);
}

bool ReadingModel::forEachBlock(
    const std::function<bool(int first, const QList<StoredReading>& rows)>& visit) {
    if (!m_open)
        return true;
    qint64 after = m_range ? m_firstId - 1 : std::numeric_limits<qint64>::min();
    for (int first = 0; first < m_counted.rows;) {
        const QList<StoredReading> rows =
            m_store.readAfter(after, std::min(kWalkRows, m_counted.rows - first), m_counted.lastId);
        if (rows.isEmpty())
            break; // rows went away by other hands meanwhile
        if (!visit(first, rows))
            return false;
        first += static_cast<int>(rows.size());
        after = rows.last().id;
    }
    return true;
}

int ReadingModel::displayWidth(int column) {
    return column == IdColumn ? 11 : 10;
}

QString ReadingModel::displayText(const StoredReading& reading, int column) {
    switch (column) {
    case IdColumn:
        return QString::number(reading.id);
    case VoltsColumn:
        return reading.volts;
    case AmpsColumn:
        return reading.amps;
    case WattsColumn:
        return reading.watts;
    case DateColumn:
        return reading.date.isValid() ? QLocale().toString(reading.date, QLocale::ShortFormat)
                                      : reading.dateText;
    default:
        return QString();
    }
}

int ReadingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_open ? 0 : m_counted.rows;
}

int ReadingModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_open ? 0 : ColumnCount;
}

QVariant ReadingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_open || index.row() >= m_counted.rows)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        try {
            const QList<StoredReading>& block = blockOf(index.row());
            const qsizetype at = index.row() % kBlockRows;
            return at < block.size() ? displayText(block[at], index.column()) : QString();
        } catch (const std::exception& error) {
            qWarning("Cannot read row %d of the reading table: %s", index.row(), error.what());
            return QVariant();
        }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (index.column() == IdColumn ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return QVariant();
    }
}

QVariant ReadingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && m_open && section >= 0 && section < ColumnCount)
            return ReadingStore::fieldNames().value(section);
        return QVariant();
    }
    if (role == Qt::DecorationRole && section == m_current)
        return m_indicator;
    return QVariant();
}

Qt::ItemFlags ReadingModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace tarvex
