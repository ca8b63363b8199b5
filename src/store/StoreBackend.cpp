// What every connection to the reading table does, whatever kind of store.

#include "store/StoreBackend_p.h"

#include <QDeadlineTimer>
#include <QSqlError>

#include <algorithm>
#include <atomic>

namespace tarvex {

namespace {

std::atomic<int> connectionCount{0};

} // namespace

int StoreDeadline::remainingMs(int capMs) const {
    const qint64 at = atMs.load();
    if (at == std::numeric_limits<qint64>::max())
        return capMs;
    const qint64 left = at - QDeadlineTimer::current().deadline();
    return static_cast<int>(std::clamp<qint64>(left, 0, capMs));
}

QString quoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

bool driverLoads(const QString& driver) {
    if (!QSqlDatabase::isDriverAvailable(driver))
        return false;
    const QString name = QStringLiteral("tarvex-probe-%1").arg(++connectionCount);
    const bool loads = QSqlDatabase::addDatabase(driver, name).isValid();
    QSqlDatabase::removeDatabase(name);
    return loads;
}

StoreBackend::StoreBackend(QString place, std::shared_ptr<StoreDeadline> deadline)
    : m_deadline(std::move(deadline)), m_place(std::move(place)) {}

StoreBackend::~StoreBackend() {
    // The statements go before their connection.
    m_prepared.clear();
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (!m_name.isEmpty())
        QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase StoreBackend::addDatabase(const QString& driver) {
    m_name = QStringLiteral("tarvex-store-%1").arg(++connectionCount);
    return QSqlDatabase::addDatabase(driver, m_name);
}

QSqlQuery& StoreBackend::prepared(const QString& sql, const QString& context) {
    auto it = m_prepared.find(sql);
    if (it != m_prepared.end())
        return *it;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    statementStarts();
    const bool ok = query.prepare(sql);
    statementEnded();
    if (!ok)
        throw error(query.lastError(), context);
    return *m_prepared.insert(sql, query);
}

void StoreBackend::exec(QSqlQuery& query, const QString& context) {
    statementStarts();
    const bool ok = query.exec();
    statementEnded();
    if (!ok) {
        const QSqlError failure = query.lastError();
        query.finish();
        throw error(failure, context);
    }
}

void StoreBackend::run(const QString& sql, const QString& context) {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    statementStarts();
    const bool ok = query.exec(sql);
    statementEnded();
    if (!ok) {
        const QSqlError failure = query.lastError();
        query.finish();
        throw error(failure, context);
    }
    query.finish();
}

void StoreBackend::findTable(bool create) {
    const QString wanted = QString::fromLatin1(ReadingStore::kTableName);
    const auto stored = [&]() -> QString {
        for (const QString& name : tableNames())
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return name;
        return QString();
    };
    QString name = stored();
    if (name.isEmpty() && create) {
        try {
            run(createTableSql(),
                ReadingStore::tr("Cannot create table %1 in %2").arg(wanted, m_place));
        } catch (const DatabaseError&) {
            // Another program (a bench starting at the same moment) may
            // have made it meanwhile.
            if (stored().isEmpty())
                throw;
        }
        name = stored();
    }
    if (name.isEmpty())
        throw DatabaseError(ReadingStore::tr("Table %1 does not exist in %2").arg(wanted, m_place));
    m_table = qualified(name);
    m_runsTable = qualified(QStringLiteral("Runs"));
    m_timesTable = qualified(QStringLiteral("ReadingTimes"));
    if (!create)
        return;
    // Beside the reading table, whose layout stays as other programs read
    // it: the runs, and each reading's time of day and time since Load ON
    // (row for row with the reading table, by its ID).
    const QString context = ReadingStore::tr("Cannot create the table of runs in %1").arg(m_place);
    QStringList statements;
    const QStringList present = tableNames();
    if (!present.contains(QStringLiteral("Runs")))
        statements +=
            {QStringLiteral(
                 "CREATE TABLE IF NOT EXISTS %1 (\"RunID\" BIGINT NOT NULL, \"StartedAt\" "
                 "BIGINT NOT NULL, \"EndedAt\" BIGINT, \"FirstID\" BIGINT, \"LastID\" "
                 "BIGINT, \"Readings\" INTEGER NOT NULL DEFAULT 0, \"StopReason\" "
                 "VARCHAR(32), \"AmpHours\" DOUBLE PRECISION NOT NULL DEFAULT 0, "
                 "\"WattHours\" DOUBLE PRECISION NOT NULL DEFAULT 0, \"StartVolts\" DOUBLE "
                 "PRECISION, \"EndVolts\" DOUBLE PRECISION, \"LowestVolts\" DOUBLE "
                 "PRECISION, \"MinimumVolts\" DOUBLE PRECISION, \"PollIntervalMs\" "
                 "INTEGER, \"Port\" VARCHAR(255), \"Label\" VARCHAR(255), "
                 "\"MaxElapsedMs\" BIGINT, \"MaxAmpHours\" DOUBLE PRECISION, "
                 "\"MaxWattHours\" DOUBLE PRECISION, \"UncountedMs\" BIGINT NOT NULL "
                 "DEFAULT 0, \"ReadingsCleared\" SMALLINT NOT NULL DEFAULT 0, PRIMARY KEY "
                 "(\"RunID\"))")
                 .arg(m_runsTable),
             QStringLiteral("CREATE INDEX IF NOT EXISTS \"Runs$StartedAt\" ON %1 (\"StartedAt\")")
                 .arg(m_runsTable)};
    if (!present.contains(QStringLiteral("ReadingTimes")))
        statements +=
            QStringLiteral(
                "CREATE TABLE IF NOT EXISTS %1 (\"ID\" BIGINT NOT NULL, \"RunID\" BIGINT, "
                "\"TakenAt\" BIGINT NOT NULL, \"ElapsedMs\" BIGINT, PRIMARY KEY (\"ID\"))")
                .arg(m_timesTable);
    for (const QString& sql : statements) {
        try {
            run(sql, context);
        } catch (const DatabaseError&) {
            // A bench starting at the same moment may have made it; a
            // missing table shows at the first statement that needs it.
        }
    }
}

} // namespace tarvex
