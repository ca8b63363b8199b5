#include "errors/Errors.h"
#include "widgets/ElapsedClock.h"

#include <QAccessible>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "support/SevenSegmentTestSupport.h"

using namespace tarvex;

namespace {

const QColor kLime(0, 255, 0);
const QColor kBlack(0, 0, 0);

// The elapsed-time clock of the control window.
void setUpAsElapsedClock(ElapsedClock& c) {
    c.setDigitSpacing(3);
    c.setSegmentColor(kLime);
    c.setSegmentOffColor(kLime);
    c.setShowOffSegments(false);
    c.setFrameSeparator(FrameSeparator::Colon);
    c.setShowFrameNumber(false);
    c.setShowFieldNumber(false);
}

ClockLayout elapsedLayout() {
    ClockLayout l;
    l.width = 95;
    l.height = 28;
    l.digitSpacing = 3;
    l.showFrameNumber = false;
    l.showFieldNumber = false;
    l.frameSeparator = FrameSeparator::Colon;
    return l;
}

} // namespace

class TestElapsedClock : public QObject {
    Q_OBJECT

private slots:
    void cells_data() {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("s");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start") << 0 << 0 << 0 << "00:00:00";
        QTest::newRow("1 h 2 min 3 s") << 1 << 2 << 3 << "01:02:03";
        QTest::newRow("9 h 5 min") << 9 << 5 << 0 << "09:05:00";
        QTest::newRow("23:59:59") << 23 << 59 << 59 << "23:59:59";
        QTest::newRow("10:10:10") << 10 << 10 << 10 << "10:10:10";
    }
    void cells() {
        QFETCH(int, h);
        QFETCH(int, m);
        QFETCH(int, s);
        QFETCH(QString, shown);
        const GlyphCells cells = clockCells(elapsedLayout(), {h, m, s, 0}, 0, 0);
        QCOMPARE(cellText(cells), shown);
        const QList<int> lefts{5, 18, 31, 36, 49, 62, 67, 80};
        for (int i = 0; i < cells.size(); ++i) {
            const bool colon = cells[i].glyph == SevenSegmentGlyph::Colon;
            QCOMPARE(cells[i].rect, QRect(lefts[i], 5, colon ? 2 : 10, 18));
        }
    }

    void framesFieldsAndHourStyle_data() {
        QTest::addColumn<bool>("frame");
        QTest::addColumn<bool>("field");
        QTest::addColumn<int>("separator");
        QTest::addColumn<int>("hourStyle");
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("shown");
        QTest::newRow("frame after a semicolon, and field")
            << true << true << int(FrameSeparator::Semicolon) << int(HourStyle::Hours24) << 23
            << "23:04:05;12.07";
        QTest::newRow("frame after a colon") << true << false << int(FrameSeparator::Colon)
                                             << int(HourStyle::Hours24) << 23 << "23:04:05:12";
        QTest::newRow("field only") << false << true << int(FrameSeparator::Semicolon)
                                    << int(HourStyle::Hours24) << 23 << "23:04:05.07";
        QTest::newRow("12 h, afternoon") << false << false << int(FrameSeparator::Semicolon)
                                         << int(HourStyle::Hours12) << 13 << "01:04:05";
        QTest::newRow("12 h, noon") << false << false << int(FrameSeparator::Semicolon)
                                    << int(HourStyle::Hours12) << 12 << "12:04:05";
        QTest::newRow("12 h, midnight") << false << false << int(FrameSeparator::Semicolon)
                                        << int(HourStyle::Hours12) << 0 << "00:04:05";
    }
    void framesFieldsAndHourStyle() {
        QFETCH(bool, frame);
        QFETCH(bool, field);
        QFETCH(int, separator);
        QFETCH(int, hourStyle);
        QFETCH(int, hours);
        QFETCH(QString, shown);
        ClockLayout l;
        l.width = 300;
        l.height = 40;
        l.showFrameNumber = frame;
        l.showFieldNumber = field;
        l.frameSeparator = FrameSeparator(separator);
        l.hourStyle = HourStyle(hourStyle);
        QCOMPARE(cellText(clockCells(l, {hours, 4, 5, 0}, 12, 7)), shown);
    }

