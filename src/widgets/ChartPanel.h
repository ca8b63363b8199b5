// What every chart of the program shares: a titled panel with a left (value)
// axis and a bottom axis, lines drawn in the plot from a min/max pyramid one
// pixel column at a time, zoom and scroll with the mouse, and a menu that
// copies or saves the chart's picture.
#pragma once

#include "widgets/ChartScale.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QPainter;
class QRubberBand;

namespace tarvex {

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
    // Written along the axis, outside its labels (turned upwards beside the
    // left axis, centred under the bottom one); no room is taken when empty.
    QString title;
};

// What a zoomed chart shows: the bottom axis from first to last across the
// plot's width (in the bottom axis' units), and the left axis from low to
// high.
struct ChartView {
    double first = 0;
    double last = 0;
    double low = 0;
    double high = 0;

    bool operator==(const ChartView&) const = default;
};

// A chart panel: the title centred above the plot, a left axis and a bottom
// axis with labels, tick marks and grid lines, and the lines that a chart
// draws in the plot, clipped at its edges, perhaps a legend right of the
// plot. The plot shows the panel's background (palette's Window). Labels are
// numbers in the pattern "#,##0.###" in QLocale()'s separators.
//
// The operator looks closer with the mouse: dragging a rectangle down and to
// the right with the left button zooms into it; dragging up and to the left,
// or a double click, shows everything again; dragging with the right button
// scrolls a zoomed view; the wheel narrows or widens the bottom axis around
// the pointer. When the chart has the focus, + and - zoom as the wheel does
// amid the plot, the arrow keys scroll a zoomed view by a tenth of its width or height
// and Home shows everything again. While zoomed the title says " (zoomed)" after the chart's
// title (the accessible name stays the title). A right click without a drag,
// the Menu key or Shift+F10 (when the chart has the focus) opens a menu:
// "Copy picture", "Copy picture at 2×", "Save picture as PNG…", "Save picture
// at 2× as PNG…", "Show all"; from the keyboard it opens amid the plot. A
// drag up-right or down-left with the left button does nothing. A chart that
// takes the focus (its focus policy is the chart's choice) shows the style's
// focus frame, never in its pictures.
//
// All functions are called on the window thread.
class ChartPanel : public QWidget {
    Q_OBJECT

public:
    ~ChartPanel() override;

    QString title() const { return m_title; }
    // Also the chart's accessible name.
    void setTitle(const QString& title);
    QFont titleFont() const { return m_titleFont; }
    void setTitleFont(const QFont& font);
    QColor titleColor() const { return m_titleColor; }
    void setTitleColor(const QColor& color);
    QFont labelFont() const { return m_labelFont; }
    // The font of the axis labels, the axis titles and the legend.
    void setLabelFont(const QFont& font);
    // Width of the lines in pixels of the chart (at least 1); a picture at 2×
    // draws them twice as wide in its finer pixels.
    int lineWidth() const { return m_lineWidth; }
    void setLineWidth(int width);

    const ChartAxis& leftAxis() const { return m_leftAxis; }
    void setLeftAxis(const ChartAxis& axis);
    const ChartAxis& bottomAxis() const { return m_bottomAxis; }
    // Everything but the range, which follows the points; the labels step by
    // no less than the chart allows.
    void setBottomAxis(const ChartAxis& axis);

    // The plot area in the chart's coordinates; the lines are clipped to it.
    QRect plotRect() const;
    // The present range of the left axis (the fixed one, or the points' range).
    std::pair<double, double> leftRange() const;

    // The view while zoomed; the bottom axis' minimum and maximum and
    // leftRange() tell it too.
    bool isZoomed() const { return m_zoom.has_value(); }
    std::optional<ChartView> zoomedView() const { return m_zoom; }
    // Shows view until showAll(): its ends are kept within the whole bottom
    // range and at least the chart's narrowest view apart, and a left range
    // that is empty or not finite is replaced by the present one. Does
    // nothing while the chart has nothing to zoom into (fewer than two points,
    // or a bottom range without width). A view of the whole bottom range at
    // the left axis' own range is the unzoomed chart.
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
    // Back to the whole bottom range: the bottom axis follows the points
    // again and the left axis shows its own range.
    void showAll();

protected:
    explicit ChartPanel(QWidget* parent);

