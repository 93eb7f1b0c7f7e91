// The file-system layer on Linux: statx for an entry's status, readdir for folders, and the file systems' own
// ioctls and extended attributes for DOS attribute bits.
#include "posix/FileSystemPosix.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>

namespace quorrix
{

namespace
{

    constexpr unsigned StatusMask = STATX_BASIC_STATS | STATX_BTIME;

    // The bits a DOS attribute value is reported with: read-only, hidden, system, volume, directory, archive,
    // alias (reparse point) and compressed. File systems keep more (normal, sparse, not indexed, internal
    // NTFS flags); those would only turn a plain "archive" into an unknown value.
    constexpr std::uint32_t DosBits = 0x0C3F;

    constexpr unsigned long NtfsMagic = 0x5346544e; // the kernel's old read-only driver
    constexpr unsigned long Ntfs3Magic = 0x7366746e;

    struct DirCloser {
        void operator()(DIR *dir) const { ::closedir(dir); }
    };
    using DirHandle = std::unique_ptr<DIR, DirCloser>;

    [[noreturn]] void fail(int error, const char *what)
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

    // Where an entry is: its whole path, and the folder and name to look it up by. Without an open folder the
    // name is the whole path, looked up from the working directory.
    struct Entry {
        const char *path;
        int folder = AT_FDCWD;
        const char *name = path;
    };

    // Status of an entry with links followed; a link whose target is missing or that loops gives the link
    // itself. Returns 0 or the errno of the followed query.
    int statusOf(const Entry &entry, struct statx &status)
    {
        if (::statx(entry.folder, entry.name, AT_STATX_SYNC_AS_STAT, StatusMask, &status) == 0)
            return 0;
        const int error = errno;
        if ((error == ENOENT || error == ELOOP)
            && ::statx(entry.folder, entry.name, AT_SYMLINK_NOFOLLOW, StatusMask, &status) == 0)
            return 0;
        return error;
    }

    int statusOf(const char *path, struct statx &status)
    {
        return statusOf(Entry { path }, status);
    }

#if defined(__NR_getxattrat)
    constexpr long GetxattratCall = __NR_getxattrat;
#elif defined(__x86_64__) || defined(__aarch64__)
    constexpr long GetxattratCall = 464; // since Linux 6.13; older C library headers lack the name
#else
    constexpr long GetxattratCall = -1;
#endif
    std::atomic<bool> getxattratMissing { GetxattratCall < 0 };

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

    bool isRegularOrFolder(std::uint32_t mode)
    {
        return S_ISREG(mode) || S_ISDIR(mode);
    }

    // The last component of `path`, trailing "/" ignored; empty for "/".
    std::string_view lastComponent(std::string_view path)
    {
        while (path.size() > 1 && path.back() == '/')
            path.remove_suffix(1);
        return path.substr(path.rfind('/') + 1);
    }

    // "." and ".." refer to folders by position; they are not names that hide an entry.
    bool isHiddenName(std::string_view name)
    {
        return name.starts_with('.') && name != "." && name != "..";
    }

    // Where a file system keeps DOS attribute bits of its own.
    enum class DosSource : std::uint8_t { None, Fat, Ntfs, Smb };

    struct DeviceFacts {
        DosSource source = DosSource::None;
        bool userXattrs = true; // false once the file system refused a user xattr
        bool birthXattr = true; // false once an NTFS file system gave no birth time as an xattr
    };

    // What each device's file system keeps, learnt once per device: a statfs for every file of a million
    // would add a system call to each.
    class DeviceCache
    {
    public:
        DeviceFacts factsOf(std::uint64_t device, const char *path)
        {
            // The files of one folder almost always share a device: the last answer on this thread is kept,
            // until the facts change.
            thread_local struct {
                std::uint64_t device;
                std::uint64_t generation = 0;
                DeviceFacts facts;
            } last;
            if (last.generation != 0 && last.device == device
                && last.generation == m_generation.load(std::memory_order_acquire))
                return last.facts;

            const std::lock_guard lock(m_mutex);
            auto it = m_facts.find(device);
            if (it == m_facts.end()) {
                struct statfs fs;
                if (::statfs(path, &fs) != 0)
                    return {}; // the entry went away meanwhile; learn from the next one
                it = m_facts.emplace(device, DeviceFacts { sourceOf(static_cast<unsigned long>(fs.f_type), device) })
                         .first;
            }
            last.device = device;
            last.generation = m_generation.load(std::memory_order_relaxed);
            last.facts = it->second;
            return it->second;
        }

