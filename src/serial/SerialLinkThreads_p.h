// The serial component's two worker threads, the blocks and messages that
// travel between them and the window thread, and the transmit queue.
#pragma once

#include "serial/SerialPort.h"

#include <QEvent>
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

inline constexpr int WM_USER = 0x0400;
inline constexpr int WM_COMM_WRITE = WM_USER + 1;  // window thread -> transmit thread
inline constexpr int WM_COMM_DATA = WM_USER + 1;   // receive thread -> relay
inline constexpr int WM_COMM_HANGUP = WM_USER + 2; // either worker -> relay
// Asks the transmit thread to report once everything queued before it has
// left the port (TComm32::WaitUntilSent).
inline constexpr int WM_COMM_DRAIN = WM_USER + 3;

// The port's time-outs in milliseconds, with the meaning serial drivers give
// them: a read ends when more than ReadIntervalTimeout passes between two
// bytes (timed from the first byte on), or, with whatever has arrived, when
// ReadTotalTimeoutMultiplier x requested bytes + ReadTotalTimeoutConstant
// have passed since it was issued; a write that has not finished after
// WriteTotalTimeoutMultiplier x bytes + WriteTotalTimeoutConstant ends with
// the bytes written so far (the rest is written by the next write).
struct TCommTimeouts {
    std::uint32_t ReadIntervalTimeout = 60;
    std::uint32_t ReadTotalTimeoutMultiplier = 10;
    std::uint32_t ReadTotalTimeoutConstant = 2;
    std::uint32_t WriteTotalTimeoutMultiplier = 10;
    std::uint32_t WriteTotalTimeoutConstant = 2;
};

// An owned block of bytes crossing threads: the payload followed by one zero
// byte. It is freed by whoever holds it last.
struct TCommBlock {
    std::unique_ptr<std::uint8_t[]> Bytes;
    std::size_t Count = 0; // payload bytes, without the zero behind them

    static TCommBlock Copy(const void* data, std::size_t count);
    static TCommBlock Text(const std::string& text);
};

// A message posted to the relay object on the window thread. Its event type
// is QEvent::User + the message number.
class TCommEvent : public QEvent {
public:
    TCommEvent(int message, TCommBlock block);
    ~TCommEvent() override;

    static QEvent::Type TypeOf(int message) {
        return static_cast<QEvent::Type>(QEvent::User + message);
    }
    int Message() const { return message_; }
    // The block, after the receiving thread has acquired what the posting
    // thread published.
    const TCommBlock& Block() const;

    // Hands the event to Qt's queue for the receiver; the event is Qt's then.
    static void Post(QObject* receiver, int message, TCommBlock block = {});

private:
    int message_;
    TCommBlock block_;
    // Qt's event queue is invisible to ThreadSanitizer (Qt is not built with
    // it); this pair of atomic operations makes the hand-over visible.
    std::atomic<bool> published_{false};
};

// What OpenPort hands to each worker before starting it.
struct TCommLink {
    ISerialPort* CommFile = nullptr;
    int CloseEvent = -1;            // eventfd, written once by ClosePort, never read
    QObject* RelayWindow = nullptr; // lives on the window thread
    TCommTimeouts Timeouts;
};

// Base of both workers: shut-down test, hang-up request, a visible end.
class TCommThread : public QThread {
public:
    explicit TCommThread(const TCommLink& link) : link_(link) {}
    // After wait() has returned: makes the thread's last writes visible to
    // the caller (QThread's own hand-over is invisible to ThreadSanitizer).
    void AcquireEnd() const { (void)ended_.load(std::memory_order_acquire); }

protected:
    void run() final;
    virtual void Body() = 0;
    bool ShutdownSignalled() const;
    void PostHangupRequest() const;

    const TCommLink link_;

private:
    std::atomic<bool> ended_{false};
};

// Keeps one read of up to 2048 bytes outstanding; each read that ends with
// bytes becomes one chunk posted to the relay as WM_COMM_DATA. Line errors
// become "Comm Event: ..." reports posted the same way.
class TReadThread final : public TCommThread {
public:
    static constexpr std::size_t kBufferSize = 2048;
    using TCommThread::TCommThread;

private:
    enum class ReadEnd { Data, Nothing, Shutdown, Failed };
    void Body() override;
    ReadEnd ReadOnce(bool first);
    ReadEnd ReadFailed(int error, bool underWay, bool first);
    void CheckLineErrors();
    bool PackReadData(std::size_t count);

    std::uint8_t buffer_[kBufferSize];
    std::size_t count_ = 0;
    bool haveErrorCounts_ = false;
    TLineErrorCounts errorCounts_;
};

// The text of a line-error report for an error-flag word (CE_* bits).
std::string LineErrorReport(std::uint32_t errorFlags);
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;

// The transmit thread's queue: filled by the window thread without waiting,
// emptied in posting order by the transmit thread, which an eventfd wakes.
class TWriteQueue {
public:
    struct Message {
        int Number = 0;
        TCommBlock Block;
        std::uint64_t Seq = 0;
    };

    TWriteQueue();
    ~TWriteQueue();
    TWriteQueue(const TWriteQueue&) = delete;
    TWriteQueue& operator=(const TWriteQueue&) = delete;

    bool Valid() const { return wakeFd_ >= 0; }
    int WakeFd() const { return wakeFd_; }

    // 0 when the queue no longer takes messages, else the message's number
    // in posting order.
    std::uint64_t Post(int number, TCommBlock block);
    std::optional<Message> Take();
    void ClearWake();
    // No more messages; the queued ones are freed; waiters are released.
    void Close();

    // The transmit thread reports the outcome of a WM_COMM_DRAIN message.
    void ReportDrain(std::uint64_t seq, bool drained);
    // True once the WM_COMM_DRAIN message seq has been carried out with
    // success; false when it failed, the queue closed or the time ran out.
    bool WaitDrained(std::uint64_t seq, std::chrono::steady_clock::time_point deadline);

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Message> messages_;
    bool open_ = true;
    std::uint64_t lastSeq_ = 0;
    std::uint64_t drainedSeq_ = 0;
    std::uint64_t failedSeq_ = 0;
    int wakeFd_ = -1;
};

// Writes each block of the queue completely, in order, then frees it.
class TWriteThread final : public TCommThread {
public:
    TWriteThread(const TCommLink& link, std::shared_ptr<TWriteQueue> queue)
        : TCommThread(link), queue_(std::move(queue)) {}

private:
    void Body() override;
    bool WriteBlockFully(const std::uint8_t* block, std::size_t count);

    const std::shared_ptr<TWriteQueue> queue_;
};

} // namespace tarvex
