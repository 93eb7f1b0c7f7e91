// The directory list: the chain of folders from "/" down to the folder shown, then its subfolders.
#pragma once

#include "Controls.h"
#include "FolderTree.h"

#include <QListView>

#include <string>

class DriveList;
class FolderListModel;

class DirList : public QListView, public quorrix::DirListControl
{
    Q_OBJECT

public:
    // Shows the working directory. `drives` gives the drives that the drive texts and current folders
    // refer to; it must outlive the list.
    explicit DirList(const DriveList *drives, QWidget *parent = nullptr);
    ~DirList() override;

    void setChangeHandler(quorrix::ChangeHandler handler) override { m_changed = std::move(handler); }
    std::string path() const override { return m_tree.path(); }
    // `text` is a drive's text (its mount point followed by " [", as the drive list shows it) or a folder. On
    // a failure of the change event the previous folder is shown again and the failure passes on.
    void setPath(std::string_view text) override;
    void refresh() override;

    const quorrix::FolderTree &tree() const { return m_tree; }

signals:
    // The user opened the entry for `path` (double-click or Enter).
    void folderOpened(const std::string &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::string folderFor(std::string_view text) const;
    void showTree();
    void openEntry(const QModelIndex &index);

    const DriveList *m_drives;
    quorrix::FolderTree m_tree;
    FolderListModel *m_model;
    quorrix::ChangeHandler m_changed;
};
