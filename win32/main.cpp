// Quorrix.exe: the window on the folder the command line names.
#include "f_FILE.h"

#include "win32/WideText.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int show)
{
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&controls);
    // The text after the program's name, as Windows hands it over: a path with blanks comes quoted.
    f_FILE window(quorrix::win32::toUtf8(commandLine ? commandLine : L""));
    ShowWindow(window.handle(), show);
    UpdateWindow(window.handle());
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!window.preTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
