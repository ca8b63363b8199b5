// The seven-segment clock: hours, minutes and seconds of a time of day as
// two digits each, separated by colons, optionally followed by a frame and
// a field number.
#pragma once

#include "widgets/iSevenSegmentDisplay.h"

namespace tarvex {

// The settings and the content the cells of a clock depend on.
struct TClockLayout {
    int Width = 0;
    int Height = 0;
    int SegmentMargin = 5;
    int DigitSpacing = 6;
    bool ShowFrameNumber = true;
    bool ShowFieldNumber = true;
    TiFrameStyle FrameStyle = ifsDropFrame;
    TiClockHourStyle HourStyle = ichs24;
};

// The components of a time of day.
struct TClockTime {
    int Hours = 0;
    int Minutes = 0;
    int Seconds = 0;
    int MilliSeconds = 0;
};

inline constexpr double kMSecsPerDay = 86400000.0;

// The time of day of a date-time counted in days; the date is dropped.
TClockTime DecodeClockTime(double dateTime);
// The time of day as a fraction of a day.
double EncodeClockTime(const TClockTime& time);

// The cells a clock draws, in drawing order.
TGlyphCells ClockCells(const TClockLayout& layout, const TClockTime& time, int frameNumber,
                       int fieldNumber);

// Natural size of a clock with the given cell settings.
QSize ClockNaturalSize(bool showFrameNumber, bool showFieldNumber, int digitSpacing,
                       int segmentMargin, int segmentSize);

class TiSevenSegmentClockSMPTE : public TiSevenSegmentDisplay {
    Q_OBJECT

public:
    explicit TiSevenSegmentClockSMPTE(QWidget* parent = nullptr);

    // Date and time counted in days; only the time of day is shown.
    double Time() const { return FTime; }
    void SetTime(double value);

    // Components of Time. Setting one outside its range (0-23, 0-59, 0-59)
    // throws RangeError and changes nothing; setting the value it already
    // has does nothing; otherwise Time gets the new component, the clock
    // repaints and OnValueChange fires.
    int Hours() const;
    void SetHours(int value);
    int Minutes() const;
    void SetMinutes(int value);
    int Seconds() const;
    void SetSeconds(int value);

    int FrameNumber() const { return FFrameNumber; }
    void SetFrameNumber(int value);
    int FieldNumber() const { return FFieldNumber; }
    void SetFieldNumber(int value);
    TiFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TiFrameStyle value);
    bool ShowFrameNumber() const { return FShowFrameNumber; }
    void SetShowFrameNumber(bool value);
    bool ShowFieldNumber() const { return FShowFieldNumber; }
    void SetShowFieldNumber(bool value);
    TiClockHourStyle HourStyle() const { return FHourStyle; }
    void SetHourStyle(TiClockHourStyle value);

    TClockLayout Layout() const;
    QSize NaturalSize() const override;
    QString AccessibleValue() const override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::Clock; }

protected:
    void PaintFace(QPainter& canvas) override;

private:
    // Replaces one component of Time.
    void SetComponent(int TClockTime::*component, int value);

    double FTime = 0;
    int FFrameNumber = 0;
    int FFieldNumber = 0;
    TiFrameStyle FFrameStyle = ifsDropFrame;
    bool FShowFrameNumber = true;
    bool FShowFieldNumber = true;
    TiClockHourStyle FHourStyle = ichs24;
};

} // namespace tarvex
