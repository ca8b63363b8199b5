#include "control/PortSettingsDialog.h"
#include "errors/Errors.h"
#include "support/WindowFinder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tarvex;

class TestPortSettingsDialog : public QObject {
    Q_OBJECT

private slots:
    void integersAreParsedOrRefusedWithTheMessage_data() {
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
    void integersAreParsedOrRefusedWithTheMessage() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(parseInteger(text), value);
            return;
        }
        try {
            parseInteger(text);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }

    void entriesAtStart() {
        PortSettingsDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Com Setting"));
        const PortSettingsEntries s = dialog.entries();
        QCOMPARE(s.portName, QStringLiteral("Com1"));
        QCOMPARE(s.baudRate, QStringLiteral("9600"));
        QCOMPARE(s.dataBits, QStringLiteral("8"));
        QCOMPARE(s.parity, QStringLiteral("0"));
        QCOMPARE(s.stopBits, QStringLiteral("0"));
        QCOMPARE(s.pollInterval, QStringLiteral("200"));
        QCOMPARE(child<QComboBox>(&dialog, "portBox")->count(), 4);
        QCOMPARE(child<QComboBox>(&dialog, "baudRateBox")->itemText(3), QStringLiteral("38400"));
        QVERIFY(!child<QLineEdit>(&dialog, "dataBitsEdit")->isEnabled());
        QVERIFY(!child<QLineEdit>(&dialog, "parityEdit")->isEnabled());
        QVERIFY(!child<QLineEdit>(&dialog, "stopBitsEdit")->isEnabled());
        QVERIFY(child<QLineEdit>(&dialog, "intervalEdit")->isEnabled());
        QCOMPARE(child<QComboBox>(&dialog, "portBox")->accessibleName(),
                 QStringLiteral("Comm Port"));
        QCOMPARE(child<QLineEdit>(&dialog, "intervalEdit")->accessibleName(),
                 QStringLiteral("Send-frequency"));
        QCOMPARE(dialog.portListPosition(), 1);
    }

    // The message after a failed open names the chosen list entry, or 0 for
    // a typed name.
    void portListPositionNamesTheChosenEntry() {
        PortSettingsDialog dialog;
        QComboBox* portBox = child<QComboBox>(&dialog, "portBox");
        QCOMPARE(dialog.portListPosition(), 1);
        portBox->setCurrentIndex(3);
        QCOMPARE(dialog.entries().portName, QStringLiteral("Com4"));
        QCOMPARE(dialog.portListPosition(), 4);

        portBox->lineEdit()->selectAll();
        QTest::keyClicks(portBox->lineEdit(), QStringLiteral("COM7"));
        QCOMPARE(dialog.entries().portName, QStringLiteral("COM7"));
        QCOMPARE(dialog.portListPosition(), 0);

        // Typing a name that is also in the list is still a typed name.
        portBox->lineEdit()->selectAll();
        QTest::keyClicks(portBox->lineEdit(), QStringLiteral("Com2"));
        QCOMPARE(dialog.portListPosition(), 0);

        // Choosing with the keyboard selects again.
        portBox->setCurrentIndex(0);
        QTest::keyClick(portBox, Qt::Key_Down);
        QCOMPARE(dialog.entries().portName, QStringLiteral("Com2"));
        QCOMPARE(dialog.portListPosition(), 2);
    }

    // Enter accepts, Escape cancels, and the texts survive either way.
    void enterAcceptsEscapeCancelsTextsStay() {
        PortSettingsDialog dialog;
        child<QComboBox>(&dialog, "baudRateBox")->setEditText(QStringLiteral("19200"));
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.entries().baudRate, QStringLiteral("19200"));

        QTimer::singleShot(0, &dialog, [&] {
            child<QLineEdit>(&dialog, "intervalEdit")->setFocus();
            QTest::keyClick(child<QLineEdit>(&dialog, "intervalEdit"), Qt::Key_Return);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, &dialog,
                           [&] { child<QPushButton>(&dialog, "cancelButton")->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.entries().baudRate, QStringLiteral("19200"));
    }
};

QTEST_MAIN(TestPortSettingsDialog)
#include "tst_portsettingsdialog.moc"
