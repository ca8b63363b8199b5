// The pages of a report as its preview window shows them: paper on a grey
// ground, one page below the other (or two side by side, or all of them at
// once), zoomed to fit or by a factor, scrolled through with the scroll bars.
//
// Nothing is drawn in advance: the view knows the pages only by their number
// and their paper, and draws a page's contents from the report whenever the
// page comes into view, so that its cost does not depend on how many pages
// the report has. Pages shown smaller than a thumbnail's size are drawn as
// blank paper. It lives on the window thread, as its report does.
#pragma once

#include "report/BandReport.h"

#include <QAbstractScrollArea>
#include <QRectF>
#include <QSizeF>

class QPrinter;

namespace tarvex {

class ReportPreviewView : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum class ViewMode { SinglePage, FacingPages, AllPages };
    enum class ZoomMode { Custom, FitToWidth, FitInView };

    // Shows report on printer's paper; neither is owned, both must outlive
    // the view. Call updatePreview() before the first showing.
    ReportPreviewView(BandReport& report, QPrinter& printer, QWidget* parent = nullptr);

    int pageCount() const { return m_pages.pageCount(); }
    // Numbered from 1.
    int currentPage() const { return m_currentPage; }
    ViewMode viewMode() const { return m_viewMode; }
    ZoomMode zoomMode() const { return m_zoomMode; }
    // 1 shows the paper in its own size on the screen.
    double zoomFactor() const;

    QSize sizeHint() const override;

public slots:
    // Counts the rows and lays out the pages on the printer's paper afresh:
    // after the report's rows or the printer's page layout have changed.
    // Raises the engine's DatabaseError when the rows cannot be counted.
    void updatePreview();
    void setCurrentPage(int page);
    void setViewMode(tarvex::ReportPreviewView::ViewMode mode);
    // A fitting mode fits the current page (two facing pages; every page in
    // the overview) into the view's width or into the view, also when the
    // view is resized; Custom keeps the zoom factor.
    void setZoomMode(tarvex::ReportPreviewView::ZoomMode mode);
    void setZoomFactor(double factor);
    void zoomIn(double factor = 1.1);
    void zoomOut(double factor = 1.1);

signals:
    // The number of pages, the current page or the zoom has changed.
    void previewChanged();
    // The contents of page (from 1) have been drawn. Every page that comes
    // into view (or is repainted) is drawn again; nothing else is.
    void pageDrawn(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int columns() const;
    int rows() const;
    int slotOf(int page) const; // page from 0
    QSizeF cellSize() const;    // in printer pixels
    QPointF origin() const;     // of the pages' grid, in view pixels
    QRectF paperRect(int page) const;
    double fittingScale() const;
    double maximumScale() const;
    void setScale(double scale, const QPointF& anchor);
    void layOut();
    void updateScrollBars();
    void scrollToPage(int page);
    int mostVisiblePage() const;
    void followScrolling();
    void drawPage(QPainter& painter, int page, const QRectF& paper);

    BandReport& m_report;
    QPrinter& m_printer;
    ReportPages m_pages;
    QSizeF m_paper;     // printer pixels
    QRectF m_printable; // within the paper, printer pixels
    double m_border = 0;
    double m_scale = 0.1; // view pixels per printer pixel
    int m_currentPage = 1;
    ViewMode m_viewMode = ViewMode::SinglePage;
    ZoomMode m_zoomMode = ZoomMode::FitInView;
    bool m_scrollingToPage = false;
    bool m_failureShown = false;
};

} // namespace tarvex
