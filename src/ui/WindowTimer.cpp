#include "ui/WindowTimer.h"

#include "ui/Application.h"

namespace tarvex {

WindowTimer::WindowTimer(int interval, QObject* parent) : QObject(parent), m_interval(interval) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { guarded([this] { emit timeout(); }); });
}

void WindowTimer::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    reschedule();
}

void WindowTimer::setInterval(int interval) {
    if (interval == m_interval)
        return;
    m_interval = interval;
    m_timer.stop();
    reschedule();
}

void WindowTimer::reschedule() {
    if (m_enabled && m_interval > 0) {
        if (!m_timer.isActive())
            m_timer.start(m_interval);
    } else {
        m_timer.stop();
    }
}

} // namespace tarvex
