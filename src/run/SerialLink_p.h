// The parts of the serial link that Qt Serial Port leaves to the system
// (SerialLink_unix.cpp). Private to the run; used on the link's thread.
#pragma once

#include <QString>

namespace tarvex::linkport {

// The directory of the serial ports' lock files: /var/lock, or /run/lock
// where there is no /var/lock.
QString lockDirectory();
// True when the lock file exists and names a live process (this one too):
// ten digits and a newline as terminal programs write it, the digits on a
// line of their own (Qt's form), or a binary int as old programs wrote it. A
// lock file that names no live process is removed, where it can be.
bool lockFileHeld(const QString& lockFile);
// Takes an flock(2) on the open device, as other terminal programs do; false
// when another holder has one.
bool claimDevice(int fd);
// How many bytes written to the device have not left it yet: 0 once the
// driver's queue is empty and, where the driver tells, its transmitter too;
// -1 when the driver cannot tell. Never waits.
int outputPending(int fd);

} // namespace tarvex::linkport
