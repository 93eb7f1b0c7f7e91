// The file list, the query and the fill over folders made to break them: every file gets its row, names stay
// byte-exact and are shown readably, nothing is opened or changed, and nothing hangs (the harness gives each
// test a time limit; a FIFO that is opened for reading never returns).
#include "DateTimeText.h"
#include "DisplayText.h"
#include "FileList.h"
#include "HostileFolder.h"
#include "Module1.h"
#include "RecordingGrid.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>
#include <vector>

using namespace quorrix;
using quorrix::test::EnvGuard;
using quorrix::test::HostileFolder;
using quorrix::test::RecordingGrid;

namespace
{

RecordingGrid fill(FileList &list, const std::string &folder)
{
    list.setPath(folder);
    RecordingGrid grid;
    Module1::s_GRD1LIST(list, grid);
    return grid;
}

RecordingGrid fill(const std::string &folder)
{
    FileList list;
    return fill(list, folder);
}

// The rows of a filled table by their file name (column 1).
std::map<std::string, std::vector<std::string>> rowsByName(const RecordingGrid &grid)
{
    std::map<std::string, std::vector<std::string>> rows;
    for (std::size_t row = 1; row <= grid.rows; ++row)
        rows.emplace(grid.text(1, row), grid.row(row));
    return rows;
}

// Every entry of `folder` that is not a folder has exactly one row, its name in the bytes the system gave.
void expectOneRowPerFile(const std::string &folder, const RecordingGrid &grid)
{
    std::vector<std::string> names;
    for (std::size_t row = 1; row <= grid.rows; ++row)
        names.push_back(grid.text(1, row));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, quorrix::test::nonFolderNames(folder)) << folder;
}

// What in `text` would mislead a reader: bytes that are not UTF-8, controls, format characters (direction
// overrides, zero-width and other invisible characters) and line or paragraph separators. Empty when none.
std::string misleadingIn(std::string_view text)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        const std::int32_t at = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return "invalid UTF-8 at byte " + std::to_string(at);
        switch (u_charType(c)) {
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
            return "code point " + std::to_string(c) + " at byte " + std::to_string(at);
        default:
            break;
        }
    }
    return {};
}

// What happened to the entries of some folders, as inotify tells it: nothing may be opened, read or changed.
// The folders themselves may be opened and read (that is listing them), but not changed.
class EntryWatch
{
public:
    explicit EntryWatch(const std::vector<std::string> &folders)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd < 0)
            throw std::system_error(errno, std::generic_category(), "inotify_init1");
        constexpr std::uint32_t mask = IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE
            | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
        for (const std::string &folder : folders) {
            const int watch = ::inotify_add_watch(m_fd, folder.c_str(), mask);
            if (watch < 0)
                throw std::system_error(errno, std::generic_category(), "inotify_add_watch " + folder);
            m_folders[watch] = folder;
        }
    }
    ~EntryWatch() { ::close(m_fd); }
    EntryWatch(const EntryWatch &) = delete;
    EntryWatch &operator=(const EntryWatch &) = delete;

    // The events so far that break the rule, one text each ("open .../fifo").
    std::vector<std::string> offences()
    {
        std::vector<std::string> found;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const std::string name = event->len ? std::string(event->name) : std::string();
                const std::uint32_t change
                    = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
                if ((event->mask & IN_Q_OVERFLOW) || (!name.empty() && (event->mask & (IN_OPEN | IN_ACCESS)))
                    || (event->mask & change))
                    found.push_back(describe(event->mask) + ' ' + m_folders[event->wd] + '/' + displayText(name));
            }
        }
        return found;
    }

