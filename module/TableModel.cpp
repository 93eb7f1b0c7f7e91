#include "TableModel.h"

#include "DisplayText.h"
#include "FailureText.h"
#include "TextPages.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace quorrix
{

// Every data cell's text back to back in one block (see TextPages.h), each after a header of one to five bytes
// (its length and whether it is shown as written, 7 bits a byte, lowest first), so that a cell needs only where
// its text starts: 4 bytes a cell.
class TableModel::Store
{
public:
    struct Text {
        std::string_view bytes;
        bool asWritten = false;
    };
    // Per cell (row-major), where its text starts in the block; 0 for an empty text, which is shown escaped. A
    // rewritten cell's new text is appended and the old bytes stay until the data rows are dropped.
    using Cell = std::uint32_t;

    Store() = default;
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;
    ~Store() { pages::release(m_data, m_capacity); }

    // What a cell keeps for `text`. A text equal to that of `above` (the cell above's) is shared, not stored
    // again: neighbouring files often share a text (a creation time, a size). Throws std::length_error for a text
    // of 2 GiB or more and past 4 GiB in all.
    Cell store(std::string_view text, bool asWritten, Cell above)
    {
        if (text.empty())
            return 0;
        if (text.size() >= std::size_t { 1 } << 31)
            throw std::length_error("a cell's text reaches 2 GiB");
        if (above != 0) {
            const Text stored = this->text(above);
            if (stored.asWritten == asWritten && stored.bytes == text)
                return above;
        }
        return append(text, asWritten);
    }

    Text text(Cell start) const
    {
        if (start == 0)
            return {};
        const char *at = m_data + start;
        std::uint64_t header = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(*at++);
            header |= std::uint64_t { byte & 0x7Fu } << shift;
            if (byte < 0x80)
                break;
        }
        return { std::string_view(at, static_cast<std::size_t>(header >> 1)), (header & 1) != 0 };
    }

    // Frees every byte.
    void clear() noexcept
    {
        pages::release(m_data, m_capacity);
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
    }

    std::vector<Cell> cells;

private:
    Cell append(std::string_view text, bool asWritten)
    {
        unsigned char header[5];
        std::size_t headerSize = 0;
        for (std::uint64_t rest = std::uint64_t { text.size() } << 1 | (asWritten ? 1 : 0);; rest >>= 7) {
            header[headerSize++] = static_cast<unsigned char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
            if (rest <= 0x7F)
                break;
        }
        // The first byte is left unused, so that no text starts at 0, which stands for an empty cell.
        const std::size_t start = std::max<std::size_t>(m_size, 1);
        const std::size_t entry = headerSize + text.size();
        constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
        if (entry > limit - start)
            throw std::length_error("the table's texts exceed 4 GiB");
        if (start + entry > m_capacity) {
            // A text taken from a cell lies in the block that growing moves.
            const bool inside = m_data && text.data() >= m_data && text.data() < m_data + m_size;
            const std::size_t from = inside ? static_cast<std::size_t>(text.data() - m_data) : 0;
            const std::size_t capacity = std::min(limit, std::max({ start + entry, 2 * m_capacity, std::size_t { 4096 } }));
            m_data = pages::grow(m_data, m_capacity, capacity);
            m_capacity = capacity;
            if (inside)
                text = std::string_view(m_data + from, text.size());
        }
        std::memcpy(m_data + start, header, headerSize);
        std::memcpy(m_data + start + headerSize, text.data(), text.size());
        m_size = start + entry;
        return static_cast<Cell>(start);
    }

    char *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

TableModel::TableModel()
    : m_store(std::make_unique<Store>())
{
}

TableModel::~TableModel() = default;

void TableModel::setRedraw(bool on)
{
    if (!on) {
        changed(Change::RedrawOff, 0, 0);
        beginBulkChange();
        return;
    }
    try {
        endBulkChange();
    } catch (...) {
        changed(Change::RedrawOn, 0, 0);
        throw;
    }
    changed(Change::RedrawOn, 0, 0);
}

void TableModel::beginBulkChange()
{
    if (m_bulk)
        return;
    changed(Change::TableAboutToChange, 0, 0);
    m_bulk = true;
}

void TableModel::endBulkChange()
{
    if (!m_bulk)
        return;
    m_bulk = false;
    changeEnded();
}

void TableModel::changeEnded()
{
    try {
        reorder();
    } catch (...) {
        changed(Change::TableChanged, 0, 0);
        throw;
    }
    changed(Change::TableChanged, 0, 0);
}

void TableModel::reorder()
{
    Order order;
    try {
        order = makeOrder(m_orderColumn, m_descending);
    } catch (...) {
        // The rows show as written rather than in an order that no longer fits them; the column stays chosen.
        Order().swap(m_order);
        throw;
    }
    m_order.swap(order);
}

void TableModel::setColumnCount(int columns)
{
    if (columns < 0)
        throw std::out_of_range("negative column count");
    if (columns == m_columns)
        return;
    const auto oldColumns = static_cast<std::size_t>(m_columns);
    const auto newColumns = static_cast<std::size_t>(columns);
    std::vector<Store::Cell> cells(m_rows * newColumns);
    const std::size_t kept = std::min(oldColumns, newColumns);
    for (std::size_t row = 0; row < m_rows; ++row) {
        for (std::size_t column = 0; column < kept; ++column)
            cells[row * newColumns + column] = m_store->cells[row * oldColumns + column];
    }
    const bool bulk = m_bulk;
    if (!bulk)
        changed(Change::TableAboutToChange, 0, 0);
    m_store->cells.swap(cells);
    m_titles.resize(newColumns);
    m_values.resize(newColumns);
    m_alignments.resize(newColumns, Alignment::Left);
    m_widths.resize(newColumns, 10.0);
    m_userWidths.resize(newColumns, -1.0);
    m_maxTextLengths.resize(newColumns, 0);
    m_columns = columns;
    if (m_orderColumn > columns) {
        m_orderColumn = 0;
        m_descending = false;
    }
    if (!bulk)
        changeEnded();
}

void TableModel::setRowCount(std::size_t rows)
{
    if (rows > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("too many rows for the table");
    const bool bulk = m_bulk;
    if (!bulk)
        changed(Change::TableAboutToChange, 0, 0);
    // Until the order is made again, the rows show as written.
    Order().swap(m_order);
    if (rows == 0) {
        // Gives the memory of a huge folder back at once.
        m_store->clear();
        std::vector<Store::Cell>().swap(m_store->cells);
        for (ColumnValues &values : m_values)
            values = {};
    } else {
        m_store->cells.resize(rows * static_cast<std::size_t>(m_columns));
        for (ColumnValues &values : m_values)
            values.resize(rows);
    }
    m_rows = rows;
    if (!bulk)
        changeEnded();
}

void TableModel::setText(int column, std::size_t row, std::string_view text)
{
    setCellText(column, row, text, Shown::Escaped);
}

void TableModel::setFormattedText(int column, std::size_t row, std::string_view text)
{
    setCellText(column, row, text, Shown::AsWritten);
}

void TableModel::setCellText(int column, std::size_t row, std::string_view text, Shown shown)
{
    checkCell(column, row);
    if (row == 0) {
        m_titles[static_cast<std::size_t>(column - 1)] = { std::string(text), shown };
    } else {
        const std::size_t cell = (row - 1) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column - 1);
        const Store::Cell above = row > 1 ? m_store->cells[cell - static_cast<std::size_t>(m_columns)] : 0;
        m_store->cells[cell] = m_store->store(text, shown == Shown::AsWritten, above);
    }
    if (!m_bulk)
        changed(Change::Cell, column, row);
}

std::string_view TableModel::cellText(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return m_titles[static_cast<std::size_t>(column - 1)].text;
    return m_store
        ->text(m_store->cells[(row - 1) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column - 1)])
        .bytes;
}

