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
    struct TableStep {
        Command command;
        Action action;
        std::function<void()> TableActions::*step;
    };
    static const TableStep tableSteps[] = {
        { Command::SelectAll, Action::SelectAll, &TableActions::selectAll },
        { Command::CopyRows, Action::CopyRows, &TableActions::copyRows },
        { Command::CopyPaths, Action::CopyPaths, &TableActions::copyPaths },
        { Command::FitColumns, Action::FitColumns, &TableActions::fitColumns },
    };

    const Command command = commandFor(keyCode, shift, inTable);
    if (command == Command::None) {
        m_presses.seen(stamp);
        return false;
    }
    if (command == Command::Refresh) {
        if (m_presses.admit(stamp))
            run(
                Action::Refresh, [&] { m_form.Form_KeyDown(keyCode, shift); }, m_folders.path());
        return true;
    }
    for (const TableStep &step : tableSteps) {
        if (step.command == command)
            run(step.action, m_table.*step.step);
    }
    return true;
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
