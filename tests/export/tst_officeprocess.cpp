// Starting detached office processes, ending them with what they leave
// behind, and removing the profiles of offices that have ended, with small
// shell scripts and a fake office standing in for the office.

#include "errors/Errors.h"
#include "export/libreoffice/OfficeProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tarvex;

namespace {

// A shell that runs `script` with `marker` as its first argument ($0) and
// keeps its own command line while it runs.
qint64 startShell(const QString& script, const QString& marker, QStringList env = {}) {
    if (env.isEmpty())
        env = office::environmentWithout({});
    return office::startDetached("/bin/sh", {"-c", script + "; :", marker}, env);
}

QByteArray readProc(qint64 pid, const char* what) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(what));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A listening Unix-domain socket at path in this process; -1 on failure.
int listenAt(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, QFile::encodeName(path).constData());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 1) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The fake office started as the plugin starts an office, with its profile in
// parent; its pid and socket paths as it records them.
struct FakeOffice {
    qint64 launcher = 0; // as started
    qint64 pid = 0;      // as it recorded itself (0 when it did not)
    QString profile;
    QStringList sockets;
};

FakeOffice startFakeOffice(const QString& parent, const QString& record) {
    FakeOffice office;
    QFile::remove(record);
    office.profile = office::makeProfile(parent);
    qputenv("TARVEX_FAKE_OFFICE_RECORD", QFile::encodeName(record));
    const qint64 launcher = office.launcher = office::startDetached(
        TARVEX_FAKE_OFFICE,
        {office::profileArgument(office.profile),
         QStringLiteral("--accept=pipe,name=tarvex-test-%1;urp;").arg(::getpid())},
        office::environmentWithout({}));
    qunsetenv("TARVEX_FAKE_OFFICE_RECORD");
    QFile file(record);
    for (int i = 0; i < 200 && !(file.exists() && file.size() > 0); ++i)
        QTest::qWait(25);
    if (file.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        office.pid = lines.value(0).toLongLong();
        office.sockets = lines.mid(1);
    }
    if (office.pid != launcher)
        office.pid = 0;
    return office;
}

} // namespace

