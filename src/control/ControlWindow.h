// The control window: the program's main window. It shows the readouts, the
// three strip charts, the elapsed-time clock and the operator's controls, and
// forwards every command to the run, which drives the load; it shows what the
// run reports.
#pragma once

#include "protocol/LoadReading.h"
#include "store/RunRecord.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include <array>

class QDialog;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolButton;

namespace tarvex {

class ElapsedClock;
class LineSeries;
class LoadRun;
class MinimumVoltageField;
class PortSettingsDialog;
class QueryWindow;
class RunLimitsDialog;
class SevenSegmentReadout;
class StripChart;

// The hours, minutes and seconds the clock shows for an elapsed time: whole
// days and milliseconds dropped.
struct ClockReading {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};
ClockReading clockReadingOf(qint64 elapsedMs);

// What the failed-open message adds to its first line for the system's reason
// (an errno value and its text): for a port the user may not open, what to
// do on Linux; for a port another program holds, that it does. Empty for
// other reasons.
QString openFailureHint(int errorCode, const QString& reason);

class ControlWindow : public QMainWindow {
    Q_OBJECT
public:
    // The windows the control window shows; all live for the whole run. The
    // About window belongs to the program, which hands it over; "About" only
    // shows it modally.
    struct Windows {
        QueryWindow* queryWindow = nullptr;
        QDialog* aboutDialog = nullptr;
        PortSettingsDialog* portSettingsDialog = nullptr;
        RunLimitsDialog* limitsDialog = nullptr;
    };

    // run drives the load; it outlives the window.
    explicit ControlWindow(LoadRun* run, QWidget* parent = nullptr);
    ~ControlWindow() override;

    // The other windows, created after this one.
    void setWindows(const Windows& windows) { m_windows = windows; }

signals:
    // The window has closed (the load was switched off and handed back to its
    // front panel first); the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void openPortSettings();
    void openLimits();
    void showStopAtLimit(tarvex::RunEnd which);
    void showQueryWindow();
    void showAboutDialog();
    void handToComputer();
    void handToFrontPanel();
    void switchLoadOn();
    void switchLoadOff();
    void showElapsedTime();
    void showPoll();
    void showReading(const tarvex::LoadReading& reading);
    void showPortOpened();
    void showPortOpenFailed(int errorCode, const QString& reason);
    void showStopAtMinimumVoltage();
    void showStopForSilence(const QString& portName, int limitMs);
    void showLoadStillOn(const QString& portName, double amps);
    void showLoadOnRefused(const QString& reason);
    void showPortChange(const QString& fromPort, const QString& toPort);
    void showLoadMayStillBeOn(const QString& portName);
    void showGuardFailed(const QString& reason);
    void showLinkLost(const QString& portName);
    void showLinkBack(const QString& portName);
    void showSilence(bool silent);
    void showStoringDelayed(const QString& message);
    void showWaitingReadings(int count);
    void showWaitingReadingsWritten(int count);
    void showWaitingReadingsOverflowed(int capacity);

private:
    void buildLayout();
    void wireRun();
    void applyPortSettings();
    void showStopped();

    LoadRun* m_run;
    Windows m_windows;

    QFrame* m_toolPanel;
    QToolButton* m_settingsButton;
    QToolButton* m_queryButton;
    QToolButton* m_aboutButton;
    QToolButton* m_closeButton;
    // After Close: the limits and the label of the next runs.
    QToolButton* m_limitsButton;
    ElapsedClock* m_elapsedClock;
    SevenSegmentReadout* m_voltageReadout;
    SevenSegmentReadout* m_currentReadout;
    SevenSegmentReadout* m_powerReadout;
    StripChart* m_voltageChart;
    StripChart* m_currentChart;
    StripChart* m_powerChart;
    LineSeries* m_voltageSeries;
    LineSeries* m_currentSeries;
    LineSeries* m_powerSeries;
    MinimumVoltageField* m_minimumVoltageField;
    QPushButton* m_computerControlButton;
    QPushButton* m_frontPanelButton;
    QPushButton* m_loadOnButton;
    QPushButton* m_loadOffButton;
    QStatusBar* m_statusBar;
    // 100, 120 and 50 pixels wide; the first shows the baud rate at every poll.
    std::array<QLabel*, 3> m_statusPanels;
    // The link's state ("Link lost", "No answer from the load", what the
    // run did to keep the load safe) and the reading log's ("Readings
    // waiting to be stored: 12").
    QLabel* m_linkPanel;
    QLabel* m_storePanel;
    // The limits armed for the next run ("Limits: 2 h, 1.500 Ah"); empty
    // when none is.
    QLabel* m_limitsPanel;
    // Ticks the elapsed-time clock every second while the load is on.
    QTimer* m_clockTimer;

    // The elapsed-time clock counts from Load ON on a monotonic clock, so a
    // change of the wall clock (daylight saving, time sync) cannot make it
    // jump or run backwards.
    QElapsedTimer m_elapsed;
    bool m_portOpen = false;
    // What the next Load ON takes, and what the run going on took.
    RunLimits m_limits;
    QString m_label;
    RunLimits m_runLimits;
};

} // namespace tarvex
