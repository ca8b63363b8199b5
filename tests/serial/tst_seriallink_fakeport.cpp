// The serial link's threads against a fake port: line errors, partial
// writes and failing calls, with the trace lines and hang-up requests they
// give.
#include "support/SerialTestSupport.h"

#include "serial/SerialLink.h"
#include "serial/SerialLinkThreads_p.h"
#include "serial/SystemError.h"
#include "serial/TraceLog.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

using namespace tarvex;

namespace {

// What the test controls of the fake port; shared, since the link destroys
// the port at its close.
struct FakeControl {
    std::mutex lock;
    LineErrorCounts counts;
    bool haveCounts = true;
    int maxWrite = 1 << 30;        // bytes taken per write call
    bool refuseEveryOther = false; // every other write takes nothing (EAGAIN)
    int zeroWrites = 0;            // the next writes take nothing and say so (0)
    std::deque<int> writeErrors;   // errno for the next write calls (0: no failure)
    std::deque<int> readErrors;
    std::deque<int> readPollErrors;  // waits of the receive thread
    std::deque<int> writePollErrors; // waits of the transmit thread
    int writeCalls = 0;
    int outputPending = 0;      // what the driver says is still to leave the port
    int outputPendingError = 0; // errno when it cannot tell
    int peer = -1;              // the device's end of the socket pair

    static int next(std::deque<int>& errors) {
        if (errors.empty())
            return 0;
        const int e = errors.front();
        errors.pop_front();
        return e;
    }
};

class FakePort final : public SerialPort {
public:
    FakePort(int fd, std::shared_ptr<FakeControl> control)
        : m_fd(fd), m_control(std::move(control)) {}
    ~FakePort() override { ::close(m_fd); }

    int fd() const override { return m_fd; }
    bool isSerialDevice() override { return true; }
    void applyLineSettings(const LineSettings&) override {}
    ssize_t read(void* buffer, std::size_t count) override {
        if (const int e = injected(m_control->readErrors)) {
            errno = e;
            return -1;
        }
        return ::read(m_fd, buffer, count);
    }
    ssize_t write(const void* data, std::size_t count) override {
        std::size_t take = count;
        {
            std::lock_guard l(m_control->lock);
            ++m_control->writeCalls;
            if (const int e = FakeControl::next(m_control->writeErrors)) {
                errno = e;
                return -1;
            }
            if (m_control->zeroWrites > 0 && count > 0) {
                --m_control->zeroWrites;
                return 0;
            }
            if (m_control->refuseEveryOther && count > 0 && m_control->writeCalls % 2 == 1) {
                errno = EAGAIN;
                return -1;
            }
            take = std::min<std::size_t>(count, static_cast<std::size_t>(m_control->maxWrite));
        }
        return ::write(m_fd, data, take);
    }
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        // Only the receive thread waits for input on the port.
        const bool reader = count == 2 && fds[1].fd == m_fd && fds[1].events == POLLIN;
        if (const int e =
                injected(reader ? m_control->readPollErrors : m_control->writePollErrors)) {
            errno = e;
            return -1;
        }
        return ::poll(fds, count, timeoutMs);
    }
    bool lineErrorCounts(LineErrorCounts& counts) override {
        std::lock_guard l(m_control->lock);
        counts = m_control->counts;
        return m_control->haveCounts;
    }
    void purge(Direction) override {}
    int outputPending() override {
        std::lock_guard l(m_control->lock);
        if (m_control->outputPendingError != 0) {
            errno = m_control->outputPendingError;
            return -1;
        }
        return m_control->outputPending;
    }

private:
    int injected(std::deque<int>& errors) {
        std::lock_guard l(m_control->lock);
        return FakeControl::next(errors);
    }
    int m_fd;
    std::shared_ptr<FakeControl> m_control;
};

// A link whose port is a FakePort, with a trace file.
struct FakeRig {
    std::shared_ptr<FakeControl> control = std::make_shared<FakeControl>();
    SerialLink link;
    LinkRecorder rec;
    QTemporaryDir dir;
    QString traceFile = dir.filePath(QStringLiteral("comms.log"));