private:
    static std::string describe(std::uint32_t mask)
    {
        std::string text;
        for (const auto &[bit, what] : std::initializer_list<std::pair<std::uint32_t, const char *>> {
                 { IN_OPEN, "open" }, { IN_ACCESS, "read" }, { IN_MODIFY, "write" }, { IN_ATTRIB, "attributes" },
                 { IN_CLOSE_WRITE, "close-write" }, { IN_CREATE, "create" }, { IN_DELETE, "delete" },
                 { IN_MOVED_FROM, "move" }, { IN_MOVED_TO, "move" }, { IN_Q_OVERFLOW, "overflow" } }) {
            if (mask & bit)
                text += text.empty() ? what : std::string("+") + what;
        }
        return text;
    }

    int m_fd;
    std::map<int, std::string> m_folders;
};

// Date texts in these tests are read in UTC with the C locale's patterns.
class Hostile : public ::testing::Test
{
protected:
    void SetUp() override { DateTimeText::setUserLocale("C"); }
    void TearDown() override { DateTimeText::setUserLocale(DateTimeText::localeFromEnvironment()); }

    EnvGuard m_zone { "TZ", "UTC" };
};

// Cells of a row, from 0.
constexpr int Mark = 1, Accessed = 3, Modified = 4, Size = 5;

TEST_F(Hostile, NamesReachTheTableByteExactAndAreShownReadably)
{
    const HostileFolder root { "names" };
    const std::string folder = root / "names";
    EntryWatch watch({ folder });
    const RecordingGrid grid = fill(folder);

    expectOneRowPerFile(folder, grid);
    EXPECT_GE(grid.rows, 27u);
    std::set<std::string> shownTexts;
    for (std::size_t row = 1; row <= grid.rows; ++row) {
        const std::string name = grid.text(1, row);
        const std::vector<std::string> cells = grid.row(row);
        // The query reached the file through its exact bytes: it has its dates (all the files are empty).
        EXPECT_FALSE(cells[Modified].empty()) << displayText(name);
        EXPECT_FALSE(cells[Accessed].empty()) << displayText(name);
        EXPECT_EQ(cells[Size], "0KB") << displayText(name);

        const std::string shown = displayText(name);
        EXPECT_EQ(misleadingIn(shown), "") << shown;
        EXPECT_EQ(quorrix::test::undoDisplayText(shown), name) << shown;
        EXPECT_TRUE(shownTexts.insert(shown).second) << "two names shown alike: " << shown;
    }
    EXPECT_EQ(watch.offences(), std::vector<std::string> {});

    // What a reader sees for the names most likely to mislead.
    const std::map<std::string, std::string> expected {
        { "line\nbreak.txt", "line\\nbreak.txt" },
        { "line\\nbreak.txt", "line\\\\nbreak.txt" },
        { "\xFF\xFE-bytes", "\\xFF\\xFE-bytes" },
        { "literal-\\xFF.txt", "literal-\\\\xFF.txt" },
        { "rlo-\xE2\x80\xAEtxt.exe", "rlo-\\u202Etxt.exe" },
        { "esc-\x1B[31mred\x1B[0m.txt", "esc-\\x1B[31mred\\x1B[0m.txt" },
        { "c1-\xC2\x85-nel.txt", "c1-\\u0085-nel.txt" },
        { "zero-width-a\xE2\x80\x8B"
          "b.txt",
            "zero-width-a\\u200Bb.txt" },
        { "\xEF\xBB\xBF"
          "bom.txt",
            "\\uFEFFbom.txt" },
        { "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB.txt",
            "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB.txt" },
    };
    const auto rows = rowsByName(grid);
    for (const auto &[name, shown] : expected) {
        EXPECT_TRUE(rows.contains(name)) << shown;
        EXPECT_EQ(displayText(name), shown);
    }
    // The longest name a file system takes.
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto &row) { return row.first.size() == 255; }));
}

TEST_F(Hostile, AFolderWithAHostileNameIsListedThroughItsBytes)
{
    const HostileFolder root { "names" };
    const std::string folder = root / "names/dir-\xFF\n";
    const RecordingGrid grid = fill(folder);
    ASSERT_EQ(grid.rows, 1u);
    EXPECT_EQ(grid.text(1, 1), "inside.txt");
    EXPECT_FALSE(grid.text(5, 1).empty());
}

