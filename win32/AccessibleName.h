// What a screen reader reads of a control through MSAA and UI Automation: its name and its value.
#pragma once

#include <functional>
#include <string>
#include <windows.h>

// Gives `control` the accessible name `name` and, when `value` is set, the accessible value it returns (asked
// each time a screen reader reads it). Everything else a screen reader asks is the system's standard answer
// for the control's class. The window has no labels that the system could take the names from.
void setAccessibleName(HWND control, std::wstring name, std::function<std::wstring()> value = {});
