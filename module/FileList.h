// The file list: every entry of one folder that is not a folder, in natural order. Never shown.
#pragma once

#include "Controls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorrix
{

class FileList final : public FileListControl
{
public:
    // `maxNameBytes`, the most bytes that the names of one folder may take together, is there for tests; a
    // folder whose names take more is refused.
    explicit FileList(std::uint32_t maxNameBytes = UINT32_MAX)
        : m_maxNameBytes(maxNameBytes)
    {
    }

    const std::string &path() const override { return m_path; }
    // Lists `folder` (a trailing separator is dropped, except a root's). Regular files, links to files,
    // dangling links, devices, FIFOs and sockets are listed, hidden ones too; a link to a folder is a
    // folder and is left out. Throws std::system_error, keeping the previous list, when it cannot be read, and
    // std::length_error when its names take more than 4 GiB together.
    void setPath(std::string_view folder) override;
    std::size_t count() const override { return m_offsets.size() - 1; }
    void select(std::size_t index) override;
    std::string_view fileName() const override;
    void refresh() override;

    std::string_view name(std::size_t index) const override;

private:
    std::uint32_t m_maxNameBytes;
    std::string m_path;
    // Every name back to back, in the list's order; entry i runs from m_offsets[i] to m_offsets[i + 1].
    std::string m_names;
    std::vector<std::uint32_t> m_offsets { 0 };
    std::size_t m_current = SIZE_MAX;
};

} // namespace quorrix
