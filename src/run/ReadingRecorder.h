// The reading log's writer: appends every reading as one row of the reading
// table, on a thread of its own, so that nothing the table does (a lock held
// by another program, a full disk, a slow file system) can hold up the run.
//
// A reading the table does not take at once is kept, in order, and written as
// soon as the table takes rows again - with its own date and the next ID in
// order. The user of the recorder is told once when readings start to wait
// and once when all of them have been written. The wait list is bounded: past
// its capacity the oldest readings are dropped (the newest are kept) and the
// user is told so, once per episode.
//
// Lives on its own thread: create it, move it there, then call its slots
// through queued connections.
#pragma once

#include "protocol/LoadReading.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

namespace tarvex {

class Table;

class ReadingRecorder : public QObject {
    Q_OBJECT

public:
    explicit ReadingRecorder(QObject* parent = nullptr);
    ~ReadingRecorder() override;

    // Retries while readings wait: every kRetryMs.
    static constexpr int kRetryMs = 250;

    // The table rows are written through, for tests (use it on the
    // recorder's thread).
    Table* table() const { return m_table; }
    // Readings kept at most while the table does not take them.
    int capacity() const { return m_capacity; }

public slots:
    // Points the table at the reading table (on a server: connects and
    // claims the bench's schema at once). Until then every reading waits (the
    // store could not be prepared).
    void attachReadingTable();
    // Capacity for an hour of readings at this poll interval (0: unchanged).
    void setPollInterval(int ms);
    // Appends the reading, taken at takenAt, after those still waiting.
    void record(const tarvex::LoadReading& reading, const QDateTime& takenAt);
    // Tries once more to write what waits, for at most timeoutMs (the end of
    // the program). Returns the number of readings still waiting.
    int flush(int timeoutMs);

signals:
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
        LoadReading reading;
        QDateTime takenAt;
    };
    void writeWaiting();

    Table* m_table; // a child
    std::deque<Waiting> m_waiting;
    QTimer m_retryTimer;
    int m_capacity;
    bool m_delayed = false;
    bool m_overflowTold = false;
    int m_writtenInEpisode = 0;
};

} // namespace tarvex
