// The graphics thread's event loop: the window class, the 30 ms frame timer,
// the first display mode, then messages until the process ends.
#include "graphics_host/event_loop.h"

#include "boinc_api.h"
#include "graphics_host/display_modes.h"
#include "graphics_host/frame_timer.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/process_exit.h"
#include "graphics_host/suspended_end_watch.h"
#include "graphics_host/task_state_publisher.h"
#include "platform/message_loop.h"

namespace {
constexpr unsigned frame_timer_period_ms = 30;

void on_frame_timer() {
    frame_timer_tick();
    publish_task_state_if_due();
    end_suspended_task_if_asked();
}
}  // namespace

void graphics_event_loop() {
    // The job ends the process from its own thread while this one may be drawing.
    arrange_exit_at_loop_start();
    register_window_class();
    platform::set_thread_timer(frame_timer_period_ms, on_frame_timer);
    set_graphics_mode(boinc_is_standalone() ? mode_window : mode_hide_graphics);

    platform::message msg;
    while (platform::get_message(msg)) platform::dispatch_message(msg);

    unregister_window_class();
}
