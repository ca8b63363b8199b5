#include "headless/StoredRuns.h"

#include "errors/Errors.h"
#include "export/BatteryDataFile.h"
#include "headless/RunOutput.h"
#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
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

// Columns of a terminal that text takes: East Asian wide and fullwidth
// characters take two, combining marks none.
int terminalColumns(const QString& text) {
    int columns = 0;
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
            category == QChar::Other_Format)
            continue;
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
                          (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
                          (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        columns += wide ? 2 : 1;
    }
    return columns;
}

// Lines of cells in columns two spaces apart, each as wide as its widest
// cell on a terminal; the last column is not padded. Cells of the columns
// in rightAligned end at the column's right edge.
QString tableText(const QList<QStringList>& lines, const QList<bool>& rightAligned) {
    QList<int> widths(rightAligned.size(), 0);
    for (const QStringList& cells : lines)
        for (qsizetype i = 0; i < cells.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], terminalColumns(cells[i]));
    QString text;
    for (const QStringList& cells : lines) {
        QString line;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const bool last = i + 1 == cells.size();
            const QString fill(widths.value(i) - terminalColumns(cells[i]), QLatin1Char(' '));
            if (i > 0)
                line += QStringLiteral("  ");
            if (rightAligned.value(i))
                line += fill + cells[i];
            else
                line += last ? cells[i] : cells[i] + fill;
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
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
    QList<QStringList> lines;
    lines << QStringList{QCoreApplication::translate("StoredRuns", "Run"),
                         QCoreApplication::translate("StoredRuns", "Started (UTC)"),
                         QCoreApplication::translate("StoredRuns", "Duration"),
                         QCoreApplication::translate("StoredRuns", "Readings"),
                         QCoreApplication::translate("StoredRuns", "Ah"),
                         QCoreApplication::translate("StoredRuns", "Wh"),
                         QCoreApplication::translate("StoredRuns", "End V"),
                         QCoreApplication::translate("StoredRuns", "Ended by"),
                         QCoreApplication::translate("StoredRuns", "Label")};
    for (const RunRecord& r : runs) {
        const qint64 duration = r.endedAt.isValid() ? r.startedAt.msecsTo(r.endedAt) : -1;
        lines << QStringList{QString::number(r.id),
                             r.startedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                             duration < 0 ? QStringLiteral("-") : elapsedText(duration),
                             QString::number(r.readings),
                             number(r.ampHours, 4),
                             number(r.wattHours, 3),
                             r.readings > 0 ? number(r.endVolts, 3) : QStringLiteral("-"),
                             runEndKey(r.end) + (r.readingsCleared ? QCoreApplication::translate(
                                                                         "StoredRuns", " (cleared)")
                                                                   : QString()),
                             r.label};
    }
    // The numbers right-aligned; the label may be empty, so it comes last.
    return tableText(lines, {true, false, true, true, true, true, true, false, false});
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
