// The file table as every window shows it, free of any toolkit: its cells in a store compact enough for a million
// rows, the order a title gives the rows, the copies, the fit of a column, the marks of a name and their colours,
// the tip, the progress notice and the guard around the table's actions. A window's table derives from it: it is
// the GridControl that the core fills, and it hears of each change through changed(), which only draws.
#pragma once

#include "ChangeProgress.h"
#include "ColumnValues.h"
#include "Controls.h"
#include "GuardedAction.h"
#include "TableRows.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

class TableModel : public GridControl, public TableCells
{
public:
    enum class Shown { Escaped, AsWritten };
    enum class Alignment { Left, Right, Centre };
    // The arrow on a title: up for an order from the smallest value up, down for the reverse.
    enum class Arrow { None, Up, Down };
    // The data row (from 0) of each shown row.
    using Order = std::vector<std::uint32_t>;

    TableModel();
    ~TableModel() override;
    TableModel(const TableModel &) = delete;
    TableModel &operator=(const TableModel &) = delete;

    // GridControl: the core fills the table through these. False redraw starts a bulk change, which the window
    // hears of once, at its end (Change::TableChanged), when the rows take the order chosen again.
    void setRedraw(bool on) override;
    // Cells of the columns kept keep their texts. Throws std::out_of_range for a negative count.
    void setColumnCount(int columns) override;
    // Rows kept keep their texts; 0 drops every data cell and frees their storage. Throws std::length_error beyond
    // what a view can show (INT_MAX rows).
    void setRowCount(std::size_t rows) override;
    void setText(int column, std::size_t row, std::string_view text) override;
    void setFormattedText(int column, std::size_t row, std::string_view text) override;
    // Throws std::out_of_range outside the table and std::invalid_argument for a negative width.
    void setColumnWidth(int column, double characters) override;
    // Throws std::out_of_range outside the data rows.
    void setCellValue(int column, std::size_t row, CellValue value) override;
    void setFolder(std::string_view folder) override { m_folder.assign(folder); }
    void setSetting(Setting setting, int value) override;

    // TableCells: columns and rows counted from 1, row 0 the titles.
    int columns() const override { return m_columns; }
    std::size_t rows() const override { return m_rows; }
    // The bytes of a cell, as written. Throws std::out_of_range outside the table.
    std::string_view cellText(int column, std::size_t row) const override;
    bool isEscaped(int column, std::size_t row) const override { return cellShown(column, row) == Shown::Escaped; }
    std::optional<CellValue> cellValue(int column, std::size_t row) const override;

    // Writes a cell (row 0: a title), shown escaped or, valid UTF-8, as written. Throws std::out_of_range outside
    // the table and std::length_error for a text of 2 GiB or more, or past 4 GiB of texts in all.
    void setCellText(int column, std::size_t row, std::string_view text, Shown shown);
    Shown cellShown(int column, std::size_t row) const;
    // The text a view shows for a cell, UTF-8.
    std::string shownText(int column, std::size_t row) const { return quorrix::shownText(*this, column, row); }
    bool inBulkChange() const { return m_bulk; }

    // What the window's set-up asked for.
    bool readOnly() const { return m_readOnly; }
    Alignment alignment(int column) const;
    // The longest text the column took through MaxTextLength (0: not set).
    int maxTextLength(int column) const;
    // The width of `column` in characters, as setColumnWidth gave it (10 until then).
    double columnCharacters(int column) const;
    // Records the width the user gave `column` by dragging its title's edge or by a fit, in characters of the
    // table's font: it holds over later fills and changes of folder until another replaces it, or setColumnWidth
    // does. Throws std::out_of_range outside the table and std::invalid_argument for a negative width.
    void setUserWidth(int column, double characters);
    std::optional<double> userWidth(int column) const;
    // The pixels a view gives `column`, `unit` pixels a character: the user's width where set, else
    // columnCharacters by columnPixels with the title's pixels and the cell's margins.
    int widthPixels(int column, double unit, int titlePixels, int margins) const;
    // The folder that holds the rows' files.
    const std::string &folder() const { return m_folder; }
    // What the table's area says instead of rows: NoFilesText while the table has columns and no data rows.
    std::string_view emptyText() const;

