// The floor for listing a folder: one directory scan (getdents64 with a large buffer) and one statx per
// entry, asking for what the table shows, and nothing else: no sorting, no text, no storage.
//
// Usage: bench_floor FOLDER RUNS [all]
// Prints "floor <microseconds per file, best run> <files>". With "all", the floor on every core instead: the
// scan keeps the names, then one thread per core makes the statx calls of its share of them; prints
// "floor_all ...".
//
// On Windows the floor is one FindFirstFileExW listing (basic information, large fetch), which gives every
// entry's status with its name; "all" is not offered there, and the line ends with the bytes per file that the first
// listing added to the process's peak resident size (under Wine, its own copy of the names).
#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "PeakResident.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace
{

#ifdef _WIN32
// Entries in one listing of `folder`, or -1 when it cannot be read.
long scan(const char *folder, std::vector<char> &)
{
    const std::wstring pattern = L"\\\\?\\" + std::filesystem::absolute(folder).wstring() + L"\\*";
    WIN32_FIND_DATAW data;
    HANDLE find
        = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return -1;
    long files = 0;
    do {
        const wchar_t *name = data.cFileName;
        files += !(name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)));
    } while (FindNextFileW(find, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    return complete ? files : -1;
}

long scanOnAllCores(const char *, std::vector<char> &, unsigned)
{
    return -1;
}

#else
// Calls `visit(name)` for every entry of the open folder `dir` but "." and "..", buffer by buffer of
// getdents64, as the entries arrive; false when the folder cannot be read.
template<typename Visit>
bool forEachEntry(int dir, std::vector<char> &buffer, Visit &&visit)
{
    for (;;) {
        const ssize_t length = ::getdents64(dir, buffer.data(), buffer.size());
        if (length <= 0)
            return length == 0;
        for (ssize_t at = 0; at < length;) {
            dirent64 entry;
            std::memcpy(&entry, buffer.data() + at, offsetof(dirent64, d_name));
            const char *name = buffer.data() + at + offsetof(dirent64, d_name);
            at += entry.d_reclen;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            visit(name);
        }
    }
}

bool statted(int dir, const char *name)
{
    struct statx status;
    return ::statx(dir, name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &status) == 0;
}

// Entries statted in one scan of `folder`, or -1 when it cannot be read.
long scan(const char *folder, std::vector<char> &buffer)
{
    const int dir = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    long files = 0;
    const bool read = forEachEntry(dir, buffer, [&](const char *name) { files += statted(dir, name); });
    ::close(dir);
    return read ? files : -1;
}

// Entries statted in one scan of `folder` that keeps the names, and statx calls split over `threads`
// threads; -1 when it cannot be read.
long scanOnAllCores(const char *folder, std::vector<char> &buffer, unsigned threads)
{
    const int dir = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    std::string names; // each name followed by its NUL
    std::vector<std::size_t> starts;
    const bool read = forEachEntry(dir, buffer, [&](const char *name) {
        starts.push_back(names.size());
        names.append(name, std::strlen(name) + 1);
    });
    if (!read) {
        ::close(dir);
        return -1;
    }
    std::vector<long> found(threads, 0);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            const std::size_t begin = starts.size() * t / threads, end = starts.size() * (t + 1) / threads;
            for (std::size_t i = begin; i < end; ++i)
                found[t] += statted(dir, names.data() + starts[i]);
        });
    }
    long files = 0;
    for (unsigned t = 0; t < threads; ++t) {
        workers[t].join();
        files += found[t];
    }
    ::close(dir);
    return files;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    const bool allCores = argc == 4 && std::string_view(argv[3]) == "all";
    if (argc != 3 && !allCores) {
        std::fprintf(stderr, "usage: %s FOLDER RUNS [all]\n", argv[0]);
        return 2;
    }
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    const int runs = std::max(1, std::atoi(argv[2]));
    std::vector<char> buffer(1 << 20);
    double best = std::numeric_limits<double>::max();
    long files = 0;
#ifdef _WIN32
    // The bytes a row that listing the folder costs the process at its peak, measured on the first listing.
    const long before = peakResident();
    long growth = -1;
#endif
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        files = allCores ? scanOnAllCores(argv[1], buffer, threads) : scan(argv[1], buffer);
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        if (files < 0) {
            std::perror(argv[1]);
            return 1;
        }
        best = std::min(best, took.count());
#ifdef _WIN32
        if (growth < 0)
            growth = peakResident() - before;
#endif
    }
#ifdef _WIN32
    std::printf("floor %.4f %ld %.1f\n", files > 0 ? best / static_cast<double>(files) : 0.0, files,
        files > 0 ? static_cast<double>(growth) / static_cast<double>(files) : 0.0);
#else
    std::printf(
        "%s %.4f %ld\n", allCores ? "floor_all" : "floor", files > 0 ? best / static_cast<double>(files) : 0.0, files);
#endif
    return 0;
}
