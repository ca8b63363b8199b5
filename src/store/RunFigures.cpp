#include "store/RunFigures.h"

#include <algorithm>
#include <limits>

namespace tarvex {

namespace {

constexpr double kMsPerHour = 3'600'000.0;

} // namespace

qint64 RunFigures::gapLimitMs(int pollIntervalMs) {
    return pollIntervalMs > 0 ? 3 * qint64(pollIntervalMs) : std::numeric_limits<qint64>::max();
}

RunFigures RunFigures::of(const RunRecord& record, std::optional<Point> last) {
    RunFigures f(record.pollIntervalMs);
    f.m_readings = record.readings;
    f.m_firstId = record.firstId;
    f.m_lastId = record.lastId;
    f.m_ampHours = record.ampHours;
    f.m_wattHours = record.wattHours;
    f.m_startVolts = record.startVolts;
    f.m_endVolts = record.endVolts;
    f.m_lowestVolts = record.lowestVolts;
    f.m_uncountedMs = record.uncountedMs;
    f.m_last = last;
    return f;
}

void RunFigures::add(qint64 id, qint64 elapsedMs, double volts, double amps, double watts) {
    if (m_last) {
        const qint64 step = elapsedMs - m_last->elapsedMs;
        if (step >= 0 && step <= m_gapLimitMs) {
            const double hours = double(step) / kMsPerHour;
            m_ampHours += (m_last->amps + amps) / 2 * hours;
            m_wattHours += (m_last->watts + watts) / 2 * hours;
        } else if (step > 0) {
            m_uncountedMs += step;
        }
    }
    m_last = Point{elapsedMs, amps, watts};
    if (m_readings == 0) {
        m_firstId = id;
        m_startVolts = volts;
        m_lowestVolts = volts;
    }
    ++m_readings;
    m_lastId = id;
    m_endVolts = volts;
    m_lowestVolts = std::min(m_lowestVolts, volts);
}

void RunFigures::applyTo(RunRecord& record) const {
    record.readings = m_readings;
    record.firstId = m_firstId;
    record.lastId = m_lastId;
    record.ampHours = m_ampHours;
    record.wattHours = m_wattHours;
    record.startVolts = m_startVolts;
    record.endVolts = m_endVolts;
    record.lowestVolts = m_lowestVolts;
    record.uncountedMs = m_uncountedMs;
}

} // namespace tarvex
