// The data grid: a read-only view of a query's rows, one column per field
// titled with the field's name, with a row indicator beside the current row.
//
// The grid never reads the whole result. Its row count is the query's
// CountRows, taken when the query opens; the cells on show are read through
// the query's random access, which fetches the rows around them in blocks.
// The grid and the query share one current row: moving in the grid moves the
// query, and moving the query (First, Next, GotoBookmark...) moves the grid.
// The grid empties when the query closes and fills when it opens.
#pragma once

#include "store/Query.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QTableView>

namespace tarvex {

// The link between a query and the grids that show it: a table model whose
// rows are the query's rows and whose columns are its fields.
class TDataSource : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDataSource(QObject* parent = nullptr);

    Query* DataSet() const { return m_query; }
    void SetDataSet(Query* query);

    // The query's current row as the grid shows it; -1 when there is none.
    int CurrentRow() const { return m_current; }
    // Makes row the query's current row. Raises when the engine fails.
    void SetCurrentRow(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The current row changed, by the query's moves or by SetCurrentRow.
    void CurrentRowChanged(int row);

private:
    void DataSetChanged();
    void Scrolled();

    QPointer<Query> m_query;
    int m_rows = 0;
    int m_columns = 0;
    int m_current = -1;
    QIcon m_indicator;
};

// The grid. Tab leaves it (the arrow keys move between cells), so the window's
// other controls stay reachable by keyboard.
class TDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_source; }
    void SetDataSource(TDataSource* source);

    // The font of the column titles.
    QFont TitleFont() const;
    void SetTitleFont(const QFont& font);

protected:
    void changeEvent(QEvent* event) override;

private:
    void FollowDataSet(int row);
    void SizeColumns();

    QPointer<TDataSource> m_source;
    bool m_following = false;
};

} // namespace tarvex
