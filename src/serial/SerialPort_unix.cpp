// The serial port on Linux: a termios device behind the SerialPort interface,
// opened for exclusive use, and the mapping of port names to devices.
#include "serial/SerialPort.h"

#include "serial/SerialPortLock.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace tarvex {

namespace {

speed_t speedConstant(std::uint32_t baud) {
    switch (baud) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 500000:
        return B500000;
    case 576000:
        return B576000;
    case 921600:
        return B921600;
    case 1000000:
        return B1000000;
    case 1152000:
        return B1152000;
    case 1500000:
        return B1500000;
    case 2000000:
        return B2000000;
    default:
        return B0;
    }
}

// A termios device: a serial port, or a pseudo-terminal standing in for one.
class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort(int fd, SerialPortLock lock) : m_fd(fd), m_lock(std::move(lock)) {
        struct stat st {};
        // Unix98 pseudo-terminal slaves have the majors 136 to 143.
        m_pseudoTerminal = fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
                           major(st.st_rdev) <= 143;
    }
    ~PosixSerialPort() override {
        if (isatty(m_fd))
            ioctl(m_fd, TIOCNXCL);
        ::close(m_fd); // also drops the flock; the lock file goes after it
    }

    int fd() const override { return m_fd; }
    bool isSerialDevice() override { return isatty(m_fd) == 1; }

    void applyLineSettings(const LineSettings& s) override {
        termios current{};
        if (tcgetattr(m_fd, &current) != 0)
            return;
        const termios wanted = serialTermios(current, s);
        tcsetattr(m_fd, TCSANOW, &wanted);
    }

    ssize_t read(void* buffer, std::size_t count) override { return ::read(m_fd, buffer, count); }
    ssize_t write(const void* data, std::size_t count) override {
        return ::write(m_fd, data, count);
    }
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        return ::poll(fds, count, timeoutMs);
    }

    bool lineErrorCounts(LineErrorCounts& counts) override {
        serial_icounter_struct ic{};
        if (ioctl(m_fd, TIOCGICOUNT, &ic) != 0)
            return false;
        counts.framing = static_cast<std::uint32_t>(ic.frame);
        counts.overrun = static_cast<std::uint32_t>(ic.overrun);
        counts.parity = static_cast<std::uint32_t>(ic.parity);
        counts.bufferOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
        counts.breaks = static_cast<std::uint32_t>(ic.brk);
        return true;
    }

    void purge(Direction which) override {
        // What a pseudo-terminal has written is already in the other side's
        // input; flushing would take back bytes that were delivered.
        if (which == Direction::Output && m_pseudoTerminal)
            return;
        tcflush(m_fd, which == Direction::Input ? TCIFLUSH : TCOFLUSH);
    }

    int outputPending() override {
        int queued = 0;
        if (ioctl(m_fd, TIOCOUTQ, &queued) != 0)
            return -1;
        if (queued > 0)
            return queued;
        // The driver's buffer is empty; a UART may still be shifting out
        // its last bytes (drivers without the request leave this out).
        unsigned int lineStatus = 0;
        if (ioctl(m_fd, TIOCSERGETLSR, &lineStatus) == 0 && !(lineStatus & TIOCSER_TEMT))
            return 1;
        return 0;
    }

private:
    int m_fd;
    SerialPortLock m_lock;
    bool m_pseudoTerminal = false;
};

} // namespace

termios serialTermios(const termios& current, const LineSettings& s) {
    termios t = current;
    cfmakeraw(&t);
    // Receiver on; the modem control lines are ignored, so that a load whose
    // cable drops carrier (switched off and on again) does not hang the line
    // up: the port behaves like a plain three-wire link. Hence no flow
    // control either (cfmakeraw leaves some of it on): an unwired CTS would
    // hold back every frame, the load-off frame too, and XON/XOFF bytes are
    // ordinary bytes of the frames.
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    switch (s.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    case 8:
        t.c_cflag |= CS8;
        break;
    default:
        t.c_cflag |= current.c_cflag & CSIZE;
        break;
    }
    switch (s.parity) {
    case 0:
        break;
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        t.c_cflag |= current.c_cflag & (PARENB | PARODD | CMSPAR);
        break;
    }
    switch (s.stopBits) {
    case 0:
        break;
    case 1: // one and a half is taken as two
    case 2:
        t.c_cflag |= CSTOPB;
        break;
    default:
        t.c_cflag |= current.c_cflag & CSTOPB;
        break;
    }
    if (const speed_t speed = speedConstant(s.baudRate); speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    return t;
}

std::string serialDevicePath(const std::string& portName) {
    if (portName.size() > 3 && std::toupper(static_cast<unsigned char>(portName[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(portName[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(portName[2])) == 'M') {
        unsigned long number = 0;
        for (std::size_t i = 3; i < portName.size(); ++i) {
            const auto c = static_cast<unsigned char>(portName[i]);
            if (!std::isdigit(c) || number > 100000)
                return portName;
            number = number * 10 + (c - '0');
        }
        if (number >= 1)
            return "/dev/ttyS" + std::to_string(number - 1);
    }
    return portName;
}

std::unique_ptr<SerialPort> openSerialDevice(const std::string& portName) {
    const std::string path = serialDevicePath(portName);
    // The lock file first: a terminal program that holds the port is not
    // disturbed by an open.
    SerialPortLock lock;
    if (!lock.acquire(path))
        return nullptr;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr; // the lock goes, errno stays
    // Exclusive use: no further open of the terminal, and no other holder of
    // the lock (TIOCEXCL does not stop a privileged user, the lock does).
    const bool terminal = isatty(fd) == 1;
    if (!terminal)
        lock.release(); // not a port: nothing to tell other programs
    if ((terminal && ioctl(fd, TIOCEXCL) != 0) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Both say "in use" (TIOCEXCL EBUSY, flock EWOULDBLOCK); tell it one way.
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    return std::make_unique<PosixSerialPort>(fd, std::move(lock));
}

} // namespace tarvex
