#include "serial/SerialLinkThreads_p.h"

#include "serial/TraceLog.h"

#include <QCoreApplication>
#include <QDebug>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace tarvex {

namespace {

constexpr const char* kInvalidHandleLine =
    "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.";

bool signalled(int eventFd) {
    pollfd p{eventFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int pollTimeoutMs(std::chrono::steady_clock::duration d) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, INT_MAX));
}

int clampToInt(std::uint64_t value) {
    return static_cast<int>(std::min<std::uint64_t>(value, INT_MAX));
}

// Counts the posted link events; see LinkEvent.
std::atomic<std::uint64_t> postedEvents{0};

} // namespace

// ---------------------------------------------------------------------------
// Blocks and events

LinkBlock LinkBlock::fromBytes(const void* data, std::size_t count) {
    LinkBlock block;
    block.bytes.reset(new std::uint8_t[count + 1]()); // zero-filled
    if (count > 0)
        std::memcpy(block.bytes.get(), data, count);
    block.count = count;
    return block;
}

LinkBlock LinkBlock::fromText(const std::string& text) {
    return fromBytes(text.data(), text.size());
}

LinkEvent::LinkEvent(LinkMessage message, LinkBlock block)
    : QEvent(typeOf(message)), m_message(message), m_block(std::move(block)) {}

LinkEvent::~LinkEvent() {
    // Also when Qt drops the event undelivered, its memory was written by the
    // posting thread.
    acquirePosted();
}

const LinkBlock& LinkEvent::block() const {
    acquirePosted();
    return m_block;
}

void LinkEvent::post(QObject* receiver, LinkMessage message, LinkBlock block) {
    auto* event = new LinkEvent(message, std::move(block));
    postedEvents.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(receiver, event);
}

void LinkEvent::acquirePosted() {
    (void)postedEvents.load(std::memory_order_acquire);
}

// ---------------------------------------------------------------------------
// Common to both workers

void LinkThread::run() {
    try {
        body();
    } catch (const std::exception&) {
        // Out of memory deep inside the body: the thread cannot go on.
        postHangupRequest();
    }
    m_ended.store(true, std::memory_order_release);
}

bool LinkThread::shutdownSignalled() const {
    return signalled(m_context.shutdownFd);
}

void LinkThread::postHangupRequest() const {
    LinkEvent::post(m_context.relay, LinkMessage::Hangup);
}

// ---------------------------------------------------------------------------
// Receive thread

std::string lineErrorReport(LineErrors errors) {
    // The kinds the report names, in its order, with the names the operator
    // reads; the other kinds are reported as unknown.
    struct NamedError {
        LineError error;
        const char* name;
    };
    static constexpr NamedError kNamed[] = {
        {LineError::Framing, "CE_FRAME"},
        {LineError::Overrun, "CE_OVERRUN"},
        {LineError::Parity, "CE_RXPARITY"},
    };
    std::string names;
    const auto add = [&names](const char* name) {
        if (!names.empty())
            names += " and ";
        names += name;
    };
    if (!errors)
        add("NULL Error");
    LineErrors unnamed = errors;
    for (const NamedError& named : kNamed) {
        if (errors.testFlag(named.error))
            add(named.name);
        unnamed.setFlag(named.error, false);
    }
    if (unnamed)
        add("EV_ERR Unknown EvtMask");
    return "Comm Event: " + names + ", EvtMask = " + std::to_string(errors.toInt());
}

void ReceiveThread::body() {
    m_haveErrorCounts = m_context.port->lineErrorCounts(m_errorCounts);
    TraceLog::writeLine("Waiting for a CommEvent (Error) to occur.");
    for (bool first = true;; first = false) {
        const ReadEnd end = readOnce(first);
        // A read that ends with no byte (nothing arrived within its total
        // time-out) is simply issued again: silence is not a failure.
        if (end == ReadEnd::Shutdown || end == ReadEnd::Failed)
            break;
    }
    TraceLog::writeLine("Read thread shutting down");
    m_context.port->purge(SerialPort::Direction::Input);
}

