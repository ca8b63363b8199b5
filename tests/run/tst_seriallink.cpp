// The serial link over real pseudo-terminals: received bytes cut into chunks
// at pauses and at 2,048 bytes, frames reaching the other end whole and in
// order, the open (its failures and their reasons, exclusive use, a raw
// plain line), hang-up, the bounded end of a port that never drains, the
// trace.
#include "support/SerialTestSupport.h"

#include "run/SerialLink.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace tarvex;

namespace {

// One piece of what the device sends: bytes (in one write), then a pause.
struct Segment {
    QByteArray bytes;
    int pauseMs = 0;
};

// Plays the segments on the device side from a thread of its own, so that
// the link (on this thread) sees the pauses as they are. It measures the
// pauses it really made: on a busy machine a short sleep can last longer
// than the link's chunk gap.
class DeviceWriter {
public:
    DeviceWriter(PtyPair& pty, const QList<Segment>& segments)
        : m_thread([this, &pty, segments] {
              for (const Segment& s : segments) {
                  pty.write(s.bytes);
                  if (s.pauseMs > 0) {
                      QElapsedTimer pause;
                      pause.start();
                      QThread::msleep(static_cast<unsigned long>(s.pauseMs));
                      m_pausesMs.push_back(pause.elapsed());
                  }
              }
          }) {}
    ~DeviceWriter() { join(); }
    void join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    // After join(): whether each pause meant to be shorter than the chunk
    // gap stayed well below it.
    bool shortPausesKept(const QList<Segment>& segments) const {
        std::size_t next = 0;
        for (const Segment& s : segments) {
            if (s.pauseMs <= 0)
                continue;
            const qint64 made = m_pausesMs.at(next++);
            if (s.pauseMs < SerialLink::kChunkGapMs && made >= SerialLink::kChunkGapMs * 2 / 3)
                return false;
        }
        return true;
    }

private:
    std::vector<qint64> m_pausesMs;
    std::thread m_thread;
};

// The link's trace lines while the object lives, with the trace turned on.
class TraceCapture {
public:
    TraceCapture() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(capture);
        QLoggingCategory::setFilterRules(QStringLiteral("tarvex.link.debug=true"));
    }
    ~TraceCapture() {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(m_previous);
    }
    static QStringList lines() { return s_lines; }

private:
    static void capture(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (qstrcmp(context.category, "tarvex.link") == 0)
            s_lines.append(text);
    }
    static inline QStringList s_lines; // this thread only
    QtMessageHandler m_previous = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(QList<Segment>)
Q_DECLARE_METATYPE(LineSettings)

class TestSerialLink : public QObject {
    Q_OBJECT

    // A link wired to a pseudo-terminal, with a recorder attached.
    struct Rig {
        PtyPair pty;
        SerialLink link;
        LinkRecorder rec;

