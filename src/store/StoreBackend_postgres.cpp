// The reading table in the bench's schema on a PostgreSQL server, through
// Qt's QPSQL driver (libpq underneath).
//
// Time bounds. libpq gives up on a server that does not answer a connection
// within connect_timeout (shortened to what is left before the store's
// deadline) and on a TCP peer that does not acknowledge what was
// sent within tcp_user_timeout; the server ends a statement that runs longer
// than statement_timeout. None of these helps when the server's process
// itself stops answering mid-statement (stopped, swapped out, a network cut
// after the statement arrived): libpq would wait for its answer for ever. A
// watchdog thread therefore shuts the connection's socket down when a
// statement has gone unanswered for ReadingStore::kStatementMs (or past the
// store's deadline); the call then fails at once and the connection counts
// as lost.

#include "store/StoreBackend_p.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QSqlDriver>
#include <QSqlError>
#include <QtEndian>

#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include <dlfcn.h>
#include <sys/socket.h>

namespace tarvex {

namespace {

const QString kServerDriver = QStringLiteral("QPSQL");

// libpq's parameters (';' separates them for the driver), after
// connect_timeout. The server ends a statement after 5 s and gives up on a
// lock after 2 s.
const QString kConnectOptions =
    QStringLiteral("tcp_user_timeout=8000;keepalives=1;keepalives_idle=10;"
                   "keepalives_interval=5;keepalives_count=3;application_name=tarvex;"
                   "options='-c statement_timeout=5000 -c lock_timeout=2000'");
// How long a connection may take to be made, in seconds: kConnectSeconds, or
// what is left until the store's deadline (libpq takes 2 s at the least).
constexpr int kConnectSeconds = 5;
constexpr int kLeastConnectSeconds = 2;

// The first of the two keys of the claim's advisory lock; the second comes
// from the schema's name (claimKey), so that every program of this kind
// configured on one schema asks for the same lock.
constexpr qint32 kClaimSpace = 0x54617276;

// Stable across programs and runs (unlike qHash, which is seeded): the first
// four bytes of the SHA-256 of the schema's name.
qint32 claimKey(const QString& schema) {
    const QByteArray digest = QCryptographicHash::hash(schema.toUtf8(), QCryptographicHash::Sha256);
    return qFromBigEndian<qint32>(digest.constData());
}

// libpq's PQsocket and PQstatus, looked up in the libpq the driver has
// loaded (the program does not link libpq itself).
struct Libpq {
    int (*socket)(const void*) = nullptr;
    int (*status)(const void*) = nullptr;

