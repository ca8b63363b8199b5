#include "control/Setfrm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <limits>

namespace tarvex {

int StrToInt(const QString& text) {
    const auto fail = [&text]() -> int {
        throw ConversionError(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    };
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return fail();
    long long value = 0;
    for (; i < text.size(); ++i) {
        const int digit = text[i].isDigit() && text[i].unicode() < 128
                              ? text[i].unicode() - '0'
                              : (base == 16 && QStringLiteral("abcdef").contains(text[i].toLower())
                                     ? text[i].toLower().unicode() - 'a' + 10
                                     : -1);
        if (digit < 0)
            return fail();
        value = value * base + digit;
        if (value > 0x100000000LL)
            return fail();
    }
    if (negative)
        value = -value;
    // Hexadecimal texts may spell the full 32-bit pattern, as the runtime allows.
    if (base == 16 && !negative && value <= 0xFFFFFFFFLL)
        return static_cast<int>(static_cast<unsigned>(value));
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return fail();
    return static_cast<int>(value);
}

namespace {

QLabel* MakeLabel(const QString& text, QWidget* parent, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* MakeEdit(const QString& text, const QString& name, QWidget* parent, QRect geometry) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(geometry);
    edit->setAccessibleName(name);
    return edit;
}

QComboBox* MakeCombo(const QStringList& items, const QString& text, const QString& name,
                     QWidget* parent, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setEditText(text);
    combo->setGeometry(geometry);
    combo->setAccessibleName(name);
    return combo;
}

} // namespace

TComSet::TComSet(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ComSet"));
    setWindowTitle(QStringLiteral("Com Setting"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The window's outer size is 321 x 283; the frame takes 8 x 30 of it.
    setFixedSize(313, 253);

    GroupBox1 = new QGroupBox(QStringLiteral("Com Options"), this);
    GroupBox1->setGeometry(8, 6, 297, 118);
    Label1 = MakeLabel(QStringLiteral("Comm Port"), GroupBox1, 12, 26);
    ComboBox1 = MakeCombo({QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                           QStringLiteral("Com4")},
                          QStringLiteral("Com1"), Label1->text(), GroupBox1, {76, 22, 73, 22});
    Label2 = MakeLabel(QStringLiteral("Baud Rate"), GroupBox1, 12, 56);
    ComboBox2 = MakeCombo({QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                           QStringLiteral("38400")},
                          QStringLiteral("9600"), Label2->text(), GroupBox1, {76, 52, 73, 22});
    Label3 = MakeLabel(QStringLiteral("Data Bits"), GroupBox1, 164, 26);
    Edit1 = MakeEdit(QStringLiteral("8"), Label3->text(), GroupBox1, {222, 22, 61, 22});
    Label4 = MakeLabel(QStringLiteral("Parity"), GroupBox1, 164, 56);
    Edit2 = MakeEdit(QStringLiteral("0"), Label4->text(), GroupBox1, {222, 52, 61, 22});
    Label5 = MakeLabel(QStringLiteral("Stop Bits"), GroupBox1, 12, 86);
    Edit3 = MakeEdit(QStringLiteral("0"), Label5->text(), GroupBox1, {76, 82, 73, 22});
    for (QLineEdit* fixed : {Edit1, Edit2, Edit3})
        fixed->setEnabled(false);

    GroupBox2 = new QGroupBox(QStringLiteral("Interval"), this);
    GroupBox2->setGeometry(8, 130, 297, 62);
    Label6 = MakeLabel(QStringLiteral("Send-frequency"), GroupBox2, 12, 30);
    Edit4 = MakeEdit(QStringLiteral("200"), Label6->text(), GroupBox2, {112, 26, 80, 22});
    Label7 = MakeLabel(QStringLiteral("(ms)"), GroupBox2, 198, 30);
    Label1->setBuddy(ComboBox1);
    Label2->setBuddy(ComboBox2);
    Label6->setBuddy(Edit4);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setGeometry(64, 208, 80, 27);
    BitBtn1->setDefault(true);
    BitBtn1->setAccessibleName(BitBtn1->text());
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(170, 208, 80, 27);
    BitBtn2->setAccessibleName(BitBtn2->text());
    // Escape rejects the dialog (QDialog's own key handling).
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this](int index) { FPortIndex = index; });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { FPortIndex = -1; });

    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, Edit4);
    setTabOrder(Edit4, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

PortSettings TComSet::Settings() const {
    return {ComboBox1->currentText(),
            ComboBox2->currentText(),
            Edit1->text(),
            Edit2->text(),
            Edit3->text(),
            Edit4->text()};
}

} // namespace tarvex
