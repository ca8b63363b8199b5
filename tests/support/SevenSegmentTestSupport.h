// Helpers shared by the tests of the seven-segment widgets.
#pragma once

#include "widgets/iSevenSegmentDisplay.h"

#include <QEvent>
#include <QObject>

namespace tarvex {

// The cells as characters: ' ' for a blank cell, '<' and '>' for arrows.
inline QString Shown(const TGlyphCells& cells) {
    QString s;
    for (const TGlyphCell& c : cells)
        s += CharForGlyph(c.Glyph);
    return s;
}

// Counts the paint events of the widgets it filters.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace tarvex
