#include "widgets/StripChart.h"

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

QPointF pixelCentre(int x, int y) {
    return {x + 0.5, y + 0.5};
}

QPen gridPen() {
    QPen pen(Qt::gray, 1, Qt::DotLine);
    pen.setCosmetic(true);
    return pen;
}

int tickSpace(const ChartAxis& axis) {
    const int minor = axis.minorTickCount > 0 ? axis.minorTickLength : 0;
    return std::max({axis.tickLength, minor, 0});
}

} // namespace

void LineSeries::setColor(const QColor& color) {
    m_color = color;
    m_chart.update();
}

std::size_t LineSeries::append(double value) {
    m_values.append(float(value));
    m_chart.pointAdded();
    return m_values.count() - 1;
}

struct StripChart::Frame {
    QSize size;
    QLocale locale;
    std::pair<double, double> leftRange;
    QRect plot;
    int titleHeight = 0;
    double leftStep = 0;
    std::vector<double> leftLabels;
    QPixmap background; // drawn at the first repaint
};

StripChart::StripChart(QWidget* parent)
    : QWidget(parent), m_titleFont(QStringLiteral("MS Serif")),
      m_labelFont(QStringLiteral("Arial")), m_series(new LineSeries(*this)),
      m_columnExtents(new ColumnExtents) {
    m_titleFont.setPixelSize(11);
    m_labelFont.setPixelSize(10);
    m_bottomAxis.minimumLabelStep = 1; // x values are point numbers
    setAttribute(Qt::WA_OpaquePaintEvent);
}

StripChart::~StripChart() = default;

void StripChart::settingsChanged() {
    m_frame.reset();
    m_bottomTexts.clear();
    update();
}

void StripChart::setTitle(const QString& title) {
    m_title = title;
    setAccessibleName(title);
    settingsChanged();
}

void StripChart::setTitleFont(const QFont& font) {
    m_titleFont = font;
    settingsChanged();
}

void StripChart::setTitleColor(const QColor& color) {
    m_titleColor = color;
    settingsChanged();
}

void StripChart::setLabelFont(const QFont& font) {
    m_labelFont = font;
    settingsChanged();
}

void StripChart::setLeftAxis(const ChartAxis& axis) {
    m_leftAxis = axis;
    settingsChanged();
}

void StripChart::setBottomAxis(const ChartAxis& axis) {
    const double minimum = m_bottomAxis.minimum;
    const double maximum = m_bottomAxis.maximum;
    m_bottomAxis = axis;
    m_bottomAxis.automatic = true;
    m_bottomAxis.minimum = minimum;
    m_bottomAxis.maximum = maximum;
    m_bottomAxis.minimumLabelStep = std::max(axis.minimumLabelStep, 1.0);
    settingsChanged();
}

void StripChart::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        settingsChanged();
    QWidget::changeEvent(event);
}

void StripChart::pointAdded() {
    m_bottomAxis.minimum = 0;
    m_bottomAxis.maximum = double(m_series->count() - 1);
    update();
}

std::pair<double, double> StripChart::leftRange() const {
    if (!m_leftAxis.automatic)
        return {m_leftAxis.minimum, m_leftAxis.maximum};
    const auto& values = m_series->values();
    const MinMax extent = values.extent(0, values.count());
    if (extent.isEmpty() || !std::isfinite(extent.min) || !std::isfinite(extent.max))
        return {0, 0};
    return {extent.min, extent.max};
}

const StripChart::Frame& StripChart::currentFrame() const {
    const std::pair<double, double> range = leftRange();
    const QLocale locale;
    if (m_frame && m_frame->size == size() && m_frame->leftRange == range &&
        m_frame->locale == locale)
        return *m_frame;

    auto frame = std::make_unique<Frame>();
    frame->size = size();
    frame->locale = locale;
    frame->leftRange = range;
    const QFontMetrics labelMetrics(m_labelFont);
    frame->titleHeight = m_title.isEmpty() ? 0 : QFontMetrics(m_titleFont).height();
    const int top = kMargin + frame->titleHeight + kTitleGap;
    const int bottomSpace = 1 + tickSpace(m_bottomAxis) + kLabelGap + labelMetrics.height();
    const int bottom = height() - kMargin - bottomSpace; // first row below the plot
    const int plotHeight = std::max(bottom - top, 1);

    const auto [leftMin, leftMax] = range;
    const double axisLength =
        plotHeight * (m_leftAxis.endPosition - m_leftAxis.startPosition) / 100;
    frame->leftStep =
        axisLabelStep(leftMin, leftMax, axisLength, kLeftSpacingRows * labelMetrics.height(),
                      m_leftAxis.minimumLabelStep);
    frame->leftLabels = axisLabelValues(leftMin, leftMax, frame->leftStep);
    int labelWidth = 0;
    for (double value : frame->leftLabels)
        labelWidth = std::max(labelWidth, labelMetrics.horizontalAdvance(formatAxisLabel(value)));
    const int left = kMargin + labelWidth + kLabelGap + tickSpace(m_leftAxis) + 1;
    const int right = width() - kRightMargin; // first column right of the plot
    frame->plot = QRect(left, top, std::max(right - left, 1), plotHeight);
    m_frame = std::move(frame);
    return *m_frame;
}

