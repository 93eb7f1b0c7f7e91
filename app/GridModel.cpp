#include "GridModel.h"

#include "DisplayText.h"

#include <climits>
#include <limits>
#include <stdexcept>

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
        return toDisplayString(cellText(column, static_cast<std::size_t>(index.row()) + 1));
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
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Vertical)
        return static_cast<std::size_t>(section) < m_rows ? QVariant(section + 1) : QVariant();
    if (section >= m_columns)
        return {};
    return toDisplayString(m_titles[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
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
    std::vector<std::uint64_t> offsets(m_rows * newColumns);
    std::vector<std::uint32_t> lengths(m_rows * newColumns);
    const std::size_t kept = std::min(oldColumns, newColumns);
    for (std::size_t row = 0; row < m_rows; ++row) {
        for (std::size_t column = 0; column < kept; ++column) {
            offsets[row * newColumns + column] = m_offsets[row * oldColumns + column];
            lengths[row * newColumns + column] = m_lengths[row * oldColumns + column];
        }
    }
    m_offsets = std::move(offsets);
    m_lengths = std::move(lengths);
    m_titles.resize(newColumns);
    m_alignments.resize(newColumns, 0);
    m_columns = columns;
    if (!m_bulk)
        endResetModel();
}

void GridModel::setRows(std::size_t rows)
{
    if (rows > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("too many rows for the table");
    if (!m_bulk)
        beginResetModel();
    const auto cells = rows * static_cast<std::size_t>(m_columns);
    if (rows == 0) {
        // Swapping with empty containers gives the memory of a huge folder back at once.
        std::string().swap(m_arena);
        std::vector<std::uint64_t>().swap(m_offsets);
        std::vector<std::uint32_t>().swap(m_lengths);
    } else {
        m_offsets.resize(cells, 0);
        m_lengths.resize(cells, 0);
    }
    m_rows = rows;
    if (!m_bulk)
        endResetModel();
}

void GridModel::setCellText(int column, std::size_t row, std::string_view text)
{
    checkCell(column, row);
    if (row == 0) {
        m_titles[static_cast<std::size_t>(column - 1)] = text;
        if (!m_bulk)
            emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
        return;
    }
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("cell text too long");
    const std::size_t cell = cellIndex(column, row);
    m_offsets[cell] = m_arena.size();
    m_lengths[cell] = static_cast<std::uint32_t>(text.size());
    m_arena.append(text);
    if (!m_bulk) {
        const QModelIndex changed = index(static_cast<int>(row - 1), column - 1);
        emit dataChanged(changed, changed, { Qt::DisplayRole });
    }
}

std::string_view GridModel::cellText(int column, std::size_t row) const
{
    checkCell(column, row);
    if (row == 0)
        return m_titles[static_cast<std::size_t>(column - 1)];
    const std::size_t cell = cellIndex(column, row);
    return std::string_view(m_arena).substr(m_offsets[cell], m_lengths[cell]);
}

void GridModel::setColumnAlignment(int column, int alignment)
{
    checkCell(column, 0);
    m_alignments[static_cast<std::size_t>(column - 1)] = alignment;
    if (!m_bulk && m_rows > 0)
        emit dataChanged(
            index(0, column - 1), index(static_cast<int>(m_rows - 1), column - 1), { Qt::TextAlignmentRole });
}

QString GridModel::toDisplayString(std::string_view bytes)
{
    if (quorrix::isPlainDisplayText(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string shown = quorrix::displayText(bytes);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
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
