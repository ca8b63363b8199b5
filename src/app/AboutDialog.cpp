#include "app/AboutDialog.h"

#include "ui/Pictures.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace tarvex {

namespace {

// A line of text at (x, y), 19 pixels high and as wide as its text.
QLabel* makeLine(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(QFont(QStringLiteral("MS Serif"), 12));
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    label->setGeometry(x, y, label->width(), 19);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(tr("About"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The window's outer size is 292 x 231; the frame takes 8 x 30 of it.
    setFixedSize(284, 201);
    move(303, 200);

    makeLine(this, QStringLiteral("title"), tr("Tarvex Value-Chart"), 88, 8);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setGeometry(4, 45, 81, 51);
    // Drawn at twice the size and stretched into the box.
    logo->setPixmap(logoPicture(QSize(162, 102)));
    logo->setScaledContents(true);
    logo->setAccessibleName(tr("Tarvex logo"));

    makeLine(this, QStringLiteral("version"), tr("TarvexVol Code:2.0"), 89, 63);
    makeLine(this, QStringLiteral("address"), QStringLiteral("www.example.com"), 90, 111);

    auto* groove = new QFrame(this);
    groove->setObjectName(QStringLiteral("groove"));
    groove->setGeometry(0, 153, 284, 4);
    // Both bevels lowered: a groove across the window.
    groove->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    groove->setLineWidth(2);

    auto* okButton = new QPushButton(checkMarkPicture(), tr("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(192, 168, 81, 28);
    okButton->setAccessibleName(okButton->text());
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace tarvex
