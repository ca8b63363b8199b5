// The program keeps the computer awake while its load may be on: the run's
// load-on takes logind's sleep lock (a fake logind on a private bus), every
// way the load goes off lets it go, and a lost link keeps it.
#include "app/Program.h"
#include "loadsim/LoadSimulator.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "support/FakeLogind.h"
#include "support/PrivateBus.h"
#include "support/StoreFixture.h"
#include "ui/MessageBoxes.h"

#include <QtTest>

#include <memory>

using namespace tarvex;
using loadsim::LoadSimulator;

namespace {

constexpr int kWaitMs = 20000;

FakeLogind::Call lockFor(const QString& port) {
    return {QStringLiteral("sleep:idle"), QStringLiteral("TarvexVol"),
            QStringLiteral("discharge test on %1").arg(port), QStringLiteral("block")};
}

} // namespace

class TestProgramSleep : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateBus> m_bus;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        setMessageHandler([](const MessageRequest& r) {
            return (r.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        });
        m_bus = std::make_unique<PrivateBus>();
        QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus->address().toUtf8());
        QCoreApplication::setApplicationName(QStringLiteral("TarvexVol"));
    }

    void heldWhileTheLoadMayBeOn_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("Load OFF") << "off";
        QTest::newRow("the minimum-voltage stop") << "minimum";
        QTest::newRow("the link lost, then Load OFF after it is back") << "lost";
    }
    void heldWhileTheLoadMayBeOn() {
        QFETCH(QString, end);
        FakeLogind logind(m_bus->address());
        QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
        ScratchStore store;
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        options.linkPath = store.root().toStdString() + "/load"; // as a by-id link
        LoadSimulator sim(options);
        const QString port = QString::fromStdString(sim.linkPath());
        Program program(store.dataDir());
        LoadRun* run = program.run();

        LinkSettings settings;
        settings.portName = port;
        settings.pollIntervalMs = 150;
        post(run, [run, settings] {
            run->applySettings(settings);
            run->handToComputer();
            run->switchLoadOn();
        });
        QTRY_COMPARE_WITH_TIMEOUT(logind.locksGiven(), 1, kWaitMs);
        QCOMPARE(logind.calls(), QList<FakeLogind::Call>{lockFor(port)});
        QVERIFY(sim.waitForAnswers(2, kWaitMs));

        if (end == QLatin1String("minimum")) {
            post(run, [run] { run->setMinimumVoltage(1000.0); });
        } else if (end == QLatin1String("lost")) {
            sim.replug(2500);
            QTRY_VERIFY_WITH_TIMEOUT(run->isLinkLost(), kWaitMs);
            // The load may still be on: the lock stays.
            QTest::qWait(1000);
            QVERIFY(!logind.isReleased(0));
            QTRY_VERIFY_WITH_TIMEOUT(!run->isLinkLost(), kWaitMs);
            post(run, [run] { run->switchLoadOff(); });
        } else {
            post(run, [run] { run->switchLoadOff(); });
        }
        QTRY_VERIFY_WITH_TIMEOUT(!run->loadMayBeOn(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!sim.state().inputOn, kWaitMs);
        QCOMPARE(logind.locksGiven(), 1);
    }
};

QTEST_MAIN(TestProgramSleep)
#include "tst_programsleep.moc"
