// Store benchmark: the statements one stored reading costs (SQLite's own
// trace of every statement the connection runs); what one reading costs with
// 0, 1 k, 100 k and 1 M rows stored; how fast the rows of a 1 M-row table
// are counted and read in blocks (the first screenful, the last, one far
// inside); and a soak of SIGKILLs against a process that stores readings.
//
// Usage: bench_store [soak trials (100)] [readings per size (200)]

#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <dlfcn.h>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;
using bench::Percentile;

namespace {

LoadReading workedReading() {
    return decodeStatusAnswer(makeStatusAnswer(1500, 12345, 185));
}

// Points RoruvEde at dir and makes the reading table exist there.
void setUpStore(const QString& dir) {
    ReadingStore::forgetSetUp();
    if (ReadingStore::setUp(dir) != ReadingStore::SetupResult::Ready)
        throw std::runtime_error("the alias RoruvEde cannot be set up");
}

// Every statement the SQLite connections of this thread run, counted through
// SQLite's own trace (sqlite3_trace_v2, looked up in the library Qt's driver
// loaded).
class StatementTrace {
public:
    // Traces the connections open now.
    StatementTrace() {
        void* library = ::dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
        using Trace = int (*)(void*, unsigned, int (*)(unsigned, void*, void*, void*), void*);
        using Sql = const char* (*)(void*);
        const auto trace =
            library ? reinterpret_cast<Trace>(::dlsym(library, "sqlite3_trace_v2")) : nullptr;
        s_sql = library ? reinterpret_cast<Sql>(::dlsym(library, "sqlite3_sql")) : nullptr;
        if (!trace)
            throw std::runtime_error("SQLite's trace cannot be reached");
        for (const QString& name : QSqlDatabase::connectionNames()) {
            const QSqlDatabase db = QSqlDatabase::database(name, false);
            const QVariant handle =
                db.isValid() && db.driver() ? db.driver()->handle() : QVariant();
            if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
                continue;
            void* connection = *static_cast<void* const*>(handle.constData());
            trace(connection, 1 /* SQLITE_TRACE_STMT */, &StatementTrace::count, this);
            m_traced.push_back({connection, trace});
        }
    }
    ~StatementTrace() {
        for (const auto& [connection, trace] : m_traced)
            trace(connection, 0, nullptr, nullptr);
    }
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

    int connections() const { return static_cast<int>(m_traced.size()); }
    long long statements() const { return m_count; }
    // How often each statement ran (its text, as prepared).
    const std::map<std::string, long long>& texts() const { return m_texts; }

private:
    static int count(unsigned, void* self, void* statement, void*) {
        auto* t = static_cast<StatementTrace*>(self);
        ++t->m_count;
        const char* sql = s_sql ? s_sql(statement) : nullptr;
        ++t->m_texts[sql ? std::string(sql) : std::string("?")];
        return 0;
    }

