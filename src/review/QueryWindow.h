// The query window: every stored reading in a grid, with a toolbar to print
// them as a report, copy them into a spreadsheet, or delete them all, and a
// command that saves them as a CSV file.
//
// How the control window uses it. The window is created once, hidden, and
// lives for the whole run. Its "Query" button calls openReadings(), which
// opens the window's model of the readings, and then shows the window
// modally with exec(). Every end of a showing (its close box, Escape) closes
// the model; the window is then only hidden, so the next showing finds it as
// it was left. The window never opens its model by itself before a showing.
//
// The toolbar's buttons ("reportButton", "exportButton", "clearButton") and
// the grid ("grid") are found by their object names; the readings on show
// are the child "model". The grid's context menu ("gridMenu": a right click, the Menu
// key or Shift+F10 on the grid) holds "Save as CSV…" ("saveCsvAction"), which
// Ctrl+S also triggers anywhere in the window. Whatever a button's or a
// command's operation raises goes to the default exception display.
//
// Review by run. Right of the buttons, the run chooser ("runChooser",
// accessible name "Run", Alt+R) lists "All readings", then every run, newest
// first (runChoiceText: start, label, Ah, Wh, why it ended). Choosing a run
// narrows the grid, Report (which then ends with the run's summary), Excel
// and Save as CSV to that run's readings (runReadingIds); "All readings" is
// the window as it is without runs. The chooser is filled afresh at every
// openReadings() and keeps the run chosen when it is still there. "Runs…"
// ("runsButton", Alt+U) opens the runs list (RunsWindow), whose "Open"
// chooses its run here. The grid's menu also holds "Save as BDF…"
// ("saveBdfAction", Ctrl+B), enabled while a run is chosen.
#pragma once

#include "store/RunRecord.h"

#include <QDialog>
#include <QList>

#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QMenu;

namespace tarvex {

class ReadingModel;
class ReadingReport;
class ReadingStore;
class RunChoices;
class RunsWindow;
class SpreadsheetAutomation;
class SpreadsheetExport;

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
    // window: the model of the readings is opened afresh (counted, on its
    // first row). Raises DatabaseError when the table cannot be read (the
    // window should then not be shown).
    void openReadings();

    // Chooses the run with this RunID in the run chooser (All readings when
    // there is none) and opens its readings. Raises DatabaseError as
    // openReadings() does.
    void openRun(std::optional<qint64> runId);
    // The run chosen; nothing for All readings.
    std::optional<RunRecord> chosenRun() const;
    // The runs list (made at the first "Runs…").
    RunsWindow* runsWindow() const { return m_runsWindow; }

    // The spreadsheet application the export drives; LibreOffice Calc through
    // its plugin unless set (tests set a recording one). Loaded at the first
    // export.
    void setSpreadsheetAutomation(std::unique_ptr<SpreadsheetAutomation> automation);

    // Every end of a modal showing closes the query first.
    void done(int result) override;

private slots:
    // "Report": opens the report's readings afresh and shows the report's
    // preview; returns when the preview has closed.
    void showReport();
    // "Excel": copies every row of the readings (opened again when Clear
    // closed them) into a new spreadsheet (LibreOffice Calc); shows "no
    // Install Excel!" when that fails.
    void exportToSpreadsheet();
    // "Clear": deletes every reading stored when the operator confirms. Long
    // runs show their progress; readings stored meanwhile are kept. While
    // another program logs into the table, the default exception display
    // says so and nothing is deleted.
    void clearAllReadings();
    // "Save as CSV…": opens the readings if need be (a failure to open
    // reaches the default exception display before any dialog), asks for a
    // file (askSaveFileName, which confirms before replacing one; ".csv"
    // added to a name without a suffix) and writes every row - the rows the
    // grid counts - there as CSV (CsvWriter). The file appears whole or
    // not at all: the rows go to a temporary file beside it, which replaces
    // it at the end; a cancelled or failed write leaves an existing file as
    // it was. A failure shows a warning naming the file and the reason. Long
    // writes show their progress with Cancel. The grid keeps its current
    // row.
    void saveAsCsv();
    // "Save as BDF…": the chosen run as a Battery Data Format file
    // (saveRunAsBdf).
    void saveAsBdf();
    // "Runs…": the runs list, modal over this window.
    void showRuns();
    void closeReadings();

private:
    void deleteReadings(ReadingStore& store, int total);
    // Reads the runs and fills the chooser, keeping the run chosen.
    void loadRuns();
    // Narrows the model and the report to the chosen run.
    void applyChoice();
    // Writes the readings into fileName; false, with the reason in error, when
    // the file could not be written (a cancel is no failure).
    bool writeCsvFile(const QString& fileName, QString& error);

    // The rows on show; opened by openReadings().
    ReadingModel* m_model;
    QAction* m_saveCsvAction;
    QAction* m_saveBdfAction;
    QMenu* m_gridMenu;
    QComboBox* m_runChooser;
    RunChoices* m_runChoices;
    RunsWindow* m_runsWindow = nullptr;
    QString m_bdfDirectory;
    // Where "Save as CSV…" proposes the next file: where the last one went,
    // the user's documents directory (or home) at first.
    QString m_csvDirectory;
    ReadingReport* m_report;
    std::unique_ptr<ReadingReport> m_ownReport;
    std::unique_ptr<SpreadsheetAutomation> m_automation;
    // The export component, made with the automation.
    std::unique_ptr<SpreadsheetExport> m_export;
};

} // namespace tarvex
