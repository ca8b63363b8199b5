#include "run/LoadRun.h"

#include "run/CrossThread.h"
#include "run/PollInterval.h"
#include "run/ReadingRecorder.h"
#include "run/SerialLink.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
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

bool sameLine(const LinkSettings& a, const LinkSettings& b) {
    return a.portName == b.portName && a.baudRate == b.baudRate && a.dataBits == b.dataBits &&
           a.parity == b.parity && a.stopBits == b.stopBits;
}

QString loadMayStillBeOnText(const QString& portName) {
    return LoadRun::tr("The load on %1 may still be on: the requests that switch it off could "
                       "not reach it (the connection to it is lost). Switch it off at the "
                       "load.")
        .arg(portName);
}

LoadRun::LoadRun(QObject* parent)
    : QObject(parent), m_link(new SerialLink(this)), m_pollTimer(this), m_reconnectTimer(this),
      m_silenceTimer(this), m_stopAnswerTimer(this), m_recorder(new ReadingRecorder) {
    m_link->setObjectName(QStringLiteral("link"));
    configureLink(m_settings);
    connect(m_link, &SerialLink::chunkReceived, this, &LoadRun::takeChunk);
    connect(m_link, &SerialLink::hangupRequested, this, &LoadRun::handleHangup);

    m_pollTimer.setObjectName(QStringLiteral("pollTimer"));
    connect(&m_pollTimer, &QTimer::timeout, this, &LoadRun::poll);
    m_reconnectTimer.setObjectName(QStringLiteral("reconnectTimer"));
    m_reconnectTimer.setInterval(kReconnectMs);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &LoadRun::tryReconnect);
    m_silenceTimer.setObjectName(QStringLiteral("silenceTimer"));
    m_silenceTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early or late: half a second of a 10 s
    // limit, more than a poll interval.
    m_silenceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_silenceTimer, &QTimer::timeout, this, &LoadRun::silenceLimitReached);
    m_stopAnswerTimer.setObjectName(QStringLiteral("stopAnswerTimer"));
    m_stopAnswerTimer.setSingleShot(true);
    m_stopAnswerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_stopAnswerTimer, &QTimer::timeout, this, &LoadRun::stopAnswerMissing);

    // The reading log's writer on a thread of its own: a table that waits
    // for a lock or a disk never holds up a reading or the stop.
    m_storeThread.setObjectName(QStringLiteral("store"));
    m_recorder->setObjectName(QStringLiteral("recorder"));
    m_recorder->moveToThread(&m_storeThread);
    // Called on the run's thread: the reading joins the writer's wait list
    // at once, so that the list's bound counts every reading not yet stored.
    connect(this, &LoadRun::readingToStore, m_recorder, &ReadingRecorder::record,
            Qt::DirectConnection);
    // What the writer tells, the run tells the windows.
    connect(m_recorder, &ReadingRecorder::storingDelayed, this, [this](const QString& message) {
        emitAcross(this, &LoadRun::storingDelayed, message);
    });
    connect(m_recorder, &ReadingRecorder::waitingChanged, this,
            [this](int count) { emitAcross(this, &LoadRun::waitingReadingsChanged, count); });
    connect(m_recorder, &ReadingRecorder::backlogWritten, this,
            [this](int count) { emitAcross(this, &LoadRun::waitingReadingsWritten, count); });
    // The table has the run: its RunID.
    connect(m_recorder, &ReadingRecorder::runBegun, this, [this](qint64 startedAtMs, qint64 id) {
        if (!m_run || m_run->startedAt.toMSecsSinceEpoch() != startedAtMs)
            return;
        m_runId = id;
        emitAcross(this, &LoadRun::runStarted, id);
    });
    connect(m_recorder, &ReadingRecorder::backlogOverflowed, this, [this](int capacity) {
        emitAcross(this, &LoadRun::waitingReadingsOverflowed, capacity);
    });
    m_storeThread.start();
    m_clock.start();
}

