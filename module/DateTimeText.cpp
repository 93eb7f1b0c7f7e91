#include "DateTimeText.h"

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <vector>

namespace quorrix
{

namespace
{

    constexpr std::string_view kDefaultDatePattern = "yyyy/MM/dd";
    constexpr std::string_view kDefaultTimePattern = "H:mm:ss";
    constexpr std::int64_t kSecondsPerDay = 86400;

    std::int64_t floorDiv(std::int64_t a, std::int64_t b)
    {
        const std::int64_t q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }

    // Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms). Valid for any
    // day count whose year fits in 64 bits, so far beyond what localtime_r accepts.
    std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
    {
        year -= month <= 2;
        const std::int64_t era = floorDiv(year, 400);
        const auto yearOfEra = static_cast<unsigned>(year - era * 400);
        const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
        const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
    }

    struct CivilDate {
        std::int64_t year;
        unsigned month;
        unsigned day;
    };

    CivilDate civilFromDays(std::int64_t days)
    {
        days += 719468;
        const std::int64_t era = floorDiv(days, 146097);
        const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
        const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
        const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
        const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
        return { static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day };
    }

    // Local minus UTC at `seconds`, taken from the civil fields that localtime_r gives rather than from tm_gmtoff,
    // so that zones counting leap seconds come out right too. 0 when the system cannot convert the time.
    std::int64_t localOffsetAt(std::int64_t seconds)
    {
        const auto time = static_cast<std::time_t>(seconds);
        std::tm tm {};
        if (static_cast<std::int64_t>(time) != seconds || !localtime_r(&time, &tm))
            return 0;
        const std::int64_t days = daysFromCivil(std::int64_t { tm.tm_year } + 1900,
            static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday));
        return days * kSecondsPerDay + tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec - seconds;
    }

    // UTC offsets by day (UTC). No zone's table has two changes less than three days apart that cancel out, so
    // a day whose two ends have the same offset has it throughout; a day whose ends disagree holds a change,
    // and each time in it asks localtime_r itself.
    class OffsetCache
    {
    public:
        std::int64_t offsetAt(std::int64_t seconds)
        {
            // Far outside any zone's table (and out of reach of the window arithmetic): no cache.
            if (seconds < -kLimit || seconds > kLimit)
                return localOffsetAt(seconds);
            const std::int64_t window = floorDiv(seconds, kWindow);
            Entry &entry = m_entries[static_cast<std::size_t>(window) % m_entries.size()];
            if (entry.window != window) {
                entry.window = window;
                entry.offset = localOffsetAt(window * kWindow);
                entry.uniform = localOffsetAt(window * kWindow + kWindow - 1) == entry.offset;
            }
            return entry.uniform ? entry.offset : localOffsetAt(seconds);
        }

    private:
        static constexpr std::int64_t kWindow = kSecondsPerDay;
        static constexpr std::int64_t kLimit = std::int64_t { 1 } << 50;
        struct Entry {
            std::int64_t window = std::numeric_limits<std::int64_t>::min();
            std::int64_t offset = 0;
            bool uniform = false;
        };
        // Direct-mapped: 2048 days cover the times of most folders, and of any five years, without misses.
        std::array<Entry, 2048> m_entries {};
    };

    // One piece of a compiled pattern.
    struct Field {
        enum class Kind : std::uint8_t {
            Literal,
            Year,
            Month,
            Day,
            Hour0To23,
            Hour1To12,
            Hour0To11,
            Hour1To24,
            Minute,
            Second,
            AmPm
        };
        Kind kind;
        std::uint8_t count; // pattern letters in a row: the minimum digits, "yy" being the two-digit year
        std::string literal;
    };

    bool isPatternLetter(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }

