#include "job/job_limits.h"

bool passes_processor_time_limit(double cpu_time, bool graphics_were_initialized) {
    if (cpu_time > cpu_time_limit) return true;
    return cpu_time > cpu_time_limit_without_graphics && !graphics_were_initialized;
}
