#include "Path.h"

#include "DisplayText.h"

namespace quorrix::path
{

namespace
{

    bool isDriveLetter(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }

    bool hasDrive(std::string_view path)
    {
        return path.size() >= 2 && isDriveLetter(path[0]) && path[1] == ':';
    }

    bool sameDrive(std::string_view a, std::string_view b)
    {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return hasDrive(a) && hasDrive(b) && lower(a[0]) == lower(b[0]);
    }

    // The root at the start of `path` as the style writes it, ending with its separator.
    std::string writtenRoot(std::string_view path, std::size_t length, PathStyle style)
    {
        std::string root(path.substr(0, length));
        for (char &c : root) {
            if (isSeparator(c, style))
                c = separator(style);
        }
        if (root.empty() || !isSeparator(root.back(), style))
            root += separator(style);
        return root;
    }

    // `path` with the current folder and drive that it leaves open taken from `base`.
    std::string madeAbsolute(std::string_view path, std::string_view base, PathStyle style)
    {
        const std::size_t root = rootLength(path, style);
        if (root == 0)
            return join(base, path, style);
        if (isAbsolute(path, style))
            return std::string(path);
        // Windows only: "C:name" from the current folder when that is on C:, else from C:'s root; "\name" from
        // the root of the current drive.
        if (hasDrive(path)) {
            if (sameDrive(path, base))
                return join(base, path.substr(2), style);
            return writtenRoot(path, 2, style).append(path.substr(2));
        }
        return std::string(base.substr(0, rootLength(base, style))).append(path.substr(root));
    }

} // namespace

char separator(PathStyle style)
{
    return style == PathStyle::Windows ? '\\' : '/';
}

bool isSeparator(char c, PathStyle style)
{
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

std::size_t rootLength(std::string_view path, PathStyle style)
{
    if (style == PathStyle::Posix)
        return path.starts_with('/') ? 1 : 0;
    if (path.size() >= 2 && isSeparator(path[0], style) && isSeparator(path[1], style)) {
        // "\\server\share\": the server's name, then the share's, and the separator after it.
        std::size_t end = 2;
        for (int part = 0; part < 2 && end < path.size(); ++part) {
            while (end < path.size() && !isSeparator(path[end], style))
                ++end;
            if (end < path.size())
                ++end;
        }
        return end;
    }
    if (hasDrive(path))
        return path.size() > 2 && isSeparator(path[2], style) ? 3 : 2;
    return !path.empty() && isSeparator(path[0], style) ? 1 : 0;
}

std::string_view rootOf(std::string_view path, PathStyle style)
{
    return path.substr(0, rootLength(path, style));
}

bool isAbsolute(std::string_view path, PathStyle style)
{
    const std::size_t root = rootLength(path, style);
    if (style == PathStyle::Posix)
        return root != 0;
    return root >= 2 && (isSeparator(path[1], style) || (root == 3 && hasDrive(path)));
}

bool isRoot(std::string_view path, PathStyle style)
{
    return isAbsolute(path, style) && rootLength(path, style) == path.size();
}

std::string_view systemRoot(PathStyle style)
{
    return style == PathStyle::Windows ? "C:\\" : "/";
}

std::string_view withoutTrailingSeparators(std::string_view path, PathStyle style)
{
    const std::size_t root = rootLength(path, style);
    while (path.size() > root && isSeparator(path.back(), style))
        path.remove_suffix(1);
    return path;
}

std::string_view folderOf(std::string_view path, PathStyle style)
{
    const std::size_t root = rootLength(path, style);
    for (std::size_t i = path.size(); i > root; --i) {
        if (isSeparator(path[i - 1], style))
            return path.substr(0, i - 1);
    }
    return path.substr(0, root);
}

std::string_view commandLinePath(std::string_view commandLine, PathStyle style)
{
    if (style != PathStyle::Windows || !commandLine.starts_with('"'))
        return commandLine;
    commandLine.remove_prefix(1);
    return commandLine.substr(0, commandLine.find('"'));
}

void joinInto(std::string &out, std::string_view folder, std::string_view name, PathStyle style)
{
    // A name joined to no folder at all stays the name.
    const bool inFolder = !folder.empty();
    while (!folder.empty() && isSeparator(folder.back(), style))
        folder.remove_suffix(1);
    out.assign(folder);
    if (inFolder)
        out += separator(style);
    out.append(name);
}

std::string join(std::string_view folder, std::string_view name, PathStyle style)
{
    std::string out;
    joinInto(out, folder, name, style);
    return out;
}

std::vector<Step> chainTo(std::string_view folder, PathStyle style)
{
    const std::size_t root = rootLength(folder, style);
    std::vector<Step> chain { { folder.substr(0, root), folder.substr(0, root) } };
    std::size_t start = root;
    while (start < folder.size()) {
        std::size_t end = start;
        while (end < folder.size() && !isSeparator(folder[end], style))
            ++end;
        chain.push_back({ folder.substr(0, end), folder.substr(start, end - start) });
        start = end + 1;
    }
    return chain;
}

std::string normal(std::string_view path, std::string_view base, const LinkTarget &linkTarget, PathStyle style)
{
    const std::string absolute = madeAbsolute(path, base, style);
    const std::size_t root = rootLength(absolute, style);
    std::string result = root == 0 ? std::string() : writtenRoot(absolute, root, style);
    std::size_t start = root;
    while (start <= absolute.size()) {
        std::size_t end = start;
        while (end < absolute.size() && !isSeparator(absolute[end], style))
            ++end;
        const std::string_view component = std::string_view(absolute).substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component != "..") {
            if (!result.empty() && !isSeparator(result.back(), style))
                result += separator(style);
            result.append(component);
            continue;
        }
        if (result.empty() || isRoot(result, style))
            continue;
        if (linkTarget) {
            if (std::optional<std::string> target = linkTarget(result))
                result = std::move(*target);
        }
        result = std::string(folderOf(result, style));
    }
    return std::string(withoutTrailingSeparators(result, style));
}

std::string extendedLength(std::string_view path)
{
    constexpr PathStyle style = PathStyle::Windows;
    if (path.starts_with("\\\\?\\") || !isAbsolute(path, style))
        return std::string(path);
    if (hasDrive(path))
        return std::string("\\\\?\\").append(path);
    return std::string("\\\\?\\UNC\\").append(path.substr(2));
}

namespace
{
    // `path` with each name between separators passed through `name`, the separators kept as they are.
    template <typename Name> std::string byName(std::string_view path, PathStyle style, Name name)
    {
        std::string text;
        std::size_t start = 0;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (isSeparator(path[i], style)) {
                text += name(path.substr(start, i - start));
                text += path[i];
                start = i + 1;
            }
        }
        text += name(path.substr(start));
        return text;
    }
}

std::string shown(std::string_view path, PathStyle style)
{
    return byName(path, style, [](std::string_view name) { return displayText(name); });
}

std::string carried(std::string_view path, PathStyle style)
{
    return byName(path, style,
        [](std::string_view name) { return isCarriedText(name) ? std::string(name) : displayText(name); });
}

} // namespace quorrix::path
