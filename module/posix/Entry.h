// What the Linux file-system layer's parts share: how an entry is looked up (by path, or by name in an open
// folder), its status with links followed, its extended attributes, and the failures they throw.
#pragma once

#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace quorrix::posix
{

inline constexpr unsigned StatusMask = STATX_BASIC_STATS | STATX_BTIME;

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Throws std::system_error for the errno `error`.
[[noreturn]] void fail(int error, const char *what);

// `path`, checked to be fit for a C string: a NUL inside it would silently cut it, so such a path names
// nothing.
std::string_view cPathView(std::string_view path);
std::string cPath(std::string_view path);

// Opens a folder for reading its entries without touching its access time: reading a folder's entries
// would otherwise update it. Only the folder's owner (or a process allowed to act as any owner) may ask
// for that; anyone else reads it as usual.
DirHandle openFolder(std::string_view folder);

// Where an entry is: its whole path, and the folder and name to look it up by. Without an open folder the
// name is the whole path, looked up from the working directory.
struct Entry {
    const char *path;
    int folder = AT_FDCWD;
    const char *name = path;
    // How statx brings the status up to date: as stat does, or (AT_STATX_DONT_SYNC) as the look-up of the name
    // left it, where that look-up already asked the file system.
    int sync = AT_STATX_SYNC_AS_STAT;
};

// Status of an entry with links followed; a link whose target is missing or that loops gives the link
// itself. Returns 0 or the errno of the followed query.
int statusOf(const Entry &entry, struct statx &status);
int statusOf(const char *path, struct statx &status);

// getxattr of an entry, by its open folder and name where the kernel can (getxattrat), else by its path.
ssize_t entryXattr(const Entry &entry, const char *attribute, void *value, std::size_t size);

std::uint64_t deviceOf(const struct statx &status);

inline bool isRegularOrFolder(std::uint32_t mode)
{
    return S_ISREG(mode) || S_ISDIR(mode);
}

// The last component of `path`, trailing "/" ignored; empty for "/".
std::string_view lastComponent(std::string_view path);

} // namespace quorrix::posix
