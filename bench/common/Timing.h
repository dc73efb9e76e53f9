// Timing for the native benches: seconds since a moment, and the median of
// several runs of something that times itself.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace vesko::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// `once` times one run itself, so that what it frees afterwards stays outside.
template <typename F>
double MedianSeconds(int runs, F&& once) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) samples.push_back(once());
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace vesko::bench
