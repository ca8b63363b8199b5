#include "review/RunFiles.h"

#include "export/BatteryDataFile.h"
#include "store/ReadingStore.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationProgress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

// Readings read from the store at a time.
constexpr int kReadBlock = 16384;
// The progress shows once saving has taken this long.
constexpr int kProgressDelayMs = 500;

} // namespace

BdfEquipment programEquipment() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty() || name == QStringLiteral("TarvexVol"))
        name = QStringLiteral("Tarvex");
    return {name, QCoreApplication::applicationVersion(), QString(), 0};
}

bool saveRunAsBdf(QWidget* parent, const RunRecord& run, QString& directory) {
    if (directory.isEmpty() || !QFileInfo(directory).isDir()) {
        directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(directory).isDir())
            directory = QDir::homePath();
    }
    SaveFileRequest request;
    request.parent = parent;
    request.caption = QCoreApplication::translate("RunFiles", "Save as BDF");
    request.proposedPath = QDir(directory).filePath(bdfFileName(run));
    request.filter = QCoreApplication::translate(
        "RunFiles", "Battery Data Format files (*.bdf.csv);;All files (*)");
    request.defaultSuffix = QStringLiteral("csv");
    const QString fileName = askSaveFileName(request);
    if (fileName.isEmpty())
        return false;
    directory = QFileInfo(fileName).absolutePath();

    // Reading takes the first half of the bar, writing the second.
    const int total = std::max(1, run.readings);
    OperationProgress progress(
        parent, QCoreApplication::translate("RunFiles", "Saving run %1...").arg(run.id), 2 * total,
        kProgressDelayMs, OperationProgress::Cancel::Offered);
    try {
        QList<RunReading> readings;
        {
            ReadingStore store;
            for (;;) {
                const QList<RunReading> block =
                    store.runReadings(run.id, int(readings.size()), kReadBlock);
                readings += block;
                if (!progress.advance(std::min(total, int(readings.size()))))
                    return false;
                if (block.size() < kReadBlock)
                    break;
            }
        }
        return writeBatteryDataFile(
            run, readings, programEquipment(), fileName,
            [&](qint64 done, qint64) { return progress.advance(total + int(done)); });
    } catch (const std::exception& e) {
        // The reason names the file (a write) or the table (a read).
        showMessageBox(QCoreApplication::translate("RunFiles", "Run %1 was not saved as BDF: %2")
                           .arg(run.id)
                           .arg(QString::fromUtf8(e.what())),
                       QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
}

} // namespace tarvex
