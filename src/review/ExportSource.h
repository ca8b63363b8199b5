// What the spreadsheet export reads: a query seen through ExportSource. The
// query window adapts its query to it; tests give it an in-memory one.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace tarvex {

// The kinds of field the export tells apart; text, whole-number and date
// fields are exported, the others are left out.
enum class ExportFieldType { Text, WholeNumber, Date, Other };

struct ExportField {
    QString name;
    QString displayLabel; // empty: the name stands for it
    bool visible = true;
    ExportFieldType type = ExportFieldType::Text;
};

// What the export needs of a query: its fields, the number of its rows, a
// walk over its rows, the current row kept and restored, and the links to the
// controls that show it suspended and resumed. Every failure is raised as an
// exception.
class ExportSource {
public:
    virtual ~ExportSource() = default;
    // Opens the query; an open query stays as it is.
    virtual void open() = 0;
    virtual QList<ExportField> fields() const = 0;
    // The number of rows, for the progress shown (the walk decides how many
    // are written).
    virtual int rowCount() = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    // True once the walk has gone past the last row (and for an empty query).
    virtual bool atEnd() const = 0;
    // The edit text of a field (by its index in fields()) in the current row.
    virtual QString editText(int field) const = 0;
    // The value of a field in the current row: a whole number (int or
    // qint64) for a whole-number field, a QDate for a date field; null when
    // the field is empty.
    virtual QVariant value(int field) const = 0;
    // Marks the current row, and makes the marked row current again.
    virtual QVariant bookmark() const = 0;
    virtual void gotoBookmark(const QVariant& bookmark) = 0;
    // Suspends and resumes the links to the controls that show the query.
    virtual void disableControls() = 0;
    virtual void enableControls() = 0;
};

} // namespace tarvex
