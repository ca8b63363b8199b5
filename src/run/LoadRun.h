// The run: everything that drives the load. It owns the serial link and the
// poll timer, sends the control requests, decodes every answer, applies the
// minimum-voltage stop and hands each reading to the reading log's writer.
// Windows only show what it tells them and forward the operator's commands.
//
// Keeping the load safe is the run's own work, so that it holds without a
// window too: it refuses Load ON while polling cannot watch the load (see
// PollInterval.h); it stops the load by itself when no whole answer comes for
// the silence limit; every stop of its own is confirmed (load-off, a status
// request, load-off again while current still flows, at most three times,
// then front panel); a change of port while the load is on switches the old
// load off first; and while the load may be on, a guard process (LoadGuard)
// switches it off should the program die.
//
// Runs. Each Load ON that is taken starts a run (RunStart: the time, the
// minimum voltage, the poll interval, the port, the label and the limits set
// beforehand); the readings taken while it polls belong to it, with their
// time since Load ON, and the run's figures (RunFigures, the same reckoning
// the store keeps) grow with each. A run ends with the first of: the
// operator's Load OFF (or PC Control, or another Load ON), the
// minimum-voltage stop, a limit (elapsed time, charge, energy; each checked
// at every reading, on the run's thread, and stopped as the minimum voltage
// is: the same confirmed stop), the silence fail-safe, Setting -> OK with
// another port or line, and the end of the program (shutDown(): "link lost"
// when the link was lost then, else "closed"). A program that ends without
// it leaves the run to the next start ("ended unexpectedly").
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
#include "run/CapacityTally.h"
#include "run/CrossThread.h"
#include "run/LoadGuard.h"
#include "store/RunFigures.h"
#include "store/RunRecord.h"

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
#include <optional>

namespace tarvex {

class ReadingRecorder;
class SerialLink;
struct ReadingRun;

// The line settings and poll interval of one "Setting -> OK", as numbers.
struct LinkSettings {
    QString portName = QStringLiteral("COM2");
    quint32 baudRate = 9600;
    quint8 dataBits = 8;
    quint8 parity = 0;
    quint8 stopBits = 0;
    int pollIntervalMs = 300;
};

// True when a and b name the same port with the same line settings (the poll
// interval may differ).
bool sameLine(const LinkSettings& a, const LinkSettings& b);

// The warning for a load that may still be on because the requests that
// switch it off could not reach it.
QString loadMayStillBeOnText(const QString& portName);

// Why the run stopped the load by itself.
enum class StopReason {
    MinimumVoltage, // an answer at or below the minimum voltage
    Silence,        // no whole answer for the silence limit
    TimeLimit,      // the run's elapsed-time limit
    ChargeLimit,    // the run's charge (Ah) limit
    EnergyLimit,    // the run's energy (Wh) limit
};

class LoadRun : public QObject {
    Q_OBJECT

public:
    // Port "COM2" at 9600 bit/s, 8 data bits, no parity, one stop bit; polling
    // off at 300 ms; minimum voltage 0.01 V; silence limit 10 s. Readings are
    // stored once attachReadingTable() has run.
    explicit LoadRun(QObject* parent = nullptr);
    // Ends the storing thread; readings still waiting are tried once more.
    ~LoadRun() override;

    // For a process that ends without this object's destructor (an exit()
    // from within Qt when the X server goes): what waits to be stored, the
    // run's end among it, gets its last chance as in the destructor, then
    // the storing thread ends, so that nothing touches the table while the
    // process's globals are being destroyed. Call it after shutDown(), from
    // any thread but the storing thread; the object is not used afterwards.
    void endStoringForExit();

    // How long shutDown() waits for its last two requests to leave the port.
    static constexpr int kExitSendTimeoutMs = 2000;
    // How long a change of port waits for the old load's load-off and front
    // panel to leave the old port.
    static constexpr int kPortChangeSendTimeoutMs = 2000;
    // How long Load OFF waits for its request to leave the port before the
    // load counts as off.
    static constexpr int kLoadOffSendTimeoutMs = 1000;
    // After a hang-up the port is tried again this often.
    static constexpr int kReconnectMs = 1000;
    // Polls without a whole answer before the run says the load is silent.
    static constexpr int kSilentPolls = 3;
    // No whole answer for this long while the load is on stops it.
    static constexpr int kDefaultSilenceLimitMs = 10000;
    // Load-off requests one stop sends at most.
    static constexpr int kMaxStopLoadOffs = 3;
    // An answer showing this current or more (as decoded) after a load-off
    // means the load still draws.
    static constexpr double kFlowingAmps = 0.01;

    // The serial link (lives on the run's thread), for tests.
    SerialLink* link() const { return m_link; }
    // The reading log's writer (lives on its own thread), for tests.
    ReadingRecorder* recorder() const { return m_recorder; }

