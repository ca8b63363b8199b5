// The default exception display.
#include "support/MessageBoxRecorder.h"
#include "ui/Application.h"

#include <QTest>
#include <QThread>

#include <stdexcept>

using namespace tarvex;

class TestApplication : public QObject {
    Q_OBJECT

    MessageBoxRecorder m_boxes;

private slots:
    void init() { m_boxes.clear(); }

    void escapedExceptionIsShown() {
        bool after = false;
        guarded([] { throw std::runtime_error("Cannot open table \"Tarvex\""); });
        after = true;
        QVERIFY(after);
        const QList<MessageRequest>& boxes = m_boxes.boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes[0].text, QStringLiteral("Cannot open table \"Tarvex\""));
        QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(boxes[0].title, applicationTitle());
        guarded([] { throw 42; });
        QCOMPARE(boxes.size(), 2);
    }

    // A failure that recurs while its box is open (every reading while the
    // operator is away) is not stacked up box in box; another message is.
    void repeatsWhileOpenAreNotStacked() {
        const QList<MessageRequest>& boxes = m_boxes.boxes();
        int depth = 0;
        int deepest = 0;
        MessageHandler record;
        record = setMessageHandler([&](const MessageRequest& r) {
            record(r);
            ++depth;
            deepest = std::max(deepest, depth);
            if (boxes.size() < 10) {
                guarded([] { throw std::runtime_error("disk full"); });
                guarded([] { throw std::runtime_error("table locked"); });
            }
            --depth;
            return QMessageBox::Ok;
        });
        guarded([] { throw std::runtime_error("disk full"); });
        setMessageHandler(record);
        QStringList texts;
        for (const auto& b : boxes)
            texts.append(b.text);
        QCOMPARE(texts, (QStringList{QStringLiteral("disk full"), QStringLiteral("table locked")}));
        QCOMPARE(deepest, 2);
        // Once closed, the same failure is shown again.
        guarded([] { throw std::runtime_error("disk full"); });
        QCOMPARE(boxes.size(), 3);
    }

    // A failure on another thread (the run's, the storing thread) never
    // shows a box there: it is handed to the window thread, which shows it.
    void failureOnAnotherThreadIsShownByTheWindowThread() {
        QThread* shownOn = nullptr;
        QString shown;
        const MessageHandler previous = setMessageHandler([&](const MessageRequest& r) {
            shownOn = QThread::currentThread();
            shown = r.text;
            return QMessageBox::Ok;
        });
        QThread* worker = QThread::create(
            [] { guarded([] { throw std::runtime_error("The table file is locked"); }); });
        QTest::ignoreMessage(QtWarningMsg, "The table file is locked");
        worker->start();
        QVERIFY(worker->wait(30000)); // it did not wait for a box
        QCOMPARE(shownOn, nullptr);
        QTRY_COMPARE(shownOn, QThread::currentThread());
        QCOMPARE(shown, QStringLiteral("The table file is locked"));
        delete worker;
        setMessageHandler(previous);
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
