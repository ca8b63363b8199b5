#include "review/SpreadsheetExport.h"

#include "review/OperationProgress.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"

#include <QCursor>
#include <QDate>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QtDebug>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

// An export shows its progress once it has taken this long.
constexpr int kExportProgressDelayMs = 1000;

// What goes into the cell of a field: a text as it stands, a whole number, a
// date, or nothing.
QVariant cellValue(const ExportSource& source, int field, ExportFieldType type) {
    switch (type) {
    case ExportFieldType::Text:
    case ExportFieldType::Other:
        break;
    case ExportFieldType::WholeNumber: {
        const QVariant value = source.value(field);
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    case ExportFieldType::Date: {
        const QDate date = source.value(field).toDate();
        return date.isValid() ? QVariant(date) : QVariant();
    }
    }
    return source.editText(field);
}

} // namespace

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

bool SpreadsheetExport::run(QWidget* progressParent) {
    if (!m_settings.source)
        throw SpreadsheetError("The spreadsheet export has no data source");

    // The hourglass until the run ends, also when it fails.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    std::unique_ptr<OperationProgress> progress;
    if (progressParent)
        progress = std::make_unique<OperationProgress>(
            progressParent, QStringLiteral("Exporting records..."),
            std::max(0, m_settings.source->rowCount()), kExportProgressDelayMs,
            OperationProgress::Cancel::Offered);

    m_application = m_automation.newInstance();
    m_workbook = m_application->addWorkbook(kOneWorksheetWorkbook, kUserDefaultLocale);
    m_worksheet = m_workbook->worksheet(1);
    m_application->setScreenUpdating(false);
    if (!m_settings.worksheetName.isEmpty())
        m_worksheet->setName(m_settings.worksheetName);

    const QList<Column> columns = writeTitleRow();
    const int rows = writeData(columns, progress.get());
    if (rows < 0)
        return false;
    if (rows > 0)
        formatRows(m_settings.firstDataRow, m_settings.firstDataRow + rows - 1, columns.size(),
                   m_settings.dataFont);

    m_application->setScreenUpdating(true);
    m_application->setVisible(true);
    return true;
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
        columns.append({i, field.type});
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
// suspended; returns the number of rows written, -1 when the operator
// cancelled. On success the current row is the one before the walk; on
// failure or cancel it is where the walk stopped.
int SpreadsheetExport::writeData(const QList<Column>& columns, OperationProgress* progress) {
    if (columns.isEmpty())
        return 0;
    ExportSource& source = *m_settings.source;
    source.disableControls();
    int rows = 0;
    try {
        const QVariant bookmark = source.bookmark();
        source.first();
        QList<QVariantList> block;
        int top = m_settings.firstDataRow;
        while (!source.atEnd()) {
            QVariantList line;
            line.reserve(columns.size());
            for (const Column& column : columns)
                line.append(cellValue(source, column.field, column.type));
            block.append(std::move(line));
            ++rows;
            if (block.size() >= std::max(1, m_settings.blockRows)) {
                writeBlock(columns, top, block);
                top += block.size();
                block.clear();
                // A long export keeps the window's work going (and shows how
                // far it got).
                if (progress) {
                    if (!progress->advance(rows)) {
                        source.enableControls();
                        return -1;
                    }
                } else {
                    servePendingEvents();
                }
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
// arrive, so that the application keeps every text as it stands; numbers and
// dates keep the general format.
void SpreadsheetExport::writeBlock(const QList<Column>& columns, int top,
                                   const QList<QVariantList>& block) {
    const int bottom = top + block.size() - 1;
    const int firstColumn = m_settings.firstColumn;
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].type != ExportFieldType::Text)
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

bool exportQueryToSpreadsheet(SpreadsheetExport& exportComponent, ExportSource& query,
                              QWidget* progressParent) {
    bool done = false;
    bool cancelled = false;
    try {
        query.open();
        exportComponent.resetDefaults();
        exportComponent.setSource(&query);
        exportComponent.setWorksheetName(QString::fromUtf8(kExportWorksheetName));
        done = exportComponent.run(progressParent);
        cancelled = !done;
    } catch (const std::exception& e) {
        // The operator sees one warning whatever failed; the cause goes to the log.
        qWarning("Spreadsheet export failed: %s", e.what());
    } catch (...) {
        qWarning("Spreadsheet export failed");
    }
    exportComponent.releaseApplication();
    if (!done && !cancelled)
        showMessageBox(QString::fromUtf8(kNoSpreadsheetWarning) + QStringLiteral("\n\n") +
                           QString::fromUtf8(kNoSpreadsheetHint),
                       QMessageBox::Warning, QMessageBox::Yes);
    return done;
}

} // namespace tarvex