    // Any thread.
    bool isPolling() const { return m_polling.load(); }
    int pollInterval() const { return m_pollIntervalMs.load(); }
    bool isPortOpen() const { return m_portOpen.load(); }
    bool isLinkLost() const { return m_linkLost.load(); }
    // From a Load ON that reached the port until the load is known to be
    // off (Load OFF or PC Control has left the port, a stop was confirmed,
    // the exit's requests left the port).
    bool loadMayBeOn() const { return m_loadMayBeOnShown.load(); }
    // A stop of the run's own is under way (between its first load-off and
    // its front-panel request).
    bool isStopping() const { return m_stoppingShown.load(); }
    int silenceLimitMs() const { return m_silenceLimitMs.load(); }
    // The guard process while one is armed, else 0.
    qint64 guardProcessId() const { return m_guardPid.load(); }
    LinkSettings settings() const;

    // Test seam: with false, no guard process is started (the tests of the
    // other ways out show that each works on its own). The program never
    // calls it.
    void setGuardEnabled(bool enabled);

public slots:
    // Points the reading log at the reading table (after the store set-up).
    void attachReadingTable();
    // Applies the settings. While the load is on (polling, or a Load ON not
    // yet switched off):
    // - the same port and line settings: the port stays open and the new
    //   poll interval takes effect at once;
    // - another port or other line settings: load-off and front panel go to
    //   the old port first and are waited for (kPortChangeSendTimeoutMs),
    //   polling stops, loadSwitchedOffForPortChange() (or loadMayStillBeOn()
    //   when they could not reach the old load) is emitted; then the old
    //   port closes (drained) and the new one opens. Nothing is switched on
    //   there.
    // With the load off, a port already open (or lost) is closed (drained)
    // and opened again with the settings. Emits portOpened() or
    // portOpenFailed().
    void applySettings(const tarvex::LinkSettings& settings);
    // The set-control-mode requests: computer control with the input off,
    // front-panel control, input on (polling starts), input off (polling
    // stops first). Load ON is refused while polling cannot watch the load
    // (an interval of 0, or one shorter than the line can carry): no request
    // is sent, and loadOnRefused() tells why.
    void handToComputer();
    void handToFrontPanel();
    void switchLoadOn();
    void switchLoadOff();
    // The last applied value of the minimum-voltage field, in volts.
    void setMinimumVoltage(double volts);
    // No whole answer for this long while the load is on stops it; 0 never.
    void setSilenceLimit(int ms);
    // The limits and the label of the runs that start from now on (a run
    // going on keeps those it started with).
    void setRunLimits(const tarvex::RunLimits& limits);
    void setRunLabel(const QString& label);
    // Sends one read-status request now (what every tick of the poll timer
    // does). Emits pollSent().
    void poll();
    // One chunk of bytes as the link delivers it: anything but a whole
    // 26-byte answer is dropped. A whole answer during a stop of the run's
    // own is that stop's confirmation and nothing else (when well formed:
    // see isWellFormedAnswer). Any other, in this order: the minimum-voltage
    // test (and the stop's first requests if it trips), the reading to the
    // windows, the reading to the log. Only a well-formed one restarts the
    // silence limit.
    void takeChunk(const QByteArray& chunk);
    // The end of the program: polling stops, the load is switched off and
    // handed back to its front panel, and the call returns once both requests
    // have left the port or kExitSendTimeoutMs has passed. With the link
    // lost, the port is opened once more for them. Returns false when the
    // load may still be on: it may have been switched on and the requests
    // did not leave the port. Later calls return the same without sending;
    // after it, Load ON and polls are refused.
    bool shutDown();
    // Stops the timers and closes the port (drained, bounded), without a
    // request of its own: the last call before the run's thread ends. A
    // guard still armed (the exit's requests did not leave the port) is let
    // go, so that it tries once more.
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
    // The voltage fell to the minimum: polling has stopped and the stop's
    // first load-off has been sent (its confirmation follows).
    void stoppedAtMinimumVoltage();
    // The charge and energy drawn since Load ON, integrated over the
    // readings' arrival times (the run's figures, see RunFigures): (0, 0)
    // when a Load ON is taken, then after each reading of the run, after the
    // reading's own readingTaken. Readings further apart than three poll
    // intervals (the interval at Load ON) are not joined.
    void chargeDrawn(double ampHours, double wattHours);
    // The load may now be on at portName (a load-on request went out), or
    // is known to be off again (a load-off left the port, a stop took, the
    // load went to another port's change or the end). A lost link changes
    // nothing: the load may still be on.
    void loadMayBeOnChanged(bool mayBeOn, const QString& portName);
    // No whole answer came for limitMs while the load was on: polling has
    // stopped and the stop's first load-off has been sent. Told once per
    // stop.
    void stoppedForSilence(const QString& portName, int limitMs);
    // A stop of the run's own has ended with its front-panel request.
    // loadOff: the last answer showed no current (false also when no answer
    // came at all).
    void stopEnded(bool loadOff);
    // Three load-off requests left the current flowing: the operator must
    // switch the load off by hand. Also written to the error output.
    void loadStillOn(const QString& portName, double amps);
    // Load ON was refused: polling cannot watch the load. reason tells why
    // and what to do.
    void loadOnRefused(const QString& reason);
    // Before a change of port (or line settings) the load on fromPort was
    // switched off and handed to its front panel.
    void loadSwitchedOffForPortChange(const QString& fromPort, const QString& toPort);
    // The requests that switch the load off could not reach the load on
    // portName (the link is lost and the port could not be opened): it may
    // still be on.
    void loadMayStillBeOn(const QString& portName);
    // No guard process could be started (the system's reason): the load is
    // switched on all the same, but nothing switches it off should the
    // program die.
    void guardFailed(const QString& reason);
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
    // A run began (Load ON taken). runId is its RunID in the table: 0 at
    // Load ON, then told again with the RunID once the table has it (at
    // once when the table takes rows, else when its first reading is
    // stored).
    void runStarted(qint64 runId);
    // The run ended: why, and its figures as the run took them (RunID 0
    // when the table never had it yet). endedAt is the moment of the end.
    void runEnded(const tarvex::RunRecord& record);
    // A limit ended the run: which (TimeLimit, ChargeLimit, EnergyLimit).
    // Polling has stopped and the stop's first load-off has been sent, as
    // for stoppedAtMinimumVoltage().
    void limitReached(tarvex::RunEnd which);
    // To the writer's thread.
    void readingToStore(const tarvex::LoadReading& reading, const QDateTime& takenAt,
                        const tarvex::ReadingRun& run);

private:
    // What a stop of the run's own has got to.
    struct Stop {
        bool active = false;
        // Cut short by a hang-up: begun again when the link is back.
        bool pending = false;
        StopReason reason = StopReason::MinimumVoltage;
        int loadOffs = 0;
    };

