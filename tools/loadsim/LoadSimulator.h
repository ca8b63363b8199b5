// A programmable DC electronic load played on a pseudo-terminal: it answers
// each read-status request with a 26-byte answer from a discharge model,
// follows the set-control-mode requests and misbehaves on demand. Used by the
// tests, the benchmarks, the demo and the command-line tool tarvex-loadsim.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tarvex::loadsim {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// The source under test and the load's set-point.
struct LoadModel {
    double openCircuitVolts = 12.6; // at full charge
    double endVolts = 10.5;         // open-circuit voltage once capacityAh is drawn
    double capacityAh = 2.0;        // beyond it the voltage collapses within 5 % more
    double internalOhms = 0.05;
    double currentAmps = 1.0; // drawn while the input is on
    double speed = 1.0;       // model seconds per real second
};

// The load as it stands.
struct LoadState {
    bool computerControl = false; // handed to the computer
    bool inputOn = false;
    double chargeAh = 0;         // drawn so far
    double openCircuitVolts = 0; // of the source
    double volts = 0;            // at the load's terminals
    double amps = 0;
    double watts = 0;
};

struct ReceivedFrame {
    Clock::time_point receivedAt; // when its last byte was read
    Bytes bytes;                  // 26 bytes
    bool checksumOk = false;
};

// One answer as it went out, with what went out with it: firstByteAt and
// lastByteAt bound the whole burst (an answer held back before it, junk
// behind it, a pause inside it).
struct SentAnswer {
    Clock::time_point firstByteAt; // just before the first byte was written
    Clock::time_point lastByteAt;  // just after the last byte was written
    Bytes bytes;                   // the 26-byte answer
    // Its 26 bytes and nothing else, without a pause: not split, not joined
    // to one held back, no junk behind it. Whether the program's end takes
    // it as one chunk depends on the pauses before and after it too.
    bool alone = false;
};

// Misbehaviour applied to every n-th answer (0: never).
struct Misbehaviour {
    int splitEvery = 0;
    int splitAfter = 10;    // bytes before the pause
    int splitPauseMs = 100; // longer than the 60 ms that separates answers
    int joinEvery = 0;      // held back and sent together with the next one
    int junkEvery = 0;
    int junkBytes = 3; // appended right behind the answer
};

struct SimulatorOptions {
    LoadModel model;
    Misbehaviour misbehaviour;
    // Bytes leave at this line speed (10 bits a byte); 0 sends them at once.
    unsigned baudRate = 9600;
    // Every received frame and every answer is appended here with a time
    // stamp; empty means no log file.
    std::string logFile;
    // The first this many load-off requests (set-control-mode, computer
    // control with the input off) are ignored as a load with a noisy line
    // would miss them; -1 ignores every one (the input stays on).
    int ignoredLoadOffs = 0;
    // A symbolic link to the terminal is made here (replacing whatever link
    // or file is there), follows the terminal across replug() and is removed
    // when the simulator ends; empty means no link.
    std::string linkPath;
};

// The 26-byte answer for a state: current in mA (bytes 3-4), voltage in mV
// (bytes 5-8, signed), power in 0.1 W (bytes 9-10), all little-endian.
Bytes encodeAnswer(const LoadState& state);
// Open-circuit voltage after drawing chargeAh.
double openCircuitVolts(const LoadModel& model, double chargeAh);

// All public functions may be called from any thread. The misbehaviour
// functions, hangUp(), replug() and sendRaw() are carried out on the
// simulator's own thread, in call order, before the frames that arrive after
// the call.
class LoadSimulator {
public:
    // Opens a pseudo-terminal, makes the link to it if asked to and starts
    // the load on its own thread. Throws std::runtime_error when no
    // pseudo-terminal can be had, or the log file or the link cannot be
    // created.
    explicit LoadSimulator(const SimulatorOptions& options = {});
    ~LoadSimulator();
    LoadSimulator(const LoadSimulator&) = delete;
    LoadSimulator& operator=(const LoadSimulator&) = delete;

    // The terminal the program opens as its serial port; a new one after
    // each replug().
    std::string terminalPath() const;
    // The symbolic link to it (SimulatorOptions::linkPath); empty when none.
    std::string linkPath() const { return m_options.linkPath; }

