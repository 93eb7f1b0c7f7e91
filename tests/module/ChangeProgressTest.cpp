// The progress notice of a change of folder: when it shows, how often, and who takes it down.
#include "ChangeProgress.h"

#include "RecordingGrid.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace quorrix
{
namespace
{

    using namespace std::chrono_literals;

    std::chrono::steady_clock::time_point g_now;

    std::chrono::steady_clock::time_point fakeNow()
    {
        return g_now;
    }

    class ProgressGrid : public test::RecordingGrid
    {
    public:
        void showProgress(std::size_t written, std::size_t total) override
        {
            log.push_back("progress " + std::to_string(written) + "/" + std::to_string(total));
        }
    };

    struct Step {
        enum Kind { Read, Fill, InnerStart, InnerEnd } kind;
        int atMs;
        std::size_t rows = 0;
        std::size_t total = 0;
    };

    struct Case {
        const char *what;
        std::vector<Step> steps;
        std::vector<std::string> log; // what the table was told, the change's end included
    };

    TEST(ChangeProgress, ShowsFromHalfASecondAfterTheStartAtMostEveryTenthAndIsTakenDownAtTheEnd)
    {
        const std::vector<Case> cases {
            { "a change shorter than half a second shows nothing",
                { { Step::Read, 100, 50 }, { Step::Read, 499, 900 }, { Step::Fill, 499, 0, 10 },
                    { Step::Fill, 499, 10, 10 } },
                {} },
            { "reading shows from half a second, then at most every 100 ms; a change that ends while it shows "
              "(it failed before its fill) takes it down",
                { { Step::Read, 300, 100 }, { Step::Read, 500, 200 }, { Step::Read, 550, 300 },
                    { Step::Read, 599, 400 }, { Step::Read, 600, 500 }, { Step::Read, 900, 600 } },
                { "progress 200/0", "progress 500/0", "progress 600/0", "redraw off", "redraw on" } },
            { "a fill that ends leaves the notice to the fill's own end of holding back",
                { { Step::Read, 600, 10 }, { Step::Fill, 650, 0, 10 }, { Step::Fill, 700, 5, 10 },
                    { Step::Fill, 800, 10, 10 } },
                { "progress 10/0", "progress 5/10" } },
            { "a change that fails during its fill takes the notice down",
                { { Step::Fill, 510, 3, 10 }, { Step::Fill, 580, 4, 10 } },
                { "progress 3/10", "redraw off", "redraw on" } },
            { "a change inside another counts from the outer start and leaves the notice to it",
                { { Step::InnerStart, 400 }, { Step::Read, 500, 7 }, { Step::InnerEnd, 520 },
                    { Step::Read, 700, 8 } },
                { "progress 7/0", "progress 8/0", "redraw off", "redraw on" } },
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(c.what);
            ProgressGrid grid;
            const auto start = std::chrono::steady_clock::time_point {} + 1h;
            g_now = start;
            {
                const ChangeProgress change(grid, &fakeNow);
                std::optional<ChangeProgress> inner;
                for (const Step &step : c.steps) {
                    g_now = start + std::chrono::milliseconds(step.atMs);
                    switch (step.kind) {
                    case Step::Read:
                        ChangeProgress::reading(step.rows);
                        break;
                    case Step::Fill:
                        ChangeProgress::filling(step.rows, step.total);
                        break;
                    case Step::InnerStart:
                        inner.emplace(grid, &fakeNow);
                        break;
                    case Step::InnerEnd:
                        inner.reset();
                        break;
                    }
                }
            }
            EXPECT_EQ(grid.log, c.log);
        }
    }

    TEST(ChangeProgress, TextGroupsDigitsAndGivesTheTotalOnceKnown)
    {
        const struct {
            std::size_t rows, total;
            const char *separator;
            const char *text;
        } cases[] {
            { 0, 0, ",", "ファイルを読み込んでいます\n0 件" },
            { 1234567, 0, ",", "ファイルを読み込んでいます\n1,234,567 件" },
            { 999, 1000, ",", "ファイルを読み込んでいます\n1,000 件中 999 件" },
            { 100, 100000, ".", "ファイルを読み込んでいます\n100.000 件中 100 件" },
            { 126976, 1000000, "", "ファイルを読み込んでいます\n1000000 件中 126976 件" },
        };
        for (const auto &c : cases)
            EXPECT_EQ(progressText(c.rows, c.total, c.separator), c.text) << c.rows << "/" << c.total;
    }

} // namespace
} // namespace quorrix
