// The program's modal message boxes and system beep, behind a seam that tests
// replace so that they can answer boxes and count beeps without a person.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace tarvex {

// One box. The icon tells its kind: Warning, Critical (an error), Question (a
// confirmation), Information, or NoIcon for a plain box. Of the buttons, Yes,
// No, Ok and Cancel are shown; the others are ignored.
struct MessageRequest {
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows any box and returns the button pressed; a box closed without a button
// answers Cancel when it offers Cancel, NoButton otherwise. Every function
// below goes through here.
QMessageBox::StandardButton showMessage(const MessageRequest& request);

// The application's title, used by plain message boxes.
QString applicationTitle();

// A modal box of the given kind, titled by its kind ("Warning", "Error" for
// Critical, "Confirm" for Question, "Information" for Information and
// NoIcon), with the given buttons.
QMessageBox::StandardButton showMessageBox(const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons);

// A plain box (no icon) with an OK button and the given title.
QMessageBox::StandardButton showPlainMessageBox(const QString& text, const QString& title);

// The system beep.
void beep();

// Test seams. A handler set here answers every box instead of a person and
// returns the button pressed; an empty handler restores the real boxes.
// Each setter returns the handler it replaces.
using MessageHandler = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
MessageHandler setMessageHandler(MessageHandler handler);
using BeepHandler = std::function<void()>;
BeepHandler setBeepHandler(BeepHandler handler);

} // namespace tarvex
