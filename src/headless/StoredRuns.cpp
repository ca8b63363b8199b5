#include "headless/StoredRuns.h"

#include "errors/Errors.h"
#include "export/BatteryDataFile.h"
#include "headless/RunOutput.h"
#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace tarvex {

namespace {

void tell(const QString& message) {
    std::fputs(("tarvex: " + message + '\n').toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

// The table, set up as at every start. A table another program logs into
// is read all the same: these commands write nothing into it.
bool setUpStore(const QString& dataDirectory) {
    QString warning;
    try {
        switch (ReadingStore::setUp(dataDirectory, &warning)) {
        case ReadingStore::SetupResult::Ready:
        case ReadingStore::SetupResult::InUse:
            return true;
        case ReadingStore::SetupResult::AliasFailed:
        case ReadingStore::SetupResult::ServerUnreachable:
            break;
        }
    } catch (const Error& e) {
        warning = QString::fromUtf8(e.what());
    }
    tell(QCoreApplication::translate("StoredRuns", "the reading table cannot be used: %1")
             .arg(warning.simplified()));
    return false;
}

} // namespace

void writeRunCsv(const QList<RunReading>& readings, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QCoreApplication::translate("StoredRuns", "Cannot write %1: %2")
                        .arg(path, file.errorString()));
    QByteArray block = "ID,TakenAt,ElapsedMs,Volts,Amps,Watts\r\n";
    for (const RunReading& r : readings) {
        block += QByteArray::number(r.id) + ',' +
                 QDateTime::fromMSecsSinceEpoch(r.takenAtMs, Qt::UTC)
                     .toString(Qt::ISODateWithMs)
                     .toLatin1() +
                 ',' + QByteArray::number(r.elapsedMs) + ',' +
                 QByteArray::number(r.volts, 'g', 10) + ',' + QByteArray::number(r.amps, 'g', 10) +
                 ',' + QByteArray::number(r.watts, 'g', 10) + "\r\n";
        if (block.size() > 65536) {
            if (file.write(block) != block.size())
                break;
            block.clear();
        }
    }
    if (file.write(block) != block.size() || !file.commit())
        throw Error(QCoreApplication::translate("StoredRuns", "Cannot write %1: %2")
                        .arg(path, file.errorString()));
}

QString runsListing(const QList<RunRecord>& runs, bool json) {
    QString text;
    if (json) {
        for (const RunRecord& run : runs)
            text += QString::fromUtf8(QJsonDocument(runJson(run)).toJson(QJsonDocument::Compact)) +
                    QLatin1Char('\n');
        return text;
    }
    text = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9\n")
               .arg(QCoreApplication::translate("StoredRuns", "Run"), 5)
               .arg(QCoreApplication::translate("StoredRuns", "Started (UTC)"), -19)
               .arg(QCoreApplication::translate("StoredRuns", "Duration"), 9)
               .arg(QCoreApplication::translate("StoredRuns", "Readings"), 8)
               .arg(QCoreApplication::translate("StoredRuns", "Ah"), 8)
               .arg(QCoreApplication::translate("StoredRuns", "Wh"), 9)
               .arg(QCoreApplication::translate("StoredRuns", "End V"), 7)
               .arg(QCoreApplication::translate("StoredRuns", "Ended by"), -18)
               .arg(QCoreApplication::translate("StoredRuns", "Label"));
    for (const RunRecord& r : runs) {
        const qint64 duration = r.endedAt.isValid() ? r.startedAt.msecsTo(r.endedAt) : -1;
        text += QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9\n")
                    .arg(r.id, 5)
                    .arg(r.startedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), -19)
                    .arg(duration < 0 ? QStringLiteral("-") : elapsedText(duration), 9)
                    .arg(r.readings, 8)
                    .arg(number(r.ampHours, 4), 8)
                    .arg(number(r.wattHours, 3), 9)
                    .arg(r.readings > 0 ? number(r.endVolts, 3) : QStringLiteral("-"), 7)
                    .arg(runEndKey(r.end) + (r.readingsCleared ? QCoreApplication::translate(
                                                                     "StoredRuns", " (cleared)")
                                                               : QString()),
                         -18)
                    .arg(r.label);
    }
    return text;
}

bool writeRunFiles(ReadingStore& store, const RunRecord& run, const QString& csvFile,
                   const QString& bdfFile) {
    if (csvFile.isEmpty() && bdfFile.isEmpty())
        return true;
    bool written = true;
    try {
        const QList<RunReading> readings = store.runReadings(run.id);
        if (!csvFile.isEmpty()) {
            try {
                writeRunCsv(readings, csvFile);
            } catch (const Error& e) {
                tell(QString::fromUtf8(e.what()));
                written = false;
            }
        }
        if (!bdfFile.isEmpty()) {
            try {
                const BdfEquipment equipment{QCoreApplication::applicationName(),
                                             QCoreApplication::applicationVersion(), run.port,
                                             run.pollIntervalMs};
                writeBatteryDataFile(run, readings, equipment, bdfFile);
            } catch (const Error& e) {
                tell(QString::fromUtf8(e.what()));
                written = false;
            }
        }
    } catch (const Error& e) {
        tell(QCoreApplication::translate("StoredRuns", "The readings of run %1 cannot be read: %2")
                 .arg(run.id)
                 .arg(QString::fromUtf8(e.what())));
        return false;
    }
    return written;
}

int listRuns(const QString& dataDirectory, bool json) {
    if (!setUpStore(dataDirectory))
        return 1;
    try {
        ReadingStore store;
        const QString text = runsListing(store.runs(), json);
        std::fputs(text.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        return 0;
    } catch (const Error& e) {
        tell(QCoreApplication::translate("StoredRuns", "The runs cannot be read: %1")
                 .arg(QString::fromUtf8(e.what())));
        return 1;
    }
}

int exportRun(const QString& dataDirectory, qint64 runId, const QString& csvFile,
              const QString& bdfFile) {
    if (!setUpStore(dataDirectory))
        return 1;
    try {
        ReadingStore store;
        const std::optional<RunRecord> run = store.run(runId);
        if (!run) {
            tell(QCoreApplication::translate("StoredRuns",
                                             "There is no run %1 (`tarvex runs` lists them)")
                     .arg(runId));
            return 1;
        }
        if (run->readingsCleared)
            tell(QCoreApplication::translate("StoredRuns", "The readings of run %1 were cleared")
                     .arg(runId));
        return writeRunFiles(store, *run, csvFile, bdfFile) ? 0 : 1;
    } catch (const Error& e) {
        tell(QCoreApplication::translate("StoredRuns", "Run %1 cannot be read: %2")
                 .arg(runId)
                 .arg(QString::fromUtf8(e.what())));
        return 1;
    }
}

} // namespace tarvex
