#include "run/SerialLink.h"

#include "run/SerialLink_p.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

namespace tarvex {

// Every line is a debug message, off until a rule turns it on (--trace, or
// QT_LOGGING_RULES="tarvex.link.debug=true").
Q_LOGGING_CATEGORY(linkTrace, "tarvex.link", QtInfoMsg)

namespace {

constexpr QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                             QSerialPort::EvenParity, QSerialPort::MarkParity,
                                             QSerialPort::SpaceParity};
// A terminal has no one and a half stop bits (Qt would make it one): two.
constexpr QSerialPort::StopBits kStopBits[] = {QSerialPort::OneStop, QSerialPort::TwoStop,
                                               QSerialPort::TwoStop};

bool canBeHad(const LineSettings& s) {
    return s.baudRate > 0 && s.baudRate <= INT_MAX && s.dataBits >= 5 && s.dataBits <= 8 &&
           s.parity < std::size(kParities) && s.stopBits < std::size(kStopBits);
}

QString settingsText(const LineSettings& s) {
    static const char* const stopBits[] = {"1", "1.5", "2"};
    return QStringLiteral("%1 %2%3%4")
        .arg(s.baudRate)
        .arg(s.dataBits)
        .arg(QLatin1Char("NOEMS?"[std::min<int>(s.parity, 5)]))
        .arg(QLatin1String(s.stopBits < 3 ? stopBits[s.stopBits] : "?"));
}

// The errno value behind a failed QSerialPort::open(): Qt keeps the text of
// a failed system call as the port's error string. Its own refusals have
// texts of their own: a lock file it could not take is a port in use.
int reasonOf(const QSerialPort& port) {
    const QString text = port.errorString();
    for (int code = 1; code < 256; ++code)
        if (qt_error_string(code) == text)
            return code;
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return ENOENT;
    case QSerialPort::PermissionError:
        return EBUSY;
    case QSerialPort::UnsupportedOperationError:
        return EINVAL;
    default:
        return EIO;
    }
}

QByteArray hexOf(const QByteArray& bytes) {
    return QByteArray::number(bytes.size()) + ": " + bytes.toHex(' ');
}

} // namespace

SerialLink::SerialLink(QObject* parent) : QObject(parent), m_port(this), m_chunkTimer(this) {
    m_port.setObjectName(QStringLiteral("port"));
    m_chunkTimer.setObjectName(QStringLiteral("chunkTimer"));
    m_chunkTimer.setSingleShot(true);
    m_chunkTimer.setTimerType(Qt::PreciseTimer); // a coarse one may fire 5 % late
    m_chunkTimer.setInterval(kChunkGapMs);
    connect(&m_chunkTimer, &QTimer::timeout, this, &SerialLink::endChunk);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::readArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::portError);
}

SerialLink::~SerialLink() {
    blockSignals(true); // whoever listened may be half gone
    close();
}

