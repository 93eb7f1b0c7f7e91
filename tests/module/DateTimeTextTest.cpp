#include "DateTimeText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <string_view>

using quorrix::DateTimeText;
using quorrix::FileTime;
using quorrix::test::caseName;
using quorrix::test::EnvGuard;
using quorrix::test::utcSeconds;

namespace
{

struct PatternRow {
    const char *locale;
    const char *date;
    const char *time;
};

void PrintTo(const PatternRow &row, std::ostream *os)
{
    *os << '"' << row.locale << '"';
}

class DateTimePatterns : public testing::TestWithParam<PatternRow>
{
};

TEST_P(DateTimePatterns, ComeFromTheLocale)
{
    const PatternRow &row = GetParam();
    const DateTimeText text(row.locale);
    EXPECT_EQ(text.datePattern(), row.date);
    EXPECT_EQ(text.timePattern(), row.time);
}

INSTANTIATE_TEST_SUITE_P(Locales, DateTimePatterns,
    testing::Values(PatternRow { "ja_JP.UTF-8", "yyyy/MM/dd", "H:mm:ss" },
        PatternRow { "en_US.UTF-8", "MM/dd/yyyy", "h:mm:ss a" }, PatternRow { "de_DE.UTF-8", "dd.MM.yyyy", "HH:mm:ss" },
        PatternRow { "de_DE@euro", "dd.MM.yyyy", "HH:mm:ss" }, PatternRow { "ja_JP.eucJP", "yyyy/MM/dd", "H:mm:ss" },
        // No locale, or one ICU has no data for: the fixed patterns, not ICU's root ones.
        PatternRow { "C", "yyyy/MM/dd", "H:mm:ss" }, PatternRow { "POSIX", "yyyy/MM/dd", "H:mm:ss" },
        PatternRow { "", "yyyy/MM/dd", "H:mm:ss" }, PatternRow { "C.UTF-8", "yyyy/MM/dd", "H:mm:ss" },
        PatternRow { "xx_YY.UTF-8", "yyyy/MM/dd", "H:mm:ss" }, PatternRow { ".UTF-8", "yyyy/MM/dd", "H:mm:ss" }),
    [](const testing::TestParamInfo<PatternRow> &row) { return caseName(row.param.locale); });

struct FormatRow {
    const char *locale;
    const char *zone;
    FileTime time;
    const char *text;
};

void PrintTo(const FormatRow &row, std::ostream *os)
{
    *os << row.locale << " " << row.zone << " " << row.time.seconds << " -> " << row.text;
}

FileTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return { utcSeconds(year, month, day, hour, minute, second), 0 };
}

class DateTimeFormat : public testing::TestWithParam<FormatRow>
{
};

