#pragma once
// Timing for the benchmarks: wall time of one call, the median of several rounds, and the worker
// counts a throughput row is measured at.
#include <algorithm>
#include <chrono>
#include <vector>

#include "core/base/processors.h"

namespace orvane::bench {

template <class F>
double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// 1, 2, 4 and every processor this process may run on (its affinity, not the machine), none above that.
inline std::vector<int> workerWidths() {
    const int usable = usableProcessors();
    std::vector<int> widths;
    for (int w : {1, 2, 4, usable})
        if (w <= usable && std::find(widths.begin(), widths.end(), w) == widths.end()) widths.push_back(w);
    std::sort(widths.begin(), widths.end());
    return widths;
}

}  // namespace orvane::bench
