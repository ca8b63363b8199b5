// Server benchmark: many benches logging into one PostgreSQL server, and the
// query window on a large table there.
//
// 1. Benches: N programs (processes, each with its own schema) log a reading
//    every 200 ms through the reading log (its writer on a thread of its own,
//    with its backlog) into one private server for S seconds; in the middle
//    the server is restarted (a fast stop, then a start). Printed: readings
//    taken and rows lost (a reading whose row is not there, or not in its
//    place), the time from a reading to its committed row (p50, p99, max),
//    and the processor time of the server (all its processes).
// 2. The query window opened on a server table of R rows: time until the grid
//    shows its first rows, Ctrl+End, a jump to a random row.
//
// Usage: bench_server [benches (20)] [seconds (60)] [rows for the query window (1000000)]
// (bench_server --bench <config file> <seconds> <interval ms> is one bench.)
// The server commits to disk as a real one does (fsync on).

#include "support/PostgresServer.h"
#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "readings/ReadingModel.h"
#include "review/DataGrid.h"
#include "review/QueryWindow.h"
#include "run/CrossThread.h"
#include "run/ReadingRecorder.h"
#include "store/ReadingStore.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "BenchSupport.h"
#include "PaintCounter.h"

using namespace tarvex;
using bench::Median;
using bench::Percentile;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// ---- One bench (a process of its own) ---------------------------------------

// Logs a reading every intervalMs for seconds through a reading log on its
// own thread, then waits for the backlog. Prints "taken N stored M lost L"
// and one line "latency <ms> <taken at>" per reading whose row was committed
// (taken at: the monotonic clock, in ms, which all processes share).
int runBench(const QString& config, int seconds, int intervalMs) {
    ReadingStore::setConfigFile(config);
    QString warning;
    if (ReadingStore::setUp(config + QStringLiteral(".data"), &warning) !=
        ReadingStore::SetupResult::Ready)
        std::fprintf(stderr, "bench start: %s\n", qPrintable(warning));

    QThread storeThread;
    auto* recorder = new ReadingRecorder;
    recorder->setPollInterval(intervalMs);
    recorder->moveToThread(&storeThread);
    storeThread.start();

    // The moment each reading's row was committed.
    std::mutex mutex;
    std::map<int, Clock::time_point> committed;
    QObject::connect(
        recorder, &ReadingRecorder::readingStored, recorder,
        [&mutex, &committed](qint64 id) {
            const std::lock_guard lock(mutex);
            committed.emplace(static_cast<int>(id), Clock::now());
        },
        Qt::DirectConnection);
    post(recorder, [recorder] { recorder->attachReadingTable(); });

    std::vector<Clock::time_point> taken;
    std::vector<QString> volts;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(intervalMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const int i = static_cast<int>(taken.size());
        const LoadReading reading = decodeStatusAnswer(makeStatusAnswer(
            static_cast<std::uint16_t>(1000 + i % 1000), 10000 + i, static_cast<std::uint16_t>(i)));
        taken.push_back(Clock::now());
        volts.push_back(reading.voltsText);
        const QDateTime now = QDateTime::currentDateTime();
        recorder->record(reading, now);
    });
    poll.start();
    QTimer::singleShot(seconds * 1000, &poll, &QTimer::stop);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000 + 10, &loop, &QEventLoop::quit);
    loop.exec();

    // What still waits is written as the server takes it.
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    for (;;) {
        {
            const std::lock_guard lock(mutex);
            if (committed.size() >= taken.size() || Clock::now() > deadline)
                break;
        }
        QThread::msleep(50);
    }
    callAndWait(recorder, [recorder] { delete recorder; });
    storeThread.quit();
    storeThread.wait();

    // Rows lost: a reading without its row, in its place, with its texts.
    int stored = 0;
    int lost = 0;
    try {
        ReadingStore store;
        const ReadingStore::Count counted = store.count();
        stored = counted.rows;
        const QList<StoredReading> rows = store.read(0, counted.rows, counted);
        for (std::size_t i = 0; i < volts.size(); ++i) {
            const int row = static_cast<int>(i);
            if (row >= rows.size() || rows[row].id != row || rows[row].volts != volts[i])
                ++lost;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench check: %s\n", e.what());
        lost = static_cast<int>(volts.size());
    }
    std::printf("taken %d stored %d lost %d\n", static_cast<int>(taken.size()), stored, lost);
    for (const auto& [id, at] : committed)
        if (id >= 0 && id < static_cast<int>(taken.size()))
            std::printf("latency %.3f %.3f\n", msSince(taken[static_cast<std::size_t>(id)], at),
                        msSince(Clock::time_point(), taken[static_cast<std::size_t>(id)]));
    std::fflush(stdout);
    return 0;
}

