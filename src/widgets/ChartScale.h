// Where a chart puts its axis labels, ticks and points: pure functions of the
// axis range and the plot's size in pixels, free of any widget.
#pragma once

#include "widgets/MinMaxPyramid.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace tarvex {

// An axis label in the pattern "#,##0.###": digits grouped by thousands, at
// least one integer digit, at most three decimals and no trailing zeros, with
// the separators of QLocale().
QString formatAxisLabel(double value);

// The step between the labels of an axis from min to max that is lengthPx
// pixels long, when neighbouring labels must lie at least minSpacingPx apart:
// the smallest 1, 2 or 5 times a power of ten that keeps them apart and is at
// least minStep (and at least 0.001, the finest step the labels can show).
// 0 when the axis has no length.
double axisLabelStep(double min, double max, double lengthPx, double minSpacingPx,
                     double minStep = 0);

// The labelled values: the multiples of step from min to max, ends included.
// An axis without length (step 0, min == max) has the single label min.
std::vector<double> axisLabelValues(double min, double max, double step);

// The positions of minorCount ticks spaced evenly between neighbouring labels,
// also before the first and after the last label, within min to max.
std::vector<double> axisMinorTickValues(double min, double max, double step, int minorCount);

// A vertical axis: values to pixel rows. The axis takes the part of the plot
// from startPercent to endPercent of its height, counted from the top; max
// lies at the start (top), min at the end. A value outside min to max lies
// outside that part, above or below, and may lie outside the plot.
class VerticalScale {
public:
    VerticalScale(int plotTop, int plotHeight, double min, double max, double startPercent = 0,
                  double endPercent = 100);
    // The row of the pixel whose span holds the value's position; rows are
    // kept within a million pixels of the plot. Monotonic: a greater value
    // never lies below a smaller one. value must not be NaN.
    int row(double value) const {
        const double position = m_base + m_factor * (m_max - value);
        return int(std::floor(std::clamp(position, -kRowLimit, kRowLimit)));
    }
    // The value at a vertical position (row r spans the positions r to
    // r + 1): the inverse of row() before its rounding. An axis without range
    // has max everywhere.
    double value(double position) const {
        return m_factor != 0 ? m_max - (position - m_base) / m_factor : m_max;
    }

    static constexpr double kRowLimit = 1e6;

private:
    double m_base;   // position of max
    double m_factor; // pixels per unit, downwards
    double m_max;
};

// Points of a series laid out over pixel columns, left to right: the column
// each point lies in, and back from a column to the points in it.
class PointColumns {
public:
    virtual ~PointColumns() = default;
    // Monotonic: a later point never lies left of an earlier one.
    virtual int column(std::int64_t index) const = 0;
    // The smallest index whose column is column or to the right of it; the
    // number of points when there is none.
    virtual std::int64_t firstIndex(int column) const = 0;
    // The same, for a caller who knows that the answer is from or beyond
    // (0 <= from): the columns of a plot are looked up left to right.
    virtual std::int64_t firstIndexFrom(int column, std::int64_t from) const {
        (void)from;
        return firstIndex(column);
    }
};

// The horizontal axis of a series: point indices to pixel columns. Of count
// points, the view from viewFirst to viewLast (indices, perhaps fractional) is
// spread evenly over the columns firstColumn..lastColumn, viewFirst at the
// centre of firstColumn and viewLast at the centre of lastColumn, each point
// in the column nearest to it; the points outside the view lie beyond the ends
// on the same scale (their columns are kept within kColumnLimit of
// firstColumn). The whole series is the view from 0 to count - 1, where a
// single point lies in the middle; it is laid out in integers, exactly.
class IndexColumns : public PointColumns {
public:
    // The whole series.
    IndexColumns(std::int64_t count, int firstColumn, int lastColumn);
    // A view of the series; viewLast must be greater than viewFirst.
    IndexColumns(std::int64_t count, int firstColumn, int lastColumn, double viewFirst,
                 double viewLast);
    int column(std::int64_t index) const override;
    std::int64_t firstIndex(int column) const override;
    // The (fractional) index that lies at the centre of a column: the inverse
    // of column() before its rounding. A single point lies everywhere.
    double indexAt(double column) const;

