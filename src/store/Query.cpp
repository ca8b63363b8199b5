// Query objects: a read-only select statement whose rows are fetched in
// blocks as they are needed, never all at once.

#include "store/Connection.h"

#include <QHash>
#include <QSqlField>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

namespace tarvex {

namespace {

constexpr int kBlockRows = 256;          // rows fetched around a row asked for
constexpr int kMaxWalkBlockRows = 32768; // largest block while walking with Next
constexpr int kMaxCachedRows = 65536;    // rows kept beyond the most recent block

} // namespace

TQuery::TQuery(QObject* parent) : TDataSet(parent) {}

TQuery::~TQuery() {
    try {
        Close();
    } catch (...) {
        // Nothing to report from a destructor.
    }
}

void TQuery::SetSQL(const QStringList& lines) {
    Close();
    m_sql = lines;
}

QString TQuery::Statement() const {
    QString text = m_sql.join(u'\n').trimmed();
    while (text.endsWith(u';'))
        text = text.chopped(1).trimmed();
    return text;
}

void TQuery::InternalOpen() {
    if (DatabaseName().isEmpty())
        throw DatabaseError(QStringLiteral("Cannot open the query: no alias given"));
    if (Statement().isEmpty())
        throw DatabaseError(QStringLiteral("Cannot open the query: it has no statement"));
    m_connection = TConnection::Open(DatabaseName(), false);
    if (!m_connection)
        throw DatabaseError(QStringLiteral("Cannot run the query \"%1\": alias %2 has no tables")
                                .arg(Statement().simplified(), DatabaseName()));
    Fetch(0, kBlockRows, false);
    if (const Block* b = FindBlock(0)) {
        m_row = -1;
        SetCurrent(b->start);
        m_bof = true;
        m_eof = false;
    } else {
        m_row = -1;
        m_bof = m_eof = true;
    }
}

void TQuery::InternalClose() noexcept {
    m_connection.reset();
    m_types.clear();
    m_blocks.clear();
    m_rowCount.reset();
    m_row = -1;
    m_current.clear();
    m_sequentialEnd = -1;
    m_sequentialSize = 0;
}

const TQuery::Block* TQuery::FindBlock(int row) {
    for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
        if (row >= it->start && row < it->start + it->count) {
            if (it != m_blocks.begin()) {
                Block b = std::move(*it);
                m_blocks.erase(it);
                m_blocks.push_front(std::move(b));
            }
            return &m_blocks.front();
        }
    }
    return nullptr;
}

// Runs the statement for rows start .. start + size - 1 and keeps them. The
// statement is finished before returning, so no read transaction stays open.
const TQuery::Block* TQuery::Fetch(int start, int size, bool sequential) {
    const QString statement = Statement();
    const QString context =
        QStringLiteral("Cannot run the query \"%1\"").arg(statement.simplified());
    QSqlQuery q = m_connection->Prepare(QStringLiteral("SELECT * FROM (\n%1\n) LIMIT %2 OFFSET %3")
                                            .arg(statement)
                                            .arg(size)
                                            .arg(start),
                                        context);
    m_connection->Exec(q, context);

    if (FieldCount() == 0) {
        const QSqlRecord record = q.record();
        QHash<QString, QList<TConnection::Column>> tables;
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField f = record.field(i);
            TFieldType type = TFieldType::ftUnknown;
            int fieldSize = 0;
            bool known = false;
            if (!f.tableName().isEmpty()) {
                if (!tables.contains(f.tableName()))
                    tables.insert(f.tableName(), m_connection->Columns(f.tableName()));
                for (const TConnection::Column& c : tables.value(f.tableName())) {
                    if (c.name.compare(f.name(), Qt::CaseInsensitive) == 0) {
                        type = FieldTypeOf(c.declaredType, &fieldSize);
                        known = type != TFieldType::ftUnknown;
                        break;
                    }
                }
            }
            if (!known) {
                switch (f.metaType().id()) {
                case QMetaType::Int:
                case QMetaType::LongLong:
                    type = TFieldType::ftInteger;
                    break;
                case QMetaType::Double:
                    type = TFieldType::ftFloat;
                    break;
                case QMetaType::QString:
                    type = TFieldType::ftString;
                    break;
                default:
                    break;
                }
            }
            AddField(f.name(), type, fieldSize, false);
            m_types.push_back(type);
        }
    }

    Block block;
    block.start = start;
    const std::size_t columns = m_types.size();
    while (block.count < size && q.next()) {
        for (std::size_t i = 0; i < columns; ++i)
            block.values.push_back(FromStorage(m_types[i], q.value(static_cast<int>(i))));
        ++block.count;
    }
    q.finish();

    if (block.count < size && (block.count > 0 || start == 0))
        m_rowCount = start + block.count;
    if (sequential || block.count > 0) {
        m_sequentialEnd = start + block.count;
        m_sequentialSize = size;
    }
    if (block.count == 0)
        return nullptr;

    m_blocks.push_front(std::move(block));
    int kept = 0;
    for (auto it = m_blocks.begin() + 1; it != m_blocks.end();) {
        kept += it->count;
        if (kept > kMaxCachedRows)
            it = m_blocks.erase(it);
        else
            ++it;
    }
    return &m_blocks.front();
}

