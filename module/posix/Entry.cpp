// The lookups that the Linux file-system layer's parts share.
#include "posix/Entry.h"

#include <atomic>
#include <cerrno>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>

namespace quorrix::posix
{

namespace
{

#if defined(__NR_getxattrat)
    constexpr long GetxattratCall = __NR_getxattrat;
#elif defined(__x86_64__) || defined(__aarch64__)
    constexpr long GetxattratCall = 464; // since Linux 6.13; older C library headers lack the name
#else
    constexpr long GetxattratCall = -1;
#endif
    std::atomic<bool> getxattratMissing { GetxattratCall < 0 };

} // namespace

void fail(int error, const char *what)
{
    throw std::system_error(error, std::generic_category(), what);
}

// `path`, checked to be fit for a C string: a NUL inside it would silently cut it, so such a path names
// nothing.
std::string_view cPathView(std::string_view path)
{
    if (path.find('\0') != std::string_view::npos)
        fail(EINVAL, "path holds a NUL");
    return path;
}

std::string cPath(std::string_view path)
{
    return std::string(cPathView(path));
}

// Opens a folder for reading its entries without touching its access time: reading a folder's entries
// would otherwise update it. Only the folder's owner (or a process allowed to act as any owner) may ask
// for that; anyone else reads it as usual.
DirHandle openFolder(std::string_view folder)
{
    const std::string path = cPath(folder);
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(path.c_str(), flags);
    if (fd < 0)
        fail(errno, "open");
    DirHandle dir(::fdopendir(fd));
    if (!dir) {
        const int error = errno;
        ::close(fd);
        fail(error, "fdopendir");
    }
    return dir;
}

// Status of an entry with links followed; a link whose target is missing or that loops gives the link
// itself. Returns 0 or the errno of the followed query.
int statusOf(const Entry &entry, struct statx &status)
{
    if (::statx(entry.folder, entry.name, entry.sync, StatusMask, &status) == 0)
        return 0;
    const int error = errno;
    if ((error == ENOENT || error == ELOOP)
        && ::statx(entry.folder, entry.name, AT_SYMLINK_NOFOLLOW | entry.sync, StatusMask, &status) == 0)
        return 0;
    return error;
}

int statusOf(const char *path, struct statx &status)
{
    return statusOf(Entry { path }, status);
}

// getxattr of an entry, by its open folder and name where the kernel can (getxattrat), else by its path.
ssize_t entryXattr(const Entry &entry, const char *attribute, void *value, std::size_t size)
{
    if (entry.folder != AT_FDCWD && !getxattratMissing.load(std::memory_order_relaxed)) {
        struct {
            std::uint64_t value;
            std::uint32_t size;
            std::uint32_t flags;
        } args { reinterpret_cast<std::uintptr_t>(value), static_cast<std::uint32_t>(size), 0 };
        const long result = ::syscall(GetxattratCall, entry.folder, entry.name, 0u, attribute, &args, sizeof args);
        if (result >= 0 || (errno != ENOSYS && errno != EPERM))
            return static_cast<ssize_t>(result);
        // ENOSYS: a kernel without the call. EPERM: a system-call filter that does not know it yet, and
        // refuses it every time. Either way the path works, and is asked from now on, so that no file
        // costs two calls.
        getxattratMissing.store(true, std::memory_order_relaxed);
    }
    return ::getxattr(entry.path, attribute, value, size);
}

std::uint64_t deviceOf(const struct statx &status)
{
    return makedev(status.stx_dev_major, status.stx_dev_minor);
}

// The last component of `path`, trailing "/" ignored; empty for "/".
std::string_view lastComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path.substr(path.rfind('/') + 1);
}

} // namespace quorrix::posix
