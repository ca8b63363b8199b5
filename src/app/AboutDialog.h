// The About window: the program's title, its version line, the maker's web
// address and logo. It holds no state; the control window's "About" button
// shows it modally with exec(), and OK, Enter or the close box end the
// showing (the window is only hidden, and can be shown again at once).
//
// Its parts are found by their object names: the lines "title", "version" and
// "address", the picture "logo", the groove "groove" and the button
// "okButton".
#pragma once

#include <QDialog>

namespace tarvex {

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace tarvex
