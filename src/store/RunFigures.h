// The figures of a run, kept up to date reading by reading: how many readings,
// the first and last row, the voltage at the start, at the end and at its
// lowest, and the charge and energy drawn.
//
// Charge and energy integrate the readings' current and power by the
// trapezoid rule over their time since Load ON. Two readings further apart
// than gapLimitMs() (three poll intervals: silence, a lost link) are not
// joined; the time between them is counted as uncounted instead. The run's
// tally (run/CapacityTally) and the store (ReadingStore, also when it
// recomputes a run from its stored readings) use this one class, so the two
// agree to the last bit.
//
// Constant work per reading. Not thread-safe; a plain value.
#pragma once

#include "store/RunRecord.h"

#include <QtGlobal>

#include <optional>

namespace tarvex {

class RunFigures {
public:
    // Readings further apart than this are not joined: three poll
    // intervals; an interval of 0 or less joins every reading.
    static qint64 gapLimitMs(int pollIntervalMs);

    RunFigures() = default;
    explicit RunFigures(int pollIntervalMs) : m_gapLimitMs(gapLimitMs(pollIntervalMs)) {}
    // Figures whose readings are joined up to gapLimitMs apart.
    static RunFigures withGapLimit(qint64 gapLimitMs) {
        RunFigures f;
        f.m_gapLimitMs = gapLimitMs;
        return f;
    }
    void setGapLimit(qint64 ms) { m_gapLimitMs = ms; }

    // The figures as a record holds them, the last reading (for the next
    // trapezoid) given apart: nothing when it is not known (the next reading
    // then starts a new stretch).
    struct Point {
        qint64 elapsedMs = 0;
        double amps = 0;
        double watts = 0;
    };
    static RunFigures of(const RunRecord& record, std::optional<Point> last);

    // A reading stored as row id, taken elapsedMs after Load ON.
    void add(qint64 id, qint64 elapsedMs, double volts, double amps, double watts);
    // Ends the present stretch: the next reading joins nothing before it,
    // and the time up to it is not counted as uncounted either.
    void breakStretch() { m_last.reset(); }

    // Writes the figures into record (readings, first and last ID, Ah, Wh,
    // start, end and lowest volts, uncounted time).
    void applyTo(RunRecord& record) const;

    int readings() const { return m_readings; }
    qint64 firstId() const { return m_firstId; }
    qint64 lastId() const { return m_lastId; }
    double ampHours() const { return m_ampHours; }
    double wattHours() const { return m_wattHours; }
    double startVolts() const { return m_startVolts; }
    double endVolts() const { return m_endVolts; }
    double lowestVolts() const { return m_lowestVolts; }
    qint64 uncountedMs() const { return m_uncountedMs; }
    qint64 gapLimit() const { return m_gapLimitMs; }
    const std::optional<Point>& last() const { return m_last; }

private:
    qint64 m_gapLimitMs = gapLimitMs(0);
    int m_readings = 0;
    qint64 m_firstId = -1;
    qint64 m_lastId = -1;
    double m_ampHours = 0;
    double m_wattHours = 0;
    double m_startVolts = 0;
    double m_endVolts = 0;
    double m_lowestVolts = 0;
    qint64 m_uncountedMs = 0;
    std::optional<Point> m_last;
};

} // namespace tarvex
