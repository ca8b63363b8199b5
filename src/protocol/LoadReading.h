// The load's answer to a status query, decoded into the texts the program
// stores and the numbers it shows.
#pragma once

#include "protocol/DeviceFrame.h"

#include <QString>

#include <cstdint>

namespace tarvex {

// One decoded answer. The texts are what is stored, printed and exported; the
// numbers are those texts parsed back (so they carry the rounding) and are what
// the readouts and charts show. Only the minimum-voltage stop looks at the raw
// milliVolts.
struct LoadReading {
    std::int32_t milliVolts = 0;
    QString ampsText;  // amperes, "%4.2f"
    QString voltsText; // volts, "%6.2f"
    QString wattsText; // watts, "%6.2f"
    double amps = 0;
    double volts = 0;
    double watts = 0;
};

// Decodes any 26 bytes as an answer; start byte, command and checksum are not
// looked at. Never fails. Numbers use the decimal separator of QLocale() (the
// system's locale unless the program or a test sets another default).
LoadReading decodeStatusAnswer(const std::uint8_t* bytes);
inline LoadReading decodeStatusAnswer(const DeviceFrame& frame) {
    return decodeStatusAnswer(frame.data());
}

// Formats value / divisor (divisor 1, 10, 100 or 1000) with exactly two
// decimals, rounding the exact decimal value half away from zero, padded on
// the left with blanks to minWidth and never cut. Works in integers only.
QString formatFixed2(std::int64_t value, std::int64_t divisor, int minWidth,
                     const QString& decimalSeparator);

} // namespace tarvex
