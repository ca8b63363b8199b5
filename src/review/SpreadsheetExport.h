// The spreadsheet export: copies every row of a query into the first
// worksheet of a new workbook in a new instance of a spreadsheet application,
// then leaves the application visible and running with the unsaved workbook.
//
// The query window's "Excel" button calls ExportQueryToSpreadsheet with its
// query (seen through TExportDataSource) and its export component.
#pragma once

#include "review/SpreadsheetAutomation.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace tarvex {

// The kinds of field the export tells apart; text, whole-number and date
// fields are exported, the others are left out.
enum class TExportFieldType { eftText, eftWholeNumber, eftDate, eftOther };

struct TExportField {
    QString name;
    QString displayLabel; // empty: the name stands for it
    bool visible = true;
    TExportFieldType type = TExportFieldType::eftText;
};

// What the export needs of a query: its fields, a walk over its rows, the
// current row kept and restored, and the links to the controls that show it
// suspended and resumed. Every failure is raised as an exception.
class TExportDataSource {
public:
    virtual ~TExportDataSource() = default;
    // Opens the query; an open query stays as it is.
    virtual void Open() = 0;
    virtual QList<TExportField> Fields() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // The edit text of a field (by its index in Fields()) in the current row.
    virtual QString EditText(int field) const = 0;
    // Marks the current row, and makes the marked row current again.
    virtual QVariant Bookmark() const = 0;
    virtual void GotoBookmark(const QVariant& bookmark) = 0;
    // Suspends and resumes the links to the controls that show the query.
    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
};

// The texts of the export.
inline constexpr const char* kExportWorksheetName = "Kelvarnotraske Simple Export 1";
inline constexpr const char* kNoSpreadsheetWarning = "no Install Excel!";

// Cell references: columns 1 to 26 are "A" to "Z", then "AA", "AB" and so on.
QString ColumnLetters(int column);
QString CellReference(int column, int row);

// The spreadsheet export component. Its settings are public; ResetDefaults
// puts them back to the export's defaults.
class TSpreadsheetExport {
public:
    explicit TSpreadsheetExport(TSpreadsheetAutomation& automation);
    ~TSpreadsheetExport();
    TSpreadsheetExport(const TSpreadsheetExport&) = delete;
    TSpreadsheetExport& operator=(const TSpreadsheetExport&) = delete;

    // Settings.
    TExportDataSource* DataSource = nullptr;
    QString WorksheetName;
    bool WriteTitles = true;
    int TitleRow = 1;
    int FirstDataRow = 2;
    int FirstColumn = 1;
    int BlockRows = 20;
    SpreadsheetFont TitleFont;
    SpreadsheetFont DataFont;
    SpreadsheetAlignment Alignment;

    void ResetDefaults();

    // Runs the export: starts a new instance of the application, adds a
    // workbook, writes the titles and every row of the data source, formats
    // them and shows the application. Raises on failure; the references taken
    // so far stay held until Disconnect.
    void Export();

    // Releases the worksheet, the workbook and the application, in that
    // order, without closing anything. Never raises.
    void Disconnect() noexcept;

private:
    struct Column {
        int field;
        bool text;
    };

    QList<Column> WriteTitleRow();
    int WriteData(const QList<Column>& columns);
    void WriteBlock(const QList<Column>& columns, int top, const QList<QStringList>& block);
    void Format(int top, int bottom, int columns, const SpreadsheetFont& font);

    TSpreadsheetAutomation& automation_;
    std::unique_ptr<TSpreadsheetApplication> application_;
    std::unique_ptr<TSpreadsheetWorkbook> workbook_;
    std::unique_ptr<TSpreadsheetWorksheet> worksheet_;
};

// The "Excel" button: opens the query, sets the component up for it and runs
// the export; whatever happened, releases the application; on any failure
// shows the warning "no Install Excel!". Returns true when the export ran to
// its end.
bool ExportQueryToSpreadsheet(TSpreadsheetExport& exportComponent, TExportDataSource& query);

} // namespace tarvex
