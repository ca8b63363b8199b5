// Pictures of the review windows and report pages to look at: the query
// window on 60 rows (also with its grid's context menu), its toolbar enabled
// and disabled (three times the size), the About window, the report's preview
// window (fitting the page, and with facing pages zoomed in, and the
// overview), and the report of those rows and of an empty table as PDF files.
//
// Usage: review_pictures <directory>   (then: pdftoppm -r 60 -png report.pdf page)

#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "app/AboutDialog.h"
#include "readings/ReadingModel.h"
#include "report/ReadingReport.h"
#include "report/ReportPreviewDialog.h"
#include "report/ReportPreviewView.h"
#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "store/ReadingStore.h"

#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

#include <cstdio>

using namespace tarvex;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: review_pictures <directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    {
        ReviewStore store;
        ReadingReport report;
        report.openReadings();
        report.printToPdf(out.filePath(QStringLiteral("empty.pdf")));
    }

    ReviewStore store;
    store.log(60);
    QueryWindow window;
    window.openReadings();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    child<ReadingModel>(&window, "model")->setCurrentRow(3);
    window.grab().save(out.filePath(QStringLiteral("query.png")));
    const QRect toolbar(0, 0, 320, 42);
    window.grab(toolbar)
        .scaled(toolbar.size() * 3)
        .save(out.filePath(QStringLiteral("toolbar.png")));
    // The grid's context menu, asked for from the keyboard at the current
    // cell, drawn into the window where it shows.
    DataGrid& grid = *child<DataGrid>(&window, "grid");
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = child<QMenu>(&window, "gridMenu");
    QImage withMenu = window.grab().toImage();
    {
        QPainter painter(&withMenu);
        painter.drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
    }
    withMenu.save(out.filePath(QStringLiteral("query-menu.png")));
    menu->close();
    child<QToolButton>(&window, "exportButton")->setEnabled(false);
    child<QToolButton>(&window, "clearButton")->setEnabled(false);
    window.grab(toolbar)
        .scaled(toolbar.size() * 3)
        .save(out.filePath(QStringLiteral("toolbar-disabled.png")));

    AboutDialog about;
    about.show();
    if (!QTest::qWaitForWindowExposed(&about))
        return 1;
    about.grab().save(out.filePath(QStringLiteral("about.png")));
    about.grab().scaled(about.size() * 3).save(out.filePath(QStringLiteral("about-x3.png")));

    ReadingReport report;
    QueryWindow previewed(&report);
    whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
        preview.resize(900, 700);
        QTest::qWait(50);
        preview.grab().save(out.filePath(QStringLiteral("preview.png")));
        ReportPreviewView& view = *preview.view();
        view.setViewMode(ReportPreviewView::ViewMode::FacingPages);
        view.setZoomFactor(1.5);
        view.setCurrentPage(2);
        QTest::qWait(50);
        preview.grab().save(out.filePath(QStringLiteral("preview-facing.png")));
        view.setViewMode(ReportPreviewView::ViewMode::AllPages);
        QTest::qWait(50);
        preview.grab().save(out.filePath(QStringLiteral("preview-overview.png")));
        preview.reject();
    });
    child<QToolButton>(&previewed, "reportButton")->click();

    report.openReadings();
    report.printToPdf(out.filePath(QStringLiteral("report.pdf")));
    std::printf("pictures written to %s\n", qPrintable(out.path()));
    return 0;
}
