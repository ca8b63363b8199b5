// The program's modal message boxes and system beep, behind a seam that tests
// replace so that they can answer boxes and count beeps without a person.
#pragma once

#include <QString>

#include <functional>

namespace tarvex {

// mtCustom is a plain box without an icon.
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned { mbYes = 1u, mbNo = 2u, mbOK = 4u, mbCancel = 8u };
using TMsgDlgButtons = unsigned;

// Results of modal showings and message boxes.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

struct MessageRequest {
    TMsgDlgType type = TMsgDlgType::mtInformation;
    QString title;
    QString text;
    TMsgDlgButtons buttons = mbOK;
};

// Shows any box; every function below goes through here.
int ShowMessage(const MessageRequest& request);

// The application's title, used by plain message boxes.
QString ApplicationTitle();

// A modal box of the given kind, titled by its kind ("Warning", "Error",
// "Information", "Confirm"), with the given buttons. Returns a TModalResult.
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons);

// A plain box with an OK button and the given title.
int ShowMessageBox(const QString& text, const QString& title);

// The system beep.
void Beep();

// Test seams. A handler set here answers every box instead of a person and
// returns the button pressed; an empty handler restores the real boxes.
// Each setter returns the handler it replaces.
using MessageHandler = std::function<int(const MessageRequest&)>;
MessageHandler SetMessageHandler(MessageHandler handler);
using BeepHandler = std::function<void()>;
BeepHandler SetBeepHandler(BeepHandler handler);

} // namespace tarvex
