// The engine's start, its configuration of aliases, and the operations on
// aliases and table files.

#include "store/TableEngine.h"

#include "store/Connection_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <atomic>
#include <mutex>
#include <utility>

namespace tarvex {

namespace {

const QString kDefaultDriver = QStringLiteral("QSQLITE");
// The stored names of the drivers: the table file of the alias directory, and
// a PostgreSQL server.
const QString kTableFileDriver = QStringLiteral("PARADOX");
const QString kServerDriver = QStringLiteral("POSTGRESQL");
const QString kPathParam = QStringLiteral("PATH");
const QString kDriverParam = QStringLiteral("DEFAULT DRIVER");
// The parameters of a server alias.
const QString kHostParam = QStringLiteral("HOST");
const QString kPortParam = QStringLiteral("PORT");
const QString kDatabaseParam = QStringLiteral("DATABASE");
const QString kUserParam = QStringLiteral("USER");
const QString kSchemaParam = QStringLiteral("SCHEMA");
const QString kPasswordParam = QStringLiteral("PASSWORD");

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

Engine& theEngine() {
    static Engine engine;
    return engine;
}

QString configFileOf(const Engine& e) {
    if (!e.configOverride.isEmpty())
        return e.configOverride;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarvex/table-engine.conf");
}

bool hasControlCharacters(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// Values are written with "\\", "\n" and "\r" escaped; any other backslash is
// read as it stands, so hand-written paths keep their backslashes.
QString escape(const QString& value) {
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

QString unescape(const QString& text) {
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

QList<Alias> parseConfig(const QByteArray& bytes, const QString& file) {
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
        aliases.last().params.append({line.left(eq).trimmed(), unescape(line.mid(eq + 1))});
    }
    return aliases;
}

QByteArray formatConfig(const QList<Alias>& aliases) {
    QString text = QStringLiteral("; Table engine configuration: one [alias] section per alias,\n"
                                  "; followed by its NAME=VALUE parameters.\n");
    for (const Alias& a : aliases) {
        text += QStringLiteral("\n[%1]\n").arg(a.name);
        for (const Param& p : a.params)
            text += p.name + u'=' + escape(p.value) + u'\n';
    }
    return text.toUtf8();
}

void checkDriverLoads(const QString& driver) {
    bool loads = QSqlDatabase::isDriverAvailable(driver);
    if (loads) {
        static std::atomic<int> probes{0};
        const QString name = QStringLiteral("tarvex-engine-probe-%1").arg(++probes);
        loads = QSqlDatabase::addDatabase(driver, name).isValid();
        QSqlDatabase::removeDatabase(name);
    }
    if (!loads)
        throw driverMissing(driver);
}

// Caller holds the mutex.
void startLocked(Engine& e) {
    if (e.started)
        return;
    checkDriverLoads(e.driverName);
    const QString file = configFileOf(e);
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
        aliases = parseConfig(f.readAll(), file);
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

Alias* findAlias(Engine& e, const QString& name) {
    for (Alias& a : e.aliases)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0)
            return &a;
    return nullptr;
}

Alias& aliasOrRaise(Engine& e, const QString& name) {
    if (Alias* a = findAlias(e, name))
        return *a;
    throw DatabaseError(QStringLiteral("Unknown alias: %1").arg(name));
}

const Param* findParam(const Alias& a, const QString& name) {
    for (const Param& p : a.params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

Param parseParamLine(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    const QString name = eq < 0 ? QString() : line.left(eq).trimmed();
    if (name.isEmpty() || hasControlCharacters(name))
        throw DatabaseError(QStringLiteral("Invalid alias parameter: %1").arg(line));
    return {name, line.mid(eq + 1)};
}

void checkTableFileDriver(const QString& driver, const QString& alias) {
    if (driver.compare(kTableFileDriver, Qt::CaseInsensitive) != 0)
        throw DatabaseError(QStringLiteral("Driver not known: %1 (alias %2)").arg(driver, alias));
}

bool namesServer(const Alias& a) {
    const Param* driver = findParam(a, kDriverParam);
    return driver && driver->value.trimmed().compare(kServerDriver, Qt::CaseInsensitive) == 0;
}

QString paramValue(const Alias& a, const QString& name) {
    const Param* p = findParam(a, name);
    return p ? p->value.trimmed() : QString();
}

ServerAlias serverOf(const Alias& a) {
    if (findParam(a, kPasswordParam))
        throw DatabaseError(
            QStringLiteral("Alias %1 holds a PASSWORD: remove it from the table engine's "
                           "configuration and keep the password in ~/.pgpass (or the file "
                           "PGPASSFILE names)")
                .arg(a.name));
    ServerAlias server;
    server.host = paramValue(a, kHostParam);
    const QString port = paramValue(a, kPortParam);
    if (!port.isEmpty()) {
        bool ok = false;
        server.port = port.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535)
            throw DatabaseError(
                QStringLiteral("Alias %1: PORT=%2 is not a port number").arg(a.name, port));
    }
    server.database = paramValue(a, kDatabaseParam);
    server.user = paramValue(a, kUserParam);
    server.schema = paramValue(a, kSchemaParam);
    if (server.schema.isEmpty())
        throw DatabaseError(QStringLiteral("Alias %1 has no SCHEMA parameter").arg(a.name));
    return server;
}

} // namespace

// ---- Engine operations ----------------------------------------------------

QStringList TableEngine::aliases() {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    QStringList names;
    for (const Alias& a : e.aliases)
        names << a.name;
    return names;
}

void TableEngine::addPathAlias(const QString& name, const QString& directory,
                               const QString& driver) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    if (name.trimmed().isEmpty() || name.trimmed() != name || name.contains(u'[') ||
        name.contains(u']') || hasControlCharacters(name))
        throw DatabaseError(QStringLiteral("Invalid alias name: %1").arg(name));
    checkTableFileDriver(driver, name);
    if (findAlias(e, name))
        throw DatabaseError(QStringLiteral("Duplicate alias name: %1").arg(name));
    e.aliases.append({name, {{kPathParam, directory}, {kDriverParam, kTableFileDriver}}});
}

QStringList TableEngine::aliasParams(const QString& alias) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    QStringList lines;
    for (const Param& p : aliasOrRaise(e, alias).params)
        lines << p.name + u'=' + p.value;
    return lines;
}

void TableEngine::changeAliasParams(const QString& alias, const QStringList& lines) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    Alias& a = aliasOrRaise(e, alias);
    QList<Param> params = a.params;
    for (const QString& line : lines) {
        const Param changed = parseParamLine(line);
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

void TableEngine::saveConfig() {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    const QString file = configFileOf(e);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(formatConfig(e.aliases)) < 0 || !out.commit())
        throw DatabaseError(
            QStringLiteral("The table engine's configuration file %1 cannot be written (%2).")
                .arg(QDir::toNativeSeparators(file), out.errorString()));
}

QStringList TableEngine::tables(const QString& alias) {
    const auto connection = Connection::open(alias, false);
    return connection ? connection->tables() : QStringList();
}

void TableEngine::createTable(const QString& alias, const QString& tableName, TableType type,
                              const QList<FieldDef>& fields, const QList<IndexDef>& indexes) {
    const auto invalid = [&tableName](const QString& why) {
        return DatabaseError(QStringLiteral("Cannot create table %1: %2").arg(tableName, why));
    };
    if (tableName.trimmed().isEmpty() || hasControlCharacters(tableName))
        throw DatabaseError(QStringLiteral("Invalid table name: %1").arg(tableName));
    if (fields.isEmpty())
        throw invalid(QStringLiteral("it has no fields"));

    QStringList names;
    for (const FieldDef& f : fields) {
        if (f.name.trimmed().isEmpty() || hasControlCharacters(f.name))
            throw invalid(QStringLiteral("invalid field name \"%1\"").arg(f.name));
        if (names.contains(f.name, Qt::CaseInsensitive))
            throw invalid(QStringLiteral("field %1 appears twice").arg(f.name));
        names << f.name;
        if (f.dataType == FieldType::String && (f.size < 1 || f.size > 255))
            throw invalid(QStringLiteral("field %1 needs a size from 1 to 255").arg(f.name));
        if (f.dataType == FieldType::Unknown)
            throw invalid(QStringLiteral("field %1 has no type").arg(f.name));
    }

    std::optional<IndexDef> primary;
    QStringList extra;
    bool hasPrimary = false;
    for (const IndexDef& ix : indexes) {
        if (ix.name.trimmed().isEmpty() || hasControlCharacters(ix.name))
            throw invalid(QStringLiteral("invalid index name \"%1\"").arg(ix.name));
        if (ix.fields.isEmpty())
            throw invalid(QStringLiteral("index %1 has no fields").arg(ix.name));
        QStringList quoted;
        for (const QString& f : ix.fields) {
            if (!names.contains(f, Qt::CaseInsensitive))
                throw invalid(QStringLiteral("index %1 names an unknown field %2").arg(ix.name, f));
            quoted << quoteName(f);
        }
        if (ix.options.testFlag(IndexOption::Primary)) {
            if (hasPrimary)
                throw invalid(QStringLiteral("it has more than one primary index"));
            hasPrimary = true;
            primary = ix;
        } else {
            extra << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                         .arg(ix.options.testFlag(IndexOption::Unique) ? QStringLiteral("UNIQUE ")
                                                                       : QString(),
                              quoteName(tableName + u'$' + ix.name), quoteName(tableName),
                              quoted.join(u','));
        }
    }

    const auto connection = Connection::open(alias, true, type);
    if (connection->tables().contains(tableName, Qt::CaseInsensitive))
        throw invalid(QStringLiteral("a table of that name exists"));
    QStringList columns;
    for (const FieldDef& f : fields)
        columns << quoteName(f.name) + u' ' + connection->declaredType(f.dataType, f.size) +
                       (f.required ? QStringLiteral(" NOT NULL") : QString());
    if (primary) {
        QStringList quoted;
        for (const QString& f : primary->fields)
            quoted << quoteName(f);
        columns << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)")
                       .arg(quoteName(connection->primaryKeyName(tableName, primary->name)),
                            quoted.join(u','));
    }
    const QString context = QStringLiteral("Cannot create table %1").arg(tableName);
    connection->beginWrite(QString(), context);
    try {
        connection->run(QStringLiteral("CREATE TABLE %1 (%2)")
                            .arg(quoteName(tableName), columns.join(QStringLiteral(", "))),
                        context);
        for (const QString& sql : extra)
            connection->run(sql, context);
        connection->run(QStringLiteral("COMMIT"), context);
    } catch (...) {
        try {
            connection->run(QStringLiteral("ROLLBACK"), context);
        } catch (const DatabaseError&) {
        }
        throw;
    }
}

std::optional<ServerAlias> TableEngine::serverAlias(const QString& alias) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    const Alias& a = aliasOrRaise(e, alias);
    if (!namesServer(a))
        return std::nullopt;
    return serverOf(a);
}

