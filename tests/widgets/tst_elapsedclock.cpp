#include "widgets/iSevenSegmentClockSMPTE.h"

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
void SetUpAsElapsedClock(TiSevenSegmentClockSMPTE& c) {
    c.SetDigitSpacing(3);
    c.SetSegmentColor(kLime);
    c.SetSegmentOffColor(kLime);
    c.SetShowOffSegments(false);
    c.SetFrameStyle(ifsNonDropFrame);
    c.SetShowFrameNumber(false);
    c.SetShowFieldNumber(false);
}

TClockLayout ElapsedLayout() {
    TClockLayout l;
    l.Width = 95;
    l.Height = 28;
    l.DigitSpacing = 3;
    l.ShowFrameNumber = false;
    l.ShowFieldNumber = false;
    l.FrameStyle = ifsNonDropFrame;
    return l;
}

} // namespace

class TestSevenSegmentClock : public QObject {
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
        const TGlyphCells cells = ClockCells(ElapsedLayout(), {h, m, s, 0}, 0, 0);
        QCOMPARE(Shown(cells), shown);
        const QList<int> lefts{5, 18, 31, 36, 49, 62, 67, 80};
        for (int i = 0; i < cells.size(); ++i) {
            const bool colon = cells[i].Glyph == sscColon;
            QCOMPARE(cells[i].Rect, QRect(lefts[i], 5, colon ? 2 : 10, 18));
        }
    }

    void framesFieldsAndHourStyle_data() {
        QTest::addColumn<bool>("frame");
        QTest::addColumn<bool>("field");
        QTest::addColumn<int>("frameStyle");
        QTest::addColumn<int>("hourStyle");
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("shown");
        QTest::newRow("drop frame and field")
            << true << true << int(ifsDropFrame) << int(ichs24) << 23 << "23:04:05;12.07";
        QTest::newRow("non-drop frame")
            << true << false << int(ifsNonDropFrame) << int(ichs24) << 23 << "23:04:05:12";
        QTest::newRow("field only")
            << false << true << int(ifsDropFrame) << int(ichs24) << 23 << "23:04:05.07";
        QTest::newRow("12 h, afternoon")
            << false << false << int(ifsDropFrame) << int(ichs12) << 13 << "01:04:05";
        QTest::newRow("12 h, noon")
            << false << false << int(ifsDropFrame) << int(ichs12) << 12 << "12:04:05";
        QTest::newRow("12 h, midnight")
            << false << false << int(ifsDropFrame) << int(ichs12) << 0 << "00:04:05";
    }
    void framesFieldsAndHourStyle() {
        QFETCH(bool, frame);
        QFETCH(bool, field);
        QFETCH(int, frameStyle);
        QFETCH(int, hourStyle);
        QFETCH(int, hours);
        QFETCH(QString, shown);
        TClockLayout l;
        l.Width = 300;
        l.Height = 40;
        l.ShowFrameNumber = frame;
        l.ShowFieldNumber = field;
        l.FrameStyle = TiFrameStyle(frameStyle);
        l.HourStyle = TiClockHourStyle(hourStyle);
        QCOMPARE(Shown(ClockCells(l, {hours, 4, 5, 0}, 12, 7)), shown);
    }

    void geometryWithAllCells() {
        // 196 x 28 with spacing 6: ten 10-wide digit cells and four 2-wide narrow ones.
        TClockLayout l;
        l.Width = 196;
        l.Height = 28;
        const TGlyphCells cells = ClockCells(l, {}, 0, 0);
        QCOMPARE(cells.size(), 14);
        QCOMPARE(cells.first().Rect, QRect(5, 5, 10, 18));
        QCOMPARE(cells.last().Rect, QRect(181, 5, 10, 18));
        // Larger: e = trunc(5 (W - 2m - 13 s) / 54).
        l.Width = 400;
        l.Height = 60;
        const TGlyphCells big = ClockCells(l, {}, 0, 0);
        QCOMPARE(big[0].Rect, QRect(11, 5, 28, 50));
        QCOMPARE(big[1].Rect, QRect(45, 5, 28, 50));
        QCOMPARE(big[2].Rect, QRect(79, 5, 5, 50));
        QCOMPARE(big[3].Rect, QRect(90, 5, 28, 50));
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
        QCOMPARE(ClockNaturalSize(frame, field, spacing, 5, segment), size);
    }

    void widgetSizesItself() {
        TiSevenSegmentClockSMPTE c;
        QCOMPARE(c.size(), QSize(196, 28));
        SetUpAsElapsedClock(c);
        QCOMPARE(c.size(), QSize(95, 28));
    }

    void componentsRoundTrip() {
        TiSevenSegmentClockSMPTE c;
        QSignalSpy changed(&c, &TiSevenSegmentClockSMPTE::OnValueChange);
        c.SetHours(1);
        c.SetMinutes(2);
        c.SetSeconds(3);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(c.Hours(), 1);
        QCOMPARE(c.Minutes(), 2);
        QCOMPARE(c.Seconds(), 3);
        QCOMPARE(c.Time(), 3723.0 / 86400.0);
        // The same values again change nothing.
        c.SetHours(1);
        c.SetMinutes(2);
        c.SetSeconds(3);
        QCOMPARE(changed.count(), 3);
        // The date part goes, the milliseconds stay.
        c.SetTime(5 + 3723.5 / 86400.0);
        QCOMPARE(c.Hours(), 1);
        c.SetSeconds(4);
        QCOMPARE(DecodeClockTime(c.Time()).MilliSeconds, 500);
        QCOMPARE(c.Time(), 3724.5 / 86400.0);
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
        const TClockTime t = DecodeClockTime(time);
        QCOMPARE((QList<int>{t.Hours, t.Minutes, t.Seconds, t.MilliSeconds}), hmsz);
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
        TiSevenSegmentClockSMPTE c;
        c.SetHours(5);
        c.SetMinutes(6);
        c.SetSeconds(7);
        const double before = c.Time();
        QSignalSpy changed(&c, &TiSevenSegmentClockSMPTE::OnValueChange);
        try {
            if (component == 0)
                c.SetHours(value);
            else if (component == 1)
                c.SetMinutes(value);
            else
                c.SetSeconds(value);
            QFAIL("no error raised");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
            QVERIFY(dynamic_cast<const RangeError*>(&e));
        }
        QCOMPARE(c.Time(), before);
        QCOMPARE(changed.count(), 0);
    }

    void drawnElapsedClock() {
        TiSevenSegmentClockSMPTE c;
        SetUpAsElapsedClock(c);
        c.SetHours(1);
        c.SetMinutes(2);
        c.SetSeconds(3);
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
        TiSevenSegmentClockSMPTE c;
        SetUpAsElapsedClock(c);
        c.SetHours(9);
        c.SetMinutes(5);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&c);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Clock);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Elapsed time"));
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("09:05:00"));
    }
};

QTEST_MAIN(TestSevenSegmentClock)
#include "tst_sevensegment_clock.moc"
