// On a real NTFS file system mounted with ntfs-3g, as a disk from a Windows machine is: tests/ntfs.sh makes
// one on a loop device and names its root in QUORRIX_NTFS_ROOT.
#include "DateTimeText.h"
#include "FileSystem.h"
#include "Module1.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sys/xattr.h>

using namespace quorrix;

namespace
{

class Ntfs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char *root = std::getenv("QUORRIX_NTFS_ROOT");
        if (!root)
            GTEST_SKIP() << "needs an NTFS file system; tests/ntfs.sh mounts one and runs this";
        m_root = root;
        DateTimeText::setUserLocale("C");
    }
    void TearDown() override { DateTimeText::setUserLocale(DateTimeText::localeFromEnvironment()); }

    // Creates the file `name` in the root and sets the big-endian NTFS value `xattr` of `size` bytes. (ntfs-3g
    // shows a system file of 0 or 1 byte as a FIFO or a socket.)
    std::string make(const std::string &name, const char *xattr = nullptr, std::uint64_t value = 0, int size = 4)
    {
        const std::string path = m_root + "/" + name;
        std::ofstream { path } << "some text";
        unsigned char raw[8];
        for (int i = 0; i < size; ++i)
            raw[i] = static_cast<unsigned char>(value >> 8 * (size - 1 - i));
        EXPECT_TRUE(!xattr || ::setxattr(path.c_str(), xattr, raw, static_cast<std::size_t>(size), 0) == 0) << path;
        return path;
    }

    test::EnvGuard m_zone { "TZ", "UTC" };
    std::string m_root;
};

TEST_F(Ntfs, MarksAndCreationTimesComeFromTheDisk)
{
    constexpr std::uint64_t Seconds = 10'000'000, From1601To1970 = 11'644'473'600 * Seconds;
    const struct {
        std::string path;
        const char *mark, *created;
    } cases[] = {
        { make("new.txt"), "A", nullptr },
        { make("readonly.txt", "system.ntfs_attrib_be", 0x01), "R", nullptr },
        { make("hidden.txt", "system.ntfs_attrib_be", 0x02), "H", nullptr },
        { make("system.txt", "system.ntfs_attrib_be", 0x04), "S", nullptr },
        { make("1969.txt", "system.ntfs_crtime_be", From1601To1970 - Seconds / 2, 8), "A", "1969/12/31 23:59:59" },
        { make("never.txt", "system.ntfs_crtime_be", 0, 8), "A", "" },
    };
    for (const auto &[path, mark, created] : cases) {
        std::string gotMark, gotCreated, accessed, modified, size;
        Module1::s_FILEINFO(path, gotMark, gotCreated, accessed, modified, size);
        EXPECT_EQ(gotMark, mark) << path;
        if (created) {
            EXPECT_EQ(gotCreated, created) << path;
        } else {
            EXPECT_FALSE(gotCreated.empty()) << path << " has its creation time";
        }
    }
}

TEST_F(Ntfs, RootOpensFromTheCommandLineThoughMarkedHiddenAndSystem)
{
    constexpr int HiddenSystem = Attribute::Hidden | Attribute::System;
    ASSERT_EQ(FileSystemObject().GetFile(m_root).Attributes() & HiddenSystem, HiddenSystem);
    EXPECT_EQ(Module1::s_CMDPATH(m_root), m_root);
    EXPECT_EQ(Module1::s_CMDPATH(make("root file.txt")), m_root);
    // Inside the disk the bits exclude as anywhere.
    EXPECT_EQ(Module1::s_CMDPATH(make("hidden in root.txt", "system.ntfs_attrib_be", 0x02)), "");
}

} // namespace
