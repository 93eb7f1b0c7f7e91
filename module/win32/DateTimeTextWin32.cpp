// Date-time text on Windows: the user's short date and long time, as the system formats them, in the local time
// of each date's own offset.
#include "DateTimeText.h"
#include "win32/WideText.h"

#include <cstdlib>
#include <windows.h>

namespace quorrix
{

namespace
{

    constexpr std::int64_t TicksPerSecond = 10'000'000;
    constexpr std::int64_t SecondsFrom1601To1970 = 11'644'473'600;
    // SYSTEMTIME ends with the year 30827.
    constexpr std::int64_t LastSecond = 910'692'730'085LL;

    // "ja_JP.UTF-8" -> "ja-JP"; the C and POSIX locales and an empty name leave the user's own locale.
    std::wstring localeName(std::string_view name)
    {
        name = name.substr(0, name.find_first_of(".@"));
        if (name.empty() || name == "C" || name == "POSIX")
            return {};
        std::wstring wide;
        for (const char c : name)
            wide += c == '_' ? L'-' : static_cast<wchar_t>(static_cast<unsigned char>(c));
        return IsValidLocaleName(wide.c_str()) ? wide : std::wstring();
    }

    std::string localeInfo(const wchar_t *locale, LCTYPE type)
    {
        wchar_t buffer[128];
        const int length = GetLocaleInfoEx(locale, type, buffer, 128);
        return length > 0 ? win32::toUtf8(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                          : std::string();
    }

} // namespace

struct DateTimeText::Compiled {
    std::wstring locale; // empty: the user's locale
    const wchar_t *name() const { return locale.empty() ? LOCALE_NAME_USER_DEFAULT : locale.c_str(); }
    // The text of the last day written: the files of a folder share few days.
    WORD year = 0, month = 0, day = 0;
    std::string dateText;
};

DateTimeText::DateTimeText(std::string_view locale)
    : m_locale(locale)
    , m_compiled(std::make_unique<Compiled>())
{
    m_compiled->locale = localeName(locale);
    m_datePattern = localeInfo(m_compiled->name(), LOCALE_SSHORTDATE);
    m_timePattern = localeInfo(m_compiled->name(), LOCALE_STIMEFORMAT);
}

DateTimeText::~DateTimeText() = default;

std::string DateTimeText::localeFromEnvironment()
{
    // The user's locale is the system's setting, not the environment's.
    return {};
}

void DateTimeText::format(FileTime time, std::string &out) const
{
    out.clear();
    if (time.seconds < -SecondsFrom1601To1970 || time.seconds > LastSecond)
        win32::fail(ERROR_INVALID_PARAMETER, "time outside the calendar");
    const auto ticks = static_cast<std::uint64_t>((time.seconds + SecondsFrom1601To1970) * TicksPerSecond);
    const FILETIME fileTime { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    SYSTEMTIME utc, local;
    // The offset in force on that date, not today's: FileTimeToLocalFileTime would put a winter file an hour off
    // in summer.
    if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        win32::failLastError("SystemTimeToTzSpecificLocalTime");
    local.wMilliseconds = 0;

    wchar_t buffer[128];
    Compiled &compiled = *m_compiled;
    if (compiled.dateText.empty() || compiled.year != local.wYear || compiled.month != local.wMonth
        || compiled.day != local.wDay) {
        const int length = GetDateFormatEx(compiled.name(), DATE_SHORTDATE, &local, nullptr, buffer, 128, nullptr);
        if (length == 0)
            win32::failLastError("GetDateFormatEx");
        compiled.dateText = win32::toUtf8(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
        compiled.year = local.wYear;
        compiled.month = local.wMonth;
        compiled.day = local.wDay;
    }
    out += compiled.dateText;

    if (local.wHour == 0 && local.wMinute == 0 && local.wSecond == 0)
        return;
    const int length = GetTimeFormatEx(compiled.name(), 0, &local, nullptr, buffer, 128);
    if (length == 0)
        win32::failLastError("GetTimeFormatEx");
    out += ' ';
    out += win32::toUtf8(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

std::string DateTimeText::format(FileTime time) const
{
    std::string text;
    format(time, text);
    return text;
}

} // namespace quorrix
