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

QString schemaInUseMessage(const ServerAlias& server) {
    return QStringLiteral("Another program is already storing its readings in schema %1 of %2: "
                          "two benches must not log into one schema")
        .arg(server.schema, server.description());
}

// The schema, the table and the claim, for a server alias; see setUp.
ReadingTable::SetupResult setUpOnServer(QString* warning) {
    const auto tell = [warning](const QString& text) {
        if (warning)
            *warning = text;
    };
    std::optional<ServerAlias> server;
    try {
        server = TableEngine::serverAlias(kAlias);
        ReadingTable::createIfMissing();
        Table probe;
        ReadingTable::attach(probe);
        probe.open();
        if (!probe.tryClaim()) {
            tell(schemaInUseMessage(*server) +
                 QStringLiteral(".\nGive this bench a SCHEMA of its own in alias %1 of %2. Until "
                                "the other program ends, this program's readings are kept, not "
                                "stored.")
                     .arg(kAlias, TableEngine::configFile()));
            return ReadingTable::SetupResult::SchemaInUse;
        }
    } catch (const std::exception& failure) {
        const QString where =
            server ? server->description() + QStringLiteral(", schema ") + server->schema
                   : QStringLiteral("alias %1").arg(kAlias);
        tell(QStringLiteral("The server of the reading table cannot be reached or used (%1): "
                            "%2\nThe program goes on: readings are kept and stored as soon as "
                            "the server takes them.")
                 .arg(where, QString::fromUtf8(failure.what())));
        return ReadingTable::SetupResult::ServerUnreachable;
    }
    return ReadingTable::SetupResult::Ready;
}

// Opens the reading log's table if it is closed; see appendReading.
void openLog(Table& table) {
    if (table.isActive())
        return;
    const std::optional<ServerAlias> server = TableEngine::isServerAlias(table.alias())
                                                  ? TableEngine::serverAlias(table.alias())
                                                  : std::nullopt;
    if (server && table.alias().compare(kAlias, Qt::CaseInsensitive) == 0)
        ReadingTable::createIfMissing();
    table.open();
    if (server && !table.tryClaim()) {
        table.close();
        throw DatabaseError(schemaInUseMessage(*server));
    }
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

ReadingTable::SetupResult ReadingTable::setUp(const QString& dataDirectory, QString* warning) {
    if (TableEngine::isServerAlias(kAlias))
        return setUpOnServer(warning);

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
    const auto exists = [] {
        return TableEngine::tables(kAlias).contains(kTable, Qt::CaseInsensitive);
    };
    if (exists())
        return;
    try {
        TableEngine::createTable(kAlias, kTable, TableType::LocalFile, fields(), indexes());
    } catch (const DatabaseError&) {
        // Another program (a bench starting at the same moment) may have
        // made it meanwhile.
        if (!exists())
            throw;
    }
}

void ReadingTable::attach(Table& table) {
    table.close();
    table.setAlias(kAlias);
    table.setTableName(kTable);
}

void ReadingTable::attachLog(Table& table) {
    attach(table);
    if (!TableEngine::isServerAlias(kAlias))
        return;
    try {
        openLog(table);
    } catch (const std::exception&) {
        // The first reading tries again and tells.
    }
}

QString ReadingTable::statement() {
    if (TableEngine::isServerAlias(kAlias))
        return QStringLiteral("select * from \"%1\" order by \"%2\"").arg(kTable, kIdField);
    return QString::fromLatin1(kStatement);
}

void ReadingTable::openQuery(Query& query) {
    query.close();
    query.setAlias(kAlias);
    query.setSql({statement()});
    query.open();
}

void ReadingTable::appendReading(Table& table, const LoadReading& reading, const QDateTime& now) {
    try {
        openLog(table);
        // The row with the largest ID, found through the primary index:
        // numbering by it never meets an ID still stored, whatever was
        // deleted before.
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
    } catch (...) {
        // A server connection that broke never works again: the next reading
        // connects anew (and claims the schema anew).
        if (table.isConnectionLost()) {
            try {
                table.close();
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
}

} // namespace tarvex
