// Tarvex: discharge tests with a programmable DC electronic load.
#include "app/CommandLine.h"
#include "app/LinkTrace.h"
#include "app/Program.h"
#include "control/ControlWindow.h"
#include "ui/Application.h"

#include <QFileInfo>
#include <QScreen>

#include <cstdio>

using namespace tarvex;

int main(int argc, char** argv) {
    // The application's title (plain message boxes carry it). No display
    // name is set: Qt would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("TarvexVol"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    // The menu entry the windows belong to (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvex"));

    // --help and --version answer before the application starts, so they
    // need no display.
    const CommandLine early = parseCommandLine(commandLineArguments(argc, argv));
    if (early.action == CommandLine::Action::ShowHelp ||
        early.action == CommandLine::Action::ShowVersion)
        return answerCommandLine(early);
    Application app(argc, argv);
    // The application has taken out Qt's own options; the rest must be ours.
    const CommandLine line = parseCommandLine(QCoreApplication::arguments());
    if (line.action != CommandLine::Action::Run)
        return answerCommandLine(line);

    // Before the program: the trace sees the run from its start to its end.
    LinkTrace trace;
    if (!line.traceFileName.isEmpty()) {
        QString why;
        if (!trace.start(line.traceFileName, &why)) {
            std::fprintf(stderr, "%s: cannot write the trace file %s: %s\n",
                         qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
                         qPrintable(line.traceFileName), qPrintable(why));
            return 2;
        }
    }
    Program program;
    ControlWindow* window = program.controlWindow();
    if (!window)
        return 1;
    applyCommandLine(line, program);
    closeOnTerminationSignals(window);

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
