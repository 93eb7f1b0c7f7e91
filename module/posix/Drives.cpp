// The drive list's drives on Linux: the mount table, and volume labels from udev's links.
#include "posix/FileSystemPosix.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

namespace quorrix
{

namespace
{

    // Kernel file systems that hold no files of a person's.
    constexpr std::array<std::string_view, 21> PseudoFileSystems = {
        "autofs",
        "binfmt_misc",
        "bpf",
        "cgroup",
        "cgroup2",
        "configfs",
        "debugfs",
        "devpts",
        "devtmpfs",
        "efivarfs",
        "fusectl",
        "hugetlbfs",
        "mqueue",
        "nsfs",
        "proc",
        "pstore",
        "rpc_pipefs",
        "securityfs",
        "selinuxfs",
        "sysfs",
        "tracefs",
    };

    // Folders where the system mounts its own file systems (run-time tmpfs, /dev/shm ...).
    constexpr std::array<std::string_view, 4> SystemFolders = { "/proc", "/sys", "/dev", "/run" };

    // Read-only images of installed applications, one mount per application and revision.
    constexpr std::array<std::string_view, 2> ApplicationImageFolders = { "/snap", "/var/lib/snapd" };

    // Whether `path` is `folder` or lies below it: "/media/usb" holds "/media/usb/x", not "/media/usb2".
    bool holds(std::string_view folder, std::string_view path)
    {
        if (folder == "/")
            return path.starts_with('/');
        return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
    }

    // Undoes the octal escapes (\040 for a blank, \011, \012, \134) of the mount table's fields.
    std::string unescapeOctal(std::string_view text)
    {
        std::string result;
        result.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            unsigned value = 0;
            if (text[i] == '\\' && i + 4 <= text.size()
                && std::from_chars(text.data() + i + 1, text.data() + i + 4, value, 8).ptr == text.data() + i + 4
                && value < 256) {
                result += static_cast<char>(value);
                i += 3;
            } else {
                result += text[i];
            }
        }
        return result;
    }

    // Undoes udev's \xHH escapes of the names in /dev/disk/by-label.
    std::string unescapeHex(std::string_view text)
    {
        std::string result;
        result.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            unsigned value = 0;
            if (text.substr(i).starts_with("\\x") && i + 4 <= text.size()
                && std::from_chars(text.data() + i + 2, text.data() + i + 4, value, 16).ptr == text.data() + i + 4) {
                result += static_cast<char>(value);
                i += 3;
            } else {
                result += text[i];
            }
        }
        return result;
    }

    // The mounts below /run that hold a person's files: removable media that udisks mounts at
    // /run/media/USER/LABEL, and the network shares that GVfs gives at /run/user/UID/gvfs.
    bool isPersonalRunMount(std::string_view point)
    {
        if (point.starts_with("/run/media/")) {
            const std::string_view user = point.substr(11);
            const std::size_t slash = user.find('/');
            return slash != 0 && slash != std::string_view::npos && slash + 1 < user.size();
        }
        if (point.starts_with("/run/user/")) {
            const std::string_view rest = point.substr(10);
            const std::size_t slash = rest.find('/');
            return slash != 0 && slash != std::string_view::npos
                && rest.substr(0, slash).find_first_not_of("0123456789") == std::string_view::npos
                && rest.substr(slash) == "/gvfs";
        }
        return false;
    }

    std::vector<std::string_view> fields(std::string_view line)
    {
        std::vector<std::string_view> result;
        for (std::size_t start = 0; start < line.size();) {
            const std::size_t end = std::min(line.find(' ', start), line.size());
            if (end > start)
                result.push_back(line.substr(start, end - start));
            start = end + 1;
        }
        return result;
    }

    struct Mount {
        std::string root; // the folder or file of the file system that is mounted: "/" for all of it
        std::string fileSystem;
        std::string source;
    };

    // The text in brackets after the mount point: the label, else the device node's name, else the source.
    std::string volumeName(const std::string &source, const std::function<std::string(std::string_view)> &labelOf)
    {
        if (std::string label = labelOf(source); !label.empty())
            return label;
        if (source.starts_with("/dev/"))
            return source.substr(source.rfind('/') + 1);
        return source;
    }

    // Volume labels by the device node they name, from the links that udev keeps in /dev/disk/by-label.
    std::map<std::string, std::string> volumeLabels()
    {
        namespace fs = std::filesystem;
        std::map<std::string, std::string> labels;
        std::error_code error;
        for (fs::directory_iterator it("/dev/disk/by-label", error), end; !error && it != end; it.increment(error)) {
            const fs::path device = fs::canonical(it->path(), error);
            if (!error)
                labels.emplace(device.string(), unescapeHex(it->path().filename().string()));
            error.clear();
        }
        return labels;
    }

} // namespace

