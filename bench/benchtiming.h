#pragma once

#include <chrono>

// Milliseconds per call of f, repeated until at least half a second has gone by, so that short
// runs are timed fairly too.
template <typename F>
double msPerCall(F &&f)
{
    using clock = std::chrono::steady_clock;
    int calls = 0;
    const auto start = clock::now();
    auto now = start;
    do {
        f();
        ++calls;
        now = clock::now();
    } while (now - start < std::chrono::milliseconds(500));
    return std::chrono::duration<double, std::milli>(now - start).count() / calls;
}
