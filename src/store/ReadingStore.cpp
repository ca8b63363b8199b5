#include "store/ReadingStore.h"

#include "store/AliasFile_p.h"
#include "store/StoreBackend_p.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStandardPaths>

#include <algorithm>
#include <limits>
#include <mutex>

namespace tarvex {

namespace {

const QString kAlias = QString::fromLatin1(ReadingStore::kAlias);
const QString kTable = QString::fromLatin1(ReadingStore::kTableName);
const QString kDefaultSqliteDriver = QStringLiteral("QSQLITE");
const char* const kBdeWarning =
    QT_TRANSLATE_NOOP("ReadingStore", "Have no install BDE ,Please insatll !");
// The longest name a PostgreSQL server takes for a schema, in bytes.
constexpr qsizetype kMaxSchemaBytes = 63;

// What the set-up found, for every ReadingStore of the program.
struct StoreSettings {
    std::mutex mutex;
    QString configOverride;
    QString sqliteDriver = kDefaultSqliteDriver;
    std::optional<StorePlace> place;
    QString dataDirectory;
};

StoreSettings& settings() {
    static StoreSettings instance;
    return instance;
}

QString configFileOf(const StoreSettings& s) {
    if (!s.configOverride.isEmpty())
        return s.configOverride;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarvex/table-engine.conf");
}

bool namesServer(const Alias& alias) {
    return alias.value(QStringLiteral("DEFAULT DRIVER"))
               .compare(QStringLiteral("POSTGRESQL"), Qt::CaseInsensitive) == 0;
}

ServerAlias serverOf(const Alias& a) {
    if (a.find(QStringLiteral("PASSWORD")))
        throw DatabaseError(
            ReadingStore::tr("Alias %1 holds a PASSWORD: remove it from the table engine's "
                             "configuration and keep the password in ~/.pgpass (or the file "
                             "PGPASSFILE names)")
                .arg(a.name));
    ServerAlias server;
    server.host = a.value(QStringLiteral("HOST"));
    const QString port = a.value(QStringLiteral("PORT"));
    if (!port.isEmpty()) {
        bool ok = false;
        server.port = port.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535)
            throw DatabaseError(
                ReadingStore::tr("Alias %1: PORT=%2 is not a port number").arg(a.name, port));
    }
    server.database = a.value(QStringLiteral("DATABASE"));
    server.user = a.value(QStringLiteral("USER"));
    server.schema = a.value(QStringLiteral("SCHEMA"));
    if (server.schema.isEmpty())
        throw DatabaseError(ReadingStore::tr("Alias %1 has no SCHEMA parameter").arg(a.name));
    // The server would cut a longer name short, and two benches could end
    // up in one schema.
    if (server.schema.toUtf8().size() > kMaxSchemaBytes)
        throw DatabaseError(ReadingStore::tr("Alias %1: SCHEMA=%2 is longer than the %3 bytes a "
                                             "server takes for a name")
                                .arg(a.name, server.schema)
                                .arg(kMaxSchemaBytes));
    return server;
}

// Where the alias keeps the table, read from the configuration file alone.
StorePlace placeFromConfig(const QString& file) {
    QList<Alias> aliases = AliasFile::read(file);
    const Alias* alias = AliasFile::find(aliases, kAlias);
    if (!alias)
        throw DatabaseError(ReadingStore::tr("The reading table is not set up: %1 has no alias %2")
                                .arg(QDir::toNativeSeparators(file), kAlias));
    if (namesServer(*alias))
        return {QString(), serverOf(*alias)};
    const QString path = alias->value(QStringLiteral("PATH"));
    if (path.isEmpty())
        throw DatabaseError(ReadingStore::tr("Alias %1 has no PATH parameter").arg(kAlias));
    return {alias->find(QStringLiteral("PATH"))->value, std::nullopt};
}

void remember(const std::optional<StorePlace>& place, const QString& dataDirectory) {
    StoreSettings& s = settings();
    const std::lock_guard lock(s.mutex);
    s.place = place;
    s.dataDirectory = dataDirectory;
}

// Ends the runs a killed program left open (see recoverUnendedRuns()). A
// failure is told on the program's log and does not keep the table from
// being used: the runs are looked at again at the next start.
void recoverRuns() {
    try {
        ReadingStore store;
        if (const int n = store.recoverUnendedRuns(); n > 0)
            qInfo("%d run(s) left open by an earlier program ended as \"ended unexpectedly\"", n);
    } catch (const std::exception& failure) {
        qWarning("The runs left open by an earlier program cannot be ended now: %s",
                 failure.what());
    }
}

// The schema, the table and the claim, for an alias of a server.
ReadingStore::SetupResult setUpOnServer(const Alias& alias, const QString& dataDirectory,
                                        QString* warning) {
    const auto tell = [warning](const QString& text) {
        if (warning)
            *warning = text;
    };
    std::optional<ServerAlias> server;
    try {
        server = serverOf(alias);
        remember(StorePlace{QString(), server}, dataDirectory);
        const auto probe = openServer(*server, true, std::make_shared<StoreDeadline>());
        if (probe->claim()) {
            recoverRuns();
        } else {
            tell(probe->claimedElsewhere() +
                 QStringLiteral(".\nGive this bench a SCHEMA of its own in alias %1 of %2. Until "
                                "the other program ends, this program's readings are kept, not "
                                "stored.")
                     .arg(kAlias, ReadingStore::configFile()));
            return ReadingStore::SetupResult::InUse;
        }
    } catch (const std::exception& failure) {
        const QString where =
            server ? server->description() + ReadingStore::tr(", schema ") + server->schema
                   : ReadingStore::tr("alias %1").arg(kAlias);
        tell(ReadingStore::tr("The server of the reading table cannot be reached or used (%1): "
                              "%2\nThe program goes on: readings are kept and stored as soon as "
                              "the server takes them.")
                 .arg(where, QString::fromUtf8(failure.what())));
        return ReadingStore::SetupResult::ServerUnreachable;
    }
    return ReadingStore::SetupResult::Ready;
}

QString textOf(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

// The day of a stored "yyyy-MM-dd" (a time of day may follow after 'T' or a
// blank); invalid for any other text. Read by hand: this runs for every row
// a walk reads.
QDate dayOf(const QString& s) {
    if (s.size() < 10 || s[4] != u'-' || s[7] != u'-' ||
        (s.size() > 10 && s[10] != u'T' && s[10] != u' '))
        return QDate();
    int digits[8] = {};
    const int at[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    for (int i = 0; i < 8; ++i) {
        const char16_t c = s[at[i]].unicode();
        if (c < u'0' || c > u'9')
            return QDate();
        digits[i] = c - u'0';
    }
    return QDate(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3],
                 digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
}

// A row as the statements below select it: ID, VolVal, CurVal, PowVal,
// TestDate.
StoredReading readingOf(const QSqlQuery& query) {
    StoredReading r;
    r.id = query.value(0).toLongLong();
    r.volts = textOf(query.value(1));
    r.amps = textOf(query.value(2));
    r.watts = textOf(query.value(3));
    const QVariant date = query.value(4);
    if (date.typeId() == QMetaType::QDate) {
        r.date = date.toDate();
    } else if (!date.isNull()) {
        const QString s = date.toString();
        r.date = dayOf(s);
        if (!r.date.isValid())
            r.dateText = s;
    }
    return r;
}

// A stored number text ("  12.34", or "12,34" in a locale with a decimal
// comma) as a number; 0 for anything else.
double numberOf(const QString& text) {
    QString t = text.trimmed();
    t.replace(u',', u'.');
    return t.toDouble();
}

// A null of the type, for a field left empty.
QVariant nullOf(QMetaType::Type type) {
    return QVariant(QMetaType(type));
}

template <typename T> QVariant valueOrNull(const std::optional<T>& value, QMetaType::Type type) {
    return value ? QVariant::fromValue(*value) : nullOf(type);
}

// The columns of Runs, as runOf() reads them.
const QString kRunColumns =
    QStringLiteral("\"RunID\", \"StartedAt\", \"EndedAt\", \"FirstID\", \"LastID\", \"Readings\", "
                   "\"StopReason\", \"AmpHours\", \"WattHours\", \"StartVolts\", \"EndVolts\", "
                   "\"LowestVolts\", \"MinimumVolts\", \"PollIntervalMs\", \"Port\", \"Label\", "
                   "\"MaxElapsedMs\", \"MaxAmpHours\", \"MaxWattHours\", \"UncountedMs\", "
                   "\"ReadingsCleared\"");

RunRecord runOf(const QSqlQuery& q) {
    RunRecord r;
    const auto ms = [](const QVariant& v) {
        return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
    };
    r.id = q.value(0).toLongLong();
    r.startedAt = ms(q.value(1));
    r.endedAt = ms(q.value(2));
    r.firstId = q.value(3).isNull() ? -1 : q.value(3).toLongLong();
    r.lastId = q.value(4).isNull() ? -1 : q.value(4).toLongLong();
    r.readings = q.value(5).toInt();
    const QVariant reason = q.value(6);
    r.end = reason.isNull() ? (r.endedAt.isValid() ? RunEnd::Unexpected : RunEnd::Running)
                            : runEndFromKey(reason.toString()).value_or(RunEnd::Unexpected);
    r.ampHours = q.value(7).toDouble();
    r.wattHours = q.value(8).toDouble();
    r.startVolts = q.value(9).toDouble();
    r.endVolts = q.value(10).toDouble();
    r.lowestVolts = q.value(11).toDouble();
    r.minimumVolts = q.value(12).toDouble();
    r.pollIntervalMs = q.value(13).toInt();
    r.port = textOf(q.value(14));
    r.label = textOf(q.value(15));
    if (!q.value(16).isNull())
        r.limits.maxElapsedMs = q.value(16).toLongLong();
    if (!q.value(17).isNull())
        r.limits.maxAmpHours = q.value(17).toDouble();
    if (!q.value(18).isNull())
        r.limits.maxWattHours = q.value(18).toDouble();
    r.uncountedMs = q.value(19).toLongLong();
    r.readingsCleared = q.value(20).toInt() != 0;
    return r;
}

// The statement that reads a run's readings with their times: ID, TakenAt,
// ElapsedMs, VolVal, CurVal, PowVal, from the run's first ID on.
QString runReadingsSql(const StoreBackend& b, const QString& more) {
    return QStringLiteral("SELECT rt.\"ID\", rt.\"TakenAt\", rt.\"ElapsedMs\", t.\"VolVal\", "
                          "t.\"CurVal\", t.\"PowVal\" FROM %1 rt JOIN %2 t ON t.\"ID\" = "
                          "rt.\"ID\" WHERE rt.\"ID\" >= CAST(? AS BIGINT) AND rt.\"RunID\" = "
                          "CAST(? AS BIGINT)")
               .arg(b.timesTable(), b.table()) +
           more;
}

RunReading runReadingOf(const QSqlQuery& q) {
    RunReading r;
    r.id = q.value(0).toLongLong();
    r.takenAtMs = q.value(1).toLongLong();
    r.elapsedMs = q.value(2).toLongLong();
    r.volts = numberOf(textOf(q.value(3)));
    r.amps = numberOf(textOf(q.value(4)));
    r.watts = numberOf(textOf(q.value(5)));
    return r;
}

void rollbackQuietly(StoreBackend& b) {
    try {
        b.run(QStringLiteral("ROLLBACK"), QString());
    } catch (const DatabaseError&) {
        // Nothing left to undo.
    }
}

} // namespace

QString ServerAlias::description() const {
    const QString where = host.isEmpty() ? ReadingStore::tr("the default host")
                          : host.startsWith(u'/')
                              ? ReadingStore::tr("socket directory %1").arg(host)
                              : ReadingStore::tr("host %1").arg(host);
    return ReadingStore::tr("database %1 on %2, port %3")
        .arg(database.isEmpty() ? ReadingStore::tr("(the default)") : database, where,
             port < 0 ? ReadingStore::tr("(the default)") : QString::number(port));
}

QStringList ReadingStore::fieldNames() {
    return {QStringLiteral("ID"), QStringLiteral("VolVal"), QStringLiteral("CurVal"),
            QStringLiteral("PowVal"), QStringLiteral("TestDate")};
}

// ---- Set-up ----------------------------------------------------------------

ReadingStore::SetupResult ReadingStore::setUp(const QString& dataDirectory, QString* warning) {
    const auto tell = [warning](const QString& text) {
        if (warning)
            *warning = text;
    };
    QString driver;
    {
        StoreSettings& s = settings();
        const std::lock_guard lock(s.mutex);
        driver = s.sqliteDriver;
    }
    // Whatever this set-up ends with, the last one's table is not used.
    remember(std::nullopt, dataDirectory);
    const QString file = configFile();
    QList<Alias> aliases;
    QString unreadable;
    try {
        aliases = AliasFile::read(file);
    } catch (const DatabaseError& e) {
        unreadable = e.message();
    }
    if (const Alias* alias = AliasFile::find(aliases, kAlias); alias && namesServer(*alias))
        return setUpOnServer(*alias, dataDirectory, warning);

    if (!QFileInfo(dataDirectory).isDir() && !QDir().mkpath(dataDirectory))
        throw StoreSetupError(ReadingStore::tr("Cannot create %1").arg(dataDirectory));

    // The alias: made, or pointed at the data directory; any failure here is
    // told, and the table is then not looked at.
    try {
        if (!driverLoads(driver))
            throw DatabaseError(ReadingStore::tr("The SQLite driver (Qt SQL plugin %1) cannot be "
                                                 "loaded.")
                                    .arg(driver));
        if (!unreadable.isEmpty())
            throw DatabaseError(unreadable);
        Alias* alias = AliasFile::find(aliases, kAlias);
        if (!alias) {
            aliases.append({kAlias,
                            {{QStringLiteral("PATH"), dataDirectory},
                             {QStringLiteral("DEFAULT DRIVER"), QStringLiteral("PARADOX")}}});
            AliasFile::write(file, aliases);
        } else {
            if (alias->params.isEmpty())
                throw DatabaseError(ReadingStore::tr("Alias %1 in %2 has no parameters.")
                                        .arg(kAlias, QDir::toNativeSeparators(file)));
            // What follows "PATH=" on the first line, compared letter for letter.
            const AliasParam& first = alias->params.first();
            const QString path = (first.name + u'=' + first.value).mid(5, 255);
            if (path != dataDirectory) {
                alias->set(QStringLiteral("PATH"), dataDirectory);
                AliasFile::write(file, aliases);
            }
        }
    } catch (const std::exception& failure) {
        remember(std::nullopt, dataDirectory);
        tell(ReadingStore::tr(kBdeWarning) + u'\n' + QString::fromUtf8(failure.what()));
        return SetupResult::AliasFailed;
    }

    // The table, made when missing; its failures are not caught. Then the
    // claim: this program is the one that logs into this table file.
    remember(StorePlace{dataDirectory, std::nullopt}, dataDirectory);
    releaseTableFileClaims();
    const auto backend =
        openTableFile(dataDirectory, driver, true, std::make_shared<StoreDeadline>());
    if (!backend->claim()) {
        tell(backend->claimedElsewhere() +
             ReadingStore::tr(".\nEnd the other program, or give this one a directory of its own. "
                              "Until the other program ends, this program's readings are kept, not "
                              "stored."));
        return SetupResult::InUse;
    }
    recoverRuns();
    return SetupResult::Ready;
}

QString ReadingStore::dataDirectory() {
    StoreSettings& s = settings();
    const std::lock_guard lock(s.mutex);
    return s.dataDirectory;
}

QString ReadingStore::configFile() {
    StoreSettings& s = settings();
    const std::lock_guard lock(s.mutex);
    return configFileOf(s);
}

std::optional<ServerAlias> ReadingStore::serverAlias() {
    return placeFromConfig(configFile()).server;
}

QString ReadingStore::setConfigFile(const QString& path) {
    StoreSettings& s = settings();
    const std::lock_guard lock(s.mutex);
    return std::exchange(s.configOverride, path);
}

QString ReadingStore::setSqliteDriver(const QString& driver) {
    StoreSettings& s = settings();
    const std::lock_guard lock(s.mutex);
    return std::exchange(s.sqliteDriver, driver);
}

void ReadingStore::forgetSetUp() {
    remember(std::nullopt, QString());
    releaseTableFileClaims();
}

// ---- One connection --------------------------------------------------------

ReadingStore::ReadingStore() : m_deadline(std::make_shared<StoreDeadline>()) {}

ReadingStore::~ReadingStore() = default;

StoreBackend& ReadingStore::backend() {
    if (m_backend)
        return *m_backend;
    std::optional<StorePlace> place;
    QString driver;
    QString file;
    {
        StoreSettings& s = settings();
        const std::lock_guard lock(s.mutex);
        place = s.place;
        driver = s.sqliteDriver;
        file = configFileOf(s);
    }
    // Without a set-up, the alias as it stands.
    if (!place)
        place = placeFromConfig(file);
    m_backend = place->server ? openServer(*place->server, true, m_deadline)
                              : openTableFile(place->directory, driver, false, m_deadline);
    return *m_backend;
}

void ReadingStore::dropIfLost() {
    if (m_backend && m_backend->isLost())
        m_backend.reset();
}

bool ReadingStore::isOpen() const {
    return m_backend != nullptr;
}

void ReadingStore::close() {
    m_backend.reset();
}

void ReadingStore::setDeadline(QDeadlineTimer deadline) {
    m_deadline->atMs =
        deadline.isForever() ? std::numeric_limits<qint64>::max() : deadline.deadline();
    wakeStatementWatchdog();
}

void ReadingStore::claim() {
    try {
        StoreBackend& b = backend();
        if (!b.claim())
            throw DatabaseError(b.claimedElsewhere());
    } catch (...) {
        dropIfLost();
        throw;
    }
}

qint64 ReadingStore::append(const LoadReading& reading, const QDateTime& takenAt,
                            const RunStamp& run, std::optional<qint64> maybeStoredAs,
                            const std::function<void(qint64)>& beforeCommit,
                            std::optional<qint64>* inDoubt) {
    try {
        StoreBackend& b = backend();
        if (!b.claim())
            throw DatabaseError(b.claimedElsewhere());
        const QString context = ReadingStore::tr("Cannot store a reading in %1").arg(b.place());
        const QString date = takenAt.date().toString(Qt::ISODate);
        // Whatever this call ends with, the figures kept are those committed.
        std::optional<RunFigures> figures;
        if (run.runId > 0 && m_figuresRun == run.runId)
            figures = m_figures;
        m_figures.reset();
        b.beginWrite(context);
        qint64 id = -1;
        bool committing = false;
        try {
            if (maybeStoredAs) {
                QSqlQuery& look = b.prepared(
                    QStringLiteral(
                        "SELECT 1 FROM %1 WHERE \"ID\" = CAST(? AS BIGINT) AND \"VolVal\" = ? AND "
                        "\"CurVal\" = ? AND \"PowVal\" = ? AND \"TestDate\" = ?")
                        .arg(b.table()),
                    context);
                look.bindValue(0, *maybeStoredAs);
                look.bindValue(1, reading.voltsText);
                look.bindValue(2, reading.ampsText);
                look.bindValue(3, reading.wattsText);
                look.bindValue(4, date);
                b.exec(look, context);
                const bool stored = look.next();
                look.finish();
                if (stored) {
                    // Its time and figures went with it; they are read anew
                    // for the next reading.
                    b.run(QStringLiteral("COMMIT"), context);
                    return *maybeStoredAs;
                }
            }
            // The numbering rule inside the transaction that writes the row:
            // the largest ID stored, found through the primary index, + 1.
            QSqlQuery& insert = b.prepared(
                QStringLiteral("INSERT INTO %1 (\"ID\", \"VolVal\", \"CurVal\", \"PowVal\", "
                               "\"TestDate\") SELECT coalesce(max(\"ID\"), -1) + 1, ?, ?, ?, ? "
                               "FROM %1 RETURNING \"ID\"")
                    .arg(b.table()),
                context);
            insert.bindValue(0, reading.voltsText);
            insert.bindValue(1, reading.ampsText);
            insert.bindValue(2, reading.wattsText);
            insert.bindValue(3, date);
            b.exec(insert, context);
            id = insert.next() ? insert.value(0).toLongLong() : -1;
            insert.finish();
            if (id < 0 || id > std::numeric_limits<qint32>::max())
                throw DatabaseError(ReadingStore::tr("Table %1 has no row number left after %2")
                                        .arg(kTable)
                                        .arg(id - 1));
            if (run.runId > 0 && !figures)
                figures = loadFigures(b, run.runId, context);
            QSqlQuery& time = b.prepared(
                QStringLiteral("INSERT INTO %1 (\"ID\", \"RunID\", \"TakenAt\", \"ElapsedMs\") "
                               "VALUES (CAST(? AS BIGINT), CAST(? AS BIGINT), CAST(? AS BIGINT), "
                               "CAST(? AS BIGINT))")
                    .arg(b.timesTable()),
                context);
            time.bindValue(0, id);
            time.bindValue(1, figures ? QVariant(run.runId) : nullOf(QMetaType::LongLong));
            time.bindValue(2, takenAt.toMSecsSinceEpoch());
            time.bindValue(3, figures ? QVariant(run.elapsedMs) : nullOf(QMetaType::LongLong));
            b.exec(time, context);
            time.finish();
            if (figures) {
                figures->add(id, run.elapsedMs, numberOf(reading.voltsText),
                             numberOf(reading.ampsText), numberOf(reading.wattsText));
                writeFigures(b, run.runId, *figures, context);
            }
            if (beforeCommit)
                beforeCommit(id);
            committing = true;
            b.run(QStringLiteral("COMMIT"), context);
            if (figures) {
                m_figuresRun = run.runId;
                m_figures = figures;
            }
            return id;
        } catch (...) {
            // A commit whose answer never came may have gone through.
            if (committing && b.isLost()) {
                if (inDoubt)
                    *inDoubt = id;
            } else {
                rollbackQuietly(b);
            }
            throw;
        }
    } catch (...) {
        dropIfLost();
        throw;
    }
}

ReadingStore::Count ReadingStore::count() {
    try {
        StoreBackend& b = backend();
        const QString context = ReadingStore::tr("Cannot count the rows of %1").arg(b.place());
        // Two subqueries, each answered on its own: a table file counts its
        // entries without decoding them, and the largest ID is the index's
        // last.
        QSqlQuery& q = b.prepared(
            QStringLiteral("SELECT (SELECT count(*) FROM %1), (SELECT max(\"ID\") FROM %1)")
                .arg(b.table()),
            context);
        b.exec(q, context);
        Count counted;
        if (q.next()) {
            counted.rows = static_cast<int>(
                std::min<qint64>(q.value(0).toLongLong(), std::numeric_limits<int>::max()));
            counted.lastId = q.value(1).isNull() ? -1 : q.value(1).toLongLong();
        }
        q.finish();
        return counted;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

QList<StoredReading> ReadingStore::read(int first, int n, const Count& counted) {
    QList<StoredReading> rows;
    const int total = counted.rows;
    if (first < 0 || n <= 0 || first >= total)
        return rows;
    try {
        StoreBackend& b = backend();
        const QString context = ReadingStore::tr("Cannot read %1").arg(b.place());
        const QString columns =
            QStringLiteral("SELECT \"ID\", \"VolVal\", \"CurVal\", \"PowVal\", "
                           "\"TestDate\" FROM %1 WHERE \"ID\" <= CAST(? AS BIGINT) ORDER BY \"ID\"")
                .arg(b.table());
        // Rows in the second half are counted from the end: a shorter skip.
        const bool fromEnd = first > total / 2;
        QSqlQuery& q = b.prepared(columns + (fromEnd ? QStringLiteral(" DESC") : QString()) +
                                      QStringLiteral(" LIMIT ? OFFSET ?"),
                                  context);
        const int last = std::min(total, first + n); // one past the last row asked for
        q.bindValue(0, counted.lastId);
        q.bindValue(1, last - first);
        q.bindValue(2, fromEnd ? total - last : first);
        b.exec(q, context);
        rows.reserve(last - first);
        while (q.next())
            rows.append(readingOf(q));
        q.finish();
        if (fromEnd)
            std::reverse(rows.begin(), rows.end());
        return rows;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

QList<StoredReading> ReadingStore::readAfter(qint64 id, int n, qint64 lastId) {
    QList<StoredReading> rows;
    if (n <= 0)
        return rows;
    try {
        StoreBackend& b = backend();
        const QString context = ReadingStore::tr("Cannot read %1").arg(b.place());
        QSqlQuery& q = b.prepared(
            QStringLiteral("SELECT \"ID\", \"VolVal\", \"CurVal\", \"PowVal\", \"TestDate\" FROM "
                           "%1 WHERE \"ID\" > CAST(? AS BIGINT) AND \"ID\" <= CAST(? AS BIGINT) "
                           "ORDER BY \"ID\" LIMIT ?")
                .arg(b.table()),
            context);
        q.bindValue(0, id);
        q.bindValue(1, lastId);
        q.bindValue(2, n);
        b.exec(q, context);
        rows.reserve(n);
        while (q.next())
            rows.append(readingOf(q));
        q.finish();
        return rows;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

int ReadingStore::removeFirst(int n) {
    if (n <= 0)
        return 0;
    try {
        StoreBackend& b = backend();
        if (!b.claim())
            throw DatabaseError(b.claimedElsewhere());
        const QString context = ReadingStore::tr("Cannot delete readings from %1").arg(b.place());
        const QString firstIds =
            QStringLiteral("SELECT \"ID\" FROM %1 ORDER BY \"ID\" LIMIT ?").arg(b.table());
        int deleted = 0;
        std::optional<DatabaseError> refused;
        b.beginWrite(context);
        try {
            // A savepoint, so that a block a row refuses is undone on its own.
            b.run(QStringLiteral("SAVEPOINT block"), context);
            try {
                QSqlQuery& block = b.prepared(
                    QStringLiteral("DELETE FROM %1 WHERE \"ID\" IN (%2)").arg(b.table(), firstIds),
                    context);
                block.bindValue(0, n);
                b.exec(block, context);
                deleted = block.numRowsAffected();
                block.finish();
                b.run(QStringLiteral("RELEASE block"), context);
            } catch (const DatabaseError&) {
                if (b.isLost())
                    throw;
                // Some row refuses: find it, deleting those before it.
                b.run(QStringLiteral("ROLLBACK TO block"), context);
                b.run(QStringLiteral("RELEASE block"), context);
                QSqlQuery& list = b.prepared(firstIds, context);
                list.bindValue(0, n);
                b.exec(list, context);
                QList<qint64> ids;
                while (list.next())
                    ids << list.value(0).toLongLong();
                list.finish();
                QSqlQuery& one = b.prepared(
                    QStringLiteral("DELETE FROM %1 WHERE \"ID\" = ?").arg(b.table()), context);
                for (const qint64 id : std::as_const(ids)) {
                    b.run(QStringLiteral("SAVEPOINT one"), context);
                    try {
                        one.bindValue(0, id);
                        b.exec(one, context);
                        one.finish();
                    } catch (const DatabaseError& error) {
                        if (b.isLost())
                            throw;
                        b.run(QStringLiteral("ROLLBACK TO one"), context);
                        b.run(QStringLiteral("RELEASE one"), context);
                        refused = error;
                        break;
                    }
                    b.run(QStringLiteral("RELEASE one"), context);
                    ++deleted;
                }
            }
            if (deleted > 0) {
                // The rows left all come after those deleted: their times
                // go by ID, and the runs that had readings among them say
                // so.
                const QString firstLeft =
                    QStringLiteral("coalesce((SELECT min(\"ID\") FROM %1), 9223372036854775807)")
                        .arg(b.table());
                QSqlQuery& times = b.prepared(QStringLiteral("DELETE FROM %1 WHERE \"ID\" < %2")
                                                  .arg(b.timesTable(), firstLeft),
                                              context);
                b.exec(times, context);
                times.finish();
                QSqlQuery& mark =
                    b.prepared(QStringLiteral("UPDATE %1 SET \"ReadingsCleared\" = 1 WHERE "
                                              "\"ReadingsCleared\" = 0 AND \"FirstID\" < %2")
                                   .arg(b.runsTable(), firstLeft),
                               context);
                b.exec(mark, context);
                mark.finish();
            }
            b.run(QStringLiteral("COMMIT"), context);
        } catch (...) {
            rollbackQuietly(b);
            throw;
        }
        if (refused)
            throw *refused;
        return deleted;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

// ---- Runs ------------------------------------------------------------------

std::optional<RunFigures> ReadingStore::loadFigures(StoreBackend& b, qint64 runId,
                                                    const QString& context) {
    QSqlQuery& q =
        b.prepared(QStringLiteral("SELECT %1 FROM %2 WHERE \"RunID\" = CAST(? AS BIGINT)")
                       .arg(kRunColumns, b.runsTable()),
                   context);
    q.bindValue(0, runId);
    b.exec(q, context);
    std::optional<RunRecord> record;
    if (q.next())
        record = runOf(q);
    q.finish();
    if (!record)
        return std::nullopt;
    std::optional<RunFigures::Point> last;
    if (record->lastId >= 0 && !record->readingsCleared) {
        QSqlQuery& l = b.prepared(
            QStringLiteral("SELECT rt.\"ElapsedMs\", t.\"CurVal\", t.\"PowVal\" FROM %1 rt JOIN "
                           "%2 t ON t.\"ID\" = rt.\"ID\" WHERE rt.\"ID\" = CAST(? AS BIGINT) AND "
                           "rt.\"RunID\" = CAST(? AS BIGINT)")
                .arg(b.timesTable(), b.table()),
            context);
        l.bindValue(0, record->lastId);
        l.bindValue(1, runId);
        b.exec(l, context);
        if (l.next())
            last = RunFigures::Point{l.value(0).toLongLong(), numberOf(textOf(l.value(1))),
                                     numberOf(textOf(l.value(2)))};
        l.finish();
    }
    return RunFigures::of(*record, last);
}

void ReadingStore::writeFigures(StoreBackend& b, qint64 runId, const RunFigures& f,
                                const QString& context) {
    QSqlQuery& q = b.prepared(
        QStringLiteral("UPDATE %1 SET \"FirstID\" = CAST(? AS BIGINT), \"LastID\" = CAST(? AS "
                       "BIGINT), \"Readings\" = ?, \"AmpHours\" = ?, \"WattHours\" = ?, "
                       "\"StartVolts\" = ?, \"EndVolts\" = ?, \"LowestVolts\" = ?, "
                       "\"UncountedMs\" = CAST(? AS BIGINT) WHERE \"RunID\" = CAST(? AS BIGINT)")
            .arg(b.runsTable()),
        context);
    const bool any = f.readings() > 0;
    q.bindValue(0, any ? QVariant(f.firstId()) : nullOf(QMetaType::LongLong));
    q.bindValue(1, any ? QVariant(f.lastId()) : nullOf(QMetaType::LongLong));
    q.bindValue(2, f.readings());
    q.bindValue(3, f.ampHours());
    q.bindValue(4, f.wattHours());
    q.bindValue(5, any ? QVariant(f.startVolts()) : nullOf(QMetaType::Double));
    q.bindValue(6, any ? QVariant(f.endVolts()) : nullOf(QMetaType::Double));
    q.bindValue(7, any ? QVariant(f.lowestVolts()) : nullOf(QMetaType::Double));
    q.bindValue(8, f.uncountedMs());
    q.bindValue(9, runId);
    b.exec(q, context);
    q.finish();
}

qint64 ReadingStore::beginRun(const RunStart& start) {
    try {
        StoreBackend& b = backend();
        if (!b.claim())
            throw DatabaseError(b.claimedElsewhere());
        const QString context = ReadingStore::tr("Cannot start a run in %1").arg(b.place());
        const qint64 startedAt = start.startedAt.toMSecsSinceEpoch();
        const QString port = start.port.isNull() ? QStringLiteral("") : start.port;
        b.beginWrite(context);
        try {
            QSqlQuery& look = b.prepared(QStringLiteral("SELECT \"RunID\" FROM %1 WHERE "
                                                        "\"StartedAt\" = CAST(? AS BIGINT) AND "
                                                        "\"Port\" = ?")
                                             .arg(b.runsTable()),
                                         context);
            look.bindValue(0, startedAt);
            look.bindValue(1, port);
            b.exec(look, context);
            const std::optional<qint64> found =
                look.next() ? std::optional<qint64>(look.value(0).toLongLong()) : std::nullopt;
            look.finish();
            if (found) {
                b.run(QStringLiteral("COMMIT"), context);
                return *found;
            }
            QSqlQuery& insert = b.prepared(
                QStringLiteral(
                    "INSERT INTO %1 (\"RunID\", \"StartedAt\", \"MinimumVolts\", "
                    "\"PollIntervalMs\", \"Port\", \"Label\", \"MaxElapsedMs\", \"MaxAmpHours\", "
                    "\"MaxWattHours\") SELECT coalesce(max(\"RunID\"), 0) + 1, CAST(? AS BIGINT), "
                    "CAST(? AS DOUBLE PRECISION), CAST(? AS INTEGER), CAST(? AS VARCHAR(255)), "
                    "CAST(? AS VARCHAR(255)), CAST(? AS BIGINT), CAST(? AS DOUBLE PRECISION), "
                    "CAST(? AS DOUBLE PRECISION) FROM %1 RETURNING \"RunID\"")
                    .arg(b.runsTable()),
                context);
            insert.bindValue(0, startedAt);
            insert.bindValue(1, start.minimumVolts);
            insert.bindValue(2, start.pollIntervalMs);
            insert.bindValue(3, port);
            insert.bindValue(4, start.label.isNull() ? QStringLiteral("") : start.label);
            insert.bindValue(5, valueOrNull(start.limits.maxElapsedMs, QMetaType::LongLong));
            insert.bindValue(6, valueOrNull(start.limits.maxAmpHours, QMetaType::Double));
            insert.bindValue(7, valueOrNull(start.limits.maxWattHours, QMetaType::Double));
            b.exec(insert, context);
            const qint64 id = insert.next() ? insert.value(0).toLongLong() : 0;
            insert.finish();
            if (id <= 0)
                throw DatabaseError(ReadingStore::tr("%1: no run number").arg(context));
            b.run(QStringLiteral("COMMIT"), context);
            return id;
        } catch (...) {
            rollbackQuietly(b);
            throw;
        }
    } catch (...) {
        dropIfLost();
        throw;
    }
}

void ReadingStore::endRun(qint64 runId, RunEnd end, const QDateTime& endedAt,
                          std::optional<double> minimumVolts) {
    try {
        StoreBackend& b = backend();
        if (!b.claim())
            throw DatabaseError(b.claimedElsewhere());
        const QString context =
            ReadingStore::tr("Cannot end run %1 in %2").arg(runId).arg(b.place());
        QSqlQuery& q = b.prepared(
            QStringLiteral("UPDATE %1 SET \"EndedAt\" = CAST(? AS BIGINT), \"StopReason\" = ?, "
                           "\"MinimumVolts\" = COALESCE(CAST(? AS DOUBLE PRECISION), "
                           "\"MinimumVolts\") WHERE \"RunID\" = CAST(? AS BIGINT) AND "
                           "(\"EndedAt\" IS NULL OR \"StopReason\" = ?)")
                .arg(b.runsTable()),
            context);
        q.bindValue(0, endedAt.toMSecsSinceEpoch());
        q.bindValue(1, runEndKey(end));
        q.bindValue(2, minimumVolts ? QVariant(*minimumVolts)
                                    : QVariant(QMetaType::fromType<double>()));
        q.bindValue(3, runId);
        q.bindValue(4, runEndKey(RunEnd::Unexpected));
        b.exec(q, context);
        q.finish();
    } catch (...) {
        dropIfLost();
        throw;
    }
}

QList<RunRecord> ReadingStore::runs() {
    try {
        StoreBackend& b = backend();
        const QString context = ReadingStore::tr("Cannot read the runs of %1").arg(b.place());
        QSqlQuery& q = b.prepared(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY \"RunID\"").arg(kRunColumns, b.runsTable()),
            context);
        b.exec(q, context);
        QList<RunRecord> all;
        while (q.next())
            all.append(runOf(q));
        q.finish();
        return all;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

std::optional<RunRecord> ReadingStore::run(qint64 runId) {
    try {
        StoreBackend& b = backend();
        const QString context =
            ReadingStore::tr("Cannot read run %1 of %2").arg(runId).arg(b.place());
        QSqlQuery& q =
            b.prepared(QStringLiteral("SELECT %1 FROM %2 WHERE \"RunID\" = CAST(? AS BIGINT)")
                           .arg(kRunColumns, b.runsTable()),
                       context);
        q.bindValue(0, runId);
        b.exec(q, context);
        std::optional<RunRecord> found;
        if (q.next())
            found = runOf(q);
        q.finish();
        return found;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

QList<RunReading> ReadingStore::runReadings(qint64 runId, int first, int n) {
    QList<RunReading> readings;
    if (n == 0)
        return readings;
    const std::optional<RunRecord> record = run(runId);
    if (!record || record->readingsCleared || record->firstId < 0)
        return readings;
    try {
        StoreBackend& b = backend();
        const QString context =
            ReadingStore::tr("Cannot read the readings of run %1 of %2").arg(runId).arg(b.place());
        QSqlQuery& q = b.prepared(
            runReadingsSql(b, QStringLiteral(" AND rt.\"ID\" <= CAST(? AS BIGINT) ORDER BY "
                                             "rt.\"ID\" LIMIT ? OFFSET ?")),
            context);
        q.bindValue(0, record->firstId);
        q.bindValue(1, runId);
        q.bindValue(2, record->lastId);
        q.bindValue(3, n < 0 ? std::numeric_limits<qint32>::max() : n);
        q.bindValue(4, std::max(first, 0));
        b.exec(q, context);
        if (n > 0)
            readings.reserve(n);
        while (q.next())
            readings.append(runReadingOf(q));
        q.finish();
        return readings;
    } catch (...) {
        dropIfLost();
        throw;
    }
}

int ReadingStore::recoverUnendedRuns() {
    try {
        StoreBackend& b = backend();
        if (!b.claim())
            throw DatabaseError(b.claimedElsewhere());
        const QString context =
            ReadingStore::tr("Cannot end the runs left open in %1").arg(b.place());
        m_figures.reset();
        QSqlQuery& open = b.prepared(
            QStringLiteral("SELECT %1 FROM %2 WHERE \"EndedAt\" IS NULL ORDER BY \"RunID\"")
                .arg(kRunColumns, b.runsTable()),
            context);
        b.exec(open, context);
        QList<RunRecord> unended;
        while (open.next())
            unended.append(runOf(open));
        open.finish();
        for (const RunRecord& record : std::as_const(unended)) {
            b.beginWrite(context);
            try {
                qint64 endedAt = record.startedAt.toMSecsSinceEpoch();
                if (!record.readingsCleared && record.firstId >= 0) {
                    // Every stored reading of the run, from its first on.
                    RunFigures figures(record.pollIntervalMs);
                    QSqlQuery& q = b.prepared(
                        runReadingsSql(b, QStringLiteral(" ORDER BY rt.\"ID\"")), context);
                    q.bindValue(0, record.firstId);
                    q.bindValue(1, record.id);
                    b.exec(q, context);
                    while (q.next()) {
                        const RunReading r = runReadingOf(q);
                        figures.add(r.id, r.elapsedMs, r.volts, r.amps, r.watts);
                        endedAt = std::max(endedAt, r.takenAtMs);
                    }
                    q.finish();
                    writeFigures(b, record.id, figures, context);
                }
                QSqlQuery& end = b.prepared(
                    QStringLiteral(
                        "UPDATE %1 SET \"EndedAt\" = CAST(? AS BIGINT), \"StopReason\" = "
                        "? WHERE \"RunID\" = CAST(? AS BIGINT)")
                        .arg(b.runsTable()),
                    context);
                end.bindValue(0, endedAt);
                end.bindValue(1, runEndKey(RunEnd::Unexpected));
                end.bindValue(2, record.id);
                b.exec(end, context);
                end.finish();
                b.run(QStringLiteral("COMMIT"), context);
            } catch (...) {
                rollbackQuietly(b);
                throw;
            }
        }
        return static_cast<int>(unended.size());
    } catch (...) {
        dropIfLost();
        throw;
    }
}

} // namespace tarvex
