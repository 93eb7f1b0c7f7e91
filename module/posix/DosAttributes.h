// DOS attribute bits on Linux: from the file system's own record where it keeps one (FAT, NTFS, SMB, or a
// compatibility layer's user.DOSATTRIB), else formed from the entry; and NTFS birth times that statx lacks.
#pragma once

#include "FileSystem.h"
#include "posix/Entry.h"

#include <cstdint>
#include <optional>

namespace quorrix::posix
{

// The attribute value of an entry whose (resolved) status gave `mode` and `device`.
int attributesOf(const Entry &entry, std::uint32_t mode, std::uint64_t device);

// An NTFS birth time where statx gives none: ntfs-3g keeps it in an xattr, in 100-ns intervals since
// 1601-01-01 UTC. Asked only of NTFS devices, and of each only until it turns out not to have it.
std::optional<FileTime> ntfsBirthTime(const Entry &entry, std::uint64_t device);

} // namespace quorrix::posix
