// Calls and signals that cross threads, in a way ThreadSanitizer can follow.
//
// Qt hands a queued call from one thread to another through its event queue,
// which is guarded inside Qt by a lock that ThreadSanitizer does not see (Qt
// is not built with it). To ThreadSanitizer, everything the sending thread
// wrote for the call (the functor, the copied arguments, the data they point
// to) would look unordered with the receiving thread's reads.
//
// In a ThreadSanitizer build a HandOver holds one process-wide lock while a
// call is queued, and every event a thread receives first takes and releases
// that lock. The receiving thread can only see an event once the sender has
// queued it, so it takes the lock after the sender has released it: the
// sender's writes are ordered before the receiver's reads, as they truly are.
// In other builds a HandOver is nothing.
//
// Use post() and callAndWait() for calls into an object of another thread,
// and emitAcross() for every signal that other threads receive.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <utility>

namespace tarvex {

class HandOver {
public:
#if defined(__SANITIZE_THREAD__)
    HandOver();
    ~HandOver();
#else
    HandOver() = default;
#endif
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;
};

// Emits a signal of sender that other threads receive.
template <class Sender, class... Args, class... Values>
void emitAcross(Sender* sender, void (Sender::*signal)(Args...), Values&&... values) {
    [[maybe_unused]] const HandOver handOver;
    (sender->*signal)(std::forward<Values>(values)...);
}

// Drops the calls and signals queued for receiver and not yet delivered (for
// a receiver about to go), in a way ThreadSanitizer can follow: what another
// thread copied for them is destroyed in order after its copying.
void dropQueued(QObject* receiver);

// Queues call to run on receiver's thread (at once when that is this thread's
// own and it is not handling another call).
template <class F> void post(QObject* receiver, F&& call) {
    [[maybe_unused]] const HandOver handOver;
    QMetaObject::invokeMethod(receiver, std::forward<F>(call), Qt::QueuedConnection);
}

// Runs call on receiver's thread and returns when it has run; directly when
// that is this thread.
template <class F> void callAndWait(QObject* receiver, F&& call) {
    if (receiver->thread() == QThread::currentThread()) {
        std::forward<F>(call)();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    post(receiver, [&call, &done] {
        call();
        done.set_value();
    });
    finished.wait();
}

// Runs call on receiver's thread and waits at most timeoutMs for it to have
// run; true when it has. For the ways out of the program, where nothing may
// wait without a bound. On a time-out the call still runs later, when the
// receiver's thread gets to it: it must own what it uses (capture by value
// or shared pointers, never the caller's locals). Directly when receiver
// lives on this thread.
template <class F> bool callAndWaitFor(QObject* receiver, int timeoutMs, F call) {
    if (receiver->thread() == QThread::currentThread()) {
        call();
        return true;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    post(receiver, [call = std::move(call), done]() mutable {
        call();
        done->set_value();
    });
    return finished.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
}

} // namespace tarvex
