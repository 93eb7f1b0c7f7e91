#include "FolderTree.h"

#include "FolderSnapshot.h"
#include "NaturalOrder.h"
#include "Path.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace quorrix
{

namespace
{

    // `folder` made absolute from `base` and normal; a ".." after a link follows the link as the system does.
    std::string normalFolder(std::string_view folder, std::string_view base)
    {
        return path::normal(folder, base, path::resolveLink);
    }

    // `folder` itself when it can be read, else the nearest folder above it that can, going no higher than
    // `top`; `top` when none can.
    std::string nearestReadable(std::string folder, const std::string &top)
    {
        while (folder != top && !path::isRoot(folder)) {
            try {
                checkReadableFolder(folder);
                return folder;
            } catch (const std::system_error &) {
                folder = path::folderOf(folder);
            }
        }
        return folder;
    }

    // The folders from the root down to `folder`, each open and one step further in.
    std::vector<FolderTree::Entry> chainTo(const std::string &folder)
    {
        std::vector<FolderTree::Entry> chain;
        for (const path::Step &step : path::chainTo(folder))
            chain.push_back({ std::string(step.path), std::string(step.name), static_cast<int>(chain.size()), true });
        return chain;
    }

} // namespace

FolderTree::FolderTree()
{
    // Construction never fails: a working directory that is gone or cannot be listed gives way to the nearest
    // folder above it that can, and when not even its root can be read the list shows the bare root until a
    // later set or refresh succeeds.
    try {
        m_workingDirectory = normalFolder(currentDirectory(), path::systemRoot());
    } catch (const std::exception &) {
        m_workingDirectory = path::systemRoot();
    }
    const std::string root(path::rootOf(m_workingDirectory));
    try {
        const std::string folder = nearestReadable(m_workingDirectory, root);
        checkReadableFolder(folder);
        rebuild(folder);
        return;
    } catch (const std::exception &) {
    }
    m_path = root;
    m_entries = chainTo(m_path);
    m_current = 0;
}

bool FolderTree::setFolder(std::string_view folder, const std::vector<Drive> &drives)
{
    // An empty text names no folder; made absolute it would quietly become the working directory.
    if (folder.empty())
        throw std::system_error(ENOENT, std::generic_category(), "empty folder path");
    const std::string target = normalFolder(folder, m_workingDirectory);
    checkReadableFolder(target);
    const bool changed = target != m_path;
    rebuild(target);
    if (const auto drive = driveOf(drives, m_path))
        m_lastFolder[drives[*drive].mountPoint] = m_path;
    return changed;
}

std::string FolderTree::currentFolderOf(const Drive &drive, const std::vector<Drive> &drives) const
{
    std::string folder;
    if (const auto found = m_lastFolder.find(drive.mountPoint); found != m_lastFolder.end())
        folder = found->second;
    else if (const auto working = driveOf(drives, m_workingDirectory);
             working && drives[*working].mountPoint == drive.mountPoint)
        folder = m_workingDirectory;
    else
        folder = systemFolderOf(drive);
    // A folder deleted since, or a working directory that cannot be listed, gives way to the nearest folder
    // above it on the same drive that can be read.
    return nearestReadable(folder, drive.mountPoint);
}

bool FolderTree::refresh(const std::vector<Drive> &drives)
{
    const std::string previous = m_path;
    std::string folder = m_path;
    for (;;) {
        try {
            checkReadableFolder(folder);
            rebuild(folder);
            break;
        } catch (const std::system_error &) {
            if (path::isRoot(folder))
                throw;
            folder = path::folderOf(folder);
        }
    }
    if (m_path == previous)
        return false;
    if (const auto drive = driveOf(drives, m_path))
        m_lastFolder[drives[*drive].mountPoint] = m_path;
    return true;
}

void FolderTree::rebuild(const std::string &folder)
{
    // Built aside and swapped in, so a listing that fails leaves the tree as it was.
    std::vector<Entry> entries = chainTo(folder);
    const std::size_t current = entries.size() - 1;
    const int depth = entries.back().depth + 1;
    FolderSnapshot::list(folder, [&](std::string_view name, bool isFolder) {
        if (isFolder)
            entries.push_back({ path::join(folder, name), std::string(name), depth, false });
    });
    const auto children = entries.begin() + static_cast<std::ptrdiff_t>(current) + 1;
    const std::vector<std::size_t> order = naturalOrder(static_cast<std::size_t>(entries.end() - children),
        [&children](std::size_t i) { return std::string_view(children[static_cast<std::ptrdiff_t>(i)].name); });
    std::vector<Entry> sorted(entries.begin(), children);
    sorted.reserve(entries.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(children[static_cast<std::ptrdiff_t>(i)]));
    entries.swap(sorted);

    std::string path = folder;
    m_path.swap(path);
    m_entries.swap(entries);
    m_current = current;
}

} // namespace quorrix
