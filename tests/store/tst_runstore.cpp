// Runs in a table file: the tables Runs and ReadingTimes beside the reading
// table (whose layout stays), a run's figures kept up to date reading by
// reading (the trapezoid over the time since Load ON, gaps not bridged), a
// reading stored with its time and its run's figures or not at all, a run a
// killed program left open ended as "ended unexpectedly" at the next start,
// and Clear, which deletes readings and keeps the runs.
#include "support/StoreFixture.h"

#include <QProcess>
#include <QThread>

#include <cmath>
#include <memory>

using namespace tarvex;

namespace {

// The test's own reckoning of a run's figures from its readings (elapsed
// ms, amps, watts), for the store's to be held against.
struct Reckoned {
    double ampHours = 0;
    double wattHours = 0;
    qint64 uncountedMs = 0;
};

Reckoned reckon(const QList<QVariantList>& rows, int pollIntervalMs) {
    Reckoned r;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const qint64 step = rows[i][0].toLongLong() - rows[i - 1][0].toLongLong();
        if (step > 3 * pollIntervalMs) {
            r.uncountedMs += step;
            continue;
        }
        const double hours = step / 3.6e6;
        r.ampHours += (rows[i - 1][1].toDouble() + rows[i][1].toDouble()) / 2 * hours;
        r.wattHours += (rows[i - 1][2].toDouble() + rows[i][2].toDouble()) / 2 * hours;
    }
    return r;
}

RunStart startAt(qint64 utcMs, int pollIntervalMs = 200,
                 const QString& port = QStringLiteral("/dev/ttyUSB0")) {
    RunStart s;
    s.startedAt = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    s.minimumVolts = 10.5;
    s.pollIntervalMs = pollIntervalMs;
    s.port = port;
    s.label = QStringLiteral("cell 7");
    return s;
}

bool near(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

} // namespace

