#include "widgets/MinimumVoltageField.h"

#include "ui/MessageBoxes.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tarvex {

namespace {

constexpr int kDecimals = 2;
constexpr int kMaxLength = 6;

bool admitted(QChar c) {
    return c == u'-' || (c >= u'0' && c <= u'9') || c == u'.' ||
           QString(c) == QLocale().decimalPoint();
}

// A popup menu or another window taking the focus for a while is no leaving
// or entering of the field.
bool isPassing(Qt::FocusReason reason) {
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

// The shown text of a value: two decimals, the locale's decimal separator.
QString textOf(double volts) {
    // Not QLocale::toString(): no group separators. + 0.0 turns a negative
    // zero into zero.
    return QString::number(volts + 0.0, 'f', kDecimals).replace(u'.', QLocale().decimalPoint());
}

// The number in an operator's text, with the locale's decimal separator or a
// point (group separators refused); nullopt when it is not a finite number.
std::optional<double> parse(const QString& text) {
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = locale.toDouble(text, &ok);
    if (!ok && locale.decimalPoint() != QStringLiteral(".")) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        value = c.toDouble(text, &ok);
    }
    // QLocale takes "nan" and "inf"; neither is a voltage.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

MinimumVoltageField::MinimumVoltageField(QWidget* parent) : QLineEdit(parent) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);
    m_appliedText = textOf(m_value);
    showText(m_appliedText);
}

void MinimumVoltageField::setValue(double volts) {
    store(volts);
}

void MinimumVoltageField::apply() {
    if (text() == m_appliedText)
        return;
    if (const std::optional<double> volts = parse(text()))
        store(*volts);
    else
        showText(m_appliedText);
}

void MinimumVoltageField::restore() {
    showText(m_appliedText);
    selectAll();
}

void MinimumVoltageField::showText(const QString& shown) {
    // Qt's limit cuts any text set, so it makes room for a value's text
    // longer than six characters (1000.00) and comes back with a shorter one.
    const int limit = std::max(kMaxLength, static_cast<int>(shown.size()));
    if (limit > maxLength())
        setMaxLength(limit);
    setText(shown);
    if (limit < maxLength())
        setMaxLength(limit);
}

void MinimumVoltageField::store(double volts) {
    const bool changed = volts != m_value;
    m_value = volts;
    m_appliedText = textOf(volts);
    showText(m_appliedText);
    if (changed)
        emit valueChanged(volts);
}

void MinimumVoltageField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        apply();
        selectAll();
        return;
    case Qt::Key_Escape:
        restore();
        return;
    default:
        break;
    }
    if (event->matches(QKeySequence::Undo)) {
        restore();
        return;
    }
    const QString typed = event->text();
    const bool character = !typed.isEmpty() && typed.front().isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (character) {
        for (QChar c : typed)
            if (!admitted(c))
                return;
        if (text().size() >= kMaxLength) {
            beep();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void MinimumVoltageField::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    // The whole number, not the word of it that Qt would take ("12" of
    // "12.34"): the operator double-clicks to type a new value over it.
    if (event->button() == Qt::LeftButton)
        selectAll();
}

void MinimumVoltageField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!isPassing(event->reason()))
        selectAll();
}

void MinimumVoltageField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!isPassing(event->reason()))
        apply();
}

} // namespace tarvex
