#include "app/DataLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace tarvex {

namespace {

// The trees of installed, static files (the file system hierarchy's /usr and
// /opt, the old top-level program and library directories, snaps).
const char* const kSystemTrees[] = {"/usr", "/opt", "/bin", "/sbin", "/lib", "/lib64", "/snap"};

QString resolved(const QString& directory) {
    const QFileInfo info(directory);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString DataLocation::tableDirectory(const QString& programDirectory) {
    const QString program =
        programDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : programDirectory;
    const QString directory =
        !isInstallation(program) && isWritableByUser(program)
            ? program
            : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return directory + QStringLiteral("/Table");
}

bool DataLocation::isInstallation(const QString& directory) {
    const QString path = resolved(directory);
    for (const char* tree : kSystemTrees) {
        const QString root = QString::fromLatin1(tree);
        if (path == root || path.startsWith(root + QLatin1Char('/')))
            return true;
    }
    const QString name = QFileInfo(path).fileName();
    return name == QLatin1String("bin") || name == QLatin1String("sbin");
}

bool DataLocation::isWritableByUser(const QString& directory) {
    const QFileInfo info(directory);
    if (!info.isDir() || !info.isWritable())
        return false;
    if (info.ownerId() == ::geteuid())
        return info.permission(QFile::WriteOwner);
    return info.permission(QFile::WriteGroup) || info.permission(QFile::WriteOther);
}

} // namespace tarvex
