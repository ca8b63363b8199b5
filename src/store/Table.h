// Table objects: a cursor over one table of an alias directory, appending and
// deleting rows one committed transaction at a time.
#pragma once

#include "store/DataSet.h"
#include "store/TableEngine.h"

#include <QVariantList>

#include <memory>
#include <optional>

class QSqlQuery;

namespace tarvex {

enum class LockType { Read, Write };

// A table of an alias's directory or of its schema on a server. Rows are
// kept in the order of the table's primary index (when it has none: the order
// of insertion in a table file, the order of the rows' places on a server);
// first(), next() and last() move in that order, so last() reads the largest
// key through the index.
class Table : public DataSet {
    Q_OBJECT

public:
    explicit Table(QObject* parent = nullptr);
    ~Table() override;

    QString tableName() const { return m_tableName; }
    void setTableName(const QString& name); // raises while open
    TableType tableType() const { return m_tableType; }
    void setTableType(TableType type); // raises while open

    // While appending, moving first posts the new row.
    void first() override;
    void next() override;
    void last() override;

    // Starts a new, empty row (posting one being appended).
    void append();
    // Stores the new row as one committed transaction (inside the lock's
    // transaction while the table is locked) and makes it the current row. On
    // failure the row stays unposted (cancel() drops it).
    void post();
    // Drops the row being appended; close() drops it too.
    void cancel();
    // Deletes the current row and moves to the row that follows; when none
    // follows, atEnd() turns true. While appending, drops the new row instead.
    void remove();
    // Deletes the first `count` rows in the table's order (all of them when
    // fewer are stored) with one statement, as one committed transaction
    // (inside the lock's transaction while the table is locked), and returns
    // how many went. When a row refuses to go, the rows before it are deleted
    // and committed all the same, the rest of the block stays, and the
    // engine's error is raised. A failure to take the table's write lock
    // raises before anything is deleted. Afterwards the first row is current.
    // Cost: one b-tree walk over the rows deleted; nothing is read into memory
    // unless a row refuses to go.
    int removeFirst(int count);
    // Rows stored; the row being appended is not counted.
    int rowCount() override;

    // A lock of either type keeps every other table or query object and
    // every other process from changing the tables of this alias directory
    // (on a server: this table) until unlockTable() (readers go on). Rows posted and deleted
    // meanwhile are committed together by the unlockTable() that releases the lock (or by close()).
    // Locks nest; unlockTable() without a lock does nothing.
    void lockTable(LockType type);
    void unlockTable(LockType type);
    bool isLocked() const { return m_lockDepth > 0; }

    // Claims the alias's tables for this table object until it closes: a
    // second table object (of this or another program) that tries to claim
    // them is refused meanwhile. On a server this is an advisory lock of the
    // connection's session keyed on the schema's name, so two programs
    // configured on one schema find each other; it also ends when the
    // connection is lost. A table file has nothing to claim: always true.
    // False when the claim is held elsewhere; raises when it cannot be asked.
    bool tryClaim();
    // The connection to the server broke (it restarted or went away):
    // nothing on this table works until it is closed and opened again. Never
    // true for a table file.
    bool isConnectionLost() const;

    Bookmark bookmark() const override; // the row's identity (SQLite's rowid)
    void gotoBookmark(const Bookmark& bookmark) override;

protected:
    void internalOpen() override;
    void beforeClose() override;
    void internalClose() noexcept override;
    QVariant currentValue(int field) const override;
    void checkModifiable() const override;
    void setCurrentValue(int field, const QVariant& value) override;

private:
    struct Cursor;
    void checkBrowseMode();
    bool loadRow(QSqlQuery& query);
    bool seek(QSqlQuery& query, const QVariantList& key);
    void clearCurrent();
    void commit();
    void begin(bool lockOthersOut = false);
    void rollbackQuietly();
    int removeOneByOne(int count, std::optional<DatabaseError>& failure);

    QString m_tableName;
    TableType m_tableType = TableType::Default;
    std::unique_ptr<Cursor> m_cursor; // while open
    std::optional<qint64> m_rowid;    // current row
    QVariantList m_row;               // its values (as Field::value() gives them)
    QVariantList m_orderKey;          // its key in the table's order
    QVariantList m_newRow;            // the row being appended
    int m_lockDepth = 0;
};

} // namespace tarvex