QRect StripChart::plotRect() const {
    return currentFrame().plot;
}

VerticalScale StripChart::rowsIn(const QRect& plot, const Frame& frame) const {
    return VerticalScale(plot.top(), plot.height(), frame.leftRange.first, frame.leftRange.second,
                         m_leftAxis.startPosition, m_leftAxis.endPosition);
}

std::pair<int, int> StripChart::columnsIn(const QRect& plot) const {
    return {plot.left() + int(std::lround(plot.width() * m_bottomAxis.startPosition / 100)),
            plot.left() + int(std::lround(plot.width() * m_bottomAxis.endPosition / 100)) - 1};
}

void StripChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The device painted on: the screen, or an image that the chart is
    // rendered into, perhaps at another pixel ratio.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    const Frame& frame = currentFrame();
    painter.drawPixmap(0, 0, backgroundFor(frame, ratio));
    paintBottomAxis(painter, frame);
    paintLine(painter, frame, ratio);
}

const QPixmap& StripChart::backgroundFor(const Frame& frame, qreal ratio) const {
    if (frame.background.isNull() || frame.background.devicePixelRatio() != ratio) {
        QPixmap& background = m_frame->background;
        background = QPixmap(frame.size * ratio);
        background.setDevicePixelRatio(ratio);
        QPainter painter(&background);
        paintBackground(painter, frame);
    }
    return frame.background;
}