TableModel::Shown TableModel::cellShown(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return m_titles[static_cast<std::size_t>(column - 1)].shown;
    const Store::Text text = m_store->text(
        m_store->cells[(row - 1) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column - 1)]);
    return text.asWritten ? Shown::AsWritten : Shown::Escaped;
}

void TableModel::setCellValue(int column, std::size_t row, CellValue value)
{
    checkCell(column, row);
    if (row == 0)
        throw std::out_of_range("the title row orders nothing");
    m_values[static_cast<std::size_t>(column - 1)].set(row - 1, m_rows, value);
}

std::optional<CellValue> TableModel::cellValue(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return std::nullopt;
    return m_values[static_cast<std::size_t>(column - 1)].get(row - 1);
}

void TableModel::setColumnWidth(int column, double characters)
{
    checkCell(column, 0);
    if (!(characters >= 0.0))
        throw std::invalid_argument("column width must not be negative");
    m_widths[static_cast<std::size_t>(column - 1)] = characters;
    m_userWidths[static_cast<std::size_t>(column - 1)] = -1.0;
    changed(Change::ColumnWidth, column, 0);
}

void TableModel::setUserWidth(int column, double characters)
{
    checkCell(column, 0);
    if (!(characters >= 0.0))
        throw std::invalid_argument("column width must not be negative");
    m_userWidths[static_cast<std::size_t>(column - 1)] = characters;
    changed(Change::ColumnWidth, column, 0);
}

std::optional<double> TableModel::userWidth(int column) const
{
    checkCell(column, 0);
    const double characters = m_userWidths[static_cast<std::size_t>(column - 1)];
    return characters >= 0.0 ? std::optional(characters) : std::nullopt;
}

int TableModel::widthPixels(int column, double unit, int titlePixels, int margins) const
{
    if (const std::optional<double> user = userWidth(column))
        return static_cast<int>(std::lround(*user * unit));
    return quorrix::columnPixels(columnCharacters(column), unit, titlePixels, margins);
}

