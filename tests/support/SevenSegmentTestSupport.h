// Helpers shared by the tests of the seven-segment widgets.
#pragma once

#include "widgets/SevenSegmentDisplay.h"

#include <QEvent>
#include <QObject>

namespace tarvex {

// The cells as characters: ' ' for a blank cell, '<' and '>' for arrows.
inline QString cellText(const GlyphCells& cells) {
    QString s;
    for (const GlyphCell& c : cells)
        s += charForGlyph(c.glyph);
    return s;
}

// Counts the paint events of the widgets it filters.
class PaintCounter : public QObject {
public:
    int paints() const { return m_paints; }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    int m_paints = 0;
};

} // namespace tarvex
