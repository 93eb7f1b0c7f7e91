// The Windows file-system layer and date-time text, on the system's own terms.
#include "DateTimeText.h"
#include "FileSystem.h"
#include "FolderTree.h"
#include "Module1.h"
#include "NaturalOrder.h"
#include "Navigation.h"
#include "win32/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <cctype>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include <windows.h>

using namespace quorrix;
using win32::toUtf8;
using win32::toWide;

namespace
{

// A fresh folder under the user's temporary folder, deleted with everything in it at the end.
class TempDir
{
public:
    TempDir()
    {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        m_path = toUtf8(base) + "quorrix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++s_count);
        EXPECT_TRUE(CreateDirectoryW(win32::systemPath(m_path).c_str(), nullptr));
    }
    ~TempDir() { remove(win32::systemPath(m_path)); }

    const std::string &path() const { return m_path; }

    // Makes the file `name` (any name the file system takes) with `size` bytes; returns its path.
    std::string file(const std::string &name, DWORD size = 0, const std::string &in = {}) const
    {
        const std::string path = (in.empty() ? m_path : in) + "\\" + name;
        const HANDLE handle = CreateFileW(
            win32::systemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << name;
        const std::string bytes(size, 'x');
        DWORD written = 0;
        WriteFile(handle, bytes.data(), size, &written, nullptr);
        CloseHandle(handle);
        return path;
    }

private:
    static void remove(const std::wstring &path)
    {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = path + L"\\" + name;
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    remove(child);
                else
                    DeleteFileW(child.c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }

    static inline int s_count = 0;
    std::string m_path;
};

std::vector<std::string> namesIn(const std::string &folder)
{
    std::vector<std::string> names;
    listFolder(folder, [&names](std::string_view name, bool) { names.emplace_back(name); });
    return names;
}

FILETIME fileTimeOf(const SYSTEMTIME &utc)
{
    FILETIME time;
    SystemTimeToFileTime(&utc, &time);
    return time;
}

// What the system itself writes for a local date and time, in the user's locale.
std::string systemText(WORD year, WORD month, WORD day, WORD hour)
{
    const SYSTEMTIME local { year, month, 0, day, hour, 0, 0, 0 };
    wchar_t date[128], time[128];
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 128, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, time, 128);
    return hour == 0 ? toUtf8(date) : toUtf8(date) + " " + toUtf8(time);
}

} // namespace

TEST(Win32Text, PathsReachTheSystemInTheirLongForm)
{
    const struct {
        const char *path;
        const wchar_t *expected;
    } rows[] = {
        { "C:\\a\\.\\b\\..\\c", L"\\\\?\\C:\\a\\c" },
        { "c:/a//b./", L"\\\\?\\c:\\a\\b." },
        { "C:\\..\\x ", L"\\\\?\\C:\\x " },
        { "C:\\", L"\\\\?\\C:\\" },
        { "\\\\server\\share\\..\\..\\f", L"\\\\?\\UNC\\server\\share\\f" },
        { "relative\\CON", L"relative\\CON" },
        { "\\\\?\\C:\\kept\\..", L"\\\\?\\C:\\kept\\.." },
    };
    for (const auto &row : rows)
        EXPECT_EQ(win32::systemPath(row.path), row.expected) << row.path;
    // An unpaired surrogate travels as WTF-8 and comes back unit for unit; bytes that are not UTF-8 name nothing.
    const std::wstring lone = L"a\xD800z\xDC00";
    EXPECT_EQ(toWide(toUtf8(lone)), lone);
    EXPECT_EQ(toUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_THROW(toWide("\xC0\xAF"), std::system_error);
    EXPECT_THROW(toWide(std::string_view("a\0b", 3)), std::system_error);
}

// Names that the system's path rules would change or refuse, and a path beyond MAX_PATH, are listed and queried
// as they are, with and without the folder's listing at hand.
TEST(Win32FileSystem, AwkwardNamesAndLongPathsAreQueriedAsListed)
{
    const TempDir dir;
    std::string deep = dir.path();
    while (deep.size() <= MAX_PATH) {
        deep += "\\" + std::string(50, 'd');
        ASSERT_TRUE(CreateDirectoryW(win32::systemPath(deep).c_str(), nullptr));
    }
    const std::vector<std::string> names
        = { "dot.", "blank ", "CON", "aux.txt", "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB" };
    for (std::size_t i = 0; i < names.size(); ++i) {
        dir.file(names[i], static_cast<DWORD>(i + 1));
        dir.file(names[i], static_cast<DWORD>(i + 1), deep);
    }
    for (const std::string &folder : { dir.path(), deep }) {
        std::vector<std::string> listed = namesIn(folder);
        EXPECT_EQ(listed.size(), names.size() + (folder == deep ? 0 : 1));
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_NE(std::find(listed.begin(), listed.end(), names[i]), listed.end()) << names[i];
            const std::string path = folder + "\\" + names[i];
            EXPECT_EQ(FileSystemObject().GetFile(path).Size(), static_cast<std::int64_t>(i + 1)) << path;
            const FolderScope scope(folder);
            EXPECT_EQ(fileLength(path), static_cast<std::int64_t>(i + 1)) << path;
            EXPECT_TRUE(findFirstFile(folder + "\\" + names[i], SearchPlain)) << path;
        }
    }
    EXPECT_TRUE(isFolder(deep));
    EXPECT_NO_THROW(checkReadableFolder(deep));
    EXPECT_THROW(checkReadableFolder(deep + "\\CON"), std::system_error);
}

TEST(Win32FileSystem, AttributesAreMaskedAndDecideTheSearch)
{
    const TempDir dir;
    const std::string plain = dir.file("plain.txt");
    const std::string marked = dir.file("marked.txt");
    ASSERT_TRUE(SetFileAttributesW(win32::systemPath(marked).c_str(),
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
            | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    EXPECT_EQ(FileSystemObject().GetFile(marked).Attributes(), 1 | 2 | 4 | 32);
    EXPECT_EQ(FileSystemObject().GetFile(dir.path()).kind(), FileObject::Kind::Folder);
    EXPECT_EQ(FileSystemObject().GetFile(plain).kind(), FileObject::Kind::File);

    EXPECT_EQ(findFirstFile(dir.path() + "\\*.txt", SearchPlain), "plain.txt");
    EXPECT_EQ(findFirstFile(dir.path() + "\\m*.txt", SearchPlain), std::nullopt);
    EXPECT_EQ(findFirstFile(dir.path() + "\\m*.txt", SearchHidden), std::nullopt);
    EXPECT_EQ(findFirstFile(dir.path() + "\\m*.txt", SearchHidden | SearchSystem), "marked.txt");
    EXPECT_EQ(findFirstFile(dir.path(), SearchPlain), std::nullopt);
    EXPECT_TRUE(findFirstFile(dir.path(), SearchFolder));
    EXPECT_EQ(findFirstFile(dir.path() + "\\", SearchFolder), dir.path().substr(dir.path().rfind('\\') + 1));
    EXPECT_TRUE(findFirstFile(dir.path().substr(0, 3), SearchFolder)); // a root, hidden and system on NTFS
    EXPECT_EQ(findFirstFile(dir.path() + "\\?lain.txt", SearchPlain), "plain.txt");
    EXPECT_EQ(findFirstFile(dir.path() + "\\[p]lain.txt", SearchPlain), std::nullopt);
    EXPECT_THROW(FileSystemObject().GetFile(dir.path() + "\\missing"), std::system_error);
    try {
        FileSystemObject().GetFile(dir.path() + "\\missing");
    } catch (const std::system_error &error) {
        EXPECT_EQ(error.code(), std::error_code(ERROR_FILE_NOT_FOUND, std::system_category()));
    }
}

// A winter and a summer date each show their own offset, whatever today's is; midnight shows the date alone.
TEST(Win32DateTime, LocalTimeUsesTheOffsetOfItsDate)
{
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -60) << "the test runs with TZ=Europe/Berlin";

    const TempDir dir;
    const std::string path = dir.file("dated");
    const HANDLE handle
        = CreateFileW(win32::systemPath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME winter = fileTimeOf({ 2026, 1, 0, 15, 12, 0, 0, 0 });
    const FILETIME summer = fileTimeOf({ 2026, 7, 0, 15, 12, 0, 0, 0 });
    ASSERT_TRUE(SetFileTime(handle, nullptr, &winter, &summer));
    CloseHandle(handle);

    const FileObject file = FileSystemObject().GetFile(path);
    const DateTimeText &text = DateTimeText::user();
    EXPECT_EQ(text.format(file.DateLastAccessed().value()), systemText(2026, 1, 15, 13));
    EXPECT_EQ(text.format(file.DateLastModified().value()), systemText(2026, 7, 15, 14));
    const FILETIME midnight = fileTimeOf({ 2026, 7, 0, 14, 22, 0, 0, 0 });
    const auto ticks
        = static_cast<std::int64_t>(std::uint64_t { midnight.dwHighDateTime } << 32 | midnight.dwLowDateTime);
    EXPECT_EQ(text.format(FileTime { ticks / 10'000'000 - 11'644'473'600, 0 }), systemText(2026, 7, 15, 0));
    EXPECT_THROW(text.format(FileTime { -11644473601, 0 }), std::system_error);
}

// The compiled patterns write what the system's formatter writes, for locales of several shapes (day or year
// first, a 12-hour clock with its markers, markers before the time, literal text in quotes), at times spread over
// years, on both sides of each summer-time change and at local midnights.
TEST(Win32DateTime, CompiledPatternsWriteAsTheSystemDoes)
{
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -60) << "the test runs with TZ=Europe/Berlin";

    std::vector<std::int64_t> times;
    constexpr std::int64_t hour = 3600;
    // 2026-03-29 01:00 and 2026-10-25 01:00 UTC: the changes of that year.
    for (const std::int64_t change : { std::int64_t { 1774746000 }, std::int64_t { 1792890000 } }) {
        for (const std::int64_t delta : std::initializer_list<std::int64_t> { -hour - 1, -hour, -1, 0, 1, hour - 1, hour })
            times.push_back(change + delta);
    }
    for (std::int64_t t = -2'000'000'000; t < 4'000'000'000; t += 99'991 * 37)
        times.push_back(t);
    // Local midnights in winter and in summer, and the calendar's first years.
    times.insert(times.end(), { 1768431600, 1784066400, -11644473600 + 86400 * 400 });

    const auto systemText = [](const wchar_t *locale, std::int64_t seconds) {
        const auto ticks = static_cast<std::uint64_t>((seconds + 11'644'473'600) * 10'000'000);
        const FILETIME time { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
        SYSTEMTIME utc, local;
        FileTimeToSystemTime(&time, &utc);
        SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
        wchar_t date[128], clock[128];
        GetDateFormatEx(locale, DATE_SHORTDATE, &local, nullptr, date, 128, nullptr);
        GetTimeFormatEx(locale, 0, &local, nullptr, clock, 128);
        const bool midnight = local.wHour == 0 && local.wMinute == 0 && local.wSecond == 0;
        return midnight ? toUtf8(date) : toUtf8(date) + " " + toUtf8(clock);
    };
    for (const char *locale : { "", "ja_JP", "en_US", "de_DE", "fr_FR", "en_GB", "ko_KR", "zh_CN", "ru_RU" }) {
        const DateTimeText text(locale);
        const std::wstring name = toWide(locale);
        std::wstring windowsName = name;
        std::replace(windowsName.begin(), windowsName.end(), L'_', L'-');
        const wchar_t *system = name.empty() ? LOCALE_NAME_USER_DEFAULT : windowsName.c_str();
        EXPECT_TRUE(text.compiledPatterns()) << locale << ": " << text.datePattern() << " " << text.timePattern();
        for (const std::int64_t seconds : times)
            ASSERT_EQ(text.format(FileTime { seconds, 0 }), systemText(system, seconds)) << locale << " " << seconds;
    }
}

TEST(Win32Drives, EveryLetterWithItsRootAndTheWorkingDrive)
{
    const std::vector<Drive> drives = readDrives();
    ASSERT_FALSE(drives.empty());
    for (const Drive &drive : drives) {
        ASSERT_EQ(drive.mountPoint.size(), 3u);
        EXPECT_EQ(drive.mountPoint.substr(1), ":\\");
        const std::string letter = { static_cast<char>(drive.mountPoint[0] - 'A' + 'a'), ':' };
        EXPECT_TRUE(drive.text == letter || (drive.text.starts_with(letter + " [") && drive.text.ends_with(']')))
            << drive.text;
    }
    const auto current = driveOf(drives, currentDirectory());
    ASSERT_TRUE(current);
    EXPECT_EQ(std::toupper(currentDirectory()[0]), drives[*current].mountPoint[0]);
}

// A drive's text, also with a label since changed, stands for the folder last shown on that drive, never for
// the system's current folder of the drive that "c:" names as a path.
TEST(Win32Drives, ADrivesTextNamesTheFolderLastShownOnIt)
{
    const TempDir dir;
    const std::string sub = dir.path() + "\\sub";
    ASSERT_TRUE(CreateDirectoryW(win32::systemPath(sub).c_str(), nullptr));
    DriveChooser drives([] { return readDrives(); }, [] {});
    FolderChooser folders(drives, [] {});
    folders.setPath(sub);
    const auto held = driveOf(drives.drives(), sub);
    ASSERT_TRUE(held);
    const std::string text = drives.drives()[*held].text;
    EXPECT_EQ(folders.folderFor(text), sub);
    EXPECT_EQ(folders.folderFor(text.substr(0, 2) + " [renamed]"), sub);
}

// A drive that has shown no folder yet opens at the system's own current folder of it (where a "cd" left it, kept
// in the environment variable "=C:"), else at the nearest folder above that can be read; at its root when the
// system keeps none.
TEST(Win32Drives, ADriveNotShownYetOpensAtTheSystemsCurrentFolderOfIt)
{
    const TempDir dir;
    const std::string sub = dir.path() + "\\sub";
    ASSERT_TRUE(CreateDirectoryW(win32::systemPath(sub).c_str(), nullptr));
    const std::vector<Drive> drives = readDrives();
    const auto held = driveOf(drives, sub);
    ASSERT_TRUE(held);
    if (driveOf(drives, currentDirectory()) == held)
        GTEST_SKIP() << "the working directory's own folder comes first on its drive";
    const Drive &drive = drives[*held];
    const std::wstring variable = L"=" + toWide(drive.mountPoint.substr(0, 2));
    wchar_t old[MAX_PATH + 1] = {};
    const bool hadOld = GetEnvironmentVariableW(variable.c_str(), old, MAX_PATH + 1) != 0;

    const FolderTree tree;
    const struct {
        std::string current;
        std::string opened;
    } rows[] = { { sub, sub }, { sub + "\\gone", sub }, { "", drive.mountPoint } };
    for (const auto &row : rows) {
        SetEnvironmentVariableW(variable.c_str(), row.current.empty() ? nullptr : toWide(row.current).c_str());
        EXPECT_EQ(tree.currentFolderOf(drive, drives), row.opened) << row.current;
    }
    SetEnvironmentVariableW(variable.c_str(), hadOld ? old : nullptr);
}

// A typed start path is read as Windows reads one: "/" separates, the trailing dots and blanks of its last name go,
// "C:name" lies in drive C's own current folder, and the folder opens with its names as they are on disk. A
// pattern's last part stays the search's.
TEST(Win32Path, TypedStartPathsAreReadAsWindowsReadsThem)
{
    const TempDir dir;
    const std::string sub = dir.path() + "\\sub";
    ASSERT_TRUE(CreateDirectoryW(win32::systemPath(sub).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(win32::systemPath(sub + "\\Mixed").c_str(), nullptr));
    const HANDLE file = CreateFileW(win32::systemPath(sub + "\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr,
        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    std::string upper = sub + "\\MIXED";
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return std::toupper(c); });
    std::string slashes = sub + "/file.txt";
    std::replace(slashes.begin(), slashes.end(), '\\', '/');

    const struct {
        std::string typed, start;
    } rows[] = {
        { slashes, sub },
        { sub + ".", sub },
        { sub + "\\file.txt.", sub },
        { sub + "\\file.txt  ", sub },
        { sub + "\\*.txt", sub },
        { upper, sub + "\\Mixed" },
        { upper + "\\..", sub },
    };
    for (const auto &row : rows)
        EXPECT_EQ(Module1::s_CMDPATH(row.typed), row.start) << row.typed;

    // "C:name" on a drive other than the working directory's: that drive's own current folder.
    const std::vector<Drive> drives = readDrives();
    const auto held = driveOf(drives, sub);
    ASSERT_TRUE(held);
    if (driveOf(drives, currentDirectory()) == held)
        return;
    const std::string letter = sub.substr(0, 2);
    const std::wstring variable = L"=" + toWide(letter);
    SetEnvironmentVariableW(variable.c_str(), toWide(sub).c_str());
    EXPECT_EQ(Module1::s_CMDPATH(letter + "file.txt"), sub);
    EXPECT_EQ(Module1::s_CMDPATH(letter), sub);
    SetEnvironmentVariableW(variable.c_str(), nullptr);
}

// While a folder's listing is open, its files are answered from it: a file deleted meanwhile keeps the values it
// was listed with, and a file made meanwhile is asked of the system. The listing is the one this thread's last
// listFolder of the folder made, and threads share it.
TEST(Win32FileSystem, FolderScopeAnswersFromItsListing)
{
    const TempDir dir;
    const std::string gone = dir.file("gone", 7);
    const std::string listed = dir.file("listed", 5);
    EXPECT_EQ(namesIn(dir.path()).size(), 2u);
    ASSERT_TRUE(DeleteFileW(win32::systemPath(listed).c_str()));
    const OpenFolder open(dir.path());
    ASSERT_TRUE(DeleteFileW(win32::systemPath(gone).c_str()));
    const std::string later = dir.file("later", 9);
    const auto query = [&] {
        const FolderScope scope(open);
        EXPECT_EQ(fileLength(gone), 7);
        EXPECT_EQ(fileLength(listed), 5);
        EXPECT_EQ(fileLength(later), 9);
        EXPECT_THROW(fileLength(dir.path() + "\\GONE\\x"), std::system_error);
    };
    std::thread other(query);
    query();
    other.join();
    // A scope of its own lists the folder as it is now.
    const FolderScope own(dir.path());
    EXPECT_THROW(fileLength(listed), std::system_error);
}

// Opened for a fill's list, the listing gives each entry's status by its place in the list, as it was listed; a
// list with a name the listing lacks leaves the listing as it was, answering by name.
TEST(Win32FileSystem, FolderOpenedForAListAnswersInItsOrder)
{
    const TempDir dir;
    for (const auto &[name, bytes] : { std::pair { "a", 1 }, { "b", 2 }, { "c", 3 } })
        dir.file(name, bytes);
    struct Case {
        std::vector<std::string> list;
        std::vector<std::optional<std::int64_t>> sizes; // by the list's place
    };
    for (const Case &row : { Case { { "c", "a", "b" }, { 3, 1, 2 } }, Case { { "b", "missing" }, { {}, {} } } }) {
        EXPECT_EQ(namesIn(dir.path()).size(), 3u);
        const OpenFolder open(dir.path(), row.list.size(), [&row](std::size_t i) { return std::string_view(row.list[i]); });
        for (std::size_t i = 0; i < row.list.size(); ++i) {
            const std::optional<quorrix::FileObject> file = open.listed(i);
            EXPECT_EQ(file ? std::optional(file->Size()) : std::nullopt, row.sizes[i]) << row.list[i];
        }
        EXPECT_FALSE(open.listed(row.list.size()));
        const FolderScope scope(open);
        EXPECT_EQ(fileLength(dir.path() + "\\b"), 2);
        open.done(0, row.list.size());
    }
}

// The system's comparison orders the names; only a tie is left to the bytes, so distinct names never tie.
TEST(Win32Order, DigitsAsNumbersCaseIgnoredTiesByBytes)
{
    EXPECT_LT(naturalCompare("file2.txt", "file10.txt"), 0);
    EXPECT_LT(naturalCompare("apple", "Banana"), 0);
    EXPECT_LT(naturalCompare("A", "a"), 0);
    EXPECT_GT(naturalCompare("a", "A"), 0);
    EXPECT_EQ(naturalCompare("x", "x"), 0);
}
