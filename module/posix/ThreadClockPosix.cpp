#include "FillWorkers.h"

#include <ctime>

namespace quorrix
{

std::optional<std::chrono::nanoseconds> threadCpuTime()
{
    timespec now {};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return std::nullopt;
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace quorrix
