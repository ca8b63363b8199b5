#include "widgets/StripChart.h"

#include "widgets/ChartScale.h"

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
#include <QWheelEvent>
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

// One notch of the mouse wheel (120 eighths of a degree) narrows the bottom
// axis to 1 / kWheelZoom of its width, or widens it kWheelZoom times.
constexpr double kWheelZoom = 1.25;
// A zoomed view spans one point at least.
constexpr double kMinimumViewWidth = 1;
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
    bool zoomed = false; // the title says so
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
    if (!m_zoom) {
        m_bottomAxis.minimum = 0;
        m_bottomAxis.maximum = double(m_series->count() - 1);
    }
    update();
}

std::pair<double, double> StripChart::leftRange() const {
    if (m_zoom)
        return {m_zoom->low, m_zoom->high};
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

IndexColumns StripChart::layoutOf(int firstColumn, int lastColumn) const {
    const auto count = std::int64_t(m_series->count());
    if (m_zoom)
        return IndexColumns(count, firstColumn, lastColumn, m_zoom->first, m_zoom->last);
    return IndexColumns(count, firstColumn, lastColumn);
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
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextDontClip,
                     frame.zoomed ? m_title + QStringLiteral(" (zoomed)") : m_title);

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
    const IndexColumns columns = layoutOf(firstColumn, lastColumn);
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
    if (maximum > minimum) {
        // Minor ticks fall between point numbers, so between their columns.
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
    const IndexColumns columns = layoutOf(firstColumn, lastColumn);
    const MinMaxPyramid& values = m_series->values();
    m_columnExtents->update(values, columns, firstColumn, lastColumn);
    LineSpans spans(firstColumn, lastColumn);
    // In a zoomed view the line comes in from the nearest drawn point left of
    // the plot and goes on to the nearest one right of it.
    const auto count = std::int64_t(values.count());
    auto lineTo = [&](std::int64_t index) {
        spans.lineTo(columns.column(index), rows.row(values.value(std::size_t(index))));
    };
    std::int64_t before = columns.firstIndex(firstColumn) - 1;
    while (before >= 0 && std::isnan(values.value(std::size_t(before))))
        --before;
    if (before >= 0)
        lineTo(before);
    traceColumns(*m_columnExtents, rows, spans);
    std::int64_t after = columns.firstIndex(lastColumn + 1);
    while (after < count && std::isnan(values.value(std::size_t(after))))
        ++after;
    if (after < count)
        lineTo(after);

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

// --- zoom and scroll ---------------------------------------------------------

ChartView StripChart::wholeView() const {
    const auto [low, high] = leftRange();
    const auto count = std::int64_t(m_series->count());
    return {0, double(std::max<std::int64_t>(count - 1, 0)), low, high};
}

void StripChart::zoomTo(const ChartView& view) {
    const auto count = std::int64_t(m_series->count());
    if (count < 2)
        return;
    const double whole = double(count - 1);
    const double width = std::min(kMinimumViewWidth, whole);
    ChartView zoom = view;
    if (!std::isfinite(view.first) || !std::isfinite(view.last))
        zoom.first = zoom.last = 0;
    const double lowest = std::min(zoom.first, zoom.last);
    const double highest = std::max(zoom.first, zoom.last);
    zoom.first = std::clamp(lowest, 0.0, whole - width);
    zoom.last = std::clamp(highest, zoom.first + width, whole);
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

void StripChart::showAll() {
    m_zoom.reset();
    m_bottomAxis.minimum = 0;
    m_bottomAxis.maximum = double(std::max<std::int64_t>(std::int64_t(m_series->count()) - 1, 0));
    update();
}

void StripChart::zoomInto(const QRect& area) {
    const Frame& frame = currentFrame();
    const QRect inside = area.intersected(frame.plot);
    if (inside.isEmpty() || m_series->count() < 2)
        return;
    const auto [firstColumn, lastColumn] = columnsIn(frame.plot);
    const IndexColumns columns = layoutOf(firstColumn, lastColumn);
    const VerticalScale rows = rowsIn(frame.plot, frame);
    // The rectangle's columns and rows, whole: from the top edge of its top
    // row to the bottom edge of its bottom row.
    zoomTo({columns.indexAt(inside.left()), columns.indexAt(inside.right()),
            rows.value(inside.bottom() + 1), rows.value(inside.top())});
}

void StripChart::scrollFrom(const ChartView& start, QPoint moved) {
    const Frame& frame = currentFrame();
    const auto [firstColumn, lastColumn] = columnsIn(frame.plot);
    const auto whole = std::int64_t(m_series->count()) - 1;
    ChartView view = start;
    // The points follow the pointer: dragging to the right shows earlier ones.
    if (lastColumn > firstColumn) {
        const double perColumn = double(start.last - start.first) / (lastColumn - firstColumn);
        const std::int64_t shift = std::clamp<std::int64_t>(std::llround(-moved.x() * perColumn),
                                                            -start.first, whole - start.last);
        view.first += shift;
        view.last += shift;
    }
    const double axisRows =
        frame.plot.height() * (m_leftAxis.endPosition - m_leftAxis.startPosition) / 100;
    if (axisRows > 0) {
        const double perRow = (start.high - start.low) / axisRows;
        view.low += moved.y() * perRow;
        view.high += moved.y() * perRow;
    }
    if (view == m_zoom)
        return;
    m_zoom = view;
    m_bottomAxis.minimum = view.first;
    m_bottomAxis.maximum = view.last;
    update();
}

void StripChart::cancelDrag() {
    m_drag = Drag::None;
    if (m_rubberBand)
        m_rubberBand->hide();
    unsetCursor();
}

void StripChart::mousePressEvent(QMouseEvent* event) {
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

void StripChart::mouseMoveEvent(QMouseEvent* event) {
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

Qt::MouseButton StripChart::dragButton() const {
    return m_drag == Drag::Zoom ? Qt::LeftButton : Qt::RightButton;
}

void StripChart::mouseReleaseEvent(QMouseEvent* event) {
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

void StripChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    showAll();
}

void StripChart::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint delta = event->angleDelta();
    const int eighths = delta.y() != 0 ? delta.y() : delta.x();
    const auto count = std::int64_t(m_series->count());
    if (eighths == 0 || count < 2 || m_drag != Drag::None)
        return;
    const Frame& frame = currentFrame();
    const auto [firstColumn, lastColumn] = columnsIn(frame.plot);
    const ChartView current = m_zoom.value_or(wholeView());
    const IndexColumns columns = layoutOf(firstColumn, lastColumn);
    // The column under the pointer, within the plot.
    const double column =
        std::clamp(event->position().x(), double(firstColumn), double(lastColumn));
    const auto [first, last] =
        scaledIndexRange(current.first, current.last, columns.indexAt(column),
                         std::pow(kWheelZoom, -eighths / 120.0), count, kMinimumViewWidth);
    ChartView view = current;
    view.first = first;
    view.last = last;
    zoomTo(view);
}

void StripChart::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's right button scrolls; its click opens the menu on release.
    event->accept();
    if (event->reason() != QContextMenuEvent::Mouse)
        openMenu(event->globalPos());
}

// --- pictures ----------------------------------------------------------------

void StripChart::openMenu(const QPoint& globalPosition) {
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("chartMenu"));
        auto add = [this](const QString& text, const char* name, auto handler) {
            QAction* action = m_menu->addAction(text);
            action->setObjectName(QString::fromLatin1(name));
            connect(action, &QAction::triggered, this, handler);
            return action;
        };
        add(QStringLiteral("Copy picture"), "copyPictureAction",
            [this] { copyPicture(devicePixelRatioF()); });
        add(QStringLiteral("Copy picture at 2×"), "copyPrintPictureAction",
            [this] { copyPicture(2 * devicePixelRatioF()); });
        m_menu->addSeparator();
        add(QStringLiteral("Save picture as PNG…"), "savePictureAction",
            [this] { savePictureAs(devicePixelRatioF()); });
        add(QStringLiteral("Save picture at 2× as PNG…"), "savePrintPictureAction",
            [this] { savePictureAs(2 * devicePixelRatioF()); });
        m_menu->addSeparator();
        m_showAllAction = add(QStringLiteral("Show all"), "showAllAction", [this] { showAll(); });
    }
    m_showAllAction->setEnabled(isZoomed());
    m_menu->popup(globalPosition);
}

QImage StripChart::picture(qreal scale) {
    QImage image(size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    const int dotsPerMeter = int(std::lround(kPictureDpi * scale / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::transparent);
    // The chart alone: no rubber band or menu.
    render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

void StripChart::copyPicture(qreal scale) {
    QGuiApplication::clipboard()->setImage(picture(scale));
}

bool StripChart::savePicture(const QString& fileName, qreal scale, QString* errorText) {
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

void StripChart::savePictureAs(qreal scale) {
    const bool print = scale > devicePixelRatioF();
    if (m_pictureDirectory.isEmpty())
        m_pictureDirectory = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString name = objectName().isEmpty() ? QStringLiteral("chart") : objectName();
    const QString proposed =
        QDir(m_pictureDirectory)
            .filePath(name + (print ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
    const QString caption =
        print ? QStringLiteral("Save picture at 2× as PNG") : QStringLiteral("Save picture as PNG");
    // The save dialog asks before it replaces a file.
    QString fileName = askSaveFileName({this,
                                        caption,
                                        proposed,
                                        QStringLiteral("PNG pictures (*.png)"),
                                        QStringLiteral("png"),
                                        {}});
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    m_pictureDirectory = QFileInfo(fileName).absolutePath();
    QString error;
    if (!savePicture(fileName, scale, &error))
        showMessageBox(QStringLiteral("The picture could not be saved in %1: %2")
                           .arg(QDir::toNativeSeparators(fileName), error),
                       QMessageBox::Warning, QMessageBox::Ok);
}

} // namespace tarvex
