// The file-system layer on Windows: the W functions only, paths in the "\\?\" form, one FindFirstFileExW
// listing per folder.
#include "FileSystem.h"
#include "win32/WideText.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>
#include <windows.h>

namespace quorrix
{

using win32::fail;
using win32::failLastError;
using win32::systemPath;
using win32::toUtf8;
using win32::toWide;

namespace
{

    // The bits the attribute value is reported with: read-only, hidden, system, volume, directory, archive,
    // reparse point and compressed. The others (normal, sparse, not indexed, offline ...) would only turn a
    // plain "archive" into a value without a mark.
    constexpr DWORD AttributeBits = 0x0C3F;

    // FILETIME counts 100 ns from 1601-01-01 UTC.
    constexpr std::int64_t TicksPerSecond = 10'000'000;
    constexpr std::int64_t SecondsFrom1601To1970 = 11'644'473'600;

    // A time the file system does not keep (a FAT volume's creation time, say) is left as zero.
    std::optional<FileTime> fileTime(const FILETIME &time)
    {
        const std::int64_t ticks
            = static_cast<std::int64_t>(static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
        if (ticks == 0)
            return std::nullopt;
        return FileTime { ticks / TicksPerSecond - SecondsFrom1601To1970,
            static_cast<std::uint32_t>(ticks % TicksPerSecond * 100) };
    }

    std::int64_t size(DWORD high, DWORD low)
    {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(high) << 32 | low);
    }

    FileObject::Kind kindOf(DWORD attributes)
    {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return FileObject::Kind::Folder;
        if (attributes & FILE_ATTRIBUTE_DEVICE)
            return FileObject::Kind::Other;
        return FileObject::Kind::File;
    }

    FileObject fileObject(DWORD attributes, const FILETIME &created, const FILETIME &accessed, const FILETIME &written,
        DWORD sizeHigh, DWORD sizeLow)
    {
        return FileObject(static_cast<int>(attributes & AttributeBits), kindOf(attributes), size(sizeHigh, sizeLow),
            fileTime(created), fileTime(accessed), fileTime(written));
    }

    // An entry's times and size as a listing gives them, kept with its attributes.
    struct ListedTimes {
        FILETIME created, accessed, written;
        DWORD sizeHigh, sizeLow;
    };

    FileObject fileObject(DWORD attributes, const ListedTimes &times)
    {
        return fileObject(attributes, times.created, times.accessed, times.written, times.sizeHigh, times.sizeLow);
    }

    bool isDotOrDotDot(const wchar_t *name)
    {
        return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
    }

    bool isSeparator(char c)
    {
        return c == '\\' || c == '/';
    }

    // The last component of `path`: what follows the last separator, or the drive ("C:").
    std::size_t lastComponentAt(std::string_view path)
    {
        const std::size_t separator = path.find_last_of("\\/");
        if (separator != std::string_view::npos)
            return separator + 1;
        return path.size() >= 2 && path[1] == ':' ? 2 : 0;
    }

    struct FindCloser {
        void operator()(HANDLE handle) const { FindClose(handle); }
    };
    using FindHandle = std::unique_ptr<void, FindCloser>;

    // Starts a listing of the entries that match `pattern` (a folder and "*", or a name with wildcards). An
    // empty handle means that nothing matched, which a drive's empty root gives even for "*".
    FindHandle findFirst(const std::wstring &pattern, WIN32_FIND_DATAW &data)
    {
        HANDLE handle = FindFirstFileExW(
            pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                return nullptr;
            failLastError("FindFirstFileExW");
        }
        return FindHandle(handle);
    }

