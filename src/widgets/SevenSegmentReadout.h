// The seven-segment value readout: a number with a fixed count of digit
// cells and decimals, a decimal mark in the gap before the first decimal,
// optional sign cell, leading blanks or zeros, and arrows in every cell when
// the number does not fit.
#pragma once

#include "widgets/SevenSegmentDisplay.h"

namespace tarvex {

// What fills the unused leading digit cells of a readout.
enum class LeadingStyle { None, Zeros, Spaces };

// The settings the cells of a readout depend on.
struct ReadoutLayout {
    int width = 0;
    int height = 0;
    int segmentMargin = 5;
    int digitSpacing = 6;
    int digitCount = 4;
    int precision = 2;
    bool showSign = true;
    LeadingStyle leadingStyle = LeadingStyle::Spaces;
};

// The magnitude of value in fixed-point notation with precision decimals and
// the decimal separator of QLocale(), without sign or thousands separators.
QString readoutText(double value, int precision);

// The cells a readout draws for value, in drawing order: the sign cell, the
// digit cells, the narrow decimal-mark cell, the decimal cells; or the sign
// cell and a row of arrows when the number does not fit.
GlyphCells readoutCells(const ReadoutLayout& layout, double value);

// Natural size of a readout with the given cell settings.
QSize readoutNaturalSize(int digitCount, bool showSign, int digitSpacing, int segmentMargin,
                         int segmentSize);

class SevenSegmentReadout : public SevenSegmentDisplay {
    Q_OBJECT

public:
    explicit SevenSegmentReadout(QWidget* parent = nullptr);

    static constexpr double kMaxValue = 1e15;

    // Values above 1e15 are stored as 1e15. Setting the value it already has
    // does nothing; otherwise the readout repaints and valueChanged() is
    // emitted.
    double value() const { return m_value; }
    void setValue(double value);
    // Decimals shown, 0 to 13.
    int precision() const { return m_precision; }
    void setPrecision(int value);
    // One extra cell for the sign.
    bool showSign() const { return m_showSign; }
    void setShowSign(bool value);
    // Digit cells, 1 to 32.
    int digitCount() const { return m_digitCount; }
    void setDigitCount(int value);
    LeadingStyle leadingStyle() const { return m_leadingStyle; }
    void setLeadingStyle(LeadingStyle value);

    ReadoutLayout readoutLayout() const;
    QSize naturalSize() const override;
    QString accessibleValue() const override;

protected:
    void paintFace(QPainter& canvas) override;

private:
    double m_value = 0;
    int m_precision = 2;
    bool m_showSign = true;
    int m_digitCount = 4;
    LeadingStyle m_leadingStyle = LeadingStyle::Spaces;
};

} // namespace tarvex
