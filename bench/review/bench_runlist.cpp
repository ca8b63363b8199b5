// Cost of review by run with 10,000 runs over 1,000,000 readings in a table
// file (each run 100 readings; filled outside the engine):
//   runs read    - ReadingStore::runs() on a new connection;
//   query window - "Query" on the window kept hidden between showings:
//                  openReadings() (the runs read, the chooser filled, the
//                  grid counted) until the window is painted;
//   chooser      - the chooser's list popped up and painted;
//   a run chosen - a run in the middle chosen until the grid shows its rows;
//   runs list    - "Runs…": the runs read, the list shown and painted;
//   sort         - a click on the "Ah" title until the list is painted again.
// Medians of 7 rounds, in milliseconds. Run it under Xvfb (xvfb-run -a).
//
// Usage: bench_runlist [runs] [readings per run]
#include "BenchSupport.h"
#include "PaintCounter.h"
#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "review/QueryWindow.h"
#include "review/RunsModel.h"
#include "review/RunsWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tarvex;

namespace {

// Runs 1..runs over the rows 0..runs * perRun - 1, outside the engine.
bool fillRuns(const QString& file, int runs, int perRun) {
    const QString name = QStringLiteral("fill-runs");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("BEGIN"));
            QSqlQuery insert(db);
            ok = ok && insert.prepare(QStringLiteral(
                           "INSERT INTO Runs (RunID, StartedAt, EndedAt, FirstID, LastID, "
                           "Readings, StopReason, AmpHours, WattHours, StartVolts, EndVolts, "
                           "LowestVolts, MinimumVolts, PollIntervalMs, Port, Label, UncountedMs, "
                           "ReadingsCleared) VALUES (?, ?, ?, ?, ?, ?, 'minimum voltage', ?, ?, "
                           "12.6, 10.5, 10.49, 10.5, 200, '/dev/ttyUSB0', ?, 0, 0)"));
            const qint64 t0 = 1'700'000'000'000;
            for (int k = 0; ok && k < runs; ++k) {
                insert.bindValue(0, k + 1);
                insert.bindValue(1, t0 + qint64(k) * 3'600'000);
                insert.bindValue(2, t0 + qint64(k) * 3'600'000 + perRun * 200);
                insert.bindValue(3, qint64(k) * perRun);
                insert.bindValue(4, qint64(k + 1) * perRun - 1);
                insert.bindValue(5, perRun);
                insert.bindValue(6, 1.5 + (k * 37 % 100) / 100.0);
                insert.bindValue(7, 18 + (k * 37 % 100) / 10.0);
                insert.bindValue(8, QStringLiteral("cell %1").arg(k + 1));
                ok = insert.exec();
            }
            insert.finish();
            ok = ok && q.exec(QStringLiteral("COMMIT"));
            if (!ok)
                std::fprintf(stderr, "fill: %s %s\n", qPrintable(q.lastError().text()),
                             qPrintable(insert.lastError().text()));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

double ms(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10'000;
    const int perRun = argc > 2 ? std::atoi(argv[2]) : 100;
    ReviewStore store;
    if (!fillReadings(store.tableFile(), runs * perRun) ||
        !fillRuns(store.tableFile(), runs, perRun))
        return 1;
    std::printf("Review by run: %d runs over %d readings\n", runs, runs * perRun);

    std::vector<double> reads;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer clock;
        clock.start();
        ReadingStore reader;
        if (reader.runs().size() != runs)
            return 1;
        reads.push_back(ms(clock));
    }
    std::printf("  the runs read (ReadingStore::runs(), a new connection): median %.1f ms\n",
                bench::Median(reads));

    std::vector<double> opens, popups, chosen, lists, sorts;
    // The window is made once and lives hidden between showings, as the
    // control window keeps it.
    QueryWindow window;
    bench::PaintCounter painted(&window);
    for (int round = 0; round < 7; ++round) {
        window.hide();
        QCoreApplication::processEvents();
        const int hidden = painted.paints();
        QElapsedTimer clock;
        clock.start();
        window.openReadings();
        window.show();
        bench::waitForPaint(painted, hidden);
        opens.push_back(ms(clock));

        QComboBox* chooser = child<QComboBox>(&window, "runChooser");
        bench::PaintCounter popupPainted(chooser->view()->viewport());
        clock.start();
        chooser->showPopup();
        bench::waitForPaint(popupPainted, 0);
        popups.push_back(ms(clock));
        chooser->hidePopup();

        const int before = painted.paints();
        clock.start();
        chooser->setCurrentIndex(runs / 2);
        emit chooser->activated(runs / 2);
        window.update();
        bench::waitForPaint(painted, before);
        chosen.push_back(ms(clock));

        RunsWindow list(&window);
        bench::PaintCounter listPainted(&list);
        clock.start();
        list.openRuns();
        list.show();
        bench::waitForPaint(listPainted, 0);
        lists.push_back(ms(clock));

        auto* table = child<QTableView>(&list, "runsTable");
        bench::PaintCounter tablePainted(table->viewport());
        const int shown = tablePainted.paints();
        clock.start();
        table->sortByColumn(RunsModel::AmpHoursColumn, Qt::AscendingOrder);
        bench::waitForPaint(tablePainted, shown);
        sorts.push_back(ms(clock));
    }
    std::printf("  query window opened with the chooser filled: median %.1f ms, max %.1f ms\n",
                bench::Median(opens), bench::Percentile(opens, 1));
    std::printf("  chooser list popped up: median %.1f ms, max %.1f ms\n", bench::Median(popups),
                bench::Percentile(popups, 1));
    std::printf("  a run chosen, its rows shown: median %.1f ms, max %.1f ms\n",
                bench::Median(chosen), bench::Percentile(chosen, 1));
    std::printf("  runs list shown: median %.1f ms, max %.1f ms\n", bench::Median(lists),
                bench::Percentile(lists, 1));
    std::printf("  runs list sorted by Ah: median %.1f ms, max %.1f ms\n", bench::Median(sorts),
                bench::Percentile(sorts, 1));
    return 0;
}
