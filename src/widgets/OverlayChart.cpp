#include "widgets/OverlayChart.h"

#include "widgets/ChartScale.h"
#include "widgets/MinMaxPyramid.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPalette>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarvex {

namespace {

// Chosen for distance in CIEDE2000 from each other and from the grid's grey
// (at least 17 between any two, at least 19 among the first seven), with a
// contrast of 3:1 or more against white.
constexpr QRgb kColors[kOverlayColorCount] = {
    0x1f5ac3, // blue
    0xd21e1e, // red
    0x008c00, // green
    0x000000, // black
    0xe000d8, // magenta
    0xe86400, // orange
    0x7800b4, // violet
    0x5a4b00, // olive brown
    0x005a4b, // dark teal
    0xa59600, // mustard
    0x00a596, // teal
    0x87003c, // wine
    0xd27887, // rose
    0x0096e1, // sky blue
    0x9687e1, // lavender
    0x875a87, // mauve
    0x782d00, // rust
    0x96694b, // tan
    0x1e7887, // petrol
    0x2d5a0f, // forest green
};

constexpr int kSwatchWidth = 18; // the stroke of a run's colour in the legend
constexpr int kSwatchGap = 5;    // between the stroke and the text
constexpr int kLegendColumnGap = 12;
constexpr int kLegendRowSpacing = 3;
constexpr int kLegendTextLimit = 260; // texts are shortened beyond this width
// The legend takes at most this part of the chart's width.
constexpr double kLegendShare = 0.45;
// The left axis' room above and below the voltages, as a part of their range.
constexpr double kLeftPadding = 0.04;
// ...and when all voltages are the same.
constexpr double kFlatPadding = 0.05;
// The narrowest view of the bottom axis, in its units: wide enough for the
// labels' three decimals to tell two labels apart.
constexpr double kMinimumViewWidth = 0.002;

// x values as the chart keeps them: as many as count, never decreasing, all
// finite.
std::vector<double> nonDecreasing(std::vector<double> x, std::size_t count) {
    if (x.size() > count)
        x.resize(count);
    const auto firstFinite =
        std::find_if(x.begin(), x.end(), [](double value) { return std::isfinite(value); });
    double previous = firstFinite != x.end() ? *firstFinite : 0;
    for (double& value : x) {
        if (!std::isfinite(value) || value < previous)
            value = previous;
        previous = value;
    }
    x.resize(count, previous);
    return x;
}

} // namespace

TimeUnit timeAxisUnit(double longestSeconds) {
    if (longestSeconds <= 600)
        return {1, QStringLiteral("s")};
    if (longestSeconds <= 36000)
        return {60, QStringLiteral("min")};
    return {3600, QStringLiteral("h")};
}

QString overlayLegendText(const QString& label, double ampHours) {
    if (!std::isfinite(ampHours))
        return label;
    double rounded = std::round(ampHours * 1000) / 1000;
    if (rounded == 0)
        rounded = 0; // no "-0.000"
    const QString charge = QLocale().toString(rounded, 'f', 3) + OverlayChart::tr(" Ah");
    return label.isEmpty() ? charge : label + QStringLiteral(" — ") + charge;
}

QColor overlayColor(int index) {
    const int wrapped = ((index % kOverlayColorCount) + kOverlayColorCount) % kOverlayColorCount;
    return QColor::fromRgb(kColors[wrapped]);
}

struct OverlayChart::Series {
    QString label;
    double ampHours = 0;
    std::vector<double> chargeAh;
    std::vector<double> elapsedSeconds;
    MinMaxPyramid volts;
    // The line's columns as of the last repaint.
    ColumnExtents extents;

    std::size_t count() const { return volts.count(); }
};

struct OverlayChart::LegendLayout {
    int rowHeight = 0;
    int rowsPerColumn = 1;
    int columns = 0;
    int textWidth = 0;
    int width() const {
        return columns > 0 ? columns * (kSwatchWidth + kSwatchGap + textWidth) +
                                 (columns - 1) * kLegendColumnGap
                           : 0;
    }
};