// One read: up to kBufferSize bytes, ended by the interval time-out after the
// first byte, by the total time-out from its issue, by a full buffer, by the
// shut-down or by a failure.
ReceiveThread::ReadEnd ReceiveThread::readOnce(bool first) {
    using Clock = std::chrono::steady_clock;
    if (shutdownSignalled()) {
        qDebug("Time to Exit");
        return ReadEnd::Shutdown;
    }
    SerialPort& port = *m_context.port;
    const SerialTimeouts& t = m_context.timeouts;
    const auto issued = Clock::now();
    const auto total =
        std::chrono::milliseconds(std::uint64_t{t.readMsPerByte} * kBufferSize + t.readConstantMs);
    const auto interval = std::chrono::milliseconds(t.readIntervalMs);
    Clock::time_point lastByte = issued;
    m_count = 0;

    // Bytes already waiting are taken at once.
    ssize_t n = port.read(m_buffer, kBufferSize);
    if (n == 0)
        return readFailed(EIO, false, first);
    if (n < 0 && errno != EAGAIN && errno != EINTR)
        return readFailed(errno, false, first);
    if (n > 0) {
        m_count = static_cast<std::size_t>(n);
        checkLineErrors();
    }
    if (m_count == kBufferSize) {
        TraceLog::writeLine("Data waiting for ReadFile: ");
        if (postChunk(m_count))
            return ReadEnd::Data;
        postHangupRequest();
        if (first)
            TraceLog::writeSystemError(ENOMEM, "Unable to SetupReadEvent: ");
        return ReadEnd::Failed;
    }
    TraceLog::writeLine("Waiting for data from comm connection.");

    for (;;) {
        const auto now = Clock::now();
        auto deadline = issued + total;
        if (m_count > 0)
            deadline = std::min(deadline, lastByte + interval);
        if (now >= deadline)
            break;
        pollfd fds[2] = {{m_context.shutdownFd, POLLIN, 0}, {port.fd(), POLLIN, 0}};
        const int rc = port.poll(fds, 2, pollTimeoutMs(deadline - now));
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            if (m_count > 0)
                postChunk(m_count);
            TraceLog::writeSystemError(error, "Read WAIT_FAILED: ");
            postHangupRequest();
            return ReadEnd::Failed;
        }
        if (fds[0].revents) { // shut-down first, even when bytes are there too
            qDebug("Time to Exit");
            return ReadEnd::Shutdown;
        }
        if (rc == 0 || fds[1].revents == 0)
            continue;
        if (fds[1].revents & POLLNVAL)
            return readFailed(EBADF, true, first);
        checkLineErrors();
        n = port.read(m_buffer + m_count, kBufferSize - m_count);
        if (n > 0) {
            m_count += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            if (m_count == kBufferSize)
                break;
            continue;
        }
        if (n == 0) // end of file: the other end hung up
            return readFailed(EIO, true, first);
        if (errno == EAGAIN || errno == EINTR) {
            // Readiness without bytes: only a hang-up or an error can keep
            // reporting that, and it must not spin the processor.
            if (fds[1].revents & (POLLHUP | POLLERR))
                return readFailed(EIO, true, first);
            continue;
        }
        return readFailed(errno, true, first);
    }
    if (m_count == 0)
        return ReadEnd::Nothing;
    if (postChunk(m_count))
        return ReadEnd::Data;
    postHangupRequest();
    TraceLog::writeSystemError(ENOMEM, "Unable to HandleReadEvent: ");
    return ReadEnd::Failed;
}