// A FIFO that no one writes to, a socket, a device, and links to them, to nothing, to themselves and to a
// folder: listed (but the folder link), described from their status alone, never opened.
TEST_F(Hostile, SpecialFilesAndLinksAreListedWithoutBeingOpened)
{
    const HostileFolder root { "special", "links" };
    const std::string special = root / "special";
    const std::string links = root / "links";
    EntryWatch watch({ special, links });

    const RecordingGrid specialGrid = fill(special);
    const RecordingGrid linkGrid = fill(links);

    expectOneRowPerFile(special, specialGrid);
    expectOneRowPerFile(links, linkGrid);
    EXPECT_EQ(watch.offences(), std::vector<std::string> {});

    struct Expected {
        const char *name;
        const char *mark;
        const char *size;
    };
    // Neither a regular file nor a folder: system. A link is described by its target; a link that leads
    // nowhere, by itself.
    const std::vector<Expected> specialRows = {
        { "plain.txt", "", "0KB" },
        { "fifo", "S", "0KB" },
        { "socket", "S", "0KB" },
        { "device", "S", "0KB" },
    };
    const std::vector<Expected> linkRows = {
        { "target.txt", "", "2KB" },
        { "to-file", "", "2KB" },
        { "fifo-target", "S", "0KB" },
        { "to-fifo", "S", "0KB" },
        { "to-device", "S", "0KB" },
        { "dangling", "S", "0KB" },
        { "loop-a", "S", "0KB" },
        { "loop-b", "S", "0KB" },
        { "self", "S", "0KB" },
    };
    for (const auto &[grid, expected] :
        { std::pair { &specialGrid, &specialRows }, std::pair { &linkGrid, &linkRows } }) {
        const auto rows = rowsByName(*grid);
        for (const Expected &row : *expected) {
            const auto found = rows.find(row.name);
            if (found == rows.end()) {
                // Only a device node may be missing: making one can be refused.
                EXPECT_STREQ(row.name, "device");
                continue;
            }
            EXPECT_EQ(found->second[Mark], row.mark) << row.name;
            EXPECT_EQ(found->second[Size], row.size) << row.name;
            EXPECT_FALSE(found->second[Modified].empty()) << row.name;
        }
    }
    const auto linkNames = rowsByName(linkGrid);
    EXPECT_FALSE(linkNames.contains("to-folder"));
    EXPECT_FALSE(linkNames.contains("folder"));
}

