#include "DriveList.h"

#include "Path.h"
#include "win32/WideText.h"

#include <commctrl.h>
#include <stdexcept>

DriveList::DriveList(HWND parent, int id)
    : m_handle(CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr))
    , m_chooser([] { return quorrix::readDrives(); }, [this] { showCurrent(); })
{
    fill();
}

std::string DriveList::drive() const
{
    return m_chooser.drive();
}

void DriveList::setDrive(std::string_view text)
{
    m_chooser.setDrive(text);
}

void DriveList::showDriveOf(std::string_view folder)
{
    m_chooser.showDriveOf(folder);
    showCurrent();
}

void DriveList::refresh()
{
    m_chooser.refresh();
    fill();
}

void DriveList::fill()
{
    SendMessageW(m_handle, CB_RESETCONTENT, 0, 0);
    for (const quorrix::Drive &drive : m_chooser.drives()) {
        const std::wstring text = quorrix::win32::toWide(quorrix::path::shown(drive.text));
        SendMessageW(m_handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    showCurrent();
}

void DriveList::showCurrent()
{
    const std::size_t current = m_chooser.current();
    SendMessageW(m_handle, CB_SETCURSEL, current < m_chooser.drives().size() ? current : static_cast<WPARAM>(-1), 0);
}
