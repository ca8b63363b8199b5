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

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

template <typename T> T clampRounded(double value, T low, T high) {
    const double rounded = std::llround(value);
    return static_cast<T>(std::clamp(rounded, static_cast<double>(low), static_cast<double>(high)));
}

std::string hexText(const Bytes& bytes) {
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

double openCircuitVolts(const LoadModel& m, double chargeAh) {
    if (m.capacityAh <= 0)
        return 0;
    const double used = chargeAh / m.capacityAh;
    if (used <= 1)
        return m.openCircuitVolts - (m.openCircuitVolts - m.endVolts) * used;
    // Beyond the rated capacity the source collapses within another 5 %.
    return std::max(0.0, m.endVolts * (1 - (used - 1) / 0.05));
}

Bytes encodeAnswer(const LoadState& s) {
    const DeviceFrame f =
        makeStatusAnswer(clampRounded<std::uint16_t>(s.amps * 1000, 0, 65535),
                         clampRounded<std::int32_t>(s.volts * 1000, INT32_MIN, INT32_MAX),
                         clampRounded<std::uint16_t>(s.watts * 10, 0, 65535));
    return Bytes(f.begin(), f.end());
}

LoadSimulator::LoadSimulator(const SimulatorOptions& options)
    : m_options(options), m_modelTime(Clock::now()), m_ignoredLoadOffs(options.ignoredLoadOffs) {
    std::string error;
    if (!openLine(&error))
        throw std::runtime_error(error);
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!m_options.logFile.empty()) {
        m_logFile = std::fopen(m_options.logFile.c_str(), "ae");
        if (!m_logFile) {
            const auto failure = systemError("Cannot open the log file " + m_options.logFile);
            closeLine();
            ::close(m_wakeFd);
            throw failure;
        }
    }
    if (!makeLink(&error)) {
        closeLine();
        ::close(m_wakeFd);
        if (m_logFile)
            std::fclose(m_logFile);
        throw std::runtime_error(error);
    }
    m_state = stateLocked();
    m_thread = std::thread([this] { run(); });
}

LoadSimulator::~LoadSimulator() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    closeLine();
    if (!m_options.linkPath.empty())
        ::unlink(m_options.linkPath.c_str());
    ::close(m_wakeFd);
    if (m_logFile)
        std::fclose(m_logFile);
}

// Opens a new pseudo-terminal as the line; false with the reason when none
// can be had. On the simulator thread, or before it starts.
bool LoadSimulator::openLine(std::string* error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        *error = systemError("Cannot open a pseudo-terminal").what();
        if (master >= 0)
            ::close(master);
        return false;
    }
    char name[256];
    if (ptsname_r(master, name, sizeof name) != 0) {
        *error = systemError("Cannot name the pseudo-terminal").what();
        ::close(master);
        return false;
    }
    m_masterFd = master;
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd >= 0) {
        termios t{};
        tcgetattr(m_slaveFd, &t);
        cfmakeraw(&t);
        tcsetattr(m_slaveFd, TCSANOW, &t);
    }
    std::lock_guard lock(m_mutex);
    m_terminalPath = name;
    m_hungUp = false;
    return true;
}

void LoadSimulator::closeLine() {
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_slaveFd = m_masterFd = -1;
}

// Points the link (if one is wanted) at the terminal; false with the reason
// when it cannot be made.
bool LoadSimulator::makeLink(std::string* error) const {
    const std::string& link = m_options.linkPath;
    if (link.empty())
        return true;
    ::unlink(link.c_str()); // an old link, from an earlier run or line
    if (::symlink(terminalPath().c_str(), link.c_str()) == 0)
        return true;
    *error = "cannot create the link " + link + ": " + std::strerror(errno);
    return false;
}

std::string LoadSimulator::terminalPath() const {
    std::lock_guard lock(m_mutex);
    return m_terminalPath;
}

// --- Commands from other threads run on the simulator thread.

