// The file-system layer on Linux: statx for an entry's status and readdir for folders. The DOS attribute bits
// are posix/DosAttributes', the file search posix/FileSearch's.
#include "posix/FileSystemPosix.h"
#include "posix/DosAttributes.h"
#include "posix/Entry.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace quorrix
{

using namespace posix;

namespace
{

    FileTime fileTime(const statx_timestamp &time)
    {
        return { time.tv_sec, time.tv_nsec };
    }

} // namespace

// A folder held open, for any number of threads at once: lookups by name in it change nothing.
struct OpenFolder::Data {
    int fd = -1;
    int sync = AT_STATX_SYNC_AS_STAT; // how statx brings an entry's status up to date (see Entry)
    std::string prefix; // the folder's path ending in one "/", as the paths of its entries begin
    ~Data() { ::close(fd); }
};

namespace
{

    // Where to look up `path`, copied into `buffer` as a C string: by name in the innermost open folder when the
    // path names an entry directly in it, else by the whole path.
    Entry locate(std::string_view path, std::string &buffer)
    {
        buffer.assign(cPathView(path));
        Entry entry { buffer.c_str() };
        const OpenFolder::Data *open = FolderScope::innermost();
        if (open && path.size() > open->prefix.size() && path.starts_with(open->prefix)
            && path.find('/', open->prefix.size()) == std::string_view::npos) {
            entry.folder = open->fd;
            entry.name = entry.path + open->prefix.size();
            entry.sync = open->sync;
        }
        return entry;
    }

} // namespace

OpenFolder::OpenFolder(std::string_view folder)
{
    if (folder.empty() || folder.find('\0') != std::string_view::npos)
        return;
    // O_PATH: looking names up needs search permission on the folder only, as a path walk through it does.
    const int fd = ::open(std::string(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    m_data = std::make_unique<Data>();
    m_data->fd = fd;
    m_data->prefix.assign(folder);
    if (m_data->prefix.back() != '/')
        m_data->prefix += '/';
    // A FUSE file system (an SFTP or SMB share mounted by the desktop) answers the look-up of a name with the
    // entry's status, and the kernel keeps it as the inode's; asked to bring it up to date as stat does, the
    // kernel asks once more when the file system lets it keep statuses for no time at all, as a network share's
    // often does. Here the look-up's status is taken: a round trip less for each file.
    struct statfs fileSystem;
    if (::fstatfs(fd, &fileSystem) == 0 && fileSystem.f_type == FUSE_SUPER_MAGIC)
        m_data->sync = AT_STATX_DONT_SYNC;
}

OpenFolder::OpenFolder(std::string_view folder, std::size_t, const std::function<std::string_view(std::size_t)> &)
    : OpenFolder(folder)
{
}

OpenFolder::~OpenFolder() = default;

std::optional<FileObject> OpenFolder::listed(std::size_t) const
{
    return std::nullopt;
}

void OpenFolder::done(std::size_t, std::size_t) const { }

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
