#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// The median time of one call of f in milliseconds, over calls repeated until at least half a
// second and at least five calls have gone by. The median, not the mean, because the machine
// the benchmarks run on is shared: a call that waited for the processor says nothing about f.
template <typename F>
double msPerCall(F &&f)
{
    using clock = std::chrono::steady_clock;
    std::vector<double> times;
    const auto start = clock::now();
    auto now = start;
    do {
        const auto before = now;
        f();
        now = clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(now - before).count());
    } while (now - start < std::chrono::milliseconds(500) || times.size() < 5);
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}
