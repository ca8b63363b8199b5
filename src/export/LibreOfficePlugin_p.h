// Not part of the library's public interface.
//
// The LibreOffice plugin's entry points, as its loader finds them: functions
// with C linkage under fixed symbol names, and the plugin's version, which
// must equal the loader's.
#pragma once

#include "export/LibreOfficeAutomation.h"

namespace tarvex {

inline constexpr int kLibreOfficePluginVersion = 2;

extern "C" {
// Returns the plugin's version.
using LibreOfficeVersionFunction = int (*)();
// Makes an automation with the settings given (null: the defaults), owned by
// the caller; null when it cannot be set up.
using LibreOfficeCreateFunction = SpreadsheetAutomation* (*)(const LibreOfficeSettings*);
}

inline constexpr const char* kLibreOfficeVersionSymbol = "tarvex_libreoffice_version";
inline constexpr const char* kLibreOfficeCreateSymbol = "tarvex_libreoffice_create";

} // namespace tarvex
