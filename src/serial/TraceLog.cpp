#include "serial/TraceLog.h"

#include "serial/SystemError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace tarvex {

namespace {

// The serial link's only lock: it keeps the name, the file and each line whole.
std::mutex traceLock;
std::string traceName;
std::FILE* traceFile = nullptr;

struct ClearNameAtExit {
    ~ClearNameAtExit() {
        std::lock_guard lock(traceLock);
        traceName.clear();
    }
} clearNameAtExit;

std::string ErrorText(int error) {
    auto text = FormatLastError(static_cast<std::uint32_t>(error));
    return text ? *text : std::string("unknown error ") + std::to_string(error);
}

} // namespace

void SetTraceName(const std::string& name) {
    std::lock_guard lock(traceLock);
    traceName = name;
}

std::string TraceName() {
    std::lock_guard lock(traceLock);
    return traceName;
}

void OpenTraceFile(const std::string& fileName) {
    std::lock_guard lock(traceLock);
    if (traceFile) {
        std::fclose(traceFile);
        traceFile = nullptr;
    }
    traceFile = std::fopen(fileName.c_str(), "wbe");
    if (!traceFile)
        throw TraceFileError("Cannot create the trace file \"" + fileName +
                             "\": " + ErrorText(errno));
}

void CloseTraceFile() {
    std::lock_guard lock(traceLock);
    if (!traceFile)
        return;
    const int result = std::fclose(traceFile);
    traceFile = nullptr;
    if (result != 0)
        throw TraceFileError("Cannot close the trace file: " + ErrorText(errno));
}

void WriteTraceLine(const std::string& text) {
    std::lock_guard lock(traceLock);
    if (traceName.empty() || !traceFile)
        return;
    const std::string line = text + "\r\n";
    if (std::fwrite(line.data(), 1, line.size(), traceFile) != line.size() ||
        std::fflush(traceFile) != 0)
        std::clearerr(traceFile); // a line that cannot be written is dropped
}

void TraceLastError(int errorCode, const char* prefix) {
    // Checked before the text is built, so that an idle trace costs nothing.
    if (TraceName().empty())
        return;
    std::string line = prefix ? prefix : "";
    if (const auto text = FormatLastError(static_cast<std::uint32_t>(errorCode)))
        line += "GetLastError returned: \"" + *text + "\"";
    else
        line += "Out of memory";
    constexpr std::size_t kLongestLine = 1023;
    if (line.size() > kLongestLine)
        line.resize(kLongestLine);
    WriteTraceLine(line);
}

} // namespace tarvex
