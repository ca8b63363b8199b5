// The report window: never shown, it carries the printed report of the stored
// readings ("TARVEX REPORT", A4, one line per row) and the report's own query.
// Whenever a preview or a print run ends it posts itself a close request, and
// closing it closes the query, so the query is open only while a report runs.
#pragma once

#include "review/BandReport.h"

#include <QWidget>

namespace tarvex {

class Query;

class TSerchRep : public QWidget {
    Q_OBJECT

public:
    explicit TSerchRep(QWidget* parent = nullptr);

    // The report's rows; opened afresh by every run of the report.
    Query* Query1;
    // The report definition over Query1.
    TReport* Report;

    // Event handlers, public so that the program's tests can drive them.
    // The report's notifications post the close request; it is handled later
    // by the event loop, after the report has finished with the query.
    void ReportAfterPreview();
    void ReportAfterPrint();
    // The close event: closes Query1.
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PostClose();
};

} // namespace tarvex
