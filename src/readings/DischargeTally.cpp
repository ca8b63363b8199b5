#include "readings/DischargeTally.h"

#include <limits>

namespace tarvex {

namespace {

constexpr double kMsPerHour = 3'600'000.0;

} // namespace

DischargeTally::DischargeTally(int pollIntervalMs)
    : m_maxGapMs(pollIntervalMs > 0 ? kGapIntervals * pollIntervalMs
                                    : std::numeric_limits<qint64>::max()) {}

bool DischargeTally::add(const RunReading& reading) {
    bool joined = false;
    if (m_any) {
        const qint64 gap = reading.elapsedMs - m_last.elapsedMs;
        if (gap >= 0 && gap <= m_maxGapMs) {
            const double hours = double(gap) / kMsPerHour;
            m_ampHours += (m_last.amps + reading.amps) / 2 * hours;
            m_wattHours += (m_last.watts + reading.watts) / 2 * hours;
            joined = true;
        }
    }
    m_any = true;
    m_last = reading;
    return joined;
}

} // namespace tarvex