bool TableEngine::isServerAlias(const QString& alias) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    try {
        startLocked(e);
    } catch (const DatabaseError&) {
        return false;
    }
    const Alias* a = findAlias(e, alias);
    return a && namesServer(*a);
}

QString ServerAlias::description() const {
    const QString where = host.isEmpty()          ? QStringLiteral("the default host")
                          : host.startsWith(u'/') ? QStringLiteral("socket directory %1").arg(host)
                                                  : QStringLiteral("host %1").arg(host);
    return QStringLiteral("database %1 on %2, port %3")
        .arg(database.isEmpty() ? QStringLiteral("(the default)") : database, where,
             port < 0 ? QStringLiteral("(the default)") : QString::number(port));
}

QString TableEngine::tableFilePath(const QString& alias) {
    return aliasDirectory(alias) + u'/' + QLatin1String(kTableFileName);
}

QString TableEngine::configFile() {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    return configFileOf(e);
}

namespace {

// Stops the engine and changes one of its settings.
QString restart(QString Engine::*setting, const QString& value) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    e.started = false;
    e.aliases.clear();
    return setting ? std::exchange(e.*setting, value) : QString();
}

} // namespace

QString TableEngine::setDriverName(const QString& driver) {
    return restart(&Engine::driverName, driver);
}

