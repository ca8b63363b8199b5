#include "widgets/iSevenSegmentAnalog.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tarvex {

QString ReadoutText(double value, int precision) {
    QString text = QString::number(std::fabs(value), 'f', precision);
    return text.replace(u'.', QLocale().decimalPoint());
}

TGlyphCells ReadoutCells(const TReadoutLayout& layout, double value) {
    const int n = layout.DigitCount;
    const int p = layout.Precision;
    const int m = layout.SegmentMargin;
    const int s = layout.DigitSpacing;
    const int cellCount = n + (layout.ShowSign ? 1 : 0);
    const int cw = static_cast<int>(
        std::trunc(double(layout.Width - 2 * m - (cellCount - 1) * s) / cellCount));
    const int ch = layout.Height - 2 * m;
    int x = (layout.Width - cellCount * (cw + s) + s) / 2;

    TGlyphCells cells;
    auto nextCell = [&](TSevenSegmentCharacter glyph) {
        cells.append({QRect(x, m, cw, ch), glyph});
        x += cw + s;
    };

    const QString text = ReadoutText(value, p);
    QChar separator = u'.';
    qsizetype split = text.indexOf(separator);
    if (split < 0) {
        separator = u',';
        split = text.indexOf(separator);
    }
    QString integerPart = split < 0 ? text : text.left(split);
    QString fraction = split < 0 ? QString() : text.mid(split + 1);

    if (layout.ShowSign)
        nextCell(value >= 0 ? sscPlus : sscMinus);

    // An infinite or undefined value fits no cells either.
    if ((p == 0 && text.size() > n) || (p > 0 && text.size() > n + 1) || !std::isfinite(value)) {
        for (int i = 0; i < n; ++i)
            nextCell(value >= 0 ? sscUpArrow : sscDownArrow);
        return cells;
    }

    if (layout.LeadingStyle != ilsNone) {
        const QChar fill = layout.LeadingStyle == ilsZeros ? u'0' : u' ';
        while (integerPart.size() < n - p)
            integerPart.prepend(fill);
    }
    for (QChar c : integerPart)
        nextCell(TiSevenSegmentCharacter::GlyphForChar(c));

    if (p > 0 && n > 1) {
        // The mark sits in the gap before the first decimal; x stays put.
        cells.append({QRect(x - Near(cw / 10.0 + s / 2.0), m, cw / 5, ch),
                      separator == u'.' ? sscPeriod : sscComma});
        fraction.truncate(p);
        while (fraction.size() < p)
            fraction.prepend(u'0');
        for (QChar c : fraction.left(std::min(p, n - 1)))
            nextCell(TiSevenSegmentCharacter::GlyphForChar(c));
    }
    return cells;
}

QSize ReadoutNaturalSize(int digitCount, bool showSign, int digitSpacing, int segmentMargin,
                         int segmentSize) {
    TiSevenSegmentCharacter glyphs;
    glyphs.SetSegmentMargin(0);
    glyphs.SetSegmentSize(segmentSize);
    const int cellCount = digitCount + (showSign ? 1 : 0);
    return {(glyphs.NaturalWidth(ssc8) + digitSpacing) * cellCount + 2 * segmentMargin -
                digitSpacing,
            glyphs.NaturalHeight() + 2 * segmentMargin};
}

TiSevenSegmentAnalog::TiSevenSegmentAnalog(QWidget* parent) : TiSevenSegmentDisplay(parent) {
    DoAutoSize();
}

void TiSevenSegmentAnalog::SetValue(double value) {
    if (value > kMaxValue)
        value = kMaxValue;
    if (value == FValue || (std::isnan(value) && std::isnan(FValue)))
        return;
    FValue = value;
    InvalidateChange();
    NotifyAccessibleValue();
    emit OnValueChange();
}

void TiSevenSegmentAnalog::SetPrecision(int value) {
    ChangeSizeProperty(FPrecision, std::clamp(value, 0, 13));
}

void TiSevenSegmentAnalog::SetShowSign(bool value) {
    ChangeSizeProperty(FShowSign, value);
}

void TiSevenSegmentAnalog::SetDigitCount(int value) {
    ChangeSizeProperty(FDigitCount, std::clamp(value, 1, 32));
}

void TiSevenSegmentAnalog::SetLeadingStyle(TiLeadingStyle value) {
    ChangeProperty(FLeadingStyle, value);
}

TReadoutLayout TiSevenSegmentAnalog::Layout() const {
    return {width(),     height(),   SegmentMargin(), DigitSpacing(),
            FDigitCount, FPrecision, FShowSign,       FLeadingStyle};
}

QSize TiSevenSegmentAnalog::NaturalSize() const {
    return ReadoutNaturalSize(FDigitCount, FShowSign, DigitSpacing(), SegmentMargin(),
                              SegmentSize());
}

QString TiSevenSegmentAnalog::AccessibleValue() const {
    QString shown;
    for (const TGlyphCell& cell : ReadoutCells(Layout(), FValue)) {
        if (cell.Glyph == sscUpArrow || cell.Glyph == sscDownArrow)
            return tr("Out of range");
        if (cell.Glyph != sscBlank && cell.Glyph != sscPlus)
            shown += CharForGlyph(cell.Glyph);
    }
    return shown;
}

void TiSevenSegmentAnalog::PaintFace(QPainter& canvas) {
    PaintCells(canvas, ReadoutCells(Layout(), FValue));
}

} // namespace tarvex
