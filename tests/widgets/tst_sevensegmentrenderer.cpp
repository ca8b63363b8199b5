#include "widgets/iSevenSegmentCharacter.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace tarvex;

Q_DECLARE_METATYPE(TSevenSegmentCharacter)
Q_DECLARE_METATYPE(TSegment)
Q_DECLARE_METATYPE(TCellGeometry)

namespace {

using Points = QList<QPoint>;

// The readout cell: 10 x 18, no margin, gap 1, segments 2 pixels thick.
const TCellGeometry kDigitCell{10, 18, 0, 1, 1};
const TCellGeometry kNarrowCell{2, 18, 0, 1, 1};

const QColor kLime(0, 255, 0);
const QColor kDimLime(0, 85, 0);

// Points inside each segment of the 10 x 18 cell, away from its edges.
const QPoint kSegmentInterior[] = {{4, 1}, {8, 4}, {8, 12}, {4, 16}, {1, 12}, {1, 4}, {4, 8}};

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

QImage Draw(const TiSevenSegmentCharacter& renderer, TSevenSegmentCharacter glyph, QPoint origin,
            QSize cell, QSize canvas = {24, 32}) {
    QImage image = Blank(canvas.width(), canvas.height());
    QPainter p(&image);
    renderer.DrawGlyph(p, origin.x(), origin.y(), cell.width(), cell.height(), glyph);
    return image;
}

TiSevenSegmentCharacter ReadoutRenderer() {
    TiSevenSegmentCharacter r;
    r.SetSegmentMargin(0);
    return r;
}

QColor At(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

QString LitSegments(const QImage& image, QPoint origin, const QColor& lit) {
    QString letters;
    for (int s = segA; s <= segG; ++s)
        if (At(image, origin + kSegmentInterior[s]) == lit)
            letters += QChar(u'A' + s);
    return letters;
}

} // namespace

class TestSevenSegmentGlyphs : public QObject {
    Q_OBJECT

private slots:
    void nearRoundsHalvesToEven_data() {
        QTest::addColumn<double>("v");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("7.5") << 7.5 << 8;
        QTest::newRow("4.5") << 4.5 << 4;
        QTest::newRow("5.5") << 5.5 << 6;
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("4.49") << 4.49 << 4;
        QTest::newRow("4.51") << 4.51 << 5;
        QTest::newRow("-0.7") << -0.7 << -1;
    }
    void nearRoundsHalvesToEven() {
        QFETCH(double, v);
        QFETCH(int, expected);
        QCOMPARE(Near(v), expected);
    }

    void segmentPolygons_data() {
        QTest::addColumn<TCellGeometry>("cell");
        QTest::addColumn<TSegment>("segment");
        QTest::addColumn<Points>("corners");
        const TCellGeometry c = kDigitCell;
        QTest::newRow("A") << c << segA << Points{{1, 0}, {8, 0}, {6, 2}, {3, 2}};
        QTest::newRow("B") << c << segB << Points{{9, 1}, {9, 7}, {7, 5}, {7, 3}};
        QTest::newRow("C") << c << segC << Points{{9, 9}, {9, 16}, {7, 14}, {7, 11}};
        QTest::newRow("D") << c << segD << Points{{1, 17}, {8, 17}, {6, 15}, {3, 15}};
        QTest::newRow("E") << c << segE << Points{{0, 9}, {0, 16}, {2, 14}, {2, 11}};
        QTest::newRow("F") << c << segF << Points{{0, 1}, {0, 7}, {2, 5}, {2, 3}};
        QTest::newRow("G") << c << segG << Points{{1, 8}, {2, 7}, {7, 7}, {8, 8}, {7, 9}, {2, 9}};
        // Margin 2, gap 1, thickness 4 in a 20 x 36 cell: h2 = 17.
        const TCellGeometry big{20, 36, 2, 1, 2};
        QTest::newRow("A, margin 2, Z 2")
            << big << segA << Points{{3, 2}, {16, 2}, {12, 6}, {7, 6}};
        QTest::newRow("C, margin 2, Z 2")
            << big << segC << Points{{17, 18}, {17, 32}, {13, 28}, {13, 22}};
        QTest::newRow("G, margin 2, Z 2")
            << big << segG << Points{{3, 17}, {5, 15}, {14, 15}, {16, 17}, {14, 19}, {5, 19}};
    }
    void segmentPolygons() {
        QFETCH(TCellGeometry, cell);
        QFETCH(TSegment, segment);
        QFETCH(Points, corners);
        QCOMPARE(SegmentPolygon(segment, cell), QPolygon(corners));
    }

