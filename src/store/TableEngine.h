// The table engine: named aliases that point at data directories or at a
// schema on a PostgreSQL server, the tables there and read-only select
// queries (store/Table.h, store/Query.h), over Qt SQL with its SQLite and
// PostgreSQL drivers.
//
// Storage in a directory. All tables of one alias directory live in one
// SQLite file in that directory (TableEngine::tableFilePath). The file runs in
// WAL mode with synchronous=FULL, and every posted row is one committed
// transaction (unless the table is locked, see Table::lockTable), so a posted
// row survives a crash or a power cut. Table names are matched without regard
// to letter case. A file that is not a database, or is damaged, raises a
// DatabaseError naming the file; the engine never replaces, overwrites or
// truncates it.
//
// Storage on a server. An alias with "DEFAULT DRIVER=POSTGRESQL" keeps its
// tables in one schema of a PostgreSQL database (TableEngine::serverAlias),
// reached through Qt's QPSQL driver; several benches log into one server,
// each into a schema of its own. Credentials are never part of the alias:
// libpq finds them itself (~/.pgpass or the file PGPASSFILE names, peer
// authentication on a Unix socket). Every posted row is one committed
// transaction there too. The schema is created when a table is first created
// in it. A connection that breaks (the server restarted or went away) stays
// broken: the data set on it raises until it is closed and opened again.
//
// Configuration. Aliases and their NAME=VALUE parameters live in the engine's
// own configuration file (TableEngine::configFile, under the user's
// configuration directory). An alias's driver is stored as "DEFAULT
// DRIVER=PARADOX" for the table file of the alias directory, as it is called
// in configuration files, and "DEFAULT DRIVER=POSTGRESQL" for a server. The
// engine starts at its first use: it loads the Qt SQLite driver and reads the
// file. When the driver cannot be loaded, or the file cannot be read or
// written, it fails to start and every operation raises; the next operation
// tries to start it again. Alias changes take effect at once and last beyond
// the run after TableEngine::saveConfig.
//
// Every failure raises DatabaseError with the engine's message. Everything
// here is meant for one thread at a time (each data set for the thread that
// opened it); the configuration functions may be called from any thread.
#pragma once

#include "store/DataSet.h"

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarvex {

// How a table of an alias directory is reached; either way it lives in the
// table file of the directory. Default: the alias's default driver, when it
// names one, must be that of the table file. LocalFile: the table file
// whatever driver the alias names. An alias of a server has no table file:
// its tables are those of its schema on the server, whatever the type.
enum class TableType { Default, LocalFile };

enum class IndexOption : unsigned { Primary = 1u, Unique = 2u };
Q_DECLARE_FLAGS(IndexOptions, IndexOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(IndexOptions)

struct FieldDef {
    QString name;
    FieldType dataType = FieldType::String;
    int size = 0; // characters, for FieldType::String (1 to 255); ignored otherwise
    bool required = false;
};

struct IndexDef {
    QString name;
    QStringList fields;
    IndexOptions options;
};

// An alias that names a PostgreSQL server, as its parameters HOST, PORT,
// DATABASE, USER and SCHEMA give it. An empty text (or port -1) leaves the
// choice to libpq: its environment (PGHOST, PGPORT, PGDATABASE, PGUSER) or
// its defaults (the local Unix socket, port 5432, a database and a user named
// like the system user).
struct ServerAlias {
    QString host; // a host name or address, or a Unix socket directory
    int port = -1;
    QString database;
    QString user;
    QString schema; // never empty: each bench logs into a schema of its own

    // "database lab on host db.example, port 5432", as messages name the
    // server; parts left to libpq are named as its defaults.
    QString description() const;
};

// The engine's operations on aliases and table files.
class TableEngine {
public:
    TableEngine() = delete;

    // All alias names, as stored.
    static QStringList aliases();
    // Adds a standard alias with the parameters "PATH=" + directory and
    // "DEFAULT DRIVER=" + driver. The only driver is "Paradox" (any letter
    // case), the table file of the alias directory. Raises when an alias of
    // that name (in any letter case) exists.
    static void addPathAlias(const QString& name, const QString& directory, const QString& driver);
    // The alias's parameters as NAME=VALUE lines in stored order; for an
    // alias made by addPathAlias the first is the "PATH=" line. Alias names
    // are matched without regard to case.
    static QStringList aliasParams(const QString& alias);
    // Each parameter named in lines (NAME=VALUE, names matched without regard
    // to case) takes the new value in its place; a name not yet stored is
    // added at the end; the other parameters stay.
    static void changeAliasParams(const QString& alias, const QStringList& lines);
    // Writes the configuration file (atomically), so alias changes last.
    static void saveConfig();
    // Table names of the alias's directory (or schema), system tables left
    // out. A directory without a table file has none (and gets no file), as
    // has a server without the alias's schema (which is not made).
    static QStringList tables(const QString& alias);
    // Creates an empty table (and the table file, or the alias's schema on
    // its server, when there is none). Raises when a table of that name
    // exists in any letter case. At most one primary index; a primary index
    // on a single FieldType::Integer field keeps the rows in its order. On a
    // server a field of FieldType::Float is a DOUBLE PRECISION column.
    static void createTable(const QString& alias, const QString& tableName, TableType type,
                            const QList<FieldDef>& fields, const QList<IndexDef>& indexes);

    // The server an alias names ("DEFAULT DRIVER=POSTGRESQL", any letter
    // case), or nothing for an alias of a directory. Reads the configuration
    // only. Raises for an unknown alias, and for a server alias without a
    // SCHEMA, with a PORT that is not a port number or with a PASSWORD (which
    // belongs in libpq's password file, never in this configuration).
    static std::optional<ServerAlias> serverAlias(const QString& alias);
    // Whether the alias names a PostgreSQL server. Never raises: false for an
    // unknown alias and when the configuration cannot be read.
    static bool isServerAlias(const QString& alias);

    // The SQLite file that holds the tables of the alias's directory. Raises
    // for an alias of a server.
    static QString tableFilePath(const QString& alias);
    // The configuration file in use.
    static QString configFile();

    // Test seams. Each setter stops the engine (as at the end of a run: the
    // loaded configuration is forgotten, unsaved changes are lost; open
    // tables and queries keep working) and returns the previous setting.
    // The Qt SQL driver the engine loads ("QSQLITE"); another name simulates
    // a missing driver.
    static QString setDriverName(const QString& driver);
    // The configuration file; empty means the default place under
    // QStandardPaths::GenericConfigLocation.
    static QString setConfigFile(const QString& path);
    // Stops the engine; the next operation starts it again.
    static void shutdown();
};

} // namespace tarvex
