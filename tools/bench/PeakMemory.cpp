#include "PeakMemory.h"

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>

double PeakMemoryMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>

double PeakMemoryMegabytes()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
#if defined(__APPLE__)
    return static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0); // bytes there
#else
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes
#endif
}
#else
double PeakMemoryMegabytes()
{
    return -1;
}
#endif
