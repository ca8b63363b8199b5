#include "review/RunsModel.h"

#include "readings/RunTexts.h"

#include <QLocale>

namespace tarvex {

RunsModel::RunsModel(QObject* parent) : QAbstractTableModel(parent) {}

void RunsModel::setRuns(QList<RunRecord> runs) {
    beginResetModel();
    m_runs = std::move(runs);
    endResetModel();
}

int RunsModel::rowOf(qint64 runId) const {
    for (qsizetype i = 0; i < m_runs.size(); ++i)
        if (m_runs[i].id == runId)
            return int(i);
    return -1;
}

int RunsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_runs.size());
}

int RunsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RunsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_runs.size())
        return {};
    const RunRecord& run = m_runs[index.row()];
    const QLocale locale;
    if (role == Qt::UserRole) {
        switch (index.column()) {
        case RunColumn:
            return run.id;
        case StartedColumn:
            return run.startedAt;
        case EndedColumn:
            return run.endedAt;
        case DurationColumn:
            return runDurationMs(run);
        case LabelColumn:
            return run.label;
        case ReadingsColumn:
            return run.readings;
        case AmpHoursColumn:
            return run.ampHours;
        case WattHoursColumn:
            return run.wattHours;
        case StartVoltsColumn:
            return run.startVolts;
        case EndVoltsColumn:
            return run.endVolts;
        case LowestVoltsColumn:
            return run.lowestVolts;
        case LimitsColumn:
            return runLimitsText(run);
        case EndedByColumn:
            return runEndText(run.end);
        }
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        const bool text = index.column() == LabelColumn || index.column() == LimitsColumn ||
                          index.column() == EndedByColumn;
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case RunColumn:
        return QString::number(run.id);
    case StartedColumn:
        return runTimeText(run.startedAt);
    case EndedColumn:
        return runTimeText(run.endedAt);
    case DurationColumn:
        return durationText(runDurationMs(run));
    case LabelColumn:
        return run.label;
    case ReadingsColumn:
        return run.readingsCleared ? locale.toString(run.readings) + tr(" (cleared)")
                                   : locale.toString(run.readings);
    case AmpHoursColumn:
        return locale.toString(run.ampHours, 'f', 3);
    case WattHoursColumn:
        return locale.toString(run.wattHours, 'f', 2);
    case StartVoltsColumn:
        return locale.toString(run.startVolts, 'f', 2);
    case EndVoltsColumn:
        return locale.toString(run.endVolts, 'f', 2);
    case LowestVoltsColumn:
        return locale.toString(run.lowestVolts, 'f', 2);
    case LimitsColumn:
        return runLimitsText(run);
    case EndedByColumn:
        return runEndText(run.end);
    }
    return {};
}

QVariant RunsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[ColumnCount] = {
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Run"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Started"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Ended"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Duration"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Label"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Readings"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Ah"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Wh"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Start V"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "End V"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Lowest V"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Limits"),
        QT_TRANSLATE_NOOP("tarvex::RunsModel", "Ended by")};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}

} // namespace tarvex
