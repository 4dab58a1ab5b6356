// The graphics window, its display modes and its window procedure, and the
// graphics thread's event loop and frame timer.
#pragma once

bool register_window_class();
bool unregister_window_class();
void set_graphics_mode(int mode);

// The 30 ms timer's handler: mode messages, then a frame within the limits.
void frame_timer_tick();

void graphics_event_loop();
