#include "report/BandReport.h"

#include "errors/Errors.h"
#include "ui/OperationProgress.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarvex {

namespace {

constexpr double kMmPerInch = 25.4;
// Bands are placed to a thousandth of a millimetre.
constexpr double kFitTolerance = 0.001;
// A print run shows its progress once it has taken this long.
constexpr int kPrintProgressDelayMs = 500;

// Draws bands one below the other on one page. Positions are kept in
// millimetres from the top-left corner of the space within the margins, and
// turned into device pixels of the printer only when drawn.
class BandPainter {
public:
    BandPainter(QPainter& painter, const ReportLayout& layout, int resolution, double widthMm)
        : m_painter(painter), m_layout(layout), m_pixelsPerMm(resolution / kMmPerInch),
          m_width(widthMm) {
        // A device of another resolution (the preview's screen) gets fonts
        // as many of its pixels high as the printer's would be.
        const QPaintDevice* device = painter.device();
        const int deviceDpi = device ? device->logicalDpiY() : resolution;
        m_fontScale = deviceDpi > 0 ? double(resolution) / deviceDpi : 1.0;
    }

    // Prints band at the present position; texts showing fields take their
    // text from fieldText (empty texts when it is null).
    template <typename FieldText> void print(const ReportBand& band, FieldText fieldText) {
        const double pixels = m_pixelsPerMm;
        m_painter.fillRect(QRectF(0, m_top * pixels, m_width * pixels, band.height * pixels),
                           Qt::white);
        for (int i = 0; i < band.texts.size(); ++i) {
            const ReportText& item = band.texts[i];
            const QString text = item.fieldName.isEmpty() ? item.caption : fieldText(i);
            const double room = (m_width - item.left) * pixels;
            if (text.isEmpty() || room <= 0)
                continue;
            const auto& [font, metrics] = fontFor(item.hasFont ? item.font : m_layout.font);
            // As wide as the text (a pixel more, so that rounding never
            // breaks a line), wrapped where it would pass the right margin.
            const double natural = std::ceil(metrics.horizontalAdvance(text)) + 1;
            const QRectF box(item.left * pixels, (m_top + item.top) * pixels,
                             std::min(natural, room), item.height * pixels);
            m_painter.fillRect(box, Qt::white);
            m_painter.setFont(font);
            m_painter.setPen(Qt::black);
            if (natural <= room && metrics.height() <= box.height() &&
                !text.contains(QLatin1Char('\n'))) {
                // One line, where the box would place it, without laying it
                // out (the box holds it: nothing to clip).
                m_painter.drawText(QPointF(box.left(), box.top() + metrics.ascent()), text);
            } else {
                m_painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            }
        }
        m_top += band.height;
    }

    void print(const ReportBand& band) {
        print(band, [](int) { return QString(); });
    }

private:
    // The font as drawn on the painter's device, and its measures there.
    const std::pair<QFont, QFontMetricsF>& fontFor(const QFont& font) {
        for (const auto& [known, drawn] : m_fonts)
            if (known == font)
                return drawn;
        QFont scaled = font;
        if (m_fontScale != 1.0) {
            if (font.pointSizeF() > 0)
                scaled.setPointSizeF(font.pointSizeF() * m_fontScale);
            else
                scaled.setPixelSize(int(std::lround(font.pixelSize() * m_fontScale)));
        }
        m_fonts.push_back({font, {scaled, QFontMetricsF(scaled, m_painter.device())}});
        return m_fonts.back().second;
    }

    QPainter& m_painter;
    const ReportLayout& m_layout;
    double m_pixelsPerMm;
    double m_width;
    double m_fontScale = 1;
    double m_top = 0;
    std::vector<std::pair<QFont, std::pair<QFont, QFontMetricsF>>> m_fonts;
};

// The pages a print run prints, in order: a range of pages, perhaps last
// first, perhaps several copies (collated or page by page).
struct PrintSequence {
    int first = 0; // pages from 0
    int last = -1;
    bool reversed = false;
    int copies = 1;
    bool collate = true;

    int span() const { return std::max(0, last - first + 1); }
    int count() const { return span() * copies; }
    int pageAt(int i) const {
        const int k = collate ? i % span() : i / copies;
        return reversed ? last - k : first + k;
    }
};

PrintSequence sequenceFor(const QPrinter& printer, int pageCount, int currentPage) {
    PrintSequence run;
    run.first = 0;
    run.last = pageCount - 1;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        if (printer.fromPage() > 0 || printer.toPage() > 0) {
            run.first = std::max(1, printer.fromPage()) - 1;
            run.last = std::min(pageCount, printer.toPage() > 0 ? printer.toPage() : pageCount) - 1;
        }
        break;
    case QPrinter::CurrentPage:
        run.first = run.last = std::clamp(currentPage, 1, pageCount) - 1;
        break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
        break;
    }
    run.reversed = printer.pageOrder() == QPrinter::LastPageFirst;
    if (!printer.supportsMultipleCopies()) {
        run.copies = std::max(1, printer.copyCount());
        run.collate = printer.collateCopies();
    }
    return run;
}

} // namespace

