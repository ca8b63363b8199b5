// What the benchmarks share: order statistics of timings, and a reading table
// filled outside the engine so that large stores are ready in seconds.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarvex {

namespace bench {

// The value below which the fraction p (0 to 1) of the samples lie.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(v.size() - 1, index)];
}

inline double Median(std::vector<double> v) {
    return Percentile(std::move(v), 0.5);
}

// Replaces the rows of the reading table in a table file by IDs 0 .. n - 1,
// in one transaction (the engine would commit each row on its own).
inline bool FillReadingTable(const QString& file, int n) {
    const QString connection = QStringLiteral("bench-fill");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("BEGIN")) && q.exec(QStringLiteral("DELETE FROM Tarvex"));
            QSqlQuery ins(db);
            ok = ok &&
                 ins.prepare(QStringLiteral(
                     "INSERT INTO Tarvex VALUES (?, ' 12.35', '1.50', ' 18.50', '2024-05-01')"));
            for (int i = 0; ok && i < n; ++i) {
                ins.bindValue(0, i);
                ok = ins.exec();
            }
            ok = ok && q.exec(QStringLiteral("COMMIT")) &&
                 q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            if (!ok)
                std::fprintf(stderr, "fill: %s\n", qPrintable(q.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace bench

} // namespace tarvex
