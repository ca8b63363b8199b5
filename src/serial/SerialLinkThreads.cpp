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

bool Signalled(int eventFd) {
    pollfd p{eventFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int Milliseconds(std::chrono::steady_clock::duration d) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, INT_MAX));
}

int ClampToInt(std::uint64_t value) {
    return static_cast<int>(std::min<std::uint64_t>(value, INT_MAX));
}

} // namespace

// ---------------------------------------------------------------------------
// Blocks and events

TCommBlock TCommBlock::Copy(const void* data, std::size_t count) {
    TCommBlock block;
    block.Bytes.reset(new std::uint8_t[count + 1]()); // zero-filled
    if (count > 0)
        std::memcpy(block.Bytes.get(), data, count);
    block.Count = count;
    return block;
}

TCommBlock TCommBlock::Text(const std::string& text) {
    return Copy(text.data(), text.size());
}

TCommEvent::TCommEvent(int message, TCommBlock block)
    : QEvent(TypeOf(message)), message_(message), block_(std::move(block)) {}

TCommEvent::~TCommEvent() {
    // Also when Qt drops the event undelivered, its memory was written by the
    // posting thread.
    (void)published_.load(std::memory_order_acquire);
}

const TCommBlock& TCommEvent::Block() const {
    (void)published_.load(std::memory_order_acquire);
    return block_;
}

void TCommEvent::Post(QObject* receiver, int message, TCommBlock block) {
    auto* event = new TCommEvent(message, std::move(block));
    event->published_.store(true, std::memory_order_release);
    QCoreApplication::postEvent(receiver, event);
}

// ---------------------------------------------------------------------------
// Common to both workers

void TCommThread::run() {
    try {
        Body();
    } catch (const std::exception&) {
        // Out of memory deep inside the body: the thread cannot go on.
        PostHangupRequest();
    }
    ended_.store(true, std::memory_order_release);
}

bool TCommThread::ShutdownSignalled() const {
    return Signalled(link_.CloseEvent);
}

void TCommThread::PostHangupRequest() const {
    TCommEvent::Post(link_.RelayWindow, WM_COMM_HANGUP);
}

// ---------------------------------------------------------------------------
// Receive thread

std::string LineErrorReport(std::uint32_t errorFlags) {
    std::string names;
    const auto add = [&names](const char* name) {
        if (!names.empty())
            names += " and ";
        names += name;
    };
    if (errorFlags == 0)
        add("NULL Error");
    if (errorFlags & CE_FRAME)
        add("CE_FRAME");
    if (errorFlags & CE_OVERRUN)
        add("CE_OVERRUN");
    if (errorFlags & CE_RXPARITY)
        add("CE_RXPARITY");
    if (errorFlags & ~(CE_FRAME | CE_OVERRUN | CE_RXPARITY))
        add("EV_ERR Unknown EvtMask");
    return "Comm Event: " + names + ", EvtMask = " + std::to_string(errorFlags);
}

void TReadThread::Body() {
    haveErrorCounts_ = link_.CommFile->LineErrorCounts(errorCounts_);
    WriteTraceLine("Waiting for a CommEvent (Error) to occur.");
    for (bool first = true;; first = false) {
        const ReadEnd end = ReadOnce(first);
        // A read that ends with no byte (nothing arrived within its total
        // time-out) is simply issued again: silence is not a failure.
        if (end == ReadEnd::Shutdown || end == ReadEnd::Failed)
            break;
    }
    WriteTraceLine("Read thread shutting down");
    link_.CommFile->Purge(TPurge::Input);
}

