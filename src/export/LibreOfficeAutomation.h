// The spreadsheet automation of LibreOffice Calc. It lives in a plugin that is
// loaded at run time, so that the program starts on a machine without
// LibreOffice; there every new instance fails and the export shows its warning.
//
// Each new instance is an office process of its own: a private profile in a
// temporary directory, a pipe of its own for the connection, no start window.
// The document is created hidden and shown by setVisible(true). Releasing the
// application closes only this program's connection; the office and its
// document stay open under the operator's control - once shown. An office
// released before its document was shown, or one that does not answer a call
// in time, is ended (its whole process group) and its profile and pipes are
// removed, so that a failed export leaves nothing behind. Profiles of offices
// that have ended otherwise are removed when the next instance starts.
//
// Every call into the office runs on a thread of the instance's own: the
// calling thread waits for it (serving timers and queued calls, not the
// operator's input) at most for the call time-out. Calls that return nothing
// are handed over without waiting; blocks of values and number formats for
// neighbouring rows that wait together are merged into one call.
#pragma once

#include "export/SpreadsheetAutomation.h"

#include <QString>

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
    // How long one call into the office may take; past it the office is
    // taken for hung and ended.
    int callTimeoutMs = 30000;
    // The kind of document a new workbook is (tests name one that is missing,
    // as where Calc is not installed).
    QString documentFactory = QStringLiteral("private:factory/scalc");
    // Where the private profiles are made; empty: the system's temporary directory.
    QString profileParent;
    // When set, every office is written here once it accepts the connection,
    // on the thread that asked for the new instance (benchmarks and tests use
    // it to reach the office afterwards). Not owned; it must outlive the
    // automation.
    LibreOfficeInstance* startedInstance = nullptr;
};

// The file name of the plugin and where the program looks for it: next to the
// program file (as in the build tree), else in the program's private library
// directory of an installation, found relative to the program's directory
// (<prefix>/bin/../lib/.../tarvex). When neither exists, the path next to the
// program. programDirectory empty: the directory of the program file.
QString libreOfficePluginFileName();
QString libreOfficePluginPath(const QString& programDirectory = {});

// Loads the plugin. When it cannot be loaded, the automation returned raises
// the loader's error from every newInstance().
std::unique_ptr<SpreadsheetAutomation>
loadLibreOfficeAutomation(const QString& pluginPath = libreOfficePluginPath(),
                          const LibreOfficeSettings& settings = {});

} // namespace tarvex
