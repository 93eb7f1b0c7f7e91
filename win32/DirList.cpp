#include "DirList.h"

#include "DriveList.h"
#include "Path.h"
#include "win32/WideText.h"

#include <commctrl.h>
#include <shellapi.h>

namespace
{

// The shell's small folder icon, open or closed, asked for by attribute alone: no folder is touched.
HICON folderIcon(bool open, int size)
{
    SHFILEINFOW info = {};
    UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (size > 16 ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    if (open)
        flags |= SHGFI_OPENICON;
    if (!SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags))
        return nullptr;
    return info.hIcon;
}

} // namespace

DirList::DirList(HWND parent, int id, const DriveList *drives)
    : m_handle(CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA
            | LBS_NOINTEGRALHEIGHT,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr))
    , m_chooser(drives->chooser(), [this] { showTree(); })
{
    showTree();
}

DirList::~DirList()
{
    if (m_openIcon)
        DestroyIcon(m_openIcon);
    if (m_closedIcon)
        DestroyIcon(m_closedIcon);
}

void DirList::setPath(std::string_view text)
{
    m_chooser.setPath(text);
}

void DirList::refresh()
{
    m_chooser.refresh();
    showTree();
}

std::string DirList::selectedPath() const
{
    const LRESULT index = SendMessageW(m_handle, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= tree().entries().size())
        return {};
    return tree().entries()[static_cast<std::size_t>(index)].path;
}

void DirList::setMetrics(HFONT font, UINT dpi)
{
    SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    m_iconSize = MulDiv(16, static_cast<int>(dpi), 96);
    m_indent = MulDiv(12, static_cast<int>(dpi), 96);
    for (HICON *icon : { &m_openIcon, &m_closedIcon }) {
        if (*icon)
            DestroyIcon(*icon);
    }
    m_openIcon = folderIcon(true, m_iconSize);
    m_closedIcon = folderIcon(false, m_iconSize);

    HDC dc = GetDC(m_handle);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(m_handle, dc);
    const int height = std::max<int>(m_iconSize, metrics.tmHeight) + MulDiv(2, static_cast<int>(dpi), 96);
    SendMessageW(m_handle, LB_SETITEMHEIGHT, 0, height);
    InvalidateRect(m_handle, nullptr, TRUE);
}

void DirList::draw(const DRAWITEMSTRUCT &item) const
{
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= tree().entries().size())
        return;
    const quorrix::FolderTree::Entry &entry = tree().entries()[item.itemID];
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int height = item.rcItem.bottom - item.rcItem.top;
    const int left = item.rcItem.left + 2 + entry.depth * m_indent;
    if (HICON icon = entry.open ? m_openIcon : m_closedIcon)
        DrawIconEx(
            dc, left, item.rcItem.top + (height - m_iconSize) / 2, icon, m_iconSize, m_iconSize, 0, nullptr, DI_NORMAL);
    RECT text = item.rcItem;
    text.left = left + m_iconSize + 4;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring name = quorrix::win32::toWide(quorrix::path::shown(entry.name));
    DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
        DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &item.rcItem);
}

void DirList::showTree()
{
    SendMessageW(m_handle, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_handle, LB_SETCOUNT, tree().entries().size(), 0);
    const auto current = static_cast<WPARAM>(tree().currentIndex());
    SendMessageW(m_handle, LB_SETCURSEL, current, 0);
    // The folder shown sits in the middle, with its parent above and its first subfolders below.
    RECT client = {};
    GetClientRect(m_handle, &client);
    const auto itemHeight = static_cast<LONG>(SendMessageW(m_handle, LB_GETITEMHEIGHT, 0, 0));
    const LONG visible = itemHeight > 0 ? client.bottom / itemHeight : 1;
    SendMessageW(m_handle, LB_SETTOPINDEX, current > static_cast<WPARAM>(visible / 2) ? current - visible / 2 : 0, 0);
    SendMessageW(m_handle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_handle, nullptr, TRUE);
}
