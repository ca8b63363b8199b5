// The query window: every stored reading in a grid, with a toolbar to print
// them as a report, copy them into a spreadsheet, or delete them all.
//
// How the control window uses it. The window is created once, hidden, and
// lives for the whole run. Its "Query" button calls openReadings(), which
// opens the window's query on the reading table, and then shows the window
// modally with exec(). Every end of a showing (its close box, Escape) closes
// the query; the window is then only hidden, so the next showing finds it as
// it was left. The window never opens its query by itself before a showing.
//
// The toolbar's buttons ("reportButton", "exportButton", "clearButton") and
// the grid ("grid") are found by their object names; the query on show is the
// child "query". Whatever a button's operation raises goes to the default
// exception display.
#pragma once

#include <QDialog>

#include <memory>

namespace tarvex {

class Query;
class QueryModel;
class ReadingReport;
class SpreadsheetAutomation;
class SpreadsheetExport;
class Table;

class QueryWindow : public QDialog {
    Q_OBJECT

public:
    // report is the report "Report" runs; without one the window makes one
    // of its own at the first report. The window does not own it.
    explicit QueryWindow(ReadingReport* report = nullptr, QWidget* parent = nullptr);
    ~QueryWindow() override;

    ReadingReport* report() const { return m_report; }
    void setReport(ReadingReport* report) { m_report = report; }

    // What the control window's "Query" button does before it shows the
    // window: the query is closed, given the alias RoruvEde and the single
    // statement "select * from Tarvex", and opened. Raises DatabaseError when
    // the query cannot be opened (the window should then not be shown).
    void openReadings();

    // The spreadsheet application the export drives; LibreOffice Calc through
    // its plugin unless set (tests set a recording one). Loaded at the first
    // export.
    void setSpreadsheetAutomation(std::unique_ptr<SpreadsheetAutomation> automation);

    // Every end of a modal showing closes the query first.
    void done(int result) override;

private slots:
    // "Report": opens the report's query on the reading table afresh and
    // shows the report's preview; returns when the preview has closed.
    void showReport();
    // "Excel": copies every row of the query into a new spreadsheet
    // (LibreOffice Calc); shows "no Install Excel!" when that fails.
    void exportToSpreadsheet();
    // "Clear": deletes every reading stored when the operator confirms. Long
    // runs show their progress; readings stored meanwhile are kept.
    void clearAllReadings();
    void closeReadings();

private:
    void deleteReadings(Table& table);

    // The rows on show; given its alias and statement by openReadings().
    Query* m_query;
    // Used only by clearAllReadings(), open only while it deletes.
    Table* m_clearTable;
    QueryModel* m_model;
    ReadingReport* m_report;
    std::unique_ptr<ReadingReport> m_ownReport;
    std::unique_ptr<SpreadsheetAutomation> m_automation;
    // The export component, made with the automation.
    std::unique_ptr<SpreadsheetExport> m_export;
};

} // namespace tarvex
