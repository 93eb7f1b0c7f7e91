// Fills a folder with N real files for the benchmarks: names as people and cameras give them, sizes from
// empty to a few megabytes (sparse, so quick to make), access and modification times spread over three years,
// one file in fifty hidden.
//
// Usage: bench_make_folder FOLDER COUNT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

int main(int argc, char *argv[])
{
    std::size_t count = 0;
    if (argc != 3 || std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), count).ec != std::errc()) {
        std::fprintf(stderr, "usage: %s FOLDER COUNT\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        std::perror(folder.c_str());
        return 1;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
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
        const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(name.c_str());
            return 1;
        }
        const auto bytes = static_cast<off_t>(std::min(size(random), 64.0 * 1024 * 1024));
        const std::int64_t modified = now - age(random);
        const std::int64_t accessed = std::min(now, modified + age(random) / 8);
        const timespec times[2] = { { static_cast<time_t>(accessed), static_cast<long>(i % 1000) * 1000000 },
            { static_cast<time_t>(modified), 0 } };
        if (::ftruncate(fd, bytes) != 0 || ::futimens(fd, times) != 0) {
            std::perror(name.c_str());
            return 1;
        }
        ::close(fd);
    }
    ::close(dir);
    return 0;
}
