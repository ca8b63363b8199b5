#include "serial/SystemError.h"

#include <QDebug>

#include <cerrno>
#include <cstring>
#include <new>

namespace tarvex {

// The XSI variant of strerror_r, which reports unknown codes instead of making
// up a text for them.
extern "C" int __xpg_strerror_r(int errnum, char* buf, std::size_t buflen);

std::optional<std::string> systemErrorText(int errorCode) {
    try {
        char text[512];
        const int failure = __xpg_strerror_r(errorCode, text, sizeof text);
        if (failure == 0)
            return std::string(text);
        return "FormatMessage failed on error " + std::to_string(errorCode) +
               " for the following reason: " + std::to_string(failure);
    } catch (const std::bad_alloc&) {
        qDebug("Out of memory trying to FormatLastError");
        return std::nullopt;
    }
}

} // namespace tarvex
