#include "export/libreoffice/OfficeProcess.h"

#include "errors/Errors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tarvex {

namespace office {

namespace {

// What the two forked processes report to the parent through a pipe.
struct LaunchMessage {
    char kind; // 'p': pid of the started program, 'e': errno of a failed step
    int value;
};

void writeMessage(int fd, char kind, int value) {
    const LaunchMessage m{kind, value};
    [[maybe_unused]] ssize_t n = ::write(fd, &m, sizeof m);
}

// Closes every descriptor from 3 up, except `keep`. Runs between fork and
// exec: only system calls here.
void closeDescriptorsExcept(int keep) {
    if (keep > 3)
        ::close_range(3, static_cast<unsigned>(keep) - 1, 0);
    ::close_range(static_cast<unsigned>(keep) + 1, ~0u, 0);
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

qint64 startDetached(const QString& program, const QStringList& arguments,
                     const QStringList& environment) {
    // Everything the children need is prepared before forking.
    std::vector<std::string> argStrings{program.toStdString()};
    for (const QString& a : arguments)
        argStrings.push_back(a.toStdString());
    std::vector<std::string> envStrings;
    for (const QString& e : environment)
        envStrings.push_back(e.toStdString());
    std::vector<char*> argv = pointers(argStrings);
    std::vector<char*> envp = pointers(envStrings);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw SpreadsheetError(
            QStringLiteral("Cannot start %1: %2").arg(program, errorText(errno)).toStdString());

    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        // A session without a controlling terminal, then a process group of
        // the program's own, led by it.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) {
            if (grandchild > 0)
                writeMessage(fds[1], 'p', grandchild);
            else
                writeMessage(fds[1], 'e', errno);
            ::_exit(0);
        }
        ::setpgid(0, 0);
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
        }
        closeDescriptorsExcept(fds[1]);
        ::execve(argv[0], argv.data(), envp.data());
        writeMessage(fds[1], 'e', errno);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(fds[1]);
    if (child < 0) {
        ::close(fds[0]);
        throw SpreadsheetError(
            QStringLiteral("Cannot start %1: %2").arg(program, errorText(forkError)).toStdString());
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    // The pipe reaches its end when the program has been executed (the
    // descriptor closes on exec) or has failed to be.
    qint64 pid = 0;
    int error = 0;
    LaunchMessage m{};
    for (;;) {
        const ssize_t n = ::read(fds[0], &m, sizeof m);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != static_cast<ssize_t>(sizeof m))
            break;
        if (m.kind == 'p')
            pid = m.value;
        else
            error = m.value;
    }
    ::close(fds[0]);
    if (error != 0 || pid == 0)
        throw SpreadsheetError(QStringLiteral("Cannot start %1: %2")
                                   .arg(program, errorText(error != 0 ? error : ECHILD))
                                   .toStdString());
    return pid;
}

QStringList environmentWithout(const QStringList& names) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : names)
        env.remove(name);
    return env.toStringList();
}

namespace {

// Calls `f(pid, state, group)` for every process; stops when it returns true.
template <typename F> bool anyProcess(F f) {
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        if (pid.isEmpty() || !pid.front().isDigit())
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid pgrp ...": the name may hold blanks and brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && f(pid.toLongLong(), fields[0], fields[2].toLongLong()))
            return true;
    }
    return false;
}

// Ended processes that are not yet reaped do not count.
bool isAlive(const QByteArray& state) {
    return state != "Z" && state != "X";
}

} // namespace

bool isRunning(qint64 pid, const QString& marker) {
    if (pid <= 0)
        return false;
    const QByteArray wanted = marker.toLocal8Bit();
    return anyProcess([&](qint64 member, const QByteArray& state, qint64 group) {
        if (group != pid || !isAlive(state))
            return false;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(member));
        return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().split('\0').contains(wanted);
    });
}

bool isGroupRunning(qint64 pgid) {
    return pgid > 0 && anyProcess([&](qint64, const QByteArray& state, qint64 group) {
               return group == pgid && isAlive(state);
           });
}

