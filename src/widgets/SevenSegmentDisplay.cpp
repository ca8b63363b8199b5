#include "widgets/SevenSegmentDisplay.h"

#include <QPainter>

#include <algorithm>

namespace tarvex {

SevenSegmentDisplay::SevenSegmentDisplay(QWidget* parent) : InstrumentWidget(parent) {
    setBackgroundColor(Qt::black);
}

void SevenSegmentDisplay::setDigitSpacing(int value) {
    changeSizeProperty(m_digitSpacing, value);
}

void SevenSegmentDisplay::setSegmentMargin(int value) {
    changeSizeProperty(m_segmentMargin, std::max(value, 0));
}

void SevenSegmentDisplay::setSegmentColor(const QColor& value) {
    changeProperty(m_segmentColor, value);
}

void SevenSegmentDisplay::setSegmentOffColor(const QColor& value) {
    changeProperty(m_segmentOffColor, value);
}

void SevenSegmentDisplay::setAutoSegmentOffColor(bool value) {
    changeProperty(m_autoSegmentOffColor, value);
}

void SevenSegmentDisplay::setShowOffSegments(bool value) {
    changeProperty(m_showOffSegments, value);
}

void SevenSegmentDisplay::setPoweredOff(bool value) {
    changeProperty(m_poweredOff, value);
}

void SevenSegmentDisplay::setSegmentSize(int value) {
    changeSizeProperty(m_segmentSize, std::clamp(value, 1, 100));
}

void SevenSegmentDisplay::setSegmentSeparation(int value) {
    changeProperty(m_segmentSeparation, std::max(value, 0));
}

void SevenSegmentDisplay::setAutoSize(bool value) {
    changeSizeProperty(m_autoSize, value);
}

void SevenSegmentDisplay::applyAutoSize() {
    if (m_autoSize)
        resize(naturalSize());
}

SevenSegmentRenderer SevenSegmentDisplay::renderer() const {
    SevenSegmentRenderer renderer;
    renderer.setSegmentColor(m_segmentColor);
    renderer.setSegmentOffColor(m_segmentOffColor);
    renderer.setAutoSegmentOffColor(m_autoSegmentOffColor);
    renderer.setSegmentSize(m_segmentSize);
    renderer.setSegmentSeparation(m_segmentSeparation);
    renderer.setShowOffSegments(m_showOffSegments);
    renderer.setPoweredOff(m_poweredOff);
    renderer.setSegmentMargin(0);
    return renderer;
}

void SevenSegmentDisplay::paintCells(QPainter& canvas, const GlyphCells& cells) const {
    drawBackground(canvas, backgroundColor());
    drawBorder(canvas);
    const SevenSegmentRenderer glyphs = renderer();
    for (const GlyphCell& cell : cells)
        if (cell.rect.width() > 0 && cell.rect.height() > 0)
            glyphs.drawGlyph(canvas, cell.rect.x(), cell.rect.y(), cell.rect.width(),
                             cell.rect.height(), cell.glyph);
}

} // namespace tarvex
