#include "protocol/DeviceFrame.h"

#include <QLocale>

#include <cstdlib>

namespace tarvex {

std::uint8_t FrameChecksum(const DeviceFrame& frame) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < kFrameSize; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

namespace {

DeviceFrame MakeRequest(std::uint8_t command, std::uint8_t mode) {
    DeviceFrame frame{};
    frame[0] = kFrameStart;
    frame[1] = 0x00;
    frame[2] = command;
    frame[3] = mode;
    frame[25] = FrameChecksum(frame);
    return frame;
}

// Value in hundredths: value / divisor rounded half away from zero.
std::int64_t ToHundredths(std::int64_t value, std::int64_t divisor) {
    if (divisor <= 100)
        return value * (100 / divisor);
    const std::int64_t step = divisor / 100;
    const std::int64_t magnitude = (std::llabs(value) * 2 + step) / (2 * step);
    return value < 0 ? -magnitude : magnitude;
}

} // namespace

DeviceFrame MakeStatusQuery() {
    return MakeRequest(kCmdReadStatus, 0x00);
}

DeviceFrame MakeControlFrame(std::uint8_t mode) {
    return MakeRequest(kCmdSetControlMode, mode);
}

DeviceFrame MakeStatusAnswer(std::uint16_t milliAmps, std::int32_t milliVolts,
                             std::uint16_t deciWatts) {
    DeviceFrame frame{};
    frame[0] = kFrameStart;
    frame[2] = kCmdReadStatus;
    frame[3] = static_cast<std::uint8_t>(milliAmps & 0xFF);
    frame[4] = static_cast<std::uint8_t>(milliAmps >> 8);
    const auto mv = static_cast<std::uint32_t>(milliVolts);
    for (std::size_t i = 0; i < 4; ++i)
        frame[5 + i] = static_cast<std::uint8_t>(mv >> (8 * i));
    frame[9] = static_cast<std::uint8_t>(deciWatts & 0xFF);
    frame[10] = static_cast<std::uint8_t>(deciWatts >> 8);
    frame[25] = FrameChecksum(frame);
    return frame;
}

QString FormatFixed2(std::int64_t value, std::int64_t divisor, int minWidth,
                     const QString& decimalSeparator) {
    const std::int64_t hundredths = ToHundredths(value, divisor);
    const std::int64_t magnitude = std::llabs(hundredths);
    QString text;
    if (value < 0)
        text += QLatin1Char('-');
    text += QString::number(magnitude / 100);
    text += decimalSeparator;
    const auto cents = static_cast<int>(magnitude % 100);
    text += QLatin1Char(static_cast<char>('0' + cents / 10));
    text += QLatin1Char(static_cast<char>('0' + cents % 10));
    if (text.size() < minWidth)
        text.prepend(QString(minWidth - text.size(), QLatin1Char(' ')));
    return text;
}

LoadReading DecodeStatusAnswer(const std::uint8_t* b) {
    const std::int64_t milliAmps = b[3] + 256 * b[4];
    const auto raw = static_cast<std::uint32_t>(b[5]) | static_cast<std::uint32_t>(b[6]) << 8 |
                     static_cast<std::uint32_t>(b[7]) << 16 |
                     static_cast<std::uint32_t>(b[8]) << 24;
    const auto milliVolts = static_cast<std::int32_t>(raw);
    const std::int64_t deciWatts = b[9] + 256 * b[10];

    const QLocale locale;
    const QString separator = locale.decimalPoint();

    LoadReading r;
    r.MilliVolts = milliVolts;
    r.CurText = FormatFixed2(milliAmps, 1000, 4, separator);
    r.VolText = FormatFixed2(milliVolts, 1000, 6, separator);
    r.PowText = FormatFixed2(deciWatts, 10, 6, separator);
    // Parsing the texts back yields exactly hundredths / 100: both are the
    // double nearest to the same decimal.
    r.Amps = static_cast<double>(ToHundredths(milliAmps, 1000)) / 100.0;
    r.Volts = static_cast<double>(ToHundredths(milliVolts, 1000)) / 100.0;
    r.Watts = static_cast<double>(ToHundredths(deciWatts, 10)) / 100.0;
    return r;
}

} // namespace tarvex
