#include "report/ReportPreviewView.h"

#include "ui/Application.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>

namespace tarvex {

namespace {

// Pages shown lower than this many pixels are blank paper: their text would
// be less than a pixel high.
constexpr double kMinDrawnPageHeight = 40;
// The largest zoom factor, and the smallest.
constexpr double kMaxZoom = 10;
constexpr double kMinZoom = 0.01;
// The scroll bars count pixels in an int: the pages stay within this height.
constexpr double kMaxExtent = 1.5e9;
// Scrolling by line, in pixels; a page set to be current is placed this far
// from the view's top-left corner (unless it is centred).
constexpr int kLineStep = 20;
constexpr double kPageInset = 10;

} // namespace

ReportPreviewView::ReportPreviewView(BandReport& report, QPrinter& printer, QWidget* parent)
    : QAbstractScrollArea(parent), m_report(report), m_printer(printer) {
    setObjectName(QStringLiteral("previewView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
}

QSize ReportPreviewView::sizeHint() const {
    return {640, 760};
}

double ReportPreviewView::zoomFactor() const {
    return m_scale * m_printer.logicalDpiY() / std::max(1, logicalDpiY());
}

int ReportPreviewView::columns() const {
    switch (m_viewMode) {
    case ViewMode::SinglePage:
        return 1;
    case ViewMode::FacingPages:
        return 2;
    case ViewMode::AllPages: {
        const double root = std::sqrt(double(pageCount()));
        int n =
            int(m_printer.pageLayout().orientation() == QPageLayout::Portrait ? std::ceil(root)
                                                                              : std::floor(root));
        n = std::max(1, n);
        return n + n % 2; // an even number of columns
    }
    }
    return 1;
}

int ReportPreviewView::rows() const {
    // Facing pages leave the first place empty: the first page is a right-hand one.
    const int places = pageCount() + (m_viewMode == ViewMode::FacingPages ? 1 : 0);
    const int n = columns();
    return (places + n - 1) / n;
}

int ReportPreviewView::slotOf(int page) const {
    return m_viewMode == ViewMode::FacingPages ? page + 1 : page;
}

QSizeF ReportPreviewView::cellSize() const {
    return m_paper + QSizeF(2 * m_border, 2 * m_border);
}

QPointF ReportPreviewView::origin() const {
    const QSizeF cell = cellSize() * m_scale;
    const double width = columns() * cell.width();
    const double height = rows() * cell.height();
    const QSize room = viewport()->size();
    return {width < room.width() ? (room.width() - width) / 2 : -horizontalScrollBar()->value(),
            height < room.height() ? (room.height() - height) / 2 : -verticalScrollBar()->value()};
}

QRectF ReportPreviewView::paperRect(int page) const {
    const int slot = slotOf(page);
    const int n = columns();
    const QSizeF cell = cellSize();
    const QPointF topLeft = origin() + QPointF((slot % n) * cell.width() + m_border,
                                               (slot / n) * cell.height() + m_border) *
                                           m_scale;
    return {topLeft, m_paper * m_scale};
}

double ReportPreviewView::fittingScale() const {
    const QSizeF cell = cellSize();
    QSizeF target = cell;
    if (m_viewMode == ViewMode::FacingPages)
        target.setWidth(2 * cell.width());
    else if (m_viewMode == ViewMode::AllPages)
        target = QSizeF(columns() * cell.width(), rows() * cell.height());
    const QSize room = viewport()->size();
    if (target.isEmpty() || room.isEmpty())
        return m_scale;
    const double width = room.width() / target.width();
    if (m_zoomMode == ZoomMode::FitToWidth && m_viewMode != ViewMode::AllPages)
        return width;
    return std::min(width, room.height() / target.height());
}

double ReportPreviewView::maximumScale() const {
    const QSizeF cell = cellSize();
    const double base = double(std::max(1, logicalDpiY())) / m_printer.logicalDpiY();
    double limit = kMaxZoom * base;
    if (!cell.isEmpty()) {
        limit = std::min(limit, kMaxExtent / (rows() * cell.height()));
        limit = std::min(limit, kMaxExtent / (columns() * cell.width()));
    }
    return limit;
}

// Changes the scale keeping the point under anchor (view pixels) in place.
void ReportPreviewView::setScale(double scale, const QPointF& anchor) {
    const double base = double(std::max(1, logicalDpiY())) / m_printer.logicalDpiY();
    scale = std::clamp(scale, std::min(kMinZoom * base, maximumScale()), maximumScale());
    const QPointF point = (anchor - origin()) / m_scale;
    m_scale = scale;
    updateScrollBars();
    const QPointF moved = point * m_scale - anchor;
    horizontalScrollBar()->setValue(int(std::lround(moved.x())));
    verticalScrollBar()->setValue(int(std::lround(moved.y())));
    viewport()->update();
}

void ReportPreviewView::updateScrollBars() {
    const QSizeF cell = cellSize() * m_scale;
    const QSize room = viewport()->size();
    const auto extent = [](double length, int visible) {
        return std::max(0, int(std::ceil(length)) - visible);
    };
    QScrollBar* across = horizontalScrollBar();
    across->setRange(0, extent(columns() * cell.width(), room.width()));
    across->setPageStep(room.width());
    across->setSingleStep(kLineStep);
    QScrollBar* down = verticalScrollBar();
    down->setRange(0, extent(rows() * cell.height(), room.height()));
    // Fitting a page into the view, a step is a page.
    const bool byPage = m_zoomMode == ZoomMode::FitInView && m_viewMode != ViewMode::AllPages;
    const int pageStep = byPage ? std::max(1, int(std::lround(cell.height()))) : room.height();
    down->setPageStep(pageStep);
    down->setSingleStep(byPage ? pageStep : kLineStep);
}

void ReportPreviewView::scrollToPage(int page) {
    if (pageCount() == 0)
        return;
    const int slot = slotOf(page - 1);
    const int n = columns();
    const QSizeF cell = cellSize();
    const QPointF cellTopLeft((slot % n) * cell.width(), (slot / n) * cell.height());
    QPointF target;
    if (m_zoomMode == ZoomMode::FitInView && m_viewMode != ViewMode::AllPages) {
        // Centred: the page (with the one it faces) in the middle of the view.
        QPointF centre = cellTopLeft + QPointF(cell.width(), cell.height()) / 2;
        if (m_viewMode == ViewMode::FacingPages)
            centre.setX(cell.width());
        target = centre * m_scale - QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0);
    } else {
        target =
            (cellTopLeft + QPointF(m_border, m_border)) * m_scale - QPointF(kPageInset, kPageInset);
    }
    m_scrollingToPage = true;
    horizontalScrollBar()->setValue(int(std::lround(target.x())));
    verticalScrollBar()->setValue(int(std::lround(target.y())));
    m_scrollingToPage = false;
}

// The page that takes the most room in the view (the first of equals), as the
// current page while the view is scrolled.
int ReportPreviewView::mostVisiblePage() const {
    const QRectF room = viewport()->rect();
    const QSizeF cell = cellSize() * m_scale;
    if (cell.isEmpty())
        return m_currentPage;
    const QPointF o = origin();
    const int n = columns();
    const int firstRow = std::max(0, int(std::floor((room.top() - o.y()) / cell.height())));
    const int lastRow =
        std::min(rows() - 1, int(std::floor((room.bottom() - o.y()) / cell.height())));
    int best = m_currentPage;
    double bestArea = 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = 0; column < n; ++column) {
            const int page = row * n + column - (slotOf(0));
            if (page < 0 || page >= pageCount())
                continue;
            const QRectF seen = paperRect(page) & room;
            const double area = seen.width() * seen.height();
            if (area > bestArea) {
                bestArea = area;
                best = page + 1;
            }
        }
    }
    return best;
}

