// The four controls of the main window, as the window's logic and Module1 see them.
//
// Nothing here names a toolkit type: the Qt widgets in app/ implement these interfaces, tests implement
// them with fakes, and a native window of another platform can implement them again. Paths and names are
// bytes in std::string; a failure is thrown as an exception (std::system_error where the system gave a reason).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorrix
{

// The change event of a list: called synchronously, on the thread that changed the list. A failure it throws
// passes to whoever changed the list, and the list returns to what it showed before.
using ChangeHandler = std::function<void()>;

// The drive list: the mounted file systems a person keeps files on.
class DriveListControl
{
public:
    virtual ~DriveListControl() = default;

    virtual void setChangeHandler(ChangeHandler handler) = 0;

    // The current drive's text, as the list shows it ("/ [vda]").
    virtual std::string drive() const = 0;
    // Makes the drive whose text or mount point is `text` the current drive; raises the change event when the
    // current drive changes. Throws std::invalid_argument when no drive matches.
    virtual void setDrive(std::string_view text) = 0;
    // Selects, without raising the change event, the drive that holds `folder`.
    virtual void showDriveOf(std::string_view folder) = 0;
    // Reads the mounted file systems again.
    virtual void refresh() = 0;
};

// The directory list: the chain of folders down to the folder shown, then its subfolders.
class DirListControl
{
public:
    virtual ~DirListControl() = default;

    virtual void setChangeHandler(ChangeHandler handler) = 0;

    // The full path of the folder shown.
    virtual std::string path() const = 0;
    // Shows `text`: a folder path, or a drive's text, which shows that drive's current folder. Raises the
    // change event when the folder shown changes. Throws, leaving the list as it was, when `text` is not a
    // folder that can be read.
    virtual void setPath(std::string_view text) = 0;
    // Reads the folder tree again; when the folder shown no longer exists, moves to its nearest existing
    // ancestor (without raising the change event). When its whole drive has gone, shows the current folder of
    // the drive list's drive, raising the change event, and then throws why the folder shown went.
    virtual void refresh() = 0;
};

// The file list: every entry of one folder that is not a folder, in the list's own order. Never shown.
class FileListControl
{
public:
    virtual ~FileListControl() = default;

    // The folder listed, without a trailing separator unless it is a root.
    virtual const std::string &path() const = 0;
    // Lists the files of `folder`. Throws, leaving the list as it was, when the folder cannot be read.
    virtual void setPath(std::string_view folder) = 0;
    // Number of entries.
    virtual std::size_t count() const = 0;
    // Makes entry `index` (from 0) the current entry.
    virtual void select(std::size_t index) = 0;
    // The current entry's name, without any folder part.
    virtual std::string_view fileName() const = 0;
    // Entry `index` (from 0), without selecting it. Only reads the list, so other threads may call it while
    // the list is neither set nor refreshed.
    virtual std::string_view name(std::size_t index) const = 0;
    // Lists the folder's files again.
    virtual void refresh() = 0;
};

// The columns of the file table, in their order; Count says how many there are.
enum class Column { Name, Mark, Created, Accessed, Modified, Size, Count };

// A value that orders a column's cells: a time as seconds and nanoseconds, or a count in `whole`.
struct CellValue {
    std::int64_t whole = 0;
    std::uint32_t fraction = 0;
    friend bool operator<(const CellValue &a, const CellValue &b)
    {
        return a.whole != b.whole ? a.whole < b.whole : a.fraction < b.fraction;
    }
};

// The file table. Row 0 is the title row, data rows count from 1, columns from 1 (see gridColumn).
class GridControl
{
public:
    virtual ~GridControl() = default;

    // False holds back repainting; true repaints once, showing everything changed meanwhile.
    virtual void setRedraw(bool on) = 0;
    virtual void setColumnCount(int columns) = 0;
    // Number of data rows below the title row. Setting 0 removes every data row with its cells; setting n
    // afterwards gives n empty data rows.
    virtual void setRowCount(std::size_t rows) = 0;
    // The cell at `column`, `row` shows `text`: bytes such as a file name, made readable and unambiguous (see
    // displayText), also when not valid UTF-8.
    virtual void setText(int column, std::size_t row, std::string_view text) = 0;
    // The cell shows `text`, valid UTF-8 that the program wrote itself (a date-time in the user's locale),
    // exactly as written: the direction marks a locale writes in its dates stay marks.
    virtual void setFormattedText(int column, std::size_t row, std::string_view text) = 0;
    // Width of `column` in characters of the table's font.
    virtual void setColumnWidth(int column, double characters) = 0;
    // The value by which the cell at `column`, `row` (a data row) orders when the view orders the rows by that
    // column: a time or a byte count, where the cell's text does not order as its value does. A table whose
    // view cannot order its rows has no use for it and may ignore it.
    virtual void setCellValue(int /*column*/, std::size_t /*row*/, CellValue /*value*/) { }
    // The folder that holds the files whose names the data rows show, from which a copy of their full paths is
    // made. A table that copies no paths may ignore it.
    virtual void setFolder(std::string_view /*folder*/) { }

    // Settings of the table that the window's set-up makes once.
    enum class Setting {
        ReadOnly, // 1: the table only shows; cells cannot be edited
        ActiveColumn, // the column that the two settings below apply to
        MaxTextLength, // longest text a cell of the active column may take (no effect on a read-only table)
        HorizontalAlignment, // of the active column: 0 left, 1 right, 2 centre
    };
    virtual void setSetting(Setting setting, int value) = 0;

    // A change of the folder shown that runs long: `rows` of `total` data rows are written so far, while
    // repainting is held back, or, with `total` 0, the folder is still being read and `rows` entries are read
    // (progressText gives the notice's text). The table may show it; turning repainting on again ends it. Called
    // on the thread that fills.
    virtual void showProgress(std::size_t rows, std::size_t total)
    {
        (void)rows;
        (void)total;
    }
};

// The number of `column` in the file table, which counts from 1.
constexpr int gridColumn(Column column)
{
    return static_cast<int>(column) + 1;
}

} // namespace quorrix
