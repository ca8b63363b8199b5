// The run: everything that drives the load. It owns the serial link and the
// poll timer, sends the control requests, decodes every answer, applies the
// minimum-voltage stop and hands each reading to the reading log's writer.
// Windows only show what it tells them and forward the operator's commands.
//
// Threads. The run lives on a thread of its own (move it there after
// creating it); its slots are called through queued connections and its
// signals reach the windows queued. The link's signals are emitted on the
// run's thread, so the stop never waits for a window, a message box, the table
// or an office. Storing happens on a further thread (ReadingRecorder), owned
// by the run. The accessors marked "any thread" may be read from anywhere.
#pragma once

#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/CrossThread.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace tarvex {

class ReadingRecorder;
class SerialLink;

// The line settings and poll interval of one "Setting -> OK", as numbers.
struct LinkSettings {
    QString portName = QStringLiteral("COM2");
    quint32 baudRate = 9600;
    quint8 dataBits = 8;
    quint8 parity = 0;
    quint8 stopBits = 0;
    int pollIntervalMs = 300;
};

class LoadRun : public QObject {
    Q_OBJECT

public:
    // Port "COM2" at 9600 bit/s, 8 data bits, no parity, one stop bit; polling
    // off at 300 ms; minimum voltage 0.01 V. Readings are stored once
    // attachReadingTable() has run.
    explicit LoadRun(QObject* parent = nullptr);
    // Ends the storing thread; readings still waiting are tried once more.
    ~LoadRun() override;

    // How long shutDown() waits for its last two requests to leave the port.
    static constexpr int kExitSendTimeoutMs = 2000;
    // After a hang-up the port is tried again this often.
    static constexpr int kReconnectMs = 1000;
    // Polls without a whole answer before the run says the load is silent.
    static constexpr int kSilentPolls = 3;

    // The serial link (lives on the run's thread), for tests.
    SerialLink* link() const { return m_link; }
    // The reading log's writer (lives on its own thread), for tests.
    ReadingRecorder* recorder() const { return m_recorder; }

    // Any thread.
    bool isPolling() const { return m_polling.load(); }
    int pollInterval() const { return m_pollIntervalMs.load(); }
    bool isPortOpen() const { return m_portOpen.load(); }
    bool isLinkLost() const { return m_linkLost.load(); }
    LinkSettings settings() const;

public slots:
    // Points the reading log at the reading table (after the store set-up).
    void attachReadingTable();
    // Applies the settings and opens the port; a port already open (or lost)
    // is closed first and opened again with them. The new poll interval takes
    // effect at once; polling goes on if it was on. Emits portOpened() or
    // portOpenFailed().
    void applySettings(const tarvex::LinkSettings& settings);
    // The set-control-mode requests: computer control with the input off,
    // front-panel control, input on (polling starts), input off (polling
    // stops first).
    void handToComputer();
    void handToFrontPanel();
    void switchLoadOn();
    void switchLoadOff();
    // The last applied value of the minimum-voltage field, in volts.
    void setMinimumVoltage(double volts);
    // Sends one read-status request now (what every tick of the poll timer
    // does). Emits pollSent().
    void poll();
    // One chunk of bytes as the link delivers it: anything but a whole
    // 26-byte answer is dropped. For a whole answer, in this order: the
    // minimum-voltage test (and the stop's requests if it trips), the reading
    // to the windows, the reading to the log.
    void takeChunk(const QByteArray& chunk);
    // The end of the program: polling stops, the load is switched off and
    // handed back to its front panel, and the call returns once both requests
    // have left the port or kExitSendTimeoutMs has passed.
    void shutDown();
    // Stops the timers and closes the port, without a request to the load:
    // the last call before the run's thread ends.
    void finish();

signals:
    void portOpened();
    // errorCode and reason: the system's (an errno value and its text; 0 and
    // empty when unknown).
    void portOpenFailed(int errorCode, const QString& reason);
    // A status request went out.
    void pollSent();
    // A whole answer was decoded. receivedMs is the monotonic time of its
    // arrival (QElapsedTimer's clock, in milliseconds).
    void readingTaken(const tarvex::LoadReading& reading, qint64 receivedMs);
    // The voltage fell to the minimum: polling has stopped and the load-off
    // and front-panel requests have been sent.
    void stoppedAtMinimumVoltage();
    // The open port hung up: it is closed and tried again every second.
    // Told once per loss.
    void linkLost(const QString& portName);
    // The lost port opened again; polling (if it was on) and the protection
    // go on.
    void linkBack(const QString& portName);
    // True once kSilentPolls polls in a row went without a whole answer;
    // false when one comes again (or polling stops).
    void silenceChanged(bool silent);
    // From the reading log's writer: readings wait for the table, how many
    // wait, all of them written, the oldest dropped.
    void storingDelayed(const QString& message);
    void waitingReadingsChanged(int count);
    void waitingReadingsWritten(int count);
    void waitingReadingsOverflowed(int capacity);
    // To the writer's thread.
    void readingToStore(const tarvex::LoadReading& reading, const QDateTime& takenAt);

private:
    void sendCommand(ControlMode mode);
    void updatePollTimer();
    bool openLink();
    void handleHangup();
    void tryReconnect();
    void setSilent(bool silent);

    SerialLink* m_link;
    QTimer m_pollTimer;
    QTimer m_reconnectTimer;
    QThread m_storeThread;
    ReadingRecorder* m_recorder;

    mutable std::mutex m_settingsMutex; // a lock ThreadSanitizer sees
    LinkSettings m_settings;
    std::atomic<bool> m_polling{false};
    std::atomic<int> m_pollIntervalMs{300};
    std::atomic<bool> m_portOpen{false};
    std::atomic<bool> m_linkLost{false};
    double m_minimumVolts = 0.01;
    int m_unansweredPolls = 0;
    bool m_silent = false;
    QElapsedTimer m_clock;
    std::array<std::uint8_t, 2048> m_receiveBuffer{};
};

} // namespace tarvex
