#include "Path.h"

namespace quorrix
{

PathStyle nativePathStyle()
{
    return PathStyle::Windows;
}

std::optional<std::string> path::resolveLink(const std::string &)
{
    // Windows takes every ".." away lexically before it looks at the path, links and junctions included.
    return std::nullopt;
}

} // namespace quorrix