// A failed read ends the thread with one hang-up request; the bytes that did
// arrive before it are still handed over.
ReceiveThread::ReadEnd ReceiveThread::readFailed(int error, bool underWay, bool first) {
    if (m_count > 0)
        postChunk(m_count);
    if (error == EBADF)
        TraceLog::writeLine(kInvalidHandleLine);
    else
        TraceLog::writeSystemError(error, underWay ? "Unexpected GetOverlappedResult Read Error: "
                                                   : "Unexpected ReadFile error: ");
    postHangupRequest();
    if (underWay)
        TraceLog::writeSystemError(error, "Unable to HandleReadEvent: ");
    else if (first)
        TraceLog::writeSystemError(error, "Unable to SetupReadEvent: ");
    return ReadEnd::Failed;
}

// Line errors arrive with bytes; the driver's counters tell which kinds.
void ReceiveThread::checkLineErrors() {
    if (!m_haveErrorCounts)
        return;
    LineErrorCounts now;
    if (!m_context.port->lineErrorCounts(now)) {
        m_haveErrorCounts = false;
        return;
    }
    LineErrors errors;
    errors.setFlag(LineError::Framing, now.framing != m_errorCounts.framing);
    errors.setFlag(LineError::Overrun, now.overrun != m_errorCounts.overrun);
    errors.setFlag(LineError::Parity, now.parity != m_errorCounts.parity);
    errors.setFlag(LineError::BufferOverrun, now.bufferOverrun != m_errorCounts.bufferOverrun);
    errors.setFlag(LineError::Break, now.breaks != m_errorCounts.breaks);
    m_errorCounts = now;
    if (!errors)
        return;
    LinkEvent::post(m_context.relay, LinkMessage::Data,
                    LinkBlock::fromText(lineErrorReport(errors)));
    TraceLog::writeLine("Waiting for a CommEvent (Error) to occur.");
}

// Posts the first count bytes of the buffer as one chunk; false when there is
// no memory for it.
bool ReceiveThread::postChunk(std::size_t count) {
    TraceLog::writeLine("Got something from Comm port!!!");
    try {
        LinkEvent::post(m_context.relay, LinkMessage::Data, LinkBlock::fromBytes(m_buffer, count));
    } catch (const std::bad_alloc&) {
        TraceLog::writeSystemError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    m_count = 0;
    return true;
}

// ---------------------------------------------------------------------------
// Transmit queue

TransmitQueue::TransmitQueue() : m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TransmitQueue::~TransmitQueue() {
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

std::uint64_t TransmitQueue::post(LinkMessage message, LinkBlock block) {
    std::uint64_t seq = 0;
    {
        std::lock_guard lock(m_lock);
        if (!m_open)
            return 0;
        seq = ++m_lastSeq;
        m_entries.push_back(Entry{message, std::move(block), seq});
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    return seq;
}

std::optional<TransmitQueue::Entry> TransmitQueue::take() {
    std::lock_guard lock(m_lock);
    if (m_entries.empty())
        return std::nullopt;
    Entry entry = std::move(m_entries.front());
    m_entries.pop_front();
    return entry;
}

void TransmitQueue::clearWake() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &value, sizeof value);
}

void TransmitQueue::close() {
    std::deque<Entry> dropped;
    {
        std::lock_guard lock(m_lock);
        m_open = false;
        dropped.swap(m_entries);
    }
    m_changed.notify_all();
}

void TransmitQueue::reportDrain(std::uint64_t seq, bool drained) {
    {
        std::lock_guard lock(m_lock);
        (drained ? m_drainedSeq : m_failedSeq) = seq;
    }
    m_changed.notify_all();
}

bool TransmitQueue::waitDrained(std::uint64_t seq, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_lock);
    m_changed.wait_until(lock, deadline,
                         [&] { return m_drainedSeq >= seq || m_failedSeq >= seq || !m_open; });
    return m_drainedSeq >= seq;
}

// ---------------------------------------------------------------------------
// Transmit thread

