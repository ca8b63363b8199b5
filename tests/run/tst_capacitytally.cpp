// The charge and energy tally: exact for a constant current over a known
// time, nothing across gaps, and the days beyond the clock's 24 hours.
#include "run/CapacityTally.h"

#include <QLocale>
#include <QTest>

using namespace tarvex;

class TestCapacityTally : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // 1.5 A and 18 W for 3,600 s, a reading every 200 ms.
    void constantCurrentForAnHour() {
        CapacityTally tally;
        for (qint64 ms = 0; ms <= 3'600'000; ms += 200)
            tally.add(ms, 1.5, 18.0);
        QCOMPARE(tally.text(), QStringLiteral("1.500 Ah 18.00 Wh"));
        QVERIFY(qAbs(tally.ampHours() - 1.5) < 1e-9);
        QVERIFY(qAbs(tally.wattHours() - 18.0) < 1e-9);
    }

    // The trapezoid rule: a current rising evenly from 0 to 2 A over an hour
    // is 1 Ah, whatever the readings' spacing.
    void trapezoidsFollowAChangingCurrent_data() {
        QTest::addColumn<qint64>("stepMs");
        QTest::newRow("every 200 ms") << qint64(200);
        QTest::newRow("every 1.7 s") << qint64(1700);
    }
    void trapezoidsFollowAChangingCurrent() {
        QFETCH(qint64, stepMs);
        CapacityTally tally(10'000);
        qint64 ms = 0;
        for (; ms < 3'600'000; ms += stepMs)
            tally.add(ms, 2.0 * double(ms) / 3'600'000.0, 0);
        tally.add(3'600'000, 2.0, 0);
        QVERIFY2(qAbs(tally.ampHours() - 1.0) < 1e-9, qPrintable(tally.text()));
    }

    // A lost link or a silent load leaves a gap: nothing is added for it.
    void gapsAddNothing() {
        CapacityTally tally(1000);
        tally.add(0, 1.0, 10.0);
        tally.add(500, 1.0, 10.0);    // 0.5 s at 1 A
        tally.add(60'500, 1.0, 10.0); // a minute without readings
        tally.add(61'000, 1.0, 10.0); // 0.5 s more
        QVERIFY(qAbs(tally.ampHours() - 1.0 / 3600.0) < 1e-12);
        tally.breakStretch(); // told of a loss: the next one starts anew
        tally.add(61'400, 1.0, 10.0);
        QVERIFY(qAbs(tally.ampHours() - 1.0 / 3600.0) < 1e-12);
        tally.add(61'900, 1.0, 10.0);
        QVERIFY(qAbs(tally.ampHours() - 1.5 / 3600.0) < 1e-12);
    }

    void resetStartsFromNothing() {
        CapacityTally tally;
        tally.add(0, 3.0, 36.0);
        tally.add(1000, 3.0, 36.0);
        QVERIFY(tally.ampHours() > 0);
        tally.reset();
        QCOMPARE(tally.text(), QStringLiteral("0.000 Ah 0.00 Wh"));
        tally.add(5000, 3.0, 36.0); // not joined to the reading before the reset
        QCOMPARE(tally.ampHours(), 0.0);
    }

    void daysBeyondTheClock_data() {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("text");
        QTest::newRow("23:59:59") << qint64(86'399'000) << "";
        QTest::newRow("24 h") << qint64(86'400'000) << "+1 d";
        QTest::newRow("49 h") << qint64(49 * 3'600'000LL) << "+2 d";
    }
    void daysBeyondTheClock() {
        QFETCH(qint64, elapsedMs);
        QFETCH(QString, text);
        QCOMPARE(elapsedDaysText(elapsedMs), text);
    }
};

QTEST_MAIN(TestCapacityTally)
#include "tst_capacitytally.moc"
