#include "widgets/iAnalogOutput.h"

#include "ui/MessageBoxes.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tarvex {

TiAnalogOutput::TiAnalogOutput(QWidget* parent) : TiEditCustom(parent) {
    Reform();
}

QString TiAnalogOutput::ValueText(double value) const {
    // + 0.0 turns a negative zero into zero.
    QString text = QString::number(value + 0.0, 'f', FPrecision).trimmed();
    return text.replace(u'.', QLocale().decimalPoint()) + FUnitsText;
}

std::optional<double> TiAnalogOutput::ParseText(const QString& text) const {
    QString number = text;
    if (!FUnitsText.isEmpty())
        number.remove(FUnitsText, Qt::CaseInsensitive);
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

void TiAnalogOutput::SetValue(double value) {
    StoreValue(value, false);
}

void TiAnalogOutput::SetPrecision(int value) {
    value = std::max(value, 0);
    if (value == FPrecision)
        return;
    FPrecision = value;
    Reform();
}

void TiAnalogOutput::SetUnitsText(const QString& value) {
    const QString units = value.trimmed().isEmpty() ? QString() : value;
    if (units == FUnitsText)
        return;
    FUnitsText = units;
    Reform();
}

void TiAnalogOutput::Reform() {
    SetAppliedText(ValueText(FValue));
    SetShownText(AppliedText());
}

bool TiAnalogOutput::AutoFilterAdmits(QChar c) const {
    if (c == u'-' || (c >= u'0' && c <= u'9'))
        return true;
    if (FPrecision != 0 && (c == u'.' || QString(c) == QLocale().decimalPoint()))
        return true;
    return FUnitsText.contains(c, Qt::CaseInsensitive);
}

int TiAnalogOutput::NumberLength() const {
    const QString text = Text();
    if (!FUnitsText.isEmpty() && text.endsWith(FUnitsText, Qt::CaseInsensitive))
        return static_cast<int>(text.size() - FUnitsText.size());
    return static_cast<int>(text.size());
}

double TiAnalogOutput::Clamped(double value) const {
    if (FValueMax != 0 || FValueMin != 0) {
        if (value > FValueMax)
            value = FValueMax;
        if (value < FValueMin)
            value = FValueMin;
    }
    return value;
}

void TiAnalogOutput::ApplyChangedText(bool byUser) {
    const std::optional<double> number = ParseText(Text());
    if (number) {
        StoreValue(*number, byUser);
    } else if (FUndoOnError) {
        Undo();
        if (BeepOnError())
            beep();
    } else {
        throw ConversionError(
            QStringLiteral("'%1' is not a valid floating point value").arg(Text()).toStdString());
    }
    SetAppliedText(ValueText(FValue));
    SelectNumber();
}

void TiAnalogOutput::StoreValue(double value, bool byUser) {
    value = Clamped(value);
    if (value != FValue) {
        bool canChange = true;
        if (byUser && OnBeforeUserChange)
            OnBeforeUserChange(this, FValue, value, canChange);
        if (canChange && OnBeforeChange)
            OnBeforeChange(this, FValue, value, canChange);
        value = Clamped(value);
        if (canChange && value != FValue) {
            FValue = value;
            Reform();
            NotifyAccessibleValue();
            emit OnChange();
            if (byUser)
                emit OnChangeUser();
            return;
        }
    }
    // Unchanged or refused: the field shows the value it keeps.
    SetShownText(ValueText(FValue));
}

} // namespace tarvex
