// Table objects: a cursor over one table in the order of its primary index,
// appending and deleting rows one committed transaction at a time.

#include "store/Table.h"

#include "store/Connection_p.h"

#include <QSqlRecord>

#include <algorithm>
#include <limits>
#include <vector>

namespace tarvex {

// What an open table holds: its connection and the prepared statements that
// move through its rows, store and delete them.
struct Table::Cursor {
    // The connection outlives the queries below (members die in reverse).
    std::unique_ptr<Connection> connection;
    QString table; // stored name
    std::vector<FieldType> types;
    std::vector<int> keyColumns; // positions in a row read by the queries (0: the row's identity)
    QSqlQuery first, last, next, prior, byRowid, insert, remove, count;
    // The first rows in the table's order: deleted at once, or listed.
    QSqlQuery removeFirst, firstRowids;
};

Table::Table(QObject* parent) : DataSet(parent) {}

Table::~Table() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; the connection is closed either way.
    }
}

void Table::setTableName(const QString& name) {
    checkInactive();
    m_tableName = name;
}

void Table::setTableType(TableType type) {
    checkInactive();
    m_tableType = type;
}

void Table::internalOpen() {
    if (alias().isEmpty())
        throw DatabaseError(
            QStringLiteral("Cannot open table \"%1\": no alias given").arg(m_tableName));
    if (m_tableName.isEmpty())
        throw DatabaseError(QStringLiteral("Cannot open a table without a name"));
    auto s = std::make_unique<Cursor>();
    s->connection = Connection::open(alias(), false, m_tableType);
    if (!s->connection)
        throw DatabaseError(
            QStringLiteral("Table %1 does not exist (alias %2)").arg(m_tableName, alias()));
    s->table = s->connection->resolveTable(m_tableName);
    const QList<Connection::Column> columns = s->connection->columns(s->table);

    QStringList names;
    QList<QPair<int, int>> keys; // primary key position, column
    for (int i = 0; i < columns.size(); ++i) {
        const Connection::Column& c = columns[i];
        int size = 0;
        const FieldType type = fieldTypeOf(c.declaredType, &size);
        addField(c.name, type, size, c.notNull);
        s->types.push_back(type);
        names << quoteName(c.name);
        if (c.primaryKeyPosition > 0)
            keys.append({c.primaryKeyPosition, i});
    }
    std::sort(keys.begin(), keys.end());
    QStringList order;
    QStringList orderDesc;
    for (const auto& k : keys) {
        s->keyColumns.push_back(k.second + 1);
        order << names[k.second];
    }
    Connection& c = *s->connection;
    const QString rowId = c.rowIdColumn();
    if (order.isEmpty()) {
        s->keyColumns.push_back(0);
        order << rowId;
    }
    for (const QString& o : order)
        orderDesc << o + QStringLiteral(" DESC");
    QStringList marks;
    for (std::size_t i = 0; i < s->keyColumns.size(); ++i)
        marks << QStringLiteral("?");

    const QString t = quoteName(s->table);
    const QString select = QStringLiteral("SELECT %1, %2 FROM %3 ").arg(rowId, names.join(u','), t);
    const QString key = u'(' + order.join(u',') + u')';
    const QString values = u'(' + marks.join(u',') + u')';
    const QString asc =
        QStringLiteral(" ORDER BY ") + order.join(u',') + QStringLiteral(" LIMIT 1");
    const QString desc =
        QStringLiteral(" ORDER BY ") + orderDesc.join(u',') + QStringLiteral(" LIMIT 1");
    s->first = c.prepare(select + asc);
    s->last = c.prepare(select + desc);
    s->next =
        c.prepare(select + QStringLiteral("WHERE ") + key + QStringLiteral(" > ") + values + asc);
    s->prior =
        c.prepare(select + QStringLiteral("WHERE ") + key + QStringLiteral(" < ") + values + desc);
    s->byRowid = c.prepare(select + QStringLiteral("WHERE %1 = ?").arg(rowId));
    QStringList insertMarks;
    for (int i = 0; i < columns.size(); ++i)
        insertMarks << QStringLiteral("?");
    s->insert =
        c.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
                      .arg(t, names.join(u','), insertMarks.join(u','), c.returningRowId()));
    s->remove = c.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(t, rowId));
    s->count = c.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(t));
    const QString firstRowids =
        QStringLiteral("SELECT %1 FROM %2 ORDER BY %3 LIMIT ?").arg(rowId, t, order.join(u','));
    s->removeFirst =
        c.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)").arg(t, rowId, firstRowids));
    s->firstRowids = c.prepare(firstRowids);
    m_cursor = std::move(s);

    m_atStart = true;
    m_atEnd = !seek(m_cursor->first, {});
}

void Table::beforeClose() {
    m_newRow.clear();
    if (m_state == DataSetState::Insert)
        m_state = DataSetState::Browse;
    if (m_lockDepth > 0) {
        m_lockDepth = 0;
        commit();
    }
}