    // The fields of an ICU date-time pattern, or nothing when it holds a field that only ICU can write (month
    // names, eras, weekdays, fractions of a second ...). Text in quotes is literal and "''" is one quote mark.
    std::optional<std::vector<Field>> compilePattern(std::string_view pattern)
    {
        std::vector<Field> fields;
        const auto addLiteral = [&fields](char c) {
            if (fields.empty() || fields.back().kind != Field::Kind::Literal)
                fields.push_back({ Field::Kind::Literal, 0, {} });
            fields.back().literal += c;
        };
        std::size_t i = 0;
        while (i < pattern.size()) {
            const char c = pattern[i];
            if (c == '\'') {
                if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                    addLiteral('\'');
                    i += 2;
                    continue;
                }
                // Quoted text, where "''" again stands for one quote; an unclosed quote runs to the end.
                for (++i; i < pattern.size(); ++i) {
                    if (pattern[i] != '\'') {
                        addLiteral(pattern[i]);
                    } else if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        addLiteral('\'');
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
                continue;
            }
            if (!isPatternLetter(c)) {
                addLiteral(c);
                ++i;
                continue;
            }
            std::size_t count = 1;
            while (i + count < pattern.size() && pattern[i + count] == c)
                ++count;
            i += count;

            Field::Kind kind;
            std::size_t maxCount = 2;
            switch (c) {
            case 'y':
                kind = Field::Kind::Year;
                maxCount = 9;
                break;
            case 'M':
            case 'L':
                kind = Field::Kind::Month;
                break;
            case 'd':
                kind = Field::Kind::Day;
                break;
            case 'H':
                kind = Field::Kind::Hour0To23;
                break;
            case 'h':
                kind = Field::Kind::Hour1To12;
                break;
            case 'K':
                kind = Field::Kind::Hour0To11;
                break;
            case 'k':
                kind = Field::Kind::Hour1To24;
                break;
            case 'm':
                kind = Field::Kind::Minute;
                break;
            case 's':
                kind = Field::Kind::Second;
                break;
            case 'a':
                kind = Field::Kind::AmPm;
                maxCount = 3; // "aaaa" and "aaaaa" are the wide and narrow forms
                break;
            default:
                return std::nullopt;
            }
            if (count > maxCount)
                return std::nullopt;
            fields.push_back({ kind, static_cast<std::uint8_t>(count), {} });
        }
        return fields;
    }

    // Whether a pattern's text depends on the day alone, so that a day's text can be kept and reused.
    bool hasDateFieldsOnly(std::string_view pattern)
    {
        bool quoted = false;
        for (const char c : pattern) {
            if (c == '\'')
                quoted = !quoted;
            else if (!quoted && isPatternLetter(c)
                && std::string_view("GyYuUrQqMLlwWdDFgEec").find(c) == std::string_view::npos)
                return false;
        }
        return true;
    }

