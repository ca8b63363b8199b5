#include "support/CsvParser.h"
#include "support/RecordingAutomation.h"
#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "export/SpreadsheetExport.h"
#include "readings/ReadingModel.h"
#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "ui/FileDialogs.h"
#include "ui/OperationProgress.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

#include <sys/resource.h>

#include <csignal>
#include <optional>

using namespace tarvex;

namespace {

const QString kConfirm = QStringLiteral("Clear All Record,Yes or No?");
const QString kFailed = QStringLiteral("Failed to Clear Data from Table!");

// The texts of one grid row, cell by cell.
QStringList gridRow(const ReadingModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column)
        cells << model.index(row, column).data().toString();
    return cells;
}

// The texts the grid shows for the i-th reading of a test run.
QStringList expectedRow(int id, int i) {
    const LoadReading r = nthReading(i);
    return {QString::number(id), r.voltsText, r.ampsText, r.wattsText,
            QLocale().toString(nthDay(i), QLocale::ShortFormat)};
}

QStringList titles(const ReadingModel& model) {
    QStringList titles;
    for (int column = 0; column < model.columnCount(); ++column)
        titles << model.headerData(column, Qt::Horizontal).toString();
    return titles;
}

bool hasIndicator(const ReadingModel& model, int row) {
    return !model.headerData(row, Qt::Vertical, Qt::DecorationRole).value<QIcon>().isNull();
}

// The records the CSV file for the first n readings of a test run holds.
QList<QStringList> expectedCsv(int n) {
    QList<QStringList> records{{"ID", "VolVal", "CurVal", "PowVal", "TestDate"}};
    for (int i = 0; i < n; ++i) {
        const LoadReading r = nthReading(i);
        records << QStringList{QString::number(i), r.voltsText, r.ampsText, r.wattsText,
                               nthDay(i).toString(Qt::ISODate)};
    }
    return records;
}

// The records of a CSV file; none when it is missing or does not parse.
QList<QStringList> csvRecords(const QString& file) {
    QString error;
    const auto parsed = parseCsv(fileBytes(file), &error);
    if (!parsed)
        qWarning("%s does not parse: %s", qPrintable(file), qPrintable(error));
    return parsed.value_or(QList<QStringList>());
}

// Answers every save dialog with one path while it lives, and keeps what
// each dialog was asked to show.
class SaveDialogAnswer {
public:
    explicit SaveDialogAnswer(QString path)
        : m_path(std::move(path)),
          m_previous(setSaveFileNameAsker([this](const SaveFileRequest& r) {
              m_requests << r;
              return m_path;
          })) {}
    ~SaveDialogAnswer() { setSaveFileNameAsker(m_previous); }
    SaveDialogAnswer(const SaveDialogAnswer&) = delete;
    SaveDialogAnswer& operator=(const SaveDialogAnswer&) = delete;

    const QList<SaveFileRequest>& requests() const { return m_requests; }

private:
    QString m_path;
    QList<SaveFileRequest> m_requests;
    SaveFileNameAsker m_previous;
};

// While it lives, no file of this process can grow beyond a size (the
// system's limit, which binds a superuser too): a write past it fails as on
// a full disk, with "File too large", instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            qFatal("The file size limit cannot be set");
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_handler)(int);
};

