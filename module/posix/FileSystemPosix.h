// What the file-system layer offers on Linux beside FileSystem.h: the mount table, and the facts learnt about
// each mounted file system.
#pragma once

#include "FileSystem.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

// The drives of a mountinfo table (the format of /proc/self/mountinfo), ordered by mount point; "/" is always
// the first, a mount point or not. Left out: pseudo file systems; mounts below /proc, /sys, /dev and /run, but
// for removable media (/run/media/USER/...) and network shares (/run/user/UID/gvfs); the read-only images of
// installed applications (squashfs below /snap); and a part of a file system bind-mounted over a file, for
// which `isFolderMount` (asked only about such parts) says false. `labelOf` gives a device's volume label, or an
// empty string.
std::vector<Drive> parseMountInfo(std::string_view mountinfo,
    const std::function<std::string(std::string_view device)> &labelOf,
    const std::function<bool(std::string_view mountPoint)> &isFolderMount = {});

// Forgets what was learnt about each device's file system (which one it is, whether it keeps DOS attributes).
// Once the mounts have changed, a device number may belong to another file system; readDrives calls it.
void forgetFileSystems();

} // namespace quorrix
