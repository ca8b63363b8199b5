// An office that stops answering: started with the arguments the LibreOffice
// plugin gives the office, it fills its profile a little, listens on the pipe
// it is told to accept connections on and on a pipe of its own (as the
// office's single-instance pipe), takes every connection and never answers.
// A second process of its group waits beside it. It does not end on SIGTERM,
// only when it is killed.
//
// When TARVEX_FAKE_OFFICE_RECORD names a file, the office writes its pid and
// the paths of its sockets there, one a line, once it listens.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QString>
#include <QUrl>

#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

int listenOn(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= qsizetype(sizeof address.sun_path))
        return -1;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ::unlink(path.constData());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0)
        return -1;
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    QString profile;
    QString pipe;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith(QStringLiteral("-env:UserInstallation=")))
            profile = QUrl(argument.mid(argument.indexOf(u'=') + 1)).toLocalFile();
        else if (argument.startsWith(QStringLiteral("--accept=pipe,name=")))
            pipe = argument.section(u'=', 2).section(u';', 0, 0);
    }
    if (profile.isEmpty() || pipe.isEmpty())
        return 2;
    ::signal(SIGTERM, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);

    QDir().mkpath(profile + QStringLiteral("/user"));
    QFile settings(profile + QStringLiteral("/user/registrymodifications.xcu"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("<?xml version=\"1.0\"?>\n");
    settings.close();

    const QByteArray prefix = "/tmp/OSL_PIPE_" + QByteArray::number(::getuid()) + '_';
    const QByteArray ownPipe =
        prefix + "SingleOfficeIPC_" +
        QCryptographicHash::hash(profile.toUtf8(), QCryptographicHash::Md5).toHex();
    const QByteArray acceptPipe = prefix + pipe.toUtf8();
    std::vector<pollfd> fds;
    for (const QByteArray& path : {ownPipe, acceptPipe}) {
        const int fd = listenOn(path);
        if (fd < 0)
            return 3;
        fds.push_back({fd, POLLIN, 0});
    }
    // A second process of the group, as the office's launcher has.
    if (::fork() == 0) {
        for (;;)
            ::pause();
    }

    const QByteArray record = qgetenv("TARVEX_FAKE_OFFICE_RECORD");
    if (!record.isEmpty()) {
        QFile file(QString::fromLocal8Bit(record));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray::number(::getpid()) + '\n' + ownPipe + '\n' + acceptPipe + '\n');
    }

    // Takes what comes and answers nothing.
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        const std::size_t listeners = 2;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            if (i < listeners) {
                const int client = ::accept(fds[i].fd, nullptr, nullptr);
                if (client >= 0)
                    fds.push_back({client, POLLIN, 0});
            } else {
                char buffer[4096];
                if (::read(fds[i].fd, buffer, sizeof buffer) <= 0)
                    fds[i].events = 0; // the other side has gone
            }
        }
    }
}
