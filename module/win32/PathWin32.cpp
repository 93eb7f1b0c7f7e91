#include "Path.h"

#include "win32/WideText.h"

#include <windows.h>

namespace quorrix
{

namespace
{

    // GetFullPathNameW of `path`; empty when the system cannot read it.
    std::wstring fullPathName(const std::wstring &path)
    {
        std::wstring full(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
            if (length == 0)
                return {};
            if (length < full.size()) {
                full.resize(length);
                return full;
            }
            full.resize(length);
        }
    }

    bool sameIgnoringCase(std::string_view a, std::string_view b)
    {
        return CompareStringOrdinal(win32::toWide(a).c_str(), -1, win32::toWide(b).c_str(), -1, TRUE) == CSTR_EQUAL;
    }

    bool hasWildcard(std::string_view name)
    {
        return name.find_first_of("*?") != std::string_view::npos;
    }

    // `folder`, absolute and normal, with the drive letter in capitals and each name that exists as the file
    // system spells it.
    std::string asOnDisk(std::string folder)
    {
        constexpr PathStyle style = PathStyle::Windows;
        if (folder.size() >= 2 && folder[1] == ':' && folder[0] >= 'a' && folder[0] <= 'z')
            folder[0] = static_cast<char>(folder[0] - 'a' + 'A');
        std::size_t start = path::rootLength(folder, style);
        while (start < folder.size()) {
            std::size_t end = folder.find('\\', start);
            if (end == std::string::npos)
                end = folder.size();
            const std::string name = folder.substr(start, end - start);
            if (hasWildcard(name))
                break;
            WIN32_FIND_DATAW data;
            const HANDLE find = FindFirstFileExW(win32::systemPath(std::string_view(folder).substr(0, end)).c_str(),
                FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
            if (find == INVALID_HANDLE_VALUE)
                break;
            FindClose(find);
            // The same name in another case; a short (8.3) name stays as typed.
            const std::string onDisk = win32::toUtf8(data.cFileName);
            if (sameIgnoringCase(onDisk, name)) {
                folder.replace(start, end - start, onDisk);
                end = start + onDisk.size();
            }
            start = end + 1;
        }
        return folder;
    }

} // namespace

PathStyle nativePathStyle()
{
    return PathStyle::Windows;
}

std::optional<std::string> path::resolveLink(const std::string &)
{
    // Windows takes every ".." away lexically before it looks at the path, links and junctions included.
    return std::nullopt;
}

std::string path::typed(std::string_view typedPath)
{
    constexpr PathStyle style = PathStyle::Windows;
    // The system's own form is read by no rule.
    if (typedPath.empty() || typedPath.starts_with("\\\\?\\"))
        return std::string(typedPath);
    try {
        // A pattern's last part is left to the search: "*." asks for names without an extension, where
        // GetFullPathNameW would make it "*".
        std::string_view folderPart = typedPath;
        std::string_view pattern;
        const std::string_view folder = folderOf(typedPath, style);
        std::size_t last = folder.size();
        while (last < typedPath.size() && isSeparator(typedPath[last], style))
            ++last;
        if (hasWildcard(typedPath.substr(last))) {
            pattern = typedPath.substr(last);
            folderPart = folder.empty() ? std::string_view(".") : folder;
        }
        const std::wstring full = fullPathName(win32::toWide(folderPart));
        if (full.empty())
            return std::string(typedPath);
        std::string read(withoutTrailingSeparators(asOnDisk(win32::toUtf8(full)), style));
        // A path typed relative to the working directory stays relative: a bare name is kept whole.
        const std::string base = win32::toUtf8(fullPathName(L"."));
        if (rootLength(typedPath, style) == 0 && !base.empty()) {
            const std::string prefix = join(base, "", style);
            const std::string_view head = std::string_view(read).substr(0, prefix.size());
            if (read.size() > prefix.size() && sameIgnoringCase(head, prefix))
                read.erase(0, prefix.size());
            else if (!pattern.empty() && sameIgnoringCase(read, base))
                read.clear();
        }
        if (!pattern.empty())
            read = join(read, pattern, style);
        return read;
    } catch (const std::exception &) {
        return std::string(typedPath);
    }
}

} // namespace quorrix
