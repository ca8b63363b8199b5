// Tarvex: discharge tests with a programmable DC electronic load.
#include "app/CommandLine.h"
#include "app/DataLocation.h"
#include "app/ExitPaths.h"
#include "app/LinkTrace.h"
#include "app/Program.h"
#include "app/ProgramIcon.h"
#include "app/Translations.h"
#include "control/ControlWindow.h"
#include "headless/HeadlessRun.h"
#include "headless/StoredRuns.h"
#include "ui/Application.h"

#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>

using namespace tarvex;

namespace {

// `tarvex run`: one discharge with no window and no display. SIGTERM, SIGINT
// and SIGHUP switch the load off on the run's thread (the ways out), then the
// run ends with 128 + the signal's number.
int runWithoutWindow(QCoreApplication& app, HeadlessOptions options) {
    options.dataDirectory = DataLocation::tableDirectory();
    HeadlessRun run(options);
    // The end after a signal writes the summary and the files itself.
    constexpr int kEndAfterSignalMs = 60000;
    ExitPaths exitPaths(run.run(), kEndAfterSignalMs);
    QObject::connect(&exitPaths, &ExitPaths::endRequested, &run, &HeadlessRun::interrupt);
    QObject::connect(&run, &HeadlessRun::finished, &app, &QCoreApplication::exit);
    QTimer::singleShot(0, &run, &HeadlessRun::start);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    // A closed error output must not end the program with the load on.
    ignoreBrokenPipes();
    // The application's title (plain message boxes carry it). No display
    // name is set: Qt would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("TarvexVol"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    // The menu entry the windows belong to (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvex"));

    // The line is answered before the application starts: --help, --version
    // and a refused line need no display.
    const QStringList arguments = commandLineArguments(argc, argv);
    const CommandLine line = parseCommandLine(arguments);
    if (line.action != CommandLine::Action::Run) {
        // Answered without a display, in the operator's language.
        QCoreApplication core(argc, argv);
        Translations translations;
        translations.install(line.language);
        const CommandLine told = parseCommandLine(arguments);
        switch (told.action) {
        case CommandLine::Action::RunWithoutWindow:
            return runWithoutWindow(core, told.headless);
        case CommandLine::Action::ListRuns:
            return listRuns(DataLocation::tableDirectory(), told.json);
        case CommandLine::Action::ExportRun:
            return exportRun(DataLocation::tableDirectory(), told.exportRunId, told.csvFile,
                             told.bdfFile);
        default:
            return answerCommandLine(told);
        }
    }

    // The trace starts before the application and the run, so that it sees
    // the run from its start to its end; a file that cannot be written is
    // told without a display, as a refused line is.
    LinkTrace trace;
    if (!line.traceFileName.isEmpty()) {
        QString why;
        if (!trace.start(line.traceFileName, &why)) {
            std::fprintf(
                stderr, "%s: cannot write the trace file %s: %s\n",
                qPrintable(QFileInfo(arguments.value(0, QStringLiteral("tarvex"))).fileName()),
                qPrintable(line.traceFileName), qPrintable(why));
            return 2;
        }
    }
    Application app(argc, argv);
    QApplication::setWindowIcon(programIcon());
    // Before any window: every text is read through it.
    Translations translations;
    if (!translations.install(line.language) && !line.language.isEmpty())
        std::fprintf(stderr,
                     "%s: no translation for the language '%s': the texts are shown as "
                     "written\n",
                     qPrintable(QFileInfo(arguments.value(0, QStringLiteral("tarvex"))).fileName()),
                     qPrintable(line.language));

    Program program;
    ControlWindow* window = program.controlWindow();
    if (!window)
        return 1;
    applyCommandLine(line, program);
    // SIGTERM, SIGINT and SIGHUP switch the load off on the run's thread,
    // then end the program here; an unplanned exit() switches it off too.
    ExitPaths exitPaths(program);
    QObject::connect(&exitPaths, &ExitPaths::endRequested, &app, &QCoreApplication::quit);

    // The control window opens centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    // The program ends when the control window closes, whatever else is open.
    QObject::connect(window, &ControlWindow::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window->show();
    return app.exec();
}
