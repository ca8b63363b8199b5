// Connections to the table file of an alias directory, and how values and
// declared types of its columns map to fields.

#include "store/Connection_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

#include <atomic>
#include <limits>
#include <utility>

namespace tarvex {

namespace {

std::atomic<int> connectionCount{0};

} // namespace

QString quoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

Connection::Connection(QString name, QString file)
    : m_name(std::move(name)), m_file(std::move(file)) {}

Connection::~Connection() {
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<Connection> Connection::open(const QString& alias, bool createFile,
                                             TableType type) {
    const QString dir = aliasDirectory(alias, type);
    if (!QFileInfo(dir).isDir())
        throw DatabaseError(QStringLiteral("The directory %1 of alias %2 does not exist")
                                .arg(QDir::toNativeSeparators(dir), alias));
    const QString file = dir + u'/' + QLatin1String(kTableFileName);
    const QString native = QDir::toNativeSeparators(file);
    const QFileInfo info(file);
    if (!info.exists()) {
        if (!createFile)
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

    std::unique_ptr<Connection> c(
        new Connection(QStringLiteral("tarvex-engine-%1").arg(++connectionCount), file));
    const QString driver = engineDriverName();
    c->m_db = QSqlDatabase::addDatabase(driver, c->m_name);
    if (!c->m_db.isValid())
        throw driverMissing(driver);
    c->m_db.setDatabaseName(file);
    c->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    const QString context = QStringLiteral("Cannot open the table file %1").arg(native);
    if (!c->m_db.open())
        throw c->error(c->m_db.lastError(), context);

    QSqlQuery mode = c->prepare(QStringLiteral("PRAGMA journal_mode"));
    c->exec(mode, context);
    const QString current = mode.next() ? mode.value(0).toString() : QString();
    mode.finish();
    if (current.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
        QSqlQuery set = c->prepare(QStringLiteral("PRAGMA journal_mode=WAL"));
        c->exec(set, context);
        const QString now = set.next() ? set.value(0).toString() : QString();
        set.finish();
        if (now.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
            throw DatabaseError(
                QStringLiteral("%1: the write-ahead log cannot be used").arg(context));
    }
    c->run(QStringLiteral("PRAGMA synchronous=FULL"), context);
    return c;
}

QSqlQuery Connection::prepare(const QString& sql, const QString& context) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw error(query.lastError(),
                    context.isEmpty() ? QStringLiteral("Cannot run \"%1\"").arg(sql.simplified())
                                      : context);
    return query;
}

void Connection::exec(QSqlQuery& query, const QString& context) const {
    if (!query.exec()) {
        const QSqlError failure = query.lastError();
        query.finish();
        throw error(failure, context);
    }
}

void Connection::run(const QString& sql, const QString& context) const {
    QSqlQuery query = prepare(sql);
    exec(query, context);
    query.finish();
}

DatabaseError Connection::error(const QSqlError& sqlError, const QString& context) const {
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

QStringList Connection::tables() const {
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

QString Connection::resolveTable(const QString& name) const {
    for (const QString& stored : tables())
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    throw DatabaseError(QStringLiteral("Table %1 does not exist in %2")
                            .arg(name, QDir::toNativeSeparators(QFileInfo(m_file).path())));
}

QList<Connection::Column> Connection::columns(const QString& storedTable) const {
    QSqlQuery query = prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(storedTable)));
    exec(query, QStringLiteral("Cannot read the fields of table %1").arg(storedTable));
    QList<Column> columns;
    while (query.next())
        columns.append({query.value(1).toString(), query.value(2).toString(),
                        query.value(5).toInt(), query.value(3).toInt() != 0});
    query.finish();
    return columns;
}

FieldType fieldTypeOf(const QString& declaredType, int* size) {
    const QString t = declaredType.trimmed().toUpper();
    *size = 0;
    if (t.isEmpty())
        return FieldType::Unknown;
    if (t.contains(QStringLiteral("INT")))
        return FieldType::Integer;
    if (t == QStringLiteral("DATE"))
        return FieldType::Date;
    if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
        t.contains(QStringLiteral("TEXT"))) {
        const qsizetype open = t.indexOf(u'(');
        const qsizetype close = t.indexOf(u')', open);
        if (open > 0 && close > open)
            *size = qMax(0, t.mid(open + 1, close - open - 1).trimmed().toInt());
        return FieldType::String;
    }
    if (t.contains(QStringLiteral("REAL")) || t.contains(QStringLiteral("FLOA")) ||
        t.contains(QStringLiteral("DOUB")) || t.startsWith(QStringLiteral("NUMERIC")) ||
        t.startsWith(QStringLiteral("DECIMAL")))
        return FieldType::Float;
    return FieldType::Unknown;
}

QVariant fromStorage(FieldType type, const QVariant& stored) {
    if (stored.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Integer: {
        bool ok = false;
        const qint64 v = stored.toLongLong(&ok);
        if (!ok || (stored.typeId() == QMetaType::Double && stored.toDouble() != double(v)))
            return stored;
        if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
            return QVariant(static_cast<qint32>(v));
        return QVariant(v);
    }
    case FieldType::String:
        return QVariant(stored.toString());
    case FieldType::Date: {
        const QString s = stored.toString();
        const QDate d = QDate::fromString(s.left(10), Qt::ISODate);
        if (d.isValid() && (s.size() == 10 || s[10] == u'T' || s[10] == u' '))
            return QVariant(d);
        return stored;
    }
    case FieldType::Float: {
        bool ok = false;
        const double v = stored.toDouble(&ok);
        return ok ? QVariant(v) : stored;
    }
    case FieldType::Unknown:
        break;
    }
    return stored;
}

QVariant toStorage(FieldType type, const QVariant& value) {
    if (value.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Integer:
        return QVariant(value.toLongLong());
    case FieldType::Date:
        return QVariant(value.toDate().toString(Qt::ISODate));
    case FieldType::Float:
        return QVariant(value.toDouble());
    case FieldType::String:
        return QVariant(value.toString());
    case FieldType::Unknown:
        break;
    }
    return value;
}

} // namespace tarvex
