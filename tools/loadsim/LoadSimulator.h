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
    double OpenCircuitVolts = 12.6; // at full charge
    double EndVolts = 10.5;         // open-circuit voltage once CapacityAh is drawn
    double CapacityAh = 2.0;        // beyond it the voltage collapses within 5 % more
    double InternalOhms = 0.05;
    double CurrentAmps = 1.0; // drawn while the input is on
    double Speed = 1.0;       // model seconds per real second
};

// The load as it stands.
struct LoadState {
    bool PcControl = false; // handed to the computer
    bool InputOn = false;
    double ChargeAh = 0;         // drawn so far
    double OpenCircuitVolts = 0; // of the source
    double Volts = 0;            // at the load's terminals
    double Amps = 0;
    double Watts = 0;
};

struct ReceivedFrame {
    Clock::time_point Time; // when its last byte was read
    Bytes Frame;            // 26 bytes
    bool ChecksumOk = false;
};

struct SentAnswer {
    Clock::time_point FirstByte; // just before the first byte was written
    Clock::time_point LastByte;  // just after the last byte was written
    Bytes Frame;                 // the 26-byte answer
};

// Misbehaviour applied to every n-th answer (0: never).
struct Misbehaviour {
    int SplitEvery = 0;
    int SplitAfter = 10;    // bytes before the pause
    int SplitPauseMs = 100; // longer than the 60 ms that separates answers
    int JoinEvery = 0;      // held back and sent together with the next one
    int JunkEvery = 0;
    int JunkBytes = 3; // appended right behind the answer
};

struct SimulatorOptions {
    LoadModel Model;
    Misbehaviour Misbehave;
    // Bytes leave at this line speed (10 bits a byte); 0 sends them at once.
    unsigned BaudRate = 9600;
    // Every received frame and every answer is appended here with a time
    // stamp; empty means no log file.
    std::string LogFile;
};

// The 26-byte answer for a state: current in mA (bytes 3-4), voltage in mV
// (bytes 5-8, signed), power in 0.1 W (bytes 9-10), all little-endian.
Bytes EncodeAnswer(const LoadState& state);
// Open-circuit voltage after drawing chargeAh.
double OpenCircuitVolts(const LoadModel& model, double chargeAh);

class LoadSimulator {
public:
    // Opens a pseudo-terminal and starts the load on its own thread. Throws
    // std::runtime_error when no pseudo-terminal can be had or the log file
    // cannot be created.
    explicit LoadSimulator(const SimulatorOptions& options = {});
    ~LoadSimulator();
    LoadSimulator(const LoadSimulator&) = delete;
    LoadSimulator& operator=(const LoadSimulator&) = delete;

    // The terminal the program opens (CommPort).
    std::string SlavePath() const { return slavePath_; }

    // --- The model
    LoadState State() const;
    void SetCurrent(double amps);
    void SetSpeed(double speed);

    // --- Misbehaviour, taking effect from the next answer on
    // The next answer pauses pauseMs after its first afterBytes bytes.
    void SplitNextAnswer(int afterBytes = 10, int pauseMs = 100);
    // The next answer is held back and sent right before the one after it.
    void JoinNextAnswers();
    // count junk bytes follow the next answer without a pause.
    void AddJunkToNextAnswer(int count = 3);
    // Read-status requests are ignored for ms milliseconds.
    void StaySilentFor(int ms);
    // Closes the line: the program's end sees a hang-up. Nothing more works.
    void HangUp();
    void SetMisbehaviour(const Misbehaviour& m);
    // Writes bytes to the line as they are (paced at the line speed).
    void SendRaw(const Bytes& bytes);

    // --- What happened
    std::vector<ReceivedFrame> ReceivedFrames() const;
    std::vector<SentAnswer> SentAnswers() const;
    // Waits until at least count frames have been received.
    bool WaitForFrames(std::size_t count, int timeoutMs) const;
    // Waits until at least count answers have been sent.
    bool WaitForAnswers(std::size_t count, int timeoutMs) const;
    bool HungUp() const;

private:
    void Run();
    void Post(std::function<void()> command);
    void HandleInput();
    void HandleFrame(const Bytes& frame, Clock::time_point at);
    void Answer(Clock::time_point at);
    void WriteLine(const Bytes& bytes, int splitAfter = -1, int pauseMs = 0,
                   SentAnswer* record = nullptr);
    void AdvanceModel(Clock::time_point now) const; // with lock_ held
    LoadState StateLocked() const;                  // with lock_ held
    void Log(Clock::time_point at, const char* direction, const Bytes& bytes,
             const std::string& note);
    void CloseLine();

    SimulatorOptions options_;
    int master_ = -1;
    int slave_ = -1; // our own hold on the terminal: the master stays usable
    int wake_ = -1;
    std::string slavePath_;
    FILE* log_ = nullptr;
    std::thread thread_;

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::deque<std::function<void()>> commands_;
    bool stop_ = false;
    bool hungUp_ = false;
    mutable LoadState state_; // the charge drawn moves on when looked at
    mutable Clock::time_point modelTime_;
    std::vector<ReceivedFrame> received_;
    std::vector<SentAnswer> sent_;

    // Touched by the simulator thread only.
    Bytes input_;
    std::deque<std::pair<int, int>> splits_; // one-shot: after bytes, pause
    int joins_ = 0;
    std::deque<int> junk_;
    Clock::time_point silentUntil_{};
    Bytes held_; // an answer held back to be joined
    std::uint64_t answerCount_ = 0;
};

} // namespace tarvex::loadsim