void LoadSimulator::post(std::function<void()> command) {
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(std::move(command));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void LoadSimulator::setCurrent(double amps) {
    std::lock_guard lock(m_mutex);
    advanceModel(Clock::now());
    m_options.model.currentAmps = amps;
}

void LoadSimulator::setSpeed(double speed) {
    std::lock_guard lock(m_mutex);
    advanceModel(Clock::now());
    m_options.model.speed = speed;
}

void LoadSimulator::splitNextAnswer(int afterBytes, int pauseMs) {
    post([=, this] { m_splits.emplace_back(afterBytes, pauseMs); });
}
void LoadSimulator::joinNextAnswers() {
    post([this] { ++m_joins; });
}
void LoadSimulator::addJunkToNextAnswer(int count) {
    post([=, this] { m_junk.push_back(count); });
}
void LoadSimulator::staySilentFor(int ms) {
    post([=, this] { m_silentUntil = Clock::now() + std::chrono::milliseconds(ms); });
}
void LoadSimulator::ignoreLoadOffs(int count) {
    post([=, this] { m_ignoredLoadOffs = std::max(count, -1); });
}
void LoadSimulator::setMisbehaviour(const Misbehaviour& misbehaviour) {
    post([=, this] { m_options.misbehaviour = misbehaviour; });
}
void LoadSimulator::sendRaw(const Bytes& bytes) {
    post([=, this] {
        logEvent(Clock::now(), "TX", bytes, "raw");
        writeLine(bytes);
    });
}
void LoadSimulator::hangUp() {
    post([this] {
        logEvent(Clock::now(), "--", {}, "hang-up");
        closeLine();
        m_plugBackPending = false;
        std::lock_guard lock(m_mutex);
        m_hungUp = true;
        m_changed.notify_all();
    });
}
void LoadSimulator::replug(int absentMs) {
    post([=, this] {
        logEvent(Clock::now(), "--", {}, "pulled out for " + std::to_string(absentMs) + " ms");
        closeLine();
        if (!m_options.linkPath.empty())
            ::unlink(m_options.linkPath.c_str());
        m_input.clear();
        m_held.clear();
        m_plugBackPending = true;
        m_plugBackAt = Clock::now() + std::chrono::milliseconds(std::max(absentMs, 0));
        std::lock_guard lock(m_mutex);
        m_hungUp = true;
        m_changed.notify_all();
    });
}

// --- What happened

LoadState LoadSimulator::state() const {
    std::lock_guard lock(m_mutex);
    advanceModel(Clock::now());
    return stateLocked();
}

std::vector<ReceivedFrame> LoadSimulator::receivedFrames() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<SentAnswer> LoadSimulator::sentAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_sent;
}

bool LoadSimulator::waitForFrames(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_received.size() >= count; });
}

bool LoadSimulator::waitForAnswers(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_sent.size() >= count; });
}

bool LoadSimulator::waitForReplugs(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_replugs >= count; });
}

std::size_t LoadSimulator::replugCount() const {
    std::lock_guard lock(m_mutex);
    return m_replugs;
}

bool LoadSimulator::hasHungUp() const {
    std::lock_guard lock(m_mutex);
    return m_hungUp;
}

// --- The model

void LoadSimulator::advanceModel(Clock::time_point now) const {
    if (now <= m_modelTime)
        return;
    const double seconds = std::chrono::duration<double>(now - m_modelTime).count();
    m_modelTime = now;
    const LoadState s = stateLocked();
    m_state.chargeAh += s.amps * seconds * m_options.model.speed / 3600.0;
}

LoadState LoadSimulator::stateLocked() const {
    const LoadModel& m = m_options.model;
    LoadState s = m_state;
    s.openCircuitVolts = openCircuitVolts(m, s.chargeAh);
    s.amps = 0;
    if (s.inputOn && s.openCircuitVolts > 0) {
        s.amps = m.currentAmps;
        if (m.internalOhms > 0)
            s.amps = std::min(s.amps, s.openCircuitVolts / m.internalOhms);
    }
    s.volts = s.openCircuitVolts - s.amps * m.internalOhms;
    s.watts = s.volts * s.amps;
    return s;
}

