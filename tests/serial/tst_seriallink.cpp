// The serial component over real pseudo-terminals: chunking of received
// bytes, frames reaching the other end, open and close, hang-up, trace log.
#include "support/SerialTestSupport.h"

#include "serial/SerialLink.h"

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

QString Message(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

QString OpenError(TComm32& comm) {
    try {
        comm.OpenPort();
    } catch (const SerialError& e) {
        return Message(e);
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(QList<Segment>)

class TestComm32 : public QObject {
    Q_OBJECT

    // An open component wired to a pseudo-terminal.
    struct Link {
        PtyPair pty;
        TComm32 comm;
        CommRecorder rec;

        explicit Link(const TCommTimeouts& timeouts = {}) {
            rec.Attach(comm);
            comm.SetCommPort(pty.SlavePath());
            comm.SetTimeouts(timeouts);
        }
        bool Open() {
            if (!pty.Ok() || !comm.OpenPort())
                return false;
            // Let the receive thread issue its first read before the device talks.
            QTest::qWait(150);
            return true;
        }
    };

private slots:
    void chunking_data() {
        QTest::addColumn<QList<Segment>>("segments");
        QTest::addColumn<QList<qsizetype>>("sizes");
        const QByteArray answer = Pattern(26, 1);
        QTest::newRow("one burst") << QList<Segment>{{answer, 0}} << QList<qsizetype>{26};
        QTest::newRow("pause after byte 10")
            << QList<Segment>{{answer.left(10), 100}, {answer.mid(10), 0}}
            << QList<qsizetype>{10, 16};
        QTest::newRow("two answers 30 ms apart")
            << QList<Segment>{{answer, 30}, {Pattern(26, 2), 0}} << QList<qsizetype>{52};
        QTest::newRow("3000 bytes")
            << QList<Segment>{{Pattern(3000, 3), 0}} << QList<qsizetype>{2048, 952};
        QTest::newRow("two answers 200 ms apart")
            << QList<Segment>{{answer, 200}, {Pattern(26, 2), 0}} << QList<qsizetype>{26, 26};
    }
    void chunking() {
        QFETCH(QList<Segment>, segments);
        QFETCH(QList<qsizetype>, sizes);
        Link link;
        QVERIFY(link.Open());
        QByteArray sent;
        for (const auto& s : segments) {
            link.pty.Write(s.bytes);
            sent += s.bytes;
            if (s.pauseMs)
                QThread::msleep(static_cast<unsigned long>(s.pauseMs));
        }
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.Bytes(), sent.size(), 10000);
        QCOMPARE(link.rec.Sizes(), sizes);
        QCOMPARE(link.rec.chunks.join(), sent);
        QCOMPARE(link.rec.zeroMissing, 0);
        QCOMPARE(link.rec.hangups, 0);
    }

    void framesReachTheLineWholeAndInOrder() {
        Link link;
        QVERIFY(link.Open());
        QByteArray sent;
        for (int i = 0; i < 40; ++i) {
            const QByteArray frame = Pattern(26, i);
            QVERIFY(link.comm.SendBytes(frame.constData(), 26));
            sent += frame;
        }
        QVERIFY(link.comm.SendBytes(nullptr, 0)); // writes nothing, and succeeds
        // Once WaitUntilSent is true, every byte is at the other end already.
        QVERIFY(link.comm.WaitUntilSent(10000));
        QCOMPARE(link.pty.ReadNow(), sent);
    }

    void senderMayReuseItsBufferAtOnce() {
        Link link;
        QVERIFY(link.Open());
        unsigned char frame[26];
        for (unsigned char value : {0x11, 0x22}) {
            std::fill(std::begin(frame), std::end(frame), value);
            QVERIFY(link.comm.SendBytes(frame, 26));
        }
        std::fill(std::begin(frame), std::end(frame), 0x33);
        QCOMPARE(link.pty.Read(52, 10000), QByteArray(26, 0x11) + QByteArray(26, 0x22));
    }

    // Nothing arriving for longer than a read's total time-out is no failure:
    // reception goes on and the next answer is delivered.
    void silenceDoesNotEndReception() {
        TCommTimeouts shortReads;
        shortReads.ReadTotalTimeoutMultiplier = 0;
        shortReads.ReadTotalTimeoutConstant = 100;
        Link link(shortReads);
        QVERIFY(link.Open());
        QTest::qWait(600); // several reads end with no byte
        QCOMPARE(link.rec.hangups, 0);
        QVERIFY(link.comm.ReadThread()->isRunning());
        link.pty.Write(Pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.Sizes(), QList<qsizetype>{26}, 10000);
        QCOMPARE(link.rec.hangups, 0);
    }

    // The device going away ends the receive thread (no spinning) with one
    // hang-up request; the component stays open until closed.
    void peerHangupGivesOneRequest() {
        Link link;
        QVERIFY(link.Open());
        link.pty.Write(Pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.chunks.size(), 1, 10000);
        link.pty.HangUp();
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.hangups, 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(link.comm.ReadThread()->isFinished(), 10000);
        QTest::qWait(200);
        QCOMPARE(link.rec.hangups, 1);
        QVERIFY(link.comm.IsOpen());
        link.comm.ClosePort();
        QVERIFY(!link.comm.IsOpen());
    }

    void openErrors_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing port")
            << "/dev/tarvex-no-such-port" << QString::fromUtf8("打开串口出错!");
        QTest::newRow("not a serial port")
            << "/dev/null" << QString::fromUtf8("该文件句柄非串口句柄!");
    }
    void openErrors() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        TComm32 comm;
        comm.SetCommPort(port);
        QCOMPARE(OpenError(comm), message);
        // Half open: a second open is refused until the close.
        QCOMPARE(OpenError(comm), QString::fromUtf8("该串口被占用!"));
        QVERIFY(!comm.SendBytes("x", 1));
        comm.ClosePort();
        QVERIFY(!comm.IsOpen());

        // The same component then opens a real port normally.
        PtyPair pty;
        comm.SetCommPort(pty.SlavePath());
        QVERIFY(comm.OpenPort());
        QVERIFY(comm.SendBytes("abc", 3));
        QCOMPARE(pty.Read(3, 10000), QByteArray("abc"));
    }

    void openTwiceKeepsTheFirstOpen() {
        Link link;
        QVERIFY(link.Open());
        QCOMPARE(OpenError(link.comm), QString::fromUtf8("该串口被占用!"));
        QVERIFY(link.comm.SendBytes("ok", 2));
        QCOMPARE(link.pty.Read(2, 10000), QByteArray("ok"));
        link.pty.Write(Pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.Sizes(), QList<qsizetype>{26}, 10000);
    }

    void portInUseByAnotherComponent() {
        Link link;
        QVERIFY(link.Open());
        TComm32 other;
        other.SetCommPort(link.pty.SlavePath());
        QCOMPARE(OpenError(other), QString::fromUtf8("打开串口出错!"));
        other.ClosePort();
        // The first one is undisturbed.
        QVERIFY(link.comm.SendBytes("ok", 2));
        QCOMPARE(link.pty.Read(2, 10000), QByteArray("ok"));
    }

    void portInUseByAnotherProcess() {
        PtyPair pty;
        QVERIFY(pty.Ok());
        // A shell that locks the port as an exclusive user would and then
        // becomes `sleep`, which keeps the lock until it is killed. Spawned
        // without fork(), which ThreadSanitizer does not allow here.
        const QByteArray path = pty.SlavePath().toLocal8Bit();
        const char* argv[] = {"sh", "-c", "exec 9<\"$0\" && flock -n 9 && exec sleep 60",
                              path.constData(), nullptr};
        pid_t holder = -1;
        QCOMPARE(posix_spawnp(&holder, "sh", nullptr, nullptr, const_cast<char**>(argv), environ),
                 0);
        // Wait until the other process holds the port.
        const int probe = ::open(pty.SlavePath().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY);
        QVERIFY(probe >= 0);
        const auto heldElsewhere = [probe] {
            if (flock(probe, LOCK_EX | LOCK_NB) != 0)
                return true;
            flock(probe, LOCK_UN);
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heldElsewhere(), 10000);
        ::close(probe);

        TComm32 comm;
        comm.SetCommPort(pty.SlavePath());
        QCOMPARE(OpenError(comm), QString::fromUtf8("打开串口出错!"));
        comm.ClosePort();

        kill(holder, SIGKILL);
        waitpid(holder, nullptr, 0);
        QVERIFY(comm.OpenPort());
        comm.ClosePort();
    }

    void closedComponent() {
        TComm32 comm;
        comm.ClosePort();
        comm.ClosePort();
        QVERIFY(!comm.IsOpen());
        QVERIFY(!comm.SendBytes("x", 1));
        QVERIFY(!comm.WaitUntilSent(100));

        Link link;
        QVERIFY(link.Open());
        link.comm.ClosePort();
        link.comm.ClosePort();
        QVERIFY(!link.comm.SendBytes("x", 1));
        QVERIFY(!link.comm.WaitUntilSent(100));
        QVERIFY(link.comm.ReadThread() == nullptr && link.comm.WriteThread() == nullptr);
    }

    void lineSettings_data() {
        QTest::addColumn<quint32>("baud");
        QTest::addColumn<quint8>("byteSize");
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
    void lineSettings() {
        QFETCH(quint32, baud);
        QFETCH(quint8, byteSize);
        QFETCH(quint8, parity);
        QFETCH(quint8, stopBits);
        QFETCH(speed_t, speed);
        QFETCH(tcflag_t, cflag);
        // A port as it may come: line editing, echo, output processing, 2400 7E2,
        // modem control lines watched (a carrier drop would hang the line up).
        termios current{};
        current.c_iflag = ICRNL | IXON;
        current.c_oflag = OPOST | ONLCR;
        current.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
        current.c_cflag = CS7 | PARENB | CSTOPB | HUPCL;
        cfsetispeed(&current, B2400);
        cfsetospeed(&current, B2400);

        const termios t = SerialTermios(current, TLineSettings{baud, byteSize, parity, stopBits});
        QCOMPARE(cfgetospeed(&t), speed);
        QCOMPARE(cfgetispeed(&t), speed);
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), cflag);
        QCOMPARE(t.c_cflag & (CREAD | CLOCAL | HUPCL), tcflag_t(CREAD | CLOCAL | HUPCL));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(t.c_iflag & (ICRNL | IXON), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    }

    // The open puts a terminal that starts in line-editing mode into raw
    // byte mode at the chosen speed.
    void openSetsRawModeAndSpeed() {
        PtyPair pty;
        termios cooked{};
        tcgetattr(pty.SlaveFd(), &cooked);
        cooked.c_lflag |= ICANON | ECHO;
        cooked.c_oflag |= OPOST | ONLCR;
        tcsetattr(pty.SlaveFd(), TCSANOW, &cooked);

        TComm32 comm;
        comm.SetCommPort(pty.SlavePath());
        comm.SetBaudRate(4800);
        QVERIFY(comm.OpenPort());
        termios t{};
        QCOMPARE(tcgetattr(pty.SlaveFd(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        // A newline goes out unchanged.
        QVERIFY(comm.SendBytes("\n\n", 2));
        QCOMPARE(pty.Read(2, 10000), QByteArray("\n\n"));
    }

    void devicePath_data() {
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
    void devicePath() {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(SerialDevicePath(name.toStdString())), path);
    }

    // Open, send and close write their trace lines; a close of a closed
    // component writes none; the next open empties the file.
    void traceOfOpenSendClose() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("comms.log"));
        Link link;
        link.comm.SetCommsLogFileName(file);
        QVERIFY(link.Open());
        QVERIFY(link.comm.SendBytes("x", 1));
        QVERIFY(link.comm.WaitUntilSent(10000));
        link.comm.ClosePort();
        const QStringList lines = TraceLines(file);
        QVERIFY2(ContainsInOrder(lines, {"Waiting for data from comm connection."}),
                 qPrintable(lines.join('\n')));
        QVERIFY(ContainsInOrder(lines, {"Waiting for a CommEvent (Error) to occur."}));
        QVERIFY(ContainsInOrder(lines, {"Writing to comm port", "Stopping the Comm"}));
        // Both threads see the one shut-down event, so the transmit thread
        // may end before its own closing line.
        const qsizetype stopping = lines.indexOf(QStringLiteral("Stopping the Comm"));
        QVERIFY(stopping >= 0);
        const QStringList closing = lines.mid(stopping);
        QCOMPARE(closing.size(), 5);
        QVERIFY(ContainsInOrder(closing, {"Stopping the Comm", "Closing Read Thread ",
                                          "Read thread shutting down", "Closing Write Thread"}));
        QVERIFY(ContainsInOrder(closing, {"Closing Read Thread ", "Write thread shutting down"}));
        link.comm.ClosePort();
        QCOMPARE(TraceLines(file), lines);

        QVERIFY(link.comm.OpenPort());
        link.comm.ClosePort();
        const QStringList again = TraceLines(file);
        QVERIFY(!again.contains(QStringLiteral("Writing to comm port")));
        QCOMPARE(again.count(QStringLiteral("Stopping the Comm")), 1);
    }

    void noTraceWithoutName() {
        QTemporaryDir dir;
        Link link;
        QVERIFY(link.Open());
        QVERIFY(link.comm.SendBytes("x", 1));
        link.comm.ClosePort();
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void traceFileThatCannotBeCreated() {
        PtyPair pty;
        TComm32 comm;
        comm.SetCommPort(pty.SlavePath());
        comm.SetCommsLogFileName(QStringLiteral("/nonexistent-dir/comms.log"));
        QVERIFY_THROWS_EXCEPTION(TraceFileError, comm.OpenPort());
        QVERIFY(!comm.IsOpen()); // the port was not touched
    }

    // A chunk posted just before the close is still delivered after it.
    void chunkPostedBeforeCloseIsDelivered() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("comms.log"));
        Link link;
        link.comm.SetCommsLogFileName(file);
        QVERIFY(link.Open());
        link.pty.Write(Pattern(26, 9));
        // Without handling events: wait until the chunk has been posted and
        // the next read issued.
        const auto posted = [&] {
            const QStringList lines = TraceLines(file);
            const qsizetype got = lines.indexOf(QStringLiteral("Got something from Comm port!!!"));
            return got >= 0 &&
                   lines.indexOf(QStringLiteral("Waiting for data from comm connection."), got) >
                       got;
        };
        for (int i = 0; i < 1000 && !posted(); ++i)
            QThread::msleep(10);
        QVERIFY(posted());
        QVERIFY(link.rec.chunks.isEmpty());
        link.comm.ClosePort();
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.chunks, QList<QByteArray>{Pattern(26, 9)}, 10000);
        QCOMPARE(link.rec.hangups, 0);
    }

    // Leaving the component open at exit is safe: the destructor closes it.
    void destroyingAnOpenComponent() {
        PtyPair pty;
        auto comm = std::make_unique<TComm32>();
        comm->SetCommPort(pty.SlavePath());
        QVERIFY(comm->OpenPort());
        QVERIFY(comm->SendBytes("bye", 3));
        QVERIFY(comm->WaitUntilSent(10000));
        pty.Write(Pattern(26));
        comm.reset();
        // The frames waited for are still there for the device to read.
        QCOMPARE(pty.ReadNow(), QByteArray("bye"));
        QTest::qWait(100); // nothing may arrive for the destroyed component
    }
};

QTEST_GUILESS_MAIN(TestComm32)
#include "tst_seriallink.moc"
