// Query objects: a read-only select statement whose rows are fetched in
// blocks as they are needed, never all at once.

#include "store/Query.h"

#include "store/Connection_p.h"

#include <QHash>
#include <QSqlField>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

namespace tarvex {

namespace {

constexpr int kBlockRows = 256;         // rows fetched around a row asked for
constexpr int kMaxWalkBlockRows = 8192; // largest block of a walk through the rows
constexpr int kMaxCachedRows = 65536;   // rows kept beyond the most recent block
// The table file is read through a memory map of at most this size: a skip to
// a far row then walks pages in memory instead of reading each one from the
// file. Map pages are the file's own (clean, shared with the file cache).
constexpr qint64 kMapBytes = qint64(256) << 20;

} // namespace

Query::Query(QObject* parent) : DataSet(parent) {}

Query::~Query() {
    try {
        close();
    } catch (...) {
        // Nothing to report from a destructor.
    }
}

void Query::setSql(const QStringList& lines) {
    close();
    m_sql = lines;
}

QString Query::statement() const {
    QString text = m_sql.join(u'\n').trimmed();
    while (text.endsWith(u';'))
        text = text.chopped(1).trimmed();
    return text;
}

void Query::internalOpen() {
    if (alias().isEmpty())
        throw DatabaseError(QStringLiteral("Cannot open the query: no alias given"));
    if (statement().isEmpty())
        throw DatabaseError(QStringLiteral("Cannot open the query: it has no statement"));
    m_connection = Connection::open(alias(), false);
    if (!m_connection)
        throw DatabaseError(QStringLiteral("Cannot run the query \"%1\": alias %2 has no tables")
                                .arg(statement().simplified(), alias()));
    m_connection->mapForReading(
        kMapBytes, QStringLiteral("Cannot run the query \"%1\"").arg(statement().simplified()));
    fetch(0, kBlockRows, false);
    if (const Block* b = findBlock(0)) {
        m_row = -1;
        setCurrent(b->start);
        m_atStart = true;
        m_atEnd = false;
    } else {
        m_row = -1;
        m_atStart = m_atEnd = true;
    }
}

void Query::internalClose() noexcept {
    m_connection.reset();
    m_types.clear();
    m_blocks.clear();
    m_rowCount.reset();
    m_row = -1;
    m_current.clear();
    m_sequentialEnd = -1;
    m_sequentialSize = 0;
}

const Query::Block* Query::findBlock(int row) {
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
const Query::Block* Query::fetch(int start, int size, bool sequential) {
    const QString text = statement();
    const QString context = QStringLiteral("Cannot run the query \"%1\"").arg(text.simplified());
    QSqlQuery q =
        m_connection->prepare(QStringLiteral("SELECT * FROM (\n%1\n) AS q LIMIT %2 OFFSET %3")
                                  .arg(text)
                                  .arg(size)
                                  .arg(start),
                              context);
    m_connection->exec(q, context);

    if (fieldCount() == 0) {
        const QSqlRecord record = q.record();
        QHash<QString, QList<Connection::Column>> tables;
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField f = record.field(i);
            FieldType type = FieldType::Unknown;
            int fieldSize = 0;
            bool known = false;
            if (!f.tableName().isEmpty()) {
                if (!tables.contains(f.tableName()))
                    tables.insert(f.tableName(), m_connection->columns(f.tableName()));
                for (const Connection::Column& c : tables.value(f.tableName())) {
                    if (c.name.compare(f.name(), Qt::CaseInsensitive) == 0) {
                        type = fieldTypeOf(c.declaredType, &fieldSize);
                        known = type != FieldType::Unknown;
                        break;
                    }
                }
            }
            if (!known) {
                // A server's driver names no table for a forward-only
                // result: the type comes from the column, and the size of a
                // text from its declared length.
                switch (f.metaType().id()) {
                case QMetaType::Int:
                case QMetaType::LongLong:
                    type = FieldType::Integer;
                    break;
                case QMetaType::Double:
                    type = FieldType::Float;
                    break;
                case QMetaType::QString:
                    type = FieldType::String;
                    fieldSize = qMax(0, f.length());
                    break;
                case QMetaType::QDate:
                    type = FieldType::Date;
                    break;
                default:
                    break;
                }
            }
            addField(f.name(), type, fieldSize, false);
            m_types.push_back(type);
        }
    }

    Block block;
    block.start = start;
    const std::size_t columns = m_types.size();
    block.values.reserve(static_cast<std::size_t>(size) * columns);
    while (block.count < size && q.next()) {
        for (std::size_t i = 0; i < columns; ++i)
            block.values.push_back(fromStorage(m_types[i], q.value(static_cast<int>(i))));
        ++block.count;
    }
    q.finish();
    if (block.count < size)
        block.values.shrink_to_fit();

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
const Query::Block* Query::blockFor(int row) {
    if (row < 0 || (m_rowCount && row >= *m_rowCount))
        return nullptr;
    if (const Block* b = findBlock(row))
        return b;
    if (row == m_sequentialEnd)
        return fetch(row, std::min(std::max(2 * m_sequentialSize, kBlockRows), kMaxWalkBlockRows),
                     true);
    return fetch(row - row % kBlockRows, kBlockRows, false) ? findBlock(row) : nullptr;
}

void Query::setCurrent(int row) {
    const Block* b = findBlock(row);
    const std::size_t columns = m_types.size();
    const auto first = b->values.begin() + static_cast<std::ptrdiff_t>(
                                               static_cast<std::size_t>(row - b->start) * columns);
    m_current = QVariantList(first, first + static_cast<std::ptrdiff_t>(columns));
    m_row = row;
}

QVariant Query::currentValue(int field) const {
    return m_current.value(field);
}

void Query::first() {
    checkActive();
    if (blockFor(0)) {
        setCurrent(0);
        m_atStart = true;
        m_atEnd = false;
    } else {
        m_row = -1;
        m_current.clear();
        m_atStart = m_atEnd = true;
    }
    notifyScrolled();
}

void Query::next() {
    checkActive();
    if (m_row < 0 || !blockFor(m_row + 1)) {
        m_atEnd = true;
        m_atStart = m_row < 0;
        return;
    }
    setCurrent(m_row + 1);
    m_atStart = m_atEnd = false;
    notifyScrolled();
}

void Query::previous() {
    checkActive();
    if (m_row <= 0 || !blockFor(m_row - 1)) {
        m_atStart = true;
        m_atEnd = m_row < 0;
        return;
    }
    setCurrent(m_row - 1);
    m_atStart = m_atEnd = false;
    notifyScrolled();
}

void Query::last() {
    checkActive();
    int n = rowCount();
    if (n > 0 && !blockFor(n - 1)) {
        // Rows went away since they were counted: count again.
        m_rowCount.reset();
        n = rowCount();
    }
    if (n > 0 && blockFor(n - 1)) {
        setCurrent(n - 1);
        m_atStart = false;
    } else {
        m_row = -1;
        m_current.clear();
        m_atStart = true;
    }
    m_atEnd = true;
    notifyScrolled();
}

void Query::moveTo(int row) {
    checkActive();
    if (row <= 0) {
        first();
    } else if (blockFor(row)) {
        setCurrent(row);
        m_atStart = m_atEnd = false;
        notifyScrolled();
    } else {
        last();
    }
}

int Query::rowCount() {
    checkActive();
    if (!m_rowCount) {
        const QString text = statement();
        const QString context =
            QStringLiteral("Cannot count the rows of the query \"%1\"").arg(text.simplified());
        QSqlQuery q = m_connection->prepare(
            QStringLiteral("SELECT count(*) FROM (\n%1\n) AS q").arg(text), context);
        m_connection->exec(q, context);
        const qint64 n = q.next() ? q.value(0).toLongLong() : 0;
        q.finish();
        m_rowCount = static_cast<int>(qMin<qint64>(n, std::numeric_limits<int>::max()));
    }
    return *m_rowCount;
}

QVariant Query::valueAt(int row, int fieldIndex) {
    if (!isActive() || fieldIndex < 0 || fieldIndex >= fieldCount())
        return QVariant();
    const Block* b = blockFor(row);
    if (!b)
        return QVariant();
    return b->values[static_cast<std::size_t>(row - b->start) * m_types.size() +
                     static_cast<std::size_t>(fieldIndex)];
}

QString Query::displayTextAt(int row, int fieldIndex) {
    const QVariant v = valueAt(row, fieldIndex);
    return v.isNull() ? QString() : field(fieldIndex).textOf(v);
}

Bookmark Query::bookmark() const {
    return m_row >= 0 ? Bookmark(m_row) : std::nullopt;
}

void Query::gotoBookmark(const Bookmark& bookmark) {
    if (bookmark)
        moveTo(static_cast<int>(std::min<qint64>(*bookmark, std::numeric_limits<int>::max())));
}

} // namespace tarvex
