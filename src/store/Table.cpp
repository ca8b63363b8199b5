// Table objects: a cursor over one table in the order of its primary index,
// appending and deleting rows one committed transaction at a time.

#include "store/Connection.h"

#include <QSqlRecord>

#include <algorithm>
#include <limits>

namespace tarvex {

struct TTable::Session {
    // The connection outlives the queries below (members die in reverse).
    std::unique_ptr<TConnection> connection;
    QString table; // stored name
    std::vector<TFieldType> types;
    std::vector<int> keyColumns; // positions in a row read by the queries (0 is rowid)
    QSqlQuery first, last, next, prior, byRowid, insert, remove, count;
};

TTable::TTable(QObject* parent) : TDataSet(parent) {}

TTable::~TTable() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; the connection is closed either way.
    }
}

void TTable::SetTableName(const QString& name) {
    CheckInactive();
    m_tableName = name;
}

void TTable::SetTableType(TTableType type) {
    CheckInactive();
    m_tableType = type;
}

void TTable::InternalOpen() {
    if (DatabaseName().isEmpty())
        throw DatabaseError(
            QStringLiteral("Cannot open table \"%1\": no alias given").arg(m_tableName));
    if (m_tableName.isEmpty())
        throw DatabaseError(QStringLiteral("Cannot open a table without a name"));
    auto s = std::make_unique<Session>();
    s->connection = TConnection::Open(DatabaseName(), false, m_tableType);
    if (!s->connection)
        throw DatabaseError(
            QStringLiteral("Table %1 does not exist (alias %2)").arg(m_tableName, DatabaseName()));
    s->table = s->connection->ResolveTable(m_tableName);
    const QList<TConnection::Column> columns = s->connection->Columns(s->table);

    QStringList names;
    QList<QPair<int, int>> keys; // primary key position, column
    for (int i = 0; i < columns.size(); ++i) {
        const TConnection::Column& c = columns[i];
        int size = 0;
        const TFieldType type = FieldTypeOf(c.declaredType, &size);
        AddField(c.name, type, size, c.notNull);
        s->types.push_back(type);
        names << QuoteName(c.name);
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
    if (order.isEmpty()) {
        s->keyColumns.push_back(0);
        order << QStringLiteral("rowid");
    }
    for (const QString& o : order)
        orderDesc << o + QStringLiteral(" DESC");
    QStringList marks;
    for (std::size_t i = 0; i < s->keyColumns.size(); ++i)
        marks << QStringLiteral("?");

    const QString t = QuoteName(s->table);
    const QString select = QStringLiteral("SELECT rowid, %1 FROM %2 ").arg(names.join(u','), t);
    const QString key = u'(' + order.join(u',') + u')';
    const QString values = u'(' + marks.join(u',') + u')';
    const QString asc =
        QStringLiteral(" ORDER BY ") + order.join(u',') + QStringLiteral(" LIMIT 1");
    const QString desc =
        QStringLiteral(" ORDER BY ") + orderDesc.join(u',') + QStringLiteral(" LIMIT 1");
    TConnection& c = *s->connection;
    s->first = c.Prepare(select + asc);
    s->last = c.Prepare(select + desc);
    s->next =
        c.Prepare(select + QStringLiteral("WHERE ") + key + QStringLiteral(" > ") + values + asc);
    s->prior =
        c.Prepare(select + QStringLiteral("WHERE ") + key + QStringLiteral(" < ") + values + desc);
    s->byRowid = c.Prepare(select + QStringLiteral("WHERE rowid = ?"));
    QStringList insertMarks;
    for (int i = 0; i < columns.size(); ++i)
        insertMarks << QStringLiteral("?");
    s->insert = c.Prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(t, names.join(u','), insertMarks.join(u',')));
    s->remove = c.Prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(t));
    s->count = c.Prepare(QStringLiteral("SELECT count(*) FROM %1").arg(t));
    m_session = std::move(s);

    m_bof = true;
    m_eof = !Seek(m_session->first, {});
}

void TTable::BeforeClose() {
    m_newRow.clear();
    if (m_state == TDataSetState::dsInsert)
        m_state = TDataSetState::dsBrowse;
    if (m_lockDepth > 0) {
        m_lockDepth = 0;
        Commit();
    }
}

void TTable::InternalClose() noexcept {
    m_session.reset();
    ClearCurrent();
    m_newRow.clear();
    m_lockDepth = 0;
}

// Reads the row a navigation query found (if any) and makes it current.
bool TTable::LoadRow(QSqlQuery& query) {
    if (!query.next()) {
        query.finish();
        return false;
    }
    m_rowid = query.value(0).toLongLong();
    m_row.clear();
    for (std::size_t i = 0; i < m_session->types.size(); ++i)
        m_row << FromStorage(m_session->types[i], query.value(static_cast<int>(i) + 1));
    m_orderKey.clear();
    for (const int k : m_session->keyColumns)
        m_orderKey << query.value(k);
    query.finish();
    return true;
}

QVariant TTable::CurrentValue(int field) const {
    if (m_state == TDataSetState::dsInsert)
        return m_newRow.value(field);
    return m_rowid ? m_row.value(field) : QVariant();
}

void TTable::CheckModifiable() const {
    if (m_state != TDataSetState::dsInsert)
        throw DatabaseError(
            QStringLiteral("Table %1 is not appending a row: call Append first").arg(m_tableName));
}

void TTable::SetCurrentValue(int field, const QVariant& value) {
    CheckModifiable();
    m_newRow[field] = value;
}

void TTable::CheckBrowseMode() {
    CheckActive();
    if (m_state == TDataSetState::dsInsert)
        Post();
}

