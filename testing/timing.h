#pragma once
// Test support for the benchmarks: wall-clock timing and medians.
#include <algorithm>
#include <chrono>
#include <vector>

namespace orvane::testing {

// Seconds one call of f takes.
template <class F>
double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median; 0 for no values.
inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace orvane::testing
