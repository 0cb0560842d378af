#pragma once
// Timing for the benchmarks: wall time of one call, and the median of several rounds.
#include <algorithm>
#include <chrono>
#include <vector>

namespace orvane::bench {

template <class F>
double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace orvane::bench
