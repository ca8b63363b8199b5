// The base of the seven-segment widgets (the value readout and the clock):
// the segment settings shared with the glyph renderer, the spacing and margin
// of the row of cells, and automatic sizing.
#pragma once

#include "widgets/iComponent.h"
#include "widgets/iSevenSegmentCharacter.h"

#include <QList>
#include <QRect>

namespace tarvex {

// One character cell of a display: where it is and what it shows.
struct TGlyphCell {
    QRect Rect;
    TSevenSegmentCharacter Glyph = sscBlank;
    bool operator==(const TGlyphCell&) const = default;
};
using TGlyphCells = QList<TGlyphCell>;

class TiSevenSegmentDisplay : public TiComponent {
    Q_OBJECT

public:
    explicit TiSevenSegmentDisplay(QWidget* parent = nullptr);

    // Pixels between neighbouring cells.
    int DigitSpacing() const { return FDigitSpacing; }
    void SetDigitSpacing(int value);
    // Pixels between the widget's edge and the row of cells; at least 0.
    int SegmentMargin() const { return FSegmentMargin; }
    void SetSegmentMargin(int value);

    QColor SegmentColor() const { return FSegmentColor; }
    void SetSegmentColor(const QColor& value);
    QColor SegmentOffColor() const { return FSegmentOffColor; }
    void SetSegmentOffColor(const QColor& value);
    bool AutoSegmentOffColor() const { return FAutoSegmentOffColor; }
    void SetAutoSegmentOffColor(bool value);
    bool ShowOffSegments() const { return FShowOffSegments; }
    void SetShowOffSegments(bool value);
    bool PowerOff() const { return FPowerOff; }
    void SetPowerOff(bool value);
    // Half the segment thickness, 1 to 100.
    int SegmentSize() const { return FSegmentSize; }
    void SetSegmentSize(int value);
    // Gap at each segment end; at least 0.
    int SegmentSeperation() const { return FSegmentSeperation; }
    void SetSegmentSeperation(int value);

    // While set, the widget takes its natural size whenever a setting that
    // changes that size changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // The size the widget takes while AutoSize is set.
    virtual QSize NaturalSize() const = 0;
    QSize sizeHint() const override { return NaturalSize(); }

signals:
    // The shown value changed.
    void OnValueChange();

protected:
    // Takes the natural size when AutoSize is set.
    void DoAutoSize();
    // A renderer with the widget's segment settings and margin 0.
    TiSevenSegmentCharacter Renderer() const;
    // Background, border, then every cell.
    void PaintCells(QPainter& canvas, const TGlyphCells& cells) const;

    // Stores a setting that the natural size depends on; resizes when it
    // changed.
    template <class T> void ChangeSizeProperty(T& field, const T& value) {
        if (ChangeProperty(field, value))
            DoAutoSize();
    }

private:
    int FDigitSpacing = 6;
    int FSegmentMargin = 5;
    QColor FSegmentColor{255, 255, 255};
    QColor FSegmentOffColor{128, 128, 128};
    bool FAutoSegmentOffColor = true;
    bool FShowOffSegments = true;
    bool FPowerOff = false;
    int FSegmentSize = 1;
    int FSegmentSeperation = 1;
    bool FAutoSize = true;
};

} // namespace tarvex
