// A file table for tests: keeps every cell as written and a log of the operations in order.
#pragma once

#include "Controls.h"

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quorrix::test
{

class RecordingGrid : public GridControl
{
public:
    void setRedraw(bool on) override
    {
        log.push_back(on ? "redraw on" : "redraw off");
        redraw = on;
    }
    void setColumnCount(int count) override
    {
        log.push_back("columns " + std::to_string(count));
        columns = count;
    }
    void setRowCount(std::size_t count) override
    {
        log.push_back("rows " + std::to_string(count));
        // Rows beyond the new count go with their cells, as in the real table.
        for (auto it = cells.begin(); it != cells.end();)
            it = it->first.second > count ? cells.erase(it) : std::next(it);
        rows = count;
    }
    void setText(int column, std::size_t row, std::string_view text) override
    {
        if (failAtRow && row == failAtRow)
            throw std::runtime_error("grid refused the cell");
        if (row > rows || column < 1 || column > columns)
            throw std::out_of_range("cell outside the table");
        cells[{ column, row }] = std::string(text);
        formatted.erase({ column, row });
    }
    void setFormattedText(int column, std::size_t row, std::string_view text) override
    {
        setText(column, row, text);
        formatted.insert({ column, row });
    }
    void setCellValue(int column, std::size_t row, CellValue value) override
    {
        values[{ column, row }] = { value.whole, value.fraction };
    }
    void setColumnWidth(int column, double characters) override { widths[column] = characters; }
    void setFolder(std::string_view path) override { folder = path; }
    void setSetting(Setting setting, int value) override { settings.emplace_back(setting, value); }

    // The text of a cell, empty when never written.
    std::string text(int column, std::size_t row) const
    {
        const auto it = cells.find({ column, row });
        return it == cells.end() ? std::string() : it->second;
    }
    // The six cells of a data row.
    std::vector<std::string> row(std::size_t index) const
    {
        std::vector<std::string> result;
        for (int column = 1; column <= static_cast<int>(Column::Count); ++column)
            result.push_back(text(column, index));
        return result;
    }

    std::vector<std::string> log;
    std::map<std::pair<int, std::size_t>, std::string> cells;
    std::set<std::pair<int, std::size_t>> formatted; // cells written as formatted text, shown unescaped
    std::map<std::pair<int, std::size_t>, std::pair<std::int64_t, std::uint32_t>> values; // by which cells order
    std::map<int, double> widths;
    std::vector<std::pair<Setting, int>> settings;
    bool redraw = true;
    int columns = static_cast<int>(Column::Count);
    std::size_t rows = 0;
    std::string folder; // of the files the rows name, from which paths are copied
    std::size_t failAtRow = 0; // a row whose cells the table refuses, 0 for none
};

} // namespace quorrix::test
