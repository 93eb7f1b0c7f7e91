// The Windows window, in-process under Wine: its frame, the controls' places and tab order, the table, F5 from
// each control, copying, ordering, fitting and marks in the table, a folder that cannot be shown, the progress
// notice, table actions without memory, what a screen reader reads of the controls, and a change of DPI.
#include "AllocationFailure.h"
#include "Path.h"
#include "TestSupport.h"
#include "f_FILE.h"
#include "win32/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <commctrl.h>
#include <cstdlib>
#include <map>
#include <oleacc.h>
#include <sstream>
#include <utility>
#include <windows.h>

using quorrix::test::TempDir;
using quorrix::win32::toUtf8;
using quorrix::win32::toWide;

namespace
{

void setKey(BYTE key, bool down);

// Sets a file's three times to `ticks` (100 ns since 1601).
void setTimes(const std::string &path, ULONGLONG ticks)
{
    const HANDLE handle = CreateFileW(toWide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME time { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    EXPECT_TRUE(SetFileTime(handle, &time, &time, &time)) << path;
    CloseHandle(handle);
}

// Clicks the title of `column` (from 1) of the list view `grid`.
void clickTitle(HWND grid, int column)
{
    const HWND header = ListView_GetHeader(grid);
    RECT title;
    Header_GetItemRect(header, column, &title);
    const LPARAM at = MAKELPARAM((title.left + title.right) / 2, (title.top + title.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
}

// The window with its failures collected instead of shown.
struct Window {
    explicit Window(std::string_view commandLine)
        : window(commandLine, [this](const std::string &text) { reports.push_back(text); })
    {
        ShowWindow(window.handle(), SW_SHOWNORMAL);
    }
    // Runs the thread's waiting messages through the window, as the program's loop does.
    void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!window.preTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    std::vector<std::string> column(int column)
    {
        std::vector<std::string> cells;
        for (std::size_t row = 1; row <= window.grd1().rows(); ++row)
            cells.push_back(window.grd1().shownText(column, row));
        return cells;
    }
    // The column's cells as the list view shows them, top to bottom.
    std::vector<std::string> shown(int column)
    {
        std::vector<std::string> cells;
        const HWND grid = window.grd1().handle();
        for (int item = 0; item < ListView_GetItemCount(grid); ++item) {
            wchar_t text[300] = {};
            ListView_GetItemText(grid, item, column, text, 300);
            cells.push_back(toUtf8(text));
        }
        return cells;
    }
    // `key` with Ctrl, in the table.
    void pressWithCtrl(WPARAM key)
    {
        setKey(VK_CONTROL, true);
        PostMessageW(window.grd1().handle(), WM_KEYDOWN, key, 1);
        pump();
        setKey(VK_CONTROL, false);
    }

    std::vector<std::string> reports;
    f_FILE window;
};

RECT placeOf(HWND control, HWND window)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

std::string clipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = toUtf8(static_cast<const wchar_t *>(GlobalLock(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void setKey(BYTE key, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

void setControlKey(bool down)
{
    setKey(VK_CONTROL, down);
}

} // namespace

TEST(Win32Window, FrameControlsAndTableAsLaidOut)
{
    const TempDir dir;
    Window w(dir.path());
    const HWND window = w.window.handle();
    const auto pixels = [&](int twips) { return MulDiv(twips, static_cast<int>(w.window.dpi()), 1440); };

    wchar_t title[64];
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(toUtf8(title), "Mirelda Ver1.10");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, pixels(10350));
    EXPECT_EQ(client.bottom, pixels(5325));
    const auto style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0);

    const struct {
        HWND control;
        int left, top, width, height;
    } places[] = {
        { w.window.drive1().handle(), 120, 120, 1815, 300 },
        { w.window.dir1().handle(), 2040, 120, 8175, 1140 },
        { w.window.grd1().handle(), 120, 1440, 10095, 3850 },
    };
    for (const auto &place : places) {
        const RECT rect = placeOf(place.control, window);
        EXPECT_EQ(rect.left, pixels(place.left));
        EXPECT_EQ(rect.top, pixels(place.top));
        EXPECT_EQ(rect.right - rect.left, pixels(place.width));
        EXPECT_EQ(rect.bottom - rect.top, pixels(place.height));
    }
    // Tab goes round the three shown controls in their order.
    for (std::size_t i = 0; i < std::size(places); ++i)
        EXPECT_EQ(GetNextDlgTabItem(window, places[i].control, FALSE), places[(i + 1) % std::size(places)].control);

    const struct {
        const char *title;
        double width;
    } columns[] = { { "ファイル名", 20 }, { "属性", 5 }, { "作成日時", 13 }, { "アクセス日時", 13 }, { "更新日時", 13 },
        { "ファイルサイズ", 13.2 } };
    const HWND grid = w.window.grd1().handle();
    for (int column = 1; column <= 6; ++column) {
        wchar_t text[64] = {};
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT;
        header.pszText = text;
        header.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(grid, column, &header));
        EXPECT_EQ(toUtf8(text), columns[column - 1].title);
        // The width in characters is the text's, and at least the title's; the list view's margins come on top.
        const int margins = MulDiv(12, static_cast<int>(w.window.dpi()), 96);
        const int width = ListView_GetColumnWidth(grid, column);
        EXPECT_GE(width, std::lround(columns[column - 1].width * w.window.grd1().characterWidth()) + margins);
        EXPECT_LE(ListView_GetStringWidth(grid, text) + margins, width) << columns[column - 1].title;
    }
    EXPECT_TRUE(w.reports.empty());
}

TEST(Win32Window, StartsOnAFilesFolderAndF5FromEachControlRereads)
{
    const TempDir dir;
    dir.folder("sub");
    const std::string start = dir.file("b.txt");
    dir.file("a.txt");
    Window w(start);
    EXPECT_EQ(w.window.dir1().path(), dir.path());
    EXPECT_EQ(w.column(1), (std::vector<std::string> { "a.txt", "b.txt" }));

    // F5 with or without Alt, whichever control the key goes to.
    const struct {
        HWND control;
        UINT message;
    } presses[] = { { w.window.drive1().handle(), WM_KEYDOWN }, { w.window.dir1().handle(), WM_SYSKEYDOWN },
        { w.window.grd1().handle(), WM_KEYDOWN } };
    std::vector<std::string> names = w.column(1);
    for (const auto &press : presses) {
        names.push_back("c" + std::to_string(names.size()) + ".txt");
        dir.file(names.back());
        PostMessageW(press.control, press.message, VK_F5, 1);
        w.pump();
        EXPECT_EQ(w.column(1), names);
    }
    EXPECT_EQ(w.window.dir1().path(), dir.path());
    EXPECT_TRUE(w.reports.empty());
}

TEST(Win32Window, CtrlACtrlCCopyEveryFileWithItsMarkAndSize)
{
    const TempDir dir;
    dir.file("a.txt", 0);
    dir.file("b.txt", 1536);
    Window w(dir.path());
    const HWND grid = w.window.grd1().handle();
    setControlKey(true);
    PostMessageW(grid, WM_KEYDOWN, 'A', 1);
    PostMessageW(grid, WM_KEYDOWN, 'C', 1);
    w.pump();
    setControlKey(false);

    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(clipboardText());
    for (std::string line; std::getline(lines, line, '\n');) {
        ASSERT_TRUE(line.ends_with('\r')) << line;
        line.pop_back();
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 6u) << line;
        rows.push_back(cells);
    }
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "ファイル名");
    EXPECT_EQ(rows[0][5], "ファイルサイズ");
    // Wine marks every regular file for archiving.
    EXPECT_EQ(rows[1][0] + rows[1][1] + rows[1][5], "a.txtA0KB");
    EXPECT_EQ(rows[2][0] + rows[2][1] + rows[2][5], "b.txtA2KB");
    EXPECT_FALSE(rows[2][4].empty());

    // Ctrl+Shift+C: the full paths, one a line.
    setControlKey(true);
    setKey(VK_SHIFT, true);
    PostMessageW(grid, WM_KEYDOWN, 'C', 1);
    w.pump();
    setKey(VK_SHIFT, false);
    setControlKey(false);
    EXPECT_EQ(clipboardText(), dir.path() + "\\a.txt\r\n" + dir.path() + "\\b.txt\r\n");
}

TEST(Win32Window, TheTipShowsTheWholeTextOfACellCutShort)
{
    const TempDir dir;
    dir.file("a.txt");
    Window w(dir.path());
    Grid &grid = w.window.grd1();
    const auto pointAt = [&](int column) {
        RECT cell;
        ListView_GetSubItemRect(grid.handle(), 0, column, LVIR_BOUNDS, &cell);
        POINT centre { (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2 };
        ClientToScreen(grid.handle(), &centre);
        SetCursorPos(centre.x, centre.y);
    };
    // A date-time is wider than its 13 characters; the name fits its column.
    pointAt(5);
    EXPECT_EQ(toUtf8(grid.tipText()), grid.shownText(5, 1));
    pointAt(1);
    EXPECT_EQ(toUtf8(grid.tipText()), "");
}

TEST(Win32Window, AFolderThatCannotBeShownGivesOneMessageAndChangesNothing)
{
    const TempDir dir;
    dir.file("a.txt");
    const std::string gone = dir.folder("gone");
    Window w(dir.path());
    const auto &entries = w.window.dir1().tree().entries();
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto &e) { return e.path == gone; });
    ASSERT_NE(entry, entries.end());
    ASSERT_TRUE(RemoveDirectoryW(toWide(gone).c_str()));

    // Enter on the folder's entry, as the user would open it.
    const HWND list = w.window.dir1().handle();
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(entry - entries.begin()), 0);
    SetFocus(list);
    PostMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
    w.pump();

    ASSERT_EQ(w.reports.size(), 1u);
    EXPECT_NE(w.reports[0].find("フォルダを表示できません。\n" + gone + "\n見つかりません"), std::string::npos)
        << w.reports[0];
    EXPECT_EQ(w.window.dir1().path(), dir.path());
    // The list's selection, moved to the entry that failed, goes back to the folder shown.
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), static_cast<LRESULT>(w.window.dir1().tree().currentIndex()));
    EXPECT_EQ(w.column(1), std::vector<std::string> { "a.txt" });
}

