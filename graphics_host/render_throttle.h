// The render throttle: at most max_frames_per_second frames a second, and at
// most max_graphics_cpu_fraction of the elapsed time in the frame callback. It
// knows nothing of the host: the tick (render_within_limits) hands it the
// host's record, the library's clocks and the scene's frame callback.
#pragma once

#include "task_window/task_window.h"

// Accumulated since the process started; never reset.
struct render_throttle_state {
    double last_render_check_time = 0;
    double time_until_render = 0;  // a frame may be drawn only while below 0
    double total_render_elapsed = 0;
    double total_render_cpu = 0;
};

// Where the throttle reads its times; tests supply their own.
struct render_clock {
    double (*wall_time)();
    double (*thread_cpu_time)();
};

// The library's clocks: wall time, and the calling thread's processor time.
extern const render_clock library_clock;

using frame_callback = void (*)(int width, int height, double time);

// The throttle's settings, read on every call; 0 switches a limit off. The
// frame rate's starts at the frame cap that both programs keep to.
extern double max_frames_per_second;
extern double max_graphics_cpu_fraction;

// Calls `draw` at most once, within the limits; true exactly when it did.
bool render_within_limits_using(render_throttle_state& state, const render_clock& clock,
                                frame_callback draw, int width, int height, double time);
