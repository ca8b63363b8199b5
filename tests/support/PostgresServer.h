// A private PostgreSQL server for the tests and benchmarks that log into a
// server: initdb into a temporary directory, pg_ctl start listening on a Unix
// socket in that directory only (no TCP port), under a port number that is
// free on this machine, so that nothing ever reaches a cluster of the
// system's. The server is stopped and its directory removed when the object
// goes (also when a test fails); a watchdog process does the same when the
// test process is killed.
//
// initdb and postgres refuse to run as root: as root (CI), the server runs as
// the user nobody, and the directory belongs to nobody. Anyone may connect
// over the socket as the superuser "tarvex" without a password; the database
// is "lab". Needs Qt6::Sql (with its QPSQL driver) and the server programs of
// postgresql (found in /usr/lib/postgresql/<version>/bin or on the PATH).
#pragma once

#include "support/RawConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace tarvex {

class PostgresServer {
public:
    struct Options {
        // Commits reach the disk (fsync on), as on a real server; tests leave
        // it off for speed (a stopped server keeps what it committed either
        // way, the kernel still holds it).
        bool durable = false;
    };

    PostgresServer() : PostgresServer(Options{}) {}
    explicit PostgresServer(Options options) : m_options(options) {
        if (!(findPrograms() && makeDirectory() && initDatabase() && start() && createLab())) {
            const QString why = m_error;
            stop();
            m_error = why;
        }
    }
    ~PostgresServer() { remove(); }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Made and started (and not stopped since).
    bool isRunning() const { return m_running; }
    // Why the server could not be made, started or stopped.
    QString errorString() const { return m_error; }

    QString socketDirectory() const { return m_dir ? m_dir->path() : QString(); }
    int port() const { return m_port; }
    static QString user() { return QStringLiteral("tarvex"); }
    static QString database() { return QStringLiteral("lab"); }
    // The postmaster's process ID (0 while stopped).
    qint64 serverPid() const {
        QFile pidFile(dataDirectory() + QStringLiteral("/postmaster.pid"));
        if (!m_running || !pidFile.open(QIODevice::ReadOnly))
            return 0;
        return pidFile.readLine().trimmed().toLongLong();
    }

