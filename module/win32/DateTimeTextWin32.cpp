// Date-time text on Windows: the user's short date and long time, in the local time of each date's own offset. The
// locale's patterns are read once and compiled into fields where their letters allow, a day's date text and its
// offset from UTC kept per day; a pattern with names, eras or another calendar is left to the system's formatter.
#include "DatePattern.h"
#include "DateTimeText.h"
#include "LocalDays.h"
#include "win32/WideText.h"

#include <array>
#include <limits>
#include <optional>
#include <vector>
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

    FILETIME fileTimeOf(std::int64_t seconds)
    {
        const auto ticks = static_cast<std::uint64_t>((seconds + SecondsFrom1601To1970) * TicksPerSecond);
        return { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    }

    // The fields of a pattern in Windows' letters (d, dd, M, MM, yy, yyyy, h, hh, H, HH, m, mm, s, ss, t, tt; text
    // in quotes, "''" being one quote), or nothing where it holds anything else: day and month names, eras, the
    // one-digit year. `shortMarker` is set when the pattern asks for the time marker's first character ("t").
    std::optional<std::vector<Field>> compileWindowsPattern(std::string_view pattern, bool &shortMarker)
    {
        bool fullMarker = false;
        shortMarker = false;
        return compileFields(pattern, [&](char c, std::size_t count) -> std::optional<Field> {
            Field::Kind kind;
            std::size_t digits = count;
            switch (c) {
            case 'd':
                kind = Field::Kind::Day;
                break;
            case 'M':
                kind = Field::Kind::Month;
                break;
            case 'y':
                if (count == 1 || count == 3)
                    return std::nullopt;
                kind = Field::Kind::Year;
                digits = count == 2 ? 2 : 4;
                break;
            case 'h':
                kind = Field::Kind::Hour1To12;
                break;
            case 'H':
                kind = Field::Kind::Hour0To23;
                break;
            case 'm':
                kind = Field::Kind::Minute;
                break;
            case 's':
                kind = Field::Kind::Second;
                break;
            case 't':
                kind = Field::Kind::AmPm;
                (count == 1 ? shortMarker : fullMarker) = true;
                break;
            default:
                return std::nullopt;
            }
            if (count > (c == 'y' ? 5u : 2u) || (shortMarker && fullMarker))
                return std::nullopt;
            return Field { kind, static_cast<std::uint8_t>(digits), {} };
        });
    }

    // The first character of a marker, a pair of UTF-16 surrogates kept whole.
    std::string firstCharacter(const std::string &marker)
    {
        std::size_t length = marker.empty() ? 0 : 1;
        while (length < marker.size() && (static_cast<unsigned char>(marker[length]) & 0xC0) == 0x80)
            ++length;
        return marker.substr(0, length);
    }

} // namespace

std::int64_t localOffsetAt(std::int64_t seconds)
{
    if (seconds < -SecondsFrom1601To1970 || seconds > LastSecond)
        return 0;
    const FILETIME time = fileTimeOf(seconds);
    SYSTEMTIME utc, local;
    FILETIME localTime;
    if (!FileTimeToSystemTime(&time, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)
        || !SystemTimeToFileTime(&local, &localTime))
        return 0;
    const auto ticks = [](const FILETIME &t) {
        return static_cast<std::int64_t>(std::uint64_t { t.dwHighDateTime } << 32 | t.dwLowDateTime);
    };
    return (ticks(localTime) - ticks(time)) / TicksPerSecond;
}

struct DateTimeText::Compiled {
    std::wstring locale; // empty: the user's locale
    const wchar_t *name() const { return locale.empty() ? LOCALE_NAME_USER_DEFAULT : locale.c_str(); }
    // Whether the patterns are written by the fields below, else by the system.
    bool fields = false;
    CompiledPattern date, time;
    OffsetCache offsets;
    // Date texts already written, by local day number, direct-mapped: a folder's files share few days.
    struct Day {
        std::int64_t day = std::numeric_limits<std::int64_t>::min();
        std::string text;
    };
    std::array<Day, 2048> days {};
};

DateTimeText::DateTimeText(std::string_view locale)
    : m_locale(locale)
    , m_compiled(std::make_unique<Compiled>())
{
    Compiled &compiled = *m_compiled;
    compiled.locale = localeName(locale);
    m_datePattern = localeInfo(compiled.name(), LOCALE_SSHORTDATE);
    m_timePattern = localeInfo(compiled.name(), LOCALE_STIMEFORMAT);

    // Numbers of days and months are the Gregorian calendar's only in its own variants.
    DWORD calendar = 0;
    GetLocaleInfoEx(compiled.name(), LOCALE_ICALENDARTYPE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&calendar),
        sizeof calendar / sizeof(wchar_t));
    const bool gregorian = calendar == CAL_GREGORIAN || calendar == CAL_GREGORIAN_US
        || (calendar >= CAL_GREGORIAN_ME_FRENCH && calendar <= CAL_GREGORIAN_XLIT_FRENCH);
    bool dateShort = false, timeShort = false;
    std::optional<std::vector<Field>> date = compileWindowsPattern(m_datePattern, dateShort);
    std::optional<std::vector<Field>> time = compileWindowsPattern(m_timePattern, timeShort);
    const std::string am = localeInfo(compiled.name(), LOCALE_S1159);
    const std::string pm = localeInfo(compiled.name(), LOCALE_S2359);
    if (!gregorian || !date || !time || dateShort || m_datePattern.find('t') != std::string::npos)
        return;
    compiled.date.assign(std::move(*date));
    if (timeShort)
        compiled.time.assign(std::move(*time), firstCharacter(am), firstCharacter(pm));
    else
        compiled.time.assign(std::move(*time), am, pm);
    compiled.fields = true;
}

DateTimeText::~DateTimeText() = default;

bool DateTimeText::compiledPatterns() const
{
    return m_compiled->fields;
}

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
    Compiled &compiled = *m_compiled;

    if (compiled.fields) {
        // The offset in force on that date, not today's: FileTimeToLocalFileTime would put a winter file an hour
        // off in summer.
        const std::int64_t wall = time.seconds + compiled.offsets.offsetAt(time.seconds);
        const std::int64_t day = floorDiv(wall, kSecondsPerDay);
        Compiled::Day &cached = compiled.days[static_cast<std::size_t>(day) % compiled.days.size()];
        if (cached.day != day) {
            cached.day = std::numeric_limits<std::int64_t>::min();
            cached.text.clear();
            compiled.date.write(day * kSecondsPerDay, cached.text);
            cached.day = day;
        }
        out += cached.text;
        if (wall != day * kSecondsPerDay) {
            out += ' ';
            compiled.time.write(wall, out);
        }
        return;
    }

    const FILETIME fileTime = fileTimeOf(time.seconds);
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        win32::failLastError("SystemTimeToTzSpecificLocalTime");
    local.wMilliseconds = 0;
    const std::int64_t day = daysFromCivil(local.wYear, local.wMonth, local.wDay);
    Compiled::Day &cached = compiled.days[static_cast<std::size_t>(day) % compiled.days.size()];
    wchar_t buffer[128];
    if (cached.day != day) {
        cached.day = std::numeric_limits<std::int64_t>::min();
        const int length = GetDateFormatEx(compiled.name(), DATE_SHORTDATE, &local, nullptr, buffer, 128, nullptr);
        if (length == 0)
            win32::failLastError("GetDateFormatEx");
        cached.text = win32::toUtf8(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
        cached.day = day;
    }
    out += cached.text;

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
