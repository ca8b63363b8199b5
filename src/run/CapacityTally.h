// The charge and energy drawn during a run: the readings' current and power
// integrated over their receive times by the trapezoid rule. Where readings
// stop coming for longer than the largest gap (a lost link, a silent load),
// nothing is added for the time without readings: the next reading starts a
// new stretch.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace tarvex {

class CapacityTally {
public:
    // maxGapMs: two readings further apart than this are not joined.
    explicit CapacityTally(qint64 maxGapMs = kDefaultMaxGapMs) : m_maxGapMs(maxGapMs) {}

    static constexpr qint64 kDefaultMaxGapMs = 5000;

    void setMaxGap(qint64 ms) { m_maxGapMs = ms; }
    // Starts from nothing (Load ON).
    void reset();
    // Ends the present stretch: the next reading joins nothing before it.
    void breakStretch() { m_last.reset(); }
    // A reading received at atMs (a monotonic clock, milliseconds).
    void add(qint64 atMs, double amps, double watts);

    double ampHours() const { return m_ampHours; }
    double wattHours() const { return m_wattHours; }
    // "2.034 Ah 24.13 Wh"
    QString text() const;

private:
    struct Point {
        qint64 atMs;
        double amps;
        double watts;
    };
    qint64 m_maxGapMs;
    std::optional<Point> m_last;
    double m_ampHours = 0;
    double m_wattHours = 0;
};

// "2.034 Ah 24.13 Wh" in the locale's numbers.
QString capacityText(double ampHours, double wattHours);

// The whole days of an elapsed time for the status bar ("+1 d"), empty below
// one day: the clock shows hours modulo 24.
QString elapsedDaysText(qint64 elapsedMs);

} // namespace tarvex
