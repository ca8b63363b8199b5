// The export into a real LibreOffice Calc: after the export the document is
// read back through UNO from the office the export started; an office that
// fails, stops answering or lacks Calc part of the way is ended with all it
// left behind.

#include "export/LibreOfficeAutomation.h"
#include "export/SpreadsheetExport.h"
#include "export/libreoffice/OfficeProcess.h"
#include "support/OfficeReader.h"
#include "support/ReviewFixture.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationProgress.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

using namespace tarvex;

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;
using uno::fromUno;

namespace {

QString pluginPath() {
    return QStringLiteral(TARVEX_LIBREOFFICE_PLUGIN);
}

Reference<css::beans::XPropertySet> cellProperties(const Reference<css::sheet::XSpreadsheet>& sheet,
                                                   int column, int row) {
    return Reference<css::beans::XPropertySet>(sheet->getCellByPosition(column, row),
                                               UNO_QUERY_THROW);
}

QString cellText(const Reference<css::sheet::XSpreadsheet>& sheet, int column, int row) {
    return fromUno(
        Reference<css::text::XText>(sheet->getCellByPosition(column, row), UNO_QUERY_THROW)
            ->getString());
}

QString formatString(const Reference<css::frame::XModel>& model,
                     const Reference<css::sheet::XSpreadsheet>& sheet, int column, int row) {
    sal_Int32 key = 0;
    cellProperties(sheet, column, row)->getPropertyValue(OUString("NumberFormat")) >>= key;
    auto formats =
        Reference<css::util::XNumberFormatsSupplier>(model, UNO_QUERY_THROW)->getNumberFormats();
    OUString format;
    formats->getByKey(key)->getPropertyValue(OUString("FormatString")) >>= format;
    return fromUno(format);
}

// The kind of the cell's number format (css::util::NumberFormat).
sal_Int16 formatType(const Reference<css::frame::XModel>& model,
                     const Reference<css::sheet::XSpreadsheet>& sheet, int column, int row) {
    sal_Int32 key = 0;
    cellProperties(sheet, column, row)->getPropertyValue(OUString("NumberFormat")) >>= key;
    auto formats =
        Reference<css::util::XNumberFormatsSupplier>(model, UNO_QUERY_THROW)->getNumberFormats();
    sal_Int16 type = 0;
    formats->getByKey(key)->getPropertyValue(OUString("Type")) >>= type;
    return type;
}

css::table::CellContentType contentType(const Reference<css::sheet::XSpreadsheet>& sheet,
                                        int column, int row) {
    return sheet->getCellByPosition(column, row)->getType();
}

// The OSL pipes of this user in the temporary directory.
QStringList officePipes() {
    return QDir("/tmp").entryList({QFileInfo(office::pipeSocketPath("*")).fileName()},
                                  QDir::System);
}

// The pipes there now that were not there before.
QStringList newPipes(const QStringList& before) {
    QStringList added;
    for (const QString& pipe : officePipes())
        if (!before.contains(pipe))
            added << pipe;
    return added;
}

} // namespace

class TestLibreOfficeExport : public QObject {
    Q_OBJECT

    QTemporaryDir m_profiles;
    QList<MessageRequest> m_messages;

private slots:
    void initTestCase() {
        QVERIFY(m_profiles.isValid());
        // As in the program: no SIGPIPE handler (the test library has one).
        ::signal(SIGPIPE, SIG_DFL);
        setMessageHandler([this](const MessageRequest& r) {
            m_messages.append(r);
            return QMessageBox::Yes;
        });
    }
    void init() { m_messages.clear(); }

    void exportIsReadBackFromTheOffice() {
        QList<QStringList> rows = readingRows(23);
        rows[0][1] = QStringLiteral("  1.50"); // leading blanks stay
        rows[1][2] = QStringLiteral("007");    // a number would lose its zeros
        rows[2][3] = QStringLiteral("伏特 1,5");
        rows[3][3] = QStringLiteral("=1+1");       // not a formula
        rows[4][2] = QStringLiteral("10/12/2026"); // a text, not a date
        rows[5][4] = QStringLiteral("2024-02-29");
        rows[22][0] = QStringLiteral("2147483647");
        StoredRows stored(rows);
        stored.model().setCurrentRow(4);

        LibreOfficeInstance started;
        LibreOfficeSettings settings;
        settings.profileParent = m_profiles.path();
        settings.startedInstance = &started;
        auto automation = loadLibreOfficeAutomation(pluginPath(), settings);
        SpreadsheetExport component(*automation);
        QVERIFY(exportReadingsToSpreadsheet(component, stored.model()));
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!started.pipeName.isEmpty());
        QCOMPARE(stored.model().currentRow(), 4);

