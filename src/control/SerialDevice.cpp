#include "control/SerialDevice.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace tarvex {

QString SerialDevice::toolTip() const {
    QStringList lines;
    if (!description.isEmpty())
        lines << description;
    if (!manufacturer.isEmpty())
        lines << QCoreApplication::translate("SerialDevice", "Manufacturer: %1").arg(manufacturer);
    if (!serialNumber.isEmpty())
        lines << QCoreApplication::translate("SerialDevice", "Serial number: %1").arg(serialNumber);
    lines << QCoreApplication::translate("SerialDevice", "Device: %1").arg(systemLocation);
    return lines.join(QLatin1Char('\n'));
}

QHash<QString, QString> stablePathsIn(const QString& directory) {
    QHash<QString, QString> paths;
    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!entry.isSymLink())
            continue;
        const QString device = entry.canonicalFilePath();
        if (!device.isEmpty() && !paths.contains(device))
            paths.insert(device, entry.absoluteFilePath());
    }
    return paths;
}

QList<SerialDevice> serialDevicesPresent() {
    const QHash<QString, QString> stable = stablePathsIn(QStringLiteral("/dev/serial/by-id"));
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDevice device;
        device.systemLocation = info.systemLocation();
        const QString canonical = QFileInfo(device.systemLocation).canonicalFilePath();
        device.stablePath = stable.value(canonical.isEmpty() ? device.systemLocation : canonical);
        device.description = info.description();
        device.manufacturer = info.manufacturer();
        device.serialNumber = info.serialNumber();
        devices << device;
    }
    QCollator collator(QLocale::c());
    collator.setNumericMode(true);
    std::sort(devices.begin(), devices.end(), [&](const SerialDevice& a, const SerialDevice& b) {
        return collator.compare(a.systemLocation, b.systemLocation) < 0;
    });
    return devices;
}

} // namespace tarvex
