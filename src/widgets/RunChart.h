// The control window's three strip charts: voltage, current and power of
// each reading, one point per reading.
#pragma once

namespace tarvex {

class LineSeries;
class StripChart;

enum class RunChart { Voltage, Current, Power };

// Sets chart up as one of the control window's run charts, 384 × 155 pixels:
//   Voltage: object name "voltageChart", title "Vol-Run chart", left axis 0 to
//            360 without ticks, series "VolChart";
//   Current: "currentChart", "Cur-Run Chart", 0 to 4, series "CurChart";
//   Power:   "powerChart", "Pow-Run Chart", 0 to 200, series "PowChart";
// titles in "MS Serif" 11 px blue, fixed left axis ending at 98 % of the plot
// height, red 1-pixel line. The window places the charts itself. Returns the
// chart's series, to which each reading's value is appended.
LineSeries& configureRunChart(StripChart& chart, RunChart which);

} // namespace tarvex
