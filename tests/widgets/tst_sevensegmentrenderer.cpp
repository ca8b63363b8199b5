#include "widgets/SevenSegmentRenderer.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace tarvex;

Q_DECLARE_METATYPE(SevenSegmentGlyph)
Q_DECLARE_METATYPE(Segment)
Q_DECLARE_METATYPE(CellGeometry)

namespace {

using Points = QList<QPoint>;

// The readout cell: 10 x 18, no margin, gap 1, segments 2 pixels thick.
const CellGeometry kDigitCell{10, 18, 0, 1, 1};
const CellGeometry kNarrowCell{2, 18, 0, 1, 1};

const QColor kLime(0, 255, 0);
const QColor kDimLime(0, 85, 0);

// Points inside each segment of the 10 x 18 cell, away from its edges.
const QPoint kSegmentInterior[] = {{4, 1}, {8, 4}, {8, 12}, {4, 16}, {1, 12}, {1, 4}, {4, 8}};

QImage blankImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

QImage draw(const SevenSegmentRenderer& renderer, SevenSegmentGlyph glyph, QPoint origin,
            QSize cell, QSize canvas = {24, 32}) {
    QImage image = blankImage(canvas.width(), canvas.height());
    QPainter p(&image);
    renderer.drawGlyph(p, origin.x(), origin.y(), cell.width(), cell.height(), glyph);
    return image;
}

SevenSegmentRenderer readoutRenderer() {
    SevenSegmentRenderer r;
    r.setSegmentMargin(0);
    return r;
}

QColor pixelAt(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

QString litSegments(const QImage& image, QPoint origin, const QColor& lit) {
    QString letters;
    for (int s = int(Segment::A); s <= int(Segment::G); ++s)
        if (pixelAt(image, origin + kSegmentInterior[s]) == lit)
            letters += QChar(u'A' + s);
    return letters;
}

} // namespace

class TestSevenSegmentRenderer : public QObject {
    Q_OBJECT

private slots:
    void halvesRoundToEven_data() {
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
    void halvesRoundToEven() {
        QFETCH(double, v);
        QFETCH(int, expected);
        QCOMPARE(roundHalfToEven(v), expected);
    }

    void segmentPolygons_data() {
        QTest::addColumn<CellGeometry>("cell");
        QTest::addColumn<Segment>("segment");
        QTest::addColumn<Points>("corners");
        const CellGeometry c = kDigitCell;
        QTest::newRow("A") << c << Segment::A << Points{{1, 0}, {8, 0}, {6, 2}, {3, 2}};
        QTest::newRow("B") << c << Segment::B << Points{{9, 1}, {9, 7}, {7, 5}, {7, 3}};
        QTest::newRow("C") << c << Segment::C << Points{{9, 9}, {9, 16}, {7, 14}, {7, 11}};
        QTest::newRow("D") << c << Segment::D << Points{{1, 17}, {8, 17}, {6, 15}, {3, 15}};
        QTest::newRow("E") << c << Segment::E << Points{{0, 9}, {0, 16}, {2, 14}, {2, 11}};
        QTest::newRow("F") << c << Segment::F << Points{{0, 1}, {0, 7}, {2, 5}, {2, 3}};
        QTest::newRow("G") << c << Segment::G
                           << Points{{1, 8}, {2, 7}, {7, 7}, {8, 8}, {7, 9}, {2, 9}};
        // Margin 2, gap 1, thickness 4 in a 20 x 36 cell: h2 = 17.
        const CellGeometry big{20, 36, 2, 1, 2};
        QTest::newRow("A, margin 2, Z 2")
            << big << Segment::A << Points{{3, 2}, {16, 2}, {12, 6}, {7, 6}};
        QTest::newRow("C, margin 2, Z 2")
            << big << Segment::C << Points{{17, 18}, {17, 32}, {13, 28}, {13, 22}};
        QTest::newRow("G, margin 2, Z 2")
            << big << Segment::G << Points{{3, 17}, {5, 15}, {14, 15}, {16, 17}, {14, 19}, {5, 19}};
    }
    void segmentPolygons() {
        QFETCH(CellGeometry, cell);
        QFETCH(Segment, segment);
        QFETCH(Points, corners);
        QCOMPARE(segmentPolygon(segment, cell), QPolygon(corners));
    }

    void otherGlyphShapes_data() {
        QTest::addColumn<SevenSegmentGlyph>("glyph");
        QTest::addColumn<CellGeometry>("cell");
        QTest::addColumn<QList<Points>>("lit");
        QTest::addColumn<QList<Points>>("unlit");
        auto box = [](int x1, int y1, int x2, int y2) {
            return Points{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
        };
        const CellGeometry d = kDigitCell, n = kNarrowCell;
        QTest::newRow("up arrow") << SevenSegmentGlyph::UpArrow << d
                                  << QList<Points>{{{8, 9}, {0, 9}, {4, 5}}} << QList<Points>{};
        QTest::newRow("down arrow") << SevenSegmentGlyph::DownArrow << d
                                    << QList<Points>{{{8, 9}, {0, 9}, {4, 13}}} << QList<Points>{};
        QTest::newRow("plus") << SevenSegmentGlyph::Plus << d
                              << QList<Points>{box(2, 4, 8, 5), box(4, 2, 6, 7)}
                              << QList<Points>{box(2, 13, 8, 14)};
        QTest::newRow("minus") << SevenSegmentGlyph::Minus << d << QList<Points>{box(2, 13, 8, 14)}
                               << QList<Points>{box(2, 4, 8, 5), box(4, 2, 6, 7)};
        QTest::newRow("line") << SevenSegmentGlyph::Line << d << QList<Points>{box(0, 8, 9, 8)}
                              << QList<Points>{};
        QTest::newRow("colon, narrow")
            << SevenSegmentGlyph::Colon << n << QList<Points>{box(0, 5, 2, 7), box(0, 11, 2, 13)}
            << QList<Points>{};
        QTest::newRow("period, narrow") << SevenSegmentGlyph::Period << n
                                        << QList<Points>{box(0, 16, 2, 18)} << QList<Points>{};
        QTest::newRow("semicolon, narrow")
            << SevenSegmentGlyph::Semicolon << n
            << QList<Points>{box(0, 5, 2, 7), box(0, 11, 2, 13), box(1, 13, 2, 16)}
            << QList<Points>{};
        QTest::newRow("comma, narrow")
            << SevenSegmentGlyph::Comma << n << QList<Points>{box(0, 11, 2, 13), box(1, 13, 2, 16)}
            << QList<Points>{};
        // Rows scale with the height: r(k) = near(k * 28 / 18) on a 28-pixel cell.
        QTest::newRow("colon, 4 x 28")
            << SevenSegmentGlyph::Colon << CellGeometry{4, 28, 0, 1, 1}
            << QList<Points>{box(1, 8, 3, 11), box(1, 17, 3, 20)} << QList<Points>{};
        // A margin as large as the arrow puts its apex on the margin.
        QTest::newRow("up arrow, apex on the margin")
            << SevenSegmentGlyph::UpArrow << CellGeometry{20, 12, 3, 1, 1}
            << QList<Points>{{{15, 6}, {3, 6}, {9, 3}}} << QList<Points>{};
        QTest::newRow("down arrow, apex clipped")
            << SevenSegmentGlyph::DownArrow << CellGeometry{20, 12, 0, 1, 1}
            << QList<Points>{{{18, 6}, {0, 6}, {9, 11}}} << QList<Points>{};
    }
    void otherGlyphShapes() {
        QFETCH(SevenSegmentGlyph, glyph);
        QFETCH(CellGeometry, cell);
        QFETCH(QList<Points>, lit);
        QFETCH(QList<Points>, unlit);
        QList<Points> gotLit, gotUnlit;
        for (const GlyphShape& shape : glyphShapes(glyph, cell))
            (shape.lit ? gotLit : gotUnlit)
                .append(Points(shape.polygon.begin(), shape.polygon.end()));
        QCOMPARE(gotLit, lit);
        QCOMPARE(gotUnlit, unlit);
    }

    void segmentPatternsAsDrawn_data() {
        QTest::addColumn<SevenSegmentGlyph>("glyph");
        QTest::addColumn<QString>("lit");
        const char* patterns[] = {"ABCDEF", "BC",    "ABDEG",   "ABCDG", "BCFG",   "ACDFG",
                                  "ACDEFG", "ABC",   "ABCDEFG", "ABCFG", "ABCEFG", "CDEFG",
                                  "ADEF",   "BCDEG", "ADEFG",   "AEFG"};
        for (int g = int(SevenSegmentGlyph::Digit0); g <= int(SevenSegmentGlyph::F); ++g)
            QTest::addRow("%c", charForGlyph(SevenSegmentGlyph(g)).toLatin1())
                << SevenSegmentGlyph(g) << QString::fromLatin1(patterns[g]);
        QTest::newRow("blank") << SevenSegmentGlyph::Blank << QString();
    }
    void segmentPatternsAsDrawn() {
        QFETCH(SevenSegmentGlyph, glyph);
        QFETCH(QString, lit);
        const SevenSegmentRenderer r = readoutRenderer();
        const QPoint origin(3, 4);
        const QImage image = draw(r, glyph, origin, {10, 18});
        QCOMPARE(litSegments(image, origin, kLime), lit);
        // Every other segment is there, dim.
        for (int s = int(Segment::A); s <= int(Segment::G); ++s)
            if (!lit.contains(QChar(u'A' + s)))
                QCOMPARE(pixelAt(image, origin + kSegmentInterior[s]), kDimLime);
    }

    // Corner points lie on the shapes; the gaps between segments stay dark.
    void eightDrawnAtItsCorners() {
        const SevenSegmentRenderer r = readoutRenderer();
        const QPoint origin(3, 4);
        const QImage image = draw(r, SevenSegmentGlyph::Digit8, origin, {10, 18});
        for (int s = int(Segment::A); s <= int(Segment::G); ++s)
            for (QPoint corner : segmentPolygon(Segment(s), kDigitCell))
                QCOMPARE(pixelAt(image, origin + corner), kLime);
        for (QPoint gap : {QPoint(0, 0), QPoint(9, 0), QPoint(0, 8), QPoint(9, 8), QPoint(0, 17),
                           QPoint(9, 17), QPoint(3, 3), QPoint(4, 6), QPoint(4, 10)})
            QCOMPARE(pixelAt(image, origin + gap), QColor(Qt::black));
        // Nothing outside the cell.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!QRect(origin, QSize(10, 18)).contains(x, y))
                    QCOMPARE(pixelAt(image, {x, y}), QColor(Qt::black));
    }

    void nonSegmentGlyphsDrawn_data() {
        QTest::addColumn<SevenSegmentGlyph>("glyph");
        QTest::addColumn<QSize>("cell");
        QTest::addColumn<Points>("lit");
        QTest::addColumn<Points>("dim");
        QTest::addColumn<Points>("dark");
        QTest::newRow("up arrow") << SevenSegmentGlyph::UpArrow << QSize(10, 18)
                                  << Points{{8, 9}, {0, 9}, {4, 5}, {4, 8}} << Points{}
                                  << Points{{4, 4}, {4, 10}, {9, 9}, {3, 5}};
        QTest::newRow("plus") << SevenSegmentGlyph::Plus << QSize(10, 18)
                              << Points{{2, 4}, {8, 5}, {4, 2}, {6, 7}} << Points{{2, 13}, {8, 14}}
                              << Points{{1, 4}, {9, 5}, {4, 1}, {4, 8}, {2, 12}, {2, 15}};
        QTest::newRow("minus") << SevenSegmentGlyph::Minus << QSize(10, 18)
                               << Points{{2, 13}, {8, 14}} << Points{{2, 4}, {6, 7}}
                               << Points{{1, 13}, {9, 14}, {5, 15}};
        // The point reaches one row below its cell.
        QTest::newRow("period") << SevenSegmentGlyph::Period << QSize(2, 18)
                                << Points{{0, 16}, {2, 18}, {1, 17}} << Points{}
                                << Points{{0, 15}, {3, 17}, {1, 19}};
        QTest::newRow("comma") << SevenSegmentGlyph::Comma << QSize(2, 18)
                               << Points{{0, 11}, {2, 13}, {1, 16}, {2, 16}} << Points{}
                               << Points{{0, 16}, {1, 17}, {1, 10}, {1, 7}};
    }
    void nonSegmentGlyphsDrawn() {
        QFETCH(SevenSegmentGlyph, glyph);
        QFETCH(QSize, cell);
        QFETCH(Points, lit);
        QFETCH(Points, dim);
        QFETCH(Points, dark);
        const SevenSegmentRenderer r = readoutRenderer();
        const QPoint origin(5, 4);
        const QImage image = draw(r, glyph, origin, cell);
        for (QPoint p : lit)
            QCOMPARE(pixelAt(image, origin + p), kLime);
        for (QPoint p : dim)
            QCOMPARE(pixelAt(image, origin + p), kDimLime);
        for (QPoint p : dark)
            QCOMPARE(pixelAt(image, origin + p), QColor(Qt::black));
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
        SevenSegmentRenderer r = readoutRenderer();
        r.setSegmentColor(segment);
        r.setSegmentOffColor(QColor(128, 128, 128));
        r.setAutoSegmentOffColor(autoOff);
        r.setPoweredOff(powerOff);
        QCOMPARE(r.litColor(), lit);
        QCOMPARE(r.unlitColor(), unlit);
        const QPoint origin(2, 2);
        const QImage image = draw(r, SevenSegmentGlyph::Digit1, origin, {10, 18});
        QCOMPARE(pixelAt(image, origin + kSegmentInterior[int(Segment::B)]), lit);
        QCOMPARE(pixelAt(image, origin + kSegmentInterior[int(Segment::A)]), unlit);
    }

    void hiddenOffSegments() {
        SevenSegmentRenderer r = readoutRenderer();
        r.setShowOffSegments(false);
        const QImage blank = draw(r, SevenSegmentGlyph::Blank, {2, 2}, {10, 18});
        QCOMPARE(blank, blankImage(blank.width(), blank.height()));
        const QImage one = draw(r, SevenSegmentGlyph::Digit1, {2, 2}, {10, 18});
        QCOMPARE(litSegments(one, {2, 2}, kLime), QStringLiteral("BC"));
        QCOMPARE(pixelAt(one, QPoint(2, 2) + kSegmentInterior[int(Segment::A)]), QColor(Qt::black));
        // The sign cell loses its dim counterpart.
        const QImage plus = draw(r, SevenSegmentGlyph::Plus, {2, 2}, {10, 18});
        QCOMPARE(pixelAt(plus, QPoint(2, 2) + QPoint(5, 13)), QColor(Qt::black));
        QCOMPARE(pixelAt(plus, QPoint(2, 2) + QPoint(5, 4)), kLime);
    }

    void powerOffDigitLooksLikeDimEight() {
        SevenSegmentRenderer r = readoutRenderer();
        r.setPoweredOff(true);
        QCOMPARE(draw(r, SevenSegmentGlyph::Digit1, {2, 2}, {10, 18}),
                 draw(r, SevenSegmentGlyph::Digit8, {2, 2}, {10, 18}));
        QCOMPARE(draw(r, SevenSegmentGlyph::Digit1, {2, 2}, {10, 18}),
                 draw(r, SevenSegmentGlyph::Blank, {2, 2}, {10, 18}));
    }

    void glyphForChar_data() {
        QTest::addColumn<QString>("chars");
        QTest::addColumn<SevenSegmentGlyph>("glyph");
        QTest::newRow("0") << "0" << SevenSegmentGlyph::Digit0;
        QTest::newRow("9") << "9" << SevenSegmentGlyph::Digit9;
        QTest::newRow("A a") << "Aa" << SevenSegmentGlyph::A;
        QTest::newRow("F f") << "Ff" << SevenSegmentGlyph::F;
        QTest::newRow("period") << "." << SevenSegmentGlyph::Period;
        QTest::newRow("colon") << ":" << SevenSegmentGlyph::Colon;
        QTest::newRow("plus") << "+" << SevenSegmentGlyph::Plus;
        QTest::newRow("minus is the low bar") << "-" << SevenSegmentGlyph::Minus;
        QTest::newRow("underscore is the middle bar") << "_" << SevenSegmentGlyph::Line;
        QTest::newRow("less-than is up") << "<" << SevenSegmentGlyph::UpArrow;
        QTest::newRow("greater-than is down") << ">" << SevenSegmentGlyph::DownArrow;
        QTest::newRow("semicolon") << ";" << SevenSegmentGlyph::Semicolon;
        QTest::newRow("comma") << "," << SevenSegmentGlyph::Comma;
        QTest::newRow("anything else")
            << QStringLiteral(" gGzZ/=*\u00A0\u0660\u4E00") << SevenSegmentGlyph::Blank;
    }
    void glyphForChar() {
        QFETCH(QString, chars);
        QFETCH(SevenSegmentGlyph, glyph);
        for (QChar c : chars)
            QCOMPARE(SevenSegmentRenderer::glyphForChar(c), glyph);
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
        SevenSegmentRenderer r;
        r.setSegmentMargin(margin);
        r.setSegmentSize(size);
        for (int g = 0; g < kSevenSegmentGlyphCount; ++g) {
            const auto glyph = SevenSegmentGlyph(g);
            QCOMPARE(r.naturalWidth(glyph), isNarrowGlyph(glyph) ? narrowWidth : digitWidth);
        }
        QCOMPARE(r.naturalHeight(), height);
    }

    void rendererDefaults() {
        const SevenSegmentRenderer r;
        QCOMPARE(r.segmentColor(), kLime);
        QCOMPARE(r.segmentOffColor(), QColor(0, 128, 0));
        QVERIFY(r.autoSegmentOffColor());
        QVERIFY(r.showOffSegments());
        QVERIFY(!r.isPoweredOff());
        QCOMPARE(r.segmentSize(), 1);
        QCOMPARE(r.segmentSeparation(), 1);
        QCOMPARE(r.segmentMargin(), 2);
    }

    // The margin keeps segments off the cell's edges.
    void marginInsideCell() {
        SevenSegmentRenderer r;
        const QImage image = draw(r, SevenSegmentGlyph::Digit8, {0, 0}, {14, 22}, {14, 22});
        for (int x = 0; x < 14; ++x)
            for (int y : {0, 1, 20, 21})
                QCOMPARE(pixelAt(image, {x, y}), QColor(Qt::black));
        QCOMPARE(pixelAt(image, {3, 2}), kLime); // A's first corner (M+S, M)
        QCOMPARE(pixelAt(image, {2, 3}), kLime); // F's first corner (M, M+S)
    }
};

QTEST_MAIN(TestSevenSegmentRenderer)
#include "tst_sevensegmentrenderer.moc"
