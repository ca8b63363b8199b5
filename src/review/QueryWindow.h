// The query window: every stored reading in a grid, with a toolbar to print
// them as a report, copy them into a spreadsheet, or delete them all.
//
// How the control window uses it. The window is created once, hidden, and
// lives for the whole run. Its "Query" button calls PrepareQueryWindow, which
// opens the window's Query1 on the reading table, and then shows the window
// modally with exec(). Every end of a showing (its close box, Escape) runs
// FormClose, which closes Query1; the window is then only hidden, so the next
// showing finds it as it was left. The window never opens Query1 itself.
#pragma once

#include <QDialog>

#include <memory>

class QFrame;
class QToolButton;

namespace tarvex {

class TDBGrid;
class TDataSource;
class Query;
class TSerchRep;
class SpreadsheetAutomation;
class SpreadsheetExport;
class Table;

class TSerchfrm : public QDialog {
    Q_OBJECT

public:
    // report is the report window "Report" runs; without one the window
    // makes one of its own at the first report.
    explicit TSerchfrm(TSerchRep* report = nullptr, QWidget* parent = nullptr);
    ~TSerchfrm() override;

    TSerchRep* ReportWindow() const { return m_report; }
    void SetReportWindow(TSerchRep* report) { m_report = report; }

    // Event handlers, public so that the program's tests can drive them. The
    // buttons run them through the default exception display.
    // Closes Query1.
    void FormClose();
    // Opens the report window's query on the reading table afresh and shows
    // the report's preview; returns when the preview has closed.
    void BtnRepClick();
    // Copies every row of Query1 into a new spreadsheet (LibreOffice Calc);
    // shows "no Install Excel!" when that fails.
    void BtnSaveClick();
    // Deletes every stored reading after the operator confirms.
    void BtnClearClick();

    QFrame* Panel1;
    QToolButton* BtnRep;
    QToolButton* BtnSave;
    QToolButton* BtnClear;
    TDBGrid* DBGrid1;
    TDataSource* DataSource1;
    // The rows on show; given its alias and statement by PrepareQueryWindow.
    Query* Query1;
    // Used only by Clear, open only while it deletes.
    Table* Table1;

    // Every end of a modal showing runs FormClose first.
    void done(int result) override;

    // The spreadsheet application the export drives; LibreOffice Calc through
    // its plugin unless set (tests set a recording one). Loaded at the first
    // export.
    void SetSpreadsheetAutomation(std::unique_ptr<SpreadsheetAutomation> automation);

private:
    TSerchRep* m_report;
    std::unique_ptr<SpreadsheetAutomation> m_automation;
    // The export component, made with the automation.
    std::unique_ptr<SpreadsheetExport> m_export;
    std::unique_ptr<TSerchRep> m_ownReport;
};

// What the control window's "Query" button does before it shows the window:
// Query1 is closed, given the alias RoruvEde and the single statement
// "select * from Tarvex", and opened. Raises the table engine's DatabaseError
// when the query cannot be opened (the window should then not be shown).
void PrepareQueryWindow(TSerchfrm& window);

} // namespace tarvex
