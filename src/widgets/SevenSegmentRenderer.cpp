#include "widgets/SevenSegmentRenderer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {
using Glyph = SevenSegmentGlyph;
} // namespace

int roundHalfToEven(double v) {
    const double lower = std::floor(v);
    const double fraction = v - lower;
    double result = lower;
    if (fraction > 0.5)
        result = lower + 1;
    else if (fraction == 0.5)
        result = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
    return static_cast<int>(result);
}

unsigned segmentBits(Glyph glyph) {
    static constexpr unsigned bits[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                        0x7F, 0x67, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
    if (glyph >= Glyph::Digit0 && glyph <= Glyph::F)
        return bits[int(glyph)];
    return 0;
}

bool isNarrowGlyph(Glyph glyph) {
    return glyph == Glyph::Period || glyph == Glyph::Colon || glyph == Glyph::Semicolon ||
           glyph == Glyph::Comma;
}

Glyph digitGlyph(int digit) {
    return digit >= 0 && digit <= 9 ? static_cast<Glyph>(int(Glyph::Digit0) + digit) : Glyph::Blank;
}

namespace {

// The character of each glyph, in the order of SevenSegmentGlyph.
constexpr char16_t kGlyphChars[kSevenSegmentGlyphCount + 1] = u"0123456789ABCDEF.:+- _<>;,";

} // namespace

QChar charForGlyph(Glyph glyph) {
    const int index = int(glyph);
    return index >= 0 && index < kSevenSegmentGlyphCount ? QChar(kGlyphChars[index]) : QChar(u' ');
}

namespace {

bool isSegmentGlyph(Glyph glyph) {
    return (glyph >= Glyph::Digit0 && glyph <= Glyph::F) || glyph == Glyph::Blank;
}

// The rectangle through the four corners (x1, y1) and (x2, y2).
QPolygon box(int x1, int y1, int x2, int y2) {
    return QPolygon({QPoint(x1, y1), QPoint(x2, y1), QPoint(x2, y2), QPoint(x1, y2)});
}

// Row k of 18 scaled to the cell height.
int row(int k, int height) {
    return roundHalfToEven(k * height / 18.0);
}

QPolygon upperDot(const CellGeometry& g) {
    const int c = g.width / 2;
    return box(c - g.halfThickness, row(5, g.height), c + g.halfThickness, row(7, g.height));
}

QPolygon lowerDot(const CellGeometry& g) {
    const int c = g.width / 2;
    return box(c - g.halfThickness, row(11, g.height), c + g.halfThickness, row(13, g.height));
}

QPolygon tail(const CellGeometry& g) {
    const int c = g.width / 2;
    return box(c, row(13, g.height), c + g.halfThickness, row(16, g.height));
}

QList<GlyphShape> plusShapes(const CellGeometry& g, bool lit) {
    const double W = g.width, H = g.height, Z = g.halfThickness;
    const QPolygon bar = box(roundHalfToEven(2.5 * W / 10), roundHalfToEven(4.5 * H / 18 - Z / 2),
                             roundHalfToEven(7.5 * W / 10), roundHalfToEven(4.5 * H / 18 + Z / 2));
    const QPolygon stem = box(roundHalfToEven(W / 2 - Z / 2), roundHalfToEven(2 * H / 18),
                              roundHalfToEven(W / 2 + Z / 2), roundHalfToEven(7 * H / 18));
    return {{bar, lit}, {stem, lit}};
}

GlyphShape minusShape(const CellGeometry& g, bool lit) {
    const double W = g.width, H = g.height, Z = g.halfThickness;
    return {box(roundHalfToEven(2.5 * W / 10), roundHalfToEven(13.5 * H / 18 - Z / 2),
                roundHalfToEven(7.5 * W / 10), roundHalfToEven(13.5 * H / 18 + Z / 2)),
            lit};
}

QPolygon arrow(const CellGeometry& g, bool up) {
    const int k = (g.width - 1 - 2 * g.margin) / 2;
    const int cx = (g.width - 1) / 2;
    const int hy = g.height / 2;
    QPoint apex;
    if (up)
        apex = hy - k > g.margin ? QPoint(cx, hy - k) : QPoint(cx, g.margin);
    else
        apex = g.height - 1 - g.margin > hy + k ? QPoint(cx, hy + k)
                                                : QPoint(cx, g.height - 1 - g.margin);
    return QPolygon({QPoint(cx + k, hy), QPoint(cx - k, hy), apex});
}

} // namespace

QPolygon segmentPolygon(Segment segment, const CellGeometry& g) {
    const int W = g.width, H = g.height, M = g.margin, S = g.separation, Z = g.halfThickness;
    const int Z2 = 2 * Z;
    const int h2 = (H - 1) / 2;
    const int right = W - 1 - M;
    const int bottom = H - 1 - M;
    switch (segment) {
    case Segment::A:
        return QPolygon(
            {{M + S, M}, {right - S, M}, {right - S - Z2, M + Z2}, {M + S + Z2, M + Z2}});
    case Segment::B:
        return QPolygon(
            {{right, M + S}, {right, h2 - S}, {right - Z2, h2 - S - Z2}, {right - Z2, M + S + Z2}});
    case Segment::C:
        return QPolygon({{right, h2 + S},
                         {right, bottom - S},
                         {right - Z2, bottom - S - Z2},
                         {right - Z2, h2 + S + Z2}});
    case Segment::D:
        return QPolygon({{M + S, bottom},
                         {right - S, bottom},
                         {right - S - Z2, bottom - Z2},
                         {M + S + Z2, bottom - Z2}});
    case Segment::E:
        return QPolygon(
            {{M, h2 + S}, {M, bottom - S}, {M + Z2, bottom - S - Z2}, {M + Z2, h2 + S + Z2}});
    case Segment::F:
        return QPolygon({{M, M + S}, {M, h2 - S}, {M + Z2, h2 - S - Z2}, {M + Z2, M + S + Z2}});
    case Segment::G:
        break;
    }
    return QPolygon({{M + S, h2},
                     {M + S + Z, h2 - Z},
                     {right - S - Z, h2 - Z},
                     {right - S, h2},
                     {right - S - Z, h2 + Z},
                     {M + S + Z, h2 + Z}});
}

QList<GlyphShape> glyphShapes(Glyph glyph, const CellGeometry& g) {
    if (isSegmentGlyph(glyph)) {
        const unsigned bits = segmentBits(glyph);
        QList<GlyphShape> shapes;
        for (int s = int(Segment::A); s <= int(Segment::G); ++s)
            shapes.append({segmentPolygon(static_cast<Segment>(s), g), (bits & (1u << s)) != 0});
        return shapes;
    }
    const int c = g.width / 2;
    switch (glyph) {
    case Glyph::Period:
        return {{box(c - g.halfThickness, g.height - 2 * g.halfThickness, c + g.halfThickness,
                     g.height),
                 true}};
    case Glyph::Colon:
        return {{upperDot(g), true}, {lowerDot(g), true}};
    case Glyph::Semicolon:
        return {{upperDot(g), true}, {lowerDot(g), true}, {tail(g), true}};
    case Glyph::Comma:
        return {{lowerDot(g), true}, {tail(g), true}};
    case Glyph::Plus:
        return plusShapes(g, true) << minusShape(g, false);
    case Glyph::Minus:
        return QList<GlyphShape>{minusShape(g, true)} << plusShapes(g, false);
    case Glyph::Line: {
        const int half = g.halfThickness / 2;
        const int h2 = (g.height - 1) / 2;
        return {{box(g.margin, h2 - half, g.width - 1 - g.margin, h2 + half), true}};
    }
    case Glyph::UpArrow:
        return {{arrow(g, true), true}};
    case Glyph::DownArrow:
        return {{arrow(g, false), true}};
    default:
        break;
    }
    return {};
}

QColor derivedOffColor(const QColor& segmentColor) {
    return QColor(segmentColor.red() / 3, segmentColor.green() / 3, segmentColor.blue() / 3);
}

void SevenSegmentRenderer::setSegmentSize(int value) {
    m_segmentSize = std::max(value, 1);
}

void SevenSegmentRenderer::setSegmentSeparation(int value) {
    m_segmentSeparation = std::max(value, 0);
}

void SevenSegmentRenderer::setSegmentMargin(int value) {
    m_segmentMargin = std::max(value, 0);
}

QColor SevenSegmentRenderer::unlitColor() const {
    return m_autoSegmentOffColor ? derivedOffColor(m_segmentColor) : m_segmentOffColor;
}

QColor SevenSegmentRenderer::litColor() const {
    return m_poweredOff ? unlitColor() : m_segmentColor;
}

namespace {

// Every pixel on the straight line from a to b, both ends included.
void appendLine(QList<QPoint>& pixels, QPoint a, QPoint b) {
    const int dx = std::abs(b.x() - a.x()), sx = a.x() < b.x() ? 1 : -1;
    const int dy = -std::abs(b.y() - a.y()), sy = a.y() < b.y() ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        pixels.append(a);
        if (a == b)
            return;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            a.rx() += sx;
        }
        if (e2 <= dx) {
            error += dx;
            a.ry() += sy;
        }
    }
}

