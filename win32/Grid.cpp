#include "Grid.h"

#include "DisplayText.h"
#include "win32/WideText.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace
{

constexpr int NameColumn = quorrix::gridColumn(quorrix::Column::Name);

} // namespace

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

    // The list view's own answer to a double click on a title's edge measures only the rows it has drawn; the
    // table answers it before the list view sees it.
    SetWindowSubclass(m_handle, subclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

Grid::~Grid()
{
    if (IsWindow(m_handle))
        RemoveWindowSubclass(m_handle, subclassProc, 0);
}

LRESULT CALLBACK Grid::subclassProc(
    HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR self)
{
    auto *grid = reinterpret_cast<Grid *>(self);
    if (message == WM_NOTIFY) {
        const auto *header = reinterpret_cast<const NMHEADERW *>(lParam);
        if (header->hdr.hwndFrom == ListView_GetHeader(window)
            && (header->hdr.code == HDN_DIVIDERDBLCLICKW || header->hdr.code == HDN_DIVIDERDBLCLICKA)
            && header->iItem >= 1 && header->iItem <= grid->m_columns) {
            grid->fitColumn(header->iItem);
            return 0;
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, subclassProc, 0);
    }
    return DefSubclassProc(window, message, wParam, lParam);
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
    std::wstring text = quorrix::win32::toWide(shownText(column, dataRow(item)));
    if (ListView_GetStringWidth(m_handle, text.c_str()) + 2 * textMargin() > ListView_GetColumnWidth(m_handle, column))
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
    // The end of a fill: the rows take the order chosen.
    if (on && m_orderStale)
        applyOrder();
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
        column.cx = 10 * m_characterWidth + 2 * textMargin();
        column.pszText = const_cast<wchar_t *>(L"");
        ListView_InsertColumn(m_handle, m_columns, &column);
    }
    m_widths.resize(static_cast<std::size_t>(columns), 10.0);
    m_maxTextLengths.resize(static_cast<std::size_t>(columns), 0);
    m_values.resize(static_cast<std::size_t>(columns));
    if (m_sortColumn > columns) {
        m_sortColumn = 0;
        m_descending = false;
        m_order.clear();
    }
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
        for (quorrix::ColumnValues &values : m_values)
            values = {};
    } else {
        m_cells.resize((rows + 1) * columns);
        for (quorrix::ColumnValues &values : m_values)
            values.resize(rows);
    }
    m_rows = rows;
    // Until the order is made again, the rows show as written.
    m_order.clear();
    m_orderStale = true;
    if (m_redraw)
        applyOrder();
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
    if (row != 0) {
        m_orderStale = true;
    } else {
        const std::wstring title = quorrix::win32::toWide(shownText(column, 0));
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT;
        header.pszText = const_cast<wchar_t *>(title.c_str());
        ListView_SetColumn(m_handle, column, &header);
        ListView_SetColumnWidth(m_handle, column, columnPixels(column));
    }
}