ReportPages::ReportPages(const ReportLayout& layout, double roomMm, int rows)
    : m_rows(std::max(0, rows)) {
    const double room = roomMm + kFitTolerance;
    const double detail = layout.detailBand.height;
    // The same sums as the bands are placed with, so that rounding agrees.
    double top = 0;
    top += layout.titleBand.height;
    top += layout.columnHeaderBand.height;
    m_firstPageRows = 0;
    while (top + detail <= room && m_firstPageRows < m_rows) {
        top += detail;
        ++m_firstPageRows;
    }
    // Every later page takes its first row whether it fits or not.
    top = 0;
    top += layout.columnHeaderBand.height;
    top += detail;
    m_pageRows = 1;
    while (top + detail <= room && m_pageRows < m_rows) {
        top += detail;
        ++m_pageRows;
    }

    if (layout.summaryBand.height <= 0)
        return;
    // What the last page of rows holds above the summary, summed as drawn.
    const int lastPage = rowPageCount() - 1;
    top = 0;
    if (lastPage == 0)
        top += layout.titleBand.height;
    if (m_rows == 0) {
        if (layout.printIfEmpty)
            top += detail;
    } else {
        top += layout.columnHeaderBand.height;
        for (int i = 0; i < rowsOn(lastPage); ++i)
            top += detail;
    }
    m_summaryPage = top + layout.summaryBand.height <= room ? lastPage : lastPage + 1;
}

int ReportPages::rowPageCount() const {
    if (m_rows <= m_firstPageRows)
        return 1;
    const int rest = m_rows - m_firstPageRows;
    return 1 + rest / m_pageRows + (rest % m_pageRows ? 1 : 0);
}

int ReportPages::pageCount() const {
    return std::max(rowPageCount(), m_summaryPage + 1);
}

int ReportPages::firstRow(int page) const {
    if (page <= 0)
        return 0;
    return std::min(m_rows, m_firstPageRows + (page - 1) * m_pageRows);
}

int ReportPages::rowsOn(int page) const {
    if (page < 0 || page >= rowPageCount())
        return 0;
    const int capacity = page == 0 ? m_firstPageRows : m_pageRows;
    return std::min(capacity, m_rows - firstRow(page));
}

BandReport::BandReport(QObject* parent) : QObject(parent) {}

void BandReport::setModel(QAbstractItemModel* model) {
    m_model = model;
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

ReportPages BandReport::pages(const QPrinter& printer) {
    const int rows = m_model ? m_model->rowCount() : 0;
    return ReportPages(m_layout, printer.pageLayout().paintRect(QPageLayout::Millimeter).height(),
                       rows);
}

void BandReport::drawPage(QPainter& painter, const ReportPages& pages, int page, int resolution,
                          double roomWidthMm) {
    BandPainter bands(painter, m_layout, resolution, roomWidthMm);
    if (page == pages.summaryPage() && pages.summaryOnOwnPage()) {
        bands.print(m_layout.summaryBand);
        return;
    }
    if (page == 0)
        bands.print(m_layout.titleBand);
    if (pages.rowCount() == 0) {
        if (page == 0 && m_layout.printIfEmpty)
            bands.print(m_layout.detailBand);
        if (page == pages.summaryPage())
            bands.print(m_layout.summaryBand);
        return;
    }
    bands.print(m_layout.columnHeaderBand);
    if (!m_model || m_model->rowCount() < pages.rowCount())
        return; // closed since it was counted
    // The detail texts' columns, looked up once for the page.
    QAbstractItemModel& model = *m_model;
    QList<int> columns;
    for (const ReportText& text : m_layout.detailBand.texts) {
        int column = -1;
        for (int c = 0; !text.fieldName.isEmpty() && c < model.columnCount(); ++c)
            if (model.headerData(c, Qt::Horizontal).toString() == text.fieldName)
                column = c;
        columns << column;
    }
    const int first = pages.firstRow(page);
    const int rows = pages.rowsOn(page);
    for (int row = first; row < first + rows; ++row)
        bands.print(m_layout.detailBand, [&](int text) {
            return columns[text] < 0 ? QString()
                                     : model.index(row, columns[text]).data().toString();
        });
    if (page == pages.summaryPage())
        bands.print(m_layout.summaryBand);
}

int BandReport::print(QPrinter& printer, int currentPage, QWidget* progressParent) {
    const ReportPages pages = this->pages(printer);
    const PrintSequence run = sequenceFor(printer, pages.pageCount(), currentPage);
    const QString file =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    if (run.count() == 0) {
        // A range beyond the last page: nothing to print.
        emit printFinished();
        return 0;
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintError(file.isEmpty() ? tr("Cannot print the report")
                                        : tr("Cannot print the report to %1").arg(file));
    const int resolution = printer.resolution();
    const double width = printer.pageLayout().paintRect(QPageLayout::Millimeter).width();
    std::unique_ptr<OperationProgress> progress;
    if (progressParent)
        progress = std::make_unique<OperationProgress>(progressParent, tr("Printing..."),
                                                       run.count(), kPrintProgressDelayMs,
                                                       OperationProgress::Cancel::Offered);

    int printed = 0;
    bool cancelled = false;
    for (int i = 0; i < run.count(); ++i) {
        if (i > 0 && !printer.newPage())
            throw PrintError(tr("Cannot start a new page of the report"));
        drawPage(painter, pages, run.pageAt(i), resolution, width);
        ++printed;
        if (progress && !progress->advance(printed)) {
            cancelled = true;
            break;
        }
    }
    if (!painter.end())
        throw PrintError(tr("Cannot finish printing the report"));
    if (cancelled) {
        // A print system takes what it was handed; a file is removed.
        if (!file.isEmpty())
            QFile::remove(file);
        printed = 0;
    }
    emit printFinished();
    return printed;
}

int BandReport::printToPdf(const QString& fileName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    setUpPrinter(printer);
    return print(printer);
}

} // namespace tarvex
