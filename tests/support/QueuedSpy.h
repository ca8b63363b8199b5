// A signal spy for signals emitted on another thread: unlike QSignalSpy,
// whose direct connection records on the emitting thread, it records on the
// thread it lives on (the test's), through a queued connection, so the test
// reads what it recorded without a race.
#pragma once

#include "run/CrossThread.h"

#include <QList>
#include <QObject>
#include <QTest>
#include <QVariant>

#include <type_traits>

namespace tarvex {

class QueuedSpy : public QObject {
public:
    template <class Sender, class... Args>
    QueuedSpy(const Sender* sender, void (Sender::*signal)(Args...)) {
        m_connection = connect(
            sender, signal, this,
            [this](Args... args) {
                m_calls.append(QVariantList{QVariant::fromValue(std::decay_t<Args>(args))...});
            },
            Qt::QueuedConnection);
    }
    // Nothing more is queued for the spy; what was queued and not yet
    // recorded goes in order with its sending.
    ~QueuedSpy() override {
        disconnect(m_connection);
        dropQueued(this);
    }
    QueuedSpy(const QueuedSpy&) = delete;
    QueuedSpy& operator=(const QueuedSpy&) = delete;

    qsizetype count() const { return m_calls.size(); }
    const QVariantList& at(qsizetype i) const { return m_calls.at(i); }
    const QVariantList& first() const { return m_calls.first(); }
    const QVariantList& last() const { return m_calls.last(); }
    // Handles events until count() passes what it was, or timeoutMs.
    bool wait(int timeoutMs = 5000) {
        const qsizetype before = count();
        return QTest::qWaitFor([&] { return count() > before; }, timeoutMs);
    }

private:
    QMetaObject::Connection m_connection;
    QList<QVariantList> m_calls;
};

} // namespace tarvex
