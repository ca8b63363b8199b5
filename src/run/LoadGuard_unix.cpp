#include "run/LoadGuard.h"

#include "protocol/DeviceFrame.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <thread>

namespace tarvex {

namespace {

// The descriptors the guard keeps: the port and the pipe's read end.
constexpr int kPortFd = 3;
constexpr int kPipeFd = 4;
constexpr char kOff = 'o';
// How long disarm() waits for the guard to end before it kills it.
constexpr int kReapMs = 1000;

using Requests = std::array<std::uint8_t, 2 * kFrameSize>;

// Load-off, then front panel: built before the fork, so that the guard
// needs no memory of its own.
Requests buildRequests() {
    Requests requests{};
    const DeviceFrame off = makeControlFrame(ControlMode::ComputerLoadOff);
    const DeviceFrame panel = makeControlFrame(ControlMode::FrontPanel);
    for (std::size_t i = 0; i < kFrameSize; ++i) {
        requests[i] = off[i];
        requests[kFrameSize + i] = panel[i];
    }
    return requests;
}

// Writes all of bytes to fd, waiting while the port's buffer is full.
// Async-signal-safe.
void writeAll(int fd, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n > 0) {
            bytes += n;
            count -= static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return; // the port is gone: nothing more can reach the load
        }
    }
}

// The guard process. It runs in the child of a fork of a program with
// threads, so it calls only async-signal-safe functions and allocates
// nothing; it never returns.
[[noreturn]] void guard(int portFd, int pipeFd, const Requests& requests) {
    // Out of the program's process group and session: a kill of the group,
    // Ctrl-C or the end of the terminal's session do not reach it.
    ::setsid();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &action, nullptr);
    action.sa_handler = SIG_IGN;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU})
        ::sigaction(signal, &action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    // The port and the pipe at known places; standard input, output and error
    // on /dev/null (the guard must not hold a terminal or a pipe the
    // program's caller waits on); nothing else.
    const int port = ::fcntl(portFd, F_DUPFD, 10);
    const int pipe = ::fcntl(pipeFd, F_DUPFD, 10);
    if (port < 0 || pipe < 0)
        ::_exit(2);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd = 0; fd < 3 && null >= 0; ++fd)
        ::dup2(null, fd);
    ::dup2(port, kPortFd);
    ::dup2(pipe, kPipeFd);
    if (::close_range(kPipeFd + 1, ~0U, 0) != 0)
        for (int fd = kPipeFd + 1; fd < 65536; ++fd)
            ::close(fd);

    for (;;) {
        char byte = 0;
        const ssize_t n = ::read(kPipeFd, &byte, 1);
        if (n == 1 && byte == kOff)
            ::_exit(0); // the load is off: the port is not touched
        if (n == 0 || (n < 0 && errno != EINTR))
            break; // the program is gone without saying so
    }
    // SIGALRM's default ends the guard, whatever the port does.
    ::alarm(LoadGuard::kDrainSeconds);
    writeAll(kPortFd, requests.data(), requests.size());
    ::tcdrain(kPortFd);
    ::_exit(3);
}

} // namespace

LoadGuard::LoadGuard() = default;

LoadGuard::~LoadGuard() {
    disarm();
}

bool LoadGuard::arm(int portFd) {
    disarm();
    if (portFd < 0) {
        errno = EBADF;
        return false;
    }
    const Requests requests = buildRequests();
    int fds[2];
    // Close-on-exec at once: a process another thread starts meanwhile must
    // not keep the pipe open.
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        errno = error;
        return false;
    }
    if (pid == 0)
        guard(portFd, fds[0], requests);
    ::close(fds[0]);
    m_pipe = fds[1];
    m_pid = pid;
    return true;
}

void LoadGuard::disarm() {
    if (m_pid <= 0)
        return;
    const char off = kOff;
    [[maybe_unused]] const ssize_t n = ::write(m_pipe, &off, 1);
    ::close(m_pipe);
    m_pipe = -1;
    if (!reap(kReapMs)) {
        ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        reap(kReapMs);
    }
    m_pid = 0;
}

bool LoadGuard::abandon() {
    if (m_pid <= 0)
        return false;
    ::close(m_pipe);
    m_pipe = -1;
    const bool ended = reap((kDrainSeconds + 1) * 1000);
    if (!ended) {
        ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        reap(kReapMs);
    }
    m_pid = 0;
    return ended;
}

// Waits up to timeoutMs for the guard to end; true once it has (and is reaped).
bool LoadGuard::reap(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t done = ::waitpid(static_cast<pid_t>(m_pid), nullptr, WNOHANG);
        if (done == m_pid || (done < 0 && errno == ECHILD))
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace tarvex
