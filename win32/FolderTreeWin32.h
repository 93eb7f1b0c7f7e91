// What the directory list shows on Windows: the chain of folders from the drive's root down to the folder
// shown, then its subfolders. The core's FolderTree spells paths with "/" only; this one takes Windows paths
// ("C:\", "C:\Users", "\\server\share") and keeps the same rules otherwise, until the core's tree takes both.
#pragma once

#include "FileSystem.h"
#include "FolderTree.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

class FolderTreeWin32
{
public:
    using Entry = FolderTree::Entry;

    // Shows the working directory, or the nearest folder above it that can be read.
    FolderTreeWin32();

    // The folder shown: absolute and normal, without a trailing "\" except for a drive's root ("C:\").
    const std::string &path() const { return m_path; }
    const std::vector<Entry> &entries() const { return m_entries; }
    std::size_t currentIndex() const { return m_current; }

    // Shows `folder` (relative paths from the working directory, "D:" the system's current folder of D:) and
    // remembers it as its drive's current folder. Returns whether the folder shown changed. Throws
    // std::system_error, leaving everything as it was, unless `folder` is a folder that can be read.
    bool setFolder(std::string_view folder, const std::vector<Drive> &drives);
    // The last folder shown on `drive`; before that, the working directory for its drive and the system's
    // current folder of the drive for the others; the nearest readable folder above it where it cannot be read.
    std::string currentFolderOf(const Drive &drive) const;
    // Reads the subfolders again; when the folder shown is gone, moves to its nearest readable ancestor.
    bool refresh(const std::vector<Drive> &drives);

    // `folder` made absolute and normal, as path() is. Throws std::system_error when it cannot be.
    static std::string absoluteFolder(std::string_view folder);

private:
    void rebuild(const std::string &folder);

    std::string m_path;
    std::string m_workingDirectory;
    std::vector<Entry> m_entries;
    std::size_t m_current = 0;
    std::map<std::string, std::string, std::less<>> m_lastFolder; // drive root -> folder
};

} // namespace quorrix
