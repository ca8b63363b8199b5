// The poll interval rule: the smallest interval at which every answer comes
// whole, the stop's wait for its answer, and what Load ON and the dialog say.
#include "run/PollInterval.h"

#include <QTest>

using namespace tarvex;

class TestPollInterval : public QObject {
    Q_OBJECT

private slots:
    void smallestIntervalPerBaudRate_data() {
        QTest::addColumn<quint32>("baud");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("stopWait");
        // 1.3 x (520 bits at the rate + 60 ms), up to the next 10 ms.
        QTest::newRow("4800") << 4800u << 220 << 440;
        QTest::newRow("9600") << 9600u << 150 << 300;
        QTest::newRow("19200") << 19200u << 120 << 300;
        QTest::newRow("38400") << 38400u << 100 << 300;
        QTest::newRow("115200") << 115200u << 90 << 300;
        QTest::newRow("1200") << 1200u << 650 << 1300;
        QTest::newRow("0 counts as 1 bit/s") << 0u << 676080 << 1352160;
    }
    void smallestIntervalPerBaudRate() {
        QFETCH(quint32, baud);
        QFETCH(int, minimum);
        QFETCH(int, stopWait);
        QCOMPARE(minimumPollIntervalMs(baud), minimum);
        QCOMPARE(stopAnswerTimeoutMs(baud), stopWait);
        // The line really carries a request, an answer and the gap in it.
        if (baud > 0)
            QVERIFY(minimum >= 520.0 * 1000 / baud + 60);
    }

    void intervalsWatchedWarnedOrRefused_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<quint32>("baud");
        QTest::addColumn<bool>("watches");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("refusalPart");
        QTest::newRow("0 at 9600")
            << 0 << 9600u << false << "Polling off: Load ON needs 150 ms or more"
            << "a Send-frequency of 0 ms stops polling";
        QTest::newRow("10 at 9600")
            << 10 << 9600u << false << "Too short for 9600 bit/s: 150 ms or more"
            << "a Send-frequency of 10 ms is shorter than 9600 bit/s";
        QTest::newRow("80 at 9600")
            << 80 << 9600u << false << "Too short for 9600 bit/s: 150 ms or more"
            << "at least 150 ms, then Load ON";
        QTest::newRow("149 at 9600")
            << 149 << 9600u << false << "Too short for 9600 bit/s: 150 ms or more"
            << "149 ms";
        QTest::newRow("150 at 9600") << 150 << 9600u << true << ""
                                     << "";
        QTest::newRow("200 at 4800")
            << 200 << 4800u << false << "Too short for 4800 bit/s: 220 ms or more"
            << "220 ms";
        QTest::newRow("negative") << -5 << 9600u << false
                                  << "Polling off: Load ON needs 150 ms or more"
                                  << "stops polling";
        QTest::newRow("an hour") << 3600000 << 9600u << true << ""
                                 << "";
    }
    void intervalsWatchedWarnedOrRefused() {
        QFETCH(int, interval);
        QFETCH(quint32, baud);
        QFETCH(bool, watches);
        QFETCH(QString, warning);
        QFETCH(QString, refusalPart);
        QCOMPARE(pollingCanWatch(interval, baud), watches);
        QCOMPARE(pollIntervalWarning(interval, baud), warning);
        const QString refusal = pollingRefusal(interval, baud);
        QCOMPARE(refusal.isEmpty(), watches);
        QVERIFY2(refusal.contains(refusalPart), qPrintable(refusal));
        if (!watches)
            QVERIFY(refusal.startsWith(QStringLiteral("The load was not switched on")));
    }
};

QTEST_APPLESS_MAIN(TestPollInterval)
#include "tst_pollinterval.moc"
