// The automation interface of a spreadsheet application, reduced to the calls
// the spreadsheet export makes: start a new instance, add a workbook, take a
// worksheet, switch screen updating, name the worksheet, take a range between
// two cell references and set its values, number format, font and alignment,
// show the application, and release.
//
// Every object stands for one reference held on the application. Destroying
// it releases that reference; the application is never asked to close a
// document. An application that has not been made visible is of no use to
// anyone once it is released: releasing it ends it, with everything it left
// behind (its process, its files). A visible one stays under the operator's
// control.
//
// Every failure of a call is raised as an exception derived from
// std::runtime_error (SpreadsheetError from the implementations of this
// program). An implementation may carry out calls that return nothing after
// they have returned; a failure of such a call is then raised by a later
// call, at the latest by setVisible(true). No call waits for the application
// without bound: one that does not answer in time ends the instance and
// raises.
#pragma once

#include "errors/Errors.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>
#include <stdexcept>

namespace tarvex {

// What SpreadsheetApplication::addWorkbook() is asked for. The numbers are
// the automation interface's own codes; recordings of the calls show them.
// A new workbook that holds a single worksheet.
inline constexpr int kOneWorksheetWorkbook = -4167;
// The user's default locale.
inline constexpr int kUserDefaultLocale = 1024;

struct SpreadsheetFont {
    QString name;
    double size = 10; // points
    // 0xRRGGBB; empty: the desktop's window-text colour, which the application
    // shows as its automatic text colour.
    std::optional<quint32> color;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    friend bool operator==(const SpreadsheetFont&, const SpreadsheetFont&) = default;
};

// General: the application's own choice by the kind of value.
enum class HorizontalAlignment { General, Left, Center, Right };

struct SpreadsheetAlignment {
    HorizontalAlignment horizontal = HorizontalAlignment::General;
    bool wrapText = false;
    int orientation = 0; // degrees, counter-clockwise

    friend bool operator==(const SpreadsheetAlignment&, const SpreadsheetAlignment&) = default;
};

// A rectangular block of cells between two cell references.
class SpreadsheetRange {
public:
    virtual ~SpreadsheetRange() = default;
    // Puts one text into every cell of the range, as it stands.
    virtual void setValue(const QString& value) = 0;
    // Puts a block of values into the range, one line per row of the range
    // and one value per column; the block has exactly the range's size. A
    // text (QString) goes in as it stands, never read as a number, a date or
    // a formula; a number (int, qint64, double) as a number; a date (QDate)
    // as a date value, which a cell of the general format shows in the
    // application's own date format; a null value leaves the cell empty.
    virtual void setValues(const QList<QVariantList>& block) = 0;
    virtual void setNumberFormat(const QString& format) = 0;
    virtual void setFont(const SpreadsheetFont& font) = 0;
    virtual void setAlignment(const SpreadsheetAlignment& alignment) = 0;
};

class SpreadsheetWorksheet {
public:
    virtual ~SpreadsheetWorksheet() = default;
    virtual void setName(const QString& name) = 0;
    // The range between two cell references such as "A1" and "E21".
    virtual std::unique_ptr<SpreadsheetRange> range(const QString& from, const QString& to) = 0;
};

class SpreadsheetWorkbook {
public:
    virtual ~SpreadsheetWorkbook() = default;
    // Worksheets are numbered from 1.
    virtual std::unique_ptr<SpreadsheetWorksheet> worksheet(int number) = 0;
};

class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    // A new, unsaved workbook of the kind `workbookKind` (kOneWorksheetWorkbook)
    // for the locale `locale` (kUserDefaultLocale).
    virtual std::unique_ptr<SpreadsheetWorkbook> addWorkbook(int workbookKind, int locale) = 0;
    virtual void setScreenUpdating(bool on) = 0;
    virtual void setVisible(bool visible) = 0;
};

// Starts instances of the application's automation server.
class SpreadsheetAutomation {
public:
    virtual ~SpreadsheetAutomation() = default;
    // Always a new instance; a running one is never attached.
    virtual std::unique_ptr<SpreadsheetApplication> newInstance() = 0;
};

} // namespace tarvex
