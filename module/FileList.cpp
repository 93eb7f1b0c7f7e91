#include "FileList.h"

#include "FileSystem.h"
#include "FolderSnapshot.h"
#include "NaturalOrder.h"
#include "Path.h"

#include <algorithm>
#include <stdexcept>

namespace quorrix
{

void FileList::setPath(std::string_view folder)
{
    std::string listed(path::withoutTrailingSeparators(folder));

    // Everything is built aside and swapped in at the end, so a folder that cannot be read (or a listing that
    // fails half-way) leaves the previous list whole.
    std::string names;
    std::vector<std::uint64_t> found { 0 };
    FolderSnapshot::list(listed, [&](std::string_view name, bool isFolder) {
        if (isFolder)
            return;
        names.append(name);
        found.push_back(names.size());
    });

    const auto view = [&names, &found](std::size_t i) {
        const auto begin = static_cast<std::size_t>(found[i]);
        return std::string_view(names).substr(begin, static_cast<std::size_t>(found[i + 1]) - begin);
    };
    const std::vector<std::size_t> order = naturalOrder(found.size() - 1, view);

    // The names once more, in the list's order: a fill reads them one after another, which memory serves far
    // faster than names scattered in the order the folder gave them.
    std::string sorted;
    sorted.reserve(names.size());
    std::vector<std::uint64_t> offsets;
    offsets.reserve(found.size());
    for (const std::size_t i : order) {
        offsets.push_back(sorted.size());
        sorted.append(view(i));
    }
    offsets.push_back(sorted.size());

    m_path.swap(listed);
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
