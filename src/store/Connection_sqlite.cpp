// Connections to the table file of an alias directory: one SQLite database
// in WAL mode with synchronous=FULL.

#include "store/Connection_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

namespace tarvex {

namespace {

class SqliteConnection final : public Connection {
public:
    explicit SqliteConnection(QString file)
        : Connection(QDir::toNativeSeparators(QFileInfo(file).path())), m_file(std::move(file)) {}

    void open();

    DatabaseError error(const QSqlError& error, const QString& context) const override;
    QStringList tables() const override;
    QList<Column> columns(const QString& storedTable) const override;

    QString rowIdColumn() const override { return QStringLiteral("rowid"); }
    qint64 rowIdOf(const QVariant& stored) const override { return stored.toLongLong(); }
    QVariant rowIdValue(qint64 rowId) const override { return rowId; }
    QString returningRowId() const override { return QString(); }
    qint64 insertedRowId(QSqlQuery& insert) const override {
        return insert.lastInsertId().toLongLong();
    }
    void beginWrite(const QString&, const QString& context) const override {
        run(QStringLiteral("BEGIN IMMEDIATE"), context);
    }
    // Reads only: the map is never written through.
    void mapForReading(qint64 bytes, const QString& context) const override {
        run(QStringLiteral("PRAGMA mmap_size=%1").arg(bytes), context);
    }

private:
    QString m_file;
};

void SqliteConnection::open() {
    const QString driver = engineDriverName();
    m_db = addDatabase(driver);
    if (!m_db.isValid())
        throw driverMissing(driver);
    m_db.setDatabaseName(m_file);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    const QString context =
        QStringLiteral("Cannot open the table file %1").arg(QDir::toNativeSeparators(m_file));
    if (!m_db.open())
        throw error(m_db.lastError(), context);

    QSqlQuery mode = prepare(QStringLiteral("PRAGMA journal_mode"));
    exec(mode, context);
    const QString current = mode.next() ? mode.value(0).toString() : QString();
    mode.finish();
    if (current.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
        QSqlQuery set = prepare(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(set, context);
        const QString now = set.next() ? set.value(0).toString() : QString();
        set.finish();
        if (now.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
            throw DatabaseError(
                QStringLiteral("%1: the write-ahead log cannot be used").arg(context));
    }
    run(QStringLiteral("PRAGMA synchronous=FULL"), context);
}

DatabaseError SqliteConnection::error(const QSqlError& sqlError, const QString& context) const {
    const QString text =
        sqlError.databaseText().isEmpty() ? sqlError.text() : sqlError.databaseText();
    const QString native = QDir::toNativeSeparators(m_file);
    switch (sqlError.nativeErrorCode().toInt() & 0xFF) {
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return DatabaseError(
            QStringLiteral("The table file %1 is damaged or is not a database (%2)")
                .arg(native, text));
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return DatabaseError(
            QStringLiteral("The table file %1 is locked by another user (%2)").arg(native, text));
    case 13: // SQLITE_FULL
        return DatabaseError(
            QStringLiteral("The disk holding the table file %1 is full (%2)").arg(native, text));
    default:
        return DatabaseError(QStringLiteral("%1: %2").arg(context, text));
    }
}

QStringList SqliteConnection::tables() const {
    QSqlQuery query = prepare(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' ORDER BY rowid"));
    exec(query,
         QStringLiteral("Cannot list the tables of %1").arg(QDir::toNativeSeparators(m_file)));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    query.finish();
    return names;
}

QList<Connection::Column> SqliteConnection::columns(const QString& storedTable) const {
    QSqlQuery query = prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(storedTable)));
    exec(query, QStringLiteral("Cannot read the fields of table %1").arg(storedTable));
    QList<Column> columns;
    while (query.next())
        columns.append({query.value(1).toString(), query.value(2).toString(),
                        query.value(5).toInt(), query.value(3).toInt() != 0});
    query.finish();
    return columns;
}

} // namespace

std::unique_ptr<Connection> openTableFile(const AliasPlace& place, bool create) {
    const QString& dir = place.directory;
    if (!QFileInfo(dir).isDir())
        throw DatabaseError(QStringLiteral("The directory %1 of alias %2 does not exist")
                                .arg(QDir::toNativeSeparators(dir), place.alias));
    const QString file = dir + u'/' + QLatin1String(kTableFileName);
    const QString native = QDir::toNativeSeparators(file);
    const QFileInfo info(file);
    if (!info.exists()) {
        if (!create)
            return nullptr;
    } else {
        // Look at the header before SQLite does: a file that is not a
        // database is never handed to it, so nothing can be written there.
        QFile f(file);
        if (!info.isFile() || !f.open(QIODevice::ReadOnly))
            throw DatabaseError(
                QStringLiteral("The table file %1 cannot be opened (%2)")
                    .arg(native, info.isFile() ? f.errorString() : QStringLiteral("not a file")));
        static const QByteArray magic("SQLite format 3\0", 16);
        if (f.size() > 0 && (f.size() < 100 || f.read(16) != magic))
            throw DatabaseError(QStringLiteral("The table file %1 is not a database").arg(native));
    }
    auto connection = std::make_unique<SqliteConnection>(file);
    connection->open();
    return connection;
}

} // namespace tarvex
