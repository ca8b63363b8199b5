// The message boxes as the operator sees them: real boxes, answered by
// pressing their buttons.
#include "ui/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tarvex;

namespace {

// Once the next modal box is up, records how it looks and answers it.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::function<void(QMessageBox&)> answer) : m_answer(std::move(answer)) {
        QTimer::singleShot(0, [this] { poll(); });
    }

    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, [this] { poll(); });
            return;
        }
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        m_answer(*box);
    }

    std::function<void(QMessageBox&)> m_answer;
};

void pressOk(QMessageBox& box) {
    box.button(QMessageBox::Ok)->click();
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void boxIsTitledByItsKind_data() {
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::addColumn<QString>("title");
        QTest::newRow("warning") << QMessageBox::Warning << "Warning";
        QTest::newRow("error") << QMessageBox::Critical << "Error";
        QTest::newRow("confirmation") << QMessageBox::Question << "Confirm";
        QTest::newRow("information") << QMessageBox::Information << "Information";
        QTest::newRow("no icon") << QMessageBox::NoIcon << "Information";
    }
    void boxIsTitledByItsKind() {
        QFETCH(QMessageBox::Icon, icon);
        QFETCH(QString, title);
        BoxAnswerer answerer(pressOk);
        QCOMPARE(showMessageBox(QStringLiteral("Port busy"), icon, QMessageBox::Ok),
                 QMessageBox::Ok);
        QCOMPARE(answerer.title, title);
        QCOMPARE(answerer.text, QStringLiteral("Port busy"));
        QCOMPARE(answerer.icon, icon);
        QCOMPARE(answerer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void plainBoxHasItsOwnTitle() {
        BoxAnswerer answerer(pressOk);
        QCOMPARE(showPlainMessageBox(QStringLiteral("Failed"), QStringLiteral("Tarvex")),
                 QMessageBox::Ok);
        QCOMPARE(answerer.title, QStringLiteral("Tarvex"));
        QCOMPARE(answerer.text, QStringLiteral("Failed"));
        QCOMPARE(answerer.icon, QMessageBox::NoIcon);
        QCOMPARE(answerer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // The answer is the button pressed; Esc presses the box's escape button.
    void answerIsTheButtonPressed_data() {
        QTest::addColumn<QMessageBox::StandardButtons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("press"); // NoButton: Esc
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
        const QMessageBox::StandardButtons yesNoCancel = yesNo | QMessageBox::Cancel;
        QTest::newRow("yes") << yesNo << QMessageBox::Yes << QMessageBox::Yes;
        QTest::newRow("no") << yesNo << QMessageBox::No << QMessageBox::No;
        QTest::newRow("cancel") << yesNoCancel << QMessageBox::Cancel << QMessageBox::Cancel;
        QTest::newRow("Esc with cancel")
            << yesNoCancel << QMessageBox::NoButton << QMessageBox::Cancel;
        QTest::newRow("Esc with yes and no") << yesNo << QMessageBox::NoButton << QMessageBox::No;
        QTest::newRow("Esc with yes only") << QMessageBox::StandardButtons(QMessageBox::Yes)
                                           << QMessageBox::NoButton << QMessageBox::Yes;
    }
    void answerIsTheButtonPressed() {
        QFETCH(QMessageBox::StandardButtons, buttons);
        QFETCH(QMessageBox::StandardButton, press);
        QFETCH(QMessageBox::StandardButton, answer);
        BoxAnswerer answerer([press](QMessageBox& box) {
            if (press == QMessageBox::NoButton)
                QTest::keyClick(&box, Qt::Key_Escape);
            else
                box.button(press)->click();
        });
        QCOMPARE(showMessageBox(QStringLiteral("Clear?"), QMessageBox::Question, buttons), answer);
        QCOMPARE(answerer.buttons, buttons);
    }

    void handlerAnswersInsteadOfABox() {
        QList<MessageRequest> asked;
        const MessageHandler previous = setMessageHandler([&](const MessageRequest& r) {
            asked.append(r);
            return QMessageBox::No;
        });
        const auto answer = showMessageBox(QStringLiteral("Clear?"), QMessageBox::Question,
                                           QMessageBox::Yes | QMessageBox::No);
        setMessageHandler(previous);
        QCOMPARE(answer, QMessageBox::No);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].icon, QMessageBox::Question);
        QCOMPARE(asked[0].title, QStringLiteral("Confirm"));
        QCOMPARE(asked[0].text, QStringLiteral("Clear?"));
        QCOMPARE(asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
