// The CSV writer on its own: the form of each value and field, rows stored in
// a real table file read back by an independent parser, the walk in blocks
// with its progress and cancel, and what failures of the device and of the
// table leave.

#include "support/CsvParser.h"
#include "support/ReviewFixture.h"

#include "export/CsvWriter.h"
#include "readings/ReadingModel.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace tarvex;

namespace {

// A device with room for a number of bytes, which it fills as a file on a
// full disk does: a write takes what still fits, and only the next one fails,
// telling why.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }
    qint64 taken() const { return m_taken; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override {
        if (m_taken == m_room) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 fits = std::min(length, m_room - m_taken);
        m_taken += fits;
        return fits;
    }

private:
    qint64 m_room;
    qint64 m_taken = 0;
};

// The records of what a writer put in buffer; fails the test when they do
// not parse.
QList<QStringList> records(const QBuffer& buffer) {
    QString error;
    const auto parsed = parseCsv(buffer.data(), &error);
    if (!parsed)
        qWarning("The CSV does not parse: %s", qPrintable(error));
    return parsed.value_or(QList<QStringList>());
}

const QStringList kReadingFields{"ID", "VolVal", "CurVal", "PowVal", "TestDate"};

// The record of the i-th reading of a test run stored with ID id on day day.
QStringList readingRecord(int id, const LoadReading& r, QDate day) {
    return {QString::number(id), r.voltsText, r.ampsText, r.wattsText,
            day.toString(QStringLiteral("yyyy-MM-dd"))};
}

} // namespace

