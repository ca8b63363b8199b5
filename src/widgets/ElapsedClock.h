// The seven-segment clock of the elapsed time: hours, minutes and seconds of
// a time of day as two digits each, separated by colons, optionally followed
// by a frame and a field number (the control window shows neither).
#pragma once

#include "widgets/SevenSegmentDisplay.h"

namespace tarvex {

// The separator in front of the frame number.
enum class FrameSeparator { Semicolon, Colon };

// How hours are shown: 0 to 23, or with 12 taken off the hours after noon
// (midnight stays 00).
enum class HourStyle { Hours24, Hours12 };

// The settings and the content the cells of a clock depend on.
struct ClockLayout {
    int width = 0;
    int height = 0;
    int segmentMargin = 5;
    int digitSpacing = 6;
    bool showFrameNumber = true;
    bool showFieldNumber = true;
    FrameSeparator frameSeparator = FrameSeparator::Semicolon;
    HourStyle hourStyle = HourStyle::Hours24;
};

// The components of a time of day.
struct ClockTime {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int milliseconds = 0;
};

inline constexpr double kMSecsPerDay = 86400000.0;

// The time of day of a date-time counted in days; the date is dropped.
ClockTime decodeClockTime(double dateTime);
// The time of day as a fraction of a day.
double encodeClockTime(const ClockTime& time);

// The cells a clock draws, in drawing order.
GlyphCells clockCells(const ClockLayout& layout, const ClockTime& time, int frameNumber,
                      int fieldNumber);

// Natural size of a clock with the given cell settings.
QSize clockNaturalSize(bool showFrameNumber, bool showFieldNumber, int digitSpacing,
                       int segmentMargin, int segmentSize);

class ElapsedClock : public SevenSegmentDisplay {
    Q_OBJECT

public:
    // Its accessible name is "Elapsed time".
    explicit ElapsedClock(QWidget* parent = nullptr);

    // Date and time counted in days; only the time of day is shown.
    double time() const { return m_time; }
    void setTime(double value);

    // Components of time(). Setting one outside its range (0-23, 0-59, 0-59)
    // throws RangeError and changes nothing; setting the value it already
    // has does nothing; otherwise time() gets the new component, the clock
    // repaints and valueChanged() is emitted.
    int hours() const;
    void setHours(int value);
    int minutes() const;
    void setMinutes(int value);
    int seconds() const;
    void setSeconds(int value);

    int frameNumber() const { return m_frameNumber; }
    void setFrameNumber(int value);
    int fieldNumber() const { return m_fieldNumber; }
    void setFieldNumber(int value);
    FrameSeparator frameSeparator() const { return m_frameSeparator; }
    void setFrameSeparator(FrameSeparator value);
    bool showFrameNumber() const { return m_showFrameNumber; }
    void setShowFrameNumber(bool value);
    bool showFieldNumber() const { return m_showFieldNumber; }
    void setShowFieldNumber(bool value);
    HourStyle hourStyle() const { return m_hourStyle; }
    void setHourStyle(HourStyle value);

    ClockLayout clockLayout() const;
    QSize naturalSize() const override;
    QString accessibleValue() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Clock; }

protected:
    void paintFace(QPainter& canvas) override;

private:
    // Replaces one component of time().
    void setComponent(int ClockTime::*component, int value);

    double m_time = 0;
    int m_frameNumber = 0;
    int m_fieldNumber = 0;
    FrameSeparator m_frameSeparator = FrameSeparator::Semicolon;
    bool m_showFrameNumber = true;
    bool m_showFieldNumber = true;
    HourStyle m_hourStyle = HourStyle::Hours24;
};

} // namespace tarvex
