// Every way the real program ends leaves the load switched off, or says
// plainly that it may still be on. The program runs as a child process
// (tarvex_program_child: Program with its windows and its ways out, driven
// through Setting -> OK, PC Control, Load ON) against the simulated load on
// a pseudo-terminal; the test ends it - with a signal, by taking its X server
// away, by closing the reader of its error output, or by closing it with the
// link lost - and reads what the load received.
#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>

using namespace tarvex;
using loadsim::LoadSimulator;

namespace {

constexpr int kWaitMs = 30000;

QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}
QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

const QByteArray kOff = bytesOf(makeControlFrame(ControlMode::ComputerLoadOff));
const QByteArray kOn = bytesOf(makeControlFrame(ControlMode::ComputerLoadOn));
const QByteArray kSelf = bytesOf(makeControlFrame(ControlMode::FrontPanel));
const QByteArray kQuery = bytesOf(makeStatusQuery());

QList<QByteArray> framesOf(const LoadSimulator& sim) {
    QList<QByteArray> frames;
    for (const auto& f : sim.receivedFrames())
        frames << bytesOf(f.bytes);
    return frames;
}

// The control requests only (no status requests).
QList<QByteArray> controlFramesOf(const LoadSimulator& sim) {
    QList<QByteArray> frames = framesOf(sim);
    frames.removeAll(kQuery);
    return frames;
}

bool endsSwitchedOff(const LoadSimulator& sim) {
    const QList<QByteArray> frames = controlFramesOf(sim);
    return frames.size() >= 2 && frames.mid(frames.size() - 2) == QList<QByteArray>{kOff, kSelf} &&
           !sim.state().inputOn && !sim.state().computerControl;
}

// The real program as a child process.
class ProgramChild {
public:
    // brokenErrorOutput: the program's error output is a pipe whose reader
    // the test closes at once.
    ProgramChild(const QString& port, const QStringList& options,
                 const QProcessEnvironment& environment, bool brokenErrorOutput = false) {
        m_process.setProcessEnvironment(environment);
        // Close-on-exec: the program must not hold the reader itself.
        if (brokenErrorOutput && ::pipe2(m_errorPipe, O_CLOEXEC) != 0)
            qFatal("no pipe");
        m_process.setChildProcessModifier([brokenErrorOutput, writeEnd = m_errorPipe[1]] {
            // No core files from the deaths the tests cause.
            const rlimit none{0, 0};
            ::setrlimit(RLIMIT_CORE, &none);
            // As a session starts it: SIGPIPE ends a process (the test
            // library and QProcess ignore it in this one).
            ::signal(SIGPIPE, SIG_DFL);
            if (brokenErrorOutput)
                ::dup2(writeEnd, STDERR_FILENO);
        });
        m_process.start(QStringLiteral(TARVEX_PROGRAM_CHILD),
                        QStringList{QStringLiteral("--port"), port, QStringLiteral("--data"),
                                    m_data.filePath(QStringLiteral("Table"))} +
                            options);
        if (brokenErrorOutput) {
            ::close(m_errorPipe[0]); // nobody reads what it writes there
            ::close(m_errorPipe[1]);
        }
    }
    ~ProgramChild() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    qint64 pid() const { return m_process.processId(); }
    // True once the program has ended (also when it had before the call).
    bool waitForEnd(int timeoutMs = kWaitMs) {
        return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    }
    QProcess& process() { return m_process; }
    void command(const QByteArray& line) { m_process.write(line + '\n'); }

    // Waits for a line that starts with prefix; returns it (empty on time-out).
    QString waitForLine(const QString& prefix, int timeoutMs = kWaitMs) {
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                while (m_process.canReadLine()) {
                    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                    m_lines << line;
                    if (found.isEmpty() && line.startsWith(prefix))
                        found = line;
                }
                for (const QString& line : m_lines)
                    if (found.isEmpty() && line.startsWith(prefix))
                        found = line;
                return !found.isEmpty() || m_process.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return found;
    }
    QString errorOutput() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    QStringList m_lines;
    int m_errorPipe[2] = {-1, -1};
};

