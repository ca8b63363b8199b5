#include "protocol/LoadReading.h"

#include <QLocale>
#include <QTest>

using namespace tarvex;

Q_DECLARE_METATYPE(DeviceFrame)

namespace {

DeviceFrame answerWith(std::initializer_list<std::uint8_t> bytes3to10, std::uint8_t filler = 0) {
    DeviceFrame f;
    f.fill(filler);
    std::size_t i = 3;
    for (auto b : bytes3to10)
        f[i++] = b;
    return f;
}

} // namespace

class TestLoadReading : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void decodesAnswerIntoTextsAndTheirNumbers_data() {
        QTest::addColumn<DeviceFrame>("answer");
        QTest::addColumn<int>("milliVolts");
        QTest::addColumn<QString>("ampsText");
        QTest::addColumn<QString>("voltsText");
        QTest::addColumn<QString>("wattsText");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("watts");

        QTest::newRow("worked example")
            << answerWith({0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00}) << 12345 << "1.50"
            << " 12.35"
            << " 18.50" << 1.5 << 12.35 << 18.5;
        // Other bytes, a wrong start byte and checksum change nothing.
        QTest::newRow("worked example, junk around")
            << answerWith({0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00}, 0x5A) << 12345 << "1.50"
            << " 12.35"
            << " 18.50" << 1.5 << 12.35 << 18.5;
        QTest::newRow("all zero") << answerWith({}) << 0 << "0.00"
                                  << "  0.00"
                                  << "  0.00" << 0.0 << 0.0 << 0.0;
        QTest::newRow("largest values")
            << answerWith({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}) << 2147483647 << "65.54"
            << "2147483.65"
            << "6553.50" << 65.54 << 2147483.65 << 6553.5;
        QTest::newRow("minus one millivolt")
            << answerWith({0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}) << -1 << "0.00"
            << " -0.00"
            << "  0.00" << 0.0 << 0.0 << 0.0;
        QTest::newRow("ten millivolts") << answerWith({0, 0, 10, 0, 0, 0, 0, 0}) << 10 << "0.00"
                                        << "  0.01"
                                        << "  0.00" << 0.0 << 0.01 << 0.0;
        // 1235 mA and -3205 mV: a third decimal of 5 rounds away from zero.
        QTest::newRow("half away from zero")
            << answerWith({0xD3, 0x04, 0x7B, 0xF3, 0xFF, 0xFF, 0, 0}) << -3205 << "1.24"
            << " -3.21"
            << "  0.00" << 1.24 << -3.21 << 0.0;
        QTest::newRow("smallest voltage")
            << answerWith({0, 0, 0x00, 0x00, 0x00, 0x80, 0, 0}) << int(-2147483647 - 1) << "0.00"
            << "-2147483.65"
            << "  0.00" << 0.0 << -2147483.65 << 0.0;
        QTest::newRow("below half rounds down")
            << answerWith({0xD2, 0x04, 0x34, 0x30, 0, 0, 0x01, 0}) << 12340 << "1.23"
            << " 12.34"
            << "  0.10" << 1.23 << 12.34 << 0.1;
    }
    void decodesAnswerIntoTextsAndTheirNumbers() {
        QFETCH(DeviceFrame, answer);
        QFETCH(int, milliVolts);
        QFETCH(QString, ampsText);
        QFETCH(QString, voltsText);
        QFETCH(QString, wattsText);
        QFETCH(double, amps);
        QFETCH(double, volts);
        QFETCH(double, watts);

        const LoadReading r = decodeStatusAnswer(answer);
        QCOMPARE(r.milliVolts, milliVolts);
        QCOMPARE(r.ampsText, ampsText);
        QCOMPARE(r.voltsText, voltsText);
        QCOMPARE(r.wattsText, wattsText);
        // Exact equality: each number is its text parsed back.
        QCOMPARE(r.amps, amps);
        QCOMPARE(r.volts, volts);
        QCOMPARE(r.watts, watts);
        const QLocale locale;
        QCOMPARE(r.amps, locale.toDouble(r.ampsText.trimmed()));
        QCOMPARE(r.volts, locale.toDouble(r.voltsText.trimmed()));
        QCOMPARE(r.watts, locale.toDouble(r.wattsText.trimmed()));
    }

    void decimalSeparatorFollowsLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const LoadReading r =
            decodeStatusAnswer(answerWith({0xDC, 0x05, 0x39, 0x30, 0x00, 0x00, 0xB9, 0x00}));
        QCOMPARE(r.ampsText, QStringLiteral("1,50"));
        QCOMPARE(r.voltsText, QStringLiteral(" 12,35"));
        QCOMPARE(r.wattsText, QStringLiteral(" 18,50"));
        QCOMPARE(r.volts, 12.35);
        QCOMPARE(QLocale().toDouble(r.voltsText.trimmed()), 12.35);
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
            const QString got = formatFixed2(mv, 1000, 6, QStringLiteral("."));
            if (got != expect)
                QFAIL(qPrintable(
                    QStringLiteral("%1 mV gave '%2', expected '%3'").arg(mv).arg(got, expect)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLoadReading)
#include "tst_loadreading.moc"
