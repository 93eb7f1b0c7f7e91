// One reading of each folder for everything that lists it while a snapshot lives: F5 reads the folder shown
// once, for the directory list and the file list alike, instead of once for each.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace quorrix
{

class FolderSnapshot
{
public:
    // Takes effect on this thread until it is destroyed. Snapshots nest; the innermost one keeps the listings.
    FolderSnapshot();
    ~FolderSnapshot();
    FolderSnapshot(const FolderSnapshot &) = delete;
    FolderSnapshot &operator=(const FolderSnapshot &) = delete;

    // Calls `visit(name, isFolder)` for every entry of `folder` as listFolder does. Under a snapshot, a folder
    // listed before under it is not read again: its entries are given as they were read then. Throws as
    // listFolder does; a listing that fails is not kept.
    static void list(std::string_view folder, const std::function<void(std::string_view name, bool isFolder)> &visit);

private:
    // Per folder, each entry as a folder flag ('d' or 'f'), its name and a NUL.
    std::map<std::string, std::string, std::less<>> m_listings;
    FolderSnapshot *m_outer;
};

} // namespace quorrix
