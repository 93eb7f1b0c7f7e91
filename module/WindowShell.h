// The main window's shell, for any toolkit: what each key and each pick in the lists does, the busy cursor while a
// fill runs, and the message when a step fails. The window turns its toolkit's events into these calls and shows
// what the shell asks of it (ShellView); the file work itself is FileForm's.
#pragma once

#include "FileForm.h"
#include "GuardedAction.h"
#include "KeyCommands.h"
#include "Navigation.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorrix
{

// What the window shows for the shell.
class ShellView
{
public:
    virtual ~ShellView() = default;
    // Shows the busy cursor (true) or the one it replaced (false).
    virtual void setBusy(bool busy) = 0;
    // Tells the user of a failure; `message` is UTF-8, one part to a line.
    virtual void report(const std::string &message) = 0;
};

// The table's commands, as the window's table carries them out.
struct TableActions {
    std::function<void()> selectAll;
    std::function<void()> copyRows;
    std::function<void()> copyPaths;
    std::function<void()> fitColumns;
};

class WindowShell
{
public:
    // `form` works on `drive1` and `dir1`; `drives` is the chooser behind `drive1`. Everything given must outlive
    // the shell.
    WindowShell(FileForm &form, DriveListControl &drive1, const DriveChooser &drives, DirListControl &dir1,
        TableActions table, ShellView &view);

    // Loads the window on `commandLine` (see FileForm::Form_Load).
    void load(std::string_view commandLine);
    // A key pressed anywhere in the window, before the control with the focus sees it: `keyCode` is the virtual-key
    // code, `shift` the Key::ShiftMask flags, `stamp` the toolkit's time stamp (see RefreshPresses). Returns
    // whether the key was one of the window's commands, which the control then must not see.
    bool keyPressed(int keyCode, int shift, bool inTable, std::uint32_t stamp);
    // Any other input event stamped `stamp` that the window handles now: it tells the toolkit's clock.
    void inputSeen(std::uint32_t stamp) { m_presses.seen(stamp); }
    // The user picked drive `index` of the drive list (-1: none). The drive list shows the current drive afterwards,
    // which is the one picked unless showing its folder failed.
    void drivePicked(int index);
    // The user opened the folder at `path` in the directory list (empty: no entry was selected).
    void folderOpened(const std::string &path);

private:
    void run(Action action, const std::function<void()> &step, std::string_view subject = {});

    FileForm &m_form;
    DriveListControl &m_driveList;
    const DriveChooser &m_drives;
    DirListControl &m_folders;
    TableActions m_table;
    ShellView &m_view;
    RefreshPresses m_presses;
};

} // namespace quorrix