class TestCsvWriter : public QObject {
    Q_OBJECT

private slots:
    // A locale with a decimal comma and its own date format: none of it may
    // reach the file.
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void fieldsAreQuotedOnlyWhenNeeded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "abc"
                               << "abc";
        QTest::newRow("blanks around") << " 1.50 "
                                       << " 1.50 ";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("Chinese") << "电压"
                                 << "电压";
        QTest::newRow("comma") << "a,b"
                               << "\"a,b\"";
        QTest::newRow("quotes") << "say \"hi\""
                                << "\"say \"\"hi\"\"\"";
        QTest::newRow("CR LF") << "x\r\ny"
                               << "\"x\r\ny\"";
        QTest::newRow("LF") << "x\ny"
                            << "\"x\ny\"";
        QTest::newRow("CR") << "x\ry"
                            << "\"x\ry\"";
    }
    void fieldsAreQuotedOnlyWhenNeeded() {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QString line = QStringLiteral("before,");
        CsvWriter::appendField(line, text);
        QCOMPARE(line, QStringLiteral("before,") + field);
    }

    // Rows another program stored, whose values hold commas, quotes, line
    // breaks, Chinese text, empty fields, the largest ID and dates that are
    // none, come back cell for cell, each value in its plain form; the file
    // is UTF-8 without a byte order mark.
    void awkwardRowsRoundTrip() {
        StoredRows stored({{"1", "Smith, John", "say \"hi\"", "电压测试 12.5 V", "2026-01-02"},
                           {"2", "line 1\r\nline 2", "only\nLF", "only\rCR", "0987-06-05"},
                           {"3", " 12.35", "\"", ",", ""},
                           {"4", "", "\"\"", " ", "31.12.2024"},
                           {"2147483647", "中文,逗号", "末尾\r\n", " 1.50 ", "2026-02-28"}});
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        CsvWriter writer;
        QCOMPARE(writer.write(stored.model(), out), CsvWriter::Result::Written);
        QCOMPARE(writer.rowsWritten(), 5);
        QVERIFY(!out.data().startsWith("\xEF\xBB\xBF"));
        QString error;
        const auto parsed = parseCsv(out.data(), &error);
        QVERIFY2(parsed, qPrintable(error));
        QCOMPARE(parsed->size(), 6);
        QCOMPARE(parsed->first(), kReadingFields);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(parsed->at(i + 1), stored.rows()[i]);
    }

    // The reading table's rows: ID as a number, the three value texts as
    // they are stored (leading blanks and all), the date in ISO form; fields
    // that need no quotes have none. The locale changes none of it.
    void readingTableRowsKeepTheirTexts_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China);
    }
    void readingTableRowsKeepTheirTexts() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        ReviewStore store;
        store.log(12);
        ReadingModel readings;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        CsvWriter writer;
        QCOMPARE(writer.write(readings, out), CsvWriter::Result::Written);

        const QList<QStringList> parsed = records(out);
        QCOMPARE(parsed.size(), 13);
        QCOMPARE(parsed[0], kReadingFields);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(parsed[i + 1], readingRecord(i, nthReading(i), nthDay(i)));
        QVERIFY(nthReading(0).voltsText.startsWith(u' '));
        // Bare fields, but those with the locale's decimal comma in quotes.
        QStringList fields = readingRecord(0, nthReading(0), nthDay(0));
        for (QString& field : fields)
            if (field.contains(u','))
                field = u'"' + field + u'"';
        const QByteArray firstLines = (kReadingFields.join(u',') + QStringLiteral("\r\n") +
                                       fields.join(u',') + QStringLiteral("\r\n"))
                                          .toUtf8();
        QCOMPARE(out.data().left(firstLines.size()), firstLines);
    }

    // An empty table gives the header line alone.
    void emptyTableGivesTheHeaderAlone() {
        ReviewStore store;
        ReadingModel readings;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        CsvWriter writer;
        QCOMPARE(writer.write(readings, out), CsvWriter::Result::Written);
        QCOMPARE(writer.rowsWritten(), 0);
        QCOMPARE(out.data(), QByteArray("ID,VolVal,CurVal,PowVal,TestDate\r\n"));
    }

    // Far more rows than a block: every row comes out once and in order,
    // progress is told between blocks, and the model's views see nothing of
    // it (its current row stays).
    void largeTableIsWalkedInBlocksAndKeepsTheCurrentRow() {
        const int n = 20000;
        ReviewStore store;
        QVERIFY(fillReadings(store.tableFile(), n));
        ReadingModel readings;
        readings.open();
        readings.setCurrentRow(12345);
        QSignalSpy moved(&readings, &ReadingModel::currentRowChanged);
        QSignalSpy reset(&readings, &QAbstractItemModel::modelReset);
        CsvWriter writer;
        QList<int> progress;
        connect(&writer, &CsvWriter::progressed, this, [&](int rows) { progress << rows; });
        QBuffer out;
        out.open(QIODevice::WriteOnly);

        QCOMPARE(writer.write(readings, out), CsvWriter::Result::Written);

        QCOMPARE(writer.rowsWritten(), n);
        QCOMPARE(progress, QList<int>({4096, 8192, 12288, 16384}));
        QCOMPARE(readings.currentRow(), 12345);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(reset.count(), 0);
        const QList<QStringList> parsed = records(out);
        QCOMPARE(parsed.size(), n + 1);
        for (int i = 0; i < n; ++i)
            QCOMPARE(parsed[i + 1], readingRecord(i, nthReading(i % 50000), nthDay(i % 3000)));
    }

    // Cancelled from its progress signal, the writer stops after the block
    // in hand: the device holds whole rows only, and the model keeps its
    // row.
    void cancelStopsAfterTheBlockInHand() {
        const int n = 20000;
        ReviewStore store;
        QVERIFY(fillReadings(store.tableFile(), n));
        ReadingModel readings;
        readings.open();
        readings.setCurrentRow(100);
        CsvWriter writer;
        connect(&writer, &CsvWriter::progressed, &writer, [&writer](int rows) {
            if (rows >= 8192)
                writer.cancel();
        });
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QCOMPARE(writer.write(readings, out), CsvWriter::Result::Cancelled);
        QCOMPARE(writer.rowsWritten(), 8192);
        QCOMPARE(records(out).size(), 8192 + 1);
        QCOMPARE(readings.currentRow(), 100);

        // The next write starts afresh.
        QBuffer again;
        again.open(QIODevice::WriteOnly);
        disconnect(&writer, &CsvWriter::progressed, nullptr, nullptr);
        QCOMPARE(writer.write(readings, again), CsvWriter::Result::Written);
        QCOMPARE(writer.rowsWritten(), n);
    }

    // The device refuses bytes (a full disk): the write fails with the
    // device's reason, and the model keeps its row.
    void deviceFailureGivesTheDevicesReason_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("room");
        QTest::newRow("small table, no room") << 10 << qint64(0);
        QTest::newRow("after several blocks") << 20000 << qint64(400000);
    }
    void deviceFailureGivesTheDevicesReason() {
        QFETCH(int, rows);
        QFETCH(qint64, room);
        ReviewStore store;
        QVERIFY(fillReadings(store.tableFile(), rows));
        ReadingModel readings;
        readings.open();
        readings.setCurrentRow(5);
        FullDevice full(room);
        CsvWriter writer;
        QCOMPARE(writer.write(readings, full), CsvWriter::Result::Failed);
        QCOMPARE(writer.errorString(), QStringLiteral("No space left on device"));
        QVERIFY(writer.rowsWritten() < rows);
        QCOMPARE(full.taken(), room);
        QCOMPARE(readings.currentRow(), 5);
    }

    // The table goes away during the walk: the store's error is raised, and
    // the model keeps its row.
    void tableFailureIsRaisedAndResumesTheLinks() {
        const int n = 20000;
        ReviewStore store;
        QVERIFY(fillReadings(store.tableFile(), n));
        ReadingModel readings;
        readings.open();
        readings.setCurrentRow(50);
        CsvWriter writer;
        connect(&writer, &CsvWriter::progressed, &writer, [&store](int rows) {
            if (rows == 4096)
                RawDb(store.tableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        });
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString message;
        try {
            writer.write(readings, out);
        } catch (const DatabaseError& e) {
            message = e.message();
        }
        QVERIFY2(message.contains(QStringLiteral("Tarvex")), qPrintable(message));
        QVERIFY(writer.rowsWritten() >= 4096 && writer.rowsWritten() < n);
        QCOMPARE(readings.currentRow(), 50);
    }
};

QTEST_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"
