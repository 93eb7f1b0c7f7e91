#include "Grid.h"

#include "DisplayText.h"
#include "win32/WideText.h"

#include <cmath>
#include <commctrl.h>
#include <stdexcept>
#include <utility>

Grid::Grid(HWND parent, int id)
    : m_handle(CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr))
{
    ListView_SetExtendedListViewStyle(m_handle, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    // The row numbers' column; the table's own columns follow it.
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_RIGHT;
    column.cx = 48;
    column.pszText = const_cast<wchar_t *>(L"");
    ListView_InsertColumn(m_handle, 0, &column);

    // One tip for the whole table; its text is asked for (tipText) when it is about to show.
    m_tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, GetModuleHandleW(nullptr),
        nullptr);
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(m_handle);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(m_tip, TTM_SETMAXTIPWIDTH, 0, 1000);
}

std::pair<int, int> Grid::cellUnderPointer() const
{
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(m_handle, &hit.pt);
    if (ListView_SubItemHitTest(m_handle, &hit) < 0 || hit.iItem < 0 || hit.iSubItem < 1)
        return { -1, -1 };
    return { hit.iItem, hit.iSubItem };
}

void Grid::pointerMoved()
{
    // The tip belongs to one cell: on to another, it starts again, and asks for that cell's text.
    const std::pair<int, int> cell = cellUnderPointer();
    if (cell == m_tipCell)
        return;
    m_tipCell = cell;
    SendMessageW(m_tip, TTM_ACTIVATE, FALSE, 0);
    SendMessageW(m_tip, TTM_ACTIVATE, TRUE, 0);
}

const wchar_t *Grid::tipText()
{
    // The whole text of the cell under the pointer, when its column cuts it short; no tip otherwise.
    m_tipText.clear();
    const auto [item, column] = cellUnderPointer();
    if (item < 0 || static_cast<std::size_t>(item) >= m_rows || column > m_columns)
        return m_tipText.c_str();
    std::wstring text = quorrix::win32::toWide(shownText(column, static_cast<std::size_t>(item) + 1));
    // The list view leaves some pixels of room on either side of a cell's text.
    if (ListView_GetStringWidth(m_handle, text.c_str()) + MulDiv(12, m_dpi, 96)
        > ListView_GetColumnWidth(m_handle, column))
        m_tipText = std::move(text);
    return m_tipText.c_str();
}

std::size_t Grid::cellIndex(int column, std::size_t row) const
{
    if (column < 1 || column > m_columns || row > m_rows)
        throw std::out_of_range("no such cell in the table");
    return row * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column - 1);
}

void Grid::setRedraw(bool on)
{
    m_redraw = on;
    SendMessageW(m_handle, WM_SETREDRAW, on, 0);
    if (on)
        InvalidateRect(m_handle, nullptr, TRUE);
}

void Grid::setColumnCount(int columns)
{
    if (columns < 0)
        throw std::out_of_range("negative column count");
    std::vector<Cell> cells((m_rows + 1) * static_cast<std::size_t>(columns));
    for (std::size_t row = 0; row <= m_rows; ++row) {
        for (int column = 1; column <= std::min(columns, m_columns); ++column)
            cells[row * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column - 1)]
                = m_cells[cellIndex(column, row)];
    }
    m_cells.swap(cells);
    while (m_columns > columns)
        ListView_DeleteColumn(m_handle, m_columns--);
    while (m_columns < columns) {
        ++m_columns;
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = 10 * m_characterWidth;
        column.pszText = const_cast<wchar_t *>(L"");
        ListView_InsertColumn(m_handle, m_columns, &column);
    }
    m_widths.resize(static_cast<std::size_t>(columns), 10.0);
    m_maxTextLengths.resize(static_cast<std::size_t>(columns), 0);
}

