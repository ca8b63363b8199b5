// The reading table and everything the program does with it: the alias
// RoruvEde in the operators' configuration file, the table "Tarvex" in the
// table file of the alias's directory or in the bench's schema on a
// PostgreSQL server, appending one reading as one row, counting and reading
// the rows in blocks, deleting the first rows, and the claim that keeps two
// programs from logging into one table.
//
// Where the table is. The alias's parameters live in the configuration file
// (configFile(), under the user's configuration directory; the operators'
// own file, whose format stays as it is: one "[alias]" section per alias
// followed by NAME=VALUE lines). An alias with "PATH=" names a directory:
// the table lives in the SQLite file "tables.db" there, in WAL mode with
// synchronous=FULL, so a stored row survives a crash or a power cut. An alias
// with "DEFAULT DRIVER=POSTGRESQL" names a server (HOST, PORT, DATABASE,
// USER, SCHEMA; never a PASSWORD: libpq finds it in ~/.pgpass): the table
// lives in the bench's schema there.
//
// Threads. The set-up and the functions marked "any thread" are for any
// thread. A ReadingStore object is one connection: it connects at its first
// use, on the thread that uses it, and is used on that thread only (the
// reading log's writer has one, the query window another). No call blocks
// beyond a bound: a locked table file is waited for 2 s, a server gets
// connect_timeout (5 s), statement_timeout and tcp_user_timeout, and a
// statement a server leaves unanswered is broken off by the program after
// kStatementMs. setDeadline() shortens each of these to what is left before
// it, and no connection is begun once it has passed.
//
// Failures raise DatabaseError with a message the operator can read (which
// table file or server, and why).
#pragma once

#include "errors/Errors.h"
#include "protocol/LoadReading.h"
#include "store/RunFigures.h"
#include "store/RunRecord.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace tarvex {

// An alias that names a PostgreSQL server, as its parameters HOST, PORT,
// DATABASE, USER and SCHEMA give it. An empty text (or port -1) leaves the
// choice to libpq: its environment (PGHOST, PGPORT, PGDATABASE, PGUSER) or
// its defaults.
struct ServerAlias {
    QString host; // a host name or address, or a Unix socket directory
    int port = -1;
    QString database;
    QString user;
    QString schema; // never empty, at most 63 bytes: each bench logs into a schema of its own

    // "database lab on host db.example, port 5432", as messages name the
    // server; parts left to libpq are named as its defaults.
    QString description() const;
};

// One stored row as it is read back.
struct StoredReading {
    qint64 id = 0;
    // The texts as stored, leading blanks kept; null for an empty field.
    QString volts;
    QString amps;
    QString watts;
    // The day; invalid for an empty field or one that does not hold a date,
    // whose stored text is then in dateText.
    QDate date;
    QString dateText;
};

// The run a reading belongs to, as append() stores it.
struct RunStamp {
    qint64 runId = 0;     // the run's RunID; 0: the reading belongs to no run
    qint64 elapsedMs = 0; // since the run's Load ON
};

class StoreBackend;

class ReadingStore {
    // ReadingStore::tr(): the store's messages, read through the translator.
    Q_DECLARE_TR_FUNCTIONS(ReadingStore)

public:
    static constexpr char kAlias[] = "RoruvEde";
    static constexpr char kTableName[] = "Tarvex";
    // The name of the table file in the alias's directory.
    static constexpr char kTableFileName[] = "tables.db";
    // A statement a server leaves unanswered this long is broken off.
    static constexpr int kStatementMs = 8000;
    // A locked table file is waited for this long.
    static constexpr int kBusyMs = 2000;

    // The table's fields in stored order: ID (32-bit integer), VolVal, CurVal
    // and PowVal (texts of 10 characters) and TestDate (date). Its one index,
    // IndexID, is primary and unique on ID.
    static QStringList fieldNames();

    enum class SetupResult {
        Ready,       // directory (or schema), alias and table exist; the table is claimed
        AliasFailed, // the alias could not be read or made; the table was not looked at
        // The alias names a server that could not be reached, or that
        // refused the schema or the table.
        ServerUnreachable,
        // Another program logs into the table file or the schema.
        InUse,
    };

