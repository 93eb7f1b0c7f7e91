#include "FailureText.h"

#include <windows.h>

namespace quorrix
{

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