void killGroup(qint64 pid, std::chrono::milliseconds grace) {
    if (pid <= 0 || !isGroupRunning(pid))
        return;
    const pid_t group = -static_cast<pid_t>(pid);
    if (grace.count() > 0) {
        // Asked first, so that the office can take its pipe away; forced
        // after a while.
        ::kill(group, SIGTERM);
        for (qint64 waited = 0; waited < grace.count() && isGroupRunning(pid); waited += 50)
            ::usleep(50 * 1000);
    }
    if (!isGroupRunning(pid))
        return;
    // Also a stopped process ends on this.
    ::kill(group, SIGKILL);
    for (int i = 0; i < 100 && isGroupRunning(pid); ++i)
        ::usleep(50 * 1000);
}

QStringList listeningSockets(qint64 pgid) {
    // The socket inodes the processes of the group hold...
    QSet<QByteArray> inodes;
    anyProcess([&](qint64 member, const QByteArray&, qint64 group) {
        if (group != pgid)
            return false;
        const QString fds = QStringLiteral("/proc/%1/fd").arg(member);
        for (const QString& fd : QDir(fds).entryList(QDir::System | QDir::NoDotAndDotDot)) {
            const QByteArray target =
                QFile::encodeName(QFile::symLinkTarget(fds + QLatin1Char('/') + fd));
            // "socket:[12345]"; symLinkTarget makes it a path of the fd folder.
            const qsizetype at = target.indexOf("socket:[");
            if (at >= 0)
                inodes.insert(target.mid(at + 8, target.indexOf(']', at) - at - 8));
        }
        return false;
    });
    // ... and the paths the listening ones are bound to.
    QStringList paths;
    QFile unix(QStringLiteral("/proc/net/unix"));
    if (inodes.isEmpty() || !unix.open(QIODevice::ReadOnly))
        return paths;
    unix.readLine(); // "Num RefCount Protocol Flags Type St Inode Path"
    while (!unix.atEnd()) {
        const QList<QByteArray> fields = unix.readLine().simplified().split(' ');
        // A listening socket has the flag __SO_ACCEPTCON (0x10000).
        bool ok = false;
        const qulonglong flags = fields.value(3).toULongLong(&ok, 16);
        if (fields.size() < 8 || !ok || !(flags & 0x10000) || !inodes.contains(fields[6]) ||
            !fields[7].startsWith('/'))
            continue;
        const QString path = QFile::decodeName(fields[7]);
        if (!paths.contains(path))
            paths.append(path);
    }
    return paths;
}

QString makeProfile(const QString& parent) {
    QTemporaryDir dir(QDir(parent).filePath(QString::fromLatin1(kProfilePrefix) + "XXXXXX"));
    if (!dir.isValid())
        throw SpreadsheetError(QStringLiteral("Cannot make a LibreOffice profile in %1: %2")
                                   .arg(parent, dir.errorString())
                                   .toStdString());
    dir.setAutoRemove(false);
    return dir.path();
}

void writePidFile(const QString& profileDir, qint64 pid, const QString& pipeName,
                  const QStringList& sockets) {
    QSaveFile file(QDir(profileDir).filePath(QString::fromLatin1(kPidFileName)));
    QByteArray content = QByteArray::number(pid) + '\n' + pipeName.toUtf8() + '\n';
    for (const QString& socket : sockets)
        content += QFile::encodeName(socket) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(content) < 0 || !file.commit())
        throw SpreadsheetError(QStringLiteral("Cannot write %1: %2")
                                   .arg(file.fileName(), file.errorString())
                                   .toStdString());
}

QString pipeSocketPath(const QString& pipeName) {
    // Where LibreOffice's runtime keeps its named pipes.
    return QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(pipeName);
}

