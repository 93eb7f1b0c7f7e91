// The file table's model: its cell store, its order through refills, and its actions when memory runs out.
#include "TableModel.h"

#include "AllocationFailure.h"
#include "TextPages.h"
#include "TestSupport.h"
#include "FailureText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

using quorrix::CellValue;
using quorrix::TableModel;

using quorrix::test::fillGrid;

namespace
{


std::vector<std::size_t> shownRows(const TableModel &table)
{
    std::vector<std::size_t> rows;
    for (std::size_t shown = 0; shown < table.rows(); ++shown)
        rows.push_back(table.dataRow(shown));
    return rows;
}

// The text block grows past the address space it first took, and on Windows also where the space after it is taken,
// which moves it: every byte written stays.
TEST(TextPages, GrowingKeepsEveryByte)
{
    for (const bool spaceAfterTaken : { false, true }) {
        SCOPED_TRACE(spaceAfterTaken ? "the space after the block taken" : "the space after the block free");
        const auto byteAt = [](std::size_t i) { return static_cast<char>(i * 7 + i / 4093); };
        std::size_t capacity = 4096;
        char *data = quorrix::pages::grow(nullptr, 0, capacity);
        for (std::size_t i = 0; i < capacity; ++i)
            data[i] = byteAt(i);
#ifdef _WIN32
        void *taken = nullptr;
        if (spaceAfterTaken) {
            // The end of the address space the block took: of every region from the same reservation.
            MEMORY_BASIC_INFORMATION region;
            ASSERT_EQ(VirtualQuery(data, &region, sizeof region), sizeof region);
            void *const reservation = region.AllocationBase;
            char *end = data;
            while (VirtualQuery(end, &region, sizeof region) == sizeof region && region.AllocationBase == reservation)
                end = static_cast<char *>(region.BaseAddress) + region.RegionSize;
            taken = VirtualAlloc(end, 1 << 16, MEM_RESERVE, PAGE_NOACCESS);
            ASSERT_NE(taken, nullptr);
        }
#else
        if (spaceAfterTaken)
            continue;
#endif
        while (capacity < (std::size_t(80) << 20)) {
            const std::size_t grown = capacity * 2 + 12345;
            data = quorrix::pages::grow(data, capacity, grown);
            for (std::size_t i = capacity; i < grown; ++i)
                data[i] = byteAt(i);
            capacity = grown;
        }
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < capacity; ++i)
            wrong += data[i] != byteAt(i);
        EXPECT_EQ(wrong, 0u);
        quorrix::pages::release(data, capacity);
#ifdef _WIN32
        if (taken)
            VirtualFree(taken, 0, MEM_RELEASE);
#endif
    }
}

TEST(TableModel, RowCountEmptiesCells)
{
    TableModel table;
    fillGrid(table, 3);
    table.setRowCount(0);
    table.setRowCount(5);
    for (std::size_t row = 1; row <= 5; ++row) {
        for (int column = 1; column <= 3; ++column)
            EXPECT_EQ(table.cellText(column, row), "");
    }
    // The titles are not data rows: they stay.
    EXPECT_EQ(table.cellText(3, 0), "Size");

    // Without going through 0, rows kept keep their texts and new rows are empty.
    fillGrid(table, 2);
    table.setRowCount(4);
    EXPECT_EQ(table.cellText(3, 2), "2.3");
    EXPECT_EQ(table.cellText(1, 3), "");
}

