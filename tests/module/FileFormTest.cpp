#include "FileForm.h"
#include "DateTimeText.h"
#include "FileList.h"
#include "Path.h"
#include "RecordingGrid.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <vector>

using namespace quorrix;
using quorrix::test::fsPath;
using quorrix::test::RecordingGrid;
using quorrix::test::TempDir;

namespace
{

using Log = std::vector<std::string>;

// Drives named by text; each remembers its current folder, as the real lists do.
class FakeDrives : public DriveListControl
{
public:
    FakeDrives(Log &log, std::vector<std::string> driveTexts)
        : texts(std::move(driveTexts))
        , m_log(log)
    {
    }
    void setChangeHandler(ChangeHandler handler) override { m_handler = std::move(handler); }
    std::string drive() const override { return texts.at(current); }
    void setDrive(std::string_view text) override
    {
        const auto it = std::find(texts.begin(), texts.end(), text);
        if (it == texts.end())
            throw std::invalid_argument("no such drive");
        const auto old = current;
        current = static_cast<std::size_t>(it - texts.begin());
        if (current != old)
            m_handler();
    }
    void showDriveOf(std::string_view folder) override { m_log.push_back("drive of " + std::string(folder)); }
    void refresh() override
    {
        m_log.push_back("drives refresh");
        if (currentGone)
            current = (current + 1) % texts.size();
        currentGone = false;
    }

    std::vector<std::string> texts;
    std::size_t current = 0;
    bool currentGone = false; // the next refresh finds the current drive gone and takes the next one

private:
    Log &m_log;
    ChangeHandler m_handler;
};

class FakeFolders : public DirListControl
{
public:
    explicit FakeFolders(Log &log)
        : m_log(log)
    {
    }
    void setChangeHandler(ChangeHandler handler) override { m_handler = std::move(handler); }
    std::string path() const override { return shown; }
    void setPath(std::string_view text) override
    {
        m_log.push_back("folders set " + std::string(text));
        std::string folder(text);
        if (const auto it = currentOfDrive.find(folder); it != currentOfDrive.end())
            folder = it->second;
        if (checks)
            checkReadableFolder(folder);
        if (folder == shown)
            return;
        const std::string old = shown;
        shown = folder;
        try {
            m_handler();
        } catch (...) {
            shown = old;
            throw;
        }
    }
    void refresh() override { m_log.push_back("folders refresh"); }

    std::string shown;
    std::map<std::string, std::string> currentOfDrive; // drive text -> current folder
    bool checks = true; // false: accepts a folder that the file list then cannot read

private:
    Log &m_log;
    ChangeHandler m_handler;
};

// The real file list, its calls logged.
class LoggedFiles : public FileListControl
{
public:
    explicit LoggedFiles(Log &log)
        : m_log(log)
    {
    }
    const std::string &path() const override { return list.path(); }
    void setPath(std::string_view folder) override
    {
        m_log.push_back("files set " + std::string(folder));
        list.setPath(folder);
    }
    std::size_t count() const override { return list.count(); }
    void select(std::size_t index) override { list.select(index); }
    std::string_view fileName() const override { return list.fileName(); }
    std::string_view name(std::size_t index) const override { return list.name(index); }
    void refresh() override
    {
        m_log.push_back("files refresh");
        list.refresh();
    }

    FileList list;

private:
    Log &m_log;
};

class FileFormTest : public ::testing::Test
{
protected:
    FileFormTest()
    {
        DateTimeText::setUserLocale("C");
        home = dir.folder("home");
        dir.file("home/a.txt", 100);
        dir.file("home/b.txt", 2000);
        other = dir.folder("other");
        dir.file("other/c.txt");
        dir.file("other/d.txt");
        dir.file("other/e.txt");
        folders.shown = home;
        folders.currentOfDrive = { { "/ [vda]", home }, { "/media/usb [CAMERA]", other } };
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (std::size_t row = 1; row <= grid.rows; ++row)
            result.push_back(grid.text(1, row));
        return result;
    }
    std::ptrdiff_t fills() const { return std::count(grid.log.begin(), grid.log.end(), "redraw off"); }

