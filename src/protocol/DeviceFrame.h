// The 26-byte frames spoken with the electronic load: building the requests
// the program sends and decoding the load's answer to a status query.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvex {

inline constexpr std::size_t kFrameSize = 26;

// One frame in either direction: start byte 0xAA, address 0, command, mode,
// zeros, checksum in byte 25.
using DeviceFrame = std::array<std::uint8_t, kFrameSize>;

inline constexpr std::uint8_t kFrameStart = 0xAA;
inline constexpr std::uint8_t kCmdReadStatus = 0x91;
inline constexpr std::uint8_t kCmdSetControlMode = 0x92;

// Control modes of the set-control-mode request.
inline constexpr std::uint8_t kModeSelfControl = 0; // front-panel control
inline constexpr std::uint8_t kModePcLoadOff = 2;   // computer control, input off
inline constexpr std::uint8_t kModePcLoadOn = 3;    // computer control, input on

// One decoded answer. The texts are what is stored, printed and exported; the
// numbers are those texts parsed back (so they carry the rounding) and are what
// the readouts and charts show. Only the minimum-voltage stop looks at the raw
// MilliVolts.
struct LoadReading {
    std::int32_t MilliVolts = 0;
    QString CurText; // amperes, "%4.2f"
    QString VolText; // volts, "%6.2f"
    QString PowText; // watts, "%6.2f"
    double Amps = 0;
    double Volts = 0;
    double Watts = 0;
};

// Low 8 bits of the sum of bytes 0 to 24.
std::uint8_t FrameChecksum(const DeviceFrame& frame);

DeviceFrame MakeStatusQuery();
// mode is kModeSelfControl, kModePcLoadOff or kModePcLoadOn.
DeviceFrame MakeControlFrame(std::uint8_t mode);

// The load's answer to a status query carrying these raw values (what the
// simulated load sends): current in mA, voltage in mV, power in 0.1 W.
DeviceFrame MakeStatusAnswer(std::uint16_t milliAmps, std::int32_t milliVolts,
                             std::uint16_t deciWatts);

// Decodes any 26 bytes as an answer; start byte, command and checksum are not
// looked at. Never fails. Numbers use the decimal separator of QLocale() (the
// system's locale unless the program or a test sets another default).
LoadReading DecodeStatusAnswer(const std::uint8_t* bytes);
inline LoadReading DecodeStatusAnswer(const DeviceFrame& frame) {
    return DecodeStatusAnswer(frame.data());
}

// Formats value / divisor (divisor 1, 10, 100 or 1000) with exactly two
// decimals, rounding the exact decimal value half away from zero, padded on
// the left with blanks to minWidth and never cut. Works in integers only.
QString FormatFixed2(std::int64_t value, std::int64_t divisor, int minWidth,
                     const QString& decimalSeparator);

} // namespace tarvex