LoadRun::~LoadRun() {
    // What still waits gets one more chance, until kExitFlushMs from now
    // (a statement the writer is in at this moment is broken off then);
    // what is left stays in the journal for the next start. The writer goes
    // on its own thread, then that thread ends.
    const QDeadlineTimer deadline(kExitFlushMs);
    m_recorder->finishBy(deadline);
    callAndWait(m_recorder, [recorder = m_recorder, deadline] {
        recorder->flush(deadline);
        delete recorder;
    });
    m_storeThread.quit();
    m_storeThread.wait();
}

void LoadRun::endStoringForExit() {
    const QDeadlineTimer deadline(kExitFlushMs);
    m_recorder->finishBy(deadline);
    // Queued behind the run's end the recorder was handed by shutDown().
    callAndWaitFor(m_recorder, kExitFlushMs + 1000,
                   [recorder = m_recorder, deadline] { recorder->flush(deadline); });
    m_storeThread.quit();
    m_storeThread.wait(QDeadlineTimer(kExitFlushMs));
}

LinkSettings LoadRun::settings() const {
    const std::lock_guard lock(m_settingsMutex);
    return m_settings;
}

QString LoadRun::portName() const {
    return settings().portName;
}

void LoadRun::setGuardEnabled(bool enabled) {
    m_guardEnabled = enabled;
    if (!enabled)
        disarmGuard();
}

void LoadRun::attachReadingTable() {
    post(m_recorder, [recorder = m_recorder] { recorder->attachReadingTable(); });
}

// --- The link --------------------------------------------------------------

void LoadRun::configureLink(const LinkSettings& settings) {
    m_link->setPortName(settings.portName);
    m_link->setLineSettings(lineSettingsOf(settings));
}

// Opens the link with its present settings; a failed open leaves it closed.
bool LoadRun::openLink() {
    m_portOpen = m_link->open();
    m_unansweredPolls = 0;
    setSilent(false);
    return m_portOpen;
}

// Closes the link once what was handed to it has left the port (or drainMs
// has passed): a close never throws away a request not yet on the line.
void LoadRun::closeLink(int drainMs) {
    m_link->close(drainMs);
    m_portOpen = false;
}

// The link copies the frame; with no port open the request goes nowhere and
// the result is false.
bool LoadRun::send(const DeviceFrame& frame) {
    return m_link->sendBytes(bytesOf(frame));
}

bool LoadRun::drain(int timeoutMs) {
    return m_link->waitUntilSent(timeoutMs);
}

int LoadRun::linkHandle() const {
    return m_link->handle();
}

// --- Settings ----------------------------------------------------------------

void LoadRun::applySettings(const LinkSettings& settings) {
    const LinkSettings old = this->settings();
    {
        const std::lock_guard lock(m_settingsMutex);
        m_settings = settings;
    }
    m_pollIntervalMs = settings.pollIntervalMs;
    const int interval = settings.pollIntervalMs;
    post(m_recorder, [recorder = m_recorder, interval] { recorder->setPollInterval(interval); });

    const bool loadOn = m_polling || m_loadMayBeOn || m_stop.active || m_stop.pending;
    if (loadOn && m_portOpen && sameLine(old, settings)) {
        // The same load on the same line: nothing closes, the new interval
        // takes effect at once.
        updatePollTimer();
        emitAcross(this, &LoadRun::portOpened);
        return;
    }

    if (m_run)
        endRun(RunEnd::PortChanged);
    // New settings replace an open port, and a lost one that is being tried
    // again: one OK is enough. A load that may be on is switched off on the
    // old port first: nobody would watch it afterwards.
    if (loadOn && (m_portOpen || m_linkLost)) {
        const bool delivered = switchOffBeforeLeaving(kPortChangeSendTimeoutMs);
        disarmGuard();
        setLoadMayBeOn(false);
        if (delivered)
            emitAcross(this, &LoadRun::loadSwitchedOffForPortChange, old.portName,
                       settings.portName);
        else
            emitAcross(this, &LoadRun::loadMayStillBeOn, old.portName);
    }
    m_reconnectTimer.stop();
    m_linkLost = false;
    closeLink(kExitSendTimeoutMs);
    configureLink(settings);
    updatePollTimer();
    if (openLink()) {
        emitAcross(this, &LoadRun::portOpened);
    } else {
        emitAcross(this, &LoadRun::portOpenFailed, m_link->lastOpenError(),
                   m_link->lastOpenErrorText());
    }
}

