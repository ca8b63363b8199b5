// The operating-system side of a serial port, kept behind a small interface
// so that the receive and transmit threads can be run against a fake port.
#pragma once

#include <poll.h>
#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <memory>
#include <string>

namespace tarvex {

// Line settings as the component's properties hold them.
struct TLineSettings {
    std::uint32_t BaudRate = 9600;
    std::uint8_t ByteSize = 8; // 5 to 8
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half (taken as two), 2 two
};

// Running totals of the line errors the driver has counted.
struct TLineErrorCounts {
    std::uint32_t Frame = 0;
    std::uint32_t Overrun = 0; // the receiver's hardware overran
    std::uint32_t Parity = 0;
    std::uint32_t BufOverrun = 0; // the driver's input buffer overflowed
    std::uint32_t Break = 0;
};

enum class TPurge { Input, Output };

// One open serial port. Calls that can fail return -1 (or false) and leave the
// reason in errno, as the system calls they stand for do. Every call but
// Close may be made from any thread.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // The descriptor the threads poll for input, output and hang-up.
    virtual int Fd() const = 0;
    // True when the device is a terminal (a serial port).
    virtual bool IsSerialDevice() = 0;
    // Raw byte mode plus the given settings. A value the port refuses leaves
    // its previous setting; nothing is reported.
    virtual void ApplyLineSettings(const TLineSettings& settings) = 0;
    // Non-blocking: the count read or written, or -1 with errno (EAGAIN when
    // nothing can be done now). A read of 0 means the line was hung up.
    virtual ssize_t Read(void* buffer, std::size_t count) = 0;
    virtual ssize_t Write(const void* data, std::size_t count) = 0;
    // poll() over the given descriptors; the port's own descriptor among them.
    virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
    // False with errno when the driver keeps no such counters.
    virtual bool LineErrorCounts(TLineErrorCounts& counts) = 0;
    // Empties the driver's buffer of one direction.
    virtual void Purge(TPurge which) = 0;
    // Waits until everything written has left the driver.
    virtual bool Drain() = 0;
};

// The terminal settings for a serial port: raw byte mode, receiver on, the
// given speed, data bits, parity and stop bits. A value that cannot be
// expressed keeps what `current` has.
termios SerialTermios(const termios& current, const TLineSettings& settings);

// The device a port name stands for: "COM" and a number n >= 1, in any
// letter case, is /dev/ttyS<n-1>; any other name is used as it stands.
std::string SerialDevicePath(const std::string& portName);

// Opens the named device for exclusive use (non-blocking, no controlling
// terminal). Null with errno when it cannot be opened or is held by another
// user. A device that is not a terminal opens too; IsSerialDevice tells.
std::unique_ptr<ISerialPort> OpenSerialDevice(const std::string& portName);

} // namespace tarvex
