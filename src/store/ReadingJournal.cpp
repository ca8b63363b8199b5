#include "store/ReadingJournal.h"

#include "store/ReadingStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvex {

namespace {

const QString kPattern = QStringLiteral("waiting-readings-*.journal");

// key, or a new one when it is 0.
quint64 keyOr(quint64 key) {
    while (key == 0)
        key = QRandomGenerator::system()->generate64();
    return key;
}

QString keyText(quint64 key) {
    return QString::number(key, 16);
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QJsonObject runObject(const RunStart& start) {
    QJsonObject run;
    run.insert(QStringLiteral("startedAt"), start.startedAt.toMSecsSinceEpoch());
    run.insert(QStringLiteral("minimumVolts"), start.minimumVolts);
    run.insert(QStringLiteral("pollIntervalMs"), start.pollIntervalMs);
    run.insert(QStringLiteral("port"), start.port);
    run.insert(QStringLiteral("label"), start.label);
    if (start.limits.maxElapsedMs)
        run.insert(QStringLiteral("maxElapsedMs"), double(*start.limits.maxElapsedMs));
    if (start.limits.maxAmpHours)
        run.insert(QStringLiteral("maxAmpHours"), *start.limits.maxAmpHours);
    if (start.limits.maxWattHours)
        run.insert(QStringLiteral("maxWattHours"), *start.limits.maxWattHours);
    return run;
}

RunStart runStartOf(const QJsonObject& run) {
    RunStart start;
    start.startedAt = QDateTime::fromMSecsSinceEpoch(
        static_cast<qint64>(run.value(QStringLiteral("startedAt")).toDouble()), Qt::UTC);
    start.minimumVolts = run.value(QStringLiteral("minimumVolts")).toDouble();
    start.pollIntervalMs = run.value(QStringLiteral("pollIntervalMs")).toInt();
    start.port = run.value(QStringLiteral("port")).toString();
    start.label = run.value(QStringLiteral("label")).toString();
    if (run.contains(QStringLiteral("maxElapsedMs")))
        start.limits.maxElapsedMs =
            static_cast<qint64>(run.value(QStringLiteral("maxElapsedMs")).toDouble());
    if (run.contains(QStringLiteral("maxAmpHours")))
        start.limits.maxAmpHours = run.value(QStringLiteral("maxAmpHours")).toDouble();
    if (run.contains(QStringLiteral("maxWattHours")))
        start.limits.maxWattHours = run.value(QStringLiteral("maxWattHours")).toDouble();
    return start;
}

QByteArray endRecord(const ReadingJournal::EndEntry& e) {
    QJsonObject o;
    o.insert(QStringLiteral("end"), keyText(e.key));
    o.insert(QStringLiteral("run"), runObject(e.run));
    o.insert(QStringLiteral("reason"), runEndKey(e.end));
    o.insert(QStringLiteral("endedAt"), e.endedAt.toMSecsSinceEpoch());
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray waitingRecord(const ReadingJournal::Entry& e) {
    QJsonObject o;
    o.insert(QStringLiteral("wait"), keyText(e.key));
    o.insert(QStringLiteral("ms"), e.takenAt.toMSecsSinceEpoch());
    o.insert(QStringLiteral("utcOffset"), e.takenAt.offsetFromUtc());
    o.insert(QStringLiteral("mV"), e.reading.milliVolts);
    o.insert(QStringLiteral("V"), e.reading.voltsText);
    o.insert(QStringLiteral("A"), e.reading.ampsText);
    o.insert(QStringLiteral("W"), e.reading.wattsText);
    o.insert(QStringLiteral("volts"), e.reading.volts);
    o.insert(QStringLiteral("amps"), e.reading.amps);
    o.insert(QStringLiteral("watts"), e.reading.watts);
    if (e.run) {
        o.insert(QStringLiteral("run"), runObject(*e.run));
        o.insert(QStringLiteral("elapsedMs"), double(e.elapsedMs));
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray attemptRecord(quint64 key, qint64 id) {
    QJsonObject o;
    o.insert(QStringLiteral("attempt"), keyText(key));
    o.insert(QStringLiteral("id"), id);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray settledRecord(quint64 key) {
    QJsonObject o;
    o.insert(QStringLiteral("settled"), keyText(key));
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

// The readings and run ends a journal's records leave open, in the order
// they came. A line that does not parse (the last one, cut by a kill) is
// passed over.
QList<ReadingJournal::Entry> openEntries(const QByteArray& bytes,
                                         QList<ReadingJournal::EndEntry>& ends) {
    QList<ReadingJournal::Entry> entries;
    QMap<quint64, qsizetype> index;
    QMap<quint64, qsizetype> endIndex;
    for (const QByteArray& line : bytes.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.isEmpty())
            continue;
        bool ok = false;
        if (o.contains(QStringLiteral("wait"))) {
            ReadingJournal::Entry e;
            e.key = o.value(QStringLiteral("wait")).toString().toULongLong(&ok, 16);
            if (!ok || index.contains(e.key))
                continue;
            e.takenAt = QDateTime::fromMSecsSinceEpoch(
                static_cast<qint64>(o.value(QStringLiteral("ms")).toDouble()), Qt::OffsetFromUTC,
                o.value(QStringLiteral("utcOffset")).toInt());
            e.reading.milliVolts = o.value(QStringLiteral("mV")).toInt();
            e.reading.voltsText = o.value(QStringLiteral("V")).toString();
            e.reading.ampsText = o.value(QStringLiteral("A")).toString();
            e.reading.wattsText = o.value(QStringLiteral("W")).toString();
            e.reading.volts = o.value(QStringLiteral("volts")).toDouble();
            e.reading.amps = o.value(QStringLiteral("amps")).toDouble();
            e.reading.watts = o.value(QStringLiteral("watts")).toDouble();
            if (const QJsonObject run = o.value(QStringLiteral("run")).toObject(); !run.isEmpty()) {
                e.run = runStartOf(run);
                e.elapsedMs = static_cast<qint64>(o.value(QStringLiteral("elapsedMs")).toDouble());
            }
            index.insert(e.key, entries.size());
            entries.append(e);
        } else if (o.contains(QStringLiteral("end"))) {
            ReadingJournal::EndEntry e;
            e.key = o.value(QStringLiteral("end")).toString().toULongLong(&ok, 16);
            const std::optional<RunEnd> end =
                runEndFromKey(o.value(QStringLiteral("reason")).toString());
            if (!ok || endIndex.contains(e.key) || !end)
                continue;
            e.run = runStartOf(o.value(QStringLiteral("run")).toObject());
            e.end = *end;
            e.endedAt = QDateTime::fromMSecsSinceEpoch(
                static_cast<qint64>(o.value(QStringLiteral("endedAt")).toDouble()), Qt::UTC);
            endIndex.insert(e.key, ends.size());
            ends.append(e);
        } else if (o.contains(QStringLiteral("attempt"))) {
            const quint64 key = o.value(QStringLiteral("attempt")).toString().toULongLong(&ok, 16);
            if (ok && index.contains(key))
                entries[index.value(key)].attemptedId =
                    static_cast<qint64>(o.value(QStringLiteral("id")).toDouble());
        } else if (o.contains(QStringLiteral("settled"))) {
            const quint64 key = o.value(QStringLiteral("settled")).toString().toULongLong(&ok, 16);
            if (ok && index.contains(key))
                entries[index.value(key)].key = 0; // settled: left out below
            if (ok && endIndex.contains(key))
                ends[endIndex.value(key)].key = 0;
        }
    }
    entries.removeIf([](const ReadingJournal::Entry& e) { return e.key == 0; });
    ends.removeIf([](const ReadingJournal::EndEntry& e) { return e.key == 0; });
    return entries;
}

} // namespace

ReadingJournal::ReadingJournal(QString directory) : m_directory(std::move(directory)) {}

ReadingJournal::~ReadingJournal() {
    const std::lock_guard lock(m_mutex);
    if (m_fd < 0)
        return;
    if (m_open.isEmpty())
        QFile::remove(m_file);
    ::close(m_fd); // lets go of the lock: the next start adopts what is left
}

QString ReadingJournal::fileName() const {
    const std::lock_guard lock(m_mutex);
    return m_file;
}

QString ReadingJournal::errorString() const {
    const std::lock_guard lock(m_mutex);
    return m_error;
}

int ReadingJournal::openCount() const {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_open.size());
}

// Caller holds the mutex.
bool ReadingJournal::openFile() {
    if (m_fd >= 0)
        return true;
    if (m_directory.isEmpty()) {
        m_error = ReadingStore::tr("there is no data directory");
        return false;
    }
    if (!QDir().mkpath(m_directory)) {
        m_error = ReadingStore::tr("the directory %1 cannot be created")
                      .arg(QDir::toNativeSeparators(m_directory));
        return false;
    }
    const QString file =
        QDir(m_directory)
            .filePath(QStringLiteral("waiting-readings-%1-%2.journal")
                          .arg(QCoreApplication::applicationPid())
                          .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0')));
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_error = ReadingStore::tr("%1 cannot be made (%2)")
                      .arg(QDir::toNativeSeparators(file), systemError());
        return false;
    }
    ::flock(fd, LOCK_EX | LOCK_NB);
    m_fd = fd;
    m_file = file;
    return true;
}

// Caller holds the mutex. One write() per record, so that a record is in
// the file whole or (cut by a kill of the system) not at all.
bool ReadingJournal::writeLine(const QByteArray& line) {
    if (!openFile())
        return false;
    for (;;) {
        const ssize_t n = ::write(m_fd, line.constData(), static_cast<size_t>(line.size()));
        if (n == line.size())
            break;
        if (n < 0 && errno == EINTR)
            continue;
        m_error = ReadingStore::tr("%1 cannot be written (%2)")
                      .arg(QDir::toNativeSeparators(m_file),
                           n < 0 ? systemError() : ReadingStore::tr("the disk is full"));
        return false;
    }
    return true;
}

// Caller holds the mutex.
bool ReadingJournal::writeOpen(quint64 key, const QByteArray& record) {
    if (!writeLine(record))
        return false;
    m_open.insert(key);
    return true;
}

quint64 ReadingJournal::add(const Entry& entry) {
    Entry e = entry;
    e.key = keyOr(e.key);
    const std::lock_guard lock(m_mutex);
    if (!writeOpen(e.key, waitingRecord(e)))
        return 0;
    // The reading is in the file and open under its key from here on, even
    // when its note fails (errorString() then says why): a key the caller
    // never learnt would leave it open for ever, and the next start would
    // store it beside the copy that was written again under a new key.
    if (e.attemptedId)
        writeLine(attemptRecord(e.key, *e.attemptedId));
    return e.key;
}

quint64 ReadingJournal::addEnd(const EndEntry& entry) {
    EndEntry e = entry;
    e.key = keyOr(e.key);
    const std::lock_guard lock(m_mutex);
    return writeOpen(e.key, endRecord(e)) ? e.key : 0;
}

bool ReadingJournal::sync() {
    int fd = -1;
    {
        const std::lock_guard lock(m_mutex);
        fd = m_fd;
        if (fd < 0)
            return m_open.isEmpty();
    }
    // Outside the lock: the disk may take its time, add() must not wait.
    if (::fdatasync(fd) == 0)
        return true;
    const std::lock_guard lock(m_mutex);
    m_error = ReadingStore::tr("%1 cannot be written (%2)")
                  .arg(QDir::toNativeSeparators(m_file), systemError());
    return false;
}

void ReadingJournal::noteAttempt(quint64 key, qint64 id) {
    {
        const std::lock_guard lock(m_mutex);
        if (!m_open.contains(key) || !writeLine(attemptRecord(key, id)))
            return;
    }
    sync();
}

void ReadingJournal::settle(quint64 key) {
    const std::lock_guard lock(m_mutex);
    if (m_open.remove(key))
        writeLine(settledRecord(key));
}

void ReadingJournal::clearIfSettled() {
    const std::lock_guard lock(m_mutex);
    if (m_fd >= 0 && m_open.isEmpty() && ::ftruncate(m_fd, 0) != 0)
        // The settled records stay; the next start finds nothing open in them.
        m_error = ReadingStore::tr("%1 cannot be emptied (%2)")
                      .arg(QDir::toNativeSeparators(m_file), systemError());
}

QList<ReadingJournal::Entry> ReadingJournal::adopt(const QString& directory, ReadingJournal& into,
                                                   QList<EndEntry>& ends) {
    QList<Entry> adopted;
    QList<EndEntry> adoptedEnds;
    ends.clear();
    if (directory.isEmpty())
        return adopted;
    const QString own = into.fileName();
    struct Found {
        QString file;
        int fd;
    };
    QList<Found> found;
    const QDir dir(directory);
    for (const QString& name : dir.entryList({kPattern}, QDir::Files | QDir::Hidden)) {
        const QString file = dir.filePath(name);
        if (file == own)
            continue;
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Locked: its program is still running and keeps it.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        QFile f;
        if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            ::close(fd);
            continue;
        }
        adopted += openEntries(f.readAll(), adoptedEnds);
        found.append({file, fd});
    }
    std::stable_sort(adopted.begin(), adopted.end(),
                     [](const Entry& a, const Entry& b) { return a.takenAt < b.takenAt; });
    // The files go only once their readings are safe in this program's
    // journal; otherwise they stay for the next start.
    QList<quint64> added;
    bool kept = true;
    for (const Entry& e : std::as_const(adopted)) {
        const quint64 key = into.add(e);
        kept = kept && key != 0;
        if (key != 0)
            added << key;
    }
    for (EndEntry& e : adoptedEnds) {
        e.key = into.addEnd(e);
        kept = kept && e.key != 0;
        if (e.key != 0)
            added << e.key;
    }
    kept = kept && into.sync();
    for (const Found& f : found) {
        if (kept)
            QFile::remove(f.file);
        ::close(f.fd);
    }
    if (!kept) {
        for (const quint64 key : std::as_const(added))
            into.settle(key);
        adopted.clear();
        adoptedEnds.clear();
    }
    ends = adoptedEnds;
    return adopted;
}

} // namespace tarvex
