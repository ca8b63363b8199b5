// Helpers shared by the serial link's tests: a recorder for the link's
// signals, a pseudo-terminal standing in for the load, the trace file, a
// lock directory of the test's own, a watchdog for steps that might hang.
#pragma once

#include "serial/SerialLink.h"
#include "serial/SerialPortLock.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvex {

// Records what the link delivers; every signal must come on the link's own
// (window) thread.
struct LinkRecorder {
    QList<QByteArray> chunks;
    int zeroMissing = 0; // chunks without the zero byte behind them
    int hangups = 0;
    QObject context; // ends the connections with the recorder

    void attach(SerialLink& link) {
        QObject::connect(&link, &SerialLink::chunkReceived, &context,
                         [this, &link](const QByteArray& chunk) {
                             QCOMPARE(QThread::currentThread(), link.thread());
                             if (chunk.constData()[chunk.size()] != 0)
                                 ++zeroMissing;
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
    // Reads until count bytes have come or timeoutMs have passed.
    QByteArray read(qsizetype count, int timeoutMs) {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
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

// Serial port lock files go to a temporary directory of the test's own while
// the object lives, never to the system's lock directory. Create one per
// test case (or for the whole test in initTestCase) before opening ports.
class TemporaryLockDirectory {
public:
    TemporaryLockDirectory() { SerialPortLock::setDirectory(m_dir.path().toStdString()); }
    ~TemporaryLockDirectory() { SerialPortLock::setDirectory({}); }
    TemporaryLockDirectory(const TemporaryLockDirectory&) = delete;
    TemporaryLockDirectory& operator=(const TemporaryLockDirectory&) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

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

// The message of the SerialError that link.open() throws; empty when it
// throws none.
inline QString openError(SerialLink& link) {
    try {
        link.open();
    } catch (const SerialError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

inline QStringList traceLines(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    QStringList lines = QString::fromUtf8(all).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// True when `expected` occur in `lines` in this order (other lines between).
inline bool containsInOrder(const QStringList& lines, const QStringList& expected) {
    qsizetype at = 0;
    for (const auto& want : expected) {
        while (at < lines.size() && lines[at] != want)
            ++at;
        if (at == lines.size())
            return false;
        ++at;
    }
    return true;
}

inline QByteArray pattern(int count, int seed = 0) {
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

} // namespace tarvex