// ---- The server's processor time ---------------------------------------------

// User and system time of the postmaster, of its children that ended
// (waited for) and of those still running, in seconds.
double serverCpuSeconds(qint64 postmaster) {
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    double total = 0;
    const auto fields = [](const QString& statFile) {
        QFile f(statFile);
        if (!f.open(QIODevice::ReadOnly))
            return QList<QByteArray>();
        const QByteArray text = f.readAll();
        // After the command's closing parenthesis: state, ppid, ...
        return text.mid(text.lastIndexOf(')') + 2).split(' ');
    };
    const QList<QByteArray> own = fields(QStringLiteral("/proc/%1/stat").arg(postmaster));
    if (own.size() > 14) // utime stime cutime cstime are fields 14-17 (11-14 here)
        for (int i = 11; i <= 14; ++i)
            total += own[i].toDouble() / tick;
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QString dir = processes.next();
        const QList<QByteArray> f = fields(dir + QStringLiteral("/stat"));
        if (f.size() > 12 && f[1].toLongLong() == postmaster)
            total += (f[11].toDouble() + f[12].toDouble()) / tick;
    }
    return total;
}

// ---- The benches together ------------------------------------------------------

void benchBenches(PostgresServer& server, int benches, int seconds) {
    const int intervalMs = 200;
    QTemporaryDir configs;
    std::vector<std::unique_ptr<QProcess>> processes;
    const double cpuAtStart = serverCpuSeconds(server.serverPid());
    QElapsedTimer wall;
    wall.start();
    for (int b = 0; b < benches; ++b) {
        const QString file = configs.filePath(QStringLiteral("bench%1.conf").arg(b + 1));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(server.aliasText(QString::fromLatin1(ReadingStore::kAlias),
                                 QStringLiteral("bench%1").arg(b + 1, 2, 10, QLatin1Char('0'))));
        f.close();
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--bench"), file, QString::number(seconds),
                  QString::number(intervalMs)});
        processes.push_back(std::move(p));
    }
    // The restart in the middle.
    QThread::msleep(static_cast<unsigned long>(seconds) * 500);
    const double cpuFirstLife = serverCpuSeconds(server.serverPid()) - cpuAtStart;
    const Clock::time_point stopAt = Clock::now();
    const bool stopped = server.stop();
    const bool started = server.start();
    const Clock::time_point startedAt = Clock::now();
    const double downMs = msSince(stopAt, startedAt);
    // Readings taken from the stop to a second after the start wait out the
    // restart (and the backlog before them).
    const double restartFrom = msSince(Clock::time_point(), stopAt);
    const double restartTo = msSince(Clock::time_point(), startedAt) + 1000;
    const double cpuSecondStart = serverCpuSeconds(server.serverPid());

    int taken = 0;
    int lost = 0;
    std::vector<double> latencies, steady, restart;
    for (auto& p : processes) {
        p->waitForFinished(static_cast<int>(seconds) * 1000 + 180000);
        for (const QByteArray& line : p->readAllStandardOutput().split('\n')) {
            if (line.startsWith("latency ")) {
                const QList<QByteArray> w = line.split(' ');
                const double latency = w.value(1).toDouble();
                const double takenAt = w.value(2).toDouble();
                latencies.push_back(latency);
                (takenAt >= restartFrom && takenAt <= restartTo ? restart : steady)
                    .push_back(latency);
            } else if (line.startsWith("taken ")) {
                const QList<QByteArray> w = line.split(' ');
                taken += w.value(1).toInt();
                lost += w.value(5).toInt();
            }
        }
    }
    const double cpuSecondLife = serverCpuSeconds(server.serverPid()) - cpuSecondStart;
    const double elapsed = wall.elapsed() / 1000.0;
    const double cpu = cpuFirstLife + cpuSecondLife;

    std::printf("%d benches, a reading every %d ms each for %d s, one server (fsync on), "
                "restarted once in the middle (%s, down %.0f ms)\n",
                benches, intervalMs, seconds, stopped && started ? "fast stop, start" : "FAILED",
                downMs);
    std::printf("  readings taken: %d, rows lost: %d (target 0)\n", taken, lost);
    const auto maxOf = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    std::printf("  reading to committed row, all %zu rows: p50 %.1f ms, p99 %.1f ms, max %.0f ms\n",
                latencies.size(), Median(latencies), Percentile(latencies, 0.99), maxOf(latencies));
    std::printf("  away from the restart (%zu rows):     p50 %.1f ms, p99 %.1f ms, max %.0f ms\n",
                steady.size(), Median(steady), Percentile(steady, 0.99), maxOf(steady));
    std::printf("  taken from the stop to 1 s after the start (%zu rows): p50 %.0f ms, max %.0f "
                "ms\n",
                restart.size(), Median(restart), maxOf(restart));
    std::printf("  server processor time: %.1f s over %.0f s = %.1f %% of one core\n", cpu, elapsed,
                100.0 * cpu / elapsed);
}

