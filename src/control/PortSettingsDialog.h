// The port settings dialog: serial port, baud rate and poll interval. It only
// holds the entries; the control window reads them after OK. It is created
// once and only hidden between showings, so it keeps what the operator last
// typed or chose, also after Cancel.
#pragma once

#include "control/SerialDevice.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QComboBox;
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
    // 1-based position of the selected entry of the port list, 0 when none is
    // selected: typing in the box clears the selection, choosing an entry
    // sets it. At start the first entry (Com1) is selected. Com1 to Com4 are
    // 1 to 4; the serial devices present follow from 5.
    int portListPosition() const { return m_portIndex + 1; }
    // Puts name in "Comm Port" as if the operator had typed it (no entry
    // selected); it is opened, as always, after Setting and OK.
    void setPortName(const QString& name);

    // Test seam: lists the serial devices that the port list offers after
    // Com1 to Com4, each by its path() with its toolTip(). The list is made
    // afresh each time the dialog is shown; an entry still present stays
    // selected, one that went keeps its name in the box as typed text. The
    // default is serialDevicesPresent(); an empty enumerator restores it.
    using DeviceEnumerator = std::function<QList<SerialDevice>()>;
    void setDeviceEnumerator(DeviceEnumerator enumerator);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshPortList();

    QComboBox* m_portBox;
    QComboBox* m_baudRateBox;
    QLineEdit* m_dataBitsEdit;
    QLineEdit* m_parityEdit;
    QLineEdit* m_stopBitsEdit;
    QLineEdit* m_intervalEdit;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    int m_portIndex = 0;
    DeviceEnumerator m_deviceEnumerator;
};

} // namespace tarvex
