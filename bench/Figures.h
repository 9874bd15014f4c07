#pragma once
// How the benchmark's drivers turn the moments they note into figures:
// milliseconds between two moments, and one line per figure with its median
// and worst case.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// "NAME MEDIAN MAX", as scripts/bench.sh reads it.
inline void printResult(const char* name, const std::vector<double>& values)
{
    std::printf("%s %.1f %.1f\n", name, median(values),
                *std::max_element(values.begin(), values.end()));
}
