// The load simulator as the program meets it: through the serial link
// on a pseudo-terminal, answers decoded with the program's own decoder.
#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"
#include "run/SerialLink.h"
#include "support/SerialTestSupport.h"

#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using namespace tarvex;

using namespace loadsim;

namespace {

enum class Trouble { Split, Join, Junk, Silence };

// The program's side: a link open on the simulator's terminal.
struct Program {
    SerialLink comm;
    QList<QByteArray> chunks;
    int hangups = 0;

    explicit Program(const LoadSimulator& sim)
        : Program(QString::fromStdString(sim.terminalPath())) {}
    // Opens the port at path (the simulator's link, for instance).
    explicit Program(const QString& path) {
        comm.setPortName(path);
        QObject::connect(&comm, &SerialLink::chunkReceived,
                         [this](const QByteArray& chunk) { chunks.append(chunk); });
        QObject::connect(&comm, &SerialLink::hangupRequested, [this] { ++hangups; });
    }
    bool open() {
        if (!comm.open())
            return false;
        QTest::qWait(100);
        return true;
    }
    // Sends the frame and lets it leave, as the program's event loop does.
    void send(const DeviceFrame& frame) {
        QVERIFY(comm.sendBytes(QByteArray(reinterpret_cast<const char*>(frame.data()), 26)));
        QVERIFY(comm.waitUntilSent(10000));
    }
    // Polls and waits for the answer chunk; empty when none comes.
    QByteArray ask() {
        const qsizetype before = chunks.size();
        send(makeStatusQuery());
        if (!QTest::qWaitFor([&] { return chunks.size() > before; }, 10000))
            return {};
        return chunks.last();
    }
    // Polls and decodes the answer.
    LoadReading poll() {
        const QByteArray answer = ask();
        if (answer.size() != 26)
            return {};
        return decodeStatusAnswer(reinterpret_cast<const std::uint8_t*>(answer.constData()));
    }
};

SimulatorOptions testOptions(double speed = 0) {
    SimulatorOptions o;
    o.model.openCircuitVolts = 12.0;
    o.model.endVolts = 10.0;
    o.model.capacityAh = 1.0;
    o.model.internalOhms = 0.5;
    o.model.currentAmps = 2.0;
    o.model.speed = speed;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(Trouble)

class TestLoadSimulator : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // The answer carries current, voltage and power where the program reads
    // them, and follows the control modes.
    void answersFollowTheControlModes() {
        LoadSimulator sim(testOptions());
        Program program(sim);
        QVERIFY(program.open());

        LoadReading r = program.poll();
        QCOMPARE(r.milliVolts, 12000);
        QCOMPARE(r.ampsText, QStringLiteral("0.00"));
        QCOMPARE(r.wattsText, QStringLiteral("  0.00"));
        QVERIFY(!sim.state().computerControl);

        program.send(makeControlFrame(ControlMode::ComputerLoadOn));
        r = program.poll();
        QCOMPARE(r.milliVolts, 11000); // 12 V - 2 A x 0.5 ohm
        QCOMPARE(r.ampsText, QStringLiteral("2.00"));
        QCOMPARE(r.voltsText, QStringLiteral(" 11.00"));
        QCOMPARE(r.wattsText, QStringLiteral(" 22.00"));
        QVERIFY(sim.state().computerControl && sim.state().inputOn);

        program.send(makeControlFrame(ControlMode::ComputerLoadOff));
        r = program.poll();
        QCOMPARE(r.milliVolts, 12000);
        QCOMPARE(r.amps, 0.0);

        program.send(makeControlFrame(ControlMode::FrontPanel));
        QVERIFY(sim.waitForFrames(6, 10000));
        QVERIFY(!sim.state().computerControl);

        // Every frame is in the log, in order, with its checksum checked.
        const auto frames = sim.receivedFrames();
        QCOMPARE(frames.size(), 6u);
        const DeviceFrame expected[] = {
            makeStatusQuery(), makeControlFrame(ControlMode::ComputerLoadOn),
            makeStatusQuery(), makeControlFrame(ControlMode::ComputerLoadOff),
            makeStatusQuery(), makeControlFrame(ControlMode::FrontPanel)};
        for (std::size_t i = 0; i < 3; ++i)
            QVERIFY(frames[i].checksumOk);
        QVERIFY(std::equal(expected[1].begin(), expected[1].end(), frames[1].bytes.begin()));
        QVERIFY(std::equal(expected[5].begin(), expected[5].end(), frames[5].bytes.begin()));
    }

    // Load-off requests lost on demand (the option at start, or the call):
    // the first N leave the input on, the next switches it off; "all" never.
    void loadOffsAreIgnoredOnDemand_data() {
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<int>("ignored");
        QTest::addColumn<int>("offsUntilOff"); // 0: never off
        QTest::newRow("none") << false << 0 << 1;
        QTest::newRow("the first, by the option") << true << 1 << 2;
        QTest::newRow("the first two, by the call") << false << 2 << 3;
        QTest::newRow("all") << false << -1 << 0;
    }
    void loadOffsAreIgnoredOnDemand() {
        QFETCH(bool, atStart);
        QFETCH(int, ignored);
        QFETCH(int, offsUntilOff);
        SimulatorOptions options = testOptions();
        if (atStart)
            options.ignoredLoadOffs = ignored;
        LoadSimulator sim(options);
        Program program(sim);
        QVERIFY(program.open());
        program.send(makeControlFrame(ControlMode::ComputerLoadOn));
        QVERIFY(program.poll().amps > 0);
        if (!atStart)
            sim.ignoreLoadOffs(ignored);
        for (int off = 1; off <= 4; ++off) {
            program.send(makeControlFrame(ControlMode::ComputerLoadOff));
            const LoadReading r = program.poll();
            const bool switchedOff = offsUntilOff > 0 && off >= offsUntilOff;
            QCOMPARE(r.amps > 0, !switchedOff);
            QCOMPARE(sim.state().inputOn, !switchedOff);
        }
    }

    void answerCarriesTheValuesWhereTheProgramReadsThem_data() {
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("watts");
        QTest::addColumn<QString>("hex"); // bytes 0 to 10
        QTest::newRow("worked example") << 12.345 << 1.5 << 18.5 << "AA0091DC0539300000B900";
        QTest::newRow("negative voltage") << -0.001 << 0.0 << 0.0 << "AA00910000FFFFFFFF0000";
        QTest::newRow("largest current and power")
            << 100.0 << 70.0 << 7000.0 << "AA0091FFFFA0860100FFFF";
    }
    void answerCarriesTheValuesWhereTheProgramReadsThem() {
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(double, watts);
        QFETCH(QString, hex);
        LoadState s;
        s.volts = volts;
        s.amps = amps;
        s.watts = watts;
        const Bytes answer = encodeAnswer(s);
        QCOMPARE(answer.size(), kFrameSize);
        DeviceFrame f;
        std::copy(answer.begin(), answer.end(), f.begin());
        QCOMPARE(answer[25], frameChecksum(f));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(answer.data()), 11).toHex().toUpper(),
                 hex.toLatin1());
    }

    // Current flows only while the input is on; the voltage falls with the
    // charge drawn and collapses once the capacity is used up.
    void voltageFallsAsChargeIsDrawnWhileInputIsOn() {
        const LoadModel m = testOptions().model;
        QCOMPARE(openCircuitVolts(m, 0), 12.0);
        QCOMPARE(openCircuitVolts(m, 0.5), 11.0);
        QCOMPARE(openCircuitVolts(m, 1.0), 10.0);
        QCOMPARE(openCircuitVolts(m, 1.05), 0.0);

        // 2 A from 1 Ah at 3600x speed: the capacity is drawn in 30 s.
        LoadSimulator sim(testOptions(3600));
        Program program(sim);
        QVERIFY(program.open());
        QTest::qWait(200);
        QCOMPARE(sim.state().chargeAh, 0.0);
        program.send(makeControlFrame(ControlMode::ComputerLoadOn));
        const int first = program.poll().milliVolts;
        QTRY_VERIFY_WITH_TIMEOUT(sim.state().chargeAh > 0.1, 10000);
        const int later = program.poll().milliVolts;
        QVERIFY2(later < first, qPrintable(QString("%1 %2").arg(first).arg(later)));
        program.send(makeControlFrame(ControlMode::ComputerLoadOff));
        QVERIFY(sim.waitForFrames(4, 10000));
        const double drawn = sim.state().chargeAh;
        QTest::qWait(200);
        QCOMPARE(sim.state().chargeAh, drawn);
    }

    // Misbehaviour on demand gives the chunks the program must cope with.
    void misbehaviourShapesTheChunksTheProgramReceives_data() {
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::addColumn<bool>("alone"); // the last answer, as recorded
        QTest::newRow("split") << Trouble::Split << QList<qsizetype>{10, 16} << false;
        QTest::newRow("join") << Trouble::Join << QList<qsizetype>{52} << false;
        QTest::newRow("junk") << Trouble::Junk << QList<qsizetype>{31} << false;
        QTest::newRow("silence") << Trouble::Silence << QList<qsizetype>{26} << true;
    }
    void misbehaviourShapesTheChunksTheProgramReceives() {
        QFETCH(Trouble, trouble);
        QFETCH(QList<qsizetype>, sizes);
        QFETCH(bool, alone);
        QTemporaryDir dir;
        SimulatorOptions options = testOptions();
        options.logFile = dir.filePath(QStringLiteral("load.log")).toStdString();
        LoadSimulator sim(options);
        Program program(sim);
        QVERIFY(program.open());
        qsizetype total = 0;
        for (auto s : sizes)
            total += s;
        switch (trouble) {
        case Trouble::Split:
            sim.splitNextAnswer(10, 150);
            break;
        case Trouble::Join:
            sim.joinNextAnswers();
            break;
        case Trouble::Junk:
            sim.addJunkToNextAnswer(5);
            break;
        case Trouble::Silence:
            sim.staySilentFor(400);
            break;
        }
        program.send(makeStatusQuery());
        QVERIFY(sim.waitForFrames(1, 10000));
        if (trouble == Trouble::Join || trouble == Trouble::Silence) {
            QTest::qWait(200);
            QVERIFY(program.chunks.isEmpty()); // held back, or not answered
        }
        if (trouble == Trouble::Join)
            program.send(makeStatusQuery());
        if (trouble == Trouble::Silence) {
            QTest::qWait(400);
            program.send(makeStatusQuery());
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            std::accumulate(program.chunks.begin(), program.chunks.end(), qsizetype(0),
                            [](qsizetype n, const QByteArray& c) { return n + c.size(); }),
            total, 10000);
        QFile log(QString::fromStdString(options.logFile));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QList<qsizetype> got;
        for (const auto& c : program.chunks)
            got.append(c.size());
        QVERIFY2(got == sizes, text.constData());
        QCOMPARE(program.chunks.join().left(3), QByteArray("\xAA\x00\x91", 3));
        QVERIFY2(text.contains("RX AA 00 91 00 00"), text.constData());
        QVERIFY(text.contains("TX AA 00 91"));
        // The held-back answer of a join goes out inside the next one's burst.
        const auto answers = sim.sentAnswers();
        QCOMPARE(answers.size(), std::size_t(1));
        QCOMPARE(answers.back().alone, alone);
    }

    // The load going away: the program gets one hang-up request.
    void hangUpReachesTheProgramOnce() {
        LoadSimulator sim(testOptions());
        Program program(sim);
        QVERIFY(program.open());
        QCOMPARE(program.poll().milliVolts, 12000);
        sim.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(program.hangups, 1, 10000);
        QVERIFY(sim.hasHungUp());
        QTest::qWait(200);
        QCOMPARE(program.hangups, 1);
        program.comm.close();
    }

    // The link the simulator makes points at its terminal, replaces whatever
    // was at its path and goes with the simulator.
    void linkPointsAtTheTerminalWhileTheSimulatorRuns() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        QFile stale(link);
        QVERIFY(stale.open(QIODevice::WriteOnly)); // left by an earlier run
        stale.close();
        SimulatorOptions options = testOptions();
        options.linkPath = link.toStdString();
        auto sim = std::make_unique<LoadSimulator>(options);
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(sim->terminalPath()));
        QCOMPARE(sim->linkPath(), options.linkPath);
        Program program(link);
        QVERIFY(program.open());
        QCOMPARE(program.poll().milliVolts, 12000);
        program.comm.close();
        sim.reset();
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(link));

        options.linkPath = dir.filePath(QStringLiteral("no-such-folder/load")).toStdString();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, LoadSimulator{options});
    }

    // The adapter pulled and plugged back in: the program's open port sees
    // a hang-up; the link comes back on a new terminal, where the same load
    // (its state and its misbehaviour) answers a port opened at the link.
    void replugComesBackAtTheLinkWithTheSameLoad() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("load"));
        SimulatorOptions options = testOptions();
        options.linkPath = link.toStdString();
        LoadSimulator sim(options);
        Program before(link);
        QVERIFY(before.open());
        before.send(makeControlFrame(ControlMode::ComputerLoadOn));
        QCOMPARE(before.poll().milliVolts, 11000);
        Misbehaviour junk;
        junk.junkEvery = 1;
        junk.junkBytes = 2;
        sim.setMisbehaviour(junk);
        QCOMPARE(before.ask().size(), 28);
        const QString oldTerminal = QString::fromStdString(sim.terminalPath());
        // A descriptor of the old terminal stays open (as in a program that
        // has not closed its port yet), so the new one cannot take its name.
        const int oldDevice = ::open(oldTerminal.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(oldDevice >= 0);
        const std::size_t frames = sim.receivedFrames().size();
        const std::size_t answers = sim.sentAnswers().size();
        QCOMPARE(answers, 2u);

        // Pulled out for as long as the test looks; then back at once.
        sim.replug(600000);
        QTRY_COMPARE_WITH_TIMEOUT(before.hangups, 1, 10000);
        QVERIFY(sim.hasHungUp());
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
        QCOMPARE(sim.replugCount(), 0u);
        {
            Program meanwhile(link);
            QVERIFY(!meanwhile.comm.open());
            QCOMPARE(meanwhile.comm.lastOpenError(), ENOENT);
        }
        sim.replug(0);
        QVERIFY(sim.waitForReplugs(1, 10000));
        QVERIFY(!sim.hasHungUp());
        const QString newTerminal = QString::fromStdString(sim.terminalPath());
        QVERIFY(newTerminal != oldTerminal);
        QCOMPARE(QFileInfo(link).symLinkTarget(), newTerminal);
        QVERIFY(!QFileInfo::exists(oldTerminal));
        ::close(oldDevice);

        Program after(link);
        QVERIFY(after.open());
        const QByteArray answer = after.ask();
        QCOMPARE(answer.size(), 28); // the junk setting held
        QCOMPARE(decodeStatusAnswer(reinterpret_cast<const std::uint8_t*>(answer.constData()))
                     .milliVolts,
                 11000); // still drawing 2 A under PC control
        QVERIFY(sim.state().computerControl && sim.state().inputOn);
        after.send(makeControlFrame(ControlMode::ComputerLoadOff));
        QVERIFY(sim.waitForFrames(frames + 2, 10000));
        QVERIFY(!sim.state().inputOn);

        // The records go on from where they were.
        QCOMPARE(sim.sentAnswers().size(), answers + 1);
        const auto received = sim.receivedFrames();
        QCOMPARE(received.size(), frames + 2);
        const DeviceFrame off = makeControlFrame(ControlMode::ComputerLoadOff);
        QVERIFY(std::equal(off.begin(), off.end(), received.back().bytes.begin()));
        // The old port only ever saw its one hang-up.
        QCOMPARE(before.hangups, 1);
        QCOMPARE(after.hangups, 0);
    }
};

QTEST_GUILESS_MAIN(TestLoadSimulator)
#include "tst_loadsimulator.moc"