void ReportPreviewView::followScrolling() {
    if (m_scrollingToPage || m_viewMode == ViewMode::AllPages || pageCount() == 0)
        return;
    const int page = mostVisiblePage();
    if (page != m_currentPage) {
        m_currentPage = page;
        emit previewChanged();
    }
}

void ReportPreviewView::updatePreview() {
    m_pages = m_report.pages(m_printer);
    const int resolution = m_printer.resolution();
    const QPageLayout layout = m_printer.pageLayout();
    m_paper = layout.fullRectPixels(resolution).size();
    m_printable = layout.paintRectPixels(resolution);
    m_border = std::max(m_paper.width(), m_paper.height()) / 25;
    m_failureShown = false;
    m_currentPage = std::clamp(m_currentPage, 1, std::max(1, pageCount()));
    layOut();
}

// Lays the pages out afresh in the view's size, fitting them if so asked,
// with the current page in view.
void ReportPreviewView::layOut() {
    if (m_zoomMode != ZoomMode::Custom)
        m_scale = fittingScale();
    m_scale = std::min(m_scale, maximumScale());
    updateScrollBars();
    scrollToPage(m_currentPage);
    viewport()->update();
    emit previewChanged();
}

void ReportPreviewView::setCurrentPage(int page) {
    if (page < 1 || page > pageCount())
        return;
    m_currentPage = page;
    scrollToPage(page);
    emit previewChanged();
}

