// The runs of the table as a read-only table model for the runs list, one
// row per run, sortable by any column (Qt::UserRole gives each cell's value
// for sorting: numbers, times, texts), and as the query window's run chooser
// reads them (choiceText). Texts are made when a cell is shown, so tens of
// thousands of runs cost little more than their records. Window thread.
#pragma once

#include "store/RunRecord.h"

#include <QAbstractTableModel>
#include <QList>

namespace tarvex {

class RunsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        RunColumn,
        StartedColumn,
        EndedColumn,
        DurationColumn,
        LabelColumn,
        ReadingsColumn,
        AmpHoursColumn,
        WattHoursColumn,
        StartVoltsColumn,
        EndVoltsColumn,
        LowestVoltsColumn,
        LimitsColumn,
        EndedByColumn,
        ColumnCount
    };

    explicit RunsModel(QObject* parent = nullptr);

    // The runs shown, by RunID as the store gives them.
    void setRuns(QList<RunRecord> runs);
    const QList<RunRecord>& runs() const { return m_runs; }
    const RunRecord& run(int row) const { return m_runs[row]; }
    // The row of the run with this RunID; -1 when none.
    int rowOf(qint64 runId) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<RunRecord> m_runs;
};

} // namespace tarvex
