#include "FailureText.h"

#include <windows.h>

#include <string>

namespace quorrix
{

std::string systemWords(const std::error_code &code)
{
    // The library's message for a system code is in the ANSI code page; the system gives it in UTF-16 too.
    if (code.category() != std::system_category())
        return code.message();
    wchar_t *text = nullptr;
    const DWORD length
        = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(code.value()), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string words;
    if (length != 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        words.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        if (size > 0)
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), words.data(), size, nullptr, nullptr);
    }
    LocalFree(text);
    // The system ends its messages with a line break (and some with a full stop before it).
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
        words.pop_back();
    return words.empty() ? code.message() : words;
}

Reason systemReason(const std::error_code &code)
{
    // GetLastError's codes, for the reasons the library does not map to a portable meaning.
    if (code.category() != std::system_category())
        return Reason::Other;
    switch (static_cast<DWORD>(code.value())) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return Reason::Denied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return Reason::NotFound;
    case ERROR_DIRECTORY:
        return Reason::NotAFolder;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_SECTOR_NOT_FOUND:
        return Reason::InputOutput;
    case ERROR_CANT_RESOLVE_FILENAME:
        return Reason::LinkLoop;
    case ERROR_FILENAME_EXCED_RANGE:
        return Reason::NameTooLong;
    case ERROR_NOT_READY:
        return Reason::NoMedium;
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_DEV_NOT_EXIST:
        return Reason::Disconnected;
    default:
        return Reason::Other;
    }
}

} // namespace quorrix
