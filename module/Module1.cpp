#include "Module1.h"

#include "DateTimeText.h"
#include "FileSystem.h"
#include "Path.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace quorrix::Module1
{

namespace
{

    // Runs one step of a query whose steps may each fail on their own: a failure skips just this step.
    template<typename Step>
    void skipOnFailure(Step &&step) noexcept
    {
        try {
            step();
        } catch (...) {
        }
    }

    void appendDecimal(std::string &out, std::int64_t value)
    {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out.append(buffer, result.ptr);
    }

    // A time orders its column by its value: date-time texts in most locales do not order as their times.
    void setTimeValue(GridControl &grid, int column, std::size_t row, const std::optional<FileTime> &time)
    {
        if (time)
            grid.setCellValue(column, row, { time->seconds, time->nanoseconds });
    }

} // namespace

std::string s_CMDPATH(std::string_view argument)
{
    std::string text(argument);

    // Hidden and system entries are only found by searches that admit them, so all four searches are made.
    bool namesFile = false;
    for (const unsigned admitted : { SearchSystem, SearchHidden, SearchReadOnly, SearchPlain }) {
        if (findFirstFile(argument, admitted))
            namesFile = true;
    }

    // Cut at the last separator; a file in a root keeps the root, since "" would name no folder at all. A bare
    // name stays as it is.
    if (namesFile) {
        if (const std::string_view folder = path::folderOf(text); !folder.empty())
            text.resize(folder.size());
    }

    // Plain entries pass every search, so this finds the named file itself as well as a named folder, but
    // nothing hidden or system.
    if (findFirstFile(argument, SearchFolder))
        return text;
    return {};
}

std::string_view attributeMark(int value)
{
    switch (value) {
    case Attribute::ReadOnly:
        return "R";
    case Attribute::Hidden:
        return "H";
    case Attribute::System:
        return "S";
    case Attribute::Archive:
        return "A";
    default:
        return {};
    }
}

void s_FILEINFO(const std::string &path, std::string &mark, std::string &created, std::string &accessed,
    std::string &modified, std::string &size)
{
    FileValues values;
    s_FILEINFO(path, mark, created, accessed, modified, size, values);
}

void s_FILEINFO(const std::string &path, std::string &mark, std::string &created, std::string &accessed,
    std::string &modified, std::string &size, FileValues &values)
{
    std::optional<FileSystemObject> fileSystem;
    std::optional<FileObject> file;
    std::string_view chosenMark;
    std::int64_t bytes = 0;

    skipOnFailure([&] { fileSystem.emplace(); });
    skipOnFailure([&] { file = fileSystem.value().GetFile(path); });
    skipOnFailure([&] { chosenMark = attributeMark(file.value().Attributes()); });
    // GetFile already read the length with the same resolution of links; ask the system again only when
    // it failed.
    skipOnFailure([&] { bytes = file ? file->Size() : fileLength(path); });

    mark = chosenMark;
    const DateTimeText &text = DateTimeText::user();
    values = {};
    const auto formatTime
        = [&](FileTime (FileObject::*time)() const, std::string &out, std::optional<FileTime> &value) {
              skipOnFailure([&] {
                  const FileTime read = (file.value().*time)();
                  text.format(read, out);
                  value = read;
              });
          };
    formatTime(&FileObject::DateCreated, created, values.created);
    formatTime(&FileObject::DateLastAccessed, accessed, values.accessed);
    formatTime(&FileObject::DateLastModified, modified, values.modified);
    size.clear();
    appendDecimal(size, bytes);
    values.bytes = bytes;
}

std::string sizeText(std::string_view byteCount)
{
    std::int64_t bytes = 0;
    const auto parsed = std::from_chars(byteCount.data(), byteCount.data() + byteCount.size(), bytes);
    if (parsed.ec != std::errc() || parsed.ptr != byteCount.data() + byteCount.size())
        bytes = 0;

    // Whole kilobytes, a remainder of exactly half going to the even neighbour. Done on the magnitude in
    // integers, so that no byte count loses precision.
    const bool negative = bytes < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    std::uint64_t kilobytes = magnitude / 1024;
    const std::uint64_t remainder = magnitude % 1024;
    if (remainder > 512 || (remainder == 512 && kilobytes % 2 == 1))
        ++kilobytes;

    std::string result;
    if (negative && kilobytes != 0)
        result += '-';
    char buffer[24];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, kilobytes);
    result.append(buffer, written.ptr);
    result += "KB";
    return result;
}

void s_GRD1LIST(FileListControl &File1, GridControl &GRD1)
{
    GRD1.setRedraw(false);
    try {
        GRD1.setRowCount(0);
        GRD1.setRowCount(File1.count());
        GRD1.setFolder(File1.path());

        // Every entry lies in the one folder listed: its names are looked up in the open folder.
        const FolderScope folderScope(File1.path());
        std::string fullPath, mark, created, accessed, modified, size;
        FileValues values;
        const std::size_t count = File1.count();
        for (std::size_t i = 0; i < count; ++i) {
            File1.select(i);
            mark.clear();
            created.clear();
            accessed.clear();
            modified.clear();
            size.clear();
            path::joinInto(fullPath, File1.path(), File1.fileName());
            s_FILEINFO(fullPath, mark, created, accessed, modified, size, values);

            const std::size_t row = i + 1;
            GRD1.setText(1, row, File1.fileName());
            GRD1.setText(2, row, mark);
            GRD1.setFormattedText(3, row, created);
            GRD1.setFormattedText(4, row, accessed);
            GRD1.setFormattedText(5, row, modified);
            GRD1.setText(6, row, sizeText(size));
            setTimeValue(GRD1, 3, row, values.created);
            setTimeValue(GRD1, 4, row, values.accessed);
            setTimeValue(GRD1, 5, row, values.modified);
            GRD1.setCellValue(6, row, { values.bytes, 0 });
        }
    } catch (...) {
        // The table shows the rows written so far; it must not stay frozen.
        try {
            GRD1.setRedraw(true);
        } catch (...) {
        }
        throw;
    }
    GRD1.setRedraw(true);
}

} // namespace quorrix::Module1