// Load-off and front panel to the port in use, waited for (bounded); with the
// link lost, the port is opened once more for them. Polling and a stop under
// way end. True when both requests left the port.
bool LoadRun::switchOffBeforeLeaving(int timeoutMs) {
    cancelStop();
    m_stop.pending = false;
    setPolling(false);
    m_reconnectTimer.stop();
    if (!m_portOpen && m_linkLost && openLink())
        m_linkLost = false;
    if (!m_portOpen)
        return false;
    const bool sent = send(makeControlFrame(ControlMode::ComputerLoadOff)) &&
                      send(makeControlFrame(ControlMode::FrontPanel));
    return drain(timeoutMs) && sent;
}

// --- The operator's commands ------------------------------------------------

void LoadRun::handToComputer() {
    // Computer control with the input off: a load that was on is off once
    // the request has left the port.
    if (m_run)
        endRun(RunEnd::LoadOff);
    send(makeControlFrame(ControlMode::ComputerLoadOff));
    if (m_loadMayBeOn && drain(kLoadOffSendTimeoutMs)) {
        disarmGuard();
        setLoadMayBeOn(false);
    }
}

void LoadRun::handToFrontPanel() {
    send(makeControlFrame(ControlMode::FrontPanel));
}

void LoadRun::switchLoadOn() {
    if (m_shutDown)
        return;
    const LinkSettings line = settings();
    if (!pollingCanWatch(line.pollIntervalMs, line.baudRate)) {
        emitAcross(this, &LoadRun::loadOnRefused,
                   pollingRefusal(line.pollIntervalMs, line.baudRate));
        return;
    }
    // Another Load ON during a run: the operator ends that run and begins
    // the next.
    if (m_run)
        endRun(RunEnd::LoadOff);
    beginRun();
    emitAcross(this, &LoadRun::chargeDrawn, 0.0, 0.0);
    // The operator takes over from a stop still under way: its front-panel
    // request must not follow the load-on.
    cancelStop();
    m_stop.pending = false;
    // Guarded before the load is on: a death right after the request is
    // covered too.
    if (m_portOpen)
        armGuard();
    if (send(makeControlFrame(ControlMode::ComputerLoadOn)))
        setLoadMayBeOn(true);
    else if (!m_loadMayBeOn)
        disarmGuard();
    // A timer that runs already goes on undisturbed.
    if (!m_polling) {
        m_unansweredPolls = 0;
        setPolling(true);
    }
    restartSilenceWatch();
}

void LoadRun::switchLoadOff() {
    if (m_run)
        endRun(RunEnd::LoadOff);
    setPolling(false);
    setSilent(false);
    send(makeControlFrame(ControlMode::ComputerLoadOff));
    if (m_loadMayBeOn && drain(kLoadOffSendTimeoutMs)) {
        disarmGuard();
        setLoadMayBeOn(false);
    }
}

void LoadRun::setMinimumVoltage(double volts) {
    m_minimumVolts = volts;
    // The run keeps the setting in force: the one that may end it.
    if (m_run)
        m_run->minimumVolts = volts;
}

void LoadRun::setSilenceLimit(int ms) {
    m_silenceLimitMs = std::max(ms, 0);
    restartSilenceWatch();
}

void LoadRun::setRunLimits(const RunLimits& limits) {
    m_limits = limits;
}

void LoadRun::setRunLabel(const QString& label) {
    m_label = label;
}

// --- Runs ----------------------------------------------------------------------

