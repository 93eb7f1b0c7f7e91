#include "DirList.h"

#include "DisplayString.h"
#include "DriveList.h"
#include "Icons.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <vector>

namespace
{

constexpr int DepthRole = Qt::UserRole;
constexpr int IndentStep = 12; // pixels per depth step

// Draws each entry moved right by its depth, as a tree would, while the view stays a flat list.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex &index) { return index.data(DepthRole).toInt() * IndentStep; }
};

} // namespace

// The entries of the folder tree, as last shown: a copy, so the view never sees the tree half-changed.
class FolderListModel : public QAbstractListModel
{
public:
    FolderListModel(const QIcon &openIcon, const QIcon &closedIcon, QObject *parent)
        : QAbstractListModel(parent)
        , m_openIcon(openIcon)
        , m_closedIcon(closedIcon)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return {};
        const quorrix::FolderTree::Entry &entry = m_entries[static_cast<std::size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return shownPath(entry.name);
        case Qt::ToolTipRole:
            return shownPath(entry.path);
        case Qt::DecorationRole:
            return entry.open ? m_openIcon : m_closedIcon;
        case DepthRole:
            return entry.depth;
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }

    void setEntries(const std::vector<quorrix::FolderTree::Entry> &entries)
    {
        beginResetModel();
        m_entries = entries;
        endResetModel();
    }

    const quorrix::FolderTree::Entry &entry(int row) const { return m_entries.at(static_cast<std::size_t>(row)); }

private:
    QIcon m_openIcon;
    QIcon m_closedIcon;
    std::vector<quorrix::FolderTree::Entry> m_entries;
};

DirList::DirList(const DriveList *drives, QWidget *parent)
    : QListView(parent)
    , m_chooser(drives->chooser(), [this] { showTree(); })
    , m_model(new FolderListModel(folderIcon(true), folderIcon(false), this))
{
    setModel(m_model);
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    // Double-click opens; activated() is not used, since some styles raise it on a single click.
    connect(this, &QAbstractItemView::doubleClicked, this, &DirList::openEntry);
    showTree();
}

DirList::~DirList() = default;

void DirList::refresh()
{
    m_chooser.refresh();
    showTree();
}

void DirList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        openEntry(currentIndex());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void DirList::showTree()
{
    m_model->setEntries(m_chooser.tree().entries());
    const QModelIndex current = m_model->index(static_cast<int>(m_chooser.tree().currentIndex()));
    setCurrentIndex(current);
    // Centred, the list shows the parent above the folder and its first subfolders below.
    scrollTo(current, PositionAtCenter);
}

void DirList::openEntry(const QModelIndex &index)
{
    if (index.isValid())
        emit folderOpened(m_model->entry(index.row()).path);
}
