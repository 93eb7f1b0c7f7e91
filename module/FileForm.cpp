#include "FileForm.h"

#include "ChangeProgress.h"
#include "FolderSnapshot.h"
#include "Module1.h"

#include <exception>
#include <iterator>
#include <stdexcept>

namespace quorrix
{

FileForm::FileForm(DriveListControl &drive1, DirListControl &dir1, FileListControl &file1, GridControl &grd1)
    : m_drives(drive1)
    , m_folders(dir1)
    , m_files(file1)
    , m_grid(grd1)
{
    m_drives.setChangeHandler([this] { Drive1_Change(); });
    m_folders.setChangeHandler([this] { Dir1_Change(); });
}

void FileForm::s_GRD1SET()
{
    struct Setup {
        Column column;
        std::string_view title;
        double width; // in characters
    };
    static constexpr Setup setup[] = {
        { Column::Name, "ファイル名", 20.0 },
        { Column::Mark, "属性", 5.0 },
        { Column::Created, "作成日時", 13.0 },
        { Column::Accessed, "アクセス日時", 13.0 },
        { Column::Modified, "更新日時", 13.0 },
        { Column::Size, "ファイルサイズ", 13.2 },
    };
    static_assert(std::size(setup) == static_cast<std::size_t>(Column::Count));

    m_grid.setRedraw(false);
    m_grid.setSetting(GridControl::Setting::ReadOnly, 1);
    m_grid.setColumnCount(static_cast<int>(Column::Count));
    for (const Setup &column : setup)
        m_grid.setText(gridColumn(column.column), 0, column.title);
    for (const Setup &column : setup)
        m_grid.setColumnWidth(gridColumn(column.column), column.width);

    // Names up to the longest a file system allows; sizes aligned to the right.
    m_grid.setSetting(GridControl::Setting::ActiveColumn, gridColumn(Column::Name));
    m_grid.setSetting(GridControl::Setting::MaxTextLength, 255);
    m_grid.setSetting(GridControl::Setting::ActiveColumn, gridColumn(Column::Size));
    m_grid.setSetting(GridControl::Setting::HorizontalAlignment, 1);
    m_grid.setRedraw(true);
}

void FileForm::Dir1_Change()
{
    const ChangeProgress change(m_grid);
    const std::string folder = m_folders.path();
    const std::string previous = m_files.path();
    m_files.setPath(folder);
    try {
        Module1::s_GRD1LIST(m_files, m_grid);
    } catch (...) {
        // The directory list goes back to the folder it showed; the file list and the table go back with it, so
        // that the lists, the rows and the paths a copy takes all name one folder.
        if (previous != folder)
            showAgain(previous);
        throw;
    }
    // The drive list names the drive of the folder shown, so that F5 re-reads this folder rather than
    // jumping to another drive's current folder. Only once the folder is shown: when listing it fails, the
    // directory list goes back, and the drive list must still name the drive it goes back to.
    m_drives.showDriveOf(folder);
}

void FileForm::Drive1_Change()
{
    m_folders.setPath(m_drives.drive());
}

void FileForm::Form_KeyDown(int keyCode, int /*shift*/)
{
    if (keyCode != KeyF5)
        return;
    // The folder shown is read once, by the directory list; the lists that follow it take that reading. The
    // file list is not read on its own either: Dir1_Change below lists it anew in any case.
    const FolderSnapshot snapshot;
    const ChangeProgress change(m_grid);
    m_drives.refresh();
    m_folders.refresh();
    // The drive's current folder, as a pick of the drive shows it: where that moves the directory list (the drive
    // has gone, or the folder now lies on another drive), the list's change event fills the table, and only
    // otherwise does showFolder fill it.
    showFolder(m_drives.drive());
}

void FileForm::Form_Load(std::string_view commandLine)
{
    // The start folder is read once, for the directory list and the file list alike, as F5 reads it.
    const FolderSnapshot snapshot;
    const std::string startFolder = Module1::s_CMDPATH(commandLine);
    s_GRD1SET();
    try {
        if (!startFolder.empty())
            showFolder(startFolder);
        else
            showFolder(m_drives.drive());
    } catch (const std::exception &) {
        showFolder(m_drives.drive());
    }
}

void FileForm::showAgain(const std::string &folder) noexcept
{
    try {
        if (folder.empty())
            throw std::invalid_argument("no folder listed yet");
        m_files.setPath(folder);
        Module1::s_GRD1LIST(m_files, m_grid);
    } catch (...) {
        // Not even the folder shown before can be listed again: an empty table that names it, rather than rows
        // of a folder no list shows.
        try {
            m_grid.setRowCount(0);
            m_grid.setFolder(folder);
        } catch (...) {
        }
    }
}

void FileForm::showFolder(std::string_view text)
{
    const std::string before = m_folders.path();
    m_folders.setPath(text);
    // The list raises no change event for the folder it already shows, yet start-up must fill the table.
    if (m_folders.path() == before)
        Dir1_Change();
}

} // namespace quorrix
