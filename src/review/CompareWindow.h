// The "Compare runs" window: the voltage of up to twenty runs overlaid, in
// distinct colours with a legend (label, Ah), against the charge drawn or
// against the time since each run's Load ON, on the overlay chart (its zoom,
// scroll and picture menu; drawn from its point pyramid, so the cost of a
// picture does not grow with the runs' length).
//
// Children found by object name: the chart ("chart"), the two choices of the
// bottom axis ("chargeAxisButton" "Against charge drawn (Ah)",
// "timeAxisButton" "Against elapsed time", Alt+C and Alt+T), the line that
// says how many runs are shown ("shownLabel") and "Close" ("closeButton").
// Every control is reached with Tab, its accessible name its caption.
// Window thread only.
#pragma once

#include "store/RunRecord.h"
#include "widgets/OverlayChart.h"

#include <QDialog>
#include <QList>

class QLabel;
class QRadioButton;

namespace tarvex {

// A run with its readings in ID order, as Compare shows it.
struct CompareRun {
    RunRecord run;
    QList<RunReading> readings;
};

// What the chart draws of a run: the legend's label (the run's label, or
// "run N" without one) and charge (the run's figure), and at each reading
// the charge drawn so far (RunFigures: as the run and the store count it),
// the time since Load ON in seconds and the voltage. Where the figures do not
// join two readings (a gap of more than three poll intervals), a point
// without a voltage comes between them, so that the line does not bridge the
// gap.
OverlaySeries compareSeries(const RunRecord& run, const QList<RunReading>& readings);

// "run 12", or the label when there is one.
QString compareLabel(const RunRecord& run);

class CompareWindow : public QDialog {
    Q_OBJECT

public:
    explicit CompareWindow(QWidget* parent = nullptr);
    ~CompareWindow() override;

    // Shows runs in their order, the first kOverlayColorCount of them (the
    // rest are left out and the line below the chart says so), each in its
    // colour; the chart shows all. Returns how many are shown.
    int setRuns(const QList<CompareRun>& runs);

    OverlayChart* chart() const { return m_chart; }

private:
    OverlayChart* m_chart;
    QRadioButton* m_chargeAxis;
    QRadioButton* m_timeAxis;
    QLabel* m_shown;
};

} // namespace tarvex