TEST_P(DateTimeFormat, WritesLocalTime)
{
    const FormatRow &row = GetParam();
    const EnvGuard zone("TZ", row.zone);
    const DateTimeText text(row.locale);
    std::string out = "stale text from the cell before";
    text.format(row.time, out);
    EXPECT_EQ(out, row.text);
    EXPECT_EQ(text.format(row.time), row.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, DateTimeFormat,
    testing::Values(
        // The three reference locales at 03:04:05 local time.
        FormatRow { "C", "UTC", at(2026, 12, 7, 3, 4, 5), "2026/12/07 3:04:05" },
        FormatRow { "ja_JP.UTF-8", "Asia/Tokyo", at(2026, 12, 6, 18, 4, 5), "2026/12/07 3:04:05" },
        FormatRow { "en_US.UTF-8", "UTC", at(2026, 12, 7, 3, 4, 5), "12/07/2026 3:04:05 AM" },
        FormatRow { "de_DE.UTF-8", "Europe/Berlin", at(2026, 12, 7, 2, 4, 5), "07.12.2026 03:04:05" },
        // Local midnight is the date alone; a second later is not.
        FormatRow { "ja_JP.UTF-8", "Asia/Tokyo", at(2026, 12, 6, 15), "2026/12/07" },
        FormatRow { "ja_JP.UTF-8", "Asia/Tokyo", at(2026, 12, 6, 15, 0, 1), "2026/12/07 0:00:01" },
        FormatRow { "ja_JP.UTF-8", "Asia/Tokyo", at(2026, 12, 7), "2026/12/07 9:00:00" },
        FormatRow { "de_DE.UTF-8", "Europe/Berlin", at(2026, 12, 6, 23), "07.12.2026" },
        // Nanoseconds are cut off, never rounded up to the next second.
        FormatRow { "C", "UTC", { utcSeconds(2026, 12, 6, 23, 59, 59), 999'999'999 }, "2026/12/06 23:59:59" },
        FormatRow { "C", "UTC", { -1, 999'999'999 }, "1969/12/31 23:59:59" },
        // The 12-hour clock.
        FormatRow { "en_US.UTF-8", "UTC", at(2026, 12, 7, 15, 4, 5), "12/07/2026 3:04:05 PM" },
        FormatRow { "en_US.UTF-8", "UTC", at(2026, 12, 7, 12), "12/07/2026 12:00:00 PM" },
        FormatRow { "en_US.UTF-8", "UTC", at(2026, 12, 7, 0, 30), "12/07/2026 12:30:00 AM" },
        FormatRow { "ja_JP.UTF-8", "Asia/Tokyo", at(2026, 12, 7, 6, 4, 5), "2026/12/07 15:04:05" },
        // Daylight saving time in New York: the hour skipped in spring, the hour repeated in autumn.
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 3, 8, 6, 59, 59), "03/08/2026 1:59:59 AM" },
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 3, 8, 7), "03/08/2026 3:00:00 AM" },
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 11, 1, 5, 30), "11/01/2026 1:30:00 AM" },
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 11, 1, 6, 30), "11/01/2026 1:30:00 AM" },
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 11, 1, 4), "11/01/2026" },
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 11, 2, 5), "11/02/2026" },
        FormatRow { "en_US.UTF-8", "America/New_York", at(2026, 11, 2, 4), "11/01/2026 11:00:00 PM" },
        // Before 1970, after 2038, far ahead.
        FormatRow { "en_US.UTF-8", "America/New_York", at(1969, 7, 20, 20, 17, 40), "07/20/1969 4:17:40 PM" },
        FormatRow { "de_DE.UTF-8", "Europe/Berlin", at(1960, 1, 1), "01.01.1960 01:00:00" },
        FormatRow { "C", "UTC", at(1900, 1, 1), "1900/01/01" },
        FormatRow { "C", "UTC", at(1600, 2, 29, 1, 2, 3), "1600/02/29 1:02:03" },
        FormatRow { "C", "UTC", at(2038, 1, 19, 3, 14, 8), "2038/01/19 3:14:08" },
        FormatRow { "de_DE.UTF-8", "Europe/Berlin", at(2100, 7, 1, 12), "01.07.2100 14:00:00" },
        FormatRow { "ja_JP.UTF-8", "Asia/Tokyo", at(2100, 2, 28, 15), "2100/03/01" },
        FormatRow { "C", "UTC", at(9999, 12, 31, 23, 59, 59), "9999/12/31 23:59:59" },
        FormatRow { "C", "UTC", at(10000, 1, 1), "10000/01/01" },
        // Locale data asks for the shortest year; the short date keeps four digits.
        FormatRow { "ja_JP.UTF-8", "UTC", at(614, 3, 5, 6, 7, 8), "0614/03/05 6:07:08" },
        FormatRow { "en_US.UTF-8", "UTC", at(999, 12, 31), "12/31/0999" },
        FormatRow { "C", "UTC", at(1, 1, 1), "0001/01/01" },
        // Quoted literal text in the locale's patterns.
        FormatRow { "bg_BG.UTF-8", "Europe/Sofia", at(2026, 12, 7, 1, 4, 5), "07.12.2026 г. 03:04:05 ч." },
        // Locales that ICU writes itself: the Buddhist era and Persian digits and calendar.
        FormatRow { "th_TH.UTF-8", "Asia/Bangkok", at(2026, 12, 6, 20, 4, 5), "07/12/2569 03:04:05" },
        FormatRow { "th_TH.UTF-8", "Asia/Bangkok", at(2026, 12, 6, 17), "07/12/2569" },
        FormatRow { "fa_IR.UTF-8", "UTC", at(2026, 12, 7, 3, 4, 5),
            "\xDB\xB1\xDB\xB4\xDB\xB0\xDB\xB5/\xDB\xB0\xDB\xB9/\xDB\xB1\xDB\xB6 "
            "\xDB\xB3:\xDB\xB0\xDB\xB4:\xDB\xB0\xDB\xB5" }),
    // Locale, zone and the UTC time given: "C_UTC_20261207T030405".
    [](const testing::TestParamInfo<FormatRow> &row) {
        const FileTime time = row.param.time;
        const auto seconds = static_cast<std::time_t>(time.seconds);
        std::tm tm {};
        gmtime_r(&seconds, &tm);
        char utc[48];
        std::snprintf(utc, sizeof utc, "%04d%02d%02dT%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
            tm.tm_hour, tm.tm_min, tm.tm_sec);
        std::string name = caseName(row.param.locale) + "_" + caseName(row.param.zone) + "_" + utc;
        if (time.nanoseconds != 0)
            name += "_" + std::to_string(time.nanoseconds) + "ns";
        return name;
    });

