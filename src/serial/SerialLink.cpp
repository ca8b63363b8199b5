#include "serial/SerialLink.h"

#include "serial/SerialLinkThreads_p.h"
#include "serial/SystemError.h"
#include "serial/TraceLog.h"

#include <QDeadlineTimer>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace tarvex {

// The hidden relay: lives on the link's own thread and turns the workers' posted
// messages into the link's signals, in posting order.
class LinkRelay : public QObject {
public:
    // A child of the link, so that it follows it to another thread.
    explicit LinkRelay(SerialLink* link) : QObject(link), m_link(link) {}

    bool event(QEvent* e) override {
        LinkEvent::acquirePosted(); // before the type is read
        if (e->type() == LinkEvent::typeOf(LinkMessage::Data)) {
            const LinkBlock& block = static_cast<LinkEvent*>(e)->block();
            emit m_link->chunkReceived(QByteArray(reinterpret_cast<const char*>(block.bytes.get()),
                                                  static_cast<qsizetype>(block.count)));
            return true; // the block goes with the event
        }
        if (e->type() == LinkEvent::typeOf(LinkMessage::Hangup)) {
            (void)static_cast<LinkEvent*>(e)->block();
            emit m_link->hangupRequested();
            return true;
        }
        return QObject::event(e);
    }

private:
    SerialLink* m_link;
};

SerialLink::SerialLink(QObject* parent)
    : QObject(parent), m_portOpener(openSerialDevice), m_relay(std::make_unique<LinkRelay>(this)) {
    TraceLog::setName({});
}

SerialLink::~SerialLink() {
    try {
        close();
    } catch (const std::exception&) {
        // The trace file could not be closed; nothing is left to do about it.
    }
    m_relay.reset(); // drops the messages not yet delivered, with their blocks
}

void SerialLink::setTraceFileName(const QString& value) {
    m_traceFileName = value;
    TraceLog::setName(value.toStdString());
}

void SerialLink::setPortOpener(PortOpener opener) {
    m_portOpener = opener ? std::move(opener) : PortOpener(openSerialDevice);
}

const QThread* SerialLink::receiveThread() const {
    return m_receiveThread.get();
}

const QThread* SerialLink::transmitThread() const {
    return m_transmitThread.get();
}

QString SerialLink::lastOpenErrorText() const {
    if (m_lastOpenError == 0)
        return {};
    return QString::fromStdString(systemErrorText(m_lastOpenError).value_or(std::string()));
}

bool SerialLink::open() {
    if (m_open)
        throw SerialError("该串口被占用!");
    m_lastOpenError = 0;
    if (!m_traceFileName.isEmpty())
        TraceLog::open(m_traceFileName.toStdString());

    errno = 0;
    m_port = m_portOpener(m_commPort.toStdString());
    m_open = true;
    if (!m_port) {
        m_lastOpenError = errno != 0 ? errno : EIO;
        throw SerialError("打开串口出错!");
    }
    if (!m_port->isSerialDevice()) {
        m_lastOpenError = ENOTTY;
        throw SerialError("该文件句柄非串口句柄!");
    }

    m_port->applyLineSettings(m_settings);

    m_shutdownFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_shutdownFd < 0) {
        m_lastOpenError = errno;
        TraceLog::writeSystemError(errno, "Unable to CreateEvent: ");
        m_port.reset();
        m_open = false;
        return false;
    }
    m_shutdownSignalled = false;
    const WorkerContext context{m_port.get(), m_shutdownFd, m_relay.get(), m_timeouts};

    try {
        m_receiveThread = std::make_unique<ReceiveThread>(context);
        m_receiveThread->setObjectName(QStringLiteral("ReceiveThread"));
        m_receiveThread->start();
    } catch (const std::exception&) {
        m_receiveThread.reset();
    }
    if (!m_receiveThread || (!m_receiveThread->isRunning() && !m_receiveThread->isFinished())) {
        TraceLog::writeSystemError(errno, "Unable to create Read thread");
        m_receiveThread.reset();
        throw SerialError("不能建立读线程!");
    }
    m_receiveThread->setPriority(QThread::HighestPriority);

    try {
        m_transmitQueue = std::make_shared<TransmitQueue>();
        if (m_transmitQueue->isValid()) {
            m_transmitThread = std::make_unique<TransmitThread>(context, m_transmitQueue);
            m_transmitThread->setObjectName(QStringLiteral("TransmitThread"));
            m_transmitThread->start();
        }
    } catch (const std::exception&) {
        m_transmitThread.reset();
    }
    if (!m_transmitThread || (!m_transmitThread->isRunning() && !m_transmitThread->isFinished())) {
        TraceLog::writeSystemError(errno, "Unable to create Write thread");
        m_transmitThread.reset();
        m_transmitQueue.reset();
        throw SerialError("不能建立写线程!");
    }
    m_transmitThread->setPriority(QThread::HighPriority);
    return true;
}

void SerialLink::signalShutdown() {
    if (m_shutdownSignalled || m_shutdownFd < 0)
        return;
    // Written once and never read: every poll of it sees it signalled.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_shutdownFd, &one, sizeof one);
    m_shutdownSignalled = true;
}

void SerialLink::endReceiveThread() {
    if (!m_receiveThread)
        return;
    TraceLog::writeLine("Closing Read Thread ");
    signalShutdown();
    m_port->purge(SerialPort::Direction::Input);
    if (!m_receiveThread->wait(QDeadlineTimer(10000))) {
        TraceLog::writeLine("Read thread not exiting.  Terminating it.");
        m_receiveThread->wait();
    }
    m_receiveThread->acquireEnd();
    m_receiveThread.reset();
}

void SerialLink::endTransmitThread() {
    if (!m_transmitThread)
        return;
    TraceLog::writeLine("Closing Write Thread");
    signalShutdown();
    m_port->purge(SerialPort::Direction::Output);
    if (!m_transmitThread->wait(QDeadlineTimer(10000))) {
        TraceLog::writeLine("Write thread not exiting.  Terminating it.");
        m_transmitThread->wait();
    }
    m_transmitThread->acquireEnd();
    m_transmitThread.reset();
}

void SerialLink::close() {
    if (!m_open)
        return;
    TraceLog::writeLine("Stopping the Comm");
    endReceiveThread();
    endTransmitThread();
    m_transmitQueue.reset(); // frees the blocks never written
    if (m_shutdownFd >= 0) {
        ::close(m_shutdownFd);
        m_shutdownFd = -1;
    }
    m_port.reset();
    m_open = false;
    if (!m_traceFileName.isEmpty())
        TraceLog::close();
}

bool SerialLink::sendBytes(const void* data, std::uint16_t length) {
    if (!m_transmitThread) {
        TraceLog::writeLine("Write thread not created");
        return false;
    }
    if (!m_transmitQueue->post(LinkMessage::Write, LinkBlock::fromBytes(data, length))) {
        TraceLog::writeLine("Failed to Post to Write thread. ");
        return false;
    }
    return true;
}

bool SerialLink::waitUntilSent(int timeoutMs) {
    if (!m_transmitThread)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::uint64_t seq = m_transmitQueue->post(LinkMessage::Drain, {});
    return seq != 0 && m_transmitQueue->waitDrained(seq, deadline);
}

} // namespace tarvex
