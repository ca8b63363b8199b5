// Store benchmark: what one reading costs with 0, 1 k, 100 k and 1 M rows
// stored (numbering through the index, next to numbering by COUNT(*)); how
// fast "select * from Tarvex" on 1 M rows shows its first screenful; and a
// soak of SIGKILLs against a process that stores readings.
//
// Usage: bench_store [soak trials (100)] [readings per size (200)]

#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;
using bench::Percentile;

namespace {

LoadReading workedReading() {
    DeviceFrame answer{};
    const std::uint8_t bytes[] = {0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), answer.begin() + 3);
    return decodeStatusAnswer(answer);
}

// Points RoruvEde at dir and makes the reading table exist there.
void setUpStore(const QString& dir) {
    if (ReadingStore::setUp(dir) != ReadingStore::SetupResult::Ready)
        throw std::runtime_error("the alias RoruvEde cannot be set up");
}

// The numbering the program was first written with: ID := the row count.
void appendReadingByCount(Table& table, const LoadReading& reading) {
    table.open();
    table.append();
    table.fieldByName(QStringLiteral("ID")).setValue(table.rowCount());
    table.fieldByName(QStringLiteral("VolVal")).setValue(reading.voltsText);
    table.fieldByName(QStringLiteral("CurVal")).setValue(reading.ampsText);
    table.fieldByName(QStringLiteral("PowVal")).setValue(reading.wattsText);
    table.fieldByName(QStringLiteral("TestDate")).setValue(QDate::currentDate());
    table.post();
}

struct SizedTable {
    int rows;
    std::unique_ptr<Table> table;
    std::vector<double> ours, byCount, nextId, count;
};

// One store per size, each under an alias of its own, filled outside the
// engine. The readings go round the sizes, so that the disk's moods (every
// posted row waits for an fsync) fall on all of them alike.
void appendCost(const QString& root, int readings) {
    std::vector<SizedTable> sizes;
    for (const int n : {0, 1000, 100000, 1000000}) {
        const QString dir = QStringLiteral("%1/rows%2/Table").arg(root).arg(n);
        const QString alias = QStringLiteral("Rows%1").arg(n);
        setUpStore(dir);
        TableEngine::addPathAlias(alias, dir, QStringLiteral("Paradox"));
        if (!bench::FillReadingTable(TableEngine::tableFilePath(alias), n))
            return;
        auto table = std::make_unique<Table>();
        table->setAlias(alias);
        table->setTableName(QString::fromLatin1(ReadingStore::kTableName));
        table->open();
        sizes.push_back({n, std::move(table), {}, {}, {}, {}});
    }

    const LoadReading reading = workedReading();
    QElapsedTimer timer;
    for (int i = 0; i < readings; ++i) {
        for (SizedTable& s : sizes) {
            timer.start();
            ReadingTable::appendReading(*s.table, reading);
            s.ours.push_back(timer.nsecsElapsed() / 1000.0);
            timer.start();
            appendReadingByCount(*s.table, reading);
            s.byCount.push_back(timer.nsecsElapsed() / 1000.0);
        }
    }
    // The numbering step alone, without the write.
    qint64 sum = 0;
    for (int i = 0; i < 200; ++i) {
        for (SizedTable& s : sizes) {
            timer.start();
            s.table->last();
            sum += s.table->fieldByName(QStringLiteral("ID")).toLongLong() + 1;
            s.nextId.push_back(timer.nsecsElapsed() / 1000.0);
            timer.start();
            sum += s.table->rowCount();
            s.count.push_back(timer.nsecsElapsed() / 1000.0);
        }
    }

    std::printf("Per-reading cost of appendReading, us (median, 90th percentile), %d readings per "
                "size,\nnext to numbering by COUNT(*); then the numbering step alone (median):\n",
                readings);
    std::printf("%10s %10s %10s %12s %12s | %12s %12s\n", "rows", "ours", "ours p90", "COUNT(*)",
                "COUNT(*) p90", "max(ID)+1", "COUNT(*)");
    for (const SizedTable& s : sizes)
        std::printf("%10d %10.0f %10.0f %12.0f %12.0f | %12.1f %12.1f\n", s.rows, Median(s.ours),
                    Percentile(s.ours, 0.9), Median(s.byCount), Percentile(s.byCount, 0.9),
                    Median(s.nextId), Median(s.count));
    std::printf("ours at 1 M / ours at 1 k: %.2f (target <= 1.2)   (check %lld)\n\n",
                Median(sizes[3].ours) / Median(sizes[1].ours), static_cast<long long>(sum));
}

