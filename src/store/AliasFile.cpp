#include "store/AliasFile_p.h"

#include "store/ReadingStore.h"

#include "errors/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

QString escape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text[i + 1];
            if (n == u'\\' || n == u'n' || n == u'r') {
                out += n == u'\\' ? QChar(u'\\') : n == u'n' ? QChar(u'\n') : QChar(u'\r');
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QList<Alias> parse(const QByteArray& bytes, const QString& file) {
    const auto damaged = [&file](qsizetype line, const QString& why) {
        return DatabaseError(ReadingStore::tr("The configuration file %1 is damaged (line %2: %3).")
                                 .arg(QDir::toNativeSeparators(file))
                                 .arg(line)
                                 .arg(why));
    };
    QList<Alias> aliases;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (name.isEmpty())
                throw damaged(i + 1, ReadingStore::tr("an alias without a name"));
            if (AliasFile::find(aliases, name))
                throw damaged(i + 1, QStringLiteral("alias %1 appears twice").arg(name));
            aliases.append({name, {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.left(eq).trimmed().isEmpty())
            throw damaged(i + 1, ReadingStore::tr("not a NAME=VALUE line"));
        if (aliases.isEmpty())
            throw damaged(i + 1, ReadingStore::tr("a parameter before the first alias"));
        aliases.last().params.append({line.left(eq).trimmed(), unescape(line.mid(eq + 1))});
    }
    return aliases;
}

QByteArray format(const QList<Alias>& aliases) {
    QString text = QStringLiteral("; Table engine configuration: one [alias] section per alias,\n"
                                  "; followed by its NAME=VALUE parameters.\n");
    for (const Alias& a : aliases) {
        text += QStringLiteral("\n[%1]\n").arg(a.name);
        for (const AliasParam& p : a.params)
            text += p.name + u'=' + escape(p.value) + u'\n';
    }
    return text.toUtf8();
}

} // namespace

const AliasParam* Alias::find(const QString& paramName) const {
    for (const AliasParam& p : params)
        if (p.name.compare(paramName, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

QString Alias::value(const QString& paramName) const {
    const AliasParam* p = find(paramName);
    return p ? p->value.trimmed() : QString();
}

void Alias::set(const QString& paramName, const QString& newValue) {
    for (AliasParam& p : params) {
        if (p.name.compare(paramName, Qt::CaseInsensitive) == 0) {
            p.value = newValue;
            return;
        }
    }
    params.append({paramName, newValue});
}

Alias* AliasFile::find(QList<Alias>& aliases, const QString& name) {
    for (Alias& a : aliases)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0)
            return &a;
    return nullptr;
}

QList<Alias> AliasFile::read(const QString& file) {
    const QString native = QDir::toNativeSeparators(file);
    const auto failure = [&native](const QString& why) {
        return DatabaseError(ReadingStore::tr("The configuration file %1 %2.").arg(native, why));
    };
    // Opened without waiting: a FIFO (or a device) put in its place must not
    // hold the program up; it is refused below.
    const QByteArray path = QFile::encodeName(file);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        throw failure(ReadingStore::tr("cannot be read (%1)")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        throw failure(ReadingStore::tr("is not a regular file"));
    if (status.st_size > kMaxBytes)
        throw failure(
            ReadingStore::tr("is larger than %1 KiB: it is no alias file").arg(kMaxBytes / 1024));
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(status.st_size) + 1);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw failure(ReadingStore::tr("cannot be read (%1)")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
        if (n == 0)
            break;
        got += n;
        if (got > kMaxBytes)
            throw failure(ReadingStore::tr("is larger than %1 KiB: it is no alias file")
                              .arg(kMaxBytes / 1024));
        if (got == bytes.size())
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, kMaxBytes + 1));
    }
    bytes.truncate(got);
    // The program keeps its alias up to date: a file it could not write
    // would leave it behind.
    if (::access(path.constData(), W_OK) != 0)
        throw failure(ReadingStore::tr("cannot be written (%1)")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return parse(bytes, file);
}

void AliasFile::write(const QString& file, const QList<Alias>& aliases) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder))
        throw DatabaseError(ReadingStore::tr("The folder %1 of the configuration file cannot be "
                                             "created.")
                                .arg(QDir::toNativeSeparators(folder)));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(format(aliases)) < 0 || !out.commit())
        throw DatabaseError(ReadingStore::tr("The configuration file %1 cannot be written (%2).")
                                .arg(QDir::toNativeSeparators(file), out.errorString()));
}

} // namespace tarvex
