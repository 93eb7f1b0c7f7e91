#include "WindowShell.h"
#include "DateTimeText.h"
#include "FileList.h"
#include "RecordingGrid.h"
#include "TestSupport.h"
#include "WindowLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quorrix;
using quorrix::test::RecordingGrid;
using quorrix::test::TempDir;

namespace
{

using Log = std::vector<std::string>;
using namespace std::chrono_literals;

TEST(WindowShell, KeysGiveTheirCommands)
{
    constexpr int Shift = Key::ShiftMask, Ctrl = Key::CtrlMask, Alt = Key::AltMask;
    const struct {
        int key;
        int shift;
        bool inTable;
        Command command;
    } cases[] = {
        { Key::F5, 0, false, Command::Refresh }, { Key::F5, Shift | Ctrl | Alt, false, Command::Refresh },
        { Key::F5, Ctrl, true, Command::Refresh }, { Key::A, Ctrl, true, Command::SelectAll },
        { Key::A, Ctrl, false, Command::None }, // the lists keep their own keys
        { Key::A, 0, true, Command::None }, { Key::C, Ctrl, true, Command::CopyRows },
        { Key::C, Ctrl | Shift, true, Command::CopyPaths },
        { Key::C, Ctrl | Alt, true, Command::None }, // AltGr, which types a character
        { Key::OemPlus, Ctrl, true, Command::FitColumns }, // Ctrl+=
        { Key::OemPlus, Ctrl | Shift, true, Command::FitColumns }, // Ctrl++ on the main keys
        { Key::Add, Ctrl, true, Command::FitColumns }, { Key::OemPlus, 0, true, Command::None },
        { 0x75, 0, false, Command::None }, // F6
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + " " + std::to_string(c.shift) + (c.inTable ? " in the table" : ""));
        EXPECT_EQ(commandFor(c.key, c.shift, c.inTable), c.command);
    }
}

