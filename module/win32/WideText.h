// Text at the boundary to the Windows API: UTF-8 inside the program, UTF-16 at every system call, and the
// error a failed call leaves behind.
#pragma once

#include <string>
#include <string_view>

namespace quorrix::win32
{

// UTF-16 as WTF-8: a surrogate that has no partner becomes the three bytes of its code point, so that a name
// the system returns travels as text and reaches the system again unit for unit.
std::string toUtf8(std::wstring_view text);
// The same, appended to `out`.
void appendUtf8(std::string &out, std::wstring_view text);

// WTF-8 (and so UTF-8) to UTF-16. Throws std::system_error (ERROR_NO_UNICODE_TRANSLATION) for bytes that
// are neither, and ERROR_INVALID_NAME for a NUL, which would cut the text short at the system.
std::wstring toWide(std::string_view text);

// The path the system is handed for `path`: an absolute path ("C:\...", "\\server\share\...") in the "\\?\"
// form, so that it may be longer than MAX_PATH and that names ending in a dot or a blank, or named like a
// device ("CON", "aux.txt"), reach the file system as they are. "/" counts as "\", "." and ".." are resolved
// and doubled separators dropped, as the system itself would. Any other path goes as it is.
std::wstring systemPath(std::string_view path);

// Throws std::system_error with the calling thread's last Windows error, in std::system_category().
[[noreturn]] void failLastError(const char *what);
[[noreturn]] void fail(unsigned long error, const char *what);

} // namespace quorrix::win32
