// The file that the companion's preloaded swap counter shares with the benchmark.
#pragma once

#include <atomic>

constexpr long swap_record_capacity = 16384;

struct swap_record {
    std::atomic<long> swaps;
    // CLOCK_MONOTONIC seconds of each swap, for the first swap_record_capacity.
    double times[swap_record_capacity];
};
