#include "f_FILE.h"

#include "DisplayText.h"
#include "FailureText.h"
#include "Resource.h"
#include "win32/WideText.h"

#include <commctrl.h>
#include <exception>
#include <optional>

namespace
{

constexpr wchar_t ClassName[] = L"Quorrix.f_FILE";
constexpr wchar_t Title[] = L"Mirelda Ver1.10";
constexpr DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

// Twips to pixels at `dpi`: 1440 twips to the inch, so 15 to a pixel at 96 dpi.
int fromTwips(int twips, UINT dpi)
{
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// The calls that know a window's own DPI exist from Windows 10 on; on Windows 7 and 8 the screen's DPI holds.
template<typename Function>
Function *user32Function(const char *name)
{
    return reinterpret_cast<Function *>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT screenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT windowDpi(HWND window)
{
    using GetDpiForWindow = UINT WINAPI(HWND);
    static auto *const get = user32Function<GetDpiForWindow>("GetDpiForWindow");
    const UINT dpi = get ? get(window) : 0;
    return dpi ? dpi : screenDpi();
}

SIZE outerSize(int clientWidth, int clientHeight, UINT dpi)
{
    using AdjustForDpi = BOOL WINAPI(RECT *, DWORD, BOOL, DWORD, UINT);
    static auto *const adjustForDpi = user32Function<AdjustForDpi>("AdjustWindowRectExForDpi");
    RECT rect = { 0, 0, clientWidth, clientHeight };
    if (adjustForDpi)
        adjustForDpi(&rect, Style, FALSE, 0, dpi);
    else
        AdjustWindowRectEx(&rect, Style, FALSE, 0);
    return { rect.right - rect.left, rect.bottom - rect.top };
}

// The system's message font at `dpi`.
HFONT messageFont(UINT dpi)
{
    using ParametersForDpi = BOOL WINAPI(UINT, UINT, void *, UINT, UINT);
    static auto *const forDpi = user32Function<ParametersForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    metrics.lfMessageFont.lfHeight
        = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(screenDpi()));
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// The table's font: "ＭＳ ゴシック", 9 points, in the Shift-JIS character set.
HFONT tableFont(UINT dpi)
{
    return CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
}

// Shows the busy cursor for as long as it lives.
class BusyCursor
{
public:
    BusyCursor()
        : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT)))
    {
    }
    ~BusyCursor() { SetCursor(m_previous); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    HCURSOR m_previous;
};

int shiftState()
{
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= quorrix::FileForm::ShiftMask;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= quorrix::FileForm::CtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= quorrix::FileForm::AltMask;
    return shift;
}

} // namespace

f_FILE::f_FILE(std::string_view commandLine, Reporter reporter)
    : m_report(std::move(reporter))
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    m_background = CreateSolidBrush(RGB(192, 192, 192));
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = m_background;
    windowClass.lpszClassName = ClassName;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORRIX), IMAGE_ICON,
        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORRIX), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    RegisterClassExW(&windowClass);

    // Made at the size for 96 dpi at the system's default place; applyDpi sizes it for its monitor.
    const SIZE size = outerSize(690, 355, 96);
    m_handle = CreateWindowExW(
        0, ClassName, Title, Style, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance, this);
    if (!m_handle)
        quorrix::win32::failLastError("CreateWindowExW");

    // In tab order; the file list is never shown and has no window.
    Drive1 = std::make_unique<DriveList>(m_handle, Drive1Id);
    Dir1 = std::make_unique<DirList>(m_handle, Dir1Id, Drive1.get());
    GRD1 = std::make_unique<Grid>(m_handle, GRD1Id);
    GRD1->setReporter([this](const std::string &message) { report(message); });
    m_form.emplace(*Drive1, *Dir1, File1, *GRD1);
    applyDpi(windowDpi(m_handle));

    guarded([&] { Form_Load(commandLine); }, quorrix::Caption::CannotShowFolder);
}

f_FILE::~f_FILE()
{
    if (m_handle) {
        SetWindowLongPtrW(m_handle, GWLP_USERDATA, 0);
        DestroyWindow(m_handle);
    }
    for (HFONT font : { m_listFont, m_tableFont }) {
        if (font)
            DeleteObject(font);
    }
    UnregisterClassW(ClassName, GetModuleHandleW(nullptr));
    DeleteObject(m_background);
}

void f_FILE::s_GRD1SET()
{
    m_form->s_GRD1SET();
}

void f_FILE::Dir1_Change()
{
    m_form->Dir1_Change();
}

void f_FILE::Drive1_Change()
{
    m_form->Drive1_Change();
}

void f_FILE::Form_KeyDown(int keyCode, int shift)
{
    m_form->Form_KeyDown(keyCode, shift);
}

void f_FILE::Form_Load(std::string_view commandLine)
{
    m_form->Form_Load(commandLine);
}

bool f_FILE::preTranslate(MSG &message)
{
    if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)
        && (message.hwnd == m_handle || IsChild(m_handle, message.hwnd))) {
        const int keyCode = static_cast<int>(message.wParam);
        // Only F5 does any work; the busy cursor would flicker on every other key.
        guarded([&] { Form_KeyDown(keyCode, shiftState()); }, quorrix::Caption::CannotShowFolder, Dir1->path(),
            keyCode == quorrix::FileForm::KeyF5);
    }
    if (message.message == WM_MOUSEMOVE && message.hwnd == GRD1->handle())
        GRD1->pointerMoved();
    return IsDialogMessageW(m_handle, &message) != 0;
}

