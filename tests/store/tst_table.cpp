// Table objects: opening, appending in key order, deleting (row by row and
// in blocks), locks and commits.
#include "StoreTest.h"

using namespace tarvex;

class TestTable : public StoreTest {
    Q_OBJECT

private slots:
    // ---- Opening ------------------------------------------------------------

    void tableNamesMatchWithoutCase() {
        addTestAlias(*m_scratch);
        createTestTable();
        Table t;
        openTestTable(t, QStringLiteral("TARVEX"));
        appendTestRow(t, 7);
        QCOMPARE(t.rowCount(), 1);
        QCOMPARE(t.tableName(), QStringLiteral("TARVEX"));
    }

    void openingWhatIsNotThereRaises() {
        QVERIFY(openTestTableError().contains(QStringLiteral("Unknown alias: Bench")));
        addTestAlias(*m_scratch);
        QVERIFY(openTestTableError().contains(QStringLiteral("Table Tarvex does not exist")));
        createTestTable();
        QVERIFY(openTestTableError(QStringLiteral("Nope"))
                    .contains(QStringLiteral("Table Nope does not exist")));
        QVERIFY(QDir(m_scratch->dataDir()).removeRecursively());
        QVERIFY(openTestTableError().contains(QStringLiteral("does not exist")));
    }

    // ---- Rows ---------------------------------------------------------------

