// The link between a query and the grids that show it: a read-only table
// model whose rows are the query's rows and whose columns are its fields,
// titled with the fields' names, with an arrow in the row header of the
// current row.
//
// The model never reads the whole result. Its row count is the query's
// rowCount(), taken when the query opens; the cells on show are read through
// the query's random access, which fetches the rows around them in blocks.
// The model and the query share one current row: moving the query (first(),
// next(), gotoBookmark()...) moves the model's current row, and
// setCurrentRow() moves the query. The model empties when the query closes
// and fills when it opens. It lives on the window thread, as its query does.
#pragma once

#include "store/Query.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QPointer>

namespace tarvex {

class QueryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit QueryModel(QObject* parent = nullptr);

    // The query shown; not owned, and forgotten when it is destroyed.
    Query* query() const { return m_query; }
    void setQuery(Query* query);

    // The query's current row as the grid shows it; -1 when there is none.
    int currentRow() const { return m_current; }
    // Makes row the query's current row. Raises when the engine fails.
    void setCurrentRow(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The current row changed, by the query's moves or by setCurrentRow().
    void currentRowChanged(int row);

private:
    void reload();
    void followQuery();

    QPointer<Query> m_query;
    int m_rows = 0;
    int m_columns = 0;
    int m_current = -1;
    QIcon m_indicator;
};

} // namespace tarvex
