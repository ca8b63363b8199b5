// The export against a recording automation and an in-memory query: the
// calls made, their order, the blocks of values, and what a failure leaves.

#include "review/LibreOfficeAutomation.h"
#include "review/OperationProgress.h"
#include "review/SpreadsheetExport.h"
#include "support/FakeExportSource.h"
#include "support/RecordingAutomation.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace tarvex;

namespace {

const QString kFont = QStringLiteral("Font(MS Sans Serif,8,window text)");
const QString kAlignment = QStringLiteral("Alignment(general,nowrap,0)");

const QStringList kConnect{
    "Open",         "NewInstance",         "AddWorkbook(-4167,1024)",
    "Worksheet(1)", "ScreenUpdating(off)", "Name(Kelvarnotraske Simple Export 1)"};

const QStringList kTitles{"A1:A1 Value(ID)",     "B1:B1 Value(VolVal)",   "C1:C1 Value(CurVal)",
                          "D1:D1 Value(PowVal)", "E1:E1 Value(TestDate)", "A1:E1 " + kFont,
                          "A1:E1 " + kAlignment};

const QStringList kReleases{"Release worksheet", "Release workbook", "Release application"};

// The log lines of writing one block over rows top..bottom of A to E.
QStringList blockCalls(int top, int bottom) {
    QStringList calls;
    for (const char* column : {"B", "C", "D"})
        calls << QStringLiteral("%1%2:%1%3 NumberFormat(@)").arg(column).arg(top).arg(bottom);
    calls << QStringLiteral("A%1:E%2 Values(%3x5)").arg(top).arg(bottom).arg(bottom - top + 1);
    return calls;
}

} // namespace

class TestSpreadsheetExport : public QObject {
    Q_OBJECT

    QList<MessageRequest> m_messages;

    // Runs the "Excel" button over `source` with a recording automation.
    bool press(Recording& recording, FakeExportSource& source) {
        source.log = &recording.log;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        return exportQueryToSpreadsheet(component, source);
    }

    void verifyWarnedOnce() {
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].icon, QMessageBox::Warning);
        QCOMPARE(m_messages[0].title, QStringLiteral("Warning"));
        QCOMPARE(m_messages[0].text,
                 QStringLiteral("no Install Excel!\n\nOn Linux, the export needs LibreOffice Calc: "
                                "install the package libreoffice-calc (sudo apt install "
                                "libreoffice-calc). The error output tells what failed."));
        QCOMPARE(m_messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
    }

