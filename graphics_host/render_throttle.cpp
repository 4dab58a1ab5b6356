#include "graphics_host/render_throttle.h"

#include "boinc_api.h"
#include "util.h"

double max_frames_per_second = frame_cap_per_second;
double max_graphics_cpu_fraction = 0.5;

namespace {

// Longer gaps between calls are taken for a clock jump and count as none.
constexpr double longest_counted_interval = 1000.0;

double library_wall_time() { return dtime(); }

double library_thread_cpu_time() {
    double cpu = 0;
    boinc_calling_thread_cpu_time(cpu);
    return cpu;
}

}  // namespace

const render_clock library_clock{library_wall_time, library_thread_cpu_time};

bool render_within_limits_using(render_throttle_state& state, const render_clock& clock,
                                frame_callback draw, int width, int height, double time) {
    bool draw_frame = true;
    const double now = clock.wall_time();
    double interval = now - state.last_render_check_time;
    state.last_render_check_time = now;
    if (interval > longest_counted_interval) interval = 0;

    if (max_frames_per_second != 0) {
        state.time_until_render -= interval;
        if (state.time_until_render < 0) {
            state.time_until_render += 1.0 / max_frames_per_second;
        } else {
            draw_frame = false;
        }
    }
    if (max_graphics_cpu_fraction != 0) {
        state.total_render_elapsed += interval;
        if (state.total_render_elapsed != 0 &&
            state.total_render_cpu / state.total_render_elapsed > max_graphics_cpu_fraction) {
            draw_frame = false;
        }
    }
    if (!draw_frame) return false;

    const bool measure = max_graphics_cpu_fraction != 0;
    const double before = measure ? clock.thread_cpu_time() : 0;
    draw(width, height, time);
    if (measure) state.total_render_cpu += clock.thread_cpu_time() - before;
    return true;
}
