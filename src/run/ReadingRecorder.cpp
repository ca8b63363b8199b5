#include "run/ReadingRecorder.h"

#include "run/CrossThread.h"
#include "store/ReadingJournal.h"

#include <QDir>
#include <QThread>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

constexpr int kHourMs = 3'600'000;
constexpr int kDefaultPollMs = 300;
// Between two failed attempts at the end of the program.
constexpr int kFlushPauseMs = 50;

qint64 nowMs() {
    return QDeadlineTimer::current().deadline();
}

QString runKey(const RunStart& start) {
    return QString::number(start.startedAt.toMSecsSinceEpoch()) + u'\n' + start.port;
}

} // namespace

ReadingRecorder::ReadingRecorder(QObject* parent)
    : QObject(parent), m_retryTimer(this), m_capacity(kHourMs / kDefaultPollMs) {
    m_retryTimer.setObjectName(QStringLiteral("retryTimer"));
    m_retryTimer.setInterval(kRetryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        if (m_journal)
            m_journal->sync();
        writeWaiting();
    });
}

ReadingRecorder::~ReadingRecorder() = default;

int ReadingRecorder::capacity() const {
    const std::lock_guard lock(m_mutex);
    return m_capacity;
}

int ReadingRecorder::waiting() const {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_waiting.size());
}

QString ReadingRecorder::journalFile() const {
    std::shared_ptr<ReadingJournal> journal;
    {
        const std::lock_guard lock(m_mutex);
        journal = m_journal;
    }
    return journal ? journal->fileName() : QString();
}

void ReadingRecorder::finishBy(QDeadlineTimer deadline) {
    m_store.setDeadline(deadline);
}

void ReadingRecorder::setPollInterval(int ms) {
    if (ms <= 0)
        return;
    const std::lock_guard lock(m_mutex);
    m_capacity = std::max(1, kHourMs / ms);
}

// ---- Handing over (any thread) ---------------------------------------------

void ReadingRecorder::record(const LoadReading& reading, const QDateTime& takenAt,
                             const ReadingRun& run) {
    const std::lock_guard lock(m_mutex);
    m_waiting.push_back({m_nextSerial++, reading, takenAt, 0, std::nullopt, run});
    while (static_cast<int>(m_waiting.size()) > m_capacity) {
        if (m_journal && m_waiting.front().journalKey != 0)
            m_journal->settle(m_waiting.front().journalKey);
        m_waiting.pop_front();
        if (!m_overflowTold)
            m_overflowPending = true;
    }
    if (journalsNowLocked())
        journalWaitingLocked();
    if (!std::exchange(m_wakePosted, true))
        post(this, [this] { wake(); });
}

void ReadingRecorder::startRun(const RunStart& start) {
    post(this, [this, start] {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_attached || m_delayed || !m_waiting.empty())
                return; // with its first reading, after those that wait
        }
        try {
            runIdFor(start);
        } catch (const std::exception&) {
            // Its first reading tries again, and tells of a failure.
        }
    });
}

void ReadingRecorder::endRun(const RunStart& start, RunEnd end, const QDateTime& endedAt) {
    bool wakeUp = false;
    {
        const std::lock_guard lock(m_mutex);
        m_ends.push_back({start, end, endedAt, 0});
        if (journalsNowLocked())
            journalWaitingLocked();
        wakeUp = !std::exchange(m_wakePosted, true);
    }
    // Posted outside the lock: a post takes the hand-over's lock, which a
    // reading handed over from a signal holds before it takes this one.
    if (wakeUp)
        post(this, [this] { wake(); });
}

qint64 ReadingRecorder::runIdFor(const RunStart& start) {
    const QString key = runKey(start);
    if (const auto it = m_runIds.constFind(key); it != m_runIds.cend())
        return *it;
    const qint64 id = m_store.beginRun(start);
    m_runIds.insert(key, id);
    emitAcross(this, &ReadingRecorder::runBegun, start.startedAt.toMSecsSinceEpoch(), id);
    return id;
}

bool ReadingRecorder::writeEnds() {
    bool settled = false; // a journaled end is stored
    for (;;) {
        RunEnding next;
        {
            const std::lock_guard lock(m_mutex);
            if (!m_waiting.empty())
                return true;
            if (m_ends.empty()) {
                if (!m_episode) {
                    m_retryTimer.stop();
                    if (settled && m_journal)
                        m_journal->clearIfSettled();
                }
                return true;
            }
            next = m_ends.front();
        }
        try {
            m_store.endRun(runIdFor(next.start), next.end, next.endedAt, next.start.minimumVolts);
        } catch (const std::exception&) {
            const std::lock_guard lock(m_mutex);
            journalWaitingLocked();
            if (!m_retryTimer.isActive())
                m_retryTimer.start();
            return false;
        }
        const std::lock_guard lock(m_mutex);
        if (m_journal && m_ends.front().journalKey != 0) {
            m_journal->settle(m_ends.front().journalKey);
            settled = true;
        }
        m_ends.pop_front();
    }
}

