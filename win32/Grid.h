// The file table: a virtual (owner-data) report list view over the core's TableModel, which the core fills
// through the GridControl interface and which holds every rule of the table; the list view draws it and turns
// clicks into its actions. Its header is the title row; its first column shows the row numbers. A click on a title
// orders the rows by that column, a second click reverses; a double click on a title's edge fits that column. The
// table's keys reach its actions through the window's key table (WindowShell). Names with escapes or blanks that
// could be mistaken are drawn with their marks.
#pragma once

#include "TableModel.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include <commctrl.h>

class Grid : public quorrix::TableModel
{
public:
    // Creates the list view as child `id` of `parent`.
    Grid(HWND parent, int id);
    ~Grid() override;
    Grid(const Grid &) = delete;
    Grid &operator=(const Grid &) = delete;

    // Shows progressText over the table's area, painted at once, until repainting is turned on again.
    void showProgress(std::size_t rows, std::size_t total) override;
    // Where the table's actions tell of a failure; without one, a warning box says it.
    void setReporter(quorrix::FailureReporter reporter) { m_report = std::move(reporter); }

    HWND handle() const { return m_handle; }
    // The notice that showProgress shows.
    HWND progressNotice() const { return m_progress; }
    // Width of one character of the table's font, in pixels: the unit of setColumnWidth().
    int characterWidth() const { return m_characterWidth; }
    // Takes the table's font, scaled for `dpi`; column widths follow.
    void setMetrics(HFONT font, UINT dpi);

    // Orders the shown rows by `column` (from 1), reversed when `descending`; 0 shows them as written. The selected
    // rows stay selected.
    void sortBy(int column, bool descending);
    // The data row (from 1) that the list view's item `item` (from 0) shows.
    std::size_t dataRow(int item) const { return TableModel::dataRow(static_cast<std::size_t>(item)); }

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

    // The selected data rows (from 1), in the order shown.
    std::vector<std::size_t> selectedRows() const;
    void selectAll();
    // The selected rows as TableModel::rowsText and pathsText make them, with CRLF line ends.
    std::string selectedRowsText() const;
    // Puts selectedRowsText() on the clipboard as Unicode text, when a row is selected.
    void copySelectedRows() const { copyText(selectedRowsText()); }
    void copySelectedPaths() const { copyText(selectedPathsText()); }
    std::string selectedPathsText() const;

    // Answers the list view's notifications (WM_NOTIFY from it); returns the result.
    LRESULT notify(NMHDR *header);

    // The tip that shows a cell's whole text when its column cuts it short.
    HWND tip() const { return m_tip; }
    // The pointer moved over the table (WM_MOUSEMOVE to it).
    void pointerMoved();
    // The tip's text for the cell under the pointer: empty (no tip) unless showsTip says so.
    const wchar_t *tipText();

protected:
    void changed(Change change, int column, std::size_t row) override;

private:
    static LRESULT CALLBACK subclassProc(
        HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK noticeProc(
        HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    void report(const std::string &message) const;
    // Runs a table action under `caption` (see runGuarded).
    void guarded(std::string_view caption, const std::function<void()> &action) const;
    // The list view's columns, titles, formats and widths as the table holds them.
    void showColumns();
    // The pixels of the text that shows `column` (from 1) whole, by fitPixels.
    int fitWidth(int column) const;
    // The list view's width of `column`: the user's where set, else the set-up width (TableModel::widthPixels).
    int columnPixels(int column) const;
    // Puts `text` on the clipboard as Unicode text, unless it is empty.
    void copyText(const std::string &text) const;
    // The list view's item and column (from 1) under the pointer, or -1, -1.
    std::pair<int, int> cellUnderPointer() const;
    // Shows the table's arrow on the title of the column that orders the rows, and on no other.
    void showSortArrow();
    LRESULT customDraw(NMLVCUSTOMDRAW &draw);
    // Draws the name cell of `item` run by run, when it has marks; returns whether it did.
    bool drawName(HDC dc, int item);
    void drawEmptyText(HDC dc);
    void paintNotice(HWND notice);
    // The room the list view leaves on either side of a cell's text, in pixels.
    int textMargin() const { return MulDiv(6, m_dpi, 96); }

    HWND m_handle;
    // The list view's own columns after the row numbers'.
    int m_shownColumns = 0;
    HFONT m_font = nullptr;
    int m_characterWidth = 7;
    int m_dpi = 96;
    // While the table sets the list view's columns: the widths the header reports are not the user's.
    bool m_applying = false;
    // Sets m_applying for its scope, and puts back what it was.
    class Applying
    {
    public:
        explicit Applying(bool &flag) : m_flag(flag), m_was(std::exchange(flag, true)) { }
        ~Applying() { m_flag = m_was; }
        Applying(const Applying &) = delete;
        Applying &operator=(const Applying &) = delete;

    private:
        bool &m_flag;
        bool m_was;
    };
    bool m_redraw = true;
    std::wstring m_buffer; // the text last handed to the list view
    HWND m_tip = nullptr;
    std::pair<int, int> m_tipCell { -1, -1 };
    std::wstring m_tipText;
    HWND m_progress = nullptr;
    quorrix::FailureReporter m_report;
};