        // Released by the export, still running: connect again and read back.
        QVERIFY(office::isRunning(started.pid, office::profileArgument(started.profileDir)));
        auto reader = std::make_unique<OfficeReader>(started.pipeName);
        const auto documents = reader->documents();
        QCOMPARE(documents.size(), 1);
        const auto model = documents.first();
        auto sheets =
            Reference<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)->getSheets();
        Reference<css::container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
        QCOMPARE(index->getCount(), 1);
        Reference<css::sheet::XSpreadsheet> sheet(index->getByIndex(0), UNO_QUERY_THROW);
        QCOMPARE(fromUno(Reference<css::container::XNamed>(sheet, UNO_QUERY_THROW)->getName()),
                 QStringLiteral("Kelvarnotraske Simple Export 1"));

        const QStringList titles{"ID", "VolVal", "CurVal", "PowVal", "TestDate"};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(cellText(sheet, c, 0), titles[c]);
        const QDate dayZero(1899, 12, 30); // of the document's date values
        for (int r = 0; r < rows.size(); ++r) {
            // The values as texts, exactly.
            for (int c = 1; c <= 3; ++c) {
                QCOMPARE(cellText(sheet, c, r + 1), rows[r][c]);
                QCOMPARE(contentType(sheet, c, r + 1), css::table::CellContentType_TEXT);
            }
            // The ID as a number in the general format.
            QCOMPARE(contentType(sheet, 0, r + 1), css::table::CellContentType_VALUE);
            QCOMPARE(sheet->getCellByPosition(0, r + 1)->getValue(), rows[r][0].toDouble());
            QCOMPARE(formatString(model, sheet, 0, r + 1), QStringLiteral("General"));
            QCOMPARE(cellText(sheet, 0, r + 1), rows[r][0]);
            // The date as a date value, shown in the office's own date format
            // (as a date typed into a cell of the general format).
            const QDate date = QDate::fromString(rows[r][4], Qt::ISODate);
            QCOMPARE(contentType(sheet, 4, r + 1), css::table::CellContentType_VALUE);
            QCOMPARE(sheet->getCellByPosition(4, r + 1)->getValue(), double(dayZero.daysTo(date)));
            QVERIFY(formatType(model, sheet, 4, r + 1) & css::util::NumberFormat::DATE);
        }
        // Nothing beside or below.
        QCOMPARE(cellText(sheet, 5, 0), QString());
        QCOMPARE(cellText(sheet, 5, 1), QString());
        QCOMPARE(cellText(sheet, 0, rows.size() + 1), QString());

        // Text format on the value columns of every data row, but not on their
        // titles nor below the data.
        for (int r = 1; r <= rows.size(); ++r)
            for (int c = 1; c <= 3; ++c)
                QCOMPARE(formatString(model, sheet, c, r), QStringLiteral("@"));
        QCOMPARE(formatString(model, sheet, 1, 0), QStringLiteral("General"));
        QCOMPARE(formatString(model, sheet, 1, rows.size() + 1), QStringLiteral("General"));

        // Title and data fonts: MS Sans Serif 8 point, automatic colour, plain.
        for (int r : {0, 1, int(rows.size())}) {
            const auto cell = cellProperties(sheet, 2, r);
            OUString font;
            float height = 0;
            sal_Int32 color = 0;
            float weight = 0;
            cell->getPropertyValue(OUString("CharFontName")) >>= font;
            cell->getPropertyValue(OUString("CharHeight")) >>= height;
            cell->getPropertyValue(OUString("CharColor")) >>= color;
            cell->getPropertyValue(OUString("CharWeight")) >>= weight;
            QCOMPARE(fromUno(font), QStringLiteral("MS Sans Serif"));
            QCOMPARE(height, 8.0f);
            QCOMPARE(color, -1);
            QCOMPARE(weight, 100.0f);
        }

        // A new, unsaved document in a visible window, screen updating back on.
        Reference<css::frame::XStorable> storable(model, UNO_QUERY_THROW);
        QVERIFY(!storable->hasLocation());
        QVERIFY(storable->getLocation().isEmpty());
        QVERIFY(!model->hasControllersLocked());
        Reference<css::awt::XWindow2> window(
            model->getCurrentController()->getFrame()->getContainerWindow(), UNO_QUERY_THROW);
        QVERIFY(window->isVisible());

        reader->terminate();
        reader.reset();
        QTRY_VERIFY_WITH_TIMEOUT(
            !office::isRunning(started.pid, office::profileArgument(started.profileDir)), 60000);
        office::removeStaleProfiles(m_profiles.path());
        QVERIFY(!QFileInfo::exists(started.profileDir));
    }

    void officeFailingPartWayIsEndedWithWhatItLeft_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("callTimeoutMs");
        QTest::addColumn<int>("rows");
        QTest::newRow("office goes away") << int(SIGKILL) << 30000 << 2000;
        // Long enough for the office to make the workbook on a busy machine.
        QTest::newRow("office stops answering") << int(SIGSTOP) << 15000 << 20000;
    }
    // The office goes away or stops answering in the middle of the data: the
    // export ends in the warning (a call that gets no answer waits no longer
    // than its time-out), this program goes on, and the office's whole
    // process group is gone, with its profile and its pipes (its own
    // single-instance pipe too).
    void officeFailingPartWayIsEndedWithWhatItLeft() {
        QFETCH(int, signal);
        QFETCH(int, callTimeoutMs);
        QFETCH(int, rows);
        LibreOfficeInstance started;
        StoredRows stored(readingRows(rows));
        // Once 100 rows have gone out (the progress, shown at once, says so).
        bool sent = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!sent && started.pid > 0 && progress && progress->value() >= 100)
                sent = ::kill(-static_cast<pid_t>(started.pid), signal) == 0;
        });
        watch.start(0);
        OperationProgress::setDelayOverride(0);
        QWidget window;
        window.show();
        const QStringList pipesBefore = officePipes();

        LibreOfficeSettings settings;
        settings.profileParent = m_profiles.path();
        settings.startedInstance = &started;
        settings.callTimeoutMs = callTimeoutMs;
        auto automation = loadLibreOfficeAutomation(pluginPath(), settings);
        SpreadsheetExport component(*automation);
        QVERIFY(!exportReadingsToSpreadsheet(component, stored.model(), &window));
        watch.stop();
        OperationProgress::setDelayOverride(std::nullopt);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text.section(u'\n', 0, 0), QStringLiteral("no Install Excel!"));
        // Ended by the signal (the failure may surface some blocks later).
        QVERIFY(sent);
        QVERIFY(!office::isGroupRunning(started.pid));
        QVERIFY(!QFileInfo::exists(started.profileDir));
        QVERIFY(!QFileInfo::exists(office::pipeSocketPath(started.pipeName)));
        QCOMPARE(newPipes(pipesBefore), QStringList());
    }

    // An office without Calc: the workbook cannot be made; the warning, and
    // no office is left running, nor its profile or pipes.
    void missingCalcEndsInTheWarningAndNoOffice() {
        LibreOfficeInstance started;
        const QStringList pipesBefore = officePipes();
        LibreOfficeSettings settings;
        settings.profileParent = m_profiles.path();
        settings.startedInstance = &started;
        settings.documentFactory = QStringLiteral("private:factory/tarvex-missing");
        auto automation = loadLibreOfficeAutomation(pluginPath(), settings);
        SpreadsheetExport component(*automation);
        StoredRows stored(readingRows(3));
        QVERIFY(!exportReadingsToSpreadsheet(component, stored.model()));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text.section(u'\n', 0, 0), QStringLiteral("no Install Excel!"));
        // It was started and connected, then ended.
        QVERIFY(started.pid > 0);
        QVERIFY(!office::isGroupRunning(started.pid));
        QVERIFY(!QFileInfo::exists(started.profileDir));
        QCOMPARE(newPipes(pipesBefore), QStringList());
        QCOMPARE(QDir(m_profiles.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }
};

QTEST_MAIN(TestLibreOfficeExport)
#include "tst_libreofficeexport.moc"
