#include "ui/OperationProgress.h"

#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace tarvex {

namespace {

std::optional<int> delayOverride;

} // namespace

void OperationProgress::setDelayOverride(std::optional<int> delayMs) {
    delayOverride = delayMs;
}

OperationProgress::OperationProgress(QWidget* parent, const QString& label, int maximum,
                                     int delayMs, Cancel cancel)
    : m_dialog(std::make_unique<QProgressDialog>(parent)) {
    m_dialog->setObjectName(QStringLiteral("progress"));
    m_dialog->setWindowTitle(applicationTitle());
    m_dialog->setLabelText(label);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    if (cancel == Cancel::NotOffered) {
        m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    }
    m_dialog->setRange(0, std::max(0, maximum));
    m_dialog->setMinimumDuration(delayOverride.value_or(delayMs));
    // The dialog's clock starts here; it shows itself once the delay has
    // passed while events are served.
    m_dialog->setValue(0);
}

OperationProgress::~OperationProgress() = default;

bool OperationProgress::advance(int value) {
    if (value != m_dialog->value() && value <= m_dialog->maximum())
        m_dialog->setValue(value);
    serveEvents();
    return !m_dialog->wasCanceled();
}

void OperationProgress::serveEvents() {
    // Input reaches only a dialog that shows (it is modal); before that the
    // operator's input waits for the end of the operation.
    QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents
                                                          : QEventLoop::ExcludeUserInputEvents);
}

bool OperationProgress::wasCancelled() const {
    return m_dialog->wasCanceled();
}

bool OperationProgress::isShown() const {
    return m_dialog->isVisible();
}

void OperationProgress::setMaximum(int maximum) {
    m_dialog->setMaximum(std::max(0, maximum));
}

void OperationProgress::setLabel(const QString& label) {
    m_dialog->setLabelText(label);
}

} // namespace tarvex
