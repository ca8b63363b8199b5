#include "ui/Application.h"

#include "ui/MessageBoxes.h"

#include <QSet>
#include <QThread>

namespace tarvex {

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
    showErrorOnce(QCoreApplication::translate("Application", "Unknown exception"));
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