TEST_F(Hostile, NamingSpecialAndHostileEntriesOnTheCommandLine)
{
    const HostileFolder root { "names", "special", "links", "deep" };
    EntryWatch watch({ root / "names", root / "special", root / "links" });
    const std::string deep = test::innermostFolder(root / "deep");
    std::string atLimit, beyondLimit;
    for (const std::string &name : quorrix::test::nonFolderNames(deep))
        (name.starts_with("at-limit") ? atLimit : beyondLimit) = deep + '/' + name;
    ASSERT_EQ(atLimit.size(), 4095u);

    struct Case {
        std::string argument;
        std::string startFolder;
    };
    const std::vector<Case> cases = {
        { root / "names/line\nbreak.txt", root / "names" },
        { root / "names/\xFF\xFE-bytes", root / "names" },
        { root / "names/dir-\xFF\n", root / "names/dir-\xFF\n" },
        { root / "names/rlo-*", root / "names" },
        // A system entry gives no start folder, whatever kind it is.
        { root / "special/fifo", "" },
        { root / "special/socket", "" },
        { root / "links/dangling", "" },
        { root / "links/loop-a", "" },
        { root / "links/to-fifo", "" },
        { root / "links/to-file", root / "links" },
        { root / "links/to-folder", root / "links/to-folder" },
        { atLimit, deep },
        { beyondLimit, "" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(Module1::s_CMDPATH(c.argument), c.startFolder) << displayText(c.argument);
    EXPECT_EQ(watch.offences(), std::vector<std::string> {});
}

TEST_F(Hostile, ARefusedFileKeepsItsRowAndUnreadableFoldersThrow)
{
    if (test::bypassesPermissions())
        GTEST_SKIP() << "this process reads folders whatever their permissions";
    const HostileFolder root { "perms" };
    const std::string perms = root / "perms";
    FileList list;
    const RecordingGrid grid = fill(list, perms);

    // Folders, readable or not, have no row; the file without permissions is described from its status.
    expectOneRowPerFile(perms, grid);
    const auto rows = rowsByName(grid);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at("noperm.txt")[Mark], "R");
    EXPECT_EQ(rows.at("noperm.txt")[Size], "2KB");
    EXPECT_FALSE(rows.at("noperm.txt")[Modified].empty());
    EXPECT_EQ(rows.at("readable.txt")[Mark], "");

    for (const char *refused : { "nodir", "enteronly" }) {
        SCOPED_TRACE(refused);
        try {
            list.setPath(perms + '/' + refused);
            ADD_FAILURE() << "a folder that cannot be read was listed";
        } catch (const std::system_error &error) {
            EXPECT_EQ(error.code().value(), EACCES);
        }
        // The list keeps what it showed.
        EXPECT_EQ(list.path(), perms);
        EXPECT_EQ(list.count(), 2u);
    }
}

// r-- without x: the names can be read, nothing about the files can. Each still has its row, with empty cells
// and no size.
TEST_F(Hostile, AFolderThatCanBeListedButNotEnteredGivesRowsWithEmptyCells)
{
    if (test::bypassesPermissions())
        GTEST_SKIP() << "this process reads folders whatever their permissions";
    const HostileFolder root { "perms" };
    const std::string folder = root / "perms/listonly";
    const RecordingGrid grid = fill(folder);
    ASSERT_EQ(grid.rows, 2u);
    EXPECT_EQ(grid.row(1), (std::vector<std::string> { "a.txt", "", "", "", "", "0KB" }));
    EXPECT_EQ(grid.row(2), (std::vector<std::string> { "b.txt", "", "", "", "", "0KB" }));
}

TEST_F(Hostile, SparseFilesOfGigabytesAreSizedNotRead)
{
    const HostileFolder root { "sizes" };
    const std::string folder = root / "sizes";
    EntryWatch watch({ folder });
    const RecordingGrid grid = fill(folder);
    expectOneRowPerFile(folder, grid);
    const auto rows = rowsByName(grid);

    EXPECT_EQ(rows.at("sparse-3GiB.bin")[Size], "3145728KB");
    EXPECT_EQ(rows.at("sparse-2GiB.bin")[Size], "2097152KB");
    EXPECT_EQ(rows.at("1536.bin")[Size], "2KB");
    EXPECT_EQ(rows.at("empty.bin")[Size], "0KB");

    std::string mark, created, accessed, modified, size;
    Module1::s_FILEINFO(folder + "/sparse-3GiB.bin", mark, created, accessed, modified, size);
    EXPECT_EQ(size, "3221225472");
    EXPECT_EQ(watch.offences(), std::vector<std::string> {});
}

TEST_F(Hostile, TimesBefore1970After2038AndWithNanoseconds)
{
    const HostileFolder root { "times" };
    const std::string folder = root / "times";
    const RecordingGrid grid = fill(folder);
    expectOneRowPerFile(folder, grid);
    const auto rows = rowsByName(grid);

    struct Case {
        const char *name;
        std::int64_t seconds; // as set, UTC
        const char *text;
    };
    const std::vector<Case> cases = {
        { "before-1970.txt", test::utcSeconds(1960, 1, 1, 9, 30), "1960/01/01 9:30:00" },
        // Half a second before the epoch is second -1, not second 0.
        { "just-before-1970.txt", -1, "1969/12/31 23:59:59" },
        { "year-2100.txt", test::utcSeconds(2100, 1, 1, 12), "2100/01/01 12:00:00" },
        { "midnight-2100.txt", test::utcSeconds(2100, 12, 31), "2100/12/31" },
        // Nanoseconds never round the second up.
        { "nanoseconds.txt", test::utcSeconds(2021, 3, 4, 5, 6, 7), "2021/03/04 5:06:07" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        struct stat status;
        ASSERT_EQ(::lstat((folder + '/' + c.name).c_str(), &status), 0);
        if (status.st_mtime != c.seconds) {
            // The file system cannot hold this time (an ext4 with small inodes stops at 2038).
            std::printf("skipped %s: the file system keeps %lld\n", c.name, static_cast<long long>(status.st_mtime));
            continue;
        }
        EXPECT_EQ(rows.at(c.name)[Accessed], c.text);
        EXPECT_EQ(rows.at(c.name)[Modified], c.text);
    }
}

TEST_F(Hostile, DosAttributesKeptAsHexadecimalText)
{
    const HostileFolder root { "attrs" };
    const std::string folder = root / "attrs";
    char value[16];
    if (::getxattr((folder + "/dos20.txt").c_str(), "user.DOSATTRIB", value, sizeof value) < 0)
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const RecordingGrid grid = fill(folder);
    expectOneRowPerFile(folder, grid);
    const auto rows = rowsByName(grid);

    // Every file is read-only by its permissions, so "R" would mean the attribute was not used.
    EXPECT_EQ(rows.at("dos22.txt")[Mark], ""); // hidden and archive
    EXPECT_EQ(rows.at("dos21.txt")[Mark], ""); // read-only and archive
    EXPECT_EQ(rows.at("dos20.txt")[Mark], "A");
    EXPECT_EQ(rows.at("dos20-blob.txt")[Mark], "A"); // the text, a NUL, then binary data
    EXPECT_EQ(rows.at("dos-garbage.txt")[Mark], "R"); // not hexadecimal: formed from the permissions
}

TEST_F(Hostile, FortyThousandFilesPastTheOld16BitCount)
{
    const HostileFolder root { "many" };
    const RecordingGrid grid = fill(root / "many");

    ASSERT_EQ(grid.rows, 40000u);
    // The row count is set once, to its final value.
    EXPECT_EQ(std::count(grid.log.begin(), grid.log.end(), "rows 40000"), 1);
    for (std::size_t row = 1; row <= grid.rows; ++row) {
        // Natural order: file1, file2, ... file40000.
        ASSERT_EQ(grid.text(1, row), "file" + std::to_string(row));
        ASSERT_FALSE(grid.text(5, row).empty()) << row;
        ASSERT_EQ(grid.text(6, row), "0KB") << row;
    }
}

TEST_F(Hostile, PathsAtAndBeyondTheLengthLimit)
{
    const HostileFolder root { "deep" };
    const std::string folder = test::innermostFolder(root / "deep");
    const std::vector<std::string> names = quorrix::test::nonFolderNames(folder);
    ASSERT_EQ(names.size(), 2u);
    const std::string &atLimit = names[0].starts_with("at-limit") ? names[0] : names[1];
    const std::string &beyondLimit = names[0].starts_with("at-limit") ? names[1] : names[0];
    ASSERT_EQ(folder.size() + 1 + atLimit.size(), 4095u);
    ASSERT_GT(folder.size() + 1 + beyondLimit.size(), 4095u);

    const RecordingGrid grid = fill(folder);
    expectOneRowPerFile(folder, grid);
    const auto rows = rowsByName(grid);
    EXPECT_EQ(rows.at(atLimit)[Size], "2KB");
    EXPECT_FALSE(rows.at(atLimit)[Modified].empty());

    // Asked about directly, the longest path the system takes is read; a longer one is a file that cannot be
    // read, and the query says so softly.
    std::string mark, created = "kept", accessed = "kept", modified = "kept", size;
    Module1::s_FILEINFO(folder + '/' + atLimit, mark, created, accessed, modified, size);
    EXPECT_EQ(size, "1536");
    EXPECT_NE(modified, "kept");
    mark = "x";
    modified = "kept";
    Module1::s_FILEINFO(folder + '/' + beyondLimit, mark, created, accessed, modified, size);
    EXPECT_EQ(mark, "");
    EXPECT_EQ(modified, "kept");
    EXPECT_EQ(size, "0");
}

// Timestamps of an entry, to the nanosecond.
struct Times {
    timespec accessed, modified, changed;
    bool link = false;
    // Equal times; the access time of a link is left out: the system updates it whenever a path through the
    // link is resolved, and a link's target cannot be described without resolving it.
    friend bool operator==(const Times &a, const Times &b)
    {
        const auto same
            = [](const timespec &x, const timespec &y) { return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec; };
        return (a.link || same(a.accessed, b.accessed)) && same(a.modified, b.modified) && same(a.changed, b.changed);
    }
};

Times timesOf(int folder, const char *name)
{
    struct stat status;
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::system_error(errno, std::generic_category(), name);
    return { status.st_atim, status.st_mtim, status.st_ctim, S_ISLNK(status.st_mode) };
}

// The times of every entry of `folder`, by name.
std::map<std::string, Times> timesIn(const std::string &folder)
{
    std::map<std::string, Times> times;
    const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), folder);
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        times[name] = timesOf(fd, name.c_str());
    }
    ::close(fd);
    return times;
}