OverlayChart::OverlayChart(QWidget* parent) : ChartPanel(parent) {
    // A white sheet with black text, as on paper.
    QPalette sheet = palette();
    sheet.setColor(QPalette::Window, Qt::white);
    sheet.setColor(QPalette::WindowText, Qt::black);
    setPalette(sheet);
    QFont title = font();
    title.setBold(true);
    if (title.pointSizeF() > 0)
        title.setPointSizeF(title.pointSizeF() * 1.2);
    else
        title.setPixelSize(int(std::lround(title.pixelSize() * 1.2)));
    setTitleFont(title);
    setTitleColor(Qt::black);
    setLabelFont(font());
    setLineWidth(2);
    ChartAxis left;
    left.title = tr("Voltage / V");
    setLeftAxis(left);
    setFocusPolicy(Qt::StrongFocus);
    seriesChanged();
}

OverlayChart::~OverlayChart() = default;

int OverlayChart::addSeries(OverlaySeries series) {
    if (seriesCount() >= kOverlayColorCount)
        return -1;
    auto kept = std::make_unique<Series>();
    const std::size_t count = series.volts.size();
    kept->label = series.label;
    kept->chargeAh = nonDecreasing(std::move(series.chargeAh), count);
    kept->elapsedSeconds = nonDecreasing(std::move(series.elapsedSeconds), count);
    for (float value : series.volts)
        kept->volts.append(value);
    kept->ampHours = std::isfinite(series.ampHours) ? series.ampHours
                     : count > 0                    ? kept->chargeAh.back()
                                                    : series.ampHours;
    m_series.push_back(std::move(kept));
    seriesChanged();
    return seriesCount() - 1;
}

void OverlayChart::clearSeries() {
    m_series.clear();
    seriesChanged();
    showAll();
}

QString OverlayChart::seriesLabel(int index) const {
    return m_series.at(std::size_t(index))->label;
}

double OverlayChart::seriesAmpHours(int index) const {
    return m_series.at(std::size_t(index))->ampHours;
}

void OverlayChart::setXAxis(OverlayAxis axis) {
    if (axis == m_xAxis)
        return;
    m_xAxis = axis;
    seriesChanged();
    showAll(); // a view in the other axis' units means nothing here
}

void OverlayChart::seriesChanged() {
    double longest = 0;
    for (const auto& series : m_series) {
        if (series->count() > 0)
            longest = std::max(longest, series->elapsedSeconds.back());
    }
    const TimeUnit unit = timeAxisUnit(longest);
    const bool unitChanged = unit.seconds != m_timeUnit.seconds;
    m_timeUnit = unit;

    ChartAxis bottom = bottomAxis();
    bottom.title = m_xAxis == OverlayAxis::Charge ? tr("Charge drawn / Ah")
                                                  : tr("Elapsed time / %1").arg(m_timeUnit.symbol);
    setBottomAxis(bottom);

    QStringList legend;
    for (const auto& series : m_series)
        legend << overlayLegendText(series->label, series->ampHours);
    setAccessibleDescription(legend.join(QLatin1Char('\n')));

    layoutChanged();
    if (unitChanged && m_xAxis == OverlayAxis::Time)
        showAll();
    else
        pointsChanged();
}

double OverlayChart::xFactor() const {
    return m_xAxis == OverlayAxis::Charge ? 1 : 1 / m_timeUnit.seconds;
}

const std::vector<double>& OverlayChart::xValues(const Series& series) const {
    return m_xAxis == OverlayAxis::Charge ? series.chargeAh : series.elapsedSeconds;
}

bool OverlayChart::hasPoints() const {
    return std::any_of(m_series.begin(), m_series.end(),
                       [](const auto& series) { return series->count() > 0; });
}

std::pair<double, double> OverlayChart::bottomExtent() const {
    double first = 0;
    double last = 0;
    bool any = false;
    for (const auto& series : m_series) {
        if (series->count() == 0)
            continue;
        const std::vector<double>& x = xValues(*series);
        first = any ? std::min(first, x.front()) : x.front();
        last = any ? std::max(last, x.back()) : x.back();
        any = true;
    }
    return {first * xFactor(), last * xFactor()};
}

std::pair<double, double> OverlayChart::pointsLeftRange() const {
    MinMax all;
    for (const auto& series : m_series) {
        const MinMax extent = series->volts.extent(0, series->count());
        if (std::isfinite(extent.min) && std::isfinite(extent.max))
            all.add(extent);
    }
    if (all.isEmpty())
        return {0, 0};
    const double range = double(all.max) - double(all.min);
    const double padding = range > 0 ? range * kLeftPadding : kFlatPadding;
    return {all.min - padding, all.max + padding};
}

