#include "widgets/Application.h"

#include "widgets/Dialogs.h"

void ShowException(const std::exception& error) {
    ShowMessage({TMsgDlgType::mtError, ApplicationTitle(), QString::fromUtf8(error.what()), mbOK});
}

void ShowUnknownException() {
    ShowMessage(
        {TMsgDlgType::mtError, ApplicationTitle(), QStringLiteral("Unknown exception"), mbOK});
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
