// The graphics thread's event loop: the window class, the first display mode,
// then the 30 ms tick and messages until the process ends.
#include "graphics_host/event_loop.h"

#include "boinc_api.h"
#include "graphics_host/frame_tick.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/process_exit.h"
#include "graphics_host/window_procedure.h"
#include "task_window/tick_loop.h"

namespace {
constexpr unsigned frame_timer_period_ms = 30;
}  // namespace

void graphics_event_loop() {
    // The job ends the process from its own thread while this one may be drawing.
    arrange_exit_at_loop_start();
    register_window_class();
    set_graphics_mode(boinc_is_standalone() ? mode_window : mode_hide_graphics);
    run_tick_loop(frame_timer_period_ms, frame_timer_tick);
    unregister_window_class();
}
