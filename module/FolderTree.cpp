#include "FolderTree.h"

#include "FolderSnapshot.h"
#include "NaturalOrder.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace quorrix
{

namespace
{

    std::string parentOf(const std::string &folder)
    {
        const std::size_t slash = folder.rfind('/');
        return slash == 0 || slash == std::string::npos ? std::string("/") : folder.substr(0, slash);
    }

    // `folder` made absolute from `base` and normal, without a trailing "/" unless it is "/". A ".." after a
    // link to a folder leads where the system takes it, to the parent of the link's target; any other ".."
    // takes away the name before it, whether that exists or not.
    std::string normalFolder(std::string_view folder, const std::string &base)
    {
        namespace fs = std::filesystem;
        fs::path path { std::string(folder) };
        if (path.is_relative())
            path = fs::path(base) / path;
        fs::path result = path.root_path();
        for (const fs::path &component : path.relative_path()) {
            if (component.empty() || component == ".")
                continue;
            if (component != "..") {
                result /= component;
                continue;
            }
            std::error_code error;
            if (fs::is_symlink(fs::symlink_status(result, error)))
                result = fs::canonical(result);
            result = result.parent_path();
        }
        std::string text = result.string();
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
        return text;
    }

    // `folder` itself when it can be read, else the nearest folder above it that can, going no higher than
    // `top`; `top` when none can.
    std::string nearestReadable(std::string folder, const std::string &top)
    {
        while (folder != top && folder != "/") {
            try {
                checkReadableFolder(folder);
                return folder;
            } catch (const std::system_error &) {
                folder = parentOf(folder);
            }
        }
        return folder;
    }

    std::string childOf(const std::string &folder, std::string_view name)
    {
        std::string result = folder;
        if (result.back() != '/')
            result += '/';
        result += name;
        return result;
    }

    // The folders from "/" down to `folder`, each open and one step further in.
    std::vector<FolderTree::Entry> chainTo(const std::string &folder)
    {
        std::vector<FolderTree::Entry> chain;
        chain.push_back({ "/", "/", 0, true });
        std::size_t start = 1;
        while (start < folder.size()) {
            std::size_t end = folder.find('/', start);
            if (end == std::string::npos)
                end = folder.size();
            chain.push_back(
                { folder.substr(0, end), folder.substr(start, end - start), static_cast<int>(chain.size()), true });
            start = end + 1;
        }
        return chain;
    }

} // namespace

FolderTree::FolderTree()
{
    // Construction never fails: a working directory that is gone or cannot be listed gives way to the nearest
    // folder above it that can, and when not even "/" can be read the list shows the bare chain until a later
    // set or refresh succeeds.
    try {
        m_workingDirectory = normalFolder(currentDirectory(), "/");
    } catch (const std::exception &) {
        m_workingDirectory = "/";
    }
    try {
        const std::string folder = nearestReadable(m_workingDirectory, "/");
        checkReadableFolder(folder);
        rebuild(folder);
        return;
    } catch (const std::exception &) {
    }
    m_path = "/";
    m_entries = chainTo(m_path);
    m_current = 0;
}

std::string FolderTree::absoluteFolder(std::string_view folder)
{
    if (!folder.empty() && folder.front() == '/')
        return normalFolder(folder, "/");
    return normalFolder(folder, currentDirectory());
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
    std::string folder = drive.mountPoint;
    if (const auto found = m_lastFolder.find(drive.mountPoint); found != m_lastFolder.end())
        folder = found->second;
    else if (const auto working = driveOf(drives, m_workingDirectory);
             working && drives[*working].mountPoint == drive.mountPoint)
        folder = m_workingDirectory;
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
            if (folder == "/")
                throw;
            folder = parentOf(folder);
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
            entries.push_back({ childOf(folder, name), std::string(name), depth, false });
    });
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(current) + 1, entries.end(),
        [](const Entry &a, const Entry &b) { return naturalCompare(a.name, b.name) < 0; });

    std::string path = folder;
    m_path.swap(path);
    m_entries.swap(entries);
    m_current = current;
}

} // namespace quorrix
