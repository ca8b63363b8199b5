#include "store/RunRecord.h"

#include <array>
#include <utility>

namespace tarvex {

namespace {

constexpr std::array<std::pair<RunEnd, const char*>, 11> kKeys{{
    {RunEnd::Running, "running"},
    {RunEnd::LoadOff, "load off"},
    {RunEnd::MinimumVoltage, "minimum voltage"},
    {RunEnd::TimeLimit, "time limit"},
    {RunEnd::ChargeLimit, "charge limit"},
    {RunEnd::EnergyLimit, "energy limit"},
    {RunEnd::Silence, "silence"},
    {RunEnd::LinkLost, "link lost"},
    {RunEnd::Closed, "closed"},
    {RunEnd::PortChanged, "port changed"},
    {RunEnd::Unexpected, "ended unexpectedly"},
}};

} // namespace

QString runEndKey(RunEnd end) {
    for (const auto& [value, key] : kKeys)
        if (value == end)
            return QString::fromLatin1(key);
    return QString();
}

std::optional<RunEnd> runEndFromKey(const QString& key) {
    for (const auto& [value, text] : kKeys)
        if (key == QLatin1String(text))
            return value;
    return std::nullopt;
}

} // namespace tarvex
