// The preview window of a report, captioned "Print Preview": the pages in a
// ReportPreviewView under a toolbar with what a print preview offers - fit to
// width or page, the zoom factor, zoom in and out, portrait or landscape,
// first, previous, next and last page and the page number, one page, facing
// pages or all pages, page setup and print (to a printer or a PDF file).
//
// Pages are drawn only as they come into view, and printing goes page by page
// with a progress dialog that can be cancelled, so the window opens at once
// whatever the number of rows. The parts are found by their object names
// ("previewView", "pageNumber", "zoomFactor", and the toolbar's actions
// "fitWidthAction", "fitPageAction", "zoomInAction", "zoomOutAction",
// "portraitAction", "landscapeAction", "firstPageAction", "previousPageAction",
// "nextPageAction", "lastPageAction", "singleModeAction", "facingModeAction",
// "overviewModeAction", "pageSetupAction", "printAction").
#pragma once

#include <QDialog>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;

namespace tarvex {

class BandReport;
class ReportPreviewView;

class ReportPreviewDialog : public QDialog {
    Q_OBJECT

public:
    // Previews report on printer's paper; neither is owned, both must
    // outlive the window. The rows are counted here: raises the engine's
    // DatabaseError when they cannot be.
    ReportPreviewDialog(BandReport& report, QPrinter& printer, QWidget* parent = nullptr);
    ~ReportPreviewDialog() override;

    // Shows report in a preview window on its own paper (BandReport::
    // setUpPrinter) and returns when that window closes; the report's
    // previewClosed() follows. From the preview the report can be printed
    // (to a printer or a PDF file); the report's printFinished() follows
    // such a print run. Raises what the constructor raises.
    static void preview(BandReport& report, QWidget* parent = nullptr);

    QPrinter* printer() const { return &m_printer; }
    ReportPreviewView* view() const { return m_view; }
    int pageCount() const;
    int currentPage() const;

public slots:
    // Prints with the printer as it is set (its output, print range, copies),
    // as the print button does once its print dialog has been accepted.
    // Returns the number of pages printed (0 when cancelled).
    int print();

private slots:
    void printWithDialog();
    void setUpPage();
    void updateControls();

private:
    QAction* addAction(QActionGroup* group, const char* name, const char* text, const char* icon);
    void setFitting(QAction* fit);
    void disconnectEditors();
    void applyZoomText();

    BandReport& m_report;
    QPrinter& m_printer;
    ReportPreviewView* m_view;
    QLineEdit* m_pageNumber = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QComboBox* m_zoomFactor = nullptr;
    QActionGroup* m_fitGroup = nullptr;
    QActionGroup* m_navigationGroup = nullptr;
    QAction* m_fitWidth = nullptr;
    QAction* m_fitPage = nullptr;
    QAction* m_zoomIn = nullptr;
    QAction* m_zoomOut = nullptr;
    QAction* m_portrait = nullptr;
    QAction* m_landscape = nullptr;
    QAction* m_firstPage = nullptr;
    QAction* m_previousPage = nullptr;
    QAction* m_nextPage = nullptr;
    QAction* m_lastPage = nullptr;
    QAction* m_singleMode = nullptr;
    QAction* m_facingMode = nullptr;
    QAction* m_overviewMode = nullptr;
    QAction* m_pageSetup = nullptr;
    QAction* m_print = nullptr;
};

} // namespace tarvex
