// The four controls of the main window, as the window's logic and Module1 see them.
//
// Nothing here names a toolkit type: the Qt widgets in app/ implement these interfaces, tests implement
// them with fakes, and a native window of another platform can implement them again. Paths and names are
// bytes in std::string; a failure is thrown as an exception (std::system_error where the system gave a reason).
#pragma once

#include <cstddef>
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
    // ancestor (without raising the change event).
    virtual void refresh() = 0;
};

// The file list: every entry of one folder that is not a folder, in the list's own order. Never shown.
class FileListControl
{
public:
    virtual ~FileListControl() = default;

    // The folder listed: "/" for the root, any other folder without a trailing "/".
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

// The file table. Row 0 is the title row, data rows count from 1, columns from 1.
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
    // The cell at `column`, `row` shows `text` (bytes, shown readably even when not valid UTF-8).
    virtual void setText(int column, std::size_t row, std::string_view text) = 0;
    // Width of `column` in characters of the table's font.
    virtual void setColumnWidth(int column, double characters) = 0;

    // Settings of the table that the window's set-up makes once.
    enum class Setting {
        ReadOnly, // 1: the table only shows; cells cannot be edited
        ActiveColumn, // the column that the two settings below apply to
        MaxTextLength, // longest text a cell of the active column may take (no effect on a read-only table)
        HorizontalAlignment, // of the active column: 0 left, 1 right, 2 centre
    };
    virtual void setSetting(Setting setting, int value) = 0;

    // A fill that runs long: `rows` of `total` data rows are written so far, while repainting is held back.
    // The table may show it; turning repainting on again ends it. Called on the thread that fills.
    virtual void showProgress(std::size_t rows, std::size_t total)
    {
        (void)rows;
        (void)total;
    }
};

} // namespace quorrix
