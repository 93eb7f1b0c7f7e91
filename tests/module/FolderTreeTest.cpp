#include "FolderTree.h"
#include "Path.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include "FailureText.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

using quorrix::Drive;
using quorrix::FolderTree;
using quorrix::Reason;
using quorrix::test::fsPath;
using quorrix::test::onWindows;
using quorrix::test::TempDir;
using quorrix::test::utf8;

namespace
{

// Moves the process into `folder` for the life of the guard. The program itself never does this; the tests
// do it to give a FolderTree a working directory of their choosing.
class WorkingDirectoryGuard
{
public:
    explicit WorkingDirectoryGuard(const std::string &folder)
        : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(fsPath(folder));
    }
    ~WorkingDirectoryGuard() { std::filesystem::current_path(m_old); }
    WorkingDirectoryGuard(const WorkingDirectoryGuard &) = delete;
    WorkingDirectoryGuard &operator=(const WorkingDirectoryGuard &) = delete;

private:
    std::filesystem::path m_old;
};

// The temporary folder without symbolic links in its path, as the working directory reports it.
std::string canonical(const TempDir &dir)
{
    return utf8(std::filesystem::canonical(fsPath(dir.path())));
}

// `folder`, then `below` ("/a/b", or nothing for the folder itself) written with the system's separators.
std::string under(std::string folder, std::string_view below)
{
    for (const char c : below)
        folder += c == '/' ? quorrix::path::separator() : c;
    return folder;
}

std::vector<std::string> subfolderNames(const FolderTree &tree)
{
    std::vector<std::string> names;
    for (std::size_t i = tree.currentIndex() + 1; i < tree.entries().size(); ++i)
        names.push_back(tree.entries()[i].name);
    return names;
}

// Why showing `folder` failed, whatever system said it; nothing when it did not.
std::optional<Reason> failureOf(FolderTree &tree, const std::string &folder)
{
    try {
        tree.setFolder(folder, {});
    } catch (const std::system_error &error) {
        return quorrix::reasonOf(error.code());
    }
    return std::nullopt;
}

TEST(FolderTree, ShowsTheChainThenTheSubfolders)
{
    TempDir dir;
    const std::string shown = dir.folder("a/b");
    for (const char *name : { "sub10", "sub2", "Sub1", ".hidden", "ébauche" })
        dir.folder("a/b/" + std::string(name));
    dir.file("a/b/file.txt");
    dir.folder("elsewhere");
    const bool links = quorrix::test::makeLink(dir / "elsewhere", dir / "a/b/linkToFolder");
    if (links) {
        quorrix::test::makeLink(dir / "a/b/file.txt", dir / "a/b/linkToFile");
        quorrix::test::makeLink(dir / "missing", dir / "a/b/dangling");
    }

    FolderTree tree;
    EXPECT_TRUE(tree.setFolder(shown, {}));
    EXPECT_EQ(tree.path(), shown);

    const auto &entries = tree.entries();
    const std::size_t current = tree.currentIndex();
    ASSERT_LT(current, entries.size());
    EXPECT_EQ(entries[current].path, shown);

    // The chain: the root ("/", "C:\\") then each component of the folder shown, one step further in each time.
    const std::filesystem::path folder = fsPath(shown);
    const std::filesystem::path below = folder.relative_path();
    std::vector<std::filesystem::path> components { folder.root_path() };
    components.insert(components.end(), below.begin(), below.end());
    std::filesystem::path expected;
    std::size_t step = 0;
    for (const std::filesystem::path &component : components) {
        expected /= component;
        ASSERT_LE(step, current) << "the chain stops short of " << utf8(expected);
        EXPECT_EQ(entries[step].path, utf8(expected));
        EXPECT_EQ(entries[step].name, utf8(component));
        EXPECT_EQ(entries[step].depth, static_cast<int>(step));
        EXPECT_TRUE(entries[step].open);
        ++step;
    }
    EXPECT_EQ(step, current + 1);
    EXPECT_EQ(entries[current - 1].name, "a");

    std::vector<std::string> subfolders { ".hidden", "ébauche", "linkToFolder", "Sub1", "sub2", "sub10" };
    if (!links)
        std::erase(subfolders, "linkToFolder");
    EXPECT_EQ(subfolderNames(tree), subfolders);
    for (std::size_t i = current + 1; i < entries.size(); ++i) {
        EXPECT_FALSE(entries[i].open);
        EXPECT_EQ(entries[i].depth, static_cast<int>(current) + 1);
        EXPECT_EQ(entries[i].path, quorrix::path::join(shown, entries[i].name));
    }
}

