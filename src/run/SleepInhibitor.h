// Keeps the computer awake while the load is on: a "sleep:idle" inhibitor lock
// of the login manager (systemd-logind), taken over the system bus, so that a
// discharge of many hours is not cut short by suspend or by the idle action.
// `systemd-inhibit --list` shows it while it is held (who: the application's
// name, why: "discharge test on <port>", mode: block).
//
// Threads. The inhibitor lives on the thread that makes it (the window
// thread, or the main thread of a run without windows); hold() and release()
// are called there and never wait for the bus: the bus connection and the
// call to logind are made on a thread of the inhibitor's own, and the answer
// comes back as a signal. Nothing of it runs on the run's thread, so the
// protection never waits for it.
//
// Failure. Without logind (no system bus, the service not there, the call
// refused or unanswered) the run goes on without the lock: unavailable() is
// emitted for every hold that fails, and one warning goes to the error output
// for the first of them only (the program keeps one inhibitor). Every later
// hold() asks again, so a logind that comes later is used.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>

namespace tarvex {

class SleepLock;

class SleepInhibitor : public QObject {
    Q_OBJECT

public:
    // Asks logind on the system bus (the one DBUS_SYSTEM_BUS_ADDRESS names,
    // or the system's).
    explicit SleepInhibitor(QObject* parent = nullptr);
    // Test seam: asks whoever owns org.freedesktop.login1 on the bus at
    // busAddress (a D-Bus address such as "unix:path=/tmp/x/bus").
    explicit SleepInhibitor(const QString& busAddress, QObject* parent = nullptr);
    // Releases a lock still held and ends the bus thread. Returns once the
    // bus thread has ended: at once, unless it is still connecting to a bus
    // that does not answer (then up to the bus library's time-out, 25 s).
    ~SleepInhibitor() override;

    // How long logind may take to answer before the hold counts as failed.
    static constexpr int kAnswerTimeoutMs = 25000;
    // The reason logind shows for a run on port: "discharge test on <port>".
    static QString reasonFor(const QString& port);

    // True from held() to released(): logind has given the lock and it has
    // not been let go. On the inhibitor's thread.
    bool isHeld() const { return m_held; }

public slots:
    // The load was switched on at port: asks for the lock unless it is held or
    // already asked for (a second hold takes no second lock). Returns at once;
    // held() or unavailable() tells the outcome.
    void hold(const QString& port);
    // The load is known to be off: lets the lock go at once, or as soon as
    // logind's answer comes if it is still on its way. Returns at once;
    // released() follows when a held lock was let go.
    void release();

signals:
    // logind gave the lock for the run on port.
    void held(const QString& port);
    // No lock for this run; reason is the bus's or logind's word for it.
    void unavailable(const QString& reason);
    // The lock was let go.
    void released();

private:
    friend class SleepLock; // reports back through lockTaken/lockFailed/lockDropped
    void lockTaken(const QString& port);
    void lockFailed(const QString& reason);
    void lockDropped();

    QThread m_busThread;
    SleepLock* m_lock; // lives on m_busThread
    bool m_held = false;
    bool m_warned = false;
};

} // namespace tarvex
