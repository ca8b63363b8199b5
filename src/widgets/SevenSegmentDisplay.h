// The base of the seven-segment widgets (the value readout and the clock):
// the segment settings shared with the glyph renderer, the spacing and margin
// of the row of cells, and automatic sizing.
#pragma once

#include "widgets/InstrumentWidget.h"
#include "widgets/SevenSegmentRenderer.h"

#include <QList>
#include <QRect>

namespace tarvex {

// One character cell of a display: where it is and what it shows.
struct GlyphCell {
    QRect rect;
    SevenSegmentGlyph glyph = SevenSegmentGlyph::Blank;
    bool operator==(const GlyphCell&) const = default;
};
using GlyphCells = QList<GlyphCell>;

class SevenSegmentDisplay : public InstrumentWidget {
    Q_OBJECT

public:
    explicit SevenSegmentDisplay(QWidget* parent = nullptr);

    // Pixels between neighbouring cells.
    int digitSpacing() const { return m_digitSpacing; }
    void setDigitSpacing(int value);
    // Pixels between the widget's edge and the row of cells; at least 0.
    int segmentMargin() const { return m_segmentMargin; }
    void setSegmentMargin(int value);

    QColor segmentColor() const { return m_segmentColor; }
    void setSegmentColor(const QColor& value);
    QColor segmentOffColor() const { return m_segmentOffColor; }
    void setSegmentOffColor(const QColor& value);
    bool autoSegmentOffColor() const { return m_autoSegmentOffColor; }
    void setAutoSegmentOffColor(bool value);
    bool showOffSegments() const { return m_showOffSegments; }
    void setShowOffSegments(bool value);
    bool isPoweredOff() const { return m_poweredOff; }
    void setPoweredOff(bool value);
    // Half the segment thickness, 1 to 100.
    int segmentSize() const { return m_segmentSize; }
    void setSegmentSize(int value);
    // Gap at each segment end; at least 0.
    int segmentSeparation() const { return m_segmentSeparation; }
    void setSegmentSeparation(int value);

    // While set, the widget takes its natural size whenever a setting that
    // changes that size changes.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool value);

    // The size the widget takes while autoSize() is set.
    virtual QSize naturalSize() const = 0;
    QSize sizeHint() const override { return naturalSize(); }

signals:
    // The shown value changed.
    void valueChanged();

protected:
    // Takes the natural size when autoSize() is set.
    void applyAutoSize();
    // A renderer with the widget's segment settings and margin 0.
    SevenSegmentRenderer renderer() const;
    // Background, border, then every cell.
    void paintCells(QPainter& canvas, const GlyphCells& cells) const;

    // Stores a setting that the natural size depends on; resizes when it
    // changed.
    template <class T> void changeSizeProperty(T& field, const T& value) {
        if (changeProperty(field, value))
            applyAutoSize();
    }

private:
    int m_digitSpacing = 6;
    int m_segmentMargin = 5;
    QColor m_segmentColor{255, 255, 255};
    QColor m_segmentOffColor{128, 128, 128};
    bool m_autoSegmentOffColor = true;
    bool m_showOffSegments = true;
    bool m_poweredOff = false;
    int m_segmentSize = 1;
    int m_segmentSeparation = 1;
    bool m_autoSize = true;
};

} // namespace tarvex
