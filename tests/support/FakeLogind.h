// A stand-in for systemd-logind's inhibitor locks on a private bus (CI has no
// logind): it owns org.freedesktop.login1 on a connection of its own and
// answers org.freedesktop.login1.Manager.Inhibit(ssss) -> h on
// /org/freedesktop/login1 the way logind does, with one end of a fresh pipe.
// It keeps the other end, so a test sees a lock let go as the end of file
// there: once every copy of the end it handed out is closed. It can also
// refuse the call, or keep calls unanswered until told.
//
// Calls are handled on the thread that made it (its event loop must run: use
// QTRY_ macros to wait); its functions are for that thread too. Needs
// Qt6::DBus.
#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QList>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <utility>

namespace tarvex {

class FakeLogind : public QDBusVirtualObject {
public:
    enum class Answer {
        Grant,  // a lock, as logind gives one
        Refuse, // org.freedesktop.DBus.Error.AccessDenied, as for a user polkit refuses
        Never,  // kept until answerWaitingCalls()
    };
    struct Call {
        QString what, who, why, mode;
        bool operator==(const Call&) const = default;
    };

    explicit FakeLogind(const QString& busAddress, Answer answer = Answer::Grant)
        : m_answer(answer),
          m_name(QStringLiteral("fake-logind-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
          m_bus(QDBusConnection::connectToBus(busAddress, m_name)) {
        if (!m_bus.isConnected())
            m_error = m_bus.lastError().message();
        else if (!m_bus.registerVirtualObject(path(), this))
            m_error = QStringLiteral("Cannot register %1").arg(path());
        else if (!m_bus.registerService(service()))
            m_error =
                QStringLiteral("Cannot own %1: %2").arg(service(), m_bus.lastError().message());
    }
    ~FakeLogind() override {
        m_bus.unregisterService(service());
        m_bus.unregisterObject(path());
        QDBusConnection::disconnectFromBus(m_name);
        for (int fd : m_kept)
            ::close(fd);
    }
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    static QString service() { return QStringLiteral("org.freedesktop.login1"); }
    static QString path() { return QStringLiteral("/org/freedesktop/login1"); }
    static QString interface() { return QStringLiteral("org.freedesktop.login1.Manager"); }

    // Owns the name and serves the object.
    bool isRegistered() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    void setAnswer(Answer answer) { m_answer = answer; }
    // Every Inhibit call received, in order.
    QList<Call> calls() const { return m_calls; }
    // Calls kept by Answer::Never and not answered yet.
    int waitingCalls() const { return int(m_waiting.size()); }
    // Grants the waiting calls, oldest first.
    void answerWaitingCalls() {
        const QList<QDBusMessage> waiting = std::exchange(m_waiting, {});
        for (const QDBusMessage& call : waiting)
            grant(call);
    }
    // Locks handed out so far, numbered from 0.
    int locksGiven() const { return int(m_kept.size()); }
    // True once every copy of lock's end has been closed: the holder let go.
    bool isReleased(int lock) const {
        pollfd p{m_kept.value(lock, -1), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }

    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"%1\">"
                              "<method name=\"Inhibit\">"
                              "<arg name=\"what\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"who\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"why\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"mode\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"pipe_fd\" type=\"h\" direction=\"out\"/>"
                              "</method></interface>")
            .arg(interface());
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage ||
            message.interface() != interface() || message.member() != QStringLiteral("Inhibit"))
            return false;
        const QList<QVariant> args = message.arguments();
        if (message.signature() != QStringLiteral("ssss")) {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                     QStringLiteral("Inhibit takes (ssss)")));
            return true;
        }
        m_calls.append(
            {args[0].toString(), args[1].toString(), args[2].toString(), args[3].toString()});
        switch (m_answer) {
        case Answer::Grant:
            grant(message);
            break;
        case Answer::Refuse:
            connection.send(message.createErrorReply(QDBusError::AccessDenied,
                                                     QStringLiteral("Permission denied")));
            break;
        case Answer::Never:
            m_waiting.append(message);
            break;
        }
        return true;
    }

private:
    void grant(const QDBusMessage& call) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            m_bus.send(call.createErrorReply(QDBusError::Failed, QStringLiteral("pipe failed")));
            return;
        }
        m_kept.append(ends[0]);
        {
            // The answer holds a copy of the write end until it is sent.
            const QDBusUnixFileDescriptor handedOut(ends[1]);
            ::close(ends[1]);
            m_bus.send(call.createReply(QVariant::fromValue(handedOut)));
        }
    }

    Answer m_answer;
    QString m_name;
    QDBusConnection m_bus;
    QString m_error;
    QList<Call> m_calls;
    QList<QDBusMessage> m_waiting;
    QList<int> m_kept; // read ends, one per lock
};

} // namespace tarvex
