// The graphics thread's event loop.
#pragma once

// Registers the window class, enters the first display mode (a window when
// standalone, none under a core client), then runs the 30 ms tick and
// dispatches messages until the process ends. Returns only if the queue is told
// to quit, which nothing in the program does.
void graphics_event_loop();
