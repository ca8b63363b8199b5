// A window timer with the Enabled/Interval pair of the form toolkit: it ticks
// on the window thread every Interval milliseconds while Enabled is true and
// Interval is above zero. An Interval of 0 stops the ticks (a bare QTimer
// would fire continuously); a later valid Interval brings them back.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace tarvex {

class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(int interval, QObject* owner = nullptr);

    bool Enabled() const { return enabled_; }
    // Enabling a running timer leaves it undisturbed; enabling a stopped one
    // counts its first interval from now.
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    // A new interval takes effect at once and restarts the count.
    void SetInterval(int interval);
    // True while ticks are actually scheduled.
    bool IsTicking() const { return timer_.isActive(); }

    std::function<void()> OnTimer;

private:
    void Update();

    QTimer timer_;
    int interval_;
    bool enabled_ = false;
};

} // namespace tarvex
