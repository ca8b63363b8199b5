#include "run/CapacityTally.h"

#include <QCoreApplication>
#include <QLocale>

namespace tarvex {

namespace {

constexpr qint64 kMsPerDay = 86'400'000;

} // namespace

void CapacityTally::reset() {
    m_figures = RunFigures::withGapLimit(m_figures.gapLimit());
}

void CapacityTally::add(qint64 atMs, double amps, double watts) {
    m_figures.add(0, atMs, 0, amps, watts);
}

QString CapacityTally::text() const {
    return capacityText(ampHours(), wattHours());
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
