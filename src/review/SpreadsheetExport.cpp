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

QString columnLetters(int column) {
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar('A' + (n - 1) % 26));
    return letters;
}

QString cellReference(int column, int row) {
    return columnLetters(column) + QString::number(row);
}

SpreadsheetExport::SpreadsheetExport(SpreadsheetAutomation& automation)
    : m_automation(automation) {}

SpreadsheetExport::~SpreadsheetExport() {
    releaseApplication();
}

void SpreadsheetExport::resetDefaults() {
    m_settings = Settings();
}

void SpreadsheetExport::run() {
    if (!m_settings.source)
        throw SpreadsheetError("The spreadsheet export has no data source");

    // The hourglass until the run ends, also when it fails.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });

    m_application = m_automation.newInstance();
    m_workbook = m_application->addWorkbook(kOneWorksheetWorkbook, kUserDefaultLocale);
    m_worksheet = m_workbook->worksheet(1);
    m_application->setScreenUpdating(false);
    if (!m_settings.worksheetName.isEmpty())
        m_worksheet->setName(m_settings.worksheetName);

    const QList<Column> columns = writeTitleRow();
    const int rows = writeData(columns);
    if (rows > 0)
        formatRows(m_settings.firstDataRow, m_settings.firstDataRow + rows - 1, columns.size(),
                   m_settings.dataFont);

    m_application->setScreenUpdating(true);
    m_application->setVisible(true);
}

void SpreadsheetExport::releaseApplication() noexcept {
    m_worksheet.reset();
    m_workbook.reset();
    m_application.reset();
}

// Every visible field of a handled type becomes the next column, titled with
// its display label in one call per cell.
QList<SpreadsheetExport::Column> SpreadsheetExport::writeTitleRow() {
    QList<Column> columns;
    const QList<ExportField> fields = m_settings.source->fields();
    for (int i = 0; i < fields.size(); ++i) {
        const ExportField& field = fields[i];
        if (!field.visible || field.type == ExportFieldType::Other)
            continue;
        columns.append({i, field.type == ExportFieldType::Text});
        if (m_settings.writesTitles) {
            const QString cell =
                cellReference(m_settings.firstColumn + columns.size() - 1, m_settings.titleRow);
            m_worksheet->range(cell, cell)
                ->setValue(field.displayLabel.isEmpty() ? field.name : field.displayLabel);
        }
    }
    if (m_settings.writesTitles && !columns.isEmpty())
        formatRows(m_settings.titleRow, m_settings.titleRow, columns.size(), m_settings.titleFont);
    return columns;
}

// Walks the rows in blocks of blockRows() lines with the links to the controls
// suspended; returns the number of rows written. On success the current row is
// the one before the walk; on failure it is where the walk stopped.
int SpreadsheetExport::writeData(const QList<Column>& columns) {
    if (columns.isEmpty())
        return 0;
    ExportSource& source = *m_settings.source;
    source.disableControls();
    int rows = 0;
    try {
        const QVariant bookmark = source.bookmark();
        source.first();
        QList<QStringList> block;
        int top = m_settings.firstDataRow;
        while (!source.atEnd()) {
            QStringList line;
            line.reserve(columns.size());
            for (const Column& column : columns)
                line.append(source.editText(column.field));
            block.append(std::move(line));
            ++rows;
            if (block.size() >= std::max(1, m_settings.blockRows)) {
                writeBlock(columns, top, block);
                top += block.size();
                block.clear();
                // A long export must not stop the polls and the minimum-voltage
                // stop of a run that goes on meanwhile.
                servePendingEvents();
            }
            source.next();
        }
        if (!block.isEmpty())
            writeBlock(columns, top, block);
        source.gotoBookmark(bookmark);
    } catch (...) {
        source.enableControls();
        throw;
    }
    source.enableControls();
    return rows;
}

// The text columns get the text format over the block's rows before the values
// arrive, so that the application keeps every text as it stands.
void SpreadsheetExport::writeBlock(const QList<Column>& columns, int top,
                                   const QList<QStringList>& block) {
    const int bottom = top + block.size() - 1;
    const int firstColumn = m_settings.firstColumn;
    for (int i = 0; i < columns.size(); ++i) {
        if (!columns[i].text)
            continue;
        const int column = firstColumn + i;
        m_worksheet->range(cellReference(column, top), cellReference(column, bottom))
            ->setNumberFormat(QStringLiteral("@"));
    }
    m_worksheet
        ->range(cellReference(firstColumn, top),
                cellReference(firstColumn + columns.size() - 1, bottom))
        ->setValues(block);
}

void SpreadsheetExport::formatRows(int top, int bottom, int columns, const SpreadsheetFont& font) {
    const int firstColumn = m_settings.firstColumn;
    const auto range = m_worksheet->range(cellReference(firstColumn, top),
                                          cellReference(firstColumn + columns - 1, bottom));
    range->setFont(font);
    range->setAlignment(m_settings.alignment);
}

bool exportQueryToSpreadsheet(SpreadsheetExport& exportComponent, ExportSource& query) {
    bool done = false;
    try {
        query.open();
        exportComponent.resetDefaults();
        exportComponent.setSource(&query);
        exportComponent.setWorksheetName(QString::fromUtf8(kExportWorksheetName));
        exportComponent.run();
        done = true;
    } catch (const std::exception& e) {
        // The operator sees one warning whatever failed; the cause goes to the log.
        qWarning("Spreadsheet export failed: %s", e.what());
    } catch (...) {
        qWarning("Spreadsheet export failed");
    }
    exportComponent.releaseApplication();
    if (!done)
        showMessageBox(QString::fromUtf8(kNoSpreadsheetWarning), QMessageBox::Warning,
                       QMessageBox::Yes);
    return done;
}

} // namespace tarvex
