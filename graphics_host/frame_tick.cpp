// The 30 ms tick: everything the graphics thread does between messages.
#include "graphics_host/frame_tick.h"

#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "graphics_host/mode_messages.h"
#include "graphics_host/process_exit.h"
#include "graphics_host/render_throttle.h"
#include "graphics_host/suspended_end_watch.h"
#include "graphics_host/task_state_publisher.h"
#include "scene/app_graphics.h"
#include "util.h"

namespace {

bool core_client_channels_exist() { return app_client_shm && app_client_shm->shm; }

bool window_is_drawable() {
    return host_state.window_visible && host_state.current_graphics_mode != mode_hide_graphics &&
           host_state.graphics_window;
}

// The scene's frame, if the throttle lets one through, and its swap.
void draw_frame_within_limits() {
    if (!window_is_drawable()) return;
    platform::rect client{};
    platform::get_client_rect(host_state.graphics_window, client);
    if (render_within_limits(client.right - client.left, client.bottom - client.top, dtime())) {
        platform::swap_buffers(host_state.window_dc);
    }
}

}  // namespace

bool render_within_limits(int width, int height, double time) {
    const bool drawn = render_within_limits_using(host_state.render_throttle, library_clock,
                                                  app_graphics_draw_frame, width, height, time);
    arrange_exit_after_frame(drawn);
    return drawn;
}

void frame_timer_tick() {
    if (core_client_channels_exist()) {
        handle_graphics_request();
        report_graphics_mode();
    }
    draw_frame_within_limits();
    publish_task_state_if_due();
    end_suspended_task_if_asked();
}