void LoadRun::beginRun() {
    const LinkSettings line = settings();
    RunStart start;
    start.startedAt = QDateTime::currentDateTimeUtc();
    start.minimumVolts = m_minimumVolts;
    start.pollIntervalMs = line.pollIntervalMs;
    start.port = line.portName;
    start.label = m_label;
    start.limits = m_limits;
    m_run = start;
    m_runStartMs = m_clock.elapsed();
    m_runId = 0;
    m_runFigures = RunFigures(line.pollIntervalMs);
    m_recorder->startRun(start);
    emitAcross(this, &LoadRun::runStarted, qint64(0));
}

void LoadRun::endRun(RunEnd end) {
    if (!m_run)
        return;
    RunRecord record;
    record.id = m_runId;
    record.startedAt = m_run->startedAt;
    record.endedAt = QDateTime::currentDateTimeUtc();
    record.end = end;
    m_runFigures.applyTo(record);
    // The rows are the table's to number.
    record.firstId = -1;
    record.lastId = -1;
    record.minimumVolts = m_run->minimumVolts;
    record.pollIntervalMs = m_run->pollIntervalMs;
    record.port = m_run->port;
    record.label = m_run->label;
    record.limits = m_run->limits;
    m_recorder->endRun(*m_run, end, record.endedAt);
    m_run.reset();
    emitAcross(this, &LoadRun::runEnded, record);
}

void LoadRun::setPolling(bool polling) {
    m_polling = polling;
    updatePollTimer();
    updateSilenceWatch();
}

void LoadRun::setLoadMayBeOn(bool on) {
    const bool changed = on != m_loadMayBeOn;
    m_loadMayBeOn = on;
    m_loadMayBeOnShown = on;
    updateSilenceWatch();
    if (changed)
        emitAcross(this, &LoadRun::loadMayBeOnChanged, on, portName());
}

// Ticks every interval while polling; an interval of 0 stops them (a bare
// QTimer would fire continuously). A new interval restarts the count; the
// same one leaves a running timer alone.
void LoadRun::updatePollTimer() {
    const int interval = m_pollIntervalMs;
    if (!m_polling || interval <= 0)
        m_pollTimer.stop();
    else if (!m_pollTimer.isActive() || m_pollTimer.interval() != interval)
        m_pollTimer.start(interval);
}

void LoadRun::poll() {
    if (m_shutDown)
        return;
    emitAcross(this, &LoadRun::pollSent);
    if (m_portOpen) {
        // Only an open port can stay silent; a lost one says so itself.
        if (m_unansweredPolls >= kSilentPolls)
            setSilent(true);
        ++m_unansweredPolls;
    }
    send(makeStatusQuery());
}

void LoadRun::setSilent(bool silent) {
    if (silent == m_silent)
        return;
    m_silent = silent;
    emitAcross(this, &LoadRun::silenceChanged, silent);
}

// --- The guard ---------------------------------------------------------------

void LoadRun::armGuard() {
    if (!m_guardEnabled || m_guard.isArmed())
        return;
    if (m_guard.arm(linkHandle())) {
        m_guardPid = m_guard.processId();
        return;
    }
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    qWarning("No guard process for the load on %s: %s", qPrintable(portName()), qPrintable(reason));
    emitAcross(this, &LoadRun::guardFailed, reason);
}

void LoadRun::disarmGuard() {
    m_guard.disarm();
    m_guardPid = 0;
}

// How a run that a stop ends is recorded.
static RunEnd runEndOf(StopReason reason) {
    switch (reason) {
    case StopReason::MinimumVoltage:
        return RunEnd::MinimumVoltage;
    case StopReason::Silence:
        return RunEnd::Silence;
    case StopReason::TimeLimit:
        return RunEnd::TimeLimit;
    case StopReason::ChargeLimit:
        return RunEnd::ChargeLimit;
    case StopReason::EnergyLimit:
        return RunEnd::EnergyLimit;
    }
    return RunEnd::Unexpected;
}

