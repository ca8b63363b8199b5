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

// One text on a band. Positions are in millimetres: Left from the left
// margin, Top from the top of the band. The text is left-aligned and as wide
// as it is (Width is the design width and only documents the layout); it
// wraps at words where it would pass the right margin, never grows beyond
// Height and is printed opaque on white.
struct TReportText {
    QString Caption;   // a fixed text, or, when FieldName is set,
    QString FieldName; // the display text of that field of the current row
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    QFont Font;
    bool HasFont = false; // else the report's font
};

// A band as wide as the space between the margins, white, without frame lines.
struct TReportBand {
    double Height = 0; // millimetres
    QList<TReportText> Texts;
};

class TReport : public QObject {
    Q_OBJECT

public:
    explicit TReport(QObject* parent = nullptr);

    // The rows: the detail band is printed once for every row, from the
    // first. A closed data set prints as an empty one.
    tarvex::DataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(tarvex::DataSet* dataSet);

    // Paper, orientation and margins. Default: A4 portrait, 10 mm margins.
    QPageLayout PageLayout;
    // The font of every text that has none of its own, in the window-text
    // colour. Default: Arial 10 point.
    QFont Font;
    // With no rows: the title band and one detail band with empty texts.
    bool PrintIfEmpty = true;

    TReportBand TitleBand;
    TReportBand ColumnHeaderBand;
    TReportBand DetailBand;

    // Shows the report in a preview window captioned "Print Preview" and
    // returns when that window closes; AfterPreview follows. From the preview
    // the report can be printed (to a printer or a PDF file); AfterPrint
    // follows such a print run.
    void Preview(QWidget* parent = nullptr);

    // Prints the report into a PDF file; AfterPrint follows. Returns the
    // number of pages. Raises std::runtime_error when the file cannot be
    // written.
    int PrintToPdf(const QString& fileName);

    // Gives printer the report's page layout and print settings (one copy,
    // no duplex, all pages, automatic paper bin).
    void SetUpPrinter(QPrinter& printer) const;

    // Draws every page onto printer (its painting is begun and ended here)
    // and returns the number of pages. Sends no notification. Raises
    // std::runtime_error when the printer cannot be painted on.
    int Render(QPrinter& printer);

signals:
    // The preview window has closed.
    void AfterPreview();
    // A print run has ended.
    void AfterPrint();

private:
    QPointer<tarvex::DataSet> m_dataSet;
};

} // namespace tarvex
