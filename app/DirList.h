// The directory list: the chain of folders from the root down to the folder shown, then its subfolders. What it
// shows and when it goes back is decided by the core (quorrix::FolderChooser); the list draws it.
#pragma once

#include "Controls.h"
#include "Navigation.h"

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

    void setChangeHandler(quorrix::ChangeHandler handler) override { m_chooser.setChangeHandler(std::move(handler)); }
    std::string path() const override { return m_chooser.path(); }
    void setPath(std::string_view text) override { m_chooser.setPath(text); }
    void refresh() override;

    const quorrix::FolderTree &tree() const { return m_chooser.tree(); }

signals:
    // The user opened the entry for `path` (double-click or Enter).
    void folderOpened(const std::string &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showTree();
    void openEntry(const QModelIndex &index);

    quorrix::FolderChooser m_chooser;
    FolderListModel *m_model;
};
