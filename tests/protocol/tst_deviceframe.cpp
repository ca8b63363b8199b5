#include "protocol/DeviceFrame.h"

#include <QLocale>
#include <QTest>

using namespace tarvex;

Q_DECLARE_METATYPE(DeviceFrame)

namespace {

DeviceFrame AnswerWith(std::initializer_list<std::uint8_t> bytes3to10, std::uint8_t filler = 0) {
    DeviceFrame f;
    f.fill(filler);
    std::size_t i = 3;
    for (auto b : bytes3to10)
        f[i++] = b;
    return f;
}

} // namespace

class TestFrames : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void requests_data() {
        QTest::addColumn<DeviceFrame>("frame");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("checksum");
        QTest::newRow("read status") << MakeStatusQuery() << 0x91 << 0x00 << 0x3B;
        QTest::newRow("pc control") << MakeControlFrame(kModePcLoadOff) << 0x92 << 0x02 << 0x3E;
        QTest::newRow("load on") << MakeControlFrame(kModePcLoadOn) << 0x92 << 0x03 << 0x3F;
        QTest::newRow("self control") << MakeControlFrame(kModeSelfControl) << 0x92 << 0x00 << 0x3C;
    }
    void requests() {
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
        QCOMPARE(FrameChecksum(frame), checksum);
    }

    void checksumWrapsInEightBits() {
        DeviceFrame f;
        f.fill(0xFF);
        // 25 * 255 = 6375 = 0x18E7
        QCOMPARE(FrameChecksum(f), 0xE7);
    }

    void decode_data() {
        QTest::addColumn<DeviceFrame>("answer");
        QTest::addColumn<int>("milliVolts");
        QTest::addColumn<QString>("cur");
        QTest::addColumn<QString>("vol");
        QTest::addColumn<QString>("pow");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("watts");

        QTest::newRow("worked example")
            << AnswerWith({0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00}) << 12345 << "1.50"
            << " 12.35"
            << " 18.50" << 1.5 << 12.35 << 18.5;
        // Other bytes, a wrong start byte and checksum change nothing.
        QTest::newRow("worked example, junk around")
            << AnswerWith({0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00}, 0x5A) << 12345 << "1.50"
            << " 12.35"
            << " 18.50" << 1.5 << 12.35 << 18.5;
        QTest::newRow("all zero") << AnswerWith({}) << 0 << "0.00"
                                  << "  0.00"
                                  << "  0.00" << 0.0 << 0.0 << 0.0;
        QTest::newRow("largest values")
            << AnswerWith({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}) << 2147483647 << "65.54"
            << "2147483.65"
            << "6553.50" << 65.54 << 2147483.65 << 6553.5;
        QTest::newRow("minus one millivolt")
            << AnswerWith({0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}) << -1 << "0.00"
            << " -0.00"
            << "  0.00" << 0.0 << 0.0 << 0.0;
        QTest::newRow("ten millivolts") << AnswerWith({0, 0, 10, 0, 0, 0, 0, 0}) << 10 << "0.00"
                                        << "  0.01"
                                        << "  0.00" << 0.0 << 0.01 << 0.0;
        // 1235 mA and -3205 mV: a third decimal of 5 rounds away from zero.
        QTest::newRow("half away from zero")
            << AnswerWith({0xD3, 0x04, 0x7B, 0xF3, 0xFF, 0xFF, 0, 0}) << -3205 << "1.24"
            << " -3.21"
            << "  0.00" << 1.24 << -3.21 << 0.0;
        QTest::newRow("smallest voltage")
            << AnswerWith({0, 0, 0x00, 0x00, 0x00, 0x80, 0, 0}) << int(-2147483647 - 1) << "0.00"
            << "-2147483.65"
            << "  0.00" << 0.0 << -2147483.65 << 0.0;
        QTest::newRow("below half rounds down")
            << AnswerWith({0xD2, 0x04, 0x34, 0x30, 0, 0, 0x01, 0}) << 12340 << "1.23"
            << " 12.34"
            << "  0.10" << 1.23 << 12.34 << 0.1;
    }
    void decode() {
        QFETCH(DeviceFrame, answer);
        QFETCH(int, milliVolts);
        QFETCH(QString, cur);
        QFETCH(QString, vol);
        QFETCH(QString, pow);
        QFETCH(double, amps);
        QFETCH(double, volts);
        QFETCH(double, watts);

        const LoadReading r = DecodeStatusAnswer(answer);
        QCOMPARE(r.MilliVolts, milliVolts);
        QCOMPARE(r.CurText, cur);
        QCOMPARE(r.VolText, vol);
        QCOMPARE(r.PowText, pow);
        // Exact equality: each number is its text parsed back.
        QCOMPARE(r.Amps, amps);
        QCOMPARE(r.Volts, volts);
        QCOMPARE(r.Watts, watts);
        const QLocale locale;
        QCOMPARE(r.Amps, locale.toDouble(r.CurText.trimmed()));
        QCOMPARE(r.Volts, locale.toDouble(r.VolText.trimmed()));
        QCOMPARE(r.Watts, locale.toDouble(r.PowText.trimmed()));
    }

    // The load's side of the exchange: an answer built from raw values decodes
    // back to them, with the request's start byte and command and a checksum.
    void answerRoundTrip_data() {
        QTest::addColumn<int>("milliAmps");
        QTest::addColumn<int>("milliVolts");
        QTest::addColumn<int>("deciWatts");
        QTest::newRow("worked example") << 1500 << 12345 << 185;
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("largest") << 65535 << 2147483647 << 65535;
        QTest::newRow("negative voltage") << 1 << -3205 << 2;
    }
    void answerRoundTrip() {
        QFETCH(int, milliAmps);
        QFETCH(int, milliVolts);
        QFETCH(int, deciWatts);
        const DeviceFrame f =
            MakeStatusAnswer(std::uint16_t(milliAmps), milliVolts, std::uint16_t(deciWatts));
        QCOMPARE(f[0], 0xAA);
        QCOMPARE(f[2], 0x91);
        QCOMPARE(f[25], FrameChecksum(f));
        const LoadReading r = DecodeStatusAnswer(f);
        QCOMPARE(r.MilliVolts, milliVolts);
        QCOMPARE(r.CurText, FormatFixed2(milliAmps, 1000, 4, QStringLiteral(".")));
        QCOMPARE(r.PowText, FormatFixed2(deciWatts, 10, 6, QStringLiteral(".")));
    }

    void decimalSeparatorFollowsLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const LoadReading r =
            DecodeStatusAnswer(AnswerWith({0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00}));
        QCOMPARE(r.CurText, QStringLiteral("1,50"));
        QCOMPARE(r.VolText, QStringLiteral(" 12,35"));
        QCOMPARE(r.PowText, QStringLiteral(" 18,50"));
        QCOMPARE(r.Volts, 12.35);
        QCOMPARE(QLocale().toDouble(r.VolText.trimmed()), 12.35);
    }

    void roundingIsExactWhereBinaryIsNot() {
        // Every millivolt value from -20000 to 20000: the text must agree with
        // decimal rounding of the exact value, half away from zero.
        for (int mv = -20000; mv <= 20000; ++mv) {
            const int mag = mv < 0 ? -mv : mv;
            const int hundredths = (mag + 5) / 10;
            QString expect = QString::asprintf("%s%d.%02d", mv < 0 ? "-" : "", hundredths / 100,
                                               hundredths % 100);
            expect = expect.rightJustified(6, QLatin1Char(' '));
            const QString got = FormatFixed2(mv, 1000, 6, QStringLiteral("."));
            if (got != expect)
                QFAIL(qPrintable(
                    QStringLiteral("%1 mV gave '%2', expected '%3'").arg(mv).arg(got, expect)));
        }
    }
};

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_deviceframe.moc"
