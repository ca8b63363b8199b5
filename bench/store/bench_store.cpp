// Store benchmark: what one reading costs with 0, 1 k, 100 k and 1 M rows
// stored (numbering through the index, next to numbering by COUNT(*)); how
// fast "select * from Tarvex" on 1 M rows shows its first screenful; and a
// soak of SIGKILLs against a process that stores readings.
//
// Usage: bench_store [soak trials (100)] [readings per size (200)]

#include "control/ReadingStore.h"
#include "ui/MessageBoxes.h"

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
#include <vector>

#include "BenchSupport.h"

using namespace tarvex;

using bench::Median;
using bench::Percentile;

namespace {

LoadReading Reading() {
    DeviceFrame answer{};
    const std::uint8_t bytes[] = {0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), answer.begin() + 3);
    return decodeStatusAnswer(answer);
}

// The numbering the program was first written with: ID := the row count.
void LogReadingByCount(TTable& table, const LoadReading& reading) {
    table.Open();
    table.Append();
    table.FieldByName(QStringLiteral("ID")).SetAsInteger(table.CountRows());
    table.FieldByName(QStringLiteral("VolVal")).SetAsString(reading.voltsText);
    table.FieldByName(QStringLiteral("CurVal")).SetAsString(reading.ampsText);
    table.FieldByName(QStringLiteral("PowVal")).SetAsString(reading.wattsText);
    table.FieldByName(QStringLiteral("TestDate")).SetAsDateTime(QDateTime::currentDateTime());
    table.Post();
}

struct SizedTable {
    int rows;
    std::unique_ptr<TTable> table;
    std::vector<double> ours, byCount, nextId, count;
};

// One store per size, each under an alias of its own, filled outside the
// engine. The readings go round the sizes, so that the disk's moods (every
// posted row waits for an fsync) fall on all of them alike.
void LogCost(const QString& root, int readings) {
    std::vector<SizedTable> sizes;
    for (const int n : {0, 1000, 100000, 1000000}) {
        const QString dir = QStringLiteral("%1/rows%2/Table").arg(root).arg(n);
        const QString alias = QStringLiteral("Rows%1").arg(n);
        PrepareStore(dir); // points RoruvEde at dir and creates the table there
        AddPathAlias(alias, dir, QStringLiteral("Paradox"));
        if (!bench::FillReadingTable(TableFilePath(alias), n))
            return;
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(alias);
        table->SetTableName(QString::fromLatin1(kReadingTable));
        table->Open();
        sizes.push_back({n, std::move(table), {}, {}, {}, {}});
    }

    const LoadReading reading = Reading();
    QElapsedTimer timer;
    for (int i = 0; i < readings; ++i) {
        for (SizedTable& s : sizes) {
            timer.start();
            LogReading(*s.table, reading);
            s.ours.push_back(timer.nsecsElapsed() / 1000.0);
            timer.start();
            LogReadingByCount(*s.table, reading);
            s.byCount.push_back(timer.nsecsElapsed() / 1000.0);
        }
    }
    // The numbering step alone, without the write.
    qint64 sum = 0;
    for (int i = 0; i < 200; ++i) {
        for (SizedTable& s : sizes) {
            timer.start();
            s.table->Last();
            sum += s.table->FieldByName(QStringLiteral("ID")).AsLargeInt() + 1;
            s.nextId.push_back(timer.nsecsElapsed() / 1000.0);
            timer.start();
            sum += s.table->CountRows();
            s.count.push_back(timer.nsecsElapsed() / 1000.0);
        }
    }

    std::printf("Per-reading cost of LogReading, us (median, 90th percentile), %d readings per "
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

void QueryCost() {
    constexpr int kScreen = 25; // rows the query window's grid shows at once
    const QString file = TableFilePath(QString::fromLatin1(kStoreAlias));
    if (!bench::FillReadingTable(file, 1000000))
        return;
    std::vector<double> open;
    std::vector<double> count;
    std::vector<double> last;
    std::vector<double> jumps;
    double walk = 0;
    qint64 checksum = 0;
    for (int trial = 0; trial < 5; ++trial) {
        TQuery q;
        QElapsedTimer timer;
        timer.start();
        q.SetDatabaseName(QString::fromLatin1(kStoreAlias));
        q.SetSQL({QStringLiteral("select * from Tarvex")});
        q.Open();
        for (int row = 0; row < kScreen; ++row)
            for (int f = 0; f < q.FieldCount(); ++f)
                checksum += q.RowDisplayText(row, f).size();
        open.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        checksum += q.CountRows();
        count.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        q.Last();
        for (int row = q.RowNumber() - kScreen + 1; row <= q.RowNumber(); ++row)
            for (int f = 0; f < q.FieldCount(); ++f)
                checksum += q.RowDisplayText(row, f).size();
        last.push_back(timer.nsecsElapsed() / 1e6);

        for (const int row : {500000, 250000, 750000, 10000}) {
            timer.start();
            for (int r = row; r < row + kScreen; ++r)
                checksum += q.RowDisplayText(r, 0).size();
            jumps.push_back(timer.nsecsElapsed() / 1e6);
        }

        if (trial == 0) {
            q.DisableControls();
            timer.start();
            int rows = 0;
            for (q.First(); !q.Eof(); q.Next()) {
                checksum += q.Fields(4).DisplayText().size();
                ++rows;
            }
            walk = timer.nsecsElapsed() / 1e6;
            q.EnableControls();
            std::printf("Walk First..Eof with field texts: %d rows in %.0f ms\n", rows, walk);
        }
    }
    std::printf("\"select * from Tarvex\" on 1 M rows (median of 5, ms):\n"
                "  open + first screenful (%d rows): %.1f (target <= 200)\n"
                "  CountRows:                         %.1f\n"
                "  Last + last screenful:             %.1f\n"
                "  a screenful far inside:            %.1f (median of %zu)\n"
                "  (checksum %lld)\n\n",
                kScreen, Median(open), Median(count), Median(last), Median(jumps), jumps.size(),
                static_cast<long long>(checksum));
}

void Soak(const QString& root, int trials) {
    const QString config = root + QStringLiteral("/soak/table-engine.conf");
    const QString dir = root + QStringLiteral("/soak/Table");
    const QString previous = SetEngineConfigFile(config);
    PrepareStore(dir);
    SetEngineConfigFile(previous);

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
    setMessageHandler([](const MessageRequest& r) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(r.text));
        return QMessageBox::Yes;
    });

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/bench_store-XXXXXX"));
    SetEngineConfigFile(root.filePath(QStringLiteral("table-engine.conf")));
    const QString dir = root.filePath(QStringLiteral("Table"));
    try {
        std::printf("Stores under %s\n\n", qPrintable(root.path()));
        LogCost(root.path(), readings);
        PrepareStore(dir);
        QueryCost();
        Soak(root.path(), trials);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_store: %s\n", e.what());
        return 1;
    }
    return 0;
}