// One read: up to kBufferSize bytes, ended by the interval time-out after the
// first byte, by the total time-out from its issue, by a full buffer, by the
// shut-down or by a failure.
TReadThread::ReadEnd TReadThread::ReadOnce(bool first) {
    using Clock = std::chrono::steady_clock;
    if (ShutdownSignalled()) {
        qDebug("Time to Exit");
        return ReadEnd::Shutdown;
    }
    ISerialPort& port = *link_.CommFile;
    const TCommTimeouts& t = link_.Timeouts;
    const auto issued = Clock::now();
    const auto total = std::chrono::milliseconds(
        std::uint64_t{t.ReadTotalTimeoutMultiplier} * kBufferSize + t.ReadTotalTimeoutConstant);
    const auto interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
    Clock::time_point lastByte = issued;
    count_ = 0;

    // Bytes already waiting are taken at once.
    ssize_t n = port.Read(buffer_, kBufferSize);
    if (n == 0)
        return ReadFailed(EIO, false, first);
    if (n < 0 && errno != EAGAIN && errno != EINTR)
        return ReadFailed(errno, false, first);
    if (n > 0) {
        count_ = static_cast<std::size_t>(n);
        CheckLineErrors();
    }
    if (count_ == kBufferSize) {
        WriteTraceLine("Data waiting for ReadFile: ");
        if (PackReadData(count_))
            return ReadEnd::Data;
        PostHangupRequest();
        if (first)
            TraceLastError(ENOMEM, "Unable to SetupReadEvent: ");
        return ReadEnd::Failed;
    }
    WriteTraceLine("Waiting for data from comm connection.");

    for (;;) {
        const auto now = Clock::now();
        auto deadline = issued + total;
        if (count_ > 0)
            deadline = std::min(deadline, lastByte + interval);
        if (now >= deadline)
            break;
        pollfd fds[2] = {{link_.CloseEvent, POLLIN, 0}, {port.Fd(), POLLIN, 0}};
        const int rc = port.Poll(fds, 2, Milliseconds(deadline - now));
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            if (count_ > 0)
                PackReadData(count_);
            TraceLastError(error, "Read WAIT_FAILED: ");
            PostHangupRequest();
            return ReadEnd::Failed;
        }
        if (fds[0].revents) { // shut-down first, even when bytes are there too
            qDebug("Time to Exit");
            return ReadEnd::Shutdown;
        }
        if (rc == 0 || fds[1].revents == 0)
            continue;
        if (fds[1].revents & POLLNVAL)
            return ReadFailed(EBADF, true, first);
        CheckLineErrors();
        n = port.Read(buffer_ + count_, kBufferSize - count_);
        if (n > 0) {
            count_ += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            if (count_ == kBufferSize)
                break;
            continue;
        }
        if (n == 0) // end of file: the other end hung up
            return ReadFailed(EIO, true, first);
        if (errno == EAGAIN || errno == EINTR) {
            // Readiness without bytes: only a hang-up or an error can keep
            // reporting that, and it must not spin the processor.
            if (fds[1].revents & (POLLHUP | POLLERR))
                return ReadFailed(EIO, true, first);
            continue;
        }
        return ReadFailed(errno, true, first);
    }
    if (count_ == 0)
        return ReadEnd::Nothing;
    if (PackReadData(count_))
        return ReadEnd::Data;
    PostHangupRequest();
    TraceLastError(ENOMEM, "Unable to HandleReadEvent: ");
    return ReadEnd::Failed;
}

// A failed read ends the thread with one hang-up request; the bytes that did
// arrive before it are still handed over.
TReadThread::ReadEnd TReadThread::ReadFailed(int error, bool underWay, bool first) {
    if (count_ > 0)
        PackReadData(count_);
    if (error == EBADF)
        WriteTraceLine(kInvalidHandleLine);
    else
        TraceLastError(error, underWay ? "Unexpected GetOverlappedResult Read Error: "
                                       : "Unexpected ReadFile error: ");
    PostHangupRequest();
    if (underWay)
        TraceLastError(error, "Unable to HandleReadEvent: ");
    else if (first)
        TraceLastError(error, "Unable to SetupReadEvent: ");
    return ReadEnd::Failed;
}

// Line errors arrive with bytes; the driver's counters tell which kinds.
void TReadThread::CheckLineErrors() {
    if (!haveErrorCounts_)
        return;
    TLineErrorCounts now;
    if (!link_.CommFile->LineErrorCounts(now)) {
        haveErrorCounts_ = false;
        return;
    }
    std::uint32_t flags = 0;
    if (now.Frame != errorCounts_.Frame)
        flags |= CE_FRAME;
    if (now.Overrun != errorCounts_.Overrun)
        flags |= CE_OVERRUN;
    if (now.Parity != errorCounts_.Parity)
        flags |= CE_RXPARITY;
    if (now.BufOverrun != errorCounts_.BufOverrun)
        flags |= CE_RXOVER;
    if (now.Break != errorCounts_.Break)
        flags |= CE_BREAK;
    errorCounts_ = now;
    if (flags == 0)
        return;
    TCommEvent::Post(link_.RelayWindow, WM_COMM_DATA, TCommBlock::Text(LineErrorReport(flags)));
    WriteTraceLine("Waiting for a CommEvent (Error) to occur.");
}

