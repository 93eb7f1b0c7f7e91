// The file table's rows as a view presents them: the order a column gives them, the text a copy of them holds,
// the marks a name is drawn with, and the widest texts of a column. Free of any toolkit, so that every window
// on this core presents the table alike; the view gives its rows by index and reads cells through TableCells.
#pragma once

#include "Controls.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

// What an empty table's area says.
inline constexpr std::string_view NoFilesText = "ファイルはありません";

// The cells of a table, as GridControl numbers them: data rows from 1 (row 0 is the title row), columns from 1.
class TableCells
{
public:
    virtual ~TableCells() = default;

    virtual int columns() const = 0;
    virtual std::size_t rows() const = 0;
    // The bytes the cell was given.
    virtual std::string_view cellText(int column, std::size_t row) const = 0;
    // Whether the cell's bytes are shown escaped (a file name, written with setText) rather than as written (a
    // text the program formatted itself).
    virtual bool isEscaped(int column, std::size_t row) const = 0;
    // The value that orders the cell, where the table was given one.
    virtual std::optional<CellValue> cellValue(int column, std::size_t row) const = 0;
};

// The text a view shows for a cell: its bytes escaped by displayText, or as written.
std::string shownText(const TableCells &cells, int column, std::size_t row);

// The data rows in the order that `column` gives them, first shown row first. A column whose cells have values
// orders by them, cells without one first; any other column orders by its texts as the file list orders names,
// which for the name column is the file list's own order. `descending` orders from the largest value down.
// Rows that tie keep the table's order in both directions.
std::vector<std::size_t> orderedRows(const TableCells &cells, int column, bool descending);

// `rows` as text to paste into a spreadsheet: the title row, then each data row of `rows` in the order given,
// cells as shown, separated by tabs, each row ending in a newline. A data cell that a spreadsheet would take for
// a formula (beginning with "=", "+", "-" or "@") begins with "'", which makes it text there. Empty when `rows`
// is.
std::string rowsText(const TableCells &cells, const std::vector<std::size_t> &rows);

// The full paths of the files that `rows` name in column 1, which lie in `folder`, one a line, each ending in a
// newline. Each name is copied as it is (see path::carried), so that the path opens its file; only a name that
// is not valid UTF-8 or would break the line or hold a tab is escaped as the table shows it.
std::string pathsText(std::string_view folder, const TableCells &cells, const std::vector<std::size_t> &rows);

// A stretch of a name's shown text that a view draws apart, so that it cannot be taken for what it resembles.
struct TextMark {
    enum class Kind {
        Escape, // an escape ("\n", "\xFF", "\u200B", "\\"): drawn in a colour of its own, never as the characters
        Blank, // one blank at the start or end of the name, or an ideographic blank anywhere: drawn with a frame
        Composed, // a letter and the accents written after it as separate characters ("e" and U+0301)
    };
    std::size_t start = 0; // in bytes of the shown text
    std::size_t length = 0;
    Kind kind = Kind::Escape;
    friend bool operator==(const TextMark &, const TextMark &) = default;
};

// The marks of `shown`, a text that displayText wrote, from its start to its end.
std::vector<TextMark> textMarks(std::string_view shown);

// The width of `text` (valid UTF-8) in columns of a monospaced font: two for a wide East Asian character, none
// for a combining one, one for the rest.
std::size_t textColumns(std::string_view text);

// Up to `count` data rows whose shown texts in `column` are the widest by textColumns, widest first: the ones a
// view measures to fit the column to its longest text.
std::vector<std::size_t> widestRows(const TableCells &cells, int column, std::size_t count);

// The width in pixels of a column `characters` wide in characters `unit` pixels wide, whose title is
// `titlePixels` wide: the width of its text, never narrower than its title, so that every title can be read, with
// the view's `margins` (both sides together) on top.
int columnPixels(double characters, double unit, int titlePixels, int margins);

} // namespace quorrix
