// The application object and its default exception display: an exception
// that escapes an event handler, a timer's slot or the creation of a window
// is shown in a message box with its message, and the event loop goes on.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <utility>

namespace tarvex {

// Shows the message of an escaped exception (error box titled with the
// application's title, OK button). While a box with the same message is still
// open, a repeat of it is not shown again: a failure that recurs at every
// reading must not stack up boxes (each in the loop of the one before) until
// the stack runs out.
void showException(const std::exception& error);
void showUnknownException();
// The same display for a failure that reached the window as a message (for
// instance from the run's own thread).
void showErrorMessage(const QString& message);

// Lets the window thread handle what has arrived (timer ticks, received data)
// in the middle of a long operation; the operator's input waits until the
// operation has finished.
void servePendingEvents();

// Runs a handler; whatever it throws is shown by the default display. Every
// handler the program connects to a Qt signal runs through this, so that no
// exception unwinds through Qt's own frames.
template <class F> void guarded(F&& handler) {
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& error) {
        showException(error);
    } catch (...) {
        showUnknownException();
    }
}

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    // Last line of defence for exceptions thrown by event handlers that were
    // not connected through guarded().
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarvex
