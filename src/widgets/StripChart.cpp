#include "widgets/Chart.h"

#include "widgets/ChartScale.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarvex {

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

QPen GridPen() {
    QPen pen(Qt::gray, 1, Qt::DotLine);
    pen.setCosmetic(true);
    return pen;
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

struct TChart::Frame {
    QSize size;
    QLocale locale;
    std::pair<double, double> leftRange;
    QRect plot;
    int titleHeight = 0;
    double leftStep = 0;
    std::vector<double> leftLabels;
    QPixmap background; // drawn at the first repaint
};

TChart::TChart(QWidget* parent)
    : QWidget(parent), titleFont_(QStringLiteral("MS Serif")), labelFont_(QStringLiteral("Arial")),
      series_(new TLineSeries(*this)), columnExtents_(new TColumnExtents) {
    titleFont_.setPixelSize(11);
    labelFont_.setPixelSize(10);
    bottomAxis_.MinimumLabelStep = 1; // x values are point numbers
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TChart::~TChart() = default;

void TChart::SettingsChanged() {
    frame_.reset();
    bottomTexts_.clear();
    update();
}

void TChart::SetTitle(const QString& title) {
    title_ = title;
    setAccessibleName(title);
    SettingsChanged();
}

void TChart::SetTitleFont(const QFont& font) {
    titleFont_ = font;
    SettingsChanged();
}

void TChart::SetTitleColor(const QColor& color) {
    titleColor_ = color;
    SettingsChanged();
}

void TChart::SetLabelFont(const QFont& font) {
    labelFont_ = font;
    SettingsChanged();
}

void TChart::SetLeftAxis(const TChartAxis& axis) {
    leftAxis_ = axis;
    SettingsChanged();
}

void TChart::SetBottomAxis(const TChartAxis& axis) {
    const double minimum = bottomAxis_.Minimum;
    const double maximum = bottomAxis_.Maximum;
    bottomAxis_ = axis;
    bottomAxis_.Automatic = true;
    bottomAxis_.Minimum = minimum;
    bottomAxis_.Maximum = maximum;
    bottomAxis_.MinimumLabelStep = std::max(axis.MinimumLabelStep, 1.0);
    SettingsChanged();
}

void TChart::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        SettingsChanged();
    QWidget::changeEvent(event);
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

const TChart::Frame& TChart::CurrentFrame() const {
    const std::pair<double, double> leftRange = LeftRange();
    const QLocale locale;
    if (frame_ && frame_->size == size() && frame_->leftRange == leftRange &&
        frame_->locale == locale)
        return *frame_;

    auto frame = std::make_unique<Frame>();
    frame->size = size();
    frame->locale = locale;
    frame->leftRange = leftRange;
    const QFontMetrics labelMetrics(labelFont_);
    frame->titleHeight = title_.isEmpty() ? 0 : QFontMetrics(titleFont_).height();
    const int top = kMargin + frame->titleHeight + kTitleGap;
    const int bottomSpace = 1 + TickSpace(bottomAxis_) + kLabelGap + labelMetrics.height();
    const int bottom = height() - kMargin - bottomSpace; // first row below the plot
    const int plotHeight = std::max(bottom - top, 1);

    const auto [leftMin, leftMax] = leftRange;
    const double axisLength = plotHeight * (leftAxis_.EndPosition - leftAxis_.StartPosition) / 100;
    frame->leftStep =
        AxisLabelStep(leftMin, leftMax, axisLength, kLeftSpacingRows * labelMetrics.height(),
                      leftAxis_.MinimumLabelStep);
    frame->leftLabels = AxisLabelValues(leftMin, leftMax, frame->leftStep);
    int labelWidth = 0;
    for (double value : frame->leftLabels)
        labelWidth = std::max(labelWidth, labelMetrics.horizontalAdvance(FormatAxisLabel(value)));
    const int left = kMargin + labelWidth + kLabelGap + TickSpace(leftAxis_) + 1;
    const int right = width() - kRightMargin; // first column right of the plot
    frame->plot = QRect(left, top, std::max(right - left, 1), plotHeight);
    frame_ = std::move(frame);
    return *frame_;
}

QRect TChart::PlotRect() const {
    return CurrentFrame().plot;
}

TVerticalScale TChart::RowsIn(const QRect& plot, const Frame& frame) const {
    return TVerticalScale(plot.top(), plot.height(), frame.leftRange.first, frame.leftRange.second,
                          leftAxis_.StartPosition, leftAxis_.EndPosition);
}

std::pair<int, int> TChart::ColumnsIn(const QRect& plot) const {
    return {plot.left() + int(std::lround(plot.width() * bottomAxis_.StartPosition / 100)),
            plot.left() + int(std::lround(plot.width() * bottomAxis_.EndPosition / 100)) - 1};
}

void TChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The device painted on: the screen, or an image that the chart is
    // rendered into, perhaps at another pixel ratio.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    const Frame& frame = CurrentFrame();
    painter.drawPixmap(0, 0, Background(frame, ratio));
    PaintBottomAxis(painter, frame);
    PaintLine(painter, frame, ratio);
}

const QPixmap& TChart::Background(const Frame& frame, qreal ratio) const {
    if (frame.background.isNull() || frame.background.devicePixelRatio() != ratio) {
        QPixmap& background = frame_->background;
        background = QPixmap(frame.size * ratio);
        background.setDevicePixelRatio(ratio);
        QPainter painter(&background);
        PaintBackground(painter, frame);
    }
    return frame.background;
}

void TChart::PaintBackground(QPainter& painter, const Frame& frame) const {
    const QRect plot = frame.plot;
    const QRect all(QPoint(0, 0), frame.size);
    painter.fillRect(all, palette().window());
    qDrawShadePanel(&painter, all, palette(), false, 1);

    // Title, centred above the plot.
    painter.setFont(titleFont_);
    painter.setPen(titleColor_);
    painter.drawText(QRect(plot.left(), kMargin, plot.width(), frame.titleHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip, title_);

    const TVerticalScale rows = RowsIn(plot, frame);
    auto insidePlot = [&](int row) { return row >= plot.top() && row <= plot.bottom(); };
    if (leftAxis_.GridVisible) {
        painter.setPen(GridPen());
        for (double value : frame.leftLabels) {
            const int row = rows.Row(value);
            if (insidePlot(row))
                painter.drawLine(PixelCentre(plot.left(), row), PixelCentre(plot.right(), row));
        }
    }

    // Frame round the plot; its left and bottom sides are the axis lines.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));

    // Left axis: ticks and labels.
    const int axisColumn = plot.left() - 1;
    std::vector<QLineF> ticks;
    auto tick = [&](double value, int length) {
        const int row = rows.Row(value);
        if (length > 0 && insidePlot(row))
            ticks.emplace_back(PixelCentre(axisColumn - length, row),
                               PixelCentre(axisColumn - 1, row));
    };
    for (double value : frame.leftLabels)
        tick(value, leftAxis_.TickLength);
    for (double value : AxisMinorTickValues(frame.leftRange.first, frame.leftRange.second,
                                            frame.leftStep, leftAxis_.MinorTickCount))
        tick(value, leftAxis_.MinorTickLength);
    painter.drawLines(ticks.data(), int(ticks.size()));

    painter.setFont(labelFont_);
    const QFontMetrics labelMetrics(labelFont_);
    const int labelRight = axisColumn - TickSpace(leftAxis_) - kLabelGap;
    for (double value : frame.leftLabels) {
        const int row = rows.Row(value);
        if (!insidePlot(row))
            continue;
        const QRect box(kMargin, row - labelMetrics.height() / 2, labelRight - kMargin,
                        labelMetrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip,
                         FormatAxisLabel(value));
    }
}

void TChart::PaintBottomAxis(QPainter& painter, const Frame& frame) {
    const auto count = std::int64_t(series_->Count());
    if (count == 0)
        return;
    const QRect plot = frame.plot;
    const auto [firstColumn, lastColumn] = ColumnsIn(plot);
    const TIndexColumns columns(count, firstColumn, lastColumn);
    const double minimum = bottomAxis_.Minimum;
    const double maximum = bottomAxis_.Maximum;

    // The step keeps the widest label clear of its neighbours.
    const QFontMetrics labelMetrics(labelFont_);
    const int widest = std::max(labelMetrics.horizontalAdvance(FormatAxisLabel(minimum)),
                                labelMetrics.horizontalAdvance(FormatAxisLabel(maximum)));
    const double length =
        plot.width() * (bottomAxis_.EndPosition - bottomAxis_.StartPosition) / 100;
    const double step = AxisLabelStep(minimum, maximum, length, widest + kBottomSpacingGap,
                                      bottomAxis_.MinimumLabelStep);
    const std::vector<double> labels = AxisLabelValues(minimum, maximum, step);
    auto columnOf = [&](double value) { return columns.Column(std::llround(value)); };

    if (bottomAxis_.GridVisible) {
        painter.setPen(GridPen());
        for (double value : labels) {
            const int column = columnOf(value);
            painter.drawLine(PixelCentre(column, plot.top()), PixelCentre(column, plot.bottom()));
        }
    }

    const int axisRow = plot.bottom() + 1;
    std::vector<QLineF> ticks;
    auto tick = [&](int column, int length) {
        if (length > 0)
            ticks.emplace_back(PixelCentre(column, axisRow + 1),
                               PixelCentre(column, axisRow + length));
    };
    for (double value : labels)
        tick(columnOf(value), bottomAxis_.TickLength);
    if (count > 1) {
        // Minor ticks fall between point numbers, so between their columns.
        const double scale = double(lastColumn - firstColumn) / double(count - 1);
        for (double value : AxisMinorTickValues(minimum, maximum, step, bottomAxis_.MinorTickCount))
            tick(firstColumn + int(std::lround(value * scale)), bottomAxis_.MinorTickLength);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLines(ticks.data(), int(ticks.size()));

    // Labels centred under their ticks, kept inside the panel. Their layout
    // is kept from one repaint to the next: most labels stay the same.
    std::vector<std::pair<QString, QStaticText>> texts;
    texts.reserve(labels.size());
    painter.setFont(labelFont_);
    const int labelTop = axisRow + TickSpace(bottomAxis_) + kLabelGap;
    for (double value : labels) {
        QString text = FormatAxisLabel(value);
        auto known = std::find_if(bottomTexts_.begin(), bottomTexts_.end(),
                                  [&](const auto& entry) { return entry.first == text; });
        QStaticText laidOut;
        if (known != bottomTexts_.end()) {
            laidOut = known->second;
        } else {
            laidOut.setText(text);
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.prepare(QTransform(), labelFont_);
        }
        const int textWidth = int(std::ceil(laidOut.size().width()));
        const int x = std::clamp(columnOf(value) - textWidth / 2, kMargin,
                                 std::max(kMargin, width() - kMargin - textWidth));
        painter.drawStaticText(x, labelTop, laidOut);
        texts.emplace_back(std::move(text), std::move(laidOut));
    }
    bottomTexts_ = std::move(texts);
}

void TChart::PaintLine(QPainter& painter, const Frame& frame, qreal ratio) {
    // Traced in device pixels, so that on a dense screen the line keeps its
    // detail; it is drawn with a square brush as wide as one pixel of ours.
    const QRect plot = frame.plot;
    const int brush = std::max(1, int(std::lround(ratio)));
    const QRect device(
        QPoint(int(std::lround(plot.left() * ratio)), int(std::lround(plot.top() * ratio))),
        QPoint(int(std::lround((plot.right() + 1) * ratio)) - 1,
               int(std::lround((plot.bottom() + 1) * ratio)) - 1));
    const TVerticalScale rows = RowsIn(device, frame);
    const auto [firstColumn, lastColumn] = ColumnsIn(device);
    const TIndexColumns columns(std::int64_t(series_->Count()), firstColumn, lastColumn);
    columnExtents_->Update(series_->Values(), columns, firstColumn, lastColumn);
    TLineSpans spans(firstColumn, lastColumn);
    TraceColumns(*columnExtents_, rows, spans);

    // Each column's run of pixels, cut to the plot (a clipped line may run a
    // million rows away).
    std::vector<QRect> runs;
    runs.reserve(std::size_t(lastColumn - firstColumn + 1));
    const int offset = (brush - 1) / 2;
    for (int x = firstColumn; x <= lastColumn; ++x) {
        const TLineSpans::Span& span = spans.At(x);
        if (span.Empty())
            continue;
        const int left = std::max(x - offset, device.left());
        const int right = std::min(x - offset + brush - 1, device.right());
        const int top = std::max(span.Top - offset, device.top());
        const int bottom = std::min(span.Bottom - offset + brush - 1, device.bottom());
        if (left <= right && top <= bottom)
            runs.emplace_back(QPoint(left, top), QPoint(right, bottom));
    }
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
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

} // namespace tarvex
