#include "support/RecordingAutomation.h"
#include "support/ReviewFixture.h"

#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "review/SpreadsheetExport.h"
#include "store/ReadingTable.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>

using namespace tarvex;

namespace {

const QString kConfirm = QStringLiteral("Clear All Record,Yes or No?");
const QString kFailed = QStringLiteral("Failed to Clear Data from Table!");

// The texts of one grid row, cell by cell.
QStringList GridRow(const TDataSource& source, int row) {
    QStringList cells;
    for (int column = 0; column < source.columnCount(); ++column)
        cells << source.index(row, column).data().toString();
    return cells;
}

// The texts the grid shows for the i-th reading of a test run.
QStringList ExpectedRow(int id, int i) {
    const LoadReading r = NthReading(i);
    return {QString::number(id), r.voltsText, r.ampsText, r.wattsText,
            QLocale().toString(NthDay(i), QLocale::ShortFormat)};
}

QStringList Titles(const TDataSource& source) {
    QStringList titles;
    for (int column = 0; column < source.columnCount(); ++column)
        titles << source.headerData(column, Qt::Horizontal).toString();
    return titles;
}

bool HasIndicator(const TDataSource& source, int row) {
    return !source.headerData(row, Qt::Vertical, Qt::DecorationRole).value<QIcon>().isNull();
}

// A plain SQLite connection that holds the table file's write lock.
class LockHolder {
public:
    explicit LockHolder(const QString& file) : m_raw(file) {
        QString error;
        m_raw.rows(QStringLiteral("BEGIN IMMEDIATE"), &error);
        m_held = m_raw.isOpen() && error.isEmpty();
    }
    ~LockHolder() { Release(); }
    bool Held() const { return m_held; }
    void Release() {
        if (std::exchange(m_held, false))
            m_raw.rows(QStringLiteral("COMMIT"));
    }

private:
    RawDb m_raw;
    bool m_held = false;
};

} // namespace

class TestQueryfrm : public QObject {
    Q_OBJECT

    std::unique_ptr<ReviewStore> m_store;
    std::unique_ptr<TSerchfrm> m_window;

    // Stores a reading through a table object of its own, as the control
    // window does while the query window is shown; false when it fails.
    bool ReadingStored() {
        try {
            Table table;
            ReadingTable::attach(table);
            ReadingTable::appendReading(table, NthReading(900));
            return true;
        } catch (const DatabaseError&) {
            return false;
        }
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_store = std::make_unique<ReviewStore>();
        m_window = std::make_unique<TSerchfrm>();
    }
    void cleanup() {
        m_window.reset();
        m_store.reset();
    }

    void emptyTableShowsTitlesAndNoRows() {
        PrepareQueryWindow(*m_window);
        const TDataSource& source = *m_window->DataSource1;
        QCOMPARE(Titles(source), QStringList({QStringLiteral("ID"), QStringLiteral("VolVal"),
                                              QStringLiteral("CurVal"), QStringLiteral("PowVal"),
                                              QStringLiteral("TestDate")}));
        QCOMPARE(source.rowCount(), 0);
        QCOMPARE(m_window->DBGrid1->horizontalHeader()->count(), 5);
        QVERIFY(m_window->DBGrid1->horizontalHeader()->sectionSize(4) >=
                m_window->DBGrid1->horizontalHeader()->fontMetrics().horizontalAdvance(
                    QStringLiteral("TestDate")));
    }

