// The numeric entry field: the operator types a number, which becomes the
// field's Value when applied (Enter, the popup's "Apply", leaving the field).
// Until then Value keeps the last applied number.
#pragma once

#include "widgets/iEditCustom.h"

#include <functional>
#include <optional>

namespace tarvex {

// Asked before Value changes: may alter newValue or clear canChange.
using TOnBeforeChangeDouble =
    std::function<void(QObject* sender, double oldValue, double& newValue, bool& canChange)>;

class TiAnalogOutput : public TiEditCustom {
    Q_OBJECT

public:
    explicit TiAnalogOutput(QWidget* parent = nullptr);

    // The last applied value, exactly as parsed (not cut to Precision).
    // Writing it applies a value as the program, not the operator, would.
    double Value() const { return FValue; }
    void SetValue(double value);

    // Decimals shown; at least 0. Changing it, or UnitsText, re-forms the
    // text of the present value.
    int Precision() const { return FPrecision; }
    void SetPrecision(int value);
    // Applied values are clamped to [ValueMin, ValueMax] while either is
    // non-zero.
    double ValueMax() const { return FValueMax; }
    void SetValueMax(double value) { FValueMax = value; }
    double ValueMin() const { return FValueMin; }
    void SetValueMin(double value) { FValueMin = value; }
    // Appended to the number; a blank-only text is stored as empty.
    QString UnitsText() const { return FUnitsText; }
    void SetUnitsText(const QString& value);
    // An entry that is not a number is undone (true) or throws ConversionError
    // (false).
    bool UndoOnError() const { return FUndoOnError; }
    void SetUndoOnError(bool value) { FUndoOnError = value; }

    // The shown text of a value: fixed point with Precision decimals and the
    // decimal separator of QLocale(), followed by UnitsText.
    QString ValueText(double value) const;
    // The number in an operator's text, UnitsText removed; nullopt when it is
    // not a finite number.
    std::optional<double> ParseText(const QString& text) const;

    // Asked before an operator's change, then before any change.
    TOnBeforeChangeDouble OnBeforeUserChange;
    TOnBeforeChangeDouble OnBeforeChange;

signals:
    // Value changed; OnChangeUser only when the operator changed it.
    void OnChange();
    void OnChangeUser();

protected:
    bool AutoFilterAdmits(QChar c) const override;
    int NumberLength() const override;
    void ApplyChangedText(bool byUser) override;

private:
    double Clamped(double value) const;
    // Shown and applied text become the text of Value.
    void Reform();
    void StoreValue(double value, bool byUser);

    double FValue = 0;
    int FPrecision = 1;
    double FValueMax = 0;
    double FValueMin = 0;
    QString FUnitsText;
    bool FUndoOnError = true;
};

} // namespace tarvex