    static constexpr std::int64_t kColumnLimit = std::int64_t{1} << 28;

private:
    std::int64_t m_count;
    int m_first;
    int m_span;
    bool m_whole;
    double m_viewFirst = 0;
    double m_viewWidth = 0;       // of a view, or of the whole series (0 for one point)
    double m_columnsPerIndex = 0; // of a view
};

// A horizontal axis of values: the view from first to last (first < last)
// spread evenly over the columns firstColumn..lastColumn, first at the centre
// of firstColumn and last at the centre of lastColumn, each value in the
// column nearest to it; values outside the view lie beyond the ends on the
// same scale (their columns are kept within kColumnLimit of firstColumn). A
// view without width (first == last) puts every value in the middle column.
class HorizontalScale {
public:
    HorizontalScale(int firstColumn, int lastColumn, double first, double last);
    // Monotonic: a greater value never lies left of a smaller one. value
    // must not be NaN.
    int column(double value) const {
        const double position = std::clamp((value - m_first) * m_columnsPerUnit + 0.5,
                                           double(-kColumnLimit), double(kColumnLimit));
        return m_firstColumn + m_offset + int(std::floor(position));
    }
    // The value at the centre of a column: the inverse of column() before
    // its rounding. A view without width has first everywhere.
    double value(double column) const {
        return m_columnsPerUnit != 0 ? m_first + (column - m_firstColumn) / m_columnsPerUnit
                                     : m_first;
    }

    static constexpr std::int64_t kColumnLimit = std::int64_t{1} << 28;

private:
    int m_firstColumn;
    int m_offset = 0; // to the middle column, for a view without width
    double m_first;
    double m_columnsPerUnit = 0;
};

// Points whose x values never decrease, laid out by a horizontal scale: point
// i lies in the column of x[i] * factor. firstIndex() searches the x values
// by halves, so it costs the logarithm of the number of points;
// firstIndexFrom() gallops from its starting point first, so it costs the
// logarithm of the distance and reads x values that lie close together. The
// x values are not copied; they must outlive the layout and hold no NaN.
class SortedColumns : public PointColumns {
public:
    SortedColumns(const double* x, std::int64_t count, double factor, const HorizontalScale& scale)
        : m_x(x), m_count(count), m_factor(factor), m_scale(scale) {}
    int column(std::int64_t index) const override { return m_scale.column(m_x[index] * m_factor); }
    std::int64_t firstIndex(int column) const override;
    std::int64_t firstIndexFrom(int column, std::int64_t from) const override;

private:
    // The first index in [low, high) whose column is column or beyond; high
    // when none is.
    std::int64_t search(int column, std::int64_t low, std::int64_t high) const;

    const double* m_x;
    std::int64_t m_count;
    double m_factor;
    HorizontalScale m_scale;
};

// The view that a turn of the mouse wheel leaves: the view first..last of an
// axis whose whole range is wholeFirst..wholeLast made factor times as wide
// (factor < 1 zooms in), with the value at anchor kept where it lies across
// the plot. The result is at least minimumWidth wide (at most the whole
// range) and lies within the whole range.
std::pair<double, double> scaledRange(double first, double last, double anchor, double factor,
                                      double wholeFirst, double wholeLast, double minimumWidth);

// The same for the points 0..count - 1 of a series (count >= 2), the anchor
// an index.
inline std::pair<double, double> scaledIndexRange(double first, double last, double anchor,
                                                  double factor, std::int64_t count,
                                                  double minimumWidth) {
    return scaledRange(first, last, anchor, factor, 0, double(std::max<std::int64_t>(count - 1, 1)),
                       minimumWidth);
}

// The pixels that a 1-pixel line lights, column by column: in each column one
// run of rows from top to bottom. The line is traced point by point with
// lineTo(), each point given as its pixel (column, row):
// - a point in the same column as the one before lights every row between
//   the two;
// - a point in a later column is joined by a straight segment between the
//   pixel centres; in each column the segment crosses, it lights the rows
//   whose centres lie within the segment's rise inside that column, and at
//   least the row nearest to the segment at the column's centre.
// Columns outside firstColumn..lastColumn are ignored; rows are not limited.
class LineSpans {
public:
    struct Span {
        int top = std::numeric_limits<int>::max();
        int bottom = std::numeric_limits<int>::min();
        bool isEmpty() const { return top > bottom; }
    };

