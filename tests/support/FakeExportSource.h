// An in-memory query for the export: fields, rows, a current row, bookmarks
// and control links, with every call written to a log and failures on demand.
// Rows are held as edit texts; whole-number fields read their text as a
// number and date fields theirs as a date (month/day/year).
#pragma once

#include "review/ExportSource.h"

#include <QDate>
#include <QStringList>
#include <QVariantList>

#include <stdexcept>

namespace tarvex {

class FakeExportSource : public ExportSource {
public:
    QList<ExportField> fieldList;
    QList<QStringList> rows;
    int current = 0;
    bool opened = false;
    int controlsDisabled = 0; // nesting depth of disableControls()
    QStringList* log = nullptr;
    // Raises from the failOccurrence-th call whose log entry equals failAt.
    QString failAt;
    int failOccurrence = 1;

    // The five fields of the reading table with n rows of readings.
    static FakeExportSource readings(int n) {
        FakeExportSource source;
        source.fieldList = {{"ID", {}, true, ExportFieldType::WholeNumber},
                            {"VolVal", {}, true, ExportFieldType::Text},
                            {"CurVal", {}, true, ExportFieldType::Text},
                            {"PowVal", {}, true, ExportFieldType::Text},
                            {"TestDate", {}, true, ExportFieldType::Date}};
        for (int i = 1; i <= n; ++i)
            source.rows.append({QString::number(i), QString::number(12 + i * 0.01, 'f', 2),
                                QString::number(i % 7 * 0.5, 'f', 2),
                                QString::number(i * 0.25, 'f', 2), QStringLiteral("12/10/2026")});
        return source;
    }

    void open() override {
        note(QStringLiteral("Open"));
        opened = true;
    }
    QList<ExportField> fields() const override { return fieldList; }
    int rowCount() override { return int(rows.size()); }
    void first() override {
        note(QStringLiteral("First"));
        current = 0;
    }
    void next() override {
        note(QStringLiteral("Next"));
        if (current < rows.size())
            ++current;
    }
    bool atEnd() const override { return current >= rows.size(); }
    QString editText(int field) const override { return rows.at(current).at(field); }
    QVariant value(int field) const override { return valueAt(current, field); }

    // The value of a field in a row; null when its text is not one.
    QVariant valueAt(int row, int field) const {
        const QString& text = rows.at(row).at(field);
        switch (fieldList.at(field).type) {
        case ExportFieldType::WholeNumber: {
            bool ok = false;
            const qlonglong number = text.toLongLong(&ok);
            return ok ? QVariant(number) : QVariant();
        }
        case ExportFieldType::Date: {
            const QDate date = QDate::fromString(text, QStringLiteral("MM/dd/yyyy"));
            return date.isValid() ? QVariant(date) : QVariant();
        }
        case ExportFieldType::Text:
        case ExportFieldType::Other:
            break;
        }
        return text;
    }
    // What the export should put into the cells of a row: texts as they
    // stand, numbers and dates as values.
    QVariantList cells(int row) const {
        QVariantList line;
        for (int field = 0; field < fieldList.size(); ++field)
            line << valueAt(row, field);
        return line;
    }
    QList<QVariantList> allCells() const {
        QList<QVariantList> all;
        for (int row = 0; row < rows.size(); ++row)
            all << cells(row);
        return all;
    }
    QVariant bookmark() const override {
        note(QStringLiteral("Bookmark(%1)").arg(current));
        return current;
    }
    void gotoBookmark(const QVariant& bookmark) override {
        note(QStringLiteral("GotoBookmark(%1)").arg(bookmark.toInt()));
        current = bookmark.toInt();
    }
    void disableControls() override {
        note(QStringLiteral("DisableControls"));
        ++controlsDisabled;
    }
    void enableControls() override {
        note(QStringLiteral("EnableControls"));
        --controlsDisabled;
    }

private:
    void note(const QString& entry) const {
        if (log)
            log->append(entry);
        if (!failAt.isEmpty() && entry == failAt && ++m_failSeen == failOccurrence)
            throw std::runtime_error(("data source failed at " + entry).toStdString());
    }
    mutable int m_failSeen = 0;
};

} // namespace tarvex
