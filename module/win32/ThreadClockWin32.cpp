#include "FillWorkers.h"

namespace quorrix
{

// Windows counts a thread's time in whole clock ticks (some 15.6 ms), too coarse for one slice of queries: a
// fill keeps its one worker per core.
std::optional<ThreadTimes> threadTimes()
{
    return std::nullopt;
}

} // namespace quorrix