    // Writes `value` in decimal, at least `minDigits` digits, at `p` and moves `p` past it.
    void putNumber(char *&p, std::uint64_t value, unsigned minDigits)
    {
        char digits[24];
        char *begin = digits + sizeof digits;
        do {
            *--begin = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (auto length = static_cast<unsigned>(digits + sizeof digits - begin); length < minDigits; ++length)
            *p++ = '0';
        while (begin != digits + sizeof digits)
            *p++ = *begin++;
    }

    // As putNumber, for the numbers below 100 that hours, minutes, seconds, days and months are.
    void putSmallNumber(char *&p, unsigned value, unsigned minDigits)
    {
        if (value >= 100 || minDigits > 2) {
            putNumber(p, value, minDigits);
            return;
        }
        if (value >= 10 || minDigits == 2)
            *p++ = static_cast<char>('0' + value / 10);
        *p++ = static_cast<char>('0' + value % 10);
    }

    void putYear(char *&p, std::int64_t year, unsigned count)
    {
        if (count == 2) {
            putSmallNumber(p, static_cast<unsigned>((year % 100 + 100) % 100), 2);
            return;
        }
        // Years before 1 have no era text here; they keep a sign instead.
        if (year < 0)
            *p++ = '-';
        putNumber(p, year < 0 ? 0 - static_cast<std::uint64_t>(year) : static_cast<std::uint64_t>(year), count);
    }

    std::string toUtf8(const icu::UnicodeString &text)
    {
        std::string result;
        text.toUTF8String(result);
        return result;
    }

    // What the locale's patterns need from ICU beyond the patterns themselves.
    struct LocaleData {
        icu::Locale locale;
        // Gregorian calendar and ASCII digits: the compiled fields write exactly what ICU would.
        bool plainFields = false;
        std::string am;
        std::string pm;
    };

    // The ICU locale for a POSIX locale name ("ja_JP.UTF-8@mod" is ja_JP), or nothing for C, POSIX and names
    // whose language ICU has no data for (ICU would quietly give the root locale's patterns).
    std::optional<icu::Locale> icuLocaleFor(std::string_view posixName)
    {
        const std::string name(posixName.substr(0, posixName.find_first_of(".@")));
        if (name.empty() || name == "C" || name == "POSIX")
            return std::nullopt;
        icu::Locale locale(name.c_str());
        if (locale.isBogus() || *locale.getLanguage() == '\0')
            return std::nullopt;
        std::int32_t count = 0;
        const icu::Locale *available = icu::Locale::getAvailableLocales(count);
        for (std::int32_t i = 0; i < count; ++i) {
            if (std::strcmp(available[i].getLanguage(), locale.getLanguage()) == 0)
                return locale;
        }
        return std::nullopt;
    }

    LocaleData localeData(const icu::Locale &locale)
    {
        LocaleData data { locale, false, "AM", "PM" };
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::Calendar> calendar(
            icu::Calendar::createInstance(*icu::TimeZone::getGMT(), locale, status));
        const std::unique_ptr<icu::NumberingSystem> numbers(icu::NumberingSystem::createInstance(locale, status));
        if (U_SUCCESS(status) && calendar && numbers)
            data.plainFields = std::strcmp(calendar->getType(), "gregorian") == 0
                && std::strcmp(numbers->getName(), "latn") == 0 && numbers->getRadix() == 10
                && !numbers->isAlgorithmic();
        status = U_ZERO_ERROR;
        const icu::DateFormatSymbols symbols(locale, status);
        std::int32_t count = 0;
        const icu::UnicodeString *markers = symbols.getAmPmStrings(count);
        if (U_SUCCESS(status) && markers && count >= 2) {
            data.am = toUtf8(markers[0]);
            data.pm = toUtf8(markers[1]);
        } else {
            data.plainFields = false;
        }
        return data;
    }

    // The pattern ICU's generator gives for `skeleton`, or an empty string.
    std::string bestPattern(icu::DateTimePatternGenerator &generator, const char *skeleton)
    {
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString pattern = generator.getBestPattern(icu::UnicodeString(skeleton, -1, US_INV), status);
        if (U_FAILURE(status))
            return {};
        std::string text = toUtf8(pattern);
        // Current locale data puts U+202F (narrow no-break space) before AM/PM and some other marks; a plain
        // blank keeps "3:04:05 AM" as people type and compare it, and renders in every table font.
        static constexpr std::string_view narrowNoBreakSpace = "\xE2\x80\xAF";
        for (std::size_t at = text.find(narrowNoBreakSpace); at != std::string::npos;
             at = text.find(narrowNoBreakSpace, at))
            text.replace(at, narrowNoBreakSpace.size(), " ");
        return text;
    }

    // The short date always shows the year in four digits or more; locale data asks for "y", which writes a
    // year before 1000 in fewer.
    std::string withFourDigitYear(std::string pattern)
    {
        bool quoted = false;
        for (std::size_t at = 0; at < pattern.size();) {
            if (pattern[at] == '\'') {
                quoted = !quoted;
                ++at;
                continue;
            }
            if (quoted || pattern[at] != 'y') {
                ++at;
                continue;
            }
            const std::size_t run = pattern.find_first_not_of('y', at);
            const std::size_t count = (run == std::string::npos ? pattern.size() : run) - at;
            // "yy" is the two-digit year on purpose; longer runs already pad.
            if (count == 1 || count == 3)
                pattern.replace(at, count, "yyyy");
            at += count == 2 || count >= 4 ? count : 4;
        }
        return pattern;
    }

    // A formatter that writes local wall-clock seconds as ICU itself would, for patterns the fields cannot
    // express. It formats in UTC from seconds already moved into local time, so that both ways of writing share
    // the process's time zone rather than ICU's copy of it.
    std::unique_ptr<icu::SimpleDateFormat> icuFormatter(const std::string &pattern, const icu::Locale &locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        auto formatter = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), locale, status);
        if (U_FAILURE(status))
            return nullptr;
        std::unique_ptr<icu::Calendar> calendar(formatter->getCalendar()->clone());
        if (!calendar)
            return nullptr;
        calendar->setTimeZone(*icu::TimeZone::getGMT());
        // The system's local time is proleptic Gregorian; ICU switches to Julian dates before October 1582.
        if (auto *gregorian = dynamic_cast<icu::GregorianCalendar *>(calendar.get()))
            gregorian->setGregorianChange(static_cast<UDate>(std::numeric_limits<std::int64_t>::min()), status);
        if (U_FAILURE(status))
            return nullptr;
        formatter->adoptCalendar(calendar.release());
        return formatter;
    }

    // One pattern, ready to write: compiled fields where they suffice, else ICU's formatter.
    class PatternWriter
    {
    public:
        // The pattern to write `pattern` with, or false when it can be written neither way.
        bool build(const std::string &pattern, std::string_view defaultPattern, const LocaleData *locale)
        {
            std::optional<std::vector<Field>> fields = compilePattern(pattern);
            if (fields && (!locale || locale->plainFields)) {
                m_fields = std::move(*fields);
                if (locale) {
                    m_am = locale->am;
                    m_pm = locale->pm;
                }
                m_longest = longestText();
                return true;
            }
            // ICU cannot place times millions of years away; the default fields still can.
            m_fields = *compilePattern(defaultPattern);
            m_longest = longestText();
            if (locale)
                m_icu = icuFormatter(pattern, locale->locale);
            return m_icu != nullptr;
        }

        // Writes the local wall-clock time `wall` (seconds since 1970-01-01 00:00:00 local time).
        void write(std::int64_t wall, std::string &out) const
        {
            if (m_icu && wall > -kIcuLimit && wall < kIcuLimit) {
                icu::UnicodeString text;
                icu::FieldPosition position;
                m_icu->format(static_cast<UDate>(wall) * 1000.0, text, position);
                text.toUTF8String(out);
                return;
            }
            const std::int64_t day = floorDiv(wall, kSecondsPerDay);
            const auto secondOfDay = static_cast<unsigned>(wall - day * kSecondsPerDay);
            const unsigned hour = secondOfDay / 3600;
            std::optional<CivilDate> date;
            const auto civil = [&]() -> const CivilDate & {
                if (!date)
                    date = civilFromDays(day);
                return *date;
            };
            // Written in place, into room for the longest text the fields can give, then cut to length: a
            // million files have three million times to write.
            const std::size_t start = out.size();
            out.resize(start + m_longest);
            char *p = out.data() + start;
            for (const Field &field : m_fields) {
                switch (field.kind) {
                case Field::Kind::Literal:
                    p = std::copy(field.literal.begin(), field.literal.end(), p);
                    break;
                case Field::Kind::Year:
                    putYear(p, civil().year, field.count);
                    break;
                case Field::Kind::Month:
                    putSmallNumber(p, civil().month, field.count);
                    break;
                case Field::Kind::Day:
                    putSmallNumber(p, civil().day, field.count);
                    break;
                case Field::Kind::Hour0To23:
                    putSmallNumber(p, hour, field.count);
                    break;
                case Field::Kind::Hour1To12:
                    putSmallNumber(p, hour % 12 == 0 ? 12 : hour % 12, field.count);
                    break;
                case Field::Kind::Hour0To11:
                    putSmallNumber(p, hour % 12, field.count);
                    break;
                case Field::Kind::Hour1To24:
                    putSmallNumber(p, hour == 0 ? 24 : hour, field.count);
                    break;
                case Field::Kind::Minute:
                    putSmallNumber(p, secondOfDay / 60 % 60, field.count);
                    break;
                case Field::Kind::Second:
                    putSmallNumber(p, secondOfDay % 60, field.count);
                    break;
                case Field::Kind::AmPm: {
                    const std::string &marker = hour < 12 ? m_am : m_pm;
                    p = std::copy(marker.begin(), marker.end(), p);
                    break;
                }
                }
            }
            out.resize(static_cast<std::size_t>(p - out.data()));
        }

    private:
        // ICU's calendars end some 5.8 million years either side of 1970.
        static constexpr std::int64_t kIcuLimit = std::int64_t { 100'000'000'000'000 };
        // The most bytes the fields can write: a year takes up to 20 digits and a sign, the other numbers
        // two digits or as many as the pattern asks for.
        std::size_t longestText() const
        {
            std::size_t longest = 0;
            for (const Field &field : m_fields) {
                switch (field.kind) {
                case Field::Kind::Literal:
                    longest += field.literal.size();
                    break;
                case Field::Kind::Year:
                    longest += std::max<std::size_t>(field.count, 20) + 1;
                    break;
                case Field::Kind::AmPm:
                    longest += std::max(m_am.size(), m_pm.size());
                    break;
                default:
                    longest += std::max<std::size_t>(field.count, 2);
                    break;
                }
            }
            return longest;
        }

        std::vector<Field> m_fields;
        std::string m_am = "AM";
        std::string m_pm = "PM";
        std::size_t m_longest = 0;
        std::unique_ptr<icu::SimpleDateFormat> m_icu;
    };

    std::unique_ptr<DateTimeText> &userFormatter()
    {
        static std::unique_ptr<DateTimeText> formatter;
        return formatter;
    }

} // namespace

