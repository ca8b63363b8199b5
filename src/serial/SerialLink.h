// The serial port component: owns one serial port, runs a receive thread and
// a transmit thread while the port is open, hands frames to the transmit
// thread and delivers received chunks, line-error reports and hang-up
// requests on the window thread through its callbacks.
#pragma once

#include "errors/Errors.h"
#include "serial/SerialLinkThreads_p.h"
#include "serial/TraceLog.h"
#include "serial/SerialPort.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace tarvex {

// Called on the window thread once per received chunk (1 to 2048 bytes) and
// once per line-error report. Buffer holds BufferLength bytes and a zero byte
// behind them; it is valid only during the call.
using TReceiveDataEvent = std::function<void(const void* Buffer, std::uint16_t BufferLength)>;
// Sender is the component.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// Opens a port by name; the default is OpenSerialDevice. Tests put a fake
// port behind the component with it.
using TPortOpener = std::function<std::unique_ptr<ISerialPort>(const std::string& portName)>;

class TCommRelay;

class TComm32 : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString CommPort READ CommPort WRITE SetCommPort)
    Q_PROPERTY(quint32 BaudRate READ BaudRate WRITE SetBaudRate)
    Q_PROPERTY(quint8 ByteSize READ ByteSize WRITE SetByteSize)
    Q_PROPERTY(quint8 Parity READ Parity WRITE SetParity)
    Q_PROPERTY(quint8 StopBits READ StopBits WRITE SetStopBits)
    Q_PROPERTY(QString CommsLogFileName READ CommsLogFileName WRITE SetCommsLogFileName)

public:
    // CommPort "COM1", 9600 bit/s, 8 data bits, no parity, one stop bit, no
    // trace. Create it on the window thread: callbacks run there.
    explicit TComm32(QObject* Owner = nullptr);
    // Closes the port if it is still open.
    ~TComm32() override;

    QString CommPort() const { return commPort_; }
    void SetCommPort(const QString& value) { commPort_ = value; }
    quint32 BaudRate() const { return settings_.BaudRate; }
    void SetBaudRate(quint32 value) { settings_.BaudRate = value; }
    // Data bits per character.
    quint8 ByteSize() const { return settings_.ByteSize; }
    void SetByteSize(quint8 value) { settings_.ByteSize = value; }
    // 0 none, 1 odd, 2 even, 3 mark, 4 space.
    quint8 Parity() const { return settings_.Parity; }
    void SetParity(quint8 value) { settings_.Parity = value; }
    // 0 one, 1 one and a half, 2 two.
    quint8 StopBits() const { return settings_.StopBits; }
    void SetStopBits(quint8 value) { settings_.StopBits = value; }
    // The trace file; empty means no trace. Setting it also sets the
    // process-wide trace name shared by every component.
    QString CommsLogFileName() const { return commsLogFileName_; }
    void SetCommsLogFileName(const QString& value);

    const TReceiveDataEvent& OnReceiveData() const { return onReceiveData_; }
    void SetOnReceiveData(TReceiveDataEvent handler) { onReceiveData_ = std::move(handler); }
    const TNotifyEvent& OnRequestHangup() const { return onRequestHangup_; }
    void SetOnRequestHangup(TNotifyEvent handler) { onRequestHangup_ = std::move(handler); }

    // Opens the port and starts both threads. True when both run; false when
    // the shut-down event cannot be created. Throws SerialError:
    // "该串口被占用!" when the component is not closed (also after a failed
    // open: call ClosePort first), "打开串口出错!" when the port cannot be
    // opened or is in use, "该文件句柄非串口句柄!" when the device is not a
    // serial port, "不能建立读线程!" / "不能建立写线程!" when a thread cannot
    // be started; TraceFileError when the trace file cannot be created. After any
    // exception the caller calls ClosePort.
    bool OpenPort();
    // Stops both threads, closes the port and the trace file. Does nothing
    // when closed. Chunks posted before the close are still delivered.
    void ClosePort();
    // Hands a copy of Length bytes to the transmit thread and returns at once;
    // false when no transmit thread takes it (closed, or the thread has
    // ended). Frames reach the line whole and in call order.
    bool SendBytes(const void* Data, std::uint16_t Length);
    // Waits until every frame handed to SendBytes so far has left the port.
    // False on time-out, with no port open, or when the transmit thread has
    // ended. Blocks the calling (window) thread for at most timeoutMs.
    bool WaitUntilSent(int timeoutMs);

    // True from a successful (or half-failed) OpenPort until ClosePort.
    bool IsOpen() const { return commFileSet_; }
    // The worker thread objects, or null; for diagnostics and tests.
    const QThread* ReadThread() const { return readThread_.get(); }
    const QThread* WriteThread() const { return writeThread_.get(); }

    // Test seams; the program never calls them. The time-outs take effect at
    // the next OpenPort.
    TCommTimeouts Timeouts() const { return timeouts_; }
    void SetTimeouts(const TCommTimeouts& timeouts) { timeouts_ = timeouts; }
    void SetPortOpener(TPortOpener opener);

private:
    friend class TCommRelay;
    void DoReceiveData(const void* Buffer, std::uint16_t BufferLength);
    void DoRequestHangup();
    void EndReceiveThread();
    void EndTransmitThread();
    void SignalClose();

    QString commPort_ = QStringLiteral("COM1");
    TLineSettings settings_;
    QString commsLogFileName_;
    TReceiveDataEvent onReceiveData_;
    TNotifyEvent onRequestHangup_;
    TCommTimeouts timeouts_;
    TPortOpener openPort_;

    bool commFileSet_ = false;          // CommFile not zero
    std::unique_ptr<ISerialPort> port_; // null after a failed open
    int closeEvent_ = -1;
    bool closeSignalled_ = false;
    std::shared_ptr<TWriteQueue> writeQueue_;
    std::unique_ptr<TReadThread> readThread_;
    std::unique_ptr<TWriteThread> writeThread_;
    std::unique_ptr<TCommRelay> relay_;
};

} // namespace tarvex