    LineSpans(int firstColumn, int lastColumn);
    // Forgets the line; the next lineTo() starts a new one.
    void clear();
    // Ends the line where it is, keeping what it lit; the next lineTo()
    // starts a new one, not joined to this.
    void breakLine() { m_started = false; }
    void lineTo(int column, int row) {
        if (m_started && column != m_column)
            segment(column, row);
        else
            light(column, std::min(m_started ? m_row : row, row),
                  std::max(m_started ? m_row : row, row));
        m_started = true;
        m_column = column;
        m_row = row;
    }

    int firstColumn() const { return m_first; }
    int lastColumn() const { return m_first + int(m_spans.size()) - 1; }
    const Span& at(int column) const { return m_spans[std::size_t(column - m_first)]; }

private:
    void light(int column, int top, int bottom) {
        if (column < m_first || column > lastColumn())
            return;
        Span& span = m_spans[std::size_t(column - m_first)];
        span.top = std::min(span.top, top);
        span.bottom = std::max(span.bottom, bottom);
    }
    // From the present point to a point in another column.
    void segment(int column, int row);

    int m_first;
    std::vector<Span> m_spans;
    bool m_started = false;
    int m_column = 0;
    int m_row = 0;
};

// What each pixel column shows of a series laid out over columns: the
// indices of its points, their extent, and its first and last drawn (not NaN)
// points. Kept from one repaint to the next: as points are appended every
// column's index range slides to the right, mostly by one index or none, and
// update() looks only at the values that enter or leave a column, going back to
// the pyramid when a value that leaves was the column's highest or lowest.
class ColumnExtents {
public:
    struct Column {
        std::int64_t begin = 0; // indices [begin, end)
        std::int64_t end = 0;
        MinMax extent;
        std::int64_t first = -1; // first drawn index, -1 when none
        std::int64_t last = -1;
        float firstValue = 0;
        float lastValue = 0;
    };

    // Brings every column up to date with values under columns (which must
    // lay out values.count() points over firstColumn..lastColumn). Any new
    // layout may follow the last one: a column whose range moved forward a
    // little slides, any other is looked up afresh.
    void update(const MinMaxPyramid& values, const PointColumns& columns, int firstColumn,
                int lastColumn);
    const Column& at(int column) const { return m_columns[std::size_t(column - m_first)]; }
    int firstColumn() const { return m_first; }
    int lastColumn() const { return m_first + int(m_columns.size()) - 1; }

private:
    static void recompute(const MinMaxPyramid& values, Column& column, std::int64_t begin,
                          std::int64_t end);
    static bool slide(const MinMaxPyramid& values, Column& column, std::int64_t begin,
                      std::int64_t end);

    int m_first = 0;
    std::int64_t m_count = 0; // points at the last update
    std::vector<Column> m_columns;
};

// How a line meets a NaN value, which is never drawn: the line either joins
// the drawn points on both sides of it, or stops before it and starts again
// after it (a gap in the readings).
enum class LineGaps { Joined, Broken };

// Traces into spans the line of values laid out by columns, whose extents
// over the spans' columns are up to date: for each column, its first point,
// its highest and lowest points and its last point, at rows.row of their
// values. Within a column the line only runs up and down between the
// column's extremes, and the segments between columns are the same, so this
// lights exactly the pixels that tracing every point lights (LineSpans keeps
// one run of rows per column, so a gap inside a column lights the rows
// between its two sides too). The line comes in from the point left of the
// first column and goes on to the point right of the last one (with joined
// gaps, the nearest drawn ones).
void traceLine(const MinMaxPyramid& values, const PointColumns& columns,
               const ColumnExtents& extents, const VerticalScale& rows, LineSpans& spans,
               LineGaps gaps);

} // namespace tarvex
