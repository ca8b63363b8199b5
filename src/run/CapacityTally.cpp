#include "run/CapacityTally.h"

#include <QCoreApplication>
#include <QLocale>

namespace tarvex {

namespace {

constexpr double kMsPerHour = 3'600'000.0;
constexpr qint64 kMsPerDay = 86'400'000;

} // namespace

void CapacityTally::reset() {
    m_last.reset();
    m_ampHours = 0;
    m_wattHours = 0;
}

void CapacityTally::add(qint64 atMs, double amps, double watts) {
    if (m_last && atMs >= m_last->atMs && atMs - m_last->atMs <= m_maxGapMs) {
        const double hours = double(atMs - m_last->atMs) / kMsPerHour;
        m_ampHours += (m_last->amps + amps) / 2 * hours;
        m_wattHours += (m_last->watts + watts) / 2 * hours;
    }
    m_last = Point{atMs, amps, watts};
}

QString CapacityTally::text() const {
    return capacityText(m_ampHours, m_wattHours);
}

QString capacityText(double ampHours, double wattHours) {
    const QLocale locale;
    return QCoreApplication::translate("CapacityTally", "%1 Ah %2 Wh")
        .arg(locale.toString(ampHours, 'f', 3), locale.toString(wattHours, 'f', 2));
}

QString elapsedDaysText(qint64 elapsedMs) {
    const qint64 days = elapsedMs / kMsPerDay;
    return days >= 1 ? QCoreApplication::translate("CapacityTally", "+%1 d").arg(days) : QString();
}

} // namespace tarvex
