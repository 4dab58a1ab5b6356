// The graphics window's class and procedure: closing, input for the scene,
// and the end of a full-screen display at the first sign of a user; the
// messages that the companion's window answers alike are the task window's.
#include "graphics_host/window_procedure.h"

#include "boinc_api.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/process_exit.h"
#include "scene/app_graphics.h"
#include "task_window/task_window.h"
#include "task_window/task_window_messages.h"

const unsigned set_foreground_message =
    platform::register_window_message("BOINCSetForegroundWindow");

namespace {

const window_scene_callbacks scene_callbacks{app_graphics_init, app_graphics_resize};

bool in_fullscreen() { return host_state.current_graphics_mode == mode_fullscreen; }

// In full screen the first sign of a user quits the display instead of reaching the scene.
bool quit_full_screen_at(unsigned message) {
    if (!in_fullscreen()) return false;
    if (ends_full_screen(message, host_state.creation_cursor_pos)) set_graphics_mode(mode_quit);
    return true;
}

void on_close() {
    if (boinc_is_standalone()) end_standalone_run();
    set_graphics_mode(mode_hide_graphics);
}

void on_key(unsigned message, std::uintptr_t key, std::intptr_t key_data) {
    if (quit_full_screen_at(message)) return;
    if (message == platform::wm_keydown) {
        boinc_app_key_press(static_cast<int>(key), static_cast<int>(key_data));
    } else {
        boinc_app_key_release(static_cast<int>(key), static_cast<int>(key_data));
    }
}

void on_mouse_move(std::uintptr_t buttons) {
    if (quit_full_screen_at(platform::wm_mousemove)) return;
    const platform::point position = cursor_position();
    boinc_app_pointer_move(position.x, position.y, (buttons & platform::mk_lbutton) != 0,
                           (buttons & platform::mk_mbutton) != 0,
                           (buttons & platform::mk_rbutton) != 0);
}

void on_mouse_button(unsigned message) {
    if (quit_full_screen_at(message)) return;
    const platform::point position = cursor_position();
    int which = 0;
    bool down = false;
    decode_mouse_button(message, which, down);
    boinc_app_pointer_button(position.x, position.y, which, down);
}

// The X server went away with the window: carry on as after a close under
// a core client, in every run, so that the job goes on.
void on_display_lost(platform::window_handle window) {
    if (window == host_state.graphics_window) {
        set_graphics_mode(mode_hide_graphics);
    } else {
        platform::destroy_window(window);
    }
}

}  // namespace

bool register_window_class() {
    host_state.app_instance = platform::get_module_handle();
    if (!register_task_window_class(graphics_window_proc, host_state.app_instance)) {
        platform::message_box("Failed To Register The Window Class.", "ERROR");
        return false;
    }
    return true;
}

bool unregister_window_class() {
    if (!platform::unregister_class(task_window_class_name, host_state.app_instance)) {
        platform::message_box("Could Not Unregister Class.", "SHUTDOWN ERROR");
        host_state.app_instance = nullptr;
    }
    return true;
}

void decode_mouse_button(unsigned message, int& which, bool& down) {
    switch (message) {
        case platform::wm_lbuttondown:
            which = 0;
            down = true;
            break;
        case platform::wm_lbuttonup:
            which = 0;
            down = false;
            break;
        case platform::wm_mbuttondown:
            which = 1;
            down = true;
            break;
        case platform::wm_mbuttonup:
            which = 1;
            down = false;
            break;
        case platform::wm_rbuttondown:
            which = 2;
            down = true;
            break;
        case platform::wm_rbuttonup:
            which = 2;
            down = false;
            break;
        default:
            break;
    }
}

std::intptr_t graphics_window_proc(platform::window_handle window, unsigned message,
                                   std::uintptr_t wparam, std::intptr_t lparam) {
    if (answer_common_message(window, message, wparam, lparam, scene_callbacks,
                              host_state.window_visible)) {
        return 0;
    }
    if (is_button_message(message)) {
        on_mouse_button(message);
        return 0;
    }
    switch (message) {
        case platform::wm_close:
            on_close();
            return 0;
        case platform::wm_keydown:
        case platform::wm_keyup:
            on_key(message, wparam, lparam);
            return 0;
        case platform::wm_mousemove:
            on_mouse_move(wparam);
            return 0;
        case platform::wm_display_lost:
            on_display_lost(window);
            return 0;
        default:
            break;
    }
    if (message == set_foreground_message) platform::set_foreground_window(window);
    return platform::def_window_proc(window, message, wparam, lparam);
}
