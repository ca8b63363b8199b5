// Reads a Battery Data Format file back on its own (it shares nothing with
// the program's writer): the data file "name.bdf.csv" as strict CSV whose
// header names each column "Quantity / unit" and whose every line holds as
// many numbers as the header has columns, and the metadata file beside it
// ("name.bdf.metadata.json") as a JSON object. Needs Qt Core only.
#pragma once

#include "support/CsvParser.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarvex {

struct BdfData {
    QStringList columns;
    QList<QList<double>> rows; // the numbers of each line, in column order
    QList<QStringList> texts;  // each line's fields as written
    QJsonObject metadata;

    // The column titled title; -1 when there is none.
    int column(const QString& title) const { return int(columns.indexOf(title)); }
    // Every value of the column titled title, in line order.
    QList<double> values(const QString& title) const {
        QList<double> out;
        const int c = column(title);
        for (const QList<double>& row : rows)
            out << (c < 0 ? qQNaN() : row[c]);
        return out;
    }
};

inline QByteArray readWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files csvPath and metadataPath; nothing, with the reason in error, when
// either breaks the format: a file missing, CSV that does not parse, a title
// that is no "Quantity / unit", a line with another number of fields than the
// header or a field that is no plain number (a point for decimals, no
// thousands separators), metadata that is no JSON object.
inline std::optional<BdfData> readBdf(const QString& csvPath, const QString& metadataPath,
                                      QString* error = nullptr) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!QFile::exists(csvPath))
        return fail(QStringLiteral("no data file ") + csvPath);
    QString csvError;
    const auto records = parseCsv(readWholeFile(csvPath), &csvError);
    if (!records)
        return fail(QStringLiteral("data file: ") + csvError);
    if (records->isEmpty())
        return fail(QStringLiteral("data file without a header"));

    BdfData data;
    data.columns = records->first();
    static const QRegularExpression title(QStringLiteral("^[A-Z][A-Za-z ]*[a-z] / [A-Za-z0-9]+$"));
    for (const QString& name : data.columns)
        if (!title.match(name).hasMatch())
            return fail(QStringLiteral("column title \"%1\" is no \"Quantity / unit\"").arg(name));
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    for (qsizetype i = 1; i < records->size(); ++i) {
        const QStringList& fields = records->at(i);
        if (fields.size() != data.columns.size())
            return fail(QStringLiteral("line %1 has %2 fields, the header %3")
                            .arg(i + 1)
                            .arg(fields.size())
                            .arg(data.columns.size()));
        QList<double> row;
        for (const QString& field : fields) {
            if (!number.match(field).hasMatch())
                return fail(
                    QStringLiteral("line %1: \"%2\" is no plain number").arg(i + 1).arg(field));
            row << field.toDouble();
        }
        data.rows << row;
        data.texts << fields;
    }

    if (!QFile::exists(metadataPath))
        return fail(QStringLiteral("no metadata file ") + metadataPath);
    QJsonParseError jsonError;
    const QJsonDocument document = QJsonDocument::fromJson(readWholeFile(metadataPath), &jsonError);
    if (jsonError.error != QJsonParseError::NoError || !document.isObject())
        return fail(QStringLiteral("metadata: ") + jsonError.errorString());
    data.metadata = document.object();
    return data;
}

} // namespace tarvex