void TransmitThread::body() {
    for (;;) {
        std::optional<TransmitQueue::Entry> entry = m_queue->take();
        if (!entry) {
            pollfd fds[2] = {{m_context.shutdownFd, POLLIN, 0}, {m_queue->wakeFd(), POLLIN, 0}};
            const int rc = m_context.port->poll(fds, 2, -1);
            if (rc < 0) {
                if (errno == EINTR)
                    continue;
                TraceLog::writeSystemError(errno, "Write WAIT_FAILED: ");
                postHangupRequest();
                break;
            }
            if (fds[0].revents)
                break;
            if (fds[1].revents & POLLIN) {
                m_queue->clearWake();
                continue;
            }
            TraceLog::writeLine("Unexpected Wait return value " + std::to_string(rc));
            postHangupRequest();
            break;
        }
        if (shutdownSignalled())
            break; // the message just taken is not written
        if (entry->message == LinkMessage::Write) {
            TraceLog::writeLine("Writing to comm port");
            const bool written = writeFully(entry->block.bytes.get(), entry->block.count);
            entry->block = {};
            if (!written)
                break;
        } else if (entry->message == LinkMessage::Drain) {
            m_queue->reportDrain(entry->seq, drainOutput());
        } else {
            TraceLog::writeLine("Unexpected message posted to Write thread: " +
                                std::to_string(static_cast<int>(entry->message)));
        }
    }
    TraceLog::writeLine("Write thread shutting down");
    m_context.port->purge(SerialPort::Direction::Output);
    m_queue->close();
}

// Waits until everything written has left the port, asking the driver
// between short waits on the shut-down event: the close ends the wait even
// when the port never drains (flow control held, the driver stuck).
bool TransmitThread::drainOutput() {
    SerialPort& port = *m_context.port;
    for (;;) {
        const int pending = port.outputPending();
        if (pending <= 0)
            return pending == 0;
        pollfd shutdown{m_context.shutdownFd, POLLIN, 0};
        const int rc = port.poll(&shutdown, 1, kDrainPollMs);
        if (rc < 0 && errno != EINTR)
            return false;
        if (rc > 0)
            return false; // the close: the loop above ends the thread
    }
}

bool TransmitThread::writeFully(const std::uint8_t* block, std::size_t count) {
    SerialPort& port = *m_context.port;
    const SerialTimeouts& t = m_context.timeouts;
    std::size_t offset = 0;
    bool underWay = false; // the next write continues one that had to wait
    bool hungUp = false;

    const auto failed = [&](int error) {
        if (error == EBADF) {
            TraceLog::writeLine(kInvalidHandleLine);
            return false;
        }
        TraceLog::writeSystemError(error, underWay ? "Error writing to CommFile while waiting"
                                                   : "Error to writing to CommFile");
        TraceLog::writeLine("Closing TAPI");
        postHangupRequest();
        return false;
    };

    for (;;) {
        const std::size_t remaining = count - offset;
        const ssize_t n = port.write(block + offset, remaining);
        if (n > 0 || (n == 0 && remaining == 0)) {
            offset += static_cast<std::size_t>(n);
            if (offset >= count)
                return true;
            underWay = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return failed(errno);
        if (hungUp)
            return failed(EIO);

        // The driver takes no more now: wait for room, the shut-down or the
        // write time-out; then the rest is written by the next pass. A write
        // that took nothing although room was reported waits out the time-out.
        underWay = true;
        const int timeout =
            clampToInt(std::uint64_t{t.writeMsPerByte} * remaining + t.writeConstantMs);
        pollfd fds[2] = {{m_context.shutdownFd, POLLIN, 0}, {port.fd(), POLLOUT, 0}};
        const int rc = port.poll(fds, n == 0 ? 1 : 2, timeout);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            TraceLog::writeSystemError(errno, "Write WAIT_FAILED: ");
            postHangupRequest();
            return false;
        }
        if (fds[0].revents)
            return false;
        if (fds[1].revents & POLLNVAL)
            return failed(EBADF);
        if (fds[1].revents & (POLLHUP | POLLERR))
            hungUp = true;
    }
}

} // namespace tarvex