    // The column (from 1) that orders the rows, 0 for none, and its direction.
    int orderColumn() const { return m_orderColumn; }
    bool descending() const { return m_descending; }
    Arrow arrow(int column) const;
    // Whether a click on the title of `column` orders from the largest value down: the first click orders from
    // the smallest up, each further click on the same title reverses.
    bool clickDescends(int column) const { return column == m_orderColumn && !m_descending; }
    // The order that `column` (0: as written) gives the rows now. Throws std::out_of_range outside the table.
    Order makeOrder(int column, bool descending) const;
    // Shows the rows in `order` (from makeOrder), kept as the order chosen: made again after every bulk change.
    void setOrder(int column, bool descending, Order order) noexcept;
    // makeOrder, then setOrder.
    void orderBy(int column, bool descending);
    // The data row (from 1) that shown row `shown` (from 0) shows.
    std::size_t dataRow(std::size_t shown) const;
    // The shown row (from 0) of each data row (from 0) under `order`.
    static Order positions(const Order &order, std::size_t rows);
    const Order &order() const { return m_order; }

    // `rows` (data rows, in the order to copy) as rowsText and pathsText make them.
    std::string rowsText(const std::vector<std::size_t> &rows) const { return quorrix::rowsText(*this, rows); }
    std::string pathsText(const std::vector<std::size_t> &rows) const;
    // The shown texts a view measures to fit `column` to its longest text: the widest data cells by columns of a
    // monospaced font (widestRows), every row counted.
    std::vector<std::string> fitTexts(int column) const;
    // The pixels that show `column` whole: the widest of its fitTexts, or its title with `arrowRoom` pixels beside
    // it for the ordering arrow, as `textPixels` measures them, and the `margins` of a cell. Throws what
    // `textPixels` throws, and std::out_of_range outside the table.
    int fitPixels(int column, const std::function<int(const std::string &)> &textPixels, int arrowRoom,
        int margins) const;

    // The marks of a cell's shown text; none for a text shown as written.
    std::vector<TextMark> marks(int column, std::size_t row) const;

protected:
    // What the window hears of, to draw it.
    enum class Change {
        TableAboutToChange, // the columns or the rows are about to change; in a bulk change, once for it all
        TableChanged, // they have changed, and the rows are in their order
        Cell, // a cell (row 0: a title) changed outside a bulk change
        ColumnWidth, // setColumnWidth or setUserWidth, also in a bulk change
        Alignment, // a column's alignment, outside a bulk change
        ReadOnly, // the read-only setting, outside a bulk change
        RedrawOff,
        RedrawOn,
    };
    // Tells the window of `change`, of `column` and `row` where it concerns one.
    virtual void changed(Change /*change*/, int /*column*/, std::size_t /*row*/) { }

private:
    void checkCell(int column, std::size_t row) const;
    void beginBulkChange();
    void endBulkChange();
    // Makes the order chosen again; on a failure the rows show as written.
    void reorder();
    // A change of the rows or columns has ended: the order is made again and the window told, also on a failure.
    void changeEnded();

    class Store;
    std::unique_ptr<Store> m_store;
    int m_columns = 0;
    std::size_t m_rows = 0;
    struct Title {
        std::string text;
        Shown shown = Shown::Escaped;
    };
    std::vector<Title> m_titles;
    std::vector<Alignment> m_alignments;
    std::vector<double> m_widths;
    // Per column, the user's width in characters; negative where the user gave none.
    std::vector<double> m_userWidths;
    std::vector<int> m_maxTextLengths;
    // Per column, every data row's value; empty for a column that was given none.
    std::vector<ColumnValues> m_values;
    std::string m_folder;
    bool m_bulk = false;
    bool m_readOnly = false;
    int m_activeColumn = 1;
    int m_orderColumn = 0;
    bool m_descending = false;
    // Empty while the rows show in the order written.
    Order m_order;
};

// A colour, as a window gives it to its toolkit.
struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};

// How a view draws a mark: escapes in a colour of their own on a tinted ground, so that "\n" cannot be read as a
// yen sign and an "n", which the Japanese font draws "\" as; letters written with separate accents on another tint;
// a marked blank with the text's colours, in a frame open at the top in `frame` (the text's colour in a selected
// row). The marks keep their colours in a selected row.
struct MarkStyle {
    std::optional<Rgb> ink;
    std::optional<Rgb> ground;
    std::optional<Rgb> frame;
};
MarkStyle markStyle(TextMark::Kind kind);

// Whether the pointer resting on a cell shows a tip with the cell's whole text: when its text, `textPixels` wide,
// does not fit the `roomPixels` its column leaves it.
constexpr bool showsTip(int textPixels, int roomPixels)
{
    return textPixels > roomPixels;
}

} // namespace quorrix