    // Makes the data directory, the alias and the table exist, creating or
    // correcting what is missing or out of date; an existing table (its name
    // matched without regard to letter case) is used unchanged. Then claims
    // the table for this program (see claim()). Any thread; run it before
    // ReadingStore objects are used. Every result but Ready comes with the
    // text that tells the operator in warning (when given).
    // - An alias that names a server is used exactly as configured: no data
    //   directory is made, the configuration file is neither changed nor
    //   saved. The schema and the table are made if missing. Nothing is
    //   raised: a server that cannot be reached or used gives
    //   ServerUnreachable, a schema another program logs into gives InUse.
    // - The directory cannot be created: raises StoreSetupError
    //   "Cannot create " + directory, before the alias is looked at.
    // - Any failure in the alias steps (the SQLite driver missing, the
    //   configuration file unreadable, damaged, not a regular file, larger
    //   than it can be, not writable; an alias without parameters): returns
    //   AliasFailed at once, the warning "Have no install BDE ,Please
    //   insatll !" with the reason on a second line; the table is not looked
    //   at.
    // - A failure while opening or creating the table (for instance a damaged
    //   table file) raises DatabaseError.
    // - Another program holds the table file's claim: InUse.
    // The data directory is also where readings that wait to be stored are
    // kept (ReadingJournal), for a server alias too.
    [[nodiscard]] static SetupResult setUp(const QString& dataDirectory,
                                           QString* warning = nullptr);

    // The data directory of the last setUp(); empty before. Any thread.
    static QString dataDirectory();
    // The configuration file in use. Any thread.
    static QString configFile();
    // The server the alias RoruvEde names, or nothing for a directory. Any
    // thread. Raises as setUp() would fail for it.
    static std::optional<ServerAlias> serverAlias();

    // Test seams; any thread. Each returns the previous setting.
    // The configuration file; empty: the default place.
    static QString setConfigFile(const QString& path);
    // The Qt SQL driver for table files ("QSQLITE"); another name simulates
    // a missing driver.
    static QString setSqliteDriver(const QString& driver);
    // Forgets the last set-up and lets go of this program's claim, as at the
    // end of a run.
    static void forgetSetUp();

    ReadingStore();
    ~ReadingStore();
    ReadingStore(const ReadingStore&) = delete;
    ReadingStore& operator=(const ReadingStore&) = delete;

    // Appends reading as one row in one transaction: ID one more than the
    // largest ID stored (0 for an empty table), worked out inside the
    // transaction; the three texts as they are; TestDate the day of takenAt.
    // Returns the ID. Claims the table first if this program does not hold
    // it: while another program does, raises and writes nothing.
    // maybeStoredAs: an earlier attempt to store this very reading sent its
    // commit and never learned the outcome; its ID. The row is looked for
    // first, and nothing is stored when it is there.
    // beforeCommit: called with the ID when the row is written, right before
    // the commit is sent.
    // On failure the row is not stored, unless the failure came after the
    // commit was sent (a server gone at that moment): then *inDoubt (when
    // given) receives the ID the row has if the commit went through. A
    // broken connection is dropped; the next call connects anew.
    //
    // The same transaction writes the reading's row of ReadingTimes (its ID,
    // run, takenAt in UTC milliseconds and time since Load ON) and, for a
    // reading of a run, the run's figures (RunFigures): a reading, its time
    // and its run's figures are stored together or not at all. The figures
    // are kept in memory by this object (read from the run's row once, when
    // a run's first reading comes through it), so each reading costs the
    // same whatever the tables hold. A reading of a run that is not in the
    // table is stored as one of no run.
    qint64 append(const LoadReading& reading, const QDateTime& takenAt, const RunStamp& run,
                  std::optional<qint64> maybeStoredAs = std::nullopt,
                  const std::function<void(qint64)>& beforeCommit = {},
                  std::optional<qint64>* inDoubt = nullptr);
    // A reading of no run.
    qint64 append(const LoadReading& reading, const QDateTime& takenAt,
                  std::optional<qint64> maybeStoredAs = std::nullopt,
                  const std::function<void(qint64)>& beforeCommit = {},
                  std::optional<qint64>* inDoubt = nullptr) {
        return append(reading, takenAt, RunStamp{}, maybeStoredAs, beforeCommit, inDoubt);
    }

