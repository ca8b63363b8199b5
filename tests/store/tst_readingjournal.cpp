// The journal of readings that wait to be stored: what a program that ends
// leaves in it, and what the next one takes over.
#include "store/ReadingJournal.h"
#include "support/StoreFixture.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

using namespace tarvex;

namespace {

ReadingJournal::Entry entry(int i, std::optional<qint64> attempted = std::nullopt) {
    return {0,
            nthReading(i),
            QDateTime(nthDay(i), QTime(10, 0).addMSecs(i * 1234), Qt::OffsetFromUTC, 3600),
            attempted,
            std::nullopt,
            0};
}

// The start of the run the even readings belong to.
RunStart runStart() {
    RunStart s;
    s.startedAt = QDateTime::fromMSecsSinceEpoch(1'765'400'000'123, Qt::UTC);
    s.minimumVolts = 10.25;
    s.pollIntervalMs = 150;
    s.port = QStringLiteral("/dev/ttyUSB0");
    s.label = QStringLiteral("Zelle \u00e4 7");
    s.limits.maxElapsedMs = 7'200'000;
    s.limits.maxWattHours = 12.5;
    return s;
}

ReadingJournal::Entry runEntry(int i) {
    ReadingJournal::Entry e = entry(i);
    e.run = runStart();
    e.elapsedMs = 1000 * i + 7;
    return e;
}

QStringList journalFiles(const QString& directory) {
    return QDir(directory).entryList({QStringLiteral("waiting-readings-*.journal")}, QDir::Files);
}

} // namespace

