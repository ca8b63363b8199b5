// The sleep inhibitor against a private dbus-daemon with a fake logind on it:
// the lock it asks for, its release (seen as the end of file on the fake's end
// of the lock), one lock for a run, a run without logind, an unanswered call.
#include "run/SleepInhibitor.h"
#include "support/FakeLogind.h"
#include "support/PrivateBus.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tarvex;

namespace {

// Generous: every wait here ends as soon as what it waits for happens.
constexpr int kWaitMs = 30000;

const QString kPort = QStringLiteral("/dev/ttyUSB0");

FakeLogind::Call lockFor(const QString& port) {
    return {QStringLiteral("sleep:idle"), QStringLiteral("TarvexVol"),
            QStringLiteral("discharge test on %1").arg(port), QStringLiteral("block")};
}

// The one warning a run without logind writes, with its reason.
QRegularExpression warningWith(const QString& reason) {
    return QRegularExpression(QStringLiteral("^The computer may go to sleep during a run: no sleep "
                                             "inhibitor lock from systemd-logind \\(.*%1.*\\)")
                                  .arg(QRegularExpression::escape(reason)));
}

} // namespace

class TestSleepInhibitor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void heldWhileOnLetGoWhenOff_data();
    void heldWhileOnLetGoWhenOff();
    void aSecondHoldTakesNoSecondLock();
    void holdDoesNotWaitForLogind();
    void loadOffBeforeLogindAnswersLetsTheLockGo();
    void destroyingTheInhibitorLetsTheLockGo();
    void runsGoOnWithoutLogindWithOneWarning_data();
    void runsGoOnWithoutLogindWithOneWarning();
    void aLogindThatComesLaterIsAskedOnTheNextRun();

private:
    std::unique_ptr<PrivateBus> m_bus;
};

void TestSleepInhibitor::initTestCase() {
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    // The inhibitor's default bus is the private one: nothing reaches the
    // system's logind.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus->address().toUtf8());
    QCoreApplication::setApplicationName(QStringLiteral("TarvexVol"));
}

void TestSleepInhibitor::heldWhileOnLetGoWhenOff_data() {
    QTest::addColumn<bool>("systemBus");
    QTest::addColumn<QString>("port");
    QTest::newRow("system bus") << true << kPort;
    QTest::newRow("bus address, by-id path")
        << false
        << QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    QTest::newRow("bus address, port with a space") << false << QStringLiteral("/tmp/bench 7/load");
}

void TestSleepInhibitor::heldWhileOnLetGoWhenOff() {
    QFETCH(bool, systemBus);
    QFETCH(QString, port);
    FakeLogind logind(m_bus->address());
    QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
    const auto made = systemBus ? std::make_unique<SleepInhibitor>()
                                : std::make_unique<SleepInhibitor>(m_bus->address());
    SleepInhibitor& inhibitor = *made;
    QSignalSpy held(&inhibitor, &SleepInhibitor::held);
    QSignalSpy released(&inhibitor, &SleepInhibitor::released);
    QSignalSpy unavailable(&inhibitor, &SleepInhibitor::unavailable);

    inhibitor.hold(port);
    QTRY_COMPARE_WITH_TIMEOUT(held.count(), 1, kWaitMs);
    QCOMPARE(held.at(0).at(0).toString(), port);
    QVERIFY(inhibitor.isHeld());
    QCOMPARE(logind.calls(), QList<FakeLogind::Call>{lockFor(port)});
    QCOMPARE(logind.locksGiven(), 1);
    QVERIFY(!logind.isReleased(0));

    inhibitor.release();
    QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, kWaitMs);
    QVERIFY(!inhibitor.isHeld());
    QCOMPARE(unavailable.count(), 0);
}

void TestSleepInhibitor::aSecondHoldTakesNoSecondLock() {
    FakeLogind logind(m_bus->address());
    QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
    SleepInhibitor inhibitor(m_bus->address());
    QSignalSpy held(&inhibitor, &SleepInhibitor::held);
    QSignalSpy released(&inhibitor, &SleepInhibitor::released);

    inhibitor.hold(kPort);
    inhibitor.hold(kPort); // while the first is on its way
    QTRY_COMPARE_WITH_TIMEOUT(held.count(), 1, kWaitMs);
    inhibitor.hold(kPort); // while it is held
    inhibitor.release();
    QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kWaitMs);

    // The next run's call comes after any the holds above made.
    const QString next = QStringLiteral("/dev/ttyACM0");
    inhibitor.hold(next);
    QTRY_COMPARE_WITH_TIMEOUT(held.count(), 2, kWaitMs);
    QCOMPARE(logind.calls(), (QList<FakeLogind::Call>{lockFor(kPort), lockFor(next)}));
    QCOMPARE(released.count(), 1);
    QVERIFY(!logind.isReleased(1));
    inhibitor.release();
    QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(1), kWaitMs);
}

