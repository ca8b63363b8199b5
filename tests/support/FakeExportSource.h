// An in-memory query for the export: fields, rows, a current row, bookmarks
// and control links, with every call written to a log and failures on demand.
#pragma once

#include "review/SpreadsheetExport.h"

#include <QStringList>

#include <functional>
#include <stdexcept>

namespace tarvex {

class FakeDataSource : public TExportDataSource {
public:
    QList<TExportField> fields;
    QList<QStringList> rows;
    int current = 0;
    bool open = false;
    int controlsDisabled = 0; // nesting depth of DisableControls
    QStringList* log = nullptr;
    // Raises from the failOccurrence-th call whose log entry equals failAt.
    QString failAt;
    int failOccurrence = 1;

    // The five fields of the reading table with n rows of readings.
    static FakeDataSource Readings(int n) {
        FakeDataSource source;
        source.fields = {{"ID", {}, true, TExportFieldType::eftWholeNumber},
                         {"VolVal", {}, true, TExportFieldType::eftText},
                         {"CurVal", {}, true, TExportFieldType::eftText},
                         {"PowVal", {}, true, TExportFieldType::eftText},
                         {"TestDate", {}, true, TExportFieldType::eftDate}};
        for (int i = 1; i <= n; ++i)
            source.rows.append({QString::number(i), QString::number(12 + i * 0.01, 'f', 2),
                                QString::number(i % 7 * 0.5, 'f', 2),
                                QString::number(i * 0.25, 'f', 2), QStringLiteral("12/10/2026")});
        return source;
    }

    void Open() override {
        Note(QStringLiteral("Open"));
        open = true;
    }
    QList<TExportField> Fields() const override { return fields; }
    void First() override {
        Note(QStringLiteral("First"));
        current = 0;
    }
    void Next() override {
        Note(QStringLiteral("Next"));
        if (current < rows.size())
            ++current;
    }
    bool Eof() const override { return current >= rows.size(); }
    QString EditText(int field) const override { return rows.at(current).at(field); }
    QVariant Bookmark() const override {
        Note(QStringLiteral("Bookmark(%1)").arg(current));
        return current;
    }
    void GotoBookmark(const QVariant& bookmark) override {
        Note(QStringLiteral("GotoBookmark(%1)").arg(bookmark.toInt()));
        current = bookmark.toInt();
    }
    void DisableControls() override {
        Note(QStringLiteral("DisableControls"));
        ++controlsDisabled;
    }
    void EnableControls() override {
        Note(QStringLiteral("EnableControls"));
        --controlsDisabled;
    }

private:
    void Note(const QString& entry) const {
        if (log)
            log->append(entry);
        if (!failAt.isEmpty() && entry == failAt && ++failSeen_ == failOccurrence)
            throw std::runtime_error(("data source failed at " + entry).toStdString());
    }
    mutable int failSeen_ = 0;
};

} // namespace tarvex
