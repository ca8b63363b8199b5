#include "run/LoadRun.h"

#include "run/CrossThread.h"
#include "run/ReadingRecorder.h"
#include "run/SerialLink.h"

#include <QMetaObject>

#include <algorithm>
#include <cstring>

namespace tarvex {

namespace {

// How long the end of the run waits for readings still waiting to be stored.
constexpr int kExitFlushMs = 2000;

LineSettings lineSettingsOf(const LinkSettings& settings) {
    return {settings.baudRate, settings.dataBits, settings.parity, settings.stopBits};
}

QByteArray bytesOf(const DeviceFrame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
}

} // namespace

LoadRun::LoadRun(QObject* parent)
    : QObject(parent), m_link(new SerialLink(this)), m_pollTimer(this), m_reconnectTimer(this),
      m_recorder(new ReadingRecorder) {
    m_link->setObjectName(QStringLiteral("link"));
    m_link->setPortName(m_settings.portName);
    m_link->setLineSettings(lineSettingsOf(m_settings));
    connect(m_link, &SerialLink::chunkReceived, this, &LoadRun::takeChunk);
    connect(m_link, &SerialLink::hangupRequested, this, &LoadRun::handleHangup);

    m_pollTimer.setObjectName(QStringLiteral("pollTimer"));
    connect(&m_pollTimer, &QTimer::timeout, this, &LoadRun::poll);
    m_reconnectTimer.setObjectName(QStringLiteral("reconnectTimer"));
    m_reconnectTimer.setInterval(kReconnectMs);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &LoadRun::tryReconnect);

    // The reading log's writer on a thread of its own: a table that waits
    // for a lock or a disk never holds up a reading or the stop.
    m_storeThread.setObjectName(QStringLiteral("store"));
    m_recorder->setObjectName(QStringLiteral("recorder"));
    m_recorder->moveToThread(&m_storeThread);
    connect(this, &LoadRun::readingToStore, m_recorder, &ReadingRecorder::record);
    // What the writer tells, the run tells the windows.
    connect(m_recorder, &ReadingRecorder::storingDelayed, this, [this](const QString& message) {
        emitAcross(this, &LoadRun::storingDelayed, message);
    });
    connect(m_recorder, &ReadingRecorder::waitingChanged, this,
            [this](int count) { emitAcross(this, &LoadRun::waitingReadingsChanged, count); });
    connect(m_recorder, &ReadingRecorder::backlogWritten, this,
            [this](int count) { emitAcross(this, &LoadRun::waitingReadingsWritten, count); });
    connect(m_recorder, &ReadingRecorder::backlogOverflowed, this, [this](int capacity) {
        emitAcross(this, &LoadRun::waitingReadingsOverflowed, capacity);
    });
    m_storeThread.start();
    m_clock.start();
}

LoadRun::~LoadRun() {
    // What still waits gets one more chance; the writer goes on its own
    // thread, then that thread ends.
    callAndWait(m_recorder, [recorder = m_recorder] {
        recorder->flush(kExitFlushMs);
        delete recorder;
    });
    m_storeThread.quit();
    m_storeThread.wait();
}

LinkSettings LoadRun::settings() const {
    const std::lock_guard lock(m_settingsMutex);
    return m_settings;
}

void LoadRun::attachReadingTable() {
    post(m_recorder, [recorder = m_recorder] { recorder->attachReadingTable(); });
}

void LoadRun::applySettings(const LinkSettings& settings) {
    {
        const std::lock_guard lock(m_settingsMutex);
        m_settings = settings;
    }
    m_pollIntervalMs = settings.pollIntervalMs;
    const int interval = settings.pollIntervalMs;
    post(m_recorder, [recorder = m_recorder, interval] { recorder->setPollInterval(interval); });
    updatePollTimer();

    // New settings replace an open port, and a lost one that is being tried
    // again: one OK is enough.
    m_reconnectTimer.stop();
    m_linkLost = false;
    m_link->close();
    m_link->setPortName(settings.portName);
    m_link->setLineSettings(lineSettingsOf(settings));
    if (openLink()) {
        emitAcross(this, &LoadRun::portOpened);
    } else {
        emitAcross(this, &LoadRun::portOpenFailed, m_link->lastOpenError(),
                   m_link->lastOpenErrorText());
    }
}

