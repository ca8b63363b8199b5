// The language of the program's texts: the operator's system language, or
// the one asked for on the command line.
#pragma once

#include <QString>
#include <QTranslator>

namespace tarvex {

// What --language takes to show the texts as they are written in the
// program, with no translation.
inline constexpr const char* kSourceLanguage = "source";

// The directory of the shipped translations (tarvex_<language>.qm): beside
// the installation's data, relative to the program's directory
// (../share/tarvex/translations), in the build tree as in an installation.
// programDirectory empty: the running program's. Needs the application
// object when programDirectory is empty.
QString translationsDirectory(const QString& programDirectory = {});

// The program's translation and Qt's own (the standard buttons, the file
// dialog), installed into the application for as long as the object lives.
// Window thread only; needs the application object (QCoreApplication will
// do: the command line's help is translated without a display).
class Translations {
public:
    Translations() = default;
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Installs the translation for language, replacing what an earlier call
    // installed. An empty language follows the system
    // (QLocale::system().uiLanguages(), so LANGUAGE, LC_ALL, LC_MESSAGES and
    // LANG count); kSourceLanguage installs none; anything else is a
    // language code such as "de", "zh_CN" or "en_GB". Returns false when no
    // translation of the program's matches: the texts then show as written.
    bool install(const QString& language, const QString& directory = translationsDirectory());

    // The file installed ("tarvex_de"), empty when none.
    QString installedFile() const { return m_installedFile; }

private:
    void remove();

    QTranslator m_program;
    QTranslator m_qt;
    QString m_installedFile;
};

} // namespace tarvex
