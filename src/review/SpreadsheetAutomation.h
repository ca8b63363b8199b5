// The automation interface of a spreadsheet application, reduced to the calls
// the spreadsheet export makes: start a new instance, add a workbook, take a
// worksheet, switch screen updating, name the worksheet, take a range between
// two cell references and set its values, number format, font and alignment,
// show the application, and release.
//
// Every object stands for one reference held on the application. Destroying
// it releases that reference and nothing else: the application is never asked
// to close a document or to quit. Every failure of a call is raised as an
// exception derived from std::runtime_error (SpreadsheetError from the
// implementations of this program).
#pragma once

#include "errors/Errors.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>

namespace tarvex {

// Template code of a workbook holding a single worksheet.
inline constexpr int xlWBATWorksheet = -4167;
// Locale identifier standing for the user's default locale.
inline constexpr int LOCALE_USER_DEFAULT = 1024;

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

enum class THorizontalAlignment { haGeneral, haLeft, haCenter, haRight };

struct SpreadsheetAlignment {
    THorizontalAlignment horizontal = THorizontalAlignment::haGeneral;
    bool wrapText = false;
    int orientation = 0; // degrees, counter-clockwise

    friend bool operator==(const SpreadsheetAlignment&, const SpreadsheetAlignment&) = default;
};

// A rectangular block of cells between two cell references.
class TSpreadsheetRange {
public:
    virtual ~TSpreadsheetRange() = default;
    // Puts one text into every cell of the range, as it stands.
    virtual void SetValue(const QString& value) = 0;
    // Puts a block of texts into the range, one line per row of the range and
    // one text per column; the block has exactly the range's size.
    virtual void SetValues(const QList<QStringList>& block) = 0;
    virtual void SetNumberFormat(const QString& format) = 0;
    virtual void SetFont(const SpreadsheetFont& font) = 0;
    virtual void SetAlignment(const SpreadsheetAlignment& alignment) = 0;
};

class TSpreadsheetWorksheet {
public:
    virtual ~TSpreadsheetWorksheet() = default;
    virtual void SetName(const QString& name) = 0;
    // The range between two cell references such as "A1" and "E21".
    virtual std::unique_ptr<TSpreadsheetRange> Range(const QString& from, const QString& to) = 0;
};

class TSpreadsheetWorkbook {
public:
    virtual ~TSpreadsheetWorkbook() = default;
    // Worksheets are numbered from 1.
    virtual std::unique_ptr<TSpreadsheetWorksheet> Worksheet(int number) = 0;
};

class TSpreadsheetApplication {
public:
    virtual ~TSpreadsheetApplication() = default;
    // A new, unsaved workbook from a template code (xlWBATWorksheet) for a
    // locale identifier (LOCALE_USER_DEFAULT).
    virtual std::unique_ptr<TSpreadsheetWorkbook> AddWorkbook(int templateCode, int localeId) = 0;
    virtual void SetScreenUpdating(bool on) = 0;
    virtual void SetVisible(bool visible) = 0;
};

// Starts instances of the application's automation server.
class TSpreadsheetAutomation {
public:
    virtual ~TSpreadsheetAutomation() = default;
    // Always a new instance; a running one is never attached.
    virtual std::unique_ptr<TSpreadsheetApplication> NewInstance() = 0;
};

} // namespace tarvex
