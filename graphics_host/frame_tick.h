// The graphics thread's 30 ms tick, whole.
#pragma once

// The core client's mode messages, a frame within the throttle's limits
// presented with a buffer swap, the task's state file when due, and the end
// of a suspended task that must end.
void frame_timer_tick();

// Calls the scene's frame callback at most once, within the throttle's
// limits, with the library's clocks and the host's throttle state; true
// exactly when it did.
bool render_within_limits(int width, int height, double time);
