// How many threads query the files of a fill: one per core while the queries keep the processor busy, more
// while they wait on the file system, as on a network share that answers each query after a round trip.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorrix
{

// What querying one slice of files took, in wall time and in the processor time of the thread that queried it,
// and how often that thread waited for the system (rather than for another thread to leave the processor).
struct SliceTime {
    std::chrono::nanoseconds wall { 0 };
    // Nothing where the system does not count a thread's time finely enough for one slice.
    std::optional<std::chrono::nanoseconds> cpu;
    std::size_t files = 0;
    std::uint64_t waits = 0;
};

// The most threads a fill queries on: as many queries in flight as a slow file system is worth.
inline constexpr std::size_t MaxFillWorkers = 64;

// The workers a fill that has `workers` on a machine of `cores` should have once a slice took `time`. When the
// slice's queries mostly waited on the system (its wall time at least four times its processor time, at least
// 20 us a file, and a wait for every other file or more: a busy machine that merely keeps the thread from the
// processor does not count), as many as would keep every core busy: `cores` times the wall time over the processor time. Never
// fewer than `workers`, never more than MaxFillWorkers; without the processor time, `workers`.
std::size_t workersWanted(std::size_t workers, std::size_t cores, const SliceTime &time);

// The processor time the calling thread has used so far, and the times it gave up the processor to wait for the
// system; nothing where the system does not count them finely.
struct ThreadTimes {
    std::chrono::nanoseconds cpu { 0 };
    std::uint64_t waits = 0;
};
std::optional<ThreadTimes> threadTimes();

} // namespace quorrix
