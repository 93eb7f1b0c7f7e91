#include "FileList.h"

#include "FileSystem.h"
#include "FolderSnapshot.h"
#include "NaturalOrder.h"

#include <algorithm>
#include <stdexcept>

namespace quorrix
{

namespace
{

    // "/" stays "/"; any other folder loses its trailing "/" (all of them, so "/tmp//" is "/tmp").
    std::string normalFolder(std::string_view folder)
    {
        while (folder.size() > 1 && folder.back() == '/')
            folder.remove_suffix(1);
        return std::string(folder);
    }

    struct Span {
        NaturalPrefix prefix;
        std::uint64_t offset;
        std::uint32_t length;
    };

} // namespace

void FileList::setPath(std::string_view folder)
{
    std::string path = normalFolder(folder);

    // Everything is built aside and swapped in at the end, so a folder that cannot be read (or a listing that
    // fails half-way) leaves the previous list whole.
    std::string names;
    std::vector<Span> spans;
    FolderSnapshot::list(path, [&](std::string_view name, bool isFolder) {
        if (isFolder)
            return;
        spans.push_back({ naturalPrefix(name), names.size(), static_cast<std::uint32_t>(name.size()) });
        names.append(name);
    });

    const auto view = [&names](const Span &span) {
        return std::string_view(names).substr(static_cast<std::size_t>(span.offset), span.length);
    };
    // Prefixes settle most comparisons; only names that share theirs are read again.
    std::sort(spans.begin(), spans.end(), [&view](const Span &a, const Span &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return naturalCompare(view(a), view(b)) < 0;
    });

    // The names once more, in the list's order: a fill reads them one after another, which memory serves far
    // faster than names scattered in the order the folder gave them.
    std::string sorted;
    sorted.reserve(names.size());
    std::vector<std::uint64_t> offsets;
    offsets.reserve(spans.size() + 1);
    for (const Span &span : spans) {
        offsets.push_back(sorted.size());
        sorted.append(view(span));
    }
    offsets.push_back(sorted.size());

    m_path.swap(path);
    m_names.swap(sorted);
    m_offsets.swap(offsets);
    m_current = SIZE_MAX;
}

void FileList::select(std::size_t index)
{
    if (index >= count())
        throw std::out_of_range("file list index out of range");
    m_current = index;
}

std::string_view FileList::fileName() const
{
    if (m_current == SIZE_MAX)
        throw std::logic_error("no file list entry is selected");
    return name(m_current);
}

void FileList::refresh()
{
    // A list that was never given a folder has nothing to read again.
    if (m_path.empty())
        return;
    setPath(m_path);
}

std::string_view FileList::name(std::size_t index) const
{
    if (index >= count())
        throw std::out_of_range("file list index out of range");
    const auto begin = static_cast<std::size_t>(m_offsets[index]);
    return std::string_view(m_names).substr(begin, static_cast<std::size_t>(m_offsets[index + 1]) - begin);
}

} // namespace quorrix