void queryCost() {
    constexpr int kScreen = 25; // rows the query window's grid shows at once
    const QString file = TableEngine::tableFilePath(QString::fromLatin1(ReadingStore::kAlias));
    if (!bench::FillReadingTable(file, 1000000))
        return;
    std::vector<double> open;
    std::vector<double> count;
    std::vector<double> last;
    std::vector<double> jumps;
    double walk = 0;
    qint64 checksum = 0;
    for (int trial = 0; trial < 5; ++trial) {
        Query q;
        QElapsedTimer timer;
        timer.start();
        q.setAlias(QString::fromLatin1(ReadingStore::kAlias));
        q.setSql({QStringLiteral("select * from Tarvex")});
        q.open();
        for (int row = 0; row < kScreen; ++row)
            for (int f = 0; f < q.fieldCount(); ++f)
                checksum += q.displayTextAt(row, f).size();
        open.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        checksum += q.rowCount();
        count.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        q.last();
        for (int row = q.rowNumber() - kScreen + 1; row <= q.rowNumber(); ++row)
            for (int f = 0; f < q.fieldCount(); ++f)
                checksum += q.displayTextAt(row, f).size();
        last.push_back(timer.nsecsElapsed() / 1e6);

        for (const int row : {500000, 250000, 750000, 10000}) {
            timer.start();
            for (int r = row; r < row + kScreen; ++r)
                checksum += q.displayTextAt(r, 0).size();
            jumps.push_back(timer.nsecsElapsed() / 1e6);
        }

        if (trial == 0) {
            q.disableControls();
            timer.start();
            int rows = 0;
            for (q.first(); !q.atEnd(); q.next()) {
                checksum += q.field(4).displayText().size();
                ++rows;
            }
            walk = timer.nsecsElapsed() / 1e6;
            q.enableControls();
            std::printf("Walk first()..atEnd() with field texts: %d rows in %.0f ms\n", rows, walk);
        }
    }
    std::printf("\"select * from Tarvex\" on 1 M rows (median of 5, ms):\n"
                "  open + first screenful (%d rows): %.1f (target <= 200)\n"
                "  rowCount:                          %.1f\n"
                "  last + last screenful:             %.1f\n"
                "  a screenful far inside:            %.1f (median of %zu)\n"
                "  (checksum %lld)\n\n",
                kScreen, Median(open), Median(count), Median(last), Median(jumps), jumps.size(),
                static_cast<long long>(checksum));
}

void soak(const QString& root, int trials) {
    const QString config = root + QStringLiteral("/soak/table-engine.conf");
    const QString dir = root + QStringLiteral("/soak/Table");
    const QString previous = TableEngine::setConfigFile(config);
    setUpStore(dir);
    TableEngine::setConfigFile(previous);

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
    TableEngine::setConfigFile(root.filePath(QStringLiteral("table-engine.conf")));
    const QString dir = root.filePath(QStringLiteral("Table"));
    try {
        std::printf("Stores under %s\n\n", qPrintable(root.path()));
        appendCost(root.path(), readings);
        setUpStore(dir);
        queryCost();
        soak(root.path(), trials);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_store: %s\n", e.what());
        return 1;
    }
    return 0;
}
