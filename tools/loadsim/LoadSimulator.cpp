#include "loadsim/LoadSimulator.h"

#include "protocol/DeviceFrame.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

namespace tarvex::loadsim {

namespace {

constexpr std::uint8_t kJunkByte = 0x5A;

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

template <typename T> T Clamp(double value, T low, T high) {
    const double rounded = std::llround(value);
    return static_cast<T>(std::clamp(rounded, static_cast<double>(low), static_cast<double>(high)));
}

std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

} // namespace

double OpenCircuitVolts(const LoadModel& m, double chargeAh) {
    if (m.CapacityAh <= 0)
        return 0;
    const double used = chargeAh / m.CapacityAh;
    if (used <= 1)
        return m.OpenCircuitVolts - (m.OpenCircuitVolts - m.EndVolts) * used;
    // Beyond the rated capacity the source collapses within another 5 %.
    return std::max(0.0, m.EndVolts * (1 - (used - 1) / 0.05));
}

Bytes EncodeAnswer(const LoadState& s) {
    const DeviceFrame f =
        MakeStatusAnswer(Clamp<std::uint16_t>(s.Amps * 1000, 0, 65535),
                         Clamp<std::int32_t>(s.Volts * 1000, INT32_MIN, INT32_MAX),
                         Clamp<std::uint16_t>(s.Watts * 10, 0, 65535));
    return Bytes(f.begin(), f.end());
}

LoadSimulator::LoadSimulator(const SimulatorOptions& options)
    : options_(options), modelTime_(Clock::now()) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        const auto error = SystemError("Cannot open a pseudo-terminal");
        if (master_ >= 0)
            ::close(master_);
        throw error;
    }
    char name[256];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        ::close(master_);
        throw SystemError("Cannot name the pseudo-terminal");
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ >= 0) {
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!options_.LogFile.empty()) {
        log_ = std::fopen(options_.LogFile.c_str(), "ae");
        if (!log_) {
            const auto error = SystemError("Cannot open the log file " + options_.LogFile);
            CloseLine();
            ::close(wake_);
            throw error;
        }
    }
    state_ = StateLocked();
    thread_ = std::thread([this] { Run(); });
}

LoadSimulator::~LoadSimulator() {
    {
        std::lock_guard lock(lock_);
        stop_ = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
    thread_.join();
    CloseLine();
    ::close(wake_);
    if (log_)
        std::fclose(log_);
}

void LoadSimulator::CloseLine() {
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
}

// --- Commands from other threads run on the simulator thread.

void LoadSimulator::Post(std::function<void()> command) {
    {
        std::lock_guard lock(lock_);
        commands_.push_back(std::move(command));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

void LoadSimulator::SetCurrent(double amps) {
    std::lock_guard lock(lock_);
    AdvanceModel(Clock::now());
    options_.Model.CurrentAmps = amps;
}

void LoadSimulator::SetSpeed(double speed) {
    std::lock_guard lock(lock_);
    AdvanceModel(Clock::now());
    options_.Model.Speed = speed;
}

void LoadSimulator::SplitNextAnswer(int afterBytes, int pauseMs) {
    Post([=, this] { splits_.emplace_back(afterBytes, pauseMs); });
}
void LoadSimulator::JoinNextAnswers() {
    Post([this] { ++joins_; });
}
void LoadSimulator::AddJunkToNextAnswer(int count) {
    Post([=, this] { junk_.push_back(count); });
}
void LoadSimulator::StaySilentFor(int ms) {
    Post([=, this] { silentUntil_ = Clock::now() + std::chrono::milliseconds(ms); });
}
void LoadSimulator::SetMisbehaviour(const Misbehaviour& m) {
    Post([=, this] { options_.Misbehave = m; });
}
void LoadSimulator::SendRaw(const Bytes& bytes) {
    Post([=, this] {
        Log(Clock::now(), "TX", bytes, "raw");
        WriteLine(bytes);
    });
}
void LoadSimulator::HangUp() {
    Post([this] {
        Log(Clock::now(), "--", {}, "hang-up");
        CloseLine();
        std::lock_guard lock(lock_);
        hungUp_ = true;
        changed_.notify_all();
    });
}

// --- What happened

LoadState LoadSimulator::State() const {
    std::lock_guard lock(lock_);
    AdvanceModel(Clock::now());
    return StateLocked();
}

std::vector<ReceivedFrame> LoadSimulator::ReceivedFrames() const {
    std::lock_guard lock(lock_);
    return received_;
}

std::vector<SentAnswer> LoadSimulator::SentAnswers() const {
    std::lock_guard lock(lock_);
    return sent_;
}

bool LoadSimulator::WaitForFrames(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return received_.size() >= count; });
}

bool LoadSimulator::WaitForAnswers(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return sent_.size() >= count; });
}