    // Calls `visit` for each entry of `folder` but "." and "..".
    template<typename Visit>
    void forEachEntry(std::string_view folder, Visit visit)
    {
        std::wstring pattern = systemPath(folder);
        if (!pattern.ends_with(L'\\'))
            pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW data;
        const FindHandle handle = findFirst(pattern, data);
        if (!handle) {
            // Only a root has no "." to find: anything else that matches nothing is not a folder.
            const DWORD attributes = GetFileAttributesW(systemPath(folder).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                failLastError("GetFileAttributesW");
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                fail(ERROR_DIRECTORY, "not a folder");
            return;
        }
        do {
            if (!isDotOrDotDot(data.cFileName))
                visit(data);
        } while (FindNextFileW(handle.get(), &data));
        if (GetLastError() != ERROR_NO_MORE_FILES)
            failLastError("FindNextFileW");
    }

    bool admits(DWORD attributes, unsigned admitted)
    {
        if ((attributes & FILE_ATTRIBUTE_HIDDEN) && !(admitted & SearchHidden))
            return false;
        if ((attributes & FILE_ATTRIBUTE_SYSTEM) && !(admitted & SearchSystem))
            return false;
        return !(attributes & FILE_ATTRIBUTE_DIRECTORY) || (admitted & SearchFolder);
    }

    std::optional<std::string> search(std::string_view pattern, unsigned admitted)
    {
        if (pattern.empty())
            return std::nullopt;
        // A trailing separator asks for a folder by its name, as the system reads it; a root keeps its own.
        std::string_view named = pattern;
        while (named.size() > 1 && isSeparator(named.back()) && !(named.size() == 3 && named[1] == ':'))
            named.remove_suffix(1);
        const std::string_view name = named.substr(lastComponentAt(named));
        if (name.find_first_of("*?") == std::string_view::npos) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (!GetFileAttributesExW(systemPath(pattern).c_str(), GetFileExInfoStandard, &data))
                return std::nullopt;
            // A drive's root carries the hidden and system bits on NTFS; as the argument it is a folder like
            // any other.
            if (name.empty() || (name.size() == 2 && name[1] == ':'))
                return (admitted & SearchFolder) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? std::optional(std::string(pattern))
                    : std::nullopt;
            if (!admits(data.dwFileAttributes, admitted))
                return std::nullopt;
            return std::string(name);
        }

        // The system's own matching of * and ?, short names included, is the rule.
        WIN32_FIND_DATAW data;
        const FindHandle handle = findFirst(systemPath(pattern), data);
        if (!handle)
            return std::nullopt;
        do {
            if (!isDotOrDotDot(data.cFileName) && admits(data.dwFileAttributes, admitted))
                return toUtf8(data.cFileName);
        } while (FindNextFileW(handle.get(), &data));
        return std::nullopt;
    }

} // namespace

// A listed folder: each entry's status as the listing gave it, found by name. Compact, for a folder may hold
// millions of entries in a 32-bit process: 40 bytes of status an entry, the names back to back, and a table of
// entry numbers open-addressed by the name's hash. Entries and names are kept in blocks that never move, so that
// a growing listing neither leaves room unused at its end nor holds an old copy beside a new one, and each block
// is large enough (over half a megabyte) for the heap to give it pages of its own, which go back to the system when
// it is freed rather than stay in the heap. Read-only once made, but for a fill's statuses (keepInListOrder).
struct OpenFolder::Data {
    struct Entry {
        std::uint32_t nameAt; // block number << NameBlockBits | offset in the block
        std::uint16_t nameLength;
        std::uint16_t attributes; // the low 16 bits: every bit the status is reported with
        ListedTimes times;
    };
    static_assert(sizeof(Entry) == 40);
    static constexpr unsigned EntryBlockBits = 14;
    static constexpr std::uint32_t EntryBlock = 1u << EntryBlockBits;
    // A block of names holds whole names; one name takes at most 255 UTF-16 units, 765 bytes.
    static constexpr unsigned NameBlockBits = 20;
    static constexpr std::size_t NameBlock = std::size_t(1) << NameBlockBits;

    // An entry's status without its name, kept in the order of the list a fill was opened for.
    struct Status {
        std::uint16_t attributes;
        ListedTimes times;
    };
    static_assert(sizeof(Status) == 36);

    std::string prefix; // the folder's path ending in one separator, as the paths of its entries begin
    std::vector<std::unique_ptr<Entry[]>> entryBlocks;
    std::vector<std::string> nameBlocks;
    std::uint32_t count = 0;
    std::vector<std::uint32_t> slots; // entry number + 1 at the first free slot from the name's hash; 0 is free

    // In the list's order, once the listing's names are gone: blocks of EntryBlock statuses, each freed once
    // every entry of it is done.
    std::vector<std::unique_ptr<Status[]>> listBlocks;
    std::unique_ptr<std::atomic<std::uint32_t>[]> listPending; // per block, its entries not done yet
    std::size_t listCount = 0;

    static std::string prefixOf(std::string_view folder)
    {
        std::string prefix(folder);
        if (prefix.empty() || !isSeparator(prefix.back()))
            prefix += '\\';
        return prefix;
    }

