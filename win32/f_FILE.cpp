#include "f_FILE.h"

#include "AccessibleName.h"
#include "DisplayText.h"
#include "Path.h"
#include "Resource.h"
#include "WindowLayout.h"
#include "win32/WideText.h"

#include <commctrl.h>
#include <cstdint>
#include <exception>

namespace
{

namespace layout = quorrix::layout;

constexpr wchar_t ClassName[] = L"Quorrix.f_FILE";
constexpr DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

int fromTwips(int twips, UINT dpi)
{
    return layout::toPixels(twips, static_cast<int>(dpi));
}

std::wstring title()
{
    return quorrix::win32::toWide(layout::Title);
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

// The table's font at `dpi`, in the Shift-JIS character set; Windows itself stands in another face where the
// first is missing.
HFONT tableFont(UINT dpi)
{
    return CreateFontW(-MulDiv(layout::TableFont.points, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
        FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
        quorrix::win32::toWide(layout::TableFont.families.front()).c_str());
}

int shiftState()
{
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= quorrix::Key::ShiftMask;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= quorrix::Key::CtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= quorrix::Key::AltMask;
    return shift;
}

} // namespace

f_FILE::f_FILE(std::string_view commandLine, Reporter reporter)
    : m_report(std::move(reporter))
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    m_background = CreateSolidBrush(RGB(layout::Background.red, layout::Background.green, layout::Background.blue));
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
    const SIZE size = outerSize(fromTwips(layout::ClientWidth, 96), fromTwips(layout::ClientHeight, 96), 96);
    m_handle = CreateWindowExW(0, ClassName, title().c_str(), Style, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
        nullptr, nullptr, instance, this);
    if (!m_handle)
        quorrix::win32::failLastError("CreateWindowExW");

    // The file list is never shown and has no window.
    Drive1 = std::make_unique<DriveList>(m_handle, Drive1Id);
    Dir1 = std::make_unique<DirList>(m_handle, Dir1Id, Drive1.get());
    GRD1 = std::make_unique<Grid>(m_handle, GRD1Id);
    // Tab walks the controls in z-order: that of the layout.
    const HWND handles[] = { Drive1->handle(), Dir1->handle(), nullptr, GRD1->handle() };
    HWND previous = HWND_TOP;
    for (const layout::ControlLayout &control : layout::Controls) {
        if (const HWND handle = handles[static_cast<std::size_t>(control.control)]; handle && control.shown) {
            SetWindowPos(handle, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            previous = handle;
        }
    }
    // What a screen reader announces for each control, as on Linux, with the drive and the folder shown as values.
    const auto name = [](layout::Control control) {
        return quorrix::win32::toWide(layout::controlLayout(control).accessibleName);
    };
    setAccessibleName(Drive1->handle(), name(layout::Control::Drive1),
        [this] { return quorrix::win32::toWide(quorrix::path::shown(Drive1->drive())); });
    setAccessibleName(Dir1->handle(), name(layout::Control::Dir1),
        [this] { return quorrix::win32::toWide(quorrix::path::shown(Dir1->path())); });
    setAccessibleName(GRD1->handle(), name(layout::Control::GRD1));
    GRD1->setReporter([this](const std::string &message) { report(message); });
    m_form.emplace(*Drive1, *Dir1, File1, *GRD1);
    m_shell.emplace(*m_form, *Drive1, Drive1->chooser(), *Dir1,
        quorrix::TableActions { [this] { GRD1->selectAll(); }, [this] { GRD1->copySelectedRows(); },
            [this] { GRD1->copySelectedPaths(); }, [this] { GRD1->fitColumns(); } },
        static_cast<quorrix::ShellView &>(*this));
    applyDpi(windowDpi(m_handle));

    m_shell->load(commandLine);
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
    const bool ours = message.hwnd == m_handle || IsChild(m_handle, message.hwnd);
    if (ours && (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)) {
        if (m_shell->keyPressed(static_cast<int>(message.wParam), shiftState(), message.hwnd == GRD1->handle(),
                static_cast<std::uint32_t>(message.time)))
            return true;
    } else if (ours && message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) {
        m_shell->inputSeen(static_cast<std::uint32_t>(message.time));
    }
    if (message.message == WM_MOUSEMOVE && message.hwnd == GRD1->handle())
        GRD1->pointerMoved();
    return IsDialogMessageW(m_handle, &message) != 0;
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

    // `extra` twips below the control's own height.
    const auto place = [dpi](HWND control, layout::Control which, int extra = 0) {
        const layout::Rect &twips = layout::controlLayout(which).twips;
        SetWindowPos(control, nullptr, fromTwips(twips.left, dpi), fromTwips(twips.top, dpi),
            fromTwips(twips.width, dpi), fromTwips(twips.height + extra, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    SendMessageW(Drive1->handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont), TRUE);
    // A drop-down list's height is its closed box and its open list together; the box is as high as the
    // layout gives it.
    place(Drive1->handle(), layout::Control::Drive1, 3000);
    SendMessageW(Drive1->handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
        fromTwips(layout::controlLayout(layout::Control::Drive1).twips.height, dpi) - 6);
    place(Dir1->handle(), layout::Control::Dir1);
    Dir1->setMetrics(m_listFont, dpi);
    place(GRD1->handle(), layout::Control::GRD1);
    GRD1->setMetrics(m_tableFont, dpi);

    const SIZE size = outerSize(fromTwips(layout::ClientWidth, dpi), fromTwips(layout::ClientHeight, dpi), dpi);
    SetWindowPos(m_handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void f_FILE::setBusy(bool busy)
{
    if (busy)
        m_restoredCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    else
        SetCursor(m_restoredCursor);
}

void f_FILE::report(const std::string &message)
{
    if (m_report) {
        m_report(message);
        return;
    }
    std::wstring wide;
    try {
        wide = quorrix::win32::toWide(message);
    } catch (const std::exception &) {
        wide = quorrix::win32::toWide(quorrix::displayText(message));
    }
    MessageBoxW(m_handle, wide.c_str(), title().c_str(), MB_OK | MB_ICONWARNING);
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
                || (code == CBN_SELCHANGE && !SendMessageW(Drive1->handle(), CB_GETDROPPEDSTATE, 0, 0)))) {
            m_shell->drivePicked(static_cast<int>(SendMessageW(Drive1->handle(), CB_GETCURSEL, 0, 0)));
            // The pick changed the box's selection; show the drive that is current now.
            Drive1->showCurrent();
        } else if (id == Dir1Id && code == LBN_DBLCLK)
            m_shell->folderOpened(Dir1->selectedPath());
        // Enter, which the dialog navigation turns into IDOK: opens the directory list's selected folder.
        else if (id == IDOK && GetFocus() == Dir1->handle())
            m_shell->folderOpened(Dir1->selectedPath());
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
