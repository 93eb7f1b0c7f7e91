#include "Navigation.h"

#include "Path.h"

#include <exception>
#include <stdexcept>

namespace quorrix
{

namespace
{

    // Shows a choice just made, then raises its change event; when the handler fails, `undo` puts the previous
    // choice back, which is shown again, and the failure passes on.
    template<typename Undo>
    void showAndRaise(const std::function<void()> &shown, const std::function<void()> &changed, Undo &&undo)
    {
        if (shown)
            shown();
        if (!changed)
            return;
        try {
            changed();
        } catch (...) {
            undo();
            if (shown)
                shown();
            throw;
        }
    }

    // The drive holding the working directory, else the first.
    std::size_t startDrive(const std::vector<Drive> &drives)
    {
        try {
            return driveOf(drives, currentDirectory()).value_or(0);
        } catch (const std::exception &) {
            // The working directory is gone; the directory list then starts at the root, and the first drive will
            // do.
            return 0;
        }
    }

} // namespace

DriveChooser::DriveChooser(Source source, std::function<void()> shown)
    : m_source(std::move(source))
    , m_shown(std::move(shown))
    , m_drives(m_source())
    , m_current(startDrive(m_drives))
{
}

std::string DriveChooser::drive() const
{
    return m_current < m_drives.size() ? m_drives[m_current].text : std::string();
}

void DriveChooser::setDrive(std::string_view text)
{
    std::size_t found = m_drives.size();
    for (std::size_t i = 0; i < m_drives.size() && found == m_drives.size(); ++i) {
        if (m_drives[i].text == text)
            found = i;
    }
    for (std::size_t i = 0; i < m_drives.size() && found == m_drives.size(); ++i) {
        if (m_drives[i].mountPoint == text)
            found = i;
    }
    if (found == m_drives.size())
        throw std::invalid_argument("no drive " + std::string(text));
    if (found == m_current)
        return;

    const std::size_t previous = m_current;
    m_current = found;
    showAndRaise(m_shown, m_changed, [&] { m_current = previous; });
}

void DriveChooser::showDriveOf(std::string_view folder)
{
    if (const auto index = driveOf(m_drives, folder))
        m_current = *index;
}

void DriveChooser::refresh()
{
    std::vector<Drive> drives = m_source();
    std::size_t current = 0;
    if (m_current < m_drives.size()) {
        const std::string &mountPoint = m_drives[m_current].mountPoint;
        current = drives.size();
        for (std::size_t i = 0; i < drives.size() && current == drives.size(); ++i) {
            if (drives[i].mountPoint == mountPoint)
                current = i;
        }
        // Unmounted: the drive that now holds that path, which on Linux is at worst the root's. A Windows drive
        // letter that has gone lies on no other drive: the drive the program started on takes its place.
        if (current == drives.size())
            current = driveOf(drives, mountPoint).value_or(startDrive(drives));
    }
    m_drives = std::move(drives);
    m_current = m_drives.empty() ? 0 : current;
}

FolderChooser::FolderChooser(const DriveChooser &drives, std::function<void()> shown)
    : m_drives(drives)
    , m_shown(std::move(shown))
{
}

void FolderChooser::setPath(std::string_view text)
{
    // Kept whole, so that a failed change puts back the folder shown and each drive's current folder exactly,
    // without asking the file system again.
    FolderTree previous = m_tree;
    bool changed = false;
    try {
        changed = m_tree.setFolder(folderFor(text), m_drives.drives());
    } catch (...) {
        // The tree is as it was, but the window's list may not be: a click has moved its selection to the entry
        // that could not be shown.
        if (m_shown)
            m_shown();
        throw;
    }
    if (!changed)
        return;
    showAndRaise(m_shown, m_changed, [&] { m_tree = std::move(previous); });
}

void FolderChooser::refresh()
{
    const std::vector<Drive> &drives = m_drives.drives();
    try {
        m_tree.refresh(drives);
    } catch (const std::exception &) {
        // Not even the root of the folder shown can be read. Where that is because its drive has gone (a stick
        // pulled, a network drive dropped), the drive list has already moved to another drive, and no folder above
        // this one is left to show: show that drive's current folder, as choosing it does, so that both lists and
        // the table name one drive again. The failure then passes on, so that the window says once why the folder
        // went. A drive that is still listed stays, as an empty drive does.
        const std::size_t current = m_drives.current();
        if (current >= drives.size() || driveOf(drives, path()) == current)
            throw;
        const std::exception_ptr gone = std::current_exception();
        setPath(drives[current].text);
        std::rethrow_exception(gone);
    }
}

std::string FolderChooser::folderFor(std::string_view text) const
{
    const std::vector<Drive> &drives = m_drives.drives();
    const std::size_t current = m_drives.current();
    if (current < drives.size() && drives[current].text == text)
        return m_tree.currentFolderOf(drives[current], drives);
    // A drive's text whose label has changed still names it: its mount point, or on Windows its letter, then
    // " [".
    const bool windows = nativePathStyle() == PathStyle::Windows;
    const Drive *match = nullptr;
    for (const Drive &drive : drives) {
        const std::string_view head = windows ? std::string_view(drive.text).substr(0, drive.text.find(" [")) : "";
        const bool named = drive.text == text || text.starts_with(drive.mountPoint + " [")
            || (!head.empty() && text.starts_with(std::string(head) + " ["));
        if (named && (!match || drive.mountPoint.size() > match->mountPoint.size()))
            match = &drive;
    }
    // On Windows a drive's text is never a folder's name: "d:" is the system's current folder of D:, which the
    // drive's own current folder stands in for.
    if ((!match || !windows) && isFolder(text))
        return std::string(text);
    return match ? m_tree.currentFolderOf(*match, drives) : std::string(text);
}

} // namespace quorrix