// --- The simulator thread

void LoadSimulator::run() {
    for (;;) {
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_masterFd, POLLIN, 0}};
        const nfds_t count = m_masterFd >= 0 ? 2 : 1;
        const int polledFd = m_masterFd; // a replug may change the line meanwhile
        int timeoutMs = -1;
        if (m_plugBackPending) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(m_plugBackAt - Clock::now());
            timeoutMs = static_cast<int>(std::clamp<long long>(left.count(), 0, 60000));
        }
        if (::poll(fds, count, timeoutMs) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &value, sizeof value);
        }
        // Commands first: what was asked for before a frame arrived applies to it.
        std::deque<std::function<void()>> commands;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            commands.swap(m_commands);
        }
        for (auto& command : commands)
            command();
        if (m_plugBackPending && Clock::now() >= m_plugBackAt)
            plugBackIn();
        if (count == 2 && m_masterFd == polledFd && fds[1].revents)
            handleInput();
    }
}

// The end of a replug(): a new line, the link pointed at it.
void LoadSimulator::plugBackIn() {
    std::string error;
    if (!openLine(&error)) {
        logEvent(Clock::now(), "--", {}, error + "; trying again");
        m_plugBackAt = Clock::now() + std::chrono::milliseconds(100);
        return;
    }
    m_plugBackPending = false;
    if (!makeLink(&error))
        logEvent(Clock::now(), "--", {}, error);
    logEvent(Clock::now(), "--", {}, "plugged back in on " + terminalPath());
    std::lock_guard lock(m_mutex);
    ++m_replugs;
    m_changed.notify_all();
}

void LoadSimulator::handleInput() {
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(m_masterFd, buffer, sizeof buffer);
    if (n <= 0) {
        // No one holds the terminal (cannot happen while we keep our own end
        // open); do not spin on it.
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            ::usleep(10000);
        return;
    }
    const Clock::time_point now = Clock::now();
    m_input.insert(m_input.end(), buffer, buffer + n);
    for (;;) {
        const auto start = std::find(m_input.begin(), m_input.end(), kFrameStart);
        if (start != m_input.begin()) {
            logEvent(now, "RX", Bytes(m_input.begin(), start), "junk");
            m_input.erase(m_input.begin(), start);
        }
        if (m_input.size() < kFrameSize)
            return;
        const Bytes frame(m_input.begin(), m_input.begin() + kFrameSize);
        m_input.erase(m_input.begin(), m_input.begin() + kFrameSize);
        handleFrame(frame, now);
    }
}

