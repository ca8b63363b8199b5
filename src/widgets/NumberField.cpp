#include "widgets/NumberField.h"

#include "errors/Errors.h"
#include "ui/MessageBoxes.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tarvex {

NumberField::NumberField(QWidget* parent) : EntryField(parent) {
    reform();
}

QString NumberField::valueText(double value) const {
    // + 0.0 turns a negative zero into zero.
    QString text = QString::number(value + 0.0, 'f', m_precision).trimmed();
    return text.replace(u'.', QLocale().decimalPoint()) + m_unitsText;
}

std::optional<double> NumberField::parseText(const QString& text) const {
    QString number = text;
    if (!m_unitsText.isEmpty())
        number.remove(m_unitsText, Qt::CaseInsensitive);
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = locale.toDouble(number, &ok);
    if (!ok && locale.decimalPoint() != QStringLiteral(".")) {
        // A point is taken as the decimal separator too.
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        value = c.toDouble(number, &ok);
    }
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void NumberField::setValue(double value) {
    storeValue(value, false);
}

void NumberField::setPrecision(int value) {
    value = std::max(value, 0);
    if (value == m_precision)
        return;
    m_precision = value;
    reform();
}

void NumberField::setUnitsText(const QString& value) {
    const QString units = value.trimmed().isEmpty() ? QString() : value;
    if (units == m_unitsText)
        return;
    m_unitsText = units;
    reform();
}

void NumberField::reform() {
    setAppliedText(valueText(m_value));
    setShownText(appliedText());
}

bool NumberField::autoFilterAdmits(QChar c) const {
    if (c == u'-' || (c >= u'0' && c <= u'9'))
        return true;
    if (m_precision != 0 && (c == u'.' || QString(c) == QLocale().decimalPoint()))
        return true;
    return m_unitsText.contains(c, Qt::CaseInsensitive);
}

int NumberField::numberLength() const {
    const QString shown = text();
    if (!m_unitsText.isEmpty() && shown.endsWith(m_unitsText, Qt::CaseInsensitive))
        return static_cast<int>(shown.size() - m_unitsText.size());
    return static_cast<int>(shown.size());
}

double NumberField::clamped(double value) const {
    if (m_maximum != 0 || m_minimum != 0) {
        if (value > m_maximum)
            value = m_maximum;
        if (value < m_minimum)
            value = m_minimum;
    }
    return value;
}

void NumberField::applyChangedText(bool byUser) {
    const std::optional<double> number = parseText(text());
    if (number) {
        storeValue(*number, byUser);
    } else if (m_undoOnError) {
        undo();
        if (beepOnError())
            beep();
    } else {
        throw ConversionError(
            QStringLiteral("'%1' is not a valid floating point value").arg(text()).toStdString());
    }
    setAppliedText(valueText(m_value));
    selectNumber();
}

void NumberField::storeValue(double value, bool byUser) {
    value = clamped(value);
    if (value != m_value) {
        bool canChange = true;
        if (byUser)
            emit valueAboutToBeEdited(m_value, &value, &canChange);
        if (canChange)
            emit valueAboutToChange(m_value, &value, &canChange);
        value = clamped(value);
        if (canChange && value != m_value) {
            m_value = value;
            reform();
            notifyAccessibleValue();
            emit valueChanged(m_value);
            if (byUser)
                emit valueEdited(m_value);
            return;
        }
    }
    // Unchanged or refused: the field shows the value it keeps.
    setShownText(valueText(m_value));
}

} // namespace tarvex
