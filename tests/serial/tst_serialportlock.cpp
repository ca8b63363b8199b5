// The lock files of serial ports: a port locked by a live process is "in
// use", a stale lock is cleared, our own lock lives as long as the port is
// open. Every lock file goes to a temporary directory of the test.
#include "support/SerialTestSupport.h"

#include "serial/SerialLink.h"
#include "serial/SerialPortLock.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

using namespace tarvex;

namespace {

// How a lock file names its process.
enum class Content { TenDigits, Binary, ShortText, Text };

// A process of our own that runs until it is ended (or has ended already).
class ChildProcess {
public:
    explicit ChildProcess(const char* program, const char* argument = nullptr) {
        const char* argv[] = {program, argument, nullptr};
        if (posix_spawnp(&m_pid, program, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
    }
    ~ChildProcess() { end(); }
    pid_t pid() const { return m_pid; }
    void end() {
        if (m_pid <= 0 || m_ended)
            return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_ended = true;
    }
    // Waits until the child has ended by itself and is gone from the system.
    void reap() {
        if (m_pid > 0 && !m_ended)
            waitpid(m_pid, nullptr, 0);
        m_ended = true;
    }

private:
    pid_t m_pid = -1;
    bool m_ended = false;
};

QByteArray lockContent(Content how, pid_t pid) {
    switch (how) {
    case Content::TenDigits:
        return QByteArray::number(pid).rightJustified(10, ' ') + '\n';
    case Content::Binary: {
        const int value = pid;
        return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
    }
    case Content::ShortText:
        return QByteArray::number(pid) + '\n';
    case Content::Text:
        break;
    }
    return {};
}

QByteArray ourLockContent() {
    return lockContent(Content::TenDigits, getpid());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The lock file's name for a pseudo-terminal: "LCK..pts_<n>".
QString lockNameOf(const PtyPair& pty) {
    QString name = pty.slavePath().mid(QStringLiteral("/dev/").size());
    name.replace('/', '_');
    return "LCK.." + name;
}

} // namespace

Q_DECLARE_METATYPE(Content)

class TestSerialPortLock : public QObject {
    Q_OBJECT

private slots:
    void fileNameNamesTheDevice_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("USB adapter") << "/dev/ttyUSB0"
                                     << "LCK..ttyUSB0";
        QTest::newRow("device in a sub-folder") << "/dev/serial/tarvex-no-such-port"
                                                << "LCK..serial_tarvex-no-such-port";
        QTest::newRow("outside /dev") << "/tmp/tarvex-no-such-port" << QString();
        QTest::newRow("/dev alone") << "/dev/" << QString();
    }
    void fileNameNamesTheDevice() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(SerialPortLock::fileNameFor(path.toStdString())), name);
    }

    // A link to the device gives the device's own lock name, so that a
    // program opening the device itself sees our lock.
    void fileNameFollowsSymbolicLinks() {
        PtyPair pty;
        QVERIFY(pty.isOpen());
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(QFile::link(pty.slavePath(), link));
        QCOMPARE(QString::fromStdString(SerialPortLock::fileNameFor(link.toStdString())),
                 lockNameOf(pty));
        QVERIFY(lockNameOf(pty).startsWith(QStringLiteral("LCK..pts_")));
    }

    // Our lock exists, in the common form, from the open until the close;
    // the port's other users (another link in this process too) are told
    // it is in use.
    void lockIsHeldWhileThePortIsOpen() {
        TemporaryLockDirectory locks;
        PtyPair pty;
        QVERIFY(pty.isOpen());
        const QString lockFile = locks.filePath(lockNameOf(pty));
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(QFile::link(pty.slavePath(), link));

        auto first = std::make_unique<SerialLink>();
        first->setCommPort(link); // through the link: the device's lock
        QVERIFY(first->open());
        QCOMPARE(readFile(lockFile), ourLockContent());
        struct stat st {};
        QCOMPARE(::stat(lockFile.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0644));

        SerialLink second;
        second.setCommPort(pty.slavePath());
        QCOMPARE(openError(second), QString::fromUtf8("打开串口出错!"));
        QCOMPARE(second.lastOpenError(), EBUSY);
        second.close();
        QVERIFY(QFileInfo::exists(lockFile)); // not the second one's to remove

        first->close();
        QVERIFY(!QFileInfo::exists(lockFile));
        // A link destroyed while open removes its lock too.
        QVERIFY(first->open());
        QVERIFY(QFileInfo::exists(lockFile));
        first.reset();
        QVERIFY(!QFileInfo::exists(lockFile));
        QVERIFY(QDir(locks.path()).isEmpty());
    }