// Runs a navigation query with the key values bound and makes the row it
// finds current; false (nothing changed) when it finds none.
bool TTable::Seek(QSqlQuery& query, const QVariantList& key) {
    for (int i = 0; i < key.size(); ++i)
        query.bindValue(i, key[i]);
    m_session->connection->Exec(query, QStringLiteral("Cannot read table %1").arg(m_tableName));
    return LoadRow(query);
}

void TTable::ClearCurrent() {
    m_rowid.reset();
    m_row.clear();
    m_orderKey.clear();
}

void TTable::First() {
    CheckBrowseMode();
    if (!Seek(m_session->first, {}))
        ClearCurrent();
    m_bof = true;
    m_eof = !m_rowid;
    NotifyScrolled();
}

void TTable::Last() {
    CheckBrowseMode();
    if (!Seek(m_session->last, {}))
        ClearCurrent();
    m_eof = true;
    m_bof = !m_rowid;
    NotifyScrolled();
}

void TTable::Next() {
    CheckBrowseMode();
    if (m_rowid && Seek(m_session->next, m_orderKey)) {
        m_bof = m_eof = false;
        NotifyScrolled();
    } else {
        m_eof = true;
        m_bof = !m_rowid;
    }
}

void TTable::Append() {
    CheckBrowseMode();
    m_newRow = QVariantList(FieldCount());
    m_state = TDataSetState::dsInsert;
    NotifyScrolled();
}

void TTable::Begin() {
    m_session->connection->Run(QStringLiteral("BEGIN IMMEDIATE"),
                               QStringLiteral("Cannot write to table %1").arg(m_tableName));
}

void TTable::Commit() {
    try {
        m_session->connection->Run(QStringLiteral("COMMIT"),
                                   QStringLiteral("Cannot write to table %1").arg(m_tableName));
    } catch (...) {
        try {
            m_session->connection->Run(QStringLiteral("ROLLBACK"), QString());
        } catch (const DatabaseError&) {
            // Nothing left to undo.
        }
        throw;
    }
}

void TTable::Post() {
    CheckActive();
    if (m_state != TDataSetState::dsInsert)
        return;
    QSqlQuery& q = m_session->insert;
    for (int i = 0; i < FieldCount(); ++i)
        q.bindValue(i, ToStorage(m_session->types[static_cast<std::size_t>(i)], m_newRow[i]));
    const bool own = m_lockDepth == 0;
    if (own)
        Begin();
    try {
        m_session->connection->Exec(
            q, QStringLiteral("Cannot store a row in table %1").arg(m_tableName));
    } catch (...) {
        if (own) {
            try {
                m_session->connection->Run(QStringLiteral("ROLLBACK"), QString());
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
    const qint64 rowid = q.lastInsertId().toLongLong();
    q.finish();
    if (own)
        Commit();

    m_state = TDataSetState::dsBrowse;
    m_newRow.clear();
    if (!Seek(m_session->byRowid, {rowid}))
        ClearCurrent();
    m_bof = m_eof = false;
    NotifyChanged();
}

void TTable::Cancel() {
    if (m_state != TDataSetState::dsInsert)
        return;
    m_newRow.clear();
    m_state = TDataSetState::dsBrowse;
    NotifyScrolled();
}

void TTable::Delete() {
    CheckActive();
    if (m_state == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (!m_rowid)
        throw DatabaseError(
            QStringLiteral("Cannot delete from table %1: it has no current row").arg(m_tableName));
    const QString context = QStringLiteral("Cannot delete a row of table %1").arg(m_tableName);
    TConnection& c = *m_session->connection;
    const bool own = m_lockDepth == 0;
    if (own)
        Begin();
    try {
        m_session->remove.bindValue(0, *m_rowid);
        c.Exec(m_session->remove, context);
        m_session->remove.finish();
    } catch (...) {
        if (own) {
            try {
                c.Run(QStringLiteral("ROLLBACK"), QString());
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
    if (own)
        Commit();

    // The row that follows becomes current; past the end, the one before.
    const QVariantList key = m_orderKey;
    if (Seek(m_session->next, key)) {
        m_eof = false;
    } else {
        m_bof = !Seek(m_session->prior, key);
        if (m_bof)
            ClearCurrent();
        m_eof = true;
    }
    NotifyChanged();
}

int TTable::CountRows() {
    CheckActive();
    QSqlQuery& q = m_session->count;
    m_session->connection->Exec(
        q, QStringLiteral("Cannot count the rows of table %1").arg(m_tableName));
    const qint64 n = q.next() ? q.value(0).toLongLong() : -1;
    q.finish();
    return static_cast<int>(qMin<qint64>(n, std::numeric_limits<int>::max()));
}

void TTable::LockTable(TLockType) {
    CheckActive();
    if (m_lockDepth == 0)
        Begin();
    ++m_lockDepth;
}

void TTable::UnlockTable(TLockType) {
    if (!Active() || m_lockDepth == 0)
        return;
    if (--m_lockDepth == 0)
        Commit();
}

TBookmark TTable::GetBookmark() const {
    return Active() && m_state == TDataSetState::dsBrowse ? m_rowid : std::nullopt;
}

void TTable::GotoBookmark(const TBookmark& bookmark) {
    CheckBrowseMode();
    if (!bookmark)
        return;
    if (!Seek(m_session->byRowid, {*bookmark}))
        throw DatabaseError(
            QStringLiteral("The remembered row of table %1 no longer exists").arg(m_tableName));
    m_bof = m_eof = false;
    NotifyScrolled();
}

} // namespace tarvex