// logind (here on this thread) keeps the call: hold() must have returned for
// the fake to see it at all, and the answer it gives later is still taken.
void TestSleepInhibitor::holdDoesNotWaitForLogind() {
    FakeLogind logind(m_bus->address(), FakeLogind::Answer::Never);
    QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
    SleepInhibitor inhibitor(m_bus->address());
    QSignalSpy held(&inhibitor, &SleepInhibitor::held);
    QSignalSpy unavailable(&inhibitor, &SleepInhibitor::unavailable);

    inhibitor.hold(kPort);
    QVERIFY(!inhibitor.isHeld());
    QTRY_COMPARE_WITH_TIMEOUT(logind.waitingCalls(), 1, kWaitMs);
    QCOMPARE(held.count(), 0);
    QCOMPARE(unavailable.count(), 0);

    logind.answerWaitingCalls();
    QTRY_COMPARE_WITH_TIMEOUT(held.count(), 1, kWaitMs);
    QVERIFY(inhibitor.isHeld());
    QVERIFY(!logind.isReleased(0));
    inhibitor.release();
    QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kWaitMs);
}

void TestSleepInhibitor::loadOffBeforeLogindAnswersLetsTheLockGo() {
    FakeLogind logind(m_bus->address(), FakeLogind::Answer::Never);
    QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
    SleepInhibitor inhibitor(m_bus->address());
    QSignalSpy held(&inhibitor, &SleepInhibitor::held);
    QSignalSpy released(&inhibitor, &SleepInhibitor::released);

    inhibitor.hold(kPort);
    QTRY_COMPARE_WITH_TIMEOUT(logind.waitingCalls(), 1, kWaitMs);
    inhibitor.release();
    logind.answerWaitingCalls();
    QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kWaitMs);
    QCOMPARE(held.count(), 0);
    QCOMPARE(released.count(), 0);
    QVERIFY(!inhibitor.isHeld());
}

void TestSleepInhibitor::destroyingTheInhibitorLetsTheLockGo() {
    FakeLogind logind(m_bus->address());
    QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
    {
        SleepInhibitor inhibitor(m_bus->address());
        QSignalSpy held(&inhibitor, &SleepInhibitor::held);
        inhibitor.hold(kPort);
        QTRY_COMPARE_WITH_TIMEOUT(held.count(), 1, kWaitMs);
        QVERIFY(!logind.isReleased(0));
    }
    QVERIFY(logind.isReleased(0));
}

void TestSleepInhibitor::runsGoOnWithoutLogindWithOneWarning_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no bus") << "no bus"
                            << "No such file or directory";
    QTest::newRow("no logind on the bus") << "no logind"
                                          << "org.freedesktop.login1";
    QTest::newRow("logind refuses") << "refused"
                                    << "Permission denied";
}

void TestSleepInhibitor::runsGoOnWithoutLogindWithOneWarning() {
    QFETCH(QString, situation);
    QFETCH(QString, reason);
    QTemporaryDir nowhere;
    QVERIFY(nowhere.isValid());
    std::unique_ptr<FakeLogind> logind;
    if (situation == QStringLiteral("refused")) {
        logind = std::make_unique<FakeLogind>(m_bus->address(), FakeLogind::Answer::Refuse);
        QVERIFY2(logind->isRegistered(), qPrintable(logind->errorString()));
    }
    const QString address = situation == QStringLiteral("no bus")
                                ? QStringLiteral("unix:path=%1").arg(nowhere.filePath("bus"))
                                : m_bus->address();
    SleepInhibitor inhibitor(address);
    QSignalSpy held(&inhibitor, &SleepInhibitor::held);
    QSignalSpy released(&inhibitor, &SleepInhibitor::released);
    QSignalSpy unavailable(&inhibitor, &SleepInhibitor::unavailable);

    QTest::ignoreMessage(QtWarningMsg, warningWith(reason));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    constexpr int kRuns = 3;
    for (int run = 1; run <= kRuns; ++run) {
        inhibitor.hold(kPort);
        QTRY_COMPARE_WITH_TIMEOUT(unavailable.count(), run, kWaitMs);
        QVERIFY2(unavailable.last().at(0).toString().contains(reason),
                 qPrintable(unavailable.last().at(0).toString()));
        QVERIFY(!inhibitor.isHeld());
        inhibitor.release();
    }
    QCOMPARE(held.count(), 0);
    QCOMPARE(released.count(), 0);
    if (logind)
        QCOMPARE(logind->calls().size(), kRuns);
}

void TestSleepInhibitor::aLogindThatComesLaterIsAskedOnTheNextRun() {
    SleepInhibitor inhibitor(m_bus->address());
    QSignalSpy held(&inhibitor, &SleepInhibitor::held);
    QSignalSpy unavailable(&inhibitor, &SleepInhibitor::unavailable);
    QTest::ignoreMessage(QtWarningMsg, warningWith(FakeLogind::service()));
    inhibitor.hold(kPort);
    QTRY_COMPARE_WITH_TIMEOUT(unavailable.count(), 1, kWaitMs);
    inhibitor.release();

    FakeLogind logind(m_bus->address());
    QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
    inhibitor.hold(kPort);
    QTRY_COMPARE_WITH_TIMEOUT(held.count(), 1, kWaitMs);
    QCOMPARE(logind.calls(), QList<FakeLogind::Call>{lockFor(kPort)});
    inhibitor.release();
    QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kWaitMs);
    QCOMPARE(unavailable.count(), 1);
}

QTEST_GUILESS_MAIN(TestSleepInhibitor)
#include "tst_sleepinhibitor.moc"
