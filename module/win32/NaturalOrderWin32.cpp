// The order of names on Windows: the system's own comparison in the user's locale, digits as numbers, case
// ignored, as the system's file views sort.
#include "NaturalOrder.h"
#include "win32/WideText.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>
#include <windows.h>

namespace quorrix
{

namespace
{

    // UTF-16 of `name` into `out`, whose capacity is kept from call to call.
    void widen(std::string_view name, std::wstring &out)
    {
        try {
            out = win32::toWide(name);
        } catch (const std::system_error &) {
            // Not (W)UTF-8, so no name the system gave: the bytes decide alone.
            out.clear();
        }
    }

} // namespace

int naturalCompare(std::string_view a, std::string_view b)
{
    thread_local std::wstring wideA, wideB;
    widen(a, wideA);
    widen(b, wideB);
    const int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS, wideA.c_str(),
        static_cast<int>(wideA.size()), wideB.c_str(), static_cast<int>(wideB.size()), nullptr, nullptr, 0);
    if (result == CSTR_LESS_THAN)
        return -1;
    if (result == CSTR_GREATER_THAN)
        return 1;
    const int bytes = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (bytes != 0)
        return bytes < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

NaturalPrefix naturalPrefix(std::string_view)
{
    // Every prefix ties, so naturalCompare decides each comparison.
    return {};
}

} // namespace quorrix
