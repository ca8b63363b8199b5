// The form toolkit's pieces: the default exception display and the window
// timer.
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Timer.h"

#include <QTest>

#include <stdexcept>

using namespace tarvex;

class TestToolkit : public QObject {
    Q_OBJECT

    QList<MessageRequest> boxes;
    MessageHandler previous;

private slots:
    void initTestCase() {
        previous = SetMessageHandler([this](const MessageRequest& r) {
            boxes.append(r);
            return int(mrOk);
        });
    }
    void cleanupTestCase() { SetMessageHandler(previous); }
    void init() { boxes.clear(); }

    void escapedExceptionIsShown() {
        bool after = false;
        Guarded([] { throw std::runtime_error("Cannot open table \"Tarvex\""); });
        after = true;
        QVERIFY(after);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].type, TMsgDlgType::mtError);
        QCOMPARE(boxes[0].text, QStringLiteral("Cannot open table \"Tarvex\""));
        QCOMPARE(boxes[0].buttons, TMsgDlgButtons(mbOK));
        QCOMPARE(boxes[0].title, ApplicationTitle());
        Guarded([] { throw 42; });
        QCOMPARE(boxes.size(), 2);
    }

    // A failure that recurs while its box is open (every reading while the
    // operator is away) is not stacked up box in box; another message is.
    void repeatsWhileOpenAreNotStacked() {
        int depth = 0;
        int deepest = 0;
        SetMessageHandler([&](const MessageRequest& r) {
            boxes.append(r);
            ++depth;
            deepest = std::max(deepest, depth);
            if (boxes.size() < 10) {
                Guarded([] { throw std::runtime_error("disk full"); });
                Guarded([] { throw std::runtime_error("table locked"); });
            }
            --depth;
            return int(mrOk);
        });
        Guarded([] { throw std::runtime_error("disk full"); });
        SetMessageHandler([this](const MessageRequest& r) {
            boxes.append(r);
            return int(mrOk);
        });
        QStringList texts;
        for (const auto& b : boxes)
            texts.append(b.text);
        QCOMPARE(texts, (QStringList{QStringLiteral("disk full"), QStringLiteral("table locked")}));
        QCOMPARE(deepest, 2);
        // Once closed, the same failure is shown again.
        Guarded([] { throw std::runtime_error("disk full"); });
        QCOMPARE(boxes.size(), 3);
    }

    void timerTicksWhileEnabledWithAnInterval() {
        TTimer timer(20);
        int ticks = 0;
        timer.OnTimer = [&] { ++ticks; };
        QTest::qWait(100);
        QCOMPARE(ticks, 0);
        timer.SetEnabled(true);
        QTRY_VERIFY(ticks >= 2);

        // Interval 0 stops the ticks (a bare zero-interval QTimer would fire
        // continuously); the timer stays enabled.
        timer.SetInterval(0);
        QVERIFY(timer.Enabled());
        QVERIFY(!timer.IsTicking());
        const int stopped = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks, stopped);

        // A valid interval brings the ticks back.
        timer.SetInterval(20);
        QTRY_VERIFY(ticks >= stopped + 2);
        timer.SetEnabled(false);
        const int off = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks, off);
    }

    void timerHandlerExceptionIsShownAndTheTimerGoesOn() {
        TTimer timer(10);
        int ticks = 0;
        timer.OnTimer = [&] {
            ++ticks;
            throw std::runtime_error("tick failed");
        };
        timer.SetEnabled(true);
        QTRY_VERIFY(ticks >= 3);
        QVERIFY(boxes.size() >= 3);
        QCOMPARE(boxes[0].text, QStringLiteral("tick failed"));
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