TEST(Win32Window, AFileInADrivesRootKeepsThatRoot)
{
    EXPECT_EQ(quorrix::path::folderOf("C:\\a.txt"), "C:\\");
    EXPECT_EQ(quorrix::path::folderOf("C:\\dir\\a.txt"), "C:\\dir");
}

TEST(Win32Window, AClickOnATitleOrdersTheRowsAsShownThroughF5AndCopies)
{
    const TempDir dir;
    // 1100 and 1500 bytes both show 1KB, and times a fraction of a second apart show the same second: ordered by
    // their texts, these rows would stay as listed.
    const ULONGLONG second = 10'000'000, start = 13'220'000'000ull * second;
    setTimes(dir.file("a.txt", 1500), start + second / 2);
    setTimes(dir.file("b.txt", 1100), start + second * 7 / 10);
    setTimes(dir.file("c.txt", 3000), start + second / 5);
    Window w(dir.path());
    Grid &grid = w.window.grd1();
    const HWND header = ListView_GetHeader(grid.handle());
    const auto arrow = [&](int column) {
        HDITEMW title = {};
        title.mask = HDI_FORMAT;
        Header_GetItem(header, column, &title);
        return title.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };

    const struct {
        int column, clicks;
        std::vector<std::string> names;
    } cases[] = {
        { 6, 1, { "b.txt", "a.txt", "c.txt" } },
        { 6, 2, { "c.txt", "a.txt", "b.txt" } },
        { 5, 1, { "c.txt", "a.txt", "b.txt" } },
        { 1, 2, { "c.txt", "b.txt", "a.txt" } },
    };
    for (const auto &c : cases) {
        grid.sortBy(0, false);
        for (int click = 0; click < c.clicks; ++click)
            clickTitle(grid.handle(), c.column);
        EXPECT_EQ(w.shown(1), c.names) << c.column << " " << c.clicks;
        EXPECT_EQ(w.shown(0), (std::vector<std::string> { "1", "2", "3" }));
        EXPECT_EQ(arrow(c.column), c.clicks == 1 ? HDF_SORTUP : HDF_SORTDOWN) << c.column;
        EXPECT_EQ(arrow(c.column == 2 ? 4 : 2), 0);
    }

    // The selection stays on its file when the order changes, F5 keeps the order, and copies follow it.
    ListView_SetItemState(grid.handle(), 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); // a.txt
    clickTitle(grid.handle(), 6);
    EXPECT_EQ(grid.selectedPathsText(), dir.path() + "\\a.txt\r\n");
    setTimes(dir.file("d.txt", 1200), start);
    PostMessageW(grid.handle(), WM_KEYDOWN, VK_F5, 1);
    w.pump();
    EXPECT_EQ(w.shown(1), (std::vector<std::string> { "b.txt", "d.txt", "a.txt", "c.txt" }));
    w.pressWithCtrl('A');
    const std::string p = dir.path() + "\\";
    EXPECT_EQ(grid.selectedPathsText(), p + "b.txt\r\n" + p + "d.txt\r\n" + p + "a.txt\r\n" + p + "c.txt\r\n");

    EXPECT_TRUE(w.reports.empty());
}