    explicit FakeRig(bool recorded = true) {
        if (recorded)
            rec.attach(link);
        link.setTraceFileName(traceFile);
        link.setPortOpener([c = control](const std::string&) -> std::unique_ptr<SerialPort> {
            int fds[2];
            if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
                return nullptr;
            fcntl(fds[0], F_SETFL, O_NONBLOCK);
            std::lock_guard l(c->lock);
            if (c->peer >= 0)
                ::close(c->peer);
            c->peer = fds[1];
            return std::make_unique<FakePort>(fds[0], c);
        });
    }
    ~FakeRig() {
        link.close();
        if (control->peer >= 0)
            ::close(control->peer);
    }
    bool open() {
        if (!link.open())
            return false;
        // Both threads are waiting once the receive thread has issued its read.
        for (int i = 0; i < 1000 && !trace().contains("Waiting for data from comm connection.");
             ++i)
            QThread::msleep(5);
        return true;
    }
    QStringList trace() const { return traceLines(traceFile); }
    void deviceSends(const QByteArray& bytes) {
        QCOMPARE(::write(control->peer, bytes.constData(), bytes.size()), bytes.size());
    }
    QByteArray deviceReads(qsizetype count) {
        QByteArray got;
        for (int i = 0; i < 1000 && got.size() < count; ++i) {
            pollfd p{control->peer, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(control->peer, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }
    template <typename F> void change(F apply) {
        std::lock_guard l(control->lock);
        apply(*control);
    }
};

QString errorText(int error) {
    return QString::fromStdString(*systemErrorText(error));
}

enum class Failure {
    WriteAtOnce,
    WriteWhileWaiting,
    WriteBadHandle,
    IdleWait,
    ReadFails,
    ReadWait
};

} // namespace

Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(LineErrorCounts)

class TestSerialLinkFakePort : public QObject {
    Q_OBJECT

private slots:
    // A line error reaches chunkReceived as a report text with a zero byte
    // behind it, before the bytes it came with; reception goes on.
    void lineErrorIsReportedBeforeItsBytes_data() {
        QTest::addColumn<LineErrorCounts>("counts");
        QTest::addColumn<QByteArray>("report");
        LineErrorCounts frame;
        frame.framing = 1;
        QTest::newRow("framing") << frame << QByteArray("Comm Event: CE_FRAME, EvtMask = 8");
        LineErrorCounts overrunParity;
        overrunParity.overrun = 2;
        overrunParity.parity = 1;
        QTest::newRow("overrun and parity")
            << overrunParity << QByteArray("Comm Event: CE_OVERRUN and CE_RXPARITY, EvtMask = 6");
        LineErrorCounts all;
        all.framing = all.overrun = all.parity = all.breaks = 1;
        QTest::newRow("all four kinds")
            << all
            << QByteArray("Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY and EV_ERR "
                          "Unknown EvtMask, EvtMask = 30");
        LineErrorCounts bufferOverrun;
        bufferOverrun.bufferOverrun = 1;
        QTest::newRow("input buffer overrun")
            << bufferOverrun << QByteArray("Comm Event: EV_ERR Unknown EvtMask, EvtMask = 1");
    }
    void lineErrorIsReportedBeforeItsBytes() {
        QFETCH(LineErrorCounts, counts);
        QFETCH(QByteArray, report);
        FakeRig rig;
        QVERIFY(rig.open());
        rig.change([&](FakeControl& c) { c.counts = counts; });
        rig.deviceSends(QByteArray("\x00", 1));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks.size(), 2, 10000);
        QCOMPARE(rig.rec.chunks[0], report);
        QCOMPARE(rig.rec.chunks[1], QByteArray("\x00", 1));
        QCOMPARE(rig.rec.zeroMissing, 0);
        // The counters are taken as the new base: plain bytes give no report.
        rig.deviceSends(pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec.chunks.size(), 3, 10000);
        QCOMPARE(rig.rec.chunks[2], pattern(26));
        QCOMPARE(rig.rec.hangups, 0);
    }

    // With nothing connected every chunk and report is still taken and
    // released (the sanitizer build checks the release).
    void chunksWithoutReceiverAreReleased() {
        FakeRig rig(false);
        QVERIFY(rig.open());
        rig.change([](FakeControl& c) { c.counts.framing = 1; });
        rig.deviceSends(pattern(26));
        QTRY_VERIFY_WITH_TIMEOUT(rig.trace().contains("Got something from Comm port!!!"), 10000);
        QTest::qWait(50);
        rig.link.close();
        QVERIFY(!rig.link.isOpen());
    }

    void framingReportIs33Characters() {
        QCOMPARE(lineErrorReport(LineError::Framing).size(), 33u);
        QCOMPARE(lineErrorReport({}), std::string("Comm Event: NULL Error, EvtMask = 0"));
    }

    // A write that the driver takes in part is continued from the next
    // unsent byte until the frame is out.
    void partialWriteIsContinued_data() {
        QTest::addColumn<int>("maxWrite");
        QTest::addColumn<bool>("refuseEveryOther");
        QTest::addColumn<int>("zeroWrites");
        QTest::newRow("5 bytes a call") << 5 << false << 0;
        QTest::newRow("1 byte a call, every other refused") << 1 << true << 0;
        QTest::newRow("25 bytes, every other refused") << 25 << true << 0;
        QTest::newRow("nothing taken by the first writes") << 100 << false << 2;
    }
    void partialWriteIsContinued() {
        QFETCH(int, maxWrite);
        QFETCH(bool, refuseEveryOther);
        QFETCH(int, zeroWrites);
        FakeRig rig;
        rig.change([&](FakeControl& c) {
            c.maxWrite = maxWrite;
            c.refuseEveryOther = refuseEveryOther;
            c.zeroWrites = zeroWrites;
        });
        QVERIFY(rig.open());
        const QByteArray first = pattern(26, 1), second = pattern(26, 2);
        QVERIFY(rig.link.sendBytes(first.constData(), 26));
        QVERIFY(rig.link.sendBytes(second.constData(), 26));
        QVERIFY(rig.link.waitUntilSent(10000));
        QCOMPARE(rig.deviceReads(52), first + second);
        QCOMPARE(rig.trace().count(QStringLiteral("Writing to comm port")), 2);
        QCOMPARE(rig.rec.hangups, 0);
    }

    // Failing calls end a thread with the trace lines and hang-up requests
    // that tell what happened.
    void failureEndsItsThreadWithTraceAndHangup_data() {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("hangups");
        QTest::addColumn<bool>("sendingWorksAfter");
        const QString eio = "GetLastError returned: \"" + errorText(EIO) + "\"";
        const QString einval = "GetLastError returned: \"" + errorText(EINVAL) + "\"";
        QTest::newRow("write fails at once")
            << Failure::WriteAtOnce
            << QStringList{"Writing to comm port", "Error to writing to CommFile" + eio,
                           "Closing TAPI", "Write thread shutting down",
                           "Failed to Post to Write thread. "}
            << 1 << false;
        QTest::newRow("write fails after waiting")
            << Failure::WriteWhileWaiting
            << QStringList{"Writing to comm port", "Error writing to CommFile while waiting" + eio,
                           "Closing TAPI", "Write thread shutting down"}
            << 1 << false;
        QTest::newRow("write on an invalid handle")
            << Failure::WriteBadHandle
            << QStringList{"Writing to comm port",
                           "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed "
                           "the port.",
                           "Write thread shutting down", "Failed to Post to Write thread. "}
            << 0 << false;
        QTest::newRow("transmit thread's wait fails")
            << Failure::IdleWait
            << QStringList{"Write WAIT_FAILED: " + einval, "Write thread shutting down"} << 1
            << false;
        QTest::newRow("read fails")
            << Failure::ReadFails
            << QStringList{"Unexpected GetOverlappedResult Read Error: " + eio,
                           "Unable to HandleReadEvent: " + eio, "Read thread shutting down"}
            << 1 << true;
        QTest::newRow("receive thread's wait fails")
            << Failure::ReadWait
            << QStringList{"Read WAIT_FAILED: " + einval, "Read thread shutting down"} << 1 << true;
    }
    void failureEndsItsThreadWithTraceAndHangup() {
        QFETCH(Failure, failure);
        QFETCH(QStringList, lines);
        QFETCH(int, hangups);
        QFETCH(bool, sendingWorksAfter);
        FakeRig rig;
        QVERIFY(rig.open());
        const QByteArray frame = pattern(26);
        switch (failure) {
        case Failure::WriteAtOnce:
            rig.change([](FakeControl& c) { c.writeErrors = {EIO}; });
            QVERIFY(rig.link.sendBytes(frame.constData(), 26));
            break;
        case Failure::WriteWhileWaiting:
            rig.change([](FakeControl& c) { c.writeErrors = {EAGAIN, EIO}; });
            QVERIFY(rig.link.sendBytes(frame.constData(), 26));
            break;
        case Failure::WriteBadHandle:
            rig.change([](FakeControl& c) { c.writeErrors = {EBADF}; });
            QVERIFY(rig.link.sendBytes(frame.constData(), 26));
            break;
        case Failure::IdleWait:
            // The transmit thread's next wait fails, at the latest once it
            // has written this frame.
            rig.change([](FakeControl& c) { c.writePollErrors = {EINVAL}; });
            rig.link.sendBytes(frame.constData(), 26);
            break;
        case Failure::ReadFails:
            rig.change([](FakeControl& c) { c.readErrors = {EIO}; });
            rig.deviceSends("x");
            break;
        case Failure::ReadWait:
            rig.change([](FakeControl& c) { c.readPollErrors = {EINVAL}; });
            rig.deviceSends("x");
            break;
        }
        const bool writer = failure != Failure::ReadFails && failure != Failure::ReadWait;
        const QThread* thread = writer ? rig.link.transmitThread() : rig.link.receiveThread();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 10000);
        QCOMPARE(rig.link.sendBytes(frame.constData(), 26), sendingWorksAfter);
        QTest::qWait(50);
        QCOMPARE(rig.rec.hangups, hangups);
        QVERIFY2(containsInOrder(rig.trace(), lines), qPrintable(rig.trace().join('\n')));
        // The other thread goes on until the close, which still ends cleanly.
        rig.link.close();
        QVERIFY(!rig.link.isOpen());
        QVERIFY(containsInOrder(rig.trace(), {"Stopping the Comm"}));
    }