TEST(TableModel, KeepsValues)
{
    TableModel table;
    fillGrid(table, 4);
    using Kept = std::optional<std::pair<std::int64_t, std::uint32_t>>;
    const auto value = [&](std::size_t row) -> Kept {
        const std::optional<CellValue> kept = table.cellValue(3, row);
        return kept ? Kept({ kept->whole, kept->fraction }) : std::nullopt;
    };
    table.setCellValue(3, 1, { -5, 0 });
    // The lowest whole part is kept as its neighbour, and the fractions that come late leave earlier rows whole.
    table.setCellValue(3, 2, { INT64_MIN, 0 });
    table.setCellValue(3, 3, { 7, 999'999'999 });
    EXPECT_EQ(value(1), Kept({ -5, 0 }));
    EXPECT_EQ(value(2), Kept({ INT64_MIN + 1, 0 }));
    EXPECT_EQ(value(3), Kept({ 7, 999'999'999 }));
    EXPECT_EQ(value(4), Kept());
    table.setRowCount(6);
    EXPECT_EQ(value(3), Kept({ 7, 999'999'999 }));
    EXPECT_EQ(value(6), Kept());

    // Values near the first one of their column, and then one farther off than 32 bits reach.
    const auto valueOf = [&](std::size_t row) { return table.cellValue(1, row).value().whole; };
    constexpr std::int64_t first = 1'000;
    table.setCellValue(1, 1, { first, 0 });
    table.setCellValue(1, 2, { first + INT32_MAX, 0 });
    table.setCellValue(1, 3, { first + INT32_MIN + 1, 0 });
    EXPECT_EQ(valueOf(2), first + INT32_MAX);
    EXPECT_EQ(valueOf(3), first + INT32_MIN + 1);
    EXPECT_FALSE(table.cellValue(1, 4));
    table.setCellValue(1, 4, { first + INT32_MIN, 0 });
    EXPECT_EQ(valueOf(1), first);
    EXPECT_EQ(valueOf(2), first + INT32_MAX);
    EXPECT_EQ(valueOf(4), first + INT32_MIN);
    EXPECT_FALSE(table.cellValue(1, 5));
}

