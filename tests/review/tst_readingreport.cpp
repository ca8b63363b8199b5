#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "review/QueryModel.h"
#include "review/QueryWindow.h"
#include "review/ReadingReport.h"
#include "store/ReadingTable.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QToolButton>

#include <cmath>

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
    static Query& reportQuery(const ReadingReport& report) {
        return *child<Query>(&report, "query");
    }
    static Query& windowQuery(const QueryWindow& window) { return *child<Query>(&window, "query"); }
    static QToolButton* reportButton(const QueryWindow& window) {
        return child<QToolButton>(&window, "reportButton");
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
        windowQuery(window).moveTo(7);
        QSignalSpy previewed(&report, &BandReport::previewClosed);
        QSignalSpy printed(&report, &BandReport::printFinished);

        for (const int stored : {30, 60}) {
            QString caption;
            int pages = 0;
            int rowsDuring = -1;
            whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
                caption = preview.windowTitle();
                pages = preview.findChild<QPrintPreviewWidget*>()->pageCount();
                rowsDuring = reportQuery(report).isActive() ? reportQuery(report).rowCount() : -1;
                preview.reject();
            });
            reportButton(window)->click();
            QCOMPARE(caption, QStringLiteral("Print Preview"));
            QCOMPARE(rowsDuring, stored);
            QCOMPARE(pages, stored == 30 ? 2 : 3);
            QCOMPARE(previewed.size(), stored == 30 ? 1 : 2);
            // Queued, not carried out on the spot.
            QVERIFY(reportQuery(report).isActive());
            QTRY_VERIFY(!reportQuery(report).isActive());
            m_store->log(30, 30);
        }
        QCOMPARE(printed.size(), 0);
        // The query window's own query is not touched.
        QVERIFY(windowQuery(window).isActive());
        QCOMPARE(windowQuery(window).rowNumber(), 7);
        QCOMPARE(child<QueryModel>(&window, "model")->rowCount(), 30);
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
        whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
            preview.printer()->setOutputFormat(QPrinter::PdfFormat);
            preview.printer()->setOutputFileName(file);
            preview.findChild<QPrintPreviewWidget*>()->print();
            preview.accept();
        });
        reportButton(window)->click();
        QCOMPARE(printed.size(), 1);
        QCOMPARE(pageCount(file), 2);
        QVERIFY(run(QStringLiteral("pdfinfo"), {file}).contains(QStringLiteral("(A4)")));
        QCOMPARE(pageLines(pageTexts(file).value(1)).value(1), detailWords(22));
        QTRY_VERIFY(!reportQuery(report).isActive());
    }

    // The report's query cannot be opened: the engine's message in the
    // default exception display, and no preview.
    void unreadableTableShowsTheEngineMessage() {
        m_store->log(3);
        RawDb(m_store->tableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        ReadingReport report;
        QueryWindow window(&report);
        bool previewShown = false;
        QPointer<QTimer> watch = whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
            previewShown = true;
            preview.reject();
        });
        reportButton(window)->click();
        delete watch.data();
        QVERIFY(!previewShown);
        QCOMPARE(m_store->messages().size(), 1);
        QCOMPARE(m_store->messages().first().icon, QMessageBox::Critical);
        QVERIFY(m_store->messages().first().text.contains(QStringLiteral("Tarvex")));
        QVERIFY(!reportQuery(report).isActive());
    }
};

QTEST_MAIN(TestReadingReport)
#include "tst_readingreport.moc"
