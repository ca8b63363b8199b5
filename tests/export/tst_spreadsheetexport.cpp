// The export against a recording automation and readings in a real table
// file: the calls made, their order, the blocks of values, and what a
// failure leaves.

#include "export/LibreOfficeAutomation.h"
#include "export/SpreadsheetExport.h"
#include "readings/ReadingModel.h"
#include "support/RecordingAutomation.h"
#include "support/ReviewFixture.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationProgress.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tarvex;

namespace {

const QString kFont = QStringLiteral("Font(MS Sans Serif,8,window text)");
const QString kAlignment = QStringLiteral("Alignment(general,nowrap,0)");

const QStringList kConnect{"NewInstance", "AddWorkbook(-4167,1024)", "Worksheet(1)",
                           "ScreenUpdating(off)", "Name(Kelvarnotraske Simple Export 1)"};

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
    std::unique_ptr<ScratchStore> m_store;
    std::unique_ptr<ReadingModel> m_model;
    QList<QStringList> m_rows;

    // Stores rows and opens the model on them, as the query window has it.
    void store(const QList<QStringList>& rows) {
        m_rows = rows;
        QVERIFY(storeRows(m_store->tableFile(), rows));
        m_model->open();
    }
    // Runs the "Excel" button over the model with a recording automation.
    bool press(Recording& recording) {
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        return exportReadingsToSpreadsheet(component, *m_model);
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
    void init() {
        m_messages.clear();
        m_store = std::make_unique<ScratchStore>();
        QCOMPARE(ReadingStore::setUp(m_store->dataDir()), ReadingStore::SetupResult::Ready);
        m_model = std::make_unique<ReadingModel>();
    }
    void cleanup() {
        m_model.reset();
        m_store.reset();
    }

    // Every row once, in order; the model's views see nothing of it and its
    // current row stays.
    void callsAreMadeInOrder() {
        store(readingRows(3));
        m_model->setCurrentRow(1);
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        QSignalSpy moved(m_model.get(), &ReadingModel::currentRowChanged);
        Recording recording;
        QVERIFY(press(recording));

        QStringList expected = kConnect + kTitles;
        expected << blockCalls(2, 4);
        expected << "A2:E4 " + kFont << "A2:E4 " + kAlignment << "ScreenUpdating(on)"
                 << "Visible(true)";
        expected << kReleases;
        QCOMPARE(recording.log, expected);
        QCOMPARE(recording.blocks.size(), 1);
        QCOMPARE(recording.blocks[0].values, exportedCells(m_rows));
        QVERIFY(recording.callsWithoutHourglass.isEmpty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(m_model->currentRow(), 1);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(moved.count(), 0);
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
        store(readingRows(rows));
        Recording recording;
        QVERIFY(press(recording));

        // The data calls, in order.
        QStringList expectedData;
        for (int i = 0; i < blockTops.size(); i += 2)
            expectedData << blockCalls(blockTops[i], blockTops[i + 1]);
        QStringList data;
        for (const QString& line : recording.log)
            if (line.contains(QStringLiteral("NumberFormat")) ||
                line.contains(QStringLiteral("Values")))
                data << line;
        QCOMPARE(data, expectedData);

        // Every row once, in order, in its block.
        QList<QVariantList> sent;
        for (const RecordedBlock& block : recording.blocks)
            sent += block.values;
        QCOMPARE(sent, exportedCells(m_rows));

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
        QList<QStringList> rows = readingRows(2);
        rows[1][1] = QStringLiteral("   1.50");
        rows[1][2] = QStringLiteral(" 0.00 ");
        rows[0][3] = QString();
        store(rows);
        Recording recording;
        QVERIFY(press(recording));
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
                              << "2026-12-10" << QVariant(qlonglong(17))
                              << QVariant(QDate(2026, 12, 10));
        QTest::newRow("large number")
            << "2147483647"
            << "1900-01-01" << QVariant(qlonglong(2147483647)) << QVariant(QDate(1900, 1, 1));
        QTest::newRow("empty date") << "0"
                                    << "" << QVariant(qlonglong(0)) << QVariant();
        QTest::newRow("a date that is none")
            << "5"
            << "31.12.2024" << QVariant(qlonglong(5)) << QVariant();
    }
    // The ID goes out as a number and the date as a date value, both in the
    // general format (the text format is given to the text columns only); an
    // empty date (or one that is none) leaves its cell empty.
    void numbersAndDatesGoOutAsValues() {
        QFETCH(QString, id);
        QFETCH(QString, date);
        QFETCH(QVariant, number);
        QFETCH(QVariant, day);
        QList<QStringList> rows = readingRows(1);
        rows[0][0] = id;
        rows[0][4] = date;
        store(rows);
        Recording recording;
        QVERIFY(press(recording));
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
        store(readingRows(500));
        m_model->setCurrentRow(3);
        OperationProgress::setDelayOverride(0);
        int maximum = -1;
        int valueAtCancel = -1;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (progress && progress->value() >= 120 && valueAtCancel < 0) {
                maximum = progress->maximum();
                valueAtCancel = progress->value();
                progress->cancel();
            }
        });
        watch.start(0);
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        QWidget window;
        window.show();
        QVERIFY(!exportReadingsToSpreadsheet(component, *m_model, &window));
        watch.stop();
        OperationProgress::setDelayOverride(std::nullopt);

        QCOMPARE(maximum, 500);
        QCOMPARE(valueAtCancel, 120);
        QVERIFY(m_messages.isEmpty());
        // The block in hand when Cancel was pressed is the last one written.
        QCOMPARE(recording.blocks.size(), 6);
        QVERIFY(!recording.log.contains("Visible(true)"));
        QCOMPARE(recording.log.mid(recording.log.size() - 3), kReleases);
        QCOMPARE(m_model->currentRow(), 3);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void twoPressesStartTwoInstances() {
        store(readingRows(2));
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        QVERIFY(exportReadingsToSpreadsheet(component, *m_model));
        const int firstEnd = recording.log.size();
        QVERIFY(exportReadingsToSpreadsheet(component, *m_model));
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
        store(readingRows(200));
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        int blocksAtTick = -1;
        QTimer::singleShot(0, [&] { blocksAtTick = int(recording.blocks.size()); });
        QVERIFY(exportReadingsToSpreadsheet(component, *m_model));
        QCOMPARE(recording.blocks.size(), 10);
        QVERIFY2(blocksAtTick >= 1 && blocksAtTick < 10, qPrintable(QString::number(blocksAtTick)));
    }

    void settingsAreResetForEveryExport() {
        store(readingRows(4));
        Recording recording;
        RecordingAutomation automation(recording);
        SpreadsheetExport component(automation);
        component.setWorksheetName("Other");
        component.setBlockRows(3);
        SpreadsheetFont boldFont = component.dataFont();
        boldFont.bold = true;
        component.setDataFont(boldFont);
        QVERIFY(exportReadingsToSpreadsheet(component, *m_model));
        QVERIFY(recording.log.contains("Name(Kelvarnotraske Simple Export 1)"));
        QCOMPARE(recording.blocks.size(), 1);
        QVERIFY(recording.log.contains("A2:E5 " + kFont));
    }

    void failureReleasesWhatWasTakenAndWarns_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("automationFails");
        QTest::addColumn<QString>("tableFails"); // "before" the press, "during" the walk
        QTest::addColumn<QStringList>("released");
        const QStringList all = kReleases;
        QTest::newRow("readings cannot be read") << 5 << ""
                                                 << "before" << QStringList{};
        QTest::newRow("application cannot be started") << 5 << "NewInstance"
                                                       << "" << QStringList{};
        QTest::newRow("no workbook") << 5 << "AddWorkbook(-4167,1024)"
                                     << "" << QStringList{"Release application"};
        QTest::newRow("no worksheet")
            << 5 << "Worksheet(1)"
            << "" << QStringList{"Release workbook", "Release application"};
        QTest::newRow("sheet cannot be named") << 5 << "Name(Kelvarnotraske Simple Export 1)"
                                               << "" << all;
        QTest::newRow("title") << 5 << "C1:C1 Value(CurVal)"
                               << "" << all;
        QTest::newRow("second block") << 45 << "A22:E41 Values(20x5)"
                                      << "" << all;
        QTest::newRow("text format of the last block") << 45 << "C42:C46 NumberFormat(@)"
                                                       << "" << all;
        // The table goes away while the rows are read (past the first block
        // the export reads from the table).
        QTest::newRow("table gone in the walk") << ReadingModel::kWalkRows + 100 << ""
                                                << "during" << all;
        QTest::newRow("data font") << 45 << "A2:E46 " + kFont << "" << all;
        QTest::newRow("screen updating on") << 45 << "ScreenUpdating(on)"
                                            << "" << all;
        QTest::newRow("cannot be shown") << 45 << "Visible(true)"
                                         << "" << all;
    }
    void failureReleasesWhatWasTakenAndWarns() {
        QFETCH(int, rows);
        QFETCH(QString, automationFails);
        QFETCH(QString, tableFails);
        QFETCH(QStringList, released);

        store(readingRows(rows));
        m_model->setCurrentRow(2);
        const QString table = m_store->tableFile();
        const auto breakTable = [table] {
            RawDb(table).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        };
        if (tableFails == QStringLiteral("before")) {
            m_model->close();
            breakTable();
        } else if (tableFails == QStringLiteral("during")) {
            QTimer::singleShot(0, breakTable);
        }
        Recording recording;
        recording.failAt = automationFails;
        QVERIFY(!press(recording));

        verifyWarnedOnce();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(recording.callsWithoutHourglass.isEmpty());
        const QStringList releases = recording.log.filter("Release ");
        QCOMPARE(releases, released);
        // The references go last, and nothing is shown after a failure.
        QCOMPARE(recording.log.mid(recording.log.size() - releases.size()), released);
        QVERIFY(!recording.log.contains("Visible(true)") || automationFails == "Visible(true)");
        QCOMPARE(recording.instances,
                 automationFails == "NewInstance" || tableFails == "before" ? 0 : 1);
        if (tableFails.isEmpty())
            QCOMPARE(m_model->currentRow(), 2);
    }

    void hourglassShowsOverAnotherCursorAndGivesItBack() {
        store(readingRows(1));
        QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
        Recording recording;
        QVERIFY(press(recording));
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
        store(readingRows(3));
        m_model->close();
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QStringLiteral("^Spreadsheet export failed: ") + reason));
        QVERIFY(!exportReadingsToSpreadsheet(component, *m_model));
        verifyWarnedOnce();
        // The readings were opened for it.
        QVERIFY(m_model->isOpen());
        QCOMPARE(m_model->rowCount(), 3);
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
