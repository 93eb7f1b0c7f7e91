#include "FillWorkers.h"

#include <algorithm>

namespace quorrix
{

std::size_t workersWanted(std::size_t workers, std::size_t cores, const SliceTime &time)
{
    using namespace std::chrono_literals;
    if (!time.cpu || time.files == 0)
        return workers;
    // A slice that took no measurable processor time still took some: the clock's grain.
    const std::chrono::nanoseconds cpu = std::max<std::chrono::nanoseconds>(*time.cpu, 1us);
    const bool waited = time.wall >= 4 * cpu && time.wall >= static_cast<std::int64_t>(time.files) * 20us
        && 2 * time.waits >= time.files;
    if (!waited)
        return workers;
    const auto busy = static_cast<std::size_t>(time.wall / cpu);
    const std::size_t wanted = std::min(MaxFillWorkers, std::max<std::size_t>(cores, 1) * busy);
    return std::max(workers, wanted);
}

} // namespace quorrix
