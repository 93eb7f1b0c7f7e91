// The directory list: an owner-drawn list box of the folders from the drive's root down to the folder shown,
// then its subfolders.
#pragma once

#include "Controls.h"
#include "Navigation.h"

#include <windows.h>

class DriveList;

class DirList : public quorrix::DirListControl
{
public:
    // Creates the list box as child `id` of `parent`, showing the working directory. `drives` must outlive it.
    DirList(HWND parent, int id, const DriveList *drives);
    ~DirList() override;
    DirList(const DirList &) = delete;
    DirList &operator=(const DirList &) = delete;

    void setChangeHandler(quorrix::ChangeHandler handler) override { m_chooser.setChangeHandler(std::move(handler)); }
    std::string path() const override { return m_chooser.path(); }
    // `text` is a drive's text (as the drive list shows it) or a folder. On a failure of the change event the
    // previous folder is shown again and the failure passes on.
    void setPath(std::string_view text) override;
    void refresh() override;

    HWND handle() const { return m_handle; }
    const quorrix::FolderTree &tree() const { return m_chooser.tree(); }
    // The path of the entry selected in the box, or empty.
    std::string selectedPath() const;
    // Sizes the entries for the font and the window's DPI.
    void setMetrics(HFONT font, UINT dpi);
    // Draws one entry (WM_DRAWITEM).
    void draw(const DRAWITEMSTRUCT &item) const;

private:
    void showTree();

    HWND m_handle;
    quorrix::FolderChooser m_chooser;
    HICON m_openIcon = nullptr;
    HICON m_closedIcon = nullptr;
    int m_iconSize = 16;
    int m_indent = 12;
};
