#include "headless/HeadlessRun.h"

#include "headless/StoredRuns.h"

#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/ReadingRecorder.h"
#include "run/SerialLink.h"
#include "run/SleepInhibitor.h"
#include "store/ReadingStore.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace tarvex {

namespace {

// The run's own bound on its last two requests, and some to spare.
constexpr int kShutDownWaitMs = LoadRun::kExitSendTimeoutMs + 3000;

void put(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString secondsText(int ms) {
    return QString::number(ms / 1000.0, 'g', 6) + HeadlessRun::tr(" s");
}

} // namespace

HeadlessRun::HeadlessRun(const HeadlessOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_run(std::make_unique<LoadRun>()),
      m_sleepInhibitor(std::make_unique<SleepInhibitor>()), m_statusTimer(this),
      m_linkLostTimer(this) {
    m_terminal = ::isatty(STDOUT_FILENO) == 1;
    // The run never waits for this thread: its own, above it.
    m_runThread.setObjectName(QStringLiteral("run"));
    m_run->moveToThread(&m_runThread);
    m_runThread.start(QThread::TimeCriticalPriority);

    // No sleep while the load may be on, as under the windows.
    connect(m_run.get(), &LoadRun::loadMayBeOnChanged, m_sleepInhibitor.get(),
            [inhibitor = m_sleepInhibitor.get()](bool mayBeOn, const QString& port) {
                if (mayBeOn)
                    inhibitor->hold(port);
                else
                    inhibitor->release();
            });

    LoadRun* run = m_run.get();
    connect(run, &LoadRun::portOpened, this, &HeadlessRun::portOpened);
    connect(run, &LoadRun::portOpenFailed, this, &HeadlessRun::portOpenFailed);
    connect(run, &LoadRun::readingTaken, this, &HeadlessRun::takeReading);
    connect(run, &LoadRun::chargeDrawn, this, [this](double ampHours, double wattHours) {
        m_progress.ampHours = ampHours;
        m_progress.wattHours = wattHours;
        m_taken.ampHours = ampHours;
        m_taken.wattHours = wattHours;
        // The tally of the reading just taken: now it can be told.
        tellReading();
    });
    connect(run, &LoadRun::stoppedAtMinimumVoltage, this, [this] {
        if (m_stopExit >= 0)
            return;
        m_stopExit = int(HeadlessExit::MinimumVoltage);
        m_stopReason =
            tr("minimum voltage %1 V reached").arg(QString::number(m_options.minimumVolts, 'f', 3));
        m_taken.end = RunEnd::MinimumVoltage;
    });
    connect(run, &LoadRun::stoppedForSilence, this, [this](const QString& port, int limitMs) {
        if (m_stopExit >= 0)
            return;
        m_stopExit = int(HeadlessExit::Silence);
        m_stopReason = tr("the load on %1 gave no reading for %2; it was switched off")
                           .arg(port, secondsText(limitMs));
        m_taken.end = RunEnd::Silence;
    });
    connect(run, &LoadRun::limitReached, this, [this](RunEnd which) {
        if (m_stopExit >= 0)
            return;
        m_stopExit = int(HeadlessExit::Limit);
        const RunLimits& l = m_options.limits;
        m_stopReason =
            which == RunEnd::TimeLimit
                ? tr("time limit %1 reached").arg(elapsedText(l.maxElapsedMs.value_or(0)))
            : which == RunEnd::ChargeLimit
                ? tr("charge limit %1 Ah reached")
                      .arg(QString::number(l.maxAmpHours.value_or(0), 'f', 3))
                : tr("energy limit %1 Wh reached")
                      .arg(QString::number(l.maxWattHours.value_or(0), 'f', 2));
        m_taken.end = which;
    });
    connect(run, &LoadRun::stopEnded, this, &HeadlessRun::stopEnded);
    // Taken on the run's thread: the end reads them right after the run's
    // shutDown(), before this thread's queue is looked at again.
    connect(
        run, &LoadRun::runStarted, this,
        [this](qint64 runId) {
            const std::lock_guard lock(m_recordMutex);
            if (runId > 0)
                m_runId = runId;
        },
        Qt::DirectConnection);
    connect(
        run, &LoadRun::runEnded, this,
        [this](const RunRecord& record) {
            const std::lock_guard lock(m_recordMutex);
            m_ended = record;
        },
        Qt::DirectConnection);
    connect(run, &LoadRun::loadOnRefused, this, [this](const QString& reason) {
        end(int(HeadlessExit::Failed), tr("Load ON refused: %1").arg(reason));
    });
    connect(run, &LoadRun::loadStillOn, this, [this](const QString& port, double amps) {
        tell(tr("THE LOAD ON %1 IS STILL ON: it draws %2 A after %3 load-off "
                "requests. Switch it off at the load.")
                 .arg(port, QString::number(amps, 'f', 2))
                 .arg(LoadRun::kMaxStopLoadOffs));
    });
    connect(run, &LoadRun::guardFailed, this, [this](const QString& reason) {
        tell(tr("No guard process (%1): should this program die, nothing switches "
                "the load off.")
                 .arg(reason));
    });
    connect(run, &LoadRun::linkLost, this, &HeadlessRun::linkLost);
    connect(run, &LoadRun::linkBack, this, &HeadlessRun::linkBack);
    connect(run, &LoadRun::storingDelayed, this, [this](const QString& message) {
        tell(tr("Readings cannot be stored now: %1. They are kept and stored as soon "
                "as the table takes them.")
                 .arg(message));
    });
    connect(run, &LoadRun::waitingReadingsWritten, this,
            [this](int count) { tell(tr("All %1 waiting readings stored").arg(count)); });
    connect(run, &LoadRun::waitingReadingsOverflowed, this, [this](int capacity) {
        tell(tr("More than %1 readings wait to be stored: the oldest are dropped").arg(capacity));
    });

    m_statusTimer.setInterval(kStatusEveryMs);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] {
        if (m_progress.readings > 0)
            writeStatus(true);
    });
    m_linkLostTimer.setSingleShot(true);
    connect(&m_linkLostTimer, &QTimer::timeout, this, [this] {
        end(int(HeadlessExit::LinkLost),
            tr("the link to %1 was lost and did not come back within %2")
                .arg(m_options.portName, secondsText(m_options.silenceLimitMs)));
    });
}

