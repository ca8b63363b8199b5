#include "ui/Timer.h"

#include "ui/Application.h"

namespace tarvex {

TTimer::TTimer(int interval, QObject* owner) : QObject(owner), interval_(interval) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (OnTimer)
            Guarded(OnTimer);
    });
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Update();
}

void TTimer::SetInterval(int interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    timer_.stop();
    Update();
}

void TTimer::Update() {
    if (enabled_ && interval_ > 0) {
        if (!timer_.isActive())
            timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

} // namespace tarvex
