#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"

#include <QLocale>
#include <QTest>

using namespace tarvex;

Q_DECLARE_METATYPE(DeviceFrame)

class TestDeviceFrame : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void requestsCarryCommandModeAndChecksum_data() {
        QTest::addColumn<DeviceFrame>("frame");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("checksum");
        QTest::newRow("read status") << makeStatusQuery() << 0x91 << 0x00 << 0x3B;
        QTest::newRow("computer, load off")
            << makeControlFrame(ControlMode::ComputerLoadOff) << 0x92 << 0x02 << 0x3E;
        QTest::newRow("computer, load on")
            << makeControlFrame(ControlMode::ComputerLoadOn) << 0x92 << 0x03 << 0x3F;
        QTest::newRow("front panel")
            << makeControlFrame(ControlMode::FrontPanel) << 0x92 << 0x00 << 0x3C;
    }
    void requestsCarryCommandModeAndChecksum() {
        QFETCH(DeviceFrame, frame);
        QFETCH(int, command);
        QFETCH(int, mode);
        QFETCH(int, checksum);
        QCOMPARE(frame[0], 0xAA);
        QCOMPARE(frame[1], 0x00);
        QCOMPARE(frame[2], command);
        QCOMPARE(frame[3], mode);
        for (std::size_t i = 4; i < 25; ++i)
            QCOMPARE(frame[i], 0);
        QCOMPARE(frame[25], checksum);
        QCOMPARE(frameChecksum(frame), checksum);
    }

    void checksumWrapsInEightBits() {
        DeviceFrame f;
        f.fill(0xFF);
        // 25 * 255 = 6375 = 0x18E7
        QCOMPARE(frameChecksum(f), 0xE7);
    }

    // The load's side of the exchange: an answer built from raw values decodes
    // back to them, with the request's start byte and command and a checksum.
    void statusAnswerDecodesBackToItsValues_data() {
        QTest::addColumn<int>("milliAmps");
        QTest::addColumn<int>("milliVolts");
        QTest::addColumn<int>("deciWatts");
        QTest::newRow("worked example") << 1500 << 12345 << 185;
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("largest") << 65535 << 2147483647 << 65535;
        QTest::newRow("negative voltage") << 1 << -3205 << 2;
    }
    void statusAnswerDecodesBackToItsValues() {
        QFETCH(int, milliAmps);
        QFETCH(int, milliVolts);
        QFETCH(int, deciWatts);
        const DeviceFrame f =
            makeStatusAnswer(std::uint16_t(milliAmps), milliVolts, std::uint16_t(deciWatts));
        QCOMPARE(f[0], 0xAA);
        QCOMPARE(f[2], 0x91);
        QCOMPARE(f[25], frameChecksum(f));
        const LoadReading r = decodeStatusAnswer(f);
        QCOMPARE(r.milliVolts, milliVolts);
        QCOMPARE(r.ampsText, formatFixed2(milliAmps, 1000, 4, QStringLiteral(".")));
        QCOMPARE(r.wattsText, formatFixed2(deciWatts, 10, 6, QStringLiteral(".")));
    }

    // What the protection counts as an answer: start byte, command and
    // checksum in place; the ends of two answers run together are not one.
    void wellFormedAnswers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("wellFormed");
        const DeviceFrame a = makeStatusAnswer(1500, 12345, 185);
        const DeviceFrame b = makeStatusAnswer(1000, 11000, 110);
        const QByteArray first(reinterpret_cast<const char*>(a.data()), 26);
        const QByteArray second(reinterpret_cast<const char*>(b.data()), 26);
        QTest::newRow("an answer") << first << true;
        QTest::newRow("the end of one and the start of the next")
            << first.mid(10) + second.left(10) << false;
        QByteArray badSum = first;
        badSum[25] = char(badSum[25] + 1);
        QTest::newRow("a wrong checksum") << badSum << false;
        DeviceFrame control = a;
        control[2] = std::uint8_t(FrameCommand::SetControlMode);
        control[25] = frameChecksum(control);
        QTest::newRow("another command")
            << QByteArray(reinterpret_cast<const char*>(control.data()), 26) << false;
        QTest::newRow("zeros") << QByteArray(26, '\0') << false;
    }
    void wellFormedAnswers() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, wellFormed);
        QCOMPARE(isWellFormedAnswer(reinterpret_cast<const std::uint8_t*>(bytes.constData())),
                 wellFormed);
    }
};

QTEST_GUILESS_MAIN(TestDeviceFrame)
#include "tst_deviceframe.moc"
