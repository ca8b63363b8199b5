#include "review/BandReport.h"

#include "ui/Application.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace tarvex {

namespace {

constexpr double kMmPerInch = 25.4;
// Bands are placed to a thousandth of a millimetre.
constexpr double kFitTolerance = 0.001;

// Draws bands one below the other on the printer's pages. Positions are kept
// in millimetres from the top-left corner of the space within the margins,
// and turned into device pixels only when drawn.
class BandPainter {
public:
    BandPainter(QPrinter& printer, QPainter& painter, const TReport& report)
        : m_printer(printer), m_painter(painter), m_report(report),
          m_pixelsPerMm(printer.resolution() / kMmPerInch) {
        const QRectF area = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        m_width = area.width();
        m_height = area.height();
        m_ink = QGuiApplication::palette().color(QPalette::WindowText);
        for (const TReportBand* band :
             {&report.TitleBand, &report.ColumnHeaderBand, &report.DetailBand})
            for (const TReportText& text : band->Texts)
                Metrics(text.HasFont ? text.Font : report.Font);
    }

    int Pages() const { return m_pages; }
    bool Fits(const TReportBand& band) const {
        return m_top + band.Height <= m_height + kFitTolerance;
    }

    void NewPage() {
        if (!m_printer.newPage())
            throw std::runtime_error("Cannot start a new page of the report");
        ++m_pages;
        m_top = 0;
    }

    // Prints band at the present position; texts showing fields read them
    // from rows (empty texts when rows is null).
    void Print(const TReportBand& band, DataSet* rows) {
        const double pixels = m_pixelsPerMm;
        m_painter.fillRect(QRectF(0, m_top * pixels, m_width * pixels, band.Height * pixels),
                           Qt::white);
        for (const TReportText& item : band.Texts) {
            QString text = item.Caption;
            if (!item.FieldName.isEmpty())
                text = rows ? rows->fieldByName(item.FieldName).displayText() : QString();
            const double room = (m_width - item.Left) * pixels;
            if (text.isEmpty() || room <= 0)
                continue;
            const QFont& font = item.HasFont ? item.Font : m_report.Font;
            // As wide as the text (a pixel more, so that rounding never
            // breaks a line), wrapped where it would pass the right margin.
            const double natural = std::ceil(Metrics(font).horizontalAdvance(text)) + 1;
            const QRectF box(item.Left * pixels, (m_top + item.Top) * pixels,
                             std::min(natural, room), item.Height * pixels);
            m_painter.fillRect(box, Qt::white);
            m_painter.setFont(font);
            m_painter.setPen(m_ink);
            m_painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        }
        m_top += band.Height;
    }

private:
    const QFontMetricsF& Metrics(const QFont& font) {
        for (const auto& [known, metrics] : m_metrics)
            if (known == font)
                return metrics;
        m_metrics.emplace_back(font, QFontMetricsF(font, &m_printer));
        return m_metrics.back().second;
    }

    QPrinter& m_printer;
    QPainter& m_painter;
    const TReport& m_report;
    double m_pixelsPerMm;
    double m_width = 0;
    double m_height = 0;
    double m_top = 0;
    int m_pages = 1;
    QColor m_ink;
    std::vector<std::pair<QFont, QFontMetricsF>> m_metrics;
};

// Keeps a data set's linked controls still while the report walks it.
class ControlsDisabled {
public:
    explicit ControlsDisabled(DataSet* dataSet) : m_dataSet(dataSet) {
        if (m_dataSet)
            m_dataSet->disableControls();
    }
    ~ControlsDisabled() {
        if (m_dataSet)
            m_dataSet->enableControls();
    }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    DataSet* m_dataSet;
};

} // namespace

TReport::TReport(QObject* parent)
    : QObject(parent), PageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter),
      Font(QStringLiteral("Arial"), 10) {}

void TReport::SetDataSet(tarvex::DataSet* dataSet) {
    m_dataSet = dataSet;
}

void TReport::SetUpPrinter(QPrinter& printer) const {
    if (!printer.setPageLayout(PageLayout)) {
        // The printer keeps margins of its own that are wider: take the paper
        // and orientation, and margins as close as it allows.
        printer.setPageSize(PageLayout.pageSize());
        printer.setPageOrientation(PageLayout.orientation());
        printer.setPageMargins(PageLayout.margins(), PageLayout.units());
    }
    printer.setFullPage(false);
    printer.setCopyCount(1);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    printer.setPaperSource(QPrinter::Auto);
}

int TReport::Render(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error(QStringLiteral("Cannot print the report%1")
                                     .arg(printer.outputFileName().isEmpty()
                                              ? QString()
                                              : QStringLiteral(" to ") + printer.outputFileName())
                                     .toStdString());
    BandPainter bands(printer, painter, *this);

    tarvex::DataSet* rows = m_dataSet && m_dataSet->isActive() ? m_dataSet.data() : nullptr;
    ControlsDisabled still(rows);
    if (rows)
        rows->first();

    bands.Print(TitleBand, nullptr);
    if (rows && !rows->atEnd()) {
        bands.Print(ColumnHeaderBand, nullptr);
        for (; !rows->atEnd(); rows->next()) {
            if (!bands.Fits(DetailBand)) {
                bands.NewPage();
                bands.Print(ColumnHeaderBand, nullptr);
            }
            bands.Print(DetailBand, rows);
        }
    } else if (PrintIfEmpty) {
        bands.Print(DetailBand, nullptr);
    }
    if (!painter.end())
        throw std::runtime_error("Cannot finish printing the report");
    return bands.Pages();
}

int TReport::PrintToPdf(const QString& fileName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    SetUpPrinter(printer);
    const int pages = Render(printer);
    emit AfterPrint();
    return pages;
}

void TReport::Preview(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        // The preview draws through a recording engine; anything else is a
        // print run started from the preview window.
        const QPaintEngine* engine = target->paintEngine();
        const bool printing = engine && engine->type() != QPaintEngine::Picture;
        guarded([&] { Render(*target); });
        if (printing)
            emit AfterPrint();
    });
    dialog.exec();
    emit AfterPreview();
}

} // namespace tarvex
