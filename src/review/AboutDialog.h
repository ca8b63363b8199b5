// The About window: the program's title, its version line, the maker's web
// address and logo. It holds no state; the control window's "About" button
// shows it modally with exec(), and OK, Enter or the close box end the
// showing (the window is only hidden, and can be shown again at once).
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace tarvex {

class TAbout : public QDialog {
    Q_OBJECT

public:
    explicit TAbout(QWidget* parent = nullptr);

    QLabel* Label1;       // title
    QLabel* Image1;       // logo
    QLabel* Label2;       // version line
    QLabel* Label3;       // web address, plain text
    QFrame* Panel1;       // groove across the window
    QPushButton* BitBtn1; // OK
};

} // namespace tarvex
