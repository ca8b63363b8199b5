#include "review/LibreOfficeAutomation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace tarvex {

namespace {

// Stands in for the plugin when it cannot be loaded.
class TUnavailableAutomation final : public TSpreadsheetAutomation {
public:
    explicit TUnavailableAutomation(QString reason) : reason_(std::move(reason)) {}
    std::unique_ptr<TSpreadsheetApplication> NewInstance() override {
        throw SpreadsheetError(reason_.toStdString());
    }

private:
    QString reason_;
};

std::unique_ptr<TSpreadsheetAutomation> Unavailable(const QString& reason) {
    return std::make_unique<TUnavailableAutomation>(reason);
}

} // namespace

QString LibreOfficePluginFileName() {
    return QStringLiteral("tarvex_libreoffice.so");
}

QString LibreOfficePluginPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(LibreOfficePluginFileName());
}

std::unique_ptr<TSpreadsheetAutomation>
LoadLibreOfficeAutomation(const QString& pluginPath, const LibreOfficeSettings& settings) {
    // The plugin stays loaded for the rest of the run: the UNO runtime it
    // brings in cannot be unloaded safely.
    QLibrary library(pluginPath);
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load())
        return Unavailable(QStringLiteral("The LibreOffice plugin cannot be loaded: %1")
                               .arg(library.errorString()));
    auto version =
        reinterpret_cast<TarvexLibreOfficeVersionFn>(library.resolve(kLibreOfficeVersionSymbol));
    auto create =
        reinterpret_cast<TarvexLibreOfficeCreateFn>(library.resolve(kLibreOfficeCreateSymbol));
    if (!version || !create)
        return Unavailable(
            QStringLiteral("%1 is not a LibreOffice plugin of this program").arg(pluginPath));
    if (version() != kLibreOfficePluginVersion)
        return Unavailable(QStringLiteral("The LibreOffice plugin %1 has version %2, expected %3")
                               .arg(pluginPath)
                               .arg(version())
                               .arg(kLibreOfficePluginVersion));
    std::unique_ptr<TSpreadsheetAutomation> automation(create(&settings));
    if (!automation)
        return Unavailable(QStringLiteral("The LibreOffice plugin could not be set up"));
    return automation;
}

} // namespace tarvex
