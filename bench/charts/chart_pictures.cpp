// Renders the three run charts to PNG files, to look at: a few hundred
// readings of a battery discharge, at 1x and 4x, plus a chart with a million
// readings, each also zoomed into a part of the run (the "-zoomed" files).
// Usage: chart_pictures <output directory>
#include "widgets/RunChart.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cmath>
#include <cstdio>
#include <random>

using namespace tarvex;

namespace {

void save(StripChart& chart, const QString& path, qreal ratio) {
    QPixmap pixmap(chart.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    chart.render(&pixmap);
    if (!pixmap.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// A discharge at constant current: voltage sagging from 13 V, a little noise,
// a pause, a spike, and the current now and then above the 4 A scale.
void feed(LineSeries* series[3], int count) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.01);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / count;
        double volts = 13.0 - 2.5 * t - 1.5 * std::pow(t, 8) + noise(random);
        double amps = (i / (count / 6)) % 3 == 2 ? 4.4 : 2.5 + 10 * noise(random);
        if (i == count / 2)
            volts = 380; // a bad reading far above the scale
        series[0]->append(volts);
        series[1]->append(amps);
        series[2]->append(volts * amps);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    for (int count : {300, 1000000}) {
        StripChart charts[3];
        LineSeries* series[3];
        for (int k = 0; k < 3; ++k)
            series[k] = &configureRunChart(charts[k], RunChart(k));
        feed(series, count);
        for (int k = 0; k < 3; ++k) {
            const QString name = QStringLiteral("%1-%2").arg(charts[k].objectName()).arg(count);
            save(charts[k], dir.filePath(name + QStringLiteral(".png")), 1);
            if (count < 1000)
                save(charts[k], dir.filePath(name + QStringLiteral("@4x.png")), 4);
            // A fifth of the run around its middle, the upper half of the axis.
            const auto [low, high] = charts[k].leftRange();
            charts[k].zoomTo({count * 0.4, count * 0.6, (low + high) / 2, high});
            save(charts[k], dir.filePath(name + QStringLiteral("-zoomed.png")), 1);
            if (count < 1000)
                save(charts[k], dir.filePath(name + QStringLiteral("-zoomed@2x.png")), 2);
            charts[k].showAll();
        }
    }
    StripChart empty;
    configureRunChart(empty, RunChart::Current);
    save(empty, dir.filePath(QStringLiteral("currentChart-0.png")), 1);
    empty.series().append(2.5);
    save(empty, dir.filePath(QStringLiteral("currentChart-1.png")), 1);
    empty.series().append(2.6);
    empty.series().append(2.4);
    save(empty, dir.filePath(QStringLiteral("currentChart-3.png")), 1);
    return 0;
}
