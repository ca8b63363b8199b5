#include "serial/SerialLink.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace tarvex {

// The hidden relay: lives on the window thread and turns the workers' posted
// messages into callbacks, in posting order.
class TCommRelay : public QObject {
public:
    // A child of the component, so that it follows it to another thread.
    explicit TCommRelay(TComm32* comm) : QObject(comm), comm_(comm) {}

    bool event(QEvent* e) override {
        if (e->type() == TCommEvent::TypeOf(WM_COMM_DATA)) {
            const TCommBlock& block = static_cast<TCommEvent*>(e)->Block();
            comm_->DoReceiveData(block.Bytes.get(), static_cast<std::uint16_t>(block.Count));
            return true; // the block goes with the event
        }
        if (e->type() == TCommEvent::TypeOf(WM_COMM_HANGUP)) {
            (void)static_cast<TCommEvent*>(e)->Block();
            comm_->DoRequestHangup();
            return true;
        }
        return QObject::event(e);
    }

private:
    TComm32* comm_;
};

TComm32::TComm32(QObject* Owner)
    : QObject(Owner), openPort_(OpenSerialDevice), relay_(std::make_unique<TCommRelay>(this)) {
    SetTraceName({});
}

TComm32::~TComm32() {
    try {
        ClosePort();
    } catch (const std::exception&) {
        // The trace file could not be closed; nothing is left to do about it.
    }
    relay_.reset(); // drops the messages not yet delivered, with their blocks
}

void TComm32::SetCommsLogFileName(const QString& value) {
    commsLogFileName_ = value;
    SetTraceName(value.toStdString());
}

void TComm32::SetPortOpener(TPortOpener opener) {
    openPort_ = opener ? std::move(opener) : TPortOpener(OpenSerialDevice);
}

bool TComm32::OpenPort() {
    if (commFileSet_)
        throw SerialError("该串口被占用!");
    if (!commsLogFileName_.isEmpty())
        OpenTraceFile(commsLogFileName_.toStdString());

    port_ = openPort_(commPort_.toStdString());
    commFileSet_ = true;
    if (!port_)
        throw SerialError("打开串口出错!");
    if (!port_->IsSerialDevice())
        throw SerialError("该文件句柄非串口句柄!");

    port_->ApplyLineSettings(settings_);

    closeEvent_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (closeEvent_ < 0) {
        TraceLastError(errno, "Unable to CreateEvent: ");
        port_.reset();
        commFileSet_ = false;
        return false;
    }
    closeSignalled_ = false;
    const TCommLink link{port_.get(), closeEvent_, relay_.get(), timeouts_};

    try {
        readThread_ = std::make_unique<TReadThread>(link);
        readThread_->setObjectName(QStringLiteral("TReadThread"));
        readThread_->start();
    } catch (const std::exception&) {
        readThread_.reset();
    }
    if (!readThread_ || (!readThread_->isRunning() && !readThread_->isFinished())) {
        TraceLastError(errno, "Unable to create Read thread");
        readThread_.reset();
        throw SerialError("不能建立读线程!");
    }
    readThread_->setPriority(QThread::HighestPriority);

    try {
        writeQueue_ = std::make_shared<TWriteQueue>();
        if (writeQueue_->Valid()) {
            writeThread_ = std::make_unique<TWriteThread>(link, writeQueue_);
            writeThread_->setObjectName(QStringLiteral("TWriteThread"));
            writeThread_->start();
        }
    } catch (const std::exception&) {
        writeThread_.reset();
    }
    if (!writeThread_ || (!writeThread_->isRunning() && !writeThread_->isFinished())) {
        TraceLastError(errno, "Unable to create Write thread");
        writeThread_.reset();
        writeQueue_.reset();
        throw SerialError("不能建立写线程!");
    }
    writeThread_->setPriority(QThread::HighPriority);
    return true;
}

void TComm32::SignalClose() {
    if (closeSignalled_ || closeEvent_ < 0)
        return;
    // Written once and never read: every poll of it sees it signalled.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(closeEvent_, &one, sizeof one);
    closeSignalled_ = true;
}

void TComm32::EndReceiveThread() {
    if (!readThread_)
        return;
    WriteTraceLine("Closing Read Thread ");
    SignalClose();
    port_->Purge(TPurge::Input);
    if (!readThread_->wait(QDeadlineTimer(10000))) {
        WriteTraceLine("Read thread not exiting.  Terminating it.");
        readThread_->wait();
    }
    readThread_->AcquireEnd();
    readThread_.reset();
}

void TComm32::EndTransmitThread() {
    if (!writeThread_)
        return;
    WriteTraceLine("Closing Write Thread");
    SignalClose();
    port_->Purge(TPurge::Output);
    if (!writeThread_->wait(QDeadlineTimer(10000))) {
        WriteTraceLine("Write thread not exiting.  Terminating it.");
        writeThread_->wait();
    }
    writeThread_->AcquireEnd();
    writeThread_.reset();
}

void TComm32::ClosePort() {
    if (!commFileSet_)
        return;
    WriteTraceLine("Stopping the Comm");
    EndReceiveThread();
    EndTransmitThread();
    writeQueue_.reset(); // frees the blocks never written
    if (closeEvent_ >= 0) {
        ::close(closeEvent_);
        closeEvent_ = -1;
    }
    port_.reset();
    commFileSet_ = false;
    if (!commsLogFileName_.isEmpty())
        CloseTraceFile();
}

bool TComm32::SendBytes(const void* Data, std::uint16_t Length) {
    if (!writeThread_) {
        WriteTraceLine("Write thread not created");
        return false;
    }
    if (!writeQueue_->Post(WM_COMM_WRITE, TCommBlock::Copy(Data, Length))) {
        WriteTraceLine("Failed to Post to Write thread. ");
        return false;
    }
    return true;
}

bool TComm32::WaitUntilSent(int timeoutMs) {
    if (!writeThread_)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::uint64_t seq = writeQueue_->Post(WM_COMM_DRAIN, {});
    return seq != 0 && writeQueue_->WaitDrained(seq, deadline);
}

void TComm32::DoReceiveData(const void* Buffer, std::uint16_t BufferLength) {
    if (onReceiveData_)
        onReceiveData_(Buffer, BufferLength);
}

void TComm32::DoRequestHangup() {
    if (onRequestHangup_)
        onRequestHangup_(this);
}

} // namespace tarvex
