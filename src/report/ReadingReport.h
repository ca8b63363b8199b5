// The printed report of the stored readings: "TARVEX REPORT" on A4, then one
// line per reading (ID, the three values, the date), over a model of the
// readings of its own (its child "model").
//
// The model is open only while a report runs: openReadings() opens it afresh
// before every run, and when the preview closes or a print run ends, closing
// it is queued; the event loop carries it out after the report has finished
// with the rows.
#pragma once

#include "report/BandReport.h"

namespace tarvex {

class ReadingModel;

class ReadingReport : public BandReport {
    Q_OBJECT

public:
    explicit ReadingReport(QObject* parent = nullptr);

    // Opens the report's model of the readings afresh. Raises DatabaseError
    // when the table cannot be read; the model is then closed.
    void openReadings();

private slots:
    // Runs from the event loop; a failure goes to the default exception
    // display.
    void closeReadings();

private:
    ReadingModel* m_readings;
};

} // namespace tarvex
