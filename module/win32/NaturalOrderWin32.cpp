// Sort keys on Windows: the system's own collation of the user's locale, digits as numbers, case ignored, as the
// system's file views sort. NaturalOrder.cpp orders names by these keys.
#include "NaturalOrder.h"
#include "win32/WideText.h"

#include <string>
#include <system_error>
#include <windows.h>

namespace quorrix
{

namespace
{

    // The locale whose collation makes the keys: the user's until setNaturalOrderLocale names another.
    std::wstring &collationLocale()
    {
        static std::wstring locale;
        return locale;
    }

    const wchar_t *localeName()
    {
        const std::wstring &locale = collationLocale();
        return locale.empty() ? LOCALE_NAME_USER_DEFAULT : locale.c_str();
    }

} // namespace

void setNaturalOrderLocale(std::string_view locale)
{
    // "ja_JP.UTF-8@mod" names the locale the system calls "ja-JP"; C, POSIX and unknown names get the invariant
    // collation, Unicode's default order.
    std::string name(locale.substr(0, locale.find_first_of(".@")));
    for (char &c : name) {
        if (c == '_')
            c = '-';
    }
    std::wstring wide;
    try {
        wide = win32::toWide(name);
    } catch (const std::system_error &) {
    }
    if (name.empty() || name == "C" || name == "POSIX" || !IsValidLocaleName(wide.c_str()))
        wide = LOCALE_NAME_INVARIANT;
    collationLocale() = wide;
}

void appendNaturalKey(std::string_view name, std::string &keys)
{
    thread_local std::wstring wide;
    thread_local std::string key;
    try {
        wide = win32::toWide(name);
    } catch (const std::system_error &) {
        // Not (W)UTF-8, so no name the system gave: after every text, the bytes decide among such names.
        keys += '\xFF';
        return;
    }
    if (wide.empty())
        return;
    constexpr DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE | SORT_DIGITSASNUMBERS;
    const int length = static_cast<int>(wide.size());
    // One call where the room kept from earlier names suffices, as it does for nearly every name; a second only
    // where the system asks for more.
    if (key.size() < 256)
        key.resize(256);
    int size = LCMapStringEx(localeName(), flags, wide.c_str(), length, reinterpret_cast<LPWSTR>(key.data()),
        static_cast<int>(key.size()), nullptr, nullptr, 0);
    if (size <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        size = LCMapStringEx(localeName(), flags, wide.c_str(), length, nullptr, 0, nullptr, nullptr, 0);
        if (size > 0) {
            key.resize(static_cast<std::size_t>(size));
            size = LCMapStringEx(localeName(), flags, wide.c_str(), length, reinterpret_cast<LPWSTR>(key.data()), size,
                nullptr, nullptr, 0);
        }
    }
    if (size <= 0) {
        keys += '\xFF';
        return;
    }
    // A sort key is a run of bytes that are never zero, ended by one zero byte, which is not kept.
    keys.append(key.data(), static_cast<std::size_t>(size) - 1);
}

} // namespace quorrix