    // A lock of a live process, in any of the forms programs write, refuses
    // the port the way a busy port is refused; the lock is left alone.
    void portLockedByLiveProcessIsRefused_data() {
        QTest::addColumn<Content>("content");
        QTest::addColumn<bool>("child");
        QTest::newRow("this process, ten digits") << Content::TenDigits << false;
        QTest::newRow("this process, binary") << Content::Binary << false;
        QTest::newRow("this process, unpadded") << Content::ShortText << false;
        QTest::newRow("another process") << Content::TenDigits << true;
    }
    void portLockedByLiveProcessIsRefused() {
        QFETCH(Content, content);
        QFETCH(bool, child);
        TemporaryLockDirectory locks;
        PtyPair pty;
        QVERIFY(pty.isOpen());
        ChildProcess sleeper("sleep", "60");
        QVERIFY(sleeper.pid() > 0);
        const pid_t holder = child ? sleeper.pid() : getpid();
        const QString lockFile = locks.filePath(lockNameOf(pty));
        const QByteArray lock = lockContent(content, holder);
        QVERIFY(writeFile(lockFile, lock));

        SerialLink link;
        link.setCommPort(pty.slavePath());
        QCOMPARE(openError(link), QString::fromUtf8("打开串口出错!"));
        QCOMPARE(link.lastOpenError(), EBUSY);
        link.close();
        QCOMPARE(readFile(lockFile), lock);

        // The holder ends: its lock is stale now, and the port opens.
        if (!child)
            return;
        sleeper.end();
        QVERIFY(link.open());
        QCOMPARE(readFile(lockFile), ourLockContent());
        QVERIFY(link.sendBytes("ok", 2));
        QCOMPARE(pty.read(2, 10000), QByteArray("ok"));
        link.close();
        QVERIFY(!QFileInfo::exists(lockFile));
    }

    // A lock left by a process that has ended, or with content that names
    // no process, is removed and the port opens with our own lock.
    void staleLockIsRemoved_data() {
        QTest::addColumn<QByteArray>("lock"); // "<dead>" stands for an ended process's id
        QTest::newRow("ended process") << QByteArray("<dead>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a number") << QByteArray("tarvex\n");
        QTest::newRow("zero") << QByteArray("         0\n");
        QTest::newRow("negative") << QByteArray("        -5\n");
        QTest::newRow("binary zero") << QByteArray(4, '\0');
        QTest::newRow("too large") << QByteArray("99999999999\n");
    }
    void staleLockIsRemoved() {
        QFETCH(QByteArray, lock);
        TemporaryLockDirectory locks;
        PtyPair pty;
        QVERIFY(pty.isOpen());
        if (lock == "<dead>") {
            ChildProcess ended("true");
            QVERIFY(ended.pid() > 0);
            ended.reap();
            QCOMPARE(kill(ended.pid(), 0), -1);
            lock = lockContent(Content::TenDigits, ended.pid());
        }
        const QString lockFile = locks.filePath(lockNameOf(pty));
        QVERIFY(writeFile(lockFile, lock));

        SerialLink link;
        link.setCommPort(pty.slavePath());
        QVERIFY(link.open());
        QCOMPARE(link.lastOpenError(), 0);
        QCOMPARE(readFile(lockFile), ourLockContent());
        QVERIFY(link.sendBytes("ok", 2));
        QCOMPARE(pty.read(2, 10000), QByteArray("ok"));
        link.close();
        QVERIFY(!QFileInfo::exists(lockFile));
    }

    // Without a lock directory that can be written the port still opens
    // (with no lock of ours), and a later open finds nothing left behind.
    void unwritableLockDirectoryDoesNotStopTheOpen_data() {
        QTest::addColumn<QString>("directory"); // relative to a temporary folder
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("a file, not a folder") << "file";
    }
    void unwritableLockDirectoryDoesNotStopTheOpen() {
        QFETCH(QString, directory);
        QTemporaryDir base;
        QVERIFY(writeFile(base.filePath(QStringLiteral("file")), "x"));
        TemporaryLockDirectory locks; // restores the default at the end
        SerialPortLock::setDirectory(base.filePath(directory).toStdString());
        PtyPair pty;
        QVERIFY(pty.isOpen());
        for (int round = 0; round < 2; ++round) {
            SerialLink link;
            link.setCommPort(pty.slavePath());
            QVERIFY(link.open());
            QVERIFY(link.sendBytes("ok", 2));
            QCOMPARE(pty.read(2, 10000), QByteArray("ok"));
        }
        QCOMPARE(QDir(base.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("file")});
    }

    // A device that is not a serial port keeps no lock while the link is
    // half open.
    void deviceThatIsNoPortKeepsNoLock() {
        TemporaryLockDirectory locks;
        SerialLink link;
        link.setCommPort(QStringLiteral("/dev/null"));
        QCOMPARE(openError(link), QString::fromUtf8("该文件句柄非串口句柄!"));
        QVERIFY(QDir(locks.path()).isEmpty());
        link.close();
    }
};

QTEST_GUILESS_MAIN(TestSerialPortLock)
#include "tst_serialportlock.moc"