// A filled polygon with a 1-pixel outline in the same colour: the pixels
// inside it and every pixel its edges pass through, corners included.
void fillShape(QPainter& canvas, const QPolygon& polygon, const QColor& color) {
    // Pixel (x, y) covers the square from (x, y) to (x + 1, y + 1); the shift
    // puts the corner points on pixel centres.
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(color);
    canvas.drawPolygon(QPolygonF(polygon).translated(0.5, 0.5));
    QList<QPoint> slanted;
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPoint a = polygon[i];
        const QPoint b = polygon[(i + 1) % polygon.size()];
        if (a.x() == b.x() || a.y() == b.y())
            canvas.fillRect(QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                                  QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y()))),
                            color);
        else
            appendLine(slanted, a, b);
    }
    if (!slanted.isEmpty()) {
        canvas.setPen(QPen(color, 0));
        canvas.drawPoints(slanted.constData(), static_cast<int>(slanted.size()));
    }
}

} // namespace

void SevenSegmentRenderer::drawGlyph(QPainter& canvas, int x, int y, int width, int height,
                                     Glyph glyph) const {
    const CellGeometry cell{width, height, m_segmentMargin, m_segmentSeparation, m_segmentSize};
    const QColor lit = litColor();
    const QColor unlit = unlitColor();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.translate(x, y);
    for (const GlyphShape& shape : glyphShapes(glyph, cell)) {
        if (shape.lit)
            fillShape(canvas, shape.polygon, lit);
        else if (m_showOffSegments)
            fillShape(canvas, shape.polygon, unlit);
    }
    canvas.restore();
}

Glyph SevenSegmentRenderer::glyphForChar(QChar c) {
    char16_t u = c.unicode();
    if (u >= u'a' && u <= u'f')
        u = char16_t(u - u'a' + u'A');
    for (int index = 0; index < kSevenSegmentGlyphCount; ++index)
        if (kGlyphChars[index] == u)
            return static_cast<Glyph>(index);
    return Glyph::Blank;
}

int SevenSegmentRenderer::naturalWidth(Glyph glyph) const {
    return 2 * m_segmentMargin + (isNarrowGlyph(glyph) ? 2 : 10) * m_segmentSize;
}

int SevenSegmentRenderer::naturalHeight() const {
    return 2 * m_segmentMargin + 18 * m_segmentSize;
}

} // namespace tarvex