namespace {

enum class PipeState { None, Listening, Stale };

bool isPipeName(const QString& pipeName) {
    // A pipe name is a single file name of its own.
    return !pipeName.isEmpty() && !pipeName.contains('/') && !pipeName.startsWith('.');
}

PipeState socketState(const QString& socketPath) {
    const QByteArray path = QFile::encodeName(socketPath);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid())
        return PipeState::None;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return PipeState::None;
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return PipeState::None;
    const bool refused =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno == ECONNREFUSED;
    ::close(fd);
    // Refused: nobody listens, the office that made it has gone.
    return refused ? PipeState::Stale : PipeState::Listening;
}

PipeState pipeState(const QString& pipeName) {
    return isPipeName(pipeName) ? socketState(pipeSocketPath(pipeName)) : PipeState::None;
}

} // namespace

bool removeStaleSocket(const QString& path) {
    const QFileInfo info(path);
    // Only LibreOffice's pipes of this user, in a folder of their own name.
    const QString prefix = QStringLiteral("OSL_PIPE_%1_").arg(::getuid());
    return info.isAbsolute() && info.fileName().startsWith(prefix) &&
           socketState(path) == PipeState::Stale &&
           ::unlink(QFile::encodeName(path).constData()) == 0;
}

bool removeStalePipe(const QString& pipeName) {
    return isPipeName(pipeName) && removeStaleSocket(pipeSocketPath(pipeName));
}

void endOffice(qint64 pid, const QString& profileDir, const QStringList& sockets,
               std::chrono::milliseconds grace) {
    QStringList left = sockets;
    for (const QString& socket : listeningSockets(pid))
        if (!left.contains(socket))
            left.append(socket);
    killGroup(pid, grace);
    // A socket may take a moment to lose its listener after its process has
    // gone.
    for (int attempt = 0; attempt < 20 && !left.isEmpty(); ++attempt) {
        for (auto it = left.begin(); it != left.end();) {
            if (removeStaleSocket(*it) || !QFileInfo::exists(*it))
                it = left.erase(it);
            else
                ++it;
        }
        if (!left.isEmpty())
            ::usleep(50 * 1000);
    }
    if (!profileDir.isEmpty())
        QDir(profileDir).removeRecursively();
}

QString profileArgument(const QString& profileDir) {
    return QStringLiteral("-env:UserInstallation=") +
           QString::fromLatin1(QUrl::fromLocalFile(profileDir).toEncoded());
}

void removeStaleProfiles(const QString& parent, std::chrono::seconds setupGrace) {
    const QDir dir(parent);
    const QFileInfoList profiles =
        dir.entryInfoList({QString::fromLatin1(kProfilePrefix) + '*'},
                          QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QFileInfo& profile : profiles) {
        // Only our own profiles: another user's cannot be removed anyway.
        if (profile.ownerId() != ::getuid())
            continue;
        QFile pidFile(QDir(profile.filePath()).filePath(QString::fromLatin1(kPidFileName)));
        if (pidFile.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = pidFile.readAll().split('\n');
            bool ok = false;
            const qint64 pid = lines.value(0).trimmed().toLongLong(&ok);
            if (ok && isRunning(pid, profileArgument(profile.filePath())))
                continue;
            // An office that was ended abruptly leaves its pipes behind; while
            // something still listens on one, the office is not quite gone.
            const QString pipeName = QString::fromUtf8(lines.value(1).trimmed());
            QStringList sockets;
            for (qsizetype i = 2; i < lines.size(); ++i)
                if (!lines[i].trimmed().isEmpty())
                    sockets << QFile::decodeName(lines[i].trimmed());
            const bool listening =
                pipeState(pipeName) == PipeState::Listening ||
                std::any_of(sockets.begin(), sockets.end(), [](const QString& socket) {
                    return socketState(socket) == PipeState::Listening;
                });
            if (listening)
                continue;
            removeStalePipe(pipeName);
            for (const QString& socket : sockets)
                removeStaleSocket(socket);
        } else if (profile.birthTime().isValid()
                       ? profile.birthTime().toUTC().secsTo(now) < setupGrace.count()
                       : profile.lastModified().toUTC().secsTo(now) < setupGrace.count()) {
            continue;
        }
        QDir(profile.filePath()).removeRecursively();
    }
}

} // namespace office

} // namespace tarvex
