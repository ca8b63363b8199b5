// The serial link to the load: owns one serial port, runs a receive thread
// and a transmit thread while the port is open, hands frames to the transmit
// thread and delivers received chunks, line-error reports and hang-up
// requests on its own thread (the one it lives on: the run's thread in the
// program) through its signals.
#pragma once

#include "errors/Errors.h"
#include "serial/SerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QThread;

namespace tarvex {

// Opens a port by name; the default is openSerialDevice. Null with errno
// when the port cannot be opened. Tests put a fake port behind the link with
// it.
using PortOpener = std::function<std::unique_ptr<SerialPort>(const std::string& portName)>;

class LinkRelay;
class ReceiveThread;
class TransmitQueue;
class TransmitThread;

class SerialLink : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString commPort READ commPort WRITE setCommPort)
    Q_PROPERTY(quint32 baudRate READ baudRate WRITE setBaudRate)
    Q_PROPERTY(quint8 dataBits READ dataBits WRITE setDataBits)
    Q_PROPERTY(quint8 parity READ parity WRITE setParity)
    Q_PROPERTY(quint8 stopBits READ stopBits WRITE setStopBits)
    Q_PROPERTY(QString traceFileName READ traceFileName WRITE setTraceFileName)

public:
    // Port "COM1", 9600 bit/s, 8 data bits, no parity, one stop bit, no
    // trace. Its signals are emitted on the thread it lives on (its own
    // thread); use it from that thread only.
    explicit SerialLink(QObject* parent = nullptr);
    // Closes the port if it is still open.
    ~SerialLink() override;

    QString commPort() const { return m_commPort; }
    void setCommPort(const QString& value) { m_commPort = value; }
    quint32 baudRate() const { return m_settings.baudRate; }
    void setBaudRate(quint32 value) { m_settings.baudRate = value; }
    // Data bits per character.
    quint8 dataBits() const { return m_settings.dataBits; }
    void setDataBits(quint8 value) { m_settings.dataBits = value; }
    // 0 none, 1 odd, 2 even, 3 mark, 4 space.
    quint8 parity() const { return m_settings.parity; }
    void setParity(quint8 value) { m_settings.parity = value; }
    // 0 one, 1 one and a half, 2 two.
    quint8 stopBits() const { return m_settings.stopBits; }
    void setStopBits(quint8 value) { m_settings.stopBits = value; }
    // The trace file; empty means no trace. Setting it also sets the
    // process-wide trace name shared by every link.
    QString traceFileName() const { return m_traceFileName; }
    void setTraceFileName(const QString& value);

    // Opens the port and starts both threads. True when both run; false when
    // the shut-down event cannot be created. Throws SerialError:
    // "该串口被占用!" when the link is not closed (also after a failed open:
    // call close() first), "打开串口出错!" when the port cannot be opened or
    // is in use (another program's lock file counts: see SerialPortLock),
    // "该文件句柄非串口句柄!" when the device is not a serial port (for both,
    // lastOpenError() tells the system's reason),
    // "不能建立读线程!" / "不能建立写线程!" when a thread cannot be started;
    // TraceFileError when the trace file cannot be created. After any
    // exception the caller calls close().
    bool open();
    // Stops both threads, closes the port and the trace file. Does nothing
    // when closed. Chunks posted before the close are still delivered.
    void close();
    // Hands a copy of length bytes to the transmit thread and returns at
    // once; false when no transmit thread takes it (closed, or the thread has
    // ended). Frames reach the line whole and in call order.
    bool sendBytes(const void* data, std::uint16_t length);
    // Waits until every frame handed to sendBytes so far has left the port.
    // False on time-out, with no port open, or when the transmit thread has
    // ended. Blocks the calling (the link's) thread for at most timeoutMs; a port
    // that never drains does not hold up a close() after it either.
    bool waitUntilSent(int timeoutMs);

    // True from a successful (or half-failed) open() until close().
    bool isOpen() const { return m_open; }
    // The open port's descriptor (for the run's guard process); -1 when
    // closed.
    int handle() const { return m_port ? m_port->fd() : -1; }
    // Why the last open() could not open the port, as the system said it
    // (an errno value), for telling the operator what to do: EBUSY when
    // another program or link holds the port (its lock file or exclusive
    // use), EACCES when the user may not open it, ENOENT when there is no
    // such device, ENOTTY when the device is not a serial port; 0 when the
    // last open() opened the port, failed for another reason, or none was
    // made. An open() refused because the link is not closed leaves it as
    // it was. Valid until the next open().
    int lastOpenError() const { return m_lastOpenError; }
    // The system's text for lastOpenError(); empty when that is 0.
    QString lastOpenErrorText() const;
    // The worker thread objects while the port is open, else null; for
    // diagnostics and tests.
    const QThread* receiveThread() const;
    const QThread* transmitThread() const;

    // Test seams; the program never calls them. The time-outs take effect at
    // the next open().
    SerialTimeouts timeouts() const { return m_timeouts; }
    void setTimeouts(const SerialTimeouts& timeouts) { m_timeouts = timeouts; }
    // Null restores openSerialDevice.
    void setPortOpener(PortOpener opener);

signals:
    // Emitted on the link's own thread once per received chunk (1 to 2048
    // bytes) and once per line-error report, in the order they arrived.
    // chunk.constData() has a zero byte behind its size() bytes.
    void chunkReceived(const QByteArray& chunk);
    // Emitted on the link's own thread when a worker thread has ended on a
    // failure of the port (the device went away, a call failed). The link
    // stays open until close().
    void hangupRequested();

private:
    void endReceiveThread();
    void endTransmitThread();
    void signalShutdown();

    QString m_commPort = QStringLiteral("COM1");
    LineSettings m_settings;
    QString m_traceFileName;
    SerialTimeouts m_timeouts;
    PortOpener m_portOpener;

    bool m_open = false;
    int m_lastOpenError = 0;
    std::unique_ptr<SerialPort> m_port; // null after a failed open
    int m_shutdownFd = -1;              // eventfd both workers poll
    bool m_shutdownSignalled = false;
    std::shared_ptr<TransmitQueue> m_transmitQueue;
    std::unique_ptr<ReceiveThread> m_receiveThread;
    std::unique_ptr<TransmitThread> m_transmitThread;
    std::unique_ptr<LinkRelay> m_relay;
};

} // namespace tarvex
