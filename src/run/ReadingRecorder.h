// The reading log's writer: appends every reading as one row of the reading
// table, on a thread of its own (the storing thread), so that nothing the
// table does (a lock held by another program, a full disk, a server away or
// stopped mid-statement) can hold up the run.
//
// Readings are handed over with record(), from any thread: they join the
// wait list at once, without waiting for the storing thread, which writes
// them in order, each as one transaction. A reading the table does not take
// waits, in order, and is written as soon as the table takes rows again -
// with its own date and the next ID in order. The user of the recorder is
// told once when readings start to wait and once when all of them have been
// written.
//
// The wait list - every reading handed over and not yet written - holds at
// most capacity() readings (an hour at the poll interval): past it the
// oldest are dropped (the newest are kept) and the user is told so, once per
// episode.
//
// While storing is delayed (and whenever the storing thread has not begun a
// reading within kJournalAfterMs), every waiting reading is also kept in the
// journal of the data directory (store/ReadingJournal.h), so that a program
// killed meanwhile loses none: attachReadingTable() at the next start writes
// them into the table. A retry after a commit whose outcome never came
// (a server gone at that moment) looks for the row first and never stores a
// reading twice.
//
// Runs. A reading of a run is handed over with the run's start (RunStart)
// and its time since Load ON; the storing thread finds the run by its start,
// or begins it in the table (ReadingStore::beginRun), so a reading stored
// late - after a wait, or from the journal at the next start - still lands
// in its run, with its figures. The journal keeps each waiting reading's run
// and time too. A run's end is written after the readings handed over before
// it; an end that cannot be written waits as they do, in the journal too,
// so that a program that ends meanwhile (killed, or at its end with the table
// still out of reach) leaves the run to be ended at the next start as it
// really ended. A run whose end never reached the journal is ended there as
// "ended unexpectedly".
//
// Lives on the storing thread: create it, move it there; call its slots
// there, except those marked "any thread". Its signals are emitted on the
// storing thread. Nothing it does raises out of its slots.
#pragma once

#include "protocol/LoadReading.h"
#include "store/ReadingStore.h"
#include "store/RunRecord.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace tarvex {

class ReadingJournal;

// The run a reading belongs to, as the run hands it over.
struct ReadingRun {
    std::optional<RunStart> start; // none: the reading belongs to no run
    qint64 elapsedMs = 0;          // since the run's Load ON
};

class ReadingRecorder : public QObject {
    Q_OBJECT

public:
    explicit ReadingRecorder(QObject* parent = nullptr);
    ~ReadingRecorder() override;

    // Retries while readings wait: every kRetryMs.
    static constexpr int kRetryMs = 250;
    // A reading the storing thread has not begun to write this long after
    // the reading before it (a statement that hangs) is kept in the journal
    // at once.
    static constexpr int kJournalAfterMs = 100;

    // Readings kept at most while the table does not take them. Any thread.
    int capacity() const;
    // Readings handed over and not yet written. Any thread.
    int waiting() const;
    // The journal's file; empty while nothing was journaled. Any thread.
    QString journalFile() const;

    // Every store call from now on ends by deadline (a server statement is
    // broken off, a locked table file is not waited for longer): the end of
    // the program. Any thread.
    void finishBy(QDeadlineTimer deadline);

public slots:
    // Starts storing: takes over the readings the journals of ended programs
    // left in the data directory (ReadingStore::dataDirectory()) and writes
    // them first, and on a server connects and claims the bench's schema at
    // once. Until then every reading waits (told once as storing delayed).
    void attachReadingTable();
    // Capacity for an hour of readings at this poll interval (0: unchanged).
    // Any thread.
    void setPollInterval(int ms);
    // Appends the reading, taken at takenAt, after those still waiting. Any
    // thread; never waits for the storing thread.
    void record(const tarvex::LoadReading& reading, const QDateTime& takenAt,
                const tarvex::ReadingRun& run = {});
    // A run began: it is written to the table at once when nothing waits
    // (runBegun() tells its RunID), else with its first reading. Any thread.
    void startRun(const tarvex::RunStart& start);
    // The run of start ended: written after the readings handed over before
    // this call. Any thread.
    void endRun(const tarvex::RunStart& start, tarvex::RunEnd end, const QDateTime& endedAt);
    // Tries once more to write what waits, until deadline (the end of the
    // program); what still waits then is kept in the journal. Returns the
    // number of readings left unstored, and says so (how many, and where
    // they are kept) on the program's log.
    int flush(QDeadlineTimer deadline);
    int flush(int timeoutMs) { return flush(QDeadlineTimer(timeoutMs)); }

signals:
    // A reading is stored, as the row with this ID.
    void readingStored(qint64 id);
    // The run that began at startedAtMs (UTC) is in the table as runId.
    void runBegun(qint64 startedAtMs, qint64 runId);
    // Readings have started to wait; message is the table's failure.
    void storingDelayed(const QString& message);
    // How many readings wait, after every change while any do (0 at the end).
    void waitingChanged(int count);
    // All readings that waited have been written; count of them.
    void backlogWritten(int count);
    // The wait list passed its capacity: the oldest readings are being
    // dropped (told once per episode).
    void backlogOverflowed(int capacity);

private:
    struct Waiting {
        quint64 serial = 0;
        LoadReading reading;
        QDateTime takenAt;
        quint64 journalKey = 0; // 0 while not in the journal
        std::optional<qint64> maybeStoredAs;
        ReadingRun run;
    };
    struct RunEnding {
        RunStart start;
        RunEnd end = RunEnd::Running;
        QDateTime endedAt;
        quint64 journalKey = 0; // 0 while not in the journal
    };

    void wake();
    void writeWaiting();
    void beDelayed(const QString& failure);
    void endEpisode();
    // The RunID of the run of start, beginning it in the table when it is
    // not known yet. Raises as the store does.
    qint64 runIdFor(const RunStart& start);
    // Writes the ends that wait; false when one could not be written.
    bool writeEnds();
    // Caller holds m_mutex.
    bool journalsNowLocked() const;
    void journalWaitingLocked();
    // False when the journal cannot be written.
    bool journalLocked(Waiting& w);
    bool journalLocked(RunEnding& e);

    // Storing thread only.
    ReadingStore m_store;
    QTimer m_retryTimer;
    bool m_attached = false;
    bool m_told = false; // storingDelayed emitted in this episode
    int m_writtenInEpisode = 0;
    QHash<QString, qint64> m_runIds; // by start (milliseconds and port)

    // Shared with record(); guarded by m_mutex.
    mutable std::mutex m_mutex;
    std::deque<Waiting> m_waiting;
    std::deque<RunEnding> m_ends;
    quint64 m_nextSerial = 1;
    int m_capacity;
    bool m_episode = false; // readings wait: backlogWritten() at the end
    bool m_delayed = false; // a write failed; retried by the timer
    bool m_wakePosted = false;
    bool m_overflowPending = false;
    bool m_overflowTold = false;
    std::shared_ptr<ReadingJournal> m_journal;
    // The reading being written: since when, and its ID once its row is
    // written and the commit is about to go.
    quint64 m_inFlight = 0;
    qint64 m_inFlightSinceMs = 0;
    std::optional<qint64> m_inFlightId;
};

} // namespace tarvex
