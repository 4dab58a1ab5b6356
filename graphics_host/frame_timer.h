// The graphics thread's 30 ms tick.
#pragma once

// The core client's mode messages, then a frame within the throttle's limits,
// presented with a buffer swap.
void frame_timer_tick();
