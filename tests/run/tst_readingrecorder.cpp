// The reading log's writer: readings the table does not take wait, in order,
// and are written with their own dates once it does; the wait list, readings
// handed over and not yet written, is bounded; waiting readings are kept in
// the journal, so that a program killed while the table is locked loses
// none; the end of the program waits for the table within a bound and says
// what is left.
#include "support/StoreFixture.h"

#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/CrossThread.h"
#include "run/ReadingRecorder.h"
#include "store/ReadingJournal.h"
#include "support/QueuedSpy.h"

#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>
#include <semaphore>

using namespace tarvex;

namespace {

LoadReading readingOf(int milliVolts) {
    return decodeStatusAnswer(makeStatusAnswer(1500, milliVolts, 185));
}

QStringList journalFiles(const QString& directory) {
    return QDir(directory).entryList({QStringLiteral("waiting-readings-*.journal")}, QDir::Files);
}

// A recorder on a storing thread of its own, as the run has it.
class RecorderOnThread {
public:
    RecorderOnThread() : m_recorder(new ReadingRecorder) {
        m_recorder->moveToThread(&m_thread);
        m_thread.start();
    }
    ~RecorderOnThread() {
        callAndWait(m_recorder, [r = m_recorder] { delete r; });
        m_thread.quit();
        m_thread.wait();
    }
    RecorderOnThread(const RecorderOnThread&) = delete;
    RecorderOnThread& operator=(const RecorderOnThread&) = delete;

    ReadingRecorder* get() const { return m_recorder; }
    template <class F> void call(F f) { callAndWait(m_recorder, std::move(f)); }

private:
    QThread m_thread;
    ReadingRecorder* m_recorder;
};

} // namespace

