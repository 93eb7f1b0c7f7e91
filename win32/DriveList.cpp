#include "DriveList.h"

#include "DisplayText.h"
#include "win32/WideText.h"

#include <commctrl.h>
#include <stdexcept>

DriveList::DriveList(HWND parent, int id)
    : m_handle(CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr))
{
    std::vector<quorrix::Drive> drives = quorrix::readDrives();
    std::size_t current = 0;
    try {
        current = quorrix::driveOf(drives, quorrix::currentDirectory()).value_or(0);
    } catch (const std::exception &) {
    }
    fill(std::move(drives), current);
}

std::string DriveList::drive() const
{
    return m_current < m_drives.size() ? m_drives[m_current].text : std::string();
}

void DriveList::setDrive(std::string_view text)
{
    std::size_t found = m_drives.size();
    for (std::size_t i = 0; i < m_drives.size() && found == m_drives.size(); ++i) {
        if (m_drives[i].text == text || m_drives[i].mountPoint == text)
            found = i;
    }
    if (found == m_drives.size())
        throw std::invalid_argument("no drive " + std::string(text));
    if (found == m_current)
        return;
    // Going back when the change handler fails is the Qt list's rule, kept here as well until the core's lists
    // own it (with the interim pieces of Interim.h).
    const std::size_t previous = m_current;
    m_current = found;
    showCurrent();
    if (!m_changed)
        return;
    try {
        m_changed();
    } catch (...) {
        m_current = previous;
        showCurrent();
        throw;
    }
}

void DriveList::showDriveOf(std::string_view folder)
{
    if (const auto index = quorrix::driveOf(m_drives, folder)) {
        m_current = *index;
        showCurrent();
    }
}

void DriveList::refresh()
{
    std::vector<quorrix::Drive> drives = quorrix::readDrives();
    std::size_t current = 0;
    if (m_current < m_drives.size())
        current = quorrix::driveOf(drives, m_drives[m_current].mountPoint).value_or(0);
    fill(std::move(drives), current);
}

void DriveList::fill(std::vector<quorrix::Drive> drives, std::size_t current)
{
    SendMessageW(m_handle, CB_RESETCONTENT, 0, 0);
    for (const quorrix::Drive &drive : drives) {
        const std::wstring text = quorrix::win32::toWide(quorrix::displayText(drive.text));
        SendMessageW(m_handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    m_drives = std::move(drives);
    m_current = m_drives.empty() ? 0 : current;
    showCurrent();
}

void DriveList::showCurrent()
{
    SendMessageW(m_handle, CB_SETCURSEL, m_current < m_drives.size() ? m_current : static_cast<WPARAM>(-1), 0);
}