    // Keeps the entry that the listing found, and gives its name.
    std::string_view add(const WIN32_FIND_DATAW &data)
    {
        if (count >= UINT32_MAX / 2 || nameBlocks.size() >= (std::size_t(1) << (32 - NameBlockBits)))
            throw std::length_error("folder too large to keep");
        if (nameBlocks.empty() || nameBlocks.back().size() + 3 * MAX_PATH > NameBlock) {
            nameBlocks.emplace_back().reserve(NameBlock);
        }
        std::string &names = nameBlocks.back();
        const std::size_t at = names.size();
        win32::appendUtf8(names, data.cFileName);
        if (names.size() - at > UINT16_MAX || names.size() > NameBlock)
            throw std::length_error("name too long to keep");
        if (count % EntryBlock == 0)
            entryBlocks.push_back(std::make_unique_for_overwrite<Entry[]>(EntryBlock));
        entryBlocks.back()[count % EntryBlock] = {
            static_cast<std::uint32_t>((nameBlocks.size() - 1) << NameBlockBits | at),
            static_cast<std::uint16_t>(names.size() - at), static_cast<std::uint16_t>(data.dwFileAttributes),
            { data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow }
        };
        ++count;
        return std::string_view(names).substr(at);
    }

    const Entry &entry(std::uint32_t i) const { return entryBlocks[i >> EntryBlockBits][i & (EntryBlock - 1)]; }

    // Makes the table of names, once every entry is added.
    void index()
    {
        // At most two thirds full, so that a search for a name that is not there ends soon.
        std::size_t size = 16;
        while (size < count + count / 2)
            size *= 2;
        slots.assign(size, 0);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::size_t at = std::hash<std::string_view>()(name(entry(i))) & (size - 1);
            while (slots[at] != 0)
                at = (at + 1) & (size - 1);
            slots[at] = i + 1;
        }
    }

    // Keeps the status of the list's entries in its order, when the listing holds each of them, and frees the
    // listing's names and its own order: a fill reads the statuses in the list's order and lets them go as it
    // goes, so that they do not stay beside the table that it fills. Otherwise the listing stays as it is. Each
    // entry is found first and the names and their table freed, before the statuses are copied: the copy is
    // made beside the listing's entries alone.
    void keepInListOrder(std::size_t entries, const std::function<std::string_view(std::size_t)> &listName)
    {
        std::vector<std::uint32_t> listed(entries); // entry number + 1
        for (std::size_t i = 0; i < entries; ++i) {
            listed[i] = numberOf(listName(i));
            if (listed[i] == 0)
                return;
        }
        std::vector<std::string>().swap(nameBlocks);
        std::vector<std::uint32_t>().swap(slots);

        const std::size_t blocks = (entries + EntryBlock - 1) / EntryBlock;
        std::vector<std::unique_ptr<Status[]>> statuses(blocks);
        for (std::size_t i = 0; i < entries; ++i) {
            if (i % EntryBlock == 0)
                statuses[i / EntryBlock] = std::make_unique_for_overwrite<Status[]>(EntryBlock);
            const Entry &found = entry(listed[i] - 1);
            statuses[i / EntryBlock][i % EntryBlock] = { found.attributes, found.times };
        }
        auto pending = std::make_unique<std::atomic<std::uint32_t>[]>(blocks);
        for (std::size_t block = 0; block < blocks; ++block)
            pending[block]
                = static_cast<std::uint32_t>(std::min<std::size_t>(EntryBlock, entries - block * EntryBlock));
        listBlocks.swap(statuses);
        listPending = std::move(pending);
        listCount = entries;
        std::vector<std::unique_ptr<Entry[]>>().swap(entryBlocks);
        count = 0;
    }

    std::string_view name(const Entry &entry) const
    {
        return std::string_view(nameBlocks[entry.nameAt >> NameBlockBits])
            .substr(entry.nameAt & (NameBlock - 1), entry.nameLength);
    }

    // The number + 1 of the entry named `wanted`, or 0.
    std::uint32_t numberOf(std::string_view wanted) const
    {
        if (slots.empty())
            return 0;
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = std::hash<std::string_view>()(wanted) & mask; slots[at] != 0; at = (at + 1) & mask) {
            if (name(entry(slots[at] - 1)) == wanted)
                return slots[at];
        }
        return 0;
    }

    const Entry *find(std::string_view wanted) const
    {
        const std::uint32_t number = numberOf(wanted);
        return number == 0 ? nullptr : &entry(number - 1);
    }
};

namespace
{

    // The listing that this thread's last listFolder made, with each entry's status, until an OpenFolder of the
    // same folder takes it over: a fill follows the file list's reading of its folder.
    std::unique_ptr<OpenFolder::Data> &lastListing()
    {
        thread_local std::unique_ptr<OpenFolder::Data> listing;
        return listing;
    }