    // Stops the server ("fast": every session is ended, as an administrator's
    // stop or a restart ends them). False (see errorString) on failure.
    bool stop() {
        if (!m_running)
            return true;
        if (!runTool(m_pgCtl, {QStringLiteral("stop"), QStringLiteral("-D"), dataDirectory(),
                               QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
                               QStringLiteral("-t"), QStringLiteral("60")}))
            return false;
        m_running = false;
        return true;
    }
    // Starts it again, on the same socket.
    bool start() {
        if (m_running)
            return true;
        if (!runTool(m_pgCtl, {QStringLiteral("start"), QStringLiteral("-D"), dataDirectory(),
                               QStringLiteral("-l"), m_dir->filePath(QStringLiteral("server.log")),
                               QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60")}))
            return false;
        m_running = true;
        return true;
    }

    // The lines of an engine configuration that make alias name point at
    // this server and schema.
    QByteArray aliasText(const QString& alias, const QString& schema) const {
        return QStringLiteral("[%1]\nDEFAULT DRIVER=POSTGRESQL\nHOST=%2\nPORT=%3\nDATABASE=%4\n"
                              "USER=%5\nSCHEMA=%6\n")
            .arg(alias, socketDirectory())
            .arg(m_port)
            .arg(database(), user(), schema)
            .toUtf8();
    }

    // The server's log, for a failure's message.
    QString log() const {
        QFile f(m_dir ? m_dir->filePath(QStringLiteral("server.log")) : QString());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(4000)) : QString();
    }

private:
    QString dataDirectory() const { return m_dir->filePath(QStringLiteral("data")); }

    bool fail(const QString& why) {
        m_error = why;
        return false;
    }

    bool findPrograms() {
        QStringList places;
        const QDir versions(QStringLiteral("/usr/lib/postgresql"));
        const QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QList<int> numbers;
        for (const QString& v : found)
            numbers << v.toInt();
        std::sort(numbers.rbegin(), numbers.rend());
        for (int v : numbers)
            places << versions.filePath(QString::number(v) + QStringLiteral("/bin"));
        for (const QString& dir : places) {
            if (QFileInfo(dir + QStringLiteral("/initdb")).isExecutable() &&
                QFileInfo(dir + QStringLiteral("/pg_ctl")).isExecutable()) {
                m_initdb = dir + QStringLiteral("/initdb");
                m_pgCtl = dir + QStringLiteral("/pg_ctl");
                return true;
            }
        }
        m_initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
        m_pgCtl = QStandardPaths::findExecutable(QStringLiteral("pg_ctl"));
        if (m_initdb.isEmpty() || m_pgCtl.isEmpty())
            return fail(QStringLiteral("The PostgreSQL server programs (initdb, pg_ctl) are not "
                                       "installed: scripts/deps installs postgresql-15."));
        return true;
    }

    // True when every directory from / down to dir lets others pass.
    static bool othersCanReach(const QString& dir) {
        QString path = QFileInfo(dir).canonicalFilePath();
        while (!path.isEmpty() && path != QStringLiteral("/")) {
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
                return false;
            path = QFileInfo(path).path();
        }
        return true;
    }

    // A port number no TCP socket of this machine holds now.
    static int freePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (s >= 0)
            ::close(s);
        return port > 0 ? port
                        : 20000 + static_cast<int>(QRandomGenerator::global()->bounded(40000));
    }

    bool makeDirectory() {
        m_asRoot = ::geteuid() == 0;
        // The socket's path must stay short (about 100 bytes), and as root the
        // server's user must be able to reach the directory.
        QString base = QDir::tempPath();
        if (base.size() > 60 || (m_asRoot && !othersCanReach(base)))
            base = QStringLiteral("/tmp");
        m_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tarvex-pg-XXXXXX"));
        if (!m_dir->isValid())
            return fail(QStringLiteral("No temporary directory in %1").arg(base));
        if (m_asRoot) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody)
                return fail(QStringLiteral("There is no user nobody to run the server as"));
            m_uid = nobody->pw_uid;
            m_gid = nobody->pw_gid;
            if (::chown(QFile::encodeName(m_dir->path()).constData(), m_uid, m_gid) != 0)
                return fail(QStringLiteral("Cannot hand %1 to nobody").arg(m_dir->path()));
        }
        m_port = freePort();
        startWatchdog();
        return true;
    }

    // Runs a server program (as nobody when root); false with its output on
    // failure.
    bool runTool(const QString& program, const QStringList& arguments) {
        QProcess p;
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.insert(QStringLiteral("HOME"), m_dir->path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_dir->path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (m_asRoot) {
            p.setProgram(QStringLiteral("setpriv"));
            p.setArguments(QStringList{QStringLiteral("--reuid=%1").arg(m_uid),
                                       QStringLiteral("--regid=%1").arg(m_gid),
                                       QStringLiteral("--clear-groups"), QStringLiteral("--"),
                                       program} +
                           arguments);
        } else {
            p.setProgram(program);
            p.setArguments(arguments);
        }
        p.start();
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return fail(QStringLiteral("%1 %2 failed: %3\n%4")
                            .arg(program, arguments.join(u' '), QString::fromLocal8Bit(p.readAll()),
                                 log()));
        return true;
    }

    bool initDatabase() {
        if (!runTool(m_initdb,
                     {QStringLiteral("-D"), dataDirectory(), QStringLiteral("-U"), user(),
                      QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                      QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("-N")}))
            return false;
        // Only the socket in the private directory; no TCP port at all.
        QFile conf(dataDirectory() + QStringLiteral("/postgresql.conf"));
        if (!conf.open(QIODevice::Append))
            return fail(QStringLiteral("Cannot write %1").arg(conf.fileName()));
        QByteArray settings = QStringLiteral("\nlisten_addresses = ''\n"
                                             "unix_socket_directories = '%1'\n"
                                             "port = %2\n"
                                             "max_connections = 100\n")
                                  .arg(m_dir->path())
                                  .arg(m_port)
                                  .toUtf8();
        if (!m_options.durable)
            settings += "fsync = off\nfull_page_writes = off\n";
        conf.write(settings);
        return true;
    }

    // The database "lab" the aliases name.
    bool createLab() {
        const QString name = QStringLiteral("tarvex-pg-setup-%1").arg(++counter());
        bool ok = false;
        QString error;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(socketDirectory());
            db.setPort(m_port);
            db.setUserName(user());
            db.setDatabaseName(QStringLiteral("postgres"));
            if (db.open()) {
                QSqlQuery q(db);
                ok = q.exec(QStringLiteral("CREATE DATABASE lab"));
                error = q.lastError().text();
            } else {
                error = db.lastError().text();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok || fail(QStringLiteral("Cannot create the database lab: %1").arg(error));
    }

    // A process of its own (not a child of the test, so that killing the
    // test's process tree spares it) that waits for the test process to end
    // and then ends the server and removes the directory - unless the
    // directory went first, which is the normal end.
    void startWatchdog() {
        static const QString script = QStringLiteral(
            "while kill -0 \"$1\" 2>/dev/null && [ -d \"$2\" ]; do sleep 0.5; done\n"
            "[ -d \"$2\" ] || exit 0\n"
            "pid=$(head -n 1 \"$2/data/postmaster.pid\" 2>/dev/null)\n"
            "if [ -n \"$pid\" ]; then\n"
            "  kill -QUIT \"$pid\" 2>/dev/null; i=0\n"
            "  while kill -0 \"$pid\" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); "
            "done\n"
            "  kill -KILL \"$pid\" 2>/dev/null\n"
            "fi\n"
            "rm -rf \"$2\"\n");
        QProcess watchdog;
        watchdog.setProgram(QStringLiteral("/bin/sh"));
        watchdog.setArguments({QStringLiteral("-c"), script, QStringLiteral("tarvex-pg-watchdog"),
                               QString::number(::getpid()), m_dir->path()});
        watchdog.setStandardInputFile(QProcess::nullDevice());
        watchdog.setStandardOutputFile(QProcess::nullDevice());
        watchdog.setStandardErrorFile(QProcess::nullDevice());
        watchdog.startDetached();
    }

    void remove() {
        if (!m_dir)
            return;
        if (m_running) {
            stop();
            if (m_running) {
                // A fast stop that failed: end it at once.
                runTool(m_pgCtl,
                        {QStringLiteral("stop"), QStringLiteral("-D"), dataDirectory(),
                         QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w")});
            }
        }
        m_dir.reset(); // removes everything; the watchdog then ends
    }

    static int& counter() {
        static int n = 0;
        return n;
    }

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_initdb;
    QString m_pgCtl;
    QString m_error;
    int m_port = 0;
    bool m_asRoot = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    bool m_running = false;
};

// A plain connection to the test server's database, outside the engine.
class ServerDb : public RawConnection {
public:
    explicit ServerDb(const PostgresServer& server)
        : RawConnection(QStringLiteral("QPSQL"), [&server](QSqlDatabase& db) {
              db.setHostName(server.socketDirectory());
              db.setPort(server.port());
              db.setUserName(PostgresServer::user());
              db.setDatabaseName(PostgresServer::database());
          }) {}
};

} // namespace tarvex
