// Helpers for tests that work on real folders.
#pragma once

#include "Controls.h"
#include "FileSystem.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix::test
{

// The standard library's path for a path in the program's own text (UTF-8), and back: on Windows the two differ.
std::filesystem::path fsPath(std::string_view text);
std::string utf8(const std::filesystem::path &path);

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    // Absolute path, without a trailing separator.
    const std::string &path() const { return m_path; }
    // path(), the system's separator, then name, whose "/" become the system's separators.
    std::string operator/(std::string_view name) const;

    // Creates a file `name` (relative to path()) holding `size` bytes ("x" repeated); returns its path.
    std::string file(std::string_view name, std::size_t size = 0) const;
    // Creates a folder (and its parents); returns its path.
    std::string folder(std::string_view name) const;

private:
    std::string m_path;
};

// Makes a FIFO at `path`; false where it cannot, as on Windows, which has none in folders.
bool makeFifo(const std::string &path);
// Makes a symbolic link at `link` to `target`; false on Windows, where making one takes a privilege that a test
// cannot count on.
bool makeLink(const std::string &target, const std::string &link);
// Makes the file at `path` read-only and nothing else: on Windows the read-only attribute alone, without the
// archive bit that a new file carries.
void makeReadOnly(const std::string &path);
// Makes the entry at `path`, whose name begins with ".", hidden as the system counts it: on Windows the hidden
// attribute; on Linux the dot already is.
void hide(const std::string &path);

// The text the user's formatter writes for a UTC date and time, as the tests set it up: on Linux, where they set
// TZ to UTC and the C locale, "2026/01/02 3:04:05"; on Windows what GetDateFormatEx and GetTimeFormatEx write for
// the user's locale, in the system's local time. The date alone at local midnight.
std::string localDateTimeText(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sets the access and modification times of `path` (links not followed).
void setTimes(const std::string &path, FileTime accessed, FileTime modified);

// Seconds since the epoch of a UTC calendar time.
std::int64_t utcSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sets an environment variable, or removes it where `value` is null, and has the C library read TZ again.
void setEnvironment(const char *name, const char *value);

// Sets an environment variable for the life of the guard, then restores it (TZ, LC_ALL ...).
class EnvGuard
{
public:
    EnvGuard(const char *name, const char *value);
    ~EnvGuard();
    EnvGuard(const EnvGuard &) = delete;
    EnvGuard &operator=(const EnvGuard &) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_hadOld;
};

// Makes `folder` the working directory for the life of the guard, then goes back.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::string &folder);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory &) = delete;
    WorkingDirectory &operator=(const WorkingDirectory &) = delete;

private:
    std::filesystem::path m_old;
};

// A drive of the test's own over `folder`, which remove() takes away as a pulled stick goes. On Windows a drive
// letter that did not exist (through Wine's mount manager, else the system's substitution); on Linux `folder`
// itself as the mount point, removed with everything in it.
class TemporaryDrive
{
public:
    explicit TemporaryDrive(const std::string &folder);
    ~TemporaryDrive();
    TemporaryDrive(const TemporaryDrive &) = delete;
    TemporaryDrive &operator=(const TemporaryDrive &) = delete;

    // The drive's root: "Q:\" on Windows, the folder on Linux; empty when no drive could be made.
    const std::string &root() const { return m_root; }
    void remove();

private:
    std::string m_folder;
    std::string m_root;
};

// Runs a program (found on PATH) with `arguments`, the first being its name, and waits for it: its exit status,
// or -1 when it could not run or did not exit. POSIX only.
int runProgram(const std::vector<std::string> &arguments);

// Cases that need a file directly in "/" make it only where "/" is a root folder of their own (tests/own_root.sh);
// elsewhere they run again in one. Windows has none: the case skips itself there.
bool inOwnRoot();
// Runs this program again with `arguments` in a root folder of its own: its exit status, 77 where none can be made.
int runInOwnRoot(const std::vector<std::string> &arguments);
// Runs the current GoogleTest case again in a root folder of its own and expects it to pass there.
void runCaseInOwnRoot();


// The bytes a text written by displayText stands for, or nothing when the text holds a malformed escape.
std::optional<std::string> undoDisplayText(std::string_view shown);

// The names of the entries of `folder` that are not folders (links followed), read with the standard library:
// a second opinion on what the file list must hold. Sorted by bytes.
std::vector<std::string> nonFolderNames(const std::string &folder);

// A readable name for a parameterised case, made of its input and stable from build to build: letters and digits
// and "_" stay, a blank, "/", "." or "-" becomes "_", any other byte "x" and its hex value, and a run of more than
// eight equal characters one of them, "_times" and the count ("n9_times1000_"). Empty input gives "empty".
std::string caseName(std::string_view text);

// Whether this is the Windows build.
bool onWindows();

// How the system's own comparison orders two names (<0, 0 or >0) in `locale` (a POSIX name such as
// "ja_JP.UTF-8"; C and POSIX give the invariant order), digits read as numbers and case ignored, names it cannot
// tell apart by their bytes, and names that are not UTF-8 after all text: on Windows CompareStringEx's order,
// which the natural order follows there. Nothing on Linux, whose order is ICU's and written out in the rows.
std::optional<int> systemNameOrder(std::string_view locale, std::string_view a, std::string_view b);

// Whether this is a Windows program running under Wine, for the few cases where Wine answers otherwise than
// Windows.
bool underWine();

// Whether this process may bypass file permissions (root with CAP_DAC_OVERRIDE): permission tests that
// need a refusal skip themselves then. Always so on Windows, where file modes refuse no reading.
bool bypassesPermissions();

// Fills `grid` in one bulk change: three columns titled "Name", "Mark" and "Size", and `rows` rows, the cell at
// column c, row r reading "r.c".
void fillGrid(GridControl &grid, std::size_t rows);

} // namespace quorrix::test
