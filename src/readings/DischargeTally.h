// The charge and energy a run has delivered, reading by reading: current and
// power integrated by the trapezoid rule over the readings' times since Load
// ON. Two readings more than three poll intervals apart (the load silent, the
// link lost) are not joined: nothing is counted for the time between them,
// as the run's own figures count it.
#pragma once

#include "store/RunRecord.h"

namespace tarvex {

class DischargeTally {
public:
    // pollIntervalMs <= 0 joins every two readings.
    explicit DischargeTally(int pollIntervalMs);

    // Two readings further apart than this many poll intervals are not joined.
    static constexpr qint64 kGapIntervals = 3;

    // Counts reading, the next of the run; returns whether it was joined to
    // the one before (false for the first).
    bool add(const RunReading& reading);

    double ampHours() const { return m_ampHours; }
    double wattHours() const { return m_wattHours; }

private:
    qint64 m_maxGapMs;
    bool m_any = false;
    RunReading m_last;
    double m_ampHours = 0;
    double m_wattHours = 0;
};

} // namespace tarvex