        void forget()
        {
            const std::lock_guard lock(m_mutex);
            m_facts.clear();
            m_generation.fetch_add(1, std::memory_order_release);
        }

        // Notes that the device's file system lacks what `fact` stands for, so that no file asks again.
        void refuse(std::uint64_t device, bool DeviceFacts::*fact)
        {
            const std::lock_guard lock(m_mutex);
            if (const auto it = m_facts.find(device); it != m_facts.end())
                it->second.*fact = false;
            m_generation.fetch_add(1, std::memory_order_release);
        }

    private:
        static DosSource sourceOf(unsigned long type, std::uint64_t device)
        {
            switch (type) {
            case MSDOS_SUPER_MAGIC:
                return DosSource::Fat;
            case NtfsMagic:
            case Ntfs3Magic:
                return DosSource::Ntfs;
            case CIFS_SUPER_MAGIC:
            case SMB2_SUPER_MAGIC:
                return DosSource::Smb;
            case FUSE_SUPER_MAGIC:
                // Only fuseblk (ntfs-3g) sits on a block device; other FUSE file systems have anonymous
                // devices (major 0), and asking them would cost a round trip per file.
                return major(device) != 0 ? DosSource::Ntfs : DosSource::None;
            default:
                return DosSource::None;
            }
        }

        std::mutex m_mutex;
        std::map<std::uint64_t, DeviceFacts> m_facts;
        // Counts changes of known facts, from 1, so that a thread's last answer can tell it is out of date.
        std::atomic<std::uint64_t> m_generation { 1 };
    };

    DeviceCache &devices()
    {
        static DeviceCache cache;
        return cache;
    }

    enum class ByteOrder { Native, Big };

    // A 32-bit attribute word (or a single byte, as ntfs3 gives system.dos_attrib) from the xattr `name`.
    std::optional<std::uint32_t> xattrWord(const Entry &entry, const char *name, ByteOrder order)
    {
        std::array<unsigned char, 4> raw {};
        const ssize_t length = entryXattr(entry, name, raw.data(), raw.size());
        if (length == 1)
            return raw[0];
        if (length != 4)
            return std::nullopt;
        if (order == ByteOrder::Big)
            return std::uint32_t { raw[0] } << 24 | std::uint32_t { raw[1] } << 16 | std::uint32_t { raw[2] } << 8
                | raw[3];
        std::uint32_t word;
        std::memcpy(&word, raw.data(), sizeof word);
        return word;
    }

    std::optional<std::uint32_t> fatAttributes(const char *path)
    {
        // O_NONBLOCK and O_NOFOLLOW: the entry was a regular file or folder when queried, but must not turn
        // into a FIFO or a link to a device that the open would wait on or disturb.
        const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        std::uint32_t value = 0;
        const int result = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value);
        ::close(fd);
        return result == 0 ? std::optional(value) : std::nullopt;
    }

    std::optional<std::uint32_t> ntfsAttributes(const Entry &entry)
    {
        if (const auto value = xattrWord(entry, "system.ntfs_attrib_be", ByteOrder::Big))
            return value;
        if (const auto value = xattrWord(entry, "system.ntfs_attrib", ByteOrder::Native))
            return value;
        return xattrWord(entry, "system.dos_attrib", ByteOrder::Native);
    }

    std::optional<std::uint32_t> smbAttributes(const Entry &entry)
    {
        if (const auto value = xattrWord(entry, "user.smb3.dosattrib", ByteOrder::Native))
            return value;
        return xattrWord(entry, "user.cifs.dosattrib", ByteOrder::Native);
    }

    // The hexadecimal text ("0x22") that leads a user.DOSATTRIB value; a NUL and binary data may follow it.
    std::optional<std::uint32_t> parseDosAttrib(std::string_view text)
    {
        text = text.substr(0, text.find('\0'));
        if (text.starts_with("0x") || text.starts_with("0X"))
            text.remove_prefix(2);
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return value;
    }

