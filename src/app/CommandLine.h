// The program's command line: --help, --version, --port PATH,
// --silence-limit SECONDS, --trace FILE and --language CODE for the windows;
// and the commands that need no window: `run` (one discharge, see
// headless/HeadlessRun.h), `runs` (the stored runs) and `export` (one stored
// run as a file).
#pragma once

#include "headless/HeadlessOptions.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace tarvex {

class Program;

struct CommandLine {
    // CommandLine::tr(): the help and the refusals, read through the translator.
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Action {
        Run,              // start the program
        ShowHelp,         // print text and end
        ShowVersion,      // print text ("TarvexVol 2.0") and end
        Refuse,           // print text (why, and where to look) to the error output
        RunWithoutWindow, // `tarvex run`: one discharge as headless says
        ListRuns,         // `tarvex runs`: the stored runs (json: as JSON)
        ExportRun,        // `tarvex export`: run exportRunId into csvFile and/or bdfFile
    };
    Action action = Action::Run;
    QString portName;      // --port's PATH; empty when not given
    QString traceFileName; // --trace's FILE; empty when not given
    QString language;      // --language's CODE; empty when not given (the system's)
    // --silence-limit in milliseconds (0: never); -1 when not given.
    int silenceLimitMs = -1;
    QString text;
    // The commands without a window.
    HeadlessOptions headless; // `run`
    bool json = false;        // `runs --json`
    qint64 exportRunId = 0;   // `export --run N`
    QString csvFile;          // `export --csv FILE`
    QString bdfFile;          // `export --bdf FILE`
};

// A duration as `--max-time` takes it, in milliseconds: seconds ("90",
// "1.5"), a number with a unit ("90s", "45m", "20h"), units in a row
// ("1h30m", "2h 15m 10s") or "H:MM:SS" / "M:SS". -1 for anything else or a
// duration of 0.
qint64 parseDuration(const QString& text);

// Reads arguments, the program's path first, before the application exists
// (so that no answer needs a display). Options are words after one or two
// dashes ("-h" is --help, "-stylesheet" is not -s -t -y ...). Qt's own options
// (-platform NAME, -style NAME, -reverse, ...) are let through for the
// application to act on. --help and --version answer whatever else is on the
// line; an unknown option, an option without its value or a further argument
// refuses the line. The version comes from QCoreApplication's application
// name and version. A first argument "run", "runs" or "export" is the
// command of that name, with options of its own (and its own --help). The
// texts are those of the translation installed when it is called.
CommandLine parseCommandLine(const QStringList& arguments);

// The arguments of main() as texts in the system's encoding.
QStringList commandLineArguments(int argc, char** argv);

// Prints what a line that does not run the program answers - the help or the
// version on the standard output, a refusal on the error output - and
// returns the program's exit status: 0, or 2 for a refusal.
int answerCommandLine(const CommandLine& line);

// What the line asks of the program at start: --port's PATH goes into "Comm
// Port" of the port settings, as if typed there (the port is opened, as
// always, after Setting and OK); --silence-limit goes to the run.
void applyCommandLine(const CommandLine& line, Program& program);

} // namespace tarvex