    void appendedRowsAreStoredAndKeptInKeyOrder() {
        addTestAlias(*m_scratch);
        createTestTable();
        Table t;
        openTestTable(t);
        QVERIFY(t.isEmpty());
        t.last();
        QVERIFY(t.isEmpty() && t.atEnd() && t.atStart());

        for (const int id : {5, 2, 9}) {
            t.append();
            QCOMPARE(t.state(), DataSetState::Insert);
            t.fieldByName(QStringLiteral("id")).setValue(id);
            t.fieldByName(QStringLiteral("VolVal")).setValue(QStringLiteral("  7.00"));
            // The date of a date-time, the time of day dropped.
            t.fieldByName(QStringLiteral("TestDate"))
                .setValue(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59)));
            t.post();
            QCOMPARE(t.state(), DataSetState::Browse);
            QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), id); // posted row is current
        }
        t.append();
        QCOMPARE(t.rowCount(), 3); // the row being appended is not counted
        t.cancel();

        t.last();
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 9);
        QVERIFY(t.atEnd());
        QList<int> order;
        for (t.first(); !t.atEnd(); t.next())
            order << t.fieldByName(QStringLiteral("ID")).toInt();
        QCOMPARE(order, (QList<int>{2, 5, 9}));
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 9); // next() past the end stays

        QCOMPARE(t.fieldByName(QStringLiteral("VolVal")).toString(), QStringLiteral("  7.00"));
        QCOMPARE(t.fieldByName(QStringLiteral("CurVal")).isNull(), true);
        QCOMPARE(t.fieldByName(QStringLiteral("TestDate")).toDate(), QDate(2024, 5, 1));
        RawDb raw(m_scratch->tableFile());
        QCOMPARE(raw.value(QStringLiteral("SELECT group_concat(DISTINCT TestDate) FROM Tarvex")),
                 QVariant(QStringLiteral("2024-05-01")));
    }

    void primaryIndexRefusesADuplicateAndTheTableGoesOn() {
        addTestAlias(*m_scratch);
        createTestTable();
        Table t;
        openTestTable(t);
        appendTestRow(t, 1, QStringLiteral("first"));
        t.append();
        t.fieldByName(QStringLiteral("ID")).setValue(1);
        t.fieldByName(QStringLiteral("VolVal")).setValue(QStringLiteral("second"));
        QVERIFY(engineError([&] { t.post(); }).contains(QStringLiteral("UNIQUE")));
        QCOMPARE(t.state(), DataSetState::Insert); // still unposted
        t.cancel();
        appendTestRow(t, 2, QStringLiteral("third"));
        Query q;
        openTestQuery(q, QStringLiteral("select VolVal from Tarvex"));
        QStringList stored;
        for (; !q.atEnd(); q.next())
            stored << q.field(0).toString();
        QCOMPARE(stored, (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
    }

    void badFieldValuesRaise_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("text into ID") << "ID" << QVariant(QStringLiteral("twelve"));
        QTest::newRow("beyond 32 bits") << "ID" << QVariant(qint64(1) << 31);
        QTest::newRow("fraction into ID") << "ID" << QVariant(1.5);
        QTest::newRow("not a date") << "TestDate" << QVariant(QStringLiteral("yesterday"));
    }
    void badFieldValuesRaise() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        addTestAlias(*m_scratch);
        createTestTable();
        Table t;
        openTestTable(t);
        QVERIFY(engineError([&] {
                    t.fieldByName(field).setValue(value);
                }).contains(QStringLiteral("Call Append"), Qt::CaseInsensitive));
        t.append();
        QVERIFY(engineError([&] {
                    t.fieldByName(field).setValue(value);
                }).contains(QStringLiteral("is not a valid value for field ") + field));
    }

    void deletingFromTheFirstRowEmptiesTheTable() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 5);
        Table t;
        openTestTable(t);
        t.lockTable(LockType::Write);
        int deleted = 0;
        while (!t.atEnd()) {
            QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), deleted);
            t.remove();
            ++deleted;
        }
        t.unlockTable(LockType::Write);
        QCOMPARE(deleted, 5);
        QVERIFY(t.isEmpty());
        QCOMPARE(t.rowCount(), 0);
        t.unlockTable(LockType::Write); // without a lock: nothing happens
        t.first();
        QVERIFY(t.atEnd());
    }

    void deletingTheLastRowLandsOnTheOneBefore() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 3);
        Table t;
        openTestTable(t);
        t.last();
        t.remove();
        QVERIFY(t.atEnd());
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 1);
        t.first();
        t.remove();
        QVERIFY(!t.atEnd());
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), 1);
        QCOMPARE(t.rowCount(), 1);
    }

    // Deleting the first rows in blocks: in key order, each block committed
    // at once, a block larger than the table takes what is there.
    void removeFirstDeletesRowsInKeyOrder_data() {
        QTest::addColumn<QList<int>>("blocks");
        QTest::addColumn<QList<int>>("deleted");
        QTest::newRow("one block") << QList<int>{10} << QList<int>{10};
        QTest::newRow("blocks") << QList<int>{3, 3, 3, 3} << QList<int>{3, 3, 3, 1};
        QTest::newRow("past the end") << QList<int>{4, 100, 5} << QList<int>{4, 6, 0};
        QTest::newRow("nothing") << QList<int>{0, -1} << QList<int>{0, 0};
    }
    void removeFirstDeletesRowsInKeyOrder() {
        QFETCH(QList<int>, blocks);
        QFETCH(QList<int>, deleted);
        addTestAlias(*m_scratch);
        createTestTable();
        // Stored out of key order: the order is the primary index's.
        addTestRows(5, 5);
        addTestRows(0, 5);
        Table t;
        openTestTable(t);
        RawDb raw(m_scratch->tableFile());
        int gone = 0;
        for (int i = 0; i < blocks.size(); ++i) {
            QCOMPARE(t.removeFirst(blocks[i]), deleted[i]);
            gone += deleted[i];
            // Committed: another connection sees the rest, from the next ID on.
            QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM Tarvex")), QVariant(10 - gone));
            if (gone < 10) {
                QCOMPARE(raw.value(QStringLiteral("SELECT min(ID) FROM Tarvex")), QVariant(gone));
                QVERIFY(t.atStart() && !t.atEnd());
                QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), gone);
            } else {
                QVERIFY(t.isEmpty());
            }
        }
    }

    // A row that refuses to go: those before it in the block are deleted and
    // committed, it and the rest stay, and the engine's message is raised.
    void removeFirstStopsAtARowThatRefuses_data() {
        QTest::addColumn<int>("refusing");
        QTest::addColumn<bool>("locked");
        QTest::newRow("first row") << 0 << false;
        QTest::newRow("in the middle") << 4 << false;
        QTest::newRow("last of the block") << 7 << false;
        QTest::newRow("in the middle, under a lock") << 4 << true;
    }
    void removeFirstStopsAtARowThatRefuses() {
        QFETCH(int, refusing);
        QFETCH(bool, locked);
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 10);
        RawDb raw(m_scratch->tableFile());
        QString error;
        raw.rows(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON Tarvex WHEN old.ID = %1 "
                                "BEGIN SELECT RAISE(ABORT, 'kept on purpose'); END")
                     .arg(refusing),
                 &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        Table t;
        openTestTable(t);
        if (locked)
            t.lockTable(LockType::Write);
        QVERIFY(engineError([&] { t.removeFirst(8); }).contains(QStringLiteral("kept on purpose")));
        if (locked)
            t.unlockTable(LockType::Write);
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM Tarvex")), QVariant(10 - refusing));
        QCOMPARE(raw.value(QStringLiteral("SELECT min(ID) FROM Tarvex")), QVariant(refusing));
        QCOMPARE(t.fieldByName(QStringLiteral("ID")).toInt(), refusing);
        // The table goes on: the refusing row stays, the others can go.
        raw.rows(QStringLiteral("DROP TRIGGER keep"));
        QCOMPARE(t.removeFirst(100), 10 - refusing);
        QVERIFY(t.isEmpty());
    }

    // Another connection holds the write lock: nothing is deleted, the table
    // is left without a transaction of its own.
    void removeFirstOnALockedFileDeletesNothing() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 4);
        Table t;
        openTestTable(t);
        {
            RawDb other(m_scratch->tableFile());
            QString error;
            other.rows(QStringLiteral("BEGIN IMMEDIATE"), &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QVERIFY(engineError([&] { t.removeFirst(2); }).contains(QStringLiteral("locked")));
            other.rows(QStringLiteral("COMMIT"));
        }
        QCOMPARE(t.rowCount(), 4);
        QCOMPARE(t.removeFirst(2), 2);
        QCOMPARE(t.rowCount(), 2);
    }

    // ---- Locks and commits --------------------------------------------------

    void writeLockKeepsOtherWritersOutUntilReleased() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 3);
        Table clearer;
        openTestTable(clearer);
        Table logger;
        openTestTable(logger);

        clearer.lockTable(LockType::Write);
        clearer.remove();
        logger.append();
        logger.fieldByName(QStringLiteral("ID")).setValue(100);
        QVERIFY(engineError([&] { logger.post(); }).contains(QStringLiteral("locked")));
        {
            Query q; // readers go on and see nothing uncommitted
            openTestQuery(q);
            QCOMPARE(q.rowCount(), 3);
        }
        clearer.unlockTable(LockType::Write);

        logger.post(); // the same row posts once the lock is gone
        Query q;
        openTestQuery(q, QStringLiteral("select ID from Tarvex"));
        QList<int> ids;
        for (; !q.atEnd(); q.next())
            ids << q.field(0).toInt();
        QCOMPARE(ids, (QList<int>{1, 2, 100}));
    }

    void closingALockedTableCommitsItsDeletions() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 3);
        {
            Table t;
            openTestTable(t);
            t.lockTable(LockType::Write);
            t.remove();
            t.close();
        }
        Table t;
        openTestTable(t);
        QCOMPARE(t.rowCount(), 2);
        t.lockTable(LockType::Write); // and the lock is gone
        t.unlockTable(LockType::Write);
    }

    void postedRowIsCommittedAtOnce() {
        addTestAlias(*m_scratch);
        createTestTable();
        Table t;
        openTestTable(t);
        appendTestRow(t, 0);
        RawDb raw(m_scratch->tableFile()); // another connection, table still open
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM Tarvex")), QVariant(1));
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