    // waitUntilSent is true once the driver says everything has left the
    // port, however long that takes; false when the driver cannot tell.
    void waitUntilSentFollowsTheDriversOutputQueue_data() {
        QTest::addColumn<int>("drainsAfterMs"); // -1: never asked to
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("sent");
        QTest::newRow("drained at once") << 0 << 0 << true;
        QTest::newRow("drained after 300 ms") << 300 << 0 << true;
        QTest::newRow("driver cannot tell") << -1 << int(ENOTTY) << false;
    }
    void waitUntilSentFollowsTheDriversOutputQueue() {
        QFETCH(int, drainsAfterMs);
        QFETCH(int, error);
        QFETCH(bool, sent);
        FakeRig rig;
        rig.change([&](FakeControl& c) {
            c.outputPending = drainsAfterMs == 0 ? 0 : 26;
            c.outputPendingError = error;
        });
        QVERIFY(rig.open());
        const QByteArray frame = pattern(26);
        QVERIFY(rig.link.sendBytes(frame.constData(), 26));
        std::thread driver;
        std::atomic<bool> drained{false};
        if (drainsAfterMs > 0)
            driver = std::thread([&] {
                QThread::msleep(static_cast<unsigned long>(drainsAfterMs));
                rig.change([](FakeControl& c) { c.outputPending = 0; });
                drained = true;
            });
        const bool result = rig.link.waitUntilSent(60000);
        const bool drainedBefore = drained;
        if (driver.joinable())
            driver.join();
        QCOMPARE(result, sent);
        if (drainsAfterMs > 0)
            QVERIFY(drainedBefore); // it did wait for the driver
        QCOMPARE(rig.deviceReads(26), frame);
        QCOMPARE(rig.rec.hangups, 0);
    }

