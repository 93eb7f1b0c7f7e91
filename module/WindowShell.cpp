#include "WindowShell.h"

#include <optional>

namespace quorrix
{

WindowShell::WindowShell(FileForm &form, DriveListControl &drive1, const DriveChooser &drives, DirListControl &dir1,
    TableActions table, ShellView &view)
    : m_form(form)
    , m_driveList(drive1)
    , m_drives(drives)
    , m_folders(dir1)
    , m_table(std::move(table))
    , m_view(view)
{
}

void WindowShell::load(std::string_view commandLine)
{
    run(Action::Load, [&] { m_form.Form_Load(commandLine); });
}

bool WindowShell::keyPressed(int keyCode, int shift, bool inTable, std::uint32_t stamp)
{
    switch (commandFor(keyCode, shift, inTable)) {
    case Command::None:
        m_presses.seen(stamp);
        return false;
    case Command::Refresh:
        if (m_presses.admit(stamp))
            run(
                Action::Refresh, [&] { m_form.Form_KeyDown(keyCode, shift); }, m_folders.path());
        return true;
    case Command::SelectAll:
        run(Action::SelectAll, m_table.selectAll);
        return true;
    case Command::CopyRows:
        run(Action::CopyRows, m_table.copyRows);
        return true;
    case Command::CopyPaths:
        run(Action::CopyPaths, m_table.copyPaths);
        return true;
    case Command::FitColumns:
        run(Action::FitColumns, m_table.fitColumns);
        return true;
    }
    return false;
}

void WindowShell::drivePicked(int index)
{
    // Picking the current drive again, or nothing, changes nothing: the drive list only draws its current drive.
    const std::size_t picked = static_cast<std::size_t>(index);
    if (index < 0 || picked >= m_drives.drives().size() || picked == m_drives.current())
        return;
    const std::string text = m_drives.drives()[picked].text;
    run(
        Action::PickDrive, [&] { m_driveList.setDrive(text); }, text);
}

void WindowShell::folderOpened(const std::string &path)
{
    if (path.empty())
        return;
    run(
        Action::OpenFolder, [&] { m_folders.setPath(path); }, path);
}

void WindowShell::run(Action action, const std::function<void()> &step, std::string_view subject)
{
    const ActionTraits traits = traitsOf(action);
    std::optional<std::string> failure;
    if (traits.fills) {
        m_presses.fillStarted();
        m_view.setBusy(true);
        failure = runGuarded(step, traits.caption, subject);
        m_view.setBusy(false);
    } else {
        failure = runGuarded(step, traits.caption, subject);
    }
    if (failure)
        m_view.report(*failure);
}

} // namespace quorrix