    static const Libpq& get() {
        static const Libpq libpq = [] {
            Libpq l;
            if (void* library = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD)) {
                l.socket = reinterpret_cast<int (*)(const void*)>(::dlsym(library, "PQsocket"));
                l.status = reinterpret_cast<int (*)(const void*)>(::dlsym(library, "PQstatus"));
            }
            return l;
        }();
        return libpq;
    }
};

// The PGconn of a connection, or null.
const void* pgConnection(const QSqlDatabase& db) {
    if (!db.isValid() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // The driver registers the type as "PGconn*" or under libpq's struct
    // name, "pg_conn*".
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

// Shuts down the socket of a statement that has gone unanswered too long.
class StatementWatchdog {
public:
    static StatementWatchdog& instance() {
        static StatementWatchdog watchdog;
        return watchdog;
    }

    struct Armed {
        int socket;
        qint64 ownDeadlineMs;
        std::shared_ptr<StoreDeadline> storeDeadline;
        bool fired = false;
    };
    using Ticket = std::list<Armed>::iterator;

    Ticket arm(int socket, std::shared_ptr<StoreDeadline> storeDeadline) {
        const std::lock_guard lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { watch(); });
        m_armed.push_back({socket, QDeadlineTimer(ReadingStore::kStatementMs).deadline(),
                           std::move(storeDeadline)});
        m_changed.notify_all();
        return std::prev(m_armed.end());
    }
    // True when the watchdog broke the statement off.
    bool disarm(Ticket ticket) {
        const std::lock_guard lock(m_mutex);
        const bool fired = ticket->fired;
        m_armed.erase(ticket);
        return fired;
    }
    // A store's deadline moved.
    void wake() {
        const std::lock_guard lock(m_mutex);
        m_changed.notify_all();
    }

    ~StatementWatchdog() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_changed.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    StatementWatchdog() = default;

    static qint64 deadlineOf(const Armed& a) {
        return std::min(a.ownDeadlineMs, a.storeDeadline->atMs.load());
    }

    void watch() {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            qint64 next = std::numeric_limits<qint64>::max();
            const qint64 now = QDeadlineTimer::current().deadline();
            for (Armed& a : m_armed) {
                if (a.fired)
                    continue;
                const qint64 at = deadlineOf(a);
                if (at <= now) {
                    // The statement's call returns at once, failing.
                    ::shutdown(a.socket, SHUT_RDWR);
                    a.fired = true;
                } else {
                    next = std::min(next, at);
                }
            }
            if (next == std::numeric_limits<qint64>::max())
                m_changed.wait(lock);
            else
                m_changed.wait_for(lock, std::chrono::milliseconds(next - now));
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<Armed> m_armed;
    std::thread m_thread;
    bool m_stopping = false;
};

// Which connection of this program holds the claim of a schema.
struct SchemaClaims {
    std::mutex mutex;
    QHash<QString, const void*> holder; // by schema key: server description + schema
};

SchemaClaims& schemaClaims() {
    static SchemaClaims instance;
    return instance;
}

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

class PostgresBackend final : public StoreBackend {
public:
    PostgresBackend(ServerAlias server, std::shared_ptr<StoreDeadline> deadline)
        : StoreBackend(QStringLiteral("schema %1 of %2").arg(server.schema, server.description()),
                       std::move(deadline)),
          m_server(std::move(server)),
          m_claimName(m_server.description() + u'\n' + m_server.schema) {}
    ~PostgresBackend() override;

    void open(bool create);

    void beginWrite(const QString& context) override { run(QStringLiteral("BEGIN"), context); }
    DatabaseError error(const QSqlError& error, const QString& context) const override;
    bool isLost() const override;
    bool claim() override;
    QString claimedElsewhere() const override {
        return ReadingStore::tr("Another program is already storing its readings in schema %1 of "
                                "%2: two benches must not log into one schema")
            .arg(m_server.schema, m_server.description());
    }

protected:
    QStringList tableNames() override;
    QString createTableSql() const override {
        return QStringLiteral("CREATE TABLE %1.\"Tarvex\" (\"ID\" INTEGER, \"VolVal\" "
                              "VARCHAR(10), \"CurVal\" VARCHAR(10), \"PowVal\" VARCHAR(10), "
                              "\"TestDate\" DATE, CONSTRAINT \"Tarvex$IndexID\" PRIMARY KEY "
                              "(\"ID\"))")
            .arg(quoteName(m_server.schema));
    }
    QString qualified(const QString& storedName) const override {
        return quoteName(m_server.schema) + u'.' + quoteName(storedName);
    }
    void statementStarts() override;
    void statementEnded() override;

private:
    bool schemaExists();

    ServerAlias m_server;
    QString m_claimName;
    bool m_claimed = false;
    // The watchdog broke a statement off, or the server said it ends the
    // session: the connection is gone.
    mutable bool m_lost = false;
    std::optional<StatementWatchdog::Ticket> m_ticket;
};

PostgresBackend::~PostgresBackend() {
    if (!m_claimed)
        return;
    // Released at once rather than when the server notices the session's
    // end, so that this program's next claim finds it free.
    if (!isLost()) {
        try {
            QSqlQuery release(m_db);
            release.setForwardOnly(true);
            if (release.prepare(QStringLiteral("SELECT pg_advisory_unlock(?, ?)"))) {
                release.bindValue(0, kClaimSpace);
                release.bindValue(1, claimKey(m_server.schema));
                exec(release, QString());
            }
        } catch (const DatabaseError&) {
            // The session ends with the connection either way.
        }
    }
    SchemaClaims& c = schemaClaims();
    const std::lock_guard lock(c.mutex);
    if (c.holder.value(m_claimName) == this)
        c.holder.remove(m_claimName);
}

void PostgresBackend::open(bool create) {
    m_db = addDatabase(kServerDriver);
    if (!m_db.isValid())
        throw DatabaseError(ReadingStore::tr("The PostgreSQL driver (Qt SQL plugin %1) cannot be "
                                             "loaded")
                                .arg(kServerDriver));
    m_db.setHostName(m_server.host);
    m_db.setPort(m_server.port);
    m_db.setDatabaseName(m_server.database);
    m_db.setUserName(m_server.user);
    // A connection is not begun once the deadline has passed (the end of
    // the program), and one begun before it is given what is left of it.
    const int leftMs = m_deadline->remainingMs(kConnectSeconds * 1000);
    if (leftMs == 0)
        throw DatabaseError(ReadingStore::tr("Cannot connect to %1: no time is left before the "
                                             "end of the program")
                                .arg(m_server.description()));
    const int connectSeconds = std::max(kLeastConnectSeconds, (leftMs + 999) / 1000);
    m_db.setConnectOptions(QStringLiteral("connect_timeout=%1;").arg(connectSeconds) +
                           kConnectOptions);
    if (!m_db.open())
        throw DatabaseError(ReadingStore::tr("Cannot connect to %1: %2")
                                .arg(m_server.description(), serverText(m_db.lastError())));
    if (!schemaExists()) {
        if (!create)
            throw DatabaseError(ReadingStore::tr("Table %1 does not exist in %2")
                                    .arg(QString::fromLatin1(ReadingStore::kTableName), place()));
        try {
            run(QStringLiteral("CREATE SCHEMA %1").arg(quoteName(m_server.schema)),
                ReadingStore::tr("Cannot create %1").arg(place()));
        } catch (const DatabaseError&) {
            // Another bench may have made it meanwhile.
            if (!schemaExists())
                throw;
        }
    }
    findTable(create);
}

bool PostgresBackend::schemaExists() {
    QSqlQuery& query = prepared(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"),
                                ReadingStore::tr("Cannot look for %1").arg(place()));
    query.bindValue(0, m_server.schema);
    exec(query, ReadingStore::tr("Cannot look for %1").arg(place()));
    const bool exists = query.next();
    query.finish();
    return exists;
}

QStringList PostgresBackend::tableNames() {
    const QString context = ReadingStore::tr("Cannot list the tables of %1").arg(place());
    QSqlQuery& query =
        prepared(QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = "
                                "c.relnamespace WHERE n.nspname = ? AND c.relkind IN ('r', 'p')"),
                 context);
    query.bindValue(0, m_server.schema);
    exec(query, context);
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    query.finish();
    return names;
}

void PostgresBackend::statementStarts() {
    const Libpq& libpq = Libpq::get();
    const void* connection = pgConnection(m_db);
    const int socket = libpq.socket && connection ? libpq.socket(connection) : -1;
    if (socket >= 0)
        m_ticket = StatementWatchdog::instance().arm(socket, m_deadline);
}

void PostgresBackend::statementEnded() {
    if (m_ticket && StatementWatchdog::instance().disarm(*std::exchange(m_ticket, std::nullopt)))
        m_lost = true;
}

bool PostgresBackend::isLost() const {
    if (m_lost || !m_db.isOpen())
        return true;
    const Libpq& libpq = Libpq::get();
    const void* connection = pgConnection(m_db);
    // CONNECTION_BAD is 1.
    return libpq.status && connection && libpq.status(connection) == 1;
}

DatabaseError PostgresBackend::error(const QSqlError& sqlError, const QString& context) const {
    const QString code = sqlError.nativeErrorCode();
    const QString text = serverText(sqlError);
    // Class 08: connection exceptions; 57P01-57P03: the server ends the
    // session (shut down, crashed, or is starting).
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        m_lost = true;
    if (isLost())
        return DatabaseError(ReadingStore::tr("The connection to %1 was lost (%2)")
                                 .arg(m_server.description(), text));
    if (code == QLatin1String("55P03") || code == QLatin1String("40P01"))
        return DatabaseError(ReadingStore::tr("The tables of %1 are locked by another user (%2)")
                                 .arg(place(), text));
    if (code == QLatin1String("57014"))
        return DatabaseError(
            ReadingStore::tr("The server holding %1 took too long (%2)").arg(place(), text));
    if (code.startsWith(QLatin1String("53")))
        return DatabaseError(
            ReadingStore::tr("The server holding %1 has no room left (%2)").arg(place(), text));
    return DatabaseError(QStringLiteral("%1: %2").arg(context, text));
}

bool PostgresBackend::claim() {
    SchemaClaims& c = schemaClaims();
    {
        const std::lock_guard lock(c.mutex);
        if (c.holder.contains(m_claimName))
            return true;
    }
    const QString context = ReadingStore::tr("Cannot claim %1").arg(place());
    QSqlQuery& query = prepared(QStringLiteral("SELECT pg_try_advisory_lock(?, ?)"), context);
    query.bindValue(0, kClaimSpace);
    query.bindValue(1, claimKey(m_server.schema));
    exec(query, context);
    m_claimed = query.next() && query.value(0).toBool();
    query.finish();
    if (m_claimed) {
        const std::lock_guard lock(c.mutex);
        c.holder.insert(m_claimName, this);
    }
    return m_claimed;
}

} // namespace

std::unique_ptr<StoreBackend> openServer(const ServerAlias& server, bool create,
                                         std::shared_ptr<StoreDeadline> deadline) {
    auto backend = std::make_unique<PostgresBackend>(server, std::move(deadline));
    backend->open(create);
    return backend;
}

void wakeStatementWatchdog() {
    StatementWatchdog::instance().wake();
}

} // namespace tarvex