    // The listed status of `path` when it names an entry directly in the innermost listed folder.
    std::optional<FileObject> listed(std::string_view path)
    {
        const OpenFolder::Data *open = FolderScope::innermost();
        if (!open || path.size() <= open->prefix.size() || !path.starts_with(open->prefix))
            return std::nullopt;
        const std::string_view name = path.substr(open->prefix.size());
        if (name.find_first_of("\\/") != std::string_view::npos)
            return std::nullopt;
        const OpenFolder::Data::Entry *entry = open->find(name);
        if (!entry)
            return std::nullopt;
        return fileObject(entry->attributes, entry->times);
    }

} // namespace

OpenFolder::OpenFolder(std::string_view folder)
{
    std::unique_ptr<Data> &last = lastListing();
    std::unique_ptr<Data> taken = std::move(last);
    if (folder.empty())
        return;
    if (taken && taken->prefix == Data::prefixOf(folder)) {
        taken->index();
        m_data = std::move(taken);
        return;
    }
    taken.reset();
    auto data = std::make_unique<Data>();
    try {
        forEachEntry(folder, [&data](const WIN32_FIND_DATAW &found) { data->add(found); });
    } catch (const std::exception &) {
        return; // queries ask the system, as without an open folder
    }
    data->prefix = Data::prefixOf(folder);
    data->index();
    m_data = std::move(data);
}

OpenFolder::OpenFolder(
    std::string_view folder, std::size_t count, const std::function<std::string_view(std::size_t)> &name)
    : OpenFolder(folder)
{
    if (m_data && count > 0)
        m_data->keepInListOrder(count, name);
}

OpenFolder::~OpenFolder() = default;

std::optional<FileObject> OpenFolder::listed(std::size_t index) const
{
    if (!m_data || index >= m_data->listCount)
        return std::nullopt;
    const Data::Status &status = m_data->listBlocks[index / Data::EntryBlock][index % Data::EntryBlock];
    return fileObject(status.attributes, status.times);
}

void OpenFolder::done(std::size_t first, std::size_t end) const
{
    if (!m_data)
        return;
    end = std::min(end, m_data->listCount);
    while (first < end) {
        const std::size_t block = first / Data::EntryBlock;
        const std::size_t upTo = std::min(end, (block + 1) * Data::EntryBlock);
        const auto entries = static_cast<std::uint32_t>(upTo - first);
        // The last thread to finish with a block frees it.
        if (m_data->listPending[block].fetch_sub(entries) == entries)
            m_data->listBlocks[block].reset();
        first = upTo;
    }
}

std::optional<std::string> findFirstFile(std::string_view pattern, unsigned admitted)
{
    try {
        return search(pattern, admitted);
    } catch (...) {
        return std::nullopt;
    }
}

FileObject FileSystemObject::GetFile(std::string_view path) const
{
    if (std::optional<FileObject> file = listed(path))
        return *file;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(systemPath(path).c_str(), GetFileExInfoStandard, &data))
        failLastError("GetFileAttributesExW");
    return fileObject(data.dwFileAttributes, data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime,
        data.nFileSizeHigh, data.nFileSizeLow);
}

std::int64_t fileLength(std::string_view path)
{
    return FileSystemObject().GetFile(path).Size();
}

void listFolder(std::string_view folder, const std::function<void(std::string_view name, bool isFolder)> &visit)
{
    std::unique_ptr<OpenFolder::Data> &last = lastListing();
    last.reset();
    auto listing = std::make_unique<OpenFolder::Data>();
    forEachEntry(folder, [&](const WIN32_FIND_DATAW &data) {
        const std::string_view name = listing->add(data);
        // A link to a folder is listed as a folder with a reparse point, as a folder should be.
        visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    });
    // Names are looked up only once a fill takes the listing over: the table of them is made then, not while
    // the file list orders the names.
    listing->prefix = OpenFolder::Data::prefixOf(folder);
    last = std::move(listing);
}

void checkReadableFolder(std::string_view path)
{
    std::wstring pattern = systemPath(path);
    if (!pattern.ends_with(L'\\'))
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    if (!findFirst(pattern, data) && !isFolder(path))
        fail(ERROR_DIRECTORY, "not a folder");
}

bool isFolder(std::string_view path)
{
    try {
        const DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    } catch (const std::system_error &) {
        return false;
    }
}

std::string currentDirectory()
{
    std::wstring directory(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
        if (length == 0)
            failLastError("GetCurrentDirectoryW");
        if (length < directory.size()) {
            directory.resize(length);
            return toUtf8(directory);
        }
        directory.resize(length);
    }
}

} // namespace quorrix
