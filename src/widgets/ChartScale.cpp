#include "widgets/ChartScale.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

// Labels closer than this to a step multiple count as on it.
constexpr double kStepTolerance = 1e-9;
// No axis draws more labels than this, whatever it is asked.
constexpr double kMaxLabels = 1000;

} // namespace

QString formatAxisLabel(double value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    double rounded = std::round(value * 1000) / 1000;
    if (!std::isfinite(rounded))
        rounded = value; // too large for the rounding; has no decimals anyway
    if (rounded == 0)
        rounded = 0; // no "-0"
    QString text = locale.toString(rounded, 'f', 3);
    const QString point = locale.decimalPoint();
    const QString zero = locale.zeroDigit();
    if (text.contains(point)) {
        while (text.endsWith(zero))
            text.chop(zero.size());
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

double axisLabelStep(double min, double max, double lengthPx, double minSpacingPx, double minStep) {
    const double range = max - min;
    if (!(range > 0) || !(lengthPx > 0) || !std::isfinite(range))
        return 0;
    const double intervals =
        std::clamp(std::floor(lengthPx / std::max(minSpacingPx, 1.0)), 1.0, kMaxLabels - 1);
    const double wanted = std::max({range / intervals, minStep, 0.001});
    const double decade = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double mantissa : {1.0, 2.0, 5.0}) {
        if (mantissa * decade >= wanted * (1 - kStepTolerance))
            return mantissa * decade;
    }
    return 10 * decade;
}

std::vector<double> axisLabelValues(double min, double max, double step) {
    if (!(step > 0))
        return min == max ? std::vector<double>{min} : std::vector<double>{};
    const double first = std::ceil(min / step - kStepTolerance);
    const double last = std::floor(max / step + kStepTolerance);
    std::vector<double> values;
    for (double k = first; k <= last && values.size() < kMaxLabels; ++k)
        values.push_back(k * step);
    return values;
}

std::vector<double> axisMinorTickValues(double min, double max, double step, int minorCount) {
    std::vector<double> values;
    if (!(step > 0) || minorCount <= 0)
        return values;
    const double first = std::ceil(min / step - kStepTolerance) - 1;
    const double last = std::floor(max / step + kStepTolerance);
    const double tolerance = step * kStepTolerance;
    for (double k = first; k <= last && values.size() < kMaxLabels * minorCount; ++k) {
        for (int j = 1; j <= minorCount; ++j) {
            const double value = (k + double(j) / (minorCount + 1)) * step;
            if (value >= min - tolerance && value <= max + tolerance)
                values.push_back(value);
        }
    }
    return values;
}

VerticalScale::VerticalScale(int plotTop, int plotHeight, double min, double max,
                             double startPercent, double endPercent)
    : m_max(max) {
    const double start = plotTop + plotHeight * startPercent / 100;
    const double end = plotTop + plotHeight * endPercent / 100;
    if (max > min) {
        m_base = start;
        m_factor = (end - start) / (max - min);
    } else {
        // No range: every value in the middle of the axis.
        m_base = (start + end) / 2;
        m_factor = 0;
    }
}

IndexColumns::IndexColumns(std::int64_t count, int firstColumn, int lastColumn)
    : m_count(count), m_first(firstColumn), m_span(std::max(lastColumn - firstColumn, 0)),
      m_whole(true), m_viewWidth(double(std::max<std::int64_t>(count - 1, 0))) {}

IndexColumns::IndexColumns(std::int64_t count, int firstColumn, int lastColumn, double viewFirst,
                           double viewLast)
    : m_count(count), m_first(firstColumn), m_span(std::max(lastColumn - firstColumn, 0)),
      m_whole(false), m_viewFirst(viewFirst), m_viewWidth(viewLast - viewFirst),
      m_columnsPerIndex(m_span / m_viewWidth) {}

int IndexColumns::column(std::int64_t index) const {
    if (m_whole) {
        if (m_count <= 1)
            return m_first + m_span / 2;
        const std::int64_t gaps = m_count - 1;
        return m_first + int((2 * index * m_span + gaps) / (2 * gaps));
    }
    // Each step is rounded by itself, and rounding never reverses an order:
    // the columns do not go back.
    const double position = std::clamp((double(index) - m_viewFirst) * m_columnsPerIndex + 0.5,
                                       double(-kColumnLimit), double(kColumnLimit));
    const auto offset = std::int64_t(position); // towards zero; then down
    return m_first + int(offset - (double(offset) > position ? 1 : 0));
}

std::int64_t IndexColumns::firstIndex(int column) const {
    const std::int64_t k = std::int64_t(column) - m_first;
    if (m_whole) {
        if (m_count <= 1)
            return k <= m_span / 2 ? 0 : m_count;
        if (k <= 0)
            return 0;
        if (k > m_span)
            return m_count;
        // column(i) >= first + k  <=>  2 i span >= (2k - 1)(count - 1)
        const std::int64_t numerator = (2 * k - 1) * (m_count - 1);
        const std::int64_t denominator = 2 * std::int64_t(m_span);
        return std::min((numerator + denominator - 1) / denominator, m_count);
    }
    if (m_span == 0)
        return k <= 0 ? 0 : m_count;
    // The estimate from the inverse, then the exact answer next to it.
    const double estimate = std::ceil(m_viewFirst + (double(k) - 0.5) / m_columnsPerIndex);
    std::int64_t index = std::int64_t(std::clamp(estimate, -1.0, double(m_count) + 1));
    index = std::clamp<std::int64_t>(index, 0, m_count);
    while (index > 0 && IndexColumns::column(index - 1) >= column)
        --index;
    while (index < m_count && IndexColumns::column(index) < column)
        ++index;
    return index;
}

double IndexColumns::indexAt(double column) const {
    if (m_viewWidth <= 0 || m_span == 0)
        return m_viewFirst;
    return m_viewFirst + (column - m_first) * m_viewWidth / m_span;
}

HorizontalScale::HorizontalScale(int firstColumn, int lastColumn, double first, double last)
    : m_firstColumn(firstColumn), m_first(first) {
    const int span = std::max(lastColumn - firstColumn, 0);
    if (last > first)
        m_columnsPerUnit = span / (last - first);
    else
        m_offset = span / 2;
}

std::int64_t SortedColumns::search(int column, std::int64_t low, std::int64_t high) const {
    // column() never decreases along the points, so the points left of the
    // column come first.
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (SortedColumns::column(middle) < column)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

std::int64_t SortedColumns::firstIndex(int column) const {
    return search(column, 0, m_count);
}

std::int64_t SortedColumns::firstIndexFrom(int column, std::int64_t from) const {
    // Steps of 1, 2, 4, ... from `from` until a point lies in or beyond the
    // column; the answer lies in the last step.
    std::int64_t low = std::min(from, m_count);
    std::int64_t step = 1;
    while (low < m_count) {
        const std::int64_t probe = std::min(low + step - 1, m_count - 1);
        if (SortedColumns::column(probe) >= column)
            return search(column, low, probe);
        low = probe + 1;
        step *= 2;
    }
    return m_count;
}

std::pair<double, double> scaledRange(double first, double last, double anchor, double factor,
                                      double wholeFirst, double wholeLast, double minimumWidth) {
    const double whole = std::max(wholeLast - wholeFirst, 0.0);
    const double lowest = std::min(minimumWidth, whole);
    const double width = std::max(last - first, lowest);
    const double scaled = std::clamp(width * factor, lowest, whole);
    // The anchor keeps its fraction of the way across.
    const double fraction = width > 0 ? std::clamp((anchor - first) / width, 0.0, 1.0) : 0.5;
    const double start = std::clamp(anchor - fraction * scaled, wholeFirst, wholeLast - scaled);
    return {start, start + scaled};
}

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { // b > 0
    return a / b - (a % b < 0 ? 1 : 0);
}
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { // b > 0
    return -floorDiv(-a, b);
}

} // namespace

LineSpans::LineSpans(int firstColumn, int lastColumn)
    : m_first(firstColumn), m_spans(std::size_t(std::max(lastColumn - firstColumn + 1, 0))) {}

void LineSpans::clear() {
    std::fill(m_spans.begin(), m_spans.end(), Span{});
    m_started = false;
}

void LineSpans::segment(int column, int row) {
    // From (c1, r1) to (c2, r2) through pixel centres. Positions along x are
    // counted in half columns from c1, heights in 1 / (2 D) rows, so that
    // everything stays in integers.
    const int c1 = std::min(m_column, column);
    const int c2 = std::max(m_column, column);
    const std::int64_t r1 = m_column < column ? m_row : row;
    const std::int64_t r2 = m_column < column ? row : m_row;
    if (c2 == c1 + 1) {
        // Neighbouring columns, the usual case: each lights the rows from its
        // own point to the middle of the rise (rounded towards itself when
        // the middle falls on a row's edge).
        const std::int64_t twice = r1 + r2; // twice the middle
        const std::int64_t towardsR1 = r2 >= r1 ? twice >> 1 : -((-twice) >> 1);
        const std::int64_t towardsR2 = r2 >= r1 ? -((-twice) >> 1) : twice >> 1;
        light(c1, int(std::min(r1, towardsR1)), int(std::max(r1, towardsR1)));
        light(c2, int(std::min(r2, towardsR2)), int(std::max(r2, towardsR2)));
        return;
    }
    const std::int64_t twoD = 2 * std::int64_t(c2 - c1);
    const std::int64_t rise = r2 - r1;
    auto height = [&](std::int64_t halfColumns) { return r1 * twoD + rise * halfColumns; };
    for (int c = std::max(c1, m_first); c <= std::min(c2, lastColumn()); ++c) {
        const std::int64_t k = c - c1;
        const std::int64_t enter = height(std::max<std::int64_t>(2 * k - 1, 0));
        const std::int64_t leave = height(std::min<std::int64_t>(2 * k + 1, twoD));
        const std::int64_t nearest = floorDiv(2 * height(2 * k) + twoD, 2 * twoD);
        const std::int64_t top = std::min(ceilDiv(std::min(enter, leave), twoD), nearest);
        const std::int64_t bottom = std::max(floorDiv(std::max(enter, leave), twoD), nearest);
        light(c, int(top), int(bottom));
    }
}

namespace {

// A column slides by rescanning what leaves and enters it while that is at
// most this many values; beyond, it asks the pyramid.
constexpr std::int64_t kSlideLimit = 64;

} // namespace

void ColumnExtents::recompute(const MinMaxPyramid& values, Column& column, std::int64_t begin,
                              std::int64_t end) {
    column.begin = begin;
    column.end = end;
    column.first = column.last = -1;
    std::int64_t first = begin;
    while (first < end && std::isnan(values.value(std::size_t(first))))
        ++first;
    if (first == end) {
        column.extent = MinMax{};
        return;
    }
    std::int64_t last = end - 1;
    while (std::isnan(values.value(std::size_t(last))))
        --last;
    column.extent = values.extent(std::size_t(first), std::size_t(last + 1));
    column.first = first;
    column.firstValue = values.value(std::size_t(first));
    column.last = last;
    column.lastValue = values.value(std::size_t(last));
}

bool ColumnExtents::slide(const MinMaxPyramid& values, Column& column, std::int64_t begin,
                          std::int64_t end) {
    if (begin < column.begin || end < column.end || begin > column.end ||
        begin - column.begin > kSlideLimit || end - column.end > kSlideLimit)
        return false;
    // Leaving: [column.begin, begin). The extent holds unless an extreme leaves.
    for (std::int64_t i = column.begin; i < begin; ++i) {
        const float v = values.value(std::size_t(i));
        if (v == column.extent.min || v == column.extent.max)
            return false;
    }
    // Entering: [column.end, end).
    std::int64_t last = -1;
    for (std::int64_t i = column.end; i < end; ++i) {
        const float v = values.value(std::size_t(i));
        if (!std::isnan(v)) {
            column.extent.add(v);
            last = i;
        }
    }
    if (last >= 0) {
        column.last = last;
        column.lastValue = values.value(std::size_t(last));
    } else if (column.last < begin) {
        column.last = -1; // only NaN left (the extent was empty already)
    }
    if (column.first < begin && column.last >= 0) {
        std::int64_t first = begin;
        while (std::isnan(values.value(std::size_t(first))))
            ++first;
        column.first = first;
        column.firstValue = values.value(std::size_t(first));
    }
    if (column.last < 0)
        column.first = -1;
    column.begin = begin;
    column.end = end;
    return true;
}

void ColumnExtents::update(const MinMaxPyramid& values, const PointColumns& columns,
                           int firstColumn, int lastColumn) {
    const auto count = std::int64_t(values.count());
    const auto size = std::size_t(std::max(lastColumn - firstColumn + 1, 0));
    // Columns keep their ranges only while the plot's columns are the same
    // and points are only added; a single point sits apart, in the middle.
    // A view that moved is taken in by slide(), which only accepts ranges
    // that moved forward a little.
    const bool keep =
        firstColumn == m_first && size == m_columns.size() && count >= m_count && m_count > 1;
    if (!keep) {
        m_first = firstColumn;
        m_columns.assign(size, Column{});
    }
    std::int64_t next = std::min(columns.firstIndex(firstColumn), count);
    for (std::size_t k = 0; k < size; ++k) {
        const int c = firstColumn + int(k);
        const std::int64_t begin = next;
        next = std::min(columns.firstIndexFrom(c + 1, begin), count);
        const std::int64_t end = std::max(next, begin);
        Column& column = m_columns[k];
        if (!keep || !slide(values, column, begin, end))
            recompute(values, column, begin, end);
    }
    m_count = count;
}

void traceLine(const MinMaxPyramid& values, const PointColumns& columns,
               const ColumnExtents& extents, const VerticalScale& rows, LineSpans& spans,
               LineGaps gaps) {
    const auto count = std::int64_t(values.count());
    auto isDrawn = [&](std::int64_t index) {
        return !std::isnan(values.value(std::size_t(index)));
    };
    // The index of the point the line stands on, -1 before the first.
    std::int64_t current = -1;
    auto lineTo = [&](std::int64_t index) {
        // With broken gaps the line only joins a point to the one right
        // before it.
        if (gaps == LineGaps::Broken && current != index - 1)
            spans.breakLine();
        spans.lineTo(columns.column(index), rows.row(values.value(std::size_t(index))));
        current = index;
    };
    const int firstColumn = extents.firstColumn();
    const int lastColumn = extents.lastColumn();
    std::int64_t before = std::min(columns.firstIndex(firstColumn), count) - 1;
    if (gaps == LineGaps::Joined) {
        while (before >= 0 && !isDrawn(before))
            --before;
    }
    if (before >= 0 && isDrawn(before))
        lineTo(before);
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const ColumnExtents::Column& column = extents.at(c);
        if (column.last < 0)
            continue;
        if (gaps == LineGaps::Broken && current != column.first - 1)
            spans.breakLine();
        spans.lineTo(c, rows.row(column.firstValue));
        spans.lineTo(c, rows.row(column.extent.max));
        spans.lineTo(c, rows.row(column.extent.min));
        spans.lineTo(c, rows.row(column.lastValue));
        current = column.last;
    }
    std::int64_t after = columns.firstIndex(lastColumn + 1);
    if (gaps == LineGaps::Joined) {
        while (after < count && !isDrawn(after))
            ++after;
    }
    if (after < count && isDrawn(after))
        lineTo(after);
}

} // namespace tarvex