// --- Answers -------------------------------------------------------------------

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
    // Only an answer as the load sends it counts for the protection's own
    // checks: 26 bytes made of the ends of two answers (a split one joined
    // to the next) prove nothing about the load.
    const bool wellFormed = isWellFormedAnswer(m_receiveBuffer.data());
    if (m_stop.active) {
        // The stop asked for it: it tells whether the load-off took, and is
        // no reading.
        if (wellFormed)
            takeStopAnswer(reading);
        return;
    }
    if (wellFormed)
        restartSilenceWatch();

    // The received millivolts, not the rounded text; equal to the minimum
    // stops the run. The requests go out before anything else happens but
    // the run's figures, which a limit needs (a few additions).
    const bool stop = reading.milliVolts <= m_minimumVolts * 1000.0;
    // Polling is on from Load ON until a stop or Load OFF: the run's span.
    const bool inRun = m_polling && m_run;
    ReadingRun run;
    std::optional<StopReason> limit;
    if (inRun) {
        run = ReadingRun{m_run, receivedMs - m_runStartMs};
        m_runFigures.add(0, run.elapsedMs, reading.volts, reading.amps, reading.watts);
        const RunLimits& limits = m_run->limits;
        if (!stop) {
            if (limits.maxElapsedMs && run.elapsedMs >= *limits.maxElapsedMs)
                limit = StopReason::TimeLimit;
            else if (limits.maxAmpHours && m_runFigures.ampHours() >= *limits.maxAmpHours)
                limit = StopReason::ChargeLimit;
            else if (limits.maxWattHours && m_runFigures.wattHours() >= *limits.maxWattHours)
                limit = StopReason::EnergyLimit;
        }
    }
    if (stop)
        beginStop(StopReason::MinimumVoltage);
    else if (limit)
        beginStop(*limit);
    emitAcross(this, &LoadRun::readingTaken, reading, receivedMs);
    if (inRun)
        emitAcross(this, &LoadRun::chargeDrawn, m_runFigures.ampHours(), m_runFigures.wattHours());
    if (stop)
        emitAcross(this, &LoadRun::stoppedAtMinimumVoltage);
    if (limit)
        emitAcross(this, &LoadRun::limitReached, runEndOf(*limit));
    emitAcross(this, &LoadRun::readingToStore, reading, QDateTime::currentDateTime(), run);
}

// --- The silence fail-safe ------------------------------------------------------

// The silence limit counts while polling with the load on and the link up; a
// lost link is not silence (nothing can reach the load), and a stop under
// way has its own bound.
void LoadRun::updateSilenceWatch() {
    const bool watch = m_polling && m_loadMayBeOn && !m_linkLost && !m_stop.active &&
                       m_silenceLimitMs > 0 && !m_shutDown;
    if (!watch)
        m_silenceTimer.stop();
    else if (!m_silenceTimer.isActive())
        m_silenceTimer.start(m_silenceLimitMs);
}

// A whole answer came (or the watch begins afresh): the limit counts from now.
void LoadRun::restartSilenceWatch() {
    m_silenceTimer.stop();
    updateSilenceWatch();
}

void LoadRun::silenceLimitReached() {
    if (!m_polling || !m_loadMayBeOn || m_linkLost || m_stop.active)
        return;
    const int limit = m_silenceLimitMs;
    beginStop(StopReason::Silence);
    qWarning("The load on %s gave no reading for %g s: switched off", qPrintable(portName()),
             limit / 1000.0);
    emitAcross(this, &LoadRun::stoppedForSilence, portName(), limit);
}

// --- The stop and its confirmation ------------------------------------------------

// Polling stops and the first load-off goes out, followed by a status
// request whose answer tells whether it took.
void LoadRun::beginStop(StopReason reason) {
    endRun(runEndOf(reason));
    m_stop = Stop{};
    m_stop.active = true;
    m_stop.reason = reason;
    m_stoppingShown = true;
    setPolling(false);
    sendStopLoadOff();
}

void LoadRun::sendStopLoadOff() {
    ++m_stop.loadOffs;
    send(makeControlFrame(ControlMode::ComputerLoadOff));
    send(makeStatusQuery());
    m_stopAnswerTimer.start(stopAnswerTimeoutMs(settings().baudRate));
}

