#include "ui/Application.h"

#include "ui/Dialogs.h"

#include <QSet>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarvex {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal) {
    const char byte = static_cast<char>(signal);
    // Only async-signal-safe calls here; a full pipe means a close is pending anyway.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void CloseOnTerminationSignals(QWidget* window) {
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
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

namespace {

void ShowErrorOnce(const QString& message) {
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
    ShowMessage({TMsgDlgType::mtError, ApplicationTitle(), message, mbOK});
}

} // namespace

void ShowException(const std::exception& error) {
    ShowErrorOnce(QString::fromUtf8(error.what()));
}

void ShowUnknownException() {
    ShowErrorOnce(QStringLiteral("Unknown exception"));
}

void ServePendingEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace tarvex
