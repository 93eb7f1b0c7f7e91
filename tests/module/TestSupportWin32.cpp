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
