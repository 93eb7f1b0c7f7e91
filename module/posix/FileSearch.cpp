// The file search of the start folder: a pattern whose last component may hold "*" and "?", and the classes
// of entries admitted.
#include "FileSystem.h"
#include "posix/DosAttributes.h"
#include "posix/Entry.h"

#include <climits>
#include <dirent.h>
#include <string>

namespace quorrix
{

using namespace posix;

namespace
{

    // A drive's root: the root folder of a mount. Whatever bits its file system gives it (every NTFS root
    // carries hidden and system), a person sees it as the drive itself, not as an entry to hide.
    bool isDriveRoot(const struct statx &status)
    {
        return S_ISDIR(status.stx_mode) && (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
            && (status.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    }

    bool admits(const char *path, const struct statx &status, unsigned admitted)
    {
        if (isDriveRoot(status))
            return (admitted & SearchFolder) != 0;
        const int value = attributesOf(Entry { path }, status.stx_mode, deviceOf(status));
        if ((value & Attribute::Hidden) && !(admitted & SearchHidden))
            return false;
        if ((value & Attribute::System) && !(admitted & SearchSystem))
            return false;
        return !S_ISDIR(status.stx_mode) || (admitted & SearchFolder);
    }

    // Bytes of the character that `text` begins with: a whole UTF-8 sequence, or one byte that begins none.
    std::size_t characterLength(std::string_view text)
    {
        const auto lead = static_cast<unsigned char>(text.front());
        const std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
        if (length > text.size())
            return 1;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
                return 1;
        }
        return length;
    }

    // Whether `name` matches `pattern`, where "*" stands for any run of characters and "?" for exactly one.
    // Every other byte stands for itself: "[", "]" and "\" are parts of names, not pattern syntax.
    bool matchesWildcards(std::string_view pattern, std::string_view name)
    {
        std::size_t p = 0, n = 0;
        // Where the last "*" was, and where in the name the run it stands for ends so far.
        std::size_t star = std::string_view::npos, resume = 0;
        while (n < name.size()) {
            if (p < pattern.size() && pattern[p] == '*') {
                star = p++;
                resume = n;
            } else if (p < pattern.size() && pattern[p] == '?') {
                ++p;
                n += characterLength(name.substr(n));
            } else if (p < pattern.size() && pattern[p] == name[n]) {
                ++p;
                ++n;
            } else if (star != std::string_view::npos) {
                // Let the last "*" take one more character and try again from just after it.
                p = star + 1;
                resume += characterLength(name.substr(resume));
                n = resume;
            } else {
                return false;
            }
        }
        while (p < pattern.size() && pattern[p] == '*')
            ++p;
        return p == pattern.size();
    }

    std::optional<std::string> search(std::string_view pattern, unsigned admitted)
    {
        if (pattern.empty() || pattern.size() >= PATH_MAX || pattern.find('\0') != std::string_view::npos)
            return std::nullopt;
        const std::string path(pattern);
        const std::string_view name = lastComponent(path);
        struct statx status;

        if (name.find_first_of("*?") == std::string_view::npos) {
            if (statusOf(path.c_str(), status) != 0 || !admits(path.c_str(), status, admitted))
                return std::nullopt;
            return name.empty() ? std::string("/") : std::string(name);
        }

        const auto nameAt = static_cast<std::size_t>(name.data() - path.data());
        const std::string folder = path.substr(0, nameAt);
        // Trailing "/" after the wildcards asks for folders, as it does after a plain name.
        const std::string_view trailing = std::string_view(path).substr(nameAt + name.size());
        const DirHandle dir = openFolder(folder.empty() ? "." : folder);
        while (const dirent *entry = ::readdir(dir.get())) {
            const std::string_view entryName(entry->d_name);
            if (entryName == "." || entryName == ".." || !matchesWildcards(name, entryName))
                continue;
            const std::string candidate = folder + entry->d_name + std::string(trailing);
            if (statusOf(candidate.c_str(), status) == 0 && admits(candidate.c_str(), status, admitted))
                return std::string(entryName);
        }
        return std::nullopt;
    }

} // namespace

std::optional<std::string> findFirstFile(std::string_view pattern, unsigned admitted)
{
    try {
        return search(pattern, admitted);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace quorrix
