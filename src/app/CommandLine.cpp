#include "app/CommandLine.h"

#include "app/Program.h"
#include "control/PortSettingsDialog.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/PollInterval.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>
#include <optional>

namespace tarvex {

namespace {

// The options QGuiApplication, QApplication and the X11 platform take out of
// the command line (with one dash or two; those with a value also as
// -name=value).
const char* const kQtOptionsWithValue[] = {"platform",        "platformpluginpath",
                                           "platformtheme",   "plugin",
                                           "qwindowgeometry", "geometry",
                                           "qwindowtitle",    "title",
                                           "qwindowicon",     "icon",
                                           "session",         "style",
                                           "stylesheet",      "qmljsdebugger",
                                           "display",         "name",
                                           "visual"};
const char* const kQtSwitches[] = {"reverse", "widgetcount", "testability", "nograb", "dograb"};

// What `tarvex run` ends with, for its help and the manual page.
const char* const kRunExitStatus = QT_TRANSLATE_NOOP(
    "CommandLine", "Exit status:\n"
                   "  0    the minimum voltage was reached\n"
                   "  1    the port could not be opened or the reading table could not be used\n"
                   "  2    wrong usage\n"
                   "  3    a limit (--max-time, --max-ah, --max-wh) was reached\n"
                   "  4    the load stopped answering: it was switched off (the silence limit)\n"
                   "  5    the link was lost and did not come back within the silence limit\n"
                   "  130  interrupted by SIGINT, 143 by SIGTERM (129 SIGHUP), after the load was\n"
                   "       switched off and handed back to its front panel\n");

// The help of a command: its usage line, its options, what follows them.
QString commandHelp(const QCommandLineParser& parser, const QString& usage,
                    const QString& after = {}) {
    QString text = parser.helpText();
    text.remove(0, text.indexOf(QLatin1Char('\n')));
    return usage + text + (after.isEmpty() ? QString() : QLatin1Char('\n') + after);
}

CommandLine refusal(const QString& name, const QString& command, const QString& why) {
    CommandLine line;
    line.action = CommandLine::Action::Refuse;
    line.text = CommandLine::tr("%1: %2\nTry '%1 %3--help'.\n")
                    .arg(name, why, command.isEmpty() ? QString() : command + QLatin1Char(' '));
    return line;
}

// A positive number (fractions allowed), or nothing.
std::optional<double> positiveNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

CommandLine parseRun(const QStringList& arguments, const QString& name) {
    const QString command = QStringLiteral("run");
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLine::tr("Displays this help."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        CommandLine::tr("The load's serial port (a device, a link to one, or Com1 to Com4). "
                        "Required."),
        QStringLiteral("PATH"));
    const QCommandLineOption minimum(
        QStringLiteral("minimum"),
        CommandLine::tr("The minimum voltage: the run stops at the first reading at or below "
                        "VOLTS. Required."),
        QStringLiteral("VOLTS"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        CommandLine::tr("Polls the load every MS milliseconds (default 200; at least 220 at "
                        "4800 bit/s, 150 at 9600, 120 at 19200, 100 at 38400)."),
        QStringLiteral("MS"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  CommandLine::tr("The line's speed in bit/s (default 9600), "
                                                  "8 data bits, no parity, one stop bit."),
                                  QStringLiteral("N"));
    const QCommandLineOption maxTime(
        QStringLiteral("max-time"),
        CommandLine::tr("Stops the run after DURATION since Load ON: seconds (3600), with "
                        "units (90s, 45m, 20h, 1h30m) or H:MM:SS."),
        QStringLiteral("DURATION"));
    const QCommandLineOption maxAh(QStringLiteral("max-ah"),
                                   CommandLine::tr("Stops the run once AH ampere-hours are drawn."),
                                   QStringLiteral("AH"));
    const QCommandLineOption maxWh(QStringLiteral("max-wh"),
                                   CommandLine::tr("Stops the run once WH watt-hours are drawn."),
                                   QStringLiteral("WH"));
    const QCommandLineOption label(QStringLiteral("label"),
                                   CommandLine::tr("Names the cell under test in the stored run."),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption silenceLimit(
        QStringLiteral("silence-limit"),
        CommandLine::tr("Switches the load off when it has given no reading for SECONDS "
                        "(default %1; 0: never), and ends the run when a lost link is not back "
                        "within SECONDS.")
            .arg(LoadRun::kDefaultSilenceLimitMs / 1000),
        QStringLiteral("SECONDS"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 CommandLine::tr("Writes the run's readings to FILE as CSV "
                                                 "after the run."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption bdf(
        QStringLiteral("bdf"),
        CommandLine::tr("Writes the run as a Battery Data Format file FILE (name.bdf.csv, "
                        "with name.bdf.metadata.json beside it) after the run."),
        QStringLiteral("FILE"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        CommandLine::tr("Writes one JSON object per reading and a summary object to the "
                        "standard output (messages go to the error output)."));
    const QCommandLineOption quiet(
        QStringLiteral("quiet"),
        CommandLine::tr("Leaves out the status line (and the reading objects of --json)."));
    parser.addOptions({help, port, minimum, interval, baud, maxTime, maxAh, maxWh, label,
                       silenceLimit, csv, bdf, json, quiet});

    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        CommandLine line;
        line.action = CommandLine::Action::ShowHelp;
        line.text = commandHelp(
            parser,
            CommandLine::tr("Usage: %1 run --port PATH --minimum VOLTS [options]\n"
                            "One discharge without a window: the load is handed to the "
                            "computer, switched on, polled and\nstored until the first "
                            "stop, then switched off and handed back to its front panel.")
                .arg(name),
            CommandLine::tr(kRunExitStatus));
        return line;
    }
    auto refuse = [&](const QString& why) { return refusal(name, command, why); };
    if (!parsed)
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            CommandLine::tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    CommandLine line;
    line.action = CommandLine::Action::RunWithoutWindow;
    HeadlessOptions& o = line.headless;
    if (!parser.isSet(port) || parser.value(port).isEmpty())
        return refuse(CommandLine::tr("run needs --port PATH."));
    o.portName = parser.value(port);
    if (!parser.isSet(minimum))
        return refuse(CommandLine::tr("run needs --minimum VOLTS."));
    const auto volts = positiveNumber(parser.value(minimum));
    if (!volts)
        return refuse(CommandLine::tr("--minimum needs a voltage above 0, not '%1'.")
                          .arg(parser.value(minimum)));
    o.minimumVolts = *volts;
    if (parser.isSet(baud)) {
        bool ok = false;
        const uint rate = parser.value(baud).toUInt(&ok);
        if (!ok || rate == 0 || rate > 4000000)
            return refuse(CommandLine::tr("--baud needs a line speed in bit/s, not '%1'.")
                              .arg(parser.value(baud)));
        o.baudRate = rate;
    }
    if (parser.isSet(interval)) {
        bool ok = false;
        const int ms = parser.value(interval).toInt(&ok);
        if (!ok || ms <= 0)
            return refuse(CommandLine::tr("--interval needs a number of milliseconds, not '%1'.")
                              .arg(parser.value(interval)));
        o.pollIntervalMs = ms;
    }
    // A run that polling cannot watch is refused before the load is touched.
    if (!pollingCanWatch(o.pollIntervalMs, o.baudRate))
        return refuse(pollIntervalWarning(o.pollIntervalMs, o.baudRate));
    if (parser.isSet(silenceLimit)) {
        bool ok = false;
        const double seconds = parser.value(silenceLimit).toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 86400)
            return refuse(CommandLine::tr("--silence-limit needs a number of seconds from 0 to "
                                          "86400, not '%1'.")
                              .arg(parser.value(silenceLimit)));
        o.silenceLimitMs = static_cast<int>(seconds * 1000 + 0.5);
    } else {
        o.silenceLimitMs = LoadRun::kDefaultSilenceLimitMs;
    }
    if (parser.isSet(maxTime)) {
        const qint64 ms = parseDuration(parser.value(maxTime));
        if (ms <= 0)
            return refuse(CommandLine::tr("--max-time needs a duration such as 3600, 90m, 20h, "
                                          "1h30m or 2:00:00, not '%1'.")
                              .arg(parser.value(maxTime)));
        o.limits.maxElapsedMs = ms;
    }
    if (parser.isSet(maxAh)) {
        const auto ah = positiveNumber(parser.value(maxAh));
        if (!ah)
            return refuse(CommandLine::tr("--max-ah needs a charge above 0, not '%1'.")
                              .arg(parser.value(maxAh)));
        o.limits.maxAmpHours = *ah;
    }
    if (parser.isSet(maxWh)) {
        const auto wh = positiveNumber(parser.value(maxWh));
        if (!wh)
            return refuse(CommandLine::tr("--max-wh needs an energy above 0, not '%1'.")
                              .arg(parser.value(maxWh)));
        o.limits.maxWattHours = *wh;
    }
    o.label = parser.value(label);
    o.csvFile = parser.value(csv);
    o.bdfFile = parser.value(bdf);
    o.json = parser.isSet(json);
    o.quiet = parser.isSet(quiet);
    return line;
}

CommandLine parseRuns(const QStringList& arguments, const QString& name) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLine::tr("Displays this help."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  CommandLine::tr("Writes the runs as JSON, one object a line."));
    parser.addOptions({help, json});
    const bool parsed = parser.parse(arguments);
    CommandLine line;
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::ShowHelp;
        line.text = commandHelp(
            parser, CommandLine::tr("Usage: %1 runs [--json]\nLists the stored runs with their "
                                    "figures, oldest first.")
                        .arg(name));
        return line;
    }
    if (!parsed)
        return refusal(name, QStringLiteral("runs"), parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refusal(
            name, QStringLiteral("runs"),
            CommandLine::tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    line.action = CommandLine::Action::ListRuns;
    line.json = parser.isSet(json);
    return line;
}

CommandLine parseExport(const QStringList& arguments, const QString& name) {
    const QString command = QStringLiteral("export");
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLine::tr("Displays this help."));
    const QCommandLineOption run(QStringLiteral("run"),
                                 CommandLine::tr("The stored run to write (its number, as "
                                                 "`runs` lists it). Required."),
                                 QStringLiteral("N"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 CommandLine::tr("Writes the run's readings to FILE as CSV."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption bdf(
        QStringLiteral("bdf"),
        CommandLine::tr("Writes the run as a Battery Data Format file FILE (name.bdf.csv, with "
                        "name.bdf.metadata.json beside it)."),
        QStringLiteral("FILE"));
    parser.addOptions({help, run, csv, bdf});
    const bool parsed = parser.parse(arguments);
    CommandLine line;
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::ShowHelp;
        line.text = commandHelp(
            parser,
            CommandLine::tr("Usage: %1 export --run N (--csv FILE | --bdf FILE)\nWrites one "
                            "stored run as a file. Exit status 0 when written, 1 when the "
                            "run or the\nfile failed, 2 on wrong usage.")
                .arg(name));
        return line;
    }
    auto refuse = [&](const QString& why) { return refusal(name, command, why); };
    if (!parsed)
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            CommandLine::tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    bool ok = false;
    line.exportRunId = parser.value(run).toLongLong(&ok);
    if (!parser.isSet(run) || !ok || line.exportRunId <= 0)
        return refuse(CommandLine::tr("export needs --run N, the number of a stored run."));
    line.csvFile = parser.value(csv);
    line.bdfFile = parser.value(bdf);
    if (line.csvFile.isEmpty() && line.bdfFile.isEmpty())
        return refuse(CommandLine::tr("export needs --csv FILE or --bdf FILE."));
    line.action = CommandLine::Action::ExportRun;
    return line;
}

} // namespace

qint64 parseDuration(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const double seconds = t.toDouble(&ok);
    if (ok)
        return std::isfinite(seconds) && seconds > 0 && seconds < 1e9
                   ? qint64(std::llround(seconds * 1000))
                   : -1;
    static const QRegularExpression clock(QStringLiteral("^(?:(\\d+):)?([0-5]?\\d):([0-5]\\d)$"));
    if (const QRegularExpressionMatch m = clock.match(t); m.hasMatch()) {
        const qint64 ms = (m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60 +
                           m.captured(3).toLongLong()) *
                          1000;
        return ms > 0 ? ms : -1;
    }
    static const QRegularExpression units(
        QStringLiteral("^(?:(\\d+(?:\\.\\d+)?)\\s*h)?\\s*(?:(\\d+(?:\\.\\d+)?)\\s*m)?\\s*"
                       "(?:(\\d+(?:\\.\\d+)?)\\s*s)?$"));
    if (const QRegularExpressionMatch m = units.match(t); m.hasMatch() && !t.isEmpty()) {
        const double total = m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 +
                             m.captured(3).toDouble();
        return total > 0 && total < 1e9 ? qint64(std::llround(total * 1000)) : -1;
    }
    return -1;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    // A command without a window: its own options after its name.
    if (arguments.size() > 1) {
        const QString name = QFileInfo(arguments.first()).fileName();
        const QStringList rest = QStringList{arguments.first()} + arguments.mid(2);
        if (arguments[1] == QLatin1String("run"))
            return parseRun(rest, name);
        if (arguments[1] == QLatin1String("runs"))
            return parseRuns(rest, name);
        if (arguments[1] == QLatin1String("export"))
            return parseExport(rest, name);
    }
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        CommandLine::tr("Discharge tests with a programmable DC electronic load."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLine::tr("Displays this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     CommandLine::tr("Displays version information."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        CommandLine::tr("Puts PATH in \"Comm Port\" of the port settings at start (a serial "
                        "device, a link to one, or Com1 to Com4); Setting and OK open it."),
        QStringLiteral("PATH"));
    const QCommandLineOption silenceLimit(
        QStringLiteral("silence-limit"),
        CommandLine::tr("While the load is on, switches it off when it has given no reading for "
                        "SECONDS (default %1; 0: never): the minimum-voltage stop cannot work "
                        "without readings.")
            .arg(LoadRun::kDefaultSilenceLimitMs / 1000),
        QStringLiteral("SECONDS"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        CommandLine::tr("Writes the serial link's trace to FILE, each line with its time: "
                        "opens, closes, hang-ups and errors, and every frame sent and chunk "
                        "received in hex. For finding out what goes wrong on a link."),
        QStringLiteral("FILE"));
    const QCommandLineOption language(
        QStringLiteral("language"),
        CommandLine::tr(
            "Shows the program's texts in the language CODE (de, en, zh_CN, ...) instead of the "
            "system's; \"source\" shows them as written in the program."),
        QStringLiteral("CODE"));
    parser.addOptions({help, version, port, silenceLimit, trace, language});
    // Qt's own options, read here only to be let through: the application
    // takes them out and acts on them. Read before the application exists,
    // they let a line that is refused be told without a display.
    for (const char* name : kQtOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kQtSwitches) {
        QCommandLineOption option(QString::fromLatin1(name), QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine line;
    const bool parsed = parser.parse(arguments);
    // Also for a line that is refused: the refusal is told in that language.
    line.language = parser.value(language);
    // The program as it was called, also before the application exists.
    const QString name =
        arguments.isEmpty() ? QStringLiteral("tarvex") : QFileInfo(arguments.first()).fileName();
    auto refuse = [&](const QString& why) {
        line.action = CommandLine::Action::Refuse;
        line.text = CommandLine::tr("%1: %2\nTry '%1 --help'.\n").arg(name, why);
        return line;
    };
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.remove(0, text.indexOf(QLatin1Char('\n')));
        line.action = CommandLine::Action::ShowHelp;
        line.text = CommandLine::tr("Usage: %1 [options]\n       %1 run --port PATH --minimum "
                                    "VOLTS [options]\n       %1 runs [--json]\n       %1 export "
                                    "--run N (--csv FILE | --bdf FILE)")
                        .arg(name) +
                    text +
                    CommandLine::tr("\nCommands (no display needed; '%1 COMMAND --help' tells "
                                    "their options):\n"
                                    "  run     one discharge without a window, for scripts and "
                                    "automated rigs\n"
                                    "  runs    lists the stored runs with their figures\n"
                                    "  export  writes one stored run as CSV or Battery Data "
                                    "Format\n")
                        .arg(name);
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::ShowVersion;
        line.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return line;
    }
    if (!parsed)
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            CommandLine::tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    line.portName = parser.value(port);
    if (parser.isSet(silenceLimit)) {
        bool ok = false;
        const double seconds = parser.value(silenceLimit).toDouble(&ok);
        // A day at most: the limit is a number of milliseconds.
        if (!ok || seconds < 0 || seconds > 86400)
            return refuse(CommandLine::tr("--silence-limit needs a number of seconds from 0 to "
                                          "86400, not '%1'.")
                              .arg(parser.value(silenceLimit)));
        line.silenceLimitMs = static_cast<int>(seconds * 1000 + 0.5);
    }
    line.traceFileName = parser.value(trace);
    return line;
}

QStringList commandLineArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int answerCommandLine(const CommandLine& line) {
    const bool refused = line.action == CommandLine::Action::Refuse;
    std::fputs(line.text.toLocal8Bit().constData(), refused ? stderr : stdout);
    std::fflush(refused ? stderr : stdout);
    return refused ? 2 : 0;
}

void applyCommandLine(const CommandLine& line, Program& program) {
    if (!line.portName.isEmpty() && program.portSettingsDialog())
        program.portSettingsDialog()->setPortName(line.portName);
    if (line.silenceLimitMs >= 0)
        post(program.run(),
             [run = program.run(), ms = line.silenceLimitMs] { run->setSilenceLimit(ms); });
}

} // namespace tarvex
