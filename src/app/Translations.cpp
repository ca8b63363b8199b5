#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

namespace tarvex {

namespace {

const QString kFilePrefix = QStringLiteral("tarvex");

// Qt's own texts that the program shows most (the command line's refusals
// and help, the buttons of its message boxes and progress), translated with
// the program's too: they read in the same language where Qt's translations
// are not installed. Listed for lupdate only.
[[maybe_unused]] constexpr const char* kQtTexts[] = {
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown option '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown options: %1."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Missing value after '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unexpected value after '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Options:"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"),
    QT_TRANSLATE_NOOP("QProgressDialog", "Cancel"),
};

} // namespace

QString translationsDirectory(const QString& programDirectory) {
    const QDir program(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : programDirectory);
    return QDir::cleanPath(
        program.filePath(QStringLiteral(TARVEX_TRANSLATIONS_DIR_FROM_PROGRAM_DIR)));
}

Translations::~Translations() {
    remove();
}

void Translations::remove() {
    QCoreApplication::removeTranslator(&m_program);
    QCoreApplication::removeTranslator(&m_qt);
    m_installedFile.clear();
}

bool Translations::install(const QString& language, const QString& directory) {
    remove();
    if (language == QLatin1String(kSourceLanguage))
        return true;
    const QLocale locale = language.isEmpty() ? QLocale::system() : QLocale(language);
    // A code QLocale does not know is the C locale, which would match
    // nothing of ours but Qt's English.
    if (!language.isEmpty() && locale.language() == QLocale::C)
        return false;
    if (!m_program.load(locale, kFilePrefix, QStringLiteral("_"), directory))
        return false;
    // Qt's own texts in the same language, where Qt's translations are
    // installed; the program's are asked first.
    if (m_qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qt);
    QCoreApplication::installTranslator(&m_program);
    m_installedFile = QFileInfo(m_program.filePath()).completeBaseName();
    return true;
}

} // namespace tarvex
