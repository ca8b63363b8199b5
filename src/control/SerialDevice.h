// The serial devices present on the machine, as the port settings dialog
// offers them: USB adapters, ACM devices and built-in ports, each by a path
// that stays the same from one plugging to the next where the system has one.
#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace tarvex {

struct SerialDevice {
    QString systemLocation; // the device node, e.g. "/dev/ttyUSB0"
    QString stablePath;     // its link in /dev/serial/by-id, empty when it has none
    QString description;    // the device's own description, manufacturer and
    QString manufacturer;   // serial number; each empty when unknown
    QString serialNumber;

    // The path the port list offers: the stable one where there is one.
    QString path() const { return stablePath.isEmpty() ? systemLocation : stablePath; }
    // The list entry's tooltip: the description, manufacturer, serial number
    // and device node, one a line, as far as they are known.
    QString toolTip() const;
};

// The serial devices Qt Serial Port finds, ordered by device node (ttyS2
// before ttyS10), each with its stable path from /dev/serial/by-id. Asks the
// system each time; called on the window thread.
QList<SerialDevice> serialDevicesPresent();

// The symbolic links in directory, by the canonical path of the device each
// leads to (links that lead nowhere are left out); where two lead to the same
// device, the first by name. An absent directory has none.
QHash<QString, QString> stablePathsIn(const QString& directory);

} // namespace tarvex
