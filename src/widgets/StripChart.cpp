#include "widgets/StripChart.h"

#include "widgets/ChartScale.h"

#include <algorithm>
#include <cmath>

namespace tarvex {

void LineSeries::setColor(const QColor& color) {
    m_color = color;
    m_chart.update();
}

std::size_t LineSeries::append(double value) {
    m_values.append(float(value));
    m_chart.pointsChanged();
    return m_values.count() - 1;
}

StripChart::StripChart(QWidget* parent)
    : ChartPanel(parent), m_series(new LineSeries(*this)), m_columnExtents(new ColumnExtents) {
    setBottomAxis(ChartAxis{});      // x values are point numbers: labels step by 1 at least
    setFocusPolicy(Qt::StrongFocus); // its menu and its zoom from the keyboard too
}

StripChart::~StripChart() = default;

bool StripChart::hasPoints() const {
    return m_series->count() > 0;
}

std::pair<double, double> StripChart::bottomExtent() const {
    return {0, double(std::max<std::int64_t>(std::int64_t(m_series->count()) - 1, 0))};
}

std::pair<double, double> StripChart::pointsLeftRange() const {
    const auto& values = m_series->values();
    const MinMax extent = values.extent(0, values.count());
    if (extent.isEmpty() || !std::isfinite(extent.min) || !std::isfinite(extent.max))
        return {0, 0};
    return {extent.min, extent.max};
}

bool StripChart::canZoom() const {
    return m_series->count() >= 2;
}

IndexColumns StripChart::layoutOf(int firstColumn, int lastColumn) const {
    const auto count = std::int64_t(m_series->count());
    if (const auto view = zoomedView())
        return IndexColumns(count, firstColumn, lastColumn, view->first, view->last);
    return IndexColumns(count, firstColumn, lastColumn);
}

int StripChart::bottomColumn(double value, int firstColumn, int lastColumn) const {
    return layoutOf(firstColumn, lastColumn).column(std::llround(value));
}

double StripChart::bottomValueAt(double column, int firstColumn, int lastColumn) const {
    return layoutOf(firstColumn, lastColumn).indexAt(column);
}

void StripChart::paintLines(QPainter& painter, const DevicePlot& plot) {
    // In a zoomed view the line comes in from the nearest drawn point left of
    // the plot and goes on to the nearest one right of it.
    paintLine(painter, plot, m_series->values(), layoutOf(plot.firstColumn, plot.lastColumn),
              *m_columnExtents, m_series->color(), LineGaps::Joined);
}

} // namespace tarvex
