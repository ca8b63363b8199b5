// The dead-man's switch: while the load may be on, a small process of ours
// holds a duplicate of the open port's descriptor and the read end of a pipe
// from the program. When the pipe closes without the program having said
// "off" - the program died in any way: SIGKILL, a crash, an abort, the
// out-of-memory killer, an exit nobody planned - the guard writes load-off
// and front panel to the port, waits (bounded) until they have left it, and
// ends. It never reads the port, and ignores the signals that end a session
// or a process group (SIGTERM, SIGINT, SIGHUP, Ctrl-C), so it outlives the
// program only as long as it takes to switch the load off.
//
// Threads: one object is used from one thread (the run's). The platform side
// is LoadGuard_unix.cpp.
#pragma once

#include <QtGlobal>

namespace tarvex {

class LoadGuard {
public:
    LoadGuard();
    // Disarms.
    ~LoadGuard();
    LoadGuard(const LoadGuard&) = delete;
    LoadGuard& operator=(const LoadGuard&) = delete;

    // Starts a guard for the port open at portFd (the guard keeps its own
    // duplicate of it); a guard armed before is disarmed first. False, with
    // errno set, when no guard process can be started: the load is then not
    // guarded.
    bool arm(int portFd);
    // Tells the guard that the load is off: it ends without touching the
    // port. Returns once it has ended (at most about a second; a guard that
    // does not end by then is killed). Does nothing when not armed.
    void disarm();
    bool isArmed() const { return m_pid > 0; }
    // The guard process, 0 when none.
    qint64 processId() const { return m_pid; }

    // Test seam: closes the pipe without saying "off", as the program's
    // death does, and waits (bounded) until the guard has switched the load
    // off and ended. True when it ended on its own.
    bool abandon();

    // How long the guard may take to write and drain its two requests
    // before it ends all the same.
    static constexpr int kDrainSeconds = 2;

private:
    bool reap(int timeoutMs);

    qint64 m_pid = 0;
    int m_pipe = -1; // the write end; the guard reads the other one
};

} // namespace tarvex