class TestRunStore : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> m_scratch;

    QString tableFile() const { return m_scratch->tableFile(); }

    void start() {
        ReadingStore::forgetSetUp();
        QString warning;
        QCOMPARE(ReadingStore::setUp(m_scratch->dataDir(), &warning),
                 ReadingStore::SetupResult::Ready);
        QVERIFY2(warning.isEmpty(), qPrintable(warning));
    }

    // Readings of one run, as (elapsed ms, amps, watts) read from outside.
    QList<QVariantList> storedRunReadings(qint64 runId) {
        RawDb raw(tableFile());
        QList<QVariantList> rows;
        for (const QVariantList& r :
             raw.rows(QStringLiteral("SELECT rt.ElapsedMs, t.CurVal, t.PowVal FROM ReadingTimes "
                                     "rt JOIN Tarvex t ON t.ID = rt.ID WHERE rt.RunID = %1 ORDER "
                                     "BY rt.ID")
                          .arg(runId)))
            rows << QVariantList{r[0], r[1].toString().trimmed().toDouble(),
                                 r[2].toString().trimmed().toDouble()};
        return rows;
    }

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchStore>();
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }

    // A table file of an earlier version (the reading table alone, with
    // rows) gets the two tables at set-up; the reading table keeps its
    // fields, field for field, and its rows.
    void setUpAddsTheRunTablesAndKeepsTheReadingTable() {
        {
            RawDb raw(tableFile());
            raw.rows(QStringLiteral("CREATE TABLE Tarvex (ID INTEGER, VolVal VARCHAR(10), CurVal "
                                    "VARCHAR(10), PowVal VARCHAR(10), TestDate DATE, CONSTRAINT "
                                    "IndexID PRIMARY KEY (ID))"));
            raw.rows(QStringLiteral("INSERT INTO Tarvex VALUES (0, ' 12.00', '1.00', ' 12.00', "
                                    "'2026-01-01')"));
        }
        start();
        RawDb raw(tableFile());
        const auto columns = [&raw](const QString& table) {
            QStringList names;
            for (const QVariantList& r :
                 raw.rows(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)))
                names << r[1].toString() + u' ' + r[2].toString();
            return names;
        };
        QCOMPARE(columns(QStringLiteral("Tarvex")),
                 QStringList({"ID INTEGER", "VolVal VARCHAR(10)", "CurVal VARCHAR(10)",
                              "PowVal VARCHAR(10)", "TestDate DATE"}));
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM Tarvex")).toInt(), 1);
        QStringList runs;
        for (const QString& c : columns(QStringLiteral("Runs")))
            runs << c.section(u' ', 0, 0);
        QCOMPARE(runs,
                 QStringList({"RunID",          "StartedAt",      "EndedAt",      "FirstID",
                              "LastID",         "Readings",       "StopReason",   "AmpHours",
                              "WattHours",      "StartVolts",     "EndVolts",     "LowestVolts",
                              "MinimumVolts",   "PollIntervalMs", "Port",         "Label",
                              "MaxElapsedMs",   "MaxAmpHours",    "MaxWattHours", "UncountedMs",
                              "ReadingsCleared"}));
        QCOMPARE(columns(QStringLiteral("ReadingTimes")),
                 QStringList({"ID BIGINT", "RunID BIGINT", "TakenAt BIGINT", "ElapsedMs BIGINT"}));
        // A second start changes nothing.
        start();
        QCOMPARE(columns(QStringLiteral("Tarvex")).size(), 5);
    }

    // A run from its start to its end: numbered from 1, what Load ON knew
    // kept, each reading with its time, the figures after every reading
    // those of the readings so far, and its end with the reason.
    void runIsStoredWithItsReadingsFiguresAndEnd() {
        start();
        ReadingStore store;
        RunStart s = startAt(1'765'400'000'123);
        s.limits.maxElapsedMs = 3'600'000;
        s.limits.maxWattHours = 20.5;
        const qint64 id = store.beginRun(s);
        QCOMPARE(id, 1);
        QCOMPARE(store.beginRun(startAt(1'765'400'100'000)), 2);

        // Volts fall, amps rise; the fourth comes after a gap of 700 ms
        // (more than three intervals of 200 ms): not bridged.
        const QList<std::array<int, 4>> plan{// elapsed ms, mV, mA, tenths of a watt
                                             {0, 12600, 1000, 126},
                                             {200, 12500, 1100, 137},
                                             {400, 12400, 1200, 149},
                                             {1100, 12450, 1300, 162},
                                             {1300, 12300, 1400, 172}};
        const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(1'765'400'000'500, Qt::UTC);
        QList<QVariantList> soFar;
        for (const auto& p : plan) {
            const LoadReading r =
                reading(p[1], static_cast<std::uint16_t>(p[2]), static_cast<std::uint16_t>(p[3]));
            const qint64 rowId = store.append(r, t0.addMSecs(p[0]), RunStamp{id, p[0]});
            soFar << QVariantList{p[0], r.amps, r.watts};
            const RunRecord now = *store.run(id);
            const Reckoned want = reckon(soFar, 200);
            QCOMPARE(now.lastId, rowId);
            QCOMPARE(now.readings, soFar.size());
            QVERIFY2(near(now.ampHours, want.ampHours),
                     qPrintable(QStringLiteral("%1 vs %2").arg(now.ampHours).arg(want.ampHours)));
            QVERIFY(near(now.wattHours, want.wattHours));
            QCOMPARE(now.uncountedMs, want.uncountedMs);
        }
        store.endRun(id, RunEnd::EnergyLimit, t0.addMSecs(1400));
        store.endRun(id, RunEnd::Closed, t0.addMSecs(5000)); // the first end stays

        const RunRecord r = *store.run(id);
        QCOMPARE(r.startedAt, s.startedAt);
        QCOMPARE(r.endedAt, t0.addMSecs(1400));
        QCOMPARE(r.end, RunEnd::EnergyLimit);
        QCOMPARE(r.firstId, 0);
        QCOMPARE(r.lastId, 4);
        QCOMPARE(r.uncountedMs, 700);
        QCOMPARE(r.startVolts, 12.6);
        QCOMPARE(r.endVolts, 12.3);
        QCOMPARE(r.lowestVolts, 12.3);
        QCOMPARE(r.minimumVolts, 10.5);
        QCOMPARE(r.pollIntervalMs, 200);
        QCOMPARE(r.port, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(r.label, QStringLiteral("cell 7"));
        QCOMPARE(r.limits, s.limits);
        QVERIFY(!r.readingsCleared);
        QCOMPARE(store.run(2)->end, RunEnd::Running);
        QVERIFY(!store.run(2)->endedAt.isValid());
        QCOMPARE(store.runs().size(), 2);
        QVERIFY(!store.run(3));

        const QList<RunReading> back = store.runReadings(id);
        QCOMPARE(back.size(), plan.size());
        for (qsizetype i = 0; i < back.size(); ++i) {
            QCOMPARE(back[i].id, i);
            QCOMPARE(back[i].elapsedMs, plan[i][0]);
            QCOMPARE(back[i].takenAtMs, t0.toMSecsSinceEpoch() + plan[i][0]);
            QCOMPARE(back[i].volts, plan[i][1] / 1000.0);
            QCOMPARE(back[i].amps, plan[i][2] / 1000.0);
        }
        QCOMPARE(RawDb(tableFile())
                     .value(QStringLiteral("SELECT StopReason FROM Runs WHERE RunID = 1"))
                     .toString(),
                 QStringLiteral("energy limit"));
    }

    // A start tried again (its outcome unknown) is the same run; another
    // port or another millisecond is another run.
    void sameStartIsTheSameRun() {
        start();
        ReadingStore store;
        const qint64 first = store.beginRun(startAt(1000));
        QCOMPARE(store.beginRun(startAt(1000)), first);
        QVERIFY(store.beginRun(startAt(1001)) != first);
        QVERIFY(store.beginRun(startAt(1000, 200, QStringLiteral("/dev/ttyUSB1"))) != first);
        QCOMPARE(store.runs().size(), 3);
    }

    void runReadingsAreReadInSlices_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<qint64>>("ids");
        QTest::newRow("all") << 0 << -1 << QList<qint64>{2, 3, 4, 5};
        QTest::newRow("middle") << 1 << 2 << QList<qint64>{3, 4};
        QTest::newRow("past the end") << 3 << 5 << QList<qint64>{5};
        QTest::newRow("beyond") << 4 << 2 << QList<qint64>{};
        QTest::newRow("none asked") << 0 << 0 << QList<qint64>{};
    }
    // Only the run's own readings, even where readings of no run and of
    // another run lie around them.
    void runReadingsAreReadInSlices() {
        QFETCH(int, first);
        QFETCH(int, n);
        QFETCH(QList<qint64>, ids);
        start();
        ReadingStore store;
        const qint64 a = store.beginRun(startAt(1000));
        const QDateTime at = QDateTime::currentDateTime();
        store.append(nthReading(0), at);                  // 0: no run
        store.append(nthReading(1), at, RunStamp{99, 0}); // 1: a run not in the table
        for (int i = 0; i < 4; ++i)
            store.append(nthReading(2 + i), at, RunStamp{a, 200 * i}); // 2..5
        const qint64 b = store.beginRun(startAt(2000));
        store.append(nthReading(6), at, RunStamp{b, 0}); // 6
        QList<qint64> got;
        for (const RunReading& r : store.runReadings(a, first, n))
            got << r.id;
        QCOMPARE(got, ids);
        QCOMPARE(RawDb(tableFile())
                     .value(QStringLiteral("SELECT count(*) FROM ReadingTimes WHERE RunID IS "
                                           "NULL"))
                     .toInt(),
                 2);
    }

    // The figures do not depend on which connection stored the readings: a
    // reading stored by a later connection (a reading that waited, a
    // program started anew) joins the last one stored, across a gap or not.
    void figuresGoOnInAnotherConnection_data() {
        QTest::addColumn<int>("stepMs");
        QTest::newRow("joined") << 500;
        QTest::newRow("gap") << 700;
    }
    void figuresGoOnInAnotherConnection() {
        QFETCH(int, stepMs);
        start();
        const QDateTime at = QDateTime::currentDateTime();
        qint64 id = 0;
        {
            ReadingStore first;
            id = first.beginRun(startAt(1000));
            first.append(nthReading(0), at, RunStamp{id, 0});
            first.append(nthReading(1), at, RunStamp{id, 200});
        }
        ReadingStore second;
        second.append(nthReading(2), at, RunStamp{id, 200 + stepMs});
        const RunRecord r = *second.run(id);
        const Reckoned want = reckon(storedRunReadings(id), 200);
        QVERIFY(near(r.ampHours, want.ampHours));
        QVERIFY(near(r.wattHours, want.wattHours));
        QCOMPARE(r.uncountedMs, want.uncountedMs);
        QCOMPARE(r.uncountedMs, stepMs > 600 ? stepMs : 0);
        QCOMPARE(r.readings, 3);
    }

    // A failure between the reading's row and its time (here the table of
    // times refuses, as a full disk would) stores neither, and leaves the
    // run's figures as they were; the next reading is stored with figures
    // that know nothing of the one that failed.
    void readingAndItsTimeAreStoredTogetherOrNotAtAll() {
        start();
        ReadingStore store;
        const qint64 id = store.beginRun(startAt(1000));
        const QDateTime at = QDateTime::currentDateTime();
        store.append(nthReading(0), at, RunStamp{id, 0});
        const RunRecord before = *store.run(id);
        RawDb(tableFile())
            .rows(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON ReadingTimes BEGIN "
                                 "SELECT RAISE(ABORT, 'injected'); END"));
        QVERIFY(storeError([&] {
                    store.append(nthReading(1), at, RunStamp{id, 200});
                }).contains(QStringLiteral("injected")));
        RawDb raw(tableFile());
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM Tarvex")).toInt(), 1);
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM ReadingTimes")).toInt(), 1);
        QCOMPARE(store.run(id)->readings, before.readings);
        QCOMPARE(store.run(id)->ampHours, before.ampHours);

        raw.rows(QStringLiteral("DROP TRIGGER refuse"));
        QCOMPARE(store.append(nthReading(2), at, RunStamp{id, 400}), 1);
        const RunRecord after = *store.run(id);
        QCOMPARE(after.readings, 2);
        QCOMPARE(after.lastId, 1);
        const Reckoned want = reckon(storedRunReadings(id), 200);
        QVERIFY(near(after.ampHours, want.ampHours));
        QVERIFY(after.ampHours > 0);
    }

    // Clear deletes readings and their times; the runs stay, and those that
    // had readings among the deleted say so. After a Clear of all rows the
    // numbering starts again, and the old run does not take the new rows
    // for its own.
    void clearKeepsTheRunsAndMarksThem() {
        start();
        ReadingStore store;
        const QDateTime at = QDateTime::currentDateTime();
        const qint64 a = store.beginRun(startAt(1000));
        for (int i = 0; i < 3; ++i)
            store.append(nthReading(i), at, RunStamp{a, 200 * i}); // 0..2
        const qint64 b = store.beginRun(startAt(2000));
        for (int i = 0; i < 3; ++i)
            store.append(nthReading(3 + i), at, RunStamp{b, 200 * i}); // 3..5
        store.endRun(a, RunEnd::LoadOff, at);
        const RunRecord aBefore = *store.run(a);

        QCOMPARE(store.removeFirst(2), 2);
        QVERIFY(store.run(a)->readingsCleared);
        QVERIFY(!store.run(b)->readingsCleared);
        QCOMPARE(store.run(a)->ampHours, aBefore.ampHours); // the result stays
        QCOMPARE(store.run(a)->end, RunEnd::LoadOff);
        QVERIFY(store.runReadings(a).isEmpty());
        QCOMPARE(store.runReadings(b).size(), 3);
        QCOMPARE(
            RawDb(tableFile()).value(QStringLiteral("SELECT min(ID) FROM ReadingTimes")).toInt(),
            2);

        QCOMPARE(store.removeFirst(100), 4);
        QCOMPARE(store.runs().size(), 2);
        QVERIFY(store.run(b)->readingsCleared);
        QCOMPARE(
            RawDb(tableFile()).value(QStringLiteral("SELECT count(*) FROM ReadingTimes")).toInt(),
            0);
        const qint64 c = store.beginRun(startAt(3000));
        QCOMPARE(store.append(nthReading(9), at, RunStamp{c, 0}), 0);
        QVERIFY(store.runReadings(b).isEmpty());
        QCOMPARE(store.runReadings(c).size(), 1);
        QVERIFY(!store.run(c)->readingsCleared);
    }

    // A program killed in the middle of a run leaves the run open, with the
    // figures of every reading it committed; the next start ends it as
    // "ended unexpectedly", with the figures of its stored readings and the
    // time of the last of them. Runs that had ended are not touched.
    void runOfAKilledProgramEndsUnexpectedlyAtTheNextStart() {
        start();
        qint64 ended = 0;
        {
            ReadingStore store;
            ended = store.beginRun(startAt(1000));
            store.append(nthReading(0), QDateTime::currentDateTime(), RunStamp{ended, 0});
            store.endRun(ended, RunEnd::MinimumVoltage, QDateTime::currentDateTimeUtc());
        }
        ReadingStore::forgetSetUp(); // the child claims the table
        QProcess child;
        child.setProgram(QStringLiteral(TARVEX_LOG_CHILD));
        child.setArguments({m_scratch->configFile(), m_scratch->dataDir(), QStringLiteral("run")});
        child.start();
        QVERIFY(child.waitForReadyRead(60000));
        const QByteArray first = child.readLine();
        QVERIFY2(first.startsWith("run "), first.constData());
        const qint64 id = first.mid(4).trimmed().toLongLong();
        // Until well over a hundred readings (two gaps) are stored.
        while (child.bytesAvailable() < 2000 && child.state() == QProcess::Running)
            child.waitForReadyRead(30000);
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        {
            RawDb raw(tableFile());
            QVERIFY(raw.value(QStringLiteral("SELECT EndedAt FROM Runs WHERE RunID = %1").arg(id))
                        .isNull());
        }
        const QList<QVariantList> stored = storedRunReadings(id);
        QVERIFY(stored.size() > 100);
        const Reckoned want = reckon(stored, 200);
        start();
        ReadingStore store;
        const RunRecord r = *store.run(id);
        QCOMPARE(r.end, RunEnd::Unexpected);
        QCOMPARE(r.readings, stored.size());
        QVERIFY(near(r.ampHours, want.ampHours));
        QVERIFY(near(r.wattHours, want.wattHours));
        QCOMPARE(r.uncountedMs, want.uncountedMs);
        QVERIFY(r.uncountedMs >= 1000);
        const QList<RunReading> back = store.runReadings(id);
        QCOMPARE(r.endedAt.toMSecsSinceEpoch(), back.last().takenAtMs);
        QCOMPARE(r.label, QStringLiteral("killed cell"));
        QCOMPARE(store.run(ended)->end, RunEnd::MinimumVoltage);
        QCOMPARE(RawDb(tableFile())
                     .value(QStringLiteral("SELECT StopReason FROM Runs WHERE RunID = %1").arg(id))
                     .toString(),
                 QStringLiteral("ended unexpectedly"));
    }

    // Stop reasons are stored as their keys and read back.
    void stopReasonKeysGoBothWays_data() {
        QTest::addColumn<RunEnd>("end");
        QTest::addColumn<QString>("key");
        QTest::newRow("load off") << RunEnd::LoadOff << "load off";
        QTest::newRow("minimum") << RunEnd::MinimumVoltage << "minimum voltage";
        QTest::newRow("time") << RunEnd::TimeLimit << "time limit";
        QTest::newRow("charge") << RunEnd::ChargeLimit << "charge limit";
        QTest::newRow("energy") << RunEnd::EnergyLimit << "energy limit";
        QTest::newRow("silence") << RunEnd::Silence << "silence";
        QTest::newRow("link lost") << RunEnd::LinkLost << "link lost";
        QTest::newRow("closed") << RunEnd::Closed << "closed";
        QTest::newRow("port changed") << RunEnd::PortChanged << "port changed";
        QTest::newRow("unexpected") << RunEnd::Unexpected << "ended unexpectedly";
    }
    void stopReasonKeysGoBothWays() {
        QFETCH(RunEnd, end);
        QFETCH(QString, key);
        start();
        ReadingStore store;
        const qint64 id = store.beginRun(startAt(1000));
        store.endRun(id, end, QDateTime::currentDateTimeUtc());
        QCOMPARE(RawDb(tableFile()).value(QStringLiteral("SELECT StopReason FROM Runs")).toString(),
                 key);
        QCOMPARE(store.run(id)->end, end);
        QCOMPARE(runEndFromKey(key), end);
        QVERIFY(!runEndFromKey(QStringLiteral("Load Off")));
    }
};

QTEST_GUILESS_MAIN(TestRunStore)
#include "tst_runstore.moc"
