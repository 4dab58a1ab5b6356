// The task's window (task_window/), with a procedure of its own: the
// companion has no display modes to return to, so a close, a lost X server or
// any sign of a user in full screen ends it.
#include "companion/companion_window.h"

#include <algorithm>

#include "companion/companion_exit.h"
#include "companion/companion_log.h"
#include "companion/companion_state.h"
#include "scene/app_graphics.h"
#include "task_window/task_window.h"
#include "task_window/task_window_messages.h"

namespace {

constexpr int gap_beside_task_window = 20;

const window_scene_callbacks scene_callbacks{app_graphics_init, app_graphics_resize};

bool in_fullscreen() { return companion_state.display == companion_display::fullscreen; }

// The task's own size, beside where the task's own window opens, so that when
// both show (under the emulator) neither hides the other; moved left as far
// as needed to stay on the screen.
platform::rect ordinary_window_rect() {
    const platform::rect& task = default_window_rect;
    const int width = task.right - task.left;
    const int screen_width = screen_rect().right;
    int left = task.right + gap_beside_task_window;
    if (screen_width > 0 && left + width > screen_width) left = std::max(0, screen_width - width);
    return platform::rect{left, task.top, left + width, task.bottom};
}

// In a window keys reach the scene, which logs them. System keys (Alt held, F10) are the window
// manager's, as in the task's window.
void on_key(unsigned message, std::uintptr_t key, std::intptr_t key_data) {
    if (message == platform::wm_keydown) {
        boinc_app_key_press(static_cast<int>(key), static_cast<int>(key_data));
    } else if (message == platform::wm_keyup) {
        boinc_app_key_release(static_cast<int>(key), static_cast<int>(key_data));
    }
}

}  // namespace

bool open_companion_window() {
    companion_state_type& s = companion_state;
    if (!register_task_window_class(companion_window_proc, platform::get_module_handle())) {
        companion_log("cannot register the window class.");
        return false;
    }
    if (s.title.empty()) s.title = default_task_window_title;
    const task_window_failure failure =
        open_task_window(in_fullscreen(), ordinary_window_rect(), s.title.c_str(),
                         {s.window, s.window_dc, s.gl_context, s.creation_cursor_pos});
    if (failure == task_window_failure::no_window) {
        companion_log("cannot open a window on the display.");
        return false;
    }
    if (failure != task_window_failure::none) {
        companion_log("cannot draw with GL in the window.");
        return false;
    }
    app_graphics_init();
    return true;
}

void set_companion_title(const std::string& title) {
    if (title == companion_state.title) return;
    companion_state.title = title;
    platform::set_window_text(companion_state.window, title.c_str());
}

std::intptr_t companion_window_proc(platform::window_handle window, unsigned message,
                                    std::uintptr_t wparam, std::intptr_t lparam) {
    companion_state_type& s = companion_state;
    if (answer_common_message(window, message, wparam, lparam, scene_callbacks, s.window_visible)) {
        return 0;
    }
    // In full screen the first sign of a user ends the display, as the
    // screensaver's full screen does.
    if (in_fullscreen() && ends_full_screen(message, s.creation_cursor_pos)) {
        end_companion(0, nullptr);
    }
    if (is_key_message(message)) {
        on_key(message, wparam, lparam);
        return 0;
    }
    // The scene ignores the pointer.
    if (is_button_message(message) || message == platform::wm_mousemove ||
        message == platform::wm_mousewheel) {
        return 0;
    }
    switch (message) {
        case platform::wm_close:
            end_companion(0, nullptr);
        case platform::wm_display_lost:
            end_companion(0, "the X server has gone away");
        default:
            break;
    }
    return platform::def_window_proc(window, message, wparam, lparam);
}
