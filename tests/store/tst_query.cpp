// Query objects: field texts, walking and jumping over many rows, one
// select only, and no read transaction held between calls.
#include "StoreTest.h"

#include <QLocale>
#include <QSignalSpy>

using namespace tarvex;

class TestQuery : public StoreTest {
    Q_OBJECT

private slots:
    // ---- Queries ----------------------------------------------------------

    void queryFieldsShowNameWidthAndText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "5/1/24";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "01.05.24";
        QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << "2024/5/1";
    }
    void queryFieldsShowNameWidthAndText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        addTestAlias(*m_scratch);
        createTestTable();
        {
            Table t;
            openTestTable(t);
            appendTestRow(t, 1234567, QStringLiteral(" 12.35"));
            t.append();
            t.fieldByName(QStringLiteral("ID")).setValue(-3);
            t.post();
        }
        QLocale::setDefault(locale);
        Query q;
        openTestQuery(q);
        QStringList names;
        QList<int> widths;
        for (int i = 0; i < q.fieldCount(); ++i) {
            names << q.field(i).name();
            widths << q.field(i).displayWidth();
        }
        QCOMPARE(names, (QStringList{"ID", "VolVal", "CurVal", "PowVal", "TestDate"}));
        QCOMPARE(widths, (QList<int>{11, 10, 10, 10, 10}));

        // Rows come in ID order: -3 first, with empty texts.
        QStringList texts;
        for (int i = 0; i < q.fieldCount(); ++i)
            texts << q.field(i).displayText();
        QCOMPARE(texts, (QStringList{"-3", "", "", "", ""}));
        q.next();
        texts.clear();
        for (int i = 0; i < q.fieldCount(); ++i)
            texts << q.field(i).displayText();
        QCOMPARE(texts, (QStringList{"1234567", " 12.35", "1.50", " 18.50", date}));
        QCOMPARE(q.displayTextAt(1, 4), date);
        QCOMPARE(q.field(4).toDate(), QDate(2024, 5, 1));
    }

    void queryWalksAndJumpsOverManyRows() {
        addTestAlias(*m_scratch);
        createTestTable();
        const int n = 5000;
        addTestRows(0, n);
        Query q;
        openTestQuery(q);
        QSignalSpy scrolled(&q, &DataSet::scrolled);
        QSignalSpy changed(&q, &DataSet::dataSetChanged);

        // Random access does not move the cursor.
        for (const int row : {4999, 0, 2600, 255, 256, 4095, 1})
            QCOMPARE(q.valueAt(row, 0), QVariant(row));
        QVERIFY(q.valueAt(n, 0).isNull());
        QCOMPARE(q.displayTextAt(n, 1), QString());
        QCOMPARE(q.rowNumber(), 0);
        QCOMPARE(scrolled.count(), 0);
        QCOMPARE(q.rowCount(), n);

        q.moveTo(3000);
        const Bookmark mark = q.bookmark();
        q.disableControls();
        q.disableControls();
        int expected = 0;
        for (q.first(); !q.atEnd(); q.next()) {
            QCOMPARE(q.fieldByName(QStringLiteral("ID")).toInt(), expected);
            QCOMPARE(q.fieldByName(QStringLiteral("VolVal")).toString(),
                     QStringLiteral("%1").arg(expected, 6));
            ++expected;
        }
        QCOMPARE(expected, n);
        QCOMPARE(q.rowNumber(), n - 1);
        q.gotoBookmark(mark);
        q.enableControls();
        QCOMPARE(scrolled.count(), 1); // the moveTo() before
        q.enableControls();
        QCOMPARE(scrolled.count(), 2); // once for the whole walk
        QCOMPARE(changed.count(), 0);
        QCOMPARE(q.rowNumber(), 3000);
        QCOMPARE(q.field(0).toInt(), 3000);

        q.last();
        QVERIFY(q.atEnd());
        QCOMPARE(q.field(0).toInt(), n - 1);
        q.previous();
        QCOMPARE(q.field(0).toInt(), n - 2);
        q.moveTo(n + 10); // clamped
        QCOMPARE(q.rowNumber(), n - 1);

        q.close();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(q.fieldCount(), 0);
        QVERIFY(q.valueAt(0, 0).isNull());
    }

    void emptyResultIsBothEnds() {
        addTestAlias(*m_scratch);
        createTestTable();
        Query q;
        openTestQuery(q);
        QCOMPARE(q.fieldCount(), 5);
        QVERIFY(q.isEmpty());
        QCOMPARE(q.rowNumber(), -1);
        QCOMPARE(q.rowCount(), 0);
        q.last();
        q.next();
        QVERIFY(q.atEnd() && q.atStart());
        QVERIFY(q.field(0).isNull());
    }

    void queryRunsOnlyOneSelect_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("delete") << "delete from Tarvex"
                                << "syntax error";
        QTest::newRow("update") << "update Tarvex set VolVal = 'x'"
                                << "syntax error";
        QTest::newRow("drop") << "drop table Tarvex"
                              << "syntax error";
        QTest::newRow("two statements") << "select 1; delete from Tarvex"
                                        << "syntax error";
        QTest::newRow("unknown table") << "select * from Nope"
                                       << "no such table: Nope";
    }
    void queryRunsOnlyOneSelect() {
        QFETCH(QString, sql);
        QFETCH(QString, message);
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 3);
        Query q;
        const QString error = engineError([&] { openTestQuery(q, sql); });
        QVERIFY2(error.startsWith(QStringLiteral("Cannot run the query \"") + sql),
                 qPrintable(error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!q.isActive());
        Table t;
        openTestTable(t);
        QCOMPARE(t.rowCount(), 3);
        t.first();
        QCOMPARE(t.fieldByName(QStringLiteral("VolVal")).toString(), QStringLiteral("     0"));
    }

    void queryTakesTrailingSemicolonsAndComments() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 2);
        Query q;
        q.setAlias(kTestAlias);
        q.setSql({QStringLiteral("select *"), QStringLiteral("from Tarvex -- every row"),
                  QStringLiteral(";")});
        q.open();
        QCOMPARE(q.rowCount(), 2);
        q.setSql({QStringLiteral("select count(*) as N, max(ID) from Tarvex;")});
        QVERIFY(!q.isActive()); // a new statement closes the query
        q.open();
        QCOMPARE(q.field(0).name(), QStringLiteral("N"));
        QCOMPARE(q.field(0).toInt(), 2);
        QCOMPARE(q.field(1).toInt(), 1);
        QVERIFY(engineError([&] {
                    q.setAlias(QStringLiteral("Other"));
                }).contains(QStringLiteral("open data set")));
    }

    // An open query must not hold a read transaction: that would keep the log
    // from being checkpointed, and it would grow for as long as the query
    // window stays open while readings are stored.
    void openQueryLetsTheLogBeCheckpointed() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 1000);
        Query q;
        openTestQuery(q);
        q.next();
        q.moveTo(700);
        QCOMPARE(q.valueAt(900, 0), QVariant(900));
        Table t;
        openTestTable(t);
        for (int i = 1000; i < 1010; ++i)
            appendTestRow(t, i);
        RawDb raw(m_scratch->tableFile());
        const auto result = raw.rows(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QCOMPARE(result.size(), 1);
        QCOMPARE(result.first().value(0), QVariant(0)); // not blocked by a reader
        QCOMPARE(QFileInfo(m_scratch->tableFile() + QStringLiteral("-wal")).size(), 0);
        QCOMPARE(q.field(0).toInt(), 700);
    }

    // ---- Tables and queries alike -------------------------------------------

    void singleRowIsNotEmptyAfterWalkingPastIt() {
        addTestAlias(*m_scratch);
        createTestTable();
        addTestRows(0, 1);
        Table t;
        openTestTable(t);
        Query q;
        openTestQuery(q);
        for (DataSet* d : {static_cast<DataSet*>(&t), static_cast<DataSet*>(&q)}) {
            d->first();
            QVERIFY(d->atStart() && !d->atEnd());
            d->next();
            QVERIFY(d->atEnd() && !d->atStart());
            QVERIFY(!d->isEmpty());
            QCOMPARE(d->fieldByName(QStringLiteral("ID")).toInt(), 0);
            d->last();
            QVERIFY(!d->isEmpty());
        }
        q.previous();
        QVERIFY(q.atStart() && !q.atEnd());
        t.remove();
        QVERIFY(t.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
