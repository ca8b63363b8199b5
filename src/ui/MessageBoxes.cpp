#include "ui/MessageBoxes.h"

#include <QApplication>

#include <utility>

namespace tarvex {

namespace {

MessageHandler& messageHandler() {
    static MessageHandler handler;
    return handler;
}

BeepHandler& beepHandler() {
    static BeepHandler handler;
    return handler;
}

QString titleFor(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Warning:
        return QCoreApplication::translate("MessageBoxes", "Warning");
    case QMessageBox::Critical:
        return QCoreApplication::translate("MessageBoxes", "Error");
    case QMessageBox::Question:
        return QCoreApplication::translate("MessageBoxes", "Confirm");
    case QMessageBox::Information:
    case QMessageBox::NoIcon:
        break;
    }
    return QCoreApplication::translate("MessageBoxes", "Information");
}

// The buttons a box can offer, in the order they are added.
constexpr QMessageBox::StandardButton kButtons[] = {QMessageBox::Yes, QMessageBox::No,
                                                    QMessageBox::Ok, QMessageBox::Cancel};

} // namespace

QMessageBox::StandardButton showMessage(const MessageRequest& request) {
    if (messageHandler())
        return messageHandler()(request);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title);
    box.setText(request.text);
    box.setIcon(request.icon);
    for (QMessageBox::StandardButton button : kButtons)
        if (request.buttons.testFlag(button))
            box.addButton(button);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (QMessageBox::StandardButton button : kButtons)
        if (pressed == button)
            return button;
    return request.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                                                         : QMessageBox::NoButton;
}

QString applicationTitle() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("TarvexVol") : name;
}

QMessageBox::StandardButton showMessageBox(const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) {
    return showMessage({icon, titleFor(icon), text, buttons});
}

QMessageBox::StandardButton showPlainMessageBox(const QString& text, const QString& title) {
    return showMessage({QMessageBox::NoIcon, title, text, QMessageBox::Ok});
}

void beep() {
    if (beepHandler())
        beepHandler()();
    else
        QApplication::beep();
}

MessageHandler setMessageHandler(MessageHandler handler) {
    return std::exchange(messageHandler(), std::move(handler));
}

BeepHandler setBeepHandler(BeepHandler handler) {
    return std::exchange(beepHandler(), std::move(handler));
}

} // namespace tarvex
