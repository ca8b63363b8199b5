#include "run/CrossThread.h"

#include <QCoreApplication>

namespace tarvex {

#if defined(__SANITIZE_THREAD__)

namespace {

std::recursive_mutex& handOverLock() {
    static std::recursive_mutex lock;
    return lock;
}

// Called by Qt on the receiving thread before it delivers any event.
bool beforeEvent(void**) {
    const std::lock_guard ordered(handOverLock());
    return false; // deliver as usual
}

void registerReceiverHook() {
    static const bool registered =
        QInternal::registerCallback(QInternal::EventNotifyCallback, beforeEvent);
    (void)registered;
}

} // namespace

HandOver::HandOver() {
    registerReceiverHook();
    handOverLock().lock();
}

HandOver::~HandOver() {
    handOverLock().unlock();
}

void dropQueued(QObject* receiver) {
    const std::lock_guard ordered(handOverLock());
    QCoreApplication::removePostedEvents(receiver);
}

#else

void dropQueued(QObject* receiver) {
    QCoreApplication::removePostedEvents(receiver);
}

#endif

} // namespace tarvex
