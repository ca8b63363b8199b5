// Reads comma-separated values back as strictly as RFC 4180 writes them, on
// its own (it shares nothing with the program's writer): UTF-8 that must
// decode cleanly, records ended by CR LF (the last one too), fields either
// bare (no comma, double quote, CR or LF in them) or in double quotes with
// their double quotes doubled. Needs Qt Core only.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace tarvex {

// The records of csv, each a list of its fields; nothing, with the reason in
// error, when csv breaks a rule above.
inline std::optional<QList<QStringList>> parseCsv(const QByteArray& csv, QString* error = nullptr) {
    const auto fail = [error](const QString& why, qsizetype at) {
        if (error)
            *error = QStringLiteral("%1 at character %2").arg(why).arg(at);
        return std::nullopt;
    };
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(csv);
    if (decoder.hasError())
        return fail(QStringLiteral("not UTF-8"), 0);

    QList<QStringList> records;
    QStringList record;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        QString field;
        if (text[i] == u'"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return fail(QStringLiteral("quoted field not closed"), i);
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            while (i < n && text[i] != u',' && text[i] != u'\r') {
                if (text[i] == u'"' || text[i] == u'\n')
                    return fail(QStringLiteral("quote or line feed in a bare field"), i);
                field += text[i++];
            }
        }
        record << field;
        if (i < n && text[i] == u',') {
            ++i;
            if (i == n)
                return fail(QStringLiteral("record not ended by CR LF"), i);
        } else if (i + 1 < n && text[i] == u'\r' && text[i + 1] == u'\n') {
            i += 2;
            records << record;
            record.clear();
        } else {
            return fail(QStringLiteral("field not followed by a comma or CR LF"), i);
        }
    }
    if (!record.isEmpty())
        return fail(QStringLiteral("record not ended by CR LF"), n);
    return records;
}

} // namespace tarvex