// The block holding row, fetching it if need be; null past the end. A row
// right after the last fetched block continues a walk with a block twice as
// large; any other row gets the block of kBlockRows around it.
const TQuery::Block* TQuery::BlockFor(int row) {
    if (row < 0 || (m_rowCount && row >= *m_rowCount))
        return nullptr;
    if (const Block* b = FindBlock(row))
        return b;
    if (row == m_sequentialEnd)
        return Fetch(row, std::min(std::max(2 * m_sequentialSize, kBlockRows), kMaxWalkBlockRows),
                     true);
    return Fetch(row - row % kBlockRows, kBlockRows, false) ? FindBlock(row) : nullptr;
}

void TQuery::SetCurrent(int row) {
    const Block* b = FindBlock(row);
    const std::size_t columns = m_types.size();
    const auto first = b->values.begin() + static_cast<std::ptrdiff_t>(
                                               static_cast<std::size_t>(row - b->start) * columns);
    m_current = QVariantList(first, first + static_cast<std::ptrdiff_t>(columns));
    m_row = row;
}

QVariant TQuery::CurrentValue(int field) const {
    return m_current.value(field);
}

void TQuery::First() {
    CheckActive();
    if (BlockFor(0)) {
        SetCurrent(0);
        m_bof = true;
        m_eof = false;
    } else {
        m_row = -1;
        m_current.clear();
        m_bof = m_eof = true;
    }
    NotifyScrolled();
}

void TQuery::Next() {
    CheckActive();
    if (m_row < 0 || !BlockFor(m_row + 1)) {
        m_eof = true;
        m_bof = m_row < 0;
        return;
    }
    SetCurrent(m_row + 1);
    m_bof = m_eof = false;
    NotifyScrolled();
}

void TQuery::Prior() {
    CheckActive();
    if (m_row <= 0 || !BlockFor(m_row - 1)) {
        m_bof = true;
        m_eof = m_row < 0;
        return;
    }
    SetCurrent(m_row - 1);
    m_bof = m_eof = false;
    NotifyScrolled();
}

void TQuery::Last() {
    CheckActive();
    int n = CountRows();
    if (n > 0 && !BlockFor(n - 1)) {
        // Rows went away since they were counted: count again.
        m_rowCount.reset();
        n = CountRows();
    }
    if (n > 0 && BlockFor(n - 1)) {
        SetCurrent(n - 1);
        m_bof = false;
    } else {
        m_row = -1;
        m_current.clear();
        m_bof = true;
    }
    m_eof = true;
    NotifyScrolled();
}

void TQuery::MoveTo(int row) {
    CheckActive();
    if (row <= 0) {
        First();
    } else if (BlockFor(row)) {
        SetCurrent(row);
        m_bof = m_eof = false;
        NotifyScrolled();
    } else {
        Last();
    }
}

int TQuery::CountRows() {
    CheckActive();
    if (!m_rowCount) {
        const QString statement = Statement();
        const QString context =
            QStringLiteral("Cannot count the rows of the query \"%1\"").arg(statement.simplified());
        QSqlQuery q = m_connection->Prepare(
            QStringLiteral("SELECT count(*) FROM (\n%1\n)").arg(statement), context);
        m_connection->Exec(q, context);
        const qint64 n = q.next() ? q.value(0).toLongLong() : 0;
        q.finish();
        m_rowCount = static_cast<int>(qMin<qint64>(n, std::numeric_limits<int>::max()));
    }
    return *m_rowCount;
}

QVariant TQuery::RowValue(int row, int field) {
    if (!Active() || field < 0 || field >= FieldCount())
        return QVariant();
    const Block* b = BlockFor(row);
    if (!b)
        return QVariant();
    return b->values[static_cast<std::size_t>(row - b->start) * m_types.size() +
                     static_cast<std::size_t>(field)];
}

QString TQuery::RowDisplayText(int row, int field) {
    const QVariant v = RowValue(row, field);
    return v.isNull() ? QString() : Fields(field).TextOf(v);
}

TBookmark TQuery::GetBookmark() const {
    return m_row >= 0 ? TBookmark(m_row) : std::nullopt;
}

void TQuery::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark)
        MoveTo(static_cast<int>(std::min<qint64>(*bookmark, std::numeric_limits<int>::max())));
}

} // namespace tarvex
