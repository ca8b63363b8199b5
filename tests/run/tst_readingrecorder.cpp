// The reading log's writer: readings the table does not take wait, in order,
// and are written with their own dates once it does; the wait list is bounded.
#include "support/StoreFixture.h"

#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/ReadingRecorder.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tarvex;

namespace {

LoadReading readingOf(int milliVolts) {
    return decodeStatusAnswer(makeStatusAnswer(1500, milliVolts, 185));
}

} // namespace

class TestReadingRecorder : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchEngine> m_engine;

    QList<QVariantList> rows() {
        RawDb db(m_engine->tableFile());
        return db.rows(QStringLiteral("select ID, VolVal, TestDate from Tarvex order by ID"));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() {
        m_engine = std::make_unique<ScratchEngine>();
        QCOMPARE(ReadingTable::setUp(m_engine->dataDir()), ReadingTable::SetupResult::Ready);
    }
    void cleanup() { m_engine.reset(); }

    // A lock held by another connection: the readings wait, then go in with
    // the next IDs in order and the dates they were taken on.
    void waitingReadingsKeepOrderAndDates() {
        ReadingRecorder recorder;
        recorder.attachReadingTable();
        QSignalSpy delayed(&recorder, &ReadingRecorder::storingDelayed);
        QSignalSpy written(&recorder, &ReadingRecorder::backlogWritten);
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        recorder.record(readingOf(12000), yesterday);
        {
            RawDb other(m_engine->tableFile());
            other.rows(QStringLiteral("BEGIN IMMEDIATE"));
            for (int i = 1; i <= 4; ++i)
                recorder.record(readingOf(12000 - i * 100), yesterday.addSecs(i));
            QCOMPARE(delayed.count(), 1);
            other.rows(QStringLiteral("COMMIT"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
        QCOMPARE(written.first().first().toInt(), 4);
        const QList<QVariantList> stored = rows();
        QCOMPARE(stored.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), readingOf(12000 - i * 100).voltsText);
            QCOMPARE(stored[i][2].toString(), yesterday.date().toString(Qt::ISODate));
        }
        QCOMPARE(delayed.count(), 1);
    }

    // Past an hour of readings the oldest go and the newest stay; told once.
    void waitListKeepsTheNewestHour() {
        ReadingRecorder recorder;
        recorder.setPollInterval(3'600'000 / 5); // an hour is five readings
        QCOMPARE(recorder.capacity(), 5);
        QSignalSpy overflowed(&recorder, &ReadingRecorder::backlogOverflowed);
        QSignalSpy written(&recorder, &ReadingRecorder::backlogWritten);
        // Not attached yet: nothing can be written.
        for (int i = 0; i < 8; ++i)
            recorder.record(readingOf(10000 + i), QDateTime::currentDateTime());
        QCOMPARE(overflowed.count(), 1);
        QCOMPARE(overflowed.first().first().toInt(), 5);
        recorder.attachReadingTable();
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
        const QList<QVariantList> stored = rows();
        QCOMPARE(stored.size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(stored[i][1].toString(), readingOf(10000 + 3 + i).voltsText);
    }
};

QTEST_MAIN(TestReadingRecorder)
#include "tst_readingrecorder.moc"
