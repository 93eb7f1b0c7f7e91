// The drive list's drives on Windows: the drive letters, each with its volume label or network share.
#include "FileSystem.h"
#include "Path.h"
#include "win32/WideText.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <windows.h>
#include <winnetwk.h>

namespace quorrix
{

namespace
{

    // How long the list waits for all volume labels together. A drive whose medium is slow to answer (a
    // floppy, an optical drive spinning up, a stalled network volume) is shown without its label rather than
    // holding up the window.
    constexpr std::chrono::milliseconds LabelWait { 300 };

    // The labels being read, shared with the threads that read them: a thread stuck on a slow drive may outlive
    // the list that asked.
    struct Labels {
        std::mutex mutex;
        std::condition_variable done;
        int pending = 0;
        std::wstring label[26];
    };

    std::wstring volumeLabel(const std::wstring &root)
    {
        wchar_t label[MAX_PATH + 1] = {};
        // No "insert a disk" box for an empty drive: the call fails at once instead.
        DWORD oldMode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
        const BOOL read
            = GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
        SetThreadErrorMode(oldMode, nullptr);
        return read ? std::wstring(label) : std::wstring();
    }

    // The share a network drive letter is connected to, from the local connection table: no round trip.
    std::wstring networkShare(wchar_t letter)
    {
        const wchar_t local[] = { letter, L':', 0 };
        wchar_t remote[MAX_PATH + 1] = {};
        DWORD length = MAX_PATH + 1;
        if (WNetGetConnectionW(local, remote, &length) != NO_ERROR)
            return {};
        return remote;
    }

    bool isDriveLetter(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }

    char upper(char c)
    {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }

} // namespace

std::vector<Drive> readDrives()
{
    const DWORD letters = GetLogicalDrives();
    auto labels = std::make_shared<Labels>();
    std::wstring share[26];
    for (int i = 0; i < 26; ++i) {
        if (!(letters & (1u << i)))
            continue;
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        const std::wstring root = { letter, L':', L'\\' };
        // The drive type comes from the system's own table, without asking the medium.
        if (GetDriveTypeW(root.c_str()) == DRIVE_REMOTE) {
            share[i] = networkShare(letter);
            continue;
        }
        {
            const std::lock_guard lock(labels->mutex);
            ++labels->pending;
        }
        std::thread([labels, root, i] {
            std::wstring label = volumeLabel(root);
            const std::lock_guard lock(labels->mutex);
            labels->label[i] = std::move(label);
            if (--labels->pending == 0)
                labels->done.notify_all();
        }).detach();
    }

    std::unique_lock lock(labels->mutex);
    labels->done.wait_for(lock, LabelWait, [&labels] { return labels->pending == 0; });
    std::vector<Drive> drives;
    for (int i = 0; i < 26; ++i) {
        if (!(letters & (1u << i)))
            continue;
        Drive drive;
        drive.mountPoint = { static_cast<char>('A' + i), ':', '\\' };
        drive.text = { static_cast<char>('a' + i), ':' };
        const std::wstring &name = share[i].empty() ? labels->label[i] : share[i];
        if (!name.empty())
            drive.text += " [" + win32::toUtf8(name) + "]";
        drives.push_back(std::move(drive));
    }
    return drives;
}

std::optional<std::size_t> driveOf(const std::vector<Drive> &drives, std::string_view path)
{
    if (path.size() < 2 || !isDriveLetter(path[0]) || path[1] != ':')
        return std::nullopt;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string &root = drives[i].mountPoint;
        if (root.size() >= 2 && upper(root[0]) == upper(path[0]) && root[1] == ':')
            return i;
    }
    return std::nullopt;
}

std::string systemFolderOf(const Drive &drive)
{
    // "D:" names the drive's current folder, which the system keeps per drive (in the variable "=D:").
    const std::wstring letter = win32::toWide(drive.mountPoint.substr(0, 2));
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length
            = GetFullPathNameW(letter.c_str(), static_cast<DWORD>(folder.size()), folder.data(), nullptr);
        if (length == 0)
            return drive.mountPoint;
        if (length < folder.size()) {
            folder.resize(length);
            break;
        }
        folder.resize(length);
    }
    const std::string text = win32::toUtf8(folder);
    const auto held = driveOf({ drive }, text);
    return held ? std::string(path::withoutTrailingSeparators(text)) : drive.mountPoint;
}

} // namespace quorrix
