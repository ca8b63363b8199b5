// A window timer with an enabled switch and an interval: it ticks on the
// window thread every interval() milliseconds while it is enabled and the
// interval is above zero. An interval of 0 stops the ticks (a bare QTimer
// would fire continuously); a later valid interval brings them back.
#pragma once

#include <QObject>
#include <QTimer>

namespace tarvex {

class WindowTimer : public QObject {
    Q_OBJECT
public:
    // Starts disabled.
    explicit WindowTimer(int interval, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    // Enabling a running timer leaves it undisturbed; enabling a stopped one
    // counts its first interval from now.
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    // A new interval takes effect at once and restarts the count.
    void setInterval(int interval);
    // True while ticks are actually scheduled.
    bool isTicking() const { return m_timer.isActive(); }

signals:
    // One tick. It is emitted inside guarded(): an exception that escapes a
    // slot connected directly (the default on the window thread) is shown by
    // the default exception display, and the timer goes on ticking.
    void timeout();

private:
    void reschedule();

    QTimer m_timer;
    int m_interval;
    bool m_enabled = false;
};

} // namespace tarvex
