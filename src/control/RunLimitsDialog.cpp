#include "control/RunLimitsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QStringList>

namespace tarvex {

namespace {

constexpr qint64 kMsPerMinute = 60'000;

QString durationText(qint64 ms) {
    const qint64 minutes = ms / kMsPerMinute;
    const qint64 hours = minutes / 60;
    if (hours == 0)
        return RunLimitsDialog::tr("%1 min").arg(minutes);
    if (minutes % 60 == 0)
        return RunLimitsDialog::tr("%1 h").arg(hours);
    return RunLimitsDialog::tr("%1 h %2 min").arg(hours).arg(minutes % 60);
}

QString ampHoursText(double ah) {
    return QLocale().toString(ah, 'f', 3) + RunLimitsDialog::tr(" Ah");
}

QString wattHoursText(double wh) {
    return QLocale().toString(wh, 'f', 2) + RunLimitsDialog::tr(" Wh");
}

// A check box that arms a limit, named as its caption for every reader.
QCheckBox* makeBox(QWidget* parent, const QString& name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setAccessibleName(caption);
    return box;
}

} // namespace

QString armedLimitsText(const RunLimits& limits) {
    QStringList armed;
    if (limits.maxElapsedMs)
        armed << durationText(*limits.maxElapsedMs);
    if (limits.maxAmpHours)
        armed << ampHoursText(*limits.maxAmpHours);
    if (limits.maxWattHours)
        armed << wattHoursText(*limits.maxWattHours);
    return armed.isEmpty()
               ? QString()
               : RunLimitsDialog::tr("Limits: %1").arg(armed.join(RunLimitsDialog::tr(", ")));
}

QString limitReachedText(RunEnd which, const RunLimits& limits) {
    switch (which) {
    case RunEnd::TimeLimit:
        return RunLimitsDialog::tr("time limit (%1)")
            .arg(durationText(limits.maxElapsedMs.value_or(0)));
    case RunEnd::ChargeLimit:
        return RunLimitsDialog::tr("charge limit (%1)")
            .arg(ampHoursText(limits.maxAmpHours.value_or(0)));
    case RunEnd::EnergyLimit:
        return RunLimitsDialog::tr("energy limit (%1)")
            .arg(wattHoursText(limits.maxWattHours.value_or(0)));
    default:
        return runEndKey(which);
    }
}

RunLimitsDialog::RunLimitsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("runLimitsDialog"));
    setWindowTitle(tr("Limits"));
    setModal(true);

    m_timeBox = makeBox(this, QStringLiteral("timeBox"), tr("Time limit"));
    m_hoursField = new QSpinBox(this);
    m_hoursField->setObjectName(QStringLiteral("hoursField"));
    m_hoursField->setRange(0, 9999);
    m_hoursField->setSuffix(tr(" h"));
    m_hoursField->setAccessibleName(tr("Time limit hours"));
    m_minutesField = new QSpinBox(this);
    m_minutesField->setObjectName(QStringLiteral("minutesField"));
    m_minutesField->setRange(0, 59);
    m_minutesField->setSuffix(tr(" min"));
    m_minutesField->setAccessibleName(tr("Time limit minutes"));
    auto* time = new QHBoxLayout;
    time->addWidget(m_hoursField);
    time->addWidget(m_minutesField);

    m_chargeBox = makeBox(this, QStringLiteral("chargeBox"), tr("Charge limit"));
    m_chargeField = new QDoubleSpinBox(this);
    m_chargeField->setObjectName(QStringLiteral("chargeField"));
    m_chargeField->setDecimals(3);
    m_chargeField->setRange(0.001, 100000);
    m_chargeField->setValue(1);
    m_chargeField->setSuffix(tr(" Ah"));
    m_chargeField->setAccessibleName(tr("Charge limit"));

    m_energyBox = makeBox(this, QStringLiteral("energyBox"), tr("Energy limit"));
    m_energyField = new QDoubleSpinBox(this);
    m_energyField->setObjectName(QStringLiteral("energyField"));
    m_energyField->setDecimals(2);
    m_energyField->setRange(0.01, 10000000);
    m_energyField->setValue(10);
    m_energyField->setSuffix(tr(" Wh"));
    m_energyField->setAccessibleName(tr("Energy limit"));

    m_labelField = new QLineEdit(this);
    m_labelField->setObjectName(QStringLiteral("labelField"));
    m_labelField->setMaxLength(255);
    m_labelField->setAccessibleName(tr("Label"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(m_timeBox, time);
    form->addRow(m_chargeBox, m_chargeField);
    form->addRow(m_energyBox, m_energyField);
    auto* labelCaption = new QLabel(tr("&Label"), this);
    labelCaption->setBuddy(m_labelField);
    form->addRow(labelCaption, m_labelField);
    form->addRow(buttons);

    for (QCheckBox* box : {m_timeBox, m_chargeBox, m_energyBox})
        connect(box, &QCheckBox::toggled, this, &RunLimitsDialog::updateEnabled);
    m_hoursField->setValue(1);
    updateEnabled();
}

void RunLimitsDialog::updateEnabled() {
    m_hoursField->setEnabled(m_timeBox->isChecked());
    m_minutesField->setEnabled(m_timeBox->isChecked());
    m_chargeField->setEnabled(m_chargeBox->isChecked());
    m_energyField->setEnabled(m_energyBox->isChecked());
}

void RunLimitsDialog::setEntries(const RunLimits& limits, const QString& label) {
    m_timeBox->setChecked(limits.maxElapsedMs.has_value());
    if (limits.maxElapsedMs) {
        const qint64 minutes = *limits.maxElapsedMs / kMsPerMinute;
        m_hoursField->setValue(static_cast<int>(minutes / 60));
        m_minutesField->setValue(static_cast<int>(minutes % 60));
    }
    m_chargeBox->setChecked(limits.maxAmpHours.has_value());
    if (limits.maxAmpHours)
        m_chargeField->setValue(*limits.maxAmpHours);
    m_energyBox->setChecked(limits.maxWattHours.has_value());
    if (limits.maxWattHours)
        m_energyField->setValue(*limits.maxWattHours);
    m_labelField->setText(label);
    updateEnabled();
}

RunLimits RunLimitsDialog::limits() const {
    RunLimits limits;
    const qint64 minutes = qint64(m_hoursField->value()) * 60 + m_minutesField->value();
    // A time limit of nothing would end every run at its first reading.
    if (m_timeBox->isChecked() && minutes > 0)
        limits.maxElapsedMs = minutes * kMsPerMinute;
    if (m_chargeBox->isChecked())
        limits.maxAmpHours = m_chargeField->value();
    if (m_energyBox->isChecked())
        limits.maxWattHours = m_energyField->value();
    return limits;
}

QString RunLimitsDialog::label() const {
    return m_labelField->text().trimmed();
}

} // namespace tarvex
