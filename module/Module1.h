// The procedures that work on files: the start folder, the file table fill and the file information query.
#pragma once

#include "Controls.h"
#include "FileSystem.h"

#include <cstdint>
#include <optional>

#include <string>
#include <string_view>
#include <thread>

namespace quorrix::Module1
{

// The start folder for the command line's text after the program's name (the path path::commandLinePath
// reads in it: on Windows a quoted path, else the text whole): the folder it names, or the folder of the file
// it names; empty when it names nothing usable, or something hidden or system.
std::string s_CMDPATH(std::string_view commandLine);

// Rebuilds the file table `GRD1` from the file list `File1`: one row per entry, six cells each. A failure
// of the list or the table passes to the caller, with the table's repainting switched back on.
void s_GRD1LIST(FileListControl &File1, GridControl &GRD1);

// Starts the work of the first fill while the window is still being made: on the returned thread, prepares
// the user's date-time texts, then lists the folder that s_CMDPATH(commandLine) gives and queries its files,
// when it holds fewer than a threaded fill's worth. The next s_GRD1LIST whose list holds exactly the same
// names in the same order writes the rows queried here instead of querying again; any other fill drops
// them. Join the thread before anything else of the core runs. Failures are left for the window to meet.
std::thread prepareFirstFill(std::string commandLine);

// The attribute mark, the creation, last-access and last-modification date-time texts and the byte count of
// the file at `path`. Never fails for the file system's sake: the mark and size are always written ("" and "0"
// when they cannot be had); a date-time output is written only when its value can be read. Only running out of
// memory (std::bad_alloc) passes to the caller.
void s_FILEINFO(const std::string &path, std::string &mark, std::string &created, std::string &accessed,
    std::string &modified, std::string &size);

// The values behind s_FILEINFO's texts, by which the table orders its rows: each time where it could be read,
// and the byte count the size text was made from.
struct FileValues {
    std::optional<FileTime> created, accessed, modified;
    std::int64_t bytes = 0;
};
// s_FILEINFO, also giving the values behind the texts.
void s_FILEINFO(const std::string &path, std::string &mark, std::string &created, std::string &accessed,
    std::string &modified, std::string &size, FileValues &values);

// The table's size text for a byte count in decimal text: whole kilobytes, halves to even, then "KB".
std::string sizeText(std::string_view byteCount);

// The attribute mark of a whole attribute value: "R", "H", "S", "A" or "".
std::string_view attributeMark(int value);

} // namespace quorrix::Module1
