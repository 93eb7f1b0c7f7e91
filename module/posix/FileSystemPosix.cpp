// The file-system layer on Linux: statx for an entry's status, readdir for folders, and the file systems' own
// ioctls and extended attributes for DOS attribute bits.
#include "FileSystem.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
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

    // `path` as a C string; a NUL inside it would silently cut it, so such a path names nothing.
    std::string cPath(std::string_view path)
    {
        if (path.find('\0') != std::string_view::npos)
            fail(EINVAL, "path holds a NUL");
        return std::string(path);
    }

    DirHandle openFolder(std::string_view folder)
    {
        DirHandle dir(::opendir(cPath(folder).c_str()));
        if (!dir)
            fail(errno, "opendir");
        return dir;
    }

    // Status of `path` with links followed; a link whose target is missing or that loops gives the link
    // itself. Returns 0 or the errno of the followed query.
    int statusOf(const char *path, struct statx &status)
    {
        if (::statx(AT_FDCWD, path, AT_STATX_SYNC_AS_STAT, StatusMask, &status) == 0)
            return 0;
        const int error = errno;
        if ((error == ENOENT || error == ELOOP)
            && ::statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, StatusMask, &status) == 0)
            return 0;
        return error;
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
    };

    // What each device's file system keeps, learnt once per device: a statfs for every file of a million
    // would add a system call to each.
    class DeviceCache
    {
    public:
        DeviceFacts factsOf(std::uint64_t device, const char *path)
        {
            const std::lock_guard lock(m_mutex);
            if (const auto it = m_facts.find(device); it != m_facts.end())
                return it->second;
            struct statfs fs;
            if (::statfs(path, &fs) != 0)
                return {}; // the entry went away meanwhile; learn from the next one
            const DeviceFacts facts { sourceOf(static_cast<unsigned long>(fs.f_type), device) };
            m_facts.emplace(device, facts);
            return facts;
        }

        void refuseUserXattrs(std::uint64_t device)
        {
            const std::lock_guard lock(m_mutex);
            if (const auto it = m_facts.find(device); it != m_facts.end())
                it->second.userXattrs = false;
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
    };

    DeviceCache &devices()
    {
        static DeviceCache cache;
        return cache;
    }

    enum class ByteOrder { Native, Big };

    // A 32-bit attribute word (or a single byte, as ntfs3 gives system.dos_attrib) from the xattr `name`.
    std::optional<std::uint32_t> xattrWord(const char *path, const char *name, ByteOrder order)
    {
        std::array<unsigned char, 4> raw {};
        const ssize_t length = ::getxattr(path, name, raw.data(), raw.size());
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

    std::optional<std::uint32_t> ntfsAttributes(const char *path)
    {
        if (const auto value = xattrWord(path, "system.ntfs_attrib_be", ByteOrder::Big))
            return value;
        if (const auto value = xattrWord(path, "system.ntfs_attrib", ByteOrder::Native))
            return value;
        return xattrWord(path, "system.dos_attrib", ByteOrder::Native);
    }

    std::optional<std::uint32_t> smbAttributes(const char *path)
    {
        if (const auto value = xattrWord(path, "user.smb3.dosattrib", ByteOrder::Native))
            return value;
        return xattrWord(path, "user.cifs.dosattrib", ByteOrder::Native);
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

    std::optional<std::uint32_t> dosAttribText(const char *path, std::uint64_t device)
    {
        static constexpr const char *Name = "user.DOSATTRIB";
        std::array<char, 256> buffer;
        ssize_t length = ::getxattr(path, Name, buffer.data(), buffer.size());
        if (length >= 0)
            return parseDosAttrib(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
        const int error = errno;
        if (error == ENOTSUP)
            devices().refuseUserXattrs(device);
        if (error != ERANGE)
            return std::nullopt;
        // Longer than any value seen in practice, but a blob after the text may make it so.
        length = ::getxattr(path, Name, nullptr, 0);
        if (length <= 0)
            return std::nullopt;
        std::string large(static_cast<std::size_t>(length), '\0');
        length = ::getxattr(path, Name, large.data(), large.size());
        if (length < 0)
            return std::nullopt;
        large.resize(static_cast<std::size_t>(length));
        return parseDosAttrib(large);
    }

    // The DOS attribute bits that the file system (or a compatibility layer) keeps for a regular file or a
    // folder, if any.
    std::optional<std::uint32_t> dosAttributes(const char *path, std::uint64_t device)
    {
        const DeviceFacts facts = devices().factsOf(device, path);
        std::optional<std::uint32_t> value;
        switch (facts.source) {
        case DosSource::Fat:
            value = fatAttributes(path);
            break;
        case DosSource::Ntfs:
            value = ntfsAttributes(path);
            break;
        case DosSource::Smb:
            value = smbAttributes(path);
            break;
        case DosSource::None:
            break;
        }
        if (!value && facts.userXattrs)
            value = dosAttribText(path, device);
        return value;
    }

    // The attribute value of the entry at `path`, whose (resolved) status gave `mode` and `device`.
    int attributesOf(const char *path, std::uint32_t mode, std::uint64_t device)
    {
        if (isRegularOrFolder(mode)) {
            if (const auto value = dosAttributes(path, device))
                return static_cast<int>(*value & DosBits);
        }
        int value = 0;
        if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            value |= Attribute::ReadOnly;
        if (isHiddenName(lastComponent(path)))
            value |= Attribute::Hidden;
        if (!isRegularOrFolder(mode))
            value |= Attribute::System;
        return value;
    }

    bool admits(const char *path, const struct statx &status, unsigned admitted)
    {
        const int value = attributesOf(path, status.stx_mode, deviceOf(status));
        if ((value & Attribute::Hidden) && !(admitted & SearchHidden))
            return false;
        if ((value & Attribute::System) && !(admitted & SearchSystem))
            return false;
        return !S_ISDIR(status.stx_mode) || (admitted & SearchFolder);
    }

    std::optional<std::string> search(std::string_view pattern, unsigned admitted)
    {
        if (pattern.empty() || pattern.size() >= PATH_MAX || pattern.find('\0') != std::string_view::npos)
            return std::nullopt;
        const std::string path(pattern);
        const std::string_view name = lastComponent(path);
        struct statx status;

        if (name.find_first_of("*?[") == std::string_view::npos) {
            if (statusOf(path.c_str(), status) != 0 || !admits(path.c_str(), status, admitted))
                return std::nullopt;
            return name.empty() ? std::string("/") : std::string(name);
        }

        const auto nameAt = static_cast<std::size_t>(name.data() - path.data());
        const std::string folder = path.substr(0, nameAt);
        const std::string matcher(name);
        // Trailing "/" after the wildcards asks for folders, as it does after a plain name.
        const std::string_view trailing = std::string_view(path).substr(nameAt + name.size());
        const DirHandle dir(::opendir(folder.empty() ? "." : folder.c_str()));
        if (!dir)
            return std::nullopt;
        while (const dirent *entry = ::readdir(dir.get())) {
            const std::string_view entryName(entry->d_name);
            if (entryName == "." || entryName == ".." || ::fnmatch(matcher.c_str(), entry->d_name, 0) != 0)
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

std::optional<std::string> findFirstFile(std::string_view pattern, unsigned admitted)
{
    try {
        return search(pattern, admitted);
    } catch (...) {
        return std::nullopt;
    }
}

int FileObject::Attributes() const
{
    return attributesOf(m_path.c_str(), m_mode, m_device);
}

FileTime FileObject::DateCreated() const
{
    if (!(m_mask & STATX_BTIME))
        fail(ENODATA, "no birth time");
    return m_created;
}

FileTime FileObject::DateLastAccessed() const
{
    if (!(m_mask & STATX_ATIME))
        fail(ENODATA, "no access time");
    return m_accessed;
}

FileTime FileObject::DateLastModified() const
{
    if (!(m_mask & STATX_MTIME))
        fail(ENODATA, "no modification time");
    return m_modified;
}

bool FileObject::isFolder() const
{
    return S_ISDIR(m_mode);
}

bool FileObject::isRegular() const
{
    return S_ISREG(m_mode);
}

FileObject FileSystemObject::GetFile(std::string_view path) const
{
    FileObject file;
    file.m_path = cPath(path);
    struct statx status;
    if (const int error = statusOf(file.m_path.c_str(), status))
        fail(error, "statx");
    file.m_mode = status.stx_mode;
    file.m_mask = status.stx_mask;
    file.m_device = deviceOf(status);
    file.m_size = static_cast<std::int64_t>(status.stx_size);
    file.m_created = fileTime(status.stx_btime);
    file.m_accessed = fileTime(status.stx_atime);
    file.m_modified = fileTime(status.stx_mtime);
    return file;
}

std::int64_t fileLength(std::string_view path)
{
    struct statx status;
    if (const int error = statusOf(cPath(path).c_str(), status))
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
