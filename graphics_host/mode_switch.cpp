// The switch between display modes: where the old window stood, its release,
// the move to the desktop that the core client named, and the new window.
#include "graphics_host/mode_switch.h"

#include "boinc_api.h"
#include "graphics_host/graphics_window.h"

namespace {

bool mode_has_window(int mode) {
    return mode == mode_window || mode == mode_fullscreen || mode == mode_blankscreen;
}

// Keeps where an ordinary window stands, so that the next one opens there.
void remember_window_rect() {
    host_state_type& s = host_state;
    if (s.current_graphics_mode == mode_fullscreen || !s.graphics_window) return;
    if (platform::is_iconic(s.graphics_window) || platform::is_zoomed(s.graphics_window)) {
        s.saved_window_rect = default_window_rect;
        return;
    }
    platform::rect outer{};
    if (platform::get_window_rect(s.graphics_window, outer)) s.saved_window_rect = outer;
}

// Moves to the window station and desktop that the core client named; the
// mode becomes mode_unsupported when either cannot be opened.
int move_to_requested_desktop(int mode, const graphics_request_type& request) {
    host_state_type& s = host_state;
    if (boinc_is_standalone() || !request.window_station[0] || !request.desktop[0]) return mode;
    if (!s.initial_window_station)
        s.initial_window_station = platform::get_process_window_station();
    if (!s.initial_desktop) s.initial_desktop = platform::get_thread_desktop();
    s.opened_window_station = platform::open_window_station(request.window_station);
    if (!s.opened_window_station) return mode_unsupported;
    platform::set_process_window_station(s.opened_window_station);
    s.opened_desktop = platform::open_desktop(request.desktop);
    if (!s.opened_desktop) return mode_unsupported;
    platform::set_thread_desktop(s.opened_desktop);
    return mode;
}

}  // namespace

void set_graphics_mode(int mode, const graphics_request_type& request) {
    if (mode == host_state.current_graphics_mode) return;
    remember_window_rect();
    release_graphics_window();
    mode = move_to_requested_desktop(mode, request);
    host_state.current_graphics_mode = mode;
    if (mode_has_window(mode)) create_graphics_window();
}
