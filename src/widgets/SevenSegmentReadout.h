// The seven-segment value readout: a number with a fixed count of digit
// cells and decimals, a decimal mark in the gap before the first decimal,
// optional sign cell, leading blanks or zeros, and arrows in every cell when
// the number does not fit.
#pragma once

#include "widgets/iSevenSegmentDisplay.h"

namespace tarvex {

// The settings the cells of a readout depend on.
struct TReadoutLayout {
    int Width = 0;
    int Height = 0;
    int SegmentMargin = 5;
    int DigitSpacing = 6;
    int DigitCount = 4;
    int Precision = 2;
    bool ShowSign = true;
    TiLeadingStyle LeadingStyle = ilsSpaces;
};

// The magnitude of value in fixed-point notation with precision decimals and
// the decimal separator of QLocale(), without sign or thousands separators.
QString ReadoutText(double value, int precision);

// The cells a readout draws for value, in drawing order: the sign cell, the
// digit cells, the narrow decimal-mark cell, the decimal cells; or the sign
// cell and a row of arrows when the number does not fit.
TGlyphCells ReadoutCells(const TReadoutLayout& layout, double value);

// Natural size of a readout with the given cell settings.
QSize ReadoutNaturalSize(int digitCount, bool showSign, int digitSpacing, int segmentMargin,
                         int segmentSize);

class TiSevenSegmentAnalog : public TiSevenSegmentDisplay {
    Q_OBJECT

public:
    explicit TiSevenSegmentAnalog(QWidget* parent = nullptr);

    static constexpr double kMaxValue = 1e15;

    // Values above 1e15 are stored as 1e15. Setting the value it already has
    // does nothing; otherwise the readout repaints and OnValueChange fires.
    double Value() const { return FValue; }
    void SetValue(double value);
    // Decimals shown, 0 to 13.
    int Precision() const { return FPrecision; }
    void SetPrecision(int value);
    // One extra cell for the sign.
    bool ShowSign() const { return FShowSign; }
    void SetShowSign(bool value);
    // Digit cells, 1 to 32.
    int DigitCount() const { return FDigitCount; }
    void SetDigitCount(int value);
    TiLeadingStyle LeadingStyle() const { return FLeadingStyle; }
    void SetLeadingStyle(TiLeadingStyle value);

    TReadoutLayout Layout() const;
    QSize NaturalSize() const override;
    QString AccessibleValue() const override;

protected:
    void PaintFace(QPainter& canvas) override;

private:
    double FValue = 0;
    int FPrecision = 2;
    bool FShowSign = true;
    int FDigitCount = 4;
    TiLeadingStyle FLeadingStyle = ilsSpaces;
};

} // namespace tarvex
