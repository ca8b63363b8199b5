// The spreadsheet automation of LibreOffice Calc. It lives in a plugin that is
// loaded at run time, so that the program starts on a machine without
// LibreOffice; there every new instance fails and the export shows its warning.
//
// Each new instance is an office process of its own: a private profile in a
// temporary directory, a pipe of its own for the connection, no start window.
// The document is created hidden and shown by SetVisible(true). Releasing the
// application closes only this program's connection; the office and its
// document stay open under the operator's control. Profiles of offices that
// have ended are removed when the next instance starts.
#pragma once

#include "review/SpreadsheetAutomation.h"

#include <QString>

#include <functional>
#include <memory>

namespace tarvex {

struct LibreOfficeInstance {
    QString pipeName;   // connect with "uno:pipe,name=<pipeName>;urp;StarOffice.ComponentContext"
    qint64 pid = 0;     // the office's launcher process, leader of its own process group
    QString profileDir; // the office's private profile
};

struct LibreOfficeSettings {
    // The office's start program; empty: the LibreOffice the plugin was built for.
    QString officeProgram;
    // How long a new office may take until it accepts the connection.
    int connectTimeoutMs = 60000;
    // Where the private profiles are made; empty: the system's temporary directory.
    QString profileParent;
    // Told about every office once it accepts the connection (benchmarks and
    // tests use it to reach the office afterwards).
    std::function<void(const LibreOfficeInstance&)> instanceStarted;
};

// The file name of the plugin and where the program looks for it: next to the
// program file.
QString LibreOfficePluginFileName();
QString LibreOfficePluginPath();

// Loads the plugin. When it cannot be loaded, the automation returned raises
// the loader's error from every NewInstance.
std::unique_ptr<TSpreadsheetAutomation>
LoadLibreOfficeAutomation(const QString& pluginPath = LibreOfficePluginPath(),
                          const LibreOfficeSettings& settings = {});

// The plugin's entry points, with C linkage and the plugin's version, which
// must equal the loader's.
inline constexpr int kLibreOfficePluginVersion = 1;
extern "C" {
using TarvexLibreOfficeVersionFn = int (*)();
using TarvexLibreOfficeCreateFn = TSpreadsheetAutomation* (*)(const LibreOfficeSettings*);
}
inline constexpr const char* kLibreOfficeVersionSymbol = "tarvex_libreoffice_version";
inline constexpr const char* kLibreOfficeCreateSymbol = "tarvex_libreoffice_create";

} // namespace tarvex
