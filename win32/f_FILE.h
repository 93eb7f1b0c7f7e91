// The main window on Windows: drive list, directory list and the file table of the folder shown, in native
// controls. Its logic is the core's FileForm, as for the Qt window.
#pragma once

#include "DirList.h"
#include "DriveList.h"
#include "FileForm.h"
#include "FileList.h"
#include "Grid.h"
#include "WindowShell.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <windows.h>

class f_FILE : private quorrix::ShellView
{
public:
    // Tells the user about a failure: `text` (UTF-8) is the message. The window's own reporter shows a
    // warning box.
    using Reporter = std::function<void(const std::string &text)>;

    // The child ids of the controls.
    enum ControlId { Drive1Id = 101, Dir1Id = 102, GRD1Id = 104 };

    // Builds the window (not yet shown) and loads it on `commandLine`, the text after the program's name.
    explicit f_FILE(std::string_view commandLine, Reporter reporter = {});
    ~f_FILE() override;
    f_FILE(const f_FILE &) = delete;
    f_FILE &operator=(const f_FILE &) = delete;

    void s_GRD1SET();
    void Dir1_Change();
    void Drive1_Change();
    // A key pressed anywhere in the window, before the control with the focus sees it: F5 re-reads and
    // refills. `keyCode` is the virtual-key code, `shift` the Shift (1), Ctrl (2) and Alt (4) flags.
    void Form_KeyDown(int keyCode, int shift);
    void Form_Load(std::string_view commandLine);

    // Gives the window its keys first (key preview), then moves the focus on Tab. Call for every message
    // the thread's loop takes; returns true when the message has been dealt with.
    bool preTranslate(MSG &message);

    HWND handle() const { return m_handle; }
    DriveList &drive1() { return *Drive1; }
    DirList &dir1() { return *Dir1; }
    Grid &grd1() { return *GRD1; }
    UINT dpi() const { return m_dpi; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Places the controls and sizes the window and fonts for `dpi` dots per inch.
    void applyDpi(UINT dpi);
    void setBusy(bool busy) override;
    void report(const std::string &message) override;

    HWND m_handle = nullptr;
    UINT m_dpi = 96;
    HFONT m_listFont = nullptr;
    HFONT m_tableFont = nullptr;
    HBRUSH m_background = nullptr;
    HWND m_focus = nullptr; // the control that had the focus when the window was last deactivated
    std::unique_ptr<DriveList> Drive1;
    std::unique_ptr<DirList> Dir1;
    quorrix::FileList File1;
    std::unique_ptr<Grid> GRD1;
    std::optional<quorrix::FileForm> m_form;
    std::optional<quorrix::WindowShell> m_shell;
    Reporter m_report;
    HCURSOR m_restoredCursor = nullptr; // the cursor the busy cursor replaced
};