TEST(Win32Window, CtrlPlusAndADoubleClickOnATitlesEdgeFitTheColumnsToTheirTexts)
{
    const TempDir dir;
    Window w(dir.path());
    Grid &grid = w.window.grd1();
    EXPECT_EQ(grid.emptyText(), "ファイルはありません");
    dir.file("a.txt");
    dir.file(std::string(60, 'z') + ".txt");
    PostMessageW(grid.handle(), WM_KEYDOWN, VK_F5, 1);
    w.pump();
    EXPECT_EQ(grid.emptyText(), "");

    const HWND list = grid.handle();
    const auto width = [&](int column) { return ListView_GetColumnWidth(list, column); };
    // What a column needs to show its title and every cell whole, with the list view's room around the text.
    const auto needs = [&](int column) {
        std::vector<std::string> texts = w.shown(column);
        texts.push_back(grid.shownText(column, 0));
        int widest = 0;
        for (const std::string &text : texts)
            widest = std::max(widest, ListView_GetStringWidth(list, toWide(text).c_str()));
        return widest + MulDiv(12, static_cast<int>(w.window.dpi()), 96);
    };
    for (const WPARAM key : { VK_ADD, VK_OEM_PLUS }) {
        for (int column = 1; column <= 6; ++column)
            ListView_SetColumnWidth(list, column, 10);
        w.pressWithCtrl(key);
        for (int column = 1; column <= 6; ++column)
            EXPECT_GE(width(column), needs(column)) << column;
        EXPECT_EQ(width(1), needs(1));
    }

    // A double click on the right edge of a title fits that column alone, its title included.
    ListView_SetColumnWidth(list, 2, 50);
    ListView_SetColumnWidth(list, 3, 50);
    RECT title;
    Header_GetItemRect(ListView_GetHeader(list), 2, &title);
    SendMessageW(ListView_GetHeader(list), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(title.right - 1, title.bottom / 2));
    EXPECT_GE(width(2), needs(2));
    EXPECT_EQ(width(3), 50);

    // The user's widths, dragged or fitted, stay through F5.
    const int fitted = width(2);
    PostMessageW(grid.handle(), WM_KEYDOWN, VK_F5, 1);
    w.pump();
    EXPECT_EQ(width(2), fitted);
    EXPECT_EQ(width(3), 50);
}

