// The seven-segment glyph renderer: draws one character (a digit, a hex
// letter, a point, a colon, a sign or an arrow) into a rectangular cell.
// The geometry is available without painting, as polygons relative to the
// cell's top-left corner.
#pragma once

#include "widgets/iTypes.h"

#include <QColor>
#include <QList>
#include <QPolygon>

class QPainter;

namespace tarvex {

// The integer nearest to v; an exact half goes to the even neighbour.
int Near(double v);

// Segments of a digit cell and their bits in a segment pattern.
enum TSegment { segA, segB, segC, segD, segE, segF, segG };

// Segment pattern (bit 0 = A ... bit 6 = G) of the glyphs ssc0 to sscF and
// sscBlank; 0 for every other glyph.
unsigned SegmentBits(TSevenSegmentCharacter glyph);

// Glyphs drawn in a narrow cell: period, colon, semicolon and comma.
bool IsNarrowGlyph(TSevenSegmentCharacter glyph);

// The glyph of a decimal digit 0 to 9; sscBlank for anything else.
TSevenSegmentCharacter DigitGlyph(int digit);

// The character that selects the glyph (a space for sscBlank): the inverse of
// TiSevenSegmentCharacter::GlyphForChar, with upper-case letters.
QChar CharForGlyph(TSevenSegmentCharacter glyph);

// One filled polygon of a glyph. Lit shapes take the lit colour; the others
// (unlit segments, the dim sign of a sign cell) take the unlit colour and are
// left out when unlit segments are not shown.
struct TGlyphShape {
    QPolygon Polygon;
    bool Lit = true;
};

// Geometry of a cell W x H with origin (0, 0): M is the margin inside the
// cell, S the gap at each segment end, Z half the segment thickness.
struct TCellGeometry {
    int W = 0;
    int H = 0;
    int M = 0;
    int S = 0;
    int Z = 1;
};

QPolygon SegmentPolygon(TSegment segment, const TCellGeometry& cell);
// Every shape of the glyph, in drawing order.
QList<TGlyphShape> GlyphShapes(TSevenSegmentCharacter glyph, const TCellGeometry& cell);

// Unlit colour derived from a segment colour: each component divided by 3.
QColor DerivedOffColor(const QColor& segmentColor);

class TiSevenSegmentCharacter {
public:
    QColor SegmentColor() const { return FSegmentColor; }
    void SetSegmentColor(const QColor& value) { FSegmentColor = value; }
    QColor SegmentOffColor() const { return FSegmentOffColor; }
    void SetSegmentOffColor(const QColor& value) { FSegmentOffColor = value; }
    bool AutoSegmentOffColor() const { return FAutoSegmentOffColor; }
    void SetAutoSegmentOffColor(bool value) { FAutoSegmentOffColor = value; }
    bool ShowOffSegments() const { return FShowOffSegments; }
    void SetShowOffSegments(bool value) { FShowOffSegments = value; }
    bool PowerOff() const { return FPowerOff; }
    void SetPowerOff(bool value) { FPowerOff = value; }
    // Half the segment thickness; at least 1.
    int SegmentSize() const { return FSegmentSize; }
    void SetSegmentSize(int value);
    // Gap at each segment end; at least 0.
    int SegmentSeperation() const { return FSegmentSeperation; }
    void SetSegmentSeperation(int value);
    // Blank margin inside the cell; at least 0.
    int SegmentMargin() const { return FSegmentMargin; }
    void SetSegmentMargin(int value);

    // Colour of unlit segments, and of lit ones while PowerOff is set.
    QColor UnlitColor() const;
    QColor LitColor() const;

    // Draws the glyph into the cell with top-left (X, Y) and size W x H. Paints
    // only the glyph's shapes, never a background.
    void DrawGlyph(QPainter& canvas, int X, int Y, int W, int H,
                   TSevenSegmentCharacter glyph) const;

    // "0"-"9", "A"-"F" (either case), ".", ":", "+", "-", "_", "<", ">", ";"
    // and ","; any other character gives sscBlank.
    static TSevenSegmentCharacter GlyphForChar(QChar c);

    // Natural cell size: 2M + 2Z wide for the narrow glyphs, 2M + 10Z for the
    // others; 2M + 18Z high.
    int NaturalWidth(TSevenSegmentCharacter glyph) const;
    int NaturalHeight() const;

private:
    QColor FSegmentColor{0, 255, 0};
    QColor FSegmentOffColor{0, 128, 0};
    bool FAutoSegmentOffColor = true;
    bool FShowOffSegments = true;
    bool FPowerOff = false;
    int FSegmentSize = 1;
    int FSegmentSeperation = 1;
    int FSegmentMargin = 2;
};

} // namespace tarvex
