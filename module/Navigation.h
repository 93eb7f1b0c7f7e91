// The drive list's and the directory list's behaviour, for any window that shows them: which drive is current,
// which folder is shown, which drive holds it, and how each list goes back when its change event fails.
//
// A window keeps one of each and only draws them: `shown` asks it to draw the current drive or the folder tree
// again, whenever that changes inside a call that also raises the change event, and after a folder that could not
// be shown, since a click may have left the window's own selection on it.
#pragma once

#include "Controls.h"
#include "FileSystem.h"
#include "FolderTree.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

class DriveChooser
{
public:
    // Where the drives come from: the system's mounts, or a fixed set in tests.
    using Source = std::function<std::vector<Drive>()>;

    // Reads the drives and makes current the one holding the working directory (else the first).
    DriveChooser(Source source, std::function<void()> shown);

    void setChangeHandler(ChangeHandler handler) { m_changed = std::move(handler); }
    const std::vector<Drive> &drives() const { return m_drives; }
    // Index of the current drive in drives(); drives().size() when there is none.
    std::size_t current() const { return m_current; }
    // The current drive's text; empty when there is none.
    std::string drive() const;
    // Makes the drive whose text, else whose mount point, is `text` current and raises the change event when
    // that changes the current drive. A failing change event makes the previous drive current again and passes
    // on. Throws std::invalid_argument when no drive matches.
    void setDrive(std::string_view text);
    // Makes current, without the change event, the drive that holds `folder`.
    void showDriveOf(std::string_view folder);
    // Reads the drives again, keeping the current drive while it is mounted, else taking the drive that now
    // holds its mount point; a Windows drive letter that has gone gives way to the drive holding the working
    // directory, else the first.
    void refresh();

private:
    Source m_source;
    std::function<void()> m_shown;
    ChangeHandler m_changed;
    std::vector<Drive> m_drives;
    std::size_t m_current = 0;
};

class FolderChooser
{
public:
    // Shows the working directory. `drives` gives the drives that drive texts and current folders refer to; it
    // must outlive the chooser.
    FolderChooser(const DriveChooser &drives, std::function<void()> shown);

    void setChangeHandler(ChangeHandler handler) { m_changed = std::move(handler); }
    const std::string &path() const { return m_tree.path(); }
    const FolderTree &tree() const { return m_tree; }
    // Shows the folder that `text` stands for (see folderFor) and raises the change event when the folder shown
    // changes. A failing change event puts back the folder shown and each drive's current folder exactly, and
    // passes on. Throws, leaving everything as it was and having the tree drawn again, when that is no folder
    // that can be read.
    void setPath(std::string_view text);
    // Reads the folder tree again (see FolderTree::refresh), without the change event. When not even the root of
    // the folder shown can be read and the drive list has moved to another drive (the folder's drive has gone),
    // shows that drive's current folder as setPath does, raising the change event, then throws why the folder
    // shown could not be read.
    void refresh();

    // The folder `text` stands for. The current drive's text is that drive's current folder, even where a
    // folder of that name exists; any other text that names a folder is that folder, whatever it looks like;
    // another drive's text, or one whose label has changed (its mount point, then " ["), is that drive's
    // current folder; anything else is taken as a path.
    std::string folderFor(std::string_view text) const;

private:
    const DriveChooser &m_drives;
    std::function<void()> m_shown;
    ChangeHandler m_changed;
    FolderTree m_tree;
};

} // namespace quorrix
