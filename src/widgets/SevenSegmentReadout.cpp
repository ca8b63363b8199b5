#include "widgets/SevenSegmentReadout.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {
using Glyph = SevenSegmentGlyph;
} // namespace

QString readoutText(double value, int precision) {
    QString text = QString::number(std::fabs(value), 'f', precision);
    return text.replace(u'.', QLocale().decimalPoint());
}

GlyphCells readoutCells(const ReadoutLayout& layout, double value) {
    const int n = layout.digitCount;
    const int p = layout.precision;
    const int m = layout.segmentMargin;
    const int s = layout.digitSpacing;
    const int cellCount = n + (layout.showSign ? 1 : 0);
    const int cw = static_cast<int>(
        std::trunc(double(layout.width - 2 * m - (cellCount - 1) * s) / cellCount));
    const int ch = layout.height - 2 * m;
    int x = (layout.width - cellCount * (cw + s) + s) / 2;

    GlyphCells cells;
    auto nextCell = [&](Glyph glyph) {
        cells.append({QRect(x, m, cw, ch), glyph});
        x += cw + s;
    };

    const QString text = readoutText(value, p);
    QChar separator = u'.';
    qsizetype split = text.indexOf(separator);
    if (split < 0) {
        separator = u',';
        split = text.indexOf(separator);
    }
    QString integerPart = split < 0 ? text : text.left(split);
    QString fraction = split < 0 ? QString() : text.mid(split + 1);

    if (layout.showSign)
        nextCell(value >= 0 ? Glyph::Plus : Glyph::Minus);

    // An infinite or undefined value fits no cells either.
    if ((p == 0 && text.size() > n) || (p > 0 && text.size() > n + 1) || !std::isfinite(value)) {
        for (int i = 0; i < n; ++i)
            nextCell(value >= 0 ? Glyph::UpArrow : Glyph::DownArrow);
        return cells;
    }

    if (layout.leadingStyle != LeadingStyle::None) {
        const QChar fill = layout.leadingStyle == LeadingStyle::Zeros ? u'0' : u' ';
        while (integerPart.size() < n - p)
            integerPart.prepend(fill);
    }
    for (QChar c : integerPart)
        nextCell(SevenSegmentRenderer::glyphForChar(c));

    if (p > 0 && n > 1) {
        // The mark sits in the gap before the first decimal; x stays put.
        cells.append({QRect(x - roundHalfToEven(cw / 10.0 + s / 2.0), m, cw / 5, ch),
                      separator == u'.' ? Glyph::Period : Glyph::Comma});
        fraction.truncate(p);
        while (fraction.size() < p)
            fraction.prepend(u'0');
        for (QChar c : fraction.left(std::min(p, n - 1)))
            nextCell(SevenSegmentRenderer::glyphForChar(c));
    }
    return cells;
}

QSize readoutNaturalSize(int digitCount, bool showSign, int digitSpacing, int segmentMargin,
                         int segmentSize) {
    SevenSegmentRenderer glyphs;
    glyphs.setSegmentMargin(0);
    glyphs.setSegmentSize(segmentSize);
    const int cellCount = digitCount + (showSign ? 1 : 0);
    return {(glyphs.naturalWidth(Glyph::Digit8) + digitSpacing) * cellCount + 2 * segmentMargin -
                digitSpacing,
            glyphs.naturalHeight() + 2 * segmentMargin};
}

SevenSegmentReadout::SevenSegmentReadout(QWidget* parent) : SevenSegmentDisplay(parent) {
    applyAutoSize();
}

void SevenSegmentReadout::setValue(double value) {
    if (value > kMaxValue)
        value = kMaxValue;
    if (value == m_value || (std::isnan(value) && std::isnan(m_value)))
        return;
    m_value = value;
    requestRepaint();
    notifyAccessibleValue();
    emit valueChanged();
}

void SevenSegmentReadout::setPrecision(int value) {
    changeSizeProperty(m_precision, std::clamp(value, 0, 13));
}

void SevenSegmentReadout::setShowSign(bool value) {
    changeSizeProperty(m_showSign, value);
}

void SevenSegmentReadout::setDigitCount(int value) {
    changeSizeProperty(m_digitCount, std::clamp(value, 1, 32));
}

void SevenSegmentReadout::setLeadingStyle(LeadingStyle value) {
    changeProperty(m_leadingStyle, value);
}

ReadoutLayout SevenSegmentReadout::readoutLayout() const {
    return {width(),      height(),    segmentMargin(), digitSpacing(),
            m_digitCount, m_precision, m_showSign,      m_leadingStyle};
}

QSize SevenSegmentReadout::naturalSize() const {
    return readoutNaturalSize(m_digitCount, m_showSign, digitSpacing(), segmentMargin(),
                              segmentSize());
}

QString SevenSegmentReadout::accessibleValue() const {
    QString shown;
    for (const GlyphCell& cell : readoutCells(readoutLayout(), m_value)) {
        if (cell.glyph == Glyph::UpArrow || cell.glyph == Glyph::DownArrow)
            return tr("Out of range");
        if (cell.glyph != Glyph::Blank && cell.glyph != Glyph::Plus)
            shown += charForGlyph(cell.glyph);
    }
    return shown;
}

void SevenSegmentReadout::paintFace(QPainter& canvas) {
    paintCells(canvas, readoutCells(readoutLayout(), m_value));
}

} // namespace tarvex
