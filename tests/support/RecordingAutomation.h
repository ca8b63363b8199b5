// A spreadsheet automation that records every call as a line of a log,
// keeps the blocks of values it was given, and fails on demand.
#pragma once

#include "review/SpreadsheetAutomation.h"

#include <QCursor>
#include <QGuiApplication>
#include <QStringList>

#include <memory>

namespace tarvex {

struct RecordedBlock {
    QString range;
    QList<QStringList> values;
};

struct Recording {
    QStringList log;
    QList<RecordedBlock> blocks;
    int instances = 0;
    // Calls made while the hourglass was not showing.
    QStringList callsWithoutHourglass;
    // The call whose log line equals failAt raises, at its failOccurrence-th time.
    QString failAt;
    int failOccurrence = 1;
    int failSeen = 0;

    void Note(const QString& line) {
        log.append(line);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        if (!cursor || cursor->shape() != Qt::WaitCursor)
            callsWithoutHourglass.append(line);
        if (!failAt.isEmpty() && line == failAt && ++failSeen == failOccurrence)
            throw SpreadsheetError(("automation failed at " + line).toStdString());
    }
};

inline QString Describe(const SpreadsheetFont& f) {
    return QStringLiteral("%1,%2,%3%4%5%6")
        .arg(f.name)
        .arg(f.size)
        .arg(f.color ? QString::number(*f.color, 16) : QStringLiteral("window text"))
        .arg(f.bold ? ",bold" : "")
        .arg(f.italic ? ",italic" : "")
        .arg(f.underline ? ",underline" : "");
}

inline QString Describe(const SpreadsheetAlignment& a) {
    const char* names[] = {"general", "left", "center", "right"};
    return QStringLiteral("%1,%2,%3")
        .arg(names[int(a.horizontal)])
        .arg(a.wrapText ? "wrap" : "nowrap")
        .arg(a.orientation);
}

class RecordingRange : public TSpreadsheetRange {
public:
    RecordingRange(Recording& r, QString address) : r_(r), address_(std::move(address)) {}
    void SetValue(const QString& value) override {
        r_.Note(QStringLiteral("%1 Value(%2)").arg(address_, value));
    }
    void SetValues(const QList<QStringList>& block) override {
        r_.Note(QStringLiteral("%1 Values(%2x%3)")
                    .arg(address_)
                    .arg(block.size())
                    .arg(block.isEmpty() ? 0 : block.first().size()));
        r_.blocks.append({address_, block});
    }
    void SetNumberFormat(const QString& format) override {
        r_.Note(QStringLiteral("%1 NumberFormat(%2)").arg(address_, format));
    }
    void SetFont(const SpreadsheetFont& font) override {
        r_.Note(QStringLiteral("%1 Font(%2)").arg(address_, Describe(font)));
    }
    void SetAlignment(const SpreadsheetAlignment& alignment) override {
        r_.Note(QStringLiteral("%1 Alignment(%2)").arg(address_, Describe(alignment)));
    }

private:
    Recording& r_;
    QString address_;
};

class RecordingWorksheet : public TSpreadsheetWorksheet {
public:
    explicit RecordingWorksheet(Recording& r) : r_(r) {}
    ~RecordingWorksheet() override { r_.log.append(QStringLiteral("Release worksheet")); }
    void SetName(const QString& name) override { r_.Note(QStringLiteral("Name(%1)").arg(name)); }
    std::unique_ptr<TSpreadsheetRange> Range(const QString& from, const QString& to) override {
        return std::make_unique<RecordingRange>(r_, from + ':' + to);
    }

private:
    Recording& r_;
};

class RecordingWorkbook : public TSpreadsheetWorkbook {
public:
    explicit RecordingWorkbook(Recording& r) : r_(r) {}
    ~RecordingWorkbook() override { r_.log.append(QStringLiteral("Release workbook")); }
    std::unique_ptr<TSpreadsheetWorksheet> Worksheet(int number) override {
        r_.Note(QStringLiteral("Worksheet(%1)").arg(number));
        return std::make_unique<RecordingWorksheet>(r_);
    }

private:
    Recording& r_;
};

class RecordingApplication : public TSpreadsheetApplication {
public:
    explicit RecordingApplication(Recording& r) : r_(r) {}
    ~RecordingApplication() override { r_.log.append(QStringLiteral("Release application")); }
    std::unique_ptr<TSpreadsheetWorkbook> AddWorkbook(int templateCode, int localeId) override {
        r_.Note(QStringLiteral("AddWorkbook(%1,%2)").arg(templateCode).arg(localeId));
        return std::make_unique<RecordingWorkbook>(r_);
    }
    void SetScreenUpdating(bool on) override {
        r_.Note(QStringLiteral("ScreenUpdating(%1)").arg(on ? "on" : "off"));
    }
    void SetVisible(bool visible) override {
        r_.Note(QStringLiteral("Visible(%1)").arg(visible ? "true" : "false"));
    }

private:
    Recording& r_;
};

class RecordingAutomation : public TSpreadsheetAutomation {
public:
    explicit RecordingAutomation(Recording& r) : r_(r) {}
    std::unique_ptr<TSpreadsheetApplication> NewInstance() override {
        r_.Note(QStringLiteral("NewInstance"));
        ++r_.instances;
        return std::make_unique<RecordingApplication>(r_);
    }

private:
    Recording& r_;
};

} // namespace tarvex
