// The port settings dialog: serial port, baud rate and poll interval. It only
// holds the entries; the control window reads them after OK.
#pragma once

#include <QDialog>
#include <QString>

#include "errors/Errors.h" // ConversionError

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

// The entries of the dialog, each as the text of its control.
struct PortSettings {
    QString CommPort;
    QString BaudRate;
    QString ByteSize;
    QString Parity;
    QString StopBits;
    QString Interval;
};

// Converts a text to a 32-bit integer: optional leading blanks, a sign, then
// decimal digits, or hexadecimal after "$" or "0x". Anything else, and values
// out of range, raise ConversionError "'<text>' is not a valid integer value".
int StrToInt(const QString& text);

class TComSet : public QDialog {
    Q_OBJECT
public:
    explicit TComSet(QWidget* parent = nullptr);

    PortSettings Settings() const;
    // 1-based position of the selected entry of the port list, 0 when none is
    // selected: typing in the box clears the selection, choosing an entry
    // sets it. At start the first entry (Com1) is selected.
    int PortListPosition() const { return FPortIndex + 1; }

    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QComboBox* ComboBox1; // port
    QComboBox* ComboBox2; // baud rate
    QLineEdit* Edit1;     // data bits
    QLineEdit* Edit2;     // parity
    QLineEdit* Edit3;     // stop bits
    QLineEdit* Edit4;     // poll interval, ms
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel

private:
    int FPortIndex = 0;
};

} // namespace tarvex
