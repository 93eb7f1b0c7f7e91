#include "DriveList.h"

#include "Path.h"
#include "win32/WideText.h"

#include <commctrl.h>
#include <stdexcept>

DriveList::DriveList(HWND parent, int id)
    : DrawnDriveList([] { return quorrix::readDrives(); })
    , m_handle(CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr))
{
    fill();
}

void DriveList::fill()
{
    SendMessageW(m_handle, CB_RESETCONTENT, 0, 0);
    for (const quorrix::Drive &drive : drives()) {
        const std::wstring text = quorrix::win32::toWide(quorrix::path::shown(drive.text));
        SendMessageW(m_handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    showCurrent();
}

void DriveList::showCurrent()
{
    const std::size_t current = chooser().current();
    SendMessageW(m_handle, CB_SETCURSEL, current < drives().size() ? current : static_cast<WPARAM>(-1), 0);
}