void Table::internalClose() noexcept {
    m_cursor.reset();
    clearCurrent();
    m_newRow.clear();
    m_lockDepth = 0;
}

// Reads the row a navigation query found (if any) and makes it current.
bool Table::loadRow(QSqlQuery& query) {
    if (!query.next()) {
        query.finish();
        return false;
    }
    m_rowid = m_cursor->connection->rowIdOf(query.value(0));
    m_row.clear();
    for (std::size_t i = 0; i < m_cursor->types.size(); ++i)
        m_row << fromStorage(m_cursor->types[i], query.value(static_cast<int>(i) + 1));
    m_orderKey.clear();
    for (const int k : m_cursor->keyColumns)
        m_orderKey << query.value(k);
    query.finish();
    return true;
}

QVariant Table::currentValue(int field) const {
    if (m_state == DataSetState::Insert)
        return m_newRow.value(field);
    return m_rowid ? m_row.value(field) : QVariant();
}

void Table::checkModifiable() const {
    if (m_state != DataSetState::Insert)
        throw DatabaseError(
            QStringLiteral("Table %1 is not appending a row: call Append first").arg(m_tableName));
}

void Table::setCurrentValue(int field, const QVariant& value) {
    checkModifiable();
    m_newRow[field] = value;
}

void Table::checkBrowseMode() {
    checkActive();
    if (m_state == DataSetState::Insert)
        post();
}

// Runs a navigation query with the key values bound and makes the row it
// finds current; false (nothing changed) when it finds none.
bool Table::seek(QSqlQuery& query, const QVariantList& key) {
    for (int i = 0; i < key.size(); ++i)
        query.bindValue(i, key[i]);
    m_cursor->connection->exec(query, QStringLiteral("Cannot read table %1").arg(m_tableName));
    return loadRow(query);
}

void Table::clearCurrent() {
    m_rowid.reset();
    m_row.clear();
    m_orderKey.clear();
}

void Table::first() {
    checkBrowseMode();
    if (!seek(m_cursor->first, {}))
        clearCurrent();
    m_atStart = true;
    m_atEnd = !m_rowid;
    notifyScrolled();
}

void Table::last() {
    checkBrowseMode();
    if (!seek(m_cursor->last, {}))
        clearCurrent();
    m_atEnd = true;
    m_atStart = !m_rowid;
    notifyScrolled();
}

void Table::next() {
    checkBrowseMode();
    if (m_rowid && seek(m_cursor->next, m_orderKey)) {
        m_atStart = m_atEnd = false;
        notifyScrolled();
    } else {
        m_atEnd = true;
        m_atStart = !m_rowid;
    }
}

void Table::append() {
    checkBrowseMode();
    m_newRow = QVariantList(fieldCount());
    m_state = DataSetState::Insert;
    notifyScrolled();
}

void Table::begin(bool lockOthersOut) {
    m_cursor->connection->beginWrite(lockOthersOut ? m_cursor->table : QString(),
                                     QStringLiteral("Cannot write to table %1").arg(m_tableName));
}

void Table::commit() {
    try {
        m_cursor->connection->run(QStringLiteral("COMMIT"),
                                  QStringLiteral("Cannot write to table %1").arg(m_tableName));
    } catch (...) {
        rollbackQuietly();
        throw;
    }
}

void Table::rollbackQuietly() {
    try {
        m_cursor->connection->run(QStringLiteral("ROLLBACK"), QString());
    } catch (const DatabaseError&) {
        // Nothing left to undo.
    }
}

