#include "TableRows.h"

#include "DisplayText.h"
#include "NaturalOrder.h"
#include "Path.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

namespace quorrix
{

namespace
{

    // The code point at the start of `text` (valid UTF-8) and the bytes it takes; a stray byte counts as one.
    std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t i)
    {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
        const unsigned char lead = byte(0);
        std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > text.size())
            return { lead, 1 };
        char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length; ++k)
            c = c << 6 | (byte(k) & 0x3Fu);
        return { c, length };
    }

    // Marks that join the character before them, where precomposed letters exist as well: Latin, Greek and
    // Cyrillic accents, the kana voicing marks, and the vowels and finals of a Hangul syllable written in parts.
    bool isComposing(char32_t c)
    {
        return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1161 && c <= 0x11FF) || (c >= 0x1AB0 && c <= 0x1AFF)
            || (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) || c == 0x3099 || c == 0x309A
            || (c >= 0xFE20 && c <= 0xFE2F);
    }

    bool isWide(char32_t c)
    {
        return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF)
            || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF)
            || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
            || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F)
            || (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
    }

    // The bytes an escape that displayText wrote takes, from its backslash.
    std::size_t escapeLength(std::string_view shown, std::size_t i)
    {
        std::size_t length = 2;
        if (i + 1 < shown.size()) {
            switch (shown[i + 1]) {
            case 'x':
                length = 4;
                break;
            case 'u':
                length = 6;
                break;
            case 'U':
                length = 10;
                break;
            default:
                break;
            }
        }
        return std::min(length, shown.size() - i);
    }

    // Spreadsheets read a cell that begins so as a formula (or, for "-" and "+", as a number or a formula).
    bool looksLikeFormula(std::string_view text)
    {
        return !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
    }

    void appendShown(std::string &out, std::string_view bytes, bool escaped)
    {
        if (!escaped || isPlainDisplayText(bytes))
            out.append(bytes);
        else
            out.append(displayText(bytes));
    }

} // namespace

std::string shownText(const TableCells &cells, int column, std::size_t row)
{
    std::string text;
    appendShown(text, cells.cellText(column, row), cells.isEscaped(column, row));
    return text;
}

