// The "Compare runs" window: what it draws of each run (the charge counted up
// as the run counts it, gaps left open, the legend's label and charge), up to
// twenty runs in their colours, the two bottom axes, and the keyboard and
// assistive technology reaching every control under its caption.

#include "support/WindowFinder.h"

#include "review/CompareWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <set>

using namespace tarvex;

namespace {

RunReading reading(qint64 elapsedMs, double volts, double amps) {
    RunReading r;
    r.elapsedMs = elapsedMs;
    r.takenAtMs = 1'796'977'800'000 + elapsedMs;
    r.volts = volts;
    r.amps = amps;
    r.watts = volts * amps;
    return r;
}

RunRecord record(qint64 id, const QString& label, double ampHours, int pollMs = 200) {
    RunRecord run;
    run.id = id;
    run.label = label;
    run.ampHours = ampHours;
    run.pollIntervalMs = pollMs;
    return run;
}

// A discharge at amps for seconds, a reading every 200 ms, the voltage falling
// from 12.6 V by drop.
CompareRun discharge(qint64 id, const QString& label, double amps, int seconds, double drop) {
    CompareRun run;
    const int count = seconds * 5 + 1;
    for (int i = 0; i < count; ++i)
        run.readings << reading(qint64(i) * 200, 12.6 - drop * i / (count - 1), amps);
    run.run = record(id, label, amps * seconds / 3600.0);
    return run;
}

} // namespace

class TestCompareWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The charge at each reading is the trapezoid sum so far; readings more
    // than three poll intervals apart get a point without a voltage between
    // them (the line is not drawn across the gap), the time is in seconds.
    void seriesOfARun_data() {
        QTest::addColumn<int>("pollMs");
        QTest::addColumn<QList<RunReading>>("readings");
        QTest::addColumn<QList<double>>("chargeAh");
        QTest::addColumn<QList<double>>("seconds");
        QTest::addColumn<QList<bool>>("drawn"); // a voltage, or a gap
        QTest::newRow("steady") << 200
                                << QList<RunReading>{reading(0, 12, 1), reading(200, 11.9, 1),
                                                     reading(400, 11.8, 2)}
                                << QList<double>{0, 0.2 / 3600, 0.5 / 3600}
                                << QList<double>{0, 0.2, 0.4} << QList<bool>{true, true, true};
        QTest::newRow("three intervals joined")
            << 200 << QList<RunReading>{reading(0, 12, 1), reading(600, 11.9, 1)}
            << QList<double>{0, 0.6 / 3600} << QList<double>{0, 0.6} << QList<bool>{true, true};
        QTest::newRow("a gap left open")
            << 200
            << QList<RunReading>{reading(0, 12, 1), reading(200, 12, 1), reading(1000, 11.5, 1),
                                 reading(1200, 11.4, 1)}
            << QList<double>{0, 0.2 / 3600, 0.2 / 3600, 0.2 / 3600, 0.4 / 3600}
            << QList<double>{0, 0.2, 1.0, 1.0, 1.2} << QList<bool>{true, true, false, true, true};
        QTest::newRow("a slower poll joins it")
            << 500
            << QList<RunReading>{reading(0, 12, 1), reading(200, 12, 1), reading(1000, 11.5, 1)}
            << QList<double>{0, 0.2 / 3600, 1.0 / 3600} << QList<double>{0, 0.2, 1.0}
            << QList<bool>{true, true, true};
        QTest::newRow("no readings")
            << 200 << QList<RunReading>{} << QList<double>{} << QList<double>{} << QList<bool>{};
    }
    void seriesOfARun() {
        QFETCH(int, pollMs);
        QFETCH(QList<RunReading>, readings);
        QFETCH(QList<double>, chargeAh);
        QFETCH(QList<double>, seconds);
        QFETCH(QList<bool>, drawn);
        const OverlaySeries series =
            compareSeries(record(4, QStringLiteral("cell"), 1.5, pollMs), readings);
        QCOMPARE(series.chargeAh.size(), std::size_t(chargeAh.size()));
        QCOMPARE(series.elapsedSeconds.size(), std::size_t(seconds.size()));
        QCOMPARE(series.volts.size(), std::size_t(drawn.size()));
        for (qsizetype i = 0; i < chargeAh.size(); ++i) {
            QVERIFY2(std::abs(series.chargeAh[i] - chargeAh[i]) < 1e-12,
                     qPrintable(QString::number(i)));
            QCOMPARE(series.elapsedSeconds[i], seconds[i]);
            QCOMPARE(!std::isnan(series.volts[i]), drawn[i]);
        }
        QCOMPARE(series.ampHours, 1.5);
    }

    void legendLabel_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        QTest::newRow("label") << "cell A"
                               << "cell A";
        QTest::newRow("none") << ""
                              << "run 9";
        QTest::newRow("blanks only") << "  "
                                     << "run 9";
        QTest::newRow("line break") << "cell\nB"
                                    << "cell B";
    }
    void legendLabel() {
        QFETCH(QString, label);
        QFETCH(QString, shown);
        QCOMPARE(compareLabel(record(9, label, 1)), shown);
        QCOMPARE(compareSeries(record(9, label, 1), {}).label, shown);
    }

    // Each run in its own colour, in the order given, with the legend's label
    // and charge; beyond twenty the rest are left out and the window says so.
    void runsInTheirColours_data() {
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("note");
        QTest::newRow("three") << 3 << 3 << "3 runs";
        QTest::newRow("twenty") << 20 << 20 << "20 runs";
        QTest::newRow("twenty-five") << 25 << 20 << "20 of 25 runs shown: Compare shows 20 at most";
    }
    void runsInTheirColours() {
        QFETCH(int, runs);
        QFETCH(int, shown);
        QFETCH(QString, note);
        QList<CompareRun> given;
        for (int k = 0; k < runs; ++k)
            given << discharge(k + 1, QStringLiteral("cell %1").arg(k + 1), 1 + 0.1 * k, 60,
                               0.5 + 0.05 * k);
        CompareWindow window;
        QCOMPARE(window.setRuns(given), shown);
        OverlayChart* chart = child<OverlayChart>(&window, "chart");
        QCOMPARE(chart->seriesCount(), shown);
        for (int k = 0; k < shown; ++k) {
            QCOMPARE(chart->seriesLabel(k), QStringLiteral("cell %1").arg(k + 1));
            QCOMPARE(chart->seriesAmpHours(k), given[k].run.ampHours);
        }
        QCOMPARE(child<QLabel>(&window, "shownLabel")->text(), note);

        // Every run's colour is on the screen.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage picture = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
        std::set<QRgb> seen;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                seen.insert(picture.pixel(x, y) | 0xFF000000);
        for (int k = 0; k < shown; ++k)
            QVERIFY2(seen.count(overlayColor(k).rgb() | 0xFF000000),
                     qPrintable(overlayColor(k).name()));

        // Fewer runs again: the chart holds only those.
        QCOMPARE(window.setRuns(given.mid(0, 2)), 2);
        QCOMPARE(chart->seriesCount(), 2);
        QCOMPARE(child<QLabel>(&window, "shownLabel")->text(), QStringLiteral("2 runs"));
    }

    // The bottom axis: charge drawn at first, elapsed time at a click, by
    // Alt+T and Alt+C; kept for the next runs shown.
    void bottomAxisChoice() {
        CompareWindow window;
        window.setRuns({discharge(1, QStringLiteral("a"), 1, 60, 1)});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        OverlayChart* chart = child<OverlayChart>(&window, "chart");
        chart->setFocus();
        QTRY_VERIFY(chart->hasFocus());
        QCOMPARE(chart->xAxis(), OverlayAxis::Charge);
        QCOMPARE(chart->bottomAxis().title, QStringLiteral("Charge drawn / Ah"));
        child<QRadioButton>(&window, "timeAxisButton")->click();
        QCOMPARE(chart->xAxis(), OverlayAxis::Time);
        QVERIFY(chart->bottomAxis().title.startsWith(QStringLiteral("Elapsed time")));
        window.setRuns({discharge(2, QStringLiteral("b"), 1, 60, 1)});
        QCOMPARE(chart->xAxis(), OverlayAxis::Time);
        // A mnemonic clicks its button after a moment (the click is shown).
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(chart->xAxis(), OverlayAxis::Charge);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(chart->xAxis(), OverlayAxis::Time);
    }

    // Tab goes chart, the two axis choices, Close; each is named for
    // assistive technology by its caption; the window is announced as one.
    void keyboardAndNames() {
        CompareWindow window;
        window.setRuns({discharge(1, QStringLiteral("a"), 1, 60, 1)});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        OverlayChart* chart = child<OverlayChart>(&window, "chart");
        chart->setFocus();
        QTRY_VERIFY(chart->hasFocus());
        const QList<QWidget*> order = {child<QRadioButton>(&window, "chargeAxisButton"),
                                       child<QPushButton>(&window, "closeButton")};
        // Radio buttons of one group take one Tab stop: the checked one.
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QCOMPARE(chart->accessibleName(), QStringLiteral("Compare runs"));
        QCOMPARE(child<QRadioButton>(&window, "chargeAxisButton")->accessibleName(),
                 QStringLiteral("Against charge drawn (Ah)"));
        QCOMPARE(child<QRadioButton>(&window, "timeAxisButton")->accessibleName(),
                 QStringLiteral("Against elapsed time"));
        QCOMPARE(child<QPushButton>(&window, "closeButton")->accessibleName(),
                 QStringLiteral("Close"));
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&window);
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::Dialog);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Compare runs"));
        QVERIFY(window.isWindow());
        child<QPushButton>(&window, "closeButton")->click();
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestCompareWindow)
#include "tst_comparewindow.moc"