bool TReadThread::PackReadData(std::size_t count) {
    WriteTraceLine("Got something from Comm port!!!");
    try {
        TCommEvent::Post(link_.RelayWindow, WM_COMM_DATA, TCommBlock::Copy(buffer_, count));
    } catch (const std::bad_alloc&) {
        TraceLastError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    count_ = 0;
    return true;
}

// ---------------------------------------------------------------------------
// Transmit queue

TWriteQueue::TWriteQueue() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TWriteQueue::~TWriteQueue() {
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

std::uint64_t TWriteQueue::Post(int number, TCommBlock block) {
    std::uint64_t seq = 0;
    {
        std::lock_guard lock(lock_);
        if (!open_)
            return 0;
        seq = ++lastSeq_;
        messages_.push_back(Message{number, std::move(block), seq});
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    return seq;
}

std::optional<TWriteQueue::Message> TWriteQueue::Take() {
    std::lock_guard lock(lock_);
    if (messages_.empty())
        return std::nullopt;
    Message m = std::move(messages_.front());
    messages_.pop_front();
    return m;
}

void TWriteQueue::ClearWake() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &value, sizeof value);
}

void TWriteQueue::Close() {
    std::deque<Message> dropped;
    {
        std::lock_guard lock(lock_);
        open_ = false;
        dropped.swap(messages_);
    }
    changed_.notify_all();
}

void TWriteQueue::ReportDrain(std::uint64_t seq, bool drained) {
    {
        std::lock_guard lock(lock_);
        (drained ? drainedSeq_ : failedSeq_) = seq;
    }
    changed_.notify_all();
}

bool TWriteQueue::WaitDrained(std::uint64_t seq, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(lock_);
    changed_.wait_until(lock, deadline,
                        [&] { return drainedSeq_ >= seq || failedSeq_ >= seq || !open_; });
    return drainedSeq_ >= seq;
}

// ---------------------------------------------------------------------------
// Transmit thread

void TWriteThread::Body() {
    for (;;) {
        std::optional<TWriteQueue::Message> message = queue_->Take();
        if (!message) {
            pollfd fds[2] = {{link_.CloseEvent, POLLIN, 0}, {queue_->WakeFd(), POLLIN, 0}};
            const int rc = link_.CommFile->Poll(fds, 2, -1);
            if (rc < 0) {
                if (errno == EINTR)
                    continue;
                TraceLastError(errno, "Write WAIT_FAILED: ");
                PostHangupRequest();
                break;
            }
            if (fds[0].revents)
                break;
            if (fds[1].revents & POLLIN) {
                queue_->ClearWake();
                continue;
            }
            WriteTraceLine("Unexpected Wait return value " + std::to_string(rc));
            PostHangupRequest();
            break;
        }
        if (ShutdownSignalled())
            break; // the message just taken is not written
        if (message->Number == WM_COMM_WRITE) {
            WriteTraceLine("Writing to comm port");
            const bool written = WriteBlockFully(message->Block.Bytes.get(), message->Block.Count);
            message->Block = {};
            if (!written)
                break;
        } else if (message->Number == WM_COMM_DRAIN) {
            queue_->ReportDrain(message->Seq, link_.CommFile->Drain());
        } else {
            WriteTraceLine("Unexpected message posted to Write thread: " +
                           std::to_string(message->Number));
        }
    }
    WriteTraceLine("Write thread shutting down");
    link_.CommFile->Purge(TPurge::Output);
    queue_->Close();
}

bool TWriteThread::WriteBlockFully(const std::uint8_t* block, std::size_t count) {
    ISerialPort& port = *link_.CommFile;
    const TCommTimeouts& t = link_.Timeouts;
    std::size_t offset = 0;
    bool underWay = false; // the next write continues one that had to wait
    bool hungUp = false;

    const auto failed = [&](int error) {
        if (error == EBADF) {
            WriteTraceLine(kInvalidHandleLine);
            return false;
        }
        TraceLastError(error, underWay ? "Error writing to CommFile while waiting"
                                       : "Error to writing to CommFile");
        WriteTraceLine("Closing TAPI");
        PostHangupRequest();
        return false;
    };

    for (;;) {
        const std::size_t remaining = count - offset;
        const ssize_t n = port.Write(block + offset, remaining);
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
        const int timeout = ClampToInt(std::uint64_t{t.WriteTotalTimeoutMultiplier} * remaining +
                                       t.WriteTotalTimeoutConstant);
        pollfd fds[2] = {{link_.CloseEvent, POLLIN, 0}, {port.Fd(), POLLOUT, 0}};
        const int rc = port.Poll(fds, n == 0 ? 1 : 2, timeout);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            TraceLastError(errno, "Write WAIT_FAILED: ");
            PostHangupRequest();
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
