// The lock files of serial ports, in the system's lock directory where other
// programs look: a port locked by a live process is "in use", a stale lock is
// cleared, our own lock lives as long as the port is open.
#include "support/SerialTestSupport.h"

#include "run/SerialLink.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvex;

namespace {

// How a lock file names its process.
enum class Content { TenDigits, Binary, Unpadded, QtLockFile };

QByteArray lockContent(Content how, pid_t pid) {
    switch (how) {
    case Content::TenDigits:
        return PortLockFile::tenDigits(pid);
    case Content::Binary: {
        const int value = pid;
        return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
    }
    case Content::Unpadded:
        return QByteArray::number(pid) + '\n';
    case Content::QtLockFile: // another Qt program's QLockFile
        return QByteArray::number(pid) + "\nminiterm\n" + QSysInfo::machineHostName().toUtf8() +
               '\n';
    }
    return {};
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The process id a lock file names on its first line, as other programs read
// it.
pid_t firstLinePid(const QString& path) {
    const QByteArray content = readFile(path);
    return pid_t(content.left(content.indexOf('\n')).trimmed().toLongLong());
}

} // namespace

Q_DECLARE_METATYPE(Content)

class TestSerialLinkLocks : public QObject {
    Q_OBJECT

private slots:
    void lockFileNamesTheDevice_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("name");
        QTest::newRow("USB adapter") << "/dev/ttyUSB0"
                                     << "LCK..ttyUSB0";
        QTest::newRow("Com1") << "Com1"
                              << "LCK..ttyS0";
        QTest::newRow("device in a sub-folder") << "/dev/serial/tarvex-no-such-port"
                                                << "LCK..serial_tarvex-no-such-port";
    }
    void lockFileNamesTheDevice() {
        QFETCH(QString, port);
        QFETCH(QString, name);
        const QString path = SerialLink::lockFilePath(port);
        QCOMPARE(QFileInfo(path).fileName(), name);
        QVERIFY(path == QLatin1String("/var/lock/") + name ||
                path == QLatin1String("/run/lock/") + name);
    }

    // A link to the device gives the device's own lock name, so that a
    // program opening the device itself sees our lock, and we see its.
    void lockFileFollowsSymbolicLinks() {
        PtyPair pty;
        QVERIFY(pty.isOpen());
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(QFile::link(pty.slavePath(), link));
        QCOMPARE(SerialLink::lockFilePath(link), SerialLink::lockFilePath(pty.slavePath()));
        QVERIFY(SerialLink::lockFilePath(link).endsWith(QStringLiteral("/LCK..") +
                                                        pty.slavePath().mid(5).replace('/', '_')));
    }

    // Our lock exists, naming this process, from the open until the close;
    // the port's other users (another link in this process too) are told it
    // is in use and leave the lock alone.
    void lockIsHeldWhileThePortIsOpen() {
        PtyPair pty;
        QVERIFY(pty.isOpen());
        const QString lockFile = SerialLink::lockFilePath(pty.slavePath());
        QVERIFY(!QFileInfo::exists(lockFile));
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QVERIFY(QFile::link(pty.slavePath(), link));

        auto first = std::make_unique<SerialLink>();
        first->setPortName(link); // through the link: the device's lock
        QVERIFY(first->open());
        QCOMPARE(firstLinePid(lockFile), getpid());

        SerialLink second;
        second.setPortName(pty.slavePath());
        QVERIFY(!second.open());
        QCOMPARE(second.lastOpenError(), EBUSY);
        QCOMPARE(firstLinePid(lockFile), getpid()); // not the second one's to remove

        first->close();
        QVERIFY(!QFileInfo::exists(lockFile));
        // A link destroyed while open removes its lock too.
        QVERIFY(first->open());
        QVERIFY(QFileInfo::exists(lockFile));
        first.reset();
        QVERIFY(!QFileInfo::exists(lockFile));
    }

