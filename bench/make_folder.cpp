// Fills a folder with N real files for the benchmarks: names as people and cameras give them, sizes from
// empty to a few megabytes (sparse, so quick to make), access and modification times spread over three years,
// one file in fifty hidden.
//
// Usage: bench_make_folder FOLDER COUNT
#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace
{

// The name of file `i`: a handful of shapes, each numbered, so that names share prefixes and digit runs
// the way real folders do.
std::string nameOf(std::size_t i)
{
    static constexpr const char *Shapes[]
        = { "IMG_%04lu.jpg", "report %lu.txt", "DSC%05lu.JPG", "Invoice-2024-%06lu.pdf", "notes_%lu (copy).md",
              "track%02lu - Artist.mp3", "data.%lu.csv", "Screenshot %lu.png" };
    constexpr std::size_t shapes = std::size(Shapes);
    char name[64];
    std::snprintf(name, sizeof name, Shapes[i % shapes], static_cast<unsigned long>(i / shapes + 1));
    return name;
}

#ifdef _WIN32
// The Windows build makes the same files with the system's own calls: a hidden attribute for the dot names, a
// length set without writing, the times in FILETIME.
class Folder
{
public:
    explicit Folder(const std::string &folder)
        : m_folder(std::filesystem::absolute(folder).wstring())
    {
        std::error_code error;
        std::filesystem::create_directory(m_folder, error);
        m_ok = !error || std::filesystem::is_directory(m_folder);
    }
    bool ok() const { return m_ok; }

    bool make(const std::string &name, std::int64_t bytes, std::int64_t accessed, long accessedNanoseconds,
        std::int64_t modified)
    {
        const std::wstring path = L"\\\\?\\" + m_folder + L"\\" + std::filesystem::path(name).wstring();
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
            name[0] == '.' ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER length;
        length.QuadPart = bytes;
        const FILETIME access = fileTime(accessed, accessedNanoseconds), write = fileTime(modified, 0);
        const bool made = SetFilePointerEx(file, length, nullptr, FILE_BEGIN) && SetEndOfFile(file)
            && SetFileTime(file, nullptr, &access, &write);
        CloseHandle(file);
        return made;
    }

private:
    static FILETIME fileTime(std::int64_t seconds, long nanoseconds)
    {
        const auto ticks = static_cast<std::uint64_t>((seconds + 11'644'473'600) * 10'000'000 + nanoseconds / 100);
        return { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    }

    std::wstring m_folder;
    bool m_ok = false;
};
#else
class Folder
{
public:
    explicit Folder(const std::string &folder)
    {
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            return;
        m_dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    ~Folder()
    {
        if (m_dir >= 0)
            ::close(m_dir);
    }
    bool ok() const { return m_dir >= 0; }

    bool make(const std::string &name, std::int64_t bytes, std::int64_t accessed, long accessedNanoseconds,
        std::int64_t modified)
    {
        const int fd = ::openat(m_dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const timespec times[2]
            = { { static_cast<time_t>(accessed), accessedNanoseconds }, { static_cast<time_t>(modified), 0 } };
        const bool made = ::ftruncate(fd, static_cast<off_t>(bytes)) == 0 && ::futimens(fd, times) == 0;
        ::close(fd);
        return made;
    }

private:
    int m_dir = -1;
};
#endif

} // namespace

int main(int argc, char *argv[])
{
    std::size_t count = 0;
    if (argc != 3 || std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), count).ec != std::errc()) {
        std::fprintf(stderr, "usage: %s FOLDER COUNT\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    Folder dir(folder);
    if (!dir.ok()) {
        std::perror(folder.c_str());
        return 1;
    }

    std::mt19937_64 random(20261207);
    // Sizes: most files small, some large; a sparse file of any size costs one ftruncate.
    std::lognormal_distribution<double> size(9.0, 2.5);
    const std::int64_t now = std::time(nullptr);
    std::uniform_int_distribution<std::int64_t> age(0, 3 * 365 * 86400);

    for (std::size_t i = 0; i < count; ++i) {
        std::string name = nameOf(i);
        if (i % 50 == 49)
            name.insert(0, 1, '.');
        const auto bytes = static_cast<std::int64_t>(std::min(size(random), 64.0 * 1024 * 1024));
        const std::int64_t modified = now - age(random);
        const std::int64_t accessed = std::min(now, modified + age(random) / 8);
        if (!dir.make(name, bytes, accessed, static_cast<long>(i % 1000) * 1000000, modified)) {
            std::perror(name.c_str());
            return 1;
        }
    }
    return 0;
}
