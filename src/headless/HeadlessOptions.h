// What `tarvex run` is asked to do: one discharge on one port, without a
// window. Filled in by the command line (app/CommandLine.h), read by
// HeadlessRun.
#pragma once

#include "store/RunRecord.h"

#include <QString>

namespace tarvex {

struct HeadlessOptions {
    QString portName;
    quint32 baudRate = 9600;
    int pollIntervalMs = 200; // the port settings dialog's default
    double minimumVolts = 0;
    // No whole answer for this long stops the load; a link lost for this long
    // ends the run. 0: never.
    int silenceLimitMs = 10000;
    RunLimits limits;
    QString label;
    QString csvFile; // written after the run when not empty
    QString bdfFile; // written after the run when not empty
    bool json = false;
    bool quiet = false;
    // Where the reading table is kept (the windows' rule: app/DataLocation.h).
    QString dataDirectory;
};

// How `tarvex run` ends: its exit status.
enum class HeadlessExit : int {
    MinimumVoltage = 0, // the run stopped at the minimum voltage
    Failed = 1,         // the port could not be opened or the store could not be used
    Usage = 2,          // the command line was wrong
    Limit = 3,          // a limit (time, charge, energy) ended the run
    Silence = 4,        // the load stopped answering: the silence fail-safe
    LinkLost = 5,       // the link was lost and did not come back within the silence limit
    // A termination signal: 128 + its number (SIGINT 130, SIGTERM 143).
    SignalBase = 128,
};

} // namespace tarvex
