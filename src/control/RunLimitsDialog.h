// The limits and the label of the next runs: beside the minimum voltage, a
// run may stop at an elapsed time, a charge (Ah) or an energy (Wh), whichever
// comes first; each is optional (its check box arms it). The label names the
// cell under test. The dialog only holds the entries; the control window
// reads them after OK. Created once and hidden between showings.
#pragma once

#include "store/RunRecord.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace tarvex {

// "Limits: 2 h 30 min, 1.500 Ah, 20.00 Wh" for the armed limits, in the
// locale's numbers; empty when none is armed.
QString armedLimitsText(const RunLimits& limits);
// "time limit (2 h 30 min)", "charge limit (1.500 Ah)", "energy limit
// (20.00 Wh)": the limit that ended a run, for the operator.
QString limitReachedText(RunEnd which, const RunLimits& limits);

class RunLimitsDialog : public QDialog {
    Q_OBJECT
public:
    explicit RunLimitsDialog(QWidget* parent = nullptr);

    // The entries shown.
    void setEntries(const RunLimits& limits, const QString& label);
    // What the entries say: a limit whose box is ticked, the label trimmed.
    RunLimits limits() const;
    QString label() const;

private:
    void updateEnabled();

    QCheckBox* m_timeBox;
    QSpinBox* m_hoursField;
    QSpinBox* m_minutesField;
    QCheckBox* m_chargeBox;
    QDoubleSpinBox* m_chargeField;
    QCheckBox* m_energyBox;
    QDoubleSpinBox* m_energyField;
    QLineEdit* m_labelField;
};

} // namespace tarvex
