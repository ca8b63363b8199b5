// The guard process on a pseudo-terminal: it writes load-off and front panel
// when the pipe closes without "off", nothing when it is told "off", holds
// nothing else of the program's, and outlives the signals that end a session.
#include "protocol/DeviceFrame.h"
#include "run/LoadGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

using namespace tarvex;

namespace {

QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), int(f.size()));
}

const QByteArray kOffThenPanel = bytesOf(makeControlFrame(ControlMode::ComputerLoadOff)) +
                                 bytesOf(makeControlFrame(ControlMode::FrontPanel));

// A pseudo-terminal: the guard gets the port's end, the test reads the load's.
class Terminal {
public:
    Terminal() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_port = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        termios t{};
        tcgetattr(m_port, &t);
        cfmakeraw(&t);
        tcsetattr(m_port, TCSANOW, &t);
    }
    ~Terminal() {
        closePort();
        if (m_master >= 0)
            ::close(m_master);
    }
    int port() const { return m_port; }
    void closePort() {
        if (m_port >= 0)
            ::close(m_port);
        m_port = -1;
    }
    // What the load receives within timeoutMs (returns early once count
    // bytes have come).
    QByteArray read(int count, int timeoutMs) {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }

private:
    int m_master = -1;
    int m_port = -1;
};

bool processExists(qint64 pid) {
    return ::kill(pid_t(pid), 0) == 0;
}

} // namespace

class TestLoadGuard : public QObject {
    Q_OBJECT

private slots:
    // The program dies (the pipe closes without "off"): the load receives
    // load-off, then front panel, and the guard ends. Told "off": nothing.
    void guardSwitchesOffOnlyWhenTheProgramIsGone_data() {
        QTest::addColumn<bool>("programDies");
        QTest::newRow("program dies") << true;
        QTest::newRow("told off") << false;
    }
    void guardSwitchesOffOnlyWhenTheProgramIsGone() {
        QFETCH(bool, programDies);
        Terminal terminal;
        QVERIFY(terminal.port() >= 0);
        LoadGuard guard;
        QVERIFY(guard.arm(terminal.port()));
        QVERIFY(guard.isArmed());
        const qint64 pid = guard.processId();
        QVERIFY(pid > 0 && processExists(pid));
        // Armed, it touches nothing.
        QCOMPARE(terminal.read(1, 200), QByteArray());

        if (programDies) {
            QVERIFY(guard.abandon());
            QCOMPARE(terminal.read(int(kOffThenPanel.size()), 5000), kOffThenPanel);
        } else {
            guard.disarm();
            QCOMPARE(terminal.read(1, 300), QByteArray());
        }
        QVERIFY(!guard.isArmed());
        QCOMPARE(guard.processId(), 0);
        // Reaped: no zombie is left.
        QVERIFY(!processExists(pid));
    }

    // Armed again (the port reopened), the old guard ends without a word and
    // only the new one is left.
    void armingAgainReplacesTheGuard() {
        Terminal first;
        Terminal second;
        LoadGuard guard;
        QVERIFY(guard.arm(first.port()));
        const qint64 old = guard.processId();
        QVERIFY(guard.arm(second.port()));
        QVERIFY(guard.processId() != old);
        QVERIFY(!processExists(old));
        QVERIFY(guard.abandon());
        QCOMPARE(second.read(int(kOffThenPanel.size()), 5000), kOffThenPanel);
        QCOMPARE(first.read(1, 200), QByteArray());
    }

    // The guard holds the port, its pipe and /dev/null, nothing else: no
    // terminal, no pipe of the program's caller, no table file. It is in a
    // session of its own.
    void guardHoldsOnlyWhatItNeeds() {
        Terminal terminal;
        LoadGuard guard;
        QVERIFY(guard.arm(terminal.port()));
        const QString fds = QStringLiteral("/proc/%1/fd").arg(guard.processId());
        QTRY_COMPARE(
            QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList{"0", "1", "2", "3", "4"}));
        for (const char* fd : {"0", "1", "2"})
            QCOMPARE(QFileInfo(fds + QLatin1Char('/') + QLatin1String(fd)).symLinkTarget(),
                     QStringLiteral("/dev/null"));
        QCOMPARE(
            QFileInfo(fds + QStringLiteral("/3")).symLinkTarget(),
            QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(terminal.port())).symLinkTarget());
        QCOMPARE(qint64(::getsid(pid_t(guard.processId()))), guard.processId());
        guard.disarm();
    }

    // The signals that end a session or a process group leave it running.
    void endOfSessionSignalsDoNotEndTheGuard_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGPIPE") << int(SIGPIPE);
    }
    void endOfSessionSignalsDoNotEndTheGuard() {
        QFETCH(int, signal);
        Terminal terminal;
        LoadGuard guard;
        QVERIFY(guard.arm(terminal.port()));
        // It has set up its signals once its descriptors are in place.
        const QString fds = QStringLiteral("/proc/%1/fd").arg(guard.processId());
        QTRY_COMPARE(
            QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), 5);
        QCOMPARE(::kill(pid_t(guard.processId()), signal), 0);
        QTest::qWait(200);
        QVERIFY(processExists(guard.processId()));
        QVERIFY(guard.abandon());
        QCOMPARE(terminal.read(int(kOffThenPanel.size()), 5000), kOffThenPanel);
    }

    // A port that went away: the guard cannot reach the load, and ends all
    // the same.
    void guardEndsWhenThePortIsGone() {
        auto terminal = std::make_unique<Terminal>();
        LoadGuard guard;
        QVERIFY(guard.arm(terminal->port()));
        terminal.reset(); // both ends of the terminal close: a hang-up
        QVERIFY(guard.abandon());
    }

    void noPortNoGuard() {
        LoadGuard guard;
        QVERIFY(!guard.arm(-1));
        QVERIFY(!guard.isArmed());
        QCOMPARE(errno, EBADF);
    }
};

QTEST_GUILESS_MAIN(TestLoadGuard)
#include "tst_loadguard.moc"
