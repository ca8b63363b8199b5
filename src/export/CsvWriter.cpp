#include "export/CsvWriter.h"

#include "readings/ReadingModel.h"

#include <QDate>
#include <QIODevice>

namespace tarvex {

static_assert(CsvWriter::kProgressRows == ReadingModel::kWalkRows,
              "progress is told after each block of the walk");

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

bool needsQuotes(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u',' || u == u'"' || u == u'\r' || u == u'\n')
            return true;
    }
    return false;
}

// yyyy-MM-dd, as QDate::toString(Qt::ISODate) writes it, without its cost
// (a formatted print per date).
QString isoDate(QDate date) {
    const int year = date.year();
    if (year < 1 || year > 9999)
        return date.toString(Qt::ISODate);
    const int month = date.month();
    const int day = date.day();
    const char16_t text[] = {char16_t(u'0' + year / 1000),
                             char16_t(u'0' + year / 100 % 10),
                             char16_t(u'0' + year / 10 % 10),
                             char16_t(u'0' + year % 10),
                             u'-',
                             char16_t(u'0' + month / 10),
                             char16_t(u'0' + month % 10),
                             u'-',
                             char16_t(u'0' + day / 10),
                             char16_t(u'0' + day % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

} // namespace

CsvWriter::CsvWriter(QObject* parent) : QObject(parent) {}

void CsvWriter::appendField(QString& line, const QString& text) {
    if (!needsQuotes(text)) {
        line += text;
        return;
    }
    line += u'"';
    for (const QChar c : text) {
        if (c == u'"')
            line += u'"';
        line += c;
    }
    line += u'"';
}

CsvWriter::Result CsvWriter::write(ReadingModel& readings, QIODevice& out) {
    m_rows = 0;
    m_error.clear();
    m_cancelled = false;
    if (!readings.isOpen())
        readings.open();
    QString buffer;
    const QStringList names = ReadingStore::fieldNames();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0)
            buffer += u',';
        appendField(buffer, names[i]);
    }
    buffer += kLineEnd;

    Result result = Result::Written;
    readings.forEachBlock([&](int, const QList<StoredReading>& rows) {
        for (const StoredReading& r : rows) {
            appendField(buffer, QString::number(r.id));
            buffer += u',';
            appendField(buffer, r.volts);
            buffer += u',';
            appendField(buffer, r.amps);
            buffer += u',';
            appendField(buffer, r.watts);
            buffer += u',';
            if (r.date.isValid())
                buffer += isoDate(r.date);
            else
                appendField(buffer, r.dateText);
            buffer += kLineEnd;
        }
        if (!put(out, buffer)) {
            result = Result::Failed;
            return false;
        }
        m_rows += static_cast<int>(rows.size());
        if (rows.size() < kProgressRows)
            return true; // the last block
        emit progressed(m_rows);
        if (m_cancelled) {
            result = Result::Cancelled;
            return false;
        }
        return true;
    });
    if (result == Result::Written && !put(out, buffer))
        result = Result::Failed;
    return result;
}

// Hands the buffer's text to out as UTF-8 and empties the buffer; false, with
// the device's reason kept, when out does not take all of it. A file takes
// what it has room for and tells why it takes no more only at the next
// write, so a short write is followed by another.
bool CsvWriter::put(QIODevice& out, QString& buffer) {
    const QByteArray bytes = buffer.toUtf8();
    buffer.resize(0);
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = out.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            m_error = out.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace tarvex
