// The table engine: named aliases that point at data directories, tables of
// the local type "Paradox" and read-only select queries, over Qt SQL with its
// SQLite driver.
//
// Storage. All tables of one alias directory live in one SQLite file in that
// directory (TableFilePath). The file runs in WAL mode with synchronous=FULL,
// and every posted row is one committed transaction (unless the table is
// locked, see TTable::LockTable), so a posted row survives a crash or a power
// cut. Table names are matched without regard to letter case. A file that is
// not a database, or is damaged, raises an DatabaseError naming the file; the
// engine never replaces, overwrites or truncates it.
//
// Configuration. Aliases and their NAME=VALUE parameters live in the engine's
// own configuration file (EngineConfigFile, under the user's configuration
// directory). The engine starts at its first use: it loads the Qt SQLite
// driver and reads the file. When the driver cannot be loaded, or the file
// cannot be read or written, it fails to start and every operation raises;
// the next operation tries to start it again. Alias changes take effect at
// once and last beyond the run after SaveEngineConfig.
//
// Every failure raises DatabaseError with the engine's message. Everything
// here is meant for one thread (the window thread); the configuration
// functions may also be called from others.
#pragma once

#include "errors/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QSqlQuery;

namespace tarvex {

enum class TTableType { ttDefault, ttParadox };
enum class TFieldType { ftUnknown, ftString, ftInteger, ftFloat, ftDate };
enum class TDataSetState { dsInactive, dsBrowse, dsInsert };
enum class TLockType { ltReadLock, ltWriteLock };

// Options of an index definition.
enum TIndexOption : unsigned { ixPrimary = 1u, ixUnique = 2u };
using TIndexOptions = unsigned;

struct TFieldDef {
    QString Name;
    TFieldType DataType = TFieldType::ftString;
    int Size = 0; // characters, for ftString (1 to 255); ignored otherwise
    bool Required = false;
};

struct TIndexDef {
    QString Name;
    QStringList Fields;
    TIndexOptions Options = 0;
};

// ---- Engine operations ----------------------------------------------------

// All alias names, as stored.
QStringList ListAliases();
// Adds a standard alias with the parameters "PATH=" + directory and
// "DEFAULT DRIVER=" + driver. The only driver is "Paradox" (any letter case).
// Raises when an alias of that name (in any letter case) exists.
void AddPathAlias(const QString& name, const QString& directory, const QString& driver);
// The alias's parameters as NAME=VALUE lines in stored order; for an alias
// made by AddPathAlias the first is the "PATH=" line. Alias names are matched
// without regard to case.
QStringList ReadAliasParams(const QString& alias);
// Each parameter named in lines (NAME=VALUE, names matched without regard to
// case) takes the new value in its place; a name not yet stored is added at
// the end; the other parameters stay.
void ChangeAliasParams(const QString& alias, const QStringList& lines);
// Writes the configuration file (atomically), so alias changes last.
void SaveEngineConfig();
// Table names of the alias's directory, system tables left out. A directory
// without a table file has none (and gets no file).
QStringList ListTables(const QString& alias);
// Creates an empty table (and the table file when there is none). Raises when
// a table of that name exists in any letter case. At most one primary index;
// a primary index on a single ftInteger field keeps the rows in its order.
void CreateTableFrom(const QString& alias, const QString& tableName, TTableType type,
                     const QList<TFieldDef>& fields, const QList<TIndexDef>& indexes);

// The SQLite file that holds the tables of the alias's directory.
QString TableFilePath(const QString& alias);
// The configuration file in use.
QString EngineConfigFile();

// Test seams. Each setter stops the engine (as at the end of a run: the loaded
// configuration is forgotten, unsaved changes are lost; open tables and
// queries keep working) and returns the previous setting.
// The Qt SQL driver the engine loads ("QSQLITE"); another name simulates a
// missing driver.
QString SetEngineDriverName(const QString& driver);
// The configuration file; empty means the default place under
// QStandardPaths::GenericConfigLocation.
QString SetEngineConfigFile(const QString& path);
// Stops the engine; the next operation starts it again.
void ShutdownEngine();

// ---- Data sets ------------------------------------------------------------

class TDataSet;

// One field of an open data set. Value, text and the setters work on the data
// set's current row (for a table being appended to: the new row).
class TField {
public:
    QString FieldName() const { return m_name; }
    QString DisplayLabel() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    int Size() const { return m_size; }
    // Width in characters: the size of a text field, 11 for integers, 10 for
    // dates, 15 for floating-point numbers.
    int DisplayWidth() const;
    bool Visible() const { return true; }
    bool Required() const { return m_required; }
    int Index() const { return m_index; }

