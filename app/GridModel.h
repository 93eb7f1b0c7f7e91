// The file table's cells as Qt's views ask for them: an item model over the core's TableModel, which holds them.
#pragma once

#include "TableModel.h"

#include <QAbstractTableModel>

#include <cstddef>

// Table rows 1..n are model rows 0..n-1 and columns 1..n model columns 0..n-1; row 0, the title row, is the
// horizontal header. Model row i shows the table's data row dataRow(i), in the order the table chose. Texts become
// QString only when a view asks for them.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The marks of a cell's shown text (TableModel::marks), as a QList<int> of (start, length, kind) triples in
    // UTF-16 units of the DisplayRole text; none for a cell without marks.
    static constexpr int MarksRole = Qt::UserRole + 1;

    explicit GridModel(quorrix::TableModel &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // The shown text for DisplayRole and ToolTipRole (the view decides whether a tip shows), the column's
    // alignment and the marks.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const quorrix::TableModel &table() const { return m_table; }
    // The data row (from 1) that model row `modelRow` shows.
    std::size_t dataRow(int modelRow) const { return m_table.dataRow(static_cast<std::size_t>(modelRow)); }
    // The text a view shows for a cell (row 0: a title).
    QString shownText(int column, std::size_t row) const;

    // What the table tells the views: a change of rows or columns about to start and ended, a cell (row 0: a
    // title) changed, a column's alignment changed.
    void beginTableChange() { beginResetModel(); }
    void endTableChange() { endResetModel(); }
    void cellChanged(int column, std::size_t row);
    void alignmentChanged(int column);
    // Orders the rows by `column` (from 1; 0 as written); the selection and the current cell stay on their rows.
    // Throws, changing nothing, when the order cannot be made.
    void orderBy(int column, bool descending);

private:
    QVariant marks(int column, std::size_t row) const;

    quorrix::TableModel &m_table;
};
