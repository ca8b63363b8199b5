// Connections to the schema of an alias on a PostgreSQL server, through Qt's
// QPSQL driver (libpq underneath).

#include "store/Connection_p.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QtEndian>

namespace tarvex {

namespace {

const QString kServerDriver = QStringLiteral("QPSQL");

// libpq gives up on a server that does not answer a connection within this
// many seconds, and on a TCP connection whose peer went silent after about
// 10 + 3 * 5 seconds, so a dead network costs the reading log a bounded wait.
const QString kConnectOptions =
    QStringLiteral("connect_timeout=5;keepalives=1;keepalives_idle=10;keepalives_interval=5;"
                   "keepalives_count=3;application_name=tarvex");
// A table another connection keeps locked is given up after this long, as the
// table file's busy time-out does.
constexpr int kLockTimeoutMs = 2000;

// The first of the two keys of every advisory lock the engine takes: the
// second is derived from the schema's name (see PostgresConnection::claimKey).
constexpr qint32 kClaimSpace = 0x54617276;

// The server's message without the driver's decorations: its first line,
// without the "ERROR:" prefix and the SQLSTATE the driver appends.
QString serverText(const QSqlError& error) {
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString code = error.nativeErrorCode();
    if (!code.isEmpty() && text.endsWith(u'(' + code + u')'))
        text.chop(code.size() + 2);
    text = text.section(u'\n', 0, 0).trimmed();
    for (const char* prefix : {"ERROR:", "FATAL:"}) {
        if (text.startsWith(QLatin1String(prefix))) {
            text = text.mid(static_cast<qsizetype>(qstrlen(prefix))).trimmed();
            break;
        }
    }
    return text.isEmpty() ? error.text() : text;
}

class PostgresConnection final : public Connection {
public:
    PostgresConnection(ServerAlias server, QString alias)
        : Connection(QStringLiteral("schema %1 of %2").arg(server.schema, server.description())),
          m_server(std::move(server)), m_alias(std::move(alias)) {}
    ~PostgresConnection() override;

    // Connects and makes the schema the one unqualified names are looked up
    // in; false when the schema does not exist and create is false.
    bool open(bool create);

    // Without PREPARE, which takes only SELECT, INSERT, UPDATE, DELETE and
    // VALUES.
    void run(const QString& sql, const QString& context) const override;
    DatabaseError error(const QSqlError& error, const QString& context) const override;
    QStringList tables() const override;
    QList<Column> columns(const QString& storedTable) const override;
    QString declaredType(FieldType type, int size) const override;
    QString primaryKeyName(const QString& table, const QString& index) const override {
        return table + u'$' + index;
    }

    QString rowIdColumn() const override { return QStringLiteral("ctid"); }
    qint64 rowIdOf(const QVariant& stored) const override;
    QVariant rowIdValue(qint64 rowId) const override;
    QString returningRowId() const override { return QStringLiteral(" RETURNING ctid"); }
    qint64 insertedRowId(QSqlQuery& insert) const override {
        return insert.next() ? rowIdOf(insert.value(0)) : -1;
    }
    void beginWrite(const QString& storedTable, const QString& context) const override;

    bool tryClaim() override;
    bool isLost() const override { return m_lost || !m_db.isOpen(); }

private:
    bool schemaExists() const;
    qint32 claimKey() const;

    ServerAlias m_server;
    QString m_alias;
    bool m_claimed = false;
    // The server said it ends the session (it may not have closed it yet).
    mutable bool m_lost = false;
};

PostgresConnection::~PostgresConnection() {
    // Released at once rather than when the server notices the session's
    // end, so that the next claim of this program finds it free.
    if (m_claimed && !isLost()) {
        try {
            QSqlQuery release = prepare(QStringLiteral("SELECT pg_advisory_unlock(?, ?)"));
            release.bindValue(0, kClaimSpace);
            release.bindValue(1, claimKey());
            exec(release, QString());
            release.finish();
        } catch (const DatabaseError&) {
            // The session ends with the connection either way.
        }
    }
}

bool PostgresConnection::open(bool create) {
    m_db = addDatabase(kServerDriver);
    if (!m_db.isValid())
        throw DatabaseError(QStringLiteral("The table engine cannot reach the server of alias %1: "
                                           "the PostgreSQL driver (Qt SQL plugin %2) cannot be "
                                           "loaded.")
                                .arg(m_alias, kServerDriver));
    m_db.setHostName(m_server.host);
    m_db.setPort(m_server.port);
    m_db.setDatabaseName(m_server.database);
    m_db.setUserName(m_server.user);
    m_db.setConnectOptions(kConnectOptions);
    if (!m_db.open())
        throw DatabaseError(
            QStringLiteral("Cannot connect to %1 (alias %2): %3")
                .arg(m_server.description(), m_alias, serverText(m_db.lastError())));

    const QString context = QStringLiteral("Cannot use %1").arg(place());
    if (!schemaExists()) {
        if (!create)
            return false;
        try {
            run(QStringLiteral("CREATE SCHEMA %1").arg(quoteName(m_server.schema)),
                QStringLiteral("Cannot create %1").arg(place()));
        } catch (const DatabaseError&) {
            // Another bench may have made it meanwhile.
            if (!schemaExists())
                throw;
        }
    }
    run(QStringLiteral("SET search_path TO %1").arg(quoteName(m_server.schema)), context);
    run(QStringLiteral("SET lock_timeout = %1").arg(kLockTimeoutMs), context);
    return true;
}

void PostgresConnection::run(const QString& sql, const QString& context) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        const QSqlError failure = query.lastError();
        query.finish();
        throw error(failure, context.isEmpty()
                                 ? QStringLiteral("Cannot run \"%1\"").arg(sql.simplified())
                                 : context);
    }
    query.finish();
}

