// The lock file that tells other programs a serial port is in use, as Linux
// terminal programs and modem tools keep it (UUCP/HDB style): a file
// LCK..<name> in the lock directory, holding the owner's process id as ten
// ASCII digits, right-aligned, and a newline. <name> is the device's path
// under /dev, links resolved, with "/" turned into "_" (LCK..ttyUSB0,
// LCK..pts_3).
#pragma once

#include <string>

namespace tarvex {

// One lock file of ours, removed when the object goes. Move-only; used from
// one thread at a time (the one opening or closing the port).
class SerialPortLock {
public:
    SerialPortLock() = default;
    ~SerialPortLock() { release(); }
    SerialPortLock(SerialPortLock&& other) noexcept;
    SerialPortLock& operator=(SerialPortLock&& other) noexcept;
    SerialPortLock(const SerialPortLock&) = delete;
    SerialPortLock& operator=(const SerialPortLock&) = delete;

    // Takes the lock for the device at devicePath before it is opened.
    // False with errno EBUSY when the lock file of a live process (one that
    // kill(pid, 0) finds, or may not signal) holds it. A stale lock file (its
    // process has ended, or its content names none) is removed first. True
    // otherwise: with a lock file of our own, or without one when the lock
    // directory cannot be written or the path names no device under /dev.
    // Any lock held before is released first.
    bool acquire(const std::string& devicePath);
    // Removes our lock file, if we hold one. Leaves errno as it was.
    void release();
    // The path of our lock file; empty when we hold none.
    const std::string& filePath() const { return m_filePath; }

    // The lock file's name for a device, "LCK..ttyUSB0" for /dev/ttyUSB0 or
    // a symbolic link to it; empty when the path (links resolved where they
    // can be) is not under /dev.
    static std::string fileNameFor(const std::string& devicePath);
    // Where lock files are looked for and made: the directory given to
    // setDirectory, else /run/lock, or /var/lock where /run/lock does not
    // exist.
    static std::string directory();
    // Test seam: lock files go to dir instead of the system's lock
    // directory; empty restores it. Takes effect at the next open of a port.
    // May be called from any thread.
    static void setDirectory(const std::string& dir);

private:
    std::string m_filePath;
};

} // namespace tarvex
