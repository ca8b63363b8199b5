#include "widgets/iSevenSegmentClockSMPTE.h"

#include <QString>

#include <cmath>

namespace tarvex {

TClockTime DecodeClockTime(double dateTime) {
    double ms = std::round(dateTime * kMSecsPerDay);
    ms = std::isfinite(ms) ? std::fmod(std::fabs(ms), kMSecsPerDay) : 0;
    const long long total = static_cast<long long>(ms);
    return {static_cast<int>(total / 3600000), static_cast<int>(total / 60000 % 60),
            static_cast<int>(total / 1000 % 60), static_cast<int>(total % 1000)};
}

double EncodeClockTime(const TClockTime& time) {
    return (time.Hours * 3600000.0 + time.Minutes * 60000.0 + time.Seconds * 1000.0 +
            time.MilliSeconds) /
           kMSecsPerDay;
}

namespace {

int CellCount(int base, int perOption, const TClockLayout& layout) {
    return base + (layout.ShowFrameNumber ? perOption : 0) +
           (layout.ShowFieldNumber ? perOption : 0);
}

} // namespace

TGlyphCells ClockCells(const TClockLayout& layout, const TClockTime& time, int frameNumber,
                       int fieldNumber) {
    const int W = layout.Width;
    const int m = layout.SegmentMargin;
    const int s = layout.DigitSpacing;
    const int digits = CellCount(6, 2, layout);
    const int narrows = CellCount(2, 1, layout);
    const int e = static_cast<int>(
        std::trunc(5.0 * (W - 2 * m - s * (digits + narrows - 1)) / (5 * digits + narrows)));
    const int narrowWidth = e / 5;
    const int ch = layout.Height - 2 * m;
    int x = (W + s - digits * (e + s) - narrows * (narrowWidth + s)) / 2;

    TGlyphCells cells;
    auto digitCell = [&](int digit) {
        cells.append({QRect(x, m, e, ch), DigitGlyph(digit)});
        x += e + s;
    };
    auto narrowCell = [&](TSevenSegmentCharacter glyph) {
        cells.append({QRect(x, m, narrowWidth, ch), glyph});
        x += narrowWidth + s;
    };
    auto twoDigits = [&](int v) {
        digitCell(v < 10 ? 0 : v / 10);
        digitCell(v % 10);
    };

    int hours = time.Hours;
    if (layout.HourStyle == ichs12 && hours > 12)
        hours -= 12;
    twoDigits(hours);
    narrowCell(sscColon);
    twoDigits(time.Minutes);
    narrowCell(sscColon);
    twoDigits(time.Seconds);
    if (layout.ShowFrameNumber) {
        narrowCell(layout.FrameStyle == ifsNonDropFrame ? sscColon : sscSemiColon);
        twoDigits(frameNumber);
    }
    if (layout.ShowFieldNumber) {
        narrowCell(sscPeriod);
        twoDigits(fieldNumber);
    }
    return cells;
}

QSize ClockNaturalSize(bool showFrameNumber, bool showFieldNumber, int digitSpacing,
                       int segmentMargin, int segmentSize) {
    TiSevenSegmentCharacter glyphs;
    glyphs.SetSegmentMargin(0);
    glyphs.SetSegmentSize(segmentSize);
    TClockLayout cells;
    cells.ShowFrameNumber = showFrameNumber;
    cells.ShowFieldNumber = showFieldNumber;
    const int width = 2 * segmentMargin - digitSpacing +
                      CellCount(6, 2, cells) * (glyphs.NaturalWidth(ssc8) + digitSpacing) +
                      CellCount(2, 1, cells) * (glyphs.NaturalWidth(sscColon) + digitSpacing);
    return {width, glyphs.NaturalHeight() + 2 * segmentMargin};
}

TiSevenSegmentClockSMPTE::TiSevenSegmentClockSMPTE(QWidget* parent)
    : TiSevenSegmentDisplay(parent) {
    setAccessibleName(tr("Elapsed time"));
    DoAutoSize();
}

void TiSevenSegmentClockSMPTE::SetTime(double value) {
    if (value == FTime)
        return;
    FTime = value;
    InvalidateChange();
    NotifyAccessibleValue();
    emit OnValueChange();
}

int TiSevenSegmentClockSMPTE::Hours() const {
    return DecodeClockTime(FTime).Hours;
}
int TiSevenSegmentClockSMPTE::Minutes() const {
    return DecodeClockTime(FTime).Minutes;
}
int TiSevenSegmentClockSMPTE::Seconds() const {
    return DecodeClockTime(FTime).Seconds;
}

void TiSevenSegmentClockSMPTE::SetHours(int value) {
    if (value < 0 || value > 23)
        throw RangeError("Hours must be in the range of 0-23");
    SetComponent(&TClockTime::Hours, value);
}

void TiSevenSegmentClockSMPTE::SetMinutes(int value) {
    if (value < 0 || value > 59)
        throw RangeError("Minutes must be in the range of 0-59");
    SetComponent(&TClockTime::Minutes, value);
}

void TiSevenSegmentClockSMPTE::SetSeconds(int value) {
    if (value < 0 || value > 59)
        throw RangeError("Seconds must be in the range of 0-59");
    SetComponent(&TClockTime::Seconds, value);
}

void TiSevenSegmentClockSMPTE::SetComponent(int TClockTime::*component, int value) {
    TClockTime time = DecodeClockTime(FTime);
    if (time.*component == value)
        return;
    time.*component = value;
    SetTime(EncodeClockTime(time));
}

void TiSevenSegmentClockSMPTE::SetFrameNumber(int value) {
    ChangeProperty(FFrameNumber, value);
}

void TiSevenSegmentClockSMPTE::SetFieldNumber(int value) {
    ChangeProperty(FFieldNumber, value);
}

void TiSevenSegmentClockSMPTE::SetFrameStyle(TiFrameStyle value) {
    ChangeProperty(FFrameStyle, value);
}

void TiSevenSegmentClockSMPTE::SetShowFrameNumber(bool value) {
    ChangeSizeProperty(FShowFrameNumber, value);
}

void TiSevenSegmentClockSMPTE::SetShowFieldNumber(bool value) {
    ChangeSizeProperty(FShowFieldNumber, value);
}

void TiSevenSegmentClockSMPTE::SetHourStyle(TiClockHourStyle value) {
    ChangeProperty(FHourStyle, value);
}

TClockLayout TiSevenSegmentClockSMPTE::Layout() const {
    return {width(),          height(),         SegmentMargin(), DigitSpacing(),
            FShowFrameNumber, FShowFieldNumber, FFrameStyle,     FHourStyle};
}

QSize TiSevenSegmentClockSMPTE::NaturalSize() const {
    return ClockNaturalSize(FShowFrameNumber, FShowFieldNumber, DigitSpacing(), SegmentMargin(),
                            SegmentSize());
}

QString TiSevenSegmentClockSMPTE::AccessibleValue() const {
    QString shown;
    for (const TGlyphCell& cell :
         ClockCells(Layout(), DecodeClockTime(FTime), FFrameNumber, FFieldNumber))
        shown += CharForGlyph(cell.Glyph);
    return shown;
}

void TiSevenSegmentClockSMPTE::PaintFace(QPainter& canvas) {
    PaintCells(canvas, ClockCells(Layout(), DecodeClockTime(FTime), FFrameNumber, FFieldNumber));
}

} // namespace tarvex
