// The data grid: a read-only view of the stored readings through a
// ReadingModel, one column per field, with a row indicator beside the current
// row. The grid's current cell and the model's current row move together. Tab leaves the grid
// (the arrow keys move between cells), so the window's other controls stay
// reachable by keyboard. Shift+F10 asks for the grid's context menu at the
// current cell, as the Menu key does.
#pragma once

#include "readings/ReadingModel.h"

#include <QFont>
#include <QPointer>
#include <QTableView>

namespace tarvex {

class DataGrid : public QTableView {
    Q_OBJECT

public:
    explicit DataGrid(QWidget* parent = nullptr);

    // The rows shown; not owned.
    ReadingModel* readingModel() const { return m_model; }
    void setReadingModel(ReadingModel* model);

    // The font of the column titles.
    QFont titleFont() const;
    void setTitleFont(const QFont& font);

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followCurrentRow(int row);
    void sizeColumns();

    QPointer<ReadingModel> m_model;
    bool m_following = false;
};

} // namespace tarvex
