// Starting office processes that outlive this program, and the private
// profiles they run with.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace tarvex {

namespace office {

// Starts a program detached from this one: in a session without a controlling
// terminal and a process group of its own (its pid is the group's id),
// reparented away from this process,
// with standard input and output on /dev/null and none of this process's
// other descriptors (the serial port among them). `environment` holds
// NAME=VALUE entries. Returns the pid; raises SpreadsheetError when the
// program cannot be started.
qint64 startDetached(const QString& program, const QStringList& arguments,
                     const QStringList& environment);

// This process's environment without the entries named.
QStringList environmentWithout(const QStringList& names);

// True while a process of the group led by `pid` (the office's launcher or the
// office itself) runs with `marker` among its command-line arguments (the
// marker tells them from unrelated processes that were given the same ids
// later).
bool isRunning(qint64 pid, const QString& marker);

// True while a process of the group `pgid` runs (ended processes that are not
// yet reaped do not count).
bool isGroupRunning(qint64 pgid);

// Ends the process group led by `pid`: asks it to end, then forces it after
// `grace` (at once for a grace of zero), and waits until it has gone (five
// seconds at most after it was forced).
void killGroup(qint64 pid, std::chrono::milliseconds grace = std::chrono::seconds(5));

// The paths of the Unix-domain sockets the processes of group `pgid` listen
// on (the office's pipes), read from /proc.
QStringList listeningSockets(qint64 pgid);

// Private profiles are directories named with this prefix, each holding the
// pid file of the office that uses it.
inline constexpr const char* kProfilePrefix = "tarvex-office-";
inline constexpr const char* kPidFileName = "tarvex-office.pid";

// Makes a new, empty profile directory in `parent`.
QString makeProfile(const QString& parent);
// Records the office that runs with `profileDir`, the name of the pipe it
// accepts connections on and the paths of the other sockets it listens on.
void writePidFile(const QString& profileDir, qint64 pid, const QString& pipeName,
                  const QStringList& sockets = {});
// The argument that points an office at `profileDir`; also its marker.
QString profileArgument(const QString& profileDir);

// The socket file of a LibreOffice pipe, and its removal when nobody listens
// on it any more (an office that was ended abruptly leaves it behind).
QString pipeSocketPath(const QString& pipeName);
bool removeStalePipe(const QString& pipeName);
// The same for a socket file named by its path; only this user's LibreOffice
// pipes ("OSL_PIPE_...") are removed.
bool removeStaleSocket(const QString& path);

// Ends an office for good and removes what it leaves behind: its process
// group (forced after `grace`), the sockets it listened on (those given, and
// any found on it still) and its profile. Waits at most a few seconds.
void endOffice(qint64 pid, const QString& profileDir, const QStringList& sockets,
               std::chrono::milliseconds grace);

// Removes the profiles in `parent` whose office no longer runs, with the pipe
// and the sockets recorded in their pid file. A profile
// without a pid file is being set up by a starting office and is kept until
// it is older than `setupGrace`.
void removeStaleProfiles(const QString& parent,
                         std::chrono::seconds setupGrace = std::chrono::minutes(10));

} // namespace office

} // namespace tarvex