bool LoadSimulator::HungUp() const {
    std::lock_guard lock(lock_);
    return hungUp_;
}

// --- The model

void LoadSimulator::AdvanceModel(Clock::time_point now) const {
    if (now <= modelTime_)
        return;
    const double seconds = std::chrono::duration<double>(now - modelTime_).count();
    modelTime_ = now;
    const LoadState s = StateLocked();
    state_.ChargeAh += s.Amps * seconds * options_.Model.Speed / 3600.0;
}

LoadState LoadSimulator::StateLocked() const {
    const LoadModel& m = options_.Model;
    LoadState s = state_;
    s.OpenCircuitVolts = OpenCircuitVolts(m, s.ChargeAh);
    s.Amps = 0;
    if (s.InputOn && s.OpenCircuitVolts > 0) {
        s.Amps = m.CurrentAmps;
        if (m.InternalOhms > 0)
            s.Amps = std::min(s.Amps, s.OpenCircuitVolts / m.InternalOhms);
    }
    s.Volts = s.OpenCircuitVolts - s.Amps * m.InternalOhms;
    s.Watts = s.Volts * s.Amps;
    return s;
}

// --- The simulator thread

void LoadSimulator::Run() {
    for (;;) {
        pollfd fds[2] = {{wake_, POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t count = master_ >= 0 ? 2 : 1;
        if (::poll(fds, count, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(wake_, &value, sizeof value);
        }
        // Commands first: what was asked for before a frame arrived applies to it.
        std::deque<std::function<void()>> commands;
        {
            std::lock_guard lock(lock_);
            if (stop_)
                return;
            commands.swap(commands_);
        }
        for (auto& command : commands)
            command();
        if (count == 2 && master_ >= 0 && fds[1].revents)
            HandleInput();
    }
}

void LoadSimulator::HandleInput() {
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        // No one holds the terminal (cannot happen while we keep our own end
        // open); do not spin on it.
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            ::usleep(10000);
        return;
    }
    const Clock::time_point now = Clock::now();
    input_.insert(input_.end(), buffer, buffer + n);
    for (;;) {
        const auto start = std::find(input_.begin(), input_.end(), kFrameStart);
        if (start != input_.begin()) {
            Log(now, "RX", Bytes(input_.begin(), start), "junk");
            input_.erase(input_.begin(), start);
        }
        if (input_.size() < kFrameSize)
            return;
        const Bytes frame(input_.begin(), input_.begin() + kFrameSize);
        input_.erase(input_.begin(), input_.begin() + kFrameSize);
        HandleFrame(frame, now);
    }
}

void LoadSimulator::HandleFrame(const Bytes& frame, Clock::time_point at) {
    DeviceFrame f;
    std::copy(frame.begin(), frame.end(), f.begin());
    const bool checksumOk = FrameChecksum(f) == f[25];
    std::string note;
    {
        std::lock_guard lock(lock_);
        received_.push_back(ReceivedFrame{at, frame, checksumOk});
        changed_.notify_all();
        if (checksumOk && f[2] == kCmdSetControlMode) {
            AdvanceModel(at);
            switch (f[3]) {
            case kModeSelfControl:
                state_.PcControl = false;
                note = "self control";
                break;
            case kModePcLoadOff:
                state_.PcControl = true;
                state_.InputOn = false;
                note = "PC control, input off";
                break;
            case kModePcLoadOn:
                state_.PcControl = true;
                state_.InputOn = true;
                note = "PC control, input on";
                break;
            default:
                note = "unknown mode, ignored";
                break;
            }
        }
    }
    if (!checksumOk)
        note = "bad checksum, ignored";
    else if (f[2] == kCmdReadStatus)
        note = at < silentUntil_ ? "read status, silent" : "read status";
    else if (f[2] != kCmdSetControlMode)
        note = "unknown command, ignored";
    Log(at, "RX", frame, note);
    if (checksumOk && f[2] == kCmdReadStatus && at >= silentUntil_)
        Answer(at);
}

void LoadSimulator::Answer(Clock::time_point at) {
    LoadState s;
    {
        std::lock_guard lock(lock_);
        AdvanceModel(at);
        s = StateLocked();
    }
    const Misbehaviour& m = options_.Misbehave;
    const std::uint64_t n = ++answerCount_;
    const auto every = [n](int period) { return period > 0 && n % period == 0; };

    const Bytes answer = EncodeAnswer(s);
    if (joins_ > 0 || every(m.JoinEvery)) {
        if (joins_ > 0)
            --joins_;
        held_.insert(held_.end(), answer.begin(), answer.end());
        Log(at, "--", answer, "answer held back, to go with the next one");
        return;
    }
    const bool joined = !held_.empty();
    Bytes out = held_;
    held_.clear();
    out.insert(out.end(), answer.begin(), answer.end());
    int junk = 0;
    if (!junk_.empty()) {
        junk = junk_.front();
        junk_.pop_front();
    } else if (every(m.JunkEvery)) {
        junk = m.JunkBytes;
    }
    out.insert(out.end(), static_cast<std::size_t>(std::max(junk, 0)), kJunkByte);
    int splitAfter = -1, pauseMs = 0;
    if (!splits_.empty()) {
        std::tie(splitAfter, pauseMs) = splits_.front();
        splits_.pop_front();
    } else if (every(m.SplitEvery)) {
        splitAfter = m.SplitAfter;
        pauseMs = m.SplitPauseMs;
    }

    SentAnswer record;
    record.Frame = answer;
    std::string note = "answer";
    if (joined)
        note += ", right behind the one held back";
    if (junk > 0)
        note += ", " + std::to_string(junk) + " junk bytes";
    if (splitAfter >= 0)
        note += ", pause of " + std::to_string(pauseMs) + " ms after byte " +
                std::to_string(splitAfter);
    WriteLine(out, splitAfter, pauseMs, &record);
    Log(record.LastByte, "TX", out, note);
    std::lock_guard lock(lock_);
    sent_.push_back(std::move(record));
    changed_.notify_all();
}

// Writes the bytes paced at the line speed, with an optional pause.
void LoadSimulator::WriteLine(const Bytes& bytes, int splitAfter, int pauseMs, SentAnswer* record) {
    using namespace std::chrono;
    const auto byteTime =
        options_.BaudRate
            ? duration_cast<Clock::duration>(duration<double>(10.0 / options_.BaudRate))
            : Clock::duration::zero();
    Clock::time_point next = Clock::now();
    if (record)
        record->FirstByte = next;
    std::size_t done = 0;
    while (done < bytes.size() && master_ >= 0) {
        if (static_cast<int>(done) == splitAfter && pauseMs > 0) {
            next += milliseconds(pauseMs);
            std::this_thread::sleep_until(next);
        }
        // One byte at a time when pacing, up to the pause otherwise.
        std::size_t chunk = bytes.size() - done;
        if (byteTime != Clock::duration::zero())
            chunk = 1;
        else if (splitAfter > static_cast<int>(done))
            chunk = std::min(chunk, static_cast<std::size_t>(splitAfter) - done);
        const ssize_t n = ::write(master_, bytes.data() + done, chunk);
        if (n < 0) {
            if (errno != EAGAIN && errno != EINTR)
                return;
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
            {
                std::lock_guard lock(lock_);
                if (stop_)
                    return;
            }
            continue;
        }
        done += static_cast<std::size_t>(n);
        if (byteTime != Clock::duration::zero() && done < bytes.size()) {
            next += byteTime;
            std::this_thread::sleep_until(next);
        }
    }
    if (record)
        record->LastByte = Clock::now();
}

void LoadSimulator::Log(Clock::time_point at, const char* direction, const Bytes& bytes,
                        const std::string& note) {
    if (!log_)
        return;
    // Wall-clock time of the event.
    const auto wall =
        std::chrono::system_clock::now() -
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - at);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(log_, "%s.%03d %s %s%s%s\n", stamp, static_cast<int>(ms), direction,
                 Hex(bytes).c_str(), bytes.empty() ? "" : "  ", note.c_str());
    std::fflush(log_);
}

} // namespace tarvex::loadsim
