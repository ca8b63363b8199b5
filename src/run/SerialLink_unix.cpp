// Lock files, flock and the driver's output queue of a serial port on Linux.
#include "run/SerialLink_p.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace tarvex::linkport {

namespace {

// The process a lock file names; 0 when it names none.
pid_t lockOwner(const QByteArray& content) {
    // A binary int cannot end in a newline for any process id the system
    // hands out.
    if (content.size() == int(sizeof(int)) && !content.endsWith('\n')) {
        int binary = 0;
        std::memcpy(&binary, content.constData(), sizeof binary);
        return binary > 0 ? binary : 0;
    }
    const QByteArray line = content.left(content.indexOf('\n')).trimmed();
    bool ok = false;
    const long long pid = line.toLongLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX && !line.startsWith('+') ? pid_t(pid) : 0;
}

} // namespace

QString lockDirectory() {
    return QFileInfo(QStringLiteral("/var/lock")).isDir() ? QStringLiteral("/var/lock")
                                                          : QStringLiteral("/run/lock");
}

bool lockFileHeld(const QString& lockFile) {
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly))
        return false; // none, or not ours to read: Qt's lock decides
    const pid_t pid = lockOwner(file.read(128));
    file.close();
    if (pid != 0 && (::kill(pid, 0) == 0 || errno == EPERM))
        return true;
    QFile::remove(lockFile); // stale
    return false;
}

bool claimDevice(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

int outputPending(int fd) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
        return -1;
    if (queued > 0)
        return queued;
    // The queue is empty; a UART may still be shifting out its last bytes
    // (drivers without the request leave this out).
    unsigned int lineStatus = 0;
    if (::ioctl(fd, TIOCSERGETLSR, &lineStatus) == 0 && !(lineStatus & TIOCSER_TEMT))
        return 1;
    return 0;
}

} // namespace tarvex::linkport