class TestReadingJournal : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // A program that ends (however it ends) with readings open leaves them;
    // the next one takes over those not settled, in order, with what they
    // carry, and the old file goes once they are safe in its own.
    void openReadingsAreTakenOverByTheNextProgram() {
        const QString dir = m_dir->filePath(QStringLiteral("Table")); // made when needed
        {
            ReadingJournal ended(dir);
            QVERIFY(ended.fileName().isEmpty());
            const quint64 first = ended.add(entry(0));
            const quint64 second = ended.add(entry(1));
            const quint64 third = ended.add(runEntry(2));
            QVERIFY(first != 0 && second != 0 && third != 0 && first != second);
            ended.noteAttempt(third, 41);
            ended.settle(second);
            QVERIFY(ended.sync());
            QCOMPARE(ended.openCount(), 2);
            QVERIFY(ended.errorString().isEmpty());
            // A record cut short by a kill in the middle of its write.
            QFile f(ended.fileName());
            QVERIFY(f.open(QIODevice::Append));
            f.write("{\"wait\":\"ab\",\"ms\":17");
        }
        QCOMPARE(journalFiles(dir).size(), 1);

        ReadingJournal next(dir);
        QList<ReadingJournal::EndEntry> ends;
        const QList<ReadingJournal::Entry> adopted = ReadingJournal::adopt(dir, next, ends);
        QCOMPARE(adopted.size(), 2);
        for (const auto& [e, i] : {std::pair{adopted[0], 0}, std::pair{adopted[1], 2}}) {
            QCOMPARE(e.reading.voltsText, nthReading(i).voltsText);
            QCOMPARE(e.reading.ampsText, nthReading(i).ampsText);
            QCOMPARE(e.reading.wattsText, nthReading(i).wattsText);
            QCOMPARE(e.reading.milliVolts, nthReading(i).milliVolts);
            QCOMPARE(e.reading.volts, nthReading(i).volts);
            QCOMPARE(e.takenAt, entry(i).takenAt);
            QCOMPARE(e.takenAt.offsetFromUtc(), 3600);
        }
        // A reading of a run keeps its run and time since Load ON.
        QVERIFY(!adopted[0].run);
        QVERIFY(adopted[1].run);
        QCOMPARE(adopted[1].run->startedAt, runStart().startedAt);
        QCOMPARE(adopted[1].run->port, runStart().port);
        QCOMPARE(adopted[1].run->label, runStart().label);
        QCOMPARE(adopted[1].run->minimumVolts, runStart().minimumVolts);
        QCOMPARE(adopted[1].run->pollIntervalMs, runStart().pollIntervalMs);
        QVERIFY(adopted[1].run->limits == runStart().limits);
        QCOMPARE(adopted[1].elapsedMs, 2007);
        QVERIFY(!adopted[0].attemptedId);
        QCOMPARE(adopted[1].attemptedId, std::optional<qint64>(41));
        // They are the next program's now, under the same keys.
        QCOMPARE(journalFiles(dir), QStringList{QFileInfo(next.fileName()).fileName()});
        QCOMPARE(next.openCount(), 2);

        // Settled, the file empties, and goes with its journal.
        next.settle(adopted[0].key);
        next.settle(adopted[1].key);
        next.clearIfSettled();
        QCOMPARE(QFileInfo(next.fileName()).size(), 0);
    }

    // A run's end that waits is kept as a reading is: the next program takes
    // over those not settled, with the run's start, how and when it ended,
    // beside the readings; a settled one stays behind.
    void openRunEndsAreTakenOverByTheNextProgram() {
        const QString dir = m_dir->path();
        RunStart other = runStart();
        other.startedAt = other.startedAt.addSecs(3600);
        other.port = QStringLiteral("/dev/ttyACM0");
        const QDateTime endedAt = QDateTime::fromMSecsSinceEpoch(1'765'407'654'321, Qt::UTC);
        {
            ReadingJournal ended(dir);
            ended.add(runEntry(1));
            const quint64 end = ended.addEnd({0, runStart(), RunEnd::MinimumVoltage, endedAt});
            const quint64 settled = ended.addEnd({0, other, RunEnd::LoadOff, endedAt});
            QVERIFY(end != 0 && settled != 0 && end != settled);
            ended.settle(settled);
            QCOMPARE(ended.openCount(), 2);
            // A record cut short by a kill in the middle of its write.
            QFile f(ended.fileName());
            QVERIFY(f.open(QIODevice::Append));
            f.write("{\"end\":\"cd\",\"reason\":\"load off\",\"run\":{");
        }
        ReadingJournal next(dir);
        QList<ReadingJournal::EndEntry> ends;
        const QList<ReadingJournal::Entry> adopted = ReadingJournal::adopt(dir, next, ends);
        QCOMPARE(adopted.size(), 1);
        QCOMPARE(ends.size(), 1);
        const ReadingJournal::EndEntry& e = ends.first();
        QCOMPARE(e.end, RunEnd::MinimumVoltage);
        QCOMPARE(e.endedAt, endedAt);
        QCOMPARE(e.run.startedAt, runStart().startedAt);
        QCOMPARE(e.run.port, runStart().port);
        QCOMPARE(e.run.label, runStart().label);
        QCOMPARE(e.run.minimumVolts, runStart().minimumVolts);
        QVERIFY(e.run.limits == runStart().limits);
        // The next program's now, open until settled there.
        QCOMPARE(next.openCount(), 2);
        QCOMPARE(journalFiles(dir), QStringList{QFileInfo(next.fileName()).fileName()});
        next.settle(adopted.first().key);
        next.settle(e.key);
        QCOMPARE(next.openCount(), 0);
    }

    // The journal of a program that still runs (its file locked) is left to
    // it; one whose readings were all settled is taken over as nothing.
    void runningProgramsJournalIsLeftAlone() {
        const QString dir = m_dir->path();
        ReadingJournal running(dir);
        running.add(entry(0));
        {
            ReadingJournal settled(dir);
            settled.settle(settled.add(entry(1)));
            settled.add(entry(2)); // kept open: the file stays
        }
        ReadingJournal next(dir);
        QList<ReadingJournal::EndEntry> ends;
        const QList<ReadingJournal::Entry> adopted = ReadingJournal::adopt(dir, next, ends);
        QCOMPARE(adopted.size(), 1);
        QCOMPARE(adopted[0].reading.voltsText, nthReading(2).voltsText);
        QVERIFY(journalFiles(dir).contains(QFileInfo(running.fileName()).fileName()));
        QCOMPARE(journalFiles(dir).size(), 2);
    }

    // A journal whose readings are all settled leaves no file behind.
    void settledJournalLeavesNoFile() {
        const QString dir = m_dir->path();
        {
            ReadingJournal journal(dir);
            journal.settle(journal.add(entry(0)));
        }
        QVERIFY(journalFiles(dir).isEmpty());
    }

    // A directory that takes no file: the journal says why and keeps nothing.
    void journalThatCannotBeWrittenSaysWhy() {
        writeFile(m_dir->filePath(QStringLiteral("file")), "not a directory");
        ReadingJournal journal(m_dir->filePath(QStringLiteral("file/Table")));
        QCOMPARE(journal.add(entry(0)), quint64(0));
        QVERIFY2(journal.errorString().contains(QStringLiteral("cannot be created")),
                 qPrintable(journal.errorString()));
    }
};

QTEST_GUILESS_MAIN(TestReadingJournal)
#include "tst_readingjournal.moc"
