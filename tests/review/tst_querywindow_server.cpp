// The query window, the printed report, the export and the clear on a bench
// that logs into a PostgreSQL server: they show and act on the bench's own
// rows there as they do on a table file.
#include "support/PostgresServer.h"
#include "support/RecordingAutomation.h"
#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "readings/ReadingModel.h"
#include "report/ReadingReport.h"
#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "review/RunsModel.h"
#include "review/RunsWindow.h"
#include "store/ReadingStore.h"

#include <QComboBox>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>

using namespace tarvex;

namespace {

// The texts the grid and the export show for the i-th reading of a run.
QStringList expectedRow(int id, int i) {
    const LoadReading r = nthReading(i);
    return {QString::number(id), r.voltsText, r.ampsText, r.wattsText,
            QLocale().toString(nthDay(i), QLocale::ShortFormat)};
}

QStringList gridRow(const ReadingModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column)
        cells << model.index(row, column).data().toString();
    return cells;
}

// The words of the report's detail lines, in order, as pdftotext reads them.
QList<QStringList> reportLines(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    QList<QStringList> lines;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        const QStringList words =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (!words.isEmpty() && words.first().toInt() >= 0 && words.size() == 5 &&
            words.first() != QStringLiteral("Index"))
            lines << words;
    }
    return lines;
}

} // namespace

class TestQueryWindowServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchStore> m_scratch;
    QString m_schema;
    QList<MessageRequest> m_boxes;
    MessageHandler m_previousHandler;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;

    // Logs readings first .. first + count - 1 as the reading log does.
    void log(int count, int first = 0) {
        ReadingStore store;
        for (int i = first; i < first + count; ++i)
            store.append(nthReading(i), QDateTime(nthDay(i), QTime(23, 59, 58)));
    }

    int storedRows(const QString& schema) {
        ServerDb db(*m_server);
        return db.value(QStringLiteral("SELECT count(*) FROM \"%1\".\"Tarvex\"").arg(schema))
            .toInt();
    }