    TempDir dir;
    std::string home, other;
    Log log;
    FakeDrives drives { log, { "/ [vda]", "/media/usb [CAMERA]" } };
    FakeFolders folders { log };
    LoggedFiles files { log };
    RecordingGrid grid;
    FileForm form { drives, folders, files, grid };
};

TEST_F(FileFormTest, SetUpGivesSixTitledColumnsWithRepaintingHeldBack)
{
    grid.columns = 0;
    form.s_GRD1SET();
    EXPECT_EQ(grid.columns, 6);
    EXPECT_EQ(grid.row(0),
        (std::vector<std::string> { "ファイル名", "属性", "作成日時", "アクセス日時", "更新日時", "ファイルサイズ" }));
    EXPECT_EQ(grid.widths,
        (std::map<int, double> { { 1, 20.0 }, { 2, 5.0 }, { 3, 13.0 }, { 4, 13.0 }, { 5, 13.0 }, { 6, 13.2 } }));
    EXPECT_EQ(grid.log.front(), "redraw off");
    EXPECT_EQ(grid.log.back(), "redraw on");
    EXPECT_EQ(std::count_if(grid.log.begin(), grid.log.end(), [](auto &op) { return op.rfind("rows", 0) == 0; }), 0);
}

TEST_F(FileFormTest, StartUpOnAFolderAFileOrNothing)
{
    struct Case {
        std::string argument;
        std::string shown;
        std::vector<std::string> rows;
    };
    std::vector<Case> cases = {
        { other, other, { "c.txt", "d.txt", "e.txt" } },
        { path::join(other, "d.txt"), other, { "c.txt", "d.txt", "e.txt" } },
        { path::join(other, "*.txt"), other, { "c.txt", "d.txt", "e.txt" } },
        // Nothing usable: the current folder of the current drive, which the list already shows.
        { "", home, { "a.txt", "b.txt" } },
        { path::join(other, "missing"), home, { "a.txt", "b.txt" } },
        { "-style", home, { "a.txt", "b.txt" } },
    };
    // Windows quotes a path with blanks, before any second item; elsewhere a quote belongs to the name.
    const std::vector<std::string> otherRows = { "c.txt", "d.txt", "e.txt" }, homeRows = { "a.txt", "b.txt" };
    cases.push_back({ "\"" + other + "\"", test::onWindows() ? other : home, test::onWindows() ? otherRows : homeRows });
    cases.push_back({ "\"" + path::join(other, "d.txt") + "\" \"" + home + "\"", test::onWindows() ? other : home,
        test::onWindows() ? otherRows : homeRows });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.argument);
        Log caseLog;
        FakeDrives caseDrives { caseLog, drives.texts };
        FakeFolders caseFolders { caseLog };
        caseFolders.shown = home;
        caseFolders.currentOfDrive = folders.currentOfDrive;
        LoggedFiles caseFiles { caseLog };
        RecordingGrid caseGrid;
        FileForm caseForm { caseDrives, caseFolders, caseFiles, caseGrid };
        caseForm.Form_Load(c.argument);

        EXPECT_EQ(caseFolders.shown, c.shown);
        EXPECT_EQ(caseFiles.path(), c.shown);
        ASSERT_EQ(caseGrid.rows, c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(caseGrid.text(1, i + 1), c.rows[i]);
        EXPECT_EQ(caseGrid.text(1, 0), "ファイル名");
        // Filled exactly once, whether or not the directory list moved.
        EXPECT_EQ(std::count(caseGrid.log.begin(), caseGrid.log.end(), "redraw off"), 2);
    }
}

TEST_F(FileFormTest, StartFolderThatCannotBeShownFallsBackToTheCurrentFolder)
{
    const std::string locked = dir.folder("locked");
    dir.file("locked/x.txt");
    std::filesystem::permissions(fsPath(locked), std::filesystem::perms::none);
    if (test::bypassesPermissions())
        GTEST_SKIP() << "this process reads every folder";
    form.Form_Load(locked);
    EXPECT_EQ(folders.shown, home);
    EXPECT_EQ(names(), (std::vector<std::string> { "a.txt", "b.txt" }));
}

TEST_F(FileFormTest, BareFileNameFallsBackToTheCurrentFolder)
{
    // A file named without any folder part gives itself as the start folder; showing it fails.
    dir.folder("cwd");
    dir.file("cwd/bare.txt");
    const test::WorkingDirectory here(dir / "cwd");
    folders.currentOfDrive["/ [vda]"] = other;
    EXPECT_NO_THROW(form.Form_Load("bare.txt"));
    EXPECT_EQ(folders.shown, other);
    EXPECT_EQ(names(), (std::vector<std::string> { "c.txt", "d.txt", "e.txt" }));
}

TEST_F(FileFormTest, FolderChangeListsTheFolderAndTheDriveListFollows)
{
    form.s_GRD1SET();
    folders.setPath(other);
    EXPECT_EQ(log, (Log { "folders set " + other, "files set " + other, "drive of " + other }));
    EXPECT_EQ(names(), (std::vector<std::string> { "c.txt", "d.txt", "e.txt" }));
    EXPECT_EQ(grid.text(2, 0), "属性");
}

TEST_F(FileFormTest, PickingADriveShowsItsCurrentFolder)
{
    drives.setDrive("/media/usb [CAMERA]");
    EXPECT_EQ(folders.shown, other);
    EXPECT_EQ(names(), (std::vector<std::string> { "c.txt", "d.txt", "e.txt" }));
}

