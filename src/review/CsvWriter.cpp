#include "review/CsvWriter.h"

#include "store/DataSet.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QLocale>
#include <QScopeGuard>
#include <QTime>

#include <utility>
#include <vector>

namespace tarvex {

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

QString CsvWriter::text(const QVariant& value) {
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate:
        return isoDate(value.toDate());
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    default:
        // QVariant's own conversions are those of the C locale.
        return value.toString();
    }
}

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

CsvWriter::Result CsvWriter::write(DataSet& data, QIODevice& out) {
    m_rows = 0;
    m_error.clear();
    m_cancelled = false;
    data.open();
    data.disableControls();
    const auto resume = qScopeGuard([&data] { data.enableControls(); });
    const Bookmark mark = data.bookmark();
    Result result = Result::Failed;
    try {
        result = walk(data, out);
    } catch (...) {
        try {
            data.gotoBookmark(mark);
        } catch (...) {
            // The failure that stopped the walk is the one to report.
        }
        throw;
    }
    data.gotoBookmark(mark);
    return result;
}

CsvWriter::Result CsvWriter::walk(DataSet& data, QIODevice& out) {
    std::vector<Field*> fields;
    QString buffer;
    for (int i = 0; i < data.fieldCount(); ++i) {
        fields.push_back(&data.field(i));
        if (i > 0)
            buffer += u',';
        appendField(buffer, fields.back()->name());
    }
    buffer += kLineEnd;

    int buffered = 0; // rows in the buffer
    for (data.first(); !data.atEnd(); data.next()) {
        bool firstField = true;
        for (Field* field : fields) {
            if (!std::exchange(firstField, false))
                buffer += u',';
            appendField(buffer, text(field->value()));
        }
        buffer += kLineEnd;
        if (++buffered == kProgressRows) {
            if (!put(out, buffer))
                return Result::Failed;
            m_rows += std::exchange(buffered, 0);
            emit progressed(m_rows);
            if (m_cancelled)
                return Result::Cancelled;
        }
    }
    if (!put(out, buffer))
        return Result::Failed;
    m_rows += buffered;
    return Result::Written;
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
