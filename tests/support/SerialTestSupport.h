// Helpers shared by the serial link's tests: a recorder for the component's
// callbacks, a pseudo-terminal standing in for the load, the trace file.
#pragma once

#include "serial/SerialLink.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace tarvex {

// Records what the component delivers on the window thread.
struct CommRecorder {
    QList<QByteArray> chunks;
    int zeroMissing = 0; // chunks without the zero byte behind them
    int hangups = 0;

    void Attach(TComm32& comm) {
        comm.SetOnReceiveData([this](const void* buffer, std::uint16_t length) {
            const auto* bytes = static_cast<const char*>(buffer);
            if (bytes[length] != 0)
                ++zeroMissing;
            chunks.append(QByteArray(bytes, length));
        });
        comm.SetOnRequestHangup([this, &comm](QObject* sender) {
            QCOMPARE(sender, &comm);
            ++hangups;
        });
    }
    qsizetype Bytes() const {
        qsizetype n = 0;
        for (const auto& c : chunks)
            n += c.size();
        return n;
    }
    QList<qsizetype> Sizes() const {
        QList<qsizetype> sizes;
        for (const auto& c : chunks)
            sizes.append(c.size());
        return sizes;
    }
};

// A pseudo-terminal: the component opens SlavePath(), the test plays the
// device on the master side. A slave descriptor of its own keeps the master
// usable while the component has the port closed.
class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        path_ = ptsname(master_);
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    ~PtyPair() { HangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && slave_ >= 0; }
    QString SlavePath() const { return QString::fromStdString(path_); }
    int SlaveFd() const { return slave_; }

    void Write(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
            if (n > 0)
                done += n;
            else
                QThread::msleep(1);
        }
    }
    // Reads until count bytes have come or timeoutMs have passed.
    QByteArray Read(qsizetype count, int timeoutMs) {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }
    // What is there to read right now, without waiting.
    QByteArray ReadNow() {
        QByteArray got;
        char buffer[4096];
        const int flags = fcntl(master_, F_GETFL);
        fcntl(master_, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        fcntl(master_, F_SETFL, flags);
        return got;
    }
    // The device goes away: both ends of our side close.
    void HangUp() {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
        slave_ = master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

inline QStringList TraceLines(const QString& fileName) {
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
inline bool ContainsInOrder(const QStringList& lines, const QStringList& expected) {
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

inline QByteArray Pattern(int count, int seed = 0) {
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

} // namespace tarvex
