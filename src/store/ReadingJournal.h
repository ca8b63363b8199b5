// Readings that wait to be stored, kept in a file of the data directory so
// that they outlive the program: a program killed (or a machine that loses
// its power) while its table is locked or its server away loses none of
// them; the next start writes them into the table.
//
// Each program keeps a journal file of its own ("waiting-readings-*.journal"
// in the data directory), locked (flock) for as long as it is open, so that a
// journal whose file nobody locks belongs to a program that has ended. The
// file is a list of records, one line each: a reading that waits (with a key
// of its own), the ID a transaction storing it is about to commit, and that
// it was settled (stored, or dropped from a full wait list). A run's end that
// waits to be written (how and when the run ended) is a record too, open
// until settled as a reading is. A record is open from its first line until
// it is settled; the file is emptied when none is open, and removed when the
// journal goes with none open.
//
// Every function may be called from any thread. Failures to write are not
// raised: the journal keeps the readings in memory only then, and
// errorString() says why.
#pragma once

#include "protocol/LoadReading.h"
#include "store/RunRecord.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <mutex>
#include <optional>

namespace tarvex {

class ReadingJournal {
public:
    // A reading as a journal holds it.
    struct Entry {
        quint64 key = 0;
        LoadReading reading;
        QDateTime takenAt;
        // The ID the last transaction that stored it was about to commit,
        // when it may have gone through.
        std::optional<qint64> attemptedId;
        // The run it belongs to, as its Load ON began it (the store finds
        // the run by its start, or begins it when the start never reached
        // the table), and its time since Load ON.
        std::optional<RunStart> run;
        qint64 elapsedMs = 0;
    };

    // A run's end as a journal holds it.
    struct EndEntry {
        quint64 key = 0;
        RunStart run; // the run, found by its start
        RunEnd end = RunEnd::Running;
        QDateTime endedAt; // UTC
    };

    // A journal in directory; its file is made at the first add().
    explicit ReadingJournal(QString directory);
    // Removes the file when no reading in it is open; keeps it otherwise.
    ~ReadingJournal();
    ReadingJournal(const ReadingJournal&) = delete;
    ReadingJournal& operator=(const ReadingJournal&) = delete;

    // Writes a reading that waits, under key (a new key when 0), and returns
    // its key; 0 when it cannot be written. The record is in the system's
    // hands at once (a kill loses nothing); sync() puts it on the disk.
    quint64 add(const Entry& entry);
    // Writes a run's end that waits, as add() does a reading.
    quint64 addEnd(const EndEntry& entry);
    // Puts everything written so far on the disk. False on failure.
    bool sync();
    // Notes, on the disk, that a transaction storing the reading of key is
    // about to commit with ID id: should the program end before it learns
    // the outcome, the next start looks for that row.
    void noteAttempt(quint64 key, qint64 id);
    // The reading or run end of key is stored or dropped.
    void settle(quint64 key);
    // Readings written and not yet settled.
    int openCount() const;
    // Empties the file when no reading is open.
    void clearIfSettled();

    QString directory() const { return m_directory; }
    // The journal's file; empty until the first add().
    QString fileName() const;
    // Why the last write failed; empty when none did.
    QString errorString() const;

    // Takes over the journals in directory of programs that have ended: the
    // readings they left open, oldest first, and the run ends they left open
    // (into ends) are added to into (on the disk) before their files are
    // removed; both are open in into until settled. A journal that cannot be
    // read is left as it is.
    static QList<Entry> adopt(const QString& directory, ReadingJournal& into,
                              QList<EndEntry>& ends);

private:
    bool openFile();
    bool writeLine(const QByteArray& line);
    // Writes the record of key and keeps key open; false when it cannot.
    bool writeOpen(quint64 key, const QByteArray& record);

    const QString m_directory;
    mutable std::mutex m_mutex;
    QString m_file;
    int m_fd = -1;
    QSet<quint64> m_open;
    QString m_error;
};

} // namespace tarvex
