// The 30 ms tick: the core client's mode messages, then a frame within the
// throttle's limits, presented with a buffer swap.
#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/graphics_impl.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/mode_messages.h"
#include "graphics_host/windows_opengl.h"
#include "util.h"

namespace {

bool core_client_channels_exist() { return app_client_shm && app_client_shm->shm; }

bool window_is_drawable() {
    return window_state.window_visible &&
           window_state.current_graphics_mode != mode_hide_graphics && window_state.graphics_window;
}

}  // namespace

void frame_timer_tick() {
    if (core_client_channels_exist()) {
        handle_graphics_request();
        report_graphics_mode();
    }
    if (!window_is_drawable()) return;
    platform::rect client{};
    platform::get_client_rect(window_state.graphics_window, client);
    const double time = dtime();
    if (render_within_limits(client.right - client.left, client.bottom - client.top, time)) {
        platform::swap_buffers(window_state.window_dc);
    }
}
