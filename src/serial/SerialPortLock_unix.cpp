// Serial port lock files on Linux.
#include "serial/SerialPortLock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace tarvex {

namespace {

std::mutex directoryLock;
std::string directoryOverride; // guarded by directoryLock

// Who holds an existing lock file.
enum class Holder { Nobody, LiveProcess, Stale, Unknown };

// The process id a lock file names; 0 when its content names none. Old
// programs wrote the id as a binary int (four bytes, which cannot end in a
// newline for any process id the system hands out); everybody else writes
// ASCII digits, padded with spaces, and a newline.
pid_t lockOwner(const char* content, std::size_t size) {
    const bool text = size > 0 && content[size - 1] == '\n';
    if (size == sizeof(int) && !text) {
        int binary = 0;
        std::memcpy(&binary, content, sizeof binary);
        return binary > 0 ? binary : 0;
    }
    std::size_t at = 0;
    while (at < size && content[at] == ' ')
        ++at;
    long long pid = 0;
    std::size_t digits = 0;
    for (; at < size && content[at] >= '0' && content[at] <= '9' && digits < 12; ++at, ++digits)
        pid = pid * 10 + (content[at] - '0');
    const bool rest = at == size || content[at] == '\n';
    if (digits == 0 || !rest || pid <= 0 || pid > INT_MAX)
        return 0;
    return static_cast<pid_t>(pid);
}

Holder holderOf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? Holder::Nobody : Holder::Unknown;
    char content[128];
    const ssize_t n = ::read(fd, content, sizeof content);
    ::close(fd);
    if (n < 0)
        return Holder::Unknown;
    const pid_t pid = lockOwner(content, static_cast<std::size_t>(n));
    if (pid == 0)
        return Holder::Stale;
    if (::kill(pid, 0) == 0 || errno == EPERM)
        return Holder::LiveProcess;
    return Holder::Stale;
}

// Creates the lock file with our process id; false with errno when it cannot.
bool createLockFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return false;
    fchmod(fd, 0644); // whatever the umask: other programs read it
    char content[16];
    const int size = std::snprintf(content, sizeof content, "%10d\n", static_cast<int>(getpid()));
    const ssize_t written = ::write(fd, content, static_cast<std::size_t>(size));
    const int error = written < 0 ? errno : ENOSPC; // a short write: the disk is full
    ::close(fd);
    if (written == size)
        return true;
    ::unlink(path.c_str());
    errno = error;
    return false;
}

} // namespace

SerialPortLock::SerialPortLock(SerialPortLock&& other) noexcept
    : m_filePath(std::move(other.m_filePath)) {
    other.m_filePath.clear();
}

SerialPortLock& SerialPortLock::operator=(SerialPortLock&& other) noexcept {
    if (this != &other) {
        release();
        m_filePath = std::move(other.m_filePath);
        other.m_filePath.clear();
    }
    return *this;
}

std::string SerialPortLock::fileNameFor(const std::string& devicePath) {
    std::string path = devicePath;
    if (char* resolved = ::realpath(devicePath.c_str(), nullptr)) {
        path = resolved;
        std::free(resolved);
    }
    const std::string dev = "/dev/";
    if (path.size() <= dev.size() || path.compare(0, dev.size(), dev) != 0)
        return {};
    std::string name = path.substr(dev.size());
    for (char& c : name)
        if (c == '/')
            c = '_';
    return "LCK.." + name;
}

std::string SerialPortLock::directory() {
    {
        std::lock_guard lock(directoryLock);
        if (!directoryOverride.empty())
            return directoryOverride;
    }
    struct stat st {};
    if (::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode))
        return "/run/lock";
    return "/var/lock";
}

void SerialPortLock::setDirectory(const std::string& dir) {
    std::lock_guard lock(directoryLock);
    directoryOverride = dir;
}

bool SerialPortLock::acquire(const std::string& devicePath) {
    release();
    const std::string name = fileNameFor(devicePath);
    if (name.empty())
        return true;
    const std::string path = directory() + "/" + name;
    // A few rounds: another program may make or remove its lock meanwhile.
    for (int round = 0; round < 3; ++round) {
        switch (holderOf(path)) {
        case Holder::LiveProcess:
            errno = EBUSY;
            return false;
        case Holder::Stale:
            if (::unlink(path.c_str()) != 0 && errno != ENOENT)
                return true; // not ours to remove: go on without a lock
            break;
        case Holder::Unknown:
            return true; // cannot be read: go on without a lock of our own
        case Holder::Nobody:
            break;
        }
        if (createLockFile(path)) {
            m_filePath = path;
            return true;
        }
        if (errno != EEXIST)
            return true; // the directory cannot be written
    }
    return true;
}

void SerialPortLock::release() {
    if (m_filePath.empty())
        return;
    const int error = errno;
    ::unlink(m_filePath.c_str());
    m_filePath.clear();
    errno = error;
}

} // namespace tarvex
