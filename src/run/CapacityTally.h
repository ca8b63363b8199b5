// The charge and energy drawn during a run: the readings' current and power
// integrated over their receive times by the trapezoid rule. Where readings
// stop coming for longer than the largest gap (a lost link, a silent load),
// nothing is added for the time without readings: the next reading starts a
// new stretch. The integration is the run's figures' own (store/RunFigures).
#pragma once

#include "store/RunFigures.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace tarvex {

class CapacityTally {
public:
    // maxGapMs: two readings further apart than this are not joined.
    explicit CapacityTally(qint64 maxGapMs = kDefaultMaxGapMs)
        : m_figures(RunFigures::withGapLimit(maxGapMs)) {}

    static constexpr qint64 kDefaultMaxGapMs = 5000;

    void setMaxGap(qint64 ms) { m_figures.setGapLimit(ms); }
    // Starts from nothing (Load ON).
    void reset();
    // Ends the present stretch: the next reading joins nothing before it.
    void breakStretch() { m_figures.breakStretch(); }
    // A reading received at atMs (a monotonic clock, milliseconds).
    void add(qint64 atMs, double amps, double watts);

    double ampHours() const { return m_figures.ampHours(); }
    double wattHours() const { return m_figures.wattHours(); }
    // "2.034 Ah 24.13 Wh"
    QString text() const;

private:
    RunFigures m_figures;
};

// "2.034 Ah 24.13 Wh" in the locale's numbers.
QString capacityText(double ampHours, double wattHours);

// The whole days of an elapsed time for the status bar ("+1 d"), empty below
// one day: the clock shows hours modulo 24.
QString elapsedDaysText(qint64 elapsedMs);

} // namespace tarvex
