#include "GridModel.h"

#include "DisplayString.h"
#include "DisplayText.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#ifdef __linux__
#include <sys/mman.h>
#endif

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows);
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
    // The columns are narrower than a whole date-time; the pointer resting on a cell shows all of it.
    case Qt::ToolTipRole:
        return shownText(column, dataRow(index.row()));
    case MarksRole:
        return marks(column, dataRow(index.row()));
    case Qt::TextAlignmentRole:
        switch (m_alignments[static_cast<std::size_t>(index.column())]) {
        case 1:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        case 2:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
        default:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // A first click on a title orders its column from the smallest value up.
    if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal)
        return QVariant::fromValue(Qt::AscendingOrder);
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Vertical)
        return static_cast<std::size_t>(section) < m_rows ? QVariant(section + 1) : QVariant();
    if (section >= m_columns)
        return {};
    return shownText(section + 1, 0);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    if (m_bulk)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection and the current cell stay on the rows they were on.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> rowsBefore;
    rowsBefore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex &index : before)
        rowsBefore.push_back(dataRow(index.row()));
    applyOrder();
    std::vector<std::uint32_t> position(m_order.empty() ? 0 : m_rows);
    for (std::size_t i = 0; i < m_order.size(); ++i)
        position[m_order[i]] = static_cast<std::uint32_t>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const std::size_t row = rowsBefore[static_cast<std::size_t>(i)] - 1;
        after << index(static_cast<int>(position.empty() ? row : position[row]), before[i].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::size_t GridModel::dataRow(int modelRow) const
{
    const auto row = static_cast<std::size_t>(modelRow);
    return (row < m_order.size() ? m_order[row] : row) + 1;
}

void GridModel::applyOrder()
{
    m_order.clear();
    if (m_sortColumn < 0 || m_sortColumn >= m_columns || m_rows == 0)
        return;
    const std::vector<std::size_t> rows
        = quorrix::orderedRows(*this, m_sortColumn + 1, m_sortOrder == Qt::DescendingOrder);
    m_order.reserve(rows.size());
    for (const std::size_t row : rows)
        m_order.push_back(static_cast<std::uint32_t>(row - 1));
}

void GridModel::beginBulkChange()
{
    if (m_bulk)
        return;
    beginResetModel();
    m_bulk = true;
}

void GridModel::endBulkChange()
{
    if (!m_bulk)
        return;
    m_bulk = false;
    applyOrder();
    endResetModel();
}

void GridModel::setColumns(int columns)
{
    if (columns < 0)
        throw std::out_of_range("negative column count");
    if (columns == m_columns)
        return;
    if (!m_bulk)
        beginResetModel();
    const auto oldColumns = static_cast<std::size_t>(m_columns);
    const auto newColumns = static_cast<std::size_t>(columns);
    std::vector<Cell> cells(m_rows * newColumns);
    const std::size_t kept = std::min(oldColumns, newColumns);
    for (std::size_t row = 0; row < m_rows; ++row) {
        for (std::size_t column = 0; column < kept; ++column)
            cells[row * newColumns + column] = m_cells[row * oldColumns + column];
    }
    m_cells = std::move(cells);
    m_titles.resize(newColumns);
    m_values.resize(newColumns);
    m_alignments.resize(newColumns, 0);
    m_columns = columns;
    if (!m_bulk) {
        applyOrder();
        endResetModel();
    }
}

void GridModel::setRows(std::size_t rows)
{
    if (rows > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("too many rows for the table");
    if (!m_bulk)
        beginResetModel();
    const auto cells = rows * static_cast<std::size_t>(m_columns);
    if (rows == 0) {
        // Gives the memory of a huge folder back at once.
        m_arena.clear();
        std::vector<Cell>().swap(m_cells);
        for (quorrix::ColumnValues &values : m_values)
            values = {};
    } else {
        m_cells.resize(cells);
        for (quorrix::ColumnValues &values : m_values)
            values.resize(rows);
    }
    m_rows = rows;
    if (!m_bulk) {
        applyOrder();
        endResetModel();
    }
}

void GridModel::setCellText(int column, std::size_t row, std::string_view text, Shown shown)
{
    checkCell(column, row);
    if (row == 0) {
        m_titles[static_cast<std::size_t>(column - 1)] = { std::string(text), shown };
        if (!m_bulk)
            emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
        return;
    }
    const std::size_t cell = cellIndex(column, row);
    m_cells[cell] = storedText(cell, text, shown);
    if (!m_bulk) {
        // Where an order is in force, the cell's model row is not at hand: the whole column is told.
        const int top = m_order.empty() ? static_cast<int>(row - 1) : 0;
        const int bottom = m_order.empty() ? top : static_cast<int>(m_rows - 1);
        emit dataChanged(index(top, column - 1), index(bottom, column - 1), { Qt::DisplayRole });
    }
}

std::string_view GridModel::cellText(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return m_titles[static_cast<std::size_t>(column - 1)].text;
    return cellEntry(column, row).bytes;
}

void GridModel::setCellValue(int column, std::size_t row, quorrix::CellValue value)
{
    checkCell(column, row);
    if (row == 0)
        throw std::out_of_range("the title row orders nothing");
    m_values[static_cast<std::size_t>(column - 1)].set(row - 1, m_rows, value);
}

std::optional<quorrix::CellValue> GridModel::cellValue(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return std::nullopt;
    return m_values[static_cast<std::size_t>(column - 1)].get(row - 1);
}

QVariant GridModel::marks(int column, std::size_t row) const
{
    const std::string_view text = cellText(column, row);
    if (text.empty() || cellShown(column, row) == Shown::AsWritten)
        return {};
    const std::string shown = quorrix::displayText(text);
    const std::vector<quorrix::TextMark> found = quorrix::textMarks(shown);
    if (found.empty())
        return {};
    // Byte offsets into the UTF-8 text become offsets into the QString a view draws.
    std::vector<int> utf16(shown.size() + 1, 0);
    int units = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        utf16[i] = units;
        const auto byte = static_cast<unsigned char>(shown[i]);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;
    }
    utf16[shown.size()] = units;
    QList<int> result;
    result.reserve(static_cast<qsizetype>(found.size() * 3));
    for (const quorrix::TextMark &mark : found) {
        const int start = utf16[mark.start];
        result << start << utf16[mark.start + mark.length] - start << static_cast<int>(mark.kind);
    }
    return QVariant::fromValue(result);
}

GridModel::Shown GridModel::cellShown(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return m_titles[static_cast<std::size_t>(column - 1)].shown;
    return cellEntry(column, row).asWritten ? Shown::AsWritten : Shown::Escaped;
}

QString GridModel::shownText(int column, std::size_t row) const
{
    const std::string_view text = cellText(column, row);
    if (cellShown(column, row) == Shown::AsWritten)
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return displayString(text);
}

void GridModel::setColumnAlignment(int column, int alignment)
{
    checkCell(column, 0);
    m_alignments[static_cast<std::size_t>(column - 1)] = alignment;
    if (!m_bulk && m_rows > 0)
        emit dataChanged(
            index(0, column - 1), index(static_cast<int>(m_rows - 1), column - 1), { Qt::TextAlignmentRole });
}

GridModel::Cell GridModel::storedText(std::size_t cell, std::string_view text, Shown shown)
{
    if (text.empty())
        return 0;
    if (text.size() >= std::size_t { 1 } << 31)
        throw std::length_error("a cell's text reaches 2 GiB");
    const bool asWritten = shown == Shown::AsWritten;
    // Neighbouring files often share a text (a creation time, a size): one equal to the cell above's is
    // shared rather than stored again.
    if (cell >= static_cast<std::size_t>(m_columns)) {
        const Cell above = m_cells[cell - static_cast<std::size_t>(m_columns)];
        if (above != 0) {
            const Arena::Text stored = m_arena.text(above);
            if (stored.asWritten == asWritten && stored.bytes == text)
                return above;
        }
    }
    return m_arena.append(text, asWritten);
}

GridModel::Arena::Text GridModel::cellEntry(int column, std::size_t row) const
{
    const Cell cell = m_cells[cellIndex(column, row)];
    return cell == 0 ? Arena::Text {} : m_arena.text(cell);
}

GridModel::Arena::~Arena()
{
    clear();
}

std::uint32_t GridModel::Arena::append(std::string_view text, bool asWritten)
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
        grow(std::min(limit, std::max({ start + entry, 2 * m_capacity, std::size_t { 4096 } })));
        if (inside)
            text = std::string_view(m_data + from, text.size());
    }
    std::memcpy(m_data + start, header, headerSize);
    std::memcpy(m_data + start + headerSize, text.data(), text.size());
    m_size = start + entry;
    return static_cast<std::uint32_t>(start);
}

GridModel::Arena::Text GridModel::Arena::text(std::uint32_t start) const
{
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

void GridModel::Arena::grow(std::size_t capacity)
{
#ifdef __linux__
    // Mapped pages of its own, which mremap moves without copying. Through malloc, a block below the mmap
    // threshold (which rises to the size of large blocks freed, such as the file list's temporaries) would be
    // copied on each growth and leave the old copy resident in the heap.
    void *data = m_data ? ::mremap(m_data, m_capacity, capacity, MREMAP_MAYMOVE)
                        : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        throw std::bad_alloc();
#else
    void *data = std::realloc(m_data, capacity);
    if (!data)
        throw std::bad_alloc();
#endif
    m_data = static_cast<char *>(data);
    m_capacity = capacity;
}

void GridModel::Arena::clear()
{
#ifdef __linux__
    if (m_data)
        ::munmap(m_data, m_capacity);
#else
    std::free(m_data);
#endif
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

std::size_t GridModel::cellIndex(int column, std::size_t row) const
{
    return (row - 1) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column - 1);
}

void GridModel::checkCell(int column, std::size_t row) const
{
    if (column < 1 || column > m_columns || row > m_rows)
        throw std::out_of_range("no such cell in the table");
}
