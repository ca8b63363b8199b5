// The serial component's threads against a fake port: line errors, partial
// writes and failing calls, with the trace lines and hang-up requests they
// give.
#include "support/SerialTestSupport.h"

#include "serial/SerialLink.h"
#include "serial/SystemError.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>

#include <deque>
#include <mutex>

using namespace tarvex;

namespace {

// What the test controls of the fake port; shared, since the component
// destroys the port at its close.
struct FakeControl {
    std::mutex lock;
    TLineErrorCounts counts;
    bool haveCounts = true;
    int maxWrite = 1 << 30;        // bytes taken per write call
    bool refuseEveryOther = false; // every other write takes nothing (EAGAIN)
    int zeroWrites = 0;            // the next writes take nothing and say so (0)
    std::deque<int> writeErrors;   // errno for the next write calls (0: no failure)
    std::deque<int> readErrors;
    std::deque<int> readPollErrors;  // waits of the receive thread
    std::deque<int> writePollErrors; // waits of the transmit thread
    int writeCalls = 0;
    int peer = -1; // the device's end of the socket pair

    static int Next(std::deque<int>& errors) {
        if (errors.empty())
            return 0;
        const int e = errors.front();
        errors.pop_front();
        return e;
    }
};

class FakePort final : public ISerialPort {
public:
    FakePort(int fd, std::shared_ptr<FakeControl> control) : fd_(fd), c_(std::move(control)) {}
    ~FakePort() override { ::close(fd_); }

    int Fd() const override { return fd_; }
    bool IsSerialDevice() override { return true; }
    void ApplyLineSettings(const TLineSettings&) override {}
    ssize_t Read(void* buffer, std::size_t count) override {
        if (const int e = Injected(c_->readErrors)) {
            errno = e;
            return -1;
        }
        return ::read(fd_, buffer, count);
    }
    ssize_t Write(const void* data, std::size_t count) override {
        std::size_t take = count;
        {
            std::lock_guard l(c_->lock);
            ++c_->writeCalls;
            if (const int e = FakeControl::Next(c_->writeErrors)) {
                errno = e;
                return -1;
            }
            if (c_->zeroWrites > 0 && count > 0) {
                --c_->zeroWrites;
                return 0;
            }
            if (c_->refuseEveryOther && count > 0 && c_->writeCalls % 2 == 1) {
                errno = EAGAIN;
                return -1;
            }
            take = std::min<std::size_t>(count, static_cast<std::size_t>(c_->maxWrite));
        }
        return ::write(fd_, data, take);
    }
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        // Only the receive thread waits for input on the port.
        const bool reader = count == 2 && fds[1].fd == fd_ && fds[1].events == POLLIN;
        if (const int e = Injected(reader ? c_->readPollErrors : c_->writePollErrors)) {
            errno = e;
            return -1;
        }
        return ::poll(fds, count, timeoutMs);
    }
    bool LineErrorCounts(TLineErrorCounts& counts) override {
        std::lock_guard l(c_->lock);
        counts = c_->counts;
        return c_->haveCounts;
    }
    void Purge(TPurge) override {}
    bool Drain() override { return true; }

private:
    int Injected(std::deque<int>& errors) {
        std::lock_guard l(c_->lock);
        return FakeControl::Next(errors);
    }
    int fd_;
    std::shared_ptr<FakeControl> c_;
};

// A component whose port is a FakePort, with a trace file.
struct FakeLink {
    std::shared_ptr<FakeControl> control = std::make_shared<FakeControl>();
    TComm32 comm;
    CommRecorder rec;
    QTemporaryDir dir;
    QString traceFile = dir.filePath(QStringLiteral("comms.log"));