bool OverlayChart::canZoom() const {
    const auto [first, last] = bottomExtent();
    return hasPoints() && last > first;
}

double OverlayChart::minimumViewWidth() const {
    return kMinimumViewWidth;
}

std::pair<double, double> OverlayChart::shownRange() const {
    if (const auto view = zoomedView())
        return {view->first, view->last};
    return bottomExtent();
}

int OverlayChart::bottomColumn(double value, int firstColumn, int lastColumn) const {
    const auto [first, last] = shownRange();
    return HorizontalScale(firstColumn, lastColumn, first, last).column(value);
}

double OverlayChart::bottomValueAt(double column, int firstColumn, int lastColumn) const {
    const auto [first, last] = shownRange();
    return HorizontalScale(firstColumn, lastColumn, first, last).value(column);
}

void OverlayChart::paintLines(QPainter& painter, const DevicePlot& plot) {
    const auto [first, last] = shownRange();
    const HorizontalScale scale(plot.firstColumn, plot.lastColumn, first, last);
    for (int k = 0; k < seriesCount(); ++k) {
        Series& series = *m_series[std::size_t(k)];
        const SortedColumns columns(xValues(series).data(), std::int64_t(series.count()), xFactor(),
                                    scale);
        paintLine(painter, plot, series.volts, columns, series.extents, overlayColor(k),
                  LineGaps::Broken);
    }
}

OverlayChart::LegendLayout OverlayChart::legendLayout(int plotHeight) const {
    LegendLayout layout;
    const int count = seriesCount();
    if (count == 0)
        return layout;
    const QFontMetrics metrics(labelFont());
    layout.rowHeight = metrics.height() + kLegendRowSpacing;
    layout.rowsPerColumn = std::max(1, plotHeight / layout.rowHeight);
    layout.columns = (count + layout.rowsPerColumn - 1) / layout.rowsPerColumn;
    for (const auto& series : m_series)
        layout.textWidth =
            std::max(layout.textWidth,
                     metrics.horizontalAdvance(overlayLegendText(series->label, series->ampHours)));
    const int room = int(width() * kLegendShare) - layout.columns * (kSwatchWidth + kSwatchGap) -
                     (layout.columns - 1) * kLegendColumnGap;
    layout.textWidth =
        std::max(std::min({layout.textWidth, kLegendTextLimit, room / layout.columns}),
                 metrics.horizontalAdvance(QStringLiteral("M…")));
    return layout;
}

int OverlayChart::legendWidth(int plotHeight) const {
    return legendLayout(plotHeight).width();
}

void OverlayChart::paintLegend(QPainter& painter, const QRect& area) const {
    const LegendLayout layout = legendLayout(area.height());
    const QFontMetrics metrics(labelFont());
    painter.setFont(labelFont());
    for (int k = 0; k < seriesCount(); ++k) {
        const Series& series = *m_series[std::size_t(k)];
        const int column = k / layout.rowsPerColumn;
        const int row = k % layout.rowsPerColumn;
        const int left = area.left() +
                         column * (kSwatchWidth + kSwatchGap + layout.textWidth + kLegendColumnGap);
        const int top = area.top() + row * layout.rowHeight;
        painter.fillRect(left, top + (layout.rowHeight - lineWidth()) / 2, kSwatchWidth,
                         lineWidth(), overlayColor(k));
        // A long label is shortened; the charge stays whole.
        QString text = overlayLegendText(series.label, series.ampHours);
        if (metrics.horizontalAdvance(text) > layout.textWidth) {
            const int chargeWidth =
                metrics.horizontalAdvance(text) - metrics.horizontalAdvance(series.label);
            const int labelRoom = layout.textWidth - chargeWidth;
            text =
                labelRoom >= metrics.horizontalAdvance(QStringLiteral("M…"))
                    ? overlayLegendText(metrics.elidedText(series.label, Qt::ElideRight, labelRoom),
                                        series.ampHours)
                    : metrics.elidedText(text, Qt::ElideRight, layout.textWidth);
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(
            QRect(left + kSwatchWidth + kSwatchGap, top, layout.textWidth, layout.rowHeight),
            Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

} // namespace tarvex
