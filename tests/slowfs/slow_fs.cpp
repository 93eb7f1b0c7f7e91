// A slow file system for benchmarks and tests: serves a real folder read-only through FUSE, and answers every
// request only after a set delay, as a file system behind a network link does. The kernel is told to keep no
// entry or attribute in its caches, so that each query of a file reaches this program, as on a network mount
// whose caches are off. Extended attributes are not served (as an SFTP mount serves none).
//
// Usage: slow_fs [--parallel-dirops] SOURCE MOUNT_POINT DELAY_US [STATS_FILE]
// With --parallel-dirops the kernel is told that look-ups and listings in one folder may run at the same time;
// without it, as libfuse's default (and before 3.16 its only choice), the kernel sends the first look-up of each
// name in a folder only after the one before it is answered: only look-ups of names it already holds (and whose
// entry it revalidates) are sent side by side.
// Runs in the foreground until the file system is unmounted (fusermount3 -u MOUNT_POINT). STATS_FILE, when
// given, holds one line, "peak P requests R": the most requests answered at the same time so far, and the
// requests answered so far; rewritten as each request ends.
#define FUSE_USE_VERSION 314
#include <fuse.h>
#include <linux/fuse.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

namespace
{

int g_source = -1; // the folder served, open
std::chrono::microseconds g_delay { 0 };
int g_stats = -1;
std::atomic<unsigned> g_inFlight { 0 };
std::atomic<unsigned> g_peak { 0 };
std::atomic<unsigned long> g_requests { 0 };
bool g_parallelDirops = false;
std::atomic<bool> g_initAnswered { false };

void writeStats()
{
    if (g_stats < 0)
        return;
    // Of one length whatever the counts, so that each writing replaces the whole line.
    char line[64];
    const int length
        = std::snprintf(line, sizeof line, "peak %6u requests %12lu\n", g_peak.load(), g_requests.load());
    if (length > 0)
        (void)::pwrite(g_stats, line, static_cast<std::size_t>(length), 0);
}

// One request, for as long as it is answered: waits the delay first, and counts it.
class Request
{
public:
    Request()
    {
        const unsigned now = ++g_inFlight;
        unsigned peak = g_peak.load();
        while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
        }
        std::this_thread::sleep_for(g_delay);
    }
    ~Request()
    {
        ++g_requests;
        --g_inFlight;
        writeStats();
    }
    Request(const Request &) = delete;
    Request &operator=(const Request &) = delete;
};

// The path FUSE gives ("/a/b"), relative to the folder served ("a/b", "." for the root).
const char *relative(const char *path)
{
    while (*path == '/')
        ++path;
    return *path ? path : ".";
}

void *init(fuse_conn_info *connection, fuse_config *config)
{
    // Asked for where the library passes it on (3.16 on); before, writev() below sets it in the answer.
    if (g_parallelDirops && (connection->capable & FUSE_CAP_PARALLEL_DIROPS))
        connection->want |= FUSE_CAP_PARALLEL_DIROPS;
    else
        connection->want &= ~FUSE_CAP_PARALLEL_DIROPS;
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->kernel_cache = 0;
    config->use_ino = 1;
    return nullptr;
}

void destroy(void *)
{
    writeStats();
}

