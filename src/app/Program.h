// The program's parts, created in the order the program starts them: the run
// that drives the load (on a thread of its own), then the windows - the
// control window (the reading store is prepared right after it), the query
// window with its printed report, the About window and the port settings
// dialog. All of them live for the whole run.
#pragma once

#include <QString>
#include <QThread>

#include <memory>

namespace tarvex {

class ControlWindow;
class LoadRun;
class PortSettingsDialog;
class RunLimitsDialog;
class AboutDialog;
class QueryWindow;
class ReadingReport;
class SleepInhibitor;

class Program {
public:
    // Creates the run and the windows; a window whose creation fails is shown
    // by the default exception display and left out. dataDirectory holds the
    // reading table (empty: DataLocation::tableDirectory()).
    explicit Program(const QString& dataDirectory = QString());
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // How long the end waits for the run to finish and its thread to end.
    static constexpr int kFinishWaitMs = 8000;

    LoadRun* run() const { return m_run.get(); }
    ControlWindow* controlWindow() const { return m_controlWindow.get(); }
    QueryWindow* queryWindow() const { return m_queryWindow.get(); }
    AboutDialog* aboutDialog() const { return m_aboutDialog.get(); }
    PortSettingsDialog* portSettingsDialog() const { return m_portSettingsDialog.get(); }
    RunLimitsDialog* limitsDialog() const { return m_limitsDialog.get(); }
    // Holds logind's sleep lock while the load may be on (window thread).
    SleepInhibitor* sleepInhibitor() const { return m_sleepInhibitor.get(); }

private:
    void prepareStore(const QString& dataDirectory);

    QThread m_runThread;
    std::unique_ptr<LoadRun> m_run;
    std::unique_ptr<ControlWindow> m_controlWindow;
    std::unique_ptr<QueryWindow> m_queryWindow;
    std::unique_ptr<ReadingReport> m_readingReport;
    std::unique_ptr<AboutDialog> m_aboutDialog;
    std::unique_ptr<PortSettingsDialog> m_portSettingsDialog;
    std::unique_ptr<RunLimitsDialog> m_limitsDialog;
    std::unique_ptr<SleepInhibitor> m_sleepInhibitor;
};

} // namespace tarvex
