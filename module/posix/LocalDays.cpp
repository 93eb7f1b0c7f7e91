#include "posix/LocalDays.h"

#include <ctime>

namespace quorrix::posix
{

std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = floorDiv(year, 400);
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

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

} // namespace quorrix::posix