    void otherGlyphShapes_data() {
        QTest::addColumn<TSevenSegmentCharacter>("glyph");
        QTest::addColumn<TCellGeometry>("cell");
        QTest::addColumn<QList<Points>>("lit");
        QTest::addColumn<QList<Points>>("unlit");
        auto box = [](int x1, int y1, int x2, int y2) {
            return Points{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
        };
        const TCellGeometry d = kDigitCell, n = kNarrowCell;
        QTest::newRow("up arrow") << sscUpArrow << d << QList<Points>{{{8, 9}, {0, 9}, {4, 5}}}
                                  << QList<Points>{};
        QTest::newRow("down arrow")
            << sscDownArrow << d << QList<Points>{{{8, 9}, {0, 9}, {4, 13}}} << QList<Points>{};
        QTest::newRow("plus") << sscPlus << d << QList<Points>{box(2, 4, 8, 5), box(4, 2, 6, 7)}
                              << QList<Points>{box(2, 13, 8, 14)};
        QTest::newRow("minus") << sscMinus << d << QList<Points>{box(2, 13, 8, 14)}
                               << QList<Points>{box(2, 4, 8, 5), box(4, 2, 6, 7)};
        QTest::newRow("line") << sscLine << d << QList<Points>{box(0, 8, 9, 8)} << QList<Points>{};
        QTest::newRow("colon, narrow")
            << sscColon << n << QList<Points>{box(0, 5, 2, 7), box(0, 11, 2, 13)}
            << QList<Points>{};
        QTest::newRow("period, narrow")
            << sscPeriod << n << QList<Points>{box(0, 16, 2, 18)} << QList<Points>{};
        QTest::newRow("semicolon, narrow")
            << sscSemiColon << n
            << QList<Points>{box(0, 5, 2, 7), box(0, 11, 2, 13), box(1, 13, 2, 16)}
            << QList<Points>{};
        QTest::newRow("comma, narrow")
            << sscComma << n << QList<Points>{box(0, 11, 2, 13), box(1, 13, 2, 16)}
            << QList<Points>{};
        // Rows scale with the height: r(k) = near(k * 28 / 18) on a 28-pixel cell.
        QTest::newRow("colon, 4 x 28")
            << sscColon << TCellGeometry{4, 28, 0, 1, 1}
            << QList<Points>{box(1, 8, 3, 11), box(1, 17, 3, 20)} << QList<Points>{};
        // A margin as large as the arrow puts its apex on the margin.
        QTest::newRow("up arrow, apex on the margin")
            << sscUpArrow << TCellGeometry{20, 12, 3, 1, 1}
            << QList<Points>{{{15, 6}, {3, 6}, {9, 3}}} << QList<Points>{};
        QTest::newRow("down arrow, apex clipped")
            << sscDownArrow << TCellGeometry{20, 12, 0, 1, 1}
            << QList<Points>{{{18, 6}, {0, 6}, {9, 11}}} << QList<Points>{};
    }
    void otherGlyphShapes() {
        QFETCH(TSevenSegmentCharacter, glyph);
        QFETCH(TCellGeometry, cell);
        QFETCH(QList<Points>, lit);
        QFETCH(QList<Points>, unlit);
        QList<Points> gotLit, gotUnlit;
        for (const TGlyphShape& shape : GlyphShapes(glyph, cell))
            (shape.Lit ? gotLit : gotUnlit)
                .append(Points(shape.Polygon.begin(), shape.Polygon.end()));
        QCOMPARE(gotLit, lit);
        QCOMPARE(gotUnlit, unlit);
    }

    void segmentPatternsAsDrawn_data() {
        QTest::addColumn<TSevenSegmentCharacter>("glyph");
        QTest::addColumn<QString>("lit");
        const char* patterns[] = {"ABCDEF", "BC",    "ABDEG",   "ABCDG", "BCFG",   "ACDFG",
                                  "ACDEFG", "ABC",   "ABCDEFG", "ABCFG", "ABCEFG", "CDEFG",
                                  "ADEF",   "BCDEG", "ADEFG",   "AEFG"};
        for (int g = ssc0; g <= sscF; ++g)
            QTest::addRow("%c", CharForGlyph(TSevenSegmentCharacter(g)).toLatin1())
                << TSevenSegmentCharacter(g) << QString::fromLatin1(patterns[g]);
        QTest::newRow("blank") << sscBlank << QString();
    }
    void segmentPatternsAsDrawn() {
        QFETCH(TSevenSegmentCharacter, glyph);
        QFETCH(QString, lit);
        const TiSevenSegmentCharacter r = ReadoutRenderer();
        const QPoint origin(3, 4);
        const QImage image = Draw(r, glyph, origin, {10, 18});
        QCOMPARE(LitSegments(image, origin, kLime), lit);
        // Every other segment is there, dim.
        for (int s = segA; s <= segG; ++s)
            if (!lit.contains(QChar(u'A' + s)))
                QCOMPARE(At(image, origin + kSegmentInterior[s]), kDimLime);
    }

    // Corner points lie on the shapes; the gaps between segments stay dark.
    void eightDrawnAtItsCorners() {
        const TiSevenSegmentCharacter r = ReadoutRenderer();
        const QPoint origin(3, 4);
        const QImage image = Draw(r, ssc8, origin, {10, 18});
        for (int s = segA; s <= segG; ++s)
            for (QPoint corner : SegmentPolygon(TSegment(s), kDigitCell))
                QCOMPARE(At(image, origin + corner), kLime);
        for (QPoint gap : {QPoint(0, 0), QPoint(9, 0), QPoint(0, 8), QPoint(9, 8), QPoint(0, 17),
                           QPoint(9, 17), QPoint(3, 3), QPoint(4, 6), QPoint(4, 10)})
            QCOMPARE(At(image, origin + gap), QColor(Qt::black));
        // Nothing outside the cell.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!QRect(origin, QSize(10, 18)).contains(x, y))
                    QCOMPARE(At(image, {x, y}), QColor(Qt::black));
    }

    void nonSegmentGlyphsDrawn_data() {
        QTest::addColumn<TSevenSegmentCharacter>("glyph");
        QTest::addColumn<QSize>("cell");
        QTest::addColumn<Points>("lit");
        QTest::addColumn<Points>("dim");
        QTest::addColumn<Points>("dark");
        QTest::newRow("up arrow") << sscUpArrow << QSize(10, 18)
                                  << Points{{8, 9}, {0, 9}, {4, 5}, {4, 8}} << Points{}
                                  << Points{{4, 4}, {4, 10}, {9, 9}, {3, 5}};
        QTest::newRow("plus") << sscPlus << QSize(10, 18) << Points{{2, 4}, {8, 5}, {4, 2}, {6, 7}}
                              << Points{{2, 13}, {8, 14}}
                              << Points{{1, 4}, {9, 5}, {4, 1}, {4, 8}, {2, 12}, {2, 15}};
        QTest::newRow("minus") << sscMinus << QSize(10, 18) << Points{{2, 13}, {8, 14}}
                               << Points{{2, 4}, {6, 7}} << Points{{1, 13}, {9, 14}, {5, 15}};
        // The point reaches one row below its cell.
        QTest::newRow("period") << sscPeriod << QSize(2, 18) << Points{{0, 16}, {2, 18}, {1, 17}}
                                << Points{} << Points{{0, 15}, {3, 17}, {1, 19}};
        QTest::newRow("comma") << sscComma << QSize(2, 18)
                               << Points{{0, 11}, {2, 13}, {1, 16}, {2, 16}} << Points{}
                               << Points{{0, 16}, {1, 17}, {1, 10}, {1, 7}};
    }
    void nonSegmentGlyphsDrawn() {
        QFETCH(TSevenSegmentCharacter, glyph);
        QFETCH(QSize, cell);
        QFETCH(Points, lit);
        QFETCH(Points, dim);
        QFETCH(Points, dark);
        const TiSevenSegmentCharacter r = ReadoutRenderer();
        const QPoint origin(5, 4);
        const QImage image = Draw(r, glyph, origin, cell);
        for (QPoint p : lit)
            QCOMPARE(At(image, origin + p), kLime);
        for (QPoint p : dim)
            QCOMPARE(At(image, origin + p), kDimLime);
        for (QPoint p : dark)
            QCOMPARE(At(image, origin + p), QColor(Qt::black));
    }

    void colours_data() {
        QTest::addColumn<QColor>("segment");
        QTest::addColumn<bool>("autoOff");
        QTest::addColumn<bool>("powerOff");
        QTest::addColumn<QColor>("lit");
        QTest::addColumn<QColor>("unlit");
        const QColor grey(128, 128, 128);
        QTest::newRow("lime") << kLime << true << false << kLime << kDimLime;
        QTest::newRow("white") << QColor(Qt::white) << true << false << QColor(Qt::white)
                               << QColor(85, 85, 85);
        QTest::newRow("odd components")
            << QColor(200, 101, 2) << true << false << QColor(200, 101, 2) << QColor(66, 33, 0);
        QTest::newRow("own off colour") << kLime << false << false << kLime << grey;
        QTest::newRow("power off") << kLime << true << true << kDimLime << kDimLime;
        QTest::newRow("power off, own off colour") << kLime << false << true << grey << grey;
    }
    void colours() {
        QFETCH(QColor, segment);
        QFETCH(bool, autoOff);
        QFETCH(bool, powerOff);
        QFETCH(QColor, lit);
        QFETCH(QColor, unlit);
        TiSevenSegmentCharacter r = ReadoutRenderer();
        r.SetSegmentColor(segment);
        r.SetSegmentOffColor(QColor(128, 128, 128));
        r.SetAutoSegmentOffColor(autoOff);
        r.SetPowerOff(powerOff);
        QCOMPARE(r.LitColor(), lit);
        QCOMPARE(r.UnlitColor(), unlit);
        const QPoint origin(2, 2);
        const QImage image = Draw(r, ssc1, origin, {10, 18});
        QCOMPARE(At(image, origin + kSegmentInterior[segB]), lit);
        QCOMPARE(At(image, origin + kSegmentInterior[segA]), unlit);
    }

    void hiddenOffSegments() {
        TiSevenSegmentCharacter r = ReadoutRenderer();
        r.SetShowOffSegments(false);
        const QImage blank = Draw(r, sscBlank, {2, 2}, {10, 18});
        QCOMPARE(blank, Blank(blank.width(), blank.height()));
        const QImage one = Draw(r, ssc1, {2, 2}, {10, 18});
        QCOMPARE(LitSegments(one, {2, 2}, kLime), QStringLiteral("BC"));
        QCOMPARE(At(one, QPoint(2, 2) + kSegmentInterior[segA]), QColor(Qt::black));
        // The sign cell loses its dim counterpart.
        const QImage plus = Draw(r, sscPlus, {2, 2}, {10, 18});
        QCOMPARE(At(plus, QPoint(2, 2) + QPoint(5, 13)), QColor(Qt::black));
        QCOMPARE(At(plus, QPoint(2, 2) + QPoint(5, 4)), kLime);
    }

    void powerOffDigitLooksLikeDimEight() {
        TiSevenSegmentCharacter r = ReadoutRenderer();
        r.SetPowerOff(true);
        QCOMPARE(Draw(r, ssc1, {2, 2}, {10, 18}), Draw(r, ssc8, {2, 2}, {10, 18}));
        QCOMPARE(Draw(r, ssc1, {2, 2}, {10, 18}), Draw(r, sscBlank, {2, 2}, {10, 18}));
    }

    void glyphForChar_data() {
        QTest::addColumn<QString>("chars");
        QTest::addColumn<TSevenSegmentCharacter>("glyph");
        QTest::newRow("0") << "0" << ssc0;
        QTest::newRow("9") << "9" << ssc9;
        QTest::newRow("A a") << "Aa" << sscA;
        QTest::newRow("F f") << "Ff" << sscF;
        QTest::newRow("period") << "." << sscPeriod;
        QTest::newRow("colon") << ":" << sscColon;
        QTest::newRow("plus") << "+" << sscPlus;
        QTest::newRow("minus is the low bar") << "-" << sscMinus;
        QTest::newRow("underscore is the middle bar") << "_" << sscLine;
        QTest::newRow("less-than is up") << "<" << sscUpArrow;
        QTest::newRow("greater-than is down") << ">" << sscDownArrow;
        QTest::newRow("semicolon") << ";" << sscSemiColon;
        QTest::newRow("comma") << "," << sscComma;
        QTest::newRow("anything else") << QStringLiteral(" gGzZ/=*\u00A0\u0660\u4E00") << sscBlank;
    }
    void glyphForChar() {
        QFETCH(QString, chars);
        QFETCH(TSevenSegmentCharacter, glyph);
        for (QChar c : chars)
            QCOMPARE(TiSevenSegmentCharacter::GlyphForChar(c), glyph);
    }

    void naturalSizes_data() {
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("digitWidth");
        QTest::addColumn<int>("narrowWidth");
        QTest::addColumn<int>("height");
        QTest::newRow("readout cell") << 0 << 1 << 10 << 2 << 18;
        QTest::newRow("defaults") << 2 << 1 << 14 << 6 << 22;
        QTest::newRow("thick, margin 3") << 3 << 2 << 26 << 10 << 42;
        QTest::newRow("stored at least 1 and 0") << -4 << 0 << 10 << 2 << 18;
    }
    void naturalSizes() {
        QFETCH(int, margin);
        QFETCH(int, size);
        QFETCH(int, digitWidth);
        QFETCH(int, narrowWidth);
        QFETCH(int, height);
        TiSevenSegmentCharacter r;
        r.SetSegmentMargin(margin);
        r.SetSegmentSize(size);
        for (int g = 0; g < kSevenSegmentCharacterCount; ++g) {
            const auto glyph = TSevenSegmentCharacter(g);
            QCOMPARE(r.NaturalWidth(glyph), IsNarrowGlyph(glyph) ? narrowWidth : digitWidth);
        }
        QCOMPARE(r.NaturalHeight(), height);
    }

    void rendererDefaults() {
        const TiSevenSegmentCharacter r;
        QCOMPARE(r.SegmentColor(), kLime);
        QCOMPARE(r.SegmentOffColor(), QColor(0, 128, 0));
        QVERIFY(r.AutoSegmentOffColor());
        QVERIFY(r.ShowOffSegments());
        QVERIFY(!r.PowerOff());
        QCOMPARE(r.SegmentSize(), 1);
        QCOMPARE(r.SegmentSeperation(), 1);
        QCOMPARE(r.SegmentMargin(), 2);
    }

    // The margin keeps segments off the cell's edges.
    void marginInsideCell() {
        TiSevenSegmentCharacter r;
        const QImage image = Draw(r, ssc8, {0, 0}, {14, 22}, {14, 22});
        for (int x = 0; x < 14; ++x)
            for (int y : {0, 1, 20, 21})
                QCOMPARE(At(image, {x, y}), QColor(Qt::black));
        QCOMPARE(At(image, {3, 2}), kLime); // A's first corner (M+S, M)
        QCOMPARE(At(image, {2, 3}), kLime); // F's first corner (M, M+S)
    }
};

QTEST_MAIN(TestSevenSegmentGlyphs)
#include "tst_sevensegment_glyphs.moc"