TEST(TableModel, RewritesCells)
{
    TableModel table;
    fillGrid(table, 3);
    table.setText(2, 2, "longer text than before");
    table.setText(2, 2, "x");
    EXPECT_EQ(table.cellText(2, 2), "x");
    table.setText(2, 2, "");
    EXPECT_EQ(table.cellText(2, 2), "");
    // Texts whose lengths take more than one byte to keep.
    for (const std::size_t length : { 63u, 64u, 300u, 20'000u }) {
        table.setFormattedText(1, 3, std::string(length, 'n'));
        EXPECT_EQ(table.cellText(1, 3), std::string(length, 'n'));
        EXPECT_EQ(table.cellShown(1, 3), TableModel::Shown::AsWritten);
    }
    // A cell's own bytes written into other cells, while the store grows under them.
    for (int column = 1; column <= 3; ++column)
        table.setText(column, 1, table.cellText(1, 3));
    EXPECT_EQ(table.cellText(3, 1), std::string(20'000, 'n'));
    // Neighbours are untouched by the appended texts.
    EXPECT_EQ(table.cellText(1, 2), "2.1");
    EXPECT_EQ(table.cellText(3, 2), "2.3");
    EXPECT_EQ(table.cellText(2, 3), "3.2");
}

TEST(TableModel, RepeatedTextsStayApart)
{
    // Equal texts in neighbouring rows are kept once; each cell must still change on its own, and the same bytes
    // shown otherwise are not shared.
    TableModel table;
    fillGrid(table, 5);
    for (std::size_t row = 1; row <= 4; ++row)
        table.setText(2, row, "same");
    table.setText(2, 2, "changed");
    table.setText(2, 4, "");
    table.setFormattedText(2, 5, "same");
    EXPECT_EQ(table.cellText(2, 1), "same");
    EXPECT_EQ(table.cellText(2, 2), "changed");
    EXPECT_EQ(table.cellText(2, 3), "same");
    EXPECT_EQ(table.cellText(2, 4), "");
    EXPECT_TRUE(table.isEscaped(2, 3));
    EXPECT_FALSE(table.isEscaped(2, 5));
    EXPECT_EQ(table.cellText(1, 3), "3.1");
}

TEST(TableModel, AColumnFitsItsWidestTextOrItsTitleWithTheArrowsRoom)
{
    TableModel table;
    fillGrid(table, 3); // titles "Name", "Mark", "Size"; cells "1.1" to "3.3"
    table.setText(1, 2, "a far longer name");
    const auto bytes = [](const std::string &text) { return static_cast<int>(text.size()); };
    struct Row {
        int column;
        int arrowRoom;
        int expected;
    };
    for (const Row &row : { Row { 1, 3, 17 + 2 }, Row { 2, 0, 4 + 2 }, Row { 2, 3, 7 + 2 } }) {
        SCOPED_TRACE(row.column * 10 + row.arrowRoom);
        EXPECT_EQ(table.fitPixels(row.column, bytes, row.arrowRoom, 2), row.expected);
    }
}

TEST(TableModel, AWidthTheUserGaveAColumnOutlivesRefillsUntilTheSetUpWidthReplacesIt)
{
    TableModel table;
    fillGrid(table, 3);
    table.setColumnWidth(1, 10.0);
    table.setColumnWidth(2, 4.0);
    table.setUserWidth(1, 25.0); // a drag, 100 pixels at 4 a character
    table.setUserWidth(2, 2.0);
    table.setColumnWidth(2, 6.0); // the set-up width again
    fillGrid(table, 4);
    struct Row {
        int column;
        int expected;
    };
    // Characters at 4 pixels, at least the title's 30, with margins of 2; the user's width as it was given.
    for (const Row &row : { Row { 1, 100 }, Row { 2, 30 + 2 }, Row { 3, 40 + 2 } }) {
        SCOPED_TRACE(row.column);
        EXPECT_EQ(table.widthPixels(row.column, 4.0, 30, 2), row.expected);
    }
    EXPECT_THROW(table.setUserWidth(1, -1.0), std::invalid_argument);
}

TEST(TableModel, RefusesCellsOutsideTable)
{
    TableModel table;
    fillGrid(table, 2);
    EXPECT_THROW(table.setText(4, 1, "x"), std::out_of_range);
    EXPECT_THROW(table.setText(0, 1, "x"), std::out_of_range);
    EXPECT_THROW(table.setText(1, 3, "x"), std::out_of_range);
    EXPECT_THROW(table.setColumnWidth(4, 5.0), std::out_of_range);
    EXPECT_THROW(table.setColumnWidth(1, -1.0), std::invalid_argument);
    EXPECT_THROW(table.setCellValue(1, 0, {}), std::out_of_range);
    EXPECT_THROW(table.setRowCount(std::size_t { INT_MAX } + 1), std::length_error);
    EXPECT_EQ(table.cellText(3, 2), "2.3");
}

TEST(TableModel, TheOrderChosenOutlivesRefillsAndAClickReverses)
{
    TableModel table;
    fillGrid(table, 3);
    EXPECT_FALSE(table.clickDescends(2));
    table.orderBy(1, table.clickDescends(1));
    EXPECT_TRUE(table.clickDescends(1));
    table.orderBy(1, table.clickDescends(1));
    EXPECT_EQ(table.arrow(1), TableModel::Arrow::Down);
    EXPECT_EQ(table.arrow(2), TableModel::Arrow::None);
    EXPECT_EQ(shownRows(table), (std::vector<std::size_t> { 3, 2, 1 }));

    // A refill with other rows: ordered again at its end.
    fillGrid(table, 4);
    EXPECT_EQ(shownRows(table), (std::vector<std::size_t> { 4, 3, 2, 1 }));
    EXPECT_EQ(TableModel::positions(table.order(), 4), (TableModel::Order { 3, 2, 1, 0 }));
    table.orderBy(1, false);
    EXPECT_EQ(table.arrow(1), TableModel::Arrow::Up);
    EXPECT_EQ(shownRows(table), (std::vector<std::size_t> { 1, 2, 3, 4 }));
}

TEST(TableModel, ActionsThatRunOutOfMemoryAreReportedAndLeaveTheTableAsItWas)
{
    constexpr std::size_t rows = 20'000;
    TableModel table;
    fillGrid(table, rows);
    table.orderBy(2, true);
    const TableModel::Order before = table.order();
    std::vector<std::size_t> all;
    for (std::size_t row = 1; row <= rows; ++row)
        all.push_back(row);

    const struct {
        std::string_view caption;
        std::function<void()> action;
    } actions[] = {
        { quorrix::Caption::CannotOrder, [&] { table.orderBy(3, false); } },
        { quorrix::Caption::CannotCopy, [&] { static_cast<void>(table.rowsText(all)); } },
        { quorrix::Caption::CannotCopy, [&] { static_cast<void>(table.pathsText(all)); } },
    };
    for (const auto &action : actions) {
        std::vector<std::string> reports;
        bool ran = true;
        {
            const quorrix::test::FailLargeAllocations failing(64 * 1024);
            ran = quorrix::runGuarded(
                action.caption, [&](const std::string &message) { reports.push_back(message); }, action.action);
        }
        EXPECT_FALSE(ran) << action.caption;
        ASSERT_EQ(reports.size(), 1u) << action.caption;
        EXPECT_EQ(reports[0].rfind(action.caption, 0), 0u) << reports[0];
        EXPECT_EQ(table.orderColumn(), 2);
        EXPECT_TRUE(table.descending());
        EXPECT_EQ(table.order(), before);
    }
    // With memory, the same actions run through.
    EXPECT_TRUE(quorrix::runGuarded(quorrix::Caption::CannotOrder, {}, actions[0].action));
    EXPECT_EQ(table.orderColumn(), 3);
}

} // namespace
