// The system's text for an error code.
#pragma once

#include <optional>
#include <string>

namespace tarvex {

// The system's message for an error code (an errno value). When the system
// has no message for it, the text says so: "FormatMessage failed on error <n>
// for the following reason: <code of the failed lookup>". Without memory for
// any text, says so on the debug output and returns nothing.
std::optional<std::string> systemErrorText(int errorCode);

} // namespace tarvex
