#include "widgets/SevenSegmentReadout.h"

#include <QAccessible>
#include <QImage>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include "support/SevenSegmentTestSupport.h"

using namespace tarvex;

namespace {

const QColor kLime(0, 255, 0);
const QColor kDimLime(0, 85, 0);
const QColor kBlack(0, 0, 0);

// A readout of the control window: 6 digits, 2 decimals, no sign cell, lime.
void setUpAsVoltage(SevenSegmentReadout& r) {
    r.setShowSign(false);
    r.setDigitCount(6);
    r.setPrecision(2);
    r.setSegmentColor(kLime);
}

ReadoutLayout voltageLayout() {
    ReadoutLayout l;
    l.width = 100;
    l.height = 28;
    l.digitCount = 6;
    l.precision = 2;
    l.showSign = false;
    return l;
}

QList<int> cellLefts(const GlyphCells& cells) {
    QList<int> lefts;
    for (const GlyphCell& c : cells)
        lefts << c.rect.left();
    return lefts;
}

} // namespace

class TestSevenSegmentReadout : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void voltageReadoutCells_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0 at start") << 0.0 << "   0.00";
        QTest::newRow("12.34") << 12.34 << "  12.34";
        QTest::newRow("1.5") << 1.5 << "   1.50";
        QTest::newRow("18.5") << 18.5 << "  18.50";
        QTest::newRow("1234.56") << 1234.56 << "1234.56";
        QTest::newRow("9999.99 fits") << 9999.99 << "9999.99";
        QTest::newRow("10000 does not") << 10000.0 << "<<<<<<";
        QTest::newRow("9999.996 rounds up out of range") << 9999.996 << "<<<<<<";
        QTest::newRow("0.015 lies just below the half") << 0.015 << "   0.01";
        QTest::newRow("-3.2 has no sign cell") << -3.2 << "   3.20";
        QTest::newRow("-9999.99") << -9999.99 << "9999.99";
        QTest::newRow("-12345") << -12345.0 << ">>>>>>";
        QTest::newRow("-0.001") << -0.001 << "   0.00";
        QTest::newRow("1e15") << 1e15 << "<<<<<<";
        QTest::newRow("infinity") << qInf() << "<<<<<<";
        QTest::newRow("minus infinity") << -qInf() << ">>>>>>";
        QTest::newRow("not a number") << qQNaN() << ">>>>>>";
    }
    void voltageReadoutCells() {
        QFETCH(double, value);
        QFETCH(QString, shown);
        const GlyphCells cells = readoutCells(voltageLayout(), value);
        QCOMPARE(cellText(cells), shown);
        for (const GlyphCell& c : cells) {
            QCOMPARE(c.rect.top(), 5);
            QCOMPARE(c.rect.height(), 18);
            QCOMPARE(c.rect.width(), c.glyph == SevenSegmentGlyph::Period ? 2 : 10);
        }
        if (shown.contains(u'.'))
            QCOMPARE(cellLefts(cells), (QList<int>{5, 21, 37, 53, 65, 69, 85}));
        else
            QCOMPARE(cellLefts(cells), (QList<int>{5, 21, 37, 53, 69, 85}));
    }

    void otherSettings_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("precision");
        QTest::addColumn<bool>("sign");
        QTest::addColumn<int>("leading");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("sign, positive")
            << 4 << 2 << true << int(LeadingStyle::Spaces) << 1.5 << "+ 1.50";
        QTest::newRow("sign, zero is positive")
            << 4 << 2 << true << int(LeadingStyle::Spaces) << 0.0 << "+ 0.00";
        QTest::newRow("sign, negative")
            << 4 << 2 << true << int(LeadingStyle::Spaces) << -1.5 << "- 1.50";
        QTest::newRow("sign, overflow up")
            << 4 << 2 << true << int(LeadingStyle::Spaces) << 100.0 << "+<<<<";
        QTest::newRow("sign, overflow down")
            << 4 << 2 << true << int(LeadingStyle::Spaces) << -100.0 << "->>>>";
        QTest::newRow("leading zeros")
            << 6 << 2 << false << int(LeadingStyle::Zeros) << 12.34 << "0012.34";
        QTest::newRow("no leading fill")
            << 6 << 2 << false << int(LeadingStyle::None) << 12.34 << "12.34";
        QTest::newRow("no decimals")
            << 6 << 0 << false << int(LeadingStyle::Spaces) << 123.4 << "   123";
        QTest::newRow("no decimals, 6 digits fit")
            << 6 << 0 << false << int(LeadingStyle::Spaces) << 999999.0 << "999999";
        QTest::newRow("no decimals, 7 digits do not")
            << 6 << 0 << false << int(LeadingStyle::Spaces) << 1000000.0 << "<<<<<<";
        QTest::newRow("three decimals")
            << 6 << 3 << false << int(LeadingStyle::Spaces) << 1.5 << "  1.500";
        QTest::newRow("one digit, decimals never fit")
            << 1 << 2 << false << int(LeadingStyle::Spaces) << 0.0 << "<";
        QTest::newRow("one digit, no decimals")
            << 1 << 0 << false << int(LeadingStyle::Spaces) << 7.0 << "7";
    }
    void otherSettings() {
        QFETCH(int, digits);
        QFETCH(int, precision);
        QFETCH(bool, sign);
        QFETCH(int, leading);
        QFETCH(double, value);
        QFETCH(QString, shown);
        ReadoutLayout l;
        l.width = 200;
        l.height = 40;
        l.digitCount = digits;
        l.precision = precision;
        l.showSign = sign;
        l.leadingStyle = LeadingStyle(leading);
        QCOMPARE(cellText(readoutCells(l, value)), shown);
    }

    // Cells grow with the widget; the row stays centred.
    void cellGeometry_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("sign");
        QTest::addColumn<QList<int>>("lefts");
        QTest::addColumn<QSize>("cell");
        QTest::addColumn<QRect>("mark");
        QTest::newRow("1000 x 280")
            << QSize(1000, 280) << false << QList<int>{5, 171, 337, 503, 669, 835}
            << QSize(160, 270) << QRect(650, 5, 32, 270);
        // 101 wide: the spare pixel goes to the right.
        QTest::newRow("101 x 28") << QSize(101, 28) << false << QList<int>{5, 21, 37, 53, 69, 85}
                                  << QSize(10, 18) << QRect(65, 5, 2, 18);
        // 105 wide: cells stay 10 wide, the row is centred.
        QTest::newRow("105 x 28") << QSize(105, 28) << false << QList<int>{7, 23, 39, 55, 71, 87}
                                  << QSize(10, 18) << QRect(67, 5, 2, 18);
        QTest::newRow("sign cell")
            << QSize(116, 28) << true << QList<int>{5, 21, 37, 53, 69, 85, 101} << QSize(10, 18)
            << QRect(81, 5, 2, 18);
    }
    void cellGeometry() {
        QFETCH(QSize, size);
        QFETCH(bool, sign);
        QFETCH(QList<int>, lefts);
        QFETCH(QSize, cell);
        QFETCH(QRect, mark);
        ReadoutLayout l = voltageLayout();
        l.width = size.width();
        l.height = size.height();
        l.showSign = sign;
        QList<int> digitLefts;
        for (const GlyphCell& c : readoutCells(l, 1.25)) {
            if (c.glyph == SevenSegmentGlyph::Period) {
                QCOMPARE(c.rect, mark);
                continue;
            }
            QCOMPARE(c.rect.size(), cell);
            digitLefts << c.rect.left();
        }
        QCOMPARE(digitLefts, lefts);
    }

    void commaSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(readoutText(1234.5, 2), QStringLiteral("1234,50"));
        const GlyphCells cells = readoutCells(voltageLayout(), 12.34);
        QCOMPARE(cellText(cells), QStringLiteral("  12,34"));
        QCOMPARE(cells[4].rect, QRect(65, 5, 2, 18));
        // Thousands separators never appear.
        QCOMPARE(cellText(readoutCells(voltageLayout(), 1234.56)), QStringLiteral("1234,56"));
    }

    void naturalSize_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("sign");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("segment");
        QTest::addColumn<QSize>("size");
        QTest::newRow("control window readouts") << 6 << false << 6 << 5 << 1 << QSize(100, 28);
        QTest::newRow("class defaults") << 4 << true << 6 << 5 << 1 << QSize(84, 28);
        QTest::newRow("thick segments") << 6 << false << 6 << 5 << 2 << QSize(160, 46);
        QTest::newRow("tight") << 1 << false << 0 << 0 << 1 << QSize(10, 18);
    }
    void naturalSize() {
        QFETCH(int, digits);
        QFETCH(bool, sign);
        QFETCH(int, spacing);
        QFETCH(int, margin);
        QFETCH(int, segment);
        QFETCH(QSize, size);
        QCOMPARE(readoutNaturalSize(digits, sign, spacing, margin, segment), size);
    }

    void widgetDefaultsAndAutoSize() {
        SevenSegmentReadout r;
        QCOMPARE(r.value(), 0.0);
        QCOMPARE(r.precision(), 2);
        QVERIFY(r.showSign());
        QCOMPARE(r.digitCount(), 4);
        QCOMPARE(r.leadingStyle(), LeadingStyle::Spaces);
        QCOMPARE(r.digitSpacing(), 6);
        QCOMPARE(r.segmentMargin(), 5);
        QCOMPARE(r.segmentColor(), QColor(Qt::white));
        QCOMPARE(r.segmentOffColor(), QColor(128, 128, 128));
        QVERIFY(r.autoSegmentOffColor());
        QVERIFY(r.showOffSegments());
        QCOMPARE(r.segmentSize(), 1);
        QCOMPARE(r.segmentSeparation(), 1);
        QVERIFY(!r.isPoweredOff());
        QVERIFY(r.autoSize());
        QCOMPARE(r.backgroundColor(), kBlack);
        QCOMPARE(r.borderStyle(), BevelStyle::None);
        QCOMPARE(r.size(), QSize(84, 28));

        setUpAsVoltage(r);
        QCOMPARE(r.size(), QSize(100, 28));
        r.setAutoSize(false);
        r.setDigitCount(8);
        QCOMPARE(r.size(), QSize(100, 28));
        r.setAutoSize(true);
        QCOMPARE(r.size(), QSize(132, 28));
        // Colours and leading style leave the size alone.
        r.resize(50, 50);
        r.setSegmentColor(Qt::red);
        r.setLeadingStyle(LeadingStyle::Zeros);
        QCOMPARE(r.size(), QSize(50, 50));
        r.setSegmentSize(2);
        QCOMPARE(r.size(), QSize(212, 46));
    }

    void propertyRanges() {
        SevenSegmentReadout r;
        r.setPrecision(20);
        QCOMPARE(r.precision(), 13);
        r.setPrecision(-1);
        QCOMPARE(r.precision(), 0);
        r.setDigitCount(0);
        QCOMPARE(r.digitCount(), 1);
        r.setDigitCount(33);
        QCOMPARE(r.digitCount(), 32);
        r.setSegmentSize(0);
        QCOMPARE(r.segmentSize(), 1);
        r.setSegmentSize(101);
        QCOMPARE(r.segmentSize(), 100);
        r.setSegmentMargin(-2);
        QCOMPARE(r.segmentMargin(), 0);
        r.setSegmentSeparation(-2);
        QCOMPARE(r.segmentSeparation(), 0);
        r.setValue(2e15);
        QCOMPARE(r.value(), 1e15);
        r.setValue(-2e15);
        QCOMPARE(r.value(), -2e15);
    }

    void valueChangeNotifies() {
        SevenSegmentReadout r;
        QSignalSpy changed(&r, &SevenSegmentReadout::valueChanged);
        r.setValue(12.34);
        QCOMPARE(changed.count(), 1);
        r.setValue(12.34);
        QCOMPARE(changed.count(), 1);
        r.setValue(5e15);
        r.setValue(1e15);
        r.setValue(3e15);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(r.value(), 1e15);
    }

    // A repaint for every real change, none for a repeated value.
    void repaintsOnlyOnChange() {
        SevenSegmentReadout r;
        setUpAsVoltage(r);
        PaintCounter counter;
        r.installEventFilter(&counter);
        r.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        QTRY_VERIFY(counter.paints() > 0);
        QTest::qWait(50);

        int before = counter.paints();
        r.setValue(12.34);
        QTRY_COMPARE(counter.paints(), before + 1);

        before = counter.paints();
        for (int i = 0; i < 5; ++i) {
            r.setValue(12.34);
            r.setPrecision(2);
            r.setDigitCount(6);
            r.setSegmentColor(kLime);
            r.setBackgroundColor(Qt::black);
            r.setBorderStyle(BevelStyle::None);
            r.setShowOffSegments(true);
        }
        QTest::qWait(100);
        QCOMPARE(counter.paints(), before);

        r.setBorderStyle(BevelStyle::Raised);
        QTRY_COMPARE(counter.paints(), before + 1);
    }

    void drawnVoltage() {
        SevenSegmentReadout r;
        setUpAsVoltage(r);
        r.setValue(12.34);
        const QImage image = r.grab().toImage();
        QCOMPARE(image.size(), QSize(100, 28));
        // Background and the blank first cell (a dim 8).
        QCOMPARE(image.pixelColor(0, 0), kBlack);
        QCOMPARE(image.pixelColor(4, 13), kBlack);
        QCOMPARE(image.pixelColor(5 + 1, 5 + 0), kDimLime); // A of cell 1
        QCOMPARE(image.pixelColor(5 + 0, 5 + 9), kDimLime); // E of cell 1
        // "1" in the third cell (left 37): B and C lit, A and F dim.
        for (QPoint p : {QPoint(9, 1), QPoint(9, 7), QPoint(7, 5), QPoint(7, 3), QPoint(9, 9),
                         QPoint(9, 16), QPoint(7, 14), QPoint(7, 11)})
            QCOMPARE(image.pixelColor(QPoint(37, 5) + p), kLime);
        QCOMPARE(image.pixelColor(QPoint(37, 5) + QPoint(4, 1)), kDimLime);
        QCOMPARE(image.pixelColor(QPoint(37, 5) + QPoint(1, 4)), kDimLime);
        // Nothing between the cells or in the margin.
        for (int y = 0; y < 28; ++y) {
            QCOMPARE(image.pixelColor(47, y), kBlack);
            QCOMPARE(image.pixelColor(99, y), kBlack);
        }
        for (int x = 0; x < 100; ++x)
            QCOMPARE(image.pixelColor(x, 4), kBlack);
        // The point: x 65 to 67, y 21 to 23, in lime.
        for (int x = 65; x <= 67; ++x)
            for (int y = 21; y <= 23; ++y)
                QCOMPARE(image.pixelColor(x, y), kLime);
        for (QPoint dark : {QPoint(64, 22), QPoint(68, 22), QPoint(66, 20), QPoint(66, 24)})
            QCOMPARE(image.pixelColor(dark), kBlack);
        // "4" in the last cell (left 85): no A, no D.
        QCOMPARE(image.pixelColor(85 + 4, 5 + 1), kDimLime);
        QCOMPARE(image.pixelColor(85 + 4, 5 + 16), kDimLime);
        QCOMPARE(image.pixelColor(85 + 4, 5 + 8), kLime);
    }

    void drawnOverflowAndComma() {
        SevenSegmentReadout r;
        setUpAsVoltage(r);
        r.setValue(-12345);
        QImage image = r.grab().toImage();
        // Down arrows, (8,9) (0,9) (4,13) in each cell; no dim segments.
        for (int left : {5, 21, 37, 53, 69, 85}) {
            QCOMPARE(image.pixelColor(left + 0, 5 + 9), kLime);
            QCOMPARE(image.pixelColor(left + 8, 5 + 9), kLime);
            QCOMPARE(image.pixelColor(left + 4, 5 + 13), kLime);
            QCOMPARE(image.pixelColor(left + 4, 5 + 14), kBlack);
            QCOMPARE(image.pixelColor(left + 4, 5 + 8), kBlack);
            QCOMPARE(image.pixelColor(left + 4, 5 + 1), kBlack);
        }
        QCOMPARE(image.pixelColor(66, 22), kBlack);

        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        r.setValue(1.5);
        image = r.grab().toImage();
        // The comma: a dot at y 16 to 18 and a tail x 66 to 67 down to y 21.
        for (QPoint lit : {QPoint(65, 16), QPoint(67, 18), QPoint(66, 21), QPoint(67, 21)})
            QCOMPARE(image.pixelColor(lit), kLime);
        for (QPoint dark : {QPoint(65, 21), QPoint(66, 23), QPoint(66, 15)})
            QCOMPARE(image.pixelColor(dark), kBlack);
    }

    void borderAndBackground() {
        SevenSegmentReadout r;
        setUpAsVoltage(r);
        r.setBackgroundColor(Qt::blue);
        r.setBorderStyle(BevelStyle::Lowered);
        const QImage sunken = r.grab().toImage();
        const QColor dark = r.palette().color(QPalette::Dark);
        const QColor light = r.palette().color(QPalette::Light);
        QCOMPARE(sunken.pixel(10, 0), dark.rgb());
        QCOMPARE(sunken.pixel(0, 10), dark.rgb());
        QCOMPARE(sunken.pixel(10, 27), light.rgb());
        QCOMPARE(sunken.pixel(99, 10), light.rgb());
        QCOMPARE(sunken.pixelColor(2, 2), QColor(Qt::blue));
        r.setBorderStyle(BevelStyle::Raised);
        const QImage raised = r.grab().toImage();
        QCOMPARE(raised.pixel(10, 0), light.rgb());
        QCOMPARE(raised.pixel(10, 27), r.palette().color(QPalette::Shadow).rgb());
    }

    void accessibleValue() {
        SevenSegmentReadout r;
        setUpAsVoltage(r);
        r.setAccessibleName(QStringLiteral("Voltage"));
        r.setValue(12.34);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&r);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Voltage"));
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("12.34"));
        r.setValue(123456);
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("Out of range"));
    }
};

QTEST_MAIN(TestSevenSegmentReadout)
#include "tst_sevensegmentreadout.moc"