// The files in a directory, hidden ones too.
QStringList filesIn(const QString& directory) {
    return QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestQueryWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ReviewStore> m_store;
    std::unique_ptr<QueryWindow> m_window;

    // The window's parts, found by their object names.
    ReadingModel& model() const { return *child<ReadingModel>(m_window.get(), "model"); }
    DataGrid& grid() const { return *child<DataGrid>(m_window.get(), "grid"); }
    QToolButton* button(const char* name) const { return child<QToolButton>(m_window.get(), name); }
    QAction* saveCsvAction() const { return child<QAction>(m_window.get(), "saveCsvAction"); }

    // Stores a reading through a store of its own, as the reading log does
    // while the query window is shown; false when it fails.
    bool readingStored() {
        try {
            ReadingStore().append(nthReading(900), QDateTime::currentDateTime());
            return true;
        } catch (const DatabaseError&) {
            return false;
        }
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_store = std::make_unique<ReviewStore>();
        m_window = std::make_unique<QueryWindow>();
    }
    void cleanup() {
        m_window.reset();
        m_store.reset();
    }

    void emptyTableShowsTitlesAndNoRows() {
        m_window->openReadings();
        QCOMPARE(titles(model()), QStringList({QStringLiteral("ID"), QStringLiteral("VolVal"),
                                               QStringLiteral("CurVal"), QStringLiteral("PowVal"),
                                               QStringLiteral("TestDate")}));
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(grid().horizontalHeader()->count(), 5);
        QVERIFY(
            grid().horizontalHeader()->sectionSize(4) >=
            grid().horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("TestDate")));
    }

    void rowsAreShownInTableOrder_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void rowsAreShownInTableOrder() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        m_store->log(7);
        m_window->openReadings();
        QCOMPARE(model().rowCount(), 7);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(gridRow(model(), i), expectedRow(i, i));
        // Value texts keep their leading blanks; the date has no time of day.
        QVERIFY(gridRow(model(), 0)[1].startsWith(u' '));
        QVERIFY(!gridRow(model(), 0)[4].contains(u':'));
    }

    // The window shows the rows from the top, with the indicator on the first.
    void shownWindowShowsFirstRows() {
        m_store->log(30);
        m_window->openReadings();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCOMPARE(grid().indexAt(QPoint(2, 2)).row(), 0);
        QCOMPARE(grid().currentIndex().row(), 0);
        QVERIFY(hasIndicator(model(), 0));
        QVERIFY(!hasIndicator(model(), 1));
        QVERIFY(grid().verticalScrollBar()->maximum() > 0);
    }

    void gridAndModelShareTheCurrentRow() {
        m_store->log(40);
        m_window->openReadings();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        DataGrid& grid = this->grid();
        ReadingModel& model = this->model();

        // The model moves: the grid follows, the indicator too.
        model.setCurrentRow(25);
        QCOMPARE(grid.currentIndex().row(), 25);
        QVERIFY(hasIndicator(model, 25));
        QVERIFY(!hasIndicator(model, 0));
        QVERIFY(grid.visualRect(grid.currentIndex()).intersects(grid.viewport()->rect()));
        model.setCurrentRow(1000); // past the end: the last row
        QCOMPARE(grid.currentIndex().row(), 39);

        // The grid moves: the model follows.
        grid.setCurrentIndex(model.index(12, 2));
        QCOMPARE(model.currentRow(), 12);
        QCOMPARE(model.reading(12).id, 12);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(model.currentRow(), 13);
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(model.currentRow(), 39);
        QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(model.currentRow(), 0);

        // A walk through every row, as the export and the CSV file take:
        // the grid stays still and keeps its current row.
        grid.setCurrentIndex(model.index(17, 0));
        QSignalSpy moves(&model, &ReadingModel::currentRowChanged);
        int walked = 0;
        QVERIFY(model.forEachBlock([&](int first, const QList<StoredReading>& rows) {
            for (const StoredReading& r : rows)
                if (r.id == first + (&r - rows.data()))
                    ++walked;
            return true;
        }));
        QCOMPARE(moves.count(), 0);
        QCOMPARE(walked, 40);
        QCOMPARE(grid.currentIndex().row(), 17);
        QCOMPARE(model.currentRow(), 17);
    }

    // A table far larger than a fetch block: every row is reachable and
    // shows its own texts, also the last.
    void largeTableIsBrowsedInBlocks() {
        const int n = 200000;
        QVERIFY(fillReadings(m_store->tableFile(), n));
        m_window->openReadings();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCOMPARE(model().rowCount(), n);
        QTest::keyClick(&grid(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(model().currentRow(), n - 1);
        const int bottom = grid().indexAt(QPoint(2, grid().viewport()->height() - 3)).row();
        QCOMPARE(bottom, n - 1);
        QCOMPARE(model().index(n - 1, 0).data().toString(), QString::number(n - 1));
        QCOMPARE(gridRow(model(), 123456)[0], QStringLiteral("123456"));
        QCOMPARE(gridRow(model(), 123456)[1], nthReading(123456 % 50000).voltsText);
    }

    // Every end of a showing closes the readings, and the grid empties.
    void everyEndOfAShowingClosesTheQuery_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("close box") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("after clear") << 2;
    }
    void everyEndOfAShowingClosesTheQuery() {
        QFETCH(int, how);
        m_store->log(3);
        m_store->setAnswer(QMessageBox::No);
        for (int showing = 0; showing < 2; ++showing) {
            m_window->openReadings();
            QCOMPARE(model().rowCount(), 3);
            whenShown<QueryWindow>([how](QueryWindow& window) {
                if (how == 2)
                    child<QToolButton>(&window, "clearButton")->click();
                if (how == 1)
                    QTest::keyClick(&window, Qt::Key_Escape);
                else
                    window.close();
            });
            m_window->exec();
            QVERIFY(!m_window->isVisible());
            QVERIFY(!model().isOpen());
            QCOMPARE(model().rowCount(), 0);
            QCOMPARE(model().columnCount(), 0);
        }
    }

    void clearDeletesAllRowsOnlyWhenConfirmed_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("no, rows kept") << 5 << QMessageBox::No;
        QTest::newRow("yes, all deleted") << 5 << QMessageBox::Yes;
        QTest::newRow("yes on an empty table") << 0 << QMessageBox::Yes;
    }
    void clearDeletesAllRowsOnlyWhenConfirmed() {
        QFETCH(int, rows);
        QFETCH(QMessageBox::StandardButton, answer);
        m_store->log(rows);
        m_store->setAnswer(answer);
        m_window->openReadings();
        QCOMPARE(model().rowCount(), rows);

        button("clearButton")->click();

        QCOMPARE(m_store->messages().size(), 1);
        const MessageRequest& ask = m_store->messages().first();
        QCOMPARE(ask.icon, QMessageBox::Question);
        QCOMPARE(ask.title, QStringLiteral("Confirm"));
        QCOMPARE(ask.text, kConfirm);
        QCOMPARE(ask.buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));

        const int left = answer == QMessageBox::Yes ? 0 : rows;
        QCOMPARE(m_store->storedIds().size(), left);
        // The grid stays empty whatever the answer; the table is left
        // unlocked.
        QVERIFY(!model().isOpen());
        QCOMPARE(model().rowCount(), 0);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(readingStored());
        // After a clear with Yes the numbering starts again at 0.
        QCOMPARE(m_store->storedIds().last(), answer == QMessageBox::Yes ? 0 : rows);

        // The next showing finds the rows stored at that moment.
        m_window->openReadings();
        QCOMPARE(model().rowCount(), left + 1);
    }

    // Another connection holds the write lock: nothing is deleted, the
    // failure is reported and the window's own lock is not left behind.
    void clearFailsOnALockedTable() {
        m_store->log(4);
        m_window->openReadings();
        {
            LockHolder other(m_store->tableFile());
            QVERIFY(other.held());
            button("clearButton")->click();
            other.release();
        }
        QCOMPARE(m_store->storedIds(), QList<int>({0, 1, 2, 3}));
        QCOMPARE(m_store->messages().size(), 2);
        const MessageRequest& failed = m_store->messages().last();
        QCOMPARE(failed.text, kFailed);
        QCOMPARE(failed.title, applicationTitle());
        QCOMPARE(failed.icon, QMessageBox::NoIcon);
        QCOMPARE(failed.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(readingStored());
    }

    // A deletion fails part of the way: the rows deleted before stay deleted,
    // and by the time the operator reads the message the lock is released
    // and the table closed, so readings go on being stored.
    void clearFailsPartOfTheWay() {
        m_store->log(6);
        {
            RawDb raw(m_store->tableFile());
            QString error;
            raw.rows(QStringLiteral("CREATE TRIGGER keep_three BEFORE DELETE ON Tarvex "
                                    "WHEN old.ID = 3 BEGIN SELECT RAISE(ABORT, 'refused'); END"),
                     &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        bool tableClosedAtMessage = false;
        bool storedAtMessage = false;
        m_store->setAnswerer([&](const MessageRequest& request) {
            if (request.text == kFailed) {
                tableClosedAtMessage = !QApplication::overrideCursor();
                storedAtMessage = readingStored();
                return QMessageBox::Ok;
            }
            return QMessageBox::Yes;
        });
        m_window->openReadings();
        button("clearButton")->click();

        QCOMPARE(m_store->messages().size(), 2);
        QCOMPARE(m_store->messages().last().text, kFailed);
        QVERIFY(tableClosedAtMessage);
        QVERIFY(storedAtMessage);
        QCOMPARE(m_store->storedIds(), QList<int>({3, 4, 5, 6}));
    }

    // A long Clear shows its progress (without Cancel: the operator has
    // confirmed), serves what arrives between its blocks, and deletes the
    // rows stored when the operator confirmed: a reading stored meanwhile
    // stays.
    void clearOfALargeTableShowsProgressAndKeepsNewReadings() {
        const int rows = 30000;
        QVERIFY(fillReadings(m_store->tableFile(), rows));
        OperationProgress::setDelayOverride(0);
        int maximum = -1;
        bool cancelOffered = true;
        QString label;
        whenShown<QProgressDialog>([&](QProgressDialog& progress) {
            maximum = progress.maximum();
            label = progress.labelText();
            cancelOffered = progress.findChild<QPushButton*>() != nullptr;
        });
        int leftWhenStored = -1;
        QTimer::singleShot(0, [&] {
            leftWhenStored = int(m_store->storedIds().size());
            QVERIFY(readingStored());
        });
        m_window->openReadings();
        button("clearButton")->click();
        OperationProgress::setDelayOverride(std::nullopt);

        QCOMPARE(maximum, rows);
        QCOMPARE(label, QStringLiteral("Clearing records..."));
        QVERIFY(!cancelOffered);
        QVERIFY2(leftWhenStored > 0 && leftWhenStored < rows,
                 qPrintable(QString::number(leftWhenStored)));
        // The reading stored during the Clear followed the largest ID then.
        QCOMPARE(m_store->storedIds(), QList<int>({rows}));
        QCOMPARE(m_store->messages().size(), 1); // the confirmation only
        QVERIFY(!QApplication::overrideCursor());
    }

    void clearOfALargeTableStopsAtARowThatRefuses_data() {
        QTest::addColumn<int>("refusing");
        QTest::newRow("in the first block") << 700;
        QTest::newRow("after many blocks") << 27000;
    }
    // A row refuses to go far into a long Clear: every row before it is
    // deleted, it and those after stay, and the failure is reported once.
    void clearOfALargeTableStopsAtARowThatRefuses() {
        QFETCH(int, refusing);
        const int rows = 30000;
        QVERIFY(fillReadings(m_store->tableFile(), rows));
        {
            RawDb raw(m_store->tableFile());
            QString error;
            raw.rows(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON Tarvex "
                                    "WHEN old.ID = %1 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                         .arg(refusing),
                     &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        m_window->openReadings();
        button("clearButton")->click();
        QCOMPARE(m_store->messages().size(), 2);
        QCOMPARE(m_store->messages().last().text, kFailed);
        const QList<int> left = m_store->storedIds();
        QCOMPARE(left.size(), rows - refusing);
        QCOMPARE(left.first(), refusing);
        QCOMPARE(left.last(), rows - 1);
        QVERIFY(readingStored());
    }

    // The table cannot be opened: the default exception display shows the
    // store's message, nothing is deleted and the grid stays empty.
    void clearCannotOpenTheTable() {
        m_store->log(2);
        m_window->openReadings();
        RawDb(m_store->tableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        button("clearButton")->click();
        QCOMPARE(m_store->messages().size(), 2);
        QCOMPARE(m_store->messages().last().icon, QMessageBox::Critical);
        QVERIFY(m_store->messages().last().text.contains(QStringLiteral("Tarvex")));
        QVERIFY(!model().isOpen());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(RawDb(m_store->tableFile()).value(QStringLiteral("SELECT count(*) FROM Other")),
                 QVariant(2));
    }

    // "Excel" on the real window: every row of the query goes out (the
    // values as the grid's texts, the ID as a number and the date as a date),
    // and the grid keeps its current row. After a Clear answered No
    // (which closes the query), "Excel" opens the query again, and each press
    // asks for a new instance.
    void excelExportsTheQueryAndKeepsTheCurrentRow() {
        m_store->log(25);
        m_window->openReadings();
        Recording recording;
        m_window->setSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        model().setCurrentRow(7);
        QCOMPARE(grid().currentIndex().row(), 7);

        button("exportButton")->click();
        QCOMPARE(recording.instances, 1);
        QCOMPARE(recording.blocks.size(), 2);
        QCOMPARE(recording.blocks[0].range, QStringLiteral("A2:E21"));
        QCOMPARE(recording.blocks[1].range, QStringLiteral("A22:E26"));
        const QList<QVariantList> exported =
            recording.blocks[0].values + recording.blocks[1].values;
        QCOMPARE(exported.size(), 25);
        for (int i = 0; i < 25; ++i) {
            const LoadReading r = nthReading(i);
            QCOMPARE(exported[i],
                     (QVariantList{qlonglong(i), r.voltsText, r.ampsText, r.wattsText, nthDay(i)}));
        }
        QCOMPARE(model().currentRow(), 7);
        QCOMPARE(grid().currentIndex().row(), 7);
        QVERIFY(m_store->messages().isEmpty());

        m_store->setAnswer(QMessageBox::No);
        button("clearButton")->click();
        QVERIFY(!model().isOpen());
        QCOMPARE(model().rowCount(), 0);
        button("exportButton")->click();
        QVERIFY(model().isOpen());
        QCOMPARE(model().rowCount(), 25);
        QCOMPARE(recording.instances, 2);
        QCOMPARE(recording.blocks.size(), 4);
        QCOMPARE(m_store->messages().size(), 1); // the confirmation only
    }

    void excelFailureShowsTheWarning() {
        m_store->log(3);
        m_window->openReadings();
        Recording recording;
        recording.failAt = QStringLiteral("NewInstance");
        m_window->setSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        button("exportButton")->click();
        QCOMPARE(m_store->messages().size(), 1);
        QCOMPARE(m_store->messages()[0].text.section(u'\n', 0, 0),
                 QStringLiteral("no Install Excel!"));
        QCOMPARE(m_store->messages()[0].title, QStringLiteral("Warning"));
        QCOMPARE(m_store->messages()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
    }

    // Ctrl+S on the window: the dialog is asked for a .csv file (and not
    // told to replace one without asking), and every row of the query goes
    // into it, read back cell for cell; the grid keeps its current row and
    // nothing is left beside the file. After a Clear answered No (which
    // closes the query) the query is opened again; the next dialog opens
    // where the last file went.
    void ctrlSSavesEveryRowAsCsv() {
        m_store->log(25);
        m_window->openReadings();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        model().setCurrentRow(7);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("readings.csv"));
        SaveDialogAnswer answer(file);

        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);

        QCOMPARE(answer.requests().size(), 1);
        const SaveFileRequest& asked = answer.requests().first();
        QCOMPARE(asked.parent, static_cast<QWidget*>(m_window.get()));
        QCOMPARE(asked.caption, QStringLiteral("Save as CSV"));
        QCOMPARE(QFileInfo(asked.proposedPath).fileName(), QStringLiteral("Tarvex.csv"));
        QCOMPARE(asked.defaultSuffix, QStringLiteral("csv"));
        QVERIFY(asked.filter.startsWith(QStringLiteral("CSV files (*.csv)")));
        QVERIFY(!asked.options.testFlag(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(csvRecords(file), expectedCsv(25));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("readings.csv")});
        QCOMPARE(model().currentRow(), 7);
        QCOMPARE(grid().currentIndex().row(), 7);
        QVERIFY(m_store->messages().isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        m_store->setAnswer(QMessageBox::No);
        button("clearButton")->click();
        QVERIFY(!model().isOpen());
        m_store->log(2, 25);
        QVERIFY(QFile::remove(file));
        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer.requests().size(), 2);
        QCOMPARE(answer.requests().last().proposedPath, dir.filePath(QStringLiteral("Tarvex.csv")));
        QVERIFY(model().isOpen());
        QCOMPARE(model().rowCount(), 27);
        QCOMPARE(csvRecords(file), expectedCsv(27));
        QCOMPARE(m_store->messages().size(), 1); // the confirmation only
    }

    // The grid's context menu holds "Save as CSV…" alone, opened by a right
    // click on the rows or from the keyboard (the Menu key, whose event the
    // system sends the focused grid, or Shift+F10) at the current cell; the
    // entry is chosen with the keyboard.
    void gridMenuOffersSaveAsCsv_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("right click") << "right click";
        QTest::newRow("Menu key") << "Menu key";
        QTest::newRow("Shift+F10") << "Shift+F10";
    }
    void gridMenuOffersSaveAsCsv() {
        QFETCH(QString, how);
        m_store->log(6);
        m_window->openReadings();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        DataGrid& grid = this->grid();
        grid.setFocus();
        grid.setCurrentIndex(model().index(2, 1));
        auto* menu = child<QMenu>(m_window.get(), "gridMenu");
        QVERIFY(!menu->isVisible());
        const QPoint cell = grid.visualRect(grid.currentIndex()).center();
        QPoint at = cell;
        int row = 2;
        if (how == QStringLiteral("right click")) {
            // The click also makes its row the current one, as a left click does.
            row = 4;
            at = grid.visualRect(model().index(row, 3)).center();
            // Through the window, as the system delivers a click: the press
            // brings the context menu event.
            QTest::mouseClick(m_window->windowHandle(), Qt::RightButton, {},
                              grid.viewport()->mapTo(m_window.get(), at));
        } else if (how == QStringLiteral("Menu key")) {
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, cell,
                                      grid.viewport()->mapToGlobal(cell));
            QApplication::sendEvent(&grid, &menuKey);
        } else {
            QTest::keyClick(&grid, Qt::Key_F10, Qt::ShiftModifier);
        }

        QVERIFY(menu->isVisible());
        QCOMPARE(QApplication::activePopupWidget(), menu);
        QCOMPARE(menu->pos(), grid.viewport()->mapToGlobal(at));
        // Save as BDF waits for a run to be chosen.
        QAction* const saveBdf = child<QAction>(m_window.get(), "saveBdfAction");
        QCOMPARE(menu->actions(), (QList<QAction*>{saveCsvAction(), saveBdf}));
        QVERIFY(!saveBdf->isEnabled());
        QCOMPARE(saveCsvAction()->text(), QStringLiteral("Save as CSV…"));
        QCOMPARE(saveCsvAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("menu.csv"));
        SaveDialogAnswer answer(file);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY(!menu->isVisible());
        QCOMPARE(answer.requests().size(), 1);
        QCOMPARE(csvRecords(file), expectedCsv(6));
        QCOMPARE(model().currentRow(), row);
    }

    // Cancel in the progress of a long save: no file appears under the name
    // chosen, an earlier file of that name stays as it was, nothing is left
    // beside it, and the window goes on (the next save writes every row).
    void cancelledSaveLeavesNoFile_data() {
        QTest::addColumn<bool>("earlier");
        QTest::newRow("no earlier file") << false;
        QTest::newRow("an earlier file") << true;
    }
    void cancelledSaveLeavesNoFile() {
        QFETCH(bool, earlier);
        const int rows = 20000;
        QVERIFY(fillReadings(m_store->tableFile(), rows));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("readings.csv"));
        const QByteArray earlierBytes("ID\r\nearlier\r\n");
        if (earlier)
            writeFile(file, earlierBytes);
        m_window->openReadings();
        model().setCurrentRow(30);
        SaveDialogAnswer answer(file);
        OperationProgress::setDelayOverride(0);
        {
            ProgressWatch watch([](QProgressDialog& progress) {
                QMetaObject::invokeMethod(&progress, &QProgressDialog::cancel,
                                          Qt::QueuedConnection);
            });
            saveCsvAction()->trigger();
            OperationProgress::setDelayOverride(std::nullopt);
            QVERIFY(watch.shown);
            QCOMPARE(watch.label, QStringLiteral("Saving records..."));
            QCOMPARE(watch.maximum, rows);
            QVERIFY(watch.cancelOffered);
        }
        QCOMPARE(filesIn(dir.path()),
                 earlier ? QStringList{QStringLiteral("readings.csv")} : QStringList());
        if (earlier)
            QCOMPARE(fileBytes(file), earlierBytes);
        QVERIFY(m_store->messages().isEmpty());
        QCOMPARE(model().currentRow(), 30);
        QVERIFY(!QApplication::overrideCursor());

        saveCsvAction()->trigger();
        const QList<QStringList> saved = csvRecords(file);
        QCOMPARE(saved.size(), rows + 1);
        QCOMPARE(saved.last().first(), QString::number(rows - 1));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("readings.csv")});
    }

    // A save that fails - the directory cannot take the file (also for a
    // superuser), the file cannot grow (as on a full disk), or the table goes
    // away while the rows are written - tells the operator which file and
    // why, and leaves no file (an earlier one as it was) and nothing beside
    // it; the window goes on.
    void failedSaveTellsWhyAndLeavesNoFile_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("reason");
        QTest::newRow("directory missing") << "place"
                                           << "missing/readings.csv"
                                           << "No such file or directory";
        QTest::newRow("a file for a directory") << "place"
                                                << "plain/readings.csv"
                                                << "Not a directory";
        QTest::newRow("a directory of the system") << "place"
                                                   << "/proc/tarvex-readings.csv"
                                                   << "";
        QTest::newRow("no room for the file") << "room"
                                              << "readings.csv"
                                              << "File too large";
        QTest::newRow("table gone while writing") << "table"
                                                  << "readings.csv"
                                                  << "no such table: Tarvex";
    }
    void failedSaveTellsWhyAndLeavesNoFile() {
        QFETCH(QString, cause);
        QFETCH(QString, where);
        QFETCH(QString, reason);
        const bool writes = cause != QStringLiteral("place");
        const int rows = writes ? 20000 : 30;
        QVERIFY(fillReadings(m_store->tableFile(), rows));
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("plain")), "a file, not a directory");
        const QString file = QDir(dir.path()).absoluteFilePath(where);
        const QByteArray earlierBytes("ID\r\nearlier\r\n");
        if (writes)
            writeFile(file, earlierBytes);
        const QStringList filesBefore = filesIn(dir.path());
        m_window->openReadings();
        model().setCurrentRow(12);
        SaveDialogAnswer answer(file);
        OperationProgress::setDelayOverride(0);
        const QString table = m_store->tableFile();
        {
            ProgressWatch watch([&](QProgressDialog&) {
                if (cause == QStringLiteral("table"))
                    QTimer::singleShot(0, [table] {
                        RawDb(table).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
                    });
            });
            std::optional<FileSizeLimit> limit;
            if (cause == QStringLiteral("room"))
                limit.emplace(256 * 1024);
            saveCsvAction()->trigger();
            limit.reset();
            OperationProgress::setDelayOverride(std::nullopt);
            QCOMPARE(watch.shown, writes);
        }

        QCOMPARE(m_store->messages().size(), 1);
        const MessageRequest& told = m_store->messages().first();
        QCOMPARE(told.icon, QMessageBox::Warning);
        QCOMPARE(told.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        const QString start = QStringLiteral("The CSV file %1 could not be written: ")
                                  .arg(QDir::toNativeSeparators(file));
        QVERIFY2(told.text.startsWith(start), qPrintable(told.text));
        QVERIFY2(told.text.size() > start.size() && told.text.contains(reason),
                 qPrintable(told.text));
        if (writes)
            QCOMPARE(fileBytes(file), earlierBytes);
        else
            QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(filesIn(dir.path()), filesBefore);
        QCOMPARE(model().currentRow(), 12);
        QVERIFY(!QApplication::overrideCursor());
    }

    // The toolbar (with the run chooser and "Runs…") and the grid are reached
    // with Tab, and Tab leaves the grid; each is named by its caption.
    void keyboardReachesEveryControl() {
        m_store->log(3);
        m_window->openReadings();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QToolButton* const report = button("reportButton");
        QToolButton* const excel = button("exportButton");
        QToolButton* const clear = button("clearButton");
        report->setFocus();
        auto* const runs = child<QComboBox>(m_window.get(), "runChooser");
        QToolButton* const runsList = button("runsButton");
        QList<QWidget*> visited;
        for (int i = 0; i < 6; ++i) {
            visited << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, QList<QWidget*>({report, excel, clear, runs, runsList, &grid()}));
        QCOMPARE(QApplication::focusWidget(), report);
        for (QToolButton* button : {report, excel, clear})
            QCOMPARE(button->accessibleName(), button->text());
        // The chooser is named by its caption "&Run:", whose Alt+R reaches it.
        QCOMPARE(runs->accessibleName(), QStringLiteral("Run"));
        QCOMPARE(child<QLabel>(m_window.get(), "runLabel")->buddy(), runs);
        QCOMPARE(runsList->accessibleName(), QStringLiteral("Runs…"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Query"));
    }
};

QTEST_MAIN(TestQueryWindow)
#include "tst_querywindow.moc"
