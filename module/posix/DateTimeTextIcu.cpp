// Date-time text on Linux: ICU's patterns for the user's locale, compiled once and written without ICU where the
// locale allows, and the local time of the process's time zone.
#include "DateTimeText.h"

#include "DatePattern.h"
#include "LocalDays.h"

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
#include <mutex>
#include <optional>
#include <vector>

namespace quorrix
{

namespace
{

    constexpr std::string_view kDefaultDatePattern = "yyyy/MM/dd";
    constexpr std::string_view kDefaultTimePattern = "H:mm:ss";

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
                if (locale)
                    m_fields.assign(std::move(*fields), locale->am, locale->pm);
                else
                    m_fields.assign(std::move(*fields));
                return true;
            }
            // ICU cannot place times millions of years away; the default fields still can.
            m_fields.assign(*compilePattern(defaultPattern));
            if (locale)
                m_icu = icuFormatter(pattern, locale->locale);
            return m_icu != nullptr;
        }

        bool compiled() const { return !m_icu; }

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
            m_fields.write(wall, out);
        }

    private:
        // ICU's calendars end some 5.8 million years either side of 1970.
        static constexpr std::int64_t kIcuLimit = std::int64_t { 100'000'000'000'000 };

        CompiledPattern m_fields;
        std::unique_ptr<icu::SimpleDateFormat> m_icu;
    };

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
    // The fill's workers each make their own formatter, at the same moment; the C library locks tzset() inside,
    // where the thread sanitizer cannot see it, so its callers here take a lock of their own.
    {
        static std::mutex zoneLock;
        const std::lock_guard lock(zoneLock);
        tzset();
    }

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

DateTimeText::~DateTimeText() = default;

bool DateTimeText::compiledPatterns() const
{
    return m_compiled->date.compiled() && m_compiled->time.compiled();
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
