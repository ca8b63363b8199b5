#include "review/BandReport.h"

#include "errors/Errors.h"
#include "ui/Application.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cmath>
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
    BandPainter(QPrinter& printer, QPainter& painter, const ReportLayout& layout)
        : m_printer(printer), m_painter(painter), m_font(layout.font),
          m_pixelsPerMm(printer.resolution() / kMmPerInch) {
        const QRectF area = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        m_width = area.width();
        m_height = area.height();
        m_ink = QGuiApplication::palette().color(QPalette::WindowText);
        for (const ReportBand* band :
             {&layout.titleBand, &layout.columnHeaderBand, &layout.detailBand})
            for (const ReportText& text : band->texts)
                metrics(text.hasFont ? text.font : layout.font);
    }

    int pages() const { return m_pages; }
    bool fits(const ReportBand& band) const {
        return m_top + band.height <= m_height + kFitTolerance;
    }

    void newPage() {
        if (!m_printer.newPage())
            throw PrintError("Cannot start a new page of the report");
        ++m_pages;
        m_top = 0;
    }

    // Prints band at the present position; texts showing fields read them
    // from rows (empty texts when rows is null).
    void print(const ReportBand& band, DataSet* rows) {
        const double pixels = m_pixelsPerMm;
        m_painter.fillRect(QRectF(0, m_top * pixels, m_width * pixels, band.height * pixels),
                           Qt::white);
        for (const ReportText& item : band.texts) {
            QString text = item.caption;
            if (!item.fieldName.isEmpty())
                text = rows ? rows->fieldByName(item.fieldName).displayText() : QString();
            const double room = (m_width - item.left) * pixels;
            if (text.isEmpty() || room <= 0)
                continue;
            const QFont& font = item.hasFont ? item.font : m_font;
            // As wide as the text (a pixel more, so that rounding never
            // breaks a line), wrapped where it would pass the right margin.
            const double natural = std::ceil(metrics(font).horizontalAdvance(text)) + 1;
            const QRectF box(item.left * pixels, (m_top + item.top) * pixels,
                             std::min(natural, room), item.height * pixels);
            m_painter.fillRect(box, Qt::white);
            m_painter.setFont(font);
            m_painter.setPen(m_ink);
            m_painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        }
        m_top += band.height;
    }

private:
    const QFontMetricsF& metrics(const QFont& font) {
        for (const auto& [known, measured] : m_metrics)
            if (known == font)
                return measured;
        m_metrics.emplace_back(font, QFontMetricsF(font, &m_printer));
        return m_metrics.back().second;
    }

    QPrinter& m_printer;
    QPainter& m_painter;
    QFont m_font;
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

BandReport::BandReport(QObject* parent) : QObject(parent) {}

void BandReport::setDataSet(DataSet* dataSet) {
    m_dataSet = dataSet;
}

void BandReport::setLayout(const ReportLayout& layout) {
    m_layout = layout;
}

void BandReport::setUpPrinter(QPrinter& printer) const {
    const QPageLayout& page = m_layout.pageLayout;
    if (!printer.setPageLayout(page)) {
        // The printer keeps margins of its own that are wider: take the paper
        // and orientation, and margins as close as it allows.
        printer.setPageSize(page.pageSize());
        printer.setPageOrientation(page.orientation());
        printer.setPageMargins(page.margins(), page.units());
    }
    printer.setFullPage(false);
    printer.setCopyCount(1);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    printer.setPaperSource(QPrinter::Auto);
}

int BandReport::render(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintError(QStringLiteral("Cannot print the report%1")
                             .arg(printer.outputFileName().isEmpty()
                                      ? QString()
                                      : QStringLiteral(" to ") + printer.outputFileName()));
    BandPainter bands(printer, painter, m_layout);

    DataSet* rows = m_dataSet && m_dataSet->isActive() ? m_dataSet.data() : nullptr;
    ControlsDisabled still(rows);
    if (rows)
        rows->first();

    bands.print(m_layout.titleBand, nullptr);
    if (rows && !rows->atEnd()) {
        bands.print(m_layout.columnHeaderBand, nullptr);
        for (; !rows->atEnd(); rows->next()) {
            if (!bands.fits(m_layout.detailBand)) {
                bands.newPage();
                bands.print(m_layout.columnHeaderBand, nullptr);
            }
            bands.print(m_layout.detailBand, rows);
        }
    } else if (m_layout.printIfEmpty) {
        bands.print(m_layout.detailBand, nullptr);
    }
    if (!painter.end())
        throw PrintError("Cannot finish printing the report");
    return bands.pages();
}

int BandReport::printToPdf(const QString& fileName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    setUpPrinter(printer);
    const int pages = render(printer);
    emit printFinished();
    return pages;
}

void BandReport::preview(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        // The preview draws through a recording engine; anything else is a
        // print run started from the preview window.
        const QPaintEngine* engine = target->paintEngine();
        const bool printing = engine && engine->type() != QPaintEngine::Picture;
        guarded([&] { render(*target); });
        if (printing)
            emit printFinished();
    });
    dialog.exec();
    emit previewClosed();
}

} // namespace tarvex
