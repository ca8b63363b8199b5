#include "store/ReadingTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <limits>

#include <unistd.h>

namespace tarvex {

namespace {

const QString kAlias = QString::fromLatin1(ReadingTable::kAlias);
const QString kTable = QString::fromLatin1(ReadingTable::kTableName);
const QString kIdField = QStringLiteral("ID");

// Whether the permission bits of directory grant this user writing and its
// file system takes writes. access() alone would call every directory
// writable for a superuser, even one made read-only with chmod.
bool isWritableByUser(const QString& directory) {
    const QFileInfo info(directory);
    if (!info.isDir() || !info.isWritable())
        return false;
    if (info.ownerId() == ::geteuid())
        return info.permission(QFile::WriteOwner);
    return info.permission(QFile::WriteGroup) || info.permission(QFile::WriteOther);
}

} // namespace

QList<FieldDef> ReadingTable::fields() {
    return {{kIdField, FieldType::Integer, 0, false},
            {QStringLiteral("VolVal"), FieldType::String, 10, false},
            {QStringLiteral("CurVal"), FieldType::String, 10, false},
            {QStringLiteral("PowVal"), FieldType::String, 10, false},
            {QStringLiteral("TestDate"), FieldType::Date, 0, false}};
}

QList<IndexDef> ReadingTable::indexes() {
    return {{QStringLiteral("IndexID"), {kIdField}, IndexOption::Primary | IndexOption::Unique}};
}

QString ReadingTable::defaultDataDirectory(const QString& programDirectory) {
    const QString programDir =
        programDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : programDirectory;
    const QString dataDir = isWritableByUser(programDir)
                                ? programDir
                                : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return dataDir + QStringLiteral("/Table");
}

ReadingTable::SetupResult ReadingTable::setUp(const QString& dataDirectory) {
    if (!QFileInfo(dataDirectory).isDir() && !QDir().mkpath(dataDirectory))
        throw StoreSetupError(QStringLiteral("Cannot create ") + dataDirectory);

    try {
        if (!TableEngine::aliases().contains(kAlias, Qt::CaseInsensitive)) {
            TableEngine::addPathAlias(kAlias, dataDirectory, QStringLiteral("Paradox"));
            TableEngine::saveConfig();
        } else {
            const QStringList params = TableEngine::aliasParams(kAlias);
            if (params.isEmpty())
                throw DatabaseError(QStringLiteral("Alias %1 has no parameters").arg(kAlias));
            // What follows "PATH=" on the first line, compared letter for letter.
            const QString path = params.first().mid(5, 255);
            if (path != dataDirectory) {
                TableEngine::changeAliasParams(kAlias, {QStringLiteral("PATH=") + dataDirectory});
                TableEngine::saveConfig();
            }
        }
    } catch (...) {
        return SetupResult::AliasFailed;
    }
    createIfMissing();
    return SetupResult::Ready;
}

void ReadingTable::createIfMissing() {
    if (TableEngine::tables(kAlias).contains(kTable, Qt::CaseInsensitive))
        return;
    TableEngine::createTable(kAlias, kTable, TableType::LocalFile, fields(), indexes());
}

void ReadingTable::attach(Table& table) {
    table.close();
    table.setAlias(kAlias);
    table.setTableName(kTable);
}

void ReadingTable::openQuery(Query& query) {
    query.close();
    query.setAlias(kAlias);
    query.setSql({QString::fromLatin1(kStatement)});
    query.open();
}

void ReadingTable::appendReading(Table& table, const LoadReading& reading, const QDateTime& now) {
    table.open();
    // The row with the largest ID, found through the primary index: numbering
    // by it never meets an ID still stored, whatever was deleted before.
    table.last();
    qint32 id = 0;
    if (!table.isEmpty()) {
        const qint64 largest = table.fieldByName(kIdField).toLongLong();
        if (largest >= std::numeric_limits<qint32>::max())
            throw DatabaseError(QStringLiteral("Table %1 has no row number left after %2")
                                    .arg(kTable)
                                    .arg(largest));
        id = static_cast<qint32>(largest + 1);
    }
    table.append();
    try {
        table.fieldByName(kIdField).setValue(id);
        table.fieldByName(QStringLiteral("VolVal")).setValue(reading.voltsText);
        table.fieldByName(QStringLiteral("CurVal")).setValue(reading.ampsText);
        table.fieldByName(QStringLiteral("PowVal")).setValue(reading.wattsText);
        table.fieldByName(QStringLiteral("TestDate")).setValue(now.date());
        table.post();
    } catch (...) {
        // Not stored: drop the row so that the next reading starts afresh.
        table.cancel();
        throw;
    }
}

} // namespace tarvex
