#include "app/ExitPaths.h"

#include "app/Program.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/ReadingRecorder.h"

#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <syslog.h>
#include <unistd.h>

namespace tarvex {

namespace {

// The termination signals, written by the handler, read on the run's thread.
int signalPipe[2] = {-1, -1};
// The installed ways out; the exit hook reads it.
std::atomic<ExitPaths*> installed{nullptr};

// How long the ways out wait for the run: its own bound on the last two
// requests, and some to spare for a run that is busy.
constexpr int kRunWaitMs = LoadRun::kExitSendTimeoutMs + 3000;
// How long the readings still waiting get when the process ends without the
// window thread.
constexpr int kFlushMs = 2000;

extern "C" void onTerminationSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    // Only async-signal-safe calls here; a full pipe means an end is pending
    // anyway.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// The warning for a load the requests could not reach, where no window can
// show it: the error output and the system log.
void tellMayStillBeOn(const QString& portName) {
    const QByteArray text = loadMayStillBeOnText(portName).toLocal8Bit();
    std::fprintf(stderr, "tarvex: %s\n", text.constData());
    std::fflush(stderr);
    ::openlog("tarvex", LOG_PID, LOG_USER);
    ::syslog(LOG_CRIT, "%s", text.constData());
    ::closelog();
}

} // namespace

void ignoreBrokenPipes() {
    ::signal(SIGPIPE, SIG_IGN);
}

// Registered with atexit once: an exit() anywhere - Qt's own when the X
// server goes away - ends the run before the process goes. A normal end has
// uninstalled the ways out by then.
void endRunAtExit() {
    if (ExitPaths* paths = installed.exchange(nullptr)) {
        paths->endRunNow();
        // The run's end and the readings still waiting are written now: the
        // exit handlers that follow take Qt's SQL drivers away.
        paths->m_run->endStoringForExit();
    }
}

ExitPaths::ExitPaths(Program& program, int windowEndMs) : ExitPaths(program.run(), windowEndMs) {}

ExitPaths::ExitPaths(LoadRun* run, int endMs) : m_run(run), m_windowEndMs(endMs) {
    ignoreBrokenPipes();
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        qWarning("termination signals cannot be handled: no pipe");

    // The notifier lives on the run's thread, so that a signal is handled
    // there whatever the window thread does.
    if (signalPipe[0] >= 0) {
        QSocketNotifier* notifier = nullptr;
        callAndWait(m_run, [&notifier] {
            notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
        });
        m_notifier = notifier;
        connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { handleSignal(); });
        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    }

    static const bool hooked = std::atexit(endRunAtExit) == 0;
    if (!hooked)
        qWarning("the run cannot be ended at an unplanned exit");
    installed = this;
}

ExitPaths::~ExitPaths() {
    ExitPaths* self = this;
    installed.compare_exchange_strong(self, nullptr);
    // The program is ending with the load switched off: a further signal
    // ends it at once.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    if (m_notifier)
        callAndWaitFor(m_run, kRunWaitMs, [notifier = m_notifier] { delete notifier; });
}

// On the run's thread.
void ExitPaths::handleSignal() {
    char drained[16];
    int signal = 0;
    for (ssize_t n; (n = ::read(signalPipe[0], drained, sizeof drained)) > 0;)
        signal = drained[n - 1];
    if (m_handled || signal == 0)
        return;
    m_handled = true;
    if (!m_run->shutDown())
        tellMayStillBeOn(m_run->settings().portName);
    emitAcross(this, &ExitPaths::endRequested, signal);

    // A window thread that does not end the program in time: the process
    // ends without it, once the readings still waiting had their chance.
    LoadRun* run = m_run;
    const int bound = m_windowEndMs;
    QTimer::singleShot(bound, m_notifier, [run, signal, bound] {
        std::fprintf(stderr,
                     "tarvex: the windows did not end within %d ms of signal %d; ending "
                     "without them\n",
                     bound, signal);
        std::fflush(stderr);
        ReadingRecorder* recorder = run->recorder();
        callAndWaitFor(recorder, kFlushMs + 1000, [recorder] { recorder->flush(kFlushMs); });
        ::_exit(128 + signal);
    });
}

// On the thread that called exit().
void ExitPaths::endRunNow() {
    auto safe = std::make_shared<std::atomic<bool>>(false);
    const bool answered =
        callAndWaitFor(m_run, kRunWaitMs, [run = m_run, safe] { *safe = run->shutDown(); });
    if (!answered || !*safe)
        tellMayStillBeOn(m_run->settings().portName);
}

} // namespace tarvex