// The child's environment: its own configuration and data directories, no
// display unless given one.
QProcessEnvironment childEnvironment(const QTemporaryDir& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// A private X server, started with -displayfd so that it picks a free display.
class XServer {
public:
    XServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            const QByteArray fd = QByteArray::number(fds[1]);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char buffer[32] = {};
        ssize_t got = 0;
        for (ssize_t n; got < ssize_t(sizeof buffer - 1) &&
                        (n = ::read(fds[0], buffer + got, sizeof buffer - 1 - got)) > 0;) {
            got += n;
            if (buffer[got - 1] == '\n')
                break;
        }
        ::close(fds[0]);
        if (got > 0)
            m_display = QStringLiteral(":") + QString::fromLatin1(buffer).trimmed();
    }
    ~XServer() { end(); }
    QString display() const { return m_display; }
    void end() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    QString m_display;
};

} // namespace

class TestExitPaths : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<LoadSimulator> m_sim;

    QString port() const { return QString::fromStdString(m_sim->terminalPath()); }

private slots:
    void init() {
        loadsim::SimulatorOptions options;
        options.baudRate = 9600;
        m_sim = std::make_unique<LoadSimulator>(options);
    }
    void cleanup() { m_sim.reset(); }

    // However the program dies, the load ends switched off and handed to its
    // front panel: by the guard process where the program runs no more code
    // (SIGKILL, a crash, an abort), by the run's own thread for the signals
    // that ask it to end (shown without the guard).
    void endedBySignal_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("guard");
        QTest::newRow("SIGKILL") << int(SIGKILL) << true;
        QTest::newRow("a crash (SIGSEGV)") << int(SIGSEGV) << true;
        QTest::newRow("an abort (SIGABRT)") << int(SIGABRT) << true;
        QTest::newRow("SIGTERM, no guard") << int(SIGTERM) << false;
        QTest::newRow("SIGINT, no guard") << int(SIGINT) << false;
        QTest::newRow("SIGHUP, no guard") << int(SIGHUP) << false;
    }
    void endedBySignal() {
        QFETCH(int, signal);
        QFETCH(bool, guard);
        ProgramChild program(port(), guard ? QStringList{} : QStringList{"--no-guard"},
                             childEnvironment(m_home));
        QVERIFY2(!program.waitForLine("load on").isEmpty(), qPrintable(program.errorOutput()));
        QVERIFY(m_sim->state().inputOn);
        QCOMPARE(::kill(pid_t(program.pid()), signal), 0);
        QVERIFY(program.waitForEnd());
        QTRY_VERIFY_WITH_TIMEOUT(endsSwitchedOff(*m_sim), kWaitMs);
        if (!guard) {
            // It ended by itself, after the requests.
            QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        }
    }

    // SIGTERM while the window thread is held by a long operation: the run
    // switches the load off at once, and the program ends within its bound
    // instead of waiting for the window thread.
    void sigtermWhileTheWindowThreadIsBlocked() {
        ProgramChild program(port(), {"--no-guard"}, childEnvironment(m_home));
        QVERIFY(!program.waitForLine("load on").isEmpty());
        program.command("block 120000");
        QTest::qWait(300);
        const auto sent = std::chrono::steady_clock::now();
        QCOMPARE(::kill(pid_t(program.pid()), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(endsSwitchedOff(*m_sim), kWaitMs);
        QVERIFY(program.process().state() != QProcess::NotRunning ||
                std::chrono::steady_clock::now() - sent < std::chrono::seconds(60));
        QVERIFY(program.waitForEnd());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 128 + SIGTERM);
        QVERIFY(std::chrono::steady_clock::now() - sent < std::chrono::seconds(60));
    }

    // The X server goes away: Qt ends the program with exit(1); the run is
    // ended before the process goes (shown without the guard).
    void xServerGoesAway() {
        XServer x;
        if (x.display().isEmpty())
            QSKIP("no Xvfb to run the program on");
        QProcessEnvironment environment = childEnvironment(m_home);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), x.display());
        ProgramChild program(port(), {"--no-guard"}, environment);
        QVERIFY2(!program.waitForLine("load on").isEmpty(), qPrintable(program.errorOutput()));
        x.end();
        QVERIFY(program.waitForEnd());
        QTRY_VERIFY_WITH_TIMEOUT(endsSwitchedOff(*m_sim), kWaitMs);
        QVERIFY(program.process().exitStatus() == QProcess::NormalExit);
    }

    // The error output is a pipe whose reader has gone: a debug line does not
    // end the program; it goes on polling, and its close switches the load
    // off as usual.
    void brokenErrorOutputDoesNotEndTheProgram() {
        ProgramChild program(port(), {"--no-guard"}, childEnvironment(m_home), true);
        QVERIFY(!program.waitForLine("load on").isEmpty());
        program.command("warn");
        program.command("warn");
        QTest::qWait(500);
        QCOMPARE(program.process().state(), QProcess::Running);
        const auto answers = m_sim->sentAnswers().size();
        QVERIFY(m_sim->waitForAnswers(answers + 3, kWaitMs));
        QCOMPARE(::kill(pid_t(program.pid()), SIGTERM), 0);
        QVERIFY(program.waitForEnd());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QTRY_VERIFY_WITH_TIMEOUT(endsSwitchedOff(*m_sim), kWaitMs);
    }

    // Closed (by Close or SIGTERM) with the link lost: the port is opened once
    // more for the two requests. A load plugged back in gets them; where no
    // port can be had, the operator is told that the load may still be on,
    // naming the port (a message box on Close; the error output, and the
    // journal, for a signal).
    void closedWithTheLinkLost_data() {
        QTest::addColumn<bool>("pluggedBack");
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("plugged back, Close") << true << false;
        QTest::newRow("plugged back, SIGTERM") << true << true;
        QTest::newRow("gone, Close") << false << false;
        QTest::newRow("gone, SIGTERM") << false << true;
    }
    void closedWithTheLinkLost() {
        QFETCH(bool, pluggedBack);
        QFETCH(bool, bySignal);
        loadsim::SimulatorOptions options;
        options.baudRate = 9600;
        options.linkPath = m_home.filePath(QStringLiteral("load")).toStdString();
        m_sim = std::make_unique<LoadSimulator>(options);
        const QString link = QString::fromStdString(options.linkPath);
        ProgramChild program(link, {"--no-guard"}, childEnvironment(m_home));
        QVERIFY(!program.waitForLine("load on").isEmpty());
        const auto framesBefore = m_sim->receivedFrames().size();
        if (pluggedBack)
            m_sim->replug(200);
        else
            m_sim->hangUp();
        QVERIFY(!program.waitForLine("link lost").isEmpty());
        if (pluggedBack)
            QVERIFY(m_sim->waitForReplugs(1, kWaitMs)); // back before the program looks again
        if (bySignal)
            QCOMPARE(::kill(pid_t(program.pid()), SIGTERM), 0);
        else
            program.command("close");
        if (pluggedBack) {
            QVERIFY(program.waitForEnd());
            QTRY_VERIFY_WITH_TIMEOUT(endsSwitchedOff(*m_sim), kWaitMs);
            QVERIFY(m_sim->receivedFrames().size() > framesBefore);
            return;
        }
        const QString warning = QStringLiteral("The load on %1 may still be on").arg(link);
        if (bySignal) {
            QVERIFY(program.waitForEnd());
            const QString errors = program.errorOutput();
            QVERIFY2(errors.contains(warning), qPrintable(errors));
        } else {
            const QString box = program.waitForLine(QStringLiteral("box: The load on"));
            QVERIFY2(box.contains(warning), qPrintable(box));
            QVERIFY(program.waitForEnd());
        }
        QVERIFY(m_sim->state().inputOn); // nothing could reach it
    }
};

QTEST_GUILESS_MAIN(TestExitPaths)
#include "tst_exitpaths.moc"
