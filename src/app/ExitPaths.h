// The ways out of the program, each made to leave the load switched off or to
// say plainly that it may still be on:
// - SIGPIPE is ignored: a debug line to an error output whose reader has gone
//   must not end the program with the load on.
// - SIGTERM, SIGINT and SIGHUP are handled on the run's thread, whatever the
//   window thread is doing: the run switches the load off, hands it to its
//   front panel and waits (bounded) for both requests to leave the port;
//   then endRequested() asks the window thread to end the program. Should
//   the window thread not end it within kWindowEndMs (it may be held by a
//   long query), the process ends all the same, after the readings still
//   waiting have had their chance to be stored.
// - An exit nobody planned (Qt ends the program with exit(1) when the X
//   server goes away) ends the run with the same two requests, bounded,
//   before the process goes.
// Where the requests cannot reach the load (the link is lost and the port
// cannot be opened), a warning naming the port goes to the error output and
// to the system log (the journal). Deaths that run no code at all (SIGKILL,
// a crash) are the guard process's (run/LoadGuard.h).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tarvex {

class LoadRun;
class Program;

// Makes writes to a pipe or socket whose reader has gone fail instead of
// ending the process. Safe to call more than once.
void ignoreBrokenPipes();

class ExitPaths : public QObject {
    Q_OBJECT
public:
    // Installs the ways out for program's run (which must outlive this
    // object). Created on the window thread, once at a time; connect
    // endRequested() to what ends the program (QCoreApplication::quit).
    explicit ExitPaths(Program& program, int windowEndMs = kWindowEndMs);
    // The same for a run without windows (`tarvex run`): run must outlive
    // this object; endMs bounds the main thread's own end after a signal.
    explicit ExitPaths(LoadRun* run, int endMs);
    // The signals get their default action again (the program is ending,
    // with the load switched off) and the exit hook forgets the run.
    ~ExitPaths() override;

    static constexpr int kWindowEndMs = 5000;

signals:
    // A termination signal came and the run has switched the load off:
    // reaches the window thread, which ends the program.
    void endRequested(int signal);

private:
    void handleSignal();
    friend void endRunAtExit();
    void endRunNow();

    LoadRun* m_run;
    int m_windowEndMs;
    QSocketNotifier* m_notifier = nullptr; // lives on the run's thread
    bool m_handled = false;                // run's thread
};

} // namespace tarvex
