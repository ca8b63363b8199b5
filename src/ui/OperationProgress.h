// The progress of a long operation of a window (deleting the stored
// readings, printing the report, exporting it): a progress dialog over the
// window that appears only once the operation has run for a while, and the
// serving of what arrives on the window thread meanwhile.
//
// Used on the window thread, by an operation that runs there in steps: after
// every step it calls advance(). Until the dialog shows, the operator's input
// waits (only timers, repaints and queued calls are served); once it shows it
// is modal over its window, so the operator can reach only its Cancel button.
#pragma once

#include <QString>

#include <memory>
#include <optional>

class QProgressDialog;
class QWidget;

namespace tarvex {

class OperationProgress {
public:
    enum class Cancel { Offered, NotOffered };

    // A dialog over parent with label and a bar from 0 to maximum, shown once
    // the operation has taken longer than delayMs (and is not about to end).
    // Without Cancel it cannot be closed either.
    OperationProgress(QWidget* parent, const QString& label, int maximum, int delayMs,
                      Cancel cancel);
    ~OperationProgress();
    OperationProgress(const OperationProgress&) = delete;
    OperationProgress& operator=(const OperationProgress&) = delete;

    // Records that value of maximum is done, and serves what has arrived on
    // the window thread. Returns false once the operator has cancelled.
    bool advance(int value);
    // Serves what has arrived without recording progress.
    void serveEvents();
    bool wasCancelled() const;
    bool isShown() const;
    void setMaximum(int maximum);
    void setLabel(const QString& label);

    // Test seam: when set, every progress dialog uses this delay instead of
    // its own (0 shows each one at once); std::nullopt restores the delays.
    static void setDelayOverride(std::optional<int> delayMs);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace tarvex
