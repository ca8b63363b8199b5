#include "widgets/ChartPanel.h"

#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QRubberBand>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarvex {

namespace {

constexpr int kMargin = 4;            // frame and space inside the panel's edge
constexpr int kRightMargin = 12;      // room for the last bottom label to spill into
constexpr int kLegendGap = 10;        // between the plot and a legend
constexpr int kTitleGap = 4;          // between the title and the plot
constexpr int kLabelGap = 3;          // between a label and its ticks
constexpr int kAxisTitleGap = 4;      // between an axis' labels and its title
constexpr int kLeftSpacingRows = 2;   // left labels at least two text lines apart
constexpr int kBottomSpacingGap = 10; // bottom labels at least this much apart

// One notch of the mouse wheel (120 eighths of a degree) narrows the bottom
// axis to 1 / kWheelZoom of its width, or widens it kWheelZoom times.
constexpr double kWheelZoom = 1.25;
// Dots per inch of a picture at scale 1.
constexpr double kPictureDpi = 96;

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

struct ChartPanel::Frame {
    QSize size;
    QLocale locale;
    std::pair<double, double> leftRange;
    bool zoomed = false; // the title says so
    QRect plot;
    QRect legend; // empty without a legend
    int titleHeight = 0;
    double leftStep = 0;
    std::vector<double> leftLabels;
    QPixmap background; // drawn at the first repaint
};

ChartPanel::ChartPanel(QWidget* parent)
    : QWidget(parent), m_titleFont(QStringLiteral("MS Serif")),
      m_labelFont(QStringLiteral("Arial")) {
    m_titleFont.setPixelSize(11);
    m_labelFont.setPixelSize(10);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ChartPanel::~ChartPanel() = default;

void ChartPanel::layoutChanged() {
    m_frame.reset();
    m_bottomTexts.clear();
    update();
}

void ChartPanel::setTitle(const QString& title) {
    m_title = title;
    setAccessibleName(title);
    layoutChanged();
}

void ChartPanel::setTitleFont(const QFont& font) {
    m_titleFont = font;
    layoutChanged();
}

void ChartPanel::setTitleColor(const QColor& color) {
    m_titleColor = color;
    layoutChanged();
}

void ChartPanel::setLabelFont(const QFont& font) {
    m_labelFont = font;
    layoutChanged();
}

void ChartPanel::setLineWidth(int width) {
    m_lineWidth = std::max(width, 1);
    update();
}

void ChartPanel::setLeftAxis(const ChartAxis& axis) {
    m_leftAxis = axis;
    layoutChanged();
}

void ChartPanel::setBottomAxis(const ChartAxis& axis) {
    const double minimum = m_bottomAxis.minimum;
    const double maximum = m_bottomAxis.maximum;
    m_bottomAxis = axis;
    m_bottomAxis.automatic = true;
    m_bottomAxis.minimum = minimum;
    m_bottomAxis.maximum = maximum;
    m_bottomAxis.minimumLabelStep = std::max(axis.minimumLabelStep, minimumBottomLabelStep());
    layoutChanged();
}

void ChartPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        layoutChanged();
    QWidget::changeEvent(event);
}

void ChartPanel::followExtent() {
    const auto [first, last] = bottomExtent();
    m_bottomAxis.minimum = first;
    m_bottomAxis.maximum = last;
}

void ChartPanel::pointsChanged() {
    if (!m_zoom)
        followExtent();
    update();
}

int ChartPanel::legendWidth(int) const {
    return 0;
}

void ChartPanel::paintLegend(QPainter&, const QRect&) const {}

std::pair<double, double> ChartPanel::leftRange() const {
    if (m_zoom)
        return {m_zoom->low, m_zoom->high};
    if (!m_leftAxis.automatic)
        return {m_leftAxis.minimum, m_leftAxis.maximum};
    return pointsLeftRange();
}

const ChartPanel::Frame& ChartPanel::currentFrame() const {
    const std::pair<double, double> range = leftRange();
    const QLocale locale;
    const bool zoomed = isZoomed();
    if (m_frame && m_frame->size == size() && m_frame->leftRange == range &&
        m_frame->locale == locale && m_frame->zoomed == zoomed)
        return *m_frame;

    auto frame = std::make_unique<Frame>();
    frame->size = size();
    frame->locale = locale;
    frame->leftRange = range;
    frame->zoomed = zoomed;
    const QFontMetrics labelMetrics(m_labelFont);
    frame->titleHeight = m_title.isEmpty() ? 0 : QFontMetrics(m_titleFont).height();
    const int top = kMargin + frame->titleHeight + kTitleGap;
    int bottomSpace = 1 + tickSpace(m_bottomAxis) + kLabelGap + labelMetrics.height();
    if (!m_bottomAxis.title.isEmpty())
        bottomSpace += kAxisTitleGap + labelMetrics.height();
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
    int left = kMargin + labelWidth + kLabelGap + tickSpace(m_leftAxis) + 1;
    if (!m_leftAxis.title.isEmpty())
        left += labelMetrics.height() + kAxisTitleGap;
    int right = width() - kRightMargin; // first column right of the plot
    if (const int legend = legendWidth(plotHeight); legend > 0) {
        frame->legend = QRect(width() - kMargin - legend, top, legend, plotHeight);
        right = std::min(right, frame->legend.left() - kLegendGap);
    }
    frame->plot = QRect(left, top, std::max(right - left, 1), plotHeight);
    m_frame = std::move(frame);
    return *m_frame;
}

QRect ChartPanel::plotRect() const {
    return currentFrame().plot;
}

VerticalScale ChartPanel::rowsIn(const QRect& plot, const Frame& frame) const {
    return VerticalScale(plot.top(), plot.height(), frame.leftRange.first, frame.leftRange.second,
                         m_leftAxis.startPosition, m_leftAxis.endPosition);
}

std::pair<int, int> ChartPanel::columnsIn(const QRect& plot) const {
    return {plot.left() + int(std::lround(plot.width() * m_bottomAxis.startPosition / 100)),
            plot.left() + int(std::lround(plot.width() * m_bottomAxis.endPosition / 100)) - 1};
}

void ChartPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The device painted on: the screen, or an image that the chart is
    // rendered into, perhaps at another pixel ratio.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    const Frame& frame = currentFrame();
    painter.drawPixmap(0, 0, backgroundFor(frame, ratio));
    paintBottomAxis(painter, frame);

