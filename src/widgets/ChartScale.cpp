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

QString FormatAxisLabel(double value) {
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

double AxisLabelStep(double min, double max, double lengthPx, double minSpacingPx, double minStep) {
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

std::vector<double> AxisLabelValues(double min, double max, double step) {
    if (!(step > 0))
        return min == max ? std::vector<double>{min} : std::vector<double>{};
    const double first = std::ceil(min / step - kStepTolerance);
    const double last = std::floor(max / step + kStepTolerance);
    std::vector<double> values;
    for (double k = first; k <= last && values.size() < kMaxLabels; ++k)
        values.push_back(k * step);
    return values;
}

std::vector<double> AxisMinorTickValues(double min, double max, double step, int minorCount) {
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

TVerticalScale::TVerticalScale(int plotTop, int plotHeight, double min, double max,
                               double startPercent, double endPercent)
    : max_(max) {
    const double start = plotTop + plotHeight * startPercent / 100;
    const double end = plotTop + plotHeight * endPercent / 100;
    if (max > min) {
        base_ = start;
        factor_ = (end - start) / (max - min);
    } else {
        // No range: every value in the middle of the axis.
        base_ = (start + end) / 2;
        factor_ = 0;
    }
}

TIndexColumns::TIndexColumns(std::int64_t count, int firstColumn, int lastColumn)
    : count_(count), first_(firstColumn), span_(std::max(lastColumn - firstColumn, 0)) {}

int TIndexColumns::Column(std::int64_t index) const {
    if (count_ <= 1)
        return first_ + span_ / 2;
    const std::int64_t gaps = count_ - 1;
    return first_ + int((2 * index * span_ + gaps) / (2 * gaps));
}

std::int64_t TIndexColumns::FirstIndex(int column) const {
    const std::int64_t k = std::int64_t(column) - first_;
    if (count_ <= 1)
        return k <= span_ / 2 ? 0 : count_;
    if (k <= 0)
        return 0;
    if (k > span_)
        return count_;
    // Column(i) >= first + k  <=>  2 i span >= (2k - 1)(count - 1)
    const std::int64_t numerator = (2 * k - 1) * (count_ - 1);
    const std::int64_t denominator = 2 * std::int64_t(span_);
    return std::min((numerator + denominator - 1) / denominator, count_);
}

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { // b > 0
    return a / b - (a % b < 0 ? 1 : 0);
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { // b > 0
    return -FloorDiv(-a, b);
}

} // namespace

TLineSpans::TLineSpans(int firstColumn, int lastColumn)
    : first_(firstColumn), spans_(std::size_t(std::max(lastColumn - firstColumn + 1, 0))) {}

void TLineSpans::Clear() {
    std::fill(spans_.begin(), spans_.end(), Span{});
    started_ = false;
}

void TLineSpans::Segment(int column, int row) {
    // From (c1, r1) to (c2, r2) through pixel centres. Positions along x are
    // counted in half columns from c1, heights in 1 / (2 D) rows, so that
    // everything stays in integers.
    const int c1 = std::min(column_, column);
    const int c2 = std::max(column_, column);
    const std::int64_t r1 = column_ < column ? row_ : row;
    const std::int64_t r2 = column_ < column ? row : row_;
    if (c2 == c1 + 1) {
        // Neighbouring columns, the usual case: each lights the rows from its
        // own point to the middle of the rise (rounded towards itself when
        // the middle falls on a row's edge).
        const std::int64_t twice = r1 + r2; // twice the middle
        const std::int64_t towardsR1 = r2 >= r1 ? twice >> 1 : -((-twice) >> 1);
        const std::int64_t towardsR2 = r2 >= r1 ? -((-twice) >> 1) : twice >> 1;
        Light(c1, int(std::min(r1, towardsR1)), int(std::max(r1, towardsR1)));
        Light(c2, int(std::min(r2, towardsR2)), int(std::max(r2, towardsR2)));
        return;
    }
    const std::int64_t twoD = 2 * std::int64_t(c2 - c1);
    const std::int64_t rise = r2 - r1;
    auto height = [&](std::int64_t halfColumns) { return r1 * twoD + rise * halfColumns; };
    for (int c = std::max(c1, first_); c <= std::min(c2, LastColumn()); ++c) {
        const std::int64_t k = c - c1;
        const std::int64_t enter = height(std::max<std::int64_t>(2 * k - 1, 0));
        const std::int64_t leave = height(std::min<std::int64_t>(2 * k + 1, twoD));
        const std::int64_t nearest = FloorDiv(2 * height(2 * k) + twoD, 2 * twoD);
        const std::int64_t top = std::min(CeilDiv(std::min(enter, leave), twoD), nearest);
        const std::int64_t bottom = std::max(FloorDiv(std::max(enter, leave), twoD), nearest);
        Light(c, int(top), int(bottom));
    }
}

namespace {

// A column slides by rescanning what leaves and enters it while that is at
// most this many values; beyond, it asks the pyramid.
constexpr std::int64_t kSlideLimit = 64;

} // namespace

void TColumnExtents::Recompute(const TMinMaxPyramid& values, Column& column, std::int64_t begin,
                               std::int64_t end) {
    column.Begin = begin;
    column.End = end;
    column.First = column.Last = -1;
    std::int64_t first = begin;
    while (first < end && std::isnan(values.Value(std::size_t(first))))
        ++first;
    if (first == end) {
        column.Extent = TMinMax{};
        return;
    }
    std::int64_t last = end - 1;
    while (std::isnan(values.Value(std::size_t(last))))
        --last;
    column.Extent = values.Extent(std::size_t(first), std::size_t(last + 1));
    column.First = first;
    column.FirstValue = values.Value(std::size_t(first));
    column.Last = last;
    column.LastValue = values.Value(std::size_t(last));
}

bool TColumnExtents::Slide(const TMinMaxPyramid& values, Column& column, std::int64_t begin,
                           std::int64_t end) {
    if (begin < column.Begin || end < column.End || begin > column.End ||
        begin - column.Begin > kSlideLimit || end - column.End > kSlideLimit)
        return false;
    // Leaving: [column.Begin, begin). The extent holds unless an extreme leaves.
    for (std::int64_t i = column.Begin; i < begin; ++i) {
        const float v = values.Value(std::size_t(i));
        if (v == column.Extent.Min || v == column.Extent.Max)
            return false;
    }
    // Entering: [column.End, end).
    std::int64_t last = -1;
    for (std::int64_t i = column.End; i < end; ++i) {
        const float v = values.Value(std::size_t(i));
        if (!std::isnan(v)) {
            column.Extent.Add(v);
            last = i;
        }
    }
    if (last >= 0) {
        column.Last = last;
        column.LastValue = values.Value(std::size_t(last));
    } else if (column.Last < begin) {
        column.Last = -1; // only NaN left (the extent was empty already)
    }
    if (column.First < begin && column.Last >= 0) {
        std::int64_t first = begin;
        while (std::isnan(values.Value(std::size_t(first))))
            ++first;
        column.First = first;
        column.FirstValue = values.Value(std::size_t(first));
    }
    if (column.Last < 0)
        column.First = -1;
    column.Begin = begin;
    column.End = end;
    return true;
}

void TColumnExtents::Update(const TMinMaxPyramid& values, const TIndexColumns& columns,
                            int firstColumn, int lastColumn) {
    const auto count = std::int64_t(values.Count());
    const auto size = std::size_t(std::max(lastColumn - firstColumn + 1, 0));
    // Columns keep their ranges only while the layout is the same and
    // points are only added; a single point sits apart, in the middle.
    const bool keep =
        firstColumn == first_ && size == columns_.size() && count >= count_ && count_ > 1;
    if (!keep) {
        first_ = firstColumn;
        columns_.assign(size, Column{});
    }
    for (std::size_t k = 0; k < size; ++k) {
        const int c = firstColumn + int(k);
        const std::int64_t begin = std::min(columns.FirstIndex(c), count);
        const std::int64_t end = std::max(std::min(columns.FirstIndex(c + 1), count), begin);
        Column& column = columns_[k];
        if (!keep || !Slide(values, column, begin, end))
            Recompute(values, column, begin, end);
    }
    count_ = count;
}

void TraceColumns(const TColumnExtents& columns, const TVerticalScale& rows, TLineSpans& spans) {
    for (int c = columns.FirstColumn(); c <= columns.LastColumn(); ++c) {
        const TColumnExtents::Column& column = columns.At(c);
        if (column.Last < 0)
            continue;
        spans.LineTo(c, rows.Row(column.FirstValue));
        spans.LineTo(c, rows.Row(column.Extent.Max));
        spans.LineTo(c, rows.Row(column.Extent.Min));
        spans.LineTo(c, rows.Row(column.LastValue));
    }
}

} // namespace tarvex
