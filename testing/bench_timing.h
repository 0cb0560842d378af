#pragma once
// Timing helpers the benchmarks share.
#include <algorithm>
#include <chrono>
#include <vector>

namespace orvane::testing {

// Wall-clock seconds one call of f takes.
template <class F>
double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of a non-empty list of times.
inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace orvane::testing
