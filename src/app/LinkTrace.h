// The serial link's trace written to a file (--trace FILE): while a LinkTrace
// runs, the messages of the link's logging category go to the file, one line
// each behind its local time; every other message goes to the handler that
// was installed before.
#pragma once

#include <QString>

#include <cstdio>

namespace tarvex {

class LinkTrace {
public:
    LinkTrace() = default;
    // Stops the trace.
    ~LinkTrace();
    LinkTrace(const LinkTrace&) = delete;
    LinkTrace& operator=(const LinkTrace&) = delete;

    // Creates (or empties) the file, turns the link's trace on and installs
    // the message handler. False, with the system's reason in *why, when the
    // file cannot be created. One trace at a time; call it on the main
    // thread before the run starts. Lines are written whole, in order, from
    // any thread, and reach the file at once (also before a crash).
    bool start(const QString& fileName, QString* why = nullptr);
    // Turns the trace off, gives back the previous handler and closes the
    // file. Does nothing when not started.
    void stop();

private:
    std::FILE* m_file = nullptr;
};

} // namespace tarvex
