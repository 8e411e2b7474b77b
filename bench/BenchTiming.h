// SPDX-License-Identifier: GPL-3.0-or-later
// Timing helpers shared by the benchmark programs.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace skyvane::bench {

using Clock = std::chrono::steady_clock;

// The median time of `runs` calls, in milliseconds.
inline double MedianMs(int runs, const std::function<void()>& call) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        call();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace skyvane::bench
