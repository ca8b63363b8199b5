// The run: everything that drives the load. It owns the serial link and the
// poll timer, sends the control requests, decodes every answer, applies the
// minimum-voltage stop and stores each reading as a row of the reading table.
// Windows only show what it tells them and forward the operator's commands.
#pragma once

#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <memory>

namespace tarvex {

class SerialLink;
class Table;

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
    // off at 300 ms; minimum voltage 0.01 V; readings stored through a table on
    // the reading table once attachReadingTable() has run.
    explicit LoadRun(QObject* parent = nullptr);
    ~LoadRun() override;

    // How long shutDown() waits for its last two requests to leave the port.
    static constexpr int kExitSendTimeoutMs = 2000;

    // The serial link, for diagnostics and tests (a fake port behind it).
    SerialLink* link() const { return m_link; }
    // The table readings are stored through, for tests.
    Table* readingTable() const { return m_readingTable.get(); }
    bool isPolling() const { return m_polling; }
    int pollInterval() const { return m_settings.pollIntervalMs; }
    LinkSettings settings() const { return m_settings; }

public slots:
    // Points the table readings are stored through at the reading table. Until
    // then (the store could not be prepared) every reading fails to be stored.
    void attachReadingTable();
    // Applies the settings and opens the port. Opening a port that is already
    // open fails and leaves it closed (a further call opens it afresh). The
    // new poll interval takes effect at once. Emits portOpened() or
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
    // 26-byte answer is dropped.
    void takeChunk(const QByteArray& chunk);
    // The end of the program: polling stops, the load is switched off and
    // handed back to its front panel, and the call returns once both requests
    // have left the port or kExitSendTimeoutMs has passed.
    void shutDown();

signals:
    void portOpened();
    void portOpenFailed();
    // A status request went out.
    void pollSent();
    // A whole answer was decoded. receivedMs is the monotonic time of its
    // arrival (QElapsedTimer's clock, in milliseconds).
    void readingTaken(const tarvex::LoadReading& reading, qint64 receivedMs);
    // The voltage fell to the minimum: polling has stopped and the load-off
    // and front-panel requests have been sent.
    void stoppedAtMinimumVoltage();
    // A reading could not be stored; message is the engine's.
    void storingFailed(const QString& message);
    // The open port hung up (reported once per open).
    void linkLost(const QString& portName);

private:
    void sendCommand(ControlMode mode);
    void updatePollTimer();
    void storeReading(const LoadReading& reading);
    void stopAtMinimumVoltage();
    void handleHangup();

    SerialLink* m_link;
    QTimer m_pollTimer;
    std::unique_ptr<Table> m_readingTable;
    LinkSettings m_settings;
    bool m_polling = false;
    bool m_portOpen = false;
    bool m_hangupReported = false;
    double m_minimumVolts = 0.01;
    QElapsedTimer m_clock;
    std::array<std::uint8_t, 2048> m_receiveBuffer{};
};

} // namespace tarvex
