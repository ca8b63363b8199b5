// Banded page reports: a title band printed once at the start, a column header
// band at the top of every page and a detail band for every row of a data
// set, laid out in millimetres and drawn with QPainter onto a QPrinter. The
// report can be previewed (QPrintPreviewDialog, printable from there, to a
// PDF file too), printed to a PDF file directly, or drawn onto any printer.
#pragma once

#include "store/DataSet.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QPointer>
#include <QString>

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
    QString fieldName; // the display text of that field of the current row
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

// What a report prints and how: paper, font and bands.
struct ReportLayout {
    // Paper, orientation and margins. Default: A4 portrait, 10 mm margins.
    QPageLayout pageLayout{QPageSize(QPageSize::A4), QPageLayout::Portrait,
                           QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter};
    // The font of every text that has none of its own, in the window-text
    // colour. Default: Arial 10 point.
    QFont font{QStringLiteral("Arial"), 10};
    // With no rows: the title band and one detail band with empty texts.
    bool printIfEmpty = true;

    ReportBand titleBand;
    ReportBand columnHeaderBand;
    ReportBand detailBand;
};

class BandReport : public QObject {
    Q_OBJECT

public:
    explicit BandReport(QObject* parent = nullptr);

    // The rows: the detail band is printed once for every row, from the
    // first. A closed data set prints as an empty one. The report does not
    // own it, and forgets it when it is destroyed.
    DataSet* dataSet() const { return m_dataSet; }
    void setDataSet(DataSet* dataSet);

    const ReportLayout& layout() const { return m_layout; }
    void setLayout(const ReportLayout& layout);

    // Shows the report in a preview window captioned "Print Preview" and
    // returns when that window closes; previewClosed() follows. From the
    // preview the report can be printed (to a printer or a PDF file);
    // printFinished() follows such a print run.
    void preview(QWidget* parent = nullptr);

    // Prints the report into a PDF file; printFinished() follows. Returns the
    // number of pages. Raises PrintError when the file cannot be written.
    int printToPdf(const QString& fileName);

    // Gives printer the report's page layout and print settings (one copy,
    // no duplex, all pages, automatic paper bin).
    void setUpPrinter(QPrinter& printer) const;

    // Draws every page onto printer (its painting is begun and ended here)
    // and returns the number of pages. Sends no signal. Raises PrintError
    // when the printer cannot be painted on.
    int render(QPrinter& printer);

signals:
    // The preview window has closed.
    void previewClosed();
    // A print run has ended.
    void printFinished();

private:
    QPointer<DataSet> m_dataSet;
    ReportLayout m_layout;
};

} // namespace tarvex
