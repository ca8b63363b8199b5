#include "widgets/RunChart.h"

#include "widgets/StripChart.h"

#include <QCoreApplication>

namespace tarvex {

LineSeries& configureRunChart(StripChart& chart, RunChart which) {
    struct Setup {
        const char* name;
        const char* title;
        const char* seriesTitle;
        double maximum;
        bool ticks;
    };
    static constexpr Setup setups[] = {
        {"voltageChart", QT_TRANSLATE_NOOP("RunChart", "Vol-Run chart"), "VolChart", 360, false},
        {"currentChart", QT_TRANSLATE_NOOP("RunChart", "Cur-Run Chart"), "CurChart", 4, true},
        {"powerChart", QT_TRANSLATE_NOOP("RunChart", "Pow-Run Chart"), "PowChart", 200, true},
    };
    const Setup& setup = setups[int(which)];

    chart.setObjectName(QString::fromLatin1(setup.name));
    chart.setFixedSize(384, 155);
    chart.setTitle(QCoreApplication::translate("RunChart", setup.title));
    QFont titleFont(QStringLiteral("MS Serif"));
    titleFont.setPixelSize(11);
    titleFont.setWeight(QFont::Normal);
    titleFont.setItalic(false);
    chart.setTitleFont(titleFont);
    chart.setTitleColor(QColor(0, 0, 255));

    ChartAxis left;
    left.automatic = false;
    left.minimum = 0;
    left.maximum = setup.maximum;
    left.endPosition = 98;
    left.tickLength = setup.ticks ? 4 : 0;
    left.minorTickCount = setup.ticks ? 3 : 0;
    left.minorTickLength = setup.ticks ? 2 : 0;
    chart.setLeftAxis(left);
    chart.setBottomAxis(ChartAxis{});

    LineSeries& series = chart.series();
    series.setTitle(QString::fromLatin1(setup.seriesTitle));
    series.setColor(QColor(255, 0, 0));
    return series;
}

} // namespace tarvex