TEST_F(FileFormTest, FolderThatCannotBeListedLeavesListsAndTableAsTheyWere)
{
    form.Form_Load(home);
    const auto before = grid.cells;
    const std::string gone = dir.folder("gone");
    folders.currentOfDrive["/media/usb [CAMERA]"] = gone;
    std::filesystem::remove(fsPath(gone));
    EXPECT_THROW(drives.setDrive("/media/usb [CAMERA]"), std::system_error);
    EXPECT_EQ(folders.shown, home);
    EXPECT_EQ(files.path(), home);
    EXPECT_EQ(grid.cells, before);

    // Accepted by the directory list, then gone before the file list reads it: the drive list never moves.
    folders.checks = false;
    log.clear();
    EXPECT_THROW(folders.setPath(gone), std::system_error);
    EXPECT_EQ(log, (Log { "folders set " + gone, "files set " + gone }));
    EXPECT_EQ(folders.shown, home);
    EXPECT_EQ(grid.cells, before);
}

TEST_F(FileFormTest, FillThatFailsPartWayLeavesEveryControlOnTheFolderShownBefore)
{
    struct Case {
        const char *how;
        std::size_t failAtRow; // "other" has three files, "home" two
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        { "the folder shown before is filled again", 3, { "a.txt", "b.txt" } },
        { "nor can the folder shown before be filled: no rows, but of that folder", 2, {} },
    };
    for (const Case &c : cases) {
        for (const bool byDrive : { false, true }) {
            SCOPED_TRACE(std::string(c.how) + (byDrive ? ", picking a drive" : ", opening a folder"));
            form.Form_Load(home);
            drives.current = 0;
            grid.failAtRow = c.failAtRow;
            if (byDrive)
                EXPECT_THROW(drives.setDrive("/media/usb [CAMERA]"), std::runtime_error);
            else
                EXPECT_THROW(folders.setPath(other), std::runtime_error);
            grid.failAtRow = 0;
            EXPECT_EQ(folders.shown, home);
            EXPECT_EQ(files.path(), home);
            EXPECT_EQ(grid.folder, home);
            EXPECT_EQ(names(), c.rows);
        }
    }
}

TEST_F(FileFormTest, F5RereadsEverythingAndRefillsWhateverTheShiftState)
{
    form.Form_Load(home);
    for (const int shift : { 0, int(FileForm::ShiftMask), int(FileForm::CtrlMask), int(FileForm::AltMask),
             int(FileForm::ShiftMask | FileForm::CtrlMask) }) {
        SCOPED_TRACE(shift);
        dir.file("home/new" + std::to_string(shift) + ".txt");
        log.clear();
        const auto before = fills();
        form.Form_KeyDown(FileForm::KeyF5, shift);
        EXPECT_EQ(log,
            (Log {
                "drives refresh", "folders refresh", "folders set / [vda]", "files set " + home, "drive of " + home }));
        EXPECT_EQ(fills(), before + 1);
        const auto shown = names();
        EXPECT_NE(std::find(shown.begin(), shown.end(), "new" + std::to_string(shift) + ".txt"), shown.end());
    }
    std::filesystem::remove(fsPath(dir / "home/a.txt"));
    form.Form_KeyDown(FileForm::KeyF5, 0);
    EXPECT_EQ(names().front(), "b.txt");
}

TEST_F(FileFormTest, F5ThatMovesTheFolderShownFillsOnce)
{
    // The directory list's change event fills the table; F5 must not fill it a second time.
    struct Case {
        const char *name;
        bool driveGone; // false: the folder shown now lies on the second drive, the drive list still names the first
    };
    for (const Case &c : { Case { "folder on another drive", false }, Case { "drive gone", true } }) {
        SCOPED_TRACE(c.name);
        drives.current = 0;
        folders.currentOfDrive["/ [vda]"] = home;
        form.Form_Load(home);
        if (c.driveGone)
            drives.currentGone = true;
        else
            folders.currentOfDrive["/ [vda]"] = other;
        const auto before = fills();
        form.Form_KeyDown(FileForm::KeyF5, 0);
        EXPECT_EQ(folders.shown, other);
        EXPECT_EQ(files.path(), other);
        EXPECT_EQ(fills(), before + 1);
    }
}

TEST_F(FileFormTest, OtherKeysChangeNothing)
{
    form.Form_Load(home);
    log.clear();
    const auto gridLog = grid.log.size();
    for (const int key : { 115, 117, 13, 65, 0, 116 + 256 })
        form.Form_KeyDown(key, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(grid.log.size(), gridLog);
}

} // namespace