        Rig() {
            rec.attach(link);
            link.setPortName(pty.slavePath());
        }
        bool open() { return pty.isOpen() && link.open(); }
    };

private slots:
    void receivedBytesAreCutIntoChunksAtPauses_data() {
        QTest::addColumn<QList<Segment>>("segments");
        QTest::addColumn<QList<qsizetype>>("sizes");
        const QByteArray answer = pattern(26, 1);
        QTest::newRow("one answer") << QList<Segment>{{answer, 0}} << QList<qsizetype>{26};
        QTest::newRow("split after byte 10 by 300 ms")
            << QList<Segment>{{answer.left(10), 300}, {answer.mid(10), 0}}
            << QList<qsizetype>{10, 16};
        QTest::newRow("two answers 20 ms apart are joined")
            << QList<Segment>{{answer, 20}, {pattern(26, 2), 0}} << QList<qsizetype>{52};
        QTest::newRow("junk behind an answer")
            << QList<Segment>{{answer + QByteArray("\x01\x02\x03", 3), 0}} << QList<qsizetype>{29};
        QTest::newRow("two answers 300 ms apart")
            << QList<Segment>{{answer, 300}, {pattern(26, 2), 0}} << QList<qsizetype>{26, 26};
        QTest::newRow("3000 bytes: a full chunk, then the rest")
            << QList<Segment>{{pattern(3000, 3), 0}} << QList<qsizetype>{2048, 952};
        QTest::newRow("2048 bytes, a pause, 26")
            << QList<Segment>{{pattern(2048, 4), 300}, {answer, 0}} << QList<qsizetype>{2048, 26};
    }
    void receivedBytesAreCutIntoChunksAtPauses() {
        QFETCH(QList<Segment>, segments);
        QFETCH(QList<qsizetype>, sizes);
        QByteArray sent;
        for (const auto& s : segments)
            sent += s.bytes;
        // A try whose writer overslept a short pause did not play the case;
        // it is played again.
        for (int attempt = 0; attempt < 10; ++attempt) {
            Rig rig;
            QVERIFY(rig.open());
            DeviceWriter device(rig.pty, segments);
            QTRY_COMPARE_WITH_TIMEOUT(rig.rec.bytes(), sent.size(), 10000);
            device.join();
            QTest::qWait(2 * SerialLink::kChunkGapMs); // nothing more comes
            if (!device.shortPausesKept(segments))
                continue;
            QCOMPARE(rig.rec.sizes(), sizes);
            QCOMPARE(rig.rec.chunks.join(), sent);
            QCOMPARE(rig.rec.hangups, 0);
            return;
        }
        QSKIP("The machine was too busy to keep a pause shorter than the chunk gap.");
    }

    // Random bursts of every byte value with pauses between them: every
    // byte arrives once and in order, a chunk ends at every pause and at
    // every 2,048 bytes of a burst, and nowhere else.
    void randomBurstsArriveWholeInChunks() {
        Rig rig;
        QVERIFY(rig.open());
        QRandomGenerator random(20261210);
        QList<Segment> bursts;
        QList<qsizetype> sizes;
        QByteArray sent;
        for (int i = 0; i < 25; ++i) {
            const int length = 1 + random.bounded(i % 5 == 0 ? 3000 : 120);
            QByteArray bytes(length, Qt::Uninitialized);
            for (char& byte : bytes)
                byte = char(random.bounded(256));
            bursts.append({bytes, 300});
            sent += bytes;
            for (int left = length; left > 0; left -= SerialLink::kMaxChunk)
                sizes.append(std::min(left, SerialLink::kMaxChunk));
        }
        {
            DeviceWriter device(rig.pty, bursts);
            QTRY_COMPARE_WITH_TIMEOUT(rig.rec.bytes(), sent.size(), 30000);
        }
        QCOMPARE(rig.rec.chunks.join(), sent);
        QCOMPARE(rig.rec.sizes(), sizes);
    }

    void framesReachTheLineWholeAndInOrder() {
        Rig rig;
        QVERIFY(rig.open());
        QByteArray sent;
        for (int i = 0; i < 40; ++i) {
            const QByteArray frame = pattern(26, i);
            QVERIFY(rig.link.sendBytes(frame));
            sent += frame;
        }
        QVERIFY(rig.link.sendBytes(QByteArray())); // writes nothing, and succeeds
        // Once waitUntilSent is true, every byte is at the other end already.
        QVERIFY(rig.link.waitUntilSent(10000));
        QCOMPARE(rig.pty.readNow(), sent);
        QVERIFY(rig.link.waitUntilSent(0)); // nothing left: true at once
    }

    // A long silence is no failure: the next answer is delivered.
    void silenceDoesNotEndReception() {
        Rig rig;
        QVERIFY(rig.open());
        QTest::qWait(600);
        rig.pty.write(pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.sizes(), QList<qsizetype>{26}, 10000);
        QCOMPARE(rig.rec.hangups, 0);
    }