double TableModel::columnCharacters(int column) const
{
    checkCell(column, 0);
    return m_widths[static_cast<std::size_t>(column - 1)];
}

void TableModel::setSetting(Setting setting, int value)
{
    switch (setting) {
    case Setting::ReadOnly:
        m_readOnly = value != 0;
        break;
    case Setting::ActiveColumn:
        m_activeColumn = value;
        return;
    case Setting::MaxTextLength:
        checkCell(m_activeColumn, 0);
        m_maxTextLengths[static_cast<std::size_t>(m_activeColumn - 1)] = value;
        return;
    case Setting::HorizontalAlignment:
        checkCell(m_activeColumn, 0);
        if (value < 0 || value > 2)
            throw std::invalid_argument("alignment must be 0, 1 or 2");
        m_alignments[static_cast<std::size_t>(m_activeColumn - 1)] = static_cast<Alignment>(value);
        break;
    }
    if (!m_bulk)
        changed(setting == Setting::ReadOnly ? Change::ReadOnly : Change::Alignment, m_activeColumn, 0);
}

TableModel::Alignment TableModel::alignment(int column) const
{
    checkCell(column, 0);
    return m_alignments[static_cast<std::size_t>(column - 1)];
}

int TableModel::maxTextLength(int column) const
{
    if (column < 1 || column > m_columns)
        return 0;
    return m_maxTextLengths[static_cast<std::size_t>(column - 1)];
}

std::string_view TableModel::emptyText() const
{
    return m_columns > 0 && m_rows == 0 ? NoFilesText : std::string_view();
}

TableModel::Arrow TableModel::arrow(int column) const
{
    if (column < 1 || column != m_orderColumn)
        return Arrow::None;
    return m_descending ? Arrow::Down : Arrow::Up;
}

TableModel::Order TableModel::makeOrder(int column, bool descending) const
{
    if (column < 0 || column > m_columns)
        throw std::out_of_range("no such column in the table");
    Order order;
    if (column == 0 || m_rows == 0)
        return order;
    const std::vector<std::size_t> rows = orderedRows(*this, column, descending);
    order.reserve(rows.size());
    for (const std::size_t row : rows)
        order.push_back(static_cast<std::uint32_t>(row - 1));
    return order;
}

void TableModel::setOrder(int column, bool descending, Order order) noexcept
{
    m_orderColumn = column;
    m_descending = descending;
    m_order.swap(order);
}

void TableModel::orderBy(int column, bool descending)
{
    setOrder(column, descending, makeOrder(column, descending));
}

std::size_t TableModel::dataRow(std::size_t shown) const
{
    return (shown < m_order.size() ? m_order[shown] : shown) + 1;
}

TableModel::Order TableModel::positions(const Order &order, std::size_t rows)
{
    Order position(rows);
    for (std::size_t i = 0; i < rows; ++i)
        position[i < order.size() ? order[i] : i] = static_cast<std::uint32_t>(i);
    return position;
}

std::string TableModel::pathsText(const std::vector<std::size_t> &rows) const
{
    return quorrix::pathsText(m_folder, *this, rows);
}

std::vector<std::string> TableModel::fitTexts(int column) const
{
    checkCell(column, 0);
    // Measuring every text of a million rows would take seconds; the texts widest in characters of this
    // monospaced font are the widest in pixels but for small differences, so only those few are measured.
    std::vector<std::string> texts;
    for (const std::size_t row : widestRows(*this, column, 16))
        texts.push_back(shownText(column, row));
    return texts;
}

int TableModel::fitPixels(
    int column, const std::function<int(const std::string &)> &textPixels, int arrowRoom, int margins) const
{
    int widest = textPixels(shownText(column, 0)) + arrowRoom;
    for (const std::string &text : fitTexts(column))
        widest = std::max(widest, textPixels(text));
    return widest + margins;
}

std::vector<TextMark> TableModel::marks(int column, std::size_t row) const
{
    if (cellShown(column, row) == Shown::AsWritten || cellText(column, row).empty())
        return {};
    return textMarks(shownText(column, row));
}

void TableModel::checkCell(int column, std::size_t row) const
{
    if (column < 1 || column > m_columns || row > m_rows)
        throw std::out_of_range("no such cell in the table");
}

MarkStyle markStyle(TextMark::Kind kind)
{
    switch (kind) {
    case TextMark::Kind::Escape:
        return { Rgb { 160, 0, 0 }, Rgb { 255, 228, 150 }, std::nullopt };
    case TextMark::Kind::Composed:
        return { Rgb { 0, 0, 0 }, Rgb { 190, 225, 255 }, std::nullopt };
    case TextMark::Kind::Blank:
        return { std::nullopt, std::nullopt, Rgb { 200, 0, 0 } };
    }
    return {};
}

} // namespace quorrix