    // ---- Runs ----
    // The runs live in the table Runs beside the reading table, one row per
    // Load ON: RunID (1, 2, ...), StartedAt and EndedAt (UTC milliseconds,
    // EndedAt null while running), FirstID, LastID, Readings, StopReason
    // (runEndKey(), null while running), AmpHours, WattHours, StartVolts,
    // EndVolts, LowestVolts, MinimumVolts, PollIntervalMs, Port, Label,
    // MaxElapsedMs, MaxAmpHours, MaxWattHours (null: not armed), UncountedMs,
    // ReadingsCleared (0 or 1). Each of these calls is one transaction and
    // claims the table first where it writes, as append() does.

    // Starts a run and returns its RunID. A run with the same start (its
    // StartedAt to the millisecond and its port) is the same run: its RunID
    // is returned and nothing is written, so a start retried after a failure
    // whose outcome was not known never makes two runs.
    qint64 beginRun(const RunStart& start);
    // Ends the run: EndedAt, and why (StopReason); minimumVolts, when given,
    // is the minimum-voltage setting in force at the end (the operator may
    // change it during the run). A run that has ended already keeps its
    // first end, but for "ended unexpectedly": that is what the next start
    // concludes of a run whose end it does not know, and a later word of how
    // the run ended (a program's journal) replaces it.
    void endRun(qint64 runId, RunEnd end, const QDateTime& endedAt,
                std::optional<double> minimumVolts = std::nullopt);
    // All runs, by RunID.
    QList<RunRecord> runs();
    std::optional<RunRecord> run(qint64 runId);
    // The readings of a run in ID order, [first, first + n) of them (n < 0:
    // all to the end): numbers parsed from the stored texts, times from
    // ReadingTimes. None for a run whose readings were cleared.
    QList<RunReading> runReadings(qint64 runId, int first = 0, int n = -1);
    // Ends the runs that have not ended (the program that ran them was
    // killed or lost its power) as RunEnd::Unexpected, with their figures
    // recomputed from their stored readings and EndedAt the time of the
    // last of them (the start for a run without readings). Returns how many.
    // setUp() calls it.
    int recoverUnendedRuns();

    // How many rows there are, and the largest ID among them: rows appended
    // later have larger IDs.
    struct Count {
        int rows = 0;
        qint64 lastId = -1;
    };
    Count count();
    // Rows [first, first + n) in ID order of those counted (fewer at the end;
    // rows appended since are left out). Reaching row first costs a skip over
    // the rows before it (a table file is mapped into memory for that), or,
    // for a row in the second half, over the rows after it, read from the
    // end.
    QList<StoredReading> read(int first, int n, const Count& counted);
    // The n rows that follow the row with ID id, in ID order, up to the row
    // with ID lastId: a walk through the rows without any skip.
    QList<StoredReading> readAfter(qint64 id, int n,
                                   qint64 lastId = std::numeric_limits<qint64>::max());
    // Deletes the first n rows in ID order (all when fewer are stored) as
    // one transaction, and returns how many went. Their rows of ReadingTimes
    // go with them; the runs stay (they are the results), and those that had
    // readings among them say so (ReadingsCleared). When a row refuses to go,
    // the rows before it are deleted all the same, it and the rest stay, and
    // the error is raised. Claims the table first, as append() does.
    int removeFirst(int n);

    // Claims the table for this program for as long as it runs (a table
    // file) or as long as this object's connection lives (a server: a
    // PostgreSQL advisory lock of its session): another program that tries
    // is refused meanwhile. Nothing happens when this program holds the claim
    // already (through any ReadingStore object). Raises DatabaseError, saying
    // so plainly, when another program holds it.
    void claim();

    // Gives up the connection (and a server claim held through it).
    void close();
    bool isOpen() const;
    // Every call from now until deadline ends by then: a server statement
    // is broken off, a locked table file not waited for longer, a connection
    // to a server begun before it is given what is left (libpq takes 2 s at
    // the least) and none is begun after it. Any thread.
    void setDeadline(QDeadlineTimer deadline);

private:
    StoreBackend& backend();
    void dropIfLost();

    std::optional<RunFigures> loadFigures(StoreBackend& b, qint64 runId, const QString& context);
    void writeFigures(StoreBackend& b, qint64 runId, const RunFigures& f, const QString& context);

    std::unique_ptr<StoreBackend> m_backend;
    // The figures of the run whose readings this object stored last, as
    // committed.
    qint64 m_figuresRun = 0;
    std::optional<RunFigures> m_figures;
    std::shared_ptr<struct StoreDeadline> m_deadline;
};

} // namespace tarvex
