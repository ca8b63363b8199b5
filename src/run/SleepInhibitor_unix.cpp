// The sleep inhibitor on systems with systemd-logind: the lock is a file
// descriptor that logind hands out from org.freedesktop.login1.Manager.Inhibit
// and keeps for as long as any copy of it is open.
#include "run/SleepInhibitor.h"

#include "run/CrossThread.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

namespace tarvex {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

// The name logind lists as the lock's holder.
QString holderName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("TarvexVol") : name;
}

QString describe(const QDBusError& error) {
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
        error.type() == QDBusError::TimedOut)
        return QStringLiteral("logind did not answer within %1 s")
            .arg(SleepInhibitor::kAnswerTimeoutMs / 1000);
    if (!error.message().isEmpty())
        return error.message();
    if (!error.name().isEmpty())
        return error.name();
    return QDBusError::errorString(error.type());
}

} // namespace

// The lock's bus side. Lives on the inhibitor's bus thread: every member is
// used there only. It owns the bus connection (opened at the first take(),
// opened again when it was lost), the call on its way, and the descriptor
// that holds the lock. Reports to the inhibitor through queued calls.
class SleepLock : public QObject {
public:
    SleepLock(const QString& busAddress, const QString& holder, SleepInhibitor* owner)
        : m_owner(owner), m_busAddress(busAddress), m_holder(holder),
          m_connectionName(QStringLiteral("tarvex-sleep-inhibitor-%1")
                               .arg(reinterpret_cast<quintptr>(this), 0, 16)) {}

    // Lets the lock go and closes the connection.
    ~SleepLock() override {
        delete m_call;
        m_descriptor = QDBusUnixFileDescriptor();
        if (m_connected)
            QDBusConnection::disconnectFromBus(m_connectionName);
    }

    void take(const QString& port) {
        m_wanted = true;
        if (m_descriptor.isValid() || m_call)
            return;
        QString why;
        if (!openConnection(&why)) {
            failed(why);
            return;
        }
        QDBusMessage request =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
        request << QStringLiteral("sleep:idle") << m_holder << SleepInhibitor::reasonFor(port)
                << QStringLiteral("block");
        m_call = new QDBusPendingCallWatcher(
            QDBusConnection(m_connectionName).asyncCall(request, SleepInhibitor::kAnswerTimeoutMs),
            this);
        QObject::connect(m_call, &QDBusPendingCallWatcher::finished, this,
                         [this, port](QDBusPendingCallWatcher* call) { answered(call, port); });
    }

    void drop() {
        m_wanted = false;
        if (!m_descriptor.isValid())
            return;
        m_descriptor = QDBusUnixFileDescriptor(); // closes our copy: logind ends the lock
        post(m_owner, [owner = m_owner] { owner->lockDropped(); });
    }

private:
    // True once the connection is up; why says what went wrong otherwise.
    bool openConnection(QString* why) {
        if (m_connected) {
            if (QDBusConnection(m_connectionName).isConnected())
                return true;
            QDBusConnection::disconnectFromBus(m_connectionName); // the bus went away
            m_connected = false;
        }
        // Blocks this thread (never the inhibitor's) until the bus has
        // answered or the bus library has given up.
        const QDBusConnection bus =
            m_busAddress.isEmpty()
                ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_connectionName)
                : QDBusConnection::connectToBus(m_busAddress, m_connectionName);
        if (!bus.isConnected()) {
            *why = bus.lastError().isValid() ? describe(bus.lastError())
                                             : QStringLiteral("no connection to the system bus");
            // A failed connection keeps its name until it is let go; the next
            // take() tries afresh.
            QDBusConnection::disconnectFromBus(m_connectionName);
            return false;
        }
        m_connected = true;
        return true;
    }

    void answered(QDBusPendingCallWatcher* call, const QString& port) {
        m_call = nullptr;
        // The answer keeps a copy of the descriptor until the watcher goes.
        call->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
        if (reply.isError()) {
            failed(describe(reply.error()));
            return;
        }
        const QDBusUnixFileDescriptor descriptor = reply.value();
        if (!descriptor.isValid()) {
            failed(QStringLiteral("logind answered without a lock"));
            return;
        }
        if (!m_wanted)
            return; // the load went off meanwhile: our copy closes here
        m_descriptor = descriptor;
        post(m_owner, [owner = m_owner, port] { owner->lockTaken(port); });
    }

    void failed(const QString& why) {
        post(m_owner, [owner = m_owner, why] { owner->lockFailed(why); });
    }

    SleepInhibitor* const m_owner;
    const QString m_busAddress; // empty: the system bus
    const QString m_holder;
    const QString m_connectionName;
    bool m_connected = false;
    bool m_wanted = false;
    QDBusPendingCallWatcher* m_call = nullptr;
    QDBusUnixFileDescriptor m_descriptor;
};

SleepInhibitor::SleepInhibitor(QObject* parent) : SleepInhibitor(QString(), parent) {}

SleepInhibitor::SleepInhibitor(const QString& busAddress, QObject* parent)
    : QObject(parent), m_lock(new SleepLock(busAddress, holderName(), this)) {
    m_busThread.setObjectName(QStringLiteral("sleep inhibitor"));
    m_lock->moveToThread(&m_busThread);
    m_busThread.start();
}

SleepInhibitor::~SleepInhibitor() {
    post(m_lock, [lock = m_lock] {
        delete lock;
        QThread::currentThread()->quit();
    });
    m_busThread.wait();
}

QString SleepInhibitor::reasonFor(const QString& port) {
    return QStringLiteral("discharge test on %1").arg(port);
}

void SleepInhibitor::hold(const QString& port) {
    post(m_lock, [lock = m_lock, port] { lock->take(port); });
}

void SleepInhibitor::release() {
    post(m_lock, [lock = m_lock] { lock->drop(); });
}

void SleepInhibitor::lockTaken(const QString& port) {
    m_held = true;
    emitAcross(this, &SleepInhibitor::held, port);
}

void SleepInhibitor::lockFailed(const QString& reason) {
    if (!m_warned) {
        m_warned = true;
        qWarning("The computer may go to sleep during a run: no sleep inhibitor lock from "
                 "systemd-logind (%s). Going on without it; this is said once.",
                 qPrintable(reason));
    }
    emitAcross(this, &SleepInhibitor::unavailable, reason);
}

void SleepInhibitor::lockDropped() {
    m_held = false;
    emitAcross(this, &SleepInhibitor::released);
}

} // namespace tarvex