void f_FILE::chooseDrive(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= Drive1->drives().size())
        return;
    if (static_cast<std::size_t>(index) != Drive1->currentDrive()) {
        const std::string text = Drive1->drives()[static_cast<std::size_t>(index)].text;
        guarded([&] { Drive1->setDrive(text); }, quorrix::Caption::CannotReadDrive, text);
    }
    // The pick changed the box's selection; show the drive that is current now, the previous one on failure.
    Drive1->showCurrent();
}

void f_FILE::openFolder(const std::string &path)
{
    if (path.empty())
        return;
    guarded([&] { Dir1->setPath(path); }, quorrix::Caption::CannotShowFolder, path);
}

void f_FILE::applyDpi(UINT dpi)
{
    m_dpi = dpi;
    for (HFONT font : { m_listFont, m_tableFont }) {
        if (font)
            DeleteObject(font);
    }
    m_listFont = messageFont(dpi);
    m_tableFont = tableFont(dpi);

    const auto place = [dpi](HWND control, int left, int top, int width, int height) {
        SetWindowPos(control, nullptr, fromTwips(left, dpi), fromTwips(top, dpi), fromTwips(width, dpi),
            fromTwips(height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    SendMessageW(Drive1->handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont), TRUE);
    // A drop-down list's height is its closed box and its open list together; the box is as high as the
    // layout gives it.
    place(Drive1->handle(), 120, 120, 1815, 300 + 3000);
    SendMessageW(Drive1->handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fromTwips(300, dpi) - 6);
    place(Dir1->handle(), 2040, 120, 8175, 1140);
    Dir1->setMetrics(m_listFont, dpi);
    place(GRD1->handle(), 120, 1440, 10095, 3850);
    GRD1->setMetrics(m_tableFont, dpi);

    const SIZE size = outerSize(fromTwips(10350, dpi), fromTwips(5325, dpi), dpi);
    SetWindowPos(m_handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

template<typename Action>
void f_FILE::guarded(Action &&action, std::string_view caption, std::string_view subject, bool busy)
{
    std::optional<std::string> failure;
    {
        std::optional<BusyCursor> cursor;
        if (busy)
            cursor.emplace();
        try {
            action();
        } catch (const std::exception &e) {
            failure = quorrix::failureMessage(caption, subject, e);
        }
    }
    if (failure)
        report(*failure);
}

void f_FILE::report(const std::string &text)
{
    if (m_report) {
        m_report(text);
        return;
    }
    std::wstring wide;
    try {
        wide = quorrix::win32::toWide(text);
    } catch (const std::exception &) {
        wide = quorrix::win32::toWide(quorrix::displayText(text));
    }
    MessageBoxW(m_handle, wide.c_str(), Title, MB_OK | MB_ICONWARNING);
}

LRESULT CALLBACK f_FILE::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<f_FILE *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<f_FILE *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Messages before the controls exist, and after the window has let go of its object, go to the default.
    if (!self || !self->GRD1)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->onMessage(message, wParam, lParam);
}

LRESULT f_FILE::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == Drive1Id
            && (code == CBN_SELENDOK
                || (code == CBN_SELCHANGE && !SendMessageW(Drive1->handle(), CB_GETDROPPEDSTATE, 0, 0))))
            chooseDrive(static_cast<int>(SendMessageW(Drive1->handle(), CB_GETCURSEL, 0, 0)));
        else if (id == Dir1Id && code == LBN_DBLCLK)
            openFolder(Dir1->selectedPath());
        // Enter, which the dialog navigation turns into IDOK: opens the directory list's selected folder.
        else if (id == IDOK && GetFocus() == Dir1->handle())
            openFolder(Dir1->selectedPath());
        return 0;
    }
    case WM_NOTIFY: {
        auto *header = reinterpret_cast<NMHDR *>(lParam);
        if (header->hwndFrom == GRD1->handle())
            return GRD1->notify(header);
        if (header->hwndFrom == GRD1->tip() && header->code == TTN_GETDISPINFOW) {
            reinterpret_cast<NMTTDISPINFOW *>(header)->lpszText = const_cast<wchar_t *>(GRD1->tipText());
            return 0;
        }
        break;
    }
    case WM_DRAWITEM: {
        const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item->hwndItem == Dir1->handle()) {
            Dir1->draw(*item);
            return TRUE;
        }
        break;
    }
    case WM_ACTIVATE:
        // As a dialog does: the control that had the focus gets it back, at first the drive list.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (const HWND focus = GetFocus(); focus && IsChild(m_handle, focus))
                m_focus = focus;
        } else {
            SetFocus(m_focus && IsWindow(m_focus) ? m_focus : Drive1->handle());
        }
        return 0;
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const auto *suggested = reinterpret_cast<const RECT *>(lParam);
        SetWindowPos(m_handle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
            suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_handle, message, wParam, lParam);
}
