// The serial link's trace log: one text line per event, written by the window
// thread and both worker threads into one file. Off while the process-wide
// trace name is empty.
#pragma once

#include "errors/Errors.h"

#include <string>

namespace tarvex {

// One trace file for the whole process; every function may be called from
// any thread.
class TraceLog {
public:
    TraceLog() = delete;

    // The process-wide trace name; a line is written only while it is not
    // empty.
    static void setName(const std::string& name);
    static std::string name();

    // Creates (or empties) the trace file and opens it for writing. Throws
    // TraceFileError when that fails.
    static void open(const std::string& fileName);
    // Closes the trace file if it is open. Throws TraceFileError when that
    // fails.
    static void close();

    // Appends text and CR LF to the trace file while the trace name is set.
    // Lines never interleave. A line that cannot be written is dropped.
    static void writeLine(const std::string& text);
    // Writes prefix + "GetLastError returned: \"" + system text + "\"" for
    // the error code (an errno value), at most 1023 characters.
    static void writeSystemError(int errorCode, const char* prefix);
};

} // namespace tarvex
