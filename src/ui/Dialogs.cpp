#include "ui/Dialogs.h"

#include <QApplication>
#include <QMessageBox>

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

QString TitleFor(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QStringLiteral("Warning");
    case TMsgDlgType::mtError:
        return QStringLiteral("Error");
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("Confirm");
    case TMsgDlgType::mtInformation:
    case TMsgDlgType::mtCustom:
        break;
    }
    return QStringLiteral("Information");
}

} // namespace

int ShowMessage(const MessageRequest& request) {
    if (messageHandler())
        return messageHandler()(request);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title);
    box.setText(request.text);
    switch (request.type) {
    case TMsgDlgType::mtWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TMsgDlgType::mtError:
        box.setIcon(QMessageBox::Critical);
        break;
    case TMsgDlgType::mtConfirmation:
        box.setIcon(QMessageBox::Question);
        break;
    case TMsgDlgType::mtInformation:
        box.setIcon(QMessageBox::Information);
        break;
    case TMsgDlgType::mtCustom:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    struct Pair {
        TMsgDlgBtn ours;
        QMessageBox::StandardButton qt;
        int result;
    };
    static const Pair pairs[] = {{mbYes, QMessageBox::Yes, mrYes},
                                 {mbNo, QMessageBox::No, mrNo},
                                 {mbOK, QMessageBox::Ok, mrOk},
                                 {mbCancel, QMessageBox::Cancel, mrCancel}};
    for (const Pair& p : pairs)
        if (request.buttons & p.ours)
            box.addButton(p.qt);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const Pair& p : pairs)
        if (pressed == p.qt)
            return p.result;
    return request.buttons & mbCancel ? mrCancel : mrNone;
}

QString ApplicationTitle() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("TarvexVol") : name;
}

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
    return ShowMessage({type, TitleFor(type), text, buttons});
}

int ShowMessageBox(const QString& text, const QString& title) {
    return ShowMessage({TMsgDlgType::mtCustom, title, text, mbOK});
}

void Beep() {
    if (beepHandler())
        beepHandler()();
    else
        QApplication::beep();
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    return std::exchange(messageHandler(), std::move(handler));
}

BeepHandler SetBeepHandler(BeepHandler handler) {
    return std::exchange(beepHandler(), std::move(handler));
}

} // namespace tarvex
