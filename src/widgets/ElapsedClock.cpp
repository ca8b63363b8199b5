#include "widgets/ElapsedClock.h"

#include "errors/Errors.h"

#include <QString>

#include <cmath>

namespace tarvex {

namespace {
using Glyph = SevenSegmentGlyph;
} // namespace

ClockTime decodeClockTime(double dateTime) {
    double ms = std::round(dateTime * kMSecsPerDay);
    ms = std::isfinite(ms) ? std::fmod(std::fabs(ms), kMSecsPerDay) : 0;
    const long long total = static_cast<long long>(ms);
    return {static_cast<int>(total / 3600000), static_cast<int>(total / 60000 % 60),
            static_cast<int>(total / 1000 % 60), static_cast<int>(total % 1000)};
}

double encodeClockTime(const ClockTime& time) {
    return (time.hours * 3600000.0 + time.minutes * 60000.0 + time.seconds * 1000.0 +
            time.milliseconds) /
           kMSecsPerDay;
}

namespace {

int cellCount(int base, int perOption, const ClockLayout& layout) {
    return base + (layout.showFrameNumber ? perOption : 0) +
           (layout.showFieldNumber ? perOption : 0);
}

} // namespace

GlyphCells clockCells(const ClockLayout& layout, const ClockTime& time, int frameNumber,
                      int fieldNumber) {
    const int W = layout.width;
    const int m = layout.segmentMargin;
    const int s = layout.digitSpacing;
    const int digits = cellCount(6, 2, layout);
    const int narrows = cellCount(2, 1, layout);
    const int e = static_cast<int>(
        std::trunc(5.0 * (W - 2 * m - s * (digits + narrows - 1)) / (5 * digits + narrows)));
    const int narrowWidth = e / 5;
    const int ch = layout.height - 2 * m;
    int x = (W + s - digits * (e + s) - narrows * (narrowWidth + s)) / 2;

    GlyphCells cells;
    auto digitCell = [&](int digit) {
        cells.append({QRect(x, m, e, ch), digitGlyph(digit)});
        x += e + s;
    };
    auto narrowCell = [&](Glyph glyph) {
        cells.append({QRect(x, m, narrowWidth, ch), glyph});
        x += narrowWidth + s;
    };
    auto twoDigits = [&](int v) {
        digitCell(v < 10 ? 0 : v / 10);
        digitCell(v % 10);
    };

    int hours = time.hours;
    if (layout.hourStyle == HourStyle::Hours12 && hours > 12)
        hours -= 12;
    twoDigits(hours);
    narrowCell(Glyph::Colon);
    twoDigits(time.minutes);
    narrowCell(Glyph::Colon);
    twoDigits(time.seconds);
    if (layout.showFrameNumber) {
        narrowCell(layout.frameSeparator == FrameSeparator::Colon ? Glyph::Colon
                                                                  : Glyph::Semicolon);
        twoDigits(frameNumber);
    }
    if (layout.showFieldNumber) {
        narrowCell(Glyph::Period);
        twoDigits(fieldNumber);
    }
    return cells;
}

QSize clockNaturalSize(bool showFrameNumber, bool showFieldNumber, int digitSpacing,
                       int segmentMargin, int segmentSize) {
    SevenSegmentRenderer glyphs;
    glyphs.setSegmentMargin(0);
    glyphs.setSegmentSize(segmentSize);
    ClockLayout cells;
    cells.showFrameNumber = showFrameNumber;
    cells.showFieldNumber = showFieldNumber;
    const int width = 2 * segmentMargin - digitSpacing +
                      cellCount(6, 2, cells) * (glyphs.naturalWidth(Glyph::Digit8) + digitSpacing) +
                      cellCount(2, 1, cells) * (glyphs.naturalWidth(Glyph::Colon) + digitSpacing);
    return {width, glyphs.naturalHeight() + 2 * segmentMargin};
}

ElapsedClock::ElapsedClock(QWidget* parent) : SevenSegmentDisplay(parent) {
    setAccessibleName(tr("Elapsed time"));
    applyAutoSize();
}

void ElapsedClock::setTime(double value) {
    if (value == m_time)
        return;
    m_time = value;
    requestRepaint();
    notifyAccessibleValue();
    emit valueChanged();
}

int ElapsedClock::hours() const {
    return decodeClockTime(m_time).hours;
}
int ElapsedClock::minutes() const {
    return decodeClockTime(m_time).minutes;
}
int ElapsedClock::seconds() const {
    return decodeClockTime(m_time).seconds;
}

void ElapsedClock::setHours(int value) {
    if (value < 0 || value > 23)
        throw RangeError("Hours must be in the range of 0-23");
    setComponent(&ClockTime::hours, value);
}

void ElapsedClock::setMinutes(int value) {
    if (value < 0 || value > 59)
        throw RangeError("Minutes must be in the range of 0-59");
    setComponent(&ClockTime::minutes, value);
}

void ElapsedClock::setSeconds(int value) {
    if (value < 0 || value > 59)
        throw RangeError("Seconds must be in the range of 0-59");
    setComponent(&ClockTime::seconds, value);
}

void ElapsedClock::setComponent(int ClockTime::*component, int value) {
    ClockTime time = decodeClockTime(m_time);
    if (time.*component == value)
        return;
    time.*component = value;
    setTime(encodeClockTime(time));
}

void ElapsedClock::setFrameNumber(int value) {
    changeProperty(m_frameNumber, value);
}

void ElapsedClock::setFieldNumber(int value) {
    changeProperty(m_fieldNumber, value);
}

void ElapsedClock::setFrameSeparator(FrameSeparator value) {
    changeProperty(m_frameSeparator, value);
}

void ElapsedClock::setShowFrameNumber(bool value) {
    changeSizeProperty(m_showFrameNumber, value);
}

void ElapsedClock::setShowFieldNumber(bool value) {
    changeSizeProperty(m_showFieldNumber, value);
}

void ElapsedClock::setHourStyle(HourStyle value) {
    changeProperty(m_hourStyle, value);
}

ClockLayout ElapsedClock::clockLayout() const {
    return {width(),           height(),          segmentMargin(),  digitSpacing(),
            m_showFrameNumber, m_showFieldNumber, m_frameSeparator, m_hourStyle};
}

QSize ElapsedClock::naturalSize() const {
    return clockNaturalSize(m_showFrameNumber, m_showFieldNumber, digitSpacing(), segmentMargin(),
                            segmentSize());
}

QString ElapsedClock::accessibleValue() const {
    QString shown;
    for (const GlyphCell& cell :
         clockCells(clockLayout(), decodeClockTime(m_time), m_frameNumber, m_fieldNumber))
        shown += charForGlyph(cell.glyph);
    return shown;
}

void ElapsedClock::paintFace(QPainter& canvas) {
    paintCells(canvas,
               clockCells(clockLayout(), decodeClockTime(m_time), m_frameNumber, m_fieldNumber));
}

} // namespace tarvex
