#include "FileList.h"

#include "ChangeProgress.h"
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
    std::vector<std::uint32_t> found { 0 };
    FolderSnapshot::list(listed, [&](std::string_view name, bool isFolder) {
        if (isFolder)
            return;
        // Offsets take 32 bits: a folder whose names do not fit in them is refused rather than listed wrong.
        if (name.size() > m_maxNameBytes - names.size())
            throw std::length_error("the folder's names take more than 4 GiB");
        names.append(name);
        found.push_back(static_cast<std::uint32_t>(names.size()));
    });

    const auto view
        = [&names, &found](std::size_t i) { return std::string_view(names).substr(found[i], found[i + 1] - found[i]); };
    // Ordering reads each name once for its key, on every core, and a long ordering is part of the change's
    // progress.
    const std::size_t count = found.size() - 1;
    std::vector<std::size_t> order = naturalOrderOnAllCores(count, view,
        [count](std::size_t made) { ChangeProgress::reading(std::min(made, count)); });

    // The names once more, in the list's order: a fill reads them one after another, which memory serves far
    // faster than names scattered in the order the folder gave them. Exactly as much room as they take, for a
    // folder may hold millions of them.
    std::string sorted;
    sorted.reserve(names.size());
    std::vector<std::uint32_t> offsets;
    offsets.reserve(found.size());
    for (const std::size_t i : order) {
        offsets.push_back(static_cast<std::uint32_t>(sorted.size()));
        sorted.append(view(i));
    }
    offsets.push_back(static_cast<std::uint32_t>(sorted.size()));

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
    return std::string_view(m_names).substr(m_offsets[index], m_offsets[index + 1] - m_offsets[index]);
}

} // namespace quorrix
