#include "app/ProgramIcon.h"

#include "ui/Pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>

namespace tarvex {

namespace {

const QString kIconName = QStringLiteral("tarvex");
// The sizes of the installed pictures.
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace

QIcon programIcon(const QString& programDirectory) {
    const QDir program(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : programDirectory);
    const QString installed =
        QDir::cleanPath(program.filePath(QStringLiteral(TARVEX_ICONS_DIR_FROM_PROGRAM_DIR)));
    QStringList searchPaths = QIcon::themeSearchPaths();
    if (QFileInfo(installed).isDir() && !searchPaths.contains(installed)) {
        searchPaths << installed;
        QIcon::setThemeSearchPaths(searchPaths);
    }
    if (QIcon::hasThemeIcon(kIconName))
        return QIcon::fromTheme(kIconName);
    QIcon drawn;
    for (const int size : kSizes)
        drawn.addPixmap(QPixmap::fromImage(programIconPicture(size)));
    return drawn;
}

} // namespace tarvex