class TestOfficeProcess : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<qint64> m_started;

    // Ends the process group led by `pid` when the test case ends.
    qint64 endAfterwards(qint64 pid) {
        m_started.append(pid);
        return pid;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanupTestCase() {
        for (qint64 pid : m_started)
            office::killGroup(pid);
    }

    void startsDetachedInASessionOfItsOwn() {
        // A descriptor that a careless start would hand on.
        const int leaky = ::open("/dev/null", O_RDONLY);
        QVERIFY(leaky >= 0);
        const QString marker = QStringLiteral("office-marker-1");
        const qint64 pid = endAfterwards(
            startShell("sleep 60", marker, {"TARVEX_PROBE=yes", "PATH=/usr/bin:/bin"}));
        ::close(leaky);

        QTRY_VERIFY(office::isRunning(pid, marker));
        QVERIFY(::getsid(static_cast<pid_t>(pid)) != ::getsid(0));
        QCOMPARE(qint64(::getpgid(static_cast<pid_t>(pid))), pid);
        // Not a child of this process.
        const QList<QByteArray> stat = readProc(pid, "stat").split(' ');
        QVERIFY(stat.size() > 3);
        QVERIFY(stat[3].toLongLong() != qint64(::getpid()));
        // Only standard input, output and error, all on /dev/null.
        const QStringList fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        QCOMPARE(fds, (QStringList{"0", "1", "2"}));
        for (const QString& fd : fds)
            QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)),
                     QStringLiteral("/dev/null"));
        // Exactly the environment given.
        QList<QByteArray> env = readProc(pid, "environ").split('\0');
        env.removeAll(QByteArray());
        // sh adds PWD of its own.
        env.removeIf([](const QByteArray& e) { return e.startsWith("PWD="); });
        QCOMPARE(env, (QList<QByteArray>{"TARVEX_PROBE=yes", "PATH=/usr/bin:/bin"}));
        QVERIFY(!office::isRunning(pid, "another-marker"));

        QVERIFY(office::isGroupRunning(pid));
        office::killGroup(pid);
        // The shell and its sleep, both.
        QVERIFY(!office::isGroupRunning(pid));
        QVERIFY(!office::isRunning(pid, marker));
    }

    void programThatCannotStartRaisesWithTheReason() {
        try {
            office::startDetached("/nonexistent/soffice", {}, office::environmentWithout({}));
            QFAIL("started a program that does not exist");
        } catch (const SpreadsheetError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains("/nonexistent/soffice"), e.what());
            QVERIFY2(QString::fromUtf8(e.what()).contains(QString::fromLocal8Bit(strerror(ENOENT))),
                     e.what());
        }
    }

    void environmentLeavesOutTheEntriesNamed() {
        qputenv("TARVEX_OFFICE_TEST_VAR", "1");
        const QStringList env = office::environmentWithout({"TARVEX_OFFICE_TEST_VAR"});
        QVERIFY(env.filter(QRegularExpression("^TARVEX_OFFICE_TEST_VAR=")).isEmpty());
        QVERIFY(!env.filter(QRegularExpression("^PATH=")).isEmpty());
        qunsetenv("TARVEX_OFFICE_TEST_VAR");
    }

    void profilesAreMadeAndRecordTheirOffice() {
        const QString parent = QDir(m_dir.path()).filePath("profiles");
        QVERIFY(QDir().mkpath(parent));
        const QString profile = office::makeProfile(parent);
        QVERIFY(QFileInfo(profile).isDir());
        QVERIFY(QFileInfo(profile).fileName().startsWith("tarvex-office-"));
        QCOMPARE(QFileInfo(profile).absolutePath(), QDir(parent).absolutePath());
        QVERIFY(office::makeProfile(parent) != profile);
        office::writePidFile(profile, 4321, "tarvex-1-ab");
        QFile pidFile(QDir(profile).filePath("tarvex-office.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        QCOMPARE(pidFile.readAll(), QByteArray("4321\ntarvex-1-ab\n"));
        QCOMPARE(office::profileArgument("/tmp/tarvex-office-ab12"),
                 QStringLiteral("-env:UserInstallation=file:///tmp/tarvex-office-ab12"));
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, office::makeProfile("/nonexistent/dir"));
    }

    void staleProfilesAreRemoved() {
        const QString parent = QDir(m_dir.path()).filePath("stale");
        QVERIFY(QDir().mkpath(parent));
        auto make = [&](const QString& name, const QByteArray& pid) {
            const QString path = QDir(parent).filePath(name);
            QDir().mkpath(path + "/user");
            if (!pid.isNull()) {
                QFile f(path + "/tarvex-office.pid");
                f.open(QIODevice::WriteOnly);
                f.write(pid);
            }
            return path;
        };
        // An office that has ended.
        const qint64 ended = office::startDetached("/bin/true", {}, office::environmentWithout({}));
        QTRY_VERIFY(!office::isRunning(ended, "/bin/true"));
        const QString endedProfile = make("tarvex-office-ended", QByteArray::number(ended));
        // An office that runs with its profile.
        const QString runningProfile = QDir(parent).filePath("tarvex-office-running");
        const qint64 running =
            endAfterwards(startShell("sleep 60", office::profileArgument(runningProfile)));
        make("tarvex-office-running", QByteArray::number(running));
        QTRY_VERIFY(office::isRunning(running, office::profileArgument(runningProfile)));
        // A live process that is not its office (the pid was given again).
        const QString reusedProfile = make("tarvex-office-reused", QByteArray::number(::getpid()));
        const QString garbledProfile = make("tarvex-office-garbled", "not a pid");
        // Being set up: no pid file yet.
        const QString newProfile = make("tarvex-office-new", QByteArray());
        // Not ours.
        const QString other = make("other-dir", "1");

        office::removeStaleProfiles(parent);
        QVERIFY(!QFileInfo::exists(endedProfile));
        QVERIFY(QFileInfo::exists(runningProfile));
        QVERIFY(!QFileInfo::exists(reusedProfile));
        QVERIFY(!QFileInfo::exists(garbledProfile));
        QVERIFY(QFileInfo::exists(newProfile));
        QVERIFY(QFileInfo::exists(other));

        // Past its time for setting up, a profile without an office goes too.
        office::removeStaleProfiles(parent, std::chrono::seconds(-1));
        QVERIFY(!QFileInfo::exists(newProfile));
        QVERIFY(QFileInfo::exists(runningProfile));

        office::killGroup(running);
        QTRY_VERIFY(!office::isRunning(running, office::profileArgument(runningProfile)));
        office::removeStaleProfiles(parent);
        QVERIFY(!QFileInfo::exists(runningProfile));
        QVERIFY(QFileInfo::exists(other));
    }

    void stalePipesAreRemovedOnlyWhenNobodyListens() {
        const QString name = QStringLiteral("tarvex-test-%1-pipe").arg(::getpid());
        const QString path = office::pipeSocketPath(name);
        QCOMPARE(path, QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(name));
        QVERIFY(!office::removeStalePipe(name)); // none there

        // The pipe of an office whose launcher has ended, named in its profile.
        const QString parent = QDir(m_dir.path()).filePath("pipes");
        QVERIFY(QDir().mkpath(parent));
        const QString profile = office::makeProfile(parent);
        const qint64 ended = office::startDetached("/bin/true", {}, office::environmentWithout({}));
        office::writePidFile(profile, ended, name);
        QTRY_VERIFY(!office::isGroupRunning(ended));

        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(path).constData());
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::listen(listener, 1), 0);
        // Something still listens on it: the office is not gone yet.
        QVERIFY(!office::removeStalePipe(name));
        office::removeStaleProfiles(parent);
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(QFileInfo::exists(profile));

        ::close(listener);
        office::removeStaleProfiles(parent);
        QVERIFY(!QFileInfo::exists(profile));
        QVERIFY(!QFileInfo::exists(path));

        // Only sockets, and only names of a single file.
        QFile plain(path);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(!office::removeStalePipe(name));
        QVERIFY(QFile::remove(path));
        QVERIFY(!office::removeStalePipe("../" + name));
    }

    // The sockets a process group listens on, as /proc tells: not those it
    // only connects with, nor those of other groups.
    void listeningSocketsAreFoundOnTheGroup() {
        const QString listening =
            office::pipeSocketPath(QStringLiteral("tarvex-listen-%1").arg(::getpid()));
        const int fd = listenAt(listening);
        QVERIFY(fd >= 0);
        const int connected = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(listening).constData());
        QCOMPARE(::connect(connected, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const QStringList own = office::listeningSockets(::getpgid(0));
        QVERIFY(own.contains(listening));
        QCOMPARE(own.count(listening), 1);
        const qint64 other = endAfterwards(startShell("sleep 60", "other-group"));
        QVERIFY(!office::listeningSockets(other).contains(listening));
        ::close(connected);
        ::close(fd);
        QVERIFY(QFile::remove(listening));
    }

    // Ending an office leaves nothing: its whole group is gone (also when it
    // does not end when asked), its pipes and its profile are removed.
    void endingAnOfficeLeavesNothingBehind_data() {
        QTest::addColumn<int>("graceMs");
        QTest::newRow("forced at once") << 0;
        QTest::newRow("asked first") << 300;
    }
    void endingAnOfficeLeavesNothingBehind() {
        QFETCH(int, graceMs);
        const QString parent = QDir(m_dir.path()).filePath(QStringLiteral("end-%1").arg(graceMs));
        QVERIFY(QDir().mkpath(parent));
        const FakeOffice fake =
            startFakeOffice(parent, QDir(m_dir.path()).filePath("fake-office.record"));
        endAfterwards(fake.launcher);
        QVERIFY(fake.pid > 0);
        QCOMPARE(fake.sockets.size(), 2);
        QTRY_COMPARE(office::listeningSockets(fake.pid).size(), 2);
        for (const QString& socket : fake.sockets)
            QVERIFY(office::listeningSockets(fake.pid).contains(socket));
        QVERIFY(QFileInfo::exists(fake.profile + "/user/registrymodifications.xcu"));

        office::endOffice(fake.pid, fake.profile, {}, std::chrono::milliseconds(graceMs));
        QVERIFY(!office::isGroupRunning(fake.pid));
        for (const QString& socket : fake.sockets)
            QVERIFY2(!QFileInfo::exists(socket), qPrintable(socket));
        QVERIFY(!QFileInfo::exists(fake.profile));
        QCOMPARE(QDir(parent).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    // The sockets named in a pid file go with a stale profile; sockets that
    // are not LibreOffice's pipes, and pipes somebody listens on, stay.
    void socketsOfAnEndedOfficeAreRemovedWithItsProfile() {
        const QString parent = QDir(m_dir.path()).filePath("sockets");
        QVERIFY(QDir().mkpath(parent));
        const QString profile = office::makeProfile(parent);
        const qint64 ended = office::startDetached("/bin/true", {}, office::environmentWithout({}));
        QTRY_VERIFY(!office::isGroupRunning(ended));
        const QString stale =
            office::pipeSocketPath(QStringLiteral("tarvex-stale-%1").arg(::getpid()));
        const QString foreign = QDir(m_dir.path()).filePath("not-a-pipe");
        for (const QString& path : {stale, foreign}) {
            const int fd = listenAt(path);
            QVERIFY(fd >= 0);
            ::close(fd); // bound, nobody listening
        }
        office::writePidFile(profile, ended, "tarvex-none", {stale, foreign});
        QFile pidFile(QDir(profile).filePath("tarvex-office.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        QCOMPARE(pidFile.readAll(), QByteArray::number(ended) + "\ntarvex-none\n" +
                                        QFile::encodeName(stale) + '\n' +
                                        QFile::encodeName(foreign) + '\n');
        pidFile.close();
        QVERIFY(!office::removeStaleSocket(foreign));
        office::removeStaleProfiles(parent);
        QVERIFY(!QFileInfo::exists(profile));
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(foreign));
        QVERIFY(QFile::remove(foreign));
    }
};

QTEST_GUILESS_MAIN(TestOfficeProcess)
#include "tst_officeprocess.moc"
