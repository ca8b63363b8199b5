// Not part of the library's public interface.
//
// The operators' configuration file of aliases: one "[alias]" section per
// alias, followed by its NAME=VALUE parameters; lines starting with ';' or
// '#' are comments. Values are written with "\\", "\n" and "\r" escaped; any
// other backslash is read as it stands, so hand-written paths keep theirs.
// Names of aliases and parameters are matched without regard to case.
#pragma once

#include <QList>
#include <QString>

namespace tarvex {

struct AliasParam {
    QString name;
    QString value;
};

struct Alias {
    QString name;
    QList<AliasParam> params;

    // The parameter of that name, or null.
    const AliasParam* find(const QString& paramName) const;
    // Its value without surrounding blanks; empty when there is none.
    QString value(const QString& paramName) const;
    // Sets the parameter in its place, or adds it at the end.
    void set(const QString& paramName, const QString& value);
};

class AliasFile {
public:
    AliasFile() = delete;

    // A file larger than this is no alias file; it is refused unread.
    static constexpr qint64 kMaxBytes = qint64(1) << 20;

    // The aliases of file; none when it does not exist. Raises DatabaseError,
    // naming the file and the reason, when it is not a regular file (a FIFO
    // or a device is refused without waiting for it), is larger than
    // kMaxBytes, cannot be read, cannot be written, or is damaged.
    static QList<Alias> read(const QString& file);
    // Writes the aliases into file, whole or not at all (its folder made if
    // need be). Raises DatabaseError on failure.
    static void write(const QString& file, const QList<Alias>& aliases);

    // The alias of that name in aliases, or null.
    static Alias* find(QList<Alias>& aliases, const QString& name);
};

} // namespace tarvex
