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

std::string errorText(int error) {
    auto text = systemErrorText(error);
    return text ? *text : std::string("unknown error ") + std::to_string(error);
}

} // namespace

void TraceLog::setName(const std::string& name) {
    std::lock_guard lock(traceLock);
    traceName = name;
}

std::string TraceLog::name() {
    std::lock_guard lock(traceLock);
    return traceName;
}

void TraceLog::open(const std::string& fileName) {
    std::lock_guard lock(traceLock);
    if (traceFile) {
        std::fclose(traceFile);
        traceFile = nullptr;
    }
    traceFile = std::fopen(fileName.c_str(), "wbe");
    if (!traceFile)
        throw TraceFileError("Cannot create the trace file \"" + fileName +
                             "\": " + errorText(errno));
}

void TraceLog::close() {
    std::lock_guard lock(traceLock);
    if (!traceFile)
        return;
    const int result = std::fclose(traceFile);
    traceFile = nullptr;
    if (result != 0)
        throw TraceFileError("Cannot close the trace file: " + errorText(errno));
}

void TraceLog::writeLine(const std::string& text) {
    std::lock_guard lock(traceLock);
    if (traceName.empty() || !traceFile)
        return;
    const std::string line = text + "\r\n";
    if (std::fwrite(line.data(), 1, line.size(), traceFile) != line.size() ||
        std::fflush(traceFile) != 0)
        std::clearerr(traceFile); // a line that cannot be written is dropped
}

void TraceLog::writeSystemError(int errorCode, const char* prefix) {
    // Checked before the text is built, so that an idle trace costs nothing.
    if (name().empty())
        return;
    std::string line = prefix ? prefix : "";
    if (const auto text = systemErrorText(errorCode))
        line += "GetLastError returned: \"" + *text + "\"";
    else
        line += "Out of memory";
    constexpr std::size_t kLongestLine = 1023;
    if (line.size() > kLongestLine)
        line.resize(kLongestLine);
    writeLine(line);
}

} // namespace tarvex
