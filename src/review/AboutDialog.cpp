#include "review/AboutDialog.h"

#include "review/Pictures.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace tarvex {

namespace {

// A line of text at (x, y), 19 pixels high and as wide as its text.
QLabel* MakeLine(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(QFont(QStringLiteral("MS Serif"), 12));
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    label->setGeometry(x, y, label->width(), 19);
    return label;
}

} // namespace

TAbout::TAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The window's outer size is 292 x 231; the frame takes 8 x 30 of it.
    setFixedSize(284, 201);
    move(303, 200);

    Label1 = MakeLine(this, QStringLiteral("Label1"), QStringLiteral("Tarvex Value-Chart"), 88, 8);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(4, 45, 81, 51);
    // Drawn at twice the size and stretched into the box.
    Image1->setPixmap(LogoPicture(QSize(162, 102)));
    Image1->setScaledContents(true);
    Image1->setAccessibleName(QStringLiteral("Tarvex logo"));

    Label2 = MakeLine(this, QStringLiteral("Label2"), QStringLiteral("TarvexVol Code:2.0"), 89, 63);
    Label3 = MakeLine(this, QStringLiteral("Label3"), QStringLiteral("www.example.com"), 90, 111);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 153, 284, 4);
    // Both bevels lowered: a groove across the window.
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);

    BitBtn1 = new QPushButton(CheckMarkPicture(), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(192, 168, 81, 28);
    BitBtn1->setAccessibleName(BitBtn1->text());
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace tarvex