std::vector<std::size_t> orderedRows(const TableCells &cells, int column, bool descending)
{
    const std::size_t count = cells.rows();
    bool byValue = false;
    for (std::size_t row = 1; row <= count && !byValue; ++row)
        byValue = cells.cellValue(column, row).has_value();

    std::vector<std::size_t> rows;
    rows.reserve(count);
    if (byValue) {
        // Sorted whole, with the row as the last key: faster than a stable sort and the same order.
        struct Keyed {
            bool present;
            CellValue value;
            std::size_t row;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(count);
        for (std::size_t row = 1; row <= count; ++row) {
            const std::optional<CellValue> value = cells.cellValue(column, row);
            keyed.push_back({ value.has_value(), value.value_or(CellValue {}), row });
        }
        // An absent value orders before every value (after every value when descending); tied rows keep the
        // table's order either way.
        std::sort(keyed.begin(), keyed.end(), [descending](const Keyed &a, const Keyed &b) {
            if (a.present != b.present)
                return descending ? a.present : b.present;
            if (a.value < b.value || b.value < a.value)
                return descending ? b.value < a.value : a.value < b.value;
            return a.row < b.row;
        });
        for (const Keyed &k : keyed)
            rows.push_back(k.row);
        return rows;
    }
    for (const std::size_t index : naturalOrder(count, [&](std::size_t i) { return cells.cellText(column, i + 1); }))
        rows.push_back(index + 1);
    if (descending)
        std::reverse(rows.begin(), rows.end());
    // Only equal texts tie, and naturalOrder leaves their order open: each run of them takes the table's order.
    for (std::size_t first = 0; first < rows.size();) {
        std::size_t end = first + 1;
        while (end < rows.size() && cells.cellText(column, rows[end]) == cells.cellText(column, rows[first]))
            ++end;
        std::sort(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.begin() + static_cast<std::ptrdiff_t>(end));
        first = end;
    }
    return rows;
}

std::string rowsText(const TableCells &cells, const std::vector<std::size_t> &rows)
{
    if (rows.empty())
        return {};
    const int columns = cells.columns();
    std::string text;
    for (std::size_t i = 0; i <= rows.size(); ++i) {
        const std::size_t row = i == 0 ? 0 : rows[i - 1];
        for (int column = 1; column <= columns; ++column) {
            if (column > 1)
                text += '\t';
            const std::string_view bytes = cells.cellText(column, row);
            if (row != 0 && looksLikeFormula(bytes))
                text += '\'';
            appendShown(text, bytes, cells.isEscaped(column, row));
        }
        text += '\n';
    }
    return text;
}

std::string pathsText(std::string_view folder, const TableCells &cells, const std::vector<std::size_t> &rows)
{
    std::string text;
    std::string path;
    for (const std::size_t row : rows) {
        path::joinInto(path, folder, cells.cellText(1, row));
        // Each name as it is, so that the path opens its file, unless it breaks the line or is not text.
        text += path::carried(path);
        text += '\n';
    }
    return text;
}

std::vector<TextMark> textMarks(std::string_view shown)
{
    std::vector<TextMark> marks;
    std::size_t leading = 0;
    while (leading < shown.size() && shown[leading] == ' ')
        ++leading;
    std::size_t trailing = shown.size();
    while (trailing > leading && shown[trailing - 1] == ' ')
        --trailing;

    // Where the last character that no mark covers starts: the letter that accents after it belong to.
    std::size_t letter = std::string_view::npos;
    for (std::size_t i = 0; i < shown.size();) {
        if (shown[i] == '\\') {
            const std::size_t length = escapeLength(shown, i);
            marks.push_back({ i, length, TextMark::Kind::Escape });
            letter = std::string_view::npos;
            i += length;
            continue;
        }
        if (shown[i] == ' ' && (i < leading || i >= trailing)) {
            marks.push_back({ i, 1, TextMark::Kind::Blank });
            letter = std::string_view::npos;
            ++i;
            continue;
        }
        const auto [c, length] = decodeAt(shown, i);
        if (c == 0x3000) {
            marks.push_back({ i, length, TextMark::Kind::Blank });
            letter = std::string_view::npos;
        } else if (isComposing(c)) {
            if (!marks.empty() && marks.back().kind == TextMark::Kind::Composed
                && marks.back().start + marks.back().length == i)
                marks.back().length += length;
            else if (letter != std::string_view::npos)
                marks.push_back({ letter, i + length - letter, TextMark::Kind::Composed });
            else
                marks.push_back({ i, length, TextMark::Kind::Composed });
            letter = std::string_view::npos;
        } else {
            letter = i;
        }
        i += length;
    }
    return marks;
}

std::size_t textColumns(std::string_view text)
{
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++columns;
            ++i;
            continue;
        }
        const auto [c, length] = decodeAt(text, i);
        columns += isComposing(c) ? 0 : isWide(c) ? 2 : 1;
        i += length;
    }
    return columns;
}

std::vector<std::size_t> widestRows(const TableCells &cells, int column, std::size_t count)
{
    using Entry = std::pair<std::size_t, std::size_t>; // columns, row
    // The `count` widest so far, the narrowest of them on top.
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> widest;
    std::string shown;
    for (std::size_t row = 1, rows = cells.rows(); row <= rows && count > 0; ++row) {
        const std::string_view bytes = cells.cellText(column, row);
        // No text is wider in columns than it is long in bytes: most cells are passed over without a look.
        if (widest.size() == count && bytes.size() * 4 <= widest.top().first)
            continue;
        shown.clear();
        appendShown(shown, bytes, cells.isEscaped(column, row));
        const std::size_t width = textColumns(shown);
        if (widest.size() < count) {
            widest.push({ width, row });
        } else if (width > widest.top().first) {
            widest.pop();
            widest.push({ width, row });
        }
    }
    std::vector<std::size_t> rows(widest.size());
    for (std::size_t i = rows.size(); i > 0; --i) {
        rows[i - 1] = widest.top().second;
        widest.pop();
    }
    return rows;
}

int columnPixels(double characters, double unit, int titlePixels, int margins)
{
    return std::max(static_cast<int>(std::lround(characters * unit)), titlePixels) + margins;
}

} // namespace quorrix