TEST(Win32Window, NamesAreDrawnWithTheMarksOfTheirEscapesAndBlanks)
{
    using Kind = quorrix::TextMark::Kind;
    const std::map<std::string, std::vector<std::pair<std::string, Kind>>> names = {
        { "plain.txt", {} },
        { " lead.txt", { { " ", Kind::Blank } } },
        { "zero\u200Bwidth.txt", { { "\\u200B", Kind::Escape } } },
        { "cafe\u0301.txt", { { "e\u0301", Kind::Composed } } },
        { "wide\u3000blank.txt", { { "\u3000", Kind::Blank } } },
    };
    const TempDir dir;
    for (const auto &name : names)
        dir.file(name.first);
    Window w(dir.path());
    Grid &grid = w.window.grd1();
    // Reversed, so that the list view's items are not the table's rows.
    clickTitle(grid.handle(), 1);
    clickTitle(grid.handle(), 1);
    // A picture of the table, in which an escape shows its tinted ground.
    HDC screen = GetDC(grid.handle());
    HDC picture = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(picture, CreateCompatibleBitmap(screen, 800, 400));
    SendMessageW(grid.handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture), PRF_CLIENT | PRF_ERASEBKGND);

    ASSERT_EQ(grid.rows(), names.size());
    for (int item = 0; item < static_cast<int>(names.size()); ++item) {
        const std::string name(grid.cellText(1, grid.dataRow(item)));
        std::vector<std::pair<std::string, Kind>> marks;
        for (const Grid::Run &run : grid.nameRuns(item)) {
            if (run.mark)
                marks.emplace_back(toUtf8(run.text), *run.mark);
        }
        EXPECT_EQ(marks, names.at(name)) << name;
        RECT cell;
        ListView_GetSubItemRect(grid.handle(), item, 1, LVIR_BOUNDS, &cell);
        bool tinted = false;
        for (int x = cell.left; x < cell.right; ++x)
            tinted |= GetPixel(picture, x, (cell.top + cell.bottom) / 2) == RGB(255, 228, 150);
        EXPECT_EQ(tinted, name.starts_with("zero")) << name;
    }
    DeleteObject(SelectObject(picture, old));
    DeleteDC(picture);
    ReleaseDC(grid.handle(), screen);
}

