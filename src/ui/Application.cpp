#include "ui/Application.h"

#include "ui/MessageBoxes.h"

#include <QSet>
#include <QSocketNotifier>
#include <QThread>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarvex {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signal) {
    const char byte = static_cast<char>(signal);
    // Only async-signal-safe calls here; a full pipe means a close is pending anyway.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void closeOnTerminationSignals(QWidget* window) {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char drain[16];
        while (::read(signalPipe[0], drain, sizeof drain) > 0) {
        }
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

namespace {

void showErrorOnce(const QString& message) {
    // Only the window thread shows boxes: a failure on the run's or the
    // storing thread is handed to it (and logged at once), so that neither
    // of them ever waits for the operator.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        qWarning("%s", qPrintable(message));
        if (app)
            QMetaObject::invokeMethod(
                app, [message] { showErrorOnce(message); }, Qt::QueuedConnection);
        return;
    }
    static QSet<QString> showing;
    if (showing.contains(message)) {
        qWarning("%s", qPrintable(message));
        return;
    }
    showing.insert(message);
    struct Closed {
        QString message;
        ~Closed() { showing.remove(message); }
    } closed{message};
    showMessage({QMessageBox::Critical, applicationTitle(), message, QMessageBox::Ok});
}

} // namespace

void showException(const std::exception& error) {
    showErrorOnce(QString::fromUtf8(error.what()));
}

void showErrorMessage(const QString& message) {
    showErrorOnce(message);
}

void showUnknownException() {
    showErrorOnce(QStringLiteral("Unknown exception"));
}

void servePendingEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace tarvex