struct DateTimeText::Compiled {
    PatternWriter date;
    PatternWriter time;
    bool cacheDays = true;
    OffsetCache offsets;
    // Date texts already written, by local day number, direct-mapped: a folder's files share few days, and
    // a folder of scattered dates only costs the texts written again.
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
    // localtime_r works from the zone the last tzset() read; a formatter made after TZ changed must see it.
    tzset();

    std::optional<LocaleData> data;
    if (const std::optional<icu::Locale> icuLocale = icuLocaleFor(locale)) {
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(*icuLocale, status));
        if (U_SUCCESS(status) && generator) {
            m_datePattern = withFourDigitYear(bestPattern(*generator, "yMMdd"));
            m_timePattern = bestPattern(*generator, "jms");
            data = localeData(*icuLocale);
        }
    }
    const LocaleData *traits = data ? &*data : nullptr;
    if (m_datePattern.empty() || !m_compiled->date.build(m_datePattern, kDefaultDatePattern, traits)) {
        m_datePattern = kDefaultDatePattern;
        m_compiled->date.build(m_datePattern, kDefaultDatePattern, nullptr);
    }
    if (m_timePattern.empty() || !m_compiled->time.build(m_timePattern, kDefaultTimePattern, traits)) {
        m_timePattern = kDefaultTimePattern;
        m_compiled->time.build(m_timePattern, kDefaultTimePattern, nullptr);
    }
    m_compiled->cacheDays = hasDateFieldsOnly(m_datePattern);
}

