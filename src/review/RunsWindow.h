// The runs list: every run of the table with its figures (RunsModel), one
// row each, sorted by a click on a column's title (newest first at the
// start). "Open" (or Enter, or a double click) opens the current run in the
// query window; "Compare" shows the selected runs side by side (at most 20:
// the first twenty selected, and a message says so); "Save as BDF…" saves
// the current run as a Battery Data Format file; "Close".
//
// Children found by object name: "runsTable" (accessible name "Runs"),
// "openButton", "compareButton", "saveBdfButton", "closeButton", and the
// model "runsModel". Every control is reached with Tab and named by its
// caption. Window thread.
#pragma once

#include <QDialog>
#include <QList>

class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace tarvex {

class CompareWindow;
class RunsModel;
struct RunRecord;

class RunsWindow : public QDialog {
    Q_OBJECT

public:
    explicit RunsWindow(QWidget* parent = nullptr);
    ~RunsWindow() override;

    // Reads the runs afresh from the store. Raises DatabaseError when they
    // cannot be read.
    void openRuns();
    RunsModel* model() const { return m_model; }

    // The runs selected, in the order shown.
    QList<RunRecord> selectedRuns() const;
    // The run with the current cell; nothing when there is none.
    const RunRecord* currentRun() const;
    // Makes the run with this RunID the current one.
    void selectRun(qint64 runId);

    // The Compare window of the last "Compare" (made at the first).
    CompareWindow* compareWindow() const { return m_compareWindow; }

signals:
    // "Open": the query window is to show this run.
    void openRequested(qint64 runId);

private slots:
    void openCurrent();
    void compareSelected();
    void saveCurrentAsBdf();

private:
    void updateButtons();

    RunsModel* m_model;
    QSortFilterProxyModel* m_sorted;
    QTableView* m_table;
    QPushButton* m_open;
    QPushButton* m_compareButton;
    QPushButton* m_saveBdf;
    CompareWindow* m_compareWindow = nullptr;
    QString m_bdfDirectory;
};

} // namespace tarvex