class TestReadingRecorder : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> m_store;

    QList<QVariantList> rows() {
        RawDb db(m_store->tableFile());
        return db.rows(QStringLiteral("select ID, VolVal, TestDate from Tarvex order by ID"));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() {
        m_store = std::make_unique<ScratchStore>();
        QCOMPARE(ReadingStore::setUp(m_store->dataDir()), ReadingStore::SetupResult::Ready);
    }
    void cleanup() { m_store.reset(); }

    // A lock held by another connection: the readings wait (kept in the
    // journal meanwhile), then go in with the next IDs in order and the
    // dates they were taken on; the journal goes.
    void waitingReadingsKeepOrderAndDates() {
        ReadingRecorder recorder;
        recorder.attachReadingTable();
        QSignalSpy delayed(&recorder, &ReadingRecorder::storingDelayed);
        QSignalSpy waiting(&recorder, &ReadingRecorder::waitingChanged);
        QSignalSpy written(&recorder, &ReadingRecorder::backlogWritten);
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        recorder.record(readingOf(12000), yesterday);
        QTRY_COMPARE(rows().size(), 1);
        {
            LockHolder other(m_store->tableFile());
            QVERIFY(other.held());
            for (int i = 1; i <= 4; ++i)
                recorder.record(readingOf(12000 - i * 100), yesterday.addSecs(i));
            QTRY_COMPARE_WITH_TIMEOUT(delayed.count(), 1, 15000);
            QVERIFY2(delayed.first().first().toString().contains(QStringLiteral("locked")),
                     qPrintable(delayed.first().first().toString()));
            QTRY_COMPARE_WITH_TIMEOUT(waiting.last().first().toInt(), 4, 15000);
            // Every waiting reading is on the disk.
            const QStringList files = journalFiles(m_store->dataDir());
            QCOMPARE(files.size(), 1);
            const QByteArray journal = fileBytes(m_store->dataDir() + u'/' + files.first());
            for (int i = 1; i <= 4; ++i)
                QVERIFY(journal.contains(readingOf(12000 - i * 100).voltsText.toUtf8()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
        QCOMPARE(written.first().first().toInt(), 4);
        QCOMPARE(waiting.last().first().toInt(), 0);
        const QList<QVariantList> stored = rows();
        QCOMPARE(stored.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), readingOf(12000 - i * 100).voltsText);
            QCOMPARE(stored[i][2].toString(), yesterday.date().toString(Qt::ISODate));
        }
        QCOMPARE(delayed.count(), 1);
        QCOMPARE(recorder.waiting(), 0);
        QCOMPARE(QFileInfo(recorder.journalFile()).size(), 0);
    }

    // Readings of a run that wait (a locked table) land in their run once
    // the table takes rows: the run is begun then, its figures count every
    // one of them, and its end, handed over after them, is written after
    // them. Readings of a run that a program left in its journal land in
    // that run at the next start, and the run ends as "ended unexpectedly"
    // at the last of them.
    void readingsThatWaitedLandInTheirRun() {
        RunStart start;
        start.startedAt = QDateTime::fromMSecsSinceEpoch(1'765'400'000'000, Qt::UTC);
        start.pollIntervalMs = 200;
        start.port = QStringLiteral("/dev/ttyUSB0");
        start.label = QStringLiteral("waited");
        const QDateTime at = QDateTime::currentDateTime();
        {
            ReadingRecorder recorder;
            recorder.attachReadingTable();
            QSignalSpy begun(&recorder, &ReadingRecorder::runBegun);
            QSignalSpy written(&recorder, &ReadingRecorder::backlogWritten);
            {
                LockHolder other(m_store->tableFile());
                QVERIFY(other.held());
                recorder.startRun(start);
                for (int i = 0; i < 4; ++i)
                    recorder.record(readingOf(12000 - i * 100), at.addMSecs(200 * i),
                                    ReadingRun{start, 200 * i});
                recorder.endRun(start, RunEnd::LoadOff, at.addMSecs(700));
                QTest::qWait(3000); // a write tried and refused
                QCOMPARE(begun.count(), 0);
            }
            QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
            QTRY_COMPARE_WITH_TIMEOUT(begun.count(), 1, 15000);
            QCOMPARE(begun.first().at(0).toLongLong(), start.startedAt.toMSecsSinceEpoch());
            ReadingStore store;
            QTRY_VERIFY_WITH_TIMEOUT(store.run(1) && store.run(1)->end == RunEnd::LoadOff, 15000);
            const RunRecord r = *store.run(1);
            QCOMPARE(r.readings, 4);
            QCOMPARE(r.label, QStringLiteral("waited"));
            // 1.5 A for 600 ms.
            QVERIFY(qAbs(r.ampHours - 1.5 * 0.6 / 3600) < 1e-12);
        }
        // A program that ended with readings of its second run in its
        // journal.
        RunStart second = start;
        second.startedAt = start.startedAt.addSecs(60);
        {
            ReadingJournal left(m_store->dataDir());
            for (int i = 0; i < 3; ++i) {
                ReadingJournal::Entry e;
                e.reading = readingOf(11000 - i * 100);
                e.takenAt = at.addSecs(60).addMSecs(200 * i);
                e.run = second;
                e.elapsedMs = 200 * i;
                QVERIFY(left.add(e) != 0);
            }
            QVERIFY(left.sync());
        }
        ReadingRecorder next;
        QSignalSpy written(&next, &ReadingRecorder::backlogWritten);
        next.attachReadingTable();
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
        ReadingStore store;
        QTRY_VERIFY_WITH_TIMEOUT(store.run(2) && store.run(2)->end == RunEnd::Unexpected, 15000);
        const RunRecord r = *store.run(2);
        QCOMPARE(r.startedAt, second.startedAt);
        QCOMPARE(r.readings, 3);
        QCOMPARE(r.endedAt.toMSecsSinceEpoch(), at.addSecs(60).addMSecs(400).toMSecsSinceEpoch());
        QCOMPARE(store.runReadings(2).last().elapsedMs, 400);
        QCOMPARE(store.run(1)->end, RunEnd::LoadOff);
    }

    // A program that ends while the table is locked (its end's bounded wait
    // runs out) keeps how its run ended in its journal, with the readings
    // that wait, or alone when the readings were in: the next start stores
    // the run as it ended, at the time it ended, not as "ended unexpectedly".
    void runEndOutlivesTheProgram_data() {
        QTest::addColumn<bool>("readingsWait");
        QTest::newRow("with its readings") << true;
        QTest::newRow("the end alone") << false;
    }
    void runEndOutlivesTheProgram() {
        QFETCH(bool, readingsWait);
        RunStart start;
        start.startedAt = QDateTime::fromMSecsSinceEpoch(1'765'400'000'000, Qt::UTC);
        start.minimumVolts = 11.5;
        start.pollIntervalMs = 200;
        start.port = QStringLiteral("/dev/ttyUSB0");
        start.label = QStringLiteral("kept");
        const QDateTime at = QDateTime::currentDateTime();
        const QDateTime endedAt = at.addMSecs(500).toUTC();
        {
            std::unique_ptr<LockHolder> other; // let go after the program's end
            ReadingRecorder recorder;
            recorder.attachReadingTable();
            if (readingsWait) {
                other = std::make_unique<LockHolder>(m_store->tableFile());
                QVERIFY(other->held());
            }
            recorder.startRun(start);
            for (int i = 0; i < 3; ++i)
                recorder.record(readingOf(12000 - i * 100), at.addMSecs(200 * i),
                                ReadingRun{start, 200 * i});
            if (!readingsWait) {
                QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 3, 15000);
                other = std::make_unique<LockHolder>(m_store->tableFile());
                QVERIFY(other->held());
            }
            recorder.endRun(start, RunEnd::MinimumVoltage, endedAt);
            QTest::qWait(500); // a write tried and refused
            QCOMPARE(recorder.flush(300), readingsWait ? 3 : 0);
            QCOMPARE(journalFiles(m_store->dataDir()).size(), 1);
        }
        // The journal stays for the next start.
        QCOMPARE(journalFiles(m_store->dataDir()).size(), 1);
        QCOMPARE(ReadingStore::setUp(m_store->dataDir()), ReadingStore::SetupResult::Ready);
        ReadingRecorder next;
        next.attachReadingTable();
        ReadingStore store;
        QTRY_VERIFY_WITH_TIMEOUT(store.run(1) && store.run(1)->end == RunEnd::MinimumVoltage &&
                                     store.run(1)->readings == 3,
                                 15000);
        const RunRecord r = *store.run(1);
        QCOMPARE(r.endedAt, endedAt);
        QCOMPARE(r.label, QStringLiteral("kept"));
        QCOMPARE(r.minimumVolts, 11.5);
        QVERIFY(qAbs(r.ampHours - 1.5 * 0.4 / 3600) < 1e-12);
        QCOMPARE(rows().size(), 3);
        QCOMPARE(store.runs().size(), 1);
        // Everything settled: the journal keeps nothing open.
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(next.journalFile()).size(), 0, 15000);
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
        QTRY_COMPARE(overflowed.count(), 1);
        QCOMPARE(overflowed.first().first().toInt(), 5);
        QVERIFY(rows().isEmpty());
        recorder.attachReadingTable();
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
        QCOMPARE(written.first().first().toInt(), 5);
        const QList<QVariantList> stored = rows();
        QCOMPARE(stored.size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(stored[i][1].toString(), readingOf(10000 + 3 + i).voltsText);
    }

    // Readings handed over while the storing thread is busy count against
    // the bound at once: the wait list never holds more than an hour, however
    // long the storing thread takes to come back.
    void readingsHandedOverCountAgainstTheBound() {
        RecorderOnThread recorder;
        recorder.get()->setPollInterval(3'600'000 / 5);
        recorder.call([r = recorder.get()] { r->attachReadingTable(); });
        QueuedSpy overflowed(recorder.get(), &ReadingRecorder::backlogOverflowed);
        std::binary_semaphore release(0);
        // The storing thread is held up (as by a statement that hangs).
        post(recorder.get(), [&release] { release.acquire(); });
        for (int i = 0; i < 50; ++i)
            recorder.get()->record(readingOf(10000 + i), QDateTime::currentDateTime());
        QCOMPARE(recorder.get()->waiting(), 5);
        release.release();
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 5, 15000);
        QTRY_COMPARE(overflowed.count(), 1);
        const QList<QVariantList> stored = rows();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(stored[i][1].toString(), readingOf(10000 + 45 + i).voltsText);
    }

    // A program killed while the table is locked (here: a program of its own,
    // killed with SIGKILL): every reading it had taken is in the table after
    // the next start, in order, none twice; the old journal goes.
    void killWhileTheTableIsLockedLosesNoReading() {
        std::optional<LockHolder> other(std::in_place, m_store->tableFile());
        QVERIFY(other->held());
        ReadingStore::forgetSetUp(); // the child is the program that logs
        QProcess child;
        child.setProgram(QStringLiteral(TARVEX_RECORDER_CHILD));
        child.setArguments({m_store->configFile(), m_store->dataDir(), QStringLiteral("10")});
        child.start();
        QVERIFY(child.waitForStarted(30000));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += child.readAllStandardOutput()).count("taken") >= 200 &&
                                     output.contains("delayed"),
                                 60000);
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        output += child.readAllStandardOutput();
        QStringList taken;
        for (const QByteArray& line : output.split('\n'))
            if (line.startsWith("taken "))
                taken << QString::fromUtf8(line.mid(6));
        QCOMPARE(journalFiles(m_store->dataDir()).size(), 1);
        other.reset();
        QVERIFY(rows().isEmpty());

        // The next start.
        QCOMPARE(ReadingStore::setUp(m_store->dataDir()), ReadingStore::SetupResult::Ready);
        ReadingRecorder recorder;
        QSignalSpy written(&recorder, &ReadingRecorder::backlogWritten);
        recorder.attachReadingTable();
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 30000);
        QCOMPARE(written.first().first().toInt(), int(taken.size()));
        const QList<QVariantList> stored = rows();
        QCOMPARE(stored.size(), taken.size());
        for (int i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), taken[i]);
        }
        QCOMPARE(journalFiles(m_store->dataDir()),
                 QStringList{QFileInfo(recorder.journalFile()).fileName()});
    }

    // The end of the program while the table is locked: the last attempt
    // ends at its deadline, the readings left are counted, kept in the
    // journal and named on the log, and the next start stores them.
    void endOfTheProgramKeepsWhatIsLeftAndSaysSo() {
        int left = -1;
        {
            RecorderOnThread recorder;
            recorder.call([r = recorder.get()] { r->attachReadingTable(); });
            LockHolder other(m_store->tableFile());
            for (int i = 0; i < 3; ++i)
                recorder.get()->record(readingOf(11000 + i), QDateTime::currentDateTime());
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral(
                                     "^3 reading\\(s\\) could not be stored before the end; they "
                                     "are kept in .*waiting-readings-.*\\.journal and stored at "
                                     "the next start\\.$")));
            const QDeadlineTimer deadline(300);
            recorder.get()->finishBy(deadline);
            recorder.call([&] { left = recorder.get()->flush(deadline); });
        }
        QCOMPARE(left, 3);
        QVERIFY(rows().isEmpty());

        ReadingRecorder next;
        QSignalSpy written(&next, &ReadingRecorder::backlogWritten);
        next.attachReadingTable();
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 15000);
        QCOMPARE(rows().size(), 3);
        QCOMPARE(rows().last()[1].toString(), readingOf(11002).voltsText);
    }
};

QTEST_MAIN(TestReadingRecorder)
#include "tst_readingrecorder.moc"