    // The link, through these only.
    bool openLink();
    void closeLink(int drainMs);
    bool send(const DeviceFrame& frame);
    bool drain(int timeoutMs);
    int linkHandle() const;
    void configureLink(const LinkSettings& settings);

    QString portName() const;
    void updatePollTimer();
    void setPolling(bool polling);
    void setLoadMayBeOn(bool on);
    void armGuard();
    void disarmGuard();
    void handleHangup();
    void tryReconnect();
    void setSilent(bool silent);
    void updateSilenceWatch();
    void restartSilenceWatch();
    void silenceLimitReached();
    void beginStop(StopReason reason);
    void beginRun();
    void endRun(RunEnd end);
    void sendStopLoadOff();
    void takeStopAnswer(const LoadReading& reading);
    void stopAnswerMissing();
    void endStop(bool answered, double amps);
    void cancelStop();
    bool switchOffBeforeLeaving(int timeoutMs);

    SerialLink* m_link;
    QTimer m_pollTimer;
    QTimer m_reconnectTimer;
    QTimer m_silenceTimer;
    QTimer m_stopAnswerTimer;
    QThread m_storeThread;
    ReadingRecorder* m_recorder;
    LoadGuard m_guard;

    mutable std::mutex m_settingsMutex; // a lock ThreadSanitizer sees
    LinkSettings m_settings;
    std::atomic<bool> m_polling{false};
    std::atomic<int> m_pollIntervalMs{300};
    std::atomic<bool> m_portOpen{false};
    std::atomic<bool> m_linkLost{false};
    std::atomic<bool> m_loadMayBeOnShown{false};
    std::atomic<bool> m_stoppingShown{false};
    std::atomic<int> m_silenceLimitMs{kDefaultSilenceLimitMs};
    std::atomic<qint64> m_guardPid{0};
    bool m_loadMayBeOn = false;
    bool m_guardEnabled = true;
    bool m_shutDown = false;
    bool m_exitSafe = true;
    Stop m_stop;
    double m_minimumVolts = 0.01;
    int m_unansweredPolls = 0;
    bool m_silent = false;
    // The run going on (from a Load ON taken to its end), its figures, and
    // what the next run starts with.
    std::optional<RunStart> m_run;
    qint64 m_runStartMs = 0; // m_clock at its Load ON
    qint64 m_runId = 0;
    RunFigures m_runFigures;
    RunLimits m_limits;
    QString m_label;
    QElapsedTimer m_clock;
    std::array<std::uint8_t, 2048> m_receiveBuffer{};
};

} // namespace tarvex
