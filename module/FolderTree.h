// What the directory list shows: the chain of folders from the root down to the folder shown, then its subfolders.
#pragma once

#include "FileSystem.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

class FolderTree
{
public:
    struct Entry {
        std::string path; // full path
        std::string name; // last component; the root itself for the root
        int depth = 0; // indentation steps
        bool open = false; // on the chain to the folder shown (open-folder icon)
    };

    // Shows the working directory, or the nearest folder above it that can be read.
    FolderTree();

    // The folder shown: absolute, normal, no trailing separator except a root's. A ".." after a link to a folder
    // stands for the parent of the link's target, as for the system; any other ".." is taken lexically.
    const std::string &path() const { return m_path; }
    const std::vector<Entry> &entries() const { return m_entries; }
    // Index in entries() of the folder shown.
    std::size_t currentIndex() const { return m_current; }

    // Shows `folder` (relative paths are taken from the working directory) and remembers it as the current
    // folder of the drive in `drives` that holds it. Returns whether the folder shown changed. Throws
    // std::system_error, leaving everything as it was, unless `folder` is a folder that can be read.
    bool setFolder(std::string_view folder, const std::vector<Drive> &drives);

    // The current folder of `drive`: the last folder shown on it; before that, the working directory for the
    // drive that holds it and the system's own current folder of any other drive (systemFolderOf). When that folder cannot be read (deleted,
    // unmounted beneath, no permission), the nearest folder above it on the drive that can; the mount point
    // when none can.
    std::string currentFolderOf(const Drive &drive, const std::vector<Drive> &drives) const;

    // Reads the subfolders again. When the folder shown is gone or unreadable, moves to its nearest ancestor
    // that can be read and returns true. Throws when not even its root can be read.
    bool refresh(const std::vector<Drive> &drives);

private:
    void rebuild(const std::string &folder);

    std::string m_path;
    std::string m_workingDirectory;
    std::vector<Entry> m_entries;
    std::size_t m_current = 0;
    std::map<std::string, std::string, std::less<>> m_lastFolder; // mount point -> folder
};

} // namespace quorrix
