#include "run/PollInterval.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

constexpr double kBitsPerPoll = 2 * 26 * 10; // request and answer, 10 bits a byte
constexpr double kAnswerGapMs = 60;          // the pause that ends an answer
constexpr double kMargin = 1.3;
constexpr int kStep = 10;
constexpr int kLeastStopWaitMs = 300;

} // namespace

int minimumPollIntervalMs(quint32 baudRate) {
    const double rate = std::max<quint32>(baudRate, 1);
    const double ms = kMargin * (kBitsPerPoll * 1000.0 / rate + kAnswerGapMs);
    // A hair below a step is that step: 150.0000001 is not 160.
    const double steps = std::ceil(ms / kStep - 1e-9);
    return static_cast<int>(std::min(steps * kStep, 24.0 * 3600 * 1000));
}

int stopAnswerTimeoutMs(quint32 baudRate) {
    return std::max(kLeastStopWaitMs, 2 * minimumPollIntervalMs(baudRate));
}

bool pollingCanWatch(int intervalMs, quint32 baudRate) {
    return intervalMs > 0 && intervalMs >= minimumPollIntervalMs(baudRate);
}

QString pollingRefusal(int intervalMs, quint32 baudRate) {
    if (pollingCanWatch(intervalMs, baudRate))
        return {};
    const int least = minimumPollIntervalMs(baudRate);
    if (intervalMs <= 0)
        return QCoreApplication::translate(
                   "PollInterval",
                   "The load was not switched on: a Send-frequency of %1 ms stops "
                   "polling, so no reading would come and the minimum-voltage stop "
                   "could not work. Under Setting, set a Send-frequency of at least "
                   "%2 ms, then Load ON.")
            .arg(intervalMs)
            .arg(least);
    return QCoreApplication::translate(
               "PollInterval", "The load was not switched on: a Send-frequency of %1 ms is shorter "
                               "than %2 bit/s can carry, so the answers would run together and the "
                               "minimum-voltage stop could not work. Under Setting, set a "
                               "Send-frequency of at least %3 ms, then Load ON.")
        .arg(intervalMs)
        .arg(baudRate)
        .arg(least);
}

QString pollIntervalWarning(int intervalMs, quint32 baudRate) {
    if (pollingCanWatch(intervalMs, baudRate))
        return {};
    const int least = minimumPollIntervalMs(baudRate);
    if (intervalMs <= 0)
        return QCoreApplication::translate("PollInterval",
                                           "Polling off: Load ON needs %1 ms or more")
            .arg(least);
    return QCoreApplication::translate("PollInterval", "Too short for %1 bit/s: %2 ms or more")
        .arg(baudRate)
        .arg(least);
}

} // namespace tarvex
