#include "Path.h"

#include <filesystem>

namespace quorrix
{

PathStyle nativePathStyle()
{
    return PathStyle::Posix;
}

std::optional<std::string> path::resolveLink(const std::string &path)
{
    // The system resolves a ".." after a link from the link's target, not from the folder holding the link.
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error)))
        return std::nullopt;
    return fs::canonical(path).string();
}

std::string path::typed(std::string_view path)
{
    return std::string(path);
}

} // namespace quorrix
