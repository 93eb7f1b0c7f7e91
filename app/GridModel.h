// The file table's cells: a compact store that holds a million rows without a Qt object per cell.
#pragma once

#include "ColumnValues.h"
#include "TableRows.h"

#include <QAbstractTableModel>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Table rows 1..n are model rows 0..n-1 and columns 1..n model columns 0..n-1; row 0, the title row, is the
// horizontal header. Cell texts are bytes, turned into QString only when a view asks for them: escaped as
// displayText makes names safe to read, or, for texts the program formatted itself, exactly as written.
// The rows stay as they were written; the model shows them in the order that sort() chose (model row i is data
// row dataRow(i)), made again at the end of every bulk change, so that the order outlives a refill.
class GridModel : public QAbstractTableModel, public quorrix::TableCells
{
    Q_OBJECT

public:
    // The marks of an escaped cell's shown text (see textMarks), as a QList<int> of (start, length, kind)
    // triples in UTF-16 units of the DisplayRole text; none for a cell without marks.
    static constexpr int MarksRole = Qt::UserRole + 1;

    explicit GridModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Orders the rows by `column` (a model column; -1 for the order they were written in).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Starts a bulk change: until endBulkChange() the model sends no change signals, and the views are told
    // once, by a model reset, at the end. Calls do not nest: a second begin is ignored.
    void beginBulkChange();
    void endBulkChange();
    bool inBulkChange() const { return m_bulk; }

    // Columns counted from 1, as the table numbers them. Cells of the columns kept keep their texts.
    void setColumns(int columns);
    int columns() const override { return m_columns; }
    // Number of data rows. Rows kept keep their texts; 0 drops every data cell and frees their storage.
    // Throws std::length_error beyond what a view can show (INT_MAX rows).
    void setRows(std::size_t rows);
    std::size_t rows() const override { return m_rows; }
    enum class Shown { Escaped, AsWritten };
    // Writes the cell at `column` (1..columns) and `row` (0 for the title, 1..rows for data); `shown` says
    // whether a view gets the text escaped or, valid UTF-8, as it is. Throws std::out_of_range outside the
    // table.
    void setCellText(int column, std::size_t row, std::string_view text, Shown shown = Shown::Escaped);
    // The bytes of a cell, as written.
    std::string_view cellText(int column, std::size_t row) const override;
    bool isEscaped(int column, std::size_t row) const override { return cellShown(column, row) == Shown::Escaped; }
    // The value that orders a data cell. Throws std::out_of_range outside the data rows.
    void setCellValue(int column, std::size_t row, quorrix::CellValue value);
    std::optional<quorrix::CellValue> cellValue(int column, std::size_t row) const override;
    // The data row (from 1) that model row `modelRow` shows.
    std::size_t dataRow(int modelRow) const;
    // How the cell's text is shown, and the text a view shows for it.
    Shown cellShown(int column, std::size_t row) const;
    QString shownText(int column, std::size_t row) const;

    // Horizontal alignment of a column's data cells: 0 left, 1 right, 2 centre. Throws std::out_of_range
    // outside the table.
    void setColumnAlignment(int column, int alignment);

private:
    std::size_t cellIndex(int column, std::size_t row) const;
    // Makes m_order for the sort column and order chosen.
    void applyOrder();
    QVariant marks(int column, std::size_t row) const;
    void checkCell(int column, std::size_t row) const;

    int m_columns = 0;
    std::size_t m_rows = 0;
    struct Title {
        std::string text;
        Shown shown = Shown::Escaped;
    };
    std::vector<Title> m_titles;
    std::vector<int> m_alignments;
    // Every data cell's text back to back, each after a header of one to five bytes (its length and whether it
    // is shown as written, 7 bits a byte, lowest first), so that a cell needs only where its text starts. On
    // Linux its own mapped pages, grown by remapping rather than copying, so that a million rows never hold the
    // text twice while it grows; elsewhere grown with realloc.
    class Arena
    {
    public:
        struct Text {
            std::string_view bytes;
            bool asWritten = false;
        };

        Arena() = default;
        Arena(const Arena &) = delete;
        Arena &operator=(const Arena &) = delete;
        ~Arena();
        // Appends `text` (shorter than 2 GiB) with its header; returns where the header starts, never 0. Throws
        // std::length_error past 4 GiB in all.
        std::uint32_t append(std::string_view text, bool asWritten);
        Text text(std::uint32_t start) const;
        // Frees every byte.
        void clear();

    private:
        void grow(std::size_t capacity);

        char *m_data = nullptr;
        std::size_t m_size = 0;
        std::size_t m_capacity = 0;
    };

    // Per cell (row-major), where its text starts in the arena; 0 for an empty text, which is shown escaped. A
    // rewritten cell's new text is appended and the old bytes stay until the data rows are dropped; a text
    // equal to that of the cell above is shared, not stored again.
    using Cell = std::uint32_t;
    // What cell `cell` keeps for `text`. Throws std::length_error for a text of 2 GiB or more.
    Cell storedText(std::size_t cell, std::string_view text, Shown shown);
    Arena::Text cellEntry(int column, std::size_t row) const;

    Arena m_arena;
    std::vector<Cell> m_cells;
    bool m_bulk = false;

    // Per column, every data row's value; empty for a column that was given none.
    std::vector<quorrix::ColumnValues> m_values;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // The data row (from 0) of each model row; empty while the rows show in the order written.
    std::vector<std::uint32_t> m_order;
};