void Grid::setColumnWidth(int column, double characters)
{
    if (column < 1 || column > m_columns)
        throw std::out_of_range("no such column in the table");
    if (!(characters >= 0.0))
        throw std::invalid_argument("column width must not be negative");
    m_widths[static_cast<std::size_t>(column - 1)] = characters;
    ListView_SetColumnWidth(m_handle, column, columnPixels(column));
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
        // The column's format holds the sort arrow too.
        showSortArrow();
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

void Grid::setCellValue(int column, std::size_t row, quorrix::CellValue value)
{
    static_cast<void>(cellIndex(column, row)); // throws outside the table
    if (row == 0)
        throw std::out_of_range("the title row orders nothing");
    m_values[static_cast<std::size_t>(column - 1)].set(row - 1, m_rows, value);
    m_orderStale = true;
}

std::optional<quorrix::CellValue> Grid::cellValue(int column, std::size_t row) const
{
    static_cast<void>(cellIndex(column, row)); // throws outside the table
    if (row == 0)
        return std::nullopt;
    return m_values[static_cast<std::size_t>(column - 1)].get(row - 1);
}

std::size_t Grid::dataRow(int item) const
{
    const auto index = static_cast<std::size_t>(item);
    return (index < m_order.size() ? m_order[index] : index) + 1;
}

void Grid::applyOrder()
{
    m_orderStale = false;
    m_order.clear();
    if (m_sortColumn < 1 || m_sortColumn > m_columns || m_rows == 0)
        return;
    const std::vector<std::size_t> rows = quorrix::orderedRows(*this, m_sortColumn, m_descending);
    m_order.reserve(rows.size());
    for (const std::size_t row : rows)
        m_order.push_back(static_cast<std::uint32_t>(row - 1));
}

void Grid::sortBy(int column, bool descending)
{
    if (column < 0 || column > m_columns)
        throw std::out_of_range("no such column in the table");
    // The selection and the focus belong to the list view's items; they move with their rows.
    const std::vector<std::size_t> selected = selectedRows();
    const int focus = ListView_GetNextItem(m_handle, -1, LVNI_FOCUSED);
    const std::size_t focusRow = focus >= 0 ? dataRow(focus) : 0;

    m_sortColumn = column;
    m_descending = descending;
    applyOrder();
    showSortArrow();

    std::vector<int> item(m_rows);
    for (std::size_t i = 0; i < m_rows; ++i)
        item[dataRow(static_cast<int>(i)) - 1] = static_cast<int>(i);
    SendMessageW(m_handle, WM_SETREDRAW, FALSE, 0);
    if (selected.size() < m_rows) {
        ListView_SetItemState(m_handle, -1, 0, LVIS_SELECTED);
        for (const std::size_t row : selected)
            ListView_SetItemState(m_handle, item[row - 1], LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focusRow != 0) {
        ListView_SetItemState(m_handle, item[focusRow - 1], LVIS_FOCUSED, LVIS_FOCUSED);
        ListView_SetSelectionMark(m_handle, item[focusRow - 1]);
    }
    SendMessageW(m_handle, WM_SETREDRAW, m_redraw, 0);
    InvalidateRect(m_handle, nullptr, TRUE);
}

void Grid::showSortArrow()
{
    const HWND header = ListView_GetHeader(m_handle);
    for (int column = 1; column <= m_columns; ++column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        if (!Header_GetItem(header, column, &item))
            continue;
        int arrow = 0;
        if (column == m_sortColumn)
            arrow = m_descending ? HDF_SORTDOWN : HDF_SORTUP;
        const int format = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | arrow;
        if (format != item.fmt) {
            item.fmt = format;
            Header_SetItem(header, column, &item);
        }
    }
}

void Grid::fitColumn(int column)
{
    if (column < 1 || column > m_columns)
        throw std::out_of_range("no such column in the table");
    HDC dc = GetDC(m_handle);
    const HGDIOBJ old = SelectObject(dc, m_font ? static_cast<HGDIOBJ>(m_font) : GetStockObject(DEFAULT_GUI_FONT));
    const auto width = [&](const std::string &text) {
        const std::wstring wide = quorrix::win32::toWide(text);
        SIZE size = {};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    // Measuring every text of a million rows would take seconds; the texts widest in characters of this
    // monospaced font are the widest in pixels but for small differences, so only those few are measured.
    int widest = 0;
    for (const std::size_t row : quorrix::widestRows(*this, column, 16))
        widest = std::max(widest, width(shownText(column, row)));
    // The title, with room beside it for the sort arrow, about as wide as the text is high.
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    widest = std::max(widest, width(shownText(column, 0)) + static_cast<int>(metrics.tmHeight));
    SelectObject(dc, old);
    ReleaseDC(m_handle, dc);

    m_widths[static_cast<std::size_t>(column - 1)] = static_cast<double>(widest) / m_characterWidth;
    ListView_SetColumnWidth(m_handle, column, widest + 2 * textMargin());
}

void Grid::fitColumns()
{
    for (int column = 1; column <= m_columns; ++column)
        fitColumn(column);
}

std::vector<Grid::Run> Grid::nameRuns(int item) const
{
    if (item < 0 || static_cast<std::size_t>(item) >= m_rows || m_columns < NameColumn)
        return {};
    const std::size_t row = dataRow(item);
    if (!isEscaped(NameColumn, row))
        return {};
    const std::string shown = shownText(NameColumn, row);
    const std::vector<quorrix::TextMark> marks = quorrix::textMarks(shown);
    if (marks.empty())
        return {};
    const auto text = [&](std::size_t start, std::size_t length) {
        return quorrix::win32::toWide(std::string_view(shown).substr(start, length));
    };
    std::vector<Run> runs;
    std::size_t at = 0;
    for (const quorrix::TextMark &mark : marks) {
        if (mark.start > at)
            runs.push_back({ text(at, mark.start - at), std::nullopt });
        runs.push_back({ text(mark.start, mark.length), mark.kind });
        at = mark.start + mark.length;
    }
    if (at < shown.size())
        runs.push_back({ text(at, shown.size() - at), std::nullopt });
    return runs;
}

std::wstring Grid::emptyText() const
{
    if (m_columns == 0 || m_rows > 0)
        return {};
    return quorrix::win32::toWide(quorrix::NoFilesText);
}

LRESULT Grid::customDraw(NMLVCUSTOMDRAW &draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (draw.iSubItem == NameColumn && drawName(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec)))
            return CDRF_SKIPDEFAULT;
        return CDRF_DODEFAULT;
    case CDDS_POSTPAINT:
        drawEmptyText(draw.nmcd.hdc);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

bool Grid::drawName(HDC dc, int item)
{
    const std::vector<Run> runs = nameRuns(item);
    if (runs.empty())
        return false;
    RECT cell = {};
    if (!ListView_GetSubItemRect(m_handle, item, NameColumn, LVIR_BOUNDS, &cell))
        return false;
    // The grid line below the row is not the cell's.
    cell.bottom -= 1;

    // The colours the list view gives a row: the selection's while it is selected, the window's otherwise.
    const bool selected = ListView_GetItemState(m_handle, item, LVIS_SELECTED) != 0;
    const bool focused = GetFocus() == m_handle;
    COLORREF ground = GetSysColor(COLOR_WINDOW);
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    if (selected && focused) {
        ground = GetSysColor(COLOR_HIGHLIGHT);
        ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (selected) {
        ground = GetSysColor(COLOR_BTNFACE);
        ink = GetSysColor(COLOR_BTNTEXT);
    }

    const int saved = SaveDC(dc);
    if (m_font)
        SelectObject(dc, m_font);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ground);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);
    IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    const int top = cell.top + (cell.bottom - cell.top - metrics.tmHeight) / 2;

    // Escapes in a colour of their own on a tinted ground, so that "\n" cannot be read as a yen sign and an "n",
    // which the Japanese font draws "\" as; letters written with separate accents on another tint; each marked
    // blank in a frame open at the top. The marks keep their colours in a selected row.
    HPEN framePen = CreatePen(PS_SOLID, 1, selected ? ink : RGB(200, 0, 0));
    int x = cell.left + textMargin();
    for (const Run &run : runs) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, run.text.c_str(), static_cast<int>(run.text.size()), &size);
        COLORREF runInk = ink;
        COLORREF runGround = ground;
        if (run.mark == quorrix::TextMark::Kind::Escape) {
            runInk = RGB(160, 0, 0);
            runGround = RGB(255, 228, 150);
        } else if (run.mark == quorrix::TextMark::Kind::Composed) {
            runInk = RGB(0, 0, 0);
            runGround = RGB(190, 225, 255);
        }
        SetTextColor(dc, runInk);
        SetBkColor(dc, runGround);
        // As the list view draws its texts: the system's text layout places the accents written apart.
        RECT box = { x, top, cell.right, cell.bottom };
        DrawTextW(
            dc, run.text.c_str(), static_cast<int>(run.text.size()), &box, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        if (run.mark == quorrix::TextMark::Kind::Blank) {
            const int bottom = top + metrics.tmAscent + 1;
            const int frameTop = bottom - metrics.tmAscent / 3;
            const POINT frame[] = { { x + 1, frameTop }, { x + 1, bottom }, { x + size.cx - 2, bottom },
                { x + size.cx - 2, frameTop - 1 } };
            const HGDIOBJ oldPen = SelectObject(dc, framePen);
            Polyline(dc, frame, static_cast<int>(std::size(frame)));
            SelectObject(dc, oldPen);
        }
        x += size.cx;
        if (x >= cell.right)
            break;
    }
    RestoreDC(dc, saved);
    DeleteObject(framePen);
    return true;
}

void Grid::drawEmptyText(HDC dc)
{
    const std::wstring text = emptyText();
    if (text.empty())
        return;
    // Centred in the rows' area, below the titles.
    RECT area = {};
    GetClientRect(m_handle, &area);
    RECT header = {};
    GetWindowRect(ListView_GetHeader(m_handle), &header);
    area.top += header.bottom - header.top;
    const int saved = SaveDC(dc);
    if (m_font)
        SelectObject(dc, m_font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(
        dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RestoreDC(dc, saved);
}

void Grid::setMetrics(HFONT font, UINT dpi)
{
    m_dpi = static_cast<int>(dpi);
    m_font = font;
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

int Grid::columnPixels(int column) const
{
    const std::wstring title = quorrix::win32::toWide(shownText(column, 0));
    return quorrix::columnPixels(m_widths[static_cast<std::size_t>(column - 1)], m_characterWidth,
        ListView_GetStringWidth(m_handle, title.c_str()), 2 * textMargin());
}

void Grid::applyColumnWidths()
{
    for (int column = 1; column <= m_columns; ++column)
        ListView_SetColumnWidth(m_handle, column, columnPixels(column));
}

std::vector<std::size_t> Grid::selectedRows() const
{
    std::vector<std::size_t> rows;
    for (int item = ListView_GetNextItem(m_handle, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(m_handle, item, LVNI_SELECTED))
        rows.push_back(dataRow(item));
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
        if (static_cast<std::size_t>(item.iItem) >= m_rows)
            break;
        // The row numbers count the rows as shown.
        m_buffer = item.iSubItem == 0 ? std::to_wstring(item.iItem + 1)
                                      : quorrix::win32::toWide(shownText(item.iSubItem, dataRow(item.iItem)));
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
        // Ctrl with the plus of the main keys (often a shifted key) or of the keypad.
        else if (GetKeyState(VK_CONTROL) < 0 && (key->wVKey == VK_OEM_PLUS || key->wVKey == VK_ADD))
            fitColumns();
        break;
    }
    case LVN_COLUMNCLICK: {
        // A first click orders from the smallest up, a second on the same title reverses.
        const int column = reinterpret_cast<NMLISTVIEW *>(header)->iSubItem;
        if (column >= 1 && column <= m_columns)
            sortBy(column, column == m_sortColumn && !m_descending);
        break;
    }
    case NM_CUSTOMDRAW:
        return customDraw(*reinterpret_cast<NMLVCUSTOMDRAW *>(header));
    default:
        break;
    }
    return 0;
}