void StripChart::paintBackground(QPainter& painter, const Frame& frame) const {
    const QRect plot = frame.plot;
    const QRect all(QPoint(0, 0), frame.size);
    painter.fillRect(all, palette().window());
    qDrawShadePanel(&painter, all, palette(), false, 1);

    // Title, centred above the plot.
    painter.setFont(m_titleFont);
    painter.setPen(m_titleColor);
    painter.drawText(QRect(plot.left(), kMargin, plot.width(), frame.titleHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip, m_title);

    const VerticalScale rows = rowsIn(plot, frame);
    auto insidePlot = [&](int row) { return row >= plot.top() && row <= plot.bottom(); };
    if (m_leftAxis.gridVisible) {
        painter.setPen(gridPen());
        for (double value : frame.leftLabels) {
            const int row = rows.row(value);
            if (insidePlot(row))
                painter.drawLine(pixelCentre(plot.left(), row), pixelCentre(plot.right(), row));
        }
    }

    // Frame round the plot; its left and bottom sides are the axis lines.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));

    // Left axis: ticks and labels.
    const int axisColumn = plot.left() - 1;
    std::vector<QLineF> ticks;
    auto tick = [&](double value, int length) {
        const int row = rows.row(value);
        if (length > 0 && insidePlot(row))
            ticks.emplace_back(pixelCentre(axisColumn - length, row),
                               pixelCentre(axisColumn - 1, row));
    };
    for (double value : frame.leftLabels)
        tick(value, m_leftAxis.tickLength);
    for (double value : axisMinorTickValues(frame.leftRange.first, frame.leftRange.second,
                                            frame.leftStep, m_leftAxis.minorTickCount))
        tick(value, m_leftAxis.minorTickLength);
    painter.drawLines(ticks.data(), int(ticks.size()));

    painter.setFont(m_labelFont);
    const QFontMetrics labelMetrics(m_labelFont);
    const int labelRight = axisColumn - tickSpace(m_leftAxis) - kLabelGap;
    for (double value : frame.leftLabels) {
        const int row = rows.row(value);
        if (!insidePlot(row))
            continue;
        const QRect box(kMargin, row - labelMetrics.height() / 2, labelRight - kMargin,
                        labelMetrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip,
                         formatAxisLabel(value));
    }
}

void StripChart::paintBottomAxis(QPainter& painter, const Frame& frame) {
    const auto count = std::int64_t(m_series->count());
    if (count == 0)
        return;
    const QRect plot = frame.plot;
    const auto [firstColumn, lastColumn] = columnsIn(plot);
    const IndexColumns columns(count, firstColumn, lastColumn);
    const double minimum = m_bottomAxis.minimum;
    const double maximum = m_bottomAxis.maximum;

    // The step keeps the widest label clear of its neighbours.
    const QFontMetrics labelMetrics(m_labelFont);
    const int widest = std::max(labelMetrics.horizontalAdvance(formatAxisLabel(minimum)),
                                labelMetrics.horizontalAdvance(formatAxisLabel(maximum)));
    const double length =
        plot.width() * (m_bottomAxis.endPosition - m_bottomAxis.startPosition) / 100;
    const double step = axisLabelStep(minimum, maximum, length, widest + kBottomSpacingGap,
                                      m_bottomAxis.minimumLabelStep);
    const std::vector<double> labels = axisLabelValues(minimum, maximum, step);
    auto columnOf = [&](double value) { return columns.column(std::llround(value)); };

    if (m_bottomAxis.gridVisible) {
        painter.setPen(gridPen());
        for (double value : labels) {
            const int column = columnOf(value);
            painter.drawLine(pixelCentre(column, plot.top()), pixelCentre(column, plot.bottom()));
        }
    }

    const int axisRow = plot.bottom() + 1;
    std::vector<QLineF> ticks;
    auto tick = [&](int column, int length) {
        if (length > 0)
            ticks.emplace_back(pixelCentre(column, axisRow + 1),
                               pixelCentre(column, axisRow + length));
    };
    for (double value : labels)
        tick(columnOf(value), m_bottomAxis.tickLength);
    if (count > 1) {
        // Minor ticks fall between point numbers, so between their columns.
        const double scale = double(lastColumn - firstColumn) / double(count - 1);
        for (double value :
             axisMinorTickValues(minimum, maximum, step, m_bottomAxis.minorTickCount))
            tick(firstColumn + int(std::lround(value * scale)), m_bottomAxis.minorTickLength);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLines(ticks.data(), int(ticks.size()));

    // Labels centred under their ticks, kept inside the panel. Their layout
    // is kept from one repaint to the next: most labels stay the same.
    std::vector<std::pair<QString, QStaticText>> texts;
    texts.reserve(labels.size());
    painter.setFont(m_labelFont);
    const int labelTop = axisRow + tickSpace(m_bottomAxis) + kLabelGap;
    for (double value : labels) {
        QString text = formatAxisLabel(value);
        auto known = std::find_if(m_bottomTexts.begin(), m_bottomTexts.end(),
                                  [&](const auto& entry) { return entry.first == text; });
        QStaticText laidOut;
        if (known != m_bottomTexts.end()) {
            laidOut = known->second;
        } else {
            laidOut.setText(text);
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.prepare(QTransform(), m_labelFont);
        }
        const int textWidth = int(std::ceil(laidOut.size().width()));
        const int x = std::clamp(columnOf(value) - textWidth / 2, kMargin,
                                 std::max(kMargin, width() - kMargin - textWidth));
        painter.drawStaticText(x, labelTop, laidOut);
        texts.emplace_back(std::move(text), std::move(laidOut));
    }
    m_bottomTexts = std::move(texts);
}

void StripChart::paintLine(QPainter& painter, const Frame& frame, qreal ratio) {
    // Traced in device pixels, so that on a dense screen the line keeps its
    // detail; it is drawn with a square brush as wide as one pixel of ours.
    const QRect plot = frame.plot;
    const int brush = std::max(1, int(std::lround(ratio)));
    const QRect device(
        QPoint(int(std::lround(plot.left() * ratio)), int(std::lround(plot.top() * ratio))),
        QPoint(int(std::lround((plot.right() + 1) * ratio)) - 1,
               int(std::lround((plot.bottom() + 1) * ratio)) - 1));
    const VerticalScale rows = rowsIn(device, frame);
    const auto [firstColumn, lastColumn] = columnsIn(device);
    const IndexColumns columns(std::int64_t(m_series->count()), firstColumn, lastColumn);
    m_columnExtents->update(m_series->values(), columns, firstColumn, lastColumn);
    LineSpans spans(firstColumn, lastColumn);
    traceColumns(*m_columnExtents, rows, spans);

    // Each column's run of pixels, cut to the plot (a clipped line may run a
    // million rows away).
    std::vector<QRect> runs;
    runs.reserve(std::size_t(lastColumn - firstColumn + 1));
    const int offset = (brush - 1) / 2;
    for (int x = firstColumn; x <= lastColumn; ++x) {
        const LineSpans::Span& span = spans.at(x);
        if (span.isEmpty())
            continue;
        const int left = std::max(x - offset, device.left());
        const int right = std::min(x - offset + brush - 1, device.right());
        const int top = std::max(span.top - offset, device.top());
        const int bottom = std::min(span.bottom - offset + brush - 1, device.bottom());
        if (left <= right && top <= bottom)
            runs.emplace_back(QPoint(left, top), QPoint(right, bottom));
    }
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_series->color());
    painter.drawRects(runs.data(), int(runs.size()));
    painter.restore();
}

} // namespace tarvex
