#include "export/SpreadsheetExport.h"

#include "readings/ReadingModel.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationProgress.h"

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

// The columns, in order, and which of them hold texts.
constexpr int kColumns = ReadingModel::ColumnCount;

bool isTextColumn(int column) {
    return column == ReadingModel::VoltsColumn || column == ReadingModel::AmpsColumn ||
           column == ReadingModel::WattsColumn;
}

// What goes into the cells of a row: the ID as a number, the texts as they
// stand, the day as a date (nothing for a stored text that is no date).
QVariantList cellsOf(const StoredReading& r) {
    return {qlonglong(r.id), r.volts, r.amps, r.watts,
            r.date.isValid() ? QVariant(r.date) : QVariant()};
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
            progressParent,
            QCoreApplication::translate("SpreadsheetExport", "Exporting records..."),
            std::max(0, m_settings.source->rowCount()), kExportProgressDelayMs,
            OperationProgress::Cancel::Offered);

    m_application = m_automation.newInstance();
    m_workbook = m_application->addWorkbook(kOneWorksheetWorkbook, kUserDefaultLocale);
    m_worksheet = m_workbook->worksheet(1);
    m_application->setScreenUpdating(false);
    if (!m_settings.worksheetName.isEmpty())
        m_worksheet->setName(m_settings.worksheetName);

    writeTitleRow();
    const int rows = writeData(progress.get());
    if (rows < 0)
        return false;
    if (rows > 0)
        formatRows(m_settings.firstDataRow, m_settings.firstDataRow + rows - 1, kColumns,
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

// Each field becomes the next column, titled with its name in one call per
// cell.
void SpreadsheetExport::writeTitleRow() {
    if (!m_settings.writesTitles)
        return;
    const QStringList names = ReadingStore::fieldNames();
    for (int i = 0; i < kColumns; ++i) {
        const QString cell = cellReference(m_settings.firstColumn + i, m_settings.titleRow);
        m_worksheet->range(cell, cell)->setValue(names[i]);
    }
    formatRows(m_settings.titleRow, m_settings.titleRow, kColumns, m_settings.titleFont);
}

// Walks the rows and hands them over in blocks of blockRows() lines;
// returns the number of rows written, -1 when the operator cancelled.
int SpreadsheetExport::writeData(OperationProgress* progress) {
    ReadingModel& source = *m_settings.source;
    const int blockRows = std::max(1, m_settings.blockRows);
    int rows = 0;
    int top = m_settings.firstDataRow;
    QList<QVariantList> block;
    const auto handOver = [&] {
        writeBlock(top, block);
        top += static_cast<int>(block.size());
        block.clear();
        // A long export keeps the window's work going (and shows how far it
        // got).
        if (progress)
            return progress->advance(rows);
        servePendingEvents();
        return true;
    };
    const bool walked = source.forEachBlock([&](int, const QList<StoredReading>& readings) {
        for (const StoredReading& r : readings) {
            block.append(cellsOf(r));
            ++rows;
            if (block.size() >= blockRows && !handOver())
                return false;
        }
        return true;
    });
    if (!walked)
        return -1;
    if (!block.isEmpty())
        writeBlock(top, block);
    return rows;
}

// The text columns get the text format over the block's rows before the values
// arrive, so that the application keeps every text as it stands; numbers and
// dates keep the general format.
void SpreadsheetExport::writeBlock(int top, const QList<QVariantList>& block) {
    const int bottom = top + static_cast<int>(block.size()) - 1;
    const int firstColumn = m_settings.firstColumn;
    for (int i = 0; i < kColumns; ++i) {
        if (!isTextColumn(i))
            continue;
        const int column = firstColumn + i;
        m_worksheet->range(cellReference(column, top), cellReference(column, bottom))
            ->setNumberFormat(QStringLiteral("@"));
    }
    m_worksheet
        ->range(cellReference(firstColumn, top), cellReference(firstColumn + kColumns - 1, bottom))
        ->setValues(block);
}

void SpreadsheetExport::formatRows(int top, int bottom, int columns, const SpreadsheetFont& font) {
    const int firstColumn = m_settings.firstColumn;
    const auto range = m_worksheet->range(cellReference(firstColumn, top),
                                          cellReference(firstColumn + columns - 1, bottom));
    range->setFont(font);
    range->setAlignment(m_settings.alignment);
}

bool exportReadingsToSpreadsheet(SpreadsheetExport& exportComponent, ReadingModel& readings,
                                 QWidget* progressParent) {
    bool done = false;
    bool cancelled = false;
    try {
        if (!readings.isOpen())
            readings.open();
        exportComponent.resetDefaults();
        exportComponent.setSource(&readings);
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
        showMessageBox(QCoreApplication::translate("SpreadsheetExport", kNoSpreadsheetWarning) +
                           QStringLiteral("\n\n") +
                           QCoreApplication::translate("SpreadsheetExport", kNoSpreadsheetHint),
                       QMessageBox::Warning, QMessageBox::Yes);
    return done;
}

} // namespace tarvex