// Storing is delayed, or a statement hangs: what is handed over goes into the
// journal at once, not when the storing thread gets to it.
bool ReadingRecorder::journalsNowLocked() const {
    return m_delayed || (m_inFlight != 0 && nowMs() - m_inFlightSinceMs > kJournalAfterMs);
}

void ReadingRecorder::journalWaitingLocked() {
    if (!m_journal)
        return;
    // A journal that cannot be written (a full disk) is tried once per call,
    // not once per waiting reading: record() runs on the run's thread.
    for (Waiting& w : m_waiting)
        if (w.journalKey == 0 && !journalLocked(w))
            return;
    for (RunEnding& e : m_ends)
        if (e.journalKey == 0 && !journalLocked(e))
            return;
}

bool ReadingRecorder::journalLocked(RunEnding& e) {
    e.journalKey = m_journal->addEnd({0, e.start, e.end, e.endedAt});
    return e.journalKey != 0;
}

bool ReadingRecorder::journalLocked(Waiting& w) {
    ReadingJournal::Entry entry{0,           w.reading,      w.takenAt, w.maybeStoredAs,
                                w.run.start, w.run.elapsedMs};
    // The row of the reading being written may be committed any moment.
    if (w.serial == m_inFlight && m_inFlightId)
        entry.attemptedId = m_inFlightId;
    w.journalKey = m_journal->add(entry);
    return w.journalKey != 0;
}

// ---- On the storing thread --------------------------------------------------

void ReadingRecorder::wake() {
    bool overflow = false;
    bool delayed = false;
    int count = 0;
    int capacity = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_wakePosted = false;
        overflow = std::exchange(m_overflowPending, false);
        if (overflow)
            m_overflowTold = true;
        if (!m_attached)
            m_episode = true;
        delayed = m_delayed || !m_attached;
        count = static_cast<int>(m_waiting.size());
        capacity = m_capacity;
    }
    if (overflow)
        emitAcross(this, &ReadingRecorder::backlogOverflowed, capacity);
    // The program's start could not prepare the table: readings wait, and
    // the operator hears of it once.
    if (!m_attached && !std::exchange(m_told, true))
        emitAcross(this, &ReadingRecorder::storingDelayed,
                   tr("the reading table was not set up at the start of the program"));
    if (!delayed) {
        writeWaiting();
        return;
    }
    // The retry timer writes them; what joined is in the journal already.
    if (m_journal)
        m_journal->sync();
    emitAcross(this, &ReadingRecorder::waitingChanged, count);
}

void ReadingRecorder::attachReadingTable() {
    if (m_attached)
        return;
    auto journal = std::make_shared<ReadingJournal>(ReadingStore::dataDirectory());
    QList<ReadingJournal::EndEntry> leftEnds;
    const QList<ReadingJournal::Entry> left =
        ReadingJournal::adopt(journal->directory(), *journal, leftEnds);
    int count = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_journal = journal;
        // What an ended program left goes first, in its order.
        for (auto it = left.crbegin(); it != left.crend(); ++it)
            m_waiting.push_front({m_nextSerial++, it->reading, it->takenAt, it->key,
                                  it->attemptedId, ReadingRun{it->run, it->elapsedMs}});
        // The runs of an ended program end once its readings are in: as its
        // journal says they ended, else as "ended unexpectedly" at the last
        // of them (a run that ended in the table keeps its end).
        QHash<QString, RunEnding> ended;
        for (const ReadingJournal::Entry& e : left)
            if (e.run)
                ended.insert(runKey(*e.run), {*e.run, RunEnd::Unexpected, e.takenAt.toUTC(), 0});
        for (const ReadingJournal::EndEntry& e : std::as_const(leftEnds))
            ended.insert(runKey(e.run), {e.run, e.end, e.endedAt, e.key});
        for (const RunEnding& e : std::as_const(ended))
            m_ends.push_front(e);
        if (!left.isEmpty() || !leftEnds.isEmpty())
            m_episode = true;
        count = static_cast<int>(m_waiting.size());
        m_attached = true;
    }
    if (!left.isEmpty())
        emitAcross(this, &ReadingRecorder::waitingChanged, count);
    // Connected, and the table claimed, at once: on a server a program
    // started later on the same schema is told at its start. A table out of
    // reach, or a claim held elsewhere, is left for the first reading to
    // find.
    try {
        m_store.claim();
    } catch (const std::exception&) {
    }
    writeWaiting();
}