QString TableEngine::setConfigFile(const QString& path) {
    return restart(&Engine::configOverride, path);
}

void TableEngine::shutdown() {
    restart(nullptr, QString());
}

// ---- Inside the engine ----------------------------------------------------

AliasPlace aliasPlace(const QString& alias, TableType type) {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    startLocked(e);
    const Alias& a = aliasOrRaise(e, alias);
    if (namesServer(a))
        return {a.name, QString(), serverOf(a)};
    if (type == TableType::Default) {
        if (const Param* driver = findParam(a, kDriverParam))
            checkTableFileDriver(driver->value, a.name);
    }
    const Param* path = findParam(a, kPathParam);
    if (!path || path->value.isEmpty())
        throw DatabaseError(QStringLiteral("Alias %1 has no PATH parameter").arg(a.name));
    return {a.name, path->value, std::nullopt};
}

QString aliasDirectory(const QString& alias, TableType type) {
    const AliasPlace place = aliasPlace(alias, type);
    if (place.server)
        throw DatabaseError(
            QStringLiteral("Alias %1 keeps its tables on a server, not in a table file")
                .arg(place.alias));
    return place.directory;
}

QString engineDriverName() {
    Engine& e = theEngine();
    const std::lock_guard lock(e.mutex);
    return e.driverName;
}

DatabaseError driverMissing(const QString& driver) {
    return DatabaseError(QStringLiteral("The table engine cannot start: the SQLite driver "
                                        "(Qt SQL plugin %1) cannot be loaded.")
                             .arg(driver));
}

} // namespace tarvex