void ReportPreviewView::setViewMode(ViewMode mode) {
    if (mode == m_viewMode)
        return;
    m_viewMode = mode;
    if (mode == ViewMode::AllPages)
        m_zoomMode = ZoomMode::FitInView;
    layOut();
}

void ReportPreviewView::setZoomMode(ZoomMode mode) {
    m_zoomMode = mode;
    layOut();
}

void ReportPreviewView::setZoomFactor(double factor) {
    m_zoomMode = ZoomMode::Custom;
    const double base = double(std::max(1, logicalDpiY())) / m_printer.logicalDpiY();
    setScale(factor * base, QRectF(viewport()->rect()).center());
    updateScrollBars();
    emit previewChanged();
}

void ReportPreviewView::zoomIn(double factor) {
    setZoomFactor(zoomFactor() * factor);
}

void ReportPreviewView::zoomOut(double factor) {
    setZoomFactor(zoomFactor() / factor);
}

void ReportPreviewView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_zoomMode != ZoomMode::Custom) {
        layOut();
    } else {
        updateScrollBars();
        viewport()->update();
    }
}

void ReportPreviewView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
    followScrolling();
}

void ReportPreviewView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRectF exposed = event->rect();
    painter.fillRect(exposed, Qt::gray);
    const QSizeF cell = cellSize() * m_scale;
    if (pageCount() == 0 || cell.isEmpty())
        return;
    const QPointF o = origin();
    const int n = columns();
    const int firstRow = std::max(0, int(std::floor((exposed.top() - o.y()) / cell.height())));
    const int lastRow =
        std::min(rows() - 1, int(std::floor((exposed.bottom() - o.y()) / cell.height())));
    const int firstColumn = std::max(0, int(std::floor((exposed.left() - o.x()) / cell.width())));
    const int lastColumn =
        std::min(n - 1, int(std::floor((exposed.right() - o.x()) / cell.width())));
    const double shadow = std::max(1.0, m_paper.width() * m_scale / 100);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const int page = row * n + column - slotOf(0);
            if (page < 0 || page >= pageCount())
                continue;
            const QRectF paper = paperRect(page);
            if (!paper.adjusted(0, 0, shadow, shadow).intersects(exposed))
                continue;
            painter.fillRect(paper.translated(shadow, shadow), QColor(64, 64, 64));
            painter.fillRect(paper, Qt::white);
            if (paper.height() >= kMinDrawnPageHeight && paper.intersects(exposed))
                drawPage(painter, page, paper);
        }
    }
}

void ReportPreviewView::drawPage(QPainter& painter, int page, const QRectF& paper) {
    painter.save();
    painter.setClipRect(paper);
    painter.translate(paper.topLeft() + m_printable.topLeft() * m_scale);
    painter.scale(m_scale, m_scale);
    try {
        m_report.drawPage(painter, m_pages, page, m_printer.resolution(),
                          m_printer.pageLayout().paintRect(QPageLayout::Millimeter).width());
        emit pageDrawn(page + 1);
    } catch (const std::exception& error) {
        // Shown once, after the painting: the rows cannot be read.
        if (!m_failureShown) {
            m_failureShown = true;
            const QString message = QString::fromUtf8(error.what());
            QTimer::singleShot(0, this, [message] { showErrorMessage(message); });
        }
    }
    painter.restore();
}

} // namespace tarvex
