// The port settings dialog: serial port, baud rate and poll interval. It only
// holds the entries; the control window reads them after OK. It is created
// once and only hidden between showings, so it keeps what the operator last
// typed or chose, also after Cancel. Below the interval it warns when polling
// at that interval cannot watch the load at the chosen baud rate.
#pragma once

#include "control/SerialDevice.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

// The entries of the dialog, each as the text of its control.
struct PortSettingsEntries {
    QString portName;
    QString baudRate;
    QString dataBits;
    QString parity;
    QString stopBits;
    QString pollInterval; // milliseconds
};

// Converts a text to a 32-bit integer: optional leading blanks, a sign, then
// decimal digits, or hexadecimal after "$" or "0x". Anything else, and values
// out of range, raise ConversionError "'<text>' is not a valid integer value".
int parseInteger(const QString& text);

class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit PortSettingsDialog(QWidget* parent = nullptr);

    PortSettingsEntries entries() const;
    // The baud-rate box's present text, whatever became of the last showing.
    QString baudRateText() const;
    // 1-based position of the port list's entry equal to the port box's text
    // (Com1 to Com4 are 1 to 4; the serial devices present follow from 5);
    // 0 when no entry equals it. At start the text is Com1.
    int portListPosition() const;
    // Puts name in "Comm Port" (selecting the entry equal to it, if any); it
    // is opened, as always, after Setting and OK.
    void setPortName(const QString& name);

    // Test seam: lists the serial devices that the port list offers after
    // Com1 to Com4, each by its path() with its toolTip(). The list is made
    // afresh each time the dialog is shown. The box keeps the text the
    // operator sees, however it got there (keys, paste, an input method,
    // assistive technology, --port, a list choice); the entry equal to it is
    // selected, and none when no entry equals it. The default is
    // serialDevicesPresent(); an empty enumerator restores it.
    using DeviceEnumerator = std::function<QList<SerialDevice>()>;
    void setDeviceEnumerator(DeviceEnumerator enumerator);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshPortList();
    void selectPortEntry(const QString& text);
    void updateIntervalWarning();

    QComboBox* m_portBox;
    QComboBox* m_baudRateBox;
    QLineEdit* m_dataBitsEdit;
    QLineEdit* m_parityEdit;
    QLineEdit* m_stopBitsEdit;
    QLineEdit* m_intervalEdit;
    // Says when the interval is too short for the baud rate to watch the
    // load, or stops polling; empty otherwise.
    QLabel* m_intervalWarning;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    DeviceEnumerator m_deviceEnumerator;
};

} // namespace tarvex
