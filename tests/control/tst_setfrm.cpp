#include "control/Setfrm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tarvex;

class TestSetfrm : public QObject {
    Q_OBJECT

private slots:
    void strToInt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "9600" << true << 9600;
        QTest::newRow("leading blanks") << "  200" << true << 200;
        QTest::newRow("signed") << "-5" << true << -5;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("dollar hex") << "$1F" << true << 31;
        QTest::newRow("0x hex") << "0x10" << true << 16;
        QTest::newRow("full hex pattern") << "$FFFFFFFF" << true << -1;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("far too large") << "99999999999999999999" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << " " << false << 0;
        QTest::newRow("trailing blank") << "8 " << false << 0;
        QTest::newRow("letters") << "96OO" << false << 0;
        QTest::newRow("decimal") << "1.5" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0661\u0662") << false << 0;
    }
    void strToInt() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(StrToInt(text), value);
            return;
        }
        try {
            StrToInt(text);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }

    void initialEntries() {
        TComSet dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Com Setting"));
        const PortSettings s = dialog.Settings();
        QCOMPARE(s.CommPort, QStringLiteral("Com1"));
        QCOMPARE(s.BaudRate, QStringLiteral("9600"));
        QCOMPARE(s.ByteSize, QStringLiteral("8"));
        QCOMPARE(s.Parity, QStringLiteral("0"));
        QCOMPARE(s.StopBits, QStringLiteral("0"));
        QCOMPARE(s.Interval, QStringLiteral("200"));
        QCOMPARE(dialog.ComboBox1->count(), 4);
        QCOMPARE(dialog.ComboBox2->itemText(3), QStringLiteral("38400"));
        QVERIFY(!dialog.Edit1->isEnabled());
        QVERIFY(!dialog.Edit2->isEnabled());
        QVERIFY(!dialog.Edit3->isEnabled());
        QVERIFY(dialog.Edit4->isEnabled());
        QCOMPARE(dialog.ComboBox1->accessibleName(), QStringLiteral("Comm Port"));
        QCOMPARE(dialog.Edit4->accessibleName(), QStringLiteral("Send-frequency"));
        QCOMPARE(dialog.PortListPosition(), 1);
    }

    // The message after a failed open names the chosen list entry, or 0 for
    // a typed name.
    void portListPosition() {
        TComSet dialog;
        QCOMPARE(dialog.PortListPosition(), 1);
        dialog.ComboBox1->setCurrentIndex(3);
        QCOMPARE(dialog.Settings().CommPort, QStringLiteral("Com4"));
        QCOMPARE(dialog.PortListPosition(), 4);

        dialog.ComboBox1->lineEdit()->selectAll();
        QTest::keyClicks(dialog.ComboBox1->lineEdit(), QStringLiteral("COM7"));
        QCOMPARE(dialog.Settings().CommPort, QStringLiteral("COM7"));
        QCOMPARE(dialog.PortListPosition(), 0);

        // Typing a name that is also in the list is still a typed name.
        dialog.ComboBox1->lineEdit()->selectAll();
        QTest::keyClicks(dialog.ComboBox1->lineEdit(), QStringLiteral("Com2"));
        QCOMPARE(dialog.PortListPosition(), 0);

        // Choosing with the keyboard selects again.
        dialog.ComboBox1->setCurrentIndex(0);
        QTest::keyClick(dialog.ComboBox1, Qt::Key_Down);
        QCOMPARE(dialog.Settings().CommPort, QStringLiteral("Com2"));
        QCOMPARE(dialog.PortListPosition(), 2);
    }

    // Enter accepts, Escape cancels, and the texts survive either way.
    void keysAndKeptTexts() {
        TComSet dialog;
        dialog.ComboBox2->setEditText(QStringLiteral("19200"));
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.Settings().BaudRate, QStringLiteral("19200"));

        QTimer::singleShot(0, &dialog, [&] {
            dialog.Edit4->setFocus();
            QTest::keyClick(dialog.Edit4, Qt::Key_Return);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, &dialog, [&] { dialog.BitBtn2->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.Settings().BaudRate, QStringLiteral("19200"));
    }
};

QTEST_MAIN(TestSetfrm)
#include "tst_setfrm.moc"