    // Lines are traced in device pixels, so that on a dense screen they keep
    // their detail; they are drawn with a square brush as wide as lineWidth
    // pixels of ours.
    const QRect plot = frame.plot;
    const QRect device(
        QPoint(int(std::lround(plot.left() * ratio)), int(std::lround(plot.top() * ratio))),
        QPoint(int(std::lround((plot.right() + 1) * ratio)) - 1,
               int(std::lround((plot.bottom() + 1) * ratio)) - 1));
    const auto [firstColumn, lastColumn] = columnsIn(device);
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    paintLines(painter, {device, firstColumn, lastColumn, rowsIn(device, frame),
                         std::max(1, int(std::lround(m_lineWidth * ratio)))});
    painter.restore();

    if (hasFocus() && !m_paintingPicture) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void ChartPanel::paintLine(QPainter& painter, const DevicePlot& plot, const MinMaxPyramid& values,
                           const PointColumns& columns, ColumnExtents& extents, const QColor& color,
                           LineGaps gaps) const {
    extents.update(values, columns, plot.firstColumn, plot.lastColumn);
    LineSpans spans(plot.firstColumn, plot.lastColumn);
    traceLine(values, columns, extents, plot.rows, spans, gaps);

    // Each column's run of pixels, cut to the plot (a clipped line may run a
    // million rows away).
    const QRect device = plot.rect;
    std::vector<QRect> runs;
    runs.reserve(std::size_t(std::max(plot.lastColumn - plot.firstColumn + 1, 0)));
    const int offset = (plot.brush - 1) / 2;
    for (int x = plot.firstColumn; x <= plot.lastColumn; ++x) {
        const LineSpans::Span& span = spans.at(x);
        if (span.isEmpty())
            continue;
        const int left = std::max(x - offset, device.left());
        const int right = std::min(x - offset + plot.brush - 1, device.right());
        const int top = std::max(span.top - offset, device.top());
        const int bottom = std::min(span.bottom - offset + plot.brush - 1, device.bottom());
        if (left <= right && top <= bottom)
            runs.emplace_back(QPoint(left, top), QPoint(right, bottom));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRects(runs.data(), int(runs.size()));
}

const QPixmap& ChartPanel::backgroundFor(const Frame& frame, qreal ratio) const {
    if (frame.background.isNull() || frame.background.devicePixelRatio() != ratio) {
        QPixmap& background = m_frame->background;
        background = QPixmap(frame.size * ratio);
        background.setDevicePixelRatio(ratio);
        QPainter painter(&background);
        paintBackground(painter, frame);
    }
    return frame.background;
}

void ChartPanel::paintBackground(QPainter& painter, const Frame& frame) const {
    const QRect plot = frame.plot;
    const QRect all(QPoint(0, 0), frame.size);
    painter.fillRect(all, palette().window());
    qDrawShadePanel(&painter, all, palette(), false, 1);

    // Title, centred above the plot.
    painter.setFont(m_titleFont);
    painter.setPen(m_titleColor);
    painter.drawText(QRect(plot.left(), kMargin, plot.width(), frame.titleHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip,
                     frame.zoomed ? tr("%1 (zoomed)").arg(m_title) : m_title);

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

    // Axis titles: the left one turned upwards at the panel's edge, the
    // bottom one under the bottom labels.
    if (!m_leftAxis.title.isEmpty()) {
        painter.save();
        painter.translate(kMargin, plot.bottom() + 1);
        painter.rotate(-90);
        painter.drawText(QRect(0, 0, plot.height(), labelMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip, m_leftAxis.title);
        painter.restore();
    }
    if (!m_bottomAxis.title.isEmpty()) {
        const int titleTop = plot.bottom() + 2 + tickSpace(m_bottomAxis) + kLabelGap +
                             labelMetrics.height() + kAxisTitleGap;
        painter.drawText(QRect(plot.left(), titleTop, plot.width(), labelMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip,
                         m_bottomAxis.title);
    }

    if (!frame.legend.isEmpty()) {
        painter.save();
        paintLegend(painter, frame.legend);
        painter.restore();
    }
}

void ChartPanel::paintBottomAxis(QPainter& painter, const Frame& frame) {
    if (!hasPoints())
        return;
    const QRect plot = frame.plot;
    const auto [firstColumn, lastColumn] = columnsIn(plot);
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
    auto columnOf = [&](double value) { return bottomColumn(value, firstColumn, lastColumn); };

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
    if (maximum > minimum) {
        // Minor ticks fall between the labels, evenly across the columns.
        const double scale = double(lastColumn - firstColumn) / (maximum - minimum);
        for (double value :
             axisMinorTickValues(minimum, maximum, step, m_bottomAxis.minorTickCount))
            tick(firstColumn + int(std::lround((value - minimum) * scale)),
                 m_bottomAxis.minorTickLength);
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

// --- zoom and scroll ---------------------------------------------------------

ChartView ChartPanel::wholeView() const {
    const auto [first, last] = bottomExtent();
    const auto [low, high] = leftRange();
    return {first, last, low, high};
}

void ChartPanel::zoomTo(const ChartView& view) {
    if (!canZoom())
        return;
    const auto [wholeFirst, wholeLast] = bottomExtent();
    const double width = std::min(minimumViewWidth(), wholeLast - wholeFirst);
    ChartView zoom = view;
    if (!std::isfinite(view.first) || !std::isfinite(view.last))
        zoom.first = zoom.last = wholeFirst;
    const double lowest = std::min(zoom.first, zoom.last);
    const double highest = std::max(zoom.first, zoom.last);
    zoom.first = std::clamp(lowest, wholeFirst, wholeLast - width);
    zoom.last = std::clamp(highest, zoom.first + width, wholeLast);
    if (!(zoom.high > zoom.low) || !std::isfinite(zoom.low) || !std::isfinite(zoom.high)) {
        const auto [low, high] = leftRange();
        zoom.low = low;
        zoom.high = high;
    }
    m_zoom.reset();
    if (zoom == wholeView()) {
        showAll();
        return;
    }
    m_zoom = zoom;
    m_bottomAxis.minimum = zoom.first;
    m_bottomAxis.maximum = zoom.last;
    update();
}

void ChartPanel::showAll() {
    m_zoom.reset();
    followExtent();
    update();
}

void ChartPanel::zoomInto(const QRect& area) {
    const Frame& frame = currentFrame();
    const QRect inside = area.intersected(frame.plot);
    if (inside.isEmpty() || !canZoom())
        return;
    const auto [firstColumn, lastColumn] = columnsIn(frame.plot);
    const VerticalScale rows = rowsIn(frame.plot, frame);
    // The rectangle's columns and rows, whole: from the top edge of its top
    // row to the bottom edge of its bottom row.
    zoomTo({bottomValueAt(inside.left(), firstColumn, lastColumn),
            bottomValueAt(inside.right(), firstColumn, lastColumn), rows.value(inside.bottom() + 1),
            rows.value(inside.top())});
}

void ChartPanel::scrollFrom(const ChartView& start, QPoint moved) {
    const Frame& frame = currentFrame();
    const auto [firstColumn, lastColumn] = columnsIn(frame.plot);
    // The points follow the pointer: dragging to the right shows earlier ones.
    double shift = 0;
    if (lastColumn > firstColumn) {
        const double perColumn = double(start.last - start.first) / (lastColumn - firstColumn);
        shift = -moved.x() * perColumn;
    }
    double rise = 0;
    const double axisRows =
        frame.plot.height() * (m_leftAxis.endPosition - m_leftAxis.startPosition) / 100;
    if (axisRows > 0) {
        const double perRow = (start.high - start.low) / axisRows;
        rise = moved.y() * perRow;
    }
    moveView(start, shift, rise);
}

void ChartPanel::moveView(const ChartView& start, double shift, double rise) {
    const auto [wholeFirst, wholeLast] = bottomExtent();
    ChartView view = start;
    if (const double step = scrollStep(); step > 0) {
        // Whole steps, within whole steps of the ends.
        const auto steps = std::clamp<std::int64_t>(std::llround(shift / step),
                                                    std::int64_t((wholeFirst - start.first) / step),
                                                    std::int64_t((wholeLast - start.last) / step));
        shift = double(steps) * step;
    } else {
        shift = std::clamp(shift, std::min(wholeFirst - start.first, 0.0),
                           std::max(wholeLast - start.last, 0.0));
    }
    view.first += shift;
    view.last += shift;
    view.low += rise;
    view.high += rise;
    if (view == m_zoom)
        return;
    m_zoom = view;
    m_bottomAxis.minimum = view.first;
    m_bottomAxis.maximum = view.last;
    update();
}

void ChartPanel::cancelDrag() {
    m_drag = Drag::None;
    if (m_rubberBand)
        m_rubberBand->hide();
    unsetCursor();
}

void ChartPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // A drag whose button is pressed again, or no longer held, lost its
    // release (a modal box took the mouse, say): it ends unfinished.
    if (m_drag != Drag::None &&
        (event->button() == dragButton() || !(event->buttons() & dragButton())))
        cancelDrag();
    if (m_drag != Drag::None)
        return; // another button during a drag
    if (event->button() == Qt::LeftButton) {
        m_drag = Drag::Zoom;
    } else if (event->button() == Qt::RightButton) {
        m_drag = Drag::Scroll;
        m_scrollStart = m_zoom;
    } else {
        event->ignore();
        return;
    }
    m_dragStart = event->position().toPoint();
    m_dragMoved = false;
}

void ChartPanel::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag != Drag::None && !(event->buttons() & dragButton()))
        cancelDrag();
    if (m_drag == Drag::None) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint position = event->position().toPoint();
    const QPoint moved = position - m_dragStart;
    if (!m_dragMoved && moved.manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragMoved = true;
    if (m_drag == Drag::Zoom) {
        if (!m_rubberBand)
            m_rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
        m_rubberBand->setGeometry(QRect(m_dragStart, position).normalized());
        m_rubberBand->show();
    } else if (m_scrollStart) {
        setCursor(Qt::ClosedHandCursor);
        scrollFrom(*m_scrollStart, moved);
    }
}

Qt::MouseButton ChartPanel::dragButton() const {
    return m_drag == Drag::Zoom ? Qt::LeftButton : Qt::RightButton;
}

void ChartPanel::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = m_drag;
    if (drag == Drag::None || event->button() != dragButton()) {
        event->ignore();
        return;
    }
    event->accept();
    cancelDrag();
    const QPoint end = event->position().toPoint();
    const QPoint moved = end - m_dragStart;
    const bool dragged =
        m_dragMoved || moved.manhattanLength() >= QApplication::startDragDistance();
    if (drag == Drag::Zoom) {
        if (dragged && moved.x() > 0 && moved.y() > 0)
            zoomInto(QRect(m_dragStart, end));
        else if (dragged && moved.x() < 0 && moved.y() < 0)
            showAll();
    } else if (!dragged) {
        openMenu(event->globalPosition().toPoint());
    } else if (m_scrollStart) {
        scrollFrom(*m_scrollStart, moved);
    }
}

void ChartPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    showAll();
}

void ChartPanel::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint delta = event->angleDelta();
    const int eighths = delta.y() != 0 ? delta.y() : delta.x();
    if (eighths == 0 || m_drag != Drag::None)
        return;
    zoomAround(event->position().x(), eighths / 120.0);
}

void ChartPanel::zoomAround(double x, double notches) {
    if (!canZoom())
        return;
    const Frame& frame = currentFrame();
    const auto [firstColumn, lastColumn] = columnsIn(frame.plot);
    const auto [wholeFirst, wholeLast] = bottomExtent();
    const ChartView current = m_zoom.value_or(wholeView());
    // The column under the pointer, within the plot.
    const double column = std::clamp(x, double(firstColumn), double(lastColumn));
    const auto [first, last] =
        scaledRange(current.first, current.last, bottomValueAt(column, firstColumn, lastColumn),
                    std::pow(kWheelZoom, -notches), wholeFirst, wholeLast, minimumViewWidth());
    ChartView view = current;
    view.first = first;
    view.last = last;
    zoomTo(view);
}

void ChartPanel::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    // Shift+F10 asks for the menu, as the Menu key does.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QPoint at = plotRect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, mapToGlobal(at),
                               event->modifiers());
        QCoreApplication::sendEvent(this, &menu);
        event->accept();
        return;
    }
    if (modifiers != Qt::NoModifier || m_drag != Drag::None) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The keyboard's way to look closer: + and - as a notch of the wheel amid
    // the plot, the arrows move a zoomed view by a tenth of its width or
    // height (a whole scroll step at least), Home shows all.
    const QRect plot = currentFrame().plot;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAround(plot.center().x(), 1);
        break;
    case Qt::Key_Minus:
        zoomAround(plot.center().x(), -1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (!m_zoom) {
            QWidget::keyPressEvent(event);
            return;
        }
        const ChartView view = *m_zoom;
        const double across = std::max((view.last - view.first) / 10, scrollStep());
        const double up = (view.high - view.low) / 10;
        const int key = event->key();
        moveView(view,
                 key == Qt::Key_Left    ? -across
                 : key == Qt::Key_Right ? across
                                        : 0,
                 key == Qt::Key_Up     ? up
                 : key == Qt::Key_Down ? -up
                                       : 0);
        break;
    }
    case Qt::Key_Home:
        showAll();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ChartPanel::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's right button scrolls; its click opens the menu on release.
    // From the keyboard the menu opens amid the plot.
    event->accept();
    if (event->reason() != QContextMenuEvent::Mouse)
        openMenu(mapToGlobal(plotRect().center()));
}

