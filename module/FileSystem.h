// The file-system layer: every call the program makes to the operating system goes through here.
//
// The declarations are what every platform offers; module/posix/ holds the Linux implementation, module/win32/
// the Windows one. Paths are bytes (UTF-8 on Windows) and reach the system unchanged. Failures are thrown as
// std::system_error carrying the system's own error code (errno, or a Windows error code in
// std::system_category()), so a caller may trap them or let them pass.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quorrix
{

// A point in time as the file system records it, in UTC.
struct FileTime {
    std::int64_t seconds = 0; // since 1970-01-01 00:00:00 UTC; negative before
    std::uint32_t nanoseconds = 0;
    friend bool operator==(const FileTime &, const FileTime &) = default;
};

// Bits of a file's attribute value.
namespace Attribute
{
    inline constexpr int ReadOnly = 1;
    inline constexpr int Hidden = 2;
    inline constexpr int System = 4;
    inline constexpr int Archive = 32;
}

// The classes of entries a file search admits. Plain entries (neither hidden, system nor folders) are always
// admitted; read-only and archive never exclude an entry.
enum SearchClass : unsigned {
    SearchPlain = 0,
    SearchReadOnly = 1,
    SearchHidden = 2,
    SearchSystem = 4,
    SearchFolder = 16,
};

// The name of the first entry that matches `pattern` and whose hidden, system and folder attributes are all
// in `admitted`, or nothing. Wildcards may appear in the last component only: "*" matches any run of
// characters and "?" exactly one; every other character, "[" and "]" included, matches itself. Without
// wildcards the pattern names one entry. A drive's root (the root folder of a mount) is a folder whatever its
// hidden and system bits: those exclude entries inside a folder only. Never throws: a pattern that cannot
// name anything finds nothing.
std::optional<std::string> findFirstFile(std::string_view pattern, unsigned admitted);

// One file, as GetFile returns it: everything is read with one status query when the object is made.
class FileObject
{
public:
    // What an entry is, links followed: a regular file, a folder, or anything else (device, FIFO, socket, a
    // link that leads nowhere).
    enum class Kind : std::uint8_t { File, Folder, Other };

    FileObject() = default;
    // Made by the file-system layer from one status query. A time the system did not give is left empty.
    FileObject(int attributes, Kind kind, std::int64_t size, std::optional<FileTime> created,
        std::optional<FileTime> accessed, std::optional<FileTime> modified)
        : m_attributes(attributes)
        , m_kind(kind)
        , m_size(size)
        , m_created(created)
        , m_accessed(accessed)
        , m_modified(modified)
    {
    }

    // The attribute value: the file system's own DOS attribute bits where it keeps them, else formed from
    // the entry (read-only without write permission, hidden for a leading ".", system for an entry that is
    // neither a regular file nor a folder). Read when the object is made.
    int Attributes() const { return m_attributes; }
    // Birth time (on ntfs-3g, which gives statx none, from its own xattr); nothing where the file system does
    // not record one. The other times likewise: a file system that keeps none gives nothing.
    std::optional<FileTime> DateCreated() const { return m_created; }
    std::optional<FileTime> DateLastAccessed() const { return m_accessed; }
    std::optional<FileTime> DateLastModified() const { return m_modified; }
    // Length in bytes.
    std::int64_t Size() const { return m_size; }

    Kind kind() const { return m_kind; }
    bool isFolder() const { return m_kind == Kind::Folder; }
    bool isRegular() const { return m_kind == Kind::File; }

private:
    int m_attributes = 0;
    Kind m_kind = Kind::Other;
    std::int64_t m_size = 0;
    std::optional<FileTime> m_created, m_accessed, m_modified;
};

// Stands in for the platform's scripting file-system object: made fresh for each query, holds nothing.
class FileSystemObject
{
public:
    // The file at `path`. A link is followed; a link whose target is missing (or a loop) gives the link
    // itself. Throws std::system_error when the path names no existing entry.
    FileObject GetFile(std::string_view path) const;
};

// A folder opened once for every thread that asks about its entries: on Linux held open, on Windows listed with
// each entry's status (the listing this thread's last listFolder made of it is taken over rather than made
// again). Read-only once made, so that the threads of one fill share it. A folder that cannot be opened is not
// kept; it is closed when the object ends.
class OpenFolder
{
public:
    explicit OpenFolder(std::string_view folder);
    // Opens `folder` for a fill of a list of `count` of its entries, `name(i)` giving entry i. On Windows, where
    // the listing holds every one of them, each entry's status is kept in the list's order instead, and the
    // listing's names are freed.
    OpenFolder(std::string_view folder, std::size_t count, const std::function<std::string_view(std::size_t)> &name);
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;

    // The status of entry `index` of the list the folder was opened for, as the listing gave it; none where it
    // keeps no such status (always on Linux), and GetFile asks.
    std::optional<FileObject> listed(std::size_t index) const;
    // Entries first to end - 1 of the list are not asked about again: what is kept for them may go. Any thread
    // may tell, each entry once.
    void done(std::size_t first, std::size_t end) const;

    // The layer's own record of the open folder; none when it could not be opened.
    struct Data;
    const Data *data() const { return m_data.get(); }

private:
    std::unique_ptr<Data> m_data;
};

// While it lives, GetFile and fileLength, asked on this thread about an entry directly in its folder, look up the
// entry's name in the open folder instead of walking its whole path again: a fill asks about every entry of one
// folder in a row. While the folder stays where it is, the answers are the same as without it. Scopes nest and
// belong to the thread that made them; with a folder that could not be opened, queries walk whole paths as usual.
class FolderScope
{
public:
    // Opens `folder` for this scope alone.
    explicit FolderScope(std::string_view folder);
    // Looks names up in `folder`, which other threads may use at the same time and which outlives the scope.
    explicit FolderScope(const OpenFolder &folder);
    ~FolderScope();
    FolderScope(const FolderScope &) = delete;
    FolderScope &operator=(const FolderScope &) = delete;

    // The open folder of this thread's innermost scope, or none.
    static const OpenFolder::Data *innermost();

private:
    void enter(const OpenFolder::Data *folder);

    std::optional<OpenFolder> m_own;
    const OpenFolder::Data *m_open = nullptr;
    const OpenFolder::Data *m_outer = nullptr;
};

// Length in bytes of the file at `path` (links followed as by GetFile). Throws when it names nothing.
std::int64_t fileLength(std::string_view path);

// Calls `visit(name, isFolder)` for every entry of `folder` but "." and "..", in the order the system gives
// them. A link counts as a folder when its target is one. Opens no entry. Throws when the folder cannot
// be read.
void listFolder(std::string_view folder, const std::function<void(std::string_view name, bool isFolder)> &visit);

// Throws std::system_error (ENOTDIR, EACCES, ENOENT ...) unless `path` is a folder whose entries can be read.
void checkReadableFolder(std::string_view path);

// Whether `path` names a folder (links followed).
bool isFolder(std::string_view path);

// The process's working directory. The program never changes it.
std::string currentDirectory();

// A mounted file system that a person keeps files on: on Windows a drive letter.
struct Drive {
    std::string mountPoint; // the drive's root folder
    std::string text; // "mount point [label]" or "mount point [device]"; "c: [label]" on Windows
    friend bool operator==(const Drive &, const Drive &) = default;
};

// The drives of this system now.
std::vector<Drive> readDrives();

// The system's own current folder of `drive`, for a drive on which the program has shown no folder yet: on
// Windows where a "cd" left it (GetFullPathNameW of "D:"); elsewhere the drive's mount point.
std::string systemFolderOf(const Drive &drive);

// Index of the drive that holds `path` (the longest mount point that is a prefix of it), or nothing.
std::optional<std::size_t> driveOf(const std::vector<Drive> &drives, std::string_view path);

} // namespace quorrix
