#include "export/LibreOfficeAutomation.h"
#include "export/LibreOfficePlugin_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace tarvex {

namespace {

// Stands in for the plugin when it cannot be loaded.
class UnavailableAutomation final : public SpreadsheetAutomation {
public:
    explicit UnavailableAutomation(QString reason) : m_reason(std::move(reason)) {}
    std::unique_ptr<SpreadsheetApplication> newInstance() override {
        throw SpreadsheetError(m_reason.toStdString());
    }

private:
    QString m_reason;
};

std::unique_ptr<SpreadsheetAutomation> unavailable(const QString& reason) {
    return std::make_unique<UnavailableAutomation>(reason);
}

} // namespace

QString libreOfficePluginFileName() {
    return QStringLiteral("tarvex_libreoffice.so");
}

QString libreOfficePluginPath(const QString& programDirectory) {
    const QDir program(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : programDirectory);
    const QString beside = program.filePath(libreOfficePluginFileName());
    const QString installed = QDir::cleanPath(program.filePath(
        QStringLiteral(TARVEX_PLUGIN_DIR_FROM_PROGRAM_DIR "/") + libreOfficePluginFileName()));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

std::unique_ptr<SpreadsheetAutomation>
loadLibreOfficeAutomation(const QString& pluginPath, const LibreOfficeSettings& settings) {
#ifdef TARVEX_LIBREOFFICE_PROGRAM_DIR
    // The UNO runtime the plugin links, loaded first from the office's own
    // directory, where its libraries find their companions; the plugin's
    // UNO libraries are then these.
    QLibrary runtime(QStringLiteral(TARVEX_LIBREOFFICE_PROGRAM_DIR "/libuno_cppuhelpergcc3.so.3"));
    runtime.setLoadHints(QLibrary::PreventUnloadHint);
    if (!runtime.load())
        return unavailable(QStringLiteral("LibreOffice's UNO runtime cannot be loaded (is "
                                          "LibreOffice Calc installed?): %1")
                               .arg(runtime.errorString()));
#endif
    // The plugin stays loaded for the rest of the run: the UNO runtime it
    // brings in cannot be unloaded safely.
    QLibrary library(pluginPath);
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load())
        return unavailable(QStringLiteral("The LibreOffice plugin cannot be loaded: %1")
                               .arg(library.errorString()));
    auto version =
        reinterpret_cast<LibreOfficeVersionFunction>(library.resolve(kLibreOfficeVersionSymbol));
    auto create =
        reinterpret_cast<LibreOfficeCreateFunction>(library.resolve(kLibreOfficeCreateSymbol));
    if (!version || !create)
        return unavailable(
            QStringLiteral("%1 is not a LibreOffice plugin of this program").arg(pluginPath));
    if (version() != kLibreOfficePluginVersion)
        return unavailable(QStringLiteral("The LibreOffice plugin %1 has version %2, expected %3")
                               .arg(pluginPath)
                               .arg(version())
                               .arg(kLibreOfficePluginVersion));
    std::unique_ptr<SpreadsheetAutomation> automation(create(&settings));
    if (!automation)
        return unavailable(QStringLiteral("The LibreOffice plugin could not be set up"));
    return automation;
}

} // namespace tarvex