DateTimeText::DateTimeText(const DateTimeText &other)
    : DateTimeText(other.m_locale)
{
}

DateTimeText::~DateTimeText() = default;

const DateTimeText &DateTimeText::user()
{
    std::unique_ptr<DateTimeText> &formatter = userFormatter();
    if (!formatter)
        formatter = std::make_unique<DateTimeText>(localeFromEnvironment());
    return *formatter;
}

std::thread DateTimeText::prepareUser()
{
    return std::thread([] { user(); });
}

void DateTimeText::setUserLocale(std::string_view locale)
{
    userFormatter() = std::make_unique<DateTimeText>(locale);
}

std::string DateTimeText::localeFromEnvironment()
{
    for (const char *name : { "LC_ALL", "LC_TIME", "LANG" }) {
        const char *value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return {};
}

void DateTimeText::format(FileTime time, std::string &out) const
{
    out.clear();
    // Some 146 billion years either way: beyond that no text is meaningful, and the arithmetic below stays
    // clear of overflow.
    constexpr std::int64_t limit = std::int64_t { 1 } << 62;
    std::int64_t wall = std::clamp(time.seconds, -limit, limit);
    wall += m_compiled->offsets.offsetAt(wall);
    const std::int64_t day = floorDiv(wall, kSecondsPerDay);

    if (m_compiled->cacheDays) {
        Compiled::Day &cached = m_compiled->days[static_cast<std::size_t>(day) % m_compiled->days.size()];
        if (cached.day != day) {
            cached.day = std::numeric_limits<std::int64_t>::min();
            cached.text.clear();
            m_compiled->date.write(day * kSecondsPerDay, cached.text);
            cached.day = day;
        }
        out += cached.text;
    } else {
        m_compiled->date.write(wall, out);
    }

    if (wall != day * kSecondsPerDay) {
        out += ' ';
        m_compiled->time.write(wall, out);
    }
}

std::string DateTimeText::format(FileTime time) const
{
    std::string text;
    format(time, text);
    return text;
}

} // namespace quorrix
