// The engine's start, its configuration of aliases, and the operations on
// aliases and table files.

#include "store/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <atomic>
#include <mutex>
#include <utility>

namespace tarvex {

namespace {

const QString kTableFileName = QStringLiteral("tables.db");
const QString kDefaultDriver = QStringLiteral("QSQLITE");
const QString kParadox = QStringLiteral("PARADOX");
const QString kPathParam = QStringLiteral("PATH");
const QString kDriverParam = QStringLiteral("DEFAULT DRIVER");

struct Param {
    QString name;
    QString value;
};

struct Alias {
    QString name;
    QList<Param> params;
};

struct Engine {
    std::mutex mutex;
    QString driverName = kDefaultDriver;
    QString configOverride;
    bool started = false;
    QList<Alias> aliases;
};

Engine& TheEngine() {
    static Engine engine;
    return engine;
}

QString ConfigFileOf(const Engine& e) {
    if (!e.configOverride.isEmpty())
        return e.configOverride;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarvex/table-engine.conf");
}

bool HasControlCharacters(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// Values are written with "\\", "\n" and "\r" escaped; any other backslash is
// read as it stands, so hand-written paths keep their backslashes.
QString Escape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text[i + 1];
            if (n == u'\\' || n == u'n' || n == u'r') {
                out += n == u'\\' ? QChar(u'\\') : n == u'n' ? QChar(u'\n') : QChar(u'\r');
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QList<Alias> ParseConfig(const QByteArray& bytes, const QString& file) {
    const auto damaged = [&file](qsizetype line, const QString& why) {
        return DatabaseError(
            QStringLiteral("The table engine cannot start: its configuration file %1 is damaged "
                           "(line %2: %3).")
                .arg(QDir::toNativeSeparators(file))
                .arg(line)
                .arg(why));
    };
    QList<Alias> aliases;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (name.isEmpty())
                throw damaged(i + 1, QStringLiteral("an alias without a name"));
            for (const Alias& a : aliases)
                if (a.name.compare(name, Qt::CaseInsensitive) == 0)
                    throw damaged(i + 1, QStringLiteral("alias %1 appears twice").arg(name));
            aliases.append({name, {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.left(eq).trimmed().isEmpty())
            throw damaged(i + 1, QStringLiteral("not a NAME=VALUE line"));
        if (aliases.isEmpty())
            throw damaged(i + 1, QStringLiteral("a parameter before the first alias"));
        aliases.last().params.append({line.left(eq).trimmed(), Unescape(line.mid(eq + 1))});
    }
    return aliases;
}

QByteArray FormatConfig(const QList<Alias>& aliases) {
    QString text = QStringLiteral("; Table engine configuration: one [alias] section per alias,\n"
                                  "; followed by its NAME=VALUE parameters.\n");
    for (const Alias& a : aliases) {
        text += QStringLiteral("\n[%1]\n").arg(a.name);
        for (const Param& p : a.params)
            text += p.name + u'=' + Escape(p.value) + u'\n';
    }
    return text.toUtf8();
}

void CheckDriverLoads(const QString& driver) {
    bool loads = QSqlDatabase::isDriverAvailable(driver);
    if (loads) {
        static std::atomic<int> probes{0};
        const QString name = QStringLiteral("tarvex-engine-probe-%1").arg(++probes);
        loads = QSqlDatabase::addDatabase(driver, name).isValid();
        QSqlDatabase::removeDatabase(name);
    }
    if (!loads)
        throw DatabaseError(QStringLiteral("The table engine cannot start: the SQLite driver "
                                           "(Qt SQL plugin %1) cannot be loaded.")
                                .arg(driver));
}

// Caller holds the mutex.
void StartLocked(Engine& e) {
    if (e.started)
        return;
    CheckDriverLoads(e.driverName);
    const QString file = ConfigFileOf(e);
    const QFileInfo info(file);
    const QString native = QDir::toNativeSeparators(file);
    if (!QDir().mkpath(info.absolutePath()))
        throw DatabaseError(QStringLiteral("The table engine cannot start: the folder of its "
                                           "configuration file %1 cannot be created.")
                                .arg(native));
    QList<Alias> aliases;
    if (info.exists()) {
        QFile f(file);
        if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            throw DatabaseError(QStringLiteral("The table engine cannot start: its "
                                               "configuration file %1 cannot be written (%2).")
                                    .arg(native, f.errorString()));
        aliases = ParseConfig(f.readAll(), file);
    } else {
        QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.table-engine-XXXXXX"));
        if (!probe.open())
            throw DatabaseError(QStringLiteral("The table engine cannot start: its "
                                               "configuration file %1 cannot be written (%2).")
                                    .arg(native, probe.errorString()));
    }
    e.aliases = std::move(aliases);
    e.started = true;
}

Alias* FindAlias(Engine& e, const QString& name) {
    for (Alias& a : e.aliases)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0)
            return &a;
    return nullptr;
}

Alias& AliasOrRaise(Engine& e, const QString& name) {
    if (Alias* a = FindAlias(e, name))
        return *a;
    throw DatabaseError(QStringLiteral("Unknown alias: %1").arg(name));
}

const Param* FindParam(const Alias& a, const QString& name) {
    for (const Param& p : a.params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

Param ParseParamLine(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    const QString name = eq < 0 ? QString() : line.left(eq).trimmed();
    if (name.isEmpty() || HasControlCharacters(name))
        throw DatabaseError(QStringLiteral("Invalid alias parameter: %1").arg(line));
    return {name, line.mid(eq + 1)};
}

void CheckParadox(const QString& driver, const QString& alias) {
    if (driver.compare(kParadox, Qt::CaseInsensitive) != 0)
        throw DatabaseError(QStringLiteral("Driver not known: %1 (alias %2)").arg(driver, alias));
}

std::atomic<int> connectionCount{0};

QString DriverName() {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    return e.driverName;
}

} // namespace

// ---- Engine operations ----------------------------------------------------

QStringList ListAliases() {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    StartLocked(e);
    QStringList names;
    for (const Alias& a : e.aliases)
        names << a.name;
    return names;
}

void AddPathAlias(const QString& name, const QString& directory, const QString& driver) {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    StartLocked(e);
    if (name.trimmed().isEmpty() || name.trimmed() != name || name.contains(u'[') ||
        name.contains(u']') || HasControlCharacters(name))
        throw DatabaseError(QStringLiteral("Invalid alias name: %1").arg(name));
    CheckParadox(driver, name);
    if (FindAlias(e, name))
        throw DatabaseError(QStringLiteral("Duplicate alias name: %1").arg(name));
    e.aliases.append({name, {{kPathParam, directory}, {kDriverParam, kParadox}}});
}

QStringList ReadAliasParams(const QString& alias) {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    StartLocked(e);
    QStringList lines;
    for (const Param& p : AliasOrRaise(e, alias).params)
        lines << p.name + u'=' + p.value;
    return lines;
}

void ChangeAliasParams(const QString& alias, const QStringList& lines) {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    StartLocked(e);
    Alias& a = AliasOrRaise(e, alias);
    QList<Param> params = a.params;
    for (const QString& line : lines) {
        const Param changed = ParseParamLine(line);
        auto it = std::find_if(params.begin(), params.end(), [&](const Param& p) {
            return p.name.compare(changed.name, Qt::CaseInsensitive) == 0;
        });
        if (it != params.end())
            it->value = changed.value;
        else
            params.append(changed);
    }
    a.params = std::move(params);
}

void SaveEngineConfig() {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    StartLocked(e);
    const QString file = ConfigFileOf(e);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(FormatConfig(e.aliases)) < 0 || !out.commit())
        throw DatabaseError(
            QStringLiteral("The table engine's configuration file %1 cannot be written (%2).")
                .arg(QDir::toNativeSeparators(file), out.errorString()));
}

QStringList ListTables(const QString& alias) {
    const auto connection = TConnection::Open(alias, false);
    return connection ? connection->Tables() : QStringList();
}

void CreateTableFrom(const QString& alias, const QString& tableName, TTableType type,
                     const QList<TFieldDef>& fields, const QList<TIndexDef>& indexes) {
    const auto invalid = [&tableName](const QString& why) {
        return DatabaseError(QStringLiteral("Cannot create table %1: %2").arg(tableName, why));
    };
    if (tableName.trimmed().isEmpty() || HasControlCharacters(tableName))
        throw DatabaseError(QStringLiteral("Invalid table name: %1").arg(tableName));
    if (fields.isEmpty())
        throw invalid(QStringLiteral("it has no fields"));

    QStringList columns;
    QStringList names;
    for (const TFieldDef& f : fields) {
        if (f.Name.trimmed().isEmpty() || HasControlCharacters(f.Name))
            throw invalid(QStringLiteral("invalid field name \"%1\"").arg(f.Name));
        if (names.contains(f.Name, Qt::CaseInsensitive))
            throw invalid(QStringLiteral("field %1 appears twice").arg(f.Name));
        names << f.Name;
        QString decl;
        switch (f.DataType) {
        case TFieldType::ftString:
            if (f.Size < 1 || f.Size > 255)
                throw invalid(QStringLiteral("field %1 needs a size from 1 to 255").arg(f.Name));
            decl = QStringLiteral("VARCHAR(%1)").arg(f.Size);
            break;
        case TFieldType::ftInteger:
            decl = QStringLiteral("INTEGER");
            break;
        case TFieldType::ftFloat:
            decl = QStringLiteral("REAL");
            break;
        case TFieldType::ftDate:
            decl = QStringLiteral("DATE");
            break;
        case TFieldType::ftUnknown:
            throw invalid(QStringLiteral("field %1 has no type").arg(f.Name));
        }
        columns << QuoteName(f.Name) + u' ' + decl +
                       (f.Required ? QStringLiteral(" NOT NULL") : QString());
    }

    QStringList extra;
    bool hasPrimary = false;
    for (const TIndexDef& ix : indexes) {
        if (ix.Name.trimmed().isEmpty() || HasControlCharacters(ix.Name))
            throw invalid(QStringLiteral("invalid index name \"%1\"").arg(ix.Name));
        if (ix.Fields.isEmpty())
            throw invalid(QStringLiteral("index %1 has no fields").arg(ix.Name));
        QStringList quoted;
        for (const QString& f : ix.Fields) {
            if (!names.contains(f, Qt::CaseInsensitive))
                throw invalid(QStringLiteral("index %1 names an unknown field %2").arg(ix.Name, f));
            quoted << QuoteName(f);
        }
        if (ix.Options & ixPrimary) {
            if (hasPrimary)
                throw invalid(QStringLiteral("it has more than one primary index"));
            hasPrimary = true;
            columns << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)")
                           .arg(QuoteName(ix.Name), quoted.join(u','));
        } else {
            extra << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                         .arg((ix.Options & ixUnique) ? QStringLiteral("UNIQUE ") : QString(),
                              QuoteName(tableName + u'$' + ix.Name), QuoteName(tableName),
                              quoted.join(u','));
        }
    }

    const auto connection = TConnection::Open(alias, true, type);
    if (connection->Tables().contains(tableName, Qt::CaseInsensitive))
        throw invalid(QStringLiteral("a table of that name exists"));
    const QString context = QStringLiteral("Cannot create table %1").arg(tableName);
    connection->Run(QStringLiteral("BEGIN IMMEDIATE"), context);
    try {
        connection->Run(QStringLiteral("CREATE TABLE %1 (%2)")
                            .arg(QuoteName(tableName), columns.join(QStringLiteral(", "))),
                        context);
        for (const QString& sql : extra)
            connection->Run(sql, context);
        connection->Run(QStringLiteral("COMMIT"), context);
    } catch (...) {
        try {
            connection->Run(QStringLiteral("ROLLBACK"), context);
        } catch (const DatabaseError&) {
        }
        throw;
    }
}

QString TableFilePath(const QString& alias) {
    return AliasDirectory(alias) + u'/' + kTableFileName;
}

QString EngineConfigFile() {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    return ConfigFileOf(e);
}

namespace {

// Stops the engine and changes one of its settings.
QString Restart(QString Engine::*setting, const QString& value) {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    e.started = false;
    e.aliases.clear();
    return setting ? std::exchange(e.*setting, value) : QString();
}

} // namespace

QString SetEngineDriverName(const QString& driver) {
    return Restart(&Engine::driverName, driver);
}

QString SetEngineConfigFile(const QString& path) {
    return Restart(&Engine::configOverride, path);
}

void ShutdownEngine() {
    Restart(nullptr, QString());
}

// ---- Inside the engine ----------------------------------------------------

QString AliasDirectory(const QString& alias, TTableType type) {
    Engine& e = TheEngine();
    const std::lock_guard lock(e.mutex);
    StartLocked(e);
    const Alias& a = AliasOrRaise(e, alias);
    if (type == TTableType::ttDefault) {
        if (const Param* driver = FindParam(a, kDriverParam))
            CheckParadox(driver->value, a.name);
    }
    const Param* path = FindParam(a, kPathParam);
    if (!path || path->value.isEmpty())
        throw DatabaseError(QStringLiteral("Alias %1 has no PATH parameter").arg(a.name));
    return path->value;
}

QString QuoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

TConnection::TConnection(QString name, QString file)
    : m_name(std::move(name)), m_file(std::move(file)) {}

TConnection::~TConnection() {
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<TConnection> TConnection::Open(const QString& alias, bool createFile,
                                               TTableType type) {
    const QString dir = AliasDirectory(alias, type);
    if (!QFileInfo(dir).isDir())
        throw DatabaseError(QStringLiteral("The directory %1 of alias %2 does not exist")
                                .arg(QDir::toNativeSeparators(dir), alias));
    const QString file = dir + u'/' + kTableFileName;
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

    std::unique_ptr<TConnection> c(
        new TConnection(QStringLiteral("tarvex-engine-%1").arg(++connectionCount), file));
    const QString driver = DriverName();
    c->m_db = QSqlDatabase::addDatabase(driver, c->m_name);
    if (!c->m_db.isValid())
        throw DatabaseError(QStringLiteral("The table engine cannot start: the SQLite driver "
                                           "(Qt SQL plugin %1) cannot be loaded.")
                                .arg(driver));
    c->m_db.setDatabaseName(file);
    c->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!c->m_db.open())
        throw c->Error(c->m_db.lastError(),
                       QStringLiteral("Cannot open the table file %1").arg(native));

    const QString context = QStringLiteral("Cannot open the table file %1").arg(native);
    QSqlQuery mode = c->Prepare(QStringLiteral("PRAGMA journal_mode"));
    c->Exec(mode, context);
    const QString current = mode.next() ? mode.value(0).toString() : QString();
    mode.finish();
    if (current.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
        QSqlQuery set = c->Prepare(QStringLiteral("PRAGMA journal_mode=WAL"));
        c->Exec(set, context);
        const QString now = set.next() ? set.value(0).toString() : QString();
        set.finish();
        if (now.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
            throw DatabaseError(
                QStringLiteral("%1: the write-ahead log cannot be used").arg(context));
    }
    c->Run(QStringLiteral("PRAGMA synchronous=FULL"), context);
    return c;
}

QSqlQuery TConnection::Prepare(const QString& sql, const QString& context) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw Error(query.lastError(),
                    context.isEmpty() ? QStringLiteral("Cannot run \"%1\"").arg(sql.simplified())
                                      : context);
    return query;
}

void TConnection::Exec(QSqlQuery& query, const QString& context) const {
    if (!query.exec()) {
        const QSqlError error = query.lastError();
        query.finish();
        throw Error(error, context);
    }
}

void TConnection::Run(const QString& sql, const QString& context) const {
    QSqlQuery query = Prepare(sql);
    Exec(query, context);
    query.finish();
}

DatabaseError TConnection::Error(const QSqlError& error, const QString& context) const {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString native = QDir::toNativeSeparators(m_file);
    switch (error.nativeErrorCode().toInt() & 0xFF) {
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

QStringList TConnection::Tables() const {
    QSqlQuery query = Prepare(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' ORDER BY rowid"));
    Exec(query,
         QStringLiteral("Cannot list the tables of %1").arg(QDir::toNativeSeparators(m_file)));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    query.finish();
    return names;
}

QString TConnection::ResolveTable(const QString& name) const {
    for (const QString& stored : Tables())
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    throw DatabaseError(QStringLiteral("Table %1 does not exist in %2")
                            .arg(name, QDir::toNativeSeparators(QFileInfo(m_file).path())));
}

QList<TConnection::Column> TConnection::Columns(const QString& storedTable) const {
    QSqlQuery query = Prepare(QStringLiteral("PRAGMA table_info(%1)").arg(QuoteName(storedTable)));
    Exec(query, QStringLiteral("Cannot read the fields of table %1").arg(storedTable));
    QList<Column> columns;
    while (query.next())
        columns.append({query.value(1).toString(), query.value(2).toString(),
                        query.value(5).toInt(), query.value(3).toInt() != 0});
    query.finish();
    return columns;
}

TFieldType FieldTypeOf(const QString& declaredType, int* size) {
    const QString t = declaredType.trimmed().toUpper();
    *size = 0;
    if (t.isEmpty())
        return TFieldType::ftUnknown;
    if (t.contains(QStringLiteral("INT")))
        return TFieldType::ftInteger;
    if (t == QStringLiteral("DATE"))
        return TFieldType::ftDate;
    if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
        t.contains(QStringLiteral("TEXT"))) {
        const qsizetype open = t.indexOf(u'(');
        const qsizetype close = t.indexOf(u')', open);
        if (open > 0 && close > open)
            *size = qMax(0, t.mid(open + 1, close - open - 1).trimmed().toInt());
        return TFieldType::ftString;
    }
    if (t.contains(QStringLiteral("REAL")) || t.contains(QStringLiteral("FLOA")) ||
        t.contains(QStringLiteral("DOUB")) || t.startsWith(QStringLiteral("NUMERIC")) ||
        t.startsWith(QStringLiteral("DECIMAL")))
        return TFieldType::ftFloat;
    return TFieldType::ftUnknown;
}

QVariant FromStorage(TFieldType type, const QVariant& stored) {
    if (stored.isNull())
        return QVariant();
    switch (type) {
    case TFieldType::ftInteger: {
        bool ok = false;
        const qint64 v = stored.toLongLong(&ok);
        if (!ok || (stored.typeId() == QMetaType::Double && stored.toDouble() != double(v)))
            return stored;
        if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
            return QVariant(static_cast<qint32>(v));
        return QVariant(v);
    }
    case TFieldType::ftString:
        return QVariant(stored.toString());
    case TFieldType::ftDate: {
        const QString s = stored.toString();
        const QDate d = QDate::fromString(s.left(10), Qt::ISODate);
        if (d.isValid() && (s.size() == 10 || s[10] == u'T' || s[10] == u' '))
            return QVariant(d);
        return stored;
    }
    case TFieldType::ftFloat: {
        bool ok = false;
        const double v = stored.toDouble(&ok);
        return ok ? QVariant(v) : stored;
    }
    case TFieldType::ftUnknown:
        break;
    }
    return stored;
}

QVariant ToStorage(TFieldType type, const QVariant& value) {
    if (value.isNull())
        return QVariant();
    switch (type) {
    case TFieldType::ftInteger:
        return QVariant(value.toLongLong());
    case TFieldType::ftDate:
        return QVariant(value.toDate().toString(Qt::ISODate));
    case TFieldType::ftFloat:
        return QVariant(value.toDouble());
    case TFieldType::ftString:
        return QVariant(value.toString());
    case TFieldType::ftUnknown:
        break;
    }
    return value;
}

} // namespace tarvex
