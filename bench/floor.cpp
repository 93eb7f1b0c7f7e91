// The floor for listing a folder: one directory scan (getdents64 with a large buffer) and one statx per
// entry, asking for what the table shows, and nothing else: no sorting, no text, no storage.
//
// Usage: bench_floor FOLDER RUNS
// Prints "floor <microseconds per file, best run> <files>".
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

// Entries statted in one scan of `folder`, or -1 when it cannot be read.
long scan(const char *folder, std::vector<char> &buffer)
{
    const int dir = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    long files = 0;
    for (;;) {
        const ssize_t length = ::getdents64(dir, buffer.data(), buffer.size());
        if (length <= 0) {
            ::close(dir);
            return length == 0 ? files : -1;
        }
        for (ssize_t at = 0; at < length;) {
            dirent64 entry;
            std::memcpy(&entry, buffer.data() + at, offsetof(dirent64, d_name));
            const char *name = buffer.data() + at + offsetof(dirent64, d_name);
            at += entry.d_reclen;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct statx status;
            if (::statx(dir, name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &status) == 0)
                ++files;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER RUNS\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[2]));
    std::vector<char> buffer(1 << 20);
    double best = std::numeric_limits<double>::max();
    long files = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        files = scan(argv[1], buffer);
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        if (files < 0) {
            std::perror(argv[1]);
            return 1;
        }
        best = std::min(best, took.count());
    }
    std::printf("floor %.4f %ld\n", files > 0 ? best / static_cast<double>(files) : 0.0, files);
    return 0;
}