    using Trace = int (*)(void*, unsigned, int (*)(unsigned, void*, void*, void*), void*);
    static inline const char* (*s_sql)(void*) = nullptr;
    std::vector<std::pair<void*, Trace>> m_traced;
    long long m_count = 0;
    std::map<std::string, long long> m_texts;
};

void statementsPerReading(const QString& root) {
    setUpStore(root + QStringLiteral("/statements/Table"));
    ReadingStore store;
    store.append(workedReading(), QDateTime::currentDateTime()); // connected, prepared
    constexpr int kReadings = 1000;
    StatementTrace trace;
    for (int i = 0; i < kReadings; ++i)
        store.append(workedReading(), QDateTime::currentDateTime());
    std::printf("Statements per stored reading (SQLite's trace of %d connection(s), %d readings): "
                "%.2f (target: one INSERT in its transaction)\n",
                trace.connections(), kReadings, double(trace.statements()) / kReadings);
    for (const auto& [sql, n] : trace.texts())
        std::printf("  %5.2f x %s\n", double(n) / kReadings, sql.c_str());
    std::printf("\n");
}

// One store per size, each in a directory of its own, filled outside the
// program. The readings go round the sizes, so that the disk's moods (every
// stored row waits for an fsync) fall on all of them alike.
void appendCost(const QString& root, int readings) {
    struct Sized {
        int rows;
        std::unique_ptr<ReadingStore> store; // connected to its own table file
        std::vector<double> micros;
    };
    const LoadReading reading = workedReading();
    std::vector<Sized> sizes;
    for (const int n : {0, 1000, 100000, 1000000}) {
        const QString dir = QStringLiteral("%1/rows%2/Table").arg(root).arg(n);
        setUpStore(dir);
        if (!bench::FillReadingTable(dir + QStringLiteral("/tables.db"), n))
            return;
        auto store = std::make_unique<ReadingStore>();
        store->count(); // connected
        sizes.push_back({n, std::move(store), {}});
    }
    QElapsedTimer timer;
    for (int i = 0; i < readings; ++i) {
        for (Sized& s : sizes) {
            timer.start();
            s.store->append(reading, QDateTime::currentDateTime());
            s.micros.push_back(timer.nsecsElapsed() / 1000.0);
        }
    }
    std::printf("Cost of storing a reading, us (median, 90th percentile), %d readings per size:\n",
                readings);
    std::printf("%10s %10s %10s\n", "rows", "median", "p90");
    for (const Sized& s : sizes)
        std::printf("%10d %10.0f %10.0f\n", s.rows, Median(s.micros), Percentile(s.micros, 0.9));
    std::printf("at 1 M / at 1 k: %.2f (target <= 1.2)\n\n",
                Median(sizes[3].micros) / Median(sizes[1].micros));
}

void readCost(const QString& root) {
    constexpr int kScreen = 25; // rows the query window's grid shows at once
    const QString dir = root + QStringLiteral("/read/Table");
    setUpStore(dir);
    if (!bench::FillReadingTable(dir + QStringLiteral("/tables.db"), 1000000))
        return;
    std::vector<double> open, last, far, walk;
    qint64 checksum = 0;
    for (int trial = 0; trial < 5; ++trial) {
        ReadingStore store;
        QElapsedTimer timer;
        timer.start();
        const ReadingStore::Count counted = store.count();
        for (const StoredReading& r : store.read(0, kScreen, counted))
            checksum += r.id;
        open.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        for (const StoredReading& r : store.read(counted.rows - kScreen, kScreen, counted))
            checksum += r.id;
        last.push_back(timer.nsecsElapsed() / 1e6);

        for (const int row : {500000, 250000, 750000, 10000}) {
            timer.start();
            for (const StoredReading& r : store.read(row, kScreen, counted))
                checksum += r.id;
            far.push_back(timer.nsecsElapsed() / 1e6);
        }

        timer.start();
        int rows = 0;
        qint64 after = -1;
        for (;;) {
            const QList<StoredReading> block = store.readAfter(after, 4096, counted.lastId);
            if (block.isEmpty())
                break;
            rows += static_cast<int>(block.size());
            after = block.last().id;
        }
        walk.push_back(timer.nsecsElapsed() / 1e6);
        checksum += rows;
    }
    std::printf("The 1 M-row table, read in blocks (median of 5, ms):\n"
                "  connect, count and the first screenful (%d rows): %.1f\n"
                "  the last screenful:                                %.1f\n"
                "  a screenful far inside:                            %.1f (median of %zu)\n"
                "  every row, 4096 at a time:                         %.0f\n"
                "  (checksum %lld)\n\n",
                kScreen, Median(open), Median(last), Median(far), far.size(), Median(walk),
                static_cast<long long>(checksum));
}

void soak(const QString& root, int trials) {
    const QString config = root + QStringLiteral("/soak/table-engine.conf");
    const QString dir = root + QStringLiteral("/soak/Table");
    const QString previous = ReadingStore::setConfigFile(config);
    setUpStore(dir);
    ReadingStore::forgetSetUp(); // the children claim the table
    ReadingStore::setConfigFile(previous);

    QMap<int, QString> reported;
    int lost = 0;
    int unsound = 0;
    int gaps = 0;
    QRandomGenerator random(20240501);
    QElapsedTimer total;
    total.start();
    for (int trial = 0; trial < trials; ++trial) {
        QProcess child;
        child.setProgram(QStringLiteral(TARVEX_LOG_CHILD));
        child.setArguments({config, dir});
        child.start();
        if (!child.waitForStarted(30000) || !child.waitForReadyRead(60000)) {
            std::printf("soak: the child did not start: %s\n",
                        child.readAllStandardError().constData());
            return;
        }
        QThread::msleep(random.bounded(100));
        child.kill();
        child.waitForFinished(30000);
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const qsizetype space = lines[i].indexOf(' ');
            reported.insert(lines[i].left(space).toInt(),
                            QString::fromUtf8(lines[i].mid(space + 1)));
        }

        QMap<int, QString> stored;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("soak"));
            db.setDatabaseName(dir + QStringLiteral("/tables.db"));
            db.open();
            QSqlQuery q(db);
            q.exec(QStringLiteral("PRAGMA integrity_check"));
            if (!q.next() || q.value(0).toString() != QStringLiteral("ok"))
                ++unsound;
            q.exec(QStringLiteral("SELECT ID, VolVal FROM Tarvex"));
            while (q.next())
                stored.insert(q.value(0).toInt(), q.value(1).toString());
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("soak"));
        for (auto it = reported.cbegin(); it != reported.cend(); ++it)
            if (stored.value(it.key()) != it.value())
                ++lost;
        if (!stored.isEmpty() && (stored.firstKey() != 0 || stored.lastKey() != stored.size() - 1))
            ++gaps;
    }
    std::printf("Soak: %d SIGKILL trials in %.1f s, %lld rows reported committed,\n"
                "  rows lost: %d (target 0), integrity check failures: %d, numbering gaps: %d\n",
                trials, total.elapsed() / 1000.0, static_cast<long long>(reported.size()), lost,
                unsound, gaps);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int trials = argc > 1 ? std::atoi(argv[1]) : 100;
    const int readings = argc > 2 ? std::atoi(argv[2]) : 200;

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/bench_store-XXXXXX"));
    ReadingStore::setConfigFile(root.filePath(QStringLiteral("table-engine.conf")));
    try {
        std::printf("Stores under %s\n\n", qPrintable(root.path()));
        statementsPerReading(root.path());
        appendCost(root.path(), readings);
        readCost(root.path());
        soak(root.path(), trials);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_store: %s\n", e.what());
        return 1;
    }
    return 0;
}
