#include "support/ReviewFixture.h"

#include "review/DataGrid.h"
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

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PageCount(const QString& pdf) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of every page, as pdftotext lays it out.
QStringList PageTexts(const QString& pdf) {
    QStringList pages =
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The non-blank lines of a page, each reduced to its words.
QList<QStringList> Lines(const QString& page) {
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

QList<Word> Words(const QString& pdf) {
    const QString html =
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
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
QStringList DetailWords(int i) {
    const LoadReading r = NthReading(i);
    return {QString::number(i), r.voltsText.trimmed(), r.ampsText.trimmed(), r.wattsText.trimmed(),
            QLocale().toString(NthDay(i), QLocale::ShortFormat)};
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

    std::unique_ptr<ReviewStore> m_store;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Pdf(const QString& name) const {
        return m_dir->filePath(name + QStringLiteral(".pdf"));
    }

    // The report of the rows stored now, printed into a PDF file.
    QString PrintReport(TSerchRep& report, const QString& name) {
        ReadingTable::openQuery(*report.Query1);
        report.Report->PrintToPdf(Pdf(name));
        return Pdf(name);
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
        TSerchRep report;
        const QString pdf = PrintReport(report, QStringLiteral("empty"));
        QCOMPARE(PageCount(pdf), 1);
        QVERIFY(Run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("(A4)")));
        const QStringList pages = PageTexts(pdf);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(Lines(pages[0]),
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
        m_store->Log(rows);
        TSerchRep report;
        const QString pdf = PrintReport(report, QStringLiteral("pages"));
        QCOMPARE(PageCount(pdf), 3);
        const QStringList pages = PageTexts(pdf);
        QCOMPARE(pages.size(), 3);

        const auto perPage = [](double room) { return int(std::floor(room / kDetailHeight)); };
        const QList<int> expected = {perPage(kRoom - kTitleHeight - kHeaderHeight),
                                     perPage(kRoom - kHeaderHeight)};
        QCOMPARE(expected, QList<int>({22, 23}));
        int next = 0;
        for (int p = 0; p < pages.size(); ++p) {
            QList<QStringList> lines = Lines(pages[p]);
            if (p == 0) {
                QCOMPARE(lines.takeFirst(),
                         QStringList({QStringLiteral("TARVEX"), QStringLiteral("REPORT")}));
            }
            QVERIFY(!pages[p].contains(QStringLiteral("TARVEX")) || p == 0);
            QCOMPARE(lines.takeFirst(), kHeader);
            const int onPage = p < 2 ? expected[p] : rows - expected[0] - expected[1];
            QCOMPARE(lines.size(), onPage);
            for (const QStringList& line : lines)
                QCOMPARE(line, DetailWords(next++));
            // Dates carry no time of day.
            QVERIFY(!pages[p].contains(u':'));
        }
        QCOMPARE(next, rows);
    }

    // Texts stand where the layout puts them, in millimetres from the
    // paper's edges: margins, band heights and text positions.
    void bandsArePlacedInMillimetres() {
        m_store->Log(30);
        TSerchRep report;
        const QList<Word> words = Words(PrintReport(report, QStringLiteral("layout")));
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
        const Word date = find(QLocale().toString(NthDay(0), QLocale::ShortFormat), 1);
        QVERIFY(near(date.x, kMargin + 162.72));
    }

    // "Report" reads the table afresh into the report window's own query,
    // previews it, and the close request posted when the preview closes
    // closes that query afterwards.
    void previewClosesTheReportQueryAfterwards() {
        m_store->Log(30);
        TSerchRep report;
        TSerchfrm window(&report);
        PrepareQueryWindow(window);
        window.Query1->moveTo(7);
        QSignalSpy previewed(report.Report, &TReport::AfterPreview);
        QSignalSpy printed(report.Report, &TReport::AfterPrint);

        for (const int stored : {30, 60}) {
            QString caption;
            int pages = 0;
            int rowsDuring = -1;
            WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
                caption = preview.windowTitle();
                pages = preview.findChild<QPrintPreviewWidget*>()->pageCount();
                rowsDuring = report.Query1->isActive() ? report.Query1->rowCount() : -1;
                preview.reject();
            });
            window.BtnRep->click();
            QCOMPARE(caption, QStringLiteral("Print Preview"));
            QCOMPARE(rowsDuring, stored);
            QCOMPARE(pages, stored == 30 ? 2 : 3);
            QCOMPARE(previewed.size(), stored == 30 ? 1 : 2);
            // Posted, not carried out on the spot.
            QVERIFY(report.Query1->isActive());
            QTRY_VERIFY(!report.Query1->isActive());
            m_store->Log(30, 30);
        }
        QCOMPARE(printed.size(), 0);
        // The query window's own query is not touched.
        QVERIFY(window.Query1->isActive());
        QCOMPARE(window.Query1->rowNumber(), 7);
        QCOMPARE(window.DataSource1->rowCount(), 30);
        QVERIFY(m_store->Messages.isEmpty());
    }

    // Printing from the preview window, into a PDF file: the print run's
    // notification and the preview's both follow, and the query is closed.
    void printFromThePreview() {
        m_store->Log(40);
        TSerchRep report;
        TSerchfrm window(&report);
        QSignalSpy printed(report.Report, &TReport::AfterPrint);
        const QString pdf = Pdf(QStringLiteral("printed"));
        WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
            preview.printer()->setOutputFormat(QPrinter::PdfFormat);
            preview.printer()->setOutputFileName(pdf);
            preview.findChild<QPrintPreviewWidget*>()->print();
            preview.accept();
        });
        window.BtnRep->click();
        QCOMPARE(printed.size(), 1);
        QCOMPARE(PageCount(pdf), 2);
        QVERIFY(Run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("(A4)")));
        QCOMPARE(Lines(PageTexts(pdf).value(1)).value(1), DetailWords(22));
        QTRY_VERIFY(!report.Query1->isActive());
    }

    // The report's query cannot be opened: the engine's message in the
    // default exception display, and no preview.
    void unreadableTableShowsTheEngineMessage() {
        m_store->Log(3);
        RawDb(m_store->TableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        TSerchRep report;
        TSerchfrm window(&report);
        bool previewShown = false;
        QPointer<QTimer> watch = WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
            previewShown = true;
            preview.reject();
        });
        window.BtnRep->click();
        delete watch.data();
        QVERIFY(!previewShown);
        QCOMPARE(m_store->Messages.size(), 1);
        QCOMPARE(m_store->Messages.first().icon, QMessageBox::Critical);
        QVERIFY(m_store->Messages.first().text.contains(QStringLiteral("Tarvex")));
        QVERIFY(!report.Query1->isActive());
    }
};

QTEST_MAIN(TestReport)
#include "tst_readingreport.moc"
