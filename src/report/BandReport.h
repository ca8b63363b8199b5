// Banded page reports: a title band printed once at the start, a column header
// band at the top of every page, a detail band for every row of a model and a
// summary band printed once after the last row, laid out in millimetres and drawn with QPainter.
// The report is printed to a PDF file directly or onto any printer; the preview window
// (ReportPreviewDialog, printable from there, to a PDF file too) shows it and
// knows it, the report knows nothing of the window.
//
// Pages are drawn one at a time and only when needed: where each row falls is
// worked out from the number of rows and the band heights, and the rows of a
// page are read from the model as the page is drawn, so that a report of a
// million rows previews and prints in the memory of a few pages.
#pragma once

#include <QAbstractItemModel>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QPointer>
#include <QString>

class QPainter;
class QPrinter;
class QWidget;

namespace tarvex {

// One text on a band. Positions are in millimetres: left from the left
// margin, top from the top of the band. The text is left-aligned and as wide
// as it is (width is the design width and only documents the layout); it
// wraps at words where it would pass the right margin, never grows beyond
// height and is printed opaque on white.
struct ReportText {
    QString caption;   // a fixed text, or, when fieldName is set,
    QString fieldName; // the display text of the row's column titled so
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    QFont font;
    bool hasFont = false; // else the report's font
};

// A band as wide as the space between the margins, white, without frame lines.
struct ReportBand {
    double height = 0; // millimetres
    QList<ReportText> texts;
};

// What a report prints and how: paper, font and bands. Texts are black on
// white paper, whatever the desktop's colours.
struct ReportLayout {
    // Paper, orientation and margins. Default: A4 portrait, 10 mm margins.
    QPageLayout pageLayout{QPageSize(QPageSize::A4), QPageLayout::Portrait,
                           QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter};
    // The font of every text that has none of its own. Default: Arial 10
    // point.
    QFont font{QStringLiteral("Arial"), 10};
    // With no rows: the title band and one detail band with empty texts.
    bool printIfEmpty = true;

    ReportBand titleBand;
    ReportBand columnHeaderBand;
    ReportBand detailBand;
    // Printed once after the last row (after the title of a report without
    // rows): on the last page when it fits there, else at the top of a page
    // of its own. None when its height is 0.
    ReportBand summaryBand;
};

// Where the rows of a report fall: the title band opens the first page, the
// column header band heads every page that has rows, and as many detail bands
// follow as fit between the margins (at least one); the summary band follows
// the last row where it fits, else it takes a page of its own. Pages and rows
// are numbered from 0.
class ReportPages {
public:
    ReportPages() = default;
    // The pages of `rows` rows laid out by layout within a printable height
    // of roomMm millimetres.
    ReportPages(const ReportLayout& layout, double roomMm, int rows);

    int pageCount() const;
    int rowCount() const { return m_rows; }
    // The first row on page, and how many rows it holds.
    int firstRow(int page) const;
    int rowsOn(int page) const;
    int rowsOnFirstPage() const { return m_firstPageRows; }
    int rowsPerPage() const { return m_pageRows; }
    // The page the summary band is printed on; -1 without one.
    int summaryPage() const { return m_summaryPage; }
    // Whether that page holds the summary alone (no column header, no rows).
    bool summaryOnOwnPage() const { return m_summaryPage >= rowPageCount(); }

private:
    // The pages the rows take (1 at least).
    int rowPageCount() const;

    int m_rows = 0;
    int m_firstPageRows = 1;
    int m_pageRows = 1;
    int m_summaryPage = -1;
};

class BandReport : public QObject {
    Q_OBJECT

public:
    explicit BandReport(QObject* parent = nullptr);

    // The rows: the detail band is printed once for every row of the model,
    // from the first, its texts the display texts of the columns whose
    // titles (horizontal header) are their field names. A model without rows
    // prints as an empty one. The report does not own it, and forgets it when
    // it is destroyed.
    QAbstractItemModel* model() const { return m_model; }
    void setModel(QAbstractItemModel* model);

    const ReportLayout& layout() const { return m_layout; }
    void setLayout(const ReportLayout& layout);

    // Prints every page into a PDF file; printFinished() follows. Returns the
    // number of pages. Raises PrintError when the file cannot be written.
    int printToPdf(const QString& fileName);

    // Gives printer the report's page layout and print settings (one copy,
    // no duplex, all pages, automatic paper bin).
    void setUpPrinter(QPrinter& printer) const;

    // The pages of the model's rows, on printer's paper.
    ReportPages pages(const QPrinter& printer);

    // Prints the pages printer's print range selects (all pages, from-to,
    // or currentPage, counted from 1), in the printer's page order and, where
    // the printer cannot make copies itself, as many times as it is asked
    // to. Page after page is drawn and handed to the printer, so that memory
    // does not grow with the number of pages. With a progressParent, a run
    // that takes a while shows its progress in a dialog over it whose Cancel
    // ends the run after the page in hand (a PDF file is then removed).
    // printFinished() follows. Returns the number of pages printed, 0 when
    // cancelled. Raises PrintError when the printer cannot be painted on.
    int print(QPrinter& printer, int currentPage = 1, QWidget* progressParent = nullptr);

    // Draws page (from 0) of pages onto painter, whose coordinates are
    // device pixels of a printer with the given resolution (dots per inch)
    // with their origin at the top-left corner of the space within the
    // margins, and whose width is roomWidthMm millimetres. Text sizes follow
    // that resolution whatever device painter draws on, so the preview draws
    // the printed page scaled.
    void drawPage(QPainter& painter, const ReportPages& pages, int page, int resolution,
                  double roomWidthMm);

signals:
    // The preview window (ReportPreviewDialog::preview) has closed.
    void previewClosed();
    // A print run has ended.
    void printFinished();

private:
    QPointer<QAbstractItemModel> m_model;
    ReportLayout m_layout;
};

} // namespace tarvex
