// The serial link over real pseudo-terminals: chunking of received bytes,
// frames reaching the other end, open and close, hang-up, trace log.
#include "support/SerialTestSupport.h"

#include "serial/SerialLink.h"
#include "serial/SystemError.h"

#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>

using namespace tarvex;

namespace {

// One piece of what the device sends: bytes, then a pause.
struct Segment {
    QByteArray bytes;
    int pauseMs = 0;
};

} // namespace

Q_DECLARE_METATYPE(QList<Segment>)

class TestSerialLink : public QObject {
    Q_OBJECT

    TemporaryLockDirectory m_locks; // the ports' lock files go there

    // A link wired to a pseudo-terminal, with a recorder attached.
    struct Rig {
        PtyPair pty;
        SerialLink link;
        LinkRecorder rec;

        explicit Rig(const SerialTimeouts& timeouts = {}) {
            rec.attach(link);
            link.setCommPort(pty.slavePath());
            link.setTimeouts(timeouts);
        }
        bool open() {
            if (!pty.isOpen() || !link.open())
                return false;
            // Let the receive thread issue its first read before the device talks.
            QTest::qWait(150);
            return true;
        }
    };

private slots:
    void receivedBytesAreCutIntoChunksAtPauses_data() {
        QTest::addColumn<QList<Segment>>("segments");
        QTest::addColumn<QList<qsizetype>>("sizes");
        const QByteArray answer = pattern(26, 1);
        QTest::newRow("one burst") << QList<Segment>{{answer, 0}} << QList<qsizetype>{26};
        QTest::newRow("pause after byte 10")
            << QList<Segment>{{answer.left(10), 100}, {answer.mid(10), 0}}
            << QList<qsizetype>{10, 16};
        QTest::newRow("two answers 30 ms apart")
            << QList<Segment>{{answer, 30}, {pattern(26, 2), 0}} << QList<qsizetype>{52};
        QTest::newRow("3000 bytes")
            << QList<Segment>{{pattern(3000, 3), 0}} << QList<qsizetype>{2048, 952};
        QTest::newRow("two answers 200 ms apart")
            << QList<Segment>{{answer, 200}, {pattern(26, 2), 0}} << QList<qsizetype>{26, 26};
    }
    void receivedBytesAreCutIntoChunksAtPauses() {
        QFETCH(QList<Segment>, segments);
        QFETCH(QList<qsizetype>, sizes);
        Rig rig;
        QVERIFY(rig.open());
        QByteArray sent;
        for (const auto& s : segments) {
            rig.pty.write(s.bytes);
            sent += s.bytes;
            if (s.pauseMs)
                QThread::msleep(static_cast<unsigned long>(s.pauseMs));
        }
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.bytes(), sent.size(), 10000);
        QCOMPARE(rig.rec.sizes(), sizes);
        QCOMPARE(rig.rec.chunks.join(), sent);
        QCOMPARE(rig.rec.zeroMissing, 0);
        QCOMPARE(rig.rec.hangups, 0);
    }

    void framesReachTheLineWholeAndInOrder() {
        Rig rig;
        QVERIFY(rig.open());
        QByteArray sent;
        for (int i = 0; i < 40; ++i) {
            const QByteArray frame = pattern(26, i);
            QVERIFY(rig.link.sendBytes(frame.constData(), 26));
            sent += frame;
        }
        QVERIFY(rig.link.sendBytes(nullptr, 0)); // writes nothing, and succeeds
        // Once waitUntilSent is true, every byte is at the other end already.
        QVERIFY(rig.link.waitUntilSent(10000));
        QCOMPARE(rig.pty.readNow(), sent);
    }

    void senderMayReuseItsBufferAtOnce() {
        Rig rig;
        QVERIFY(rig.open());
        unsigned char frame[26];
        for (unsigned char value : {0x11, 0x22}) {
            std::fill(std::begin(frame), std::end(frame), value);
            QVERIFY(rig.link.sendBytes(frame, 26));
        }
        std::fill(std::begin(frame), std::end(frame), 0x33);
        QCOMPARE(rig.pty.read(52, 10000), QByteArray(26, 0x11) + QByteArray(26, 0x22));
    }

    // Nothing arriving for longer than a read's total time-out is no failure:
    // reception goes on and the next answer is delivered.
    void silenceDoesNotEndReception() {
        SerialTimeouts shortReads;
        shortReads.readMsPerByte = 0;
        shortReads.readConstantMs = 100;
        Rig rig(shortReads);
        QVERIFY(rig.open());
        QTest::qWait(600); // several reads end with no byte
        QCOMPARE(rig.rec.hangups, 0);
        QVERIFY(rig.link.receiveThread()->isRunning());
        rig.pty.write(pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.sizes(), QList<qsizetype>{26}, 10000);
        QCOMPARE(rig.rec.hangups, 0);
    }

    // The device going away ends the receive thread (no spinning) with one
    // hang-up request; the link stays open until closed.
    void peerHangupGivesOneRequest() {
        Rig rig;
        QVERIFY(rig.open());
        rig.pty.write(pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks.size(), 1, 10000);
        rig.pty.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.hangups, 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.link.receiveThread()->isFinished(), 10000);
        QTest::qWait(200);
        QCOMPARE(rig.rec.hangups, 1);
        QVERIFY(rig.link.isOpen());
        rig.link.close();
        QVERIFY(!rig.link.isOpen());
    }

    // A failed open keeps the system's reason for the operator; the message
    // stays the link's own.
    void failedOpenNeedsCloseBeforeTheNextOpen_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("reason");
        QTest::newRow("missing port")
            << "/dev/tarvex-no-such-port" << QString::fromUtf8("打开串口出错!") << int(ENOENT);
        QTest::newRow("a folder") << "/dev" << QString::fromUtf8("打开串口出错!") << int(EISDIR);
        QTest::newRow("not a serial port")
            << "/dev/null" << QString::fromUtf8("该文件句柄非串口句柄!") << int(ENOTTY);
    }
    void failedOpenNeedsCloseBeforeTheNextOpen() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        QFETCH(int, reason);
        SerialLink link;
        QCOMPARE(link.lastOpenError(), 0);
        link.setCommPort(port);
        QCOMPARE(openError(link), message);
        QCOMPARE(link.lastOpenError(), reason);
        QCOMPARE(link.lastOpenErrorText(), QString::fromStdString(*systemErrorText(reason)));
        // Half open: a second open is refused until the close.
        QCOMPARE(openError(link), QString::fromUtf8("该串口被占用!"));
        QCOMPARE(link.lastOpenError(), reason);
        QVERIFY(!link.sendBytes("x", 1));
        link.close();
        QVERIFY(!link.isOpen());
        QCOMPARE(link.lastOpenError(), reason);

        // The same link then opens a real port normally.
        PtyPair pty;
        link.setCommPort(pty.slavePath());
        QVERIFY(link.open());
        QCOMPARE(link.lastOpenError(), 0);
        QVERIFY(link.lastOpenErrorText().isEmpty());
        QVERIFY(link.sendBytes("abc", 3));
        QCOMPARE(pty.read(3, 10000), QByteArray("abc"));
    }

    void openTwiceKeepsTheFirstOpen() {
        Rig rig;
        QVERIFY(rig.open());
        QCOMPARE(openError(rig.link), QString::fromUtf8("该串口被占用!"));
        QVERIFY(rig.link.sendBytes("ok", 2));
        QCOMPARE(rig.pty.read(2, 10000), QByteArray("ok"));
        rig.pty.write(pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.sizes(), QList<qsizetype>{26}, 10000);
    }

    void portHeldByAnotherLinkDoesNotOpen() {
        Rig rig;
        QVERIFY(rig.open());
        SerialLink other;
        other.setCommPort(rig.pty.slavePath());
        QCOMPARE(openError(other), QString::fromUtf8("打开串口出错!"));
        QCOMPARE(other.lastOpenError(), EBUSY);
        other.close();
        // The first one is undisturbed.
        QVERIFY(rig.link.sendBytes("ok", 2));
        QCOMPARE(rig.pty.read(2, 10000), QByteArray("ok"));
    }

    void portHeldByAnotherProcessDoesNotOpen() {
        PtyPair pty;
        QVERIFY(pty.isOpen());
        // A shell that locks the port as an exclusive user would and then
        // becomes `sleep`, which keeps the lock until it is killed. Spawned
        // without fork(), which ThreadSanitizer does not allow here.
        const QByteArray path = pty.slavePath().toLocal8Bit();
        const char* argv[] = {"sh", "-c", "exec 9<\"$0\" && flock -n 9 && exec sleep 60",
                              path.constData(), nullptr};
        pid_t holder = -1;
        QCOMPARE(posix_spawnp(&holder, "sh", nullptr, nullptr, const_cast<char**>(argv), environ),
                 0);
        // Wait until the other process holds the port.
        const int probe = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY);
        QVERIFY(probe >= 0);
        const auto heldElsewhere = [probe] {
            if (flock(probe, LOCK_EX | LOCK_NB) != 0)
                return true;
            flock(probe, LOCK_UN);
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heldElsewhere(), 10000);
        ::close(probe);

        SerialLink link;
        link.setCommPort(pty.slavePath());
        QCOMPARE(openError(link), QString::fromUtf8("打开串口出错!"));
        QCOMPARE(link.lastOpenError(), EBUSY);
        link.close();

        kill(holder, SIGKILL);
        waitpid(holder, nullptr, 0);
        QVERIFY(link.open());
        link.close();
    }

    void closedLinkSendsNothing() {
        SerialLink link;
        link.close();
        link.close();
        QVERIFY(!link.isOpen());
        QVERIFY(!link.sendBytes("x", 1));
        QVERIFY(!link.waitUntilSent(100));

        Rig rig;
        QVERIFY(rig.open());
        rig.link.close();
        rig.link.close();
        QVERIFY(!rig.link.sendBytes("x", 1));
        QVERIFY(!rig.link.waitUntilSent(100));
        QVERIFY(rig.link.receiveThread() == nullptr && rig.link.transmitThread() == nullptr);
    }

    void lineSettingsBecomeTerminalFlags_data() {
        QTest::addColumn<quint32>("baud");
        QTest::addColumn<quint8>("dataBits");
        QTest::addColumn<quint8>("parity");
        QTest::addColumn<quint8>("stopBits");
        QTest::addColumn<speed_t>("speed");
        QTest::addColumn<tcflag_t>("cflag"); // the size, parity and stop bits expected
        QTest::newRow("9600 8N1") << 9600u << quint8(8) << quint8(0) << quint8(0) << speed_t(B9600)
                                  << tcflag_t(CS8);
        QTest::newRow("4800 7O1") << 4800u << quint8(7) << quint8(1) << quint8(0) << speed_t(B4800)
                                  << tcflag_t(CS7 | PARENB | PARODD);
        QTest::newRow("19200 7E2") << 19200u << quint8(7) << quint8(2) << quint8(2)
                                   << speed_t(B19200) << tcflag_t(CS7 | PARENB | CSTOPB);
        QTest::newRow("38400 8M1.5")
            << 38400u << quint8(8) << quint8(3) << quint8(1) << speed_t(B38400)
            << tcflag_t(CS8 | PARENB | PARODD | CMSPAR | CSTOPB);
        QTest::newRow("9600 6S1") << 9600u << quint8(6) << quint8(4) << quint8(0) << speed_t(B9600)
                                  << tcflag_t(CS6 | PARENB | CMSPAR);
        // Values that cannot be expressed keep the previous ones (here 2400 7E2).
        QTest::newRow("refused values") << 12345u << quint8(9) << quint8(5) << quint8(3)
                                        << speed_t(B2400) << tcflag_t(CS7 | PARENB | CSTOPB);
    }
    void lineSettingsBecomeTerminalFlags() {
        QFETCH(quint32, baud);
        QFETCH(quint8, dataBits);
        QFETCH(quint8, parity);
        QFETCH(quint8, stopBits);
        QFETCH(speed_t, speed);
        QFETCH(tcflag_t, cflag);
        // A port as it may come: line editing, echo, output processing, 2400 7E2,
        // modem control lines watched (a carrier drop would hang the line up),
        // hardware and software flow control on.
        termios current{};
        current.c_iflag = ICRNL | IXON | IXOFF | IXANY;
        current.c_oflag = OPOST | ONLCR;
        current.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
        current.c_cflag = CS7 | PARENB | CSTOPB | HUPCL | CRTSCTS;
        cfsetispeed(&current, B2400);
        cfsetospeed(&current, B2400);

        const termios t = serialTermios(current, LineSettings{baud, dataBits, parity, stopBits});
        QCOMPARE(cfgetospeed(&t), speed);
        QCOMPARE(cfgetispeed(&t), speed);
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), cflag);
        QCOMPARE(t.c_cflag & (CREAD | CLOCAL | HUPCL), tcflag_t(CREAD | CLOCAL | HUPCL));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(t.c_iflag & (ICRNL | IXON | IXOFF | IXANY), tcflag_t(0));
        QCOMPARE(t.c_cflag & CRTSCTS, tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    }

    // A port left with flow control on by another program: after the open
    // it is a plain three-wire link. XON/XOFF bytes from the load are data,
    // and frames go out after them.
    void openTurnsFlowControlOff() {
        Rig rig;
        QVERIFY(rig.pty.isOpen());
        const int device = rig.pty.slaveFd();
        termios before{};
        QCOMPARE(tcgetattr(device, &before), 0);
        before.c_cflag |= CRTSCTS;
        before.c_iflag |= IXON | IXOFF | IXANY;
        QCOMPARE(tcsetattr(device, TCSANOW, &before), 0);
        QCOMPARE(tcgetattr(device, &before), 0);
        QCOMPARE(before.c_cflag & CRTSCTS, tcflag_t(CRTSCTS)); // the terminal kept them
        QCOMPARE(before.c_iflag & (IXON | IXOFF | IXANY), tcflag_t(IXON | IXOFF | IXANY));

        QVERIFY(rig.open());
        termios t{};
        QCOMPARE(tcgetattr(device, &t), 0);
        QCOMPARE(t.c_cflag & CRTSCTS, tcflag_t(0));
        QCOMPARE(t.c_iflag & (IXON | IXOFF | IXANY), tcflag_t(0));

        const QByteArray stopStart("\x13\x11\x13", 3); // XOFF, XON, XOFF
        rig.pty.write(stopStart);
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks.join(), stopStart, 10000);
        QByteArray sent;
        for (int i = 0; i < 4; ++i) {
            const QByteArray frame = pattern(26, 0x13 + i);
            QVERIFY(rig.link.sendBytes(frame.constData(), 26));
            sent += frame;
        }
        QVERIFY(rig.link.waitUntilSent(10000));
        QCOMPARE(rig.pty.read(sent.size(), 10000), sent);
    }

    // The open puts a terminal that starts in line-editing mode into raw
    // byte mode at the chosen speed.
    void openSetsRawModeAndSpeed() {
        PtyPair pty;
        termios cooked{};
        tcgetattr(pty.slaveFd(), &cooked);
        cooked.c_lflag |= ICANON | ECHO;
        cooked.c_oflag |= OPOST | ONLCR;
        tcsetattr(pty.slaveFd(), TCSANOW, &cooked);

        SerialLink link;
        link.setCommPort(pty.slavePath());
        link.setBaudRate(4800);
        QVERIFY(link.open());
        termios t{};
        QCOMPARE(tcgetattr(pty.slaveFd(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        // A newline goes out unchanged.
        QVERIFY(link.sendBytes("\n\n", 2));
        QCOMPARE(pty.read(2, 10000), QByteArray("\n\n"));
    }

    void portNameNamesItsDevice_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM1") << "COM1"
                              << "/dev/ttyS0";
        QTest::newRow("Com2") << "Com2"
                              << "/dev/ttyS1";
        QTest::newRow("com12") << "com12"
                               << "/dev/ttyS11";
        QTest::newRow("COM0") << "COM0"
                              << "COM0";
        QTest::newRow("COM") << "COM"
                             << "COM";
        QTest::newRow("COM1x") << "COM1x"
                               << "COM1x";
        QTest::newRow("usb") << "/dev/ttyUSB0"
                             << "/dev/ttyUSB0";
    }
    void portNameNamesItsDevice() {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(serialDevicePath(name.toStdString())), path);
    }

    // Open, send and close write their trace lines; a close of a closed
    // link writes none; the next open empties the file.
    void openSendAndCloseAreTraced() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("comms.log"));
        Rig rig;
        rig.link.setTraceFileName(file);
        QVERIFY(rig.open());
        QVERIFY(rig.link.sendBytes("x", 1));
        QVERIFY(rig.link.waitUntilSent(10000));
        rig.link.close();
        const QStringList lines = traceLines(file);
        QVERIFY2(containsInOrder(lines, {"Waiting for data from comm connection."}),
                 qPrintable(lines.join('\n')));
        QVERIFY(containsInOrder(lines, {"Waiting for a CommEvent (Error) to occur."}));
        QVERIFY(containsInOrder(lines, {"Writing to comm port", "Stopping the Comm"}));
        // Both threads see the one shut-down event, so the transmit thread
        // may end before its own closing line.
        const qsizetype stopping = lines.indexOf(QStringLiteral("Stopping the Comm"));
        QVERIFY(stopping >= 0);
        const QStringList closing = lines.mid(stopping);
        QCOMPARE(closing.size(), 5);
        QVERIFY(containsInOrder(closing, {"Stopping the Comm", "Closing Read Thread ",
                                          "Read thread shutting down", "Closing Write Thread"}));
        QVERIFY(containsInOrder(closing, {"Closing Read Thread ", "Write thread shutting down"}));
        rig.link.close();
        QCOMPARE(traceLines(file), lines);

        QVERIFY(rig.link.open());
        rig.link.close();
        const QStringList again = traceLines(file);
        QVERIFY(!again.contains(QStringLiteral("Writing to comm port")));
        QCOMPARE(again.count(QStringLiteral("Stopping the Comm")), 1);
    }

    void noTraceWithoutFileName() {
        QTemporaryDir dir;
        Rig rig;
        QVERIFY(rig.open());
        QVERIFY(rig.link.sendBytes("x", 1));
        rig.link.close();
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void traceFileThatCannotBeCreatedFailsTheOpen() {
        PtyPair pty;
        SerialLink link;
        link.setCommPort(pty.slavePath());
        link.setTraceFileName(QStringLiteral("/nonexistent-dir/comms.log"));
        QVERIFY_THROWS_EXCEPTION(TraceFileError, link.open());
        QVERIFY(!link.isOpen()); // the port was not touched
    }

    // A chunk posted just before the close is still delivered after it.
    void chunkPostedBeforeCloseIsDelivered() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("comms.log"));
        Rig rig;
        rig.link.setTraceFileName(file);
        QVERIFY(rig.open());
        rig.pty.write(pattern(26, 9));
        // Without handling events: wait until the chunk has been posted and
        // the next read issued.
        const auto posted = [&] {
            const QStringList lines = traceLines(file);
            const qsizetype got = lines.indexOf(QStringLiteral("Got something from Comm port!!!"));
            return got >= 0 &&
                   lines.indexOf(QStringLiteral("Waiting for data from comm connection."), got) >
                       got;
        };
        for (int i = 0; i < 1000 && !posted(); ++i)
            QThread::msleep(10);
        QVERIFY(posted());
        QVERIFY(rig.rec.chunks.isEmpty());
        rig.link.close();
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks, QList<QByteArray>{pattern(26, 9)}, 10000);
        QCOMPARE(rig.rec.hangups, 0);
    }

    // Leaving the link open at exit is safe: the destructor closes it.
    void destroyingAnOpenLinkClosesIt() {
        PtyPair pty;
        auto link = std::make_unique<SerialLink>();
        link->setCommPort(pty.slavePath());
        QVERIFY(link->open());
        QVERIFY(link->sendBytes("bye", 3));
        QVERIFY(link->waitUntilSent(10000));
        pty.write(pattern(26));
        link.reset();
        // The frames waited for are still there for the device to read.
        QCOMPARE(pty.readNow(), QByteArray("bye"));
        QTest::qWait(100); // nothing may arrive for the destroyed link
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
