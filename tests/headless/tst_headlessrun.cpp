// `tarvex run` as a rig runs it: the real program as a child process with no
// display, against the simulated load on a pseudo-terminal. Each way a run
// ends gives its exit status and leaves the line ending with load-off then
// front panel (where the line is there to carry them); the JSON lines parse
// and agree with the run as stored; a port another program holds is refused
// at once with the holder named; the sleep lock is held while the load is on.
#include "RunnerFixture.h"

#include "export/BatteryDataFile.h"
#include "loadsim/LoadSimulator.h"
#include "support/BdfReader.h"
#include "support/FakeLogind.h"
#include "support/PrivateBus.h"

#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <memory>

using namespace tarvex;
using loadsim::LoadSimulator;

namespace {

// What the test does to the run once the load is on.
enum class Ending { Nothing, Silent, HangUp, Interrupt, Terminate };

loadsim::SimulatorOptions simulatorOptions(double speed) {
    loadsim::SimulatorOptions options;
    options.model.speed = speed;
    return options;
}

QStringList runLine(const LoadSimulator& sim, const QStringList& more) {
    return QStringList{QStringLiteral("run"), QStringLiteral("--port"),
                       QString::fromStdString(sim.terminalPath()), QStringLiteral("--interval"),
                       QStringLiteral("150")} +
           more;
}

} // namespace

Q_DECLARE_METATYPE(Ending)

