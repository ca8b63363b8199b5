// Where the program keeps its reading table.
//
// An installed program keeps its table in the user's data directory
// (QStandardPaths::AppDataLocation, e.g. ~/.local/share/TarvexVol/Table),
// whoever runs it - root too: nothing is ever written into an installation.
// A program counts as installed when its directory lies in a system tree
// (/usr, /opt, /bin, /sbin, /lib, /lib64, /snap; /usr/bin, /usr/local/bin,
// /opt/...) or is the bin (or sbin) directory of any installation prefix
// (~/.local/bin, ~/bin, <prefix>/bin): those directories are shared by the
// programs installed there and hold no program's data.
//
// Any other directory is a folder of the program's own - its build tree, or a
// copied, portable folder. There the table is kept beside the program, in
// "Table", as long as this user may write to the folder: its file system
// takes writes and its permission bits grant them to this user (a
// superuser's right to write anywhere does not count, its ownership does).
// Otherwise, again, the user's data directory.
#pragma once

#include <QString>

namespace tarvex {

class DataLocation {
public:
    DataLocation() = delete;

    // The directory of the reading table for a program in programDirectory
    // (empty: the directory of this program's file). Made of paths only: the
    // directory itself need not exist.
    static QString tableDirectory(const QString& programDirectory = {});

    // Whether a program in directory is an installed one (see above). The
    // directory is compared with its links resolved, where it exists.
    static bool isInstallation(const QString& directory);

    // Whether this user may write to directory by its file system and
    // permission bits (see above).
    static bool isWritableByUser(const QString& directory);
};

} // namespace tarvex
