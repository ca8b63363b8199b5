#include "widgets/Chart.h"

#include "widgets/ChartScale.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kMargin = 4;            // frame and space inside the panel's edge
constexpr int kRightMargin = 12;      // room for the last bottom label to spill into
constexpr int kTitleGap = 4;          // between the title and the plot
constexpr int kLabelGap = 3;          // between a label and its ticks
constexpr int kLeftSpacingRows = 2;   // left labels at least two text lines apart
constexpr int kBottomSpacingGap = 10; // bottom labels at least this much apart

QPointF PixelCentre(int x, int y) {
    return {x + 0.5, y + 0.5};
}

int TickSpace(const TChartAxis& axis) {
    const int minor = axis.MinorTickCount > 0 ? axis.MinorTickLength : 0;
    return std::max({axis.TickLength, minor, 0});
}

} // namespace

void TLineSeries::SetSeriesColor(const QColor& color) {
    color_ = color;
    chart_.update();
}

std::size_t TLineSeries::Add(double value) {
    values_.Append(float(value));
    chart_.PointAdded();
    return values_.Count() - 1;
}

struct TChart::Layout {
    QRect plot;
    int titleHeight = 0;
    std::pair<double, double> leftRange;
    double leftStep = 0;
    double bottomStep = 0;
};