void Grid::setRowCount(std::size_t rows)
{
    const auto columns = static_cast<std::size_t>(m_columns);
    if (rows == 0) {
        // Every data cell goes with its bytes; the titles stay.
        std::string text;
        std::vector<Cell> titles(m_cells.begin(), m_cells.begin() + static_cast<std::ptrdiff_t>(columns));
        for (Cell &title : titles) {
            const auto offset = static_cast<std::uint32_t>(text.size());
            text.append(m_text, title.offset, title.length);
            title.offset = offset;
        }
        m_cells.swap(titles);
        m_text.swap(text);
    } else {
        m_cells.resize((rows + 1) * columns);
    }
    m_rows = rows;
    // The list view counts rows in an int.
    ListView_SetItemCountEx(m_handle, static_cast<int>(std::min<std::size_t>(rows, INT_MAX)), LVSICF_NOSCROLL);
}

void Grid::setText(int column, std::size_t row, std::string_view text)
{
    storeText(column, row, text, false);
}

void Grid::setFormattedText(int column, std::size_t row, std::string_view text)
{
    storeText(column, row, text, true);
}

void Grid::storeText(int column, std::size_t row, std::string_view text, bool asWritten)
{
    Cell &cell = m_cells[cellIndex(column, row)];
    // Offsets and lengths are 32 bits wide, the arena's bytes 4 GiB at most.
    if (text.size() >= (1u << 31) || text.size() > UINT32_MAX - m_text.size())
        throw std::length_error("the table's text is too long");
    cell.offset = static_cast<std::uint32_t>(m_text.size());
    cell.length = static_cast<std::uint32_t>(text.size()) & 0x7FFFFFFF;
    cell.asWritten = asWritten;
    m_text.append(text);
    if (row == 0) {
        const std::wstring title = quorrix::win32::toWide(shownText(column, 0));
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT;
        header.pszText = const_cast<wchar_t *>(title.c_str());
        ListView_SetColumn(m_handle, column, &header);
    }
}

void Grid::setColumnWidth(int column, double characters)
{
    if (column < 1 || column > m_columns)
        throw std::out_of_range("no such column in the table");
    if (!(characters >= 0.0))
        throw std::invalid_argument("column width must not be negative");
    m_widths[static_cast<std::size_t>(column - 1)] = characters;
    ListView_SetColumnWidth(m_handle, column, static_cast<int>(std::lround(characters * m_characterWidth)));
}

void Grid::setSetting(Setting setting, int value)
{
    switch (setting) {
    case Setting::ReadOnly:
        // The list view never edits its cells: no LVS_EDITLABELS.
        break;
    case Setting::ActiveColumn:
        m_activeColumn = value;
        break;
    case Setting::MaxTextLength:
        if (m_activeColumn < 1 || m_activeColumn > m_columns)
            throw std::out_of_range("no such column in the table");
        m_maxTextLengths[static_cast<std::size_t>(m_activeColumn - 1)] = value;
        break;
    case Setting::HorizontalAlignment: {
        if (value < 0 || value > 2)
            throw std::invalid_argument("alignment must be 0, 1 or 2");
        if (m_activeColumn < 1 || m_activeColumn > m_columns)
            throw std::out_of_range("no such column in the table");
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT;
        column.fmt = value == 1 ? LVCFMT_RIGHT : value == 2 ? LVCFMT_CENTER : LVCFMT_LEFT;
        ListView_SetColumn(m_handle, m_activeColumn, &column);
        break;
    }
    }
}

std::string Grid::shownText(int column, std::size_t row) const
{
    return quorrix::shownText(*this, column, row);
}

std::string_view Grid::cellText(int column, std::size_t row) const
{
    const Cell &cell = m_cells[cellIndex(column, row)];
    return { m_text.data() + cell.offset, cell.length };
}

bool Grid::isEscaped(int column, std::size_t row) const
{
    return !m_cells[cellIndex(column, row)].asWritten;
}

std::optional<quorrix::CellValue> Grid::cellValue(int /*column*/, std::size_t /*row*/) const
{
    return std::nullopt;
}

