// Helper for the tests of the ways out: runs the real program (Program, its
// windows, its ways out as main() installs them) against a load on the given
// port, and drives its windows as an operator would: Setting -> OK, PC
// Control, Load ON. Then the test ends it in some way and looks at what the
// load received.
//
// Usage: tarvex_program_child --port PATH --data DIR [--silence-limit S]
//                             [--no-guard] [--minimum V] [--interval MS] [--baud N]
//
// Prints one line on standard output for each of: "load on" (the first
// reading came), "link lost", "link back", "box: <text>" (every message box,
// answered by its first button), "closed". Takes commands on standard input:
//   block MS   the window thread sleeps MS ms (a long query, say)
//   warn       writes a debug line to the error output
//   close      closes the control window, as its Close button does
#include "app/CommandLine.h"
#include "app/ExitPaths.h"
#include "app/Program.h"
#include "control/ControlWindow.h"
#include "control/PortSettingsDialog.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "support/WindowFinder.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "widgets/MinimumVoltageField.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <unistd.h>

using namespace tarvex;

namespace {

void say(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, bytes.constData(), bytes.size());
}

} // namespace

int main(int argc, char** argv) {
    ignoreBrokenPipes(); // as main() does first
    QApplication::setApplicationName(QStringLiteral("TarvexVol"));
    Application app(argc, argv);
    QString port, data, silenceLimit, interval, baud;
    double minimum = 0.01;
    bool guard = true;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--no-guard"))
            guard = false;
        else if (i + 1 < args.size() && args[i] == QLatin1String("--port"))
            port = args[++i];
        else if (i + 1 < args.size() && args[i] == QLatin1String("--data"))
            data = args[++i];
        else if (i + 1 < args.size() && args[i] == QLatin1String("--silence-limit"))
            silenceLimit = args[++i];
        else if (i + 1 < args.size() && args[i] == QLatin1String("--minimum"))
            minimum = args[++i].toDouble();
        else if (i + 1 < args.size() && args[i] == QLatin1String("--interval"))
            interval = args[++i];
        else if (i + 1 < args.size() && args[i] == QLatin1String("--baud"))
            baud = args[++i];
    }
    setMessageHandler([](const MessageRequest& request) {
        say(QStringLiteral("box: ") + QString(request.text).replace(QLatin1Char('\n'), ' '));
        return (request.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });

    Program program(data);
    ControlWindow* window = program.controlWindow();
    if (!window)
        return 1;
    QStringList line{QStringLiteral("tarvex"), QStringLiteral("--port"), port};
    if (!silenceLimit.isEmpty())
        line << QStringLiteral("--silence-limit") << silenceLimit;
    applyCommandLine(parseCommandLine(line), program);
    ExitPaths exitPaths(program);
    QObject::connect(&exitPaths, &ExitPaths::endRequested, &app, &QCoreApplication::quit);
    QObject::connect(window, &ControlWindow::closed, &app, [] {
        say(QStringLiteral("closed"));
        QCoreApplication::quit();
    });

    LoadRun* run = program.run();
    if (!guard)
        callAndWait(run, [run] { run->setGuardEnabled(false); });
    bool told = false;
    QObject::connect(run, &LoadRun::readingTaken, &app, [&told] {
        if (!told)
            say(QStringLiteral("load on"));
        told = true;
    });
    QObject::connect(run, &LoadRun::linkLost, &app, [] { say(QStringLiteral("link lost")); });
    QObject::connect(run, &LoadRun::linkBack, &app, [] { say(QStringLiteral("link back")); });

    // Setting -> OK, then PC Control and Load ON once the port is open.
    child<MinimumVoltageField>(window, "minimumVoltageField")->setValue(minimum);
    QObject::connect(run, &LoadRun::portOpened, window, [window] {
        child<QPushButton>(window, "computerControlButton")->click();
        child<QPushButton>(window, "loadOnButton")->click();
    });
    PortSettingsDialog* dialog = program.portSettingsDialog();
    // The interval and the baud rate typed into the settings, as an operator would.
    if (!interval.isEmpty())
        child<QLineEdit>(dialog, "intervalEdit")->setText(interval);
    if (!baud.isEmpty())
        child<QComboBox>(dialog, "baudRateBox")->setCurrentText(baud);
    QTimer::singleShot(0, window, [window, dialog] {
        QTimer::singleShot(0, dialog,
                           [dialog] { child<QPushButton>(dialog, "okButton")->click(); });
        child<QToolButton>(window, "settingsButton")->click();
    });

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&commands, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            commands.setEnabled(false);
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QList<QByteArray> words = pending.left(end).trimmed().split(' ');
            pending.remove(0, end + 1);
            if (words.first() == "block" && words.size() > 1)
                QThread::msleep(words[1].toULong());
            else if (words.first() == "warn")
                qWarning("a debug line for an error output nobody reads");
            else if (words.first() == "close")
                window->close();
        }
    });

    window->show();
    return app.exec();
}