void LoadRun::takeStopAnswer(const LoadReading& reading) {
    m_stopAnswerTimer.stop();
    const bool flowing = reading.amps >= kFlowingAmps;
    if (flowing && m_stop.loadOffs < kMaxStopLoadOffs)
        sendStopLoadOff();
    else
        endStop(true, reading.amps);
}

void LoadRun::stopAnswerMissing() {
    if (!m_stop.active)
        return;
    if (m_stop.loadOffs < kMaxStopLoadOffs)
        sendStopLoadOff();
    else
        endStop(false, 0);
}

// The front-panel request ends the stop. A load whose last answer showed no
// current is off: the guard is no longer needed. One whose current still
// flows is told loudly; one that never answered stays guarded.
void LoadRun::endStop(bool answered, double amps) {
    m_stopAnswerTimer.stop();
    m_stop.active = false;
    m_stoppingShown = false;
    send(makeControlFrame(ControlMode::FrontPanel));
    drain(kExitSendTimeoutMs);
    const bool off = answered && amps < kFlowingAmps;
    if (off) {
        disarmGuard();
        setLoadMayBeOn(false);
    }
    if (answered && !off) {
        qCritical("THE LOAD ON %s IS STILL ON: it draws %.2f A after %d load-off requests. "
                  "Switch it off at the load.",
                  qPrintable(portName()), amps, kMaxStopLoadOffs);
        emitAcross(this, &LoadRun::loadStillOn, portName(), amps);
    }
    emitAcross(this, &LoadRun::stopEnded, off);
}

void LoadRun::cancelStop() {
    m_stopAnswerTimer.stop();
    m_stop.active = false;
    m_stoppingShown = false;
}

// --- A lost link ----------------------------------------------------------------

void LoadRun::handleHangup() {
    if (!m_portOpen)
        return;
    // The guard's port is gone with ours; it is armed again with the new one.
    disarmGuard();
    // Closed at once, so that the port can be opened again - by the timer or
    // by the operator's OK. Nothing can leave a port that went away.
    closeLink(0);
    m_linkLost = true;
    setSilent(false);
    if (m_stop.active) {
        cancelStop();
        m_stop.pending = true;
    }
    updateSilenceWatch();
    m_reconnectTimer.start();
    emitAcross(this, &LoadRun::linkLost, portName());
}

void LoadRun::tryReconnect() {
    if (!openLink())
        return;
    m_reconnectTimer.stop();
    m_linkLost = false;
    if (m_loadMayBeOn || m_stop.pending)
        armGuard();
    emitAcross(this, &LoadRun::linkBack, portName());
    if (m_stop.pending) {
        // A stop cut short by the loss is made again from its start.
        m_stop.pending = false;
        beginStop(m_stop.reason);
        return;
    }
    restartSilenceWatch();
}

// --- The end ---------------------------------------------------------------------

bool LoadRun::shutDown() {
    if (m_shutDown)
        return m_exitSafe;
    const bool mayBeOn = m_loadMayBeOn || m_stop.active || m_stop.pending;
    endRun(m_linkLost ? RunEnd::LinkLost : RunEnd::Closed);
    const bool delivered = switchOffBeforeLeaving(kExitSendTimeoutMs);
    m_shutDown = true;
    updateSilenceWatch();
    if (delivered) {
        disarmGuard();
        setLoadMayBeOn(false);
    }
    m_exitSafe = delivered || !mayBeOn;
    return m_exitSafe;
}

void LoadRun::finish() {
    m_reconnectTimer.stop();
    m_pollTimer.stop();
    m_silenceTimer.stop();
    m_stopAnswerTimer.stop();
    // A guard still armed had its requests not confirmed: it sends them once
    // more while the port is still ours too.
    if (m_guard.isArmed()) {
        m_guard.abandon();
        m_guardPid = 0;
    }
    closeLink(kExitSendTimeoutMs);
}

} // namespace tarvex