TChart::TChart(QWidget* parent)
    : QWidget(parent), titleFont_(QStringLiteral("MS Serif")), labelFont_(QStringLiteral("Arial")),
      series_(new TLineSeries(*this)) {
    titleFont_.setPixelSize(11);
    labelFont_.setPixelSize(10);
    bottomAxis_.MinimumLabelStep = 1; // x values are point numbers
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TChart::~TChart() = default;

void TChart::SetTitle(const QString& title) {
    title_ = title;
    setAccessibleName(title);
    update();
}

void TChart::SetTitleFont(const QFont& font) {
    titleFont_ = font;
    update();
}

void TChart::SetTitleColor(const QColor& color) {
    titleColor_ = color;
    update();
}

void TChart::SetLabelFont(const QFont& font) {
    labelFont_ = font;
    update();
}

void TChart::SetLeftAxis(const TChartAxis& axis) {
    leftAxis_ = axis;
    update();
}

void TChart::SetBottomAxis(const TChartAxis& axis) {
    const double minimum = bottomAxis_.Minimum;
    const double maximum = bottomAxis_.Maximum;
    bottomAxis_ = axis;
    bottomAxis_.Automatic = true;
    bottomAxis_.Minimum = minimum;
    bottomAxis_.Maximum = maximum;
    bottomAxis_.MinimumLabelStep = std::max(axis.MinimumLabelStep, 1.0);
    update();
}

void TChart::PointAdded() {
    bottomAxis_.Minimum = 0;
    bottomAxis_.Maximum = double(series_->Count() - 1);
    update();
}

std::pair<double, double> TChart::LeftRange() const {
    if (!leftAxis_.Automatic)
        return {leftAxis_.Minimum, leftAxis_.Maximum};
    const auto& values = series_->Values();
    const TMinMax extent = values.Extent(0, values.Count());
    if (extent.Empty() || !std::isfinite(extent.Min) || !std::isfinite(extent.Max))
        return {0, 0};
    return {extent.Min, extent.Max};
}

TChart::Layout TChart::ComputeLayout() const {
    Layout layout;
    const QFontMetrics labelMetrics(labelFont_);
    layout.titleHeight = title_.isEmpty() ? 0 : QFontMetrics(titleFont_).height();
    const int top = kMargin + layout.titleHeight + kTitleGap;
    const int bottomSpace = 1 + TickSpace(bottomAxis_) + kLabelGap + labelMetrics.height();
    const int bottom = height() - kMargin - bottomSpace; // first row below the plot
    const int plotHeight = std::max(bottom - top, 1);

    layout.leftRange = LeftRange();
    const auto [leftMin, leftMax] = layout.leftRange;
    const double axisLength = plotHeight * (leftAxis_.EndPosition - leftAxis_.StartPosition) / 100;
    layout.leftStep =
        AxisLabelStep(leftMin, leftMax, axisLength, kLeftSpacingRows * labelMetrics.height(),
                      leftAxis_.MinimumLabelStep);
    int labelWidth = 0;
    for (double value : AxisLabelValues(leftMin, leftMax, layout.leftStep))
        labelWidth = std::max(labelWidth, labelMetrics.horizontalAdvance(FormatAxisLabel(value)));
    const int left = kMargin + labelWidth + kLabelGap + TickSpace(leftAxis_) + 1;
    const int right = width() - kRightMargin; // first column right of the plot
    layout.plot = QRect(left, top, std::max(right - left, 1), plotHeight);

    const int widest =
        std::max(labelMetrics.horizontalAdvance(FormatAxisLabel(bottomAxis_.Minimum)),
                 labelMetrics.horizontalAdvance(FormatAxisLabel(bottomAxis_.Maximum)));
    const double bottomLength =
        layout.plot.width() * (bottomAxis_.EndPosition - bottomAxis_.StartPosition) / 100;
    layout.bottomStep = AxisLabelStep(bottomAxis_.Minimum, bottomAxis_.Maximum, bottomLength,
                                      widest + kBottomSpacingGap, bottomAxis_.MinimumLabelStep);
    return layout;
}

QRect TChart::PlotRect() const {
    return ComputeLayout().plot;
}

TVerticalScale TChart::RowsIn(const QRect& plot, const Layout& layout) const {
    return TVerticalScale(plot.top(), plot.height(), layout.leftRange.first,
                          layout.leftRange.second, leftAxis_.StartPosition, leftAxis_.EndPosition);
}

std::pair<int, int> TChart::ColumnsIn(const QRect& plot) const {
    return {plot.left() + int(std::lround(plot.width() * bottomAxis_.StartPosition / 100)),
            plot.left() + int(std::lround(plot.width() * bottomAxis_.EndPosition / 100)) - 1};
}

void TChart::paintEvent(QPaintEvent*) {
    const Layout layout = ComputeLayout();
    const QRect plot = layout.plot;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    qDrawShadePanel(&painter, rect(), palette(), false, 1);

    // Title, centred above the plot.
    painter.setFont(titleFont_);
    painter.setPen(titleColor_);
    painter.drawText(QRect(plot.left(), kMargin, plot.width(), layout.titleHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip, title_);

    const auto [leftMin, leftMax] = layout.leftRange;
    const TVerticalScale rows = RowsIn(plot, layout);
    const auto count = std::int64_t(series_->Count());
    const auto [firstColumn, lastColumn] = ColumnsIn(plot);
    const TIndexColumns columns(count, firstColumn, lastColumn);

    const std::vector<double> leftLabels = AxisLabelValues(leftMin, leftMax, layout.leftStep);
    std::vector<double> bottomLabels;
    if (count > 0)
        bottomLabels = AxisLabelValues(bottomAxis_.Minimum, bottomAxis_.Maximum, layout.bottomStep);
    auto labelRow = [&](double value) { return rows.Row(value); };
    auto labelColumn = [&](double value) { return columns.Column(std::llround(value)); };
    auto insidePlot = [&](int row) { return row >= plot.top() && row <= plot.bottom(); };

    // Grid lines at the labels.
    QPen gridPen(Qt::gray, 1, Qt::DotLine);
    gridPen.setCosmetic(true);
    painter.setPen(gridPen);
    if (leftAxis_.GridVisible) {
        for (double value : leftLabels) {
            const int row = labelRow(value);
            if (insidePlot(row))
                painter.drawLine(PixelCentre(plot.left(), row), PixelCentre(plot.right(), row));
        }
    }
    if (bottomAxis_.GridVisible) {
        for (double value : bottomLabels) {
            const int column = labelColumn(value);
            painter.drawLine(PixelCentre(column, plot.top()), PixelCentre(column, plot.bottom()));
        }
    }

    // Frame round the plot; its left and bottom sides are the axis lines.
    QPen axisPen(Qt::black, 1);
    painter.setPen(axisPen);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));

    // Left axis: ticks and labels.
    const int axisColumn = plot.left() - 1;
    auto leftTick = [&](double value, int length) {
        const int row = labelRow(value);
        if (length > 0 && insidePlot(row))
            painter.drawLine(PixelCentre(axisColumn - length, row),
                             PixelCentre(axisColumn - 1, row));
    };
    for (double value : leftLabels)
        leftTick(value, leftAxis_.TickLength);
    for (double value :
         AxisMinorTickValues(leftMin, leftMax, layout.leftStep, leftAxis_.MinorTickCount))
        leftTick(value, leftAxis_.MinorTickLength);
    painter.setFont(labelFont_);
    const QFontMetrics labelMetrics(labelFont_);
    const int labelRight = axisColumn - TickSpace(leftAxis_) - kLabelGap;
    for (double value : leftLabels) {
        const int row = labelRow(value);
        if (!insidePlot(row))
            continue;
        const QRect box(kMargin, row - labelMetrics.height() / 2, labelRight - kMargin,
                        labelMetrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip,
                         FormatAxisLabel(value));
    }

    // Bottom axis: ticks and labels.
    const int axisRow = plot.bottom() + 1;
    auto bottomTick = [&](int column, int length) {
        if (length > 0)
            painter.drawLine(PixelCentre(column, axisRow + 1),
                             PixelCentre(column, axisRow + length));
    };
    for (double value : bottomLabels)
        bottomTick(labelColumn(value), bottomAxis_.TickLength);
    if (count > 1 && bottomAxis_.MinorTickCount > 0) {
        // Minor ticks between point numbers fall between columns; draw each
        // where the nearest point number would be.
        const double scale = double(lastColumn - firstColumn) / double(count - 1);
        for (double value : AxisMinorTickValues(bottomAxis_.Minimum, bottomAxis_.Maximum,
                                                layout.bottomStep, bottomAxis_.MinorTickCount))
            bottomTick(firstColumn + int(std::lround(value * scale)), bottomAxis_.MinorTickLength);
    }
    const int labelTop = axisRow + 1 + TickSpace(bottomAxis_) + kLabelGap - 1;
    for (double value : bottomLabels) {
        const QString text = FormatAxisLabel(value);
        const int textWidth = labelMetrics.horizontalAdvance(text);
        int x = labelColumn(value) - textWidth / 2;
        x = std::clamp(x, kMargin, std::max(kMargin, width() - kMargin - textWidth));
        painter.drawText(QRect(x, labelTop, textWidth, labelMetrics.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    }

    PaintLine(painter, plot, layout);
}

void TChart::PaintLine(QPainter& painter, const QRect& plot, const Layout& layout) {
    // Traced in device pixels, so that on a dense screen the line keeps its
    // detail; it is drawn with a square brush as wide as one pixel of ours.
    const qreal ratio = devicePixelRatioF();
    const int brush = std::max(1, int(std::lround(ratio)));
    const QRect device(
        QPoint(int(std::lround(plot.left() * ratio)), int(std::lround(plot.top() * ratio))),
        QPoint(int(std::lround((plot.right() + 1) * ratio)) - 1,
               int(std::lround((plot.bottom() + 1) * ratio)) - 1));
    const TVerticalScale rows = RowsIn(device, layout);
    const auto [firstColumn, lastColumn] = ColumnsIn(device);
    const TIndexColumns columns(std::int64_t(series_->Count()), firstColumn, lastColumn);
    TLineSpans spans(firstColumn, lastColumn);
    TraceReducedLine(series_->Values(), columns, rows, spans);

    std::vector<QRect> runs;
    runs.reserve(std::size_t(lastColumn - firstColumn + 1));
    const int offset = (brush - 1) / 2;
    for (int x = firstColumn; x <= lastColumn; ++x) {
        const TLineSpans::Span& span = spans.At(x);
        if (span.Empty())
            continue;
        // Cut to the plot first: a clipped line may run a million rows away.
        const int top = std::max(span.Top - offset, device.top());
        const int bottom = std::min(span.Bottom - offset + brush - 1, device.bottom());
        if (top <= bottom)
            runs.emplace_back(x - offset, top, brush, bottom - top + 1);
    }
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    painter.setClipRect(device);
    painter.setPen(Qt::NoPen);
    painter.setBrush(series_->SeriesColor());
    painter.drawRects(runs.data(), int(runs.size()));
    painter.restore();
}

TLineSeries& ConfigureRunChart(TChart& chart, TRunChart which) {
    struct Setup {
        const char* name;
        const char* title;
        const char* seriesTitle;
        double maximum;
        bool ticks;
    };
    static constexpr Setup setups[] = {
        {"Chart1", "Vol-Run chart", "VolChart", 360, false},
        {"Chart2", "Cur-Run Chart", "CurChart", 4, true},
        {"Chart3", "Pow-Run Chart", "PowChart", 200, true},
    };
    const Setup& setup = setups[int(which)];

    chart.setObjectName(QString::fromLatin1(setup.name));
    chart.setFixedSize(384, 155);
    chart.SetTitle(QString::fromLatin1(setup.title));
    QFont titleFont(QStringLiteral("MS Serif"));
    titleFont.setPixelSize(11);
    titleFont.setWeight(QFont::Normal);
    titleFont.setItalic(false);
    chart.SetTitleFont(titleFont);
    chart.SetTitleColor(QColor(0, 0, 255));

    TChartAxis left;
    left.Automatic = false;
    left.Minimum = 0;
    left.Maximum = setup.maximum;
    left.EndPosition = 98;
    left.TickLength = setup.ticks ? 4 : 0;
    left.MinorTickCount = setup.ticks ? 3 : 0;
    left.MinorTickLength = setup.ticks ? 2 : 0;
    chart.SetLeftAxis(left);
    chart.SetBottomAxis(TChartAxis{});

    TLineSeries& series = chart.Series();
    series.SetTitle(QString::fromLatin1(setup.seriesTitle));
    series.SetSeriesColor(QColor(255, 0, 0));
    return series;
}
