#include "control/PortSettingsDialog.h"
#include "control/SerialDevice.h"
#include "errors/Errors.h"
#include "support/PortTextEntry.h"
#include "support/WindowFinder.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tarvex;

namespace {

const QString kAdapterById =
    QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ3Q1-if00-port0");

// A USB adapter with a stable path and a built-in port without one.
QList<SerialDevice> twoDevices() {
    return {{QStringLiteral("/dev/ttyUSB0"), kAdapterById, QStringLiteral("FT232R USB UART"),
             QStringLiteral("FTDI"), QStringLiteral("A10KZ3Q1")},
            {QStringLiteral("/dev/ttyS4"), QString(), QString(), QString(), QString()}};
}

// Shows the dialog, which makes its port list afresh, and hides it again.
void showAndHide(PortSettingsDialog& dialog) {
    dialog.show();
    dialog.hide();
}

QStringList items(QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

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

    // The message after a failed open names the list entry equal to the
    // text, however the text got there, or 0 for a name not in the list.
    void portListPositionNamesTheEntryOfTheText() {
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

        // Typing a name that is in the list names that entry; another case
        // of letters is another name.
        portBox->lineEdit()->selectAll();
        QTest::keyClicks(portBox->lineEdit(), QStringLiteral("Com2"));
        QCOMPARE(dialog.portListPosition(), 2);
        portBox->lineEdit()->selectAll();
        QTest::keyClicks(portBox->lineEdit(), QStringLiteral("COM2"));
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
    // --- the serial devices present -------------------------------------------

    void devicesPresentFollowTheNamedPorts() {
        PortSettingsDialog dialog;
        int asked = 0;
        dialog.setDeviceEnumerator([&] {
            ++asked;
            return twoDevices();
        });
        QComboBox* portBox = child<QComboBox>(&dialog, "portBox");
        QCOMPARE(asked, 0); // not before it is shown
        QCOMPARE(portBox->count(), 4);

        showAndHide(dialog);
        QCOMPARE(asked, 1);
        QCOMPARE(items(portBox), (QStringList{QStringLiteral("Com1"), QStringLiteral("Com2"),
                                              QStringLiteral("Com3"), QStringLiteral("Com4"),
                                              kAdapterById, QStringLiteral("/dev/ttyS4")}));
        // The box still starts at Com1, chosen.
        QCOMPARE(dialog.entries().portName, QStringLiteral("Com1"));
        QCOMPARE(dialog.portListPosition(), 1);
        // Each device's tooltip tells what it is.
        const QString adapterTip = portBox->itemData(4, Qt::ToolTipRole).toString();
        QCOMPARE(adapterTip, QStringLiteral("FT232R USB UART\nManufacturer: FTDI\n"
                                            "Serial number: A10KZ3Q1\nDevice: /dev/ttyUSB0"));
        QCOMPARE(portBox->itemData(5, Qt::ToolTipRole).toString(),
                 QStringLiteral("Device: /dev/ttyS4"));
        QVERIFY(!portBox->itemData(0, Qt::ToolTipRole).isValid());
        // The list opens wide enough to show the long path.
        QVERIFY(portBox->view()->minimumWidth() >
                portBox->fontMetrics().horizontalAdvance(kAdapterById));
        QCOMPARE(portBox->size(), QSize(73, 22));

        showAndHide(dialog);
        QCOMPARE(asked, 2);
        QCOMPARE(portBox->count(), 6); // made afresh, not added twice
    }

    // A chosen device gives its list position (for the failed-open message)
    // and stays chosen while it is present.
    void chosenDeviceKeepsItsPlaceAcrossShowings() {
        PortSettingsDialog dialog;
        QList<SerialDevice> devices = twoDevices();
        dialog.setDeviceEnumerator([&] { return devices; });
        QComboBox* portBox = child<QComboBox>(&dialog, "portBox");
        showAndHide(dialog);
        portBox->setCurrentIndex(4);
        QCOMPARE(dialog.entries().portName, kAdapterById);
        QCOMPARE(dialog.portListPosition(), 5);
        portBox->setCurrentIndex(5);
        QCOMPARE(dialog.portListPosition(), 6);
        portBox->setCurrentIndex(4);

        // Another device came, listed before it.
        devices.prepend({QStringLiteral("/dev/ttyACM0"), QString(),
                         QStringLiteral("Electronic load"), QString(), QString()});
        showAndHide(dialog);
        QCOMPARE(dialog.entries().portName, kAdapterById);
        QCOMPARE(dialog.portListPosition(), 6);

        // It went: its name stays in the box, as if typed.
        devices.removeAt(1);
        showAndHide(dialog);
        QCOMPARE(portBox->count(), 6);
        QCOMPARE(dialog.entries().portName, kAdapterById);
        QCOMPARE(dialog.portListPosition(), 0);

        // A named port stays chosen whatever the devices do.
        portBox->setCurrentIndex(2);
        devices.clear();
        showAndHide(dialog);
        QCOMPARE(portBox->count(), 4);
        QCOMPARE(dialog.entries().portName, QStringLiteral("Com3"));
        QCOMPARE(dialog.portListPosition(), 3);
    }

    // Whichever way the text got into "Comm Port", the dialog keeps it across
    // showings and changes of the device list, selects the entry equal to it
    // (none when there is none) and names that entry's position.
    void portTextSurvivesShowingsAndTheList_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("position"); // in the list of twoDevices()
        const QString link = QStringLiteral("/tmp/tarvex-load");
        for (const QString& way :
             {QStringLiteral("keys"), QStringLiteral("paste"), QStringLiteral("input method"),
              QStringLiteral("accessibility"), QStringLiteral("--port")}) {
            QTest::addRow("%s, a link", qPrintable(way)) << way << link << 0;
            QTest::addRow("%s, a listed by-id path", qPrintable(way)) << way << kAdapterById << 5;
            QTest::addRow("%s, a named port", qPrintable(way)) << way << "Com3" << 3;
        }
        QTest::newRow("list choice, a device") << "list" << kAdapterById << 5;
        QTest::newRow("list choice, a named port") << "list"
                                                   << "Com4" << 4;
    }
    void portTextSurvivesShowingsAndTheList() {
        QFETCH(QString, way);
        QFETCH(QString, name);
        QFETCH(int, position);
        PortSettingsDialog dialog;
        QList<SerialDevice> devices = twoDevices();
        dialog.setDeviceEnumerator([&] { return devices; });
        QComboBox* portBox = child<QComboBox>(&dialog, "portBox");
        QLineEdit* editor = portBox->lineEdit();
        showAndHide(dialog);
        // Com1 is chosen at start: a text that arrives without touching the
        // list must not bring Com1 back.
        QCOMPARE(portBox->currentIndex(), 0);
        putPortText(dialog, way, name);
        QCOMPARE(dialog.entries().portName, name);
        QCOMPARE(dialog.portListPosition(), position);

        showAndHide(dialog);
        QCOMPARE(dialog.entries().portName, name);
        QCOMPARE(dialog.portListPosition(), position);
        QCOMPARE(portBox->currentIndex(), position - 1);
        QCOMPARE(editor->text(), name);

        // Another device came, listed before the adapter; the adapter moves.
        devices.prepend({QStringLiteral("/dev/ttyACM0"), QString(),
                         QStringLiteral("Electronic load"), QString(), QString()});
        showAndHide(dialog);
        QCOMPARE(dialog.entries().portName, name);
        QCOMPARE(dialog.portListPosition(), position > 4 ? position + 1 : position);

        // All devices went: the text stays, as a name no entry has.
        devices.clear();
        showAndHide(dialog);
        QCOMPARE(portBox->count(), 4);
        QCOMPARE(dialog.entries().portName, name);
        QCOMPARE(dialog.portListPosition(), position > 4 ? 0 : position);
        QCOMPARE(portBox->currentIndex(), position > 4 ? -1 : position - 1);
    }

    // Below the interval: a warning while polling at it cannot watch the
    // load at the chosen baud rate, naming the smallest that works; gone
    // once the interval is long enough. Its text is what assistive
    // technology reads, on the label and with the interval's editor.
    void intervalWarningFollowsIntervalAndBaudRate_data() {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("warning");
        QTest::newRow("0 at 9600") << "9600"
                                   << "0"
                                   << "Polling off: Load ON needs 150 ms or more";
        QTest::newRow("10 at 9600") << "9600"
                                    << "10"
                                    << "Too short for 9600 bit/s: 150 ms or more";
        QTest::newRow("80 at 9600") << "9600"
                                    << "80"
                                    << "Too short for 9600 bit/s: 150 ms or more";
        QTest::newRow("150 at 9600") << "9600"
                                     << "150"
                                     << "";
        QTest::newRow("150 at 4800") << "4800"
                                     << "150"
                                     << "Too short for 4800 bit/s: 220 ms or more";
        QTest::newRow("100 at 38400") << "38400"
                                      << "100"
                                      << "";
        QTest::newRow("hexadecimal, as OK reads it") << "9600"
                                                     << "$96"
                                                     << "";
        QTest::newRow("interval not a number: told at OK") << "9600"
                                                           << "8O"
                                                           << "";
        QTest::newRow("baud rate not a number: told at OK") << "96OO"
                                                            << "10"
                                                            << "";
    }
    void intervalWarningFollowsIntervalAndBaudRate() {
        QFETCH(QString, baud);
        QFETCH(QString, interval);
        QFETCH(QString, warning);
        PortSettingsDialog dialog;
        QLabel* label = child<QLabel>(&dialog, "intervalWarning");
        QCOMPARE(label->text(), QString()); // 200 ms at 9600 bit/s at start
        QVERIFY(label->isHidden());
        QComboBox* baudBox = child<QComboBox>(&dialog, "baudRateBox");
        baudBox->lineEdit()->selectAll();
        QTest::keyClicks(baudBox->lineEdit(), baud);
        QLineEdit* intervalEdit = child<QLineEdit>(&dialog, "intervalEdit");
        intervalEdit->selectAll();
        QTest::keyClicks(intervalEdit, interval);
        QCOMPARE(label->text(), warning);
        QCOMPARE(intervalEdit->accessibleDescription(), warning);
        QCOMPARE(label->isHidden(), warning.isEmpty());
        if (warning.isEmpty())
            return;
        QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), warning);
        // Inside the dialog's fixed layout, above the buttons, wide enough.
        dialog.show();
        const QRect shown(label->mapTo(&dialog, QPoint(0, 0)), label->size());
        QVERIFY(dialog.rect().contains(shown));
        QVERIFY(shown.bottom() < child<QPushButton>(&dialog, "okButton")->y());
        QVERIFY2(label->fontMetrics().horizontalAdvance(warning) <= label->width(),
                 qPrintable(warning));
        QCOMPARE(dialog.size(), QSize(313, 253)); // 321 x 283 with its frame
    }

    void stablePathsLeadToTheirDevices() {
        // A directory laid out like /dev/serial/by-id: relative and absolute
        // links to device nodes, a link that leads nowhere, and a plain file.
        QTemporaryDir root;
        QDir(root.path()).mkpath(QStringLiteral("dev/serial/by-id"));
        const QString dev = root.filePath(QStringLiteral("dev"));
        const QString byId = root.filePath(QStringLiteral("dev/serial/by-id"));
        for (const char* node : {"ttyUSB0", "ttyACM0"}) {
            QFile file(dev + QLatin1Char('/') + QLatin1String(node));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(QStringLiteral("../../ttyUSB0"),
                            byId + QStringLiteral("/usb-FTDI_FT232R-if00-port0")));
        QVERIFY(QFile::link(dev + QStringLiteral("/ttyACM0"),
                            byId + QStringLiteral("/usb-Load_Bench_42-if00")));
        QVERIFY(QFile::link(QStringLiteral("../../ttyUSB9"),
                            byId + QStringLiteral("/usb-Gone-if00-port0")));
        QFile plain(byId + QStringLiteral("/README"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();

        const QHash<QString, QString> paths = stablePathsIn(byId);
        QCOMPARE(paths.size(), 2);
        const QString usb = QFileInfo(dev + QStringLiteral("/ttyUSB0")).canonicalFilePath();
        const QString acm = QFileInfo(dev + QStringLiteral("/ttyACM0")).canonicalFilePath();
        QCOMPARE(paths.value(usb), byId + QStringLiteral("/usb-FTDI_FT232R-if00-port0"));
        QCOMPARE(paths.value(acm), byId + QStringLiteral("/usb-Load_Bench_42-if00"));
        QVERIFY(stablePathsIn(root.filePath(QStringLiteral("absent"))).isEmpty());

        // The devices of this machine, whatever they are: real nodes, in order.
        const QList<SerialDevice> present = serialDevicesPresent();
        for (qsizetype i = 0; i < present.size(); ++i) {
            QVERIFY(QFileInfo::exists(present[i].systemLocation));
            if (!present[i].stablePath.isEmpty())
                QCOMPARE(QFileInfo(present[i].stablePath).canonicalFilePath(),
                         QFileInfo(present[i].systemLocation).canonicalFilePath());
        }
    }
};

QTEST_MAIN(TestPortSettingsDialog)
#include "tst_portsettingsdialog.moc"