    // The device going away: the bytes that came before it are delivered,
    // then one hang-up request; the link stays open, sending nothing, until
    // it is closed.
    void peerHangupGivesOneRequestAfterTheBytesBeforeIt() {
        Rig rig;
        QVERIFY(rig.open());
        QList<QString> events;
        QObject::connect(&rig.link, &SerialLink::chunkReceived, &rig.rec.context,
                         [&events](const QByteArray& c) { events << QString::number(c.size()); });
        QObject::connect(&rig.link, &SerialLink::hangupRequested, &rig.rec.context,
                         [&events] { events << QStringLiteral("hang-up"); });
        rig.pty.write(pattern(10));
        QTest::qWait(20); // taken, but not yet a chunk: the hang-up ends it
        rig.pty.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.hangups, 1, 10000);
        QTest::qWait(200);
        QCOMPARE(events, (QList<QString>{QStringLiteral("10"), QStringLiteral("hang-up")}));
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.link.handle(), -1);
        QVERIFY(!rig.link.sendBytes("x"));
        QVERIFY(!rig.link.waitUntilSent(100));
        rig.link.close();
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.rec.hangups, 1);
    }

    // open() after a hang-up does not take the dead port for an open one:
    // it tries the device again, and a device that is back opens.
    void openAfterHangupOpensTheDeviceAgain() {
        Rig rig;
        QVERIFY(rig.open());
        // Held open here, the terminal keeps its number, so that no other
        // test's terminal can come under its name meanwhile.
        const int stale = ::open(rig.pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(stale >= 0);
        rig.pty.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.hangups, 1, 10000);
        QVERIFY(rig.link.isOpen());
        QVERIFY(!rig.link.open());
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.link.lastOpenError(), ENOENT); // gone with its terminal
        ::close(stale);

        PtyPair back;
        QVERIFY(back.isOpen());
        rig.link.setPortName(back.slavePath());
        QVERIFY(rig.link.open());
        QVERIFY(rig.link.sendBytes("ok"));
        QCOMPARE(back.read(2, 10000), QByteArray("ok"));
        QCOMPARE(rig.rec.hangups, 1);
    }

    // Every failed open leaves the port closed and tells the system's
    // reason; the same link then opens a real port.
    void failedOpenTellsWhy_data() {
        QTest::addColumn<QString>("port"); // "<pty>" stands for a pseudo-terminal
        QTest::addColumn<LineSettings>("settings");
        QTest::addColumn<int>("reason");
        const LineSettings usual;
        QTest::newRow("no such device") << "/dev/tarvex-no-such-port" << usual << int(ENOENT);
        QTest::newRow("Com with no device behind it") << "Com99" << usual << int(ENOENT);
        QTest::newRow("a folder") << "/dev" << usual << int(EISDIR);
        QTest::newRow("not a serial port") << "/dev/null" << usual << int(ENOTTY);
        QTest::newRow("no permission") << "<no access>" << usual << int(EACCES);
        QTest::newRow("9 data bits") << "<pty>" << LineSettings{9600, 9, 0, 0} << int(EINVAL);
        QTest::newRow("parity 5") << "<pty>" << LineSettings{9600, 8, 5, 0} << int(EINVAL);
        QTest::newRow("stop bits 3") << "<pty>" << LineSettings{9600, 8, 0, 3} << int(EINVAL);
        QTest::newRow("0 bit/s") << "<pty>" << LineSettings{0, 8, 0, 0} << int(EINVAL);
    }
    void failedOpenTellsWhy() {
        QFETCH(QString, port);
        QFETCH(LineSettings, settings);
        QFETCH(int, reason);
        PtyPair pty;
        QVERIFY(pty.isOpen());
        SerialLink link;
        QCOMPARE(link.lastOpenError(), 0);
        const bool denied = port == QLatin1String("<no access>");
        if (denied)
            QVERIFY(pty.denyAccess());
        if (port.startsWith(QLatin1Char('<')))
            port = pty.slavePath();
        link.setPortName(port);
        link.setLineSettings(settings);
        if (denied)
            dropDevicePermission();
        const bool opened = link.open();
        if (denied)
            restoreDevicePermission();
        QVERIFY(!opened);
        QVERIFY(!link.isOpen());
        QCOMPARE(link.handle(), -1);
        QCOMPARE(link.lastOpenError(), reason);
        QCOMPARE(link.lastOpenErrorText(), QString::fromLocal8Bit(std::strerror(reason)));
        QVERIFY(!link.sendBytes("x"));
        QVERIFY(!link.waitUntilSent(100));
        link.close();
        QCOMPARE(link.lastOpenError(), reason);

        PtyPair usable;
        link.setPortName(usable.slavePath());
        link.setLineSettings(LineSettings());
        QVERIFY(link.open());
        QCOMPARE(link.lastOpenError(), 0);
        QVERIFY(link.lastOpenErrorText().isEmpty());
        QVERIFY(link.sendBytes("abc"));
        QCOMPARE(usable.read(3, 10000), QByteArray("abc"));
    }

    void openWhileOpenKeepsThePort() {
        Rig rig;
        QVERIFY(rig.open());
        const int fd = rig.link.handle();
        QVERIFY(rig.link.open());
        QCOMPARE(rig.link.handle(), fd);
        QVERIFY(rig.link.sendBytes("ok"));
        QCOMPARE(rig.pty.read(2, 10000), QByteArray("ok"));
        rig.pty.write(pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.sizes(), QList<qsizetype>{26}, 10000);
    }

    // A port another link of this program holds is in use; the holder is
    // undisturbed, and once it closes the port opens.
    void portHeldByAnotherLinkIsBusy() {
        Rig rig;
        QVERIFY(rig.open());
        SerialLink other;
        other.setPortName(rig.pty.slavePath());
        QVERIFY(!other.open());
        QCOMPARE(other.lastOpenError(), EBUSY);
        QVERIFY(!other.isOpen());
        QVERIFY(rig.link.sendBytes("ok"));
        QCOMPARE(rig.pty.read(2, 10000), QByteArray("ok"));
        rig.link.close();
        QVERIFY(other.open());
    }

    // A terminal program that holds the port by flock(2) alone: in use until
    // it ends.
    void portFlockedByAnotherProgramIsBusy() {
        PtyPair pty;
        QVERIFY(pty.isOpen());
        // A shell that locks the port and then becomes `sleep`, which keeps
        // the lock until it is killed.
        const QByteArray path = pty.slavePath().toLocal8Bit();
        const char* argv[] = {"sh", "-c", "exec 9<\"$0\" && flock -n 9 && exec sleep 60",
                              path.constData(), nullptr};
        pid_t holder = -1;
        QCOMPARE(posix_spawnp(&holder, "sh", nullptr, nullptr, const_cast<char**>(argv), environ),
                 0);
        const auto heldElsewhere = [&pty] {
            if (flock(pty.slaveFd(), LOCK_EX | LOCK_NB) != 0)
                return true;
            flock(pty.slaveFd(), LOCK_UN);
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heldElsewhere(), 10000);
        SerialLink link;
        link.setPortName(pty.slavePath());
        QVERIFY(!link.open());
        QCOMPARE(link.lastOpenError(), EBUSY);
        QVERIFY(!link.isOpen());
        kill(holder, SIGKILL);
        waitpid(holder, nullptr, 0);
        QVERIFY(link.open());
    }

    // The numbers of the settings reach the terminal. A pseudo-terminal
    // keeps the speed, the stop bits and the kind of parity, but always has
    // eight data bits and no parity bit, so those are not seen here.
    void lineSettingsReachTheTerminal_data() {
        QTest::addColumn<LineSettings>("settings");
        QTest::addColumn<speed_t>("speed");
        QTest::addColumn<tcflag_t>("flags"); // of PARODD, CMSPAR, CSTOPB
        QTest::newRow("9600 8N1") << LineSettings{9600, 8, 0, 0} << speed_t(B9600) << tcflag_t(0);
        QTest::newRow("4800 7O1") << LineSettings{4800, 7, 1, 0} << speed_t(B4800)
                                  << tcflag_t(PARODD);
        QTest::newRow("19200 7E2")
            << LineSettings{19200, 7, 2, 2} << speed_t(B19200) << tcflag_t(CSTOPB);
        QTest::newRow("38400 8M1.5 (two)") << LineSettings{38400, 8, 3, 1} << speed_t(B38400)
                                           << tcflag_t(PARODD | CMSPAR | CSTOPB);
        QTest::newRow("115200 6S1")
            << LineSettings{115200, 6, 4, 0} << speed_t(B115200) << tcflag_t(CMSPAR);
    }
    void lineSettingsReachTheTerminal() {
        QFETCH(LineSettings, settings);
        QFETCH(speed_t, speed);
        QFETCH(tcflag_t, flags);
        Rig rig;
        rig.link.setLineSettings(settings);
        QVERIFY(rig.open());
        termios t{};
        QCOMPARE(tcgetattr(rig.pty.slaveFd(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed);
        QCOMPARE(cfgetispeed(&t), speed);
        QCOMPARE(t.c_cflag & (PARODD | CMSPAR | CSTOPB), flags);
    }

    // A terminal left cooked and with flow control on by another program:
    // after the open it is a plain three-wire line in raw mode, held
    // exclusively, and the handle is the device itself. XON/XOFF bytes from
    // the load are data, frames go out after them, and a newline goes out
    // as it is.
    void openMakesAPlainRawExclusiveLine() {
        Rig rig;
        QVERIFY(rig.pty.isOpen());
        const int device = rig.pty.slaveFd();
        termios before{};
        QCOMPARE(tcgetattr(device, &before), 0);
        before.c_cflag |= CRTSCTS;
        before.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
        before.c_lflag |= ICANON | ECHO | ISIG;
        before.c_oflag |= OPOST | ONLCR;
        QCOMPARE(tcsetattr(device, TCSANOW, &before), 0);

        QVERIFY(rig.open());
        termios t{};
        QCOMPARE(tcgetattr(device, &t), 0);
        QCOMPARE(t.c_cflag & CRTSCTS, tcflag_t(0));
        QCOMPARE(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL), tcflag_t(0));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(t.c_cflag & CLOCAL, tcflag_t(CLOCAL));
        int exclusive = 0;
        QCOMPARE(ioctl(rig.link.handle(), TIOCGEXCL, &exclusive), 0);
        QCOMPARE(exclusive, 1);
        struct stat opened {};
        struct stat named {};
        QCOMPARE(fstat(rig.link.handle(), &opened), 0);
        QCOMPARE(stat(rig.pty.slavePath().toLocal8Bit().constData(), &named), 0);
        QCOMPARE(opened.st_rdev, named.st_rdev);

        const QByteArray stopStart("\x13\x11\x13", 3); // XOFF, XON, XOFF
        rig.pty.write(stopStart);
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks.join(), stopStart, 10000);
        QByteArray sent("\n\r\n", 3);
        QVERIFY(rig.link.sendBytes(sent));
        for (int i = 0; i < 4; ++i) {
            const QByteArray frame = pattern(26, 0x13 + i);
            QVERIFY(rig.link.sendBytes(frame));
            sent += frame;
        }
        QVERIFY(rig.link.waitUntilSent(10000));
        QCOMPARE(rig.pty.read(sent.size(), 10000), sent);

        rig.link.close();
        QCOMPARE(rig.link.handle(), -1);
        QCOMPARE(ioctl(device, TIOCGEXCL, &exclusive), 0);
        QCOMPARE(exclusive, 0);
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
        QTest::newRow("COM 1") << "COM 1"
                               << "COM 1";
        QTest::newRow("usb") << "/dev/ttyUSB0"
                             << "/dev/ttyUSB0";
        QTest::newRow("by-id") << "/dev/serial/by-id/usb-FTDI_A1-if00-port0"
                               << "/dev/serial/by-id/usb-FTDI_A1-if00-port0";
    }
    void portNameNamesItsDevice() {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(SerialLink::devicePath(name), path);
    }

    // A line that does not move (flow held, a stuck driver) holds up
    // neither the wait for what is queued nor the end of the link: each
    // gives up at its bound. What was waited for goes out when the line
    // moves again while the port is still open.
    void portThatNeverDrainsDoesNotHoldUpTheEnd_data() {
        QTest::addColumn<int>("end"); // 0 waitUntilSent, 1 close, 2 destruction
        QTest::newRow("waitUntilSent") << 0;
        QTest::newRow("close") << 1;
        QTest::newRow("destruction") << 2;
    }
    void portThatNeverDrainsDoesNotHoldUpTheEnd() {
        QFETCH(int, end);
        PtyPair pty;
        auto link = std::make_unique<SerialLink>();
        link->setPortName(pty.slavePath());
        QVERIFY(link->open());
        QCOMPARE(tcflow(pty.slaveFd(), TCOOFF), 0); // output held, as by XOFF
        QVERIFY(link->sendBytes(pattern(26, 1)));
        QVERIFY(link->sendBytes(pattern(26, 2)));
        Watchdog watchdog(60, "the end of a link whose port never drains");
        switch (end) {
        case 0:
            QVERIFY(!link->waitUntilSent(300));
            QVERIFY(link->isOpen());
            QCOMPARE(tcflow(pty.slaveFd(), TCOON), 0);
            QVERIFY(link->waitUntilSent(10000));
            QCOMPARE(pty.readNow(), pattern(26, 1) + pattern(26, 2));
            break;
        case 1:
            link->close(300);
            QVERIFY(!link->isOpen());
            break;
        case 2:
            link.reset(); // drains for kDrainMs, then closes
            break;
        }
        QCOMPARE(tcflow(pty.slaveFd(), TCOON), 0);
    }

    // Leaving the link open is safe: the destructor writes out what is
    // queued and closes the port.
    void destroyingAnOpenLinkDrainsAndClosesIt() {
        PtyPair pty;
        auto link = std::make_unique<SerialLink>();
        link->setPortName(pty.slavePath());
        QVERIFY(link->open());
        QVERIFY(link->sendBytes("bye"));
        pty.write(pattern(26));
        link.reset();
        QCOMPARE(pty.readNow(), QByteArray("bye"));
        // The port is closed: another link may open it at once.
        SerialLink next;
        next.setPortName(pty.slavePath());
        QVERIFY(next.open());
    }

    // The trace tells opens, refusals, frames out and chunks in (in hex),
    // the hang-up and the close, in that order; without a rule it is off.
    void traceTellsWhatHappens() {
        QVERIFY(!linkTrace().isDebugEnabled());
        Rig rig;
        TraceCapture trace;
        SerialLink refused;
        refused.setPortName(QStringLiteral("/dev/tarvex-no-such-port"));
        QVERIFY(!refused.open());
        QVERIFY(rig.open());
        QVERIFY(rig.link.sendBytes(QByteArray("\xAA\x00\x91", 3)));
        rig.pty.write(QByteArray("\x01\xFE", 2));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks.size(), 1, 10000);
        rig.pty.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.hangups, 1, 10000);
        rig.link.close();
        const QStringList lines = TraceCapture::lines();
        const QString port = rig.pty.slavePath();
        const QStringList expected = {
            QStringLiteral("open /dev/tarvex-no-such-port 9600 8N1 refused: ") +
                QString::fromLocal8Bit(std::strerror(ENOENT)),
            QStringLiteral("open %1 as %1 9600 8N1").arg(port),
            QStringLiteral("out 3: aa 00 91"),
            QStringLiteral("in  2: 01 fe"),
            QStringLiteral("port %1 failed: ").arg(port),
            QStringLiteral("hang-up %1").arg(port),
            QStringLiteral("close %1").arg(port),
        };
        QCOMPARE(lines.size(), expected.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].startsWith(expected[i]), qPrintable(lines.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