    std::optional<std::uint32_t> dosAttribText(const Entry &entry, std::uint64_t device)
    {
        static constexpr const char *Name = "user.DOSATTRIB";
        // The length first: almost no file has the value, and a query without a buffer spares the kernel
        // making one for it.
        ssize_t length = entryXattr(entry, Name, nullptr, 0);
        if (length <= 0) {
            if (length < 0 && errno == ENOTSUP)
                devices().refuse(device, &DeviceFacts::userXattrs);
            return std::nullopt;
        }
        // Longer than any value seen in practice is possible: a blob may follow the text.
        std::array<char, 256> small;
        std::string large;
        char *buffer = small.data();
        if (static_cast<std::size_t>(length) > small.size()) {
            large.resize(static_cast<std::size_t>(length));
            buffer = large.data();
        }
        length = entryXattr(entry, Name, buffer, static_cast<std::size_t>(length));
        if (length < 0)
            return std::nullopt;
        return parseDosAttrib(std::string_view(buffer, static_cast<std::size_t>(length)));
    }

    // The DOS attribute bits that the file system (or a compatibility layer) keeps for a regular file or a
    // folder, if any.
    std::optional<std::uint32_t> dosAttributes(const Entry &entry, std::uint64_t device)
    {
        const DeviceFacts facts = devices().factsOf(device, entry.path);
        std::optional<std::uint32_t> value;
        switch (facts.source) {
        case DosSource::Fat:
            value = fatAttributes(entry.path);
            break;
        case DosSource::Ntfs:
            value = ntfsAttributes(entry);
            break;
        case DosSource::Smb:
            value = smbAttributes(entry);
            break;
        case DosSource::None:
            break;
        }
        if (!value && facts.userXattrs)
            value = dosAttribText(entry, device);
        return value;
    }

    // The attribute value of an entry whose (resolved) status gave `mode` and `device`.
    int attributesOf(const Entry &entry, std::uint32_t mode, std::uint64_t device)
    {
        if (isRegularOrFolder(mode)) {
            if (const auto value = dosAttributes(entry, device))
                return static_cast<int>(*value & DosBits);
        }
        int value = 0;
        if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            value |= Attribute::ReadOnly;
        if (isHiddenName(lastComponent(entry.path)))
            value |= Attribute::Hidden;
        if (!isRegularOrFolder(mode))
            value |= Attribute::System;
        return value;
    }

    // An NTFS birth time where statx gives none: ntfs-3g keeps it in an xattr, in 100-ns intervals since
    // 1601-01-01 UTC. Asked only of NTFS devices, and of each only until it turns out not to have it.
    std::optional<FileTime> ntfsBirthTime(const Entry &entry, std::uint64_t device)
    {
        const DeviceFacts facts = devices().factsOf(device, entry.path);
        if (facts.source != DosSource::Ntfs || !facts.birthXattr)
            return std::nullopt;
        std::array<unsigned char, 8> raw {};
        std::uint64_t intervals = 0;
        if (entryXattr(entry, "system.ntfs_crtime_be", raw.data(), raw.size()) == 8) {
            for (const unsigned char byte : raw)
                intervals = intervals << 8 | byte;
        } else if (const ssize_t length = entryXattr(entry, "system.ntfs_crtime", raw.data(), raw.size());
                   length == 8) {
            std::memcpy(&intervals, raw.data(), sizeof intervals);
        } else {
            if (length < 0 && (errno == ENODATA || errno == ENOTSUP))
                devices().refuse(device, &DeviceFacts::birthXattr);
            return std::nullopt;
        }
        // Zero is what NTFS holds for a time never set.
        if (intervals == 0)
            return std::nullopt;
        constexpr std::uint64_t PerSecond = 10'000'000;
        constexpr std::int64_t SecondsFrom1601To1970 = 11'644'473'600;
        return FileTime { static_cast<std::int64_t>(intervals / PerSecond) - SecondsFrom1601To1970,
            static_cast<std::uint32_t>(intervals % PerSecond * 100) };
    }