private slots:
    void initTestCase() {
        m_previousHandler = setMessageHandler([this](const MessageRequest& request) {
            m_boxes << request;
            return m_answer;
        });
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void cleanupTestCase() {
        m_server.reset();
        setMessageHandler(m_previousHandler);
    }
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_boxes.clear();
        m_answer = QMessageBox::Yes;
        m_scratch = std::make_unique<ScratchStore>();
        static int n = 0;
        m_schema = QStringLiteral("review%1").arg(++n);
        // Another bench's rows in the same database, never shown here.
        writeFile(m_scratch->configFile(),
                  m_server->aliasText(QStringLiteral("RoruvEde"), m_schema + QStringLiteral("x")));
        QCOMPARE(ReadingStore::setUp(m_scratch->dataDir()), ReadingStore::SetupResult::Ready);
        log(4, 500);
        writeFile(m_scratch->configFile(),
                  m_server->aliasText(QStringLiteral("RoruvEde"), m_schema));
        QCOMPARE(ReadingStore::setUp(m_scratch->dataDir()), ReadingStore::SetupResult::Ready);
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    // The grid shows the bench's rows in ID order, as on a table file, and
    // rows far down are fetched when they are reached.
    void gridShowsTheBenchsRows() {
        log(700);
        QueryWindow window;
        window.openReadings();
        ReadingModel& model = *child<DataGrid>(&window, "grid")->readingModel();
        QCOMPARE(model.rowCount(), 700);
        QStringList titles;
        for (int column = 0; column < model.columnCount(); ++column)
            titles << model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{"ID", "VolVal", "CurVal", "PowVal", "TestDate"}));
        for (int i : {0, 1, 255, 256, 650, 699})
            QCOMPARE(gridRow(model, i), expectedRow(i, i));
        model.setCurrentRow(699);
        QCOMPARE(model.currentRow(), 699);
        QCOMPARE(model.reading(699).id, 699);
        QVERIFY(m_boxes.isEmpty());
    }

    // The report prints the bench's rows, every one once and in order.
    void reportPrintsTheBenchsRows() {
        log(30);
        ReadingReport report;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        report.openReadings();
        report.printToPdf(pdf);
        const QList<QStringList> lines = reportLines(pdf);
        QCOMPARE(lines.size(), 30);
        for (int i = 0; i < 30; ++i) {
            const LoadReading r = nthReading(i);
            QCOMPARE(lines[i], (QStringList{QString::number(i), r.voltsText.trimmed(),
                                            r.ampsText.trimmed(), r.wattsText.trimmed(),
                                            QLocale().toString(nthDay(i), QLocale::ShortFormat)}));
        }
    }

    // "Excel" sends every row of the query: ID and date as values, the
    // measurements as their stored texts.
    void exportSendsTheBenchsRows() {
        log(25);
        QueryWindow window;
        window.openReadings();
        Recording recording;
        window.setSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        child<QToolButton>(&window, "exportButton")->click();
        QList<QVariantList> exported;
        for (const RecordedBlock& block : recording.blocks)
            exported += block.values;
        QCOMPARE(exported.size(), 25);
        for (int i = 0; i < 25; ++i) {
            const LoadReading r = nthReading(i);
            QCOMPARE(exported[i],
                     (QVariantList{qlonglong(i), r.voltsText, r.ampsText, r.wattsText, nthDay(i)}));
        }
        QVERIFY(m_boxes.isEmpty());
    }

    // "Clear" answered Yes deletes the bench's rows only; numbering starts
    // again from 0.
    void clearDeletesTheBenchsRows() {
        log(40);
        QueryWindow window;
        window.openReadings();
        child<QToolButton>(&window, "clearButton")->click();
        QCOMPARE(m_boxes.size(), 1); // the question only
        QCOMPARE(storedRows(m_schema), 0);
        QCOMPARE(storedRows(m_schema + QStringLiteral("x")), 4);
        log(1, 41);
        window.openReadings();
        const ReadingModel& model = *child<DataGrid>(&window, "grid")->readingModel();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(gridRow(model, 0), expectedRow(0, 41));
    }

    // Runs on the server: the run chooser narrows the grid, the report and
    // the export to a run's rows; the runs list shows the bench's runs only.
    void chooserNarrowsToARunOnTheServer() {
        log(3); // readings of no run: IDs 0..2
        const QDateTime start = QDateTime::fromMSecsSinceEpoch(1'796'976'000'000, Qt::UTC);
        QList<qint64> ids;
        qint64 runId = 0;
        {
            ReadingStore store;
            RunStart s;
            s.startedAt = start;
            s.pollIntervalMs = 200;
            s.port = QStringLiteral("/dev/ttyUSB0");
            s.label = QStringLiteral("server cell");
            runId = store.beginRun(s);
            for (int i = 0; i < 40; ++i)
                ids << store.append(nthReading(10 + i), start.addMSecs(200 * i),
                                    RunStamp{runId, 200 * i});
            store.endRun(runId, RunEnd::LoadOff, start.addSecs(8));
        }
        log(2, 90); // more readings of no run after it
        ReadingReport report;
        QueryWindow window(&report);
        window.openReadings();
        auto* chooser = child<QComboBox>(&window, "runChooser");
        QCOMPARE(chooser->count(), 2);
        QVERIFY(chooser->itemText(1).contains(QStringLiteral("server cell")));
        chooser->setCurrentIndex(1);
        emit chooser->activated(1);
        const ReadingModel& model = *child<DataGrid>(&window, "grid")->readingModel();
        QCOMPARE(model.rowCount(), 40);
        // ID and texts (the day is the run's, not nthDay()).
        QCOMPARE(gridRow(model, 0).mid(0, 4), expectedRow(int(ids.first()), 10).mid(0, 4));
        QCOMPARE(gridRow(model, 39).mid(0, 4), expectedRow(int(ids.last()), 49).mid(0, 4));

        Recording recording;
        window.setSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        child<QToolButton>(&window, "exportButton")->click();
        QList<QVariantList> exported;
        for (const RecordedBlock& block : recording.blocks)
            exported += block.values;
        QCOMPARE(exported.size(), 40);
        QCOMPARE(exported.first().first().toLongLong(), ids.first());

        report.setRun(window.chosenRun(), IdRange{ids.first(), ids.last()});
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("run.pdf"));
        report.openReadings();
        report.printToPdf(pdf);
        const QList<QStringList> lines = reportLines(pdf);
        QCOMPARE(lines.size(), 40);
        QCOMPARE(lines.first().first(), QString::number(ids.first()));

        RunsWindow runs;
        runs.openRuns();
        QCOMPARE(runs.model()->rowCount(), 1);
        QCOMPARE(runs.model()->run(0).label, QStringLiteral("server cell"));
        QCOMPARE(runs.model()->run(0).readings, 40);
        QVERIFY(m_boxes.isEmpty());
    }
};

QTEST_MAIN(TestQueryWindowServer)
#include "tst_querywindow_server.moc"
