// The reading table in the table file of a directory: one SQLite database in
// WAL mode with synchronous=FULL, claimed by one program at a time through a
// lock on a file beside it.

#include "store/StoreBackend_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>

#include <mutex>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvex {

namespace {

// A table file this program holds, by its path: the open descriptor of its
// claim file, locked (flock) until the program ends. Other programs' locks
// are refused meanwhile; the system lets go when the program ends, however
// it ends.
struct TableFileClaims {
    std::mutex mutex;
    QHash<QString, int> held;
};

TableFileClaims& claims() {
    static TableFileClaims instance;
    return instance;
}

// True when this program holds the claim on file, taking it when nobody does.
bool claimTableFile(const QString& file) {
    TableFileClaims& c = claims();
    const std::lock_guard lock(c.mutex);
    if (c.held.contains(file))
        return true;
    const QByteArray path = QFile::encodeName(file + QStringLiteral("-claim"));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // Nowhere to put a claim: the directory takes no files, so no
        // program can write its table either.
        qWarning("The claim on %s cannot be taken: %s", path.constData(), std::strerror(errno));
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    c.held.insert(file, fd);
    return true;
}

class SqliteBackend final : public StoreBackend {
public:
    SqliteBackend(QString file, std::shared_ptr<StoreDeadline> deadline)
        : StoreBackend(ReadingStore::tr("the table file %1").arg(QDir::toNativeSeparators(file)),
                       std::move(deadline)),
          m_file(std::move(file)) {}

    void open(const QString& driver, bool create);

    void beginWrite(const QString& context) override {
        run(QStringLiteral("BEGIN IMMEDIATE"), context);
    }
    DatabaseError error(const QSqlError& error, const QString& context) const override;
    bool claim() override { return claimTableFile(m_file); }
    QString claimedElsewhere() const override {
        return ReadingStore::tr("Another program is already storing its readings in %1: two "
                                "programs must not log into one table file")
            .arg(place());
    }

protected:
    QStringList tableNames() override;
    QString createTableSql() const override {
        return QStringLiteral("CREATE TABLE \"Tarvex\" (\"ID\" INTEGER, \"VolVal\" VARCHAR(10), "
                              "\"CurVal\" VARCHAR(10), \"PowVal\" VARCHAR(10), \"TestDate\" "
                              "DATE, CONSTRAINT \"IndexID\" PRIMARY KEY (\"ID\"))");
    }
    QString qualified(const QString& storedName) const override { return quoteName(storedName); }
    // A locked table file is waited for kBusyMs, or until the bound.
    void statementStarts() override {
        const int busy = m_deadline->remainingMs(ReadingStore::kBusyMs);
        if (busy == m_busyMs)
            return;
        QSqlQuery set(m_db);
        if (set.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busy)))
            m_busyMs = busy;
    }

private:
    QString m_file;
    int m_busyMs = ReadingStore::kBusyMs;
};

void SqliteBackend::open(const QString& driver, bool create) {
    const QString native = QDir::toNativeSeparators(m_file);
    const QFileInfo info(m_file);
    if (!QFileInfo(info.path()).isDir())
        throw DatabaseError(ReadingStore::tr("The directory %1 of the reading table does not exist")
                                .arg(QDir::toNativeSeparators(info.path())));
    if (info.exists()) {
        // The header is looked at before SQLite is: a file that is not a
        // database is never handed to it, so nothing is ever written there.
        QFile f(m_file);
        if (!info.isFile() || !f.open(QIODevice::ReadOnly))
            throw DatabaseError(
                ReadingStore::tr("The table file %1 cannot be opened (%2)")
                    .arg(native, info.isFile() ? f.errorString() : ReadingStore::tr("not a file")));
        static const QByteArray magic("SQLite format 3\0", 16);
        if (f.size() > 0 && (f.size() < 100 || f.read(16) != magic))
            throw DatabaseError(
                ReadingStore::tr("The table file %1 is not a database").arg(native));
    } else if (!create) {
        throw DatabaseError(ReadingStore::tr("Table %1 does not exist in %2")
                                .arg(QString::fromLatin1(ReadingStore::kTableName), place()));
    }

    m_db = addDatabase(driver);
    if (!m_db.isValid())
        throw DatabaseError(
            ReadingStore::tr("The SQLite driver (Qt SQL plugin %1) cannot be loaded").arg(driver));
    m_db.setDatabaseName(m_file);
    // A locked table file is waited for kBusyMs, or until the store's
    // deadline.
    m_busyMs = m_deadline->remainingMs(ReadingStore::kBusyMs);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyMs));
    const QString context = ReadingStore::tr("Cannot open %1").arg(place());
    if (!m_db.open())
        throw error(m_db.lastError(), context);

    QSqlQuery mode(m_db);
    if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        throw error(mode.lastError(), context);
    const QString now = mode.next() ? mode.value(0).toString() : QString();
    mode.finish();
    if (now.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
        throw DatabaseError(QStringLiteral("%1: the write-ahead log cannot be used").arg(context));
    run(QStringLiteral("PRAGMA synchronous=FULL"), context);
    // Reads go through a memory map: a skip to a far row walks pages in
    // memory instead of reading each one. The map is never written through.
    run(QStringLiteral("PRAGMA mmap_size=%1").arg(qint64(256) << 20), context);
    findTable(create);
}

DatabaseError SqliteBackend::error(const QSqlError& sqlError, const QString& context) const {
    const QString text =
        sqlError.databaseText().isEmpty() ? sqlError.text() : sqlError.databaseText();
    const QString native = QDir::toNativeSeparators(m_file);
    switch (sqlError.nativeErrorCode().toInt() & 0xFF) {
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return DatabaseError(
            ReadingStore::tr("The table file %1 is damaged or is not a database (%2)")
                .arg(native, text));
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return DatabaseError(
            ReadingStore::tr("The table file %1 is locked by another user (%2)").arg(native, text));
    case 13: // SQLITE_FULL
        return DatabaseError(
            ReadingStore::tr("The disk holding the table file %1 is full (%2)").arg(native, text));
    default:
        return DatabaseError(QStringLiteral("%1: %2").arg(context, text));
    }
}

QStringList SqliteBackend::tableNames() {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        throw error(query.lastError(),
                    ReadingStore::tr("Cannot list the tables of %1").arg(place()));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

} // namespace

std::unique_ptr<StoreBackend> openTableFile(const QString& directory, const QString& driver,
                                            bool create, std::shared_ptr<StoreDeadline> deadline) {
    auto backend = std::make_unique<SqliteBackend>(
        directory + u'/' + QLatin1String(ReadingStore::kTableFileName), std::move(deadline));
    backend->open(driver, create);
    return backend;
}

void releaseTableFileClaims() {
    TableFileClaims& c = claims();
    const std::lock_guard lock(c.mutex);
    for (const int fd : std::as_const(c.held))
        ::close(fd);
    c.held.clear();
}

} // namespace tarvex
