// The graphics window: its class, the switch between display modes, the
// window with its pixel format and GL context, and its release.
#include "graphics_host/display_modes.h"

#include <cstdio>

#include "boinc_api.h"
#include "graphics_host/window_procedure.h"
#include "scene/app_graphics.h"

namespace {

constexpr const char* window_class_name = "BOINC_app";
constexpr const char* default_window_title = "BOINC Application";
constexpr unsigned long fullscreen_ex_style = platform::ws_ex_topmost;
constexpr unsigned long fullscreen_style = platform::ws_popup;
constexpr unsigned long ordinary_ex_style = platform::ws_ex_appwindow | platform::ws_ex_windowedge;
constexpr unsigned long ordinary_style = platform::ws_overlappedwindow;
constexpr unsigned long clip_styles = platform::ws_clipsiblings | platform::ws_clipchildren;

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

// The window stays up without a GL context; its mode stays in force.
void give_up_on_gl(host_state_type& s) {
    if (s.gl_context) platform::delete_gl_context(s.gl_context);
    s.gl_context = nullptr;
    platform::release_dc(s.graphics_window, s.window_dc);
    s.window_dc = nullptr;
}

void reveal_cursor() {
    while (platform::show_cursor(true) < 0) {
    }
}

}  // namespace

const char* graphics_window_title(const APP_INIT_DATA& init_data) {
    return init_data.app_name[0] ? init_data.app_name : default_window_title;
}

bool register_window_class() {
    host_state.app_instance = platform::get_module_handle();
    const platform::window_class_record record{
        platform::cs_vredraw | platform::cs_hredraw | platform::cs_owndc, graphics_window_proc,
        host_state.app_instance, window_class_name};
    if (!platform::register_class(record)) {
        platform::message_box("Failed To Register The Window Class.", "ERROR");
        return false;
    }
    return true;
}

bool unregister_window_class() {
    if (!platform::unregister_class(window_class_name, host_state.app_instance)) {
        platform::message_box("Could Not Unregister Class.", "SHUTDOWN ERROR");
        host_state.app_instance = nullptr;
    }
    return true;
}

void set_graphics_mode(int mode, const graphics_request_type& request) {
    if (mode == host_state.current_graphics_mode) return;
    remember_window_rect();
    release_graphics_window();
    mode = move_to_requested_desktop(mode, request);
    host_state.current_graphics_mode = mode;
    if (mode_has_window(mode)) create_graphics_window();
}

void create_graphics_window() {
    host_state_type& s = host_state;
    const bool fullscreen = s.current_graphics_mode == mode_fullscreen;
    const platform::rect area = fullscreen ? platform::screen_rect() : s.saved_window_rect;
    if (fullscreen) {
        platform::hide_cursor();
    } else {
        reveal_cursor();
    }

    APP_INIT_DATA init_data;
    boinc_get_init_data(init_data);
    const char* title = graphics_window_title(init_data);

    s.graphics_window = platform::create_window(
        fullscreen ? fullscreen_ex_style : ordinary_ex_style, window_class_name, title,
        (fullscreen ? fullscreen_style : ordinary_style) | clip_styles, area.left, area.top,
        area.right - area.left, area.bottom - area.top);
    // No display to show it on: the mode stays, without a window.
    if (!s.graphics_window) {
        std::fprintf(stderr, "graphics host: cannot create the window.\n");
        return;
    }

    platform::set_foreground_window(s.graphics_window);
    platform::get_cursor_pos(s.creation_cursor_pos);
    s.window_dc = platform::get_dc(s.graphics_window);
    if (!set_window_pixel_format(s.window_dc)) {
        std::fprintf(stderr, "graphics host: no pixel format for the window.\n");
        give_up_on_gl(s);
        return;
    }
    s.gl_context = platform::create_gl_context(s.window_dc);
    if (!s.gl_context) {
        std::fprintf(stderr, "graphics host: cannot create a GL context for the window.\n");
        give_up_on_gl(s);
        return;
    }
    if (!platform::make_current(s.window_dc, s.gl_context)) {
        std::fprintf(stderr, "graphics host: cannot make the window's GL context current.\n");
        give_up_on_gl(s);
        return;
    }
    platform::show_window(s.graphics_window);
    platform::set_focus(s.graphics_window);
    app_graphics_init();
}

void release_graphics_window() {
    host_state_type& s = host_state;
    platform::make_current(nullptr, nullptr);
    if (s.gl_context) {
        platform::delete_gl_context(s.gl_context);
        s.gl_context = nullptr;
    }
    if (s.graphics_window && s.window_dc) platform::release_dc(s.graphics_window, s.window_dc);
    s.window_dc = nullptr;
    if (s.graphics_window) {
        platform::destroy_window(s.graphics_window);
        s.graphics_window = nullptr;
    }
    if (s.initial_window_station) {
        platform::set_process_window_station(s.initial_window_station);
        if (s.opened_window_station) platform::close_window_station(s.opened_window_station);
        s.opened_window_station = nullptr;
    }
    if (s.initial_desktop) {
        platform::set_thread_desktop(s.initial_desktop);
        if (s.opened_desktop) platform::close_desktop(s.opened_desktop);
        s.opened_desktop = nullptr;
    }
}

bool set_window_pixel_format(platform::dc_handle dc) {
    const platform::pixel_format_descriptor& wanted = platform::window_pixel_format();
    const int format = platform::choose_pixel_format(dc, wanted);
    return format != 0 && platform::set_pixel_format(dc, format, wanted);
}
