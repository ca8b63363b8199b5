// Tarvex: discharge tests with a programmable DC electronic load.
#include "control/Main.h"
#include "app/Program.h"
#include "ui/Application.h"

#include <QScreen>

using namespace tarvex;

int main(int argc, char** argv) {
    Application app(argc, argv);
    // The application's title (plain message boxes carry it). No display
    // name is set: Qt would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("TarvexVol"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));

    TProgram program;
    if (!program.TarvexForm)
        return 1;
    TTarvexForm& form = *program.TarvexForm;
    closeOnTerminationSignals(&form);

    // The control window opens centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = form.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        form.move(frame.topLeft());
    }
    // The program ends when the control window closes, whatever else is open.
    QObject::connect(&form, &TTarvexForm::Closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}
