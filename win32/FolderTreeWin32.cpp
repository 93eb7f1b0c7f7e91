#include "FolderTreeWin32.h"

#include "NaturalOrder.h"
#include "win32/WideText.h"

#include <windows.h>

namespace quorrix
{

namespace
{

    // Length of the root part of a normal path: "C:\" or "\\server\share\" (the last "\" may be missing).
    std::size_t rootLength(const std::string &path)
    {
        if (path.size() >= 2 && path[1] == ':')
            return std::min<std::size_t>(3, path.size());
        if (path.starts_with("\\\\")) {
            std::size_t end = path.find('\\', 2);
            end = end == std::string::npos ? path.size() : path.find('\\', end + 1);
            return end == std::string::npos ? path.size() : end + 1;
        }
        return std::min<std::size_t>(1, path.size());
    }

    bool isRoot(const std::string &folder)
    {
        return rootLength(folder) >= folder.size();
    }

    std::string parentOf(const std::string &folder)
    {
        const std::size_t root = rootLength(folder);
        const std::size_t slash = folder.rfind('\\');
        return slash == std::string::npos || slash < root ? folder.substr(0, root) : folder.substr(0, slash);
    }

    std::string childOf(const std::string &folder, std::string_view name)
    {
        std::string result = folder;
        if (result.back() != '\\')
            result += '\\';
        result += name;
        return result;
    }

    // `folder` itself when it can be read, else the nearest folder above it that can; its root when none can.
    std::string nearestReadable(std::string folder)
    {
        while (!isRoot(folder)) {
            try {
                checkReadableFolder(folder);
                return folder;
            } catch (const std::system_error &) {
                folder = parentOf(folder);
            }
        }
        return folder;
    }

    // The folders from the root down to `folder`, each open and one step further in.
    std::vector<FolderTree::Entry> chainTo(const std::string &folder)
    {
        std::vector<FolderTree::Entry> chain;
        std::size_t start = rootLength(folder);
        std::string root = folder.substr(0, start);
        std::string name = root;
        // A drive's root is named as the drive list names the drive: "c:\".
        if (name.size() >= 2 && name[1] == ':' && name[0] >= 'A' && name[0] <= 'Z')
            name[0] = static_cast<char>(name[0] - 'A' + 'a');
        chain.push_back({ root, name, 0, true });
        while (start < folder.size()) {
            std::size_t end = folder.find('\\', start);
            if (end == std::string::npos)
                end = folder.size();
            chain.push_back(
                { folder.substr(0, end), folder.substr(start, end - start), static_cast<int>(chain.size()), true });
            start = end + 1;
        }
        return chain;
    }

} // namespace

std::string FolderTreeWin32::absoluteFolder(std::string_view folder)
{
    const std::wstring wide = win32::toWide(folder);
    if (wide.empty())
        win32::fail(ERROR_PATH_NOT_FOUND, "empty folder path");
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            win32::failLastError("GetFullPathNameW");
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    std::string text = win32::toUtf8(full);
    while (text.size() > rootLength(text) && text.back() == '\\')
        text.pop_back();
    // A drive letter in upper case, as the system writes its roots, so that one folder has one spelling.
    if (text.size() >= 2 && text[1] == ':' && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

FolderTreeWin32::FolderTreeWin32()
{
    try {
        m_workingDirectory = absoluteFolder(currentDirectory());
        const std::string folder = nearestReadable(m_workingDirectory);
        checkReadableFolder(folder);
        rebuild(folder);
        return;
    } catch (const std::exception &) {
    }
    m_path = m_workingDirectory.empty() ? std::string("C:\\")
                                        : m_workingDirectory.substr(0, rootLength(m_workingDirectory));
    m_entries = chainTo(m_path);
    m_current = m_entries.size() - 1;
}

bool FolderTreeWin32::setFolder(std::string_view folder, const std::vector<Drive> &drives)
{
    const std::string target = absoluteFolder(folder);
    checkReadableFolder(target);
    const bool changed = target != m_path;
    rebuild(target);
    if (const auto drive = driveOf(drives, m_path))
        m_lastFolder[drives[*drive].mountPoint] = m_path;
    return changed;
}

std::string FolderTreeWin32::currentFolderOf(const Drive &drive) const
{
    std::string folder = drive.mountPoint;
    if (const auto found = m_lastFolder.find(drive.mountPoint); found != m_lastFolder.end()) {
        folder = found->second;
    } else if (!m_workingDirectory.empty()
        && CompareStringOrdinal(win32::toWide(m_workingDirectory.substr(0, 2)).c_str(), 2,
               win32::toWide(drive.mountPoint.substr(0, 2)).c_str(), 2, TRUE)
            == CSTR_EQUAL) {
        folder = m_workingDirectory;
    } else if (drive.mountPoint.size() >= 2) {
        // The system keeps a current folder for each drive: "D:" names it.
        try {
            folder = absoluteFolder(drive.mountPoint.substr(0, 2));
        } catch (const std::system_error &) {
        }
    }
    return nearestReadable(folder);
}

bool FolderTreeWin32::refresh(const std::vector<Drive> &drives)
{
    const std::string previous = m_path;
    std::string folder = m_path;
    for (;;) {
        try {
            checkReadableFolder(folder);
            rebuild(folder);
            break;
        } catch (const std::system_error &) {
            if (isRoot(folder))
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

void FolderTreeWin32::rebuild(const std::string &folder)
{
    std::vector<Entry> entries = chainTo(folder);
    const std::size_t current = entries.size() - 1;
    const int depth = entries.back().depth + 1;
    listFolder(folder, [&](std::string_view name, bool isFolder) {
        if (isFolder)
            entries.push_back({ childOf(folder, name), std::string(name), depth, false });
    });
    const auto children = entries.begin() + static_cast<std::ptrdiff_t>(current) + 1;
    const std::vector<std::size_t> order = naturalOrder(static_cast<std::size_t>(entries.end() - children),
        [&children](std::size_t i) { return std::string_view(children[static_cast<std::ptrdiff_t>(i)].name); });
    std::vector<Entry> sorted(entries.begin(), children);
    sorted.reserve(entries.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(children[static_cast<std::ptrdiff_t>(i)]));
    m_path = folder;
    m_entries.swap(sorted);
    m_current = current;
}

} // namespace quorrix
