#include "FolderSnapshot.h"

#include "ChangeProgress.h"
#include "FileSystem.h"

#include <cstring>

namespace quorrix
{

namespace
{

    thread_local FolderSnapshot *innermostSnapshot = nullptr;

    // Entries read between two reports to the change's progress.
    constexpr std::size_t ProgressStep = 1024;

} // namespace

FolderSnapshot::FolderSnapshot()
    : m_outer(innermostSnapshot)
{
    innermostSnapshot = this;
}

FolderSnapshot::~FolderSnapshot()
{
    innermostSnapshot = m_outer;
}

void FolderSnapshot::list(
    std::string_view folder, const std::function<void(std::string_view name, bool isFolder)> &visit)
{
    FolderSnapshot *snapshot = innermostSnapshot;
    if (snapshot) {
        if (const auto kept = snapshot->m_listings.find(folder); kept != snapshot->m_listings.end()) {
            // Names hold no NUL, so each ends at the next one.
            const std::string &entries = kept->second;
            for (std::size_t at = 0; at < entries.size();) {
                const std::size_t length = std::strlen(entries.c_str() + at + 1);
                visit(std::string_view(entries).substr(at + 1, length), entries[at] == 'd');
                at += length + 2;
            }
            return;
        }
    }
    // Kept for the snapshot's later readings, when there is one.
    std::string entries;
    std::size_t read = 0;
    listFolder(folder, [&](std::string_view name, bool isFolder) {
        if (snapshot) {
            entries += isFolder ? 'd' : 'f';
            entries.append(name);
            entries += '\0';
        }
        visit(name, isFolder);
        if (++read % ProgressStep == 0)
            ChangeProgress::reading(read);
    });
    if (snapshot)
        snapshot->m_listings.emplace(std::string(folder), std::move(entries));
}

} // namespace quorrix
