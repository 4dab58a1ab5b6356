// The host's window of the mode in force and its GL context, and its release.
#include "graphics_host/graphics_window.h"

#include "boinc_api.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_log.h"
#include "graphics_host/host_state.h"
#include "scene/app_graphics.h"
#include "task_window/task_window.h"

namespace {

task_window_handles host_window_handles() {
    host_state_type& s = host_state;
    return {s.graphics_window, s.window_dc, s.gl_context, s.creation_cursor_pos};
}

// The window stays up without a GL context, and its mode stays in force.
void log_open_failure(task_window_failure failure) {
    switch (failure) {
        case task_window_failure::no_window:
            // No display to show it on: the mode stays, without a window.
            log_host_failure("cannot create the window.");
            break;
        case task_window_failure::no_pixel_format:
            log_host_failure("no pixel format for the window.");
            break;
        case task_window_failure::no_gl_context:
            log_host_failure("cannot create a GL context for the window.");
            break;
        case task_window_failure::not_current:
            log_host_failure("cannot make the window's GL context current.");
            break;
        case task_window_failure::none:
            break;
    }
}

void return_to_initial_desktop() {
    host_state_type& s = host_state;
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

}  // namespace

const char* graphics_window_title(const APP_INIT_DATA& init_data) {
    return init_data.app_name[0] ? init_data.app_name : default_task_window_title;
}

void create_graphics_window() {
    APP_INIT_DATA init_data;
    boinc_get_init_data(init_data);
    const task_window_failure failure = open_task_window(
        host_state.current_graphics_mode == mode_fullscreen, host_state.saved_window_rect,
        graphics_window_title(init_data), host_window_handles());
    if (failure == task_window_failure::none) {
        app_graphics_init();
    } else {
        log_open_failure(failure);
    }
}

void release_graphics_window() {
    close_task_window(host_window_handles());
    return_to_initial_desktop();
}