    // A drive's root: the root folder of a mount. Whatever bits its file system gives it (every NTFS root
    // carries hidden and system), a person sees it as the drive itself, not as an entry to hide.
    bool isDriveRoot(const struct statx &status)
    {
        return S_ISDIR(status.stx_mode) && (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
            && (status.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    }

    bool admits(const char *path, const struct statx &status, unsigned admitted)
    {
        if (isDriveRoot(status))
            return (admitted & SearchFolder) != 0;
        const int value = attributesOf(Entry { path }, status.stx_mode, deviceOf(status));
        if ((value & Attribute::Hidden) && !(admitted & SearchHidden))
            return false;
        if ((value & Attribute::System) && !(admitted & SearchSystem))
            return false;
        return !S_ISDIR(status.stx_mode) || (admitted & SearchFolder);
    }

    // Bytes of the character that `text` begins with: a whole UTF-8 sequence, or one byte that begins none.
    std::size_t characterLength(std::string_view text)
    {
        const auto lead = static_cast<unsigned char>(text.front());
        const std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
        if (length > text.size())
            return 1;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
                return 1;
        }
        return length;
    }

    // Whether `name` matches `pattern`, where "*" stands for any run of characters and "?" for exactly one.
    // Every other byte stands for itself: "[", "]" and "\" are parts of names, not pattern syntax.
    bool matchesWildcards(std::string_view pattern, std::string_view name)
    {
        std::size_t p = 0, n = 0;
        // Where the last "*" was, and where in the name the run it stands for ends so far.
        std::size_t star = std::string_view::npos, resume = 0;
        while (n < name.size()) {
            if (p < pattern.size() && pattern[p] == '*') {
                star = p++;
                resume = n;
            } else if (p < pattern.size() && pattern[p] == '?') {
                ++p;
                n += characterLength(name.substr(n));
            } else if (p < pattern.size() && pattern[p] == name[n]) {
                ++p;
                ++n;
            } else if (star != std::string_view::npos) {
                // Let the last "*" take one more character and try again from just after it.
                p = star + 1;
                resume += characterLength(name.substr(resume));
                n = resume;
            } else {
                return false;
            }
        }
        while (p < pattern.size() && pattern[p] == '*')
            ++p;
        return p == pattern.size();
    }

    std::optional<std::string> search(std::string_view pattern, unsigned admitted)
    {
        if (pattern.empty() || pattern.size() >= PATH_MAX || pattern.find('\0') != std::string_view::npos)
            return std::nullopt;
        const std::string path(pattern);
        const std::string_view name = lastComponent(path);
        struct statx status;

        if (name.find_first_of("*?") == std::string_view::npos) {
            if (statusOf(path.c_str(), status) != 0 || !admits(path.c_str(), status, admitted))
                return std::nullopt;
            return name.empty() ? std::string("/") : std::string(name);
        }

        const auto nameAt = static_cast<std::size_t>(name.data() - path.data());
        const std::string folder = path.substr(0, nameAt);
        // Trailing "/" after the wildcards asks for folders, as it does after a plain name.
        const std::string_view trailing = std::string_view(path).substr(nameAt + name.size());
        const DirHandle dir = openFolder(folder.empty() ? "." : folder);
        while (const dirent *entry = ::readdir(dir.get())) {
            const std::string_view entryName(entry->d_name);
            if (entryName == "." || entryName == ".." || !matchesWildcards(name, entryName))
                continue;
            const std::string candidate = folder + entry->d_name + std::string(trailing);
            if (statusOf(candidate.c_str(), status) == 0 && admits(candidate.c_str(), status, admitted))
                return std::string(entryName);
        }
        return std::nullopt;
    }

    FileTime fileTime(const statx_timestamp &time)
    {
        return { time.tv_sec, time.tv_nsec };
    }

} // namespace

// A folder held open by a FolderScope.
struct FolderScope::Open {
    int fd = -1;
    std::string prefix; // the folder's path ending in one "/", as the paths of its entries begin
    const Open *outer = nullptr;
};

namespace
{

    thread_local const FolderScope::Open *innermostFolder = nullptr;

