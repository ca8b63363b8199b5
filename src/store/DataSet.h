// What tables and queries share: fields, the current row, the ends of the
// rows, bookmarks and the signals linked views follow.
//
// Every failure raises DatabaseError with the engine's message. Data sets are
// meant for one thread (the window thread).
#pragma once

#include "errors/Errors.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace tarvex {

enum class FieldType { Unknown, String, Integer, Float, Date };
enum class DataSetState { Inactive, Browse, Insert };

class DataSet;

// One field of an open data set. Value, text and the setter work on the data
// set's current row (for a table being appended to: the new row).
class Field {
public:
    QString name() const { return m_name; }
    // The title a grid, a report or an export shows for the field: its name.
    QString displayLabel() const { return m_name; }
    FieldType dataType() const { return m_type; }
    int size() const { return m_size; }
    // Width in characters: the size of a text field, 11 for integers, 10 for
    // dates, 15 for floating-point numbers.
    int displayWidth() const;
    bool isVisible() const { return true; }
    bool isRequired() const { return m_required; }
    int index() const { return m_index; }

    bool isNull() const { return value().isNull(); }
    // int (qint64 beyond 32 bits), QString, double or QDate; a null QVariant
    // for an empty field. A stored value that does not fit the type comes as
    // it is stored.
    QVariant value() const;
    // Integers in decimal, texts as stored (leading blanks kept), dates in the
    // short date format of QLocale(), floating-point numbers with QLocale();
    // empty for an empty field. toString() and displayText() are the same.
    QString displayText() const { return textOf(value()); }
    QString toString() const { return displayText(); }
    qint32 toInt() const;      // raises unless a whole number within 32 bits; 0 when empty
    qint64 toLongLong() const; // raises unless a whole number; 0 when empty
    QDate toDate() const;      // raises unless a date; invalid when empty

    // Only while the data set is appending; raises for a value the field's
    // type cannot take. Text longer than the field's size is stored whole; a
    // date field keeps the date of a date-time.
    void setValue(const QVariant& value);
    void clear() { setValue(QVariant()); }

    // The text this field shows for a value as value() gives it.
    QString textOf(const QVariant& value) const;

private:
    friend class DataSet;
    Field(DataSet* owner, int index, QString name, FieldType type, int size, bool required);
    DataSet* m_owner;
    int m_index;
    QString m_name;
    FieldType m_type;
    int m_size;
    bool m_required;
};

// A bookmark remembers a row: bookmark(), later gotoBookmark().
using Bookmark = std::optional<qint64>;

// What tables and queries share. The ends follow the usual rules: first()
// sets atStart(), last() sets atEnd(), next() past the last row sets atEnd()
// (and clears atStart()) and stays on that row; both are true only on an
// empty data set.
//
// Linked views (a grid) follow the data set through its signals:
// dataSetChanged() when it opens, closes or its rows change, scrolled() when
// the current row moves. Between disableControls() and the matching
// enableControls() no signal is sent; enableControls() then sends
// dataSetChanged() if anything but moves happened, else scrolled() if the row
// moved.
class DataSet : public QObject {
    Q_OBJECT

public:
    explicit DataSet(QObject* parent = nullptr);
    ~DataSet() override;

    // The alias whose directory holds the tables.
    QString alias() const { return m_alias; }
    void setAlias(const QString& alias); // raises while open

    void open(); // does nothing when open already; positions on the first row
    // Always closes; raises afterwards if work it had to finish failed.
    void close();
    bool isActive() const { return m_state != DataSetState::Inactive; }
    void setActive(bool active);
    DataSetState state() const { return m_state; }

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    Field& field(int index);                 // raises when out of range
    Field& fieldByName(const QString& name); // raises when there is none
    Field* findField(const QString& name);   // names without regard to case

    virtual void first() = 0;
    virtual void next() = 0;
    virtual void last() = 0;
    bool atStart() const { return m_atStart; }
    bool atEnd() const { return m_atEnd; }
    bool isEmpty() const { return m_atStart && m_atEnd; }
    virtual int rowCount() = 0;
    virtual Bookmark bookmark() const = 0;
    virtual void gotoBookmark(const Bookmark& bookmark) = 0;

    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

signals:
    void dataSetChanged();
    void scrolled();

protected:
    // Connects, builds the fields (addField) and positions on the first row.
    virtual void internalOpen() = 0;
    // Work to finish before closing; may raise (the data set closes anyway).
    virtual void beforeClose() {}
    // Releases everything; must not raise.
    virtual void internalClose() noexcept = 0;
    virtual QVariant currentValue(int field) const = 0;
    // Raises unless fields can be set now. Default: raises (read-only).
    virtual void checkModifiable() const;
    // Called after checkModifiable, with a value of the field's type.
    virtual void setCurrentValue(int field, const QVariant& value);

    void addField(const QString& name, FieldType type, int size, bool required);
    void checkActive() const;
    void checkInactive() const;
    void notifyScrolled();
    void notifyChanged();

    DataSetState m_state = DataSetState::Inactive;
    bool m_atStart = true;
    bool m_atEnd = true;

private:
    friend class Field;
    QString m_alias;
    std::vector<std::unique_ptr<Field>> m_fields;
    int m_disableCount = 0;
    bool m_pendingChange = false;
    bool m_pendingScroll = false;
};

} // namespace tarvex
