// The stored readings as the query window's grid, the report, the CSV file
// and the spreadsheet export read them: a read-only table model whose rows
// are the rows of the reading table in ID order and whose five columns are
// its fields (ID, VolVal, CurVal, PowVal, TestDate), titled with their names,
// with an arrow in the row header of the current row.
//
// The model never reads the whole table. open() counts the rows (the rows
// of the model from then on; rows stored later are not among them until it
// opens again) and each cell on show is read through a block of
// kBlockRows rows around it, of which the model keeps the most recent
// (kCachedRows rows at most). A walk through every row (forEachBlock) reads
// blocks of its own, one after the other, and leaves the cache and the
// current row alone. The model empties when it closes. It reads through a
// ReadingStore of its own and lives on the window thread.
//
// A model may be narrowed to the rows of one run (setIdRange): its rows are
// then the stored rows whose IDs lie in the range. A run's rows follow each
// other without gaps (one program logs into a table at a time, and Clear
// deletes the first rows only), so the model counts them from the first and
// the last ID stored within the range and reads them by ID.
#pragma once

#include "readings/RunTexts.h"
#include "store/ReadingStore.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QIcon>

#include <functional>
#include <optional>

namespace tarvex {

class ReadingModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { IdColumn, VoltsColumn, AmpsColumn, WattsColumn, DateColumn, ColumnCount };
    static constexpr int kBlockRows = 256;
    static constexpr int kCachedRows = 65536;
    static constexpr int kWalkRows = 4096;

    explicit ReadingModel(QObject* parent = nullptr);
    ~ReadingModel() override;

    // Counts the rows afresh (the model is reset) and makes the first row
    // current. Raises DatabaseError when the table cannot be read; the model
    // is closed then.
    void open();
    // Empties the model and gives up the connection.
    void close();

    // Narrows the model to the rows with IDs in range (none for an empty
    // range), or widens it to every row again (nothing); takes effect at
    // the next open().
    void setIdRange(std::optional<IdRange> range) { m_range = range; }
    std::optional<IdRange> idRange() const { return m_range; }
    bool isOpen() const { return m_open; }

    // The current row; -1 when there is none.
    int currentRow() const { return m_current; }
    // Makes row (clamped to the rows) the current row.
    void setCurrentRow(int row);

    // A row of the model. Raises DatabaseError when it cannot be read.
    StoredReading reading(int row);
    // Walks the rows of the model from the first, kWalkRows at a time:
    // visit(first, rows) gets each block in turn and returns false to stop
    // the walk. Returns false when stopped. Raises DatabaseError when a block
    // cannot be read.
    bool
    forEachBlock(const std::function<bool(int first, const QList<StoredReading>& rows)>& visit);

    // The width of a column in characters: 11 for the ID, 10 for the others.
    static int displayWidth(int column);
    // The text a cell shows: the ID in decimal, the texts as stored, the day
    // in the short date format of QLocale() (a stored text that is no date
    // as it stands).
    static QString displayText(const StoredReading& reading, int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The current row changed (-1: none).
    void currentRowChanged(int row);

private:
    const QList<StoredReading>& blockOf(int row) const;

    // Counts the rows of m_range, keeping the first ID among them.
    ReadingStore::Count countRange();

    mutable ReadingStore m_store;
    bool m_open = false;
    std::optional<IdRange> m_range;
    // With a range: the ID of the first row counted.
    qint64 m_firstId = 0;
    // The rows counted, and the last ID among them.
    ReadingStore::Count m_counted;
    int m_current = -1;
    // Blocks by their first row / kBlockRows; cost: rows.
    mutable QCache<int, QList<StoredReading>> m_blocks{kCachedRows};
    QIcon m_indicator;
};

} // namespace tarvex
