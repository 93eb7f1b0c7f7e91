// The Windows part of the test support: paths are UTF-16 at the system, times through SetFileTime, the
// environment through the C runtime, which passes it on to the system.
#include "TestSupport.h"
#include "win32/WideText.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <system_error>
#include <windows.h>
#include <winioctl.h>

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

namespace
{

    // Wine's own request to its mount manager that makes a drive letter stand for a Linux folder, or takes the
    // letter away (no folder).
    struct WineUnixDrive {
        ULONG size;
        ULONG type;
        ULONG fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset;
        USHORT deviceOffset;
        USHORT labelOffset;
    };

    bool defineWineDrive(wchar_t letter, const char *unixFolder)
    {
        const HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE)
            return false;
        std::string request(sizeof(WineUnixDrive), '\0');
        if (unixFolder)
            request.append(unixFolder).push_back('\0');
        WineUnixDrive drive = {};
        drive.size = static_cast<ULONG>(request.size());
        drive.type = unixFolder ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
        drive.letter = letter;
        drive.mountPointOffset = unixFolder ? sizeof(WineUnixDrive) : 0;
        std::memcpy(request.data(), &drive, sizeof drive);
        constexpr DWORD defineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
        DWORD returned = 0;
        const BOOL done = DeviceIoControl(manager, defineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
            nullptr, 0, &returned, nullptr);
        CloseHandle(manager);
        return done != 0;
    }

    // The Linux path of a Windows path, under Wine.
    std::string wineUnixPath(const std::string &path)
    {
        using UnixFileName = char *(__cdecl *)(const wchar_t *);
        const auto unixFileName = reinterpret_cast<UnixFileName>(
            reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char *name = unixFileName ? unixFileName(win32::toWide(path).c_str()) : nullptr;
        if (!name)
            return {};
        std::string text(name);
        HeapFree(GetProcessHeap(), 0, name);
        return text;
    }

} // namespace

TemporaryDrive::TemporaryDrive(const std::string &folder)
    : m_folder(folder)
{
    const DWORD used = GetLogicalDrives();
    wchar_t letter = L'Y';
    while (letter > L'D' && (used & (1u << (letter - L'A'))))
        --letter;
    const wchar_t device[] = { letter, L':', 0 };
    bool made = false;
    if (underWine()) {
        const std::string unixFolder = wineUnixPath(folder);
        made = !unixFolder.empty() && defineWineDrive(letter, unixFolder.c_str());
    } else {
        made = DefineDosDeviceW(0, device, win32::toWide(folder).c_str()) != 0;
    }
    if (made)
        m_root = { static_cast<char>(letter), ':', '\\' };
}

TemporaryDrive::~TemporaryDrive()
{
    remove();
}

void TemporaryDrive::remove()
{
    if (m_root.empty())
        return;
    const wchar_t letter = static_cast<wchar_t>(m_root[0]);
    const wchar_t device[] = { letter, L':', 0 };
    if (underWine())
        defineWineDrive(letter, nullptr);
    else
        DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device, win32::toWide(m_folder).c_str());
    m_root.clear();
}

} // namespace quorrix::test
