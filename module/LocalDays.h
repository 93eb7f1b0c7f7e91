// Local days: civil dates from day numbers, and the local time zone's offset from UTC, kept per day.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace quorrix
{

inline constexpr std::int64_t kSecondsPerDay = 86400;

// a / b rounded towards minus infinity.
inline std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms). Valid for any day
// count whose year fits in 64 bits, so far beyond what localtime_r accepts.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day);

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate civilFromDays(std::int64_t days);

// Local minus UTC at `seconds`, as the system places that moment (module/posix/, module/win32/). 0 when the
// system cannot convert the time.
std::int64_t localOffsetAt(std::int64_t seconds);

// UTC offsets by day (UTC). No zone's table has two changes less than three days apart that cancel out, so
// a day whose two ends have the same offset has it throughout; a day whose ends disagree holds a change,
// and each time in it asks the system itself.
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

} // namespace quorrix
