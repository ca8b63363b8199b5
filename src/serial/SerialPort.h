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

// Line settings as the link's properties hold them.
struct LineSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t dataBits = 8; // 5 to 8
    std::uint8_t parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0; // 0 one, 1 one and a half (taken as two), 2 two
};

// Running totals of the line errors the driver has counted.
struct LineErrorCounts {
    std::uint32_t framing = 0;
    std::uint32_t overrun = 0; // the receiver's hardware overran
    std::uint32_t parity = 0;
    std::uint32_t bufferOverrun = 0; // the driver's input buffer overflowed
    std::uint32_t breaks = 0;
};

// The link's time-outs in milliseconds: a read ends when more than
// readIntervalMs pass between two bytes (timed from the first byte on), or,
// with whatever has arrived, when readMsPerByte x requested bytes +
// readConstantMs have passed since it was issued; a write that has not
// finished after writeMsPerByte x bytes + writeConstantMs ends with the bytes
// written so far (the rest is written by the next write).
struct SerialTimeouts {
    std::uint32_t readIntervalMs = 60;
    std::uint32_t readMsPerByte = 10;
    std::uint32_t readConstantMs = 2;
    std::uint32_t writeMsPerByte = 10;
    std::uint32_t writeConstantMs = 2;
};

// One open serial port. Calls that can fail return -1 (or false) and leave the
// reason in errno, as the system calls they stand for do. Every call may be
// made from any thread; the port closes when it is destroyed.
class SerialPort {
public:
    // The driver's buffers, one per direction.
    enum class Direction { Input, Output };

    virtual ~SerialPort() = default;

    // The descriptor the threads poll for input, output and hang-up.
    virtual int fd() const = 0;
    // True when the device is a terminal (a serial port).
    virtual bool isSerialDevice() = 0;
    // Raw byte mode plus the given settings. A value the port refuses leaves
    // its previous setting; nothing is reported.
    virtual void applyLineSettings(const LineSettings& settings) = 0;
    // Non-blocking: the count read or written, or -1 with errno (EAGAIN when
    // nothing can be done now). A read of 0 means the line was hung up.
    virtual ssize_t read(void* buffer, std::size_t count) = 0;
    virtual ssize_t write(const void* data, std::size_t count) = 0;
    // poll() over the given descriptors; the port's own descriptor among them.
    virtual int poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
    // False with errno when the driver keeps no such counters.
    virtual bool lineErrorCounts(LineErrorCounts& counts) = 0;
    // Empties the driver's buffer of one direction.
    virtual void purge(Direction which) = 0;
    // How many bytes written have not left the port yet: 0 once the driver's
    // buffer is empty and, where the driver tells, its transmitter too; -1
    // with errno when the driver cannot tell. Never waits: the transmit
    // thread asks again between short waits on the shut-down event, so that
    // a port that never drains cannot hold up the link's close.
    virtual int outputPending() = 0;
};

// The terminal settings for a serial port: raw byte mode, receiver on, the
// given speed, data bits, parity and stop bits, no flow control of either
// kind (a plain three-wire link: a CTS line that is not wired, or an XOFF
// byte among the load's answers, cannot hold back a frame). A value that
// cannot be expressed keeps what `current` has.
termios serialTermios(const termios& current, const LineSettings& settings);

// The device a port name stands for: "COM" and a number n >= 1, in any
// letter case, is /dev/ttyS<n-1>; any other name is used as it stands.
std::string serialDevicePath(const std::string& portName);

// Opens the named device for exclusive use (non-blocking, no controlling
// terminal), honouring the lock files other programs leave for serial ports
// (see SerialPortLock): the port's own lock file is held until the port is
// destroyed. Null with errno when it cannot be opened (the system's reason:
// ENOENT, EACCES, ...) or is in use by another program or link (EBUSY: a
// live process's lock file, another exclusive user). A device that is not a
// terminal opens too, without a lock file; isSerialDevice tells.
std::unique_ptr<SerialPort> openSerialDevice(const std::string& portName);

} // namespace tarvex
