// The numeric entry field: the operator types a number, which becomes the
// field's value() when applied (Enter, the popup's "Apply", leaving the
// field). Until then value() keeps the last applied number.
#pragma once

#include "widgets/EntryField.h"

#include <optional>

namespace tarvex {

class NumberField : public EntryField {
    Q_OBJECT

public:
    explicit NumberField(QWidget* parent = nullptr);

    // The last applied value, exactly as parsed (not cut to precision()).
    // Setting it applies a value as the program, not the operator, would.
    double value() const { return m_value; }
    void setValue(double value);

    // Decimals shown; at least 0. Changing it, or unitsText(), re-forms the
    // text of the present value.
    int precision() const { return m_precision; }
    void setPrecision(int value);
    // Applied values are clamped to [minimum(), maximum()] while either is
    // non-zero; both 0 (the default) is no limit.
    double maximum() const { return m_maximum; }
    void setMaximum(double value) { m_maximum = value; }
    double minimum() const { return m_minimum; }
    void setMinimum(double value) { m_minimum = value; }
    // Appended to the number; a blank-only text is stored as empty.
    QString unitsText() const { return m_unitsText; }
    void setUnitsText(const QString& value);
    // An entry that is not a number is undone (true) or throws ConversionError
    // (false).
    bool undoOnError() const { return m_undoOnError; }
    void setUndoOnError(bool value) { m_undoOnError = value; }

    // The shown text of a value: fixed point with precision() decimals and
    // the decimal separator of QLocale(), followed by unitsText().
    QString valueText(double value) const;
    // The number in an operator's text, unitsText() removed; nullopt when it
    // is not a finite number.
    std::optional<double> parseText(const QString& text) const;

signals:
    // Asked before a new value (already clamped) is stored: first
    // valueAboutToBeEdited() when the operator applied it, then
    // valueAboutToChange() for any change. A slot may alter *newValue (it is
    // clamped again) or set *canChange to false to refuse the change; the
    // answer is read when the emission returns, so connect on the field's
    // thread with a direct connection (the default there).
    void valueAboutToBeEdited(double oldValue, double* newValue, bool* canChange);
    void valueAboutToChange(double oldValue, double* newValue, bool* canChange);
    // The value changed; valueEdited() follows only when the operator
    // changed it.
    void valueChanged(double value);
    void valueEdited(double value);

protected:
    bool autoFilterAdmits(QChar c) const override;
    int numberLength() const override;
    void applyChangedText(bool byUser) override;

private:
    double clamped(double value) const;
    // Shown and applied text become the text of value().
    void reform();
    void storeValue(double value, bool byUser);

    double m_value = 0;
    int m_precision = 1;
    double m_maximum = 0;
    double m_minimum = 0;
    QString m_unitsText;
    bool m_undoOnError = true;
};

} // namespace tarvex
