// The load simulator as the program meets it: through the serial component
// on a pseudo-terminal, answers decoded with the program's own decoder.
#include "loadsim/LoadSimulator.h"
#include "protocol/Frames.h"
#include "serial/SerialLink.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using namespace tarvex;

using namespace loadsim;

namespace {

enum class Trouble { Split, Join, Junk, Silence };

// The program's side: a component open on the simulator's terminal.
struct Program {
    SerialLink comm;
    QList<QByteArray> chunks;
    int hangups = 0;

    explicit Program(const LoadSimulator& sim) {
        comm.setCommPort(QString::fromStdString(sim.SlavePath()));
        QObject::connect(&comm, &SerialLink::chunkReceived,
                         [this](const QByteArray& chunk) { chunks.append(chunk); });
        QObject::connect(&comm, &SerialLink::hangupRequested, [this] { ++hangups; });
    }
    bool Open() {
        if (!comm.open())
            return false;
        QTest::qWait(100);
        return true;
    }
    void Send(const DeviceFrame& frame) { QVERIFY(comm.sendBytes(frame.data(), 26)); }
    // Polls and waits for the answer chunk.
    LoadReading Poll() {
        const qsizetype before = chunks.size();
        Send(MakeStatusQuery());
        if (!QTest::qWaitFor([&] { return chunks.size() > before; }, 10000))
            return {};
        const QByteArray answer = chunks.last();
        if (answer.size() != 26)
            return {};
        return DecodeStatusAnswer(reinterpret_cast<const std::uint8_t*>(answer.constData()));
    }
};

SimulatorOptions Options(double speed = 0) {
    SimulatorOptions o;
    o.Model.OpenCircuitVolts = 12.0;
    o.Model.EndVolts = 10.0;
    o.Model.CapacityAh = 1.0;
    o.Model.InternalOhms = 0.5;
    o.Model.CurrentAmps = 2.0;
    o.Model.Speed = speed;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(Trouble)

class TestLoadSim : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // The answer carries current, voltage and power where the program reads
    // them, and follows the control modes.
    void answersFollowTheControlModes() {
        LoadSimulator sim(Options());
        Program program(sim);
        QVERIFY(program.Open());

        LoadReading r = program.Poll();
        QCOMPARE(r.MilliVolts, 12000);
        QCOMPARE(r.CurText, QStringLiteral("0.00"));
        QCOMPARE(r.PowText, QStringLiteral("  0.00"));
        QVERIFY(!sim.State().PcControl);

        program.Send(MakeControlFrame(kModePcLoadOn));
        r = program.Poll();
        QCOMPARE(r.MilliVolts, 11000); // 12 V - 2 A x 0.5 ohm
        QCOMPARE(r.CurText, QStringLiteral("2.00"));
        QCOMPARE(r.VolText, QStringLiteral(" 11.00"));
        QCOMPARE(r.PowText, QStringLiteral(" 22.00"));
        QVERIFY(sim.State().PcControl && sim.State().InputOn);

        program.Send(MakeControlFrame(kModePcLoadOff));
        r = program.Poll();
        QCOMPARE(r.MilliVolts, 12000);
        QCOMPARE(r.Amps, 0.0);

        program.Send(MakeControlFrame(kModeSelfControl));
        QVERIFY(sim.WaitForFrames(6, 10000));
        QVERIFY(!sim.State().PcControl);

        // Every frame is in the log, in order, with its checksum checked.
        const auto frames = sim.ReceivedFrames();
        QCOMPARE(frames.size(), 6u);
        const DeviceFrame expected[] = {MakeStatusQuery(), MakeControlFrame(kModePcLoadOn),
                                        MakeStatusQuery(), MakeControlFrame(kModePcLoadOff),
                                        MakeStatusQuery(), MakeControlFrame(kModeSelfControl)};
        for (std::size_t i = 0; i < 3; ++i)
            QVERIFY(frames[i].ChecksumOk);
        QVERIFY(std::equal(expected[1].begin(), expected[1].end(), frames[1].Frame.begin()));
        QVERIFY(std::equal(expected[5].begin(), expected[5].end(), frames[5].Frame.begin()));
    }

    void answerLayout_data() {
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("watts");
        QTest::addColumn<QString>("hex"); // bytes 0 to 10
        QTest::newRow("worked example") << 12.345 << 1.5 << 18.5 << "AA0091DC0539300000B900";
        QTest::newRow("negative voltage") << -0.001 << 0.0 << 0.0 << "AA00910000FFFFFFFF0000";
        QTest::newRow("largest current and power")
            << 100.0 << 70.0 << 7000.0 << "AA0091FFFFA0860100FFFF";
    }
    void answerLayout() {
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(double, watts);
        QFETCH(QString, hex);
        LoadState s;
        s.Volts = volts;
        s.Amps = amps;
        s.Watts = watts;
        const Bytes answer = EncodeAnswer(s);
        QCOMPARE(answer.size(), kFrameSize);
        DeviceFrame f;
        std::copy(answer.begin(), answer.end(), f.begin());
        QCOMPARE(answer[25], FrameChecksum(f));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(answer.data()), 11).toHex().toUpper(),
                 hex.toLatin1());
    }

    // Current flows only while the input is on; the voltage falls with the
    // charge drawn and collapses once the capacity is used up.
    void discharge() {
        const LoadModel m = Options().Model;
        QCOMPARE(OpenCircuitVolts(m, 0), 12.0);
        QCOMPARE(OpenCircuitVolts(m, 0.5), 11.0);
        QCOMPARE(OpenCircuitVolts(m, 1.0), 10.0);
        QCOMPARE(OpenCircuitVolts(m, 1.05), 0.0);

        // 2 A from 1 Ah at 3600x speed: the capacity is drawn in 30 s.
        LoadSimulator sim(Options(3600));
        Program program(sim);
        QVERIFY(program.Open());
        QTest::qWait(200);
        QCOMPARE(sim.State().ChargeAh, 0.0);
        program.Send(MakeControlFrame(kModePcLoadOn));
        const int first = program.Poll().MilliVolts;
        QTRY_VERIFY_WITH_TIMEOUT(sim.State().ChargeAh > 0.1, 10000);
        const int later = program.Poll().MilliVolts;
        QVERIFY2(later < first, qPrintable(QString("%1 %2").arg(first).arg(later)));
        program.Send(MakeControlFrame(kModePcLoadOff));
        QVERIFY(sim.WaitForFrames(4, 10000));
        const double drawn = sim.State().ChargeAh;
        QTest::qWait(200);
        QCOMPARE(sim.State().ChargeAh, drawn);
    }

    // Misbehaviour on demand gives the chunks the program must cope with.
    void misbehaviour_data() {
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::newRow("split") << Trouble::Split << QList<qsizetype>{10, 16};
        QTest::newRow("join") << Trouble::Join << QList<qsizetype>{52};
        QTest::newRow("junk") << Trouble::Junk << QList<qsizetype>{31};
        QTest::newRow("silence") << Trouble::Silence << QList<qsizetype>{26};
    }
    void misbehaviour() {
        QFETCH(Trouble, trouble);
        QFETCH(QList<qsizetype>, sizes);
        QTemporaryDir dir;
        SimulatorOptions options = Options();
        options.LogFile = dir.filePath(QStringLiteral("load.log")).toStdString();
        LoadSimulator sim(options);
        Program program(sim);
        QVERIFY(program.Open());
        qsizetype total = 0;
        for (auto s : sizes)
            total += s;
        switch (trouble) {
        case Trouble::Split:
            sim.SplitNextAnswer(10, 150);
            break;
        case Trouble::Join:
            sim.JoinNextAnswers();
            break;
        case Trouble::Junk:
            sim.AddJunkToNextAnswer(5);
            break;
        case Trouble::Silence:
            sim.StaySilentFor(400);
            break;
        }
        program.Send(MakeStatusQuery());
        QVERIFY(sim.WaitForFrames(1, 10000));
        if (trouble == Trouble::Join || trouble == Trouble::Silence) {
            QTest::qWait(200);
            QVERIFY(program.chunks.isEmpty()); // held back, or not answered
        }
        if (trouble == Trouble::Join)
            program.Send(MakeStatusQuery());
        if (trouble == Trouble::Silence) {
            QTest::qWait(400);
            program.Send(MakeStatusQuery());
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            std::accumulate(program.chunks.begin(), program.chunks.end(), qsizetype(0),
                            [](qsizetype n, const QByteArray& c) { return n + c.size(); }),
            total, 10000);
        QFile log(QString::fromStdString(options.LogFile));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QList<qsizetype> got;
        for (const auto& c : program.chunks)
            got.append(c.size());
        QVERIFY2(got == sizes, text.constData());
        QCOMPARE(program.chunks.join().left(3), QByteArray("\xAA\x00\x91", 3));
        QVERIFY2(text.contains("RX AA 00 91 00 00"), text.constData());
        QVERIFY(text.contains("TX AA 00 91"));
    }

    // The load going away: the program gets one hang-up request.
    void hangUp() {
        LoadSimulator sim(Options());
        Program program(sim);
        QVERIFY(program.Open());
        QCOMPARE(program.Poll().MilliVolts, 12000);
        sim.HangUp();
        QTRY_COMPARE_WITH_TIMEOUT(program.hangups, 1, 10000);
        QVERIFY(sim.HungUp());
        QTRY_VERIFY_WITH_TIMEOUT(program.comm.receiveThread()->isFinished(), 10000);
        program.comm.close();
    }
};

QTEST_GUILESS_MAIN(TestLoadSim)
#include "tst_loadsim.moc"
