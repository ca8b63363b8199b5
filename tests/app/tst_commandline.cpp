#include "app/CommandLine.h"
#include "app/Program.h"
#include "control/PortSettingsDialog.h"
#include "run/LoadRun.h"
#include "support/StoreFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <memory>

using namespace tarvex;

Q_DECLARE_METATYPE(CommandLine::Action)
Q_DECLARE_METATYPE(RunLimits)

namespace {

QString programPath() {
    return qEnvironmentVariable("TARVEX_TEST_BINARY_DIR") + QStringLiteral("/src/app/tarvex");
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("TarvexVol"));
        QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
    }

    void linesAreReadOrRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<QString>("text"); // a part of the text
        using Action = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << Action::Run << QString() << QString();
        QTest::newRow("port") << QStringList{"--port", "/dev/ttyUSB0"} << Action::Run
                              << "/dev/ttyUSB0" << QString();
        QTest::newRow("port with =") << QStringList{"--port=/tmp/tarvex-load"} << Action::Run
                                     << "/tmp/tarvex-load" << QString();
        QTest::newRow("port with one dash")
            << QStringList{"-port", "Com2"} << Action::Run << "Com2" << QString();
        QTest::newRow("a path with blanks")
            << QStringList{"--port", "/tmp/my load"} << Action::Run << "/tmp/my load" << QString();
        QTest::newRow("help") << QStringList{"--help"} << Action::ShowHelp << QString()
                              << "Usage: tarvex [options]\n";
        QTest::newRow("-h") << QStringList{"-h"} << Action::ShowHelp << QString()
                            << "--port <PATH>";
        QTest::newRow("version") << QStringList{"--version"} << Action::ShowVersion << QString()
                                 << "TarvexVol 2.0\n";
        QTest::newRow("-v") << QStringList{"-v"} << Action::ShowVersion << QString()
                            << "TarvexVol 2.0\n";
        // Before the application has taken out Qt's options, help still answers...
        QTest::newRow("help among Qt's options")
            << QStringList{"-platform", "offscreen", "--help"} << Action::ShowHelp << QString()
            << "Usage: tarvex [options]\n";
        // ...and Qt's options are not read as letters: no "h" in "stylesheet".
        QTest::newRow("Qt option, not help")
            << QStringList{"-stylesheet", "x.qss"} << Action::Run << QString() << QString();
        // Qt's options are let through for the application, in its forms.
        QTest::newRow("Qt's options")
            << QStringList{"-platform", "offscreen", "--style",       "fusion", "-reverse",
                           "--port",    "Com2",      "-qwindowtitle", "Bench 7"}
            << Action::Run << "Com2" << QString();
        QTest::newRow("Qt's option with =") << QStringList{"-style=fusion", "--platform=xcb"}
                                            << Action::Run << QString() << QString();
        QTest::newRow("Qt's X11 options") << QStringList{"-display", ":1", "-name", "bench"}
                                          << Action::Run << QString() << QString();
        QTest::newRow("unknown among Qt's options")
            << QStringList{"-platform", "offscreen", "--bogus"} << Action::Refuse << QString()
            << "tarvex: Unknown option 'bogus'.\nTry 'tarvex --help'.\n";
        QTest::newRow("Qt's option without its value")
            << QStringList{"-platform"} << Action::Refuse << QString()
            << "Missing value after '-platform'.";
        QTest::newRow("unknown") << QStringList{"--bogus"} << Action::Refuse << QString()
                                 << "Unknown option 'bogus'.";
        QTest::newRow("no path") << QStringList{"--port"} << Action::Refuse << QString()
                                 << "Missing value after '--port'.";
        QTest::newRow("a further argument")
            << QStringList{"--port", "/dev/ttyS0", "/dev/ttyS1"} << Action::Refuse << QString()
            << "Unexpected argument '/dev/ttyS1'.";
    }
    void linesAreReadOrRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, portName);
        QFETCH(QString, text);
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("/usr/local/bin/tarvex")} + arguments);
        QCOMPARE(line.action, action);
        QCOMPARE(line.portName, portName);
        QVERIFY2(line.text.contains(text), qPrintable(line.text));
    }

    // --silence-limit: seconds, 0 for never; anything else refuses the line.
    void silenceLimitIsReadOrRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("limitMs");
        QTest::newRow("not given") << QStringList{} << false << -1;
        QTest::newRow("10 s") << QStringList{"--silence-limit", "10"} << false << 10000;
        QTest::newRow("0: never") << QStringList{"--silence-limit=0"} << false << 0;
        QTest::newRow("a fraction") << QStringList{"--silence-limit", "1.5"} << false << 1500;
        QTest::newRow("negative") << QStringList{"--silence-limit", "-1"} << true << -1;
        QTest::newRow("not a number") << QStringList{"--silence-limit", "ten"} << true << -1;
        QTest::newRow("more than a day") << QStringList{"--silence-limit", "86401"} << true << -1;
        QTest::newRow("no value") << QStringList{"--silence-limit"} << true << -1;
    }
    void silenceLimitIsReadOrRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, refused);
        QFETCH(int, limitMs);
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("tarvex")} + arguments);
        QCOMPARE(line.action == CommandLine::Action::Refuse, refused);
        if (refused) {
            QVERIFY2(line.text.contains(QStringLiteral("silence-limit")), qPrintable(line.text));
            return;
        }
        QCOMPARE(line.silenceLimitMs, limitMs);
        // The run takes it.
        ScratchStore engine;
        Program program(engine.dataDir());
        applyCommandLine(line, program);
        QTRY_COMPARE(program.run()->silenceLimitMs(),
                     limitMs < 0 ? LoadRun::kDefaultSilenceLimitMs : limitMs);
    }

    // `tarvex run`: its options into what the run is asked to do.
    void runLineIsRead_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("port");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("silenceMs");
        QTest::addColumn<RunLimits>("limits");
        QTest::newRow("the least") << QStringList{"--port", "/dev/ttyUSB0", "--minimum", "10.5"}
                                   << "/dev/ttyUSB0" << 10.5 << 200 << 9600 << 10000 << RunLimits{};
        QTest::newRow("everything")
            << QStringList{"--port=Com2",     "--minimum=3.0",
                           "--interval",      "120",
                           "--baud",          "19200",
                           "--silence-limit", "2.5",
                           "--max-time",      "1h30m",
                           "--max-ah",        "1.25",
                           "--max-wh",        "30"}
            << "Com2" << 3.0 << 120 << 19200 << 2500 << RunLimits{5400000, 1.25, 30.0};
        QTest::newRow("silence limit 0: never")
            << QStringList{"--port", "P", "--minimum", "1", "--silence-limit", "0"} << "P" << 1.0
            << 200 << 9600 << 0 << RunLimits{};
    }
    void runLineIsRead() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, port);
        QFETCH(double, minimum);
        QFETCH(int, intervalMs);
        QFETCH(int, baud);
        QFETCH(int, silenceMs);
        QFETCH(RunLimits, limits);
        const CommandLine line = parseCommandLine(
            QStringList{QStringLiteral("tarvex"), QStringLiteral("run")} + arguments);
        QVERIFY2(line.action == CommandLine::Action::RunWithoutWindow, qPrintable(line.text));
        QCOMPARE(line.headless.portName, port);
        QCOMPARE(line.headless.minimumVolts, minimum);
        QCOMPARE(line.headless.pollIntervalMs, intervalMs);
        QCOMPARE(int(line.headless.baudRate), baud);
        QCOMPARE(line.headless.silenceLimitMs, silenceMs);
        QVERIFY(line.headless.limits == limits);
    }

    // Durations of --max-time, in the forms people write them.
    void durationsAreRead_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("seconds") << "3600" << qint64(3600000);
        QTest::newRow("a fraction") << "1.5" << qint64(1500);
        QTest::newRow("seconds with unit") << "90s" << qint64(90000);
        QTest::newRow("minutes") << "45m" << qint64(2700000);
        QTest::newRow("hours") << "20h" << qint64(72000000);
        QTest::newRow("hours and minutes") << "1h30m" << qint64(5400000);
        QTest::newRow("with blanks") << "2h 15m 10s" << qint64(8110000);
        QTest::newRow("H:MM:SS") << "2:00:00" << qint64(7200000);
        QTest::newRow("M:SS") << "1:30" << qint64(90000);
        QTest::newRow("zero") << "0" << qint64(-1);
        QTest::newRow("0h") << "0h" << qint64(-1);
        QTest::newRow("negative") << "-5" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("a word") << "soon" << qint64(-1);
        QTest::newRow("units out of order") << "30m1h" << qint64(-1);
        QTest::newRow("minutes past 59 on a clock") << "1:60:00" << qint64(-1);
    }
    void durationsAreRead() {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        QCOMPARE(parseDuration(text), ms);
    }

    // `runs` and `export`: their lines read or refused.
    void storedRunCommandsAreReadOrRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("text"); // a part of a refusal
        using Action = CommandLine::Action;
        QTest::newRow("runs") << QStringList{"runs"} << Action::ListRuns << QString();
        QTest::newRow("runs --json")
            << QStringList{"runs", "--json"} << Action::ListRuns << QString();
        QTest::newRow("runs with a further argument")
            << QStringList{"runs", "7"} << Action::Refuse << "Unexpected argument '7'.";
        QTest::newRow("export csv") << QStringList{"export", "--run", "3", "--csv", "a.csv"}
                                    << Action::ExportRun << QString();
        QTest::newRow("export bdf") << QStringList{"export", "--run=3", "--bdf", "a.bdf.csv"}
                                    << Action::ExportRun << QString();
        QTest::newRow("export without a file")
            << QStringList{"export", "--run", "3"} << Action::Refuse
            << "export needs --csv FILE or --bdf FILE.";
        QTest::newRow("export without a run")
            << QStringList{"export", "--csv", "a.csv"} << Action::Refuse << "export needs --run N";
        QTest::newRow("export of run 0") << QStringList{"export", "--run", "0", "--csv", "a.csv"}
                                         << Action::Refuse << "export needs --run N";
        QTest::newRow("help of run")
            << QStringList{"run", "--help"} << Action::ShowHelp << QString();
    }
    void storedRunCommandsAreReadOrRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, text);
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("tarvex")} + arguments);
        QCOMPARE(line.action, action);
        QVERIFY2(line.text.contains(text), qPrintable(line.text));
    }

    // --trace names the file of the serial link's trace.
    void traceNamesItsFile_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("traceFileName");
        using Action = CommandLine::Action;
        QTest::newRow("none") << QStringList{} << Action::Run << QString();
        QTest::newRow("--trace FILE")
            << QStringList{"--trace", "/tmp/link.log"} << Action::Run << "/tmp/link.log";
        QTest::newRow("with --port")
            << QStringList{"--port", "Com2", "--trace=link.log"} << Action::Run << "link.log";
        QTest::newRow("no file") << QStringList{"--trace"} << Action::Refuse << QString();
    }
    void traceNamesItsFile() {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, traceFileName);
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("tarvex")} + arguments);
        QCOMPARE(line.action, action);
        QCOMPARE(line.traceFileName, traceFileName);
    }

    // --port puts its path in the port settings' box, as if typed there; a
    // name the list offers is that entry.
    void portArrivesInThePortBox_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<int>("position");
        QTest::newRow("--port") << QStringList{"--port", "/tmp/tarvex-load"} << "/tmp/tarvex-load"
                                << 0;
        QTest::newRow("a named port") << QStringList{"--port", "Com3"} << "Com3" << 3;
        QTest::newRow("none") << QStringList{} << "Com1" << 1;
    }
    void portArrivesInThePortBox() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, portName);
        QFETCH(int, position);
        ScratchStore engine;
        Program program(engine.dataDir());
        QVERIFY(program.portSettingsDialog());
        applyCommandLine(parseCommandLine(QStringList{QStringLiteral("tarvex")} + arguments),
                         program);
        const PortSettingsDialog& dialog = *program.portSettingsDialog();
        QCOMPARE(dialog.entries().portName, portName);
        QCOMPARE(dialog.portListPosition(), position);
    }

    // The program itself, with no display to be had: help and version answer
    // with status 0, a refused line ends it with status 2, all before the
    // application starts.
    void programAnswersTheLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "TarvexVol 2.0\n" << QString();
        QTest::newRow("help") << QStringList{"-h"} << 0 << "--silence-limit <SECONDS>" << QString();
        QTest::newRow("help among Qt's options")
            << QStringList{"-platform", "xcb", "--help"} << 0 << "--port <PATH>" << QString();
        QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << QString()
                                 << "tarvex: Unknown option 'bogus'.\nTry 'tarvex --help'.\n";
        QTest::newRow("unknown among Qt's options")
            << QStringList{"-platform", "xcb", "-bogus"} << 2 << QString()
            << "tarvex: Unknown option 'bogus'.\n";
        QTest::newRow("no path") << QStringList{"--port"} << 2 << QString()
                                 << "tarvex: Missing value after '--port'.\n";
        QTest::newRow("a further argument") << QStringList{"/dev/ttyS0"} << 2 << QString()
                                            << "tarvex: Unexpected argument '/dev/ttyS0'.\n";
        QTest::newRow("help tells of the commands")
            << QStringList{"--help"} << 0 << "  run     one discharge without a window"
            << QString();
        QTest::newRow("help of run tells the exit status")
            << QStringList{"run", "--help"} << 0 << "143 by SIGTERM" << QString();
        QTest::newRow("help of run tells --max-wh")
            << QStringList{"run", "-h"} << 0 << "--max-wh <WH>" << QString();
        QTest::newRow("run refused")
            << QStringList{"run", "--minimum", "3"} << 2 << QString()
            << "tarvex: run needs --port PATH.\nTry 'tarvex run --help'.\n";
        QTest::newRow("help tells of --trace")
            << QStringList{"--help"} << 0 << "--trace <FILE>" << QString();
        QTest::newRow("a trace file that cannot be written")
            << QStringList{"--trace", "/nonexistent-dir/link.log"} << 2 << QString()
            << "tarvex: cannot write the trace file /nonexistent-dir/link.log: ";
    }
    void programAnswersTheLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        QProcess program;
        // No display: the answer must not need one.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(programPath(), arguments);
        QVERIFY2(program.waitForFinished(60000), qPrintable(program.errorString()));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        if (output.isEmpty())
            QVERIFY2(out.isEmpty(), qPrintable(out));
        else
            QVERIFY2(out.contains(output), qPrintable(out));
        if (!errors.isEmpty())
            QVERIFY2(err.contains(errors), qPrintable(err));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