    bool IsNull() const { return Value().isNull(); }
    // int (qint64 beyond 32 bits), QString, double or QDate; a null QVariant
    // for an empty field. A stored value that does not fit the type comes as
    // it is stored.
    QVariant Value() const;
    // Integers in decimal, texts as stored (leading blanks kept), dates in the
    // short date format of QLocale(), floating-point numbers with QLocale();
    // empty for an empty field. AsString, DisplayText and Text are the same.
    QString AsString() const { return TextOf(Value()); }
    QString DisplayText() const { return AsString(); }
    QString Text() const { return AsString(); }
    qint32 AsInteger() const;  // raises unless a whole number within 32 bits; 0 when empty
    qint64 AsLargeInt() const; // raises unless a whole number; 0 when empty
    QDate AsDate() const;      // raises unless a date; invalid when empty

    // Only while the data set is appending. Text longer than the field's size
    // is stored whole; a date-time keeps its date only.
    void SetValue(const QVariant& value);
    void SetAsInteger(qint32 value) { SetValue(QVariant(value)); }
    void SetAsString(const QString& value) { SetValue(QVariant(value)); }
    void SetAsDate(QDate value) { SetValue(QVariant(value)); }
    void SetAsDateTime(const QDateTime& value) { SetValue(QVariant(value.date())); }
    void Clear() { SetValue(QVariant()); }

    // The text this field shows for a value as Value() gives it.
    QString TextOf(const QVariant& value) const;

private:
    friend class TDataSet;
    TField(TDataSet* owner, int index, QString name, TFieldType type, int size, bool required);
    TDataSet* m_owner;
    int m_index;
    QString m_name;
    TFieldType m_type;
    int m_size;
    bool m_required;
};

// A bookmark remembers a row: GetBookmark, later GotoBookmark.
using TBookmark = std::optional<qint64>;

// What tables and queries share. Bof/Eof follow the usual rules: First sets
// Bof, Last sets Eof, Next past the last row sets Eof (and clears Bof) and
// stays on that row; both are true only on an empty data set.
//
// Linked views (a grid) follow the data set through its signals: DataSetChanged
// when it opens, closes or its rows change, Scrolled when the current row
// moves. Between DisableControls and the matching EnableControls no signal is
// sent; EnableControls then sends DataSetChanged if anything but moves
// happened, else Scrolled if the row moved.
class TDataSet : public QObject {
    Q_OBJECT

public:
    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    QString DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString& alias); // raises while open

    void Open(); // does nothing when open already; positions on the first row
    // Always closes; raises afterwards if work it had to finish failed.
    void Close();
    bool Active() const { return m_state != TDataSetState::dsInactive; }
    void SetActive(bool active);
    TDataSetState State() const { return m_state; }

    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    TField& Fields(int index);
    TField& FieldByName(const QString& name); // raises when there is none
    TField* FindField(const QString& name);   // names without regard to case

    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Last() = 0;
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const { return m_bof && m_eof; }
    virtual int CountRows() = 0;
    virtual TBookmark GetBookmark() const = 0;
    virtual void GotoBookmark(const TBookmark& bookmark) = 0;

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

signals:
    void DataSetChanged();
    void Scrolled();

protected:
    // Connects, builds the fields (AddField) and positions on the first row.
    virtual void InternalOpen() = 0;
    // Work to finish before closing; may raise (the data set closes anyway).
    virtual void BeforeClose() {}
    // Releases everything; must not raise.
    virtual void InternalClose() noexcept = 0;
    virtual QVariant CurrentValue(int field) const = 0;
    // Raises unless fields can be set now. Default: raises (read-only).
    virtual void CheckModifiable() const;
    // Called after CheckModifiable, with a value of the field's type.
    virtual void SetCurrentValue(int field, const QVariant& value);

    void AddField(const QString& name, TFieldType type, int size, bool required);
    void CheckActive() const;
    void CheckInactive() const;
    void NotifyScrolled();
    void NotifyChanged();

    TDataSetState m_state = TDataSetState::dsInactive;
    bool m_bof = true;
    bool m_eof = true;

private:
    friend class TField;
    QString m_databaseName;
    std::vector<std::unique_ptr<TField>> m_fields;
    int m_disableCount = 0;
    bool m_pendingChange = false;
    bool m_pendingScroll = false;
};

class TConnection;

// A table of an alias's directory. Rows are kept in the order of the table's
// primary index (the order of insertion when it has none); First, Next and
// Last move in that order, so Last reads the largest key through the index.
class TTable : public TDataSet {
    Q_OBJECT

public:
    explicit TTable(QObject* parent = nullptr);
    ~TTable() override;

