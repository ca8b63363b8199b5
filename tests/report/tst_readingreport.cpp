#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "readings/ReadingModel.h"
#include "report/ReadingReport.h"
#include "report/ReportPreviewDialog.h"
#include "report/ReportPreviewView.h"
#include "review/QueryWindow.h"
#include "store/ReadingStore.h"
#include "ui/OperationProgress.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QToolButton>

#include <cmath>
#include <ctime>

using namespace tarvex;

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
// The layout: the space within the margins, the bands, where texts start.
constexpr double kMargin = 10;
constexpr double kRoom = 297 - 2 * kMargin;
constexpr double kTitleHeight = 13.23;
constexpr double kHeaderHeight = 10.32;
constexpr double kDetailHeight = 11.38;

const QStringList kHeader = {QStringLiteral("Index"), QStringLiteral("VolVal"),
                             QStringLiteral("CurVal"), QStringLiteral("PowVal"),
                             QStringLiteral("Date")};

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pageCount(const QString& pdf) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of every page, as pdftotext lays it out.
QStringList pageTexts(const QString& pdf) {
    QStringList pages =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The non-blank lines of a page, each reduced to its words.
QList<QStringList> pageLines(const QString& page) {
    QList<QStringList> lines;
    for (const QString& line : page.split(u'\n')) {
        const QStringList words =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (!words.isEmpty())
            lines << words;
    }
    return lines;
}

struct Word {
    QString text;
    int page = 0;
    double x = 0; // left edge, millimetres from the left of the paper
    double y = 0; // top edge, millimetres from the top of the paper
};

QList<Word> pdfWords(const QString& pdf) {
    const QString html =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QList<Word> words;
    int page = 0;
    const QRegularExpression item(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        words << Word{m.captured(3), page, m.captured(1).toDouble() / kPointsPerMm,
                      m.captured(2).toDouble() / kPointsPerMm};
    }
    return words;
}

// The words of the i-th reading's line in the report.
QStringList detailWords(int i) {
    const LoadReading r = nthReading(i);
    return {QString::number(i), r.voltsText.trimmed(), r.ampsText.trimmed(), r.wattsText.trimmed(),
            QLocale().toString(nthDay(i), QLocale::ShortFormat)};
}

// The words of row i of a table filled by fillReadings().
QStringList filledWords(int i) {
    const LoadReading r = nthReading(i % 50000);
    return {QString::number(i), r.voltsText.trimmed(), r.ampsText.trimmed(), r.wattsText.trimmed(),
            QLocale().toString(nthDay(i % 3000), QLocale::ShortFormat)};
}

// The rows per page: 22 under the title, 23 on every later page.
constexpr int kFirstPageRows = 22;
constexpr int kPageRows = 23;

int pagesFor(int rows) {
    return rows <= kFirstPageRows ? 1 : 1 + (rows - kFirstPageRows + kPageRows - 1) / kPageRows;
}

// The darkest grey of a picture (0 black, 255 white).
int darkest(const QImage& image) {
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

} // namespace

class TestReadingReport : public QObject {
    Q_OBJECT

    std::unique_ptr<ReviewStore> m_store;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString pdf(const QString& name) const {
        return m_dir->filePath(name + QStringLiteral(".pdf"));
    }

    // The report of the rows stored now, printed into a PDF file.
    QString printReport(ReadingReport& report, const QString& name) {
        report.openReadings();
        report.printToPdf(pdf(name));
        return pdf(name);
    }

    // The parts of the report and of the query window, found by their object
    // names.
    static ReadingModel& reportReadings(const ReadingReport& report) {
        return *child<ReadingModel>(&report, "model");
    }
    static ReadingModel& windowReadings(const QueryWindow& window) {
        return *child<ReadingModel>(&window, "model");
    }
    static QToolButton* reportButton(const QueryWindow& window) {
        return child<QToolButton>(&window, "reportButton");
    }

    // Runs act on the preview window the Report button of a query window
    // opens, then closes the window.
    void onPreview(ReadingReport& report, const std::function<void(ReportPreviewDialog&)>& act) {
        QueryWindow window(&report);
        whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
            if (QTest::qWaitForWindowExposed(&preview))
                act(preview);
            else
                qWarning("The preview window was not exposed");
            preview.reject();
        });
        reportButton(window)->click();
    }

    // A run whose readings are the stored rows first .. last.
    static RunRecord sampleRun(qint64 first, qint64 last) {
        RunRecord run;
        run.id = 3;
        run.startedAt = QDateTime(QDate(2026, 12, 11), QTime(8, 30, 0), Qt::UTC);
        run.endedAt = run.startedAt.addMSecs(5'405'000);
        run.firstId = first;
        run.lastId = last;
        run.readings = int(last - first + 1);
        run.end = RunEnd::MinimumVoltage;
        run.ampHours = 1.2346;
        run.wattHours = 14.2;
        run.startVolts = 12.6;
        run.endVolts = 10.5;
        run.lowestVolts = 10.49;
        run.minimumVolts = 10.5;
        run.limits.maxElapsedMs = 5'400'000;
        run.limits.maxWattHours = 20;
        run.pollIntervalMs = 200;
        run.port = QStringLiteral("/dev/ttyUSB0");
        run.label = QStringLiteral("cell A");
        return run;
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_store = std::make_unique<ReviewStore>();
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        m_store.reset();
        m_dir.reset();
    }

    // Print if empty: one page with the title and nothing else.
    void emptyTablePrintsTheTitleOnly() {
        ReadingReport report;
        const QString pdf = printReport(report, QStringLiteral("empty"));
        QCOMPARE(pageCount(pdf), 1);
        QVERIFY(run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("(A4)")));
        const QStringList pages = pageTexts(pdf);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pageLines(pages[0]),
                 QList<QStringList>({{QStringLiteral("TARVEX"), QStringLiteral("REPORT")}}));
    }

    void rowsRunOverPages_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    // Enough rows for three pages: the title on the first page only, the
    // column header at the top of every page, every row once and in order,
    // a page as full as its bands allow.
    void rowsRunOverPages() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const int rows = 60;
        m_store->log(rows);
        ReadingReport report;
        const QString pdf = printReport(report, QStringLiteral("pages"));
        QCOMPARE(pageCount(pdf), 3);
        const QStringList pages = pageTexts(pdf);
        QCOMPARE(pages.size(), 3);

        const auto perPage = [](double room) { return int(std::floor(room / kDetailHeight)); };
        const QList<int> expected = {perPage(kRoom - kTitleHeight - kHeaderHeight),
                                     perPage(kRoom - kHeaderHeight)};
        QCOMPARE(expected, QList<int>({22, 23}));
        int next = 0;
        for (int p = 0; p < pages.size(); ++p) {
            QList<QStringList> lines = pageLines(pages[p]);
            if (p == 0) {
                QCOMPARE(lines.takeFirst(),
                         QStringList({QStringLiteral("TARVEX"), QStringLiteral("REPORT")}));
            }
            QVERIFY(!pages[p].contains(QStringLiteral("TARVEX")) || p == 0);
            QCOMPARE(lines.takeFirst(), kHeader);
            const int onPage = p < 2 ? expected[p] : rows - expected[0] - expected[1];
            QCOMPARE(lines.size(), onPage);
            for (const QStringList& line : lines)
                QCOMPARE(line, detailWords(next++));
            // Dates carry no time of day.
            QVERIFY(!pages[p].contains(u':'));
        }
        QCOMPARE(next, rows);
    }

    // Texts stand where the layout puts them, in millimetres from the
    // paper's edges: margins, band heights and text positions.
    void bandsArePlacedInMillimetres() {
        m_store->log(30);
        ReadingReport report;
        const QList<Word> words = pdfWords(printReport(report, QStringLiteral("layout")));
        const auto find = [&](const QString& text, int page) {
            for (const Word& w : words)
                if (w.text == text && w.page == page)
                    return w;
            return Word{};
        };
        // Left edges are the glyphs' own, a little right of the text's
        // origin; tops are the font's ascent, close to the box's top.
        const auto near = [](double actual, double expected) {
            return std::abs(actual - expected) < 0.35;
        };
        const Word title = find(QStringLiteral("TARVEX"), 1);
        QVERIFY2(near(title.x, kMargin + 59.53), qPrintable(QString::number(title.x)));
        QVERIFY2(near(title.y, kMargin + 2.91), qPrintable(QString::number(title.y)));

        const double headerTop = kMargin + kTitleHeight + 2.91;
        const QList<double> headerLefts = {9.00, 47.63, 86.25, 124.88, 163.51};
        for (int i = 0; i < kHeader.size(); ++i) {
            const Word label = find(kHeader[i], 1);
            QVERIFY2(near(label.x, kMargin + headerLefts[i]), qPrintable(kHeader[i]));
            QVERIFY2(near(label.y, headerTop), qPrintable(kHeader[i]));
            const Word again = find(kHeader[i], 2);
            QVERIFY2(near(again.y, kMargin + 2.91), qPrintable(kHeader[i]));
        }

        const double firstRowTop = kMargin + kTitleHeight + kHeaderHeight + 4.76;
        for (int i = 0; i < 22; ++i) {
            const Word id = find(QString::number(i), 1);
            QVERIFY2(near(id.x, kMargin + 8.20), qPrintable(QString::number(i)));
            QVERIFY2(near(id.y, firstRowTop + i * kDetailHeight), qPrintable(QString::number(i)));
        }
        const Word firstOnPage2 = find(QStringLiteral("22"), 2);
        QVERIFY(near(firstOnPage2.y, kMargin + kHeaderHeight + 4.76));
        const Word date = find(QLocale().toString(nthDay(0), QLocale::ShortFormat), 1);
        QVERIFY(near(date.x, kMargin + 162.72));
    }

    // A PDF file that cannot be written: PrintError names the file, and no
    // print run is announced.
    void unwritableFileRaisesPrintError() {
        m_store->log(3);
        ReadingReport report;
        report.openReadings();
        QSignalSpy printed(&report, &BandReport::printFinished);
        const QString file = m_dir->filePath(QStringLiteral("missing/report.pdf"));
        QString message;
        try {
            report.printToPdf(file);
        } catch (const PrintError& error) {
            message = error.message();
        }
        QCOMPARE(message, QStringLiteral("Cannot print the report to ") + file);
        QCOMPARE(printed.size(), 0);
    }

    // "Report" reads the table afresh into the report's own query, previews
    // it, and closing that query is queued when the preview closes, to be
    // carried out afterwards.
    void previewClosesTheReportQueryAfterwards() {
        m_store->log(30);
        ReadingReport report;
        QueryWindow window(&report);
        window.openReadings();
        windowReadings(window).setCurrentRow(7);
        QSignalSpy previewed(&report, &BandReport::previewClosed);
        QSignalSpy printed(&report, &BandReport::printFinished);

        for (const int stored : {30, 60}) {
            QString caption;
            int pages = 0;
            int rowsDuring = -1;
            whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
                caption = preview.windowTitle();
                pages = preview.pageCount();
                rowsDuring =
                    reportReadings(report).isOpen() ? reportReadings(report).rowCount() : -1;
                preview.reject();
            });
            reportButton(window)->click();
            QCOMPARE(caption, QStringLiteral("Print Preview"));
            QCOMPARE(rowsDuring, stored);
            QCOMPARE(pages, stored == 30 ? 2 : 3);
            QCOMPARE(previewed.size(), stored == 30 ? 1 : 2);
            // Queued, not carried out on the spot.
            QVERIFY(reportReadings(report).isOpen());
            QTRY_VERIFY(!reportReadings(report).isOpen());
            m_store->log(30, 30);
        }
        QCOMPARE(printed.size(), 0);
        // The query window's own query is not touched.
        QVERIFY(windowReadings(window).isOpen());
        QCOMPARE(windowReadings(window).currentRow(), 7);
        QCOMPARE(windowReadings(window).rowCount(), 30);
        QVERIFY(m_store->messages().isEmpty());
    }

    // Printing from the preview window, into a PDF file: the print run's
    // signal and the preview's both follow, and the query is closed.
    void printFromThePreview() {
        m_store->log(40);
        ReadingReport report;
        QueryWindow window(&report);
        QSignalSpy printed(&report, &BandReport::printFinished);
        const QString file = pdf(QStringLiteral("printed"));
        whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
            preview.printer()->setOutputFormat(QPrinter::PdfFormat);
            preview.printer()->setOutputFileName(file);
            preview.print();
            preview.accept();
        });
        reportButton(window)->click();
        QCOMPARE(printed.size(), 1);
        QCOMPARE(pageCount(file), 2);
        QVERIFY(run(QStringLiteral("pdfinfo"), {file}).contains(QStringLiteral("(A4)")));
        QCOMPARE(pageLines(pageTexts(file).value(1)).value(1), detailWords(22));
        QTRY_VERIFY(!reportReadings(report).isOpen());
    }

    // The report's query cannot be opened: the engine's message in the
    // default exception display, and no preview.
    void unreadableTableShowsTheEngineMessage() {
        m_store->log(3);
        RawDb(m_store->tableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        ReadingReport report;
        QueryWindow window(&report);
        bool previewShown = false;
        QPointer<QTimer> watch = whenShown<ReportPreviewDialog>([&](ReportPreviewDialog& preview) {
            previewShown = true;
            preview.reject();
        });
        reportButton(window)->click();
        delete watch.data();
        QVERIFY(!previewShown);
        QCOMPARE(m_store->messages().size(), 1);
        QCOMPARE(m_store->messages().first().icon, QMessageBox::Critical);
        QVERIFY(m_store->messages().first().text.contains(QStringLiteral("Tarvex")));
        QVERIFY(!reportReadings(report).isOpen());
    }

    // Where the rows fall, worked out from the row count and the band
    // heights alone: as many pages as the printed report has, each row on
    // the page it is printed on.
    void pagesFollowFromTheRowCount_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QList<int>>("firstRows"); // of each page, up to three
        QTest::newRow("empty") << 0 << 1 << QList<int>{0};
        QTest::newRow("one row") << 1 << 1 << QList<int>{0};
        QTest::newRow("first page full") << 22 << 1 << QList<int>{0};
        QTest::newRow("one row over") << 23 << 2 << QList<int>{0, 22};
        QTest::newRow("second page full") << 45 << 2 << QList<int>{0, 22};
        QTest::newRow("three pages") << 46 << 3 << QList<int>{0, 22, 45};
        QTest::newRow("a million") << 1000000 << 43479 << QList<int>{0, 22, 45};
    }
    void pagesFollowFromTheRowCount() {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QFETCH(QList<int>, firstRows);
        ReadingReport report;
        const ReportPages counted(report.layout(), kRoom, rows);
        QCOMPARE(counted.pageCount(), pages);
        QCOMPARE(counted.pageCount(), pagesFor(rows));
        int total = 0;
        for (int page = 0; page < pages; ++page) {
            if (page < firstRows.size())
                QCOMPARE(counted.firstRow(page), firstRows[page]);
            QCOMPARE(counted.firstRow(page), total);
            QVERIFY(counted.rowsOn(page) >= (rows > 0 ? 1 : 0));
            total += counted.rowsOn(page);
        }
        QCOMPARE(total, rows);
        // Pages past the last hold nothing.
        QCOMPARE(counted.rowsOn(pages), 0);
    }

    void printedRangeOfALargeTable_data() {
        QTest::addColumn<QString>("which");
        QTest::newRow("first page") << "first";
        QTest::newRow("a middle page") << "middle";
        QTest::newRow("last page") << "last";
        QTest::newRow("current page") << "current";
    }
    // A table of thousands of pages: the preview counts them at once, and a
    // page printed from it (by its number, or as the current page) holds the
    // rows it should, read from the middle or the end of the table.
    void printedRangeOfALargeTable() {
        QFETCH(QString, which);
        const int rows = 200000;
        QVERIFY(fillReadings(m_store->tableFile(), rows));
        const int pages = pagesFor(rows);
        const int page = which == "first"    ? 1
                         : which == "middle" ? pages / 2
                         : which == "last"   ? pages
                                             : 4321;
        const QString file = pdf(which);
        ReadingReport report;
        int counted = 0;
        onPreview(report, [&](ReportPreviewDialog& preview) {
            counted = preview.pageCount();
            QPrinter& printer = *preview.printer();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            if (which == "current") {
                preview.view()->setCurrentPage(page);
                printer.setPrintRange(QPrinter::CurrentPage);
            } else {
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(page, page);
            }
            preview.print();
        });
        QCOMPARE(counted, pages);
        QCOMPARE(pageCount(file), 1);
        QList<QStringList> lines = pageLines(pageTexts(file).value(0));
        if (page == 1)
            QCOMPARE(lines.takeFirst(),
                     QStringList({QStringLiteral("TARVEX"), QStringLiteral("REPORT")}));
        QCOMPARE(lines.takeFirst(), kHeader);
        const int first = page == 1 ? 0 : kFirstPageRows + (page - 2) * kPageRows;
        const int onPage = std::min(page == 1 ? kFirstPageRows : kPageRows, rows - first);
        QCOMPARE(lines.size(), onPage);
        for (int i = 0; i < onPage; ++i)
            QCOMPARE(lines[i], filledWords(first + i));
        if (page == pages)
            QCOMPARE(lines.last(), filledWords(rows - 1));
    }

    // Paging through a large table draws the pages that are shown and no
    // others, so memory does not grow with the pages of the table; the
    // toolbar's page number follows.
    void previewDrawsOnlyThePagesShown() {
        const int rows = 100000;
        QVERIFY(fillReadings(m_store->tableFile(), rows));
        ReadingReport report;
        QSet<int> drawn;
        QSet<int> shown;
        QString pageNumber;
        QString pageLabel;
        onPreview(report, [&](ReportPreviewDialog& preview) {
            ReportPreviewView& view = *preview.view();
            QObject::connect(&view, &ReportPreviewView::pageDrawn,
                             [&](int page) { drawn.insert(page); });
            const auto showAndNote = [&] {
                view.viewport()->repaint();
                // The current page and those beside it can be in view.
                for (int page :
                     {view.currentPage() - 1, view.currentPage(), view.currentPage() + 1})
                    shown.insert(page);
            };
            view.viewport()->repaint();
            shown.insert(1);
            shown.insert(2);
            QAction* next = preview.findChild<QAction*>(QStringLiteral("nextPageAction"));
            for (int i = 0; i < 30; ++i) {
                next->trigger();
                showAndNote();
            }
            preview.findChild<QAction*>(QStringLiteral("lastPageAction"))->trigger();
            showAndNote();
            auto* number = preview.findChild<QLineEdit*>(QStringLiteral("pageNumber"));
            number->setText(QStringLiteral("1234"));
            emit number->editingFinished();
            showAndNote();
            pageNumber = number->text();
            pageLabel = preview.findChild<QLabel*>(QStringLiteral("pageCount"))->text();
            QCOMPARE(view.currentPage(), 1234);
        });
        const int pages = pagesFor(rows);
        QCOMPARE(pageNumber, QStringLiteral("1234"));
        QCOMPARE(pageLabel, QStringLiteral("/ %1").arg(pages));
        QVERIFY(drawn.contains(1));
        QVERIFY(drawn.contains(31));
        QVERIFY(drawn.contains(pages));
        QVERIFY(drawn.contains(1234));
        QVERIFY2((drawn - shown).isEmpty(), qPrintable(QString::number((drawn - shown).size())));
        QVERIFY(drawn.size() < 40);
    }

    // The toolbar: zoom in and out, fit the width, facing pages and the
    // overview, and landscape paper, which holds fewer rows to a page.
    void previewZoomsAndTurnsThePaper() {
        m_store->log(60);
        ReadingReport report;
        onPreview(report, [&](ReportPreviewDialog& preview) {
            ReportPreviewView& view = *preview.view();
            const auto action = [&](const char* name) {
                return preview.findChild<QAction*>(QString::fromLatin1(name));
            };
            QCOMPARE(view.zoomMode(), ReportPreviewView::ZoomMode::FitInView);
            QVERIFY(action("fitPageAction")->isChecked());
            const double fitted = view.zoomFactor();
            action("zoomInAction")->trigger();
            QVERIFY(std::abs(view.zoomFactor() - fitted * 1.1) < 1e-6);
            QVERIFY(!action("fitPageAction")->isChecked());
            action("zoomOutAction")->trigger();
            action("zoomOutAction")->trigger();
            QVERIFY(view.zoomFactor() < fitted);
            action("fitWidthAction")->trigger();
            QCOMPARE(view.zoomMode(), ReportPreviewView::ZoomMode::FitToWidth);
            QVERIFY(view.zoomFactor() > fitted);
            action("facingModeAction")->trigger();
            QCOMPARE(view.viewMode(), ReportPreviewView::ViewMode::FacingPages);
            action("overviewModeAction")->trigger();
            QCOMPARE(view.viewMode(), ReportPreviewView::ViewMode::AllPages);
            // Paging and fitting mean nothing in the overview.
            QVERIFY(!action("nextPageAction")->isEnabled());
            QVERIFY(!action("fitWidthAction")->isEnabled());
            action("singleModeAction")->trigger();
            QCOMPARE(preview.pageCount(), 3);
            action("landscapeAction")->trigger();
            QCOMPARE(preview.printer()->pageLayout().orientation(), QPageLayout::Landscape);
            // 190 mm between the margins: 14 rows under the title, 15 on each
            // page after it.
            QCOMPARE(preview.pageCount(), 5);
            action("portraitAction")->trigger();
            QCOMPARE(preview.pageCount(), 3);
        });
    }

    // Under a dark desktop palette the printed text stays black on white,
    // on paper and in the preview.
    void textIsBlackWhateverThePalette() {
        const QPalette saved = QApplication::palette();
        QPalette dark = saved;
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(role, QColor(235, 235, 235));
        dark.setColor(QPalette::Window, QColor(30, 30, 30));
        dark.setColor(QPalette::Base, QColor(20, 20, 20));
        QApplication::setPalette(dark);
        m_store->log(5);
        ReadingReport report;
        const QString file = printReport(report, QStringLiteral("dark"));
        QImage preview;
        onPreview(report, [&](ReportPreviewDialog& dialog) {
            ReportPreviewView& view = *dialog.view();
            view.setZoomFactor(1);
            view.setCurrentPage(1);
            preview = view.viewport()->grab().toImage();
        });
        QApplication::setPalette(saved);

        const QString png = m_dir->filePath(QStringLiteral("dark"));
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), file, png});
        const QImage paper(png + QStringLiteral(".png"));
        QVERIFY(!paper.isNull());
        QVERIFY2(darkest(paper) < 80, qPrintable(QString::number(darkest(paper))));
        // The preview's paper: white, with dark text on it.
        QVERIFY(!preview.isNull());
        QVERIFY2(darkest(preview) < 80, qPrintable(QString::number(darkest(preview))));
    }

    // A print run that takes a while shows its progress; Cancel ends it after
    // the page in hand and takes the unfinished PDF file away.
    void printingShowsProgressAndCanBeCancelled() {
        OperationProgress::setDelayOverride(0);
        QVERIFY(fillReadings(m_store->tableFile(), 20000));
        const QString file = pdf(QStringLiteral("cancelled"));
        ReadingReport report;
        QSignalSpy printed(&report, &BandReport::printFinished);
        int result = -1;
        int maximum = 0;
        int valueAtCancel = 0;
        onPreview(report, [&](ReportPreviewDialog& preview) {
            preview.printer()->setOutputFormat(QPrinter::PdfFormat);
            preview.printer()->setOutputFileName(file);
            whenShown<QProgressDialog>([&](QProgressDialog& progress) {
                maximum = progress.maximum();
                valueAtCancel = progress.value();
                progress.cancel();
            });
            result = preview.print();
        });
        OperationProgress::setDelayOverride(std::nullopt);
        QCOMPARE(maximum, pagesFor(20000));
        QVERIFY(valueAtCancel < maximum);
        QCOMPARE(result, 0);
        QCOMPARE(printed.size(), 1);
        QVERIFY(!QFile::exists(file));
    }

    // The report of one run: its readings only, in order, then the summary
    // band below the last of them - on the same page when it fits there,
    // else alone at the top of a page of its own - with every figure of the
    // run; the times are local (Berlin: an hour ahead of UTC in December).
    void runReportEndsWithItsSummary_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("summaryPage"); // from 0
        QTest::addColumn<bool>("summaryAlone");
        // 8 rows on page 2 leave room for the summary.
        QTest::newRow("rows over two pages") << 5 << 34 << 2 << 1 << false;
        // 22 rows fill page 1: the summary takes page 2.
        QTest::newRow("a full first page") << 10 << 31 << 2 << 1 << true;
        QTest::newRow("a few rows") << 40 << 42 << 1 << 0 << false;
        // The run's readings were cleared: the title and the summary.
        QTest::newRow("no rows") << 0 << -1 << 1 << 0 << false;
    }
    void runReportEndsWithItsSummary() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, pages);
        QFETCH(int, summaryPage);
        QFETCH(bool, summaryAlone);
        const QByteArray oldTz = qgetenv("TZ");
        const bool hadTz = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const auto restoreTz = qScopeGuard([&] {
            if (hadTz)
                qputenv("TZ", oldTz);
            else
                qunsetenv("TZ");
            tzset();
        });
        m_store->log(60);
        ReadingReport report;
        RunRecord run = sampleRun(first, last);
        if (last < first)
            run.readingsCleared = true;
        report.setRun(run, IdRange{first, last});
        const QString file = printReport(report, QStringLiteral("run"));
        QCOMPARE(pageCount(file), pages);
        const QStringList texts = pageTexts(file);
        QCOMPARE(texts.size(), pages);

        int next = first;
        QList<QStringList> summary;
        for (int p = 0; p < pages; ++p) {
            QList<QStringList> lines = pageLines(texts[p]);
            if (p == 0)
                QCOMPARE(lines.takeFirst(),
                         QStringList({QStringLiteral("TARVEX"), QStringLiteral("REPORT")}));
            const bool alone = p == summaryPage && summaryAlone;
            if (next <= last && !alone)
                QCOMPARE(lines.takeFirst(), kHeader);
            while (!lines.isEmpty() && next <= last && lines.first() == detailWords(next)) {
                lines.takeFirst();
                ++next;
            }
            if (p == summaryPage)
                summary = lines;
            else
                QVERIFY2(lines.isEmpty(),
                         qPrintable(lines.isEmpty() ? QString() : lines.first().join(u' ')));
        }
        QCOMPARE(next, last + 1);
        const QStringList joined = [&] {
            QStringList out;
            for (const QStringList& line : summary)
                out << line.join(u' ');
            return out;
        }();
        QString readings = QString::number(last - first + 1);
        if (last < first)
            readings = QStringLiteral("0 (cleared from the table)");
        QCOMPARE(joined, (QStringList{
                             "RUN SUMMARY",
                             "Run 3",
                             "Label cell A",
                             "Started 2026-12-11 09:30:00",
                             "Ended 2026-12-11 11:00:05",
                             "Duration 1:30:05",
                             "Readings " + readings,
                             "Charge 1.235 Ah",
                             "Energy 14.20 Wh",
                             "Start voltage 12.60 V",
                             "End voltage 10.50 V",
                             "Lowest voltage 10.49 V",
                             "Limits minimum 10.50 V, time 1:30:00, energy 20.00 Wh",
                             "Ended by minimum voltage",
                         }));
        // The summary stands below the last row.
        const QList<Word> words = pdfWords(file);
        double summaryTop = 0;
        double lastRowTop = 0;
        for (const Word& w : words) {
            if (w.text == QStringLiteral("SUMMARY"))
                summaryTop = w.y;
            if (last >= first && w.text == QString::number(last) && w.page == summaryPage + 1 &&
                w.x < kMargin + 20)
                lastRowTop = w.y;
        }
        QVERIFY(summaryTop > lastRowTop);
    }

    // The report of every reading carries no summary; a report set back from
    // a run to every reading loses it.
    void everyReadingHasNoSummary() {
        m_store->log(5);
        ReadingReport report;
        report.setRun(sampleRun(1, 2), IdRange{1, 2});
        QVERIFY(pageTexts(printReport(report, QStringLiteral("one")))
                    .join(u' ')
                    .contains(QStringLiteral("RUN SUMMARY")));
        report.setRun(std::nullopt);
        const QStringList texts = pageTexts(printReport(report, QStringLiteral("all")));
        QCOMPARE(texts.size(), 1);
        QVERIFY(!texts[0].contains(QStringLiteral("SUMMARY")));
        QCOMPARE(pageLines(texts[0]).size(), 2 + 5);
    }
};

QTEST_MAIN(TestReadingReport)
#include "tst_readingreport.moc"
