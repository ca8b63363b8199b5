#include "protocol/LoadReading.h"

#include <QLocale>

#include <cstdlib>

namespace tarvex {

namespace {

// Value in hundredths: value / divisor rounded half away from zero.
std::int64_t toHundredths(std::int64_t value, std::int64_t divisor) {
    if (divisor <= 100)
        return value * (100 / divisor);
    const std::int64_t step = divisor / 100;
    const std::int64_t magnitude = (std::llabs(value) * 2 + step) / (2 * step);
    return value < 0 ? -magnitude : magnitude;
}

} // namespace

QString formatFixed2(std::int64_t value, std::int64_t divisor, int minWidth,
                     const QString& decimalSeparator) {
    const std::int64_t hundredths = toHundredths(value, divisor);
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

LoadReading decodeStatusAnswer(const std::uint8_t* b) {
    const std::int64_t milliAmps = b[3] + 256 * b[4];
    const auto raw = static_cast<std::uint32_t>(b[5]) | static_cast<std::uint32_t>(b[6]) << 8 |
                     static_cast<std::uint32_t>(b[7]) << 16 |
                     static_cast<std::uint32_t>(b[8]) << 24;
    const auto milliVolts = static_cast<std::int32_t>(raw);
    const std::int64_t deciWatts = b[9] + 256 * b[10];

    const QLocale locale;
    const QString separator = locale.decimalPoint();

    LoadReading r;
    r.milliVolts = milliVolts;
    r.ampsText = formatFixed2(milliAmps, 1000, 4, separator);
    r.voltsText = formatFixed2(milliVolts, 1000, 6, separator);
    r.wattsText = formatFixed2(deciWatts, 10, 6, separator);
    // Parsing the texts back yields exactly hundredths / 100: both are the
    // double nearest to the same decimal.
    r.amps = static_cast<double>(toHundredths(milliAmps, 1000)) / 100.0;
    r.volts = static_cast<double>(toHundredths(milliVolts, 1000)) / 100.0;
    r.watts = static_cast<double>(toHundredths(deciWatts, 10)) / 100.0;
    return r;
}

} // namespace tarvex
