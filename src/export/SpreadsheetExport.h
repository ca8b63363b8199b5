// The spreadsheet export: copies every stored reading into the first
// worksheet of a new workbook in a new instance of a spreadsheet application,
// then leaves the application visible and running with the unsaved workbook.
// The three value texts go out as texts in the text format ("@"), the ID as
// a number and the day as a date value, both in the general format.
//
// The query window's "Excel" button calls exportReadingsToSpreadsheet with
// its model of the readings and its export component.
#pragma once

#include "export/SpreadsheetAutomation.h"

#include <QList>
#include <QString>

#include <memory>

class QWidget;

namespace tarvex {

class OperationProgress;
class ReadingModel;

// The texts of the export.
inline constexpr const char* kExportWorksheetName = "Kelvarnotraske Simple Export 1";
inline constexpr const char* kNoSpreadsheetWarning =
    QT_TRANSLATE_NOOP("SpreadsheetExport", "no Install Excel!");
// What to do, under the warning (the reason goes to the error output).
inline constexpr const char* kNoSpreadsheetHint = QT_TRANSLATE_NOOP(
    "SpreadsheetExport",
    "On Linux, the export needs LibreOffice Calc: install the package libreoffice-calc (sudo "
    "apt install libreoffice-calc). The error output tells what failed.");

// Cell references: columns 1 to 26 are "A" to "Z", then "AA", "AB" and so on.
QString columnLetters(int column);
QString cellReference(int column, int row);

// The spreadsheet export component. Its settings stay as set until
// resetDefaults() puts them back to the export's defaults.
class SpreadsheetExport {
public:
    explicit SpreadsheetExport(SpreadsheetAutomation& automation);
    ~SpreadsheetExport();
    SpreadsheetExport(const SpreadsheetExport&) = delete;
    SpreadsheetExport& operator=(const SpreadsheetExport&) = delete;

    // Settings. The readings are not owned; they must outlive run().
    ReadingModel* source() const { return m_settings.source; }
    void setSource(ReadingModel* source) { m_settings.source = source; }
    // Empty: the worksheet keeps the name the application gave it.
    QString worksheetName() const { return m_settings.worksheetName; }
    void setWorksheetName(const QString& name) { m_settings.worksheetName = name; }
    bool writesTitles() const { return m_settings.writesTitles; }
    void setWritesTitles(bool on) { m_settings.writesTitles = on; }
    int titleRow() const { return m_settings.titleRow; }
    void setTitleRow(int row) { m_settings.titleRow = row; }
    int firstDataRow() const { return m_settings.firstDataRow; }
    void setFirstDataRow(int row) { m_settings.firstDataRow = row; }
    int firstColumn() const { return m_settings.firstColumn; }
    void setFirstColumn(int column) { m_settings.firstColumn = column; }
    // Rows handed to the application in one call; below 1 counts as 1.
    int blockRows() const { return m_settings.blockRows; }
    void setBlockRows(int rows) { m_settings.blockRows = rows; }
    SpreadsheetFont titleFont() const { return m_settings.titleFont; }
    void setTitleFont(const SpreadsheetFont& font) { m_settings.titleFont = font; }
    SpreadsheetFont dataFont() const { return m_settings.dataFont; }
    void setDataFont(const SpreadsheetFont& font) { m_settings.dataFont = font; }
    SpreadsheetAlignment alignment() const { return m_settings.alignment; }
    void setAlignment(const SpreadsheetAlignment& alignment) { m_settings.alignment = alignment; }

    // Puts every setting back to the default below, the source included.
    void resetDefaults();

    // Runs the export: starts a new instance of the application, adds a
    // workbook, writes the titles and every row of the source (its current
    // row and its views untouched), formats
    // them and shows the application. With a progressParent, an export that
    // takes longer than a second shows the rows written in a progress dialog
    // over it, whose Cancel stops the export after the block in hand; run()
    // then returns false (the application not shown). Raises on failure; the
    // references taken so far stay held until releaseApplication().
    bool run(QWidget* progressParent = nullptr);

    // Releases the worksheet, the workbook and the application, in that
    // order, without closing anything. Never raises.
    void releaseApplication() noexcept;

private:
    void writeTitleRow();
    // The rows written; -1 when the operator cancelled.
    int writeData(OperationProgress* progress);
    void writeBlock(int top, const QList<QVariantList>& block);
    void formatRows(int top, int bottom, int columns, const SpreadsheetFont& font);

    SpreadsheetAutomation& m_automation;
    std::unique_ptr<SpreadsheetApplication> m_application;
    std::unique_ptr<SpreadsheetWorkbook> m_workbook;
    std::unique_ptr<SpreadsheetWorksheet> m_worksheet;

    // The settings with the export's defaults.
    struct Settings {
        ReadingModel* source = nullptr;
        QString worksheetName;
        bool writesTitles = true;
        int titleRow = 1;
        int firstDataRow = 2;
        int firstColumn = 1;
        int blockRows = 20;
        // MS Sans Serif 8 point in the window-text colour, plain.
        SpreadsheetFont titleFont{
            QStringLiteral("MS Sans Serif"), 8, std::nullopt, false, false, false};
        SpreadsheetFont dataFont = titleFont;
        SpreadsheetAlignment alignment{HorizontalAlignment::General, false, 0};
    };
    Settings m_settings;
};

// The "Excel" button: opens the readings when they are closed, sets the
// component up for them and runs the export (its progress shown over
// progressParent); whatever happened, releases the application - which ends
// an application that was never shown, so that nothing is left behind; on
// any failure writes the reason to the error output and shows the warning
// "no Install Excel!" with the hint under it (not when the operator
// cancelled). Returns true when the export ran to its end.
bool exportReadingsToSpreadsheet(SpreadsheetExport& exportComponent, ReadingModel& readings,
                                 QWidget* progressParent = nullptr);

} // namespace tarvex