void LoadSimulator::handleFrame(const Bytes& frame, Clock::time_point at) {
    DeviceFrame f;
    std::copy(frame.begin(), frame.end(), f.begin());
    const bool checksumOk = frameChecksum(f) == f[25];
    const auto command = static_cast<FrameCommand>(f[2]);
    std::string note;
    const bool ignored = checksumOk && command == FrameCommand::SetControlMode &&
                         static_cast<ControlMode>(f[3]) == ControlMode::ComputerLoadOff &&
                         m_ignoredLoadOffs != 0;
    if (ignored && m_ignoredLoadOffs > 0)
        --m_ignoredLoadOffs;
    {
        std::lock_guard lock(m_mutex);
        m_received.push_back(ReceivedFrame{at, frame, checksumOk});
        m_changed.notify_all();
        if (ignored) {
            note = "PC control, input off: ignored";
        } else if (checksumOk && command == FrameCommand::SetControlMode) {
            advanceModel(at);
            switch (static_cast<ControlMode>(f[3])) {
            case ControlMode::FrontPanel:
                m_state.computerControl = false;
                note = "self control";
                break;
            case ControlMode::ComputerLoadOff:
                m_state.computerControl = true;
                m_state.inputOn = false;
                note = "PC control, input off";
                break;
            case ControlMode::ComputerLoadOn:
                m_state.computerControl = true;
                m_state.inputOn = true;
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
    else if (command == FrameCommand::ReadStatus)
        note = at < m_silentUntil ? "read status, silent" : "read status";
    else if (command != FrameCommand::SetControlMode)
        note = "unknown command, ignored";
    logEvent(at, "RX", frame, note);
    if (checksumOk && command == FrameCommand::ReadStatus && at >= m_silentUntil)
        sendAnswer(at);
}

void LoadSimulator::sendAnswer(Clock::time_point at) {
    LoadState s;
    {
        std::lock_guard lock(m_mutex);
        advanceModel(at);
        s = stateLocked();
    }
    const Misbehaviour& m = m_options.misbehaviour;
    const std::uint64_t n = ++m_answerCount;
    const auto every = [n](int period) { return period > 0 && n % period == 0; };

    const Bytes answer = encodeAnswer(s);
    if (m_joins > 0 || every(m.joinEvery)) {
        if (m_joins > 0)
            --m_joins;
        m_held.insert(m_held.end(), answer.begin(), answer.end());
        logEvent(at, "--", answer, "answer held back, to go with the next one");
        return;
    }
    const bool joined = !m_held.empty();
    Bytes out = m_held;
    m_held.clear();
    out.insert(out.end(), answer.begin(), answer.end());
    int junk = 0;
    if (!m_junk.empty()) {
        junk = m_junk.front();
        m_junk.pop_front();
    } else if (every(m.junkEvery)) {
        junk = m.junkBytes;
    }
    out.insert(out.end(), static_cast<std::size_t>(std::max(junk, 0)), kJunkByte);
    int splitAfter = -1, pauseMs = 0;
    if (!m_splits.empty()) {
        std::tie(splitAfter, pauseMs) = m_splits.front();
        m_splits.pop_front();
    } else if (every(m.splitEvery)) {
        splitAfter = m.splitAfter;
        pauseMs = m.splitPauseMs;
    }

    SentAnswer record;
    record.bytes = answer;
    const bool paused = pauseMs > 0 && splitAfter > 0 && splitAfter < static_cast<int>(out.size());
    record.alone = !joined && junk <= 0 && !paused;
    std::string note = "answer";
    if (joined)
        note += ", right behind the one held back";
    if (junk > 0)
        note += ", " + std::to_string(junk) + " junk bytes";
    if (splitAfter >= 0)
        note += ", pause of " + std::to_string(pauseMs) + " ms after byte " +
                std::to_string(splitAfter);
    writeLine(out, splitAfter, pauseMs, &record);
    logEvent(record.lastByteAt, "TX", out, note);
    std::lock_guard lock(m_mutex);
    m_sent.push_back(std::move(record));
    m_changed.notify_all();
}

// Writes the bytes paced at the line speed, with an optional pause.
void LoadSimulator::writeLine(const Bytes& bytes, int splitAfter, int pauseMs, SentAnswer* record) {
    using namespace std::chrono;
    const auto byteTime =
        m_options.baudRate
            ? duration_cast<Clock::duration>(duration<double>(10.0 / m_options.baudRate))
            : Clock::duration::zero();
    Clock::time_point next = Clock::now();
    if (record)
        record->firstByteAt = next;
    std::size_t done = 0;
    while (done < bytes.size() && m_masterFd >= 0) {
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
        const ssize_t n = ::write(m_masterFd, bytes.data() + done, chunk);
        if (n < 0) {
            if (errno != EAGAIN && errno != EINTR)
                return;
            pollfd p{m_masterFd, POLLOUT, 0};
            ::poll(&p, 1, 100);
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping)
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
        record->lastByteAt = Clock::now();
}

void LoadSimulator::logEvent(Clock::time_point at, const char* direction, const Bytes& bytes,
                             const std::string& note) {
    if (!m_logFile)
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
    std::fprintf(m_logFile, "%s.%03d %s %s%s%s\n", stamp, static_cast<int>(ms), direction,
                 hexText(bytes).c_str(), bytes.empty() ? "" : "  ", note.c_str());
    std::fflush(m_logFile);
}

} // namespace tarvex::loadsim
