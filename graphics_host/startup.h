// Entry of the in-process graphics host: the BOINC library's start-up on the
// main thread, the worker thread's launch, then the event loop.
#pragma once

#include "graphics_host/startup_hooks.h"

// The hooks that the program runs with; tests start with hooks of their own.
extern startup_hooks_type startup_hooks;

// Starts the BOINC library, runs `worker` on a thread of its own and turns the
// calling thread into the graphics thread. Returns the library start-up's
// status when that fails, otherwise 0 once the event loop has ended.
int boinc_init_graphics(worker_function_type worker);

void fill_startup_hooks();
int start_graphics_with_hooks(BOINC_OPTIONS& options, worker_function_type worker,
                              startup_hooks_type* hooks);
int launch_worker_thread(worker_function_type worker);
