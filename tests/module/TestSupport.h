// Helpers for tests that work on real folders.
#pragma once

#include "FileSystem.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix::test
{

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    // Absolute path, without a trailing "/".
    const std::string &path() const { return m_path; }
    // path() + "/" + name.
    std::string operator/(std::string_view name) const;

    // Creates a file `name` (relative to path()) holding `size` bytes ("x" repeated); returns its path.
    std::string file(std::string_view name, std::size_t size = 0) const;
    // Creates a folder (and its parents); returns its path.
    std::string folder(std::string_view name) const;

private:
    std::string m_path;
};

// Sets the access and modification times of `path` (links not followed).
void setTimes(const std::string &path, FileTime accessed, FileTime modified);

// Seconds since the epoch of a UTC calendar time.
std::int64_t utcSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sets an environment variable for the life of the guard, then restores it (TZ, LC_ALL ...).
class EnvGuard
{
public:
    EnvGuard(const char *name, const char *value);
    ~EnvGuard();
    EnvGuard(const EnvGuard &) = delete;
    EnvGuard &operator=(const EnvGuard &) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_hadOld;
};

// Appends the UTF-8 form of `c`.
void appendUtf8(std::string &out, char32_t c);

// The bytes a text written by displayText stands for, or nothing when the text holds a malformed escape.
std::optional<std::string> undoDisplayText(std::string_view shown);

// The names of the entries of `folder` that are not folders (links followed), read with the standard library:
// a second opinion on what the file list must hold. Sorted by bytes.
std::vector<std::string> nonFolderNames(const std::string &folder);

// Whether this process may bypass file permissions (root with CAP_DAC_OVERRIDE): permission tests that
// need a refusal skip themselves then.
bool bypassesPermissions();

} // namespace quorrix::test