namespace
{

// What a screen reader reads of a control through MSAA: its name and its value, empty where it has none.
std::pair<std::string, std::string> accessibleNameAndValue(HWND control)
{
    IAccessible *object = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(
        control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void **>(&object));
    if (FAILED(found)) {
        std::ostringstream failure;
        failure << "(no accessible object: 0x" << std::hex << static_cast<unsigned long>(found) << ")";
        return { failure.str(), "" };
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    const auto read = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR *)) {
        BSTR text = nullptr;
        std::string result;
        if ((object->*get)(self, &text) == S_OK && text)
            result = toUtf8(text);
        SysFreeString(text);
        return result;
    };
    std::pair result { read(&IAccessible::get_accName), read(&IAccessible::get_accValue) };
    object->Release();
    return result;
}

std::string windowText(HWND window)
{
    wchar_t text[MAX_PATH] = {};
    GetWindowTextW(window, text, MAX_PATH);
    return toUtf8(text);
}

} // namespace

TEST(Win32Window, ScreenReadersHearEachControlsNameAndTheDriveAndFolderShown)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const TempDir dir;
    const std::string sub = dir.folder("sub 1");
    Window w(dir.path());
    for (const std::string &folder : { dir.path(), sub }) {
        w.window.dir1().setPath(folder);
        const HWND drives = w.window.drive1().handle();
        const struct {
            HWND control;
            std::string name, value;
        } controls[] = {
            // The drive's text as the box shows it.
            { drives, "ドライブ", windowText(drives) },
            { w.window.dir1().handle(), "フォルダ", quorrix::path::shown(folder) },
            { w.window.grd1().handle(), "ファイル一覧", "" },
        };
        for (const auto &control : controls)
            EXPECT_EQ(accessibleNameAndValue(control.control), std::pair(control.name, control.value)) << folder;
    }
    EXPECT_FALSE(windowText(w.window.drive1().handle()).empty());
    EXPECT_TRUE(w.reports.empty());
}