bool PostgresConnection::schemaExists() const {
    QSqlQuery query = prepare(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"));
    query.bindValue(0, m_server.schema);
    exec(query, QStringLiteral("Cannot look for %1").arg(place()));
    const bool exists = query.next();
    query.finish();
    return exists;
}

DatabaseError PostgresConnection::error(const QSqlError& sqlError, const QString& context) const {
    const QString code = sqlError.nativeErrorCode();
    const QString text = serverText(sqlError);
    // Class 08: connection exceptions; 57P01-57P03: the server ends the
    // session (shut down, crashed, or is starting); no code with a dead
    // connection: the socket closed.
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        m_lost = true;
    if (isLost())
        return DatabaseError(
            QStringLiteral("The connection to %1 was lost (%2)").arg(m_server.description(), text));
    if (code == QLatin1String("55P03") || code == QLatin1String("40P01"))
        return DatabaseError(
            QStringLiteral("The tables of %1 are locked by another user (%2)").arg(place(), text));
    if (code.startsWith(QLatin1String("53")))
        return DatabaseError(
            QStringLiteral("The server holding %1 has no room left (%2)").arg(place(), text));
    return DatabaseError(QStringLiteral("%1: %2").arg(context, text));
}

QStringList PostgresConnection::tables() const {
    QSqlQuery query =
        prepare(QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = "
                               "c.relnamespace WHERE n.nspname = ? AND c.relkind IN ('r', 'p') "
                               "ORDER BY c.oid"));
    query.bindValue(0, m_server.schema);
    exec(query, QStringLiteral("Cannot list the tables of %1").arg(place()));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    query.finish();
    return names;
}

QList<Connection::Column> PostgresConnection::columns(const QString& storedTable) const {
    QSqlQuery query = prepare(QStringLiteral(
        "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
        "coalesce((SELECT k.n FROM unnest(i.indkey) WITH ORDINALITY AS k(attnum, n) "
        "WHERE k.attnum = a.attnum), 0) "
        "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
        "JOIN pg_namespace n ON n.oid = c.relnamespace "
        "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
        "WHERE n.nspname = ? AND c.relname = ? AND a.attnum > 0 AND NOT a.attisdropped "
        "ORDER BY a.attnum"));
    query.bindValue(0, m_server.schema);
    query.bindValue(1, storedTable);
    exec(query, QStringLiteral("Cannot read the fields of table %1").arg(storedTable));
    QList<Column> columns;
    while (query.next())
        columns.append({query.value(0).toString(), query.value(1).toString(),
                        query.value(3).toInt(), query.value(2).toBool()});
    query.finish();
    return columns;
}

QString PostgresConnection::declaredType(FieldType type, int size) const {
    // REAL is a 4-byte number on a server; the table file's REAL has 8.
    return type == FieldType::Float ? QStringLiteral("DOUBLE PRECISION")
                                    : Connection::declaredType(type, size);
}

// A ctid "(block,offset)" as block * 65536 + offset.
qint64 PostgresConnection::rowIdOf(const QVariant& stored) const {
    const QString text = stored.toString();
    const qsizetype comma = text.indexOf(u',');
    if (!text.startsWith(u'(') || !text.endsWith(u')') || comma < 0)
        return -1;
    const qint64 block = text.mid(1, comma - 1).toLongLong();
    const qint64 offset = text.mid(comma + 1, text.size() - comma - 2).toLongLong();
    return (block << 16) | (offset & 0xFFFF);
}

QVariant PostgresConnection::rowIdValue(qint64 rowId) const {
    return QStringLiteral("(%1,%2)").arg(rowId >> 16).arg(rowId & 0xFFFF);
}

void PostgresConnection::beginWrite(const QString& storedTable, const QString& context) const {
    run(QStringLiteral("BEGIN"), context);
    if (storedTable.isEmpty())
        return;
    try {
        // Keeps out every other writer; plain reads go on.
        run(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(quoteName(storedTable)), context);
    } catch (...) {
        try {
            run(QStringLiteral("ROLLBACK"), QString());
        } catch (const DatabaseError&) {
        }
        throw;
    }
}

// Stable across programs and runs (unlike qHash, which is seeded): the first
// four bytes of the SHA-256 of the schema's name.
qint32 PostgresConnection::claimKey() const {
    const QByteArray digest =
        QCryptographicHash::hash(m_server.schema.toUtf8(), QCryptographicHash::Sha256);
    return qFromBigEndian<qint32>(digest.constData());
}

bool PostgresConnection::tryClaim() {
    if (m_claimed)
        return true;
    QSqlQuery claim = prepare(QStringLiteral("SELECT pg_try_advisory_lock(?, ?)"));
    claim.bindValue(0, kClaimSpace);
    claim.bindValue(1, claimKey());
    exec(claim, QStringLiteral("Cannot claim %1").arg(place()));
    m_claimed = claim.next() && claim.value(0).toBool();
    claim.finish();
    return m_claimed;
}

} // namespace

std::unique_ptr<Connection> openServer(const AliasPlace& place, bool create) {
    auto connection = std::make_unique<PostgresConnection>(*place.server, place.alias);
    if (!connection->open(create))
        return nullptr;
    return connection;
}

} // namespace tarvex
