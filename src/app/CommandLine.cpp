#include "app/CommandLine.h"

#include "app/Program.h"
#include "control/PortSettingsDialog.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

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

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
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
        line.text = CommandLine::tr("Usage: %1 [options]").arg(name) + text;
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
