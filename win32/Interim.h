// Window behaviour that the Windows window needs before the core offers it. Every stand-in is here, in one
// place, so that each can give way to the core's own version: the Japanese reason for a system error and the
// failure captions, the rows copied as text, the command line as the start-folder search reads it, and paths
// shown with "\" as their separator.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix::interim
{

// The captions of the window's failure messages; the folder or drive named follows on the next line.
inline constexpr std::string_view FolderFailure = "フォルダを表示できません。";
inline constexpr std::string_view DriveFailure = "ドライブを読み取れません。";

// A Windows path made readable as displayText makes a name: each name escaped, the "\" between names kept.
std::string displayPath(std::string_view path);

// Why an operation failed: in Japanese for the reasons a person meets, followed by the system's own words
// (in the user's language), as UTF-8.
std::string reasonOf(const std::exception &failure);

// Selected rows as text: the title row, then each row, cells separated by tabs and every line ending in CRLF.
// `cell(column, row)` gives a cell's text as shown (row 0 the titles).
template<typename Cell>
std::string rowsText(int columns, const std::vector<std::size_t> &rows, Cell &&cell)
{
    std::string text;
    const auto appendRow = [&](std::size_t row) {
        for (int column = 1; column <= columns; ++column) {
            if (column > 1)
                text += '\t';
            text += cell(column, row);
        }
        text += "\r\n";
    };
    appendRow(0);
    for (const std::size_t row : rows)
        appendRow(row);
    return text;
}

// The command line as the start-folder search is given it: "\" written as "/", which the system takes alike,
// since the search cuts the folder from a file's path at the last "/". A file directly in a drive's root
// ("C:\file.txt") gets a "." folder ("C:/./file.txt"), so that the cut leaves that root and not "C:", which
// names the drive's current folder.
std::string startFolderArgument(std::string_view commandLine);

} // namespace quorrix::interim