TEST(Win32Window, ANewDpiScalesLayoutAndFontsAndTheWindowTakesTheSuggestedRectangle)
{
    const TempDir dir;
    Window w(dir.path());
    const HWND window = w.window.handle();
    const auto fontHeight = [](HWND control) {
        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        return std::abs(font.lfHeight);
    };
    const UINT startDpi = w.window.dpi();
    const int startListFont = fontHeight(w.window.dir1().handle());
    using AdjustForDpi = BOOL WINAPI(RECT *, DWORD, BOOL, DWORD, UINT);
    const auto adjustForDpi = reinterpret_cast<AdjustForDpi *>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    ASSERT_NE(adjustForDpi, nullptr);

    // Each DPI with a place of its own, as when the window is dragged onto another monitor; then back. Sizes that
    // fit the test's screen, since Wine keeps a window within it.
    for (const UINT dpi : { 120u, 112u, startDpi }) {
        const auto pixels = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };
        RECT suggested = { 0, 0, pixels(10350), pixels(5325) };
        adjustForDpi(&suggested, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE, 0, dpi);
        OffsetRect(&suggested, static_cast<int>(dpi) - suggested.left, static_cast<int>(dpi) / 2 - suggested.top);
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));

        EXPECT_EQ(w.window.dpi(), dpi);
        RECT rect;
        GetWindowRect(window, &rect);
        EXPECT_TRUE(EqualRect(&rect, &suggested)) << dpi;
        // The client area is what the suggested rectangle leaves (Wine draws the frame at one size for every DPI);
        // what lies in it follows the DPI.
        const RECT list = placeOf(w.window.dir1().handle(), window);
        EXPECT_EQ(list.left, pixels(2040)) << dpi;
        EXPECT_EQ(list.bottom - list.top, pixels(1140)) << dpi;
        const RECT table = placeOf(w.window.grd1().handle(), window);
        EXPECT_EQ(table.top, pixels(1440)) << dpi;
        EXPECT_EQ(table.right - table.left, pixels(10095)) << dpi;
        EXPECT_EQ(fontHeight(w.window.grd1().handle()), MulDiv(9, static_cast<int>(dpi), 72)) << dpi;
        EXPECT_NEAR(fontHeight(w.window.drive1().handle()),
            MulDiv(startListFont, static_cast<int>(dpi), static_cast<int>(startDpi)), 1)
            << dpi;
    }
    EXPECT_TRUE(w.reports.empty());
}

TEST(Win32Window, ALongFillShowsItsProgressOverTheTableUntilItEnds)
{
    const TempDir dir;
    Window w(dir.path());
    Grid &grid = w.window.grd1();
    grid.setRedraw(false);
    grid.showProgress(126976, 1000000);
    const HWND notice = grid.progressNotice();
    ASSERT_TRUE(IsWindowVisible(notice));
    const RECT over = placeOf(notice, w.window.handle());
    const RECT table = placeOf(grid.handle(), w.window.handle());
    EXPECT_EQ(std::vector<LONG>({ over.left, over.top, over.right, over.bottom }),
        std::vector<LONG>({ table.left, table.top, table.right, table.bottom }));
    wchar_t text[256] = {};
    GetWindowTextW(notice, text, 256);
    // Grouped with the user's separator.
    wchar_t separator[8] = {};
    ASSERT_GT(GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8), 0);
    EXPECT_EQ(toUtf8(text), quorrix::progressText(126976, 1000000, toUtf8(separator)));
    // Drawn at once: ink in the notice's middle.
    RECT area;
    GetClientRect(notice, &area);
    HDC dc = GetDC(notice);
    int ink = 0;
    for (int y = area.bottom / 2 - 10; y < area.bottom / 2 + 10; ++y) {
        for (int x = 0; x < area.right; ++x)
            ink += GetPixel(dc, x, y) != GetSysColor(COLOR_WINDOW);
    }
    ReleaseDC(notice, dc);
    EXPECT_GT(ink, 20);
    grid.setRedraw(true);
    EXPECT_FALSE(IsWindowVisible(notice));
}

TEST(Win32Window, TableActionsWithoutMemoryReportAndChangeNothing)
{
    const TempDir dir;
    Window w(dir.path());
    Grid &grid = w.window.grd1();
    quorrix::test::fillGrid(grid, 20'000);
    clickTitle(grid.handle(), 2);
    clickTitle(grid.handle(), 2);
    w.pressWithCtrl('A');
    {
        // Ordering and copying twenty thousand rows when their large blocks cannot be had.
        const quorrix::test::FailLargeAllocations failing(64 * 1024);
        clickTitle(grid.handle(), 3);
        w.pressWithCtrl('C');
    }
    ASSERT_EQ(w.reports.size(), 2u);
    EXPECT_EQ(w.reports[0].rfind("並べ替えられません。", 0), 0u) << w.reports[0];
    EXPECT_EQ(w.reports[1].rfind("コピーできません。", 0), 0u) << w.reports[1];
    EXPECT_EQ(grid.arrow(2), quorrix::TableModel::Arrow::Down);
    EXPECT_EQ(w.shown(1).front(), "20000.1");
}