// ---- The query window on a large server table ------------------------------------

using bench::PaintCounter;
using bench::waitForPaint;

void benchQueryWindow(PostgresServer& server, int rows) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("table-engine.conf"));
    {
        QFile f(config);
        f.open(QIODevice::WriteOnly);
        f.write(
            server.aliasText(QString::fromLatin1(ReadingStore::kAlias), QStringLiteral("large")));
    }
    ReadingStore::setConfigFile(config);
    if (ReadingStore::setUp(dir.filePath(QStringLiteral("Table"))) !=
        ReadingStore::SetupResult::Ready) {
        std::printf("query window: the set-up failed\n");
        return;
    }
    QElapsedTimer clock;
    clock.start();
    {
        ServerDb db(server);
        QString error;
        db.rows(QStringLiteral("INSERT INTO large.\"Tarvex\" SELECT i, to_char(10 + i % 5000 / "
                               "1000.0, '990.99'), '1.50', ' 18.50', date '2024-01-01' + i % 3000 "
                               "FROM generate_series(0, %1) AS i")
                    .arg(rows - 1),
                &error);
        db.rows(QStringLiteral("VACUUM ANALYZE large.\"Tarvex\""), &error);
        if (!error.isEmpty()) {
            std::printf("query window: filling failed: %s\n", qPrintable(error));
            return;
        }
    }
    std::printf("query window on %d server rows (filled in %.1f s)\n", rows,
                clock.elapsed() / 1000.0);

    QueryWindow window;
    DataGrid& grid = *child<DataGrid>(&window, "grid");
    const ReadingModel& model = *grid.readingModel();
    PaintCounter painted(grid.viewport());
    std::vector<double> open, firstRows, last, jump;
    QRandomGenerator random(42);
    for (int run = 0; run < 7; ++run) {
        const int before = painted.paints();
        clock.restart();
        window.openReadings();
        open.push_back(clock.nsecsElapsed() / 1e6);
        window.show();
        waitForPaint(painted, before);
        firstRows.push_back(clock.nsecsElapsed() / 1e6);
        if (model.index(0, 0).data().toString() != QStringLiteral("0"))
            std::printf("  the grid does not show the first row!\n");
        grid.setFocus();

        clock.restart();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QCoreApplication::sendEvent(&grid, &press);
        grid.viewport()->repaint();
        last.push_back(clock.nsecsElapsed() / 1e6);
        if (model.currentRow() != rows - 1)
            std::printf("  the grid did not reach the last row!\n");

        for (int j = 0; j < 3; ++j) {
            const int row = static_cast<int>(random.bounded(rows));
            clock.restart();
            grid.scrollTo(model.index(row, 0), QAbstractItemView::PositionAtTop);
            grid.viewport()->repaint();
            jump.push_back(clock.nsecsElapsed() / 1e6);
        }
        window.done(QDialog::Rejected);
    }
    const auto maxOf = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    std::printf("  open the query (statement, count, first block): median %.1f ms, max %.1f ms\n",
                Median(open), maxOf(open));
    std::printf("  until the grid shows its first rows:            median %.1f ms, max %.1f ms "
                "(target <= 200 ms)\n",
                Median(firstRows), maxOf(firstRows));
    std::printf("  Ctrl+End to the last row, painted:              median %.1f ms, max %.1f ms\n",
                Median(last), maxOf(last));
    std::printf("  jump to a random row, painted:                  median %.1f ms, max %.1f ms\n",
                Median(jump), maxOf(jump));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && qstrcmp(argv[1], "--bench") == 0) {
        QCoreApplication app(argc, argv);
        return runBench(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int benches = argc > 1 ? std::atoi(argv[1]) : 20;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const int rows = argc > 3 ? std::atoi(argv[3]) : 1000000;
    PostgresServer::Options options;
    options.durable = true;
    PostgresServer server(options);
    if (!server.isRunning()) {
        std::printf("the server cannot be started: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    if (benches > 0 && seconds > 0)
        benchBenches(server, benches, seconds);
    if (rows > 0)
        benchQueryWindow(server, rows);
    return 0;
}