    // A lock of a live process, in any of the forms programs write, refuses
    // the port the way a busy port is refused; the lock is left alone. Once
    // its process has ended the lock is stale and the port opens.
    void portLockedByLiveProcessIsRefused_data() {
        QTest::addColumn<Content>("content");
        QTest::addColumn<bool>("child");
        QTest::newRow("this process, ten digits") << Content::TenDigits << false;
        QTest::newRow("this process, binary") << Content::Binary << false;
        QTest::newRow("this process, unpadded") << Content::Unpadded << false;
        QTest::newRow("another process, ten digits") << Content::TenDigits << true;
        QTest::newRow("another process, binary") << Content::Binary << true;
        QTest::newRow("another Qt program") << Content::QtLockFile << true;
    }
    void portLockedByLiveProcessIsRefused() {
        QFETCH(Content, content);
        QFETCH(bool, child);
        PtyPair pty;
        QVERIFY(pty.isOpen());
        ChildProcess sleeper("sleep", "60");
        QVERIFY(sleeper.pid() > 0);
        const QByteArray lock = lockContent(content, child ? sleeper.pid() : getpid());
        PortLockFile held(pty.slavePath(), lock);
        QVERIFY(held.isWritten());

        SerialLink link;
        link.setPortName(pty.slavePath());
        QVERIFY(!link.open());
        QCOMPARE(link.lastOpenError(), EBUSY);
        QVERIFY(!link.isOpen());
        QCOMPARE(readFile(held.path()), lock);

        if (!child)
            return;
        sleeper.end();
        QVERIFY(link.open());
        QCOMPARE(firstLinePid(held.path()), getpid());
        QVERIFY(link.sendBytes("ok"));
        QCOMPARE(pty.read(2, 10000), QByteArray("ok"));
        link.close();
        QVERIFY(!QFileInfo::exists(held.path()));
    }

    // A lock left by a process that has ended, or with content that names
    // no process, is removed and the port opens with our own lock.
    void staleLockIsRemoved_data() {
        QTest::addColumn<QByteArray>("lock"); // "<ended>" stands for an ended process's id
        QTest::newRow("ended process") << QByteArray("<ended>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a number") << QByteArray("tarvex\n");
        QTest::newRow("zero") << QByteArray("         0\n");
        QTest::newRow("negative") << QByteArray("        -5\n");
        QTest::newRow("binary zero") << QByteArray(4, '\0');
        QTest::newRow("too large") << QByteArray("99999999999\n");
    }
    void staleLockIsRemoved() {
        QFETCH(QByteArray, lock);
        PtyPair pty;
        QVERIFY(pty.isOpen());
        if (lock == "<ended>") {
            ChildProcess ended("true");
            QVERIFY(ended.pid() > 0);
            ended.reap();
            QCOMPARE(kill(ended.pid(), 0), -1);
            lock = PortLockFile::tenDigits(ended.pid());
        }
        PortLockFile stale(pty.slavePath(), lock);
        QVERIFY(stale.isWritten());

        SerialLink link;
        link.setPortName(pty.slavePath());
        QVERIFY(link.open());
        QCOMPARE(link.lastOpenError(), 0);
        QCOMPARE(firstLinePid(stale.path()), getpid());
        QVERIFY(link.sendBytes("ok"));
        QCOMPARE(pty.read(2, 10000), QByteArray("ok"));
        link.close();
        QVERIFY(!QFileInfo::exists(stale.path()));
    }

    // A device that is not a serial port leaves no lock behind.
    void deviceThatIsNoPortLeavesNoLock() {
        SerialLink link;
        link.setPortName(QStringLiteral("/dev/null"));
        QVERIFY(!link.open());
        QCOMPARE(link.lastOpenError(), ENOTTY);
        QVERIFY(!QFileInfo::exists(SerialLink::lockFilePath(QStringLiteral("/dev/null"))));
    }
};

QTEST_GUILESS_MAIN(TestSerialLinkLocks)
#include "tst_seriallink_locks.moc"