int getattr(const char *path, struct stat *status, fuse_file_info *)
{
    const Request request;
    return ::fstatat(g_source, relative(path), status, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

int readlink(const char *path, char *buffer, std::size_t size)
{
    const Request request;
    const ssize_t length = ::readlinkat(g_source, relative(path), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

int statfs(const char *path, struct statvfs *status)
{
    const Request request;
    const int fd = ::openat(g_source, relative(path), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const int result = ::fstatvfs(fd, status) == 0 ? 0 : -errno;
    ::close(fd);
    return result;
}

int opendir(const char *path, fuse_file_info *info)
{
    const Request request;
    const int fd = ::openat(g_source, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    info->fh = reinterpret_cast<std::uintptr_t>(dir);
    return 0;
}

// A part of the folder in each answer, as much as the kernel's buffer holds, each part one request: a network file
// system lists a folder in batches, with each entry's type and, where the kernel asks for them (READDIRPLUS), its
// attributes, as an SFTP server's listing carries them.
int readdir(const char *, void *buffer, fuse_fill_dir_t fill, off_t offset, fuse_file_info *info,
    fuse_readdir_flags flags)
{
    const Request request;
    DIR *dir = reinterpret_cast<DIR *>(info->fh);
    if (offset == 0)
        ::rewinddir(dir);
    else
        ::seekdir(dir, offset);
    const bool plus = (flags & FUSE_READDIR_PLUS) != 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            return -errno;
        struct stat status {};
        fuse_fill_dir_flags filled {};
        if (plus && ::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            filled = FUSE_FILL_DIR_PLUS;
        } else {
            status = {};
            status.st_ino = entry->d_ino;
            status.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        }
        if (fill(buffer, entry->d_name, &status, ::telldir(dir), filled) != 0)
            return 0;
    }
}

int releasedir(const char *, fuse_file_info *info)
{
    ::closedir(reinterpret_cast<DIR *>(info->fh));
    return 0;
}

int open(const char *path, fuse_file_info *info)
{
    const Request request;
    if ((info->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::openat(g_source, relative(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    info->fh = static_cast<std::uint64_t>(fd);
    return 0;
}

int read(const char *, char *buffer, std::size_t size, off_t offset, fuse_file_info *info)
{
    const Request request;
    const ssize_t length = ::pread(static_cast<int>(info->fh), buffer, size, offset);
    return length < 0 ? -errno : static_cast<int>(length);
}

int release(const char *, fuse_file_info *info)
{
    ::close(static_cast<int>(info->fh));
    return 0;
}

} // namespace

// Every answer libfuse sends to the kernel passes here. The first is the answer to INIT: with --parallel-dirops,
// it gets the flag that lets the kernel send look-ups in one folder side by side, which libfuse before 3.16
// leaves out whatever init() asks.
extern "C" ssize_t writev(int fd, const iovec *parts, int count)
{
    bool first = false;
    if (count >= 2 && parts[0].iov_len == sizeof(fuse_out_header) && parts[1].iov_len >= sizeof(fuse_init_out))
        first = !g_initAnswered.exchange(true);
    if (first && g_parallelDirops) {
        fuse_init_out answer;
        std::memcpy(&answer, parts[1].iov_base, sizeof answer);
        answer.flags |= FUSE_PARALLEL_DIROPS;
        iovec patched[2] = { parts[0], { &answer, sizeof answer } };
        if (count == 2 && parts[1].iov_len == sizeof answer)
            return ::syscall(SYS_writev, fd, patched, 2);
    }
    return ::syscall(SYS_writev, fd, parts, count);
}

int main(int argc, char *argv[])
{
    const char *program = argv[0];
    if (argc > 1 && std::strcmp(argv[1], "--parallel-dirops") == 0) {
        g_parallelDirops = true;
        --argc;
        ++argv;
    }
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s [--parallel-dirops] SOURCE MOUNT_POINT DELAY_US [STATS_FILE]\n", program);
        return 2;
    }
    g_source = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_source < 0) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], std::strerror(errno));
        return 1;
    }
    g_delay = std::chrono::microseconds(std::strtol(argv[3], nullptr, 10));
    if (argc == 5) {
        g_stats = ::open(argv[4], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (g_stats < 0) {
            std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[4], std::strerror(errno));
            return 1;
        }
        writeStats();
    }

    fuse_operations operations {};
    operations.init = init;
    operations.destroy = destroy;
    operations.getattr = getattr;
    operations.readlink = readlink;
    operations.statfs = statfs;
    operations.opendir = opendir;
    operations.readdir = readdir;
    operations.releasedir = releasedir;
    operations.open = open;
    operations.read = read;
    operations.release = release;

    // Foreground, many threads (one per request in flight, up to 256), read-only.
    std::string programName = program;
    std::string mountPoint = argv[2];
    std::string options = "-oro,fsname=slowfs,subtype=slowfs,max_threads=256,max_idle_threads=256";
    std::string foreground = "-f";
    char *arguments[] = { programName.data(), foreground.data(), options.data(), mountPoint.data(), nullptr };
    return fuse_main(4, arguments, &operations, nullptr);
}
