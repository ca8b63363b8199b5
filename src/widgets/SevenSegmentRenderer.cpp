#include "widgets/iSevenSegmentCharacter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tarvex {

int Near(double v) {
    const double lower = std::floor(v);
    const double fraction = v - lower;
    double result = lower;
    if (fraction > 0.5)
        result = lower + 1;
    else if (fraction == 0.5)
        result = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
    return static_cast<int>(result);
}

unsigned SegmentBits(TSevenSegmentCharacter glyph) {
    static constexpr unsigned bits[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                        0x7F, 0x67, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
    if (glyph >= ssc0 && glyph <= sscF)
        return bits[glyph];
    return 0;
}

bool IsNarrowGlyph(TSevenSegmentCharacter glyph) {
    return glyph == sscPeriod || glyph == sscColon || glyph == sscSemiColon || glyph == sscComma;
}

TSevenSegmentCharacter DigitGlyph(int digit) {
    return digit >= 0 && digit <= 9 ? static_cast<TSevenSegmentCharacter>(ssc0 + digit) : sscBlank;
}

QChar CharForGlyph(TSevenSegmentCharacter glyph) {
    static constexpr char16_t chars[kSevenSegmentCharacterCount + 1] =
        u"0123456789ABCDEF.:+- _<>;,";
    return glyph >= 0 && glyph < kSevenSegmentCharacterCount ? QChar(chars[glyph]) : QChar(u' ');
}

namespace {

bool IsSegmentGlyph(TSevenSegmentCharacter glyph) {
    return (glyph >= ssc0 && glyph <= sscF) || glyph == sscBlank;
}

// The rectangle through the four corners (x1, y1) and (x2, y2).
QPolygon Box(int x1, int y1, int x2, int y2) {
    return QPolygon({QPoint(x1, y1), QPoint(x2, y1), QPoint(x2, y2), QPoint(x1, y2)});
}

// Row k of 18 scaled to the cell height.
int Row(int k, int H) {
    return Near(k * H / 18.0);
}

QPolygon UpperDot(const TCellGeometry& g) {
    const int c = g.W / 2;
    return Box(c - g.Z, Row(5, g.H), c + g.Z, Row(7, g.H));
}

QPolygon LowerDot(const TCellGeometry& g) {
    const int c = g.W / 2;
    return Box(c - g.Z, Row(11, g.H), c + g.Z, Row(13, g.H));
}

QPolygon Tail(const TCellGeometry& g) {
    const int c = g.W / 2;
    return Box(c, Row(13, g.H), c + g.Z, Row(16, g.H));
}

QList<TGlyphShape> PlusShapes(const TCellGeometry& g, bool lit) {
    const double W = g.W, H = g.H, Z = g.Z;
    const QPolygon bar = Box(Near(2.5 * W / 10), Near(4.5 * H / 18 - Z / 2), Near(7.5 * W / 10),
                             Near(4.5 * H / 18 + Z / 2));
    const QPolygon stem =
        Box(Near(W / 2 - Z / 2), Near(2 * H / 18), Near(W / 2 + Z / 2), Near(7 * H / 18));
    return {{bar, lit}, {stem, lit}};
}

TGlyphShape MinusShape(const TCellGeometry& g, bool lit) {
    const double W = g.W, H = g.H, Z = g.Z;
    return {Box(Near(2.5 * W / 10), Near(13.5 * H / 18 - Z / 2), Near(7.5 * W / 10),
                Near(13.5 * H / 18 + Z / 2)),
            lit};
}

QPolygon Arrow(const TCellGeometry& g, bool up) {
    const int k = (g.W - 1 - 2 * g.M) / 2;
    const int cx = (g.W - 1) / 2;
    const int hy = g.H / 2;
    QPoint apex;
    if (up)
        apex = hy - k > g.M ? QPoint(cx, hy - k) : QPoint(cx, g.M);
    else
        apex = g.H - 1 - g.M > hy + k ? QPoint(cx, hy + k) : QPoint(cx, g.H - 1 - g.M);
    return QPolygon({QPoint(cx + k, hy), QPoint(cx - k, hy), apex});
}

} // namespace

QPolygon SegmentPolygon(TSegment segment, const TCellGeometry& g) {
    const int W = g.W, H = g.H, M = g.M, S = g.S, Z2 = 2 * g.Z, Z = g.Z;
    const int h2 = (H - 1) / 2;
    const int right = W - 1 - M;
    const int bottom = H - 1 - M;
    switch (segment) {
    case segA:
        return QPolygon(
            {{M + S, M}, {right - S, M}, {right - S - Z2, M + Z2}, {M + S + Z2, M + Z2}});
    case segB:
        return QPolygon(
            {{right, M + S}, {right, h2 - S}, {right - Z2, h2 - S - Z2}, {right - Z2, M + S + Z2}});
    case segC:
        return QPolygon({{right, h2 + S},
                         {right, bottom - S},
                         {right - Z2, bottom - S - Z2},
                         {right - Z2, h2 + S + Z2}});
    case segD:
        return QPolygon({{M + S, bottom},
                         {right - S, bottom},
                         {right - S - Z2, bottom - Z2},
                         {M + S + Z2, bottom - Z2}});
    case segE:
        return QPolygon(
            {{M, h2 + S}, {M, bottom - S}, {M + Z2, bottom - S - Z2}, {M + Z2, h2 + S + Z2}});
    case segF:
        return QPolygon({{M, M + S}, {M, h2 - S}, {M + Z2, h2 - S - Z2}, {M + Z2, M + S + Z2}});
    case segG:
        break;
    }
    return QPolygon({{M + S, h2},
                     {M + S + Z, h2 - Z},
                     {right - S - Z, h2 - Z},
                     {right - S, h2},
                     {right - S - Z, h2 + Z},
                     {M + S + Z, h2 + Z}});
}

QList<TGlyphShape> GlyphShapes(TSevenSegmentCharacter glyph, const TCellGeometry& g) {
    if (IsSegmentGlyph(glyph)) {
        const unsigned bits = SegmentBits(glyph);
        QList<TGlyphShape> shapes;
        for (int s = segA; s <= segG; ++s)
            shapes.append({SegmentPolygon(static_cast<TSegment>(s), g), (bits & (1u << s)) != 0});
        return shapes;
    }
    const int c = g.W / 2;
    switch (glyph) {
    case sscPeriod:
        return {{Box(c - g.Z, g.H - 2 * g.Z, c + g.Z, g.H), true}};
    case sscColon:
        return {{UpperDot(g), true}, {LowerDot(g), true}};
    case sscSemiColon:
        return {{UpperDot(g), true}, {LowerDot(g), true}, {Tail(g), true}};
    case sscComma:
        return {{LowerDot(g), true}, {Tail(g), true}};
    case sscPlus:
        return PlusShapes(g, true) << MinusShape(g, false);
    case sscMinus:
        return QList<TGlyphShape>{MinusShape(g, true)} << PlusShapes(g, false);
    case sscLine: {
        const int half = g.Z / 2;
        const int h2 = (g.H - 1) / 2;
        return {{Box(g.M, h2 - half, g.W - 1 - g.M, h2 + half), true}};
    }
    case sscUpArrow:
        return {{Arrow(g, true), true}};
    case sscDownArrow:
        return {{Arrow(g, false), true}};
    default:
        break;
    }
    return {};
}

QColor DerivedOffColor(const QColor& segmentColor) {
    return QColor(segmentColor.red() / 3, segmentColor.green() / 3, segmentColor.blue() / 3);
}

void TiSevenSegmentCharacter::SetSegmentSize(int value) {
    FSegmentSize = std::max(value, 1);
}

void TiSevenSegmentCharacter::SetSegmentSeperation(int value) {
    FSegmentSeperation = std::max(value, 0);
}

void TiSevenSegmentCharacter::SetSegmentMargin(int value) {
    FSegmentMargin = std::max(value, 0);
}

QColor TiSevenSegmentCharacter::UnlitColor() const {
    return FAutoSegmentOffColor ? DerivedOffColor(FSegmentColor) : FSegmentOffColor;
}

QColor TiSevenSegmentCharacter::LitColor() const {
    return FPowerOff ? UnlitColor() : FSegmentColor;
}

namespace {

// Every pixel on the straight line from a to b, both ends included.
void AppendLine(QList<QPoint>& pixels, QPoint a, QPoint b) {
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
void FillShape(QPainter& canvas, const QPolygon& polygon, const QColor& color) {
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
            AppendLine(slanted, a, b);
    }
    if (!slanted.isEmpty()) {
        canvas.setPen(QPen(color, 0));
        canvas.drawPoints(slanted.constData(), static_cast<int>(slanted.size()));
    }
}

} // namespace

void TiSevenSegmentCharacter::DrawGlyph(QPainter& canvas, int X, int Y, int W, int H,
                                        TSevenSegmentCharacter glyph) const {
    const TCellGeometry cell{W, H, FSegmentMargin, FSegmentSeperation, FSegmentSize};
    const QColor lit = LitColor();
    const QColor unlit = UnlitColor();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.translate(X, Y);
    for (const TGlyphShape& shape : GlyphShapes(glyph, cell)) {
        if (shape.Lit)
            FillShape(canvas, shape.Polygon, lit);
        else if (FShowOffSegments)
            FillShape(canvas, shape.Polygon, unlit);
    }
    canvas.restore();
}

TSevenSegmentCharacter TiSevenSegmentCharacter::GlyphForChar(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return static_cast<TSevenSegmentCharacter>(ssc0 + (u - u'0'));
    if (u >= u'A' && u <= u'F')
        return static_cast<TSevenSegmentCharacter>(sscA + (u - u'A'));
    if (u >= u'a' && u <= u'f')
        return static_cast<TSevenSegmentCharacter>(sscA + (u - u'a'));
    switch (u) {
    case u'.':
        return sscPeriod;
    case u':':
        return sscColon;
    case u'+':
        return sscPlus;
    case u'-':
        return sscMinus;
    case u'_':
        return sscLine;
    case u'<':
        return sscUpArrow;
    case u'>':
        return sscDownArrow;
    case u';':
        return sscSemiColon;
    case u',':
        return sscComma;
    default:
        return sscBlank;
    }
}

int TiSevenSegmentCharacter::NaturalWidth(TSevenSegmentCharacter glyph) const {
    return 2 * FSegmentMargin + (IsNarrowGlyph(glyph) ? 2 : 10) * FSegmentSize;
}

int TiSevenSegmentCharacter::NaturalHeight() const {
    return 2 * FSegmentMargin + 18 * FSegmentSize;
}

} // namespace tarvex
