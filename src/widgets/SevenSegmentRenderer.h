// The seven-segment glyph renderer: draws one character (a digit, a hex
// letter, a point, a colon, a sign or an arrow) into a rectangular cell.
// The geometry is available without painting, as polygons relative to the
// cell's top-left corner.
#pragma once

#include <QColor>
#include <QList>
#include <QPolygon>

class QPainter;

namespace tarvex {

// The glyphs of one seven-segment character cell, in this order.
enum class SevenSegmentGlyph {
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    A,
    B,
    C,
    D,
    E,
    F,
    Period,
    Colon,
    Plus,
    Minus,
    Blank,
    Line,
    UpArrow,
    DownArrow,
    Semicolon,
    Comma,
};

inline constexpr int kSevenSegmentGlyphCount = int(SevenSegmentGlyph::Comma) + 1;

// The integer nearest to v; an exact half goes to the even neighbour.
int roundHalfToEven(double v);

// Segments of a digit cell; segment s is bit s of a segment pattern.
enum class Segment { A, B, C, D, E, F, G };

// Segment pattern (bit 0 = A ... bit 6 = G) of the glyphs Digit0 to F and
// Blank; 0 for every other glyph.
unsigned segmentBits(SevenSegmentGlyph glyph);

// Glyphs drawn in a narrow cell: period, colon, semicolon and comma.
bool isNarrowGlyph(SevenSegmentGlyph glyph);

// The glyph of a decimal digit 0 to 9; Blank for anything else.
SevenSegmentGlyph digitGlyph(int digit);

// The character that selects the glyph (a space for Blank): the inverse of
// SevenSegmentRenderer::glyphForChar, with upper-case letters.
QChar charForGlyph(SevenSegmentGlyph glyph);

// One filled polygon of a glyph. Lit shapes take the lit colour; the others
// (unlit segments, the dim sign of a sign cell) take the unlit colour and are
// left out when unlit segments are not shown.
struct GlyphShape {
    QPolygon polygon;
    bool lit = true;
};

// Geometry of a cell width x height with origin (0, 0): the blank margin
// inside the cell, the gap at each segment end, and half the segment
// thickness.
struct CellGeometry {
    int width = 0;
    int height = 0;
    int margin = 0;
    int separation = 0;
    int halfThickness = 1;
};

QPolygon segmentPolygon(Segment segment, const CellGeometry& cell);
// Every shape of the glyph, in drawing order.
QList<GlyphShape> glyphShapes(SevenSegmentGlyph glyph, const CellGeometry& cell);

// Unlit colour derived from a segment colour: each component divided by 3.
QColor derivedOffColor(const QColor& segmentColor);

class SevenSegmentRenderer {
public:
    QColor segmentColor() const { return m_segmentColor; }
    void setSegmentColor(const QColor& value) { m_segmentColor = value; }
    QColor segmentOffColor() const { return m_segmentOffColor; }
    void setSegmentOffColor(const QColor& value) { m_segmentOffColor = value; }
    bool autoSegmentOffColor() const { return m_autoSegmentOffColor; }
    void setAutoSegmentOffColor(bool value) { m_autoSegmentOffColor = value; }
    bool showOffSegments() const { return m_showOffSegments; }
    void setShowOffSegments(bool value) { m_showOffSegments = value; }
    bool isPoweredOff() const { return m_poweredOff; }
    void setPoweredOff(bool value) { m_poweredOff = value; }
    // Half the segment thickness; at least 1.
    int segmentSize() const { return m_segmentSize; }
    void setSegmentSize(int value);
    // Gap at each segment end; at least 0.
    int segmentSeparation() const { return m_segmentSeparation; }
    void setSegmentSeparation(int value);
    // Blank margin inside the cell; at least 0.
    int segmentMargin() const { return m_segmentMargin; }
    void setSegmentMargin(int value);

    // Colour of unlit segments, and of lit ones while powered off.
    QColor unlitColor() const;
    QColor litColor() const;

    // Draws the glyph into the cell with top-left (x, y) and size width x
    // height. Paints only the glyph's shapes, never a background.
    void drawGlyph(QPainter& canvas, int x, int y, int width, int height,
                   SevenSegmentGlyph glyph) const;

    // "0"-"9", "A"-"F" (either case), ".", ":", "+", "-", "_", "<", ">", ";"
    // and ","; any other character gives Blank.
    static SevenSegmentGlyph glyphForChar(QChar c);

    // Natural cell size, with M the margin and Z the segment size: 2M + 2Z
    // wide for the narrow glyphs, 2M + 10Z for the others; 2M + 18Z high.
    int naturalWidth(SevenSegmentGlyph glyph) const;
    int naturalHeight() const;

private:
    QColor m_segmentColor{0, 255, 0};
    QColor m_segmentOffColor{0, 128, 0};
    bool m_autoSegmentOffColor = true;
    bool m_showOffSegments = true;
    bool m_poweredOff = false;
    int m_segmentSize = 1;
    int m_segmentSeparation = 1;
    int m_segmentMargin = 2;
};

} // namespace tarvex