HeadlessRun::~HeadlessRun() {
    // Bounded: the port's close drains for at most two seconds, a guard let
    // go gets three.
    if (!callAndWaitFor(m_run.get(), kFinishWaitMs, [run = m_run.get()] { run->finish(); }))
        qWarning("the run did not finish within %d ms", kFinishWaitMs);
    m_runThread.quit();
    if (!m_runThread.wait(QDeadlineTimer(kFinishWaitMs)))
        qFatal("the run's thread did not end within %d ms", kFinishWaitMs);
}

QString HeadlessRun::portHolder(const QString& portName) {
    QFile file(SerialLink::lockFilePath(portName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The lock file's first line is its holder's process ID (Qt's and the
    // usual UUCP form alike).
    bool ok = false;
    const qint64 pid = file.readLine(64).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return {};
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!commandLine.open(QIODevice::ReadOnly))
        return {};
    QByteArray words = commandLine.readAll();
    if (words.endsWith('\0'))
        words.chop(1);
    words.replace('\0', ' ');
    return tr("process %1 (%2)").arg(pid).arg(QString::fromLocal8Bit(words));
}

void HeadlessRun::start() {
    // The store first: a run whose readings cannot be stored is not begun.
    QString warning;
    ReadingStore::SetupResult setup = ReadingStore::SetupResult::AliasFailed;
    try {
        setup = ReadingStore::setUp(m_options.dataDirectory, &warning);
    } catch (const Error& e) {
        warning = QString::fromUtf8(e.what());
    }
    switch (setup) {
    case ReadingStore::SetupResult::Ready:
        break;
    case ReadingStore::SetupResult::ServerUnreachable:
        // Readings wait for the server, as under the windows.
        tell(warning.simplified());
        break;
    case ReadingStore::SetupResult::AliasFailed:
    case ReadingStore::SetupResult::InUse:
        end(int(HeadlessExit::Failed),
            tr("the reading table cannot be used: %1").arg(warning.simplified()));
        return;
    }
    post(m_run.get(), [run = m_run.get()] { run->attachReadingTable(); });

    LinkSettings settings;
    settings.portName = m_options.portName;
    settings.baudRate = m_options.baudRate;
    settings.pollIntervalMs = m_options.pollIntervalMs;
    m_taken.port = m_options.portName;
    m_taken.minimumVolts = m_options.minimumVolts;
    m_taken.pollIntervalMs = m_options.pollIntervalMs;
    m_taken.label = m_options.label;
    m_taken.limits = m_options.limits;
    m_progress.limits = m_options.limits;
    post(m_run.get(), [run = m_run.get(), settings, o = m_options] {
        run->setMinimumVoltage(o.minimumVolts);
        run->setSilenceLimit(o.silenceLimitMs);
        run->setRunLimits(o.limits);
        run->setRunLabel(o.label);
        run->applySettings(settings);
    });
}

void HeadlessRun::portOpened() {
    if (m_started || m_ending)
        return;
    m_started = true;
    m_taken.startedAt = QDateTime::currentDateTimeUtc();
    m_sinceLoadOn.start();
    post(m_run.get(), [run = m_run.get()] {
        run->handToComputer();
        run->switchLoadOn();
    });
    if (!m_terminal && !m_options.json && !m_options.quiet)
        m_statusTimer.start();
}

void HeadlessRun::portOpenFailed(int errorCode, const QString& reason) {
    if (m_started || m_ending)
        return;
    QString why = reason.isEmpty() ? tr("unknown reason") : reason;
    if (errorCode == EBUSY) {
        const QString holder = portHolder(m_options.portName);
        why = tr("it is in use by %1").arg(holder.isEmpty() ? tr("another program") : holder);
    }
    end(int(HeadlessExit::Failed), tr("cannot open %1: %2").arg(m_options.portName, why));
}

void HeadlessRun::takeReading(const LoadReading& reading) {
    if (m_ending || !m_started)
        return;
    tellReading(); // the one before, should its tally not have come
    m_progress.readings += 1;
    m_progress.elapsedMs = m_sinceLoadOn.elapsed();
    m_progress.takenAtMs = QDateTime::currentMSecsSinceEpoch();
    m_progress.volts = reading.volts;
    m_progress.amps = reading.amps;
    m_progress.watts = reading.watts;
    m_taken.readings = m_progress.readings;
    if (m_progress.readings == 1)
        m_taken.startVolts = reading.volts;
    m_taken.endVolts = reading.volts;
    m_taken.lowestVolts =
        m_progress.readings == 1 ? reading.volts : std::min(m_taken.lowestVolts, reading.volts);
    m_readingUntold = true;
}

// A reading is told with the charge and energy its own answer brought
// (LoadRun tells them right after the reading).
void HeadlessRun::tellReading() {
    if (!m_readingUntold)
        return;
    m_readingUntold = false;
    if (m_options.quiet)
        return;
    if (m_options.json)
        put(stdout, readingJson(m_progress) + '\n');
    else if (m_terminal)
        writeStatus(false);
}

void HeadlessRun::stopEnded(bool /*loadOff*/) {
    if (m_stopExit < 0)
        return; // not a stop this object waits for
    end(m_stopExit, m_stopReason);
}

void HeadlessRun::linkLost(const QString& portName) {
    tell(tr("Link lost: %1 hung up; it is tried again every second").arg(portName));
    if (m_options.silenceLimitMs > 0 && !m_ending)
        m_linkLostTimer.start(m_options.silenceLimitMs);
}

void HeadlessRun::linkBack(const QString& portName) {
    m_linkLostTimer.stop();
    tell(tr("Link back: %1").arg(portName));
}

void HeadlessRun::interrupt(int signal) {
    end(int(HeadlessExit::SignalBase) + signal,
        tr("interrupted by %1")
            .arg(signal == SIGINT    ? QStringLiteral("SIGINT")
                 : signal == SIGTERM ? QStringLiteral("SIGTERM")
                 : signal == SIGHUP  ? QStringLiteral("SIGHUP")
                                     : tr("signal %1").arg(signal)));
}

// Load-off and front panel (waited for, bounded), the readings still
// waiting given their time, then the summary.
void HeadlessRun::end(int exitStatus, const QString& reason) {
    if (m_ending)
        return;
    tellReading();
    m_ending = true;
    m_statusTimer.stop();
    m_linkLostTimer.stop();
    if (m_lineShown)
        writeStatus(true);

    RunSummary summary;
    summary.exitStatus = exitStatus;
    summary.reason = reason;
    auto safe = std::make_shared<std::atomic<bool>>(false);
    const bool answered = callAndWaitFor(m_run.get(), kShutDownWaitMs,
                                         [run = m_run.get(), safe] { *safe = run->shutDown(); });
    summary.loadMayStillBeOn = !answered || !*safe;
    if (summary.loadMayStillBeOn)
        tell(loadMayStillBeOnText(m_options.portName));

    if (m_started) {
        auto left = std::make_shared<std::atomic<int>>(-1);
        ReadingRecorder* recorder = m_run->recorder();
        callAndWaitFor(recorder, kFlushMs + 1000,
                       [recorder, left] { *left = recorder->flush(kFlushMs); });
        summary.unstoredReadings = *left < 0 ? recorder->waiting() : int(*left);
        if (m_taken.end == RunEnd::Running)
            m_taken.end = exitStatus >= int(HeadlessExit::SignalBase) ? RunEnd::Closed
                          : exitStatus == int(HeadlessExit::LinkLost) ? RunEnd::LinkLost
                                                                      : RunEnd::Running;
        m_taken.endedAt = QDateTime::currentDateTimeUtc();
        // The run as the table keeps it; as the run took it when the table
        // has not got it.
        qint64 runId = 0;
        {
            const std::lock_guard lock(m_recordMutex);
            runId = m_runId > 0 ? m_runId : m_ended ? m_ended->id : 0;
            summary.run = m_ended ? *m_ended : m_taken;
        }
        bool filesWritten = true;
        try {
            ReadingStore store;
            if (const std::optional<RunRecord> stored =
                    runId > 0 ? store.run(runId) : std::nullopt) {
                summary.run = *stored;
                summary.stored = true;
                filesWritten = writeRunFiles(store, *stored, m_options.csvFile, m_options.bdfFile);
            }
        } catch (const Error& e) {
            tell(tr("The stored run cannot be read: %1").arg(QString::fromUtf8(e.what())));
        }
        if (!summary.stored && !(m_options.csvFile.isEmpty() && m_options.bdfFile.isEmpty())) {
            tell(tr("The run is not stored: no file written"));
            filesWritten = false;
        }
        // A run whose files were asked for and not written is no success.
        if (!filesWritten && exitStatus == int(HeadlessExit::MinimumVoltage))
            summary.exitStatus = exitStatus = int(HeadlessExit::Failed);
        if (m_options.json)
            put(stdout, summaryJson(summary) + '\n');
        else
            put(stdout, summaryText(summary).toLocal8Bit());
    } else {
        // Nothing was switched on: the reason is all there is to tell.
        tell(reason);
        if (m_options.json)
            put(stdout, summaryJson(summary) + '\n');
    }
    emitFinished(exitStatus);
}

void HeadlessRun::emitFinished(int exitStatus) {
    // After the caller's own work, so that a connection to quit() is heard by
    // the event loop.
    QTimer::singleShot(0, this, [this, exitStatus] { emit finished(exitStatus); });
}

void HeadlessRun::writeStatus(bool newLine) {
    const QString text = statusLineText(m_progress);
    if (m_terminal) {
        // In place: back to the line's start, the line, the rest cleared.
        put(stdout, ("\r" + text + "\x1b[K" + (newLine ? "\n" : "")).toLocal8Bit());
        m_lineShown = !newLine;
    } else {
        put(stdout, (text + '\n').toLocal8Bit());
    }
}

void HeadlessRun::tell(const QString& message) {
    if (m_lineShown) {
        put(stdout, "\n");
        m_lineShown = false;
    }
    put(stderr, ("tarvex: " + message + '\n').toLocal8Bit());
}

} // namespace tarvex