std::vector<Drive> parseMountInfo(std::string_view mountinfo,
    const std::function<std::string(std::string_view device)> &labelOf,
    const std::function<bool(std::string_view mountPoint)> &isFolderMount)
{
    // Keyed by mount point: a later mount on the same point hides the earlier one, and std::string orders
    // by bytes, so "/" comes first.
    std::map<std::string, Mount> mounts;
    for (std::size_t start = 0; start < mountinfo.size();) {
        const std::size_t end = std::min(mountinfo.find('\n', start), mountinfo.size());
        const std::vector<std::string_view> field = fields(mountinfo.substr(start, end - start));
        start = end + 1;
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const auto separator = std::find(
            field.begin() + std::min<std::ptrdiff_t>(6, std::ssize(field)), field.end(), std::string_view("-"));
        if (std::distance(separator, field.end()) < 3)
            continue;
        mounts[unescapeOctal(field[4])]
            = { unescapeOctal(field[3]), unescapeOctal(separator[1]), unescapeOctal(separator[2]) };
    }

    std::vector<Drive> drives;
    for (const auto &[mountPoint, mount] : mounts) {
        const bool pseudo = std::find(PseudoFileSystems.begin(), PseudoFileSystems.end(), mount.fileSystem)
            != PseudoFileSystems.end();
        const bool system = std::any_of(SystemFolders.begin(), SystemFolders.end(),
                                [&point = mountPoint](std::string_view folder) { return holds(folder, point); })
            && !isPersonalRunMount(mountPoint);
        const bool applicationImage = (mount.fileSystem == "squashfs" || mount.fileSystem == "fuse.squashfuse")
            && std::any_of(ApplicationImageFolders.begin(), ApplicationImageFolders.end(),
                [&point = mountPoint](std::string_view folder) { return holds(folder, point); });
        if (pseudo || system || applicationImage)
            continue;
        // The whole of a file system is a folder; only a part of one, bind-mounted, can be a file (containers
        // mount their own /etc/hosts so). Asked only then, so that a share that does not answer never holds
        // up the list.
        if (mount.root != "/" && isFolderMount && !isFolderMount(mountPoint))
            continue;
        const std::string name = volumeName(mount.source, labelOf);
        drives.push_back({ mountPoint, name.empty() ? mountPoint : mountPoint + " [" + name + "]" });
    }
    // Every folder lies on some drive. Where "/" is no mount point of its own (a chroot, some containers),
    // it still counts as one, named by itself.
    if (drives.empty() || drives.front().mountPoint != "/")
        drives.insert(drives.begin(), { "/", "/" });
    return drives;
}

std::vector<Drive> readDrives()
{
    forgetFileSystems();
    std::ifstream in("/proc/self/mountinfo", std::ios::binary);
    if (!in)
        throw std::system_error(errno, std::generic_category(), "/proc/self/mountinfo");
    const std::string table { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    const std::map<std::string, std::string> labels = volumeLabels();
    return parseMountInfo(
        table,
        [&labels](std::string_view device) -> std::string {
            if (labels.empty() || !device.starts_with("/dev/"))
                return {};
            std::error_code error;
            const std::filesystem::path node = std::filesystem::canonical(device, error);
            const auto it = error ? labels.end() : labels.find(node.string());
            return it == labels.end() ? std::string() : it->second;
        },
        isFolder);
}

std::optional<std::size_t> driveOf(const std::vector<Drive> &drives, std::string_view path)
{
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (holds(drives[i].mountPoint, path)
            && (!best || drives[i].mountPoint.size() > drives[*best].mountPoint.size()))
            best = i;
    }
    return best;
}

std::string systemFolderOf(const Drive &drive)
{
    return drive.mountPoint;
}

} // namespace quorrix
