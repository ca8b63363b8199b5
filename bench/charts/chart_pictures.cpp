// Renders the three run charts to PNG files, to look at: a few hundred
// readings of a battery discharge, at 1x and 4x, plus a chart with a million
// readings. Usage: chart_pictures <output directory>
#include "widgets/Chart.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cmath>
#include <cstdio>
#include <random>

using namespace tarvex;

namespace {

void Save(TChart& chart, const QString& path, qreal ratio) {
    QPixmap pixmap(chart.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    chart.render(&pixmap);
    if (!pixmap.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// A discharge at constant current: voltage sagging from 13 V, a little noise,
// a pause, a spike, and the current now and then above the 4 A scale.
void Feed(TLineSeries* series[3], int count) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.01);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / count;
        double volts = 13.0 - 2.5 * t - 1.5 * std::pow(t, 8) + noise(random);
        double amps = (i / (count / 6)) % 3 == 2 ? 4.4 : 2.5 + 10 * noise(random);
        if (i == count / 2)
            volts = 380; // a bad reading far above the scale
        series[0]->Add(volts);
        series[1]->Add(amps);
        series[2]->Add(volts * amps);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    for (int count : {300, 1000000}) {
        TChart charts[3];
        TLineSeries* series[3];
        for (int k = 0; k < 3; ++k)
            series[k] = &ConfigureRunChart(charts[k], TRunChart(k));
        Feed(series, count);
        for (int k = 0; k < 3; ++k) {
            const QString name = QStringLiteral("%1-%2").arg(charts[k].objectName()).arg(count);
            Save(charts[k], dir.filePath(name + QStringLiteral(".png")), 1);
            if (count < 1000)
                Save(charts[k], dir.filePath(name + QStringLiteral("@4x.png")), 4);
        }
    }
    TChart empty;
    ConfigureRunChart(empty, TRunChart::rcCurrent);
    Save(empty, dir.filePath(QStringLiteral("Chart2-0.png")), 1);
    empty.Series().Add(2.5);
    Save(empty, dir.filePath(QStringLiteral("Chart2-1.png")), 1);
    empty.Series().Add(2.6);
    empty.Series().Add(2.4);
    Save(empty, dir.filePath(QStringLiteral("Chart2-3.png")), 1);
    return 0;
}
