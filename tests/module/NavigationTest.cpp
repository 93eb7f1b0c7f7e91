#include "Navigation.h"
#include "Path.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

using quorrix::Drive;
using quorrix::test::TempDir;
using quorrix::test::TemporaryDrive;

namespace
{

// A change event that fails puts back what either list showed, and has the window draw it again.
TEST(Navigation, FailedChangeGoesBack)
{
    if (quorrix::nativePathStyle() == quorrix::PathStyle::Windows)
        GTEST_SKIP() << "the case mounts drives on folders; a Windows drive is a drive letter's whole volume";
    TempDir dir;
    const std::string a = dir.folder("a");
    const std::string b = dir.folder("b");
    const std::string sub = dir.folder("a/sub");
    const std::string root(quorrix::path::systemRoot());
    const std::vector<Drive> mounted { { root, root + " [root]" }, { a, a + " [A]" }, { b, b + " [B]" } };
    int drawn = 0;
    quorrix::DriveChooser drives([&] { return mounted; }, [&] { ++drawn; });
    quorrix::FolderChooser folders(drives, [&] { ++drawn; });
    folders.setPath(sub);
    drives.setDrive(a);
    drawn = 0;

    const auto fail = [] { throw std::runtime_error("cannot list"); };
    drives.setChangeHandler(fail);
    EXPECT_THROW(drives.setDrive(b + " [B]"), std::runtime_error);
    EXPECT_EQ(drives.drive(), a + " [A]");
    EXPECT_EQ(drawn, 2);

    folders.setChangeHandler(fail);
    EXPECT_THROW(folders.setPath(dir.folder("b/new")), std::runtime_error);
    EXPECT_EQ(folders.path(), sub);
    EXPECT_EQ(folders.tree().entries().back().path, sub);
    EXPECT_EQ(folders.tree().currentFolderOf(mounted[2], mounted), b);
    EXPECT_EQ(drawn, 4);
    // The current drive's text stands for its current folder, which the failure did not move.
    EXPECT_EQ(folders.folderFor(a + " [A]"), sub);
}

// F5 on a folder whose whole drive has gone (a stick pulled): afterwards the drive list, the directory list and
// the table name one drive and one folder that exist, and the window has said so at most once. On Windows no
// folder above a drive letter is left, so the window moves to another drive and says why, once; on Linux the
// mount point's own folder is the nearest above, shown without a word, as for any folder that has gone.
TEST(Navigation, F5OnADriveThatHasGoneShowsOneDriveThatExists)
{
    TempDir dir;
    const std::string stick = dir.folder("stick");
    dir.folder("stick/sub");
    TemporaryDrive drive(stick);
    if (drive.root().empty())
        GTEST_SKIP() << "no drive of the test's own can be made here";
    const std::string sub = quorrix::path::join(drive.root(), "sub");
    std::vector<Drive> others = quorrix::readDrives();
    std::erase_if(others, [&](const Drive &d) { return d.mountPoint == drive.root(); });
    std::vector<Drive> mounted = others;
    mounted.push_back({ drive.root(), "stick" });

    quorrix::DriveChooser drives([&] { return mounted; }, {});
    quorrix::FolderChooser folders(drives, {});
    std::string table;
    folders.setChangeHandler([&] {
        table = folders.path();
        drives.showDriveOf(table);
    });
    folders.setPath(sub);
    ASSERT_EQ(table, sub);
    ASSERT_EQ(drives.drive(), "stick");

    drive.remove();
    mounted = others;
    int messages = 0;
    // As the window's F5 goes: both lists read again, the drive's current folder shown, the table filled.
    const auto f5 = [&] {
        try {
            drives.refresh();
            folders.refresh();
            folders.setPath(drives.drive());
            table = folders.path();
            drives.showDriveOf(table);
        } catch (const std::exception &) {
            ++messages;
        }
    };
    const int expected = quorrix::nativePathStyle() == quorrix::PathStyle::Windows ? 1 : 0;
    f5();
    EXPECT_EQ(messages, expected);
    EXPECT_TRUE(quorrix::isFolder(folders.path())) << folders.path();
    EXPECT_EQ(table, folders.path());
    EXPECT_EQ(quorrix::driveOf(drives.drives(), folders.path()), drives.current()) << drives.drive();
    const std::string shown = folders.path();
    f5();
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(folders.path(), shown);
}

} // namespace
