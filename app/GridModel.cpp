#include "GridModel.h"

#include "DisplayString.h"

#include <vector>

GridModel::GridModel(quorrix::TableModel &table, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
{
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows());
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.columns();
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return shownText(column, dataRow(index.row()));
    case MarksRole:
        return marks(column, dataRow(index.row()));
    case Qt::TextAlignmentRole:
        switch (m_table.alignment(column)) {
        case quorrix::TableModel::Alignment::Right:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        case quorrix::TableModel::Alignment::Centre:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
        case quorrix::TableModel::Alignment::Left:
            break;
        }
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Vertical)
        return static_cast<std::size_t>(section) < m_table.rows() ? QVariant(section + 1) : QVariant();
    if (section >= m_table.columns())
        return {};
    return shownText(section + 1, 0);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString GridModel::shownText(int column, std::size_t row) const
{
    const std::string_view text = m_table.cellText(column, row);
    if (m_table.cellShown(column, row) == quorrix::TableModel::Shown::AsWritten)
        return fromUtf8(text);
    return displayString(text);
}

void GridModel::cellChanged(int column, std::size_t row)
{
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
        return;
    }
    // Where an order is in force, the cell's model row is not at hand: the whole column is told.
    const bool ordered = !m_table.order().empty();
    const int top = ordered ? 0 : static_cast<int>(row - 1);
    const int bottom = ordered ? static_cast<int>(m_table.rows() - 1) : top;
    emit dataChanged(index(top, column - 1), index(bottom, column - 1), { Qt::DisplayRole });
}

void GridModel::alignmentChanged(int column)
{
    if (m_table.rows() > 0)
        emit dataChanged(index(0, column - 1), index(static_cast<int>(m_table.rows() - 1), column - 1),
            { Qt::TextAlignmentRole });
}

void GridModel::orderBy(int column, bool descending)
{
    // The new order and where it puts each row are made first: a failure leaves the views as they were.
    quorrix::TableModel::Order order = m_table.makeOrder(column, descending);
    const quorrix::TableModel::Order position = quorrix::TableModel::positions(order, m_table.rows());
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after << this->index(static_cast<int>(position[dataRow(index.row()) - 1]), index.column());
    m_table.setOrder(column, descending, std::move(order));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariant GridModel::marks(int column, std::size_t row) const
{
    const std::vector<quorrix::TextMark> found = m_table.marks(column, row);
    if (found.empty())
        return {};
    // Byte offsets into the UTF-8 text become offsets into the QString a view draws.
    const std::string shown = m_table.shownText(column, row);
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
