// The file table: a virtual (owner-data) report list view, driven through the GridControl interface. Its
// header is the title row; its first column shows the row numbers. A click on a title orders the rows by that
// column, a second click reverses; Ctrl+C copies the selected rows, Ctrl+Shift+C their full paths; Ctrl+Plus fits
// every column to its longest text, a double click on a title's edge that column. Names with escapes or blanks
// that could be mistaken are drawn with their marks.
#pragma once

#include "ColumnValues.h"
#include "Controls.h"
#include "TableRows.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include <commctrl.h>

class Grid : public quorrix::GridControl, public quorrix::TableCells
{
public:
    // Creates the list view as child `id` of `parent`.
    Grid(HWND parent, int id);
    ~Grid() override;
    Grid(const Grid &) = delete;
    Grid &operator=(const Grid &) = delete;

    void setRedraw(bool on) override;
    void setColumnCount(int columns) override;
    void setRowCount(std::size_t rows) override;
    void setText(int column, std::size_t row, std::string_view text) override;
    void setFormattedText(int column, std::size_t row, std::string_view text) override;
    void setColumnWidth(int column, double characters) override;
    void setSetting(Setting setting, int value) override;
    void setCellValue(int column, std::size_t row, quorrix::CellValue value) override;
    void setFolder(std::string_view folder) override { m_folder = folder; }

    HWND handle() const { return m_handle; }
    int columns() const override { return m_columns; }
    std::size_t rows() const override { return m_rows; }
    std::string_view cellText(int column, std::size_t row) const override;
    bool isEscaped(int column, std::size_t row) const override;
    std::optional<quorrix::CellValue> cellValue(int column, std::size_t row) const override;
    // A cell's text as the table shows it (row 0: the titles), UTF-8.
    std::string shownText(int column, std::size_t row) const;
    // Width of one character of the table's font, in pixels: the unit of setColumnWidth().
    int characterWidth() const { return m_characterWidth; }
    // Takes the table's font, scaled for `dpi`; column widths follow.
    void setMetrics(HFONT font, UINT dpi);

    // Orders the shown rows by `column` (from 1), reversed when `descending`; 0 shows them as written. The order
    // is made again at the end of every fill; the selected rows stay selected.
    void sortBy(int column, bool descending);
    // The data row (from 1) that the list view's item `item` (from 0) shows.
    std::size_t dataRow(int item) const;

    // Fits `column` (from 1) to its longest text and its title, all rows counted; fitColumns() fits every column.
    void fitColumn(int column);
    void fitColumns();

    // A stretch of a name as it is drawn: plain, or with the mark that sets it apart.
    struct Run {
        std::wstring text;
        std::optional<quorrix::TextMark::Kind> mark;
    };
    // The name that item `item` shows, in the runs it is drawn in; empty for a name without marks, which the list
    // view draws itself.
    std::vector<Run> nameRuns(int item) const;
    // What the table's area says instead of rows: NoFilesText while the table has no data rows, else nothing.
    std::wstring emptyText() const;

    // The selected data rows (from 1), in the order shown.
    std::vector<std::size_t> selectedRows() const;
    void selectAll();
    // The selected rows as text, the titles first, in the order shown, CRLF line ends; empty when no row is
    // selected.
    std::string selectedRowsText() const;
    // Puts selectedRowsText() on the clipboard as Unicode text, when a row is selected.
    void copySelectedRows() const;
    // The full paths of the selected files, one a line, CRLF line ends; empty when no row is selected.
    std::string selectedPathsText() const;

    // Answers the list view's notifications (WM_NOTIFY from it); returns the result.
    LRESULT notify(NMHDR *header);

    // The tip that shows a cell's whole text when its column cuts it short.
    HWND tip() const { return m_tip; }
    // The pointer moved over the table (WM_MOUSEMOVE to it).
    void pointerMoved();
    // The tip's text for the cell under the pointer: empty (no tip) unless the cell's text is cut short.
    const wchar_t *tipText();

private:
    static LRESULT CALLBACK subclassProc(
        HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    std::size_t cellIndex(int column, std::size_t row) const;
    // Throws std::length_error beyond 2 GiB for a cell or 4 GiB for the whole table.
    void storeText(int column, std::size_t row, std::string_view text, bool asWritten);
    // The list view's width of `column`, by columnPixels.
    int columnPixels(int column) const;
    void applyColumnWidths();
    // Puts `text` on the clipboard as Unicode text, unless it is empty.
    void copyText(const std::string &text) const;
    // The list view's item and column (from 1) under the pointer, or -1, -1.
    std::pair<int, int> cellUnderPointer() const;
    // Makes m_order for the column and direction chosen.
    void applyOrder();
    // Shows the sort arrow on the title of the column that orders the rows, and on no other.
    void showSortArrow();
    LRESULT customDraw(NMLVCUSTOMDRAW &draw);
    // Draws the name cell of `item` run by run, when it has marks; returns whether it did.
    bool drawName(HDC dc, int item);
    void drawEmptyText(HDC dc);
    // The room the list view leaves on either side of a cell's text, in pixels.
    int textMargin() const { return MulDiv(6, m_dpi, 96); }

    HWND m_handle;
    int m_columns = 0;
    std::size_t m_rows = 0;
    // Where each cell's bytes lie in m_text, row by row, the titles first, and whether it is shown as written
    // or escaped. A rewritten cell's old bytes stay until the data rows are dropped.
    struct Cell {
        std::uint32_t offset = 0;
        std::uint32_t length : 31 = 0;
        std::uint32_t asWritten : 1 = 0;
    };
    std::vector<Cell> m_cells;
    std::string m_text;
    std::string m_folder; // the folder whose files the rows are
    std::vector<double> m_widths; // in characters, per column
    std::vector<int> m_maxTextLengths;
    std::vector<quorrix::ColumnValues> m_values; // per column; empty for a column given none
    int m_sortColumn = 0;
    bool m_descending = false;
    // The data row (from 0) of each item; empty while the rows show as written.
    std::vector<std::uint32_t> m_order;
    // Whether rows or cells changed since m_order was made.
    bool m_orderStale = false;
    HFONT m_font = nullptr;
    int m_activeColumn = 1;
    int m_characterWidth = 7;
    int m_dpi = 96;
    bool m_redraw = true;
    std::wstring m_buffer; // the text last handed to the list view
    HWND m_tip = nullptr;
    std::pair<int, int> m_tipCell { -1, -1 };
    std::wstring m_tipText;
};
