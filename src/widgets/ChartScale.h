// Where a chart puts its axis labels, ticks and points: pure functions of the
// axis range and the plot's size in pixels, free of any widget.
#pragma once

#include "widgets/MinMaxPyramid.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarvex {

// An axis label in the pattern "#,##0.###": digits grouped by thousands, at
// least one integer digit, at most three decimals and no trailing zeros, with
// the separators of QLocale().
QString FormatAxisLabel(double value);

// The step between the labels of an axis from min to max that is lengthPx
// pixels long, when neighbouring labels must lie at least minSpacingPx apart:
// the smallest 1, 2 or 5 times a power of ten that keeps them apart and is at
// least minStep (and at least 0.001, the finest step the labels can show).
// 0 when the axis has no length.
double AxisLabelStep(double min, double max, double lengthPx, double minSpacingPx,
                     double minStep = 0);

// The labelled values: the multiples of step from min to max, ends included.
// An axis without length (step 0, min == max) has the single label min.
std::vector<double> AxisLabelValues(double min, double max, double step);

// The positions of minorCount ticks spaced evenly between neighbouring labels,
// also before the first and after the last label, within min to max.
std::vector<double> AxisMinorTickValues(double min, double max, double step, int minorCount);

// A vertical axis: values to pixel rows. The axis takes the part of the plot
// from startPercent to endPercent of its height, counted from the top; max
// lies at the start (top), min at the end. A value outside min to max lies
// outside that part, above or below, and may lie outside the plot.
class TVerticalScale {
public:
    TVerticalScale(int plotTop, int plotHeight, double min, double max, double startPercent = 0,
                   double endPercent = 100);
    // The row of the pixel whose span holds the value's position; rows are
    // kept within a million pixels of the plot. Monotonic: a greater value
    // never lies below a smaller one. value must not be NaN.
    int Row(double value) const {
        const double position = base_ + factor_ * (max_ - value);
        return int(std::floor(std::clamp(position, -kRowLimit, kRowLimit)));
    }

    static constexpr double kRowLimit = 1e6;

private:
    double base_;   // position of max
    double factor_; // pixels per unit, downwards
    double max_;
};

// The horizontal axis of a series: point index i of count points to a pixel
// column, index 0 in firstColumn, index count - 1 in lastColumn, the others
// spread evenly and rounded to the nearest column. A single point lies in the
// middle.
class TIndexColumns {
public:
    TIndexColumns(std::int64_t count, int firstColumn, int lastColumn);
    int Column(std::int64_t index) const;
    // The smallest index whose column is column or to the right of it; count
    // when there is none.
    std::int64_t FirstIndex(int column) const;

private:
    std::int64_t count_;
    int first_;
    int span_;
};

// The pixels that a 1-pixel line lights, column by column: in each column one
// run of rows from Top to Bottom. The line is traced point by point with
// LineTo, each point given as its pixel (column, row):
// - a point in the same column as the one before lights every row between
//   the two;
// - a point in a later column is joined by a straight segment between the
//   pixel centres; in each column the segment crosses, it lights the rows
//   whose centres lie within the segment's rise inside that column, and at
//   least the row nearest to the segment at the column's centre.
// Columns outside firstColumn..lastColumn are ignored; rows are not limited.
class TLineSpans {
public:
    struct Span {
        int Top = std::numeric_limits<int>::max();
        int Bottom = std::numeric_limits<int>::min();
        bool Empty() const { return Top > Bottom; }
    };

    TLineSpans(int firstColumn, int lastColumn);
    // Forgets the line; the next LineTo starts a new one.
    void Clear();
    void LineTo(int column, int row) {
        if (started_ && column != column_)
            Segment(column, row);
        else
            Light(column, std::min(started_ ? row_ : row, row),
                  std::max(started_ ? row_ : row, row));
        started_ = true;
        column_ = column;
        row_ = row;
    }

    int FirstColumn() const { return first_; }
    int LastColumn() const { return first_ + int(spans_.size()) - 1; }
    const Span& At(int column) const { return spans_[std::size_t(column - first_)]; }

private:
    void Light(int column, int top, int bottom) {
        if (column < first_ || column > LastColumn())
            return;
        Span& span = spans_[std::size_t(column - first_)];
        span.Top = std::min(span.Top, top);
        span.Bottom = std::max(span.Bottom, bottom);
    }
    // From the present point to a point in another column.
    void Segment(int column, int row);

    int first_;
    std::vector<Span> spans_;
    bool started_ = false;
    int column_ = 0;
    int row_ = 0;
};

// What each pixel column shows of a series laid out by TIndexColumns: the
// indices of its points, their extent, and its first and last drawn (not NaN)
// points. Kept from one repaint to the next: as points are appended every
// column's index range slides to the right, mostly by one index or none, and
// Update looks only at the values that enter or leave a column, going back to
// the pyramid when a value that leaves was the column's highest or lowest.
class TColumnExtents {
public:
    struct Column {
        std::int64_t Begin = 0; // indices [Begin, End)
        std::int64_t End = 0;
        TMinMax Extent;
        std::int64_t First = -1; // first drawn index, -1 when none
        std::int64_t Last = -1;
        float FirstValue = 0;
        float LastValue = 0;
    };

    // Brings every column up to date with values under columns (which must
    // lay out values.Count() points over firstColumn..lastColumn).
    void Update(const TMinMaxPyramid& values, const TIndexColumns& columns, int firstColumn,
                int lastColumn);
    const Column& At(int column) const { return columns_[std::size_t(column - first_)]; }
    int FirstColumn() const { return first_; }
    int LastColumn() const { return first_ + int(columns_.size()) - 1; }

private:
    static void Recompute(const TMinMaxPyramid& values, Column& column, std::int64_t begin,
                          std::int64_t end);
    static bool Slide(const TMinMaxPyramid& values, Column& column, std::int64_t begin,
                      std::int64_t end);

    int first_ = 0;
    std::int64_t count_ = 0; // points at the last update
    std::vector<Column> columns_;
};

// Traces into spans the line of the series whose columns are given: for each
// column, its first point, its highest and lowest points and its last point,
// at rows.Row of their values. Within a column the line only runs up and down
// between the column's extremes, and the segments between columns are the
// same, so this lights exactly the pixels that tracing every point lights.
// NaN values are not drawn; the line joins across them.
void TraceColumns(const TColumnExtents& columns, const TVerticalScale& rows, TLineSpans& spans);

} // namespace tarvex
