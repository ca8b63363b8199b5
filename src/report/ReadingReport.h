// The printed report of the stored readings: "TARVEX REPORT" on A4, then one
// line per reading (ID, the three values, the date), over a model of the
// readings of its own (its child "model"). The report of one run (setRun)
// holds that run's readings and ends with a summary band: "RUN SUMMARY" and
// a line per figure of the run (runSummaryLines: label, start and end,
// duration, readings, charge, energy, start, end and lowest voltage, the
// limits, why it ended).
//
// The model is open only while a report runs: openReadings() opens it afresh
// before every run, and when the preview closes or a print run ends, closing
// it is queued; the event loop carries it out after the report has finished
// with the rows.
#pragma once

#include "readings/RunTexts.h"
#include "report/BandReport.h"

#include <optional>

namespace tarvex {

class ReadingModel;

class ReadingReport : public BandReport {
    Q_OBJECT

public:
    explicit ReadingReport(QObject* parent = nullptr);

    // Opens the report's model of the readings afresh. Raises DatabaseError
    // when the table cannot be read; the model is then closed.
    void openReadings();

    // The run the report is of, with the IDs of its readings (see
    // runReadingIds()); nothing: every stored reading, without a summary.
    // Takes effect at the next openReadings().
    void setRun(const std::optional<RunRecord>& run, IdRange readings = {});
    const std::optional<RunRecord>& run() const { return m_run; }

private slots:
    // Runs from the event loop; a failure goes to the default exception
    // display.
    void closeReadings();

private:
    ReadingModel* m_readings;
    std::optional<RunRecord> m_run;
};

} // namespace tarvex