    // Where to look up `path`, copied into `buffer` as a C string: by name in the innermost open folder when the
    // path names an entry directly in it, else by the whole path.
    Entry locate(std::string_view path, std::string &buffer)
    {
        buffer.assign(cPathView(path));
        Entry entry { buffer.c_str() };
        const FolderScope::Open *open = innermostFolder;
        if (open && path.size() > open->prefix.size() && path.starts_with(open->prefix)
            && path.find('/', open->prefix.size()) == std::string_view::npos) {
            entry.folder = open->fd;
            entry.name = entry.path + open->prefix.size();
        }
        return entry;
    }

} // namespace

FolderScope::FolderScope(std::string_view folder)
{
    if (folder.empty() || folder.find('\0') != std::string_view::npos)
        return;
    // O_PATH: looking names up needs search permission on the folder only, as a path walk through it does.
    const int fd = ::open(std::string(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    m_open = std::make_unique<Open>();
    m_open->fd = fd;
    m_open->prefix.assign(folder);
    if (m_open->prefix.back() != '/')
        m_open->prefix += '/';
    m_open->outer = innermostFolder;
    innermostFolder = m_open.get();
}

FolderScope::~FolderScope()
{
    if (!m_open)
        return;
    innermostFolder = m_open->outer;
    ::close(m_open->fd);
}

std::optional<std::string> findFirstFile(std::string_view pattern, unsigned admitted)
{
    try {
        return search(pattern, admitted);
    } catch (...) {
        return std::nullopt;
    }
}

void forgetFileSystems()
{
    devices().forget();
}

FileObject FileSystemObject::GetFile(std::string_view path) const
{
    // Reused from call to call: a fill asks for every file of a folder, and each copy would be an allocation.
    thread_local std::string buffer;
    const Entry entry = locate(path, buffer);
    struct statx status;
    if (const int error = statusOf(entry, status))
        fail(error, "statx");
    const auto time = [&status](unsigned bit, const statx_timestamp &stamp) -> std::optional<FileTime> {
        if (!(status.stx_mask & bit))
            return std::nullopt;
        return fileTime(stamp);
    };
    std::optional<FileTime> created = time(STATX_BTIME, status.stx_btime);
    // A birth time of exactly the epoch is what a file system reports for an inode written without one (as
    // image builders write them); no file was born at that instant, so there is no birth time to show.
    if (created == FileTime {})
        created.reset();
    // ntfs-3g gives statx no birth time but keeps one in an xattr of its own.
    if (!(status.stx_mask & STATX_BTIME))
        created = ntfsBirthTime(entry, deviceOf(status));
    const FileObject::Kind kind = S_ISREG(status.stx_mode) ? FileObject::Kind::File
        : S_ISDIR(status.stx_mode)                         ? FileObject::Kind::Folder
                                                           : FileObject::Kind::Other;
    return FileObject(attributesOf(entry, status.stx_mode, deviceOf(status)), kind,
        static_cast<std::int64_t>(status.stx_size), created, time(STATX_ATIME, status.stx_atime),
        time(STATX_MTIME, status.stx_mtime));
}

std::int64_t fileLength(std::string_view path)
{
    std::string buffer;
    struct statx status;
    if (const int error = statusOf(locate(path, buffer), status))
        fail(error, "statx");
    return static_cast<std::int64_t>(status.stx_size);
}

void listFolder(std::string_view folder, const std::function<void(std::string_view name, bool isFolder)> &visit)
{
    const DirHandle dir = openFolder(folder);
    const int fd = ::dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                fail(errno, "readdir");
            return;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        bool folderEntry = entry->d_type == DT_DIR;
        // A link is a folder when its target is one; some file systems do not give the type at all.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status;
            folderEntry = ::fstatat(fd, entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        }
        visit(name, folderEntry);
    }
}

void checkReadableFolder(std::string_view path)
{
    openFolder(path);
}

bool isFolder(std::string_view path)
{
    if (path.find('\0') != std::string_view::npos)
        return false;
    struct statx status;
    return statusOf(std::string(path).c_str(), status) == 0 && S_ISDIR(status.stx_mode);
}

std::string currentDirectory()
{
    std::string directory(PATH_MAX, '\0');
    while (!::getcwd(directory.data(), directory.size())) {
        if (errno != ERANGE)
            fail(errno, "getcwd");
        directory.resize(directory.size() * 2);
    }
    directory.resize(std::strlen(directory.c_str()));
    return directory;
}

} // namespace quorrix
