#include "posix/DosAttributes.h"
#include "posix/FileSystemPosix.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quorrix::posix
{

namespace
{

    // The bits a DOS attribute value is reported with: read-only, hidden, system, volume, directory, archive,
    // alias (reparse point) and compressed. File systems keep more (normal, sparse, not indexed, internal
    // NTFS flags); those would only turn a plain "archive" into an unknown value.
    constexpr std::uint32_t DosBits = 0x0C3F;

    constexpr unsigned long NtfsMagic = 0x5346544e; // the kernel's old read-only driver
    constexpr unsigned long Ntfs3Magic = 0x7366746e;

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
        bool sourceXattrs = true; // false once it refused the xattr that `source` names
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
        errno = 0;
        switch (facts.sourceXattrs ? facts.source : DosSource::None) {
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
        // A share mounted without xattrs refuses them for every file: no file asks again.
        if (!value && errno == ENOTSUP && (facts.source == DosSource::Ntfs || facts.source == DosSource::Smb))
            devices().refuse(device, &DeviceFacts::sourceXattrs);
        if (!value && facts.userXattrs)
            value = dosAttribText(entry, device);
        return value;
    }

} // namespace

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
    } else if (const ssize_t length = entryXattr(entry, "system.ntfs_crtime", raw.data(), raw.size()); length == 8) {
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

} // namespace quorrix::posix

void quorrix::forgetFileSystems()
{
    posix::devices().forget();
}