    void geometryWithAllCells() {
        // 196 x 28 with spacing 6: ten 10-wide digit cells and four 2-wide narrow ones.
        ClockLayout l;
        l.width = 196;
        l.height = 28;
        const GlyphCells cells = clockCells(l, {}, 0, 0);
        QCOMPARE(cells.size(), 14);
        QCOMPARE(cells.first().rect, QRect(5, 5, 10, 18));
        QCOMPARE(cells.last().rect, QRect(181, 5, 10, 18));
        // Larger: e = trunc(5 (W - 2m - 13 s) / 54).
        l.width = 400;
        l.height = 60;
        const GlyphCells big = clockCells(l, {}, 0, 0);
        QCOMPARE(big[0].rect, QRect(11, 5, 28, 50));
        QCOMPARE(big[1].rect, QRect(45, 5, 28, 50));
        QCOMPARE(big[2].rect, QRect(79, 5, 5, 50));
        QCOMPARE(big[3].rect, QRect(90, 5, 28, 50));
    }

    void naturalSize_data() {
        QTest::addColumn<bool>("frame");
        QTest::addColumn<bool>("field");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<int>("segment");
        QTest::addColumn<QSize>("size");
        QTest::newRow("elapsed clock") << false << false << 3 << 1 << QSize(95, 28);
        QTest::newRow("class defaults") << true << true << 6 << 1 << QSize(196, 28);
        QTest::newRow("thick") << false << false << 3 << 2 << QSize(159, 46);
    }
    void naturalSize() {
        QFETCH(bool, frame);
        QFETCH(bool, field);
        QFETCH(int, spacing);
        QFETCH(int, segment);
        QFETCH(QSize, size);
        QCOMPARE(clockNaturalSize(frame, field, spacing, 5, segment), size);
    }

    void widgetSizesItself() {
        ElapsedClock c;
        QCOMPARE(c.size(), QSize(196, 28));
        setUpAsElapsedClock(c);
        QCOMPARE(c.size(), QSize(95, 28));
    }

    void componentsRoundTrip() {
        ElapsedClock c;
        QSignalSpy changed(&c, &ElapsedClock::valueChanged);
        c.setHours(1);
        c.setMinutes(2);
        c.setSeconds(3);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(c.hours(), 1);
        QCOMPARE(c.minutes(), 2);
        QCOMPARE(c.seconds(), 3);
        QCOMPARE(c.time(), 3723.0 / 86400.0);
        // The same values again change nothing.
        c.setHours(1);
        c.setMinutes(2);
        c.setSeconds(3);
        QCOMPARE(changed.count(), 3);
        // The date part goes, the milliseconds stay.
        c.setTime(5 + 3723.5 / 86400.0);
        QCOMPARE(c.hours(), 1);
        c.setSeconds(4);
        QCOMPARE(decodeClockTime(c.time()).milliseconds, 500);
        QCOMPARE(c.time(), 3724.5 / 86400.0);
    }

    void decodeTime_data() {
        QTest::addColumn<double>("time");
        QTest::addColumn<QList<int>>("hmsz");
        QTest::newRow("zero") << 0.0 << QList<int>{0, 0, 0, 0};
        QTest::newRow("25 hours") << 25 / 24.0 << QList<int>{1, 0, 0, 0};
        QTest::newRow("last millisecond") << 86399999 / 86400000.0 << QList<int>{23, 59, 59, 999};
        QTest::newRow("rounds to the millisecond") << 1000.4 / 86400000.0 << QList<int>{0, 0, 1, 0};
        QTest::newRow("negative") << -0.5 << QList<int>{12, 0, 0, 0};
        QTest::newRow("not a number") << qQNaN() << QList<int>{0, 0, 0, 0};
    }
    void decodeTime() {
        QFETCH(double, time);
        QFETCH(QList<int>, hmsz);
        const ClockTime t = decodeClockTime(time);
        QCOMPARE((QList<int>{t.hours, t.minutes, t.seconds, t.milliseconds}), hmsz);
    }

