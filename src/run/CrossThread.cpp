#include "run/CrossThread.h"

#if defined(__SANITIZE_THREAD__)

#include <QtGlobal>

namespace tarvex {

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

} // namespace tarvex

#endif