TEST(WindowShell, PressesDuringAFillGiveOneRefillAfterIt)
{
    // The toolkit's clock runs 1000 ms ahead of the steady clock's milliseconds; one fill takes 4.5 s.
    const RefreshPresses::Clock::time_point t0 { 3600s };
    const auto stamp
        = [&](std::chrono::milliseconds at) { return static_cast<std::uint32_t>((3600s + at).count() + 1000); };
    RefreshPresses presses;
    EXPECT_TRUE(presses.admit(stamp(0ms), t0));
    presses.fillStarted(t0);
    // Five presses during the fill, handled once it has ended: the first asks for one refill, which answers the rest.
    EXPECT_TRUE(presses.admit(stamp(1000ms), t0 + 4500ms));
    presses.fillStarted(t0 + 4500ms);
    for (const auto at : { 2000ms, 3000ms, 4000ms, 4400ms })
        EXPECT_FALSE(presses.admit(stamp(at), t0 + 9000ms)) << at.count();
    // A press after the refill began asks again, and so does one without a time stamp.
    EXPECT_TRUE(presses.admit(stamp(9100ms), t0 + 9100ms));
    presses.fillStarted(t0 + 9100ms);
    EXPECT_TRUE(presses.admit(0, t0 + 9200ms));

    // The toolkit's clock wraps at 2^32 ms; a press made just after the wrap is later than a fill just before it.
    RefreshPresses wrapping;
    wrapping.seen(0xFFFF'FF00u, t0);
    wrapping.fillStarted(t0 + 100ms);
    EXPECT_FALSE(wrapping.admit(0xFFFF'FF60u, t0 + 300ms));
    EXPECT_TRUE(wrapping.admit(0x0000'0010u, t0 + 400ms));
}

TEST(WindowShell, LayoutInPixels)
{
    EXPECT_EQ(layout::toPixels(layout::ClientWidth, 96), 690);
    EXPECT_EQ(layout::toPixels(layout::ClientHeight, 96), 355);
    EXPECT_EQ(layout::toPixels(1815, 96), 121);
    EXPECT_EQ(layout::toPixels(1815, 144), 182); // 181.5: halves round up
    EXPECT_EQ(layout::controlLayout(layout::Control::GRD1).accessibleName, "ファイル一覧");
}

// The drive list, the directory list and the window in one, each call logged.
class Fakes : public DriveListControl, public DirListControl, public ShellView
{
public:
    void setChangeHandler(ChangeHandler) override { }
    std::string drive() const override { return "a [A]"; }
    void setDrive(std::string_view text) override
    {
        log.push_back("drive " + std::string(text));
        throw std::runtime_error("no medium");
    }
    void showDriveOf(std::string_view) override { }
    void refresh() override { log.push_back("refresh"); }
    std::string path() const override { return folder; }
    void setPath(std::string_view text) override
    {
        log.push_back("folder " + std::string(text));
        if (text == "missing")
            throw std::runtime_error("not found");
    }
    void setBusy(bool busy) override { log.push_back(busy ? "busy" : "idle"); }
    void report(const std::string &message) override { log.push_back("report " + message); }

    Log log;
    std::string folder;
};

// Each step through the shell: what runs, when the busy cursor shows, and what a failure says.
TEST(WindowShell, StepsShowTheBusyCursorOnlyWhileTheyFillAndReportTheirFailures)
{
    DateTimeText::setUserLocale("C");
    const TempDir dir;
    dir.file("a.txt");
    Fakes fakes;
    Log &log = fakes.log;
    fakes.folder = dir.path();
    DriveChooser drives([] { return std::vector<Drive> { { "a", "a [A]" }, { "b", "b [B]" } }; }, {});
    FileList file1;
    RecordingGrid grd1;
    FileForm form(fakes, fakes, file1, grd1);
    bool copyFails = false;
    WindowShell shell(form, fakes, drives, fakes,
        { [&] { log.push_back("select all"); },
            [&] {
                if (copyFails)
                    throw std::bad_alloc();
                log.push_back("copy rows");
            },
            [&] { log.push_back("copy paths"); }, [&] { log.push_back("fit columns"); } },
        fakes);
    const std::size_t other = 1 - drives.current();
    const std::string otherText = drives.drives()[other].text;

    const struct {
        const char *step;
        std::function<bool()> run; // returns whether a key was taken as a command
        bool taken;
        Log log;
    } cases[] = {
        { "Ctrl+C in a list", [&] { return shell.keyPressed(Key::C, Key::CtrlMask, false, 5); }, false, {} },
        { "Ctrl+C", [&] { return shell.keyPressed(Key::C, Key::CtrlMask, true, 6); }, true, { "copy rows" } },
        { "Ctrl+Shift+C", [&] { return shell.keyPressed(Key::C, Key::CtrlMask | Key::ShiftMask, true, 7); }, true,
            { "copy paths" } },
        { "Ctrl+A", [&] { return shell.keyPressed(Key::A, Key::CtrlMask, true, 8); }, true, { "select all" } },
        { "Ctrl+=", [&] { return shell.keyPressed(Key::OemPlus, Key::CtrlMask, true, 9); }, true, { "fit columns" } },
        { "a copy that runs out of memory",
            [&] {
                copyFails = true;
                const bool taken = shell.keyPressed(Key::C, Key::CtrlMask, true, 10);
                copyFails = false;
                return taken;
            },
            true, { "report コピーできません。\nstd::bad_alloc" } },
        { "F5", [&] { return shell.keyPressed(Key::F5, 0, false, 0); }, true,
            { "busy", "refresh", "refresh", "folder a [A]", "idle" } },
        { "the current drive picked again",
            [&] {
                shell.drivePicked(static_cast<int>(drives.current()));
                return false;
            },
            false, {} },
        { "no drive picked",
            [&] {
                shell.drivePicked(-1);
                return false;
            },
            false, {} },
        { "a drive that cannot be read",
            [&] {
                shell.drivePicked(static_cast<int>(other));
                return false;
            },
            false,
            { "busy", "drive " + otherText, "idle",
                "report ドライブを読み取れません。\n" + otherText + "\nno medium" } },
        { "no folder opened",
            [&] {
                shell.folderOpened("");
                return false;
            },
            false, {} },
        { "a folder that cannot be shown",
            [&] {
                shell.folderOpened("missing");
                return false;
            },
            false, { "busy", "folder missing", "idle", "report フォルダを表示できません。\nmissing\nnot found" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        log.clear();
        EXPECT_EQ(c.run(), c.taken);
        EXPECT_EQ(log, c.log);
    }
    // F5 filled the table with the folder shown.
    EXPECT_EQ(grd1.text(1, 1), "a.txt");
}

} // namespace
