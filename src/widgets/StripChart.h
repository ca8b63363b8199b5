// Strip charts: a titled chart panel with one line series that keeps every
// point for as long as the program runs and redraws in a time that does not
// grow with the number of points.
#pragma once

#include "widgets/MinMaxPyramid.h"

#include <QColor>
#include <QFont>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

class QPainter;

namespace tarvex {

class TChart;
class TColumnExtents;
class TVerticalScale;

// Settings of one chart axis.
struct TChartAxis {
    // Left axis: the range follows the points when true, else it stays from
    // Minimum to Maximum. The bottom axis always follows the points; its
    // Minimum and Maximum tell its present range.
    bool Automatic = true;
    double Minimum = 0;
    double Maximum = 0;
    // The part of the plot the axis takes, in percent of the plot's length,
    // from the top (left axis) or from the left (bottom axis). Minimum lies
    // at the end position of the left axis and at the start of the bottom one.
    double StartPosition = 0;
    double EndPosition = 100;
    // Tick marks outside the plot, in pixels: at each label, and MinorTickCount
    // minor ticks between neighbouring labels.
    int TickLength = 4;
    int MinorTickCount = 3;
    int MinorTickLength = 2;
    // Dotted grey lines across the plot at the labels.
    bool GridVisible = true;
    // The labels never step by less than this.
    double MinimumLabelStep = 0;
};

// The line of a chart: points with x = 0, 1, 2, ... and a y value each, drawn
// as a line one pixel wide without point markers. Values are kept as floats.
class TLineSeries {
public:
    TLineSeries(const TLineSeries&) = delete;
    TLineSeries& operator=(const TLineSeries&) = delete;

    // A name for the series; the chart shows no legend, so it is not drawn.
    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    QColor SeriesColor() const { return color_; }
    void SetSeriesColor(const QColor& color);

    // Appends a point whose x is the number of points held before it (0 for
    // the first) and whose y is value; it takes the series colour and has no
    // label. The chart repaints. Returns the new point's index. A NaN value
    // takes its place on the x axis but is not drawn: the line joins across it.
    std::size_t Add(double value);

    std::size_t Count() const { return values_.Count(); }
    double XValue(std::size_t index) const { return double(index); }
    double YValue(std::size_t index) const { return values_.Value(index); }
    const TMinMaxPyramid& Values() const { return values_; }

    // Bytes the series holds for its points, the pyramid included.
    std::size_t MemoryBytes() const { return sizeof(*this) + values_.AllocatedBytes(); }

private:
    friend class TChart;
    explicit TLineSeries(TChart& chart) : chart_(chart) {}

    TChart& chart_;
    QString title_;
    QColor color_ = Qt::red;
    TMinMaxPyramid values_;
};

// A chart panel: the title centred above the plot, a left (value) axis and a
// bottom axis of point numbers with labels, tick marks and grid lines, and
// one line series drawn in the plot, clipped at its edges. No legend; the
// plot shows the panel's background. Labels are numbers in the pattern
// "#,##0.###" in QLocale()'s separators.
class TChart : public QWidget {
    Q_OBJECT

public:
    explicit TChart(QWidget* parent = nullptr);
    ~TChart() override;

    QString Title() const { return title_; }
    // Also the chart's accessible name.
    void SetTitle(const QString& title);
    QFont TitleFont() const { return titleFont_; }
    void SetTitleFont(const QFont& font);
    QColor TitleColor() const { return titleColor_; }
    void SetTitleColor(const QColor& color);
    QFont LabelFont() const { return labelFont_; }
    void SetLabelFont(const QFont& font);

    const TChartAxis& LeftAxis() const { return leftAxis_; }
    void SetLeftAxis(const TChartAxis& axis);
    const TChartAxis& BottomAxis() const { return bottomAxis_; }
    // Everything but the range, which follows the points.
    void SetBottomAxis(const TChartAxis& axis);

    TLineSeries& Series() { return *series_; }
    const TLineSeries& Series() const { return *series_; }

    // The plot area in the chart's coordinates; the line is clipped to it.
    QRect PlotRect() const;
    // The present range of the left axis (the fixed one, or the points' range).
    std::pair<double, double> LeftRange() const;

    QSize sizeHint() const override { return {384, 155}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TLineSeries;
    // What depends only on the settings, the size and the left axis' range:
    // the layout, and a picture of the panel, title, plot frame and left axis.
    struct Frame;
    const Frame& CurrentFrame() const;
    const QPixmap& Background(const Frame& frame, qreal ratio) const;
    void PaintBackground(QPainter& painter, const Frame& frame) const;
    void PaintBottomAxis(QPainter& painter, const Frame& frame);
    void PaintLine(QPainter& painter, const Frame& frame, qreal ratio);
    // The left axis' rows and the columns of the bottom axis' ends in a plot
    // rectangle (of the chart's pixels or of the device's).
    TVerticalScale RowsIn(const QRect& plot, const Frame& frame) const;
    std::pair<int, int> ColumnsIn(const QRect& plot) const;
    void SettingsChanged();
    void PointAdded();

    QString title_;
    QFont titleFont_;
    QColor titleColor_ = Qt::blue;
    QFont labelFont_;
    TChartAxis leftAxis_;
    TChartAxis bottomAxis_;
    std::unique_ptr<TLineSeries> series_;
    mutable std::unique_ptr<Frame> frame_;
    // The line's columns as of the last repaint.
    std::unique_ptr<TColumnExtents> columnExtents_;
    // Laid-out bottom labels of the last repaint, by text.
    std::vector<std::pair<QString, QStaticText>> bottomTexts_;
};

// The control window's three strip charts.
enum class TRunChart { rcVoltage, rcCurrent, rcPower };

// Sets chart up as one of the control window's run charts, 384 × 155 pixels:
//   rcVoltage: "Chart1", "Vol-Run chart", left axis 0 to 360 without ticks,
//              series "VolChart";
//   rcCurrent: "Chart2", "Cur-Run Chart", 0 to 4, series "CurChart";
//   rcPower:   "Chart3", "Pow-Run Chart", 0 to 200, series "PowChart";
// titles in "MS Serif" 11 px blue, fixed left axis ending at 98 % of the plot
// height, red 1-pixel line. The window places the charts itself. Returns the
// chart's series, to which each reading's value is added.
TLineSeries& ConfigureRunChart(TChart& chart, TRunChart which);

} // namespace tarvex
