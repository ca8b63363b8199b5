// Not part of the library's public interface.
//
// The serial link's two worker threads, the blocks and messages that travel
// between them and the link's own thread, and the transmit queue.
#pragma once

#include "serial/SerialPort.h"

#include <QEvent>
#include <QFlags>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarvex {

// What the threads tell each other. Data and Hangup are posted to the relay
// on the link's own thread as events of type QEvent::User + their value; Write
// and Drain travel on the transmit queue.
enum class LinkMessage {
    Write,  // link's thread -> transmit thread: a frame to send
    Data,   // receive thread -> relay: a chunk or a line-error report
    Hangup, // either worker -> relay: the thread has ended on a failure
    // Asks the transmit thread to report once everything queued before it has
    // left the port (SerialLink::waitUntilSent).
    Drain,
};

// An owned block of bytes crossing threads: the payload followed by one zero
// byte. It is freed by whoever holds it last.
struct LinkBlock {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t count = 0; // payload bytes, without the zero behind them

    static LinkBlock fromBytes(const void* data, std::size_t count);
    static LinkBlock fromText(const std::string& text);
};

// A message posted to the relay object on the link's own thread.
//
// Qt's event queue is invisible to ThreadSanitizer (Qt is not built with it):
// every post publishes the events written so far with one atomic release, and
// the receiving thread acquires them with acquirePosted() before it reads
// anything of an event, its type included.
class LinkEvent : public QEvent {
public:
    LinkEvent(LinkMessage message, LinkBlock block);
    ~LinkEvent() override;

    static QEvent::Type typeOf(LinkMessage message) {
        return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(message));
    }
    LinkMessage message() const { return m_message; }
    const LinkBlock& block() const;

    // Hands the event to Qt's queue for the receiver; the event is Qt's then.
    static void post(QObject* receiver, LinkMessage message, LinkBlock block = {});
    // Makes what the posting threads wrote before their posts visible to the
    // calling thread.
    static void acquirePosted();

private:
    LinkMessage m_message;
    LinkBlock m_block;
};

// What SerialLink::open hands to each worker before starting it.
struct WorkerContext {
    SerialPort* port = nullptr;
    int shutdownFd = -1;      // eventfd, written once by SerialLink::close, never read
    QObject* relay = nullptr; // lives on the link's own thread
    SerialTimeouts timeouts;
};

// Base of both workers: shut-down test, hang-up request, a visible end.
class LinkThread : public QThread {
public:
    explicit LinkThread(const WorkerContext& context) : m_context(context) {}
    // After wait() has returned: makes the thread's last writes visible to
    // the caller (QThread's own hand-over is invisible to ThreadSanitizer).
    void acquireEnd() const { (void)m_ended.load(std::memory_order_acquire); }

protected:
    void run() final;
    virtual void body() = 0;
    bool shutdownSignalled() const;
    void postHangupRequest() const;

    const WorkerContext m_context;

private:
    std::atomic<bool> m_ended{false};
};

// The kinds of line error the driver counts. The values are those the
// line-error report prints ("EvtMask = ...").
enum class LineError : std::uint32_t {
    BufferOverrun = 0x0001, // the driver's input buffer overflowed
    Overrun = 0x0002,       // the receiver's hardware overran
    Parity = 0x0004,
    Framing = 0x0008,
    Break = 0x0010,
};
Q_DECLARE_FLAGS(LineErrors, LineError)
Q_DECLARE_OPERATORS_FOR_FLAGS(LineErrors)

// The text of a line-error report, as the receive thread delivers it.
std::string lineErrorReport(LineErrors errors);

// Keeps one read of up to 2048 bytes outstanding; each read that ends with
// bytes becomes one chunk posted to the relay as LinkMessage::Data. Line
// errors become "Comm Event: ..." reports posted the same way.
class ReceiveThread final : public LinkThread {
public:
    static constexpr std::size_t kBufferSize = 2048;
    using LinkThread::LinkThread;

private:
    enum class ReadEnd { Data, Nothing, Shutdown, Failed };
    void body() override;
    ReadEnd readOnce(bool first);
    ReadEnd readFailed(int error, bool underWay, bool first);
    void checkLineErrors();
    bool postChunk(std::size_t count);

    std::uint8_t m_buffer[kBufferSize];
    std::size_t m_count = 0;
    bool m_haveErrorCounts = false;
    LineErrorCounts m_errorCounts;
};

// The transmit thread's queue: filled by the link's thread without waiting,
// emptied in posting order by the transmit thread, which an eventfd wakes.
class TransmitQueue {
public:
    struct Entry {
        LinkMessage message = LinkMessage::Write;
        LinkBlock block;
        std::uint64_t seq = 0;
    };

    TransmitQueue();
    ~TransmitQueue();
    TransmitQueue(const TransmitQueue&) = delete;
    TransmitQueue& operator=(const TransmitQueue&) = delete;

    bool isValid() const { return m_wakeFd >= 0; }
    int wakeFd() const { return m_wakeFd; }

    // 0 when the queue no longer takes messages, else the message's number
    // in posting order.
    std::uint64_t post(LinkMessage message, LinkBlock block);
    std::optional<Entry> take();
    void clearWake();
    // No more messages; the queued ones are freed; waiters are released.
    void close();

    // The transmit thread reports the outcome of a LinkMessage::Drain.
    void reportDrain(std::uint64_t seq, bool drained);
    // True once the drain message seq has been carried out with success;
    // false when it failed, the queue closed or the time ran out.
    bool waitDrained(std::uint64_t seq, std::chrono::steady_clock::time_point deadline);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Entry> m_entries;
    bool m_open = true;
    std::uint64_t m_lastSeq = 0;
    std::uint64_t m_drainedSeq = 0;
    std::uint64_t m_failedSeq = 0;
    int m_wakeFd = -1;
};

// Writes each block of the queue completely, in order, then frees it.
class TransmitThread final : public LinkThread {
public:
    // Between two looks at the driver's output queue while draining.
    static constexpr int kDrainPollMs = 2;

    TransmitThread(const WorkerContext& context, std::shared_ptr<TransmitQueue> queue)
        : LinkThread(context), m_queue(std::move(queue)) {}

private:
    void body() override;
    bool writeFully(const std::uint8_t* block, std::size_t count);
    bool drainOutput();

    const std::shared_ptr<TransmitQueue> m_queue;
};

} // namespace tarvex
