#include "Navigation.h"
#include "Path.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using quorrix::Drive;
using quorrix::test::TempDir;

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

} // namespace