void ReadingRecorder::writeWaiting() {
    if (!m_attached)
        return;
    for (;;) {
        Waiting next;
        {
            const std::lock_guard lock(m_mutex);
            if (m_waiting.empty())
                break;
            next = m_waiting.front();
            m_inFlight = next.serial;
            m_inFlightSinceMs = nowMs();
            m_inFlightId.reset();
        }
        // Right before the commit: a reading in the journal gets the ID it
        // is about to be stored as, on the disk, so that a program ended
        // before it learns the outcome never stores it twice.
        const auto beforeCommit = [this](qint64 id) {
            quint64 key = 0;
            std::shared_ptr<ReadingJournal> journal;
            {
                const std::lock_guard lock(m_mutex);
                m_inFlightId = id;
                if (!m_waiting.empty() && m_waiting.front().serial == m_inFlight)
                    key = m_waiting.front().journalKey;
                journal = m_journal;
            }
            if (key != 0 && journal)
                journal->noteAttempt(key, id);
        };
        std::optional<qint64> inDoubt;
        QString failure;
        qint64 id = -1;
        try {
            RunStamp stamp;
            if (next.run.start)
                stamp = RunStamp{runIdFor(*next.run.start), next.run.elapsedMs};
            id = m_store.append(next.reading, next.takenAt, stamp, next.maybeStoredAs, beforeCommit,
                                &inDoubt);
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        } catch (...) {
            failure = tr("Unknown failure");
        }
        {
            const std::lock_guard lock(m_mutex);
            m_inFlight = 0;
            m_inFlightId.reset();
            const bool stillFirst = !m_waiting.empty() && m_waiting.front().serial == next.serial;
            if (failure.isEmpty()) {
                if (stillFirst) {
                    if (m_journal && m_waiting.front().journalKey != 0)
                        m_journal->settle(m_waiting.front().journalKey);
                    m_waiting.pop_front();
                }
                if (m_episode)
                    ++m_writtenInEpisode;
            } else if (inDoubt && stillFirst) {
                m_waiting.front().maybeStoredAs = inDoubt;
            }
        }
        if (!failure.isEmpty()) {
            beDelayed(failure);
            return;
        }
        emitAcross(this, &ReadingRecorder::readingStored, id);
    }
    endEpisode();
    writeEnds();
}

void ReadingRecorder::beDelayed(const QString& failure) {
    bool first = false;
    int count = 0;
    std::shared_ptr<ReadingJournal> journal;
    {
        const std::lock_guard lock(m_mutex);
        first = !m_delayed;
        m_delayed = true;
        if (!m_episode) {
            m_episode = true;
            m_writtenInEpisode = 0;
        }
        journalWaitingLocked();
        count = static_cast<int>(m_waiting.size());
        journal = m_journal;
    }
    QString message = failure;
    if (journal && !journal->sync() && !m_told)
        message += tr("\nThey cannot be kept on the disk meanwhile (%1): they are "
                      "lost if the program ends before they are stored.")
                       .arg(journal->errorString());
    if (first)
        m_retryTimer.start();
    if (!std::exchange(m_told, true))
        emitAcross(this, &ReadingRecorder::storingDelayed, message);
    emitAcross(this, &ReadingRecorder::waitingChanged, count);
}

// Everything that waited has been written.
void ReadingRecorder::endEpisode() {
    int written = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_episode)
            return;
        m_episode = false;
        m_delayed = false;
        m_overflowTold = false;
        written = std::exchange(m_writtenInEpisode, 0);
        if (m_journal)
            m_journal->clearIfSettled();
    }
    m_told = false;
    m_retryTimer.stop();
    emitAcross(this, &ReadingRecorder::waitingChanged, 0);
    emitAcross(this, &ReadingRecorder::backlogWritten, written);
}

int ReadingRecorder::flush(QDeadlineTimer deadline) {
    m_store.setDeadline(deadline);
    m_retryTimer.stop();
    if (m_attached) {
        const auto endsWaiting = [this] {
            const std::lock_guard lock(m_mutex);
            return static_cast<int>(m_ends.size());
        };
        while (waiting() + endsWaiting() > 0 && !deadline.hasExpired()) {
            const int before = waiting() + endsWaiting();
            writeWaiting();
            if (waiting() + endsWaiting() >= before)
                QThread::msleep(static_cast<unsigned long>(
                    std::clamp<qint64>(deadline.remainingTime(), 0, kFlushPauseMs)));
        }
    }
    // What is left is kept for the next start.
    int left = 0;
    int endsLeft = 0;
    std::shared_ptr<ReadingJournal> journal;
    {
        const std::lock_guard lock(m_mutex);
        journalWaitingLocked();
        left = static_cast<int>(m_waiting.size());
        endsLeft = static_cast<int>(m_ends.size());
        journal = m_journal;
    }
    if (left == 0 && endsLeft == 0)
        return 0;
    // The readings are told of when any are left; otherwise the runs' ends.
    const QString what = left > 0 ? QStringLiteral("%1 reading(s)").arg(left)
                                  : QStringLiteral("How %1 run(s) ended").arg(endsLeft);
    if (journal && journal->sync() && journal->errorString().isEmpty())
        qWarning("%s could not be stored before the end; %s kept in %s and stored at the next "
                 "start.",
                 qPrintable(what), left > 0 ? "they are" : "it is",
                 qPrintable(QDir::toNativeSeparators(journal->fileName())));
    else
        qWarning("%s could not be stored before the end and %s lost: %s", qPrintable(what),
                 left > 0 ? "are" : "is",
                 qPrintable(journal ? journal->errorString()
                                    : QStringLiteral("the reading table was never attached")));
    return left;
}

} // namespace tarvex