QString SerialLink::devicePath(const QString& portName) {
    static const QRegularExpression com(QStringLiteral("^com([0-9]{1,6})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(portName);
    if (match.hasMatch() && match.captured(1).toInt() >= 1)
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    return portName;
}

QString SerialLink::lockFilePath(const QString& portName) {
    const QFileInfo device(devicePath(portName));
    QString name = device.exists() ? device.canonicalFilePath() : device.filePath();
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return linkport::lockDirectory() + QStringLiteral("/LCK..") + name;
}

QString SerialLink::lastOpenErrorText() const {
    return m_lastOpenError == 0 ? QString() : qt_error_string(m_lastOpenError);
}

int SerialLink::handle() const {
    return m_open && !m_failed && m_port.isOpen() ? int(m_port.handle()) : -1;
}

bool SerialLink::open() {
    if (m_open && !m_failed)
        return true;
    // A port that failed is given up and its device opened anew.
    close(0);
    m_lastOpenError = 0;
    if (!canBeHad(m_settings))
        return refuseOpen(EINVAL);
    // Qt names its lock file after the path it opens; other programs name
    // theirs after the device.
    const QFileInfo device(devicePath(m_portName));
    const QString path = device.exists() ? device.canonicalFilePath() : device.filePath();
    // Qt takes a lock file that names a live process for stale when that
    // process is not a Qt program of the same name (a terminal program's
    // lock, say) and removes it.
    if (linkport::lockFileHeld(lockFilePath(path)))
        return refuseOpen(EBUSY);
    m_port.setPortName(path);
    m_port.setBaudRate(qint32(m_settings.baudRate));
    m_port.setDataBits(QSerialPort::DataBits(m_settings.dataBits));
    m_port.setParity(kParities[m_settings.parity]);
    m_port.setStopBits(kStopBits[m_settings.stopBits]);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return refuseOpen(reasonOf(m_port));
    // A terminal program may hold the device by flock(2) alone; and TIOCEXCL
    // does not keep out a privileged user, flock does.
    if (!linkport::claimDevice(int(m_port.handle())))
        return refuseOpen(EBUSY);
    m_open = true;
    m_failed = false;
    m_pending.clear();
    qCDebug(linkTrace).noquote() << "open" << m_portName << "as" << path
                                 << settingsText(m_settings);
    return true;
}

bool SerialLink::refuseOpen(int error) {
    if (m_port.isOpen())
        m_port.close();
    m_lastOpenError = error;
    qCDebug(linkTrace).noquote() << "open" << m_portName << settingsText(m_settings)
                                 << "refused:" << qt_error_string(error);
    return false;
}

void SerialLink::close(int drainMs) {
    if (!m_open)
        return;
    if (m_port.isOpen()) {
        // A port that failed takes nothing more.
        if (!m_failed && !waitUntilSent(drainMs))
            qCDebug(linkTrace) << "close: not all sent within" << drainMs << "ms,"
                               << m_port.bytesToWrite() << "bytes dropped";
        m_port.close();
    }
    m_chunkTimer.stop();
    m_pending.clear();
    m_open = false;
    m_failed = false;
    qCDebug(linkTrace).noquote() << "close" << m_portName;
}

bool SerialLink::sendBytes(const QByteArray& bytes) {
    if (!m_open || m_failed)
        return false;
    qCDebug(linkTrace).noquote() << "out" << hexOf(bytes);
    return m_port.write(bytes) == bytes.size();
}

bool SerialLink::waitUntilSent(int timeoutMs) {
    if (!m_open || m_failed)
        return false;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    // Qt's buffer: its waits also read, so chunks may be delivered meanwhile.
    while (m_port.bytesToWrite() > 0) {
        if (m_failed || deadline.hasExpired())
            return false;
        m_port.waitForBytesWritten(int(deadline.remainingTime()));
    }
    // The driver's queue: asked again between short sleeps.
    for (;;) {
        if (m_failed)
            return false;
        const int pending = linkport::outputPending(int(m_port.handle()));
        if (pending == 0)
            return true;
        if (pending < 0 || deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
}

void SerialLink::readArrived() {
    m_pending += m_port.readAll();
    while (m_pending.size() >= kMaxChunk) {
        const QByteArray full = m_pending.first(kMaxChunk);
        m_pending.remove(0, kMaxChunk);
        deliver(full);
        if (!m_open)
            return; // closed by a receiver
    }
    if (m_pending.isEmpty())
        m_chunkTimer.stop();
    else
        m_chunkTimer.start();
}

void SerialLink::endChunk() {
    if (!m_pending.isEmpty())
        deliver(std::exchange(m_pending, QByteArray()));
}

void SerialLink::deliver(const QByteArray& chunk) {
    qCDebug(linkTrace).noquote() << "in " << hexOf(chunk);
    emit chunkReceived(chunk);
}

void SerialLink::portError(QSerialPort::SerialPortError error) {
    // Time-outs of Qt's waits, and refusals while opening, are no failure of
    // an open port.
    const bool failure = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                         error == QSerialPort::WriteError;
    if (!failure || !m_open || m_failed)
        return;
    // Qt goes on reporting a port whose other end has gone; the port is
    // closed from a clean stack, once.
    m_failed = true;
    qCDebug(linkTrace).noquote() << "port" << m_portName << "failed:" << m_port.errorString();
    QMetaObject::invokeMethod(this, &SerialLink::hangUp, Qt::QueuedConnection);
}

void SerialLink::hangUp() {
    if (!m_open || !m_failed || !m_port.isOpen())
        return; // closed (and perhaps opened again) meanwhile
    m_port.close();
    m_chunkTimer.stop();
    // The end of the line ends the chunk it was in.
    endChunk();
    if (!m_open)
        return;
    qCDebug(linkTrace).noquote() << "hang-up" << m_portName;
    emit hangupRequested();
}

} // namespace tarvex
