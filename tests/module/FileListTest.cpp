#include "FileList.h"
#include "FailureText.h"
#include "FolderSnapshot.h"
#include "FolderTree.h"
#include "Path.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

using quorrix::FileList;
using quorrix::Reason;
using quorrix::test::fsPath;
using quorrix::test::TempDir;

namespace
{

bool onWindows()
{
    return quorrix::nativePathStyle() == quorrix::PathStyle::Windows;
}

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
    if (!std::ofstream(fsPath(path), std::ios::binary))
        throw std::runtime_error("cannot create " + path);
}

void symlinkTo(const std::string &target, const std::string &link)
{
    std::filesystem::create_symlink(fsPath(target), fsPath(link));
}

// Why listing `folder` failed, whatever system said it; nothing when it did not.
std::optional<Reason> failureOf(FileList &list, const std::string &folder)
{
    try {
        list.setPath(folder);
    } catch (const std::system_error &error) {
        return quorrix::reasonOf(error.code());
    }
    return std::nullopt;
}

TEST(FileList, ListsEveryEntryThatIsNotAFolder)
{
    if (onWindows())
        GTEST_SKIP() << "FIFOs and links to files are Linux's; Win32Test lists what Windows keeps in a folder";
    TempDir dir;
    dir.file("plain.txt", 3);
    dir.file(".hidden");
    dir.folder("sub");
    dir.folder(".hiddenSub");
    symlinkTo(dir / "sub", dir / "linkToFolder");
    symlinkTo(dir / "plain.txt", dir / "linkToFile");
    symlinkTo(dir / "missing", dir / "dangling");
    ASSERT_TRUE(quorrix::test::makeFifo(dir / "fifo"));

    FileList list;
    list.setPath(dir.path());
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { ".hidden", "dangling", "fifo", "linkToFile", "plain.txt" }));
}

TEST(FileList, KeepsNamesByteExact)
{
    if (onWindows())
        GTEST_SKIP() << "names are UTF-16 on Windows: bytes that are not UTF-8 name no file there";
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
    EXPECT_TRUE(std::filesystem::exists(fsPath(dir / list.name(1))));
}

TEST(FileList, SortsInNaturalOrder)
{
    TempDir dir;
    for (const char *name : { "file10.txt", "File10.txt", "file2.txt", "b", "A", "a01", "a1", "\xc3\xa4", ".x" })
        dir.file(name);

    FileList list;
    list.setPath(dir.path());
    std::vector<std::string> expected { ".x", "A", "\xc3\xa4", "a01", "a1", "b", "file2.txt", "File10.txt",
        "file10.txt" };
    // Names that differ only in case are one file on Windows, which keeps the name it was made with.
    if (onWindows())
        std::erase(expected, "File10.txt");
    EXPECT_EQ(namesOf(list), expected);
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
    const std::string root(quorrix::path::systemRoot());
    FileList list;
    list.setPath(root);
    EXPECT_EQ(list.path(), root);
    for (std::size_t i = 0; i < list.count(); ++i)
        EXPECT_FALSE(quorrix::isFolder(quorrix::path::join(root, list.name(i)))) << list.name(i);

    list.setPath(root + quorrix::path::separator());
    EXPECT_EQ(list.path(), root);
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

    EXPECT_EQ(failureOf(list, dir / "missing"), Reason::NotFound);
    const std::optional<Reason> fileFailure = failureOf(list, file);
    EXPECT_TRUE(fileFailure);
    // Wine answers a listing of a file with "path not found", where Windows says it is no folder.
    if (!quorrix::test::underWine()) {
        EXPECT_EQ(fileFailure, Reason::NotAFolder);
    }
    EXPECT_EQ(list.path(), dir.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { "kept", "notAFolder" }));
    EXPECT_EQ(list.fileName(), "notAFolder");
}

TEST(FileList, RefusesAFolderWhoseNamesExceedTheOffsets)
{
    // A list whose names may take 7 bytes in all stands for the 4 GiB of the real one.
    TempDir fits;
    fits.file("abc");
    fits.file("defg");
    TempDir tooLong;
    tooLong.file("abcd");
    tooLong.file("efgh");
    FileList list(7);
    list.setPath(fits.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { "abc", "defg" }));

    EXPECT_THROW(list.setPath(tooLong.path()), std::length_error);
    EXPECT_EQ(list.path(), fits.path());
    EXPECT_EQ(namesOf(list), (std::vector<std::string> { "abc", "defg" }));
}

TEST(FileList, UnreadableFolderThrows)
{
    if (quorrix::test::bypassesPermissions())
        GTEST_SKIP() << "this process may read any folder";
    TempDir dir;
    dir.file("kept");
    const std::string locked = dir.folder("locked");
    std::filesystem::permissions(fsPath(locked), std::filesystem::perms::none);

    FileList list;
    list.setPath(dir.path());
    EXPECT_EQ(failureOf(list, locked), Reason::Denied);
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
    if (quorrix::test::underWine())
        GTEST_SKIP() << "Wine makes a file in more than 7 ms: 40,000 take longer than the test may run";
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
