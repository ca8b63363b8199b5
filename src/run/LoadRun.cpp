#include "run/LoadRun.h"

#include "serial/SerialLink.h"
#include "store/ReadingTable.h"
#include "store/Table.h"

#include <algorithm>
#include <cstring>

namespace tarvex {

LoadRun::LoadRun(QObject* parent)
    : QObject(parent), m_link(new SerialLink(this)), m_pollTimer(this),
      m_readingTable(std::make_unique<Table>()) {
    m_link->setObjectName(QStringLiteral("link"));
    m_link->setCommPort(m_settings.portName);
    m_link->setBaudRate(m_settings.baudRate);
    m_link->setDataBits(m_settings.dataBits);
    m_link->setParity(m_settings.parity);
    m_link->setStopBits(m_settings.stopBits);
    connect(m_link, &SerialLink::chunkReceived, this, &LoadRun::takeChunk);
    connect(m_link, &SerialLink::hangupRequested, this, &LoadRun::handleHangup);

    m_pollTimer.setObjectName(QStringLiteral("pollTimer"));
    connect(&m_pollTimer, &QTimer::timeout, this, &LoadRun::poll);
    m_clock.start();
}

LoadRun::~LoadRun() = default;

void LoadRun::attachReadingTable() {
    ReadingTable::attach(*m_readingTable);
}

void LoadRun::applySettings(const LinkSettings& settings) {
    m_settings = settings;
    m_link->setCommPort(settings.portName);
    m_link->setBaudRate(settings.baudRate);
    m_link->setDataBits(settings.dataBits);
    m_link->setStopBits(settings.stopBits);
    m_link->setParity(settings.parity);
    updatePollTimer();

    try {
        m_link->open();
        m_portOpen = true;
        m_hangupReported = false;
    } catch (...) {
        // The link's own message is not shown: the window tells which port.
        m_link->close();
        m_portOpen = false;
    }
    if (m_portOpen)
        emit portOpened();
    else
        emit portOpenFailed();
}

void LoadRun::sendCommand(ControlMode mode) {
    // The link copies the frame; with no port open the request goes nowhere.
    const DeviceFrame frame = makeControlFrame(mode);
    m_link->sendBytes(frame.data(), static_cast<std::uint16_t>(frame.size()));
}

void LoadRun::handToComputer() {
    sendCommand(ControlMode::ComputerLoadOff);
}

void LoadRun::handToFrontPanel() {
    sendCommand(ControlMode::FrontPanel);
}

void LoadRun::switchLoadOn() {
    sendCommand(ControlMode::ComputerLoadOn);
    // A timer that runs already goes on undisturbed.
    if (!m_polling) {
        m_polling = true;
        updatePollTimer();
    }
}

void LoadRun::switchLoadOff() {
    m_polling = false;
    updatePollTimer();
    sendCommand(ControlMode::ComputerLoadOff);
}

void LoadRun::setMinimumVoltage(double volts) {
    m_minimumVolts = volts;
}

// Ticks every interval while polling; an interval of 0 stops them (a bare
// QTimer would fire continuously). A new interval restarts the count.
void LoadRun::updatePollTimer() {
    if (m_polling && m_settings.pollIntervalMs > 0)
        m_pollTimer.start(m_settings.pollIntervalMs);
    else
        m_pollTimer.stop();
}

void LoadRun::poll() {
    emit pollSent();
    const DeviceFrame query = makeStatusQuery();
    m_link->sendBytes(query.data(), static_cast<std::uint16_t>(query.size()));
}

void LoadRun::takeChunk(const QByteArray& chunk) {
    const auto length = static_cast<std::size_t>(chunk.size());
    std::memcpy(m_receiveBuffer.data(), chunk.constData(),
                std::min(length, m_receiveBuffer.size()));
    if (length != kFrameSize)
        return;
    const LoadReading reading = decodeStatusAnswer(m_receiveBuffer.data());
    emit readingTaken(reading, m_clock.elapsed());

    // A reading that cannot be stored must not switch the protection off: the
    // minimum-voltage test runs first, then the storing failure is reported.
    QString storingFailure;
    try {
        storeReading(reading);
    } catch (const std::exception& error) {
        storingFailure = QString::fromUtf8(error.what());
    }

    // The received millivolts, not the rounded text; equal to the minimum
    // stops the run.
    if (reading.milliVolts <= m_minimumVolts * 1000.0)
        stopAtMinimumVoltage();

    if (!storingFailure.isNull())
        emit storingFailed(storingFailure);
}

void LoadRun::storeReading(const LoadReading& reading) {
    ReadingTable::appendReading(*m_readingTable, reading);
}

void LoadRun::stopAtMinimumVoltage() {
    m_polling = false;
    updatePollTimer();
    sendCommand(ControlMode::ComputerLoadOff);
    sendCommand(ControlMode::FrontPanel);
    emit stoppedAtMinimumVoltage();
}

void LoadRun::handleHangup() {
    if (!m_link->isOpen() || m_hangupReported)
        return;
    m_hangupReported = true;
    emit linkLost(m_link->commPort());
}

void LoadRun::shutDown() {
    switchLoadOff();
    handToFrontPanel();
    // The last two requests must reach the line before the program ends, or
    // the load could stay on with nobody watching.
    m_link->waitUntilSent(kExitSendTimeoutMs);
}

} // namespace tarvex
