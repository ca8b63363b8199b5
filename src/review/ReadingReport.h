// The printed report of the stored readings: "TARVEX REPORT" on A4, then one
// line per reading (ID, the three values, the date), over a query of its own.
//
// The query is open only while a report runs: openReadings() opens it afresh
// before every run, and when the preview closes or a print run ends, closing
// it is queued; the event loop carries it out after the report has finished
// with the rows.
#pragma once

#include "review/BandReport.h"

namespace tarvex {

class Query;

class ReadingReport : public BandReport {
    Q_OBJECT

public:
    explicit ReadingReport(QObject* parent = nullptr);

    // Closes the report's query and opens it on the reading table, on its
    // first row. Raises DatabaseError when it cannot be opened; it is then
    // closed.
    void openReadings();

private slots:
    // Runs from the event loop; a failure goes to the default exception
    // display.
    void closeReadings();

private:
    Query* m_query;
};

} // namespace tarvex