TEST(DateTimeText, ExtremeTimesGiveSomeText)
{
    const EnvGuard zone("TZ", "Asia/Tokyo");
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    for (const char *locale : { "C", "ja_JP.UTF-8", "en_US.UTF-8", "th_TH.UTF-8", "fa_IR.UTF-8" }) {
        const DateTimeText text(locale);
        for (const std::int64_t seconds : { min, min + 1, -(std::int64_t { 1 } << 40), std::int64_t { -1 } << 20,
                 std::int64_t { 1 } << 40, max - 86400, max }) {
            const std::string written = text.format({ seconds, 999'999'999 });
            EXPECT_FALSE(written.empty()) << locale << " " << seconds;
        }
    }
    // Years before 1 keep a sign rather than wrapping round.
    const EnvGuard utc("TZ", "UTC");
    const DateTimeText text("C");
    EXPECT_EQ(text.format({ at(1, 1, 1).seconds - 1, 0 }), "0000/12/31 23:59:59");
    EXPECT_EQ(text.format({ at(1, 1, 1).seconds - (366 + 365) * 86400, 0 }), "-0001/01/01");
}

// Zones once changed offset at odd seconds, in the middle of any window a cache of offsets might keep.
TEST(DateTimeText, OffsetChangeOffTheQuarterHour)
{
    const EnvGuard zone("TZ", "Africa/Monrovia"); // -0:44:30 until 1972-01-07 00:44:30 UTC
    const DateTimeText text("C");
    EXPECT_EQ(text.format(at(1972, 1, 7, 0, 30)), "1972/01/06 23:45:30");
    EXPECT_EQ(text.format(at(1972, 1, 7, 0, 44, 29)), "1972/01/06 23:59:59");
    EXPECT_EQ(text.format(at(1972, 1, 7, 0, 44, 30)), "1972/01/07 0:44:30");
    EXPECT_EQ(text.format(at(1972, 1, 7, 0, 44, 59)), "1972/01/07 0:44:59");
    EXPECT_EQ(text.format(at(1972, 1, 7, 0, 30)), "1972/01/06 23:45:30");
}

// The C formatter's text, worked out independently with gmtime_r.
std::string expectedUtcText(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm tm {};
    gmtime_r(&time, &tm);
    char buffer[64];
    if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0)
        std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    else
        std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
            tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

TEST(DateTimeText, OneFormatterOverManyDays)
{
    const EnvGuard zone("TZ", "UTC");
    const DateTimeText text("C");
    const std::int64_t start = utcSeconds(1965, 1, 1);
    const std::int64_t fixed = utcSeconds(2026, 12, 7, 3, 4, 5);
    std::string out;
    // More days than any folder would need kept, with one day coming back in between.
    for (std::int64_t day = 0; day < 12'000; ++day) {
        const std::int64_t seconds = start + day * 86400 + (day * 7919) % 86400;
        text.format({ seconds, 0 }, out);
        ASSERT_EQ(out, expectedUtcText(seconds)) << seconds;
        text.format({ fixed, 0 }, out);
        ASSERT_EQ(out, "2026/12/07 3:04:05");
    }
}

TEST(DateTimeText, LocaleFromEnvironment)
{
    struct Row {
        const char *all, *time, *lang, *expected;
    };
    for (const Row &row : { Row { "de_DE.UTF-8", "ja_JP.UTF-8", "en_US.UTF-8", "de_DE.UTF-8" },
             Row { "", "ja_JP.UTF-8", "en_US.UTF-8", "ja_JP.UTF-8" },
             Row { nullptr, nullptr, "en_US.UTF-8", "en_US.UTF-8" }, Row { "", "", "C", "C" },
             Row { nullptr, nullptr, nullptr, "" } }) {
        const EnvGuard all("LC_ALL", row.all);
        const EnvGuard time("LC_TIME", row.time);
        const EnvGuard lang("LANG", row.lang);
        EXPECT_EQ(DateTimeText::localeFromEnvironment(), row.expected);
    }
}

