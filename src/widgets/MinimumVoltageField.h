// The operator's minimum voltage, in volts: a line edit whose text becomes
// value() only when it is applied.
//
// - Enter applies the text and selects it. Leaving the field for another
//   control of its window applies it too; the focus going to a popup menu
//   (the field's own context menu among them) or to another window is no
//   leaving, and the typed text waits there unapplied.
// - Escape and Ctrl+Z bring back the text of the applied value, selected.
// - Applying a text that is not a finite number undoes it without a word:
//   the value stays as it was.
// - Typed characters are filtered: "-", the digits, "." and the locale's
//   decimal separator get through, anything else is dropped. A character
//   typed while the text already holds six characters (a selection counts:
//   it is not replaced) sounds the beep and is dropped. Pasted text is not
//   filtered; Qt cuts it to six characters, or to the length of the value's
//   text where that is longer (1000.00).
// - A double click selects the whole number.
// - The value is shown with two decimals and the locale's decimal separator,
//   starting at 0.01.
//
// Window thread only.
#pragma once

#include <QLineEdit>

namespace tarvex {

class MinimumVoltageField : public QLineEdit {
    Q_OBJECT

public:
    explicit MinimumVoltageField(QWidget* parent = nullptr);

    // The last applied value, exactly as parsed: 2.567 is shown as 2.57.
    double value() const { return m_value; }
    // Applies a value as the program, not the operator, does: the text shows
    // it, and valueChanged() follows when it differs.
    void setValue(double volts);

    // The text of the last applied value.
    QString appliedText() const { return m_appliedText; }

signals:
    // The applied value changed (by the operator or by setValue()).
    void valueChanged(double volts);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Applies the shown text; the text then shows the value (the applied one
    // again when the text was not a number).
    void apply();
    // Shows the applied text again, selected.
    void restore();
    void store(double volts);
    // Sets the shown text, the caret at its end.
    void showText(const QString& shown);

    double m_value = 0.01;
    QString m_appliedText;
};

} // namespace tarvex
