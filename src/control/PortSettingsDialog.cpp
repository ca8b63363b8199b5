#include "control/PortSettingsDialog.h"

#include "errors/Errors.h"
#include "run/PollInterval.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>
#include <limits>

namespace tarvex {

int parseInteger(const QString& text) {
    const auto fail = [&text]() -> int {
        throw ConversionError(
            PortSettingsDialog::tr("'%1' is not a valid integer value").arg(text).toStdString());
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

// Com1 to Com4 lead the port list; the devices present follow.
constexpr int kNamedPorts = 4;

QLabel* makeLabel(const QString& text, QWidget* parent, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// An entry with its caption: the caption's text is its accessible name and
// the caption's mnemonic buddy.
QLineEdit* makeEdit(const QString& text, const QString& name, QLabel* caption, QWidget* parent,
                    QRect geometry) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setAccessibleName(caption->text());
    caption->setBuddy(edit);
    return edit;
}

QComboBox* makeCombo(const QStringList& items, const QString& text, const QString& name,
                     QLabel* caption, QWidget* parent, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setEditText(text);
    combo->setGeometry(geometry);
    combo->setAccessibleName(caption->text());
    caption->setBuddy(combo);
    return combo;
}

} // namespace

PortSettingsDialog::PortSettingsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("portSettingsDialog"));
    setWindowTitle(tr("Com Setting"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The window's outer size is 321 x 283; the frame takes 8 x 30 of it.
    setFixedSize(313, 253);

    auto* optionsGroup = new QGroupBox(tr("Com Options"), this);
    optionsGroup->setObjectName(QStringLiteral("optionsGroup"));
    optionsGroup->setGeometry(8, 6, 297, 118);
    QLabel* portCaption = makeLabel(tr("Comm Port"), optionsGroup, 12, 26);
    m_portBox = makeCombo({QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                           QStringLiteral("Com4")},
                          QStringLiteral("Com1"), QStringLiteral("portBox"), portCaption,
                          optionsGroup, {76, 22, 73, 22});
    QLabel* baudCaption = makeLabel(tr("Baud Rate"), optionsGroup, 12, 56);
    m_baudRateBox = makeCombo({QStringLiteral("4800"), QStringLiteral("9600"),
                               QStringLiteral("19200"), QStringLiteral("38400")},
                              QStringLiteral("9600"), QStringLiteral("baudRateBox"), baudCaption,
                              optionsGroup, {76, 52, 73, 22});
    QLabel* dataBitsCaption = makeLabel(tr("Data Bits"), optionsGroup, 164, 26);
    m_dataBitsEdit = makeEdit(QStringLiteral("8"), QStringLiteral("dataBitsEdit"), dataBitsCaption,
                              optionsGroup, {222, 22, 61, 22});
    QLabel* parityCaption = makeLabel(tr("Parity"), optionsGroup, 164, 56);
    m_parityEdit = makeEdit(QStringLiteral("0"), QStringLiteral("parityEdit"), parityCaption,
                            optionsGroup, {222, 52, 61, 22});
    QLabel* stopBitsCaption = makeLabel(tr("Stop Bits"), optionsGroup, 12, 86);
    m_stopBitsEdit = makeEdit(QStringLiteral("0"), QStringLiteral("stopBitsEdit"), stopBitsCaption,
                              optionsGroup, {76, 82, 73, 22});
    for (QLineEdit* fixed : {m_dataBitsEdit, m_parityEdit, m_stopBitsEdit})
        fixed->setEnabled(false);

    auto* intervalGroup = new QGroupBox(tr("Interval"), this);
    intervalGroup->setObjectName(QStringLiteral("intervalGroup"));
    intervalGroup->setGeometry(8, 130, 297, 70);
    QLabel* intervalCaption = makeLabel(tr("Send-frequency"), intervalGroup, 12, 26);
    m_intervalEdit = makeEdit(QStringLiteral("200"), QStringLiteral("intervalEdit"),
                              intervalCaption, intervalGroup, {112, 22, 80, 22});
    makeLabel(tr("(ms)"), intervalGroup, 198, 26);
    m_intervalWarning = new QLabel(intervalGroup);
    m_intervalWarning->setObjectName(QStringLiteral("intervalWarning"));
    m_intervalWarning->setGeometry(12, 48, 277, 16);
    QPalette warningPalette = m_intervalWarning->palette();
    warningPalette.setColor(QPalette::WindowText, Qt::red);
    m_intervalWarning->setPalette(warningPalette);

    m_okButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setGeometry(64, 208, 80, 27);
    m_okButton->setDefault(true);
    m_okButton->setAccessibleName(m_okButton->text());
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    m_cancelButton =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setGeometry(170, 208, 80, 27);
    m_cancelButton->setAccessibleName(m_cancelButton->text());
    // Escape rejects the dialog (QDialog's own key handling).
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    connect(m_intervalEdit, &QLineEdit::textChanged, this,
            &PortSettingsDialog::updateIntervalWarning);
    connect(m_baudRateBox, &QComboBox::currentTextChanged, this,
            &PortSettingsDialog::updateIntervalWarning);
    updateIntervalWarning();

    setTabOrder(m_portBox, m_baudRateBox);
    setTabOrder(m_baudRateBox, m_intervalEdit);
    setTabOrder(m_intervalEdit, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
}

PortSettingsEntries PortSettingsDialog::entries() const {
    return {m_portBox->currentText(), m_baudRateBox->currentText(), m_dataBitsEdit->text(),
            m_parityEdit->text(),     m_stopBitsEdit->text(),       m_intervalEdit->text()};
}

QString PortSettingsDialog::baudRateText() const {
    return m_baudRateBox->currentText();
}

int PortSettingsDialog::portListPosition() const {
    return m_portBox->findText(m_portBox->currentText(),
                               Qt::MatchExactly | Qt::MatchCaseSensitive) +
           1;
}

void PortSettingsDialog::setPortName(const QString& name) {
    selectPortEntry(name);
}

// Selects the entry equal to text, or none, and leaves text in the box as it
// was (choosing no entry would clear it).
void PortSettingsDialog::selectPortEntry(const QString& text) {
    const QSignalBlocker blocker(m_portBox);
    m_portBox->setCurrentIndex(
        m_portBox->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (m_portBox->currentText() != text)
        m_portBox->setEditText(text);
}

void PortSettingsDialog::updateIntervalWarning() {
    // Texts that are no integer are told at OK; only integers are judged
    // here, read as OK reads them.
    int interval = 0;
    quint32 baud = 0;
    try {
        interval = parseInteger(m_intervalEdit->text());
        baud = static_cast<quint32>(std::max(parseInteger(m_baudRateBox->currentText()), 0));
    } catch (const ConversionError&) {
        baud = 0;
    }
    const QString warning = baud > 0 ? pollIntervalWarning(interval, baud) : QString();
    m_intervalWarning->setText(warning);
    // Not there at all for assistive technology while there is nothing to say.
    m_intervalWarning->setHidden(warning.isEmpty());
    m_intervalWarning->setToolTip(warning.isEmpty() ? QString() : pollingRefusal(interval, baud));
    m_intervalWarning->setAccessibleName(warning);
    // Assistive technology reads it with the interval, too.
    m_intervalEdit->setAccessibleDescription(warning);
}

void PortSettingsDialog::setDeviceEnumerator(DeviceEnumerator enumerator) {
    m_deviceEnumerator = std::move(enumerator);
}

void PortSettingsDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        refreshPortList();
    QDialog::showEvent(event);
}

void PortSettingsDialog::refreshPortList() {
    const QList<SerialDevice> devices =
        m_deviceEnumerator ? m_deviceEnumerator() : serialDevicesPresent();
    // The text the operator sees stays, whatever the list becomes.
    const QString text = m_portBox->currentText();
    {
        const QSignalBlocker blocker(m_portBox);
        while (m_portBox->count() > kNamedPorts)
            m_portBox->removeItem(m_portBox->count() - 1);
        for (const SerialDevice& device : devices) {
            m_portBox->addItem(device.path());
            m_portBox->setItemData(m_portBox->count() - 1, device.toolTip(), Qt::ToolTipRole);
        }
    }
    selectPortEntry(text);
    // The list opens as wide as its longest path; the box keeps its size.
    const QFontMetrics metrics(m_portBox->view()->font());
    int widest = 0;
    for (int i = 0; i < m_portBox->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(m_portBox->itemText(i)));
    m_portBox->view()->setMinimumWidth(widest + 2 * metrics.averageCharWidth() +
                                       style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

} // namespace tarvex
