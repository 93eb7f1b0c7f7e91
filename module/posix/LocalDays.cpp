// The local time zone's offset on Linux, from localtime_r.
#include "LocalDays.h"

#include <ctime>

namespace quorrix
{

// Taken from the civil fields that localtime_r gives rather than from tm_gmtoff, so that zones counting leap
// seconds come out right too.
std::int64_t localOffsetAt(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm tm {};
    if (static_cast<std::int64_t>(time) != seconds || !localtime_r(&time, &tm))
        return 0;
    const std::int64_t days = daysFromCivil(
        std::int64_t { tm.tm_year } + 1900, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday));
    return days * kSecondsPerDay + tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec - seconds;
}

} // namespace quorrix
