// What every connection does, whatever the storage, and how values and
// declared types of columns map to fields.

#include "store/Connection_p.h"

#include <QSqlError>

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

Connection::Connection(QString place) : m_place(std::move(place)) {}

Connection::~Connection() {
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (!m_name.isEmpty())
        QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase Connection::addDatabase(const QString& driver) {
    m_name = QStringLiteral("tarvex-engine-%1").arg(++connectionCount);
    return QSqlDatabase::addDatabase(driver, m_name);
}

std::unique_ptr<Connection> Connection::open(const QString& alias, bool create, TableType type) {
    const AliasPlace place = aliasPlace(alias, type);
    return place.server ? openServer(place, create) : openTableFile(place, create);
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

QString Connection::resolveTable(const QString& name) const {
    for (const QString& stored : tables())
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    throw DatabaseError(QStringLiteral("Table %1 does not exist in %2").arg(name, m_place));
}

QString Connection::declaredType(FieldType type, int size) const {
    switch (type) {
    case FieldType::String:
        return QStringLiteral("VARCHAR(%1)").arg(size);
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Float:
        return QStringLiteral("REAL");
    case FieldType::Date:
        return QStringLiteral("DATE");
    case FieldType::Unknown:
        break;
    }
    return QString();
}

bool Connection::tryClaim() {
    return true;
}

bool Connection::isLost() const {
    return false;
}

void Connection::mapForReading(qint64, const QString&) const {}

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
