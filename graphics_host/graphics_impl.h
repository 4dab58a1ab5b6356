// Start-up sequence, worker launch and render throttle of the graphics host.
#pragma once

#include "graphics_host/graphics_api.h"

extern startup_hooks_type startup_hooks;

void fill_startup_hooks();
int start_graphics_with_hooks(BOINC_OPTIONS& options, worker_function_type worker,
                              startup_hooks_type* hooks);
int launch_worker_thread(worker_function_type worker);

// Calls the scene's frame callback at most once, within the frame-rate and
// processor-share limits; true exactly when it did.
bool render_within_limits(int width, int height, double time);