    // --- The model
    LoadState state() const;
    void setCurrent(double amps);
    void setSpeed(double speed);

    // --- Misbehaviour, taking effect from the next answer on
    // The next answer pauses pauseMs after its first afterBytes bytes.
    void splitNextAnswer(int afterBytes = 10, int pauseMs = 100);
    // The next answer is held back and sent right before the one after it.
    void joinNextAnswers();
    // count junk bytes follow the next answer without a pause.
    void addJunkToNextAnswer(int count = 3);
    // Read-status requests are ignored for ms milliseconds.
    void staySilentFor(int ms);
    // The next count load-off requests are ignored (they are received and
    // logged, but the input stays as it is); -1 ignores every one from now
    // on, 0 ignores none again.
    void ignoreLoadOffs(int count);
    // Closes the line: the program's end sees a hang-up. Nothing more works
    // until a replug().
    void hangUp();
    // The adapter pulled and plugged back in: closes the line as hangUp()
    // does and removes the link, stays away for absentMs, then opens a new
    // pseudo-terminal, points the link at it and goes on answering there.
    // The load keeps its state meanwhile (charge drawn, control mode, input
    // on: it goes on drawing current) and its misbehaviour settings; bytes
    // of a frame or an answer cut off by the pull are dropped. A replug()
    // while away starts the absence again; a hangUp() while away ends it
    // for good.
    void replug(int absentMs);
    void setMisbehaviour(const Misbehaviour& misbehaviour);
    // Writes bytes to the line as they are (paced at the line speed).
    void sendRaw(const Bytes& bytes);

    // --- What happened
    std::vector<ReceivedFrame> receivedFrames() const;
    std::vector<SentAnswer> sentAnswers() const;
    // Waits until at least count frames have been received.
    bool waitForFrames(std::size_t count, int timeoutMs) const;
    // Waits until at least count answers have been sent.
    bool waitForAnswers(std::size_t count, int timeoutMs) const;
    // Waits until the line has come back after replug() at least count times
    // in all.
    bool waitForReplugs(std::size_t count, int timeoutMs) const;
    std::size_t replugCount() const;
    // True while the line is closed (hangUp(), or away during a replug()).
    bool hasHungUp() const;

private:
    void run();
    void post(std::function<void()> command);
    void handleInput();
    void handleFrame(const Bytes& frame, Clock::time_point at);
    void sendAnswer(Clock::time_point at);
    void writeLine(const Bytes& bytes, int splitAfter = -1, int pauseMs = 0,
                   SentAnswer* record = nullptr);
    void advanceModel(Clock::time_point now) const; // with m_mutex held
    LoadState stateLocked() const;                  // with m_mutex held
    void logEvent(Clock::time_point at, const char* direction, const Bytes& bytes,
                  const std::string& note);
    bool openLine(std::string* error);
    void closeLine();
    bool makeLink(std::string* error) const;
    void plugBackIn();

    SimulatorOptions m_options;
    int m_masterFd = -1;
    int m_slaveFd = -1; // our own hold on the terminal: the master stays usable
    int m_wakeFd = -1;
    FILE* m_logFile = nullptr;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<std::function<void()>> m_commands;
    bool m_stopping = false;
    bool m_hungUp = false;
    std::string m_terminalPath;
    std::size_t m_replugs = 0;
    mutable LoadState m_state; // the charge drawn moves on when looked at
    mutable Clock::time_point m_modelTime;
    std::vector<ReceivedFrame> m_received;
    std::vector<SentAnswer> m_sent;

    // Touched by the simulator thread only.
    Bytes m_input;
    std::deque<std::pair<int, int>> m_splits; // one-shot: after bytes, pause
    int m_joins = 0;
    std::deque<int> m_junk;
    Clock::time_point m_silentUntil{};
    int m_ignoredLoadOffs = 0; // -1: all
    Bytes m_held;              // an answer held back to be joined
    std::uint64_t m_answerCount = 0;
    bool m_plugBackPending = false;
    Clock::time_point m_plugBackAt{};
};

} // namespace tarvex::loadsim
