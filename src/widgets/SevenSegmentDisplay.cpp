#include "widgets/iSevenSegmentDisplay.h"

#include <QPainter>

#include <algorithm>

namespace tarvex {

TiSevenSegmentDisplay::TiSevenSegmentDisplay(QWidget* parent) : TiComponent(parent) {
    SetBackGroundColor(Qt::black);
}

void TiSevenSegmentDisplay::SetDigitSpacing(int value) {
    ChangeSizeProperty(FDigitSpacing, value);
}

void TiSevenSegmentDisplay::SetSegmentMargin(int value) {
    ChangeSizeProperty(FSegmentMargin, std::max(value, 0));
}

void TiSevenSegmentDisplay::SetSegmentColor(const QColor& value) {
    ChangeProperty(FSegmentColor, value);
}

void TiSevenSegmentDisplay::SetSegmentOffColor(const QColor& value) {
    ChangeProperty(FSegmentOffColor, value);
}

void TiSevenSegmentDisplay::SetAutoSegmentOffColor(bool value) {
    ChangeProperty(FAutoSegmentOffColor, value);
}

void TiSevenSegmentDisplay::SetShowOffSegments(bool value) {
    ChangeProperty(FShowOffSegments, value);
}

void TiSevenSegmentDisplay::SetPowerOff(bool value) {
    ChangeProperty(FPowerOff, value);
}

void TiSevenSegmentDisplay::SetSegmentSize(int value) {
    ChangeSizeProperty(FSegmentSize, std::clamp(value, 1, 100));
}

void TiSevenSegmentDisplay::SetSegmentSeperation(int value) {
    ChangeProperty(FSegmentSeperation, std::max(value, 0));
}

void TiSevenSegmentDisplay::SetAutoSize(bool value) {
    ChangeSizeProperty(FAutoSize, value);
}

void TiSevenSegmentDisplay::DoAutoSize() {
    if (FAutoSize)
        resize(NaturalSize());
}

TiSevenSegmentCharacter TiSevenSegmentDisplay::Renderer() const {
    TiSevenSegmentCharacter renderer;
    renderer.SetSegmentColor(FSegmentColor);
    renderer.SetSegmentOffColor(FSegmentOffColor);
    renderer.SetAutoSegmentOffColor(FAutoSegmentOffColor);
    renderer.SetSegmentSize(FSegmentSize);
    renderer.SetSegmentSeperation(FSegmentSeperation);
    renderer.SetShowOffSegments(FShowOffSegments);
    renderer.SetPowerOff(FPowerOff);
    renderer.SetSegmentMargin(0);
    return renderer;
}

void TiSevenSegmentDisplay::PaintCells(QPainter& canvas, const TGlyphCells& cells) const {
    DrawBackground(canvas, BackGroundColor());
    DrawBorder(canvas);
    const TiSevenSegmentCharacter renderer = Renderer();
    for (const TGlyphCell& cell : cells)
        if (cell.Rect.width() > 0 && cell.Rect.height() > 0)
            renderer.DrawGlyph(canvas, cell.Rect.x(), cell.Rect.y(), cell.Rect.width(),
                               cell.Rect.height(), cell.Glyph);
}

} // namespace tarvex