std::vector<std::string> changedBetween(
    const std::map<std::string, Times> &before, const std::map<std::string, Times> &after)
{
    std::vector<std::string> changed;
    for (const auto &[name, times] : before) {
        const auto found = after.find(name);
        if (found == after.end() || !(found->second == times))
            changed.push_back(displayText(name));
    }
    return changed;
}

// Listing and describing, twice over, changes no entry: not its access time (which the table shows), not
// its modification or status-change time.
TEST_F(Hostile, ListingTwiceChangesNoEntry)
{
    const HostileFolder root { "names", "special", "links", "sizes", "times", "attrs" };
    std::vector<std::string> folders;
    for (const char *part : { "names", "special", "links", "sizes", "times", "attrs" })
        folders.push_back(root / part);
    std::map<std::string, std::map<std::string, Times>> before;
    for (const std::string &folder : folders)
        before[folder] = timesIn(folder);

    for (int pass = 0; pass < 2; ++pass) {
        FileList list;
        for (const std::string &folder : folders)
            fill(list, folder);
    }

    for (const std::string &folder : folders)
        EXPECT_EQ(changedBetween(before[folder], timesIn(folder)), std::vector<std::string> {}) << folder;
}

// Reading a folder's entries counts as accessing it, and with relatime the system updates an access time
// older than the modification time or a day. Listing must leave it as it was.
TEST_F(Hostile, ListingLeavesTheFolderAccessTimeAsItWas)
{
    const HostileFolder root { "sizes" };
    const std::string folder = root / "sizes";
    // An access time long past, as a folder not looked at for a while has.
    test::setTimes(folder, { test::utcSeconds(2001, 1, 1), 0 }, { test::utcSeconds(2002, 1, 1), 0 });
    // Taken without reading the folder, which would itself update the time.
    const Times before = timesOf(AT_FDCWD, folder.c_str());

    FileList list;
    fill(list, folder);
    list.refresh();

    const Times after = timesOf(AT_FDCWD, folder.c_str());
    EXPECT_EQ(after.accessed.tv_sec, before.accessed.tv_sec);
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec);
}

} // namespace
