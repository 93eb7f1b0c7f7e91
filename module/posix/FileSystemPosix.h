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

// The drives of a mountinfo table (the format of /proc/self/mountinfo), pseudo file systems and mounts below
// /proc, /sys, /dev and /run left out, ordered by mount point; "/" is always the first, a mount point or not.
// `labelOf` gives a device's volume label, or an empty string.
std::vector<Drive> parseMountInfo(
    std::string_view mountinfo, const std::function<std::string(std::string_view device)> &labelOf);

// Forgets what was learnt about each device's file system (which one it is, whether it keeps DOS attributes).
// Once the mounts have changed, a device number may belong to another file system; readDrives calls it.
void forgetFileSystems();

} // namespace quorrix