    // The plot in the pixels of the device painted on, for a chart's lines.
    struct DevicePlot {
        QRect rect;          // the plot, in device pixels
        int firstColumn = 0; // where the bottom axis starts and ends
        int lastColumn = 0;
        VerticalScale rows; // the left axis
        int brush = 1;      // line width in device pixels
    };

    // --- What a chart tells the panel
    // Whether there is any point to show (the bottom axis is labelled then).
    virtual bool hasPoints() const = 0;
    // The whole range of the bottom axis: what showAll() shows.
    virtual std::pair<double, double> bottomExtent() const = 0;
    // The left axis' range when it follows the points; {0, 0} without any.
    virtual std::pair<double, double> pointsLeftRange() const = 0;
    // Whether there is anything to zoom into.
    virtual bool canZoom() const = 0;
    // The narrowest view of the bottom axis.
    virtual double minimumViewWidth() const = 0;
    // A scroll moves the bottom axis by whole multiples of this (0: freely).
    virtual double scrollStep() const { return 0; }
    // The bottom labels never step by less than this.
    virtual double minimumBottomLabelStep() const { return 0; }
    // The bottom axis as shown (the view when zoomed, else the whole range)
    // over the columns firstColumn..lastColumn: the column of a value, and the
    // value at the centre of a column.
    virtual int bottomColumn(double value, int firstColumn, int lastColumn) const = 0;
    virtual double bottomValueAt(double column, int firstColumn, int lastColumn) const = 0;
    // Draws the chart's lines (paintLine() does one) into the plot.
    virtual void paintLines(QPainter& painter, const DevicePlot& plot) = 0;
    // Width of a legend right of the plot, for a plot of plotHeight pixels;
    // 0 for none. The legend is drawn by paintLegend() into area, the
    // legend's place (as high as the plot), with the labels' font.
    virtual int legendWidth(int plotHeight) const;
    virtual void paintLegend(QPainter& painter, const QRect& area) const;

    // Draws one line of values laid out by columns in color, clipped to the
    // plot; extents are the line's columns as of its last repaint.
    void paintLine(QPainter& painter, const DevicePlot& plot, const MinMaxPyramid& values,
                   const PointColumns& columns, ColumnExtents& extents, const QColor& color,
                   LineGaps gaps) const;

    // The points changed: unless zoomed, the bottom axis follows them. Repaints.
    void pointsChanged();
    // A setting, the legend or the bottom extent's units changed: lays the
    // chart out afresh and repaints.
    void layoutChanged();

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What depends only on the settings, the size and the left axis' range:
    // the layout, and a picture of the panel, title, plot frame, left axis,
    // axis titles and legend.
    struct Frame;
    const Frame& currentFrame() const;
    const QPixmap& backgroundFor(const Frame& frame, qreal ratio) const;
    void paintBackground(QPainter& painter, const Frame& frame) const;
    void paintBottomAxis(QPainter& painter, const Frame& frame);
    // The left axis' rows and the columns of the bottom axis' ends in a plot
    // rectangle (of the chart's pixels or of the device's).
    VerticalScale rowsIn(const QRect& plot, const Frame& frame) const;
    std::pair<int, int> columnsIn(const QRect& plot) const;
    ChartView wholeView() const;
    void followExtent();
    // Mouse gestures, in the chart's coordinates.
    void zoomInto(const QRect& area);
    void scrollFrom(const ChartView& start, QPoint moved);
    // A zoomed view moved from start by shift along the bottom axis (kept
    // within its whole range, in whole scroll steps) and rise along the left.
    void moveView(const ChartView& start, double shift, double rise);
    // Narrows the bottom axis around column x of the chart by notches of the
    // wheel (negative ones widen it).
    void zoomAround(double x, double notches);
    Qt::MouseButton dragButton() const;
    void cancelDrag();
    void openMenu(const QPoint& globalPosition);
    void savePictureAs(qreal scale);

    QString m_title;
    QFont m_titleFont;
    QColor m_titleColor = Qt::blue;
    QFont m_labelFont;
    int m_lineWidth = 1;
    ChartAxis m_leftAxis;
    ChartAxis m_bottomAxis;
    mutable std::unique_ptr<Frame> m_frame;
    // Laid-out bottom labels of the last repaint, by text.
    std::vector<std::pair<QString, QStaticText>> m_bottomTexts;
    bool m_paintingPicture = false; // no focus frame in pictures

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