void Table::post() {
    checkActive();
    if (m_state != DataSetState::Insert)
        return;
    QSqlQuery& q = m_cursor->insert;
    for (int i = 0; i < fieldCount(); ++i)
        q.bindValue(i, toStorage(m_cursor->types[static_cast<std::size_t>(i)], m_newRow[i]));
    const bool own = m_lockDepth == 0;
    if (own)
        begin();
    try {
        m_cursor->connection->exec(
            q, QStringLiteral("Cannot store a row in table %1").arg(m_tableName));
    } catch (...) {
        if (own) {
            try {
                m_cursor->connection->run(QStringLiteral("ROLLBACK"), QString());
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
    const qint64 rowid = m_cursor->connection->insertedRowId(q);
    q.finish();
    if (own)
        commit();

    m_state = DataSetState::Browse;
    m_newRow.clear();
    if (!seek(m_cursor->byRowid, {m_cursor->connection->rowIdValue(rowid)}))
        clearCurrent();
    m_atStart = m_atEnd = false;
    notifyChanged();
}

void Table::cancel() {
    if (m_state != DataSetState::Insert)
        return;
    m_newRow.clear();
    m_state = DataSetState::Browse;
    notifyScrolled();
}

void Table::remove() {
    checkActive();
    if (m_state == DataSetState::Insert) {
        cancel();
        return;
    }
    if (!m_rowid)
        throw DatabaseError(
            QStringLiteral("Cannot delete from table %1: it has no current row").arg(m_tableName));
    const QString context = QStringLiteral("Cannot delete a row of table %1").arg(m_tableName);
    Connection& c = *m_cursor->connection;
    const bool own = m_lockDepth == 0;
    if (own)
        begin();
    try {
        m_cursor->remove.bindValue(0, c.rowIdValue(*m_rowid));
        c.exec(m_cursor->remove, context);
        m_cursor->remove.finish();
    } catch (...) {
        if (own) {
            try {
                c.run(QStringLiteral("ROLLBACK"), QString());
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
    if (own)
        commit();

    // The row that follows becomes current; past the end, the one before.
    const QVariantList key = m_orderKey;
    if (seek(m_cursor->next, key)) {
        m_atEnd = false;
    } else {
        m_atStart = !seek(m_cursor->prior, key);
        if (m_atStart)
            clearCurrent();
        m_atEnd = true;
    }
    notifyChanged();
}

int Table::removeFirst(int count) {
    checkBrowseMode();
    if (count <= 0)
        return 0;
    Connection& c = *m_cursor->connection;
    const QString context = QStringLiteral("Cannot delete a row of table %1").arg(m_tableName);
    const bool own = m_lockDepth == 0;
    if (own)
        begin();
    int deleted = 0;
    std::optional<DatabaseError> failure;
    try {
        // A savepoint, so that a refused block is undone on its own, also
        // inside the lock's transaction.
        c.run(QStringLiteral("SAVEPOINT remove_first"), context);
        try {
            m_cursor->removeFirst.bindValue(0, count);
            c.exec(m_cursor->removeFirst, context);
            deleted = m_cursor->removeFirst.numRowsAffected();
            m_cursor->removeFirst.finish();
            c.run(QStringLiteral("RELEASE remove_first"), context);
        } catch (const DatabaseError&) {
            // Some row refuses: find it, deleting those before it.
            c.run(QStringLiteral("ROLLBACK TO remove_first"), context);
            c.run(QStringLiteral("RELEASE remove_first"), context);
            deleted = removeOneByOne(count, failure);
        }
        if (own)
            commit();
    } catch (...) {
        if (own)
            rollbackQuietly();
        throw;
    }
    if (!seek(m_cursor->first, {}))
        clearCurrent();
    m_atStart = true;
    m_atEnd = !m_rowid;
    if (deleted > 0)
        notifyChanged();
    if (failure)
        throw *failure;
    return deleted;
}

// Deletes the first `count` rows one at a time, in order, until one fails;
// that failure is kept in `failure`. Returns how many went.
int Table::removeOneByOne(int count, std::optional<DatabaseError>& failure) {
    Connection& c = *m_cursor->connection;
    QSqlQuery& list = m_cursor->firstRowids;
    list.bindValue(0, count);
    c.exec(list, QStringLiteral("Cannot read table %1").arg(m_tableName));
    std::vector<qint64> rowids;
    while (list.next())
        rowids.push_back(c.rowIdOf(list.value(0)));
    list.finish();

    const QString context = QStringLiteral("Cannot delete a row of table %1").arg(m_tableName);
    int deleted = 0;
    for (const qint64 rowid : rowids) {
        try {
            m_cursor->remove.bindValue(0, c.rowIdValue(rowid));
            c.exec(m_cursor->remove, context);
            m_cursor->remove.finish();
        } catch (const DatabaseError& error) {
            failure = error;
            break;
        }
        ++deleted;
    }
    return deleted;
}

bool Table::tryClaim() {
    checkActive();
    return m_cursor->connection->tryClaim();
}

bool Table::isConnectionLost() const {
    return m_cursor && m_cursor->connection->isLost();
}

int Table::rowCount() {
    checkActive();
    QSqlQuery& q = m_cursor->count;
    m_cursor->connection->exec(
        q, QStringLiteral("Cannot count the rows of table %1").arg(m_tableName));
    const qint64 n = q.next() ? q.value(0).toLongLong() : -1;
    q.finish();
    return static_cast<int>(qMin<qint64>(n, std::numeric_limits<int>::max()));
}

void Table::lockTable(LockType) {
    checkActive();
    if (m_lockDepth == 0)
        begin(true);
    ++m_lockDepth;
}

void Table::unlockTable(LockType) {
    if (!isActive() || m_lockDepth == 0)
        return;
    if (--m_lockDepth == 0)
        commit();
}

Bookmark Table::bookmark() const {
    return isActive() && m_state == DataSetState::Browse ? m_rowid : std::nullopt;
}

void Table::gotoBookmark(const Bookmark& bookmark) {
    checkBrowseMode();
    if (!bookmark)
        return;
    if (!seek(m_cursor->byRowid, {m_cursor->connection->rowIdValue(*bookmark)}))
        throw DatabaseError(
            QStringLiteral("The remembered row of table %1 no longer exists").arg(m_tableName));
    m_atStart = m_atEnd = false;
    notifyScrolled();
}

} // namespace tarvex
