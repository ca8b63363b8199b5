// Times a step that a benchmark repeats: the median of its samples.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

namespace tarvex::bench {

struct StepTiming {
    double medianMs = 0;
    int samples = 0;
};

// Calls step three times to warm caches up, then times it up to `wanted`
// times: at least three samples, and no more once budgetSeconds have passed.
inline StepTiming timeStep(const std::function<void()>& step, int wanted, double budgetSeconds) {
    for (int i = 0; i < 3; ++i)
        step();
    const auto budgetNs = static_cast<qint64>(budgetSeconds * 1e9);
    std::vector<qint64> times;
    QElapsedTimer total;
    total.start();
    while (int(times.size()) < wanted && (times.size() < 3 || total.nsecsElapsed() < budgetNs)) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return {double(times[times.size() / 2]) / 1e6, int(times.size())};
}

} // namespace tarvex::bench
