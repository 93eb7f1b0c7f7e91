#include "Grid.h"

#include "FailureText.h"
#include "win32/WideText.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace
{

// The user's thousands separator, UTF-8, read once; "," where the system gives none.
const std::string &thousandsSeparator()
{
    static const std::string separator = [] {
        wchar_t buffer[8] = {};
        if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, buffer, 8) <= 0)
            return std::string(",");
        return quorrix::win32::toUtf8(buffer);
    }();
    return separator;
}

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

    // The notice over the table while a long fill runs, painted by noticeProc.
    m_progress = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER, 0, 0, 0, 0, parent, nullptr,
        GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(m_progress, noticeProc, 0, reinterpret_cast<DWORD_PTR>(this));

    // The list view's own answer to a double click on a title's edge measures only the rows it has drawn; the
    // table answers it before the list view sees it.
    SetWindowSubclass(m_handle, subclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

Grid::~Grid()
{
    if (IsWindow(m_handle))
        RemoveWindowSubclass(m_handle, subclassProc, 0);
    if (IsWindow(m_progress))
        RemoveWindowSubclass(m_progress, noticeProc, 0);
}

LRESULT CALLBACK Grid::subclassProc(
    HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR self)
{
    auto *grid = reinterpret_cast<Grid *>(self);
    if (message == WM_NOTIFY) {
        const auto *header = reinterpret_cast<const NMHEADERW *>(lParam);
        if (header->hdr.hwndFrom == ListView_GetHeader(window)
            && (header->hdr.code == HDN_DIVIDERDBLCLICKW || header->hdr.code == HDN_DIVIDERDBLCLICKA)
            && header->iItem >= 1 && header->iItem <= grid->columns()) {
            const int column = header->iItem;
            grid->guarded(quorrix::Caption::CannotFitColumns, [&] { grid->fitColumn(column); });
            return 0;
        }
        // A width the header takes while the table is not setting its own is the user's: a drag of a title's edge.
        if (header->hdr.hwndFrom == ListView_GetHeader(window)
            && (header->hdr.code == HDN_ITEMCHANGEDW || header->hdr.code == HDN_ITEMCHANGEDA) && !grid->m_applying
            && header->pitem && (header->pitem->mask & HDI_WIDTH) && header->pitem->cxy >= 0 && header->iItem >= 1
            && header->iItem <= grid->columns()) {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            grid->setUserWidth(header->iItem, static_cast<double>(header->pitem->cxy) / grid->m_characterWidth);
            return result;
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
    m_tipText.clear();
    const auto [item, column] = cellUnderPointer();
    if (item < 0 || static_cast<std::size_t>(item) >= rows() || column > columns())
        return m_tipText.c_str();
    std::wstring text = quorrix::win32::toWide(shownText(column, dataRow(item)));
    if (quorrix::showsTip(ListView_GetStringWidth(m_handle, text.c_str()),
            ListView_GetColumnWidth(m_handle, column) - 2 * textMargin()))
        m_tipText = std::move(text);
    return m_tipText.c_str();
}

void Grid::showProgress(std::size_t rows, std::size_t total)
{
    // Repainting is off for the list view, so the notice lies over it as a sibling, painted here and now: the
    // fill holds the message loop until it ends.
    SetWindowTextW(m_progress, quorrix::win32::toWide(quorrix::progressText(rows, total, thousandsSeparator())).c_str());
    RECT place = {};
    GetWindowRect(m_handle, &place);
    MapWindowPoints(nullptr, GetParent(m_handle), reinterpret_cast<POINT *>(&place), 2);
    SetWindowPos(m_progress, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top,
        SWP_SHOWWINDOW | SWP_NOACTIVATE);
    RedrawWindow(m_progress, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT CALLBACK Grid::noticeProc(
    HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR self)
{
    if (message == WM_PAINT) {
        reinterpret_cast<Grid *>(self)->paintNotice(window);
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, noticeProc, 0);
    return DefSubclassProc(window, message, wParam, lParam);
}

void Grid::paintNotice(HWND notice)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(notice, &paint);
    RECT area = {};
    GetClientRect(notice, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    wchar_t text[256] = {};
    GetWindowTextW(notice, text, static_cast<int>(std::size(text)));
    const int saved = SaveDC(dc);
    // The table's font: with the window's, digits next to Japanese text fall back to another face.
    if (m_font)
        SelectObject(dc, m_font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    // Its lines centred in the table's area.
    RECT lines = area;
    DrawTextW(dc, text, -1, &lines, DT_CENTER | DT_NOPREFIX | DT_CALCRECT);
    const int height = lines.bottom - lines.top;
    lines = { area.left, area.top + (area.bottom - area.top - height) / 2, area.right, area.bottom };
    DrawTextW(dc, text, -1, &lines, DT_CENTER | DT_NOPREFIX);
    RestoreDC(dc, saved);
    EndPaint(notice, &paint);
}

void Grid::report(const std::string &message) const
{
    if (m_report) {
        m_report(message);
        return;
    }
    const std::wstring text = quorrix::win32::toWide(message);
    wchar_t title[128] = {};
    GetWindowTextW(GetAncestor(m_handle, GA_ROOT), title, static_cast<int>(std::size(title)));
    MessageBoxW(GetAncestor(m_handle, GA_ROOT), text.c_str(), title, MB_OK | MB_ICONWARNING);
}

void Grid::guarded(std::string_view caption, const std::function<void()> &action) const
{
    quorrix::runGuarded(caption, [this](const std::string &message) { report(message); }, action);
}

void Grid::changed(Change change, int column, std::size_t row)
{
    switch (change) {
    case Change::TableAboutToChange:
        break;
    case Change::TableChanged:
        showColumns();
        // The list view counts rows in an int; the table has no more.
        ListView_SetItemCountEx(m_handle, static_cast<int>(rows()), LVSICF_NOSCROLL);
        if (m_redraw)
            InvalidateRect(m_handle, nullptr, TRUE);
        break;
    case Change::Cell:
        if (row == 0)
            showColumns();
        else if (m_redraw)
            InvalidateRect(m_handle, nullptr, FALSE);
        break;
    case Change::ColumnWidth:
        if (column <= m_shownColumns) {
            const Applying applying(m_applying);
            const int width = columnPixels(column);
            if (ListView_GetColumnWidth(m_handle, column) != width)
                ListView_SetColumnWidth(m_handle, column, width);
        }
        break;
    case Change::Alignment:
        showColumns();
        break;
    case Change::ReadOnly:
        // The list view never edits its cells (no LVS_EDITLABELS).
        break;
    case Change::RedrawOff:
    case Change::RedrawOn:
        m_redraw = change == Change::RedrawOn;
        SendMessageW(m_handle, WM_SETREDRAW, m_redraw, 0);
        if (m_redraw) {
            ShowWindow(m_progress, SW_HIDE);
            InvalidateRect(m_handle, nullptr, TRUE);
        }
        break;
    }
}

void Grid::showColumns()
{
    // The table's own widths are not the user's (see subclassProc).
    const Applying applying(m_applying);
    while (m_shownColumns > columns())
        ListView_DeleteColumn(m_handle, m_shownColumns--);
    while (m_shownColumns < columns()) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.pszText = const_cast<wchar_t *>(L"");
        ListView_InsertColumn(m_handle, ++m_shownColumns, &column);
    }
    for (int column = 1; column <= columns(); ++column) {
        const std::wstring title = quorrix::win32::toWide(shownText(column, 0));
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT | LVCF_FMT;
        header.pszText = const_cast<wchar_t *>(title.c_str());
        switch (alignment(column)) {
        case Alignment::Left:
            header.fmt = LVCFMT_LEFT;
            break;
        case Alignment::Right:
            header.fmt = LVCFMT_RIGHT;
            break;
        case Alignment::Centre:
            header.fmt = LVCFMT_CENTER;
            break;
        }
        ListView_SetColumn(m_handle, column, &header);
        ListView_SetColumnWidth(m_handle, column, columnPixels(column));
    }
    // The column's format holds the sort arrow too.
    showSortArrow();
}

int Grid::columnPixels(int column) const
{
    const std::wstring title = quorrix::win32::toWide(shownText(column, 0));
    return widthPixels(column, m_characterWidth, ListView_GetStringWidth(m_handle, title.c_str()), 2 * textMargin());
}

void Grid::sortBy(int column, bool descending)
{
    // The selection and the focus belong to the list view's items; they move with their rows. All that the new
    // order needs is made before anything changes.
    const std::vector<std::size_t> selected = selectedRows();
    const int focus = ListView_GetNextItem(m_handle, -1, LVNI_FOCUSED);
    const std::size_t focusRow = focus >= 0 ? dataRow(focus) : 0;
    Order order = makeOrder(column, descending);
    const Order item = positions(order, rows());
    setOrder(column, descending, std::move(order));
    showSortArrow();

    SendMessageW(m_handle, WM_SETREDRAW, FALSE, 0);
    if (selected.size() < rows()) {
        ListView_SetItemState(m_handle, -1, 0, LVIS_SELECTED);
        for (const std::size_t row : selected)
            ListView_SetItemState(m_handle, static_cast<int>(item[row - 1]), LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focusRow != 0) {
        ListView_SetItemState(m_handle, static_cast<int>(item[focusRow - 1]), LVIS_FOCUSED, LVIS_FOCUSED);
        ListView_SetSelectionMark(m_handle, static_cast<int>(item[focusRow - 1]));
    }
    SendMessageW(m_handle, WM_SETREDRAW, m_redraw, 0);
    InvalidateRect(m_handle, nullptr, TRUE);
}

void Grid::showSortArrow()
{
    const Applying applying(m_applying);
    const HWND header = ListView_GetHeader(m_handle);
    for (int column = 1; column <= m_shownColumns; ++column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        if (!Header_GetItem(header, column, &item))
            continue;
        int arrow = 0;
        if (TableModel::arrow(column) == Arrow::Up)
            arrow = HDF_SORTUP;
        else if (TableModel::arrow(column) == Arrow::Down)
            arrow = HDF_SORTDOWN;
        const int format = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | arrow;
        if (format != item.fmt) {
            item.fmt = format;
            Header_SetItem(header, column, &item);
        }
    }
}

int Grid::fitWidth(int column) const
{
    HDC dc = GetDC(m_handle);
    const HGDIOBJ old = SelectObject(dc, m_font ? static_cast<HGDIOBJ>(m_font) : GetStockObject(DEFAULT_GUI_FONT));
    // The arrow lies beside the title, in about as much room as the text is high.
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    int width = 0;
    try {
        width = fitPixels(
            column,
            [dc](const std::string &text) {
                const std::wstring wide = quorrix::win32::toWide(text);
                SIZE size = {};
                GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
                return static_cast<int>(size.cx);
            },
            static_cast<int>(metrics.tmHeight), 0);
    } catch (...) {
        SelectObject(dc, old);
        ReleaseDC(m_handle, dc);
        throw;
    }
    SelectObject(dc, old);
    ReleaseDC(m_handle, dc);
    return width;
}

void Grid::fitColumn(int column)
{
    setUserWidth(column, static_cast<double>(fitWidth(column) + 2 * textMargin()) / m_characterWidth);
}

void Grid::fitColumns()
{
    // Every width is measured before any is set: a failure leaves the columns as they were.
    std::vector<int> widths;
    for (int column = 1; column <= columns(); ++column)
        widths.push_back(fitWidth(column));
    for (int column = 1; column <= columns(); ++column)
        setUserWidth(column,
            static_cast<double>(widths[static_cast<std::size_t>(column - 1)] + 2 * textMargin()) / m_characterWidth);
}

std::vector<Grid::Run> Grid::nameRuns(int item) const
{
    constexpr int NameColumn = quorrix::gridColumn(quorrix::Column::Name);
    if (item < 0 || static_cast<std::size_t>(item) >= rows() || columns() < NameColumn)
        return {};
    const std::size_t row = dataRow(item);
    const std::vector<quorrix::TextMark> found = marks(NameColumn, row);
    if (found.empty())
        return {};
    const std::string shown = shownText(NameColumn, row);
    const auto text = [&](std::size_t start, std::size_t length) {
        return quorrix::win32::toWide(std::string_view(shown).substr(start, length));
    };
    std::vector<Run> runs;
    std::size_t at = 0;
    for (const quorrix::TextMark &mark : found) {
        if (mark.start > at)
            runs.push_back({ text(at, mark.start - at), std::nullopt });
        runs.push_back({ text(mark.start, mark.length), mark.kind });
        at = mark.start + mark.length;
    }
    if (at < shown.size())
        runs.push_back({ text(at, shown.size() - at), std::nullopt });
    return runs;
}

LRESULT Grid::customDraw(NMLVCUSTOMDRAW &draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (draw.iSubItem == quorrix::gridColumn(quorrix::Column::Name) && drawName(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec)))
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
    if (!ListView_GetSubItemRect(m_handle, item, quorrix::gridColumn(quorrix::Column::Name), LVIR_BOUNDS, &cell))
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

    // The marks in the colours of quorrix::markStyle; a blank's frame in the text's colour in a selected row.
    const auto colour = [](quorrix::Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); };
    const quorrix::Rgb frameColour = *quorrix::markStyle(quorrix::TextMark::Kind::Blank).frame;
    HPEN framePen = CreatePen(PS_SOLID, 1, selected ? ink : colour(frameColour));
    int x = cell.left + textMargin();
    for (const Run &run : runs) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, run.text.c_str(), static_cast<int>(run.text.size()), &size);
        const quorrix::MarkStyle look = run.mark ? quorrix::markStyle(*run.mark) : quorrix::MarkStyle {};
        const COLORREF runInk = look.ink ? colour(*look.ink) : ink;
        const COLORREF runGround = look.ground ? colour(*look.ground) : ground;
        SetTextColor(dc, runInk);
        SetBkColor(dc, runGround);
        // As the list view draws its texts: the system's text layout places the accents written apart.
        RECT box = { x, top, cell.right, cell.bottom };
        DrawTextW(
            dc, run.text.c_str(), static_cast<int>(run.text.size()), &box, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        if (look.frame) {
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
    const std::wstring text = quorrix::win32::toWide(emptyText());
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
    {
        const Applying applying(m_applying);
        ListView_SetColumnWidth(m_handle, 0, number.cx + MulDiv(12, m_dpi, 96));
    }
    showColumns();
}

std::vector<std::size_t> Grid::selectedRows() const
{
    std::vector<std::size_t> selected;
    for (int item = ListView_GetNextItem(m_handle, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(m_handle, item, LVNI_SELECTED))
        selected.push_back(dataRow(item));
    return selected;
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
    return withCrlf(rowsText(selectedRows()));
}

std::string Grid::selectedPathsText() const
{
    return withCrlf(pathsText(selectedRows()));
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
        if (static_cast<std::size_t>(item.iItem) >= rows())
            break;
        // The row numbers count the rows as shown.
        m_buffer = item.iSubItem == 0 ? std::to_wstring(item.iItem + 1)
                                      : quorrix::win32::toWide(shownText(item.iSubItem, dataRow(item.iItem)));
        // The list view shows at most cchTextMax - 1 characters of a cell; the tooltip shows more.
        item.pszText = m_buffer.data();
        break;
    }
    case LVN_COLUMNCLICK: {
        // A first click orders from the smallest up, a second on the same title reverses.
        const int column = reinterpret_cast<NMLISTVIEW *>(header)->iSubItem;
        if (column >= 1 && column <= columns())
            guarded(quorrix::Caption::CannotOrder, [&] { sortBy(column, clickDescends(column)); });
        break;
    }
    case NM_CUSTOMDRAW:
        return customDraw(*reinterpret_cast<NMLVCUSTOMDRAW *>(header));
    default:
        break;
    }
    return 0;
}
