// The Windows part of the test support: paths are UTF-16 at the system, times through SetFileTime, the
// environment through the C runtime, which passes it on to the system.
#include "TestSupport.h"
#include "win32/WideText.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <system_error>
#include <windows.h>

namespace quorrix::test
{

std::filesystem::path fsPath(std::string_view text)
{
    return std::filesystem::path(win32::toWide(text));
}

std::string utf8(const std::filesystem::path &path)
{
    return win32::toUtf8(path.native());
}

namespace
{

    FILETIME fileTime(FileTime time)
    {
        // 100-nanosecond units since 1601-01-01, 11644473600 seconds before the Unix epoch.
        const auto ticks = static_cast<ULONGLONG>((time.seconds + 11644473600LL) * 10000000LL + time.nanoseconds / 100);
        return { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    }

} // namespace

bool makeFifo(const std::string &)
{
    return false;
}

bool makeLink(const std::string &, const std::string &)
{
    return false;
}

namespace
{

    void setAttributes(const std::string &path, DWORD attributes)
    {
        if (!SetFileAttributesW(win32::systemPath(path).c_str(), attributes))
            throw std::system_error(
                static_cast<int>(GetLastError()), std::system_category(), "SetFileAttributesW " + path);
    }

} // namespace

void makeReadOnly(const std::string &path)
{
    setAttributes(path, FILE_ATTRIBUTE_READONLY);
}

void hide(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(win32::systemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "GetFileAttributesW " + path);
    setAttributes(path, attributes | FILE_ATTRIBUTE_HIDDEN);
}

std::string localDateTimeText(int year, int month, int day, int hour, int minute, int second)
{
    const SYSTEMTIME utc { static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day),
        static_cast<WORD>(hour), static_cast<WORD>(minute), static_cast<WORD>(second), 0 };
    SYSTEMTIME local;
    wchar_t date[128], time[128];
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)
        || !GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 128, nullptr)
        || !GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, time, 128))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "local date-time text");
    if (local.wHour == 0 && local.wMinute == 0 && local.wSecond == 0)
        return win32::toUtf8(date);
    return win32::toUtf8(date) + " " + win32::toUtf8(time);
}

void setTimes(const std::string &path, FileTime accessed, FileTime modified)
{
    // The link itself, and a folder too.
    const HANDLE file = CreateFileW(win32::systemPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateFileW " + path);
    const FILETIME access = fileTime(accessed);
    const FILETIME write = fileTime(modified);
    const bool set = SetFileTime(file, nullptr, &access, &write);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!set)
        throw std::system_error(static_cast<int>(error), std::system_category(), "SetFileTime " + path);
}

void setEnvironment(const char *name, const char *value)
{
    // An empty value removes the variable.
    _putenv_s(name, value ? value : "");
    _tzset();
}

bool inOwnRoot()
{
    return false;
}

int runInOwnRoot(const std::vector<std::string> &)
{
    return 77;
}

void runCaseInOwnRoot()
{
    GTEST_SKIP() << "a case that needs a file directly in the root runs on Linux only, in a root folder of its own";
}

bool onWindows()
{
    return true;
}

std::optional<int> systemNameOrder(std::string_view locale, std::string_view a, std::string_view b)
{
    std::wstring name;
    for (const char c : locale.substr(0, locale.find_first_of(".@")))
        name += c == '_' ? L'-' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    if (name == L"C" || name == L"POSIX" || !IsValidLocaleName(name.c_str()))
        name = LOCALE_NAME_INVARIANT;
    const auto wide = [](std::string_view text) -> std::optional<std::wstring> {
        try {
            return win32::toWide(text);
        } catch (const std::system_error &) {
            return std::nullopt;
        }
    };
    const std::optional<std::wstring> wideA = wide(a), wideB = wide(b);
    int order = 0;
    if (wideA && wideB)
        order = CompareStringEx(name.c_str(), NORM_IGNORECASE | SORT_DIGITSASNUMBERS, wideA->c_str(), -1,
                    wideB->c_str(), -1, nullptr, nullptr, 0)
            - CSTR_EQUAL;
    else
        order = !wideA - !wideB;
    if (order == 0)
        order = a.compare(b);
    return (order > 0) - (order < 0);
}

bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool bypassesPermissions()
{
    return true;
}

} // namespace quorrix::test
