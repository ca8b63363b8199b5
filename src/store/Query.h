// Query objects: a read-only select statement on an alias's tables.
#pragma once

#include "store/DataSet.h"

#include <QStringList>
#include <QVariantList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tarvex {

class Connection;

// A select statement on an alias's tables. The result is read-only.
//
// Cost: nothing is read at once. Rows are fetched in blocks as they are
// needed (256 rows around a row asked for; a walk through the rows, with
// next() or row after row with valueAt(), fetches blocks that double up to
// 8192 rows) and a few blocks are kept. Each fetch runs the statement with
// LIMIT/OFFSET and finishes it, so an open query holds no read transaction
// between calls and never keeps the table file's log from being
// checkpointed; reaching row n costs SQLite a skip over n rows (the table
// file is read through a memory map, so about 20 ms at a million). rowCount() runs one COUNT(*)
// over the statement (SQLite counts a table's entries without decoding them) and keeps the answer
// until the query is closed. Since every block is read afresh, rows appended
// to the table while the query is open may show up after the counted ones.
class Query : public DataSet {
    Q_OBJECT

public:
    explicit Query(QObject* parent = nullptr);
    ~Query() override;

    // The statement, one select (a trailing ";" is allowed). Setting it
    // closes the query.
    QStringList sql() const { return m_sql; }
    void setSql(const QStringList& lines);

    void first() override;
    void next() override;
    void previous();
    void last() override;
    int rowCount() override;

    // The current row's number from 0; -1 when the result is empty.
    int rowNumber() const { return m_row; }
    // Makes row (clamped to the result) the current row.
    void moveTo(int row);

    // Random access that does not move the current row. A row past the end
    // gives a null value and an empty text.
    QVariant valueAt(int row, int fieldIndex);
    QString displayTextAt(int row, int fieldIndex);

    Bookmark bookmark() const override; // the row number
    void gotoBookmark(const Bookmark& bookmark) override;

protected:
    void internalOpen() override;
    void internalClose() noexcept override;
    QVariant currentValue(int field) const override;

private:
    struct Block {
        int start = 0;
        int count = 0;
        std::vector<QVariant> values; // count * fieldCount()
    };
    QString statement() const;
    const Block* findBlock(int row);
    const Block* fetch(int start, int size, bool sequential);
    const Block* blockFor(int row);
    void setCurrent(int row);

    QStringList m_sql;
    std::unique_ptr<Connection> m_connection;
    std::vector<FieldType> m_types;
    std::deque<Block> m_blocks; // most recently used first
    std::optional<int> m_rowCount;
    int m_row = -1;
    QVariantList m_current;
    int m_sequentialEnd = -1; // where the last walking block ended
    int m_sequentialSize = 0;
};

} // namespace tarvex