    void rowsInTableOrder_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void rowsInTableOrder() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        m_store->Log(7);
        PrepareQueryWindow(*m_window);
        const TDataSource& source = *m_window->DataSource1;
        QCOMPARE(source.rowCount(), 7);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(GridRow(source, i), ExpectedRow(i, i));
        // Value texts keep their leading blanks; the date has no time of day.
        QVERIFY(GridRow(source, 0)[1].startsWith(u' '));
        QVERIFY(!GridRow(source, 0)[4].contains(u':'));
    }

    // The window shows the rows from the top, with the indicator on the first.
    void shownWindowShowsFirstRows() {
        m_store->Log(30);
        PrepareQueryWindow(*m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        TDBGrid& grid = *m_window->DBGrid1;
        QCOMPARE(grid.indexAt(QPoint(2, 2)).row(), 0);
        QCOMPARE(grid.currentIndex().row(), 0);
        QVERIFY(HasIndicator(*m_window->DataSource1, 0));
        QVERIFY(!HasIndicator(*m_window->DataSource1, 1));
        QVERIFY(grid.verticalScrollBar()->maximum() > 0);
    }

    void gridAndQueryShareTheCurrentRow() {
        m_store->Log(40);
        PrepareQueryWindow(*m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        TDBGrid& grid = *m_window->DBGrid1;
        Query& query = *m_window->Query1;
        const TDataSource& source = *m_window->DataSource1;

        // The query moves: the grid follows, the indicator too.
        query.moveTo(25);
        QCOMPARE(grid.currentIndex().row(), 25);
        QVERIFY(HasIndicator(source, 25));
        QVERIFY(!HasIndicator(source, 0));
        QVERIFY(grid.visualRect(grid.currentIndex()).intersects(grid.viewport()->rect()));
        query.last();
        QCOMPARE(grid.currentIndex().row(), 39);

        // The grid moves: the query follows.
        grid.setCurrentIndex(source.index(12, 2));
        QCOMPARE(query.rowNumber(), 12);
        QCOMPARE(query.fieldByName(QStringLiteral("ID")).toInt(), 12);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(query.rowNumber(), 13);
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(query.rowNumber(), 39);
        QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(query.rowNumber(), 0);

        // A walk with the links suspended, back to a remembered row, as the
        // export does: the grid stays still and keeps its current row.
        grid.setCurrentIndex(source.index(17, 0));
        QSignalSpy moves(&source, &TDataSource::CurrentRowChanged);
        query.disableControls();
        const Bookmark mark = query.bookmark();
        int walked = 0;
        for (query.first(); !query.atEnd(); query.next())
            ++walked;
        query.gotoBookmark(mark);
        QCOMPARE(moves.count(), 0);
        query.enableControls();
        QCOMPARE(walked, 40);
        QCOMPARE(grid.currentIndex().row(), 17);
        QCOMPARE(query.rowNumber(), 17);
    }

    // A table far larger than a fetch block: every row is reachable and
    // shows its own texts, also the last.
    void largeTableIsBrowsedInBlocks() {
        const int n = 200000;
        QVERIFY(FillReadings(m_store->TableFile(), n));
        PrepareQueryWindow(*m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        const TDataSource& source = *m_window->DataSource1;
        QCOMPARE(source.rowCount(), n);
        TDBGrid& grid = *m_window->DBGrid1;
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(m_window->Query1->rowNumber(), n - 1);
        const int bottom = grid.indexAt(QPoint(2, grid.viewport()->height() - 3)).row();
        QCOMPARE(bottom, n - 1);
        QCOMPARE(source.index(n - 1, 0).data().toString(), QString::number(n - 1));
        QCOMPARE(GridRow(source, 123456)[0], QStringLiteral("123456"));
        QCOMPARE(GridRow(source, 123456)[1], NthReading(123456 % 50000).voltsText);
    }

    // Every end of a showing closes the query, and the grid empties.
    void closingClosesTheQuery_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("close box") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("after clear") << 2;
    }
    void closingClosesTheQuery() {
        QFETCH(int, how);
        m_store->Log(3);
        m_store->Answer = QMessageBox::No;
        for (int showing = 0; showing < 2; ++showing) {
            PrepareQueryWindow(*m_window);
            QCOMPARE(m_window->DataSource1->rowCount(), 3);
            WhenShown<TSerchfrm>([how](TSerchfrm& window) {
                if (how == 2)
                    window.BtnClearClick();
                if (how == 1)
                    QTest::keyClick(&window, Qt::Key_Escape);
                else
                    window.close();
            });
            m_window->exec();
            QVERIFY(!m_window->isVisible());
            QVERIFY(!m_window->Query1->isActive());
            QCOMPARE(m_window->DataSource1->rowCount(), 0);
            QCOMPARE(m_window->DataSource1->columnCount(), 0);
        }
    }

    void clearAll_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("no, rows kept") << 5 << QMessageBox::No;
        QTest::newRow("yes, all deleted") << 5 << QMessageBox::Yes;
        QTest::newRow("yes on an empty table") << 0 << QMessageBox::Yes;
    }
    void clearAll() {
        QFETCH(int, rows);
        QFETCH(QMessageBox::StandardButton, answer);
        m_store->Log(rows);
        m_store->Answer = answer;
        PrepareQueryWindow(*m_window);
        QCOMPARE(m_window->DataSource1->rowCount(), rows);

        m_window->BtnClear->click();

        QCOMPARE(m_store->Messages.size(), 1);
        const MessageRequest& ask = m_store->Messages.first();
        QCOMPARE(ask.icon, QMessageBox::Question);
        QCOMPARE(ask.title, QStringLiteral("Confirm"));
        QCOMPARE(ask.text, kConfirm);
        QCOMPARE(ask.buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));

        const int left = answer == QMessageBox::Yes ? 0 : rows;
        QCOMPARE(m_store->StoredIds().size(), left);
        // The grid stays empty whatever the answer; the table is closed and
        // unlocked.
        QVERIFY(!m_window->Query1->isActive());
        QCOMPARE(m_window->DataSource1->rowCount(), 0);
        QVERIFY(!m_window->Table1->isActive());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(ReadingStored());
        // After a clear with Yes the numbering starts again at 0.
        QCOMPARE(m_store->StoredIds().last(), answer == QMessageBox::Yes ? 0 : rows);

        // The next showing finds the rows stored at that moment.
        PrepareQueryWindow(*m_window);
        QCOMPARE(m_window->DataSource1->rowCount(), left + 1);
    }

    // Another connection holds the write lock: nothing is deleted, the
    // failure is reported and the window's own lock is not left behind.
    void clearFailsOnALockedTable() {
        m_store->Log(4);
        PrepareQueryWindow(*m_window);
        {
            LockHolder other(m_store->TableFile());
            QVERIFY(other.Held());
            m_window->BtnClear->click();
            other.Release();
        }
        QCOMPARE(m_store->StoredIds(), QList<int>({0, 1, 2, 3}));
        QCOMPARE(m_store->Messages.size(), 2);
        const MessageRequest& failed = m_store->Messages.last();
        QCOMPARE(failed.text, kFailed);
        QCOMPARE(failed.title, applicationTitle());
        QCOMPARE(failed.icon, QMessageBox::NoIcon);
        QCOMPARE(failed.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!m_window->Table1->isActive());
        QVERIFY(ReadingStored());
    }

    // A deletion fails part of the way: the rows deleted before stay deleted,
    // and by the time the operator reads the message the lock is released
    // and the table closed, so readings go on being stored.
    void clearFailsPartOfTheWay() {
        m_store->Log(6);
        {
            RawDb raw(m_store->TableFile());
            QString error;
            raw.rows(QStringLiteral("CREATE TRIGGER keep_three BEFORE DELETE ON Tarvex "
                                    "WHEN old.ID = 3 BEGIN SELECT RAISE(ABORT, 'refused'); END"),
                     &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        bool tableClosedAtMessage = false;
        bool storedAtMessage = false;
        m_store->OnMessage = [&](const MessageRequest& request) {
            if (request.text == kFailed) {
                tableClosedAtMessage =
                    !m_window->Table1->isActive() && !QApplication::overrideCursor();
                storedAtMessage = ReadingStored();
                return QMessageBox::Ok;
            }
            return QMessageBox::Yes;
        };
        PrepareQueryWindow(*m_window);
        m_window->BtnClear->click();

        QCOMPARE(m_store->Messages.size(), 2);
        QCOMPARE(m_store->Messages.last().text, kFailed);
        QVERIFY(tableClosedAtMessage);
        QVERIFY(storedAtMessage);
        QCOMPARE(m_store->StoredIds(), QList<int>({3, 4, 5, 6}));
        QVERIFY(!m_window->Table1->isActive());
    }

    // The table cannot be opened: the default exception display shows the
    // engine's message, nothing is deleted and both data sets stay closed.
    void clearCannotOpenTheTable() {
        m_store->Log(2);
        PrepareQueryWindow(*m_window);
        RawDb(m_store->TableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        m_window->BtnClear->click();
        QCOMPARE(m_store->Messages.size(), 2);
        QCOMPARE(m_store->Messages.last().icon, QMessageBox::Critical);
        QVERIFY(m_store->Messages.last().text.contains(QStringLiteral("Tarvex")));
        QVERIFY(!m_window->Table1->isActive());
        QVERIFY(!m_window->Query1->isActive());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(RawDb(m_store->TableFile()).value(QStringLiteral("SELECT count(*) FROM Other")),
                 QVariant(2));
    }

    // The toolbar and the grid are reached with Tab, and Tab leaves the grid.
    // "Excel" on the real window: every row of Query1 goes out as its grid
    // texts, and the grid keeps its current row. After a Clear answered No
    // (which closes Query1), "Excel" opens Query1 again, and each press asks
    // for a new instance.
    void excelExportsTheQueryAndKeepsTheCurrentRow() {
        m_store->Log(25);
        PrepareQueryWindow(*m_window);
        Recording recording;
        m_window->SetSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        m_window->Query1->moveTo(7);
        QCOMPARE(m_window->DBGrid1->currentIndex().row(), 7);

        m_window->BtnSaveClick();
        QCOMPARE(recording.instances, 1);
        QCOMPARE(recording.blocks.size(), 2);
        QCOMPARE(recording.blocks[0].range, QStringLiteral("A2:E21"));
        QCOMPARE(recording.blocks[1].range, QStringLiteral("A22:E26"));
        QList<QStringList> exported = recording.blocks[0].values + recording.blocks[1].values;
        exported.resize(25);
        for (int i = 0; i < 25; ++i)
            QCOMPARE(exported[i], ExpectedRow(i, i));
        QCOMPARE(m_window->Query1->rowNumber(), 7);
        QCOMPARE(m_window->DBGrid1->currentIndex().row(), 7);
        QVERIFY(m_store->Messages.isEmpty());

        m_store->Answer = QMessageBox::No;
        m_window->BtnClearClick();
        QVERIFY(!m_window->Query1->isActive());
        QCOMPARE(m_window->DataSource1->rowCount(), 0);
        m_window->BtnSaveClick();
        QVERIFY(m_window->Query1->isActive());
        QCOMPARE(m_window->DataSource1->rowCount(), 25);
        QCOMPARE(recording.instances, 2);
        QCOMPARE(recording.blocks.size(), 4);
        QCOMPARE(m_store->Messages.size(), 1); // the confirmation only
    }

    void excelFailureShowsTheWarning() {
        m_store->Log(3);
        PrepareQueryWindow(*m_window);
        Recording recording;
        recording.failAt = QStringLiteral("NewInstance");
        m_window->SetSpreadsheetAutomation(std::make_unique<RecordingAutomation>(recording));
        m_window->BtnSaveClick();
        QCOMPARE(m_store->Messages.size(), 1);
        QCOMPARE(m_store->Messages[0].text, QStringLiteral("no Install Excel!"));
        QCOMPARE(m_store->Messages[0].title, QStringLiteral("Warning"));
        QCOMPARE(m_store->Messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
    }

    void keyboardReachesEveryControl() {
        m_store->Log(3);
        PrepareQueryWindow(*m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_window->BtnRep->setFocus();
        QList<QWidget*> visited;
        for (int i = 0; i < 4; ++i) {
            visited << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, QList<QWidget*>({m_window->BtnRep, m_window->BtnSave, m_window->BtnClear,
                                           m_window->DBGrid1}));
        QCOMPARE(QApplication::focusWidget(), m_window->BtnRep);
        for (QToolButton* button : {m_window->BtnRep, m_window->BtnSave, m_window->BtnClear})
            QCOMPARE(button->accessibleName(), button->text());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Query"));
    }
};

QTEST_MAIN(TestQueryfrm)
#include "tst_querywindow.moc"
