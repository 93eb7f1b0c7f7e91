#include "FileList.h"
#include "FolderSnapshot.h"
#include "FolderTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

using quorrix::FileList;
using quorrix::test::TempDir;

namespace
{

std::vector<std::string> namesOf(const FileList &list)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.count(); ++i)
        names.emplace_back(list.name(i));
    return names;
}

// Creates an empty file with exactly the bytes of `path`, whatever they are.
void touch(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "open " + path);
    ::close(fd);
}

void symlinkTo(const std::string &target, const std::string &link)
{
    std::filesystem::create_symlink(target, link);
}

int errorOf(FileList &list, const std::string &folder)
{
    try {
        list.setPath(folder);
    } catch (const std::system_error &error) {
        return error.code().value();
    }
    return 0;
}

TEST(FileList, ListsEveryEntryThatIsNotAFolder)
{
    TempDir dir;
    dir.file("plain.txt", 3);
    dir.file(".hidden");
    dir.folder("sub");
    dir.folder(".hiddenSub");
    symlinkTo(dir / "sub", dir / "linkToFolder");
    symlinkTo(dir / "plain.txt", dir / "linkToFile");
    symlinkTo(dir / "missing", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);

    FileList list;
    list.setPath(dir.path());
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { ".hidden", "dangling", "fifo", "linkToFile", "plain.txt" }));
}

TEST(FileList, KeepsNamesByteExact)
{
    TempDir dir;
    const std::string invalid = "bad\xff\xfe name\x80.txt";
    const std::string decomposed = "a\xcc\x88"; // "a" followed by a combining diaeresis
    touch(dir / invalid);
    touch(dir / decomposed);

    FileList list;
    list.setPath(dir.path());
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { decomposed, invalid }));
    // The name read back reaches the same file.
    EXPECT_EQ(::access((dir.path() + "/" + std::string(list.name(1))).c_str(), F_OK), 0);
}

TEST(FileList, SortsInNaturalOrder)
{
    TempDir dir;
    for (const char *name : { "file10.txt", "File10.txt", "file2.txt", "b", "A", "a01", "a1", "\xc3\xa4", ".x" })
        dir.file(name);

    FileList list;
    list.setPath(dir.path());
    EXPECT_EQ(namesOf(list),
        (std::vector<std::string> {
            ".x", "A", "\xc3\xa4", "a01", "a1", "b", "file2.txt", "File10.txt", "file10.txt" }));
}

class FileListPath : public testing::TestWithParam<std::string>
{
};

TEST_P(FileListPath, DropsTrailingSlashes)
{
    TempDir dir;
    dir.file("only");
    FileList list;
    list.setPath(dir.path() + GetParam());
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), std::vector<std::string> { "only" });
}

INSTANTIATE_TEST_SUITE_P(Suffixes, FileListPath, testing::Values("", "/", "//"),
    [](const testing::TestParamInfo<std::string> &row) { return std::to_string(row.param.size()) + "_slashes"; });

TEST(FileList, RootKeepsItsSlash)
{
    FileList list;
    list.setPath("/");
    EXPECT_EQ(list.path(), "/");
    for (std::size_t i = 0; i < list.count(); ++i)
        EXPECT_FALSE(quorrix::isFolder("/" + std::string(list.name(i)))) << list.name(i);

    list.setPath("//");
    EXPECT_EQ(list.path(), "/");
}

TEST(FileList, EmptyFolderHasNoEntries)
{
    TempDir dir;
    dir.folder("onlyAFolder");
    FileList list;
    list.setPath(dir.path());
    EXPECT_EQ(list.count(), 0u);
    EXPECT_THROW(list.select(0), std::out_of_range);
}

TEST(FileList, FailureKeepsThePreviousList)
{
    TempDir dir;
    dir.file("kept");
    const std::string file = dir.file("notAFolder");
    FileList list;
    list.setPath(dir.path());
    list.select(1);

    EXPECT_EQ(errorOf(list, dir / "missing"), ENOENT);
    EXPECT_EQ(errorOf(list, file), ENOTDIR);
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { "kept", "notAFolder" }));
    EXPECT_EQ(list.fileName(), "notAFolder");
}

TEST(FileList, UnreadableFolderThrows)
{
    if (quorrix::test::bypassesPermissions())
        GTEST_SKIP() << "this process may read any folder";
    TempDir dir;
    dir.file("kept");
    const std::string locked = dir.folder("locked");
    ::chmod(locked.c_str(), 0);

    FileList list;
    list.setPath(dir.path());
    EXPECT_EQ(errorOf(list, locked), EACCES);
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), std::vector<std::string> { "kept" });
}

TEST(FileList, SelectionNamesTheCurrentEntry)
{
    TempDir dir;
    dir.file("b");
    dir.file("a");
    FileList list;
    list.setPath(dir.path());
    EXPECT_THROW(list.fileName(), std::logic_error);

    list.select(1);
    EXPECT_EQ(list.fileName(), "b");
    list.select(0);
    EXPECT_EQ(list.fileName(), "a");
    EXPECT_THROW(list.select(2), std::out_of_range);
    EXPECT_EQ(list.fileName(), "a");
    EXPECT_THROW(list.name(2), std::out_of_range);

    // A new listing starts without a current entry.
    list.setPath(dir.path());
    EXPECT_THROW(list.fileName(), std::logic_error);
}

TEST(FileList, RefreshShowsThePresentFiles)
{
    TempDir dir;
    dir.file("stays");
    const std::string goes = dir.file("goes");
    FileList list;
    EXPECT_NO_THROW(list.refresh());
    EXPECT_EQ(list.count(), 0u);

    list.setPath(dir.path() + "/");
    list.select(0);
    std::filesystem::remove(goes);
    dir.file("new2");
    dir.file("new10");
    list.refresh();
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { "new2", "new10", "stays" }));
    EXPECT_THROW(list.fileName(), std::logic_error);
}

TEST(FileList, RefreshOfAVanishedFolderThrowsAndKeepsTheList)
{
    TempDir dir;
    const std::string sub = dir.folder("sub");
    dir.file("sub/one");
    FileList list;
    list.setPath(sub);
    std::filesystem::remove_all(sub);
    EXPECT_THROW(list.refresh(), std::system_error);
    EXPECT_EQ(list.path(), sub);
    EXPECT_EQ(namesOf(list), std::vector<std::string> { "one" });
}

// More entries than a 16-bit count holds.
TEST(FileList, ListsTensOfThousandsOfFiles)
{
    TempDir dir;
    constexpr std::size_t files = 40000;
    for (std::size_t i = 0; i < files; ++i)
        touch(dir / ("f" + std::to_string(i)));

    FileList list;
    list.setPath(dir.path());
    ASSERT_EQ(list.count(), files);
    for (std::size_t i = 0; i < files; ++i)
        ASSERT_EQ(list.name(i), "f" + std::to_string(i));
    list.select(files - 1);
    EXPECT_EQ(list.fileName(), "f39999");
}

TEST(FileList, UnderASnapshotAFolderIsReadOnceForTheTreeAndTheList)
{
    TempDir dir;
    dir.file("a");
    dir.folder("sub");
    FileList list;
    {
        const quorrix::FolderSnapshot snapshot;
        quorrix::FolderTree tree;
        tree.setFolder(dir.path(), {});
        dir.file("b");
        dir.folder("sub2");
        list.setPath(dir.path());
        EXPECT_EQ(namesOf(list), (std::vector<std::string> { "a" }));
        tree.setFolder(dir.path(), {});
        EXPECT_EQ(tree.entries().back().name, "sub");
    }
    list.setPath(dir.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { "a", "b" }));
}

} // namespace
