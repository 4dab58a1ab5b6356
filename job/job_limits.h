// The job's fixed constants and the rule that ends its loop early.
#pragma once

constexpr int pass_limit = 1200;
constexpr double fraction_divisor = 1247.0;  // so the fraction never reaches 1
constexpr int report_interval = 60;
constexpr long burn_loop_length = 12345678;
constexpr double cpu_time_limit = 1200.0;
constexpr double cpu_time_limit_without_graphics = 120.0;
constexpr double poster_phase_seconds = 47.0;
constexpr double poster_phase_factor = 3.14159;

inline double fraction_done_for(int pass) { return pass / fraction_divisor; }

// True when the pass whose processor-time reading was `cpu_time` is the last
// one; only readings above a limit end the loop.
bool passes_processor_time_limit(double cpu_time, bool graphics_were_initialized);
