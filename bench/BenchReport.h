#pragma once

// What every benchmark reports: rows of one table, "| figure | measured | target | met |", on
// standard output; scripts/bench gathers them. Details go to standard error.
#include <QString>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace zebench {

// One timed run on the line: its efficiency and the process's CPU load.
struct LineRun
{
    double efficiency = 0;
    double cpuPercent = 0;
};

inline void report(const QString &figure, const QString &measured, const QString &target, bool met)
{
    std::printf("| %s | %s | %s | %s |\n", qPrintable(figure), qPrintable(measured),
                qPrintable(target), met ? "met" : "not met");
    std::fflush(stdout);
}

// CPU time of every thread of this process.
inline double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU time of the calling thread (the station's, when a simulated receiver runs beside it).
inline double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace zebench