// Opens the link with its present settings; a failed open leaves it closed.
bool LoadRun::openLink() {
    m_portOpen = m_link->open();
    m_unansweredPolls = 0;
    setSilent(false);
    return m_portOpen;
}

void LoadRun::sendCommand(ControlMode mode) {
    // The link copies the frame; with no port open the request goes nowhere.
    m_link->sendBytes(bytesOf(makeControlFrame(mode)));
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
        m_unansweredPolls = 0;
        updatePollTimer();
    }
}

void LoadRun::switchLoadOff() {
    m_polling = false;
    updatePollTimer();
    setSilent(false);
    sendCommand(ControlMode::ComputerLoadOff);
}

void LoadRun::setMinimumVoltage(double volts) {
    m_minimumVolts = volts;
}

// Ticks every interval while polling; an interval of 0 stops them (a bare
// QTimer would fire continuously). A new interval restarts the count.
void LoadRun::updatePollTimer() {
    const int interval = m_pollIntervalMs;
    if (m_polling && interval > 0)
        m_pollTimer.start(interval);
    else
        m_pollTimer.stop();
}

void LoadRun::poll() {
    emitAcross(this, &LoadRun::pollSent);
    if (m_portOpen) {
        // Only an open port can stay silent; a lost one says so itself.
        if (m_unansweredPolls >= kSilentPolls)
            setSilent(true);
        ++m_unansweredPolls;
    }
    m_link->sendBytes(bytesOf(makeStatusQuery()));
}

void LoadRun::setSilent(bool silent) {
    if (silent == m_silent)
        return;
    m_silent = silent;
    emitAcross(this, &LoadRun::silenceChanged, silent);
}

void LoadRun::takeChunk(const QByteArray& chunk) {
    const auto length = static_cast<std::size_t>(chunk.size());
    std::memcpy(m_receiveBuffer.data(), chunk.constData(),
                std::min(length, m_receiveBuffer.size()));
    if (length != kFrameSize)
        return;
    const qint64 receivedMs = m_clock.elapsed();
    const LoadReading reading = decodeStatusAnswer(m_receiveBuffer.data());
    m_unansweredPolls = 0;
    setSilent(false);

    // The received millivolts, not the rounded text; equal to the minimum
    // stops the run. The requests go out before anything else happens.
    const bool stop = reading.milliVolts <= m_minimumVolts * 1000.0;
    if (stop) {
        m_polling = false;
        updatePollTimer();
        sendCommand(ControlMode::ComputerLoadOff);
        sendCommand(ControlMode::FrontPanel);
    }
    emitAcross(this, &LoadRun::readingTaken, reading, receivedMs);
    if (stop)
        emitAcross(this, &LoadRun::stoppedAtMinimumVoltage);
    emitAcross(this, &LoadRun::readingToStore, reading, QDateTime::currentDateTime());
}

void LoadRun::handleHangup() {
    if (!m_portOpen)
        return;
    // Closed at once, so that the port can be opened again - by the timer or
    // by the operator's OK.
    m_link->close();
    m_portOpen = false;
    m_linkLost = true;
    setSilent(false);
    m_reconnectTimer.start();
    emitAcross(this, &LoadRun::linkLost, m_link->portName());
}

void LoadRun::tryReconnect() {
    if (!openLink())
        return;
    m_reconnectTimer.stop();
    m_linkLost = false;
    emitAcross(this, &LoadRun::linkBack, m_link->portName());
}

void LoadRun::shutDown() {
    m_reconnectTimer.stop();
    switchLoadOff();
    handToFrontPanel();
    // The last two requests must reach the line before the program ends, or
    // the load could stay on with nobody watching.
    m_link->waitUntilSent(kExitSendTimeoutMs);
}

void LoadRun::finish() {
    m_reconnectTimer.stop();
    m_pollTimer.stop();
    m_link->close();
    m_portOpen = false;
}

} // namespace tarvex