TEST(DateTimeText, UserFormatterFollowsSetUserLocale)
{
    DateTimeText::setUserLocale("en_US.UTF-8");
    const DateTimeText *first = &DateTimeText::user();
    EXPECT_EQ(first->timePattern(), "h:mm:ss a");
    EXPECT_EQ(&DateTimeText::user(), first);
    DateTimeText::setUserLocale("C");
    EXPECT_EQ(DateTimeText::user().timePattern(), "H:mm:ss");
    DateTimeText::setUserLocale(DateTimeText::localeFromEnvironment());
}

// ICU's own formatter with the same patterns, in ICU's copy of the same zone.
class IcuReference
{
public:
    IcuReference(const DateTimeText &text, const char *locale, const char *zone)
        : m_locale(locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        m_date = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString::fromUTF8(text.datePattern()), m_locale, status);
        m_time = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString::fromUTF8(text.timePattern()), m_locale, status);
        m_calendar.reset(icu::Calendar::createInstance(icu::TimeZone::createTimeZone(zone), m_locale, status));
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        m_date->setTimeZone(m_calendar->getTimeZone());
        m_time->setTimeZone(m_calendar->getTimeZone());
    }

    std::string format(std::int64_t seconds)
    {
        const UDate when = static_cast<UDate>(seconds) * 1000.0;
        UErrorCode status = U_ZERO_ERROR;
        m_calendar->setTime(when, status);
        const bool midnight = m_calendar->get(UCAL_HOUR_OF_DAY, status) == 0
            && m_calendar->get(UCAL_MINUTE, status) == 0 && m_calendar->get(UCAL_SECOND, status) == 0;
        icu::UnicodeString text;
        m_date->format(when, text);
        if (!midnight) {
            text += u' ';
            m_time->format(when, text);
        }
        std::string result;
        return text.toUTF8String(result);
    }

private:
    icu::Locale m_locale;
    std::unique_ptr<icu::SimpleDateFormat> m_date, m_time;
    std::unique_ptr<icu::Calendar> m_calendar;
};

struct CrossRow {
    const char *locale;
    const char *zone;
};

void PrintTo(const CrossRow &row, std::ostream *os)
{
    *os << row.locale << " " << row.zone;
}

class DateTimeAgainstIcu : public testing::TestWithParam<CrossRow>
{
};

TEST_P(DateTimeAgainstIcu, SameTextAsIcu)
{
    const CrossRow &row = GetParam();
    const EnvGuard zone("TZ", row.zone);
    const DateTimeText text(std::string(row.locale) + ".UTF-8");
    IcuReference icu(text, row.locale, row.zone);
    std::mt19937_64 random(std::hash<std::string_view> {}(row.locale));
    std::uniform_int_distribution<std::int64_t> pick(utcSeconds(1950, 1, 1), utcSeconds(2037, 12, 31));
    for (int n = 0; n < 400; ++n) {
        std::int64_t seconds = pick(random);
        // Every third time on a half hour, so that local midnights come up too.
        if (n % 3 == 0)
            seconds -= seconds % 1800;
        EXPECT_EQ(text.format({ seconds, 0 }), icu.format(seconds)) << row.locale << " " << row.zone << " " << seconds;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, DateTimeAgainstIcu,
    testing::Values(CrossRow { "ja_JP", "Asia/Tokyo" }, CrossRow { "en_US", "America/New_York" },
        CrossRow { "de_DE", "Europe/Berlin" }, CrossRow { "ko_KR", "Asia/Seoul" }, CrossRow { "zh_TW", "Asia/Taipei" },
        CrossRow { "hi_IN", "Asia/Kolkata" }, CrossRow { "bg_BG", "Europe/Sofia" },
        CrossRow { "fi_FI", "Europe/Helsinki" }, CrossRow { "en_AU", "Australia/Lord_Howe" },
        // These three go through ICU's formatter rather than the compiled fields.
        CrossRow { "th_TH", "Asia/Bangkok" }, CrossRow { "fa_IR", "America/New_York" },
        CrossRow { "ar_EG", "Europe/Berlin" }),
    [](const testing::TestParamInfo<CrossRow> &row) {
        return caseName(row.param.locale) + "_" + caseName(row.param.zone);
    });

} // namespace