    QString TableName() const { return m_tableName; }
    void SetTableName(const QString& name); // raises while open
    TTableType TableType() const { return m_tableType; }
    void SetTableType(TTableType type); // raises while open

    // While appending, moving first posts the new row.
    void First() override;
    void Next() override;
    void Last() override;

    // Starts a new, empty row (posting one being appended).
    void Append();
    // Stores the new row as one committed transaction (inside the lock's
    // transaction while the table is locked) and makes it the current row. On
    // failure the row stays unposted (Cancel drops it).
    void Post();
    // Drops the row being appended; Close drops it too.
    void Cancel();
    // Deletes the current row and moves to the row that follows; when none
    // follows, Eof turns true.
    void Delete();
    // Rows stored; the row being appended is not counted.
    int CountRows() override;

    // A lock of either type keeps every other table or query object and
    // every other process from changing the tables of this alias directory
    // until UnlockTable (readers go on). Rows posted and deleted meanwhile are
    // committed together by the UnlockTable that releases the lock (or by
    // Close). Locks nest; UnlockTable without a lock does nothing.
    void LockTable(TLockType type);
    void UnlockTable(TLockType type);
    bool Locked() const { return m_lockDepth > 0; }

    TBookmark GetBookmark() const override; // the row's SQLite rowid
    void GotoBookmark(const TBookmark& bookmark) override;

protected:
    void InternalOpen() override;
    void BeforeClose() override;
    void InternalClose() noexcept override;
    QVariant CurrentValue(int field) const override;
    void CheckModifiable() const override;
    void SetCurrentValue(int field, const QVariant& value) override;

private:
    struct Session;
    void CheckBrowseMode();
    bool LoadRow(QSqlQuery& query);
    bool Seek(QSqlQuery& query, const QVariantList& key);
    void ClearCurrent();
    void Commit();
    void Begin();

    QString m_tableName;
    TTableType m_tableType = TTableType::ttDefault;
    std::unique_ptr<Session> m_session;
    std::optional<qint64> m_rowid; // current row
    QVariantList m_row;            // its values (as Value() gives them)
    QVariantList m_orderKey;       // its key in the table's order
    QVariantList m_newRow;         // the row being appended
    int m_lockDepth = 0;
};

// A select statement on an alias's tables. The result is read-only.
//
// Cost: nothing is read at once. Rows are fetched in blocks as they are
// needed (256 rows around a row asked for; a walk with Next fetches blocks
// that double up to 32768 rows) and a few blocks are kept. Each fetch runs the
// statement with LIMIT/OFFSET and finishes it, so an open query holds no read
// transaction between calls and never keeps the table file's log from being
// checkpointed; reaching row n costs SQLite a skip over n rows (tens of
// milliseconds at a million). CountRows runs one COUNT(*) over the statement
// (SQLite counts a table's entries without decoding them) and keeps the answer
// until the query is closed. Since every block is read afresh, rows appended
// to the table while the query is open may show up after the counted ones.
class TQuery : public TDataSet {
    Q_OBJECT

public:
    explicit TQuery(QObject* parent = nullptr);
    ~TQuery() override;

    // The statement, one select (a trailing ";" is allowed). Setting it
    // closes the query.
    QStringList SQL() const { return m_sql; }
    void SetSQL(const QStringList& lines);

    void First() override;
    void Next() override;
    void Prior();
    void Last() override;
    int CountRows() override;

    // The current row's number from 0; -1 when the result is empty.
    int RowNumber() const { return m_row; }
    // Makes row (clamped to the result) the current row.
    void MoveTo(int row);

    // Random access that does not move the current row. A row past the end
    // gives a null value and an empty text.
    QVariant RowValue(int row, int field);
    QString RowDisplayText(int row, int field);

    TBookmark GetBookmark() const override; // the row number
    void GotoBookmark(const TBookmark& bookmark) override;

protected:
    void InternalOpen() override;
    void InternalClose() noexcept override;
    QVariant CurrentValue(int field) const override;

private:
    struct Block {
        int start = 0;
        int count = 0;
        std::vector<QVariant> values; // count * FieldCount()
    };
    QString Statement() const;
    const Block* FindBlock(int row);
    const Block* Fetch(int start, int size, bool sequential);
    const Block* BlockFor(int row);
    void SetCurrent(int row);

    QStringList m_sql;
    std::unique_ptr<TConnection> m_connection;
    std::vector<TFieldType> m_types;
    std::deque<Block> m_blocks; // most recently used first
    std::optional<int> m_rowCount;
    int m_row = -1;
    QVariantList m_current;
    int m_sequentialEnd = -1; // where the last walking block ended
    int m_sequentialSize = 0;
};

} // namespace tarvex