void Grid::setMetrics(HFONT font, UINT dpi)
{
    m_dpi = static_cast<int>(dpi);
    SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    HDC dc = GetDC(m_handle);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE digit = {};
    GetTextExtentPoint32W(dc, L"0", 1, &digit);
    SIZE number = {};
    GetTextExtentPoint32W(dc, L"0000000", 7, &number);
    SelectObject(dc, old);
    ReleaseDC(m_handle, dc);
    m_characterWidth = std::max<int>(1, digit.cx);
    ListView_SetColumnWidth(m_handle, 0, number.cx + MulDiv(12, m_dpi, 96));
    applyColumnWidths();
}

void Grid::applyColumnWidths()
{
    for (int column = 1; column <= m_columns; ++column)
        ListView_SetColumnWidth(m_handle, column,
            static_cast<int>(std::lround(m_widths[static_cast<std::size_t>(column - 1)] * m_characterWidth)));
}

std::vector<std::size_t> Grid::selectedRows() const
{
    std::vector<std::size_t> rows;
    for (int item = ListView_GetNextItem(m_handle, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(m_handle, item, LVNI_SELECTED))
        rows.push_back(static_cast<std::size_t>(item) + 1);
    return rows;
}

void Grid::selectAll()
{
    // Selecting row by row repaints each; held back, a hundred thousand rows take a tenth of a second.
    SendMessageW(m_handle, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(m_handle, -1, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageW(m_handle, WM_SETREDRAW, m_redraw, 0);
    InvalidateRect(m_handle, nullptr, TRUE);
}

namespace
{

// The Windows clipboard's text ends its lines in CRLF; no copied line holds a line end of its own.
std::string withCrlf(const std::string &text)
{
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

} // namespace

std::string Grid::selectedRowsText() const
{
    return withCrlf(quorrix::rowsText(*this, selectedRows()));
}

std::string Grid::selectedPathsText() const
{
    return withCrlf(quorrix::pathsText(m_folder, *this, selectedRows()));
}

void Grid::copySelectedRows() const
{
    copyText(selectedRowsText());
}

void Grid::copyText(const std::string &text) const
{
    if (text.empty())
        return;
    const std::wstring wide = quorrix::win32::toWide(text);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (!memory)
        return;
    if (void *data = GlobalLock(memory)) {
        std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, static_cast<wchar_t *>(data));
        GlobalUnlock(memory);
    }
    if (OpenClipboard(m_handle)) {
        EmptyClipboard();
        if (SetClipboardData(CF_UNICODETEXT, memory))
            memory = nullptr; // the clipboard owns it now
        CloseClipboard();
    }
    if (memory)
        GlobalFree(memory);
}

LRESULT Grid::notify(NMHDR *header)
{
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        LVITEMW &item = reinterpret_cast<NMLVDISPINFOW *>(header)->item;
        if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0 || item.iItem < 0)
            break;
        const auto row = static_cast<std::size_t>(item.iItem) + 1;
        if (row > m_rows)
            break;
        m_buffer = item.iSubItem == 0 ? std::to_wstring(row) : quorrix::win32::toWide(shownText(item.iSubItem, row));
        // The list view shows at most cchTextMax - 1 characters of a cell; the tooltip shows more.
        item.pszText = m_buffer.data();
        break;
    }
    case LVN_KEYDOWN: {
        const auto *key = reinterpret_cast<NMLVKEYDOWN *>(header);
        if (GetKeyState(VK_CONTROL) < 0 && key->wVKey == 'A')
            selectAll();
        else if (GetKeyState(VK_CONTROL) < 0 && key->wVKey == 'C' && GetKeyState(VK_SHIFT) < 0)
            copyText(selectedPathsText());
        else if (GetKeyState(VK_CONTROL) < 0 && key->wVKey == 'C')
            copySelectedRows();
        break;
    }
    default:
        break;
    }
    return 0;
}
