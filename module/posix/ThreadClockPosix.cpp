#include "FillWorkers.h"

#include <sys/resource.h>

namespace quorrix
{

std::optional<ThreadTimes> threadTimes()
{
    rusage usage {};
    if (::getrusage(RUSAGE_THREAD, &usage) != 0)
        return std::nullopt;
    const auto time = [](const timeval &value) {
        return std::chrono::seconds(value.tv_sec) + std::chrono::microseconds(value.tv_usec);
    };
    // Voluntary switches: the thread waited for the system; involuntary ones are a busy machine's doing.
    return ThreadTimes { time(usage.ru_utime) + time(usage.ru_stime), static_cast<std::uint64_t>(usage.ru_nvcsw) };
}

} // namespace quorrix
