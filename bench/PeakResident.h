// The peak resident size of the benchmark's own process, for its bytes per row.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <string>
#endif

// Peak resident size of this process so far, in bytes. Under Wine, what Wine itself keeps to list a folder counts.
inline long peakResident()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize);
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::atol(line.c_str() + 6) * 1024;
    }
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024;
#endif
}
