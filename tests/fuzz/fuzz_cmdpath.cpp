// Fuzzes the start folder: any bytes as the command line, inside a small folder of plain, hidden and special
// entries, links and subfolders that relative arguments reach.
#include "Module1.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string &playground()
{
    static std::string path;
    return path;
}

void removePlayground()
{
    std::error_code ignored;
    std::filesystem::remove_all(playground(), ignored);
}

void makeFile(const std::filesystem::path &path)
{
    std::ofstream(path) << "x";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorrix-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    playground() = pattern;
    std::atexit(removePlayground);
    const std::filesystem::path root(pattern);
    std::filesystem::create_directories(root / "dir" / "sub");
    std::filesystem::create_directories(root / ".hiddendir");
    makeFile(root / "file.txt");
    makeFile(root / "dir" / "a.txt");
    makeFile(root / "dir" / "b[1].txt");
    makeFile(root / "dir" / ".hidden");
    makeFile(root / "dir" / "sub" / "deep.txt");
    ::mkfifo((root / "dir" / "fifo").c_str(), 0644);
    std::filesystem::create_symlink("a.txt", root / "dir" / "link");
    std::filesystem::create_symlink("missing", root / "dir" / "dangling");
    std::filesystem::create_symlink("loop", root / "dir" / "loop");
    std::filesystem::create_directory_symlink("sub", root / "dir" / "sublink");
    // Relative arguments start here; the fuzzer is not the program, which never changes its working directory.
    if (::chdir(pattern.c_str()) != 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view argument(reinterpret_cast<const char *>(data), size);
    const std::string folder = quorrix::Module1::s_CMDPATH(argument);

    // The start folder is nothing, the argument itself, or the argument cut at its last "/" ("/" when that is
    // its first character).
    if (!folder.empty() && folder != argument) {
        const std::size_t cut = argument.rfind('/');
        if (cut == std::string_view::npos)
            std::abort();
        if (folder != (cut == 0 ? std::string_view("/") : argument.substr(0, cut)))
            std::abort();
    }
    // Nothing carries over from one query to the next.
    if (quorrix::Module1::s_CMDPATH(argument) != folder)
        std::abort();
    return 0;
}
