// The chart of runs side by side: the voltage of up to twenty runs overlaid,
// against the charge drawn or against the time since each run started.
#pragma once

#include "widgets/ChartPanel.h"

#include <QColor>
#include <QString>

#include <limits>
#include <memory>
#include <vector>

namespace tarvex {

class ColumnExtents;

// What the bottom axis of an overlay chart shows.
enum class OverlayAxis { Charge, Time };

// One run as the overlay chart draws it: a reading per index, its voltage
// against two x values. x values never decrease along a run; a NaN voltage
// is a gap in the readings, which the line does not bridge.
struct OverlaySeries {
    // Shown in the legend, with the run's charge.
    QString label;
    // The run's charge in Ah for the legend; NaN takes the last charge value.
    double ampHours = std::numeric_limits<double>::quiet_NaN();
    // Charge drawn since the run started at each reading, in Ah.
    std::vector<double> chargeAh;
    // Time since the run started at each reading, in seconds.
    std::vector<double> elapsedSeconds;
    // Voltage at each reading, in V.
    std::vector<float> volts;
};

// The unit the time axis is labelled in: seconds for runs up to ten minutes
// long, minutes up to ten hours, hours beyond.
struct TimeUnit {
    double seconds = 1; // of one unit
    QString symbol;     // "s", "min", "h"
};
TimeUnit timeAxisUnit(double longestSeconds);

// The legend's text of a run: "cell A — 2.034 Ah" (three decimals, in
// QLocale()'s separators); the label alone when the charge is not finite,
// the charge alone without a label.
QString overlayLegendText(const QString& label, double ampHours);

// The colours of the runs, in the order they are given: twenty colours apart
// from each other and from the grid's grey, each standing out from white at
// 3:1 or more so that the lines read on the screen and on paper. The first
// ones are the most distinct.
constexpr int kOverlayColorCount = 20;
QColor overlayColor(int index); // index modulo kOverlayColorCount

// A chart panel (see ChartPanel: zoom, scroll, wheel and the picture menu)
// that overlays the voltage of up to kOverlayColorCount runs, each in its
// colour, with a legend right of the plot: a stroke of each run's colour and
// overlayLegendText(). The left axis ("Voltage / V") follows the voltages of
// all runs with a little room above and below; the bottom axis shows either
// the charge drawn ("Charge drawn / Ah") or the time since each run started
// ("Elapsed time / min", in timeAxisUnit() of the longest run), from the
// smallest to the largest x value of all runs; setXAxis() switches between
// them and shows all. Each pixel column finds each run's readings in it by
// halving the run's x values and their extent in the run's min/max pyramid,
// so a repaint costs the same at any number of readings.
//
// The panel is white, lines are 2 pixels wide; the chart takes the keyboard
// focus (Tab or a click), shows it with a focus frame and opens its menu at
// the Menu key or Shift+F10. Its accessible name is its title; its
// accessible description lists the legend.
class OverlayChart : public ChartPanel {
    Q_OBJECT

public:
    explicit OverlayChart(QWidget* parent = nullptr);
    ~OverlayChart() override;

    // Adds a run, drawn in overlayColor(seriesCount()) on top of those added
    // before, and returns its index; returns -1, adding nothing, when the
    // chart holds kOverlayColorCount runs already. The voltages are kept as
    // floats in a pyramid, the x values as they are. An x array shorter than
    // the voltages is continued with its last value (0 when empty), a longer
    // one is cut; a NaN x value, or one below the value before it, is taken
    // as the value before it (the first finite value for the first), so that
    // x never decreases.
    int addSeries(OverlaySeries series);
    // Removes every run and shows all.
    void clearSeries();
    int seriesCount() const { return int(m_series.size()); }
    QString seriesLabel(int index) const;
    // The charge the legend shows for a run.
    double seriesAmpHours(int index) const;
    QColor seriesColor(int index) const { return overlayColor(index); }

    OverlayAxis xAxis() const { return m_xAxis; }
    void setXAxis(OverlayAxis axis);
    // The time axis' unit for the runs held.
    TimeUnit timeUnit() const { return m_timeUnit; }

    QSize sizeHint() const override { return {800, 500}; }
    QSize minimumSizeHint() const override { return {320, 200}; }

protected:
    bool hasPoints() const override;
    std::pair<double, double> bottomExtent() const override;
    std::pair<double, double> pointsLeftRange() const override;
    bool canZoom() const override;
    double minimumViewWidth() const override;
    int bottomColumn(double value, int firstColumn, int lastColumn) const override;
    double bottomValueAt(double column, int firstColumn, int lastColumn) const override;
    void paintLines(QPainter& painter, const DevicePlot& plot) override;
    int legendWidth(int plotHeight) const override;
    void paintLegend(QPainter& painter, const QRect& area) const override;

private:
    struct Series;
    struct LegendLayout;
    LegendLayout legendLayout(int plotHeight) const;
    // The bottom axis' values shown: the zoomed view, or all of them.
    std::pair<double, double> shownRange() const;
    // x in the bottom axis' units is x[i] * xFactor().
    double xFactor() const;
    const std::vector<double>& xValues(const Series& series) const;
    void seriesChanged();

    std::vector<std::unique_ptr<Series>> m_series;
    OverlayAxis m_xAxis = OverlayAxis::Charge;
    TimeUnit m_timeUnit;
};

} // namespace tarvex
