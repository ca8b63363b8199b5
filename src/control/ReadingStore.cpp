#include "control/ReadingStore.h"

#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <limits>

namespace tarvex {

namespace {

const QString kAlias = QString::fromLatin1(kStoreAlias);
const QString kTable = QString::fromLatin1(kReadingTable);

} // namespace

QString DefaultDataDirectory() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Table");
}

void PrepareStore(const QString& dataDirectory) {
    if (!QFileInfo(dataDirectory).isDir() && !QDir().mkpath(dataDirectory))
        throw StoreSetupError(QStringLiteral("Cannot create ") + dataDirectory);

    try {
        if (!ListAliases().contains(kAlias, Qt::CaseInsensitive)) {
            AddPathAlias(kAlias, dataDirectory, QStringLiteral("Paradox"));
            SaveEngineConfig();
        } else {
            const QStringList params = ReadAliasParams(kAlias);
            if (params.isEmpty())
                throw DatabaseError(QStringLiteral("Alias %1 has no parameters").arg(kAlias));
            // What follows "PATH=" on the first line, compared letter for letter.
            const QString path = params.first().mid(5, 255);
            if (path != dataDirectory) {
                ChangeAliasParams(kAlias, {QStringLiteral("PATH=") + dataDirectory});
                SaveEngineConfig();
            }
        }
    } catch (...) {
        showMessageBox(QStringLiteral("Have no install BDE ,Please insatll !"),
                       QMessageBox::Warning, QMessageBox::Yes);
        return;
    }
    CreateTableIfMissing();
}

void CreateTableIfMissing() {
    if (ListTables(kAlias).contains(kTable, Qt::CaseInsensitive))
        return;
    CreateTableFrom(kAlias, kTable, TTableType::ttParadox,
                    {{QStringLiteral("ID"), TFieldType::ftInteger, 0, false},
                     {QStringLiteral("VolVal"), TFieldType::ftString, 10, false},
                     {QStringLiteral("CurVal"), TFieldType::ftString, 10, false},
                     {QStringLiteral("PowVal"), TFieldType::ftString, 10, false},
                     {QStringLiteral("TestDate"), TFieldType::ftDate, 0, false}},
                    {{QStringLiteral("IndexID"), {QStringLiteral("ID")}, ixPrimary | ixUnique}});
}

void LogReading(TTable& table, const LoadReading& reading, const QDateTime& now) {
    table.Open();
    // The row with the largest ID, found through the primary index: numbering
    // by it never meets an ID still stored, whatever was deleted before.
    table.Last();
    qint32 id = 0;
    if (!table.IsEmpty()) {
        const qint64 largest = table.FieldByName(QStringLiteral("ID")).AsLargeInt();
        if (largest >= std::numeric_limits<qint32>::max())
            throw DatabaseError(QStringLiteral("Table %1 has no row number left after %2")
                                    .arg(kTable)
                                    .arg(largest));
        id = static_cast<qint32>(largest + 1);
    }
    table.Append();
    try {
        table.FieldByName(QStringLiteral("ID")).SetAsInteger(id);
        table.FieldByName(QStringLiteral("VolVal")).SetAsString(reading.voltsText);
        table.FieldByName(QStringLiteral("CurVal")).SetAsString(reading.ampsText);
        table.FieldByName(QStringLiteral("PowVal")).SetAsString(reading.wattsText);
        table.FieldByName(QStringLiteral("TestDate")).SetAsDateTime(now);
        table.Post();
    } catch (...) {
        // Not stored: drop the row so that the next reading starts afresh.
        table.Cancel();
        throw;
    }
}

} // namespace tarvex
