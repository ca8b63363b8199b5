#include "support/MessageBoxRecorder.h"
#include "ui/WindowTimer.h"

#include <QTest>

#include <stdexcept>

using namespace tarvex;

class TestWindowTimer : public QObject {
    Q_OBJECT

    MessageBoxRecorder m_boxes;

private slots:
    void init() { m_boxes.clear(); }

    void ticksWhileEnabledWithAnInterval() {
        WindowTimer timer(20);
        int ticks = 0;
        connect(&timer, &WindowTimer::timeout, this, [&] { ++ticks; });
        QTest::qWait(100);
        QCOMPARE(ticks, 0);
        timer.setEnabled(true);
        QTRY_VERIFY(ticks >= 2);

        // Interval 0 stops the ticks (a bare zero-interval QTimer would fire
        // continuously); the timer stays enabled.
        timer.setInterval(0);
        QVERIFY(timer.isEnabled());
        QVERIFY(!timer.isTicking());
        const int stopped = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks, stopped);

        // A valid interval brings the ticks back.
        timer.setInterval(20);
        QTRY_VERIFY(ticks >= stopped + 2);
        timer.setEnabled(false);
        const int off = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks, off);
    }

    void slotExceptionIsShownAndTheTimerGoesOn() {
        WindowTimer timer(10);
        int ticks = 0;
        connect(&timer, &WindowTimer::timeout, this, [&] {
            ++ticks;
            throw std::runtime_error("tick failed");
        });
        timer.setEnabled(true);
        QTRY_VERIFY(ticks >= 3);
        QVERIFY(m_boxes.boxes().size() >= 3);
        QCOMPARE(m_boxes.boxes()[0].text, QStringLiteral("tick failed"));
    }
};

QTEST_MAIN(TestWindowTimer)
#include "tst_windowtimer.moc"
