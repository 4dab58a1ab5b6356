// The 30 ms tick: the core client's mode messages, then a frame within the
// throttle's limits, presented with a buffer swap.
#include "graphics_host/frame_timer.h"

#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "graphics_host/mode_messages.h"
#include "graphics_host/render_throttle.h"
#include "util.h"

namespace {

bool core_client_channels_exist() { return app_client_shm && app_client_shm->shm; }

bool window_is_drawable() {
    return host_state.window_visible && host_state.current_graphics_mode != mode_hide_graphics &&
           host_state.graphics_window;
}

}  // namespace

void frame_timer_tick() {
    if (core_client_channels_exist()) {
        handle_graphics_request();
        report_graphics_mode();
    }
    if (!window_is_drawable()) return;
    platform::rect client{};
    platform::get_client_rect(host_state.graphics_window, client);
    const double time = dtime();
    if (render_within_limits(client.right - client.left, client.bottom - client.top, time)) {
        platform::swap_buffers(host_state.window_dc);
    }
}
