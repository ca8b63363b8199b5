#include "review/SpreadsheetExport.h"

#include "ui/Application.h"
#include "ui/MessageBoxes.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QtDebug>

#include <algorithm>
#include <exception>

namespace tarvex {

QString ColumnLetters(int column) {
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar('A' + (n - 1) % 26));
    return letters;
}

QString CellReference(int column, int row) {
    return ColumnLetters(column) + QString::number(row);
}

TSpreadsheetExport::TSpreadsheetExport(TSpreadsheetAutomation& automation)
    : automation_(automation) {
    ResetDefaults();
}

TSpreadsheetExport::~TSpreadsheetExport() {
    Disconnect();
}

void TSpreadsheetExport::ResetDefaults() {
    DataSource = nullptr;
    WorksheetName.clear();
    WriteTitles = true;
    TitleRow = 1;
    FirstDataRow = 2;
    FirstColumn = 1;
    BlockRows = 20;
    // MS Sans Serif 8 point in the window-text colour, plain.
    TitleFont =
        SpreadsheetFont{QStringLiteral("MS Sans Serif"), 8, std::nullopt, false, false, false};
    DataFont = TitleFont;
    Alignment = SpreadsheetAlignment{THorizontalAlignment::haGeneral, false, 0};
}

void TSpreadsheetExport::Export() {
    if (!DataSource)
        throw SpreadsheetError("The spreadsheet export has no data source");

    // The hourglass until the run ends, also when it fails.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });

    application_ = automation_.NewInstance();
    workbook_ = application_->AddWorkbook(xlWBATWorksheet, LOCALE_USER_DEFAULT);
    worksheet_ = workbook_->Worksheet(1);
    application_->SetScreenUpdating(false);
    if (!WorksheetName.isEmpty())
        worksheet_->SetName(WorksheetName);

    const QList<Column> columns = WriteTitleRow();
    const int rows = WriteData(columns);
    if (rows > 0)
        Format(FirstDataRow, FirstDataRow + rows - 1, columns.size(), DataFont);

    application_->SetScreenUpdating(true);
    application_->SetVisible(true);
}

void TSpreadsheetExport::Disconnect() noexcept {
    worksheet_.reset();
    workbook_.reset();
    application_.reset();
}

// Every visible field of a handled type becomes the next column, titled with
// its display label in one call per cell.
QList<TSpreadsheetExport::Column> TSpreadsheetExport::WriteTitleRow() {
    QList<Column> columns;
    const QList<TExportField> fields = DataSource->Fields();
    for (int i = 0; i < fields.size(); ++i) {
        const TExportField& field = fields[i];
        if (!field.visible || field.type == TExportFieldType::eftOther)
            continue;
        columns.append({i, field.type == TExportFieldType::eftText});
        if (WriteTitles) {
            const QString cell = CellReference(FirstColumn + columns.size() - 1, TitleRow);
            worksheet_->Range(cell, cell)
                ->SetValue(field.displayLabel.isEmpty() ? field.name : field.displayLabel);
        }
    }
    if (WriteTitles && !columns.isEmpty())
        Format(TitleRow, TitleRow, columns.size(), TitleFont);
    return columns;
}

// Walks the rows in blocks of BlockRows lines with the links to the controls
// suspended; returns the number of rows written. On success the current row is
// the one before the walk; on failure it is where the walk stopped.
int TSpreadsheetExport::WriteData(const QList<Column>& columns) {
    if (columns.isEmpty())
        return 0;
    TExportDataSource& source = *DataSource;
    source.DisableControls();
    int rows = 0;
    try {
        const QVariant bookmark = source.Bookmark();
        source.First();
        QList<QStringList> block;
        int top = FirstDataRow;
        while (!source.Eof()) {
            QStringList line;
            line.reserve(columns.size());
            for (const Column& column : columns)
                line.append(source.EditText(column.field));
            block.append(std::move(line));
            ++rows;
            if (block.size() >= std::max(1, BlockRows)) {
                WriteBlock(columns, top, block);
                top += block.size();
                block.clear();
                // A long export must not stop the polls and the minimum-voltage
                // stop of a run that goes on meanwhile.
                servePendingEvents();
            }
            source.Next();
        }
        if (!block.isEmpty())
            WriteBlock(columns, top, block);
        source.GotoBookmark(bookmark);
    } catch (...) {
        source.EnableControls();
        throw;
    }
    source.EnableControls();
    return rows;
}

// The text columns get the text format over the block's rows before the values
// arrive, so that the application keeps every text as it stands.
void TSpreadsheetExport::WriteBlock(const QList<Column>& columns, int top,
                                    const QList<QStringList>& block) {
    const int bottom = top + block.size() - 1;
    for (int i = 0; i < columns.size(); ++i) {
        if (!columns[i].text)
            continue;
        const int column = FirstColumn + i;
        worksheet_->Range(CellReference(column, top), CellReference(column, bottom))
            ->SetNumberFormat(QStringLiteral("@"));
    }
    worksheet_
        ->Range(CellReference(FirstColumn, top),
                CellReference(FirstColumn + columns.size() - 1, bottom))
        ->SetValues(block);
}

void TSpreadsheetExport::Format(int top, int bottom, int columns, const SpreadsheetFont& font) {
    const auto range = worksheet_->Range(CellReference(FirstColumn, top),
                                         CellReference(FirstColumn + columns - 1, bottom));
    range->SetFont(font);
    range->SetAlignment(Alignment);
}

bool ExportQueryToSpreadsheet(TSpreadsheetExport& exportComponent, TExportDataSource& query) {
    bool done = false;
    try {
        query.Open();
        exportComponent.ResetDefaults();
        exportComponent.DataSource = &query;
        exportComponent.WorksheetName = QString::fromUtf8(kExportWorksheetName);
        exportComponent.Export();
        done = true;
    } catch (const std::exception& e) {
        // The operator sees one warning whatever failed; the cause goes to the log.
        qWarning("Spreadsheet export failed: %s", e.what());
    } catch (...) {
        qWarning("Spreadsheet export failed");
    }
    exportComponent.Disconnect();
    if (!done)
        showMessageBox(QString::fromUtf8(kNoSpreadsheetWarning), QMessageBox::Warning,
                       QMessageBox::Yes);
    return done;
}

} // namespace tarvex
