// The serial link to the load: one QSerialPort, opened exclusively, raw, with
// no flow control, and the cutting of what arrives into chunks.
//
// Thread: the link lives on the run's thread (a child of the run) and is used
// from that thread only; its signals are emitted there. Nothing in it waits
// for another thread.
#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace tarvex {

// The link's trace ("tarvex.link"): opens, closes, hang-ups and errors, and
// the hex of every frame that goes out and every chunk that comes in, all as
// debug messages. Off unless a logging rule turns it on (the program's
// --trace FILE does); the hex is only made while it is on.
Q_DECLARE_LOGGING_CATEGORY(linkTrace)

// The line settings of the port settings dialog, as numbers.
struct LineSettings {
    quint32 baudRate = 9600;
    quint8 dataBits = 8; // 5 to 8
    quint8 parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    quint8 stopBits = 0; // 0 one, 1 one and a half (taken as two), 2 two
};

class SerialLink : public QObject {
    Q_OBJECT

public:
    // Port "COM1", 9600 bit/s, 8 data bits, no parity, one stop bit; closed.
    explicit SerialLink(QObject* parent = nullptr);
    // Closes the port (draining it, bounded by kDrainMs).
    ~SerialLink() override;

    // A pause longer than this between arriving bytes ends a chunk.
    static constexpr int kChunkGapMs = 60;
    // A chunk that reaches this size is delivered at once.
    static constexpr int kMaxChunk = 2048;
    // How long close() waits by default for what is still queued.
    static constexpr int kDrainMs = 2000;

    // The device a port name opens: "COM" and a number n >= 1, in any letter
    // case, is /dev/ttyS<n-1>; any other name (/dev/ttyUSB0, a
    // /dev/serial/by-id link, a pseudo-terminal's path) is used as given.
    static QString devicePath(const QString& portName);
    // The lock file that tells other programs the port's device (links
    // followed) is in use: LCK..<name> in the system's lock directory,
    // <name> being the device's path under /dev with "/" turned into "_"
    // (/var/lock/LCK..ttyUSB0 for /dev/ttyUSB0 or a link to it).
    static QString lockFilePath(const QString& portName);

    // Take effect at the next open().
    QString portName() const { return m_portName; }
    void setPortName(const QString& portName) { m_portName = portName; }
    LineSettings lineSettings() const { return m_settings; }
    void setLineSettings(const LineSettings& settings) { m_settings = settings; }

    // Opens the port for this program alone: a device another program holds
    // is refused - by its lock file (a live process's, in the usual forms; a
    // stale one is removed), by an flock(2) on it, or by its exclusive mode
    // (TIOCEXCL) - and while it is open it carries our lock file, flock and
    // exclusive mode. Raw bytes, the line settings, no flow control of
    // either kind (a plain three-wire link). True when the port is open (also
    // when it was open already: it is left as it is; a port that has hung up
    // is closed and its device opened anew). False on any failure -
    // no such device, no permission, in use, not a serial port, a setting
    // refused - with the port closed again; lastOpenError() tells why.
    bool open();
    // Writes out what is still queued, waiting at most drainMs (see
    // waitUntilSent), then closes the port and drops bytes not yet made into
    // a chunk. Does nothing when closed.
    void close(int drainMs = kDrainMs);
    // True from a successful open() until close(), also after a hang-up.
    bool isOpen() const { return m_open; }

    // Queues the bytes for the line and returns at once; false when no port
    // is open (or it has hung up). Frames leave whole and in call order.
    bool sendBytes(const QByteArray& bytes);
    // Blocks the calling (the link's) thread until every byte handed to
    // sendBytes has left the port - Qt's buffer and the driver's output queue
    // - but at most timeoutMs. False on time-out, with no port open, after a
    // hang-up, or when the driver cannot tell its queue. Chunks that arrive
    // meanwhile are delivered during the wait.
    bool waitUntilSent(int timeoutMs);

    // The open port's file descriptor (the device itself); -1 when closed or
    // hung up. Valid until close(); whoever duplicates it keeps the device.
    int handle() const;

    // Why the last failed open() failed, as an errno value: EBUSY (another
    // program or link holds the port), EACCES or EPERM (no permission: the
    // group dialout), ENOENT (no such device), ENOTTY (not a serial port),
    // EINVAL (a line setting that cannot be had), or another system reason;
    // 0 after a successful open() and before any.
    int lastOpenError() const { return m_lastOpenError; }
    // The system's text for lastOpenError(); empty when that is 0.
    QString lastOpenErrorText() const;

signals:
    // Bytes that arrived without a pause of more than kChunkGapMs, at most
    // kMaxChunk of them (a full chunk is delivered at once, the rest begins
    // the next one). Emitted on the link's thread; chunks come in order and
    // together hold every byte received while the port was open.
    void chunkReceived(const QByteArray& chunk);
    // The open port failed (a USB adapter pulled, the other end of a
    // pseudo-terminal closed, a read or write refused). Emitted once per
    // open, on the link's thread, after the bytes received before it. The
    // port is closed by then, but the link stays open (isOpen(), nothing is
    // sent) until close().
    void hangupRequested();

private:
    void readArrived();
    void endChunk();
    void deliver(const QByteArray& chunk);
    void portError(QSerialPort::SerialPortError error);
    void hangUp();
    bool refuseOpen(int error);

    QString m_portName = QStringLiteral("COM1");
    LineSettings m_settings;
    QSerialPort m_port;
    QTimer m_chunkTimer;
    QByteArray m_pending; // received, not yet a chunk
    bool m_open = false;
    bool m_failed = false; // the port failed; the hang-up is on its way
    int m_lastOpenError = 0;
};

} // namespace tarvex
