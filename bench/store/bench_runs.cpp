// Runs benchmark: what storing a reading of a run costs - its row, its row of
// ReadingTimes and its run's figures, in one transaction - against the
// reading's row alone as the store wrote it before runs were kept (BEGIN
// IMMEDIATE, the one INSERT that numbers the row, COMMIT, on a connection set
// up as the store's: WAL, synchronous=FULL), with 0 and 1 M rows stored. The
// readings go round the four tables, so the disk's moods (each commit waits
// for an fsync) fall on all of them alike.
//
// Usage: bench_runs [readings per table (500)] [directory (the temporary one)]
//   A directory in memory (/dev/shm) leaves the fsync out and shows the work
//   of the statements alone.

#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;
using bench::Percentile;

namespace {

LoadReading workedReading() {
    return decodeStatusAnswer(makeStatusAnswer(1500, 12345, 185));
}

void setUpStore(const QString& dir) {
    ReadingStore::forgetSetUp();
    if (ReadingStore::setUp(dir) != ReadingStore::SetupResult::Ready)
        throw std::runtime_error("the alias RoruvEde cannot be set up");
}

void exec(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw std::runtime_error(qPrintable(sql + QStringLiteral(": ") + q.lastError().text()));
}

// Gives the n rows of the reading table their times, all of run 1 (begun
// here), 200 ms apart, and the run its figures as they would stand.
void fillRun(const QString& file, int n) {
    const QString name = QStringLiteral("bench-run-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            throw std::runtime_error("cannot open the table file");
        QSqlQuery q(db);
        exec(q, QStringLiteral("BEGIN"));
        exec(q, QStringLiteral("INSERT INTO ReadingTimes SELECT ID, 1, 1765400000000 + 200 * ID, "
                               "200 * ID FROM Tarvex"));
        exec(q, QStringLiteral("INSERT INTO Runs (RunID, StartedAt, FirstID, LastID, Readings, "
                               "AmpHours, WattHours, StartVolts, EndVolts, LowestVolts, "
                               "MinimumVolts, PollIntervalMs, Port, Label) VALUES (1, "
                               "1765400000000, %1, %2, %3, 0, 0, 12.35, 12.35, 12.35, 10.5, 200, "
                               "'/dev/bench', 'bench')")
                    .arg(n > 0 ? QStringLiteral("0") : QStringLiteral("NULL"),
                         n > 0 ? QString::number(n - 1) : QStringLiteral("NULL"))
                    .arg(n));
        exec(q, QStringLiteral("COMMIT"));
        exec(q, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The reading's row alone, as the store stored it before runs were kept.
class RowAlone {
public:
    explicit RowAlone(const QString& file)
        : m_name(QStringLiteral("bench-row-alone-%1").arg(++s_count)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        if (!db.open())
            throw std::runtime_error("cannot open the table file");
        QSqlQuery q(db);
        exec(q, QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(q, QStringLiteral("PRAGMA synchronous=FULL"));
        exec(q, QStringLiteral("PRAGMA mmap_size=268435456"));
        m_insert = std::make_unique<QSqlQuery>(db);
        m_insert->setForwardOnly(true);
        m_insert->prepare(QStringLiteral(
            "INSERT INTO \"Tarvex\" (\"ID\", \"VolVal\", \"CurVal\", \"PowVal\", \"TestDate\") "
            "SELECT coalesce(max(\"ID\"), -1) + 1, ?, ?, ?, ? FROM \"Tarvex\" RETURNING \"ID\""));
    }
    ~RowAlone() {
        m_insert.reset();
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    void append(const LoadReading& r, const QDateTime& at) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        exec(q, QStringLiteral("BEGIN IMMEDIATE"));
        m_insert->bindValue(0, r.voltsText);
        m_insert->bindValue(1, r.ampsText);
        m_insert->bindValue(2, r.wattsText);
        m_insert->bindValue(3, at.date().toString(Qt::ISODate));
        if (!m_insert->exec())
            throw std::runtime_error(qPrintable(m_insert->lastError().text()));
        m_insert->next();
        m_insert->finish();
        exec(q, QStringLiteral("COMMIT"));
    }

private:
    static inline int s_count = 0;
    QString m_name;
    std::unique_ptr<QSqlQuery> m_insert;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int readings = argc > 1 ? std::atoi(argv[1]) : 500;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTemporaryDir root(base + QStringLiteral("/bench_runs-XXXXXX"));
    ReadingStore::setConfigFile(root.filePath(QStringLiteral("table-engine.conf")));
    try {
        std::printf("Stores under %s\n\n", qPrintable(root.path()));
        struct Table {
            int rows;
            bool run;
            std::unique_ptr<ReadingStore> store;
            std::unique_ptr<RowAlone> alone;
            std::vector<double> micros;
        };
        std::vector<Table> tables;
        for (const int n : {0, 1'000'000}) {
            for (const bool run : {false, true}) {
                const QString dir =
                    QStringLiteral("%1/rows%2-%3/Table").arg(root.path()).arg(n).arg(run);
                setUpStore(dir);
                const QString file = dir + QStringLiteral("/tables.db");
                if (!bench::FillReadingTable(file, n))
                    return 1;
                Table t{n, run, nullptr, nullptr, {}};
                if (run) {
                    fillRun(file, n);
                    t.store = std::make_unique<ReadingStore>();
                    // Connected, its statements prepared, the run's figures
                    // read once.
                    t.store->append(workedReading(), QDateTime::currentDateTime(),
                                    RunStamp{1, 200LL * n});
                } else {
                    t.alone = std::make_unique<RowAlone>(file);
                    t.alone->append(workedReading(), QDateTime::currentDateTime());
                }
                tables.push_back(std::move(t));
            }
        }
        const LoadReading reading = workedReading();
        QElapsedTimer timer;
        for (int i = 0; i < readings; ++i) {
            for (Table& t : tables) {
                const QDateTime now = QDateTime::currentDateTime();
                timer.start();
                if (t.run)
                    t.store->append(reading, now, RunStamp{1, 200LL * (t.rows + 1 + i)});
                else
                    t.alone->append(reading, now);
                t.micros.push_back(timer.nsecsElapsed() / 1000.0);
            }
        }
        std::printf("Cost of storing a reading, us (median, 90th percentile), %d readings each:\n",
                    readings);
        std::printf("%10s  %-44s %8s %8s\n", "rows", "what is stored", "median", "p90");
        for (const Table& t : tables)
            std::printf("%10d  %-44s %8.0f %8.0f\n", t.rows,
                        t.run ? "row + its time + its run's figures"
                              : "the row alone (before runs)",
                        Median(t.micros), Percentile(t.micros, 0.9));
        std::printf("\nrun / row alone at 0 rows:   %.2f (target <= 1.2)\n",
                    Median(tables[1].micros) / Median(tables[0].micros));
        std::printf("run / row alone at 1 M rows: %.2f (target <= 1.2)\n",
                    Median(tables[3].micros) / Median(tables[2].micros));
        std::printf("run at 1 M / run at 0:       %.2f (flat: about 1)\n",
                    Median(tables[3].micros) / Median(tables[1].micros));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_runs: %s\n", e.what());
        return 1;
    }
    return 0;
}
