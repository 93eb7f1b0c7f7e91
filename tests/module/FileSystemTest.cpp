#include "FileSystem.h"
#include "TestSupport.h"
#include "posix/FileSystemPosix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>
#include <vector>

using namespace quorrix;
using quorrix::test::TempDir;

namespace quorrix
{
void PrintTo(const FileTime &time, std::ostream *out)
{
    *out << time.seconds << "." << time.nanoseconds;
}
}

namespace
{

void makeLink(const std::string &target, const std::string &link)
{
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
}

void makeFifo(const std::string &path)
{
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

// Sets user.DOSATTRIB to `value`; returns the errno, 0 on success.
int setDosAttrib(const std::string &path, std::string_view value)
{
    return ::setxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0 ? 0 : errno;
}

// The errno that `action` throws with, or 0 when it does not throw.
template<typename Action>
int errorOf(Action action)
{
    try {
        action();
    } catch (const std::system_error &error) {
        return error.code().value();
    }
    return 0;
}

} // namespace

// ---- Attribute value formed from the entry --------------------------------------------------------------

enum class Entry { File, Folder, Fifo, LinkToFile, DanglingLink };

struct FormedCase {
    const char *label;
    Entry entry;
    const char *name;
    mode_t mode; // of the entry, or of a link's target
    int expected;
};

void PrintTo(const FormedCase &row, std::ostream *out)
{
    *out << row.label;
}

const FormedCase formedCases[] = {
    { "plain", Entry::File, "plain", 0644, 0 },
    { "readOnly", Entry::File, "ro", 0444, 1 },
    { "writableByGroupOnly", Entry::File, "g", 0464, 0 },
    { "hidden", Entry::File, ".hidden", 0644, 2 },
    { "readOnlyHidden", Entry::File, ".ro", 0400, 3 },
    { "folder", Entry::Folder, "dir", 0755, 0 },
    { "hiddenFolderTrailingSlash", Entry::Folder, ".dir/", 0755, 2 },
    { "readOnlyFolder", Entry::Folder, "rodir", 0555, 1 },
    { "dotIsNotHidden", Entry::Folder, "sub/.", 0755, 0 },
    { "fifo", Entry::Fifo, "fifo", 0644, 4 },
    { "readOnlyHiddenFifo", Entry::Fifo, ".fifo", 0444, 7 },
    { "danglingLink", Entry::DanglingLink, "dangling", 0, 4 },
    { "linkToReadOnlyFile", Entry::LinkToFile, "link", 0444, 1 },
    { "hiddenLinkToPlainFile", Entry::LinkToFile, ".link", 0644, 2 },
};

class FileSystemFormedAttributes : public testing::TestWithParam<FormedCase>
{
};

TEST_P(FileSystemFormedAttributes, ValueCombinesReadOnlyHiddenAndSystem)
{
    const auto &[label, entry, name, mode, expected] = GetParam();
    const TempDir dir;
    const std::string path = dir / name;
    switch (entry) {
    case Entry::File:
        dir.file(name);
        break;
    case Entry::Folder:
        dir.folder(name);
        break;
    case Entry::Fifo:
        makeFifo(path);
        break;
    case Entry::LinkToFile:
        dir.file("target");
        makeLink("target", path);
        break;
    case Entry::DanglingLink:
        makeLink("missing", path);
        break;
    }
    ::chmod(path.c_str(), mode); // through a link, the target's
    EXPECT_EQ(FileSystemObject().GetFile(path).Attributes(), expected);
}

INSTANTIATE_TEST_SUITE_P(Entries, FileSystemFormedAttributes, testing::ValuesIn(formedCases),
    [](const testing::TestParamInfo<FormedCase> &row) { return std::string(row.param.label); });

// ---- Attribute value kept in user.DOSATTRIB -------------------------------------------------------------

TEST(FileSystemDosAttrib, HexTextGivesTheValue)
{
    const TempDir dir;
    const std::string probe = dir.file("probe");
    if (const int error = setDosAttrib(probe, "0x20"); error != 0)
        GTEST_SKIP() << "the temporary folder's file system refuses user xattrs: " << std::strerror(error);

    const struct {
        std::string text;
        int expected;
    } cases[] = {
        { "0x20", 32 }, // archive
        { "0x21", 33 }, // read-only and archive
        { "0x22", 34 }, // hidden and archive
        { "0x06", 6 }, // hidden and system
        { "0X1", 1 }, // upper-case prefix
        { std::string("0x22\0\x03\x00\x04\x00\xff", 10), 34 }, // text, NUL, binary record
        { "0x2020", 32 }, // a bit outside the attribute value (not indexed) is dropped
        { "0x80", 0 }, // "normal" alone
        { "junk", 0 }, // unreadable text: the value is formed
        { "0x", 0 }, // no digits
        { "0x123456789", 0 }, // more than 32 bits
        { "0x21" + std::string(1, '\0') + std::string(400, '\x7f'), 33 }, // a record longer than most
    };
    for (const auto &[text, expected] : cases) {
        ASSERT_EQ(setDosAttrib(probe, text), 0);
        EXPECT_EQ(FileSystemObject().GetFile(probe).Attributes(), expected) << text;
    }
}

TEST(FileSystemDosAttrib, OverridesTheFormedValueAndDrivesTheSearch)
{
    const TempDir dir;
    const std::string dotted = dir.file(".dotted");
    const std::string marked = dir.file("marked");
    if (setDosAttrib(dotted, "0x20") != 0 || setDosAttrib(marked, "0x2") != 0)
        GTEST_SKIP() << "the temporary folder's file system refuses user xattrs";

    EXPECT_EQ(FileSystemObject().GetFile(dotted).Attributes(), 32);
    EXPECT_EQ(FileSystemObject().GetFile(marked).Attributes(), 2);
    EXPECT_EQ(findFirstFile(dotted, SearchPlain), ".dotted");
    EXPECT_EQ(findFirstFile(marked, SearchPlain), std::nullopt);
    EXPECT_EQ(findFirstFile(marked, SearchHidden), "marked");
}

// ---- GetFile and fileLength -----------------------------------------------------------------------------

TEST(FileSystemGetFile, ReadsTimesAndSize)
{
    const TempDir dir;
    const std::string path = dir.file("file", 1536);
    const FileTime accessed { test::utcSeconds(2001, 2, 3, 4, 5, 6), 700 };
    const FileTime modified { test::utcSeconds(1999, 12, 31, 23, 59, 59), 999999999 };
    test::setTimes(path, accessed, modified);

    const FileObject file = FileSystemObject().GetFile(path);
    EXPECT_EQ(file.DateLastAccessed(), accessed);
    EXPECT_EQ(file.DateLastModified(), modified);
    EXPECT_EQ(file.Size(), 1536);
    EXPECT_EQ(fileLength(path), 1536);
    EXPECT_TRUE(file.isRegular());
    EXPECT_FALSE(file.isFolder());
}

// A fill holds its folder open and asks about each entry by name in it; the answers must be those of the
// whole path, and must follow the path again once the scope has ended.
TEST(FileSystemFolderScope, AnswersAsTheWholePathDoes)
{
    const TempDir dir;
    dir.folder("shown");
    dir.folder("other");
    const std::string plain = dir.file("shown/plain", 1536);
    const std::string hidden = dir.file("shown/.hidden", 10);
    const std::string elsewhere = dir.file("other/plain", 700);
    const std::string nested = dir.file("shown/../other/nested", 5);
    ASSERT_EQ(::symlink("plain", (dir / "shown/link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "shown/dangling").c_str()), 0);
    test::setTimes(plain, { test::utcSeconds(2001, 2, 3, 4, 5, 6), 7 }, { test::utcSeconds(1999, 1, 2), 0 });

    struct Answer {
        int attributes;
        std::int64_t size;
        std::optional<FileTime> modified;
        bool regular;
        bool operator==(const Answer &) const = default;
    };
    const auto ask = [](const std::string &path) {
        const FileObject file = FileSystemObject().GetFile(path);
        return Answer { file.Attributes(), file.Size(), file.DateLastModified(), file.isRegular() };
    };
    const std::string paths[] = { plain, hidden, dir / "shown/link", dir / "shown/dangling", elsewhere, nested };
    std::vector<Answer> walked;
    for (const std::string &path : paths)
        walked.push_back(ask(path));
    EXPECT_EQ(walked[0].size, 1536);
    EXPECT_EQ(walked[1].attributes, Attribute::Hidden);
    EXPECT_EQ(walked[2].size, 1536);
    EXPECT_EQ(walked[3].attributes, Attribute::System);
    EXPECT_EQ(walked[4].size, 700);

    {
        const FolderScope scope(dir / "shown");
        for (std::size_t i = 0; i < std::size(paths); ++i)
            EXPECT_EQ(ask(paths[i]), walked[i]) << paths[i];
        EXPECT_EQ(fileLength(plain), 1536);
        EXPECT_THROW(FileSystemObject().GetFile(dir / "shown/missing"), std::system_error);
        EXPECT_THROW(fileLength(dir / "shown/missing"), std::system_error);
        {
            // An inner scope answers for its own folder; the outer one is back when it ends.
            const FolderScope inner(dir / "other");
            EXPECT_EQ(ask(elsewhere), walked[4]);
            EXPECT_EQ(ask(plain), walked[0]);
        }
        EXPECT_EQ(ask(plain), walked[0]);
    }

    // The folder is replaced by another of the same name: only a scope begun now may look into it.
    ASSERT_EQ(::rename((dir / "shown").c_str(), (dir / "gone").c_str()), 0);
    ASSERT_EQ(::rename((dir / "other").c_str(), (dir / "shown").c_str()), 0);
    EXPECT_EQ(ask(dir / "shown/plain").size, 700);
    const FolderScope scope(dir / "shown");
    EXPECT_EQ(ask(dir / "shown/plain").size, 700);
}

TEST(FileSystemFolderScope, FolderThatCannotBeOpenedIsNotKept)
{
    const TempDir dir;
    const std::string file = dir.file("file", 3);
    const FolderScope notAFolder(file);
    const FolderScope missing(dir / "missing");
    EXPECT_EQ(FileSystemObject().GetFile(file).Size(), 3);
}

TEST(FileSystemGetFile, BirthTimeOnlyWhereTheFileSystemKeepsOne)
{
    const TempDir dir;
    const std::string path = dir.file("born");
    test::setTimes(path, { 1000, 0 }, { 2000, 0 });
    struct statx status;
    ASSERT_EQ(::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &status), 0);

    const FileObject file = FileSystemObject().GetFile(path);
    if (status.stx_mask & STATX_BTIME) {
        const std::optional<FileTime> created = file.DateCreated();
        ASSERT_TRUE(created);
        EXPECT_EQ(created->seconds, status.stx_btime.tv_sec);
        EXPECT_EQ(created->nanoseconds, status.stx_btime.tv_nsec);
        EXPECT_NE(created, file.DateLastModified());
    } else {
        EXPECT_FALSE(file.DateCreated());
    }
}

TEST(FileSystemGetFile, FailsWhenThePathNamesNothing)
{
    const TempDir dir;
    const std::string file = dir.file("file");
    // A NUL inside a path must not find "file" by cutting the path there.
    const struct {
        std::string path;
        int error;
    } cases[] = {
        { dir / "missing", ENOENT },
        { dir / "missing/deeper", ENOENT },
        { file + "/below-a-file", ENOTDIR },
        { "", ENOENT },
        { file + std::string("\0tail", 5), EINVAL },
    };
    for (const auto &[path, error] : cases) {
        EXPECT_EQ(errorOf([&] { FileSystemObject().GetFile(path); }), error) << path;
        EXPECT_EQ(errorOf([&] { fileLength(path); }), error) << path;
    }
}

TEST(FileSystemGetFile, LinkGivesItsTarget)
{
    const TempDir dir;
    const std::string target = dir.file("target", 1536);
    const FileTime modified { test::utcSeconds(2010, 6, 1, 12), 0 };
    test::setTimes(target, modified, modified);
    makeLink("target", dir / "link");

    const FileObject file = FileSystemObject().GetFile(dir / "link");
    EXPECT_EQ(file.Size(), 1536);
    EXPECT_EQ(fileLength(dir / "link"), 1536);
    EXPECT_EQ(file.DateLastModified(), modified);
    EXPECT_TRUE(file.isRegular());
}

TEST(FileSystemGetFile, DanglingOrLoopingLinkGivesTheLinkItself)
{
    const TempDir dir;
    const std::string target = "no-such-target";
    makeLink(target, dir / "dangling");
    makeLink("loop-b", dir / "loop-a");
    makeLink("loop-a", dir / "loop-b");
    // Only the modification time can be checked: following the link to find its target is a read of the
    // link, which moves its access time.
    const FileTime modified { test::utcSeconds(2004, 4, 4, 4, 4, 4), 40 };

    for (const std::string name : { "dangling", "loop-a" }) {
        const std::string link = dir / name;
        test::setTimes(link, modified, modified);
        const FileObject file = FileSystemObject().GetFile(link);
        EXPECT_EQ(file.DateLastModified(), modified) << name;
        EXPECT_FALSE(file.isRegular()) << name;
        EXPECT_EQ(file.Attributes(), Attribute::System) << name;
    }
    EXPECT_EQ(fileLength(dir / "dangling"), static_cast<std::int64_t>(target.size()));
}

TEST(FileSystemGetFile, SizeBeyondFourGibibytesIsExact)
{
    const TempDir dir;
    const std::string path = dir.file("sparse");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const int truncated = ::ftruncate(fd, 3221225472);
    ::close(fd);
    ASSERT_EQ(truncated, 0) << std::strerror(errno);

    EXPECT_EQ(FileSystemObject().GetFile(path).Size(), 3221225472);
    EXPECT_EQ(fileLength(path), 3221225472);
}

// ---- File search ----------------------------------------------------------------------------------------

class FileSystemSearch : public testing::Test
{
protected:
    void SetUp() override
    {
        dir.file("plain.txt");
        ::chmod(dir.file("readonly.txt").c_str(), 0444);
        dir.file(".hidden.txt");
        dir.folder("folder");
        dir.folder(".hiddenfolder");
        dir.file("data1.log");
        dir.file("data2.log");
        dir.file("bad\xff.txt");
        dir.folder("only/sub");
        dir.file("only/.inner");
        makeFifo(dir / "fifo");
        makeLink("gone", dir / "dangling");
        dir.file("Photo [1].jpg");
        dir.folder("Album [2024]");
        dir.file("back\\slash.txt");
        dir.file("\xc3\xa9.txt");
    }

    TempDir dir;
};

TEST_F(FileSystemSearch, AdmitsEntriesByTheirClasses)
{
    const struct {
        const char *pattern;
        unsigned admitted;
        std::optional<std::string> found;
    } cases[] = {
        { "plain.txt", SearchPlain, "plain.txt" },
        { "plain.txt", SearchHidden | SearchSystem, "plain.txt" },
        { "readonly.txt", SearchPlain, "readonly.txt" },
        { ".hidden.txt", SearchPlain, std::nullopt },
        { ".hidden.txt", SearchReadOnly | SearchSystem | SearchFolder, std::nullopt },
        { ".hidden.txt", SearchHidden, ".hidden.txt" },
        { "folder", SearchPlain, std::nullopt },
        { "folder", SearchHidden, std::nullopt },
        { "folder", SearchFolder, "folder" },
        { "folder/", SearchFolder, "folder" },
        { ".hiddenfolder", SearchFolder, std::nullopt },
        { ".hiddenfolder", SearchHidden, std::nullopt },
        { ".hiddenfolder", SearchHidden | SearchFolder, ".hiddenfolder" },
        { "fifo", SearchPlain, std::nullopt },
        { "fifo", SearchHidden, std::nullopt },
        { "fifo", SearchSystem, "fifo" },
        { "dangling", SearchPlain, std::nullopt },
        { "dangling", SearchSystem, "dangling" },
        { "plain.txt/", SearchPlain | SearchFolder, std::nullopt },
        { "missing.txt", SearchPlain, std::nullopt },
        // Brackets and backslashes are parts of names; "?" is one character, whatever its bytes.
        { "data[2].log", SearchPlain, std::nullopt },
        { "Photo [1].jpg", SearchPlain, "Photo [1].jpg" },
        { "Photo [?].*", SearchPlain, "Photo [1].jpg" },
        { "*[1]*", SearchPlain, "Photo [1].jpg" },
        { "Album [2024]", SearchFolder, "Album [2024]" },
        { "Album [2024*/", SearchFolder, "Album [2024]" },
        { "back\\s*", SearchPlain, "back\\slash.txt" },
        { "?.txt", SearchPlain, "\xc3\xa9.txt" },
        { "??.txt", SearchPlain | SearchHidden | SearchSystem | SearchFolder, std::nullopt },
        { "bad?.txt", SearchPlain, "bad\xff.txt" },
        { "*.none", SearchPlain | SearchHidden | SearchSystem | SearchFolder, std::nullopt },
        { "missing/*.txt", SearchPlain, std::nullopt },
        { "only/*", SearchPlain, std::nullopt },
        { "only/*", SearchHidden, ".inner" },
        { "only/*", SearchFolder, "sub" },
        { "only/*/", SearchHidden, std::nullopt },
        { "fol*/", SearchFolder, "folder" },
        { "bad\xff.txt", SearchPlain, "bad\xff.txt" },
        { "bad\xfe.txt", SearchPlain, std::nullopt },
        { "bad*", SearchPlain, "bad\xff.txt" },
        { "plain\x01.txt", SearchPlain, std::nullopt },
        { "\tplain.txt", SearchPlain, std::nullopt },
    };
    for (const auto &[pattern, admitted, found] : cases)
        EXPECT_EQ(findFirstFile(dir / pattern, admitted), found) << pattern << " admitting " << admitted;
}

TEST_F(FileSystemSearch, WildcardsFindOneOfTheMatches)
{
    for (const char *pattern : { "*.log", "data?.log", "d*?.*g" }) {
        const auto found = findFirstFile(dir / pattern, SearchPlain);
        EXPECT_TRUE(found == "data1.log" || found == "data2.log") << pattern << ": " << found.value_or("nothing");
    }
    EXPECT_EQ(findFirstFile(dir / "DATA*.log", SearchPlain), std::nullopt) << "matching is case-sensitive";
}

TEST_F(FileSystemSearch, RootIsAFolder)
{
    EXPECT_EQ(findFirstFile("/", SearchFolder), "/");
    EXPECT_EQ(findFirstFile("/", SearchPlain), std::nullopt);
}

TEST_F(FileSystemSearch, MalformedPatternsFindNothing)
{
    const std::string cases[] = {
        "",
        "\"" + (dir / "plain.txt") + "\"",
        dir / "plain.txt" + std::string("\0junk", 5),
        std::string(1, '\0'),
        dir / std::string(5000, 'a'),
        dir / std::string(5000, '*'),
        std::string(5000, '/'),
        dir / "\x80\xc0\xff",
    };
    for (const std::string &pattern : cases)
        EXPECT_EQ(findFirstFile(pattern, SearchPlain | SearchHidden | SearchSystem | SearchFolder), std::nullopt)
            << pattern.substr(0, 80);
}

// ---- Folders --------------------------------------------------------------------------------------------

TEST(FileSystemListFolder, GivesEveryEntryWithItsResolvedKind)
{
    const TempDir dir;
    dir.file("file");
    dir.file("bad\xff\xfe");
    dir.file(".hidden");
    dir.folder("sub");
    makeLink("sub", dir / "to-sub");
    makeLink("file", dir / "to-file");
    makeLink("gone", dir / "dangling");
    makeFifo(dir / "fifo");

    std::map<std::string, bool> listed;
    listFolder(dir.path() + "/", [&](std::string_view name, bool folder) {
        EXPECT_TRUE(listed.emplace(name, folder).second) << "listed twice: " << name;
    });

    const std::map<std::string, bool> expected = {
        { "file", false },
        { "bad\xff\xfe", false },
        { ".hidden", false },
        { "sub", true },
        { "to-sub", true },
        { "to-file", false },
        { "dangling", false },
        { "fifo", false },
    };
    EXPECT_EQ(listed, expected);
}

TEST(FileSystemListFolder, FailsWhenTheFolderCannotBeRead)
{
    const TempDir dir;
    const std::string file = dir.file("file");
    const auto ignore = [](std::string_view, bool) {};
    EXPECT_EQ(errorOf([&] { listFolder(dir / "missing", ignore); }), ENOENT);
    EXPECT_EQ(errorOf([&] { listFolder(file, ignore); }), ENOTDIR);
    EXPECT_EQ(errorOf([&] { listFolder(dir.path() + std::string("\0", 1), ignore); }), EINVAL);
}

TEST(FileSystemFolders, ReadableFolderAndIsFolder)
{
    const TempDir dir;
    dir.folder("sub");
    dir.file("file");
    makeLink("sub", dir / "to-sub");
    makeLink("file", dir / "to-file");
    makeLink("gone", dir / "dangling");
    makeFifo(dir / "fifo");

    const struct {
        const char *name;
        bool folder;
        int readError;
    } cases[] = {
        { "sub", true, 0 },
        { "sub/", true, 0 },
        { "to-sub", true, 0 },
        { "file", false, ENOTDIR },
        { "to-file", false, ENOTDIR },
        { "fifo", false, ENOTDIR },
        { "dangling", false, ENOENT },
        { "missing", false, ENOENT },
    };
    for (const auto &[name, folder, readError] : cases) {
        EXPECT_EQ(isFolder(dir / name), folder) << name;
        EXPECT_EQ(errorOf([&] { checkReadableFolder(dir / name); }), readError) << name;
    }
    EXPECT_TRUE(isFolder("/"));
    EXPECT_FALSE(isFolder(dir.path() + std::string("\0", 1)));
}

TEST(FileSystemFolders, UnreadableFolderIsRefused)
{
    const TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string locked = dir.folder("locked");
    ::chmod(locked.c_str(), 0);

    // Root reads any folder: the checks run in a child process that gives up root first.
    const auto check = [&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            std::fputs("cannot give up root\n", stderr);
            std::_Exit(2);
        }
        const bool refused = isFolder(locked) && errorOf([&] { checkReadableFolder(locked); }) == EACCES
            && errorOf([&] { listFolder(locked, [](std::string_view, bool) {}); }) == EACCES;
        std::_Exit(refused ? 0 : 1);
    };
    // Forked here rather than in a death test, which keeps the child's output in a file of its own in /tmp.
    const pid_t child = ::fork();
    if (child == 0)
        check();
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(FileSystemFolders, CurrentDirectoryIsAbsoluteAndAFolder)
{
    const std::string current = currentDirectory();
    ASSERT_TRUE(current.starts_with('/'));
    EXPECT_TRUE(isFolder(current));
    struct stat here, there;
    ASSERT_EQ(::stat(".", &here), 0);
    ASSERT_EQ(::stat(current.c_str(), &there), 0);
    EXPECT_EQ(here.st_ino, there.st_ino);
    EXPECT_EQ(here.st_dev, there.st_dev);
}

// ---- Drives ---------------------------------------------------------------------------------------------

TEST(FileSystemDrives, MountTableGivesThePersonsFileSystemsInOrder)
{
    // Order is the table's, not the mount points'; some lines carry optional fields before the "-".
    const std::string_view table = "22 27 0:21 / /proc rw,relatime shared:12 - proc proc rw\n"
                                   "40 27 8:17 / /media/my\\040usb rw,nosuid shared:5 master:1 - vfat /dev/sdb1 rw\n"
                                   "41 27 0:40 / /tmp rw - tmpfs tmpfs rw\n"
                                   "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                                   "42 27 0:41 / /mnt/share rw - cifs //server/share rw\n"
                                   "43 27 0:42 / /mnt/nfs rw - nfs4 server:/export rw\n"
                                   "44 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
                                   "45 27 0:50 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                                   "46 27 0:51 / /runner rw - ext4 /dev/vdb rw\n"
                                   "47 27 8:33 / /mnt/data rw - ext4 /dev/sdc1 rw\n"
                                   "48 27 8:49 / /mnt/data rw - ext4 /dev/sdd1 rw\n"
                                   "49 27 0:54 / /mnt/auto rw - ext4 /dev/sde1 rw\n"
                                   "50 27 0:55 / /mnt/auto rw - autofs systemd-1 rw\n"
                                   "51 27 0:56 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                                   "52 27 0:57 / /home rw - btrfs /dev/mapper/vg-home rw\n"
                                   "53 27 0:58 / /Zip rw - ext4 /dev/sdf1 rw\n"
                                   "54 27 0:59 / /\xc3\xa9t\xc3\xa9 rw - ext4 /dev/sdg1 rw\n"
                                   "55 27 0:60 / /mnt/odd rw - fuse.sshfs me@host:/a\\040b rw\n"
                                   "56 27 0:61 / /mnt/bin rw - binfmt_misc binfmt_misc rw\n"
                                   "58 45 0:63 / /run/media/me/STICK rw - exfat /dev/sdh1 rw\n"
                                   "59 45 0:64 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
                                   "60 45 0:65 / /run/user/1000/doc rw - fuse.portal portal rw\n"
                                   "61 27 0:66 / /run/media/me rw - tmpfs tmpfs rw\n"
                                   "62 27 7:1 / /snap/core22/1380 ro - squashfs /dev/loop1 ro\n"
                                   "63 27 7:2 / /mnt/image ro - squashfs /dev/loop2 ro\n"
                                   "64 27 254:0 /srv/ctr/hosts /etc/hosts rw - ext4 /dev/vda rw\n"
                                   "65 27 254:0 /srv/data /srv/bound rw - ext4 /dev/vda rw\n"
                                   "garbage line\n"
                                   "57 27 0:62 / /mnt/short rw\n"
                                   "\n";
    std::vector<std::string> asked;
    const auto labelOf = [&](std::string_view device) {
        asked.emplace_back(device);
        return device == "/dev/sdb1" ? std::string("CAMERA") : std::string();
    };

    const std::vector<Drive> expected = {
        { "/", "/ [vda]" },
        { "/Zip", "/Zip [sdf1]" },
        { "/home", "/home [vg-home]" },
        { "/media/my usb", "/media/my usb [CAMERA]" },
        { "/mnt/data", "/mnt/data [sdd1]" },
        { "/mnt/image", "/mnt/image [loop2]" },
        { "/mnt/nfs", "/mnt/nfs [server:/export]" },
        { "/mnt/odd", "/mnt/odd [me@host:/a b]" },
        { "/mnt/share", "/mnt/share [//server/share]" },
        { "/run/media/me/STICK", "/run/media/me/STICK [sdh1]" },
        { "/run/user/1000/gvfs", "/run/user/1000/gvfs [gvfsd-fuse]" },
        { "/runner", "/runner [vdb]" },
        { "/srv/bound", "/srv/bound [vda]" },
        { "/tmp", "/tmp [tmpfs]" },
        { "/\xc3\xa9t\xc3\xa9", "/\xc3\xa9t\xc3\xa9 [sdg1]" },
    };
    // Only the two bind mounts of a part of a file system are asked whether they are folders.
    std::vector<std::string> checked;
    const auto isFolderMount = [&](std::string_view point) {
        checked.emplace_back(point);
        return point != "/etc/hosts";
    };
    EXPECT_EQ(parseMountInfo(table, labelOf, isFolderMount), expected);
    EXPECT_EQ(checked, (std::vector<std::string> { "/etc/hosts", "/srv/bound" }));
    EXPECT_NE(std::find(asked.begin(), asked.end(), "/dev/sdb1"), asked.end());

    // In a chroot "/" is no mount point, yet every folder must lie on a drive.
    const std::string_view chroot = "40 27 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n";
    EXPECT_EQ(parseMountInfo(chroot, labelOf),
        (std::vector<Drive> { { "/", "/" }, { "/media/usb", "/media/usb [CAMERA]" } }));
    EXPECT_EQ(parseMountInfo("", labelOf), (std::vector<Drive> { { "/", "/" } }));
}

TEST(FileSystemDrives, ThisSystemHasARootAndNoPseudoFileSystems)
{
    const std::vector<Drive> drives = readDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().mountPoint, "/");
    for (const Drive &drive : drives) {
        EXPECT_TRUE(drive.text.starts_with(drive.mountPoint)) << drive.text;
        EXPECT_FALSE(drive.mountPoint.starts_with("/proc/") || drive.mountPoint == "/proc") << drive.mountPoint;
        EXPECT_FALSE(drive.mountPoint.starts_with("/sys/") || drive.mountPoint == "/sys") << drive.mountPoint;
    }
    EXPECT_TRUE(driveOf(drives, currentDirectory()).has_value());
}

TEST(FileSystemDrives, DriveOfTakesTheLongestMountPointAtAComponentBoundary)
{
    const std::vector<Drive> drives = {
        { "/", "/ [vda]" },
        { "/media/usb", "/media/usb [A]" },
        { "/media/usb2", "/media/usb2 [B]" },
        { "/home", "/home [vdb]" },
    };
    const struct {
        const char *path;
        std::optional<std::size_t> drive;
    } cases[] = {
        { "/", 0 },
        { "/etc/passwd", 0 },
        { "/media", 0 },
        { "/media/usb", 1 },
        { "/media/usb/", 1 },
        { "/media/usb/x/y", 1 },
        { "/media/usb2/x", 2 },
        { "/media/usbx", 0 },
        { "/home/user", 3 },
        { "/homework", 0 },
        { "relative/path", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto &[path, drive] : cases)
        EXPECT_EQ(driveOf(drives, path), drive) << path;
    EXPECT_EQ(driveOf({}, "/"), std::nullopt);
    EXPECT_EQ(driveOf({ { "/media/usb", "/media/usb [A]" } }, "/etc"), std::nullopt);
}
