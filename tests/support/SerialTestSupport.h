// Helpers shared by the serial link's tests: a recorder for the link's
// signals, a pseudo-terminal standing in for the load, another program that
// holds a port by its lock file, a thread without the permission to open
// devices, a watchdog for steps that might hang.
#pragma once

#include "run/SerialLink.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace tarvex {

// Records what the link delivers; every signal must come on the link's own
// thread.
struct LinkRecorder {
    QList<QByteArray> chunks;
    int hangups = 0;
    QObject context; // ends the connections with the recorder

    void attach(SerialLink& link) {
        QObject::connect(&link, &SerialLink::chunkReceived, &context,
                         [this, &link](const QByteArray& chunk) {
                             QCOMPARE(QThread::currentThread(), link.thread());
                             chunks.append(chunk);
                         });
        QObject::connect(&link, &SerialLink::hangupRequested, &context, [this, &link] {
            QCOMPARE(QThread::currentThread(), link.thread());
            ++hangups;
        });
    }
    qsizetype bytes() const {
        qsizetype n = 0;
        for (const auto& c : chunks)
            n += c.size();
        return n;
    }
    QList<qsizetype> sizes() const {
        QList<qsizetype> sizes;
        for (const auto& c : chunks)
            sizes.append(c.size());
        return sizes;
    }
};

// A pseudo-terminal: the link opens slavePath(), the test plays the device on
// the master side. A slave descriptor of its own keeps the master usable while
// the link has the port closed.
class PtyPair {
public:
    PtyPair() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_path = ptsname(m_master);
        m_slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isOpen() const { return m_master >= 0 && m_slave >= 0; }
    QString slavePath() const { return QString::fromStdString(m_path); }
    int slaveFd() const { return m_slave; }

    void write(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
            if (n > 0)
                done += n;
            else
                QThread::msleep(1);
        }
    }
    // Reads until count bytes have come or timeoutMs have passed, handling
    // this thread's events meanwhile (a link on this thread writes from its
    // event loop).
    QByteArray read(qsizetype count, int timeoutMs) {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 5) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }
    // What is there to read right now, without waiting.
    QByteArray readNow() {
        QByteArray got;
        char buffer[4096];
        const int flags = fcntl(m_master, F_GETFL);
        fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        fcntl(m_master, F_SETFL, flags);
        return got;
    }
    // Nobody but root may open the device any more.
    bool denyAccess() { return ::chmod(m_path.c_str(), 0) == 0; }
    // The device goes away: both ends of our side close.
    void hangUp() {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// A process of our own (spawned without fork(), which ThreadSanitizer does
// not allow in a threaded test) that runs until it is ended.
class ChildProcess {
public:
    explicit ChildProcess(const char* program, const char* argument = nullptr) {
        const char* argv[] = {program, argument, nullptr};
        if (posix_spawnp(&m_pid, program, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
    }
    ~ChildProcess() { end(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Kills it and waits until it is gone.
    void end() {
        if (m_pid <= 0 || m_ended)
            return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_ended = true;
    }
    // Waits until it has ended by itself and is gone from the system.
    void reap() {
        if (m_pid > 0 && !m_ended)
            waitpid(m_pid, nullptr, 0);
        m_ended = true;
    }

private:
    pid_t m_pid = -1;
    bool m_ended = false;
};

// The port's lock file with the given content, as another program leaves it
// (a terminal program writes its process id as ten digits and a newline);
// removed when the object goes, whoever made the file by then.
class PortLockFile {
public:
    PortLockFile(const QString& portName, const QByteArray& content)
        : m_path(SerialLink::lockFilePath(portName)) {
        QFile file(m_path);
        m_written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(content) == content.size();
    }
    ~PortLockFile() { QFile::remove(m_path); }
    PortLockFile(const PortLockFile&) = delete;
    PortLockFile& operator=(const PortLockFile&) = delete;

    bool isWritten() const { return m_written; }
    QString path() const { return m_path; }
    static QByteArray tenDigits(pid_t pid) {
        return QByteArray::number(pid).rightJustified(10, ' ') + '\n';
    }

private:
    QString m_path;
    bool m_written = false;
};

// Takes the permission to open devices whose mode does not allow it (see
// PtyPair::denyAccess) from the calling thread, as for a user outside the
// group dialout: for root, whom no file mode stops, the thread's filesystem
// ids become nobody's (setfsuid(2) acts on one thread and drops root's file
// capabilities with it). restoreDevicePermission() gives it back.
inline void dropDevicePermission() {
    if (geteuid() == 0) {
        setfsgid(65534);
        setfsuid(65534);
    }
}
inline void restoreDevicePermission() {
    if (geteuid() == 0) {
        setfsuid(0);
        setfsgid(0);
    }
}

// Ends the test process with a message when it is not dismissed within
// seconds: a step that might hang (a close, a destructor) fails the test
// instead of hanging it. Give it a time generous enough for a loaded machine.
class Watchdog {
public:
    Watchdog(int seconds, const char* step) : m_step(step) {
        m_thread = std::thread([this, seconds] {
            std::unique_lock lock(m_lock);
            if (!m_done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_over; })) {
                std::fprintf(stderr, "Watchdog: \"%s\" did not end within %d s\n", m_step, seconds);
                std::abort();
            }
        });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(m_lock);
            m_over = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    const char* m_step;
    std::mutex m_lock;
    std::condition_variable m_done;
    bool m_over = false;
    std::thread m_thread;
};

inline QByteArray pattern(int count, int seed = 0) {
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

} // namespace tarvex
