// Entry of the graphics host and its throttle settings.
#include "graphics_host/graphics_api.h"

#include "boinc_api.h"
#include "graphics_host/graphics_impl.h"

double max_frames_per_second = 30.0;
double max_graphics_cpu_fraction = 0.5;

int boinc_init_graphics(worker_function_type worker) {
    fill_startup_hooks();
    BOINC_OPTIONS options;
    boinc_options_defaults(options);
    return start_graphics_with_hooks(options, worker, &startup_hooks);
}