    // At the end of a run the last frames are waited for within a bound;
    // a port that never drains (flow control held, the driver stuck) makes
    // that wait fail and then neither close() nor the link's destruction
    // hangs. The watchdog fails the test instead of letting it hang.
    void portThatNeverDrainsDoesNotHoldUpTheEnd_data() {
        QTest::addColumn<bool>("destroy"); // else close() first
        QTest::newRow("close") << false;
        QTest::newRow("destruction") << true;
    }
    void portThatNeverDrainsDoesNotHoldUpTheEnd() {
        QFETCH(bool, destroy);
        auto rig = std::make_unique<FakeRig>();
        rig->change([](FakeControl& c) { c.outputPending = 26; });
        QVERIFY(rig->open());
        const QByteArray loadOff = pattern(26, 1), frontPanel = pattern(26, 2);
        QVERIFY(rig->link.sendBytes(loadOff.constData(), 26));
        QVERIFY(rig->link.sendBytes(frontPanel.constData(), 26));
        {
            Watchdog watchdog(120, "waitUntilSent(2000) on a port that never drains");
            QVERIFY(!rig->link.waitUntilSent(2000));
        }
        QCOMPARE(rig->deviceReads(52), loadOff + frontPanel); // written, just not drained
        {
            Watchdog watchdog(120, "the end of a link whose port never drains");
            if (!destroy) {
                rig->link.close();
                QVERIFY(!rig->link.isOpen());
                QVERIFY(containsInOrder(rig->trace(),
                                        {"Stopping the Comm", "Write thread shutting down"}));
            }
            rig.reset();
        }
    }

    void systemErrorTraceLines() {
        QTemporaryDir dir;
        SerialLink link; // empties the trace name
        const QString file = dir.filePath(QStringLiteral("t.log"));
        link.setTraceFileName(file);
        TraceLog::open(file.toStdString());
        TraceLog::writeSystemError(EIO, "Unable to create Read thread");
        TraceLog::writeSystemError(99999, "100% sure: ");
        TraceLog::writeSystemError(EIO, nullptr);
        TraceLog::writeSystemError(EIO, std::string(2000, 'x').c_str());
        TraceLog::close();
        const QStringList lines = traceLines(file);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0],
                 "Unable to create Read threadGetLastError returned: \"" + errorText(EIO) + "\"");
        QCOMPARE(lines[1], QStringLiteral("100% sure: GetLastError returned: \"FormatMessage "
                                          "failed on error 99999 for the following reason: 22\""));
        QCOMPARE(lines[2], "GetLastError returned: \"" + errorText(EIO) + "\"");
        QCOMPARE(lines[3], QString(1023, 'x'));
        link.setTraceFileName({});
    }
};

QTEST_GUILESS_MAIN(TestSerialLinkFakePort)
#include "tst_seriallink_fakeport.moc"
