// The serial link's trace log: one text line per event, written by the window
// thread and both worker threads into one file. Off while the process-wide
// trace name is empty.
#pragma once

#include "errors/Errors.h"

#include <stdexcept>
#include <string>

namespace tarvex {

// The process-wide trace name; a line is written only while it is not empty.
void SetTraceName(const std::string& name);
std::string TraceName();

// Creates (or empties) the trace file and opens it for writing. Throws
// TraceFileError when that fails.
void OpenTraceFile(const std::string& fileName);
// Closes the trace file if it is open. Throws TraceFileError when that fails.
void CloseTraceFile();

// Appends text and CR LF to the trace file while the trace name is set. Lines
// never interleave. A line that cannot be written is dropped.
void WriteTraceLine(const std::string& text);
// Writes prefix + "GetLastError returned: \"" + system text + "\"" for the
// error code (an errno value), at most 1023 characters.
void TraceLastError(int errorCode, const char* prefix);

} // namespace tarvex
