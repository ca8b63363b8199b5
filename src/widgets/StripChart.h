// Strip charts: a titled chart panel with one line series that keeps every
// point for as long as the program runs and redraws in a time that does not
// grow with the number of points, also when zoomed into a part of them.
#pragma once

#include "widgets/ChartPanel.h"
#include "widgets/MinMaxPyramid.h"

#include <QColor>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarvex {

class ColumnExtents;
class IndexColumns;
class StripChart;

// The line of a chart: points with x = 0, 1, 2, ... and a y value each, drawn
// as a line one pixel wide without point markers. Values are kept as floats.
class LineSeries {
public:
    LineSeries(const LineSeries&) = delete;
    LineSeries& operator=(const LineSeries&) = delete;

    // A name for the series; the chart shows no legend, so it is not drawn.
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    // Appends a point whose x is the number of points held before it (0 for
    // the first) and whose y is value; it takes the series colour and has no
    // label. The chart repaints. Returns the new point's index. A NaN value
    // takes its place on the x axis but is not drawn: the line joins across it.
    std::size_t append(double value);

    std::size_t count() const { return m_values.count(); }
    double xValue(std::size_t index) const { return double(index); }
    double yValue(std::size_t index) const { return m_values.value(index); }
    const MinMaxPyramid& values() const { return m_values; }

    // Bytes the series holds for its points, the pyramid included.
    std::size_t memoryBytes() const { return sizeof(*this) + m_values.allocatedBytes(); }

private:
    friend class StripChart;
    explicit LineSeries(StripChart& chart) : m_chart(chart) {}

    StripChart& m_chart;
    QString m_title;
    QColor m_color = Qt::red;
    MinMaxPyramid m_values;
};

// A chart panel (see ChartPanel: zoom, scroll and the picture menu) with one
// line series: the bottom axis numbers the points, from 0, and zoomed views
// go from point index first to last (fractional indices, at least one point
// apart). No legend; the title is "MS Serif" 11 px blue and the labels
// "Arial" 10 px unless set otherwise. A zoomed view stays where it is as
// points are appended; unzoomed, the bottom axis follows them. It takes the
// focus from Tab and clicks, for the keyboard's zoom and menu.
class StripChart : public ChartPanel {
    Q_OBJECT

public:
    explicit StripChart(QWidget* parent = nullptr);
    ~StripChart() override;

    LineSeries& series() { return *m_series; }
    const LineSeries& series() const { return *m_series; }

    QSize sizeHint() const override { return {384, 155}; }

protected:
    bool hasPoints() const override;
    std::pair<double, double> bottomExtent() const override;
    std::pair<double, double> pointsLeftRange() const override;
    bool canZoom() const override;
    double minimumViewWidth() const override { return 1; }
    double scrollStep() const override { return 1; }
    double minimumBottomLabelStep() const override { return 1; }
    int bottomColumn(double value, int firstColumn, int lastColumn) const override;
    double bottomValueAt(double column, int firstColumn, int lastColumn) const override;
    void paintLines(QPainter& painter, const DevicePlot& plot) override;

private:
    friend class LineSeries;
    // The points laid out over columns: the whole series, or the zoomed view.
    IndexColumns layoutOf(int firstColumn, int lastColumn) const;

    std::unique_ptr<LineSeries> m_series;
    // The line's columns as of the last repaint.
    std::unique_ptr<ColumnExtents> m_columnExtents;
};

} // namespace tarvex