    void rangeErrors_data() {
        QTest::addColumn<int>("component");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("hours 24") << 0 << 24 << "Hours must be in the range of 0-23";
        QTest::newRow("hours -1") << 0 << -1 << "Hours must be in the range of 0-23";
        QTest::newRow("minutes 60") << 1 << 60 << "Minutes must be in the range of 0-59";
        QTest::newRow("minutes -1") << 1 << -1 << "Minutes must be in the range of 0-59";
        QTest::newRow("seconds 60") << 2 << 60 << "Seconds must be in the range of 0-59";
        QTest::newRow("seconds -5") << 2 << -5 << "Seconds must be in the range of 0-59";
    }
    void rangeErrors() {
        QFETCH(int, component);
        QFETCH(int, value);
        QFETCH(QString, message);
        ElapsedClock c;
        c.setHours(5);
        c.setMinutes(6);
        c.setSeconds(7);
        const double before = c.time();
        QSignalSpy changed(&c, &ElapsedClock::valueChanged);
        try {
            if (component == 0)
                c.setHours(value);
            else if (component == 1)
                c.setMinutes(value);
            else
                c.setSeconds(value);
            QFAIL("no error raised");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
            QVERIFY(dynamic_cast<const RangeError*>(&e));
        }
        QCOMPARE(c.time(), before);
        QCOMPARE(changed.count(), 0);
    }

    void drawnElapsedClock() {
        ElapsedClock c;
        setUpAsElapsedClock(c);
        c.setHours(1);
        c.setMinutes(2);
        c.setSeconds(3);
        const QImage image = c.grab().toImage();
        QCOMPARE(image.size(), QSize(95, 28));
        // "1" in the second cell (left 18): B lit, A not drawn at all.
        QCOMPARE(image.pixelColor(18 + 9, 5 + 1), kLime);
        QCOMPARE(image.pixelColor(18 + 4, 5 + 1), kBlack);
        QCOMPARE(image.pixelColor(18 + 4, 5 + 8), kBlack);
        // "0" in the first cell: no middle bar.
        QCOMPARE(image.pixelColor(5 + 4, 5 + 8), kBlack);
        QCOMPARE(image.pixelColor(5 + 4, 5 + 16), kLime);
        // Colons at 31 and 62: dots x 0 to 2, y 5 to 7 and 11 to 13 of the cell.
        for (int left : {31, 62}) {
            for (QPoint lit : {QPoint(0, 5), QPoint(2, 7), QPoint(0, 11), QPoint(2, 13)})
                QCOMPARE(image.pixelColor(QPoint(left, 5) + lit), kLime);
            for (QPoint dark : {QPoint(1, 4), QPoint(1, 8), QPoint(1, 10), QPoint(1, 14)})
                QCOMPARE(image.pixelColor(QPoint(left, 5) + dark), kBlack);
        }
        // "3" in the last cell (left 80): A, B, C, D, G.
        for (QPoint lit : {QPoint(4, 0), QPoint(9, 4), QPoint(9, 12), QPoint(4, 17), QPoint(4, 8)})
            QCOMPARE(image.pixelColor(QPoint(80, 5) + lit), kLime);
        QCOMPARE(image.pixelColor(80 + 0, 5 + 4), kBlack);
        QCOMPARE(image.pixelColor(80 + 0, 5 + 12), kBlack);
    }

    void accessibleTime() {
        ElapsedClock c;
        setUpAsElapsedClock(c);
        c.setHours(9);
        c.setMinutes(5);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&c);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Clock);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Elapsed time"));
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("09:05:00"));
    }
};

QTEST_MAIN(TestElapsedClock)
#include "tst_elapsedclock.moc"