private slots:
    void initTestCase() {
        setMessageHandler([this](const MessageRequest& r) {
            // The hourglass is gone before the warning shows.
            if (QGuiApplication::overrideCursor())
                qWarning("message box under an override cursor");
            m_messages.append(r);
            return QMessageBox::Yes;
        });
    }
    void init() { m_messages.clear(); }

    void callsAreMadeInOrder() {
        Recording recording;
        FakeExportSource source = FakeExportSource::readings(3);
        source.current = 1;
        QVERIFY(press(recording, source));

        QStringList expected = kConnect + kTitles;
        expected << "DisableControls"
                 << "Bookmark(1)"
                 << "First"
                 << "Next"
                 << "Next"
                 << "Next";
        expected << blockCalls(2, 4);
        expected << "GotoBookmark(1)"
                 << "EnableControls"
                 << "A2:E4 " + kFont << "A2:E4 " + kAlignment << "ScreenUpdating(on)"
                 << "Visible(true)";
        expected << kReleases;
        QCOMPARE(recording.log, expected);
        QCOMPARE(recording.blocks.size(), 1);
        QCOMPARE(recording.blocks[0].values, source.allCells());
        QVERIFY(recording.callsWithoutHourglass.isEmpty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(source.current, 1);
        QCOMPARE(source.controlsDisabled, 0);
    }

    void rowsGoOutInBlocksOfTwenty_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("blockTops"); // each block's first and last row
        QTest::newRow("empty table") << 0 << QList<int>{};
        QTest::newRow("1 row") << 1 << QList<int>{2, 2};
        QTest::newRow("19 rows") << 19 << QList<int>{2, 20};
        QTest::newRow("20 rows") << 20 << QList<int>{2, 21};
        QTest::newRow("21 rows") << 21 << QList<int>{2, 21, 22, 22};
        QTest::newRow("45 rows") << 45 << QList<int>{2, 21, 22, 41, 42, 46};
        QTest::newRow("60 rows") << 60 << QList<int>{2, 21, 22, 41, 42, 61};
    }
    void rowsGoOutInBlocksOfTwenty() {
        QFETCH(int, rows);
        QFETCH(QList<int>, blockTops);
        Recording recording;
        FakeExportSource source = FakeExportSource::readings(rows);
        QVERIFY(press(recording, source));

        // The data calls, in order, once the walk has begun.
        QStringList expectedData;
        for (int i = 0; i < blockTops.size(); i += 2)
            expectedData << blockCalls(blockTops[i], blockTops[i + 1]);
        QStringList data;
        const int walk = recording.log.indexOf("First");
        const int walkEnd = recording.log.indexOf("EnableControls");
        QVERIFY(walk > recording.log.indexOf("DisableControls"));
        for (int i = walk; i < walkEnd; ++i)
            if (recording.log[i].contains(':'))
                data << recording.log[i];
        QCOMPARE(data, expectedData);

        // Every row once, in order, in its block.
        QList<QVariantList> sent;
        for (const RecordedBlock& block : recording.blocks)
            sent += block.values;
        QCOMPARE(sent, source.allCells());

        // Titles first; data rows formatted only when there are some; the
        // application shown last.
        QCOMPARE(recording.log.mid(0, kConnect.size() + kTitles.size()), kConnect + kTitles);
        const QString dataFont = QStringLiteral("A2:E%1 ").arg(rows + 1) + kFont;
        QCOMPARE(recording.log.contains(dataFont), rows > 0);
        QCOMPARE(recording.log.mid(recording.log.size() - 5),
                 (QStringList{"ScreenUpdating(on)", "Visible(true)"} + kReleases));
        QVERIFY(m_messages.isEmpty());
    }

    void valuesAreSentAsTheyStand() {
        Recording recording;
        FakeExportSource source = FakeExportSource::readings(2);
        source.rows[1][1] = QStringLiteral("   1.50");
        source.rows[1][2] = QStringLiteral(" 0.00 ");
        source.rows[0][3] = QString();
        QVERIFY(press(recording, source));
        QCOMPARE(recording.blocks.size(), 1);
        const QList<QVariantList>& values = recording.blocks[0].values;
        QCOMPARE(values[1][1], QVariant(QStringLiteral("   1.50")));
        QCOMPARE(values[1][2], QVariant(QStringLiteral(" 0.00 ")));
        QCOMPARE(values[0][3], QVariant(QString()));
        // Their column has the text format before they arrive.
        QVERIFY(recording.log.indexOf("B2:B3 NumberFormat(@)") <
                recording.log.indexOf("A2:E3 Values(2x5)"));
    }

    void numbersAndDatesGoOutAsValues_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QVariant>("number");
        QTest::addColumn<QVariant>("day");
        QTest::newRow("both") << "17"
                              << "12/10/2026" << QVariant(qlonglong(17))
                              << QVariant(QDate(2026, 12, 10));
        QTest::newRow("large number")
            << "2147483647"
            << "01/01/1900" << QVariant(qlonglong(2147483647)) << QVariant(QDate(1900, 1, 1));
        QTest::newRow("empty fields") << ""
                                      << "" << QVariant() << QVariant();
    }
    // The ID goes out as a number and the date as a date value, both in the
    // general format (the text format is given to the text columns only); an
    // empty field leaves its cell empty.
    void numbersAndDatesGoOutAsValues() {
        QFETCH(QString, id);
        QFETCH(QString, date);
        QFETCH(QVariant, number);
        QFETCH(QVariant, day);
        Recording recording;
        FakeExportSource source = FakeExportSource::readings(1);
        source.rows[0][0] = id;
        source.rows[0][4] = date;
        QVERIFY(press(recording, source));
        const QVariantList& line = recording.blocks.value(0).values.value(0);
        QCOMPARE(line.value(0), number);
        QCOMPARE(line.value(0).typeId(), number.typeId());
        QCOMPARE(line.value(4), day);
        QCOMPARE(line.value(4).typeId(), day.typeId());
        QCOMPARE(line.value(1).typeId(), int(QMetaType::QString));
        QCOMPARE(recording.log.filter("NumberFormat"),
                 (QStringList{"B2:B2 NumberFormat(@)", "C2:C2 NumberFormat(@)",
                              "D2:D2 NumberFormat(@)"}));
    }

    // A long export shows the rows written in a progress dialog; its Cancel
    // stops the export after the block in hand: nothing is shown, everything
    // taken is released, and no warning follows.
    void longExportShowsProgressAndCanBeCancelled() {
        OperationProgress::setDelayOverride(0);
        Recording recording;
        struct CancellingSource : FakeExportSource {
            int maximum = -1;
            int valueAtCancel = -1;
            void next() override {
                FakeExportSource::next();
                if (current != 130)
                    return;
                if (auto* progress =
                        qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
                    maximum = progress->maximum();
                    valueAtCancel = progress->value();
                    progress->cancel();
                }
            }
        } source;
        static_cast<FakeExportSource&>(source) = FakeExportSource::readings(500);
        source.current = 3;
        source.log = &recording.log;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        QWidget window;
        window.show();
        QVERIFY(!exportQueryToSpreadsheet(component, source, &window));
        OperationProgress::setDelayOverride(std::nullopt);

        QCOMPARE(source.maximum, 500);
        QCOMPARE(source.valueAtCancel, 120);
        QVERIFY(m_messages.isEmpty());
        // The block in hand when Cancel was pressed is the last one written.
        QCOMPARE(recording.blocks.size(), 7);
        QVERIFY(!recording.log.contains("Visible(true)"));
        QCOMPARE(recording.log.mid(recording.log.size() - 3), kReleases);
        QCOMPARE(source.controlsDisabled, 0);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void hiddenAndUnhandledFieldsAreLeftOut() {
        Recording recording;
        FakeExportSource source;
        source.fieldList = {{"ID", {}, true, ExportFieldType::WholeNumber},
                            {"Hidden", {}, false, ExportFieldType::Text},
                            {"Blob", {}, true, ExportFieldType::Other},
                            {"VolVal", "Volts", true, ExportFieldType::Text},
                            {"TestDate", {}, true, ExportFieldType::Date}};
        source.rows = {{"1", "h1", "b1", "1.00", "12/01/2026"},
                       {"2", "h2", "b2", "2.00", "12/02/2026"}};
        QVERIFY(press(recording, source));
        const QStringList titles = recording.log.filter(" Value(");
        QCOMPARE(titles,
                 (QStringList{"A1:A1 Value(ID)", "B1:B1 Value(Volts)", "C1:C1 Value(TestDate)"}));
        QVERIFY(recording.log.contains("A1:C1 " + kFont));
        QCOMPARE(recording.log.filter("NumberFormat"), QStringList{"B2:B3 NumberFormat(@)"});
        QCOMPARE(recording.blocks.size(), 1);
        QCOMPARE(recording.blocks[0].range, QStringLiteral("A2:C3"));
        QCOMPARE(recording.blocks[0].values,
                 (QList<QVariantList>{{qlonglong(1), "1.00", QDate(2026, 12, 1)},
                                      {qlonglong(2), "2.00", QDate(2026, 12, 2)}}));
        QVERIFY(recording.log.contains("A2:C3 " + kFont));
    }

    void twoPressesStartTwoInstances() {
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        FakeExportSource source = FakeExportSource::readings(2);
        source.log = &recording.log;
        QVERIFY(exportQueryToSpreadsheet(component, source));
        const int firstEnd = recording.log.size();
        QVERIFY(exportQueryToSpreadsheet(component, source));
        QCOMPARE(recording.instances, 2);
        const QStringList first = recording.log.mid(0, firstEnd);
        const QStringList second = recording.log.mid(firstEnd);
        QCOMPARE(second, first);
        QCOMPARE(first.mid(first.size() - 3), kReleases);
        QCOMPARE(first.count("AddWorkbook(-4167,1024)"), 1);
    }

    // A poll tick due during a long export is served between blocks, not
    // after the export: the run's protection goes on meanwhile.
    void ticksAreServedDuringTheExport() {
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        FakeExportSource source = FakeExportSource::readings(200);
        int blocksAtTick = -1;
        QTimer::singleShot(0, [&] { blocksAtTick = int(recording.blocks.size()); });
        QVERIFY(exportQueryToSpreadsheet(component, source));
        QCOMPARE(recording.blocks.size(), 10);
        QVERIFY2(blocksAtTick >= 1 && blocksAtTick < 10, qPrintable(QString::number(blocksAtTick)));
    }

    void settingsAreResetForEveryExport() {
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        component.setWorksheetName("Other");
        component.setBlockRows(3);
        SpreadsheetFont boldFont = component.dataFont();
        boldFont.bold = true;
        component.setDataFont(boldFont);
        FakeExportSource source = FakeExportSource::readings(4);
        source.log = &recording.log;
        QVERIFY(exportQueryToSpreadsheet(component, source));
        QVERIFY(recording.log.contains("Name(Kelvarnotraske Simple Export 1)"));
        QCOMPARE(recording.blocks.size(), 1);
        QVERIFY(recording.log.contains("A2:E5 " + kFont));
    }

    void failureReleasesWhatWasTakenAndWarns_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("automationFails");
        QTest::addColumn<QString>("sourceFails");
        QTest::addColumn<int>("sourceFailOccurrence");
        QTest::addColumn<QStringList>("released");
        QTest::addColumn<bool>("walked");
        QTest::addColumn<int>("rowAfter"); // current row afterwards; it was 7 before
        const QStringList all = kReleases;
        QTest::newRow("query cannot be opened") << 5 << ""
                                                << "Open" << 1 << QStringList{} << false << 7;
        QTest::newRow("application cannot be started") << 5 << "NewInstance"
                                                       << "" << 1 << QStringList{} << false << 7;
        QTest::newRow("no workbook") << 5 << "AddWorkbook(-4167,1024)"
                                     << "" << 1 << QStringList{"Release application"} << false << 7;
        QTest::newRow("no worksheet")
            << 5 << "Worksheet(1)"
            << "" << 1 << QStringList{"Release workbook", "Release application"} << false << 7;
        QTest::newRow("sheet cannot be named") << 5 << "Name(Kelvarnotraske Simple Export 1)"
                                               << "" << 1 << all << false << 7;
        QTest::newRow("title") << 5 << "C1:C1 Value(CurVal)"
                               << "" << 1 << all << false << 7;
        // Within the walk the links are resumed, but the query stays where the
        // walk stopped: the 40th row, whose block failed.
        QTest::newRow("second block") << 45 << "A22:E41 Values(20x5)"
                                      << "" << 1 << all << true << 39;
        QTest::newRow("text format of the last block") << 45 << "C42:C46 NumberFormat(@)"
                                                       << "" << 1 << all << true << 45;
        QTest::newRow("query fails in the walk") << 45 << ""
                                                 << "Next" << 30 << all << true << 29;
        QTest::newRow("data font") << 45 << "A2:E46 " + kFont << "" << 1 << all << true << 7;
        QTest::newRow("screen updating on") << 45 << "ScreenUpdating(on)"
                                            << "" << 1 << all << true << 7;
        QTest::newRow("cannot be shown") << 45 << "Visible(true)"
                                         << "" << 1 << all << true << 7;
    }
    void failureReleasesWhatWasTakenAndWarns() {
        QFETCH(int, rows);
        QFETCH(QString, automationFails);
        QFETCH(QString, sourceFails);
        QFETCH(int, sourceFailOccurrence);
        QFETCH(QStringList, released);
        QFETCH(bool, walked);
        QFETCH(int, rowAfter);

        Recording recording;
        recording.failAt = automationFails;
        FakeExportSource source = FakeExportSource::readings(rows);
        source.current = 7;
        source.failAt = sourceFails;
        source.failOccurrence = sourceFailOccurrence;
        QVERIFY(!press(recording, source));

        verifyWarnedOnce();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(recording.callsWithoutHourglass.isEmpty());
        const QStringList releases = recording.log.filter("Release ");
        QCOMPARE(releases, released);
        // The references go last, and nothing is shown after a failure.
        QCOMPARE(recording.log.mid(recording.log.size() - releases.size()), released);
        QVERIFY(!recording.log.contains("Visible(true)") || automationFails == "Visible(true)");
        QCOMPARE(recording.log.contains("DisableControls"), walked);
        QCOMPARE(recording.log.contains("EnableControls"), walked);
        QCOMPARE(source.controlsDisabled, 0);
        QCOMPARE(source.current, rowAfter);
        QCOMPARE(recording.instances,
                 automationFails == "NewInstance" || sourceFails == "Open" ? 0 : 1);
    }

    void hourglassShowsOverAnotherCursorAndGivesItBack() {
        QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
        Recording recording;
        FakeExportSource source = FakeExportSource::readings(1);
        QVERIFY(press(recording, source));
        QVERIFY(recording.callsWithoutHourglass.isEmpty());
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QGuiApplication::restoreOverrideCursor();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The warning, and the reason on the error output.
    void missingPluginEndsInTheWarning_data() {
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/tarvex_libreoffice.so")
                                 << "The LibreOffice plugin cannot be loaded: .*"
                                    "/nonexistent/tarvex_libreoffice\\.so";
        QTest::newRow("not a plugin")
            << QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libQt6Core.so.6"
            << "/.*/libQt6Core\\.so\\.6 is not a LibreOffice plugin of this program";
    }
    void missingPluginEndsInTheWarning() {
        QFETCH(QString, plugin);
        QFETCH(QString, reason);
        auto automation = loadLibreOfficeAutomation(plugin);
        QVERIFY(automation);
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, automation->newInstance());
        SpreadsheetExport component(*automation);
        FakeExportSource source = FakeExportSource::readings(3);
        QStringList log;
        source.log = &log;
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QStringLiteral("^Spreadsheet export failed: ") + reason));
        QVERIFY(!exportQueryToSpreadsheet(component, source));
        verifyWarnedOnce();
        QCOMPARE(log, QStringList{"Open"});
        QVERIFY(source.opened);
    }

    void columnsAreNamedWithLetters_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("letters");
        QTest::newRow("1") << 1 << "A";
        QTest::newRow("5") << 5 << "E";
        QTest::newRow("26") << 26 << "Z";
        QTest::newRow("27") << 27 << "AA";
        QTest::newRow("52") << 52 << "AZ";
        QTest::newRow("53") << 53 << "BA";
        QTest::newRow("702") << 702 << "ZZ";
        QTest::newRow("703") << 703 << "AAA";
    }
    void columnsAreNamedWithLetters() {
        QFETCH(int, column);
        QFETCH(QString, letters);
        QCOMPARE(columnLetters(column), letters);
        QCOMPARE(cellReference(column, 46), letters + "46");
    }
};

QTEST_MAIN(TestSpreadsheetExport)
#include "tst_spreadsheetexport.moc"
