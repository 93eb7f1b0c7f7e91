#include "TableRows.h"
#include "DisplayText.h"
#include "Path.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using quorrix::CellValue;
using quorrix::TextMark;

namespace
{

// A table of texts, row 0 the titles; column 2 holds formatted text, shown as written.
struct Cells : quorrix::TableCells {
    std::vector<std::vector<std::string>> text;
    std::map<std::pair<int, std::size_t>, CellValue> values;

    int columns() const override { return static_cast<int>(text[0].size()); }
    std::size_t rows() const override { return text.size() - 1; }
    std::string_view cellText(int column, std::size_t row) const override { return text[row][column - 1]; }
    bool isEscaped(int column, std::size_t) const override { return column != 2; }
    std::optional<CellValue> cellValue(int column, std::size_t row) const override
    {
        const auto it = values.find({ column, row });
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
};

TEST(TableRows, OrdersByValueElseAsTheFileListOrdersNames)
{
    Cells cells;
    cells.text
        = { { "Name", "Date", "Size" }, { "file10", "", "" }, { "File2", "", "" }, { "b", "", "" }, { "a", "", "" } };
    // Row 2 has no value; rows 1 and 3 tie.
    cells.values = { { { 3, 1 }, { 5, 0 } }, { { 3, 3 }, { 5, 0 } }, { { 3, 4 }, { -1, 999 } } };
    EXPECT_EQ(orderedRows(cells, 3, false), (std::vector<std::size_t> { 2, 4, 1, 3 }));
    EXPECT_EQ(orderedRows(cells, 3, true), (std::vector<std::size_t> { 1, 3, 4, 2 }));
    EXPECT_EQ(orderedRows(cells, 1, false), (std::vector<std::size_t> { 4, 3, 2, 1 }));
    EXPECT_EQ(orderedRows(cells, 1, true), (std::vector<std::size_t> { 1, 2, 3, 4 }));
    // Equal texts tie, in either direction.
    cells.text[1][1] = cells.text[3][1] = cells.text[4][1] = "A";
    cells.text[2][1] = "B";
    EXPECT_EQ(orderedRows(cells, 2, false), (std::vector<std::size_t> { 1, 3, 4, 2 }));
    EXPECT_EQ(orderedRows(cells, 2, true), (std::vector<std::size_t> { 2, 1, 3, 4 }));
}

TEST(TableRows, CopiesPasteAsTheTextShown)
{
    Cells cells;
    cells.text = { { "=Name", "Date", "Size" }, { "=SUM(A1)", "-1", "a\nb" }, { "@x", "+1", "-" },
        { "plain-name", "\\", "1KB" } };
    EXPECT_EQ(rowsText(cells, { 3, 1 }), "=Name\tDate\tSize\nplain-name\t\\\t1KB\n'=SUM(A1)\t'-1\ta\\nb\n");
    EXPECT_EQ(rowsText(cells, { 2 }), "=Name\tDate\tSize\n'@x\t'+1\t'-\n");
    EXPECT_EQ(rowsText(cells, {}), "");
    cells.text[1][0] = "new\nline";
    // A root and a folder below it, as the system writes them: one separator each, never escaped.
    const std::string root(quorrix::path::systemRoot());
    EXPECT_EQ(pathsText(root, cells, { 1, 3 }), root + "new\\nline\n" + root + "plain-name\n");
    const char separator = quorrix::path::separator();
    const std::string home = root + "home" + separator + "me";
    EXPECT_EQ(pathsText(home, cells, { 2 }), home + separator + "@x\n");
    // A copied path names its file wherever text can carry the name; only what it cannot carry is escaped.
    const std::pair<std::string, std::string> names[] = {
        { "back\\slash", "back\\slash" },
        { "zero\u200Bwidth \u3000x", "zero\u200Bwidth \u3000x" },
        { "caf\xE9", "caf\\xE9" },
        { "tab\there", "tab\\there" },
        { "cr\rlf", "cr\\rlf" },
        { "line\u2028sep", "line\\u2028sep" },
    };
    for (const auto &[name, copied] : names) {
        cells.text[1][0] = name;
        EXPECT_EQ(pathsText(home, cells, { 1 }), home + separator + copied + "\n") << name;
    }
}

struct MarkRow {
    std::string bytes;
    std::vector<TextMark> marks;
};

TEST(TableRows, MarksTellEscapesBlanksAndSeparateAccentsApart)
{
    using Kind = TextMark::Kind;
    const MarkRow rows[] = {
        { "a\xC2\xA5n", {} }, // a real yen sign and an "n"
        { "a\nb", { { 1, 2, Kind::Escape } } },
        { "\\\xFF", { { 0, 2, Kind::Escape }, { 2, 4, Kind::Escape } } },
        { "a\xF3\xA0\x80\x81", { { 1, 10, Kind::Escape } } },
        { " a.txt  ", { { 0, 1, Kind::Blank }, { 6, 1, Kind::Blank }, { 7, 1, Kind::Blank } } },
        { "a  b", {} },
        { "a\xE3\x80\x80"
          "b",
            { { 1, 3, Kind::Blank } } },
        { "e\xCC\x81\xCC\xA3x\xC3\xA9", { { 0, 5, Kind::Composed } } },
        { "\xE3\x81\x8B\xE3\x82\x99", { { 0, 6, Kind::Composed } } },
        { "\xCC\x81", { { 0, 2, Kind::Composed } } },
    };
    for (const MarkRow &row : rows)
        EXPECT_EQ(quorrix::textMarks(quorrix::displayText(row.bytes)), row.marks) << row.bytes;
}

TEST(TableRows, WidestRowsAreWidestAsShown)
{
    Cells cells;
    cells.text = { { "Name", "", "" }, { "abc", "", "" }, { "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "", "" },
        { "\xFF\xFF", "", "" }, { "abcdefg", "", "" } };
    // Three kanji are six columns, two bytes that are not UTF-8 eight.
    EXPECT_EQ(widestRows(cells, 1, 2), (std::vector<std::size_t> { 3, 4 }));
    EXPECT_EQ(widestRows(cells, 1, 9).size(), 4u);
}

} // namespace