    explicit FakeLink(bool handlers = true) {
        if (handlers)
            rec.Attach(comm);
        comm.SetCommsLogFileName(traceFile);
        comm.SetPortOpener([c = control](const std::string&) -> std::unique_ptr<ISerialPort> {
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
    ~FakeLink() {
        comm.ClosePort();
        if (control->peer >= 0)
            ::close(control->peer);
    }
    bool Open() {
        if (!comm.OpenPort())
            return false;
        // Both threads are waiting once the receive thread has issued its read.
        for (int i = 0; i < 1000 && !Trace().contains("Waiting for data from comm connection.");
             ++i)
            QThread::msleep(5);
        return true;
    }
    QStringList Trace() const { return TraceLines(traceFile); }
    void DeviceSends(const QByteArray& bytes) {
        QCOMPARE(::write(control->peer, bytes.constData(), bytes.size()), bytes.size());
    }
    QByteArray DeviceReads(qsizetype count) {
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
    template <typename F> void Control(F change) {
        std::lock_guard l(control->lock);
        change(*control);
    }
};

QString ErrorText(int error) {
    return QString::fromStdString(*FormatLastError(error));
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
Q_DECLARE_METATYPE(TLineErrorCounts)

class TestComm32Fake : public QObject {
    Q_OBJECT

private slots:
    // A line error reaches OnReceiveData as a report text with a zero byte
    // behind it, before the bytes it came with; reception goes on.
    void lineErrors_data() {
        QTest::addColumn<TLineErrorCounts>("counts");
        QTest::addColumn<QByteArray>("report");
        TLineErrorCounts frame;
        frame.Frame = 1;
        QTest::newRow("framing") << frame << QByteArray("Comm Event: CE_FRAME, EvtMask = 8");
        TLineErrorCounts overrunParity;
        overrunParity.Overrun = 2;
        overrunParity.Parity = 1;
        QTest::newRow("overrun and parity")
            << overrunParity << QByteArray("Comm Event: CE_OVERRUN and CE_RXPARITY, EvtMask = 6");
        TLineErrorCounts all;
        all.Frame = all.Overrun = all.Parity = all.Break = 1;
        QTest::newRow("all four kinds")
            << all
            << QByteArray("Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY and EV_ERR "
                          "Unknown EvtMask, EvtMask = 30");
        TLineErrorCounts bufferOverrun;
        bufferOverrun.BufOverrun = 1;
        QTest::newRow("input buffer overrun")
            << bufferOverrun << QByteArray("Comm Event: EV_ERR Unknown EvtMask, EvtMask = 1");
    }
    void lineErrors() {
        QFETCH(TLineErrorCounts, counts);
        QFETCH(QByteArray, report);
        FakeLink link;
        QVERIFY(link.Open());
        link.Control([&](FakeControl& c) { c.counts = counts; });
        link.DeviceSends(QByteArray("\x00", 1));
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.chunks.size(), 2, 10000);
        QCOMPARE(link.rec.chunks[0], report);
        QCOMPARE(link.rec.chunks[1], QByteArray("\x00", 1));
        QCOMPARE(link.rec.zeroMissing, 0);
        // The counters are taken as the new base: plain bytes give no report.
        link.DeviceSends(Pattern(26));
        QTRY_COMPARE_WITH_TIMEOUT(link.rec.chunks.size(), 3, 10000);
        QCOMPARE(link.rec.chunks[2], Pattern(26));
        QCOMPARE(link.rec.hangups, 0);
    }

    // Without handlers every chunk and report is still taken and released
    // (the sanitizer build checks the release).
    void noHandlers() {
        FakeLink link(false);
        QVERIFY(link.Open());
        link.Control([](FakeControl& c) { c.counts.Frame = 1; });
        link.DeviceSends(Pattern(26));
        QTRY_VERIFY_WITH_TIMEOUT(link.Trace().contains("Got something from Comm port!!!"), 10000);
        QTest::qWait(50);
        link.comm.ClosePort();
        QVERIFY(!link.comm.IsOpen());
    }

    void framingReportIs33Characters() {
        QCOMPARE(LineErrorReport(CE_FRAME).size(), 33u);
        QCOMPARE(LineErrorReport(0), std::string("Comm Event: NULL Error, EvtMask = 0"));
    }

    // A write that the driver takes in part is continued from the next
    // unsent byte until the frame is out.
    void partialWrites_data() {
        QTest::addColumn<int>("maxWrite");
        QTest::addColumn<bool>("refuseEveryOther");
        QTest::addColumn<int>("zeroWrites");
        QTest::newRow("5 bytes a call") << 5 << false << 0;
        QTest::newRow("1 byte a call, every other refused") << 1 << true << 0;
        QTest::newRow("25 bytes, every other refused") << 25 << true << 0;
        QTest::newRow("nothing taken by the first writes") << 100 << false << 2;
    }
    void partialWrites() {
        QFETCH(int, maxWrite);
        QFETCH(bool, refuseEveryOther);
        QFETCH(int, zeroWrites);
        FakeLink link;
        link.Control([&](FakeControl& c) {
            c.maxWrite = maxWrite;
            c.refuseEveryOther = refuseEveryOther;
            c.zeroWrites = zeroWrites;
        });
        QVERIFY(link.Open());
        const QByteArray first = Pattern(26, 1), second = Pattern(26, 2);
        QVERIFY(link.comm.SendBytes(first.constData(), 26));
        QVERIFY(link.comm.SendBytes(second.constData(), 26));
        QVERIFY(link.comm.WaitUntilSent(10000));
        QCOMPARE(link.DeviceReads(52), first + second);
        QCOMPARE(link.Trace().count(QStringLiteral("Writing to comm port")), 2);
        QCOMPARE(link.rec.hangups, 0);
    }

    // Failing calls end a thread with the trace lines and hang-up requests
    // that tell what happened.
    void failures_data() {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("hangups");
        QTest::addColumn<bool>("sendingWorksAfter");
        const QString eio = "GetLastError returned: \"" + ErrorText(EIO) + "\"";
        const QString einval = "GetLastError returned: \"" + ErrorText(EINVAL) + "\"";
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
    void failures() {
        QFETCH(Failure, failure);
        QFETCH(QStringList, lines);
        QFETCH(int, hangups);
        QFETCH(bool, sendingWorksAfter);
        FakeLink link;
        QVERIFY(link.Open());
        const QByteArray frame = Pattern(26);
        switch (failure) {
        case Failure::WriteAtOnce:
            link.Control([](FakeControl& c) { c.writeErrors = {EIO}; });
            QVERIFY(link.comm.SendBytes(frame.constData(), 26));
            break;
        case Failure::WriteWhileWaiting:
            link.Control([](FakeControl& c) { c.writeErrors = {EAGAIN, EIO}; });
            QVERIFY(link.comm.SendBytes(frame.constData(), 26));
            break;
        case Failure::WriteBadHandle:
            link.Control([](FakeControl& c) { c.writeErrors = {EBADF}; });
            QVERIFY(link.comm.SendBytes(frame.constData(), 26));
            break;
        case Failure::IdleWait:
            // The transmit thread's next wait fails, at the latest once it
            // has written this frame.
            link.Control([](FakeControl& c) { c.writePollErrors = {EINVAL}; });
            link.comm.SendBytes(frame.constData(), 26);
            break;
        case Failure::ReadFails:
            link.Control([](FakeControl& c) { c.readErrors = {EIO}; });
            link.DeviceSends("x");
            break;
        case Failure::ReadWait:
            link.Control([](FakeControl& c) { c.readPollErrors = {EINVAL}; });
            link.DeviceSends("x");
            break;
        }
        const bool writer = failure != Failure::ReadFails && failure != Failure::ReadWait;
        const QThread* thread = writer ? link.comm.WriteThread() : link.comm.ReadThread();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 10000);
        QCOMPARE(link.comm.SendBytes(frame.constData(), 26), sendingWorksAfter);
        QTest::qWait(50);
        QCOMPARE(link.rec.hangups, hangups);
        QVERIFY2(ContainsInOrder(link.Trace(), lines), qPrintable(link.Trace().join('\n')));
        // The other thread goes on until the close, which still ends cleanly.
        link.comm.ClosePort();
        QVERIFY(!link.comm.IsOpen());
        QVERIFY(ContainsInOrder(link.Trace(), {"Stopping the Comm"}));
    }

    void errorTraceLines() {
        QTemporaryDir dir;
        TComm32 comm; // empties the trace name
        const QString file = dir.filePath(QStringLiteral("t.log"));
        comm.SetCommsLogFileName(file);
        OpenTraceFile(file.toStdString());
        TraceLastError(EIO, "Unable to create Read thread");
        TraceLastError(99999, "100% sure: ");
        TraceLastError(EIO, nullptr);
        TraceLastError(EIO, std::string(2000, 'x').c_str());
        CloseTraceFile();
        const QStringList lines = TraceLines(file);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0],
                 "Unable to create Read threadGetLastError returned: \"" + ErrorText(EIO) + "\"");
        QCOMPARE(lines[1], QStringLiteral("100% sure: GetLastError returned: \"FormatMessage "
                                          "failed on error 99999 for the following reason: 22\""));
        QCOMPARE(lines[2], "GetLastError returned: \"" + ErrorText(EIO) + "\"");
        QCOMPARE(lines[3], QString(1023, 'x'));
        comm.SetCommsLogFileName({});
    }
};

QTEST_GUILESS_MAIN(TestComm32Fake)
#include "tst_seriallink_fakeport.moc"
