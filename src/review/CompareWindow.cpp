#include "review/CompareWindow.h"

#include "readings/RunTexts.h"
#include "store/RunFigures.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace tarvex {

QString compareLabel(const RunRecord& run) {
    const QString label = run.label.simplified();
    return label.isEmpty() ? CompareWindow::tr("run %1").arg(run.id) : label;
}

OverlaySeries compareSeries(const RunRecord& run, const QList<RunReading>& readings) {
    OverlaySeries series;
    series.label = compareLabel(run);
    series.ampHours = run.ampHours;
    const std::size_t size = std::size_t(readings.size());
    series.chargeAh.reserve(size);
    series.elapsedSeconds.reserve(size);
    series.volts.reserve(size);
    RunFigures tally(run.pollIntervalMs);
    for (const RunReading& r : readings) {
        const double seconds = double(r.elapsedMs) / 1000;
        const bool joined =
            !tally.last() || r.elapsedMs - tally.last()->elapsedMs <= tally.gapLimit();
        tally.add(r.id, r.elapsedMs, r.volts, r.amps, r.watts);
        if (!joined) {
            // Not joined: a gap, drawn where the next stretch begins.
            series.chargeAh.push_back(tally.ampHours());
            series.elapsedSeconds.push_back(seconds);
            series.volts.push_back(std::numeric_limits<float>::quiet_NaN());
        }
        series.chargeAh.push_back(tally.ampHours());
        series.elapsedSeconds.push_back(seconds);
        series.volts.push_back(float(r.volts));
    }
    return series;
}

CompareWindow::CompareWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("compareWindow"));
    setWindowTitle(tr("Compare runs"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    m_chart = new OverlayChart(this);
    m_chart->setObjectName(QStringLiteral("chart"));
    m_chart->setTitle(tr("Compare runs"));

    m_chargeAxis = new QRadioButton(tr("Against &charge drawn (Ah)"), this);
    m_chargeAxis->setObjectName(QStringLiteral("chargeAxisButton"));
    m_chargeAxis->setAccessibleName(tr("Against charge drawn (Ah)"));
    m_chargeAxis->setChecked(true);
    m_timeAxis = new QRadioButton(tr("Against elapsed &time"), this);
    m_timeAxis->setObjectName(QStringLiteral("timeAxisButton"));
    m_timeAxis->setAccessibleName(tr("Against elapsed time"));
    auto* axes = new QButtonGroup(this);
    axes->addButton(m_chargeAxis);
    axes->addButton(m_timeAxis);
    connect(m_chargeAxis, &QRadioButton::toggled, this,
            [this](bool on) { m_chart->setXAxis(on ? OverlayAxis::Charge : OverlayAxis::Time); });

    m_shown = new QLabel(this);
    m_shown->setObjectName(QStringLiteral("shownLabel"));

    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAccessibleName(tr("Close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_chargeAxis);
    controls->addWidget(m_timeAxis);
    controls->addSpacing(12);
    controls->addWidget(m_shown, 1);
    controls->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_chart, 1);
    layout->addLayout(controls);

    setTabOrder(m_chart, m_chargeAxis);
    setTabOrder(m_chargeAxis, m_timeAxis);
    setTabOrder(m_timeAxis, close);
    resize(920, 640);
}

CompareWindow::~CompareWindow() = default;

int CompareWindow::setRuns(const QList<CompareRun>& runs) {
    m_chart->clearSeries();
    int shown = 0;
    for (const CompareRun& run : runs) {
        if (shown == kOverlayColorCount)
            break;
        m_chart->addSeries(compareSeries(run.run, run.readings));
        ++shown;
    }
    m_chart->setXAxis(m_chargeAxis->isChecked() ? OverlayAxis::Charge : OverlayAxis::Time);
    m_shown->setText(runs.size() > shown ? tr("%1 of %2 runs shown: Compare shows %3 at most")
                                               .arg(shown)
                                               .arg(runs.size())
                                               .arg(kOverlayColorCount)
                                         : tr("%1 runs").arg(shown));
    m_shown->setAccessibleName(m_shown->text());
    return shown;
}

} // namespace tarvex
