// How many threads query the files of a fill: one per core while the queries keep the processor busy, more
// while they wait on the file system, as on a network share that answers each query after a round trip.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

namespace quorrix
{

// What querying one slice of files took, in wall time and in the processor time of the thread that queried it.
struct SliceTime {
    std::chrono::nanoseconds wall { 0 };
    // Nothing where the system does not count a thread's time finely enough for one slice.
    std::optional<std::chrono::nanoseconds> cpu;
    std::size_t files = 0;
};

// The most threads a fill queries on: as many queries in flight as a slow file system is worth.
inline constexpr std::size_t MaxFillWorkers = 64;

// The workers a fill that has `workers` on a machine of `cores` should have once a slice took `time`. When the
// slice's queries mostly waited (its wall time at least four times its processor time, and at least 20 us a
// file), as many as would keep every core busy: `cores` times the wall time over the processor time. Never
// fewer than `workers`, never more than MaxFillWorkers; without the processor time, `workers`.
std::size_t workersWanted(std::size_t workers, std::size_t cores, const SliceTime &time);

// The processor time the calling thread has used so far, where the system counts it finely.
std::optional<std::chrono::nanoseconds> threadCpuTime();

} // namespace quorrix
