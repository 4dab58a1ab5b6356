// The window as the in-process host makes it (same class name, styles, size
// and pixel format), with a procedure of its own: the companion has no
// display modes to return to, so a close, a lost X server or any sign of a
// user in full screen ends it.
#include "companion/companion_window.h"

#include <algorithm>
#include <cstdio>

#include "companion/companion_exit.h"
#include "companion/companion_state.h"
#include "scene/app_graphics.h"

const char default_companion_title[] = "BOINC Application";

namespace {

constexpr const char* window_class_name = "BOINC_app";
// The in-process host's first ordinary window: 640 x 480 without a frame at (50, 50).
constexpr platform::rect task_window_rect{50, 50, 690, 530};
constexpr int gap_beside_task_window = 20;
constexpr unsigned long clip_styles = platform::ws_clipsiblings | platform::ws_clipchildren;

bool in_fullscreen() { return companion_state.display == companion_display::fullscreen; }

// The task's own size, beside where the task's own window opens, so that when
// both show (under the emulator) neither hides the other; moved left as far
// as needed to stay on the screen.
platform::rect ordinary_window_rect() {
    const int width = task_window_rect.right - task_window_rect.left;
    const int screen_width = platform::screen_rect().right;
    int left = task_window_rect.right + gap_beside_task_window;
    if (screen_width > 0 && left + width > screen_width) left = std::max(0, screen_width - width);
    return platform::rect{left, task_window_rect.top, left + width, task_window_rect.bottom};
}

platform::window_handle create_window_for_display() {
    const bool fullscreen = in_fullscreen();
    const platform::rect area = fullscreen ? platform::screen_rect() : ordinary_window_rect();
    if (fullscreen) platform::hide_cursor();
    const unsigned long ex_style = fullscreen
                                       ? platform::ws_ex_topmost
                                       : platform::ws_ex_appwindow | platform::ws_ex_windowedge;
    const unsigned long style =
        (fullscreen ? platform::ws_popup : platform::ws_overlappedwindow) | clip_styles;
    return platform::create_window(ex_style, window_class_name, companion_state.title.c_str(),
                                   style, area.left, area.top, area.right - area.left,
                                   area.bottom - area.top);
}

// The pixel format, GL context and scene set-up of a new window; false when
// GL cannot be had for it.
bool set_up_gl(companion_state_type& s) {
    s.window_dc = platform::get_dc(s.window);
    const platform::pixel_format_descriptor& wanted = platform::window_pixel_format();
    const int format = platform::choose_pixel_format(s.window_dc, wanted);
    if (format == 0 || !platform::set_pixel_format(s.window_dc, format, wanted)) return false;
    s.gl_context = platform::create_gl_context(s.window_dc);
    return s.gl_context && platform::make_current(s.window_dc, s.gl_context);
}

void on_size(std::uintptr_t kind, std::intptr_t size) {
    companion_state.window_visible = kind != platform::size_minimized;
    app_graphics_resize(platform::low_word(size), platform::high_word(size));
}

// In full screen the first sign of a user ends the display, as the
// screensaver's full screen does; in a window keys reach the scene, which
// logs them, and the pointer is left alone, as the scene ignores it.
void on_key(unsigned message, std::uintptr_t key, std::intptr_t key_data) {
    if (in_fullscreen()) end_companion(0, nullptr);
    // System keys (Alt held, F10) are the window manager's, as in the task's window.
    if (message == platform::wm_keydown) {
        boinc_app_key_press(static_cast<int>(key), static_cast<int>(key_data));
    } else if (message == platform::wm_keyup) {
        boinc_app_key_release(static_cast<int>(key), static_cast<int>(key_data));
    }
}

void on_mouse_move() {
    if (!in_fullscreen()) return;
    platform::point position{0, 0};
    platform::get_cursor_pos(position);
    const platform::point& start = companion_state.creation_cursor_pos;
    if (position.x != start.x || position.y != start.y) end_companion(0, nullptr);
}

void on_mouse_button() {
    if (in_fullscreen()) end_companion(0, nullptr);
}

}  // namespace

bool open_companion_window() {
    companion_state_type& s = companion_state;
    const platform::window_class_record record{
        platform::cs_vredraw | platform::cs_hredraw | platform::cs_owndc, companion_window_proc,
        platform::get_module_handle(), window_class_name};
    if (!platform::register_class(record)) {
        std::fprintf(stderr, "graphics companion: cannot register the window class.\n");
        return false;
    }
    if (s.title.empty()) s.title = default_companion_title;
    s.window = create_window_for_display();
    if (!s.window) {
        std::fprintf(stderr, "graphics companion: cannot open a window on the display.\n");
        return false;
    }
    platform::set_foreground_window(s.window);
    platform::get_cursor_pos(s.creation_cursor_pos);
    if (!set_up_gl(s)) {
        std::fprintf(stderr, "graphics companion: cannot draw with GL in the window.\n");
        return false;
    }
    platform::show_window(s.window);
    platform::set_focus(s.window);
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
    switch (message) {
        case platform::wm_create:
            app_graphics_init();
            return 0;
        case platform::wm_size:
            on_size(wparam, lparam);
            return 0;
        case platform::wm_paint:
            platform::paint_client_black(window);
            return 0;
        case platform::wm_close:
            end_companion(0, nullptr);
        case platform::wm_erasebkgnd:
            return 0;
        case platform::wm_keydown:
        case platform::wm_keyup:
        case platform::wm_syskeydown:
        case platform::wm_syskeyup:
            on_key(message, wparam, lparam);
            return 0;
        case platform::wm_mousemove:
            on_mouse_move();
            return 0;
        case platform::wm_lbuttondown:
        case platform::wm_lbuttonup:
        case platform::wm_rbuttondown:
        case platform::wm_rbuttonup:
        case platform::wm_mbuttondown:
        case platform::wm_mbuttonup:
        case platform::wm_mousewheel:
            on_mouse_button();
            return 0;
        case platform::wm_display_lost:
            end_companion(0, "the X server has gone away");
        default:
            break;
    }
    return platform::def_window_proc(window, message, wparam, lparam);
}
