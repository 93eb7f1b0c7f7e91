#include "Module1.h"
#include "DateTimeText.h"
#include "FileList.h"
#include "FillWorkers.h"
#include "Path.h"
#include "RecordingGrid.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <cstdlib>
#include <map>
#include <new>
#include <ostream>

// While set on a thread, every allocation on it fails, as when memory runs out. The replacements take memory from
// malloc and give it back to free, which GCC cannot tell once it has inlined them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
thread_local bool g_failAllocations = false;

void *operator new(std::size_t size)
{
    if (g_failAllocations)
        throw std::bad_alloc();
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

using namespace quorrix;
using quorrix::test::EnvGuard;
using quorrix::test::RecordingGrid;
using quorrix::test::TempDir;

namespace
{

// Date texts in these tests are read in UTC with the C locale's patterns.
class Module1Test : public ::testing::Test
{
protected:
    void SetUp() override { DateTimeText::setUserLocale("C"); }
    void TearDown() override { DateTimeText::setUserLocale(DateTimeText::localeFromEnvironment()); }

    EnvGuard m_zone { "TZ", "UTC" };
    TempDir m_dir;
};

// The mark of a file just made: on Windows it carries the archive bit.
std::string newFileMark()
{
    return test::onWindows() ? "A" : "";
}

// A plain file directly in "/", for the cases that only the root shows; made in a root folder of the test's own,
// which holds no file of its own.
class RootFile
{
public:
    RootFile()
        : m_path(path::join(path::systemRoot(), "quorrix-test.txt"))
    {
        if (!(std::ofstream(test::fsPath(m_path), std::ios::binary) << "0123456789"))
            m_path.clear();
    }
    ~RootFile()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove(test::fsPath(m_path), ignored);
    }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

struct SizeCase {
    const char *bytes;
    const char *text;
};

void PrintTo(const SizeCase &row, std::ostream *out)
{
    *out << '"' << row.bytes << "\" -> " << row.text;
}

class SizeTextTest : public ::testing::TestWithParam<SizeCase>
{
};

TEST_P(SizeTextTest, WholeKilobytesHalvesToEven)
{
    EXPECT_EQ(Module1::sizeText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, SizeTextTest,
    ::testing::Values(SizeCase { "", "0KB" }, SizeCase { "0", "0KB" }, SizeCase { "1", "0KB" },
        SizeCase { "512", "0KB" }, SizeCase { "513", "1KB" }, SizeCase { "1535", "1KB" }, SizeCase { "1536", "2KB" },
        SizeCase { "2560", "2KB" }, SizeCase { "2561", "3KB" }, SizeCase { "3584", "4KB" },
        SizeCase { "1048576", "1024KB" },
        // Past the 2 GiB and 32-bit limits, and at the top of the 64-bit range.
        SizeCase { "2147483648", "2097152KB" }, SizeCase { "3221225472", "3145728KB" },
        SizeCase { "9223372036854775807", "9007199254740992KB" }, SizeCase { "-1536", "-2KB" },
        SizeCase { "-100", "0KB" }, SizeCase { "12x", "0KB" }),
    [](const testing::TestParamInfo<SizeCase> &row) {
        const std::string_view bytes = row.param.bytes;
        return bytes.starts_with('-') ? "minus" + test::caseName(bytes.substr(1)) : test::caseName(bytes);
    });

TEST(AttributeMarkTest, OnlyASingleKnownAttributeGivesALetter)
{
    const std::pair<int, std::string_view> cases[] = {
        { 1, "R" },
        { 2, "H" },
        { 4, "S" },
        { 32, "A" },
        { 33, "" },
        { 34, "" },
        { 6, "" },
        { 0, "" },
        { 3, "" },
        { 16, "" },
    };
    for (const auto &[value, mark] : cases)
        EXPECT_EQ(Module1::attributeMark(value), mark) << "attribute value " << value;
}

TEST_F(Module1Test, StartFolderOfFoldersFilesAndWildcards)
{
    m_dir.folder("dir");
    m_dir.file("dir/file.txt", 3);
    test::hide(m_dir.folder("dir/.hiddendir"));
    test::hide(m_dir.file("dir/.hidden.txt"));
    test::makeFifo(m_dir / "dir/pipe");

    const std::string dir = m_dir / "dir";
    EXPECT_EQ(Module1::s_CMDPATH(dir), dir);
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/file.txt"), dir);
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/*.txt"), dir);
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/fi?e.*"), dir);
    const std::string album = m_dir.folder("dir/Album [2024]");
    m_dir.file("dir/Album [2024]/Photo [1].jpg");
    EXPECT_EQ(Module1::s_CMDPATH(album), album);
    EXPECT_EQ(Module1::s_CMDPATH(path::join(album, "Photo [1].jpg")), album);
    EXPECT_EQ(Module1::s_CMDPATH(path::join(album, "Photo [?]*")), album);
    // Windows quotes a path that holds a blank, and a second dropped item follows it; elsewhere a quote is a
    // name's own character, and these name nothing.
    const std::string quoted = test::onWindows() ? album : "";
    EXPECT_EQ(Module1::s_CMDPATH("\"" + album + "\""), quoted);
    EXPECT_EQ(Module1::s_CMDPATH("\"" + path::join(album, "Photo [1].jpg") + "\" \"" + dir + "\""), quoted);
    EXPECT_EQ(Module1::s_CMDPATH("\"" + album + "\" " + dir), quoted);
    // Hidden and system entries, and anything that matches nothing, give no start folder.
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/.hidden.txt"), "");
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/.hiddendir"), "");
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/pipe"), "");
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/missing.txt"), "");
    EXPECT_EQ(Module1::s_CMDPATH(m_dir / "dir/*.none"), "");
    EXPECT_EQ(Module1::s_CMDPATH(""), "");
}

TEST_F(Module1Test, MalformedArgumentsGiveNoStartFolder)
{
    const std::string dir = m_dir.folder("plain");
    const std::string cases[] = {
        " " + dir,
        "\" \"" + dir,
        dir + "\n",
        dir + "/\x1b[2J",
        dir + "/\xff\xfe",
        std::string(5000, 'a'),
        "/" + std::string(300, 'n') + "/x",
        "-style",
        std::string("a\0b", 3),
    };
    for (const auto &argument : cases)
        EXPECT_EQ(Module1::s_CMDPATH(argument), "") << argument.substr(0, 80);
}

TEST_F(Module1Test, NamesThatExistAreUsedWhateverTheirBytes)
{
    if (test::onWindows())
        GTEST_SKIP() << "names are UTF-16 on Windows, without quotes or controls: these bytes name no file there";
    const std::string odd = m_dir.folder("\xff odd \"quoted\"");
    m_dir.file("\xff odd \"quoted\"/\x01.txt");
    EXPECT_EQ(Module1::s_CMDPATH(odd), odd);
    EXPECT_EQ(Module1::s_CMDPATH(odd + "/\x01.txt"), odd);
}

TEST_F(Module1Test, BareFileNameIsKeptWhole)
{
    // A name without any folder part cannot be cut; the window's fallback deals with it.
    m_dir.file("bare.txt");
    const test::WorkingDirectory here(m_dir.path());
    EXPECT_EQ(Module1::s_CMDPATH("bare.txt"), "bare.txt");
}

TEST_F(Module1Test, FileInTheRootGivesTheRoot)
{
    if (!test::inOwnRoot()) {
        test::runCaseInOwnRoot();
        return;
    }
    RootFile root;
    ASSERT_FALSE(root.path().empty());
    EXPECT_EQ(Module1::s_CMDPATH(root.path()), path::systemRoot());
}

TEST_F(Module1Test, FileInfoOfAnOrdinaryFile)
{
    const std::string path = m_dir.file("data.bin", 1536);
    const std::int64_t noon = test::utcSeconds(2026, 12, 7, 12, 34, 56);
    test::setTimes(path, { noon, 0 }, { test::utcSeconds(2026, 1, 2), 0 });

    std::string mark = "x", created, accessed, modified, size;
    Module1::s_FILEINFO(path, mark, created, accessed, modified, size);
    EXPECT_EQ(mark, newFileMark());
    EXPECT_EQ(accessed, test::localDateTimeText(2026, 12, 7, 12, 34, 56));
    // At exactly midnight the text is the date alone.
    EXPECT_EQ(modified, test::localDateTimeText(2026, 1, 2));
    EXPECT_EQ(size, "1536");
    EXPECT_EQ(created.empty(), !FileSystemObject().GetFile(path).DateCreated().has_value());
}

// Running out of memory says nothing about the file: it passes to the caller rather than leaving cells empty.
TEST_F(Module1Test, FileInfoPassesOnRunningOutOfMemory)
{
    const std::string path = m_dir.file("data.bin", 10);
    std::string mark, created, accessed, modified, size;
    Module1::s_FILEINFO(path, mark, created, accessed, modified, size);
    ASSERT_FALSE(modified.empty());

    std::string fresh;
    g_failAllocations = true;
    bool passed = false;
    try {
        Module1::s_FILEINFO(path, mark, fresh, fresh, fresh, size);
    } catch (const std::bad_alloc &) {
        passed = true;
    }
    g_failAllocations = false;
    EXPECT_TRUE(passed);
}

TEST_F(Module1Test, FileInfoOfAVanishedFileKeepsTheCallersDates)
{
    std::string mark = "R", created = "c", accessed = "a", modified = "m", size = "99";
    Module1::s_FILEINFO(m_dir / "gone.txt", mark, created, accessed, modified, size);
    EXPECT_EQ(mark, "");
    EXPECT_EQ(created, "c");
    EXPECT_EQ(accessed, "a");
    EXPECT_EQ(modified, "m");
    EXPECT_EQ(size, "0");
}

TEST_F(Module1Test, CallsShareNothing)
{
    if (test::underWine())
        GTEST_SKIP() << "Wine gives every file the archive bit: a read-only file's value is 33, which shows no mark";
    const std::string readOnly = m_dir.file("readonly.txt", 2000);
    test::makeReadOnly(readOnly);
    std::string mark, created, accessed, modified, size;
    Module1::s_FILEINFO(readOnly, mark, created, accessed, modified, size);
    EXPECT_EQ(mark, "R");
    EXPECT_EQ(size, "2000");

    Module1::s_FILEINFO(m_dir / "missing", mark, created, accessed, modified, size);
    EXPECT_EQ(mark, "");
    EXPECT_EQ(size, "0");
}

TEST_F(Module1Test, SparseFileBeyondFourGigabytes)
{
    const std::string path = m_dir.file("sparse.img");
    std::filesystem::resize_file(test::fsPath(path), 3LL << 30);
    std::string mark, created, accessed, modified, size;
    Module1::s_FILEINFO(path, mark, created, accessed, modified, size);
    EXPECT_EQ(size, "3221225472");
    EXPECT_EQ(Module1::sizeText(size), "3145728KB");
}

TEST_F(Module1Test, FillWritesOneRowPerFileInListOrder)
{
    const std::string folder = m_dir.folder("ten");
    for (int i = 1; i <= 10; ++i)
        m_dir.file("ten/file" + std::to_string(i) + ".txt", static_cast<std::size_t>(i) * 600);
    m_dir.file("ten/.hidden");
    m_dir.folder("ten/sub");
    test::setTimes(m_dir / "ten/file2.txt", { test::utcSeconds(2001, 2, 3, 4, 5, 6), 0 },
        { test::utcSeconds(2001, 2, 3, 0, 0, 0), 500 });

    FileList files;
    files.setPath(folder);
    RecordingGrid grid;
    Module1::s_GRD1LIST(files, grid);

    ASSERT_EQ(grid.rows, 11u);
    EXPECT_EQ(grid.text(1, 1), ".hidden");
    EXPECT_EQ(grid.text(6, 1), "0KB");
    EXPECT_EQ(grid.text(1, 2), "file1.txt");
    EXPECT_EQ(grid.text(6, 2), "1KB"); // 600 bytes
    EXPECT_EQ(grid.text(1, 3), "file2.txt");
    EXPECT_EQ(grid.text(4, 3), test::localDateTimeText(2001, 2, 3, 4, 5, 6));
    EXPECT_EQ(grid.text(5, 3), test::localDateTimeText(2001, 2, 3));
    // Date-times go in as the locale writes them; the name stays bytes, to be escaped.
    for (int column = 1; column <= 6; ++column)
        EXPECT_EQ(grid.formatted.count({ column, 3 }), column >= 3 && column <= 5 ? 1u : 0u) << column;
    EXPECT_EQ(grid.text(1, 11), "file10.txt");
    EXPECT_EQ(grid.text(6, 11), "6KB"); // 6000 bytes
    // Repainting is held back for the whole fill, the row count set once to its final value.
    EXPECT_EQ(grid.log.front(), "redraw off");
    EXPECT_EQ(grid.log.back(), "redraw on");
    EXPECT_EQ(std::count(grid.log.begin(), grid.log.end(), "rows 11"), 1);
}

TEST_F(Module1Test, FirstFillQueriedAheadIsWrittenOnlyForTheSameNames)
{
    // Two slices of rows.
    const std::string folder = m_dir.folder("early");
    for (int i = 0; i < 600; ++i)
        m_dir.file("early/f" + std::to_string(i), static_cast<std::size_t>(i));
    FileList files;
    files.setPath(folder);
    RecordingGrid plain;
    Module1::s_GRD1LIST(files, plain);

    Module1::prepareFirstFill(folder).join();
    RecordingGrid early;
    Module1::s_GRD1LIST(files, early);
    EXPECT_EQ(early.log, plain.log);
    EXPECT_EQ(early.cells, plain.cells);
    EXPECT_EQ(early.formatted, plain.formatted);
    EXPECT_EQ(early.values, plain.values);

    // The names changed after they were queried (as many as before): the files are queried again.
    Module1::prepareFirstFill(folder).join();
    std::filesystem::rename(test::fsPath(m_dir / "early/f5"), test::fsPath(m_dir / "early/g5"));
    std::filesystem::resize_file(test::fsPath(m_dir / "early/f1"), 3000);
    files.setPath(folder);
    RecordingGrid changed;
    Module1::s_GRD1LIST(files, changed);
    EXPECT_EQ(changed.text(1, 2), "f1");
    EXPECT_EQ(changed.text(6, 2), "3KB");
}

TEST_F(Module1Test, RefillLeavesNothingOfTheEarlierFolder)
{
    m_dir.folder("ten");
    for (int i = 0; i < 10; ++i)
        m_dir.file("ten/t" + std::to_string(i), 5000);
    m_dir.folder("three");
    for (int i = 0; i < 3; ++i)
        m_dir.file("three/s" + std::to_string(i));
    m_dir.folder("empty");

    FileList files;
    RecordingGrid grid;
    files.setPath(m_dir / "ten");
    Module1::s_GRD1LIST(files, grid);
    files.setPath(m_dir / "three");
    Module1::s_GRD1LIST(files, grid);
    EXPECT_EQ(grid.rows, 3u);
    for (const auto &[cell, text] : grid.cells)
        EXPECT_LE(cell.second, 3u) << "cell of an earlier row survived: " << text;
    EXPECT_EQ(grid.row(3),
        (std::vector<std::string> { "s2", newFileMark(), grid.text(3, 3), grid.text(4, 3), grid.text(5, 3), "0KB" }));

    files.setPath(m_dir / "empty");
    Module1::s_GRD1LIST(files, grid);
    EXPECT_EQ(grid.rows, 0u);
    EXPECT_TRUE(grid.cells.empty());
}

TEST_F(Module1Test, EntriesThatCanOnlyPartlyBeReadStillGetTheirRow)
{
    if (test::onWindows())
        GTEST_SKIP() << "FIFOs, links that lead nowhere, names that are not UTF-8 and refusals by mode are Linux's";
    m_dir.file("locked.txt", 4096);
    std::filesystem::permissions(test::fsPath(m_dir / "locked.txt"), std::filesystem::perms::none);
    ASSERT_TRUE(test::makeFifo(m_dir / "pipe"));
    ASSERT_TRUE(test::makeLink("nowhere", m_dir / "dangling"));
    m_dir.file("\xff\xfe name");

    FileList files;
    files.setPath(m_dir.path());
    RecordingGrid grid;
    Module1::s_GRD1LIST(files, grid);
    ASSERT_EQ(grid.rows, 4u);
    std::map<std::string, std::vector<std::string>> byName;
    for (std::size_t row = 1; row <= grid.rows; ++row)
        byName[grid.text(1, row)] = grid.row(row);

    ASSERT_TRUE(byName.count("\xff\xfe name")) << "names travel as bytes";
    EXPECT_EQ(byName["locked.txt"][5], "4KB");
    EXPECT_FALSE(byName["locked.txt"][4].empty());
    // A FIFO is an entry that is neither a regular file nor a folder; it is never opened.
    EXPECT_EQ(byName["pipe"][1], "S");
    EXPECT_EQ(byName["pipe"][5], "0KB");
    // A dangling link shows the link itself.
    EXPECT_EQ(byName["dangling"][1], "S");
    EXPECT_FALSE(byName["dangling"][4].empty());
}

TEST_F(Module1Test, FailureInTheMiddleOfAFillLeavesTheTableRepaintingWithTheRowsWritten)
{
    for (int i = 0; i < 5; ++i)
        m_dir.file("f" + std::to_string(i));
    FileList files;
    files.setPath(m_dir.path());
    RecordingGrid grid;
    grid.failAtRow = 3;
    EXPECT_THROW(Module1::s_GRD1LIST(files, grid), std::runtime_error);
    EXPECT_TRUE(grid.redraw);
    EXPECT_EQ(grid.text(1, 2), "f1");
    EXPECT_EQ(grid.text(1, 3), "");
}

TEST_F(Module1Test, LargeFillGivesEveryRowWhatTheQueryGivesItsFile)
{
    // Enough files for the fill to query them on several threads.
    constexpr int count = 6000;
    const std::string folder = m_dir.folder("many");
    for (int i = 0; i < count; ++i) {
        const std::string path = m_dir.file("many/f" + std::to_string(i), static_cast<std::size_t>(i % 7) * 700);
        if (i % 50 == 0)
            test::makeReadOnly(path);
        if (i % 61 == 0)
            test::setTimes(
                path, { test::utcSeconds(1969, 12, 31, 23, 59, 59), 0 }, { test::utcSeconds(2040, 1, 1), 0 });
    }
    // Entries that Linux alone has.
    int others = 0;
    if (!test::onWindows()) {
        ASSERT_TRUE(test::makeFifo(m_dir / "many/pipe"));
        ASSERT_TRUE(test::makeLink("nowhere", m_dir / "many/dangling"));
        others = 2;
    }

    struct Info {
        std::string mark, created, accessed, modified, size;
        Module1::FileValues values;
    };
    const auto query = [&folder](std::string_view name) {
        Info info;
        Module1::s_FILEINFO(path::join(folder, name), info.mark, info.created, info.accessed, info.modified, info.size,
            info.values);
        return info;
    };

    FileList files;
    files.setPath(folder);
    // Files that vanish between the listing and the query. On Windows the fill answers from the file list's own
    // listing, which holds each file's status: they keep what it found.
    std::map<std::string, Info> listed;
    for (int i = 3; i < count; i += 97) {
        if (test::onWindows())
            listed.emplace("f" + std::to_string(i), query("f" + std::to_string(i)));
        const std::filesystem::path file = test::fsPath(m_dir / ("many/f" + std::to_string(i)));
        // Windows deletes no read-only file.
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        std::filesystem::remove(file);
    }
    RecordingGrid grid;
    Module1::s_GRD1LIST(files, grid);

    ASSERT_EQ(grid.rows, files.count());
    EXPECT_EQ(grid.log,
        (std::vector<std::string> { "redraw off", "rows 0", "rows " + std::to_string(count + others), "redraw on" }));
    using Value = std::pair<std::int64_t, std::uint32_t>;
    const auto timeValue = [](const std::optional<FileTime> &time) {
        return time ? std::optional<Value>({ time->seconds, time->nanoseconds }) : std::nullopt;
    };
    for (std::size_t i = 0; i < files.count(); ++i) {
        const std::string name(files.name(i));
        const auto kept = listed.find(name);
        const auto [mark, created, accessed, modified, size, values] = kept != listed.end() ? kept->second : query(name);
        const std::size_t row = i + 1;
        ASSERT_EQ(grid.row(row),
            (std::vector<std::string> { name, mark, created, accessed, modified, Module1::sizeText(size) }))
            << "row " << row;
        // The same values to order by, and the date-times as the locale wrote them.
        const auto value = [&](int column) {
            const auto it = grid.values.find({ column, row });
            return it == grid.values.end() ? std::nullopt : std::optional<Value>(it->second);
        };
        ASSERT_EQ(value(3), timeValue(values.created)) << "row " << row;
        ASSERT_EQ(value(4), timeValue(values.accessed)) << "row " << row;
        ASSERT_EQ(value(5), timeValue(values.modified)) << "row " << row;
        ASSERT_EQ(value(6), std::optional<Value>({ values.bytes, 0 })) << "row " << row;
        ASSERT_TRUE(
            grid.formatted.count({ 3, row }) && grid.formatted.count({ 5, row }) && !grid.formatted.count({ 1, row }));
    }

    // A table that refuses a cell half-way ends the fill there, repainting, with the workers gone.
    grid.failAtRow = 4000;
    EXPECT_THROW(Module1::s_GRD1LIST(files, grid), std::runtime_error);
    EXPECT_TRUE(grid.redraw);
    EXPECT_EQ(grid.text(1, 3999), files.name(3998));
    EXPECT_EQ(grid.text(1, 4001), "");
}

TEST_F(Module1Test, RootFilesGetOneSeparator)
{
    if (!test::inOwnRoot()) {
        test::runCaseInOwnRoot();
        return;
    }
    RootFile root;
    ASSERT_FALSE(root.path().empty());
    FileList files;
    files.setPath(path::systemRoot());
    RecordingGrid grid;
    Module1::s_GRD1LIST(files, grid);
    const std::string name = root.path().substr(path::systemRoot().size());
    bool found = false;
    for (std::size_t row = 1; row <= grid.rows; ++row) {
        if (grid.text(1, row) != name)
            continue;
        found = true;
        // The query found the file, so the path it was given was right.
        EXPECT_FALSE(grid.text(5, row).empty());
        EXPECT_EQ(grid.text(6, row), "0KB");
    }
    EXPECT_TRUE(found);
}

} // namespace

namespace
{

// Slices that kept the processor busy keep the workers a fill has; slices that waited on the file system ask for
// as many as keep every core busy, within bounds.
TEST(FillWorkersTest, MoreWorkersOnlyWhereTheQueriesWait)
{
    using namespace std::chrono_literals;
    using std::chrono::nanoseconds;
    const struct {
        const char *what;
        std::size_t workers;
        nanoseconds wall;
        std::optional<nanoseconds> cpu;
        std::size_t waits;
        std::size_t wanted;
    } cases[] = {
        { "processor time unknown", 2, 64ms, std::nullopt, 64, 2 },
        { "busy", 2, 3ms, 2ms, 64, 2 },
        { "waited, but a local disk's pace", 2, 640us, 64us, 64, 2 },
        { "kept from the processor, not waiting", 2, 64ms, 1ms, 3, 2 },
        { "waited on round trips", 2, 64ms, 1ms, 64, 64 },
        { "waited somewhat", 2, 8ms, 1ms, 32, 16 },
        { "never fewer than now", 32, 8ms, 1ms, 64, 32 },
        { "no processor time at all", 2, 64ms, 0ns, 64, 64 },
    };
    for (const auto &row : cases)
        EXPECT_EQ(workersWanted(row.workers, 2, { row.wall, row.cpu, 64, row.waits }), row.wanted) << row.what;
}

// The counts of the slow file system (tests/slowfs) that the test runs on: requests answered at once at most, and
// requests answered.
std::pair<unsigned, unsigned long> slowFileSystemCounts()
{
    std::ifstream stats(std::getenv("QUORRIX_SLOW_STATS"));
    std::string word;
    unsigned peak = 0;
    unsigned long requests = 0;
    stats >> word >> peak >> word >> requests;
    return { peak, requests };
}

// On a file system that answers each request after a delay, the fill keeps many queries in flight, and asks one
// round trip per file. Run by with_slow_fs.sh, which serves a folder of files through it.
TEST(SlowFill, ManyQueriesInFlightOneRoundTripAFile)
{
    const char *root = std::getenv("QUORRIX_SLOW_ROOT");
    if (!root || !std::getenv("QUORRIX_SLOW_STATS"))
        GTEST_SKIP() << "runs on the slow file system only (the test slow_fill)";
    FileList files;
    files.setPath(root);
    ASSERT_GE(files.count(), 256u);
    RecordingGrid first;
    Module1::s_GRD1LIST(files, first);
    ASSERT_EQ(first.rows, files.count());

    // Unless the file system allows parallel directory operations, the kernel sends the first look-up of each
    // name in a folder only once the one before it is answered, whoever asks; the fill again, as on F5, shows
    // what the fill itself does.
    const unsigned long requestsBefore = slowFileSystemCounts().second;
    RecordingGrid again;
    Module1::s_GRD1LIST(files, again);
    const auto [peak, requests] = slowFileSystemCounts();
    ASSERT_EQ(again.rows, files.count());
    EXPECT_EQ(again.text(gridColumn(Column::Size), again.rows), "0KB");
    EXPECT_GE(peak, 8u);
    // Besides a round trip a file, each worker asks once what file system its folder is on.
    EXPECT_LE(requests - requestsBefore, files.count() + files.count() / 16);
}

} // namespace
