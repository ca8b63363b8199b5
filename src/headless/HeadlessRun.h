// One discharge without a window (`tarvex run`): the same run (LoadRun, on a
// thread of its own) and the same reading table as the windows, driven by
// the command line instead of an operator. It sets up the store, opens the
// port, hands the load to the computer and switches it on; the run polls,
// stores and stops by itself (minimum voltage, silence fail-safe) exactly as
// under the windows. This object only watches: it tells the progress, ends
// the run when the link stays lost for the silence limit, and at the end
// switches the load off and hands it to its front panel (LoadRun::shutDown),
// waits a bounded time for readings still waiting to be stored, tells the
// summary and emits finished() with the exit status (HeadlessOptions.h).
//
// Output: the status line on the standard output (in place on a terminal,
// else one line every kStatusEveryMs), or with json one JSON object per
// reading and a summary object there; messages on the error output. quiet
// leaves out the status line and the reading objects.
//
// Threads: lives on the main thread with a QCoreApplication, no display
// needed. Holds logind's sleep lock while the load may be on, as the windows
// do. Termination signals are the ways out's (app/ExitPaths.h): they switch
// the load off on the run's thread, then interrupt() ends the program.
#pragma once

#include "headless/HeadlessOptions.h"
#include "headless/RunOutput.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>

namespace tarvex {

class LoadRun;
class SleepInhibitor;
struct LoadReading;

class HeadlessRun : public QObject {
    Q_OBJECT

public:
    explicit HeadlessRun(const HeadlessOptions& options, QObject* parent = nullptr);
    // Ends the run's thread (bounded, as the windows' end is).
    ~HeadlessRun() override;

    // Not on a terminal, the status line comes this often.
    static constexpr int kStatusEveryMs = 10000;
    // How long the end waits for readings still waiting to be stored.
    static constexpr int kFlushMs = 5000;
    // How long the end waits for the run's thread.
    static constexpr int kFinishWaitMs = 8000;

    LoadRun* run() const { return m_run.get(); }
    SleepInhibitor* sleepInhibitor() const { return m_sleepInhibitor.get(); }

    // Names whoever holds port by its lock file ("process 1234 (tarvex run
    // --port ...)"); empty when no live process does. Any thread.
    static QString portHolder(const QString& portName);

public slots:
    // Sets up the store and opens the port; the rest follows by itself.
    void start();
    // A termination signal came; the ways out have switched the load off.
    void interrupt(int signal);

signals:
    // The run is over and everything is told: the program's exit status.
    void finished(int exitStatus);

private:
    void portOpened();
    void portOpenFailed(int errorCode, const QString& reason);
    void takeReading(const LoadReading& reading);
    void tellReading();
    void stopEnded(bool loadOff);
    void linkLost(const QString& portName);
    void linkBack(const QString& portName);
    void end(int exitStatus, const QString& reason);
    void writeStatus(bool newLine);
    void tell(const QString& message);
    void emitFinished(int exitStatus);

    HeadlessOptions m_options;
    QThread m_runThread;
    std::unique_ptr<LoadRun> m_run;
    std::unique_ptr<SleepInhibitor> m_sleepInhibitor;
    QTimer m_statusTimer;
    QTimer m_linkLostTimer;
    QElapsedTimer m_sinceLoadOn;
    bool m_terminal = false;
    bool m_lineShown = false; // a status line stands on the terminal without its line end
    bool m_started = false;   // the load was asked to switch on
    bool m_ending = false;
    bool m_readingUntold = false; // the last reading waits for its tally
    // What ends the run once its stop has taken (set by the stop's first signal).
    int m_stopExit = -1;
    QString m_stopReason;
    RunProgress m_progress;
    RunRecord m_taken; // the run as taken here, for the summary
    // From the run's thread.
    std::mutex m_recordMutex;
    qint64 m_runId = 0;
    std::optional<RunRecord> m_ended;
};

} // namespace tarvex
