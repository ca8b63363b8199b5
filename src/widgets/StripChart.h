// Strip charts: a titled chart panel with one line series that keeps every
// point for as long as the program runs and redraws in a time that does not
// grow with the number of points, also when zoomed into a part of them.
#pragma once

#include "widgets/MinMaxPyramid.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QPainter;
class QRubberBand;

namespace tarvex {

class ColumnExtents;
class IndexColumns;
class StripChart;
class VerticalScale;

// Settings of one chart axis.
struct ChartAxis {
    // Left axis: the range follows the points when true, else it stays from
    // minimum to maximum. The bottom axis follows the points while the chart
    // is not zoomed; its minimum and maximum tell its present range.
    bool automatic = true;
    double minimum = 0;
    double maximum = 0;
    // The part of the plot the axis takes, in percent of the plot's length,
    // from the top (left axis) or from the left (bottom axis). The minimum lies
    // at the end position of the left axis and at the start of the bottom one.
    double startPosition = 0;
    double endPosition = 100;
    // Tick marks outside the plot, in pixels: at each label, and
    // minorTickCount minor ticks between neighbouring labels.
    int tickLength = 4;
    int minorTickCount = 3;
    int minorTickLength = 2;
    // Dotted grey lines across the plot at the labels.
    bool gridVisible = true;
    // The labels never step by less than this.
    double minimumLabelStep = 0;
};

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

// What a zoomed chart shows: the bottom axis from point index first to last
// across the plot's width (fractional indices, at least one point apart), and
// the left axis from low to high.
struct ChartView {
    double first = 0;
    double last = 0;
    double low = 0;
    double high = 0;

    bool operator==(const ChartView&) const = default;
};

// A chart panel: the title centred above the plot, a left (value) axis and a
// bottom axis of point numbers with labels, tick marks and grid lines, and
// one line series drawn in the plot, clipped at its edges. No legend; the
// plot shows the panel's background. Labels are numbers in the pattern
// "#,##0.###" in QLocale()'s separators.
//
// The operator looks closer with the mouse: dragging a rectangle down and to
// the right with the left button zooms into it; dragging up and to the left,
// or a double click, shows the whole history again; dragging with the right
// button scrolls a zoomed view; the wheel narrows or widens the bottom axis
// around the pointer. A zoomed view stays where it is as points are
// appended, and the title says " (zoomed)" after the chart's title (the
// accessible name stays the title). A right click without a drag opens a
// menu: "Copy picture", "Copy picture at 2×", "Save picture as PNG…", "Save
// picture at 2× as PNG…", "Show all". A drag up-right or down-left with the
// left button does nothing.
class StripChart : public QWidget {
    Q_OBJECT

public:
    explicit StripChart(QWidget* parent = nullptr);
    ~StripChart() override;

    QString title() const { return m_title; }
    // Also the chart's accessible name.
    void setTitle(const QString& title);
    QFont titleFont() const { return m_titleFont; }
    void setTitleFont(const QFont& font);
    QColor titleColor() const { return m_titleColor; }
    void setTitleColor(const QColor& color);
    QFont labelFont() const { return m_labelFont; }
    void setLabelFont(const QFont& font);

    const ChartAxis& leftAxis() const { return m_leftAxis; }
    void setLeftAxis(const ChartAxis& axis);
    const ChartAxis& bottomAxis() const { return m_bottomAxis; }
    // Everything but the range, which follows the points.
    void setBottomAxis(const ChartAxis& axis);

    LineSeries& series() { return *m_series; }
    const LineSeries& series() const { return *m_series; }

    // The plot area in the chart's coordinates; the line is clipped to it.
    QRect plotRect() const;
    // The present range of the left axis (the fixed one, or the points' range).
    std::pair<double, double> leftRange() const;

    QSize sizeHint() const override { return {384, 155}; }

    // The view while zoomed; the bottom axis' minimum and maximum and
    // leftRange() tell it too.
    bool isZoomed() const { return m_zoom.has_value(); }
    std::optional<ChartView> zoomedView() const { return m_zoom; }
    // Shows view until showAll(): its ends are kept within the history and
    // at least one point apart, and a left range that is empty or not finite
    // is replaced by the present one. Needs two points at least; with fewer it
    // does nothing. A view of the whole history at the left axis' own range
    // is the unzoomed chart.
    void zoomTo(const ChartView& view);

    // The chart as it is shown, drawn at scale times its size in pixels (an
    // image of device pixel ratio scale, tagged with 96 × scale dots per inch
    // so that it prints at the chart's size). The menu's pictures are at the
    // chart's real pixel size (scale devicePixelRatioF()) and at twice that.
    QImage picture(qreal scale);
    // Puts picture(scale) on the clipboard.
    void copyPicture(qreal scale);
    // Writes picture(scale) as a PNG file, whole or not at all (a failed write
    // leaves an existing file as it was). Returns false, with the reason in
    // errorText when given, when the file cannot be written.
    bool savePicture(const QString& fileName, qreal scale, QString* errorText = nullptr);

public slots:
    // Back to the whole history: the bottom axis follows the points again and
    // the left axis shows its own range.
    void showAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class LineSeries;
    // What depends only on the settings, the size and the left axis' range:
    // the layout, and a picture of the panel, title, plot frame and left axis.
    struct Frame;
    const Frame& currentFrame() const;
    const QPixmap& backgroundFor(const Frame& frame, qreal ratio) const;
    void paintBackground(QPainter& painter, const Frame& frame) const;
    void paintBottomAxis(QPainter& painter, const Frame& frame);
    void paintLine(QPainter& painter, const Frame& frame, qreal ratio);
    // The left axis' rows and the columns of the bottom axis' ends in a plot
    // rectangle (of the chart's pixels or of the device's).
    VerticalScale rowsIn(const QRect& plot, const Frame& frame) const;
    std::pair<int, int> columnsIn(const QRect& plot) const;
    // The bottom axis' points laid out over columns: the whole series, or
    // the zoomed view.
    IndexColumns layoutOf(int firstColumn, int lastColumn) const;
    ChartView wholeView() const;
    void settingsChanged();
    void pointAdded();
    // Mouse gestures, in the chart's coordinates.
    void zoomInto(const QRect& area);
    void scrollFrom(const ChartView& start, QPoint moved);
    Qt::MouseButton dragButton() const;
    void cancelDrag();
    void openMenu(const QPoint& globalPosition);
    void savePictureAs(qreal scale);

    QString m_title;
    QFont m_titleFont;
    QColor m_titleColor = Qt::blue;
    QFont m_labelFont;
    ChartAxis m_leftAxis;
    ChartAxis m_bottomAxis;
    std::unique_ptr<LineSeries> m_series;
    mutable std::unique_ptr<Frame> m_frame;
    // The line's columns as of the last repaint.
    std::unique_ptr<ColumnExtents> m_columnExtents;
    // Laid-out bottom labels of the last repaint, by text.
    std::vector<std::pair<QString, QStaticText>> m_bottomTexts;

    std::optional<ChartView> m_zoom;
    enum class Drag { None, Zoom, Scroll };
    Drag m_drag = Drag::None;
    QPoint m_dragStart;
    bool m_dragMoved = false;
    std::optional<ChartView> m_scrollStart; // the view a scroll started from
    QRubberBand* m_rubberBand = nullptr;    // made at the first zoom drag
    QMenu* m_menu = nullptr;                // made at the first right click
    QAction* m_showAllAction = nullptr;
    QString m_pictureDirectory; // where the last picture was saved
};

} // namespace tarvex