class TestHeadlessRun : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void exitStatusTellsHowTheRunEnded_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("lineThere"); // the line can carry the last two requests
        QTest::addColumn<QString>("said");   // a part of the summary or the error output
        QTest::newRow("minimum voltage") << QStringList{"--minimum", "12.3"} << Ending::Nothing << 0
                                         << true << "minimum voltage 12.300 V reached";
        QTest::newRow("time limit")
            << QStringList{"--minimum", "1", "--max-time", "2s"} << Ending::Nothing << 3 << true
            << "time limit 00:00:02 reached";
        QTest::newRow("charge limit")
            << QStringList{"--minimum", "1", "--max-ah", "0.0005"} << Ending::Nothing << 3 << true
            << "charge limit 0.001 Ah reached";
        QTest::newRow("energy limit")
            << QStringList{"--minimum", "1", "--max-wh", "0.006", "--max-ah", "5"}
            << Ending::Nothing << 3 << true << "energy limit 0.01 Wh reached";
        QTest::newRow("silence") << QStringList{"--minimum", "1", "--silence-limit", "1"}
                                 << Ending::Silent << 4 << true << "gave no reading for 1 s";
        QTest::newRow("link lost and not back")
            << QStringList{"--minimum", "1", "--silence-limit", "1"} << Ending::HangUp << 5 << false
            << "may still be on";
        QTest::newRow("SIGINT") << QStringList{"--minimum", "1"} << Ending::Interrupt << 130 << true
                                << "interrupted by SIGINT";
        QTest::newRow("SIGTERM") << QStringList{"--minimum", "1"} << Ending::Terminate << 143
                                 << true << "interrupted by SIGTERM";
    }
    void exitStatusTellsHowTheRunEnded() {
        QFETCH(QStringList, options);
        QFETCH(Ending, ending);
        QFETCH(int, status);
        QFETCH(bool, lineThere);
        QFETCH(QString, said);
        // The minimum is reached within seconds; the other runs would last hours.
        LoadSimulator sim(simulatorOptions(status == 0 ? 600 : 1));
        Bench bench;
        Runner runner(bench, runLine(sim, options));
        QVERIFY(sim.waitForAnswers(3, kRunnerWaitMs));
        switch (ending) {
        case Ending::Nothing:
            break;
        case Ending::Silent:
            sim.staySilentFor(600000);
            break;
        case Ending::HangUp:
            sim.hangUp();
            break;
        case Ending::Interrupt:
            ::kill(pid_t(runner.pid()), SIGINT);
            break;
        case Ending::Terminate:
            ::kill(pid_t(runner.pid()), SIGTERM);
            break;
        }
        QVERIFY(runner.waitForEnd());
        QVERIFY2(runner.exitStatus() == status,
                 qPrintable(QStringLiteral("exit status %1\n").arg(runner.exitStatus()) +
                            runner.output() + runner.errors()));
        QVERIFY2((runner.output() + runner.errors()).contains(said),
                 qPrintable(runner.output() + runner.errors()));
        QVERIFY2(runner.output().contains(QStringLiteral("(exit status %1)").arg(status)),
                 qPrintable(runner.output()));
        if (lineThere)
            QVERIFY(endsSwitchedOff(sim));
        // Without logind the run goes on and says so once.
        QCOMPARE(runner.errors().count(QStringLiteral("may go to sleep")), 1);
    }

    // Lines refused before anything is touched, and a port that is not there.
    void refusedBeforeTheLoadIsTouched_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("no port") << QStringList{"run", "--minimum", "11"} << 2
                                 << "run needs --port PATH.";
        QTest::newRow("no minimum")
            << QStringList{"run", "--port", "PORT"} << 2 << "run needs --minimum VOLTS.";
        QTest::newRow("an interval the line cannot carry")
            << QStringList{"run", "--port", "PORT", "--minimum", "11", "--interval", "100"} << 2
            << "Too short for 9600 bit/s";
        QTest::newRow("a duration that is none")
            << QStringList{"run", "--port", "PORT", "--minimum", "11", "--max-time", "soon"} << 2
            << "--max-time needs a duration";
        QTest::newRow("unknown option") << QStringList{"run", "--port", "PORT", "--bogus"} << 2
                                        << "Unknown option 'bogus'.\nTry 'tarvex run --help'.";
        QTest::newRow("port not there")
            << QStringList{"run", "--port", "/nonexistent/ttyUSB9", "--minimum", "11"} << 1
            << "cannot open /nonexistent/ttyUSB9: ";
    }
    void refusedBeforeTheLoadIsTouched() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        LoadSimulator sim(simulatorOptions(1));
        arguments.replaceInStrings(QStringLiteral("PORT"),
                                   QString::fromStdString(sim.terminalPath()));
        Bench bench;
        Runner runner(bench, arguments);
        QVERIFY(runner.waitForEnd());
        QCOMPARE(runner.exitStatus(), status);
        QVERIFY2(runner.errors().contains(said), qPrintable(runner.errors()));
        QVERIFY(sim.receivedFrames().empty());
    }

    // --json: one object per reading, then the summary, whose figures are the
    // stored run's, as `tarvex runs --json` reads them back; --csv, --bdf and
    // `tarvex export` write its readings, one line each.
    void jsonLinesTellTheStoredRun() {
        LoadSimulator sim(simulatorOptions(600));
        Bench bench;
        const QString csv = bench.path(QStringLiteral("run.csv"));
        const QString bdf = bench.path(QStringLiteral("cell 7.bdf.csv"));
        Runner runner(bench, runLine(sim, {"--minimum", "12.3", "--json", "--label", "cell 7",
                                           "--csv", csv, "--bdf", bdf}));
        QVERIFY(runner.waitForEnd());
        QVERIFY2(runner.exitStatus() == 0, qPrintable(runner.output() + runner.errors()));
        const QList<QJsonObject> lines = runner.jsonLines();
        QVERIFY(lines.size() >= 3);
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QCOMPARE(lines[i].value(QStringLiteral("type")).toString(), QStringLiteral("reading"));
            QCOMPARE(lines[i].value(QStringLiteral("reading")).toInt(), i + 1);
        }
        const QJsonObject summary = lines.last();
        QCOMPARE(summary.value(QStringLiteral("type")).toString(), QStringLiteral("summary"));
        QCOMPARE(summary.value(QStringLiteral("exitStatus")).toInt(), 0);
        QCOMPARE(summary.value(QStringLiteral("stored")).toBool(), true);
        QCOMPARE(summary.value(QStringLiteral("unstoredReadings")).toInt(), 0);
        const QJsonObject run = summary.value(QStringLiteral("run")).toObject();
        QCOMPARE(run.value(QStringLiteral("readings")).toInt(), lines.size() - 1);
        QCOMPARE(run.value(QStringLiteral("end")).toString(), QStringLiteral("minimum voltage"));
        QCOMPARE(run.value(QStringLiteral("label")).toString(), QStringLiteral("cell 7"));
        QVERIFY(run.value(QStringLiteral("endVolts")).toDouble() <= 12.3);
        // The last reading's tally is the run's.
        const QJsonObject last = lines[lines.size() - 2];
        QCOMPARE(run.value(QStringLiteral("endVolts")).toDouble(),
                 last.value(QStringLiteral("volts")).toDouble());
        QCOMPARE(run.value(QStringLiteral("ampHours")).toDouble(),
                 last.value(QStringLiteral("ampHours")).toDouble());

        Runner listing(bench, {"runs", "--json"});
        QVERIFY(listing.waitForEnd());
        QCOMPARE(listing.exitStatus(), 0);
        QCOMPARE(listing.jsonLines(), QList<QJsonObject>{run});

        const QString exported = bench.path(QStringLiteral("exported.csv"));
        const QString exportedBdf = bench.path(QStringLiteral("exported.bdf.csv"));
        Runner exporter(bench, {"export", "--run",
                                QString::number(run.value(QStringLiteral("runId")).toInteger()),
                                "--csv", exported, "--bdf", exportedBdf});
        QVERIFY(exporter.waitForEnd());
        QVERIFY2(exporter.exitStatus() == 0, qPrintable(exporter.errors()));
        for (const QString& file : {csv, exported}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QList<QByteArray> rows = f.readAll().split('\n');
            QCOMPARE(rows.first(), QByteArray("ID,TakenAt,ElapsedMs,Volts,Amps,Watts\r"));
            QCOMPARE(rows.size() - 2, lines.size() - 1); // the header, the empty end
            QCOMPARE(rows[rows.size() - 2].split(',').at(3).trimmed().toDouble(),
                     run.value(QStringLiteral("endVolts")).toDouble());
        }
        for (const QString& file : {bdf, exportedBdf}) {
            QString why;
            const std::optional<BdfData> data = readBdf(file, bdfMetadataPath(file), &why);
            QVERIFY2(data, qPrintable(why));
            QCOMPARE(data->rows.size(), lines.size() - 1);
            QCOMPARE(data->values(QStringLiteral("Voltage / V")).last(),
                     run.value(QStringLiteral("endVolts")).toDouble());
            QCOMPARE(data->metadata.value(QStringLiteral("label")).toString(),
                     QStringLiteral("cell 7"));
        }
    }

    // A port another program holds is refused at once, the holder named:
    // a second runner, and the window program.
    void portHeldByAnotherIsRefused() {
        LoadSimulator sim(simulatorOptions(1));
        Bench bench;
        Bench otherBench;
        Runner first(bench, runLine(sim, {"--minimum", "1"}));
        QVERIFY(sim.waitForAnswers(2, kRunnerWaitMs));
        Runner second(otherBench, runLine(sim, {"--minimum", "1"}));
        QVERIFY(second.waitForEnd());
        QCOMPARE(second.exitStatus(), 1);
        QVERIFY2(second.errors().contains(
                     QStringLiteral("it is in use by process %1 (").arg(first.pid())),
                 qPrintable(second.errors()));
        // The first run goes on undisturbed.
        const std::size_t answers = sim.sentAnswers().size();
        QVERIFY(sim.waitForAnswers(answers + 2, kRunnerWaitMs));
        ::kill(pid_t(first.pid()), SIGTERM);
        QVERIFY(first.waitForEnd());
        QCOMPARE(first.exitStatus(), 143);
        QVERIFY(endsSwitchedOff(sim));
    }

    // A runner and the window program on one port: whichever comes second
    // is refused at once, and the first goes on.
    void runnerAndWindowProgramShareNoPort_data() {
        QTest::addColumn<bool>("windowFirst");
        QTest::newRow("the window program first") << true;
        QTest::newRow("the runner first") << false;
    }
    void runnerAndWindowProgramShareNoPort() {
        QFETCH(bool, windowFirst);
        LoadSimulator sim(simulatorOptions(1));
        const QString port = QString::fromStdString(sim.terminalPath());
        Bench bench;
        QTemporaryDir windowData;
        QProcess window;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), windowData.filePath("config"));
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + windowData.filePath("no-bus"));
        window.setProcessEnvironment(environment);
        const auto startWindow = [&] {
            window.start(QStringLiteral(TARVEX_PROGRAM_CHILD),
                         {"--port", port, "--data", windowData.filePath("Table")});
        };
        const auto windowSaid = [&](const QByteArray& prefix) {
            QByteArray said;
            (void)QTest::qWaitFor(
                [&] {
                    while (window.canReadLine()) {
                        const QByteArray line = window.readLine();
                        if (line.startsWith(prefix))
                            said = line;
                    }
                    return !said.isEmpty() || window.state() == QProcess::NotRunning;
                },
                kRunnerWaitMs);
            return said;
        };

        if (windowFirst) {
            startWindow();
            QVERIFY(!windowSaid("load on").isEmpty());
            Runner runner(bench, runLine(sim, {"--minimum", "1"}));
            QVERIFY(runner.waitForEnd());
            QCOMPARE(runner.exitStatus(), 1);
            QVERIFY2(runner.errors().contains(
                         QStringLiteral("it is in use by process %1 (").arg(window.processId())),
                     qPrintable(runner.errors()));
            ::kill(pid_t(window.processId()), SIGTERM);
            QVERIFY(window.waitForFinished(kRunnerWaitMs));
        } else {
            Runner runner(bench, runLine(sim, {"--minimum", "1"}));
            QVERIFY(sim.waitForAnswers(2, kRunnerWaitMs));
            startWindow();
            // The window program's Setting -> OK is refused with its box.
            QVERIFY(!windowSaid("box: ").isEmpty());
            const std::size_t answers = sim.sentAnswers().size();
            QVERIFY(sim.waitForAnswers(answers + 2, kRunnerWaitMs));
            ::kill(pid_t(runner.pid()), SIGTERM);
            QVERIFY(runner.waitForEnd());
            QCOMPARE(runner.exitStatus(), 143);
            window.kill();
            window.waitForFinished(kRunnerWaitMs);
        }
        QVERIFY(endsSwitchedOff(sim));
    }

    // The sleep lock: taken for the run's port while the load is on, let go
    // once it is off.
    void sleepLockHeldWhileTheLoadIsOn() {
        PrivateBus bus;
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
        FakeLogind logind(bus.address());
        QVERIFY2(logind.isRegistered(), qPrintable(logind.errorString()));
        LoadSimulator sim(simulatorOptions(1));
        Bench bench;
        bench.environment().insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
        Runner runner(bench, runLine(sim, {"--minimum", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(logind.locksGiven(), 1, kRunnerWaitMs);
        const QString port = QString::fromStdString(sim.terminalPath());
        const FakeLogind::Call lock{QStringLiteral("sleep:idle"), QStringLiteral("TarvexVol"),
                                    QStringLiteral("discharge test on %1").arg(port),
                                    QStringLiteral("block")};
        QCOMPARE(logind.calls(), QList<FakeLogind::Call>{lock});
        QVERIFY(!logind.isReleased(0));
        ::kill(pid_t(runner.pid()), SIGTERM);
        QVERIFY(runner.waitForEnd());
        QCOMPARE(runner.exitStatus(), 143);
        QTRY_VERIFY_WITH_TIMEOUT(logind.isReleased(0), kRunnerWaitMs);
        QVERIFY(!runner.errors().contains(QStringLiteral("may go to sleep")));
    }
};

QTEST_GUILESS_MAIN(TestHeadlessRun)
#include "tst_headlessrun.moc"