// --- pictures ----------------------------------------------------------------

void ChartPanel::openMenu(const QPoint& globalPosition) {
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("chartMenu"));
        auto add = [this](const QString& text, const char* name, auto handler) {
            QAction* action = m_menu->addAction(text);
            action->setObjectName(QString::fromLatin1(name));
            connect(action, &QAction::triggered, this, handler);
            return action;
        };
        add(tr("Copy picture"), "copyPictureAction", [this] { copyPicture(devicePixelRatioF()); });
        add(tr("Copy picture at 2×"), "copyPrintPictureAction",
            [this] { copyPicture(2 * devicePixelRatioF()); });
        m_menu->addSeparator();
        add(tr("Save picture as PNG…"), "savePictureAction",
            [this] { savePictureAs(devicePixelRatioF()); });
        add(tr("Save picture at 2× as PNG…"), "savePrintPictureAction",
            [this] { savePictureAs(2 * devicePixelRatioF()); });
        m_menu->addSeparator();
        m_showAllAction = add(tr("Show all"), "showAllAction", [this] { showAll(); });
    }
    m_showAllAction->setEnabled(isZoomed());
    m_menu->popup(globalPosition);
}

QImage ChartPanel::picture(qreal scale) {
    QImage image(size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    const int dotsPerMeter = int(std::lround(kPictureDpi * scale / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::transparent);
    // The chart alone: no rubber band, menu or focus frame.
    m_paintingPicture = true;
    render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    m_paintingPicture = false;
    return image;
}

void ChartPanel::copyPicture(qreal scale) {
    QGuiApplication::clipboard()->setImage(picture(scale));
}

bool ChartPanel::savePicture(const QString& fileName, qreal scale, QString* errorText) {
    QSaveFile file(fileName);
    QImageWriter writer(&file, "png");
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (!writer.write(picture(scale)))
        error = writer.errorString();
    else if (!file.commit())
        error = file.errorString();
    if (error.isEmpty())
        return true;
    if (errorText)
        *errorText = error;
    return false;
}

void ChartPanel::savePictureAs(qreal scale) {
    const bool print = scale > devicePixelRatioF();
    if (m_pictureDirectory.isEmpty())
        m_pictureDirectory = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString name = objectName().isEmpty() ? QStringLiteral("chart") : objectName();
    const QString proposed =
        QDir(m_pictureDirectory)
            .filePath(name + (print ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
    const QString caption = print ? tr("Save picture at 2× as PNG") : tr("Save picture as PNG");
    // The save dialog asks before it replaces a file.
    QString fileName = askSaveFileName(
        {this, caption, proposed, tr("PNG pictures (*.png)"), QStringLiteral("png"), {}});
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    m_pictureDirectory = QFileInfo(fileName).absolutePath();
    QString error;
    if (!savePicture(fileName, scale, &error))
        showMessageBox(tr("The picture could not be saved in %1: %2")
                           .arg(QDir::toNativeSeparators(fileName), error),
                       QMessageBox::Warning, QMessageBox::Ok);
}

} // namespace tarvex
