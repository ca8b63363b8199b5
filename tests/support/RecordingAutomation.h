// A spreadsheet automation that records every call as a line of a log,
// keeps the blocks of values it was given, and fails on demand.
#pragma once

#include "export/SpreadsheetAutomation.h"

#include <QCursor>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantList>

#include <memory>

namespace tarvex {

struct RecordedBlock {
    QString range;
    QList<QVariantList> values;
};

struct Recording {
    // One line per call: "NewInstance", "AddWorkbook(-4167,1024)",
    // "A2:E4 Values(3x5)" and so on; each release as "Release <object>".
    QStringList log;
    QList<RecordedBlock> blocks;
    int instances = 0;
    // Calls made while the hourglass was not showing.
    QStringList callsWithoutHourglass;
    // The call whose log line equals failAt raises, at its failOccurrence-th time.
    QString failAt;
    int failOccurrence = 1;
    int failSeen = 0;

    void note(const QString& line) {
        log.append(line);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        if (!cursor || cursor->shape() != Qt::WaitCursor)
            callsWithoutHourglass.append(line);
        if (!failAt.isEmpty() && line == failAt && ++failSeen == failOccurrence)
            throw SpreadsheetError(("automation failed at " + line).toStdString());
    }
};

inline QString describe(const SpreadsheetFont& f) {
    return QStringLiteral("%1,%2,%3%4%5%6")
        .arg(f.name)
        .arg(f.size)
        .arg(f.color ? QString::number(*f.color, 16) : QStringLiteral("window text"))
        .arg(f.bold ? ",bold" : "")
        .arg(f.italic ? ",italic" : "")
        .arg(f.underline ? ",underline" : "");
}

inline QString describe(const SpreadsheetAlignment& a) {
    const char* names[] = {"general", "left", "center", "right"};
    return QStringLiteral("%1,%2,%3")
        .arg(names[int(a.horizontal)])
        .arg(a.wrapText ? "wrap" : "nowrap")
        .arg(a.orientation);
}

class RecordingRange : public SpreadsheetRange {
public:
    RecordingRange(Recording& recording, QString address)
        : m_recording(recording), m_address(std::move(address)) {}
    void setValue(const QString& value) override {
        m_recording.note(QStringLiteral("%1 Value(%2)").arg(m_address, value));
    }
    void setValues(const QList<QVariantList>& block) override {
        m_recording.note(QStringLiteral("%1 Values(%2x%3)")
                             .arg(m_address)
                             .arg(block.size())
                             .arg(block.isEmpty() ? 0 : block.first().size()));
        m_recording.blocks.append({m_address, block});
    }
    void setNumberFormat(const QString& format) override {
        m_recording.note(QStringLiteral("%1 NumberFormat(%2)").arg(m_address, format));
    }
    void setFont(const SpreadsheetFont& font) override {
        m_recording.note(QStringLiteral("%1 Font(%2)").arg(m_address, describe(font)));
    }
    void setAlignment(const SpreadsheetAlignment& alignment) override {
        m_recording.note(QStringLiteral("%1 Alignment(%2)").arg(m_address, describe(alignment)));
    }

private:
    Recording& m_recording;
    QString m_address;
};

class RecordingWorksheet : public SpreadsheetWorksheet {
public:
    explicit RecordingWorksheet(Recording& recording) : m_recording(recording) {}
    ~RecordingWorksheet() override { m_recording.log.append(QStringLiteral("Release worksheet")); }
    void setName(const QString& name) override {
        m_recording.note(QStringLiteral("Name(%1)").arg(name));
    }
    std::unique_ptr<SpreadsheetRange> range(const QString& from, const QString& to) override {
        return std::make_unique<RecordingRange>(m_recording, from + ':' + to);
    }

private:
    Recording& m_recording;
};

class RecordingWorkbook : public SpreadsheetWorkbook {
public:
    explicit RecordingWorkbook(Recording& recording) : m_recording(recording) {}
    ~RecordingWorkbook() override { m_recording.log.append(QStringLiteral("Release workbook")); }
    std::unique_ptr<SpreadsheetWorksheet> worksheet(int number) override {
        m_recording.note(QStringLiteral("Worksheet(%1)").arg(number));
        return std::make_unique<RecordingWorksheet>(m_recording);
    }

private:
    Recording& m_recording;
};

class RecordingApplication : public SpreadsheetApplication {
public:
    explicit RecordingApplication(Recording& recording) : m_recording(recording) {}
    ~RecordingApplication() override {
        m_recording.log.append(QStringLiteral("Release application"));
    }
    std::unique_ptr<SpreadsheetWorkbook> addWorkbook(int workbookKind, int locale) override {
        m_recording.note(QStringLiteral("AddWorkbook(%1,%2)").arg(workbookKind).arg(locale));
        return std::make_unique<RecordingWorkbook>(m_recording);
    }
    void setScreenUpdating(bool on) override {
        m_recording.note(QStringLiteral("ScreenUpdating(%1)").arg(on ? "on" : "off"));
    }
    void setVisible(bool visible) override {
        m_recording.note(QStringLiteral("Visible(%1)").arg(visible ? "true" : "false"));
    }

private:
    Recording& m_recording;
};

class RecordingAutomation : public SpreadsheetAutomation {
public:
    explicit RecordingAutomation(Recording& recording) : m_recording(recording) {}
    std::unique_ptr<SpreadsheetApplication> newInstance() override {
        m_recording.note(QStringLiteral("NewInstance"));
        ++m_recording.instances;
        return std::make_unique<RecordingApplication>(m_recording);
    }

private:
    Recording& m_recording;
};

} // namespace tarvex