TEST(FolderTree, RootIsTheWholeChain)
{
    const std::string root(quorrix::path::systemRoot());
    FolderTree tree;
    tree.setFolder(root, {});
    EXPECT_EQ(tree.path(), root);
    EXPECT_EQ(tree.currentIndex(), 0u);
    ASSERT_FALSE(tree.entries().empty());
    EXPECT_EQ(tree.entries()[0].name, root);
    for (std::size_t i = 1; i < tree.entries().size(); ++i) {
        EXPECT_EQ(tree.entries()[i].path, quorrix::path::join(root, tree.entries()[i].name));
        EXPECT_EQ(tree.entries()[i].depth, 1);
    }
}

TEST(FolderTree, StartsInTheWorkingDirectory)
{
    TempDir dir;
    dir.folder("a/b");
    const WorkingDirectoryGuard guard(dir / "a");
    FolderTree tree;
    EXPECT_EQ(tree.path(), under(canonical(dir), "/a"));
    EXPECT_EQ(subfolderNames(tree), std::vector<std::string> { "b" });
}

TEST(FolderTree, StartsAtTheRootWhenTheWorkingDirectoryIsGone)
{
    if (onWindows())
        GTEST_SKIP() << "Windows keeps a process's working directory from being deleted";
    TempDir dir;
    const std::string gone = dir.folder("gone");
    const WorkingDirectoryGuard guard(gone);
    std::filesystem::remove(fsPath(gone));
    FolderTree tree;
    EXPECT_EQ(tree.path(), "/");
    EXPECT_EQ(tree.currentIndex(), 0u);
}

TEST(FolderTree, StartsAboveAWorkingDirectoryThatCannotBeListed)
{
    if (quorrix::test::bypassesPermissions())
        GTEST_SKIP() << "this process may read any folder";
    TempDir dir;
    const std::string root = canonical(dir);
    const std::string locked = dir.folder("a/locked");
    // Can be entered, not listed.
    std::filesystem::permissions(fsPath(locked), std::filesystem::perms::owner_exec);
    const std::vector<Drive> drives = { { root, root + " [test]" } };
    const WorkingDirectoryGuard guard(locked);
    FolderTree tree;
    EXPECT_EQ(tree.path(), under(root, "/a"));
    EXPECT_EQ(tree.currentFolderOf(drives[0], drives), under(root, "/a"));
}

struct Normalisation {
    std::string given; // relative to the temporary folder when it does not begin with "/"
    std::string shown; // below the temporary folder
};

void PrintTo(const Normalisation &row, std::ostream *out)
{
    *out << '"' << row.given << "\" -> \"" << row.shown << '"';
}

class FolderTreeNormalisation : public testing::TestWithParam<Normalisation>
{
};

