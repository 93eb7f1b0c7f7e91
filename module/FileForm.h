// The main window's own logic, free of any toolkit: start-up, table set-up, navigation and refresh.
//
// The window (app/f_FILE) owns the controls and forwards its events here; tests drive it with fakes.
#pragma once

#include "Controls.h"
#include "KeyCommands.h"

#include <string>
#include <string_view>

namespace quorrix
{

class FileForm
{
public:
    // Windows virtual-key code of F5, as the key handler receives it.
    static constexpr int KeyF5 = Key::F5;
    // Shift-state flags of the key handler.
    enum Shift { ShiftMask = Key::ShiftMask, CtrlMask = Key::CtrlMask, AltMask = Key::AltMask };

    FileForm(DriveListControl &drive1, DirListControl &dir1, FileListControl &file1, GridControl &grd1);

    // Prepares the file table once: six titled columns with their widths.
    void s_GRD1SET();
    // The directory list now shows another folder: list its files and refill the table.
    void Dir1_Change();
    // The drive list now names another drive: show that drive's current folder.
    void Drive1_Change();
    // Any key pressed in the window: F5, whatever the shift state, re-reads everything and refills.
    void Form_KeyDown(int keyCode, int shift);
    // Start-up: works out the start folder from `commandLine`, sets up the table and shows the folder.
    void Form_Load(std::string_view commandLine);

private:
    // Points the directory list at `text` and makes sure the table follows, changed or not.
    void showFolder(std::string_view text);
    // After a fill failed: lists `folder` again and fills the table with it; when even that fails, leaves the
    // table empty, naming `folder`.
    void showAgain(const std::string &folder) noexcept;

    DriveListControl &m_drives;
    DirListControl &m_folders;
    FileListControl &m_files;
    GridControl &m_grid;
};

} // namespace quorrix
