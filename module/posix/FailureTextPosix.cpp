#include "FailureText.h"

#include <cerrno>

namespace quorrix
{

std::string systemWords(const std::error_code &code)
{
    return code.message();
}

Reason systemReason(const std::error_code &code)
{
    if (code.category() != std::generic_category() && code.category() != std::system_category())
        return Reason::Other;
    switch (code.value()) {
    case ENOMEDIUM:
        return Reason::NoMedium;
    case ESTALE:
    case EHOSTDOWN:
        return Reason::Disconnected;
    default:
        return Reason::Other;
    }
}

} // namespace quorrix