TEST_P(FolderTreeNormalisation, ShowsTheAbsoluteNormalFolder)
{
    TempDir dir;
    dir.folder("a/b");
    const std::string root = canonical(dir);
    const std::string &given = GetParam().given;
    if (!quorrix::test::makeLink(under(root, "/a/b"), under(root, "/link")) && given.find("link") != given.npos)
        GTEST_SKIP() << "no link can be made here; Windows takes \"..\" after one lexically, as PathTest checks";
    const WorkingDirectoryGuard guard(root);
    FolderTree tree;

    tree.setFolder(given.starts_with('/') ? root + given : given, {});
    EXPECT_EQ(tree.path(), under(root, GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderTreeNormalisation,
    testing::Values(Normalisation { "a/b", "/a/b" }, Normalisation { "./a//b/", "/a/b" },
        Normalisation { "a/../a/b/..", "/a" }, Normalisation { "/a/b/", "/a/b" }, Normalisation { "/a/./b//", "/a/b" },
        // Lexical: ".." takes away the name before it without asking whether that exists.
        Normalisation { "/missing/../a", "/a" }, Normalisation { ".", "" }, Normalisation { "a/b/../../", "" },
        // After a link, ".." leads to the parent of the link's target, as the system goes.
        Normalisation { "/link/..", "/a" }, Normalisation { "link/../b/.", "/a/b" },
        Normalisation { "/link/./../..", "" }),
    // "./a//b/" is "dot_a__b_".
    [](const testing::TestParamInfo<Normalisation> &row) {
        std::string name;
        for (const char c : row.param.given)
            name += c == '.' ? "dot" : c == '/' ? "_" : std::string(1, c);
        return name;
    });

TEST(FolderTree, AbsoluteFolderUsesTheWorkingDirectory)
{
    TempDir dir;
    const std::string root = canonical(dir);
    const WorkingDirectoryGuard guard(root);
    const auto absoluteFolder = [](std::string_view folder) {
        return quorrix::path::normal(folder, quorrix::currentDirectory(), quorrix::path::resolveLink);
    };
    EXPECT_EQ(absoluteFolder("x/../y/"), under(root, "/y"));
    // On Windows "/" is the root of the working directory's drive.
    EXPECT_EQ(absoluteFolder("/x/../.."), quorrix::path::rootOf(root));
    // On Windows "//" begins a share's name.
    if (!onWindows()) {
        EXPECT_EQ(absoluteFolder("//"), "/");
    }
}

TEST(FolderTree, ReportsWhetherTheFolderChanged)
{
    TempDir dir;
    const std::string a = dir.folder("a");
    FolderTree tree;
    tree.setFolder(dir.path(), {});
    EXPECT_TRUE(tree.setFolder(a, {}));
    EXPECT_FALSE(tree.setFolder(a, {}));
    EXPECT_FALSE(tree.setFolder(a + "/", {}));
    EXPECT_FALSE(tree.setFolder(a + "/../a", {}));
    EXPECT_TRUE(tree.setFolder(dir.path(), {}));
}

TEST(FolderTree, FailureLeavesEverythingAsItWas)
{
    TempDir dir;
    dir.folder("sub");
    const std::string file = dir.file("file.txt");
    FolderTree tree;
    tree.setFolder(dir.path(), {});
    const auto entries = tree.entries();

    const std::optional<Reason> fileFailure = failureOf(tree, file);
    EXPECT_TRUE(fileFailure);
    // Wine answers a listing of a file with "path not found", where Windows says it is no folder.
    if (!quorrix::test::underWine()) {
        EXPECT_EQ(fileFailure, Reason::NotAFolder);
    }
    EXPECT_EQ(failureOf(tree, dir / "missing"), Reason::NotFound);
    EXPECT_EQ(failureOf(tree, ""), Reason::NotFound);
    EXPECT_EQ(tree.path(), dir.path());
    EXPECT_EQ(tree.entries().size(), entries.size());
    EXPECT_EQ(subfolderNames(tree), std::vector<std::string> { "sub" });
}

TEST(FolderTree, UnreadableFolderThrows)
{
    if (quorrix::test::bypassesPermissions())
        GTEST_SKIP() << "this process may read any folder";
    TempDir dir;
    const std::string locked = dir.folder("locked");
    std::filesystem::permissions(fsPath(locked), std::filesystem::perms::none);
    FolderTree tree;
    tree.setFolder(dir.path(), {});
    EXPECT_EQ(failureOf(tree, locked), Reason::Denied);
    EXPECT_EQ(tree.path(), dir.path());
}

TEST(FolderTree, CurrentFolderOfADrive)
{
    if (onWindows())
        GTEST_SKIP() << "the case mounts drives on folders; a Windows drive is a drive letter's whole volume";
    TempDir first;
    TempDir second;
    const std::string one = canonical(first);
    const std::string two = canonical(second);
    first.folder("cwd/deep");
    first.folder("other");
    second.folder("sub");
    first.folder("nested/inner");
    const std::vector<Drive> drives = {
        { one, one + " [first]" },
        { one + "/nested", one + "/nested [nested]" },
        { two, two + " [second]" },
    };

    const WorkingDirectoryGuard guard(one + "/cwd/deep");
    FolderTree tree;
    // Nothing shown on any drive yet: the working directory for its drive, the mount point elsewhere.
    EXPECT_EQ(tree.currentFolderOf(drives[0], drives), one + "/cwd/deep");
    EXPECT_EQ(tree.currentFolderOf(drives[1], drives), one + "/nested");
    EXPECT_EQ(tree.currentFolderOf(drives[2], drives), two);

    tree.setFolder(two + "/sub", drives);
    EXPECT_EQ(tree.currentFolderOf(drives[2], drives), two + "/sub");
    EXPECT_EQ(tree.currentFolderOf(drives[0], drives), one + "/cwd/deep");

    // A folder below a nested mount point belongs to the inner drive only.
    tree.setFolder(one + "/nested/inner", drives);
    EXPECT_EQ(tree.currentFolderOf(drives[1], drives), one + "/nested/inner");
    EXPECT_EQ(tree.currentFolderOf(drives[0], drives), one + "/cwd/deep");

    tree.setFolder(one + "/other", drives);
    EXPECT_EQ(tree.currentFolderOf(drives[0], drives), one + "/other");
    EXPECT_EQ(tree.currentFolderOf(drives[2], drives), two + "/sub");

    // A failed set remembers nothing.
    EXPECT_THROW(tree.setFolder(two + "/missing", drives), std::system_error);
    EXPECT_EQ(tree.currentFolderOf(drives[2], drives), two + "/sub");

    // A remembered folder deleted since gives way to the nearest folder above it, never above the drive.
    tree.setFolder(one + "/nested/inner", drives);
    std::filesystem::remove_all(one + "/nested/inner");
    std::filesystem::remove_all(two);
    EXPECT_EQ(tree.currentFolderOf(drives[1], drives), one + "/nested");
    EXPECT_EQ(tree.currentFolderOf(drives[2], drives), two);
}

TEST(FolderTree, RefreshShowsNewSubfolders)
{
    TempDir dir;
    dir.folder("old");
    FolderTree tree;
    tree.setFolder(dir.path(), {});
    dir.folder("new");
    std::filesystem::remove(fsPath(dir / "old"));
    EXPECT_FALSE(tree.refresh({}));
    EXPECT_EQ(tree.path(), dir.path());
    EXPECT_EQ(subfolderNames(tree), std::vector<std::string> { "new" });
}

TEST(FolderTree, RefreshMovesUpFromADeletedFolder)
{
    TempDir dir;
    const std::string root = canonical(dir);
    dir.folder("a/b/c");
    dir.folder("a/sibling");
    const std::vector<Drive> drives = { { root, root + " [test]" } };
    FolderTree tree;
    tree.setFolder(under(root, "/a/b/c"), drives);

    std::filesystem::remove_all(fsPath(under(root, "/a/b")));
    EXPECT_TRUE(tree.refresh(drives));
    EXPECT_EQ(tree.path(), under(root, "/a"));
    EXPECT_EQ(tree.entries()[tree.currentIndex()].path, under(root, "/a"));
    EXPECT_EQ(subfolderNames(tree), std::vector<std::string> { "sibling" });
    EXPECT_EQ(tree.currentFolderOf(drives[0], drives), under(root, "/a"));
    EXPECT_FALSE(tree.refresh(drives));
}

TEST(FolderTree, RefreshMovesUpFromAFolderThatCanNoLongerBeRead)
{
    if (quorrix::test::bypassesPermissions())
        GTEST_SKIP() << "this process may read any folder";
    TempDir dir;
    const std::string locked = dir.folder("a/locked");
    FolderTree tree;
    tree.setFolder(locked, {});
    std::filesystem::permissions(fsPath(locked), std::filesystem::perms::none);
    EXPECT_TRUE(tree.refresh({}));
    EXPECT_EQ(tree.path(), dir / "a");
}

} // namespace
