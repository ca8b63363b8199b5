// Tarvex: discharge tests with a programmable DC electronic load.
#include "app/CommandLine.h"
#include "app/ExitPaths.h"
#include "app/LinkTrace.h"
#include "app/Program.h"
#include "app/ProgramIcon.h"
#include "app/Translations.h"
#include "control/ControlWindow.h"
#include "ui/Application.h"

#include <QFileInfo>
#include <QScreen>

#include <cstdio>

using namespace tarvex;

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
        // Answered in the operator's language, still without a display.
        QCoreApplication core(argc, argv);
        Translations translations;
        translations.install(line.language);
        return answerCommandLine(parseCommandLine(arguments));
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
